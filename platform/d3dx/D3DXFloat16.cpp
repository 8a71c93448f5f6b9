// 16-bit floats: conversion of one value and of arrays.
#include "d3dx9math.h"

#include <cstring>

namespace
{
constexpr uint32_t s_uLargestHalf = 0x47ffe000;    // 131008 as a float's bits
constexpr uint32_t s_uSmallestNormal = 0x38800000; // 2^-14

WORD ToHalf(FLOAT f)
{
    uint32_t u = 0;
    std::memcpy(&u, &f, 4);
    const WORD wSign = WORD((u >> 16) & 0x8000);
    u &= 0x7fffffff;
    if (u >= s_uLargestHalf) // also infinities and NaNs
        return WORD(wSign | 0x7fff);
    if (u < s_uSmallestNormal)
    {
        // Multiples of 2^-24, exact in a float, rounded to the nearest even one.
        FLOAT fMagnitude = 0.0f;
        std::memcpy(&fMagnitude, &u, 4);
        return WORD(wSign | WORD(std::nearbyint(fMagnitude * 16777216.0f)));
    }
    // Drop 13 mantissa bits, rounding half to even; a carry moves into the exponent.
    u += 0x0fff + ((u >> 13) & 1);
    return WORD(wSign | ((u >> 13) - ((127 - 15) << 10)));
}

FLOAT FromHalf(WORD w)
{
    const FLOAT fSign = (w & 0x8000) ? -1.0f : 1.0f;
    const int iExponent = (w >> 10) & 0x1f;
    const FLOAT fMantissa = FLOAT(w & 0x3ff);
    if (iExponent == 0)
        return fSign * std::ldexp(fMantissa, -24);
    return fSign * std::ldexp(1024.0f + fMantissa, iExponent - 25);
}
} // namespace

D3DXFLOAT16::D3DXFLOAT16(FLOAT f) : value(ToHalf(f)) {}

D3DXFLOAT16::operator FLOAT() const
{
    return FromHalf(value);
}

D3DXFLOAT16* D3DXFloat32To16Array(D3DXFLOAT16* pOut, const FLOAT* pIn, UINT n)
{
    for (UINT i = 0; i < n; ++i)
        pOut[i].value = ToHalf(pIn[i]);
    return pOut;
}

FLOAT* D3DXFloat16To32Array(FLOAT* pOut, const D3DXFLOAT16* pIn, UINT n)
{
    for (UINT i = 0; i < n; ++i)
        pOut[i] = FromHalf(pIn[i].value);
    return pOut;
}
