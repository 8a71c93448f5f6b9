// Colour adjustments and 16-bit floats.
#include "d3dx9math.h"

#include <cstring>

D3DXCOLOR* D3DXColorAdjustSaturation(D3DXCOLOR* pOut, const D3DXCOLOR* pC, FLOAT s)
{
    const FLOAT grey = pC->r * 0.2125f + pC->g * 0.7154f + pC->b * 0.0721f;
    *pOut = D3DXCOLOR(grey + s * (pC->r - grey), grey + s * (pC->g - grey),
                      grey + s * (pC->b - grey), pC->a);
    return pOut;
}

D3DXCOLOR* D3DXColorAdjustContrast(D3DXCOLOR* pOut, const D3DXCOLOR* pC, FLOAT c)
{
    *pOut = D3DXCOLOR(0.5f + c * (pC->r - 0.5f), 0.5f + c * (pC->g - 0.5f),
                      0.5f + c * (pC->b - 0.5f), pC->a);
    return pOut;
}

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
