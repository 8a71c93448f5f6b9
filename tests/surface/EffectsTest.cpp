#include "OrvTestSurface.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace orv::test::surface;

namespace
{
int Rank(uint32_t p)
{
    return int((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF));
}

// The best rank in the window that the incremental filter keeps for (x, y).
int WindowRank(const ORV_Surface& source, int x, int y, int rx, int ry, bool bMax)
{
    const int top = y < 2 * ry - 1 ? y - ry + 1 : y - ry;
    int best = bMax ? -1 : 768;
    for (int row = top; row <= y + ry - 1; ++row)
        for (int col = x - rx; col <= x + rx - 1; ++col)
        {
            int rank = bMax ? -1 : 768;
            if (row >= 0 && row < source.GetHeight() && col >= 0 && col < source.GetWidth())
                rank = Rank(source.GetPixels()[col + row * source.GetWidth()]);
            best = bMax ? std::max(best, rank) : std::min(best, rank);
        }
    return best;
}
} // namespace

TEST(Effects, FadeWeighsTheTwoSourcesWithTruncation)
{
    ORV_Surface a(2, 2), b(2, 2), dest(2, 2), other(3, 2);
    Fill(a, 0x00804020);
    Fill(b, 0x00102030);
    Fill(dest, 0x55);
    dest.Fade(&a, &other, 0.5f);
    EXPECT_EQ(At(dest, 1, 1), 0x55u);
    dest.Fade(&a, &b, 0.0f);
    EXPECT_EQ(At(dest, 1, 1), 0x007F3F1Fu);
    dest.Fade(&a, &b, 1.0f);
    EXPECT_EQ(At(dest, 1, 1), 0x000F1F2Fu);
    dest.Fade(&a, &b, 3.0f); // clamped per channel: red and green fall below 0
    EXPECT_EQ(At(dest, 0, 0), 0x4Fu);
}

TEST(Effects, DispersionDisplacesDiagonallyByTheMap)
{
    ORV_Surface source(40, 40), map(40, 40), dest(40, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            At(source, x, y) = uint32_t(x << 8 | y);
    Fill(map, 0xFF);
    dest.Dispersion(&source, &map, 0.0f);
    EXPECT_EQ(Snapshot(dest), Snapshot(source));
    dest.Dispersion(&source, &map, 1.0f); // (255 * 255) >> 11 = 31 pixels
    EXPECT_EQ(At(dest, 0, 0), uint32_t(31 << 8 | 31));
    EXPECT_EQ(At(dest, 20, 5), uint32_t(39 << 8 | 36));
    dest.Dispersion(&source, &map, -1.0f);
    EXPECT_EQ(Snapshot(dest), Snapshot(source));

    Fill(dest, 7);
    map.Clear();
    At(map, 2, 2) = 40; // sin(0.2) * 40 -> 7 >> 2 = 1, 40 * cos(0.2) -> 39 >> 2 = 9
    dest.Dispersion2(&source, &map, 0);
    EXPECT_EQ(At(dest, 2, 2), uint32_t(3 << 8 | 11));
    EXPECT_EQ(At(dest, 3, 2), uint32_t(3 << 8 | 2));
    EXPECT_EQ(At(dest, 1, 5), 7u);
    EXPECT_EQ(At(dest, 38, 5), 7u);

    ORV_Surface small(4, 4);
    dest.Dispersion(&small, &map, 1.0f); // too small a source: nothing
    EXPECT_EQ(At(dest, 3, 2), uint32_t(3 << 8 | 2));
}

TEST(Effects, ParasitizeShiftsRowsAndKeepsTheUncoveredPixels)
{
    ORV_Surface surface(64, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 64; ++x)
            At(surface, x, y) = uint32_t(x + 1);
    surface.Parasitize(0.0005f);
    EXPECT_EQ(At(surface, 5, 0), 6u);

    const float amount = 1.3f;
    surface.Parasitize(amount);
    int moved = 0;
    for (int y = 0; y < 16; ++y)
    {
        const int d = y - 8;
        const double f = std::sin(amount * d * 50 * 6.28 / 16);
        const double g = std::sin(amount * d * 45 * 6.28 / 16);
        const int shift = int(amount * g * f * 50 * amount);
        moved += shift != 0;
        for (int x = 0; x < 64; ++x)
        {
            const int from = x - shift;
            const uint32_t expected = uint32_t((from >= 0 && from < 64 ? from : x) + 1);
            ASSERT_EQ(At(surface, x, y), expected) << "row " << y << " shift " << shift;
        }
    }
    EXPECT_GT(moved, 8);
}

TEST(Effects, MaxAndMinUseTheDocumentedWindows)
{
    ORV_Surface source(512, 256), dest(512, 256);
    source.Clear();
    At(source, 10, 10) = 0x00FFFFFF;
    dest.Max(&source, 1, 1);
    std::vector<std::pair<int, int>> white;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x)
            if (At(dest, x, y))
                white.emplace_back(x, y);
    EXPECT_EQ(white, (std::vector<std::pair<int, int>>{{10, 10}, {11, 10}, {10, 11}, {11, 11}}));

    // Every output has the best rank of its window, for both filters, and the radii clamp.
    FillRandom(source, 5, 0x00FFFFFF);
    for (const bool bMax : {true, false})
    {
        ORV_Surface clamped(512, 256);
        bMax ? dest.Max(&source, 3, 2) : dest.Min(&source, 3, 2);
        for (int y = 0; y < 256; y += 5)
            for (int x = 0; x < 512; x += 3)
                ASSERT_EQ(Rank(At(dest, x, y)), WindowRank(source, x, y, 3, 2, bMax))
                    << x << "," << y;
        bMax ? dest.Max(&source, 0, -4) : dest.Min(&source, 0, -4);
        bMax ? clamped.Max(&source, 1, 1) : clamped.Min(&source, 1, 1);
        EXPECT_EQ(Snapshot(dest), Snapshot(clamped));
        bMax ? dest.Max(&source, 500, 101) : dest.Min(&source, 500, 101);
        bMax ? clamped.Max(&source, 100, 100) : clamped.Min(&source, 100, 100);
        EXPECT_EQ(Snapshot(dest), Snapshot(clamped));
    }
}

