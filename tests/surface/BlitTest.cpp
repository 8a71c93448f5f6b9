#include "OrvTestSurface.h"

#include <gtest/gtest.h>

#include <functional>

using namespace orv::test::surface;

namespace
{
int Ch(uint32_t p, int k)
{
    return int((p >> (8 * k)) & 0xFF);
}

uint32_t Rgb(const std::function<int(int)>& channel)
{
    return uint32_t(channel(0)) | uint32_t(channel(1)) << 8 | uint32_t(channel(2)) << 16;
}

// Reference results of one source pixel s over d, straight from the pixel rules.
struct SReference
{
    std::function<bool(uint32_t)> skip;
    std::function<uint32_t(uint32_t, uint32_t)> apply;
};

bool Dark(uint32_t s)
{
    return Ch(s, 0) <= 10 && Ch(s, 1) <= 10 && Ch(s, 2) <= 10;
}
bool Zero(uint32_t s)
{
    return s == 0;
}
bool NotPositive(uint32_t s)
{
    return int32_t(s) <= 0;
}

SReference Copy()
{
    return {Dark, [](uint32_t s, uint32_t) { return s; }};
}
SReference Add()
{
    return {Zero, [](uint32_t s, uint32_t d)
            { return Rgb([&](int k) { return std::min(Ch(d, k) + Ch(s, k), 255); }); }};
}
SReference Scale(int f)
{
    return {Zero,
            [f](uint32_t s, uint32_t) { return Rgb([&](int k) { return Ch(s, k) * f / 256; }); }};
}
SReference AddScaled(int f)
{
    return {Zero, [f](uint32_t s, uint32_t d)
            { return Rgb([&](int k) { return std::min(Ch(d, k) + Ch(s, k) * f / 256, 255); }); }};
}
SReference Lighten(int f)
{
    return {NotPositive, [f](uint32_t s, uint32_t d)
            { return Rgb([&](int k) { return std::max(Ch(d, k), Ch(s, k) * f / 256); }); }};
}
SReference Alpha()
{
    return {[](uint32_t) { return false; },
            [](uint32_t s, uint32_t d)
            {
                const int a = int(s >> 24);
                return Rgb([&](int k) { return (Ch(s, k) * a + Ch(d, k) * (255 - a)) / 256; });
            }};
}

// The top-left blit of the whole source at (x, y), pixel by pixel in row order.
std::vector<uint32_t> ReferenceBlit(const ORV_Surface& dest, const ORV_Surface& source, int x,
                                    int y, const SReference& rule)
{
    std::vector<uint32_t> out = Snapshot(dest);
    for (int sy = 0; sy < source.GetHeight(); ++sy)
        for (int sx = 0; sx < source.GetWidth(); ++sx)
        {
            const int dx = x + sx, dy = y + sy;
            const uint32_t s = source.GetPixels()[sx + sy * source.GetWidth()];
            if (dx < 0 || dy < 0 || dx >= dest.GetWidth() || dy >= dest.GetHeight() || rule.skip(s))
                continue;
            uint32_t& d = out[size_t(dx + dy * dest.GetWidth())];
            d = rule.apply(s, d);
        }
    return out;
}
} // namespace

