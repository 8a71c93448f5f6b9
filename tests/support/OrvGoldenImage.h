#pragma once

// Golden-image comparison for pictures drawn by the OpenGL device.
// Images are RGBA, 8 bits per channel, top row first. A golden image lives in
// tests/golden/<name>.png. On a mismatch the actual picture and a difference picture
// (differing pixels in red over a dimmed copy) are written to the test's working
// directory as <name>.actual.png and <name>.diff.png. With ORV_UPDATE_GOLDEN=1 in the
// environment a missing or different golden image is (re)written instead of failing.
#include "d3d9.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

struct SOrvImage
{
    UINT m_uWidth = 0;
    UINT m_uHeight = 0;
    std::vector<uint8_t> m_aRGBA;

    // Pixel as 0xAARRGGBB.
    uint32_t At(UINT x, UINT y) const;
};

// Reads a colour surface (a render target or the back buffer) through GetRenderTargetData.
bool OrvReadSurface(IDirect3DDevice9* pDevice, IDirect3DSurface9* pSurface, SOrvImage& rImage);
// Reads render target 0.
bool OrvReadRenderTarget(IDirect3DDevice9* pDevice, SOrvImage& rImage);

bool OrvWritePNG(const std::string& sPath, const SOrvImage& rImage);
bool OrvLoadPNG(const std::string& sPath, SOrvImage& rImage);

// Compares with tests/golden/<name>.png: every channel of every pixel within tolerance.
::testing::AssertionResult OrvMatchesGolden(const SOrvImage& rImage, const std::string& sName,
                                            int iTolerance = 3);
