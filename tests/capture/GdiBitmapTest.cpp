// Memory bitmaps: what a host fills comes back from GetDIBits in the layout GDI gives
// (rows padded to 4 bytes, bottom-up unless asked otherwise), and bad handles or
// unsupported bitmaps fail the call instead of crashing it.
#include "wingdi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

BITMAPINFO MakeInfo(int iWidth, int iHeight, int iBitCount)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = iWidth;
    info.bmiHeader.biHeight = iHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(iBitCount);
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// The colour of a pixel by its place in the picture (y = 0 at the top).
void PixelAt(int x, int y, BYTE* pBgr)
{
    pBgr[0] = static_cast<BYTE>(x * 7 + 1);
    pBgr[1] = static_cast<BYTE>(y * 11 + 2);
    pBgr[2] = static_cast<BYTE>((x + y) * 5 + 3);
}

// Reads a whole bitmap with GetDIBits at the given depth and row order.
std::vector<BYTE> ReadDib(HDC hdc, HBITMAP hBitmap, int iWidth, int iHeight, int iBitCount)
{
    BITMAPINFO info = MakeInfo(iWidth, iHeight, iBitCount);
    size_t cbRow = (static_cast<size_t>(iWidth) * (iBitCount / 8) + 3) & ~size_t(3);
    std::vector<BYTE> bits(cbRow * std::abs(iHeight), 0xee);
    int iLines = GetDIBits(hdc, hBitmap, 0, std::abs(iHeight), bits.data(), &info, DIB_RGB_COLORS);
    EXPECT_EQ(iLines, std::abs(iHeight));
    EXPECT_EQ(info.bmiHeader.biSizeImage, bits.size());
    return bits;
}

// Checks a DIB read back: every pixel at its place, and zero padding.
void ExpectPicture(const std::vector<BYTE>& bits, int iWidth, int iHeight, int iBitCount)
{
    size_t cbPixel = iBitCount / 8;
    size_t cbRow = (iWidth * cbPixel + 3) & ~size_t(3);
    for (int iRow = 0; iRow < std::abs(iHeight); ++iRow)
    {
        int y = iHeight > 0 ? iHeight - 1 - iRow : iRow;
        const BYTE* pRow = bits.data() + iRow * cbRow;
        for (int x = 0; x < iWidth; ++x)
        {
            BYTE expected[3];
            PixelAt(x, y, expected);
            ASSERT_EQ(std::memcmp(pRow + x * cbPixel, expected, 3), 0) << "pixel " << x << "," << y;
        }
        for (size_t i = iWidth * cbPixel; i < cbRow; ++i)
        {
            ASSERT_EQ(pRow[i], 0) << "padding of row " << iRow;
        }
    }
}

class GdiBitmapTest : public ::testing::Test
{
protected:
    void SetUp() override { m_hDC = CreateCompatibleDC(nullptr); }
    void TearDown() override { DeleteDC(m_hDC); }

    HDC m_hDC = nullptr;
};

} // namespace

