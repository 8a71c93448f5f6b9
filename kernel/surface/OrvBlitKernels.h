#pragma once

// Per-pixel operations of the blits and the row kernels that apply them (not exported).
// The pixel functions have internal linkage so that the copy compiled for AVX2 stays in
// its own file.

#include <cstdint>

namespace orv::surface
{
// What a blit writes for a source pixel s over a destination pixel d.
enum class EBlitOp
{
    Copy,      // s, alpha included
    Add,       // min(d + s, 255) per channel
    Scale,     // s * f / 256
    AddScaled, // min(d + s * f / 256, 255)
    SubScaled, // max(d - s * f / 256, 0)
    Lighten,   // max(d, s * f / 256)
    Alpha,     // (s * a + d * (255 - a)) / 256 with a = the source's alpha
};

// Which source pixels a blit leaves out.
enum class ESkip
{
    Dark,        // blue, green and red all <= 10
    Zero,        // the value 0
    NotPositive, // <= 0 as a signed value (zero, or alpha 128 or more)
    None,
};

static inline bool SkipPixel(ESkip skip, uint32_t s)
{
    switch (skip)
    {
    case ESkip::Dark:
        return (s & 0xFF) <= 10 && ((s >> 8) & 0xFF) <= 10 && ((s >> 16) & 0xFF) <= 10;
    case ESkip::Zero:
        return s == 0;
    case ESkip::NotPositive:
        return static_cast<int32_t>(s) <= 0;
    case ESkip::None:
        break;
    }
    return false;
}

// Applies fn to the blue, green and red channels of s and d; alpha of the result is 0.
template <typename F> static inline uint32_t PerChannel(uint32_t s, uint32_t d, F fn)
{
    uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8)
        result |= uint32_t(fn(int((s >> shift) & 0xFF), int((d >> shift) & 0xFF))) << shift;
    return result;
}

// f is 0 .. 256; each scaled channel is (c * f) >> 8, truncated.
static inline uint32_t ApplyPixel(EBlitOp op, uint32_t s, uint32_t d, int f)
{
    auto scale = [f](int c) { return (c * f) >> 8; };
    switch (op)
    {
    case EBlitOp::Copy:
        return s;
    case EBlitOp::Add:
        return PerChannel(s, d, [](int cs, int cd) { return cs + cd > 255 ? 255 : cs + cd; });
    case EBlitOp::Scale:
        return PerChannel(s, d, [&](int cs, int) { return scale(cs); });
    case EBlitOp::AddScaled:
        return PerChannel(s, d,
                          [&](int cs, int cd)
                          {
                              const int v = cd + scale(cs);
                              return v > 255 ? 255 : v;
                          });
    case EBlitOp::SubScaled:
        return PerChannel(s, d,
                          [&](int cs, int cd)
                          {
                              const int v = cd - scale(cs);
                              return v < 0 ? 0 : v;
                          });
    case EBlitOp::Lighten:
        return PerChannel(s, d,
                          [&](int cs, int cd)
                          {
                              const int v = scale(cs);
                              return v > cd ? v : cd;
                          });
    case EBlitOp::Alpha:
    {
        const int a = int(s >> 24);
        return PerChannel(s, d, [a](int cs, int cd) { return (cs * a + cd * (255 - a)) >> 8; });
    }
    }
    return d;
}

using RowFunction = void (*)(const uint32_t* pSource, uint32_t* pDest, int n, int f);

// The vector row kernel for an operation, for processors with AVX2 (OrvBlitKernelsAvx2.cpp).
RowFunction SelectRowAvx2(EBlitOp op, ESkip skip);

// Blends n source pixels onto n destination pixels in order, as the scalar loop would
// (a destination that overlaps the source behind it sees the pixels already written).
void BlitRow(EBlitOp op, ESkip skip, int f, const uint32_t* pSource, uint32_t* pDest, int n);
} // namespace orv::surface
