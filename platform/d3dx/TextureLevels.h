#pragma once

// The levels of a texture made from an image file, as D3DX makes them: sizes, level count
// and format resolved from the caller's choices and the file, then every level in that
// format, from the file's own levels where they fit and filtered down where they do not.
#include "ImageFile.h"

#include <functional>

struct SOrvTexturePlan
{
    UINT m_uWidth = 0;
    UINT m_uHeight = 0;
    UINT m_uLevels = 0;
    D3DFORMAT m_eFormat = D3DFMT_UNKNOWN;
    D3DCOLOR m_ColorKey = 0;
};

class COrvTextureLevels
{
public:
    // Which formats the device can hold in a texture.
    using CanStore = std::function<bool(D3DFORMAT)>;

    // Width, Height and MipLevels take D3DX's special values (0, D3DX_DEFAULT,
    // D3DX_DEFAULT_NONPOW2, D3DX_FROM_FILE); Format D3DFMT_UNKNOWN or D3DFMT_FROM_FILE keeps
    // the file's format where the device holds it. A format the device does not hold, or
    // that pixels cannot be written in, becomes D3DFMT_A8R8G8B8 (D3DFMT_X8R8G8B8 without alpha).
    static SOrvTexturePlan Plan(const SOrvImageSet& rImage, UINT uWidth, UINT uHeight,
                                UINT uMipLevels, DWORD dwUsage, D3DFORMAT eFormat,
                                D3DCOLOR colorKey, const CanStore& canStore);
    // Every level of the plan, tightly packed in its format. ColorKey turns matching pixels
    // into transparent black.
    static std::vector<SOrvImageLevel> Build(const SOrvImageSet& rImage,
                                             const SOrvTexturePlan& rPlan);

    // The pieces Build is made of, for the other kinds of textures: one image of the file
    // (a level, or a slice at pBytes) as RGBA, the colour key applied to RGBA, and RGBA
    // written in a format.
    static SOrvPixels ToPixels(const SOrvImageSet& rImage, const uint8_t* pBytes, UINT uWidth,
                               UINT uHeight);
    static void ApplyColorKey(SOrvPixels& rPixels, D3DCOLOR colorKey);
    static SOrvImageLevel Encode(const SOrvPixels& rPixels, D3DFORMAT eFormat);
    // Whether a size argument keeps the file's size (0, D3DX_DEFAULT, ..._NONPOW2, _FROM_FILE).
    static bool IsFileSize(UINT uSize);
    // The number of levels a mip-level argument asks for, given the full chain's length and
    // the file's: D3DX_FROM_FILE the file's (at most the full chain), 0 or D3DX_DEFAULT the
    // full chain, any other number at most the full chain.
    static UINT CountLevels(UINT uMipLevels, UINT uFullChain, size_t uFileLevels);
};
