#include "VolumeLevels.h"

#include "PixelFormats.h"

#include <algorithm>

namespace
{
// A volume as RGBA slices, front first.
using Slices = std::vector<SOrvPixels>;

// The largest side of a volume a plan asks for (the device's limit).
constexpr UINT MAX_VOLUME_SIDE = 2048;

UINT FullChain(UINT uWidth, UINT uHeight, UINT uDepth)
{
    UINT uLevels = 1;
    for (UINT uSize = std::max({uWidth, uHeight, uDepth}); uSize > 1; uSize >>= 1)
        ++uLevels;
    return uLevels;
}

Slices Decode(const SOrvImageSet& rImage, const SOrvImageLevel& rLevel)
{
    Slices slices;
    const size_t uSlice =
        orv::pixels::ImageSize(rImage.m_eFormat, rLevel.m_uWidth, rLevel.m_uHeight);
    for (UINT z = 0; z < rLevel.m_uDepth; ++z)
        slices.push_back(COrvTextureLevels::ToPixels(rImage, rLevel.m_auBytes.data() + z * uSlice,
                                                     rLevel.m_uWidth, rLevel.m_uHeight));
    return slices;
}

// The mean of some slices of the same size.
SOrvPixels Mean(const Slices& slices, UINT uFirst, UINT uEnd)
{
    SOrvPixels mean = slices[uFirst];
    if (uEnd - uFirst == 1)
        return mean;
    for (size_t i = 0; i < mean.m_auRgba.size(); ++i)
    {
        UINT uSum = 0;
        for (UINT z = uFirst; z < uEnd; ++z)
            uSum += slices[z].m_auRgba[i];
        mean.m_auRgba[i] = uint8_t((uSum + (uEnd - uFirst) / 2) / (uEnd - uFirst));
    }
    return mean;
}

// Each slice scaled to the new width and height, then the slices resampled to the new depth
// (boxes of slices when shrinking, the nearest slice when growing).
Slices Resize(const Slices& source, UINT uWidth, UINT uHeight, UINT uDepth)
{
    Slices scaled;
    for (const SOrvPixels& rSlice : source)
        scaled.push_back(COrvImageFile::Resize(rSlice, uWidth, uHeight));
    if (uDepth == scaled.size())
        return scaled;
    Slices result;
    const UINT uSource = UINT(scaled.size());
    for (UINT z = 0; z < uDepth; ++z)
    {
        const UINT uFirst = UINT(uint64_t(z) * uSource / uDepth);
        const UINT uEnd = std::max(uFirst + 1, UINT((uint64_t(z) + 1) * uSource / uDepth));
        result.push_back(Mean(scaled, uFirst, std::min(uEnd, uSource)));
    }
    return result;
}

// The next level: half of each side (at least 1), each texel the mean of a 2 x 2 x 2 box.
Slices Half(const Slices& source)
{
    Slices halves;
    for (const SOrvPixels& rSlice : source)
        halves.push_back(COrvImageFile::HalfSize(rSlice));
    Slices result;
    const UINT uDepth = UINT(halves.size());
    for (UINT z = 0; z < std::max(1u, uDepth / 2); ++z)
        result.push_back(Mean(halves, std::min(2 * z, uDepth - 1), std::min(2 * z + 2, uDepth)));
    return result;
}

SOrvImageLevel Encode(const Slices& slices, D3DFORMAT eFormat)
{
    SOrvImageLevel level = COrvTextureLevels::Encode(slices.front(), eFormat);
    for (size_t z = 1; z < slices.size(); ++z)
    {
        const SOrvImageLevel slice = COrvTextureLevels::Encode(slices[z], eFormat);
        level.m_auBytes.insert(level.m_auBytes.end(), slice.m_auBytes.begin(),
                               slice.m_auBytes.end());
    }
    level.m_uDepth = UINT(slices.size());
    return level;
}
} // namespace

SOrvVolumePlan COrvVolumeLevels::Plan(const SOrvImageSet& rImage, UINT uWidth, UINT uHeight,
                                      UINT uDepth, UINT uMipLevels, DWORD dwUsage,
                                      D3DFORMAT eFormat, D3DCOLOR colorKey,
                                      const COrvTextureLevels::CanStore& canStore)
{
    SOrvVolumePlan plan;
    static_cast<SOrvTexturePlan&>(plan) = COrvTextureLevels::Plan(
        rImage, uWidth, uHeight, uMipLevels, dwUsage, eFormat, colorKey, canStore);
    plan.m_uWidth = std::min(plan.m_uWidth, MAX_VOLUME_SIDE);
    plan.m_uHeight = std::min(plan.m_uHeight, MAX_VOLUME_SIDE);
    const UINT uFileDepth = rImage.m_aLevels.front().m_uDepth;
    plan.m_uDepth =
        std::min(COrvTextureLevels::IsFileSize(uDepth) ? uFileDepth : uDepth, MAX_VOLUME_SIDE);
    plan.m_uLevels = COrvTextureLevels::CountLevels(
        uMipLevels, FullChain(plan.m_uWidth, plan.m_uHeight, plan.m_uDepth),
        rImage.m_aLevels.size());
    return plan;
}

std::vector<SOrvImageLevel> COrvVolumeLevels::Build(const SOrvImageSet& rImage,
                                                    const SOrvVolumePlan& rPlan)
{
    std::vector<SOrvImageLevel> aLevels;
    const bool bRaw = rPlan.m_eFormat == rImage.m_eFormat && rPlan.m_ColorKey == 0;
    Slices previous; // the last level made, as RGBA, once needed
    bool bPreviousKnown = false;
    for (UINT uLevel = 0; uLevel < rPlan.m_uLevels; ++uLevel)
    {
        const UINT uWidth = std::max(1u, rPlan.m_uWidth >> uLevel);
        const UINT uHeight = std::max(1u, rPlan.m_uHeight >> uLevel);
        const UINT uDepth = std::max(1u, rPlan.m_uDepth >> uLevel);
        const bool bFromFile = uLevel < rImage.m_aLevels.size() &&
                               rImage.m_aLevels[uLevel].m_uWidth == uWidth &&
                               rImage.m_aLevels[uLevel].m_uHeight == uHeight &&
                               rImage.m_aLevels[uLevel].m_uDepth == uDepth;
        if (bFromFile && bRaw)
        {
            aLevels.push_back(rImage.m_aLevels[uLevel]);
            bPreviousKnown = false;
            continue;
        }
        if (bFromFile)
            previous = Decode(rImage, rImage.m_aLevels[uLevel]);
        else if (uLevel == 0)
            previous = Resize(Decode(rImage, rImage.m_aLevels[0]), uWidth, uHeight, uDepth);
        else
        {
            if (!bPreviousKnown)
                previous = Decode(rImage, rImage.m_aLevels[uLevel - 1]);
            previous = Half(previous);
        }
        if (bFromFile || uLevel == 0)
            for (SOrvPixels& rSlice : previous)
                COrvTextureLevels::ApplyColorKey(rSlice, rPlan.m_ColorKey);
        bPreviousKnown = true;
        aLevels.push_back(Encode(previous, rPlan.m_eFormat));
    }
    return aLevels;
}
