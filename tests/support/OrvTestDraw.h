#pragma once

// Drawing helpers of the device and D3DX tests and benchmarks: vertex layouts, screen-space
// and full-screen rectangles, generated textures, effects from text.
#include "d3d9.h"
#include "d3dx9.h"

#include <cstring>
#include <string>

struct SScreenVertex // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1
{
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD SCREEN_FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct SLitVertex // D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1
{
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
constexpr DWORD LIT_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

// A screen-space rectangle as a two-triangle strip, Direct3D's -0.5 offset applied.
inline void ScreenQuad(SScreenVertex* pOut, float fLeft, float fTop, float fRight, float fBottom,
                       D3DCOLOR color, float fZ = 0.5f)
{
    const float l = fLeft - 0.5f, t = fTop - 0.5f, r = fRight - 0.5f, b = fBottom - 0.5f;
    pOut[0] = {l, t, fZ, 1.f, color, 0.f, 0.f};
    pOut[1] = {r, t, fZ, 1.f, color, 1.f, 0.f};
    pOut[2] = {l, b, fZ, 1.f, color, 0.f, 1.f};
    pOut[3] = {r, b, fZ, 1.f, color, 1.f, 1.f};
}

inline DWORD FloatBits(float f)
{
    DWORD dw;
    std::memcpy(&dw, &f, 4);
    return dw;
}

// A managed A8R8G8B8 texture filled by a function of (x, y) giving 0xAARRGGBB.
template <class F>
COrvComPtr<IDirect3DTexture9> MakeTexture(IDirect3DDevice9* pDevice, UINT uWidth, UINT uHeight,
                                          F fill)
{
    COrvComPtr<IDirect3DTexture9> pTexture;
    if (FAILED(pDevice->CreateTexture(uWidth, uHeight, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                      pTexture.ReleaseAndGetAddressOf(), nullptr)))
        return nullptr;
    D3DLOCKED_RECT locked;
    if (FAILED(pTexture->LockRect(0, &locked, nullptr, 0)))
        return nullptr;
    for (UINT y = 0; y < uHeight; ++y)
    {
        DWORD* pRow = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < uWidth; ++x)
            pRow[x] = fill(x, y);
    }
    pTexture->UnlockRect(0);
    return pTexture;
}

// Render states that make a screen-space draw show its vertex colour unchanged.
inline void PlainScreenStates(IDirect3DDevice9* pDevice)
{
    pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    pDevice->SetFVF(SCREEN_FVF);
}

// Creates an effect from text; on failure returns null and puts the messages in *pErrors.
COrvComPtr<ID3DXEffect> OrvMakeEffect(IDirect3DDevice9* pDevice, const std::string& sSource,
                                      std::string* pErrors = nullptr);

// Clip-space rectangle over the whole target: XYZW + one texture coordinate pair (0x4102).
struct SClipVertex
{
    float x, y, z, w;
    float u, v;
};
constexpr DWORD CLIP_FVF = D3DFVF_XYZW | D3DFVF_TEX1;
void OrvDrawFullScreen(IDirect3DDevice9* pDevice);

// Runs every pass of the current technique around a draw function.
template <class F> void OrvRunPasses(ID3DXEffect* pEffect, F draw)
{
    UINT uPasses = 0;
    pEffect->Begin(&uPasses, 0);
    for (UINT p = 0; p < uPasses; ++p)
    {
        pEffect->BeginPass(p);
        draw();
        pEffect->EndPass();
    }
    pEffect->End();
}
template <class F> void OrvRunPasses(const COrvComPtr<ID3DXEffect>& effect, F draw)
{
    OrvRunPasses(effect.Get(), draw);
}

// A file of an area's checked-in test data: tests/<area>/data/<name>.
inline std::string OrvTestData(const std::string& sArea, const std::string& sName)
{
    return std::string(ORV_TEST_SOURCE_DIR) + "/" + sArea + "/data/" + sName;
}
