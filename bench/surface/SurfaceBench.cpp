// Blits and textured triangles on 1024 x 1024 surfaces, next to memcpy of the same bytes
// and pixman's OVER and ADD composites of the same pixels.

#include "OrvKernel.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstring>
#include <random>

namespace
{
constexpr int kSize = 1024;
constexpr int64_t kBytes = int64_t(kSize) * kSize * 4;

void FillRandom(ORV_Surface& surface, uint32_t seed, uint32_t orMask = 0)
{
    std::mt19937 random(seed);
    for (int i = 0; i < surface.GetWidth() * surface.GetHeight(); ++i)
        surface.GetPixels()[i] = random() | orMask;
}

// A source and a destination of kSize x kSize with random pixels.
struct SPair
{
    SPair() : source(kSize, kSize), dest(kSize, kSize)
    {
        FillRandom(source, 1, 0x00808080); // bright: every colour-keyed pixel is drawn
        FillRandom(dest, 2);
    }
    ORV_Surface source;
    ORV_Surface dest;
};

void Bytes(benchmark::State& state)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * kBytes);
}

void BM_Memcpy(benchmark::State& state)
{
    SPair pair;
    for (auto _ : state)
    {
        std::memcpy(pair.dest.GetPixels(), pair.source.GetPixels(), size_t(kBytes));
        benchmark::ClobberMemory();
    }
    Bytes(state);
}
BENCHMARK(BM_Memcpy);

void BM_SurfaceCopy(benchmark::State& state)
{
    SPair pair;
    for (auto _ : state)
    {
        pair.dest.Copy(&pair.source);
        benchmark::ClobberMemory();
    }
    Bytes(state);
}
BENCHMARK(BM_SurfaceCopy);

void BM_PutBob(benchmark::State& state)
{
    SPair pair;
    for (auto _ : state)
    {
        pair.dest.PutBob(&pair.source, 0, 0);
        benchmark::ClobberMemory();
    }
    Bytes(state);
}
BENCHMARK(BM_PutBob);

void BM_PutBobAlpha(benchmark::State& state)
{
    SPair pair;
    for (auto _ : state)
    {
        pair.dest.PutBobAlpha(&pair.source, 0, 0);
        benchmark::ClobberMemory();
    }
    Bytes(state);
}
BENCHMARK(BM_PutBobAlpha);

void BM_PutBobAdd(benchmark::State& state)
{
    SPair pair;
    for (auto _ : state)
    {
        pair.dest.PutBobAdd(&pair.source, 0, 0);
        benchmark::ClobberMemory();
    }
    Bytes(state);
}
BENCHMARK(BM_PutBobAdd);

void BM_PutBobAddMix(benchmark::State& state)
{
    SPair pair;
    for (auto _ : state)
    {
        pair.dest.PutBobAddMix(&pair.source, 0, 0, 100);
        benchmark::ClobberMemory();
    }
    Bytes(state);
}
BENCHMARK(BM_PutBobAddMix);

void PixmanComposite(benchmark::State& state, pixman_op_t op)
{
    SPair pair;
    pixman_image_t* pSource =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, kSize, kSize, pair.source.GetPixels(), kSize * 4);
    pixman_image_t* pDest =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, kSize, kSize, pair.dest.GetPixels(), kSize * 4);
    for (auto _ : state)
    {
        pixman_image_composite32(op, pSource, nullptr, pDest, 0, 0, 0, 0, 0, 0, kSize, kSize);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(pSource);
    pixman_image_unref(pDest);
    Bytes(state);
}

void BM_PixmanOver(benchmark::State& state)
{
    PixmanComposite(state, PIXMAN_OP_OVER);
}
BENCHMARK(BM_PixmanOver);

void BM_PixmanAdd(benchmark::State& state)
{
    PixmanComposite(state, PIXMAN_OP_ADD);
}
BENCHMARK(BM_PixmanAdd);

// Two triangles covering the whole destination from a 256 x 256 texture; the rate is in
// destination pixels.
void BM_MappingFullScreen(benchmark::State& state)
{
    ORV_Surface texture(256, 256), dest(kSize, kSize);
    FillRandom(texture, 3);
    const int filter = int(state.range(0));
    const float e = float(kSize);
    for (auto _ : state)
    {
        dest.Mapping(&texture, 0, 0, e, 0, e, e, 0, 0, 255, 0, 255, 255, filter);
        dest.Mapping(&texture, 0, 0, 0, e, e, e, 0, 0, 0, 255, 255, 255, filter);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kSize * kSize);
}
BENCHMARK(BM_MappingFullScreen)->Arg(0)->Arg(1);

void BM_MappingOpacity(benchmark::State& state)
{
    ORV_Surface texture(256, 256), dest(kSize, kSize);
    FillRandom(texture, 4);
    const float e = float(kSize);
    for (auto _ : state)
    {
        dest.Mapping(&texture, 0, 0, e, 0, e, e, 0, 0, 255, 0, 255, 255, 0, true, 200);
        dest.Mapping(&texture, 0, 0, 0, e, e, e, 0, 0, 0, 255, 255, 255, 0, true, 200);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kSize * kSize);
}
BENCHMARK(BM_MappingOpacity);

// Many small rotated sprites, as an effect would draw them.
void BM_DrawSprite(benchmark::State& state)
{
    ORV_Surface texture(64, 64), dest(kSize, kSize);
    FillRandom(texture, 5);
    int64_t pixels = 0;
    for (auto _ : state)
    {
        for (int i = 0; i < 256; ++i)
            dest.DrawSprite(&texture, true, float(64 + (i * 37) % 900), float(64 + (i * 91) % 900),
                            1.5f, float(i) * 0.1f, 220, true);
        pixels += 256 * 62 * 62 * 9 / 4; // covered area of each sprite, about
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(pixels);
}
BENCHMARK(BM_DrawSprite);

// An effect made for the 512 x 256 layout.
void BM_RadialBlur512x256(benchmark::State& state)
{
    ORV_Surface surface(512, 256);
    FillRandom(surface, 6, 0);
    for (auto _ : state)
    {
        surface.RadialBlur(256, 128, 0.2f);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 512 * 256);
}
BENCHMARK(BM_RadialBlur512x256);
} // namespace
