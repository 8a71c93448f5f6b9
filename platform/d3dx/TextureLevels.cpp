#include "TextureLevels.h"

#include "PixelFormats.h"

#include <algorithm>

namespace
{
UINT FullChain(UINT uWidth, UINT uHeight)
{
    UINT uLevels = 1;
    for (UINT uSize = std::max(uWidth, uHeight); uSize > 1; uSize >>= 1)
        ++uLevels;
    return uLevels;
}

// The format a texture of the file takes when the caller leaves the choice to D3DX.
D3DFORMAT NaturalFormat(const SOrvImageSet& rImage)
{
    if (rImage.m_Info.ImageFileFormat == D3DXIFF_DDS)
        return rImage.m_eFormat;
    const D3DFORMAT eFile = rImage.m_Info.Format;
    const bool bAlpha = rImage.m_bAlpha || (orv::pixels::HasAlpha(eFile) && eFile != D3DFMT_P8);
    return bAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
}

SOrvPixels LevelPixels(const SOrvImageSet& rImage, const SOrvImageLevel& rLevel)
{
    return COrvTextureLevels::ToPixels(rImage, rLevel.m_auBytes.data(), rLevel.m_uWidth,
                                       rLevel.m_uHeight);
}
} // namespace

bool COrvTextureLevels::IsFileSize(UINT uSize)
{
    return uSize == 0 || uSize == D3DX_DEFAULT || uSize == D3DX_DEFAULT_NONPOW2 ||
           uSize == D3DX_FROM_FILE;
}

UINT COrvTextureLevels::CountLevels(UINT uMipLevels, UINT uFullChain, size_t uFileLevels)
{
    if (uMipLevels == D3DX_FROM_FILE)
        return std::min<UINT>(uFullChain, UINT(uFileLevels));
    if (uMipLevels == 0 || uMipLevels == D3DX_DEFAULT)
        return uFullChain;
    return std::min(uMipLevels, uFullChain);
}

SOrvPixels COrvTextureLevels::ToPixels(const SOrvImageSet& rImage, const uint8_t* pBytes,
                                       UINT uWidth, UINT uHeight)
{
    SOrvPixels pixels;
    pixels.m_uWidth = uWidth;
    pixels.m_uHeight = uHeight;
    pixels.m_auRgba.resize(size_t(uWidth) * uHeight * 4);
    orv::pixels::ToRgba(rImage.m_eFormat, pBytes, uWidth, uHeight, rImage.m_aPalette.data(),
                        pixels.m_auRgba.data());
    return pixels;
}

void COrvTextureLevels::ApplyColorKey(SOrvPixels& rPixels, D3DCOLOR colorKey)
{
    if (colorKey == 0)
        return;
    const uint8_t a = uint8_t(colorKey >> 24), r = uint8_t(colorKey >> 16),
                  g = uint8_t(colorKey >> 8), b = uint8_t(colorKey);
    for (size_t i = 0; i < rPixels.m_auRgba.size(); i += 4)
    {
        uint8_t* p = &rPixels.m_auRgba[i];
        if (p[0] == r && p[1] == g && p[2] == b && p[3] == a)
            p[0] = p[1] = p[2] = p[3] = 0;
    }
}

SOrvImageLevel COrvTextureLevels::Encode(const SOrvPixels& rPixels, D3DFORMAT eFormat)
{
    SOrvImageLevel level;
    level.m_uWidth = rPixels.m_uWidth;
    level.m_uHeight = rPixels.m_uHeight;
    level.m_auBytes.resize(orv::pixels::ImageSize(eFormat, rPixels.m_uWidth, rPixels.m_uHeight));
    orv::pixels::FromRgba(eFormat, rPixels.m_auRgba.data(), rPixels.m_uWidth, rPixels.m_uHeight,
                          level.m_auBytes.data());
    return level;
}

SOrvTexturePlan COrvTextureLevels::Plan(const SOrvImageSet& rImage, UINT uWidth, UINT uHeight,
                                        UINT uMipLevels, DWORD dwUsage, D3DFORMAT eFormat,
                                        D3DCOLOR colorKey, const CanStore& canStore)
{
    SOrvTexturePlan plan;
    const SOrvImageLevel& rTop = rImage.m_aLevels.front();
    plan.m_uWidth = IsFileSize(uWidth) ? rTop.m_uWidth : std::min(uWidth, ORV_MAX_IMAGE_SIZE);
    plan.m_uHeight = IsFileSize(uHeight) ? rTop.m_uHeight : std::min(uHeight, ORV_MAX_IMAGE_SIZE);
    plan.m_uLevels =
        CountLevels(uMipLevels, FullChain(plan.m_uWidth, plan.m_uHeight), rImage.m_aLevels.size());
    if (dwUsage & D3DUSAGE_RENDERTARGET)
        plan.m_uLevels = 1;
    plan.m_ColorKey = colorKey;
    D3DFORMAT eChosen =
        eFormat == D3DFMT_UNKNOWN || eFormat == D3DFMT_FROM_FILE ? NaturalFormat(rImage) : eFormat;
    // A colour key needs a format with alpha.
    if (colorKey != 0 && !orv::pixels::HasAlpha(eChosen))
        eChosen = D3DFMT_A8R8G8B8;
    if (!orv::pixels::CanEncode(eChosen) || !canStore(eChosen))
        eChosen = orv::pixels::HasAlpha(eChosen) || !orv::pixels::IsKnown(eChosen)
                      ? D3DFMT_A8R8G8B8
                      : D3DFMT_X8R8G8B8;
    plan.m_eFormat = eChosen;
    return plan;
}

std::vector<SOrvImageLevel> COrvTextureLevels::Build(const SOrvImageSet& rImage,
                                                     const SOrvTexturePlan& rPlan)
{
    std::vector<SOrvImageLevel> aLevels;
    const bool bRaw = rPlan.m_eFormat == rImage.m_eFormat && rPlan.m_ColorKey == 0;
    SOrvPixels previous; // the last level made, as RGBA, once needed
    bool bPreviousKnown = false;
    for (UINT uLevel = 0; uLevel < rPlan.m_uLevels; ++uLevel)
    {
        const UINT uWidth = std::max(1u, rPlan.m_uWidth >> uLevel);
        const UINT uHeight = std::max(1u, rPlan.m_uHeight >> uLevel);
        const bool bFromFile = uLevel < rImage.m_aLevels.size() &&
                               rImage.m_aLevels[uLevel].m_uWidth == uWidth &&
                               rImage.m_aLevels[uLevel].m_uHeight == uHeight;
        if (bFromFile && bRaw)
        {
            aLevels.push_back(rImage.m_aLevels[uLevel]);
            bPreviousKnown = false;
            continue;
        }
        if (bFromFile)
            previous = LevelPixels(rImage, rImage.m_aLevels[uLevel]);
        else if (uLevel == 0)
            previous =
                COrvImageFile::Resize(LevelPixels(rImage, rImage.m_aLevels[0]), uWidth, uHeight);
        else
        {
            if (!bPreviousKnown)
                previous = LevelPixels(rImage, rImage.m_aLevels[uLevel - 1]);
            previous = COrvImageFile::HalfSize(previous);
        }
        if (bFromFile || uLevel == 0)
            ApplyColorKey(previous, rPlan.m_ColorKey);
        bPreviousKnown = true;
        aLevels.push_back(Encode(previous, rPlan.m_eFormat));
    }
    return aLevels;
}
