#include "PixelFormats.h"

#include "DxtCodec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace
{
enum class EKind
{
    MASKS,      // colour and alpha channels in bit masks
    LUMINANCE,  // grey in the first mask, alpha in the fourth
    ALPHA_ONLY, // alpha in the fourth mask, colour black
    HALF,       // 16-bit floats, red first
    FLOAT,      // 32-bit floats, red first
    PALETTE,    // 8-bit indices
    BLOCK       // S3TC blocks
};

struct SLayout
{
    D3DFORMAT m_eFormat;
    EKind m_eKind;
    UINT m_uBytes;         // per pixel; per block for BLOCK
    uint64_t m_auMasks[4]; // R, G, B, A (MASKS, LUMINANCE, ALPHA_ONLY)
    UINT m_uChannels = 0;  // HALF, FLOAT: channels stored, red first
    EOrvDxt m_eDxt = EOrvDxt::DXT1;
};

const SLayout s_aLayouts[] = {
    {D3DFMT_A8R8G8B8, EKind::MASKS, 4, {0xff0000, 0xff00, 0xff, 0xff000000}},
    {D3DFMT_X8R8G8B8, EKind::MASKS, 4, {0xff0000, 0xff00, 0xff, 0}},
    {D3DFMT_A8B8G8R8, EKind::MASKS, 4, {0xff, 0xff00, 0xff0000, 0xff000000}},
    {D3DFMT_X8B8G8R8, EKind::MASKS, 4, {0xff, 0xff00, 0xff0000, 0}},
    {D3DFMT_R8G8B8, EKind::MASKS, 3, {0xff0000, 0xff00, 0xff, 0}},
    {D3DFMT_R5G6B5, EKind::MASKS, 2, {0xf800, 0x07e0, 0x001f, 0}},
    {D3DFMT_X1R5G5B5, EKind::MASKS, 2, {0x7c00, 0x03e0, 0x001f, 0}},
    {D3DFMT_A1R5G5B5, EKind::MASKS, 2, {0x7c00, 0x03e0, 0x001f, 0x8000}},
    {D3DFMT_A4R4G4B4, EKind::MASKS, 2, {0x0f00, 0x00f0, 0x000f, 0xf000}},
    {D3DFMT_X4R4G4B4, EKind::MASKS, 2, {0x0f00, 0x00f0, 0x000f, 0}},
    {D3DFMT_R3G3B2, EKind::MASKS, 1, {0xe0, 0x1c, 0x03, 0}},
    {D3DFMT_A8R3G3B2, EKind::MASKS, 2, {0x00e0, 0x001c, 0x0003, 0xff00}},
    {D3DFMT_A2B10G10R10, EKind::MASKS, 4, {0x3ff, 0xffc00, 0x3ff00000, 0xc0000000}},
    {D3DFMT_A2R10G10B10, EKind::MASKS, 4, {0x3ff00000, 0xffc00, 0x3ff, 0xc0000000}},
    {D3DFMT_G16R16, EKind::MASKS, 4, {0xffff, 0xffff0000, 0, 0}},
    {D3DFMT_A16B16G16R16,
     EKind::MASKS,
     8,
     {0xffff, 0xffff0000, 0xffff00000000, 0xffff000000000000}},
    {D3DFMT_L8, EKind::LUMINANCE, 1, {0xff, 0, 0, 0}},
    {D3DFMT_A8L8, EKind::LUMINANCE, 2, {0xff, 0, 0, 0xff00}},
    {D3DFMT_A4L4, EKind::LUMINANCE, 1, {0x0f, 0, 0, 0xf0}},
    {D3DFMT_L16, EKind::LUMINANCE, 2, {0xffff, 0, 0, 0}},
    {D3DFMT_A8, EKind::ALPHA_ONLY, 1, {0, 0, 0, 0xff}},
    {D3DFMT_R16F, EKind::HALF, 2, {}, 1},
    {D3DFMT_G16R16F, EKind::HALF, 4, {}, 2},
    {D3DFMT_A16B16G16R16F, EKind::HALF, 8, {}, 4},
    {D3DFMT_R32F, EKind::FLOAT, 4, {}, 1},
    {D3DFMT_G32R32F, EKind::FLOAT, 8, {}, 2},
    {D3DFMT_A32B32G32R32F, EKind::FLOAT, 16, {}, 4},
    {D3DFMT_P8, EKind::PALETTE, 1, {}},
    {D3DFMT_DXT1, EKind::BLOCK, 8, {}, 0, EOrvDxt::DXT1},
    {D3DFMT_DXT2, EKind::BLOCK, 16, {}, 0, EOrvDxt::DXT3},
    {D3DFMT_DXT3, EKind::BLOCK, 16, {}, 0, EOrvDxt::DXT3},
    {D3DFMT_DXT4, EKind::BLOCK, 16, {}, 0, EOrvDxt::DXT5},
    {D3DFMT_DXT5, EKind::BLOCK, 16, {}, 0, EOrvDxt::DXT5},
};

const SLayout* Find(D3DFORMAT eFormat)
{
    for (const SLayout& rLayout : s_aLayouts)
        if (rLayout.m_eFormat == eFormat)
            return &rLayout;
    return nullptr;
}

uint64_t ReadLittle(const uint8_t* p, UINT uBytes)
{
    uint64_t uValue = 0;
    for (UINT i = 0; i < uBytes; ++i)
        uValue |= uint64_t(p[i]) << (8 * i);
    return uValue;
}

void WriteLittle(uint8_t* p, UINT uBytes, uint64_t uValue)
{
    for (UINT i = 0; i < uBytes; ++i)
        p[i] = uint8_t(uValue >> (8 * i));
}

// A channel under a mask scaled to 0..255 (255 when the format lacks it).
uint8_t Extract(uint64_t uPixel, uint64_t uMask)
{
    if (!uMask)
        return 255;
    const uint64_t uMax = uMask >> std::countr_zero(uMask);
    const uint64_t uValue = (uPixel & uMask) >> std::countr_zero(uMask);
    return uint8_t((uValue * 255 + uMax / 2) / uMax);
}

uint64_t Insert(uint8_t uChannel, uint64_t uMask)
{
    if (!uMask)
        return 0;
    const uint64_t uMax = uMask >> std::countr_zero(uMask);
    return ((uChannel * uMax + 127) / 255) << std::countr_zero(uMask);
}

float HalfToFloat(uint16_t uHalf)
{
    const int iExponent = (uHalf >> 10) & 31;
    const int iMantissa = uHalf & 1023;
    float fValue = iExponent == 0    ? std::ldexp(float(iMantissa), -24)
                   : iExponent == 31 ? (iMantissa ? std::numeric_limits<float>::quiet_NaN()
                                                  : std::numeric_limits<float>::infinity())
                                     : std::ldexp(float(iMantissa | 1024), iExponent - 25);
    return (uHalf & 0x8000) ? -fValue : fValue;
}

uint16_t FloatToHalf(float fValue)
{
    // Only values in [0, 1] are written: normal halves or zero.
    fValue = std::clamp(fValue, 0.0f, 1.0f);
    if (fValue < 6.103515625e-05f)
        return uint16_t(std::lround(fValue / 5.9604644775390625e-08f));
    int iExponent = 0;
    const float fMantissa = std::frexp(fValue, &iExponent); // [0.5, 1)
    auto uMantissa = uint32_t(std::lround((fMantissa * 2.0f - 1.0f) * 1024.0f));
    if (uMantissa == 1024)
        uMantissa = 0, ++iExponent;
    return uint16_t((iExponent + 14) << 10 | uMantissa);
}

uint8_t UnitToByte(float fValue)
{
    if (!(fValue > 0.0f)) // also NaN
        return 0;
    return uint8_t(std::lround(std::min(fValue, 1.0f) * 255.0f));
}

void BlocksToRgba(const SLayout& rLayout, const uint8_t* pSource, UINT uWidth, UINT uHeight,
                  uint8_t* pRgba)
{
    uint8_t auBlock[64];
    for (UINT by = 0; by < (uHeight + 3) / 4; ++by)
        for (UINT bx = 0; bx < (uWidth + 3) / 4; ++bx, pSource += rLayout.m_uBytes)
        {
            orv::dxt::DecodeBlock(rLayout.m_eDxt, pSource, auBlock);
            for (UINT y = 0; y < 4 && by * 4 + y < uHeight; ++y)
                for (UINT x = 0; x < 4 && bx * 4 + x < uWidth; ++x)
                    std::memcpy(pRgba + ((size_t(by) * 4 + y) * uWidth + bx * 4 + x) * 4,
                                auBlock + (y * 4 + x) * 4, 4);
        }
}

void RgbaToBlocks(const SLayout& rLayout, const uint8_t* pRgba, UINT uWidth, UINT uHeight,
                  uint8_t* pDest)
{
    uint8_t auBlock[64];
    for (UINT by = 0; by < (uHeight + 3) / 4; ++by)
        for (UINT bx = 0; bx < (uWidth + 3) / 4; ++bx, pDest += rLayout.m_uBytes)
        {
            // Pixels past the edge repeat the last row and column.
            for (UINT y = 0; y < 4; ++y)
                for (UINT x = 0; x < 4; ++x)
                {
                    const UINT sx = std::min(bx * 4 + x, uWidth - 1);
                    const UINT sy = std::min(by * 4 + y, uHeight - 1);
                    std::memcpy(auBlock + (y * 4 + x) * 4, pRgba + (size_t(sy) * uWidth + sx) * 4,
                                4);
                }
            orv::dxt::EncodeBlock(rLayout.m_eDxt, auBlock, pDest);
        }
}

void PixelToRgba(const SLayout& rLayout, const uint8_t* pPixel, const PALETTEENTRY* pPalette,
                 uint8_t* pOut)
{
    switch (rLayout.m_eKind)
    {
    case EKind::MASKS:
    case EKind::LUMINANCE:
    case EKind::ALPHA_ONLY:
    {
        const uint64_t uPixel = ReadLittle(pPixel, rLayout.m_uBytes);
        for (int c = 0; c < 4; ++c)
            pOut[c] = Extract(uPixel, rLayout.m_auMasks[c]);
        if (rLayout.m_eKind == EKind::LUMINANCE)
            pOut[1] = pOut[2] = pOut[0];
        if (rLayout.m_eKind == EKind::ALPHA_ONLY)
            pOut[0] = pOut[1] = pOut[2] = 0;
        return;
    }
    case EKind::HALF:
    case EKind::FLOAT:
        for (UINT c = 0; c < 4; ++c)
        {
            float fValue = 1.0f;
            if (c < rLayout.m_uChannels && rLayout.m_eKind == EKind::HALF)
                fValue = HalfToFloat(uint16_t(ReadLittle(pPixel + 2 * c, 2)));
            else if (c < rLayout.m_uChannels)
                std::memcpy(&fValue, pPixel + 4 * c, 4);
            pOut[c] = UnitToByte(fValue);
        }
        return;
    case EKind::PALETTE:
    {
        const PALETTEENTRY& rEntry = pPalette[*pPixel];
        pOut[0] = rEntry.peRed, pOut[1] = rEntry.peGreen, pOut[2] = rEntry.peBlue;
        pOut[3] = rEntry.peFlags;
        return;
    }
    case EKind::BLOCK:
        return;
    }
}

void RgbaToPixel(const SLayout& rLayout, const uint8_t* pRgba, uint8_t* pPixel)
{
    switch (rLayout.m_eKind)
    {
    case EKind::MASKS:
    case EKind::LUMINANCE:
    case EKind::ALPHA_ONLY:
    {
        uint8_t auChannels[4] = {pRgba[0], pRgba[1], pRgba[2], pRgba[3]};
        if (rLayout.m_eKind == EKind::LUMINANCE) // Rec. 709 weights
            auChannels[0] =
                uint8_t(std::lround(0.2126 * pRgba[0] + 0.7152 * pRgba[1] + 0.0722 * pRgba[2]));
        uint64_t uPixel = 0;
        for (int c = 0; c < 4; ++c)
            uPixel |= Insert(auChannels[c], rLayout.m_auMasks[c]);
        WriteLittle(pPixel, rLayout.m_uBytes, uPixel);
        return;
    }
    case EKind::HALF:
        for (UINT c = 0; c < rLayout.m_uChannels; ++c)
            WriteLittle(pPixel + 2 * c, 2, FloatToHalf(pRgba[c] / 255.0f));
        return;
    case EKind::FLOAT:
        for (UINT c = 0; c < rLayout.m_uChannels; ++c)
        {
            const float fValue = pRgba[c] / 255.0f;
            std::memcpy(pPixel + 4 * c, &fValue, 4);
        }
        return;
    case EKind::PALETTE:
    case EKind::BLOCK:
        return;
    }
}
} // namespace

