#include "OrvTestSurface.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace orv::test::surface;

namespace
{
std::string WriteTemp(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = ::testing::TempDir() + "orv_surface_" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// The error term walk exactly as the line routine is defined, for comparison.
std::vector<std::pair<int, int>> ReferenceLine(int x0, int y0, int x1, int y1)
{
    std::vector<std::pair<int, int>> points;
    const int dx = x1 - x0, dy = y1 - y0;
    const bool bMajorX = std::abs(dx) >= std::abs(dy);
    const int major = bMajorX ? std::abs(dx) : std::abs(dy);
    const int minor = bMajorX ? std::abs(dy) : std::abs(dx);
    const int sMajor = (bMajorX ? dx : dy) < 0 ? -1 : 1;
    const int sMinor = (bMajorX ? dy : dx) < 0 ? -1 : 1;
    int a = bMajorX ? x0 : y0, b = bMajorX ? y0 : x0;
    int error = 2 * minor - major;
    for (int i = 0; i < major; ++i)
    {
        points.emplace_back(bMajorX ? a : b, bMajorX ? b : a);
        while (error >= 0)
        {
            b += sMinor;
            error -= 2 * major;
        }
        error += 2 * minor;
        a += sMajor;
    }
    return points;
}
} // namespace

TEST(Surface, BrightnessOperationsSaturatePerChannelAndClearAlpha)
{
    ORV_Surface surface(2, 1);
    auto run = [&](auto operation)
    {
        At(surface, 0, 0) = 0x00F01005;
        At(surface, 1, 0) = 0x7F000000;
        operation();
        return std::make_pair(At(surface, 0, 0), At(surface, 1, 0));
    };
    EXPECT_EQ(run([&] { surface.Add(20); }), std::make_pair(0x00FF2419u, 0x00141414u));
    EXPECT_EQ(run([&] { surface.Sub(20); }), std::make_pair(0x00DC0000u, 0u));
    EXPECT_EQ(run([&] { surface.Mul(128); }), std::make_pair(0x00780802u, 0u));
    EXPECT_EQ(run([&] { surface.Add(0); }), std::make_pair(0x00F01005u, 0x7F000000u));
    EXPECT_EQ(run([&] { surface.Mul(1000); }).first, 0x00FF3E13u);
    EXPECT_EQ(run([&] { surface.Sub(-1000); }).first, 0x00FFFFFFu);
}

TEST(Surface, InverseVideoLeavesTheLastPartialGroupOfEight)
{
    ORV_Surface surface(3, 3);
    Fill(surface, 0x00102030);
    surface.InverseVideo();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(surface.GetPixels()[i], 0x00EFDFCFu);
    EXPECT_EQ(surface.GetPixels()[8], 0x00102030u);
}

TEST(Surface, PlotCopyAndAlphaMaskStayInsideTheirArrays)
{
    ORV_Surface surface(4, 4);
    surface.Clear();
    surface.Plot(3, 3, 0xFFFFFFFF12345678ul);
    surface.Plot(4, 0, 1);
    surface.Plot(-1, 0, 1);
    surface.Plot(0, 4, 1);
    EXPECT_EQ(At(surface, 3, 3), 0x12345678u);
    EXPECT_EQ(std::count(surface.GetPixels(), surface.GetPixels() + 16, 0u), 15);

    // A smaller source copies only what it holds.
    ORV_Surface small(2, 2);
    Fill(small, 7);
    surface.Copy(&small);
    EXPECT_EQ(surface.GetPixels()[3], 7u);
    EXPECT_EQ(surface.GetPixels()[4], 0u);

    // The mask is scaled by nearest neighbour; its blue becomes alpha.
    ORV_Surface mask(2, 2);
    At(mask, 0, 0) = 0x11;
    At(mask, 1, 0) = 0x22;
    At(mask, 0, 1) = 0x33;
    At(mask, 1, 1) = 0xFFFFFF44;
    Fill(surface, 0xAA123456);
    surface.SetAlphaChannel(&mask);
    EXPECT_EQ(At(surface, 1, 1), 0x11123456u);
    EXPECT_EQ(At(surface, 2, 1), 0x22123456u);
    EXPECT_EQ(At(surface, 3, 3), 0x44123456u);
}

TEST(Surface, CopiesShareThePixelsAndFreeThemOnce)
{
    auto* pOriginal = new ORV_Surface(8, 8);
    pOriginal->AddRef();
    Fill(*pOriginal, 5);
    ORV_Surface copy(*pOriginal);
    EXPECT_EQ(copy.GetPixels(), pOriginal->GetPixels());
    EXPECT_EQ(copy.GetRefCount(), 0);
    ORV_Surface assigned;
    assigned = copy;
    const ORV_Surface& self = assigned;
    assigned = self;      // assigning a surface to itself keeps its pixels
    pOriginal->Release(); // the pixels live on in the copies
    copy.Plot(1, 1, 9);
    EXPECT_EQ(At(assigned, 1, 1), 9u);
    EXPECT_EQ(At(assigned, 0, 0), 5u);
    assigned = ORV_Surface(2, 2);
    EXPECT_EQ(assigned.GetWidth(), 2);
    EXPECT_EQ(At(copy, 7, 7), 5u);
}

TEST(Surface, InvalidSizesGiveAnEmptySurface)
{
    ORV_Surface negative(-4, 10);
    EXPECT_EQ(negative.GetPixels(), nullptr);
    EXPECT_EQ(negative.GetWidth(), 0);
    ORV_Surface huge(1 << 20, 1 << 20);
    EXPECT_EQ(huge.GetPixels(), nullptr);
    // Every routine accepts an empty surface.
    negative.Clear();
    negative.Add(5);
    negative.Line(0, 0, 10, 10, 1);
    negative.LineAntialias(0, 0, 10, 10, 255);
    negative.RadialBlur(1, 1, 0.5f);
    negative.PutBob(&huge, 0, 0);
    EXPECT_EQ(negative.GetPixelRGB_BiLinear256(0, 0), 0);
}

TEST(Surface, LineDrawsTheStartButNotTheEndAndClips)
{
    ORV_Surface surface(8, 4);
    surface.Clear();
    surface.Line(0, 0, 3, 0, 1);
    EXPECT_EQ(At(surface, 0, 0) + At(surface, 1, 0) + At(surface, 2, 0), 3u);
    EXPECT_EQ(At(surface, 3, 0), 0u);
    surface.Line(5, 2, 5, 2, 1);
    EXPECT_EQ(At(surface, 5, 2), 0u);

    // Every line, on or off the surface, sets exactly the reference walk's inside points.
    std::mt19937 random(3);
    for (int n = 0; n < 400; ++n)
    {
        const int x0 = int(random() % 40) - 15, y0 = int(random() % 30) - 12;
        const int x1 = int(random() % 40) - 15, y1 = int(random() % 30) - 12;
        surface.Clear();
        surface.Line(x0, y0, x1, y1, 1);
        ORV_Surface expected(8, 4);
        expected.Clear();
        for (auto [x, y] : ReferenceLine(x0, y0, x1, y1))
            expected.Plot(x, y, 1);
        ASSERT_EQ(Snapshot(surface), Snapshot(expected))
            << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
    surface.Line(-2000000000, 1, 2000000000, 2, 1); // clipped, not walked
}

TEST(Surface, SubPixelAndAntialiasedLinesFollowTheFixedPointWalk)
{
    ORV_Surface surface(512, 256);
    surface.Clear();
    surface.LineAntialias(10, 100, 20, 100, 255);
    EXPECT_EQ(At(surface, 15, 100), 0x00BEBEBEu);
    EXPECT_EQ(At(surface, 15, 101), 0x00BEBEBEu);
    EXPECT_EQ(At(surface, 15, 99), 0x003E3E3Eu);
    EXPECT_EQ(At(surface, 15, 102), 0x003E3E3Eu);
    EXPECT_EQ(At(surface, 15, 98), 0u);
    EXPECT_EQ(At(surface, 10, 100), 0x00BEBEBEu);
    EXPECT_EQ(At(surface, 20, 100), 0x00BEBEBEu);
    EXPECT_EQ(At(surface, 21, 100), 0u);
    surface.LineAntialias(10, 100, 20, 100, 255); // light adds up, capped at 255
    EXPECT_EQ(At(surface, 15, 100), 0x00FFFFFFu);
    EXPECT_EQ(At(surface, 15, 99), 0x007C7C7Cu);

    // Steps whose five pixels do not all fit are left out.
    surface.Clear();
    surface.LineAntialias(100, 1, 100, 200, 255);
    EXPECT_EQ(At(surface, 100, 1), 0x00BEBEBEu);
    surface.Clear();
    surface.LineAntialias(0, 1, 50, 1, 255);
    EXPECT_EQ(std::count(surface.GetPixels(), surface.GetPixels() + 512 * 256, 0u), 512 * 256);

    // A diagonal sub-pixel line; x-major ends are rounded and ordered.
    surface.Clear();
    surface.LineSub(3.6f, 2.0f, 0.2f, 0.0f, 7);
    EXPECT_EQ(At(surface, 0, 0), 7u);
    EXPECT_EQ(At(surface, 2, 1), 7u);
    EXPECT_EQ(At(surface, 4, 2), 7u);
    EXPECT_EQ(std::count(surface.GetPixels(), surface.GetPixels() + 512 * 256, 7u), 5);

    // Far outside, and on a surface smaller than 512 x 256: clipped, no stray writes.
    ORV_Surface small(6, 5);
    small.Clear();
    small.LineSub(-1e9f, 2.0f, 1e9f, 2.0f, 3);
    small.LineSub(2.0f, -50.0f, 2.0f, 50.0f, 3);
    small.LineAntialias(-100, 2.5f, 100, 2.5f, 300);
    small.LineAntialias(1e30f, 1e30f, -1e30f, 0, 300);
    EXPECT_EQ(At(small, 5, 0), 0u);
    EXPECT_EQ(At(small, 2, 4), 3u);
}

TEST(Surface, BilinearFetchUsesWeightsOf255)
{
    ORV_Surface surface(3, 3);
    Fill(surface, 0x00FFFFFF);
    EXPECT_EQ(surface.GetPixelRGB_BiLinear256(0, 0), 0x00FDFDFD);
    EXPECT_EQ(surface.GetPixelRGB_BiLinear256(256 + 255, 256 + 255), 0x00FDFDFD);
    EXPECT_EQ(surface.GetPixelRGB_BiLinear256(512, 0), 0);
    EXPECT_EQ(surface.GetPixelRGB_BiLinear256(-1, 0), 0);

    surface.Clear();
    At(surface, 1, 0) = 0x80FF0000; // alpha folds into the red of the plain fetch
    EXPECT_EQ(surface.GetPixelRGB_BiLinear256(255, 0), 0x00FF0000);
    PIXEL32 out;
    out.u32 = 0x5A000000;
    surface.GetPixelRGB_BiLinear256alpha(out, 128, 0, false);
    EXPECT_EQ(out.u32, 0x5A7F0000u); // (255 * 128 * 255) >> 16 = 127 red, alpha kept
    surface.GetPixelRGB_BiLinear256alpha(out, 128, 0, true);
    EXPECT_EQ(out.a, 0x3F);
    surface.GetPixelRGB_BiLinear256alpha(out, 0, 600, true);
    EXPECT_EQ(out.u32, 0u);
}

TEST(Surface, LoadBmpReadsBottomUpAndTopDownFiles)
{
    // Rows of four pixels: A = blue 1..4, B = red 1..4.
    std::vector<uint8_t> rowA, rowB;
    for (uint8_t i = 1; i <= 4; ++i)
    {
        rowA.insert(rowA.end(), {i, 0, 0});
        rowB.insert(rowB.end(), {0, 0, i});
    }
    std::vector<uint8_t> rows = rowA;
    rows.insert(rows.end(), rowB.begin(), rowB.end());

    ORV_Surface surface;
    ASSERT_EQ(surface.LoadBMP(WriteTemp("up.bmp", MakeBmp(4, 2, rows)).c_str()), 0);
    ASSERT_EQ(surface.GetWidth(), 4);
    ASSERT_EQ(surface.GetHeight(), 2);
    EXPECT_EQ(At(surface, 0, 0), 0x00010000u); // file row B comes first
    EXPECT_EQ(At(surface, 3, 1), 0x00000004u);

    ASSERT_EQ(surface.LoadBMP(WriteTemp("down.bmp", MakeBmp(4, -2, rows)).c_str()), 0);
    EXPECT_EQ(At(surface, 0, 0), 0x00000001u);
    EXPECT_EQ(At(surface, 3, 1), 0x00040000u);

    EXPECT_EQ(surface.LoadFile(WriteTemp("file.bmp", MakeBmp(4, 1, rowA)).c_str()), 0);
    EXPECT_EQ(surface.GetHeight(), 1);
    EXPECT_EQ(surface.LoadFile("missing.jpg"), 0);
    EXPECT_EQ(surface.GetHeight(), 1);
}

TEST(Surface, LoadBmpFailuresReturnTheirCodeAndLeaveTheSurfaceUsable)
{
    const std::vector<uint8_t> pixels(4 * 2 * 3, 0x40);
    struct SCase
    {
        const char* pName;
        std::vector<uint8_t> bytes;
        int iCode;
    };
    std::vector<uint8_t> notBmp = MakeBmp(4, 2, pixels);
    notBmp[0] = 'X';
    std::vector<uint8_t> overflow = MakeBmp(0x7FFFFFFC, 0x7FFFFFFF, pixels);
    std::vector<uint8_t> shortData = MakeBmp(4, 2, pixels);
    shortData.resize(shortData.size() - 1);
    std::vector<uint8_t> shortHeader = MakeBmp(4, 2, pixels);
    shortHeader.resize(30);
    const SCase cases[] = {
        {"notbmp.bmp", notBmp, 2},
        {"tiny.bmp", {'B'}, 2},
        {"8bit.bmp", MakeBmp(4, 2, pixels, 8), 3},
        {"odd.bmp", MakeBmp(3, 2, pixels), 4},
        {"rle.bmp", MakeBmp(4, 2, pixels, 24, 1), 5},
        {"overflow.bmp", overflow, 6},
        {"zero.bmp", MakeBmp(0, 2, pixels), 6},
        {"negative.bmp", MakeBmp(-4, 2, pixels), 6},
        {"minheight.bmp", MakeBmp(4, INT32_MIN, pixels), 6},
        {"short.bmp", shortData, 6},
        {"offset.bmp", MakeBmp(4, 2, pixels, 24, 0, 0x7FFFFFF0), 6},
        {"header.bmp", shortHeader, 6},
    };
    ORV_Surface surface(8, 2);
    Fill(surface, 0x123);
    for (const SCase& test : cases)
    {
        SCOPED_TRACE(test.pName);
        EXPECT_EQ(surface.LoadBMP(WriteTemp(test.pName, test.bytes).c_str()), test.iCode);
        EXPECT_EQ(surface.GetWidth(), 8);
        EXPECT_EQ(surface.GetHeight(), 2);
        EXPECT_EQ(At(surface, 7, 1), 0x123u);
    }
    EXPECT_EQ(surface.LoadBMP("/nonexistent/none.bmp"), 1);
    EXPECT_EQ(surface.LoadBMP(nullptr), 1);
}

TEST(Surface, InitTakesASizeOrAQuotedBitmapName)
{
    ORV_Surface surface;
    surface.Init("  640 480");
    EXPECT_EQ(surface.GetWidth(), 640);
    EXPECT_EQ(surface.GetHeight(), 480);

    const std::string path = WriteTemp("init.bmp", MakeBmp(4, 1, std::vector<uint8_t>(12, 9)));
    surface.Init(("\"" + path + "\"").c_str());
    EXPECT_EQ(surface.GetWidth(), 4);
    EXPECT_EQ(At(surface, 3, 0), 0x00090909u);

    surface.Init("\"");
    surface.Init("garbage");
    EXPECT_EQ(surface.GetPixels(), nullptr);
}