TEST(Effects, MaxBreaksTiesByRingOrder)
{
    // Two pixels of equal rank in one window: the first in ring order wins on a rescan,
    // a newcomer only when strictly brighter.
    ORV_Surface source(512, 256), dest(512, 256);
    source.Clear();
    At(source, 4, 0) = 0x00000030; // rank 48
    At(source, 5, 0) = 0x00003000; // rank 48
    dest.Max(&source, 1, 1);
    EXPECT_EQ(At(dest, 4, 0), 0x30u);
    EXPECT_EQ(At(dest, 5, 0), 0x30u); // window 4 .. 5: the earlier best stays
    EXPECT_EQ(At(dest, 6, 0), 0x3000u);
}

TEST(Effects, RadialBlurStreamsLightOutward)
{
    ORV_Surface surface(512, 256);
    FillRandom(surface, 9, 0x00FFFFFF);
    const std::vector<uint32_t> before = Snapshot(surface);
    surface.RadialBlur(100, 100, 0.0f);
    EXPECT_EQ(Snapshot(surface), before);
    At(surface, 300, 20) = 0x01000010;
    surface.RadialBlur(100, 100, 0.0f);
    EXPECT_EQ(At(surface, 300, 20), 0x00FF0010u);

    surface.Clear();
    At(surface, 50, 60) = 0x00FFFFFF;
    surface.RadialBlur(50, 60, 1.0f);
    EXPECT_EQ(At(surface, 50, 60), 0x00FFFFFFu); // the centre itself is not processed
    EXPECT_EQ(At(surface, 51, 60), 0x00FDFDFDu);
    EXPECT_EQ(At(surface, 52, 60), 0x00FBFBFBu);
    EXPECT_EQ(At(surface, 49, 59), 0x00FDFDFDu);
    EXPECT_EQ(At(surface, 52, 61), 0x00FCFCFCu); // axis and diagonal, half each
    EXPECT_EQ(At(surface, 48, 58), 0x00FBFBFBu);

    ORV_Surface corner(512, 256), moved(512, 256);
    FillRandom(corner, 4, 0x00FFFFFF);
    moved.Copy(&corner);
    corner.RadialBlur(0, 0, 0.3f);
    moved.RadialBlur(2, 2, 0.3f);
    EXPECT_EQ(Snapshot(corner), Snapshot(moved));
}

TEST(Effects, PutBobBlurMovesPixelsAtMostSixteenWithWrapAround)
{
    ORV_Surface source(512, 256), dest(512, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x)
            At(source, x, y) = uint32_t(x << 8 | y);
    dest.PutBobBlur(&source, 0, 0, 0.7f, 0.0f);
    EXPECT_EQ(Snapshot(dest), Snapshot(source));

    dest.PutBobBlur(&source, 0, 0, 0.7f, 0.8f);
    int changed = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x)
        {
            const int sx = int(At(dest, x, y) >> 8), sy = int(At(dest, x, y) & 0xFF);
            const int dx = ((sx - x) % 512 + 512 + 256) % 512 - 256;
            const int dy = ((sy - y) % 256 + 256 + 128) % 256 - 128;
            ASSERT_TRUE(dx >= -16 && dx <= 15 && dy >= -16 && dy <= 15) << x << "," << y;
            changed += dx != 0 || dy != 0;
        }
    EXPECT_GT(changed, 512 * 256 / 4);
}

// Routines made for the 512 x 256 layout, given other sizes, stay inside the arrays.
TEST(Effects, FixedLayoutRoutinesWorkOnOtherSizes)
{
    ORV_Surface small(7, 5), wide(600, 3), tiny(3, 3);
    FillRandom(small, 1, 0x00FFFFFF);
    FillRandom(wide, 2, 0x00FFFFFF);
    FillRandom(tiny, 3, 0x00FFFFFF);
    small.RadialBlur(500, 500, 0.9f);
    tiny.RadialBlur(1, 1, 0.9f);
    small.PutBobBlur(&wide, 0, 0, 1.0f, 3.0f);
    wide.PutBobBlur(&tiny, 0, 0, 2.0f, 50.0f);
    wide.Max(&small, 100, 100);
    small.Min(&wide, 3, 3);
    small.Max(&small, 2, 2);
    small.Parasitize(50.0f);
    small.Dispersion2(&small, &small, 0);
    small.LineAntialias(0, 2.5f, 6, 2.5f, 255);
    ORV_Surface reference(7, 5);
    reference.Copy(&small);
    small.RadialBlur(3, 2, 0.0f);
    EXPECT_EQ(Snapshot(small), Snapshot(reference));
}
