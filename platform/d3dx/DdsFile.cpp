#include "DdsFile.h"

#include "PixelFormats.h"

#include <algorithm>
#include <cstring>

namespace
{
// The header's flags and capabilities.
constexpr uint32_t DDSD_MIPMAPCOUNT = 0x20000;
constexpr uint32_t DDSD_DEPTH = 0x800000;
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1;
constexpr uint32_t DDPF_ALPHA = 0x2;
constexpr uint32_t DDPF_FOURCC = 0x4;
constexpr uint32_t DDPF_PALETTEINDEXED8 = 0x20;
constexpr uint32_t DDPF_RGB = 0x40;
constexpr uint32_t DDPF_LUMINANCE = 0x20000;
constexpr uint32_t DDSCAPS_MIPMAP = 0x400000;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200;
constexpr uint32_t DDSCAPS2_CUBEMAP_POSITIVEX = 0x400; // then -X, +Y, -Y, +Z, -Z
constexpr uint32_t DDSCAPS2_CUBEMAP_ALLFACES = 0xFC00;
constexpr uint32_t DDSCAPS2_VOLUME = 0x200000;
constexpr size_t HEADER_BYTES = 4 + 124;
constexpr UINT MAX_DEPTH = 2048;

uint32_t Dword(const uint8_t* p, size_t uOffset)
{
    uint32_t uValue = 0;
    std::memcpy(&uValue, p + uOffset, 4);
    return uValue;
}

struct SHeader
{
    uint32_t m_uFlags, m_uHeight, m_uWidth, m_uDepth, m_uMipCount;
    uint32_t m_uPixelFlags, m_uFourCC, m_uBits, m_auMasks[4];
    uint32_t m_uCaps, m_uCaps2;
};

SHeader ReadHeader(const uint8_t* p)
{
    SHeader header{};
    header.m_uFlags = Dword(p, 8);
    header.m_uHeight = Dword(p, 12);
    header.m_uWidth = Dword(p, 16);
    header.m_uDepth = Dword(p, 24);
    header.m_uMipCount = Dword(p, 28);
    header.m_uPixelFlags = Dword(p, 80);
    header.m_uFourCC = Dword(p, 84);
    header.m_uBits = Dword(p, 88);
    for (int i = 0; i < 4; ++i)
        header.m_auMasks[i] = Dword(p, 92 + 4 * i);
    header.m_uCaps = Dword(p, 108);
    header.m_uCaps2 = Dword(p, 112);
    return header;
}

D3DFORMAT FormatOf(const SHeader& header, std::string& sError)
{
    const uint32_t uFlags = header.m_uPixelFlags;
    if (uFlags & DDPF_FOURCC)
    {
        if (header.m_uFourCC == MAKEFOURCC('D', 'X', '1', '0'))
            sError = "DDS files with a DX10 header are not read";
        else
            switch (header.m_uFourCC)
            {
            case D3DFMT_DXT1:
            case D3DFMT_DXT2:
            case D3DFMT_DXT3:
            case D3DFMT_DXT4:
            case D3DFMT_DXT5:
            case D3DFMT_A16B16G16R16:
            case D3DFMT_R16F:
            case D3DFMT_G16R16F:
            case D3DFMT_A16B16G16R16F:
            case D3DFMT_R32F:
            case D3DFMT_G32R32F:
            case D3DFMT_A32B32G32R32F:
                return D3DFORMAT(header.m_uFourCC);
            default:
                sError = "the DDS file's format is not one a texture can hold";
            }
        return D3DFMT_UNKNOWN;
    }
    if (uFlags & DDPF_PALETTEINDEXED8)
    {
        if (header.m_uBits == 8)
            return D3DFMT_P8;
        sError = "the DDS file's palette indices are not 8 bits wide";
        return D3DFMT_UNKNOWN;
    }
    const uint32_t uAlpha = (uFlags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) ? header.m_auMasks[3] : 0;
    const D3DFORMAT eFormat =
        orv::pixels::FromMasks(header.m_uBits, header.m_auMasks[0], header.m_auMasks[1],
                               header.m_auMasks[2], uAlpha, (uFlags & DDPF_LUMINANCE) != 0,
                               (uFlags & DDPF_ALPHA) && !(uFlags & (DDPF_RGB | DDPF_LUMINANCE)));
    if (eFormat == D3DFMT_UNKNOWN)
        sError = "the DDS file's bit masks match no texture format";
    return eFormat;
}

// The chain of one face (or of a volume) from uOffset on: each level with its first slice,
// or with every slice when bAllSlices; uOffset moves past the whole chain (as far as the
// file goes). A level cut short ends the chain.
std::vector<SOrvImageLevel> ReadChain(const uint8_t* pData, size_t uSize, size_t& ruOffset,
                                      const SHeader& header, D3DFORMAT eFormat, UINT uLevels,
                                      UINT uDepth, bool bAllSlices)
{
    std::vector<SOrvImageLevel> aLevels;
    for (UINT uLevel = 0; uLevel < uLevels; ++uLevel)
    {
        SOrvImageLevel level;
        level.m_uWidth = std::max(1u, header.m_uWidth >> uLevel);
        level.m_uHeight = std::max(1u, header.m_uHeight >> uLevel);
        const size_t uSlice = orv::pixels::ImageSize(eFormat, level.m_uWidth, level.m_uHeight);
        const size_t uSlices = std::max(1u, uDepth >> uLevel);
        level.m_uDepth = bAllSlices ? UINT(uSlices) : 1;
        const size_t uWanted = uSlice * level.m_uDepth;
        if (uSlice == 0 || uSize - ruOffset < uWanted)
        {
            // The rest of the chain is missing: skip what is there of it.
            ruOffset = uSize;
            break;
        }
        level.m_auBytes.assign(pData + ruOffset, pData + ruOffset + uWanted);
        aLevels.push_back(std::move(level));
        ruOffset += std::min(uSize - ruOffset, uSlice * uSlices);
    }
    return aLevels;
}

UINT FullChain(UINT uWidth, UINT uHeight, UINT uDepth)
{
    UINT uLevels = 1;
    for (UINT uSize = std::max({uWidth, uHeight, uDepth}); uSize > 1; uSize >>= 1)
        ++uLevels;
    return uLevels;
}
} // namespace

