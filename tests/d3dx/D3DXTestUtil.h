#pragma once

// Shared pieces of the D3DX picture tests: a private shader cache, effects from text, and
// the full-screen rectangle of the post-process layers.
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "d3dx9.h"

#include <string>

// Points the shader cache at a fresh folder of its own for this test program.
const std::string& OrvTestShaderCache();

// Creates an effect from text; on failure returns null and puts the messages in sErrors.
ID3DXEffect* OrvMakeEffect(IDirect3DDevice9* pDevice, const std::string& sSource,
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

inline std::string OrvTestData(const char* pName)
{
    return std::string(ORV_TEST_SOURCE_DIR) + "/d3dx/data/" + pName;
}