uint8_t orv::pixels::Channel(uint64_t uPixel, uint64_t uMask)
{
    return Extract(uPixel, uMask);
}

bool orv::pixels::IsKnown(D3DFORMAT eFormat)
{
    return Find(eFormat) != nullptr;
}

bool orv::pixels::IsCompressed(D3DFORMAT eFormat)
{
    const SLayout* pLayout = Find(eFormat);
    return pLayout && pLayout->m_eKind == EKind::BLOCK;
}

bool orv::pixels::HasAlpha(D3DFORMAT eFormat)
{
    const SLayout* pLayout = Find(eFormat);
    if (!pLayout)
        return false;
    switch (pLayout->m_eKind)
    {
    case EKind::HALF:
    case EKind::FLOAT:
        return pLayout->m_uChannels == 4;
    case EKind::PALETTE:
    case EKind::BLOCK:
        return true;
    default:
        return pLayout->m_auMasks[3] != 0;
    }
}

bool orv::pixels::CanEncode(D3DFORMAT eFormat)
{
    const SLayout* pLayout = Find(eFormat);
    return pLayout && pLayout->m_eKind != EKind::PALETTE;
}

UINT orv::pixels::BytesPerPixel(D3DFORMAT eFormat)
{
    const SLayout* pLayout = Find(eFormat);
    return pLayout && pLayout->m_eKind != EKind::BLOCK ? pLayout->m_uBytes : 0;
}

