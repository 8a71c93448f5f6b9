// Colours: conversion from and to packed ARGB, and the saturation and contrast adjustments.
#include "d3dx9math.h"

D3DXCOLOR::D3DXCOLOR(DWORD argb)
    : r(((argb >> 16) & 0xff) / 255.0f), g(((argb >> 8) & 0xff) / 255.0f),
      b((argb & 0xff) / 255.0f), a(((argb >> 24) & 0xff) / 255.0f)
{
}

D3DXCOLOR::operator DWORD() const
{
    auto channel = [](FLOAT f) -> DWORD
    {
        if (!(f > 0.0f))
            return 0;
        if (f >= 1.0f)
            return 0xff;
        return (DWORD)(f * 255.0f + 0.5f);
    };
    return (channel(a) << 24) | (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

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