TEST_F(GdiBitmapTest, SectionFilledByTheHostReadsBackUprightWithPaddedRows)
{
    // 7 pixels of 3 bytes: 21 bytes a row, stored as 24.
    const int iWidth = 7;
    const int iHeight = 5;
    BITMAPINFO info = MakeInfo(iWidth, iHeight, 24);
    void* pvBits = nullptr;
    HBITMAP hBitmap = CreateDIBSection(m_hDC, &info, DIB_RGB_COLORS, &pvBits, nullptr, 0);
    ASSERT_NE(hBitmap, nullptr);
    ASSERT_NE(pvBits, nullptr);
    for (int y = 0; y < iHeight; ++y)
    {
        // A positive height: the first row in memory is the bottom of the picture.
        BYTE* pRow = static_cast<BYTE*>(pvBits) + (iHeight - 1 - y) * 24;
        for (int x = 0; x < iWidth; ++x)
        {
            PixelAt(x, y, pRow + 3 * x);
        }
    }

    BITMAP bitmap{};
    ASSERT_EQ(GetObjectA(hBitmap, sizeof(bitmap), &bitmap), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(bitmap.bmWidth, iWidth);
    EXPECT_EQ(bitmap.bmHeight, iHeight);
    EXPECT_EQ(bitmap.bmWidthBytes, 24);
    EXPECT_EQ(bitmap.bmBitsPixel, 24);
    EXPECT_EQ(bitmap.bmBits, pvBits);

    // Asked with no bits and no depth, GetDIBits describes the bitmap.
    BITMAPINFO query{};
    query.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_NE(GetDIBits(m_hDC, hBitmap, 0, 0, nullptr, &query, DIB_RGB_COLORS), 0);
    EXPECT_EQ(query.bmiHeader.biWidth, iWidth);
    EXPECT_EQ(query.bmiHeader.biHeight, iHeight);
    EXPECT_EQ(query.bmiHeader.biBitCount, 24);
    EXPECT_EQ(query.bmiHeader.biSizeImage, 24u * iHeight);

    ExpectPicture(ReadDib(m_hDC, hBitmap, iWidth, iHeight, 24), iWidth, iHeight, 24);
    ExpectPicture(ReadDib(m_hDC, hBitmap, iWidth, -iHeight, 24), iWidth, -iHeight, 24);
    ExpectPicture(ReadDib(m_hDC, hBitmap, iWidth, iHeight, 32), iWidth, iHeight, 32);

    // A band of scan lines: scan line 0 is the bottom row.
    std::vector<BYTE> band(2 * 24);
    EXPECT_EQ(GetDIBits(m_hDC, hBitmap, 3, 9, band.data(), &info, DIB_RGB_COLORS), 2);
    BYTE expected[3];
    PixelAt(0, iHeight - 1 - 3, expected);
    EXPECT_EQ(std::memcmp(band.data(), expected, 3), 0);
    EXPECT_EQ(DeleteObject(hBitmap), TRUE);
}

TEST_F(GdiBitmapTest, DeviceBitmapTakesTopDownRowsPaddedToTwoBytes)
{
    // 3 pixels of 3 bytes: 9 bytes a row, given as 10.
    const int iWidth = 3;
    const int iHeight = 4;
    std::vector<BYTE> rows(10 * iHeight, 0);
    for (int y = 0; y < iHeight; ++y)
    {
        for (int x = 0; x < iWidth; ++x)
        {
            PixelAt(x, y, &rows[y * 10 + 3 * x]);
        }
    }
    HBITMAP hBitmap = CreateBitmap(iWidth, iHeight, 1, 24, rows.data());
    ASSERT_NE(hBitmap, nullptr);
    BITMAP bitmap{};
    ASSERT_NE(GetObjectA(hBitmap, sizeof(bitmap), &bitmap), 0);
    EXPECT_EQ(bitmap.bmWidthBytes, 10);
    EXPECT_EQ(bitmap.bmBits, nullptr);
    ExpectPicture(ReadDib(m_hDC, hBitmap, iWidth, iHeight, 24), iWidth, iHeight, 24);
    DeleteObject(hBitmap);

    // 32-bit pixels lose their fourth byte at 24 bits.
    std::vector<BYTE> wide(4 * 2 * 2);
    for (int i = 0; i < 4; ++i)
    {
        PixelAt(i % 2, i / 2, &wide[4 * i]);
        wide[4 * i + 3] = 0x99;
    }
    hBitmap = CreateBitmap(2, 2, 1, 32, wide.data());
    ASSERT_NE(hBitmap, nullptr);
    ExpectPicture(ReadDib(m_hDC, hBitmap, 2, 2, 24), 2, 2, 24);
    DeleteObject(hBitmap);
}

TEST_F(GdiBitmapTest, UnsupportedBitmapsAndDeadHandlesFail)
{
    EXPECT_EQ(CreateBitmap(8, 8, 1, 8, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(8, 8, 1, 16, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(8, 8, 2, 24, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(0, 8, 1, 24, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(-8, 8, 1, 24, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(100000, 100000, 1, 32, nullptr), nullptr);

    BITMAPINFO info = MakeInfo(8, 8, 24);
    void* pvBits = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_PAL_COLORS, &pvBits, nullptr, 0), nullptr);
    EXPECT_EQ(pvBits, nullptr);
    int iMapping = 0;
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pvBits, &iMapping, 0), nullptr);
    info.bmiHeader.biCompression = 3;
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pvBits, nullptr, 0), nullptr);
    info = MakeInfo(8, 0, 32);
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pvBits, nullptr, 0), nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &pvBits, nullptr, 0), nullptr);

    info = MakeInfo(8, -8, 32);
    HBITMAP hBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pvBits, nullptr, 0);
    ASSERT_NE(hBitmap, nullptr);
    std::vector<BYTE> bits(8 * 8 * 4);
    BITMAP bitmap{};
    EXPECT_EQ(GetObjectA(hBitmap, 0, nullptr), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(GetObjectA(hBitmap, sizeof(bitmap) - 1, &bitmap), 0);
    // The header must describe this bitmap, at a depth GetDIBits makes.
    BITMAPINFO other = MakeInfo(9, 8, 32);
    EXPECT_EQ(GetDIBits(m_hDC, hBitmap, 0, 8, bits.data(), &other, DIB_RGB_COLORS), 0);
    other = MakeInfo(8, 8, 16);
    EXPECT_EQ(GetDIBits(m_hDC, hBitmap, 0, 8, bits.data(), &other, DIB_RGB_COLORS), 0);
    other = MakeInfo(8, 8, 32);
    EXPECT_EQ(GetDIBits(nullptr, hBitmap, 0, 8, bits.data(), &other, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(m_hDC, hBitmap, 0, 8, bits.data(), nullptr, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(m_hDC, hBitmap, 8, 1, bits.data(), &other, DIB_RGB_COLORS), 0);

    // Deleted once, a handle is dead for every call.
    EXPECT_EQ(DeleteObject(hBitmap), TRUE);
    EXPECT_EQ(DeleteObject(hBitmap), FALSE);
    EXPECT_EQ(GetObjectA(hBitmap, sizeof(bitmap), &bitmap), 0);
    EXPECT_EQ(GetDIBits(m_hDC, hBitmap, 0, 8, bits.data(), &other, DIB_RGB_COLORS), 0);
    HDC hDead = CreateCompatibleDC(m_hDC);
    ASSERT_NE(hDead, nullptr);
    EXPECT_EQ(DeleteDC(hDead), TRUE);
    EXPECT_EQ(DeleteDC(hDead), FALSE);
    EXPECT_EQ(CreateCompatibleDC(hDead), nullptr);
    EXPECT_EQ(DeleteObject(nullptr), FALSE);
}

TEST(GdiScreenTest, ScreenSizeHasAStatedDefaultWithoutADisplay)
{
    std::string sDisplay = getenv("DISPLAY") != nullptr ? getenv("DISPLAY") : "";
    std::string sWayland = getenv("WAYLAND_DISPLAY") != nullptr ? getenv("WAYLAND_DISPLAY") : "";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
    EXPECT_EQ(GetSystemMetrics(42), 0);
    if (!sDisplay.empty())
    {
        setenv("DISPLAY", sDisplay.c_str(), 1);
    }
    if (!sWayland.empty())
    {
        setenv("WAYLAND_DISPLAY", sWayland.c_str(), 1);
    }
}