size_t orv::pixels::RowPitch(D3DFORMAT eFormat, UINT uWidth)
{
    const SLayout* pLayout = Find(eFormat);
    if (!pLayout)
        return 0;
    if (pLayout->m_eKind == EKind::BLOCK)
        return size_t((uWidth + 3) / 4) * pLayout->m_uBytes;
    return size_t(uWidth) * pLayout->m_uBytes;
}

UINT orv::pixels::RowCount(D3DFORMAT eFormat, UINT uHeight)
{
    return IsCompressed(eFormat) ? (uHeight + 3) / 4 : uHeight;
}

size_t orv::pixels::ImageSize(D3DFORMAT eFormat, UINT uWidth, UINT uHeight)
{
    const size_t uPitch = RowPitch(eFormat, uWidth);
    const size_t uRows = RowCount(eFormat, uHeight);
    if (uRows && uPitch > std::numeric_limits<size_t>::max() / uRows)
        return 0;
    return uPitch * uRows;
}

D3DFORMAT orv::pixels::FromMasks(UINT uBits, uint32_t uRed, uint32_t uGreen, uint32_t uBlue,
                                 uint32_t uAlpha, bool bLuminance, bool bAlphaOnly)
{
    // Some writers mark grey images as colour with the same mask three times.
    if (!bLuminance && !bAlphaOnly && uRed && uRed == uGreen && uGreen == uBlue)
        bLuminance = true, uGreen = uBlue = 0;
    const EKind eKind = bAlphaOnly   ? EKind::ALPHA_ONLY
                        : bLuminance ? EKind::LUMINANCE
                                     : EKind::MASKS;
    for (const SLayout& rLayout : s_aLayouts)
        if (rLayout.m_eKind == eKind && rLayout.m_uBytes * 8 == uBits &&
            rLayout.m_auMasks[0] == uRed && rLayout.m_auMasks[1] == uGreen &&
            rLayout.m_auMasks[2] == uBlue && rLayout.m_auMasks[3] == uAlpha)
            return rLayout.m_eFormat;
    return D3DFMT_UNKNOWN;
}

