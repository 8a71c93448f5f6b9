#include "ImageFile.h"
#include "d3dx9tex.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

namespace
{
const std::string s_sData = std::string(ORV_TEST_SOURCE_DIR) + "/d3dx/data/";

// The pixels the test images were written with.
std::array<uint8_t, 4> Expected(UINT x, UINT y)
{
    return {uint8_t(x * 40), uint8_t(y * 60), uint8_t(200 - x * 10 - y * 5),
            uint8_t(255 - x * 20 - y * 3)};
}

std::array<uint8_t, 4> At(const SOrvPixels& image, UINT x, UINT y)
{
    const uint8_t* p = &image.m_auRgba[(size_t(y) * image.m_uWidth + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}
} // namespace

TEST(ImageFile, OddSizedPngAndBmpGiveTheirTexels)
{
    SOrvPixels png;
    std::string sError;
    ASSERT_TRUE(COrvImageFile::Load(s_sData + "odd5x3.png", png, sError)) << sError;
    EXPECT_EQ(png.m_uWidth, 5u);
    EXPECT_EQ(png.m_uHeight, 3u);
    EXPECT_EQ(png.m_iFileChannels, 4);
    EXPECT_EQ(png.m_iFileFormat, D3DXIFF_PNG);
    for (UINT y = 0; y < 3; ++y)
        for (UINT x = 0; x < 5; ++x)
            ASSERT_EQ(At(png, x, y), Expected(x, y)) << x << "," << y;

    SOrvPixels bmp;
    ASSERT_TRUE(COrvImageFile::Load(s_sData + "odd7x5.bmp", bmp, sError)) << sError;
    EXPECT_EQ(bmp.m_uWidth, 7u);
    EXPECT_EQ(bmp.m_uHeight, 5u);
    EXPECT_EQ(bmp.m_iFileChannels, 3);
    EXPECT_EQ(bmp.m_iFileFormat, D3DXIFF_BMP);
    for (UINT y = 0; y < 5; ++y)
        for (UINT x = 0; x < 7; ++x)
        {
            std::array<uint8_t, 4> expected = Expected(x, y);
            expected[3] = 255;
            ASSERT_EQ(At(bmp, x, y), expected) << x << "," << y << " (top row first)";
        }
}

TEST(ImageFile, SavedPngAndBmpReadBackUnchanged)
{
    SOrvPixels image;
    std::string sError;
    ASSERT_TRUE(COrvImageFile::Load(s_sData + "odd5x3.png", image, sError));
    std::string sDir = testing::TempDir();
    for (bool bPng : {true, false})
    {
        std::string sFile = sDir + (bPng ? "/saved.png" : "/saved.bmp");
        ASSERT_TRUE(COrvImageFile::Save(sFile, image, bPng));
        SOrvPixels again;
        ASSERT_TRUE(COrvImageFile::Load(sFile, again, sError)) << sError;
        EXPECT_EQ(again.m_iFileFormat, bPng ? D3DXIFF_PNG : D3DXIFF_BMP);
        EXPECT_EQ(again.m_auRgba, image.m_auRgba);
        std::filesystem::remove(sFile);
    }
}

TEST(ImageFile, ScalingAndMipLevelsAverage)
{
    SOrvPixels image;
    image.m_uWidth = 3;
    image.m_uHeight = 1;
    image.m_auRgba = {0, 0, 0, 255, 90, 90, 90, 255, 30, 30, 30, 255};
    SOrvPixels half = COrvImageFile::HalfSize(image);
    EXPECT_EQ(half.m_uWidth, 1u);
    EXPECT_EQ(half.m_uHeight, 1u);
    EXPECT_EQ(half.m_auRgba[0], 45); // the 2x2 block at the top left, clamped at the edge
    SOrvPixels wide = COrvImageFile::Resize(image, 6, 2);
    EXPECT_EQ(wide.m_uWidth, 6u);
    EXPECT_EQ(At(wide, 0, 0)[0], 0);
    EXPECT_EQ(At(wide, 5, 1)[0], 30);
    SOrvPixels narrow = COrvImageFile::Resize(image, 1, 1);
    EXPECT_EQ(narrow.m_auRgba[0], 40); // mean of 0, 90, 30
}

TEST(ImageFile, BrokenFilesFail)
{
    SOrvPixels image;
    std::string sError;
    EXPECT_FALSE(COrvImageFile::Load(s_sData + "truncated.png", image, sError));
    EXPECT_FALSE(sError.empty());
    EXPECT_FALSE(COrvImageFile::Load(s_sData + "missing.png", image, sError));
    EXPECT_FALSE(COrvImageFile::Load(s_sData + "twomaterials.x", image, sError));
    const char acHuge[] =
        "BM\x36\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\xff\xff\xff\x0f\x01\0\0\0\x01\0\x18\0";
    EXPECT_FALSE(COrvImageFile::Decode(acHuge, sizeof acHuge, image, sError));
}
