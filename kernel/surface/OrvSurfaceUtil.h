#pragma once

// Arithmetic helpers shared by the surface routines (not exported).

#include <cmath>
#include <cstdint>

namespace orv::surface
{
// Float to int conversion as the processor's truncating conversion does it: toward zero,
// and INT32_MIN for NaN or any value outside the int range.
inline int32_t Trunc(double value)
{
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

// 32-bit wrapping arithmetic, as the fixed-point loops of the effects rely on.
inline int32_t WrapAdd(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrapSub(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t WrapMul(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

inline int Blue(uint32_t pixel)
{
    return static_cast<int>(pixel & 0xFF);
}
inline int Green(uint32_t pixel)
{
    return static_cast<int>((pixel >> 8) & 0xFF);
}
inline int Red(uint32_t pixel)
{
    return static_cast<int>((pixel >> 16) & 0xFF);
}
// The red channel as several routines read it: the upper 16 bits (alpha × 256 + red).
inline int RedWide(uint32_t pixel)
{
    return static_cast<int>(pixel >> 16);
}
inline int Alpha(uint32_t pixel)
{
    return static_cast<int>(pixel >> 24);
}

inline int ClampByte(int64_t value)
{
    return value < 0 ? 0 : (value > 255 ? 255 : static_cast<int>(value));
}

inline uint32_t MakeRGB(int red, int green, int blue)
{
    return (static_cast<uint32_t>(red) << 16) | (static_cast<uint32_t>(green) << 8) |
           static_cast<uint32_t>(blue);
}

inline int64_t Clamp64(int64_t value, int64_t low, int64_t high)
{
    return value < low ? low : (value > high ? high : value);
}
// The bilinear fetch at 1/256-pixel coordinates (x, y) of a width x height image, already
// known to lie inside it. Weights are 255 - f and f. All sums fit 32 unsigned bits, even
// for red read with the alpha above it: 255 × 255 × 65535 < 2^32.
inline uint32_t Bilinear256(const uint32_t* pPixels, int width, int x, int y)
{
    const uint32_t fx = x & 255, fy = y & 255;
    const uint32_t* p = pPixels + (x >> 8) + int64_t(y >> 8) * width;
    const uint32_t p00 = p[0], p10 = p[1], p01 = p[width], p11 = p[width + 1];
    auto mix = [fx, fy](uint32_t c00, uint32_t c10, uint32_t c01, uint32_t c11)
    {
        const uint32_t sum =
            (255 - fy) * ((255 - fx) * c00 + fx * c10) + fy * ((255 - fx) * c01 + fx * c11);
        const uint32_t value = sum >> 16;
        return value > 255 ? 255u : value;
    };
    const uint32_t blue = mix(p00 & 0xFF, p10 & 0xFF, p01 & 0xFF, p11 & 0xFF);
    const uint32_t green =
        mix((p00 >> 8) & 0xFF, (p10 >> 8) & 0xFF, (p01 >> 8) & 0xFF, (p11 >> 8) & 0xFF);
    const uint32_t red = mix(p00 >> 16, p10 >> 16, p01 >> 16, p11 >> 16);
    return (red << 16) | (green << 8) | blue;
}

inline bool BilinearInside(int width, int height, int x, int y)
{
    return x >= 0 && y >= 0 && (x >> 8) <= width - 2 && (y >> 8) <= height - 2;
}
} // namespace orv::surface