TEST(Blit, PixelRulesOfTheEdgeCases)
{
    ORV_Surface dest(2, 1), bob(1, 1);
    auto blit = [&](uint32_t s, uint32_t d, auto operation)
    {
        At(bob, 0, 0) = s;
        At(dest, 0, 0) = d;
        operation();
        return At(dest, 0, 0);
    };
    EXPECT_EQ(blit(0x000A0A0A, 1, [&] { dest.PutBob(&bob, 0, 0); }), 1u);
    EXPECT_EQ(blit(0xFF0A0A0B, 1, [&] { dest.PutBob(&bob, 0, 0); }), 0xFF0A0A0Bu);
    EXPECT_EQ(blit(0x00800000, 0x00A00010, [&] { dest.PutBobAdd(&bob, 0, 0); }), 0x00FF0010u);
    EXPECT_EQ(blit(0x00FF0000, 0x00400000, [&] { dest.PutBobIncMix(&bob, 0, 0, 128); }),
              0x007F0000u);
    EXPECT_EQ(blit(0x00FF0000, 0x00900000, [&] { dest.PutBobIncMix(&bob, 0, 0, 128); }),
              0x00900000u);
    EXPECT_EQ(blit(0x80FFFFFF, 0x00100000, [&] { dest.PutBobIncMix(&bob, 0, 0, 128); }),
              0x00100000u);
    EXPECT_EQ(blit(0x80FFFFFF, 0x00100000, [&] { dest.PutBobAddMix(&bob, 0, 0, 128); }),
              0x008F7F7Fu);
    EXPECT_EQ(blit(0xFF00FF00, 0, [&] { dest.PutBobAlpha(&bob, 0, 0); }), 0x0000FE00u);
    EXPECT_EQ(blit(0x00FFFFFF, 0x00FFFFFF, [&] { dest.PutBobAlpha(&bob, 0, 0); }), 0x00FEFEFEu);
    EXPECT_EQ(blit(0x00402010, 0x00FFFFFF, [&] { dest.PutBobMix(&bob, 0, 0, 256); }), 0x00402010u);
    EXPECT_EQ(blit(0x00402010, 0x00FFFFFF, [&] { dest.PutBobMix(&bob, 0, 0, 999); }), 0x00402010u);
    EXPECT_EQ(blit(0x00FFFFFF, 0, [&] { dest.PutBobAddByCenterMix(&bob, 0, 0, 999); }),
              0x00FEFEFEu);
    EXPECT_EQ(blit(0x00FFFFFF, 0, [&] { dest.PutBobAddMix(&bob, 0, 0, 999); }), 0x00FFFFFFu);
    EXPECT_EQ(blit(0x00FF8040, 0x00808080,
                   [&] { dest.PutBobSubZoomMix(&bob, 0, 0, 0, 0, 0, 0, 1, 1, 128); }),
              0x00014060u);
}

// The vector kernels must give the one-pixel-at-a-time results for every operation, on
// rows of every length and every clipping.
TEST(Blit, TopLeftBlitsMatchThePixelRulesAtEveryClipping)
{
    ORV_Surface dest(37, 9), bob(23, 7);
    struct SCase
    {
        const char* pName;
        std::function<void(int, int)> blit;
        SReference rule;
    };
    const SCase cases[] = {
        {"PutBob", [&](int x, int y) { dest.PutBob(&bob, x, y); }, Copy()},
        {"PutBobAdd", [&](int x, int y) { dest.PutBobAdd(&bob, x, y); }, Add()},
        {"PutBobMix", [&](int x, int y) { dest.PutBobMix(&bob, x, y, 77); }, Scale(77)},
        {"PutBobAddMix", [&](int x, int y) { dest.PutBobAddMix(&bob, x, y, 200); }, AddScaled(200)},
        {"PutBobIncMix", [&](int x, int y) { dest.PutBobIncMix(&bob, x, y, 255); }, Lighten(255)},
        {"PutBobAlpha", [&](int x, int y) { dest.PutBobAlpha(&bob, x, y); }, Alpha()},
    };
    const int positions[][2] = {{0, 0}, {3, 1}, {-5, -2}, {20, 5}, {-22, 0}, {36, 8}, {40, 0}};
    uint32_t seed = 1;
    for (const SCase& test : cases)
        for (const auto& position : positions)
        {
            SCOPED_TRACE(test.pName);
            FillRandom(dest, seed++);
            FillRandom(bob, seed++);
            for (int i = 0; i < 23 * 7; i += 5)
                bob.GetPixels()[i] &= (i % 2) ? 0x80070707 : 0;
            const std::vector<uint32_t> expected =
                ReferenceBlit(dest, bob, position[0], position[1], test.rule);
            test.blit(position[0], position[1]);
            ASSERT_EQ(Snapshot(dest), expected) << position[0] << "," << position[1];
        }
}

TEST(Blit, ASurfaceBlittedOntoItselfSeesItsOwnWrites)
{
    ORV_Surface surface(19, 3);
    FillRandom(surface, 11, 0x003F3F3F);
    ORV_Surface alias(surface);
    const std::vector<uint32_t> expected = ReferenceBlit(surface, alias, 1, 0, Add());
    // ReferenceBlit reads a snapshot; redo it in place to follow the row order.
    std::vector<uint32_t> inPlace = Snapshot(surface);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x + 1 < 19; ++x)
        {
            const uint32_t s = inPlace[size_t(x + y * 19)];
            if (s != 0)
                inPlace[size_t(x + 1 + y * 19)] = Add().apply(s, inPlace[size_t(x + 1 + y * 19)]);
        }
    surface.PutBobAdd(&alias, 1, 0);
    EXPECT_EQ(Snapshot(surface), inPlace);
    EXPECT_NE(Snapshot(surface), expected);
}

