#include "OrvTestSurface.h"
#include "OrvPi.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace orv::test::surface;

namespace
{
// Columns drawn on each row (first, last), or (-1, -1) for an untouched row.
std::vector<std::pair<int, int>> RowSpans(ORV_Surface& surface, uint32_t background = 0)
{
    std::vector<std::pair<int, int>> spans;
    for (int y = 0; y < surface.GetHeight(); ++y)
    {
        std::pair<int, int> span{-1, -1};
        for (int x = 0; x < surface.GetWidth(); ++x)
            if (At(surface, x, y) != background)
            {
                if (span.first < 0)
                    span.first = x;
                span.second = x;
            }
        spans.push_back(span);
    }
    return spans;
}

ORV_Surface CoordinateTexture(int w, int h)
{
    ORV_Surface texture(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            At(texture, x, y) = 0x00800000u | uint32_t(x << 8 | y);
    return texture;
}
} // namespace

TEST(Mapping, FillRuleLeavesOutTheTopAndLeftEdges)
{
    ORV_Surface texture = CoordinateTexture(16, 16);
    ORV_Surface dest(16, 16);
    dest.Clear();
    dest.Mapping(&texture, 0, 0, 10, 0, 0, 10, 0, 0, 10, 0, 0, 10, 0);
    const auto spans = RowSpans(dest);
    EXPECT_EQ(spans[0], std::make_pair(-1, -1));
    for (int y = 1; y <= 9; ++y)
        EXPECT_EQ(spans[size_t(y)], std::make_pair(1, 10 - y)) << y;
    EXPECT_EQ(spans[10], std::make_pair(-1, -1));
    EXPECT_EQ(At(dest, 3, 5), 0x00800305u); // u = x, v = y
    // Vertex order does not matter; a flat triangle draws nothing.
    ORV_Surface other(16, 16);
    other.Clear();
    other.Mapping(&texture, 0, 10, 0, 0, 10, 0, 0, 10, 0, 0, 10, 0, 0);
    EXPECT_EQ(Snapshot(other), Snapshot(dest));
    other.Clear();
    other.Mapping(&texture, 0, 4, 9, 4, 15, 4, 0, 0, 5, 5, 9, 9, 0);
    EXPECT_EQ(std::count(other.GetPixels(), other.GetPixels() + 256, 0u), 256);
}

TEST(Mapping, RowsStartByRoundingAndNegativeCoordinatesClip)
{
    ORV_Surface texture = CoordinateTexture(64, 64);
    ORV_Surface dest(8, 8);
    dest.Clear();
    // A triangle mostly off the surface: only the visible pixels change.
    dest.Mapping(&texture, -20.5f, -20.5f, 30.25f, -3.0f, -5.0f, 40.0f, 0, 0, 50, 17, 15, 60, 0);
    EXPECT_NE(At(dest, 0, 0), 0u);
    dest.Mapping(&texture, -1e30f, -1e30f, 1e30f, 5, 3, 1e30f, 0, 0, 1, 1, 2, 2, 1);
    dest.Mapping(&texture, NAN, 0, 4, 4, 0, 7, 0, 0, 1, 1, 2, 2, 1);

    // Texels outside the texture are not written; bilinear fetches use 1/256 texels.
    ORV_Surface white(4, 4);
    Fill(white, 0x00FFFFFF);
    dest.Clear();
    dest.Mapping(&white, 0, 0, 8, 0, 0, 8, 0, 0, 8, 0, 0, 8, 1);
    EXPECT_EQ(At(dest, 1, 1), 0x00FDFDFDu);
    EXPECT_EQ(At(dest, 3, 1), 0u); // u >> 8 beyond width - 2 fetches 0
    EXPECT_EQ(At(dest, 5, 1), 0u); // outside the texture: left as it was
}

TEST(Mapping, OpacityFormBlendsAndSkipsFaintPixels)
{
    ORV_Surface texture(8, 8), dest(8, 8);
    Fill(texture, 0x80FFFFFF);
    auto draw = [&](bool bAlpha, int opacity)
    {
        Fill(dest, 0x00204060);
        dest.Mapping(&texture, 0, 0, 8, 0, 0, 8, 0, 0, 8, 0, 0, 8, 0, bAlpha, opacity);
        return At(dest, 2, 2);
    };
    EXPECT_EQ(draw(false, 2), 0x00204060u);
    EXPECT_EQ(draw(false, 255), 0x00FEFEFEu);
    // a = (0x80 * 200) >> 8 = 100: (255 * 100 + d * 155) >> 8.
    EXPECT_EQ(draw(true, 200), 0x00768A9Du);
    EXPECT_EQ(draw(true, 5), 0x00204060u); // a = 2 < 3
    Fill(texture, 0x00FFFFFF);
    EXPECT_EQ(draw(true, 255), 0x00204060u); // texel alpha 0
}

TEST(Mapping, DepthBufferedFormTestsAndWritesIntegerDepth)
{
    ORV_Surface texture = CoordinateTexture(16, 16), dest(16, 16);
    std::vector<unsigned short> depth(256, 0xFFFF);
    dest.Clear();
    dest.MappingZB(depth.data(), &texture, 0, 0, 10, 0, 0, 10, 0, 0, 0.5f, 10, 0, 0.5f, 0, 10, 0.5f,
                   0);
    EXPECT_EQ(std::count(dest.GetPixels(), dest.GetPixels() + 256, 0u), 256);
    EXPECT_EQ(std::count(depth.begin(), depth.end(), 0xFFFF), 256);

    dest.MappingZB(depth.data(), &texture, 0, 0, 10, 0, 0, 10, 0, 0, 100, 10, 0, 100, 0, 10, 100,
                   0);
    EXPECT_EQ(At(dest, 3, 5), 0x00800305u);
    EXPECT_EQ(depth[3 + 5 * 16], 100);
    EXPECT_EQ(std::count(depth.begin(), depth.end(), 100), 45);

    // Farther pixels lose; nearer ones win and update the depth, texel or not.
    dest.MappingZB(depth.data(), &texture, 0, 0, 10, 0, 0, 10, 8, 8, 200, 8, 8, 200, 8, 8, 200, 0);
    EXPECT_EQ(At(dest, 3, 5), 0x00800305u);
    dest.MappingZB(depth.data(), &texture, 0, 0, 10, 0, 0, 10, 99, 99, 50, 99, 99, 50, 99, 99, 50,
                   0);
    EXPECT_EQ(At(dest, 3, 5), 0x00800305u);
    EXPECT_EQ(depth[3 + 5 * 16], 50);
}

TEST(Mapping, DrawSpriteCoversTheQuadWithoutItsBorderTexels)
{
    ORV_Surface texture(10, 10), dest(100, 100);
    Fill(texture, 0x00FFFFFF);
    dest.Clear();
    dest.DrawSprite(&texture, false, 50, 50, 1.0f, 0.0f, 255, false);
    const auto spans = RowSpans(dest);
    for (int y = 0; y < 100; ++y)
        EXPECT_EQ(spans[size_t(y)],
                  (y >= 47 && y <= 53) ? std::make_pair(47, 53) : std::make_pair(-1, -1))
            << y;
    EXPECT_EQ(At(dest, 50, 50), 0x00FEFEFEu);

    // Rotated by 90 degrees and zoomed by 2, with filtering and alpha: still a square.
    Fill(texture, 0xFFFFFFFF);
    dest.Clear();
    dest.DrawSprite(&texture, true, 50, 50, 2.0f, orv::fPi / 2, 255, true);
    const auto rotated = RowSpans(dest);
    EXPECT_EQ(rotated[50], std::make_pair(45, 58));
    EXPECT_NE(rotated[43].first, -1);
    EXPECT_NE(rotated[56].first, -1);
    EXPECT_EQ(rotated[41].first, -1);
    EXPECT_EQ(rotated[57].first, -1);
    dest.DrawSprite(&texture, true, 50, 50, 1e30f, 1.0f, 255, true);
    ORV_Surface empty;
    dest.DrawSprite(&empty, true, 50, 50, 1.0f, 0.0f, 255, true);
}
