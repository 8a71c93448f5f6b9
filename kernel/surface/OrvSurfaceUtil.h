#pragma once

// Arithmetic helpers shared by the surface routines (not exported).

#include <cmath>
#include <cstdint>

namespace orv_surface
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
} // namespace orv_surface