TEST(Blit, CentrePlacementTruncatesAndCulls)
{
    ORV_Surface dest(20, 20), bob(10, 10);
    Fill(bob, 0x00FFFFFF);
    auto covered = [&](auto operation)
    {
        dest.Clear();
        operation();
        int minX = 99, minY = 99, count = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                if (At(dest, x, y))
                {
                    minX = std::min(minX, x);
                    minY = std::min(minY, y);
                    ++count;
                }
        return std::make_tuple(minX, minY, count);
    };
    EXPECT_EQ(covered([&] { dest.PutBobByCenter(&bob, 5, 5); }), std::make_tuple(0, 0, 100));
    EXPECT_EQ(covered([&] { dest.PutBobByCenter(&bob, -6, 5); }), std::make_tuple(99, 99, 0));
    EXPECT_EQ(covered([&] { dest.PutBobByCenter(&bob, -4, 5); }), std::make_tuple(0, 0, 10));
    EXPECT_EQ(covered([&] { dest.PutBobByCenterAlpha(&bob, 10, 10); }), std::make_tuple(99, 99, 0));
    EXPECT_EQ(covered([&] { dest.PutBobAddByCenter(&bob, 24, 5); }), std::make_tuple(19, 0, 10));
    EXPECT_EQ(covered([&] { dest.PutBobAddByCenter(&bob, 26, 5); }), std::make_tuple(99, 99, 0));
    EXPECT_EQ(covered([&] { dest.PutBobByCenterMix(&bob, INT32_MAX, 5, 128); }),
              std::make_tuple(99, 99, 0));
}

TEST(Blit, ZoomReadsOneStepPastTheCornerAndStaysInTheSource)
{
    ORV_Surface dest(12, 12), bob(11, 11);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 11; ++x)
            At(bob, x, y) = 0x00100000u | uint32_t((x << 8) | (y + 20));
    dest.Clear();
    dest.PutBobZoom(&bob, 0, 0, 10, 10, 0, 0, 10, 10);
    EXPECT_EQ(At(dest, 0, 0), 0x00100115u);
    EXPECT_EQ(At(dest, 9, 9), 0x00100A1Eu);
    EXPECT_EQ(At(dest, 10, 10), 0u);

    // Halving: every other source pixel, starting one step in.
    dest.Clear();
    dest.PutBobAddZoom(&bob, 0, 0, 10, 10, 2, 2, 7, 7);
    EXPECT_EQ(At(dest, 2, 2), 0x00100216u);
    EXPECT_EQ(At(dest, 6, 6), 0x00100A1Eu);
    EXPECT_EQ(At(dest, 7, 7), 0u);

    // A source rectangle past the source's edge reads its edge pixels.
    dest.Clear();
    dest.PutBobZoom(&bob, 0, 0, 40, 40, 0, 0, 4, 4);
    EXPECT_EQ(At(dest, 3, 3), 0x00100A1Eu);
    dest.PutBobZoomMix(&bob, -50, -50, 5, 5, -1000000, -3, 1000000, 30, 128);
    dest.PutBobZoomByCenter(&bob, 6, 6, 1e30f);
    dest.PutBobSubZoomByCenterMix(&bob, 6, 6, -3.0f, 100);

    // Scaled centre: the whole source onto the scaled rectangle.
    dest.Clear();
    dest.PutBobZoomByCenter(&bob, 6, 6, 0.5f);
    // left = truncate(6 - 2.75) = 3, right = truncate(8.75) = 8: columns 3 .. 7.
    EXPECT_EQ(At(dest, 2, 5), 0u);
    EXPECT_NE(At(dest, 3, 5), 0u);
    EXPECT_NE(At(dest, 7, 5), 0u);
    EXPECT_EQ(At(dest, 8, 5), 0u);
    EXPECT_EQ(At(dest, 3, 3), 0x00100216u); // step (10 << 16) / 5 = 2.0 texels
}