void orv::pixels::ToRgba(D3DFORMAT eFormat, const uint8_t* pSource, UINT uWidth, UINT uHeight,
                         const PALETTEENTRY* pPalette, uint8_t* pRgba)
{
    const SLayout* pLayout = Find(eFormat);
    if (!pLayout)
        return;
    if (pLayout->m_eKind == EKind::BLOCK)
        return BlocksToRgba(*pLayout, pSource, uWidth, uHeight, pRgba);
    const size_t uCount = size_t(uWidth) * uHeight;
    for (size_t i = 0; i < uCount; ++i, pSource += pLayout->m_uBytes, pRgba += 4)
        PixelToRgba(*pLayout, pSource, pPalette, pRgba);
}

void orv::pixels::FromRgba(D3DFORMAT eFormat, const uint8_t* pRgba, UINT uWidth, UINT uHeight,
                           uint8_t* pDest)
{
    const SLayout* pLayout = Find(eFormat);
    if (!pLayout)
        return;
    if (pLayout->m_eKind == EKind::BLOCK)
        return RgbaToBlocks(*pLayout, pRgba, uWidth, uHeight, pDest);
    const size_t uCount = size_t(uWidth) * uHeight;
    for (size_t i = 0; i < uCount; ++i, pRgba += 4, pDest += pLayout->m_uBytes)
        RgbaToPixel(*pLayout, pRgba, pDest);
}