bool COrvDdsFile::IsDds(const uint8_t* pData, size_t uSize)
{
    return uSize >= 4 && std::memcmp(pData, "DDS ", 4) == 0;
}

bool COrvDdsFile::Decode(const uint8_t* pData, size_t uSize, SOrvImageSet& rImage,
                         std::string& sError, EOrvImageContent eContent)
{
    if (!IsDds(pData, uSize) || uSize < HEADER_BYTES || Dword(pData, 4) != 124)
    {
        sError = "not a DDS file";
        return false;
    }
    const SHeader header = ReadHeader(pData);
    const D3DFORMAT eFormat = FormatOf(header, sError);
    if (eFormat == D3DFMT_UNKNOWN)
        return false;
    const bool bVolume = (header.m_uCaps2 & DDSCAPS2_VOLUME) && (header.m_uFlags & DDSD_DEPTH);
    const bool bCube = !bVolume && (header.m_uCaps2 & DDSCAPS2_CUBEMAP) != 0;
    const UINT uDepth = bVolume ? std::max(1u, header.m_uDepth) : 1;
    if (!COrvImageFile::IsAcceptedSize(header.m_uWidth, header.m_uHeight) || uDepth > MAX_DEPTH ||
        (bCube && !(header.m_uCaps2 & DDSCAPS2_CUBEMAP_ALLFACES)))
    {
        sError = "the DDS file's size is not valid";
        return false;
    }
    const bool bMipped = (header.m_uFlags & DDSD_MIPMAPCOUNT) || (header.m_uCaps & DDSCAPS_MIPMAP);
    const UINT uFileLevels = std::clamp<UINT>(bMipped ? header.m_uMipCount : 1, 1,
                                              FullChain(header.m_uWidth, header.m_uHeight, uDepth));
    size_t uOffset = HEADER_BYTES;
    if (eFormat == D3DFMT_P8)
    {
        if (uSize - uOffset < 256 * sizeof(PALETTEENTRY))
        {
            sError = "the DDS file's palette is cut short";
            return false;
        }
        rImage.m_aPalette.resize(256);
        std::memcpy(rImage.m_aPalette.data(), pData + uOffset, 256 * sizeof(PALETTEENTRY));
        uOffset += 256 * sizeof(PALETTEENTRY);
    }
    rImage.m_eFormat = eFormat;
    const bool bWhole = eContent == EOrvImageContent::Whole;
    if (bCube && bWhole)
    {
        // Each face present, in order, with its chain; the first one there is the image.
        for (UINT uFace = 0; uFace < 6; ++uFace)
            if (header.m_uCaps2 & (DDSCAPS2_CUBEMAP_POSITIVEX << uFace))
                rImage.m_aFaces[uFace] =
                    ReadChain(pData, uSize, uOffset, header, eFormat, uFileLevels, 1, false);
        for (const std::vector<SOrvImageLevel>& rFace : rImage.m_aFaces)
            if (rImage.m_aLevels.empty())
                rImage.m_aLevels = rFace;
    }
    else
        rImage.m_aLevels = ReadChain(pData, uSize, uOffset, header, eFormat, uFileLevels, uDepth,
                                     bWhole && bVolume);
    if (rImage.m_aLevels.empty())
    {
        sError = "the DDS file's pixels are cut short";
        return false;
    }
    D3DXIMAGE_INFO& rInfo = rImage.m_Info;
    rInfo.Width = header.m_uWidth;
    rInfo.Height = header.m_uHeight;
    rInfo.Depth = uDepth;
    rInfo.MipLevels = uFileLevels;
    rInfo.Format = eFormat;
    rInfo.ResourceType = bVolume ? D3DRTYPE_VOLUMETEXTURE
                         : bCube ? D3DRTYPE_CUBETEXTURE
                                 : D3DRTYPE_TEXTURE;
    rInfo.ImageFileFormat = D3DXIFF_DDS;
    rImage.m_bAlpha = orv::pixels::HasAlpha(eFormat);
    return true;
}
