#pragma once

// Small writers of the image files demo makers bring, for the image tests: BMPs of every
// kind (palettes, RLE4 and RLE8, bit fields, OS/2 and version 4 and 5 headers, top-down),
// TGAs (true colour, grey, colour-mapped, run-length encoded, every origin) and DDS files
// (any pixel format, mip chains, cube maps, volumes). Each writes what it is told, so that
// malformed files can be made as easily.
#include "OrvTempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace orv::test
{
using Rgba = std::array<uint8_t, 4>;

// Writes bytes into a file of a test's temporary folder; returns its path.
inline std::string WriteIn(const COrvTempDir& dir, const std::string& name,
                           const std::string& bytes)
{
    std::ofstream(dir.File(name), std::ios::binary) << bytes;
    return dir.File(name);
}

// RGBA pixels, top row first.
struct SPicture
{
    uint32_t m_uWidth = 0, m_uHeight = 0;
    std::vector<Rgba> m_aPixels;
    const Rgba& At(uint32_t x, uint32_t y) const { return m_aPixels[size_t(y) * m_uWidth + x]; }
};

inline SPicture MakePicture(uint32_t uWidth, uint32_t uHeight,
                            const std::function<Rgba(uint32_t, uint32_t)>& pixel)
{
    SPicture picture{uWidth, uHeight, {}};
    for (uint32_t y = 0; y < uHeight; ++y)
        for (uint32_t x = 0; x < uWidth; ++x)
            picture.m_aPixels.push_back(pixel(x, y));
    return picture;
}

inline void Put8(std::string& out, uint32_t v)
{
    out.push_back(char(v & 0xff));
}
inline void Put16(std::string& out, uint32_t v)
{
    Put8(out, v), Put8(out, v >> 8);
}
inline void Put32(std::string& out, uint32_t v)
{
    Put16(out, v), Put16(out, v >> 16);
}

// A channel value scaled into a mask.
inline uint64_t IntoMask(uint8_t uChannel, uint64_t uMask)
{
    if (!uMask)
        return 0;
    int iShift = 0;
    while (!((uMask >> iShift) & 1))
        ++iShift;
    const uint64_t uMax = uMask >> iShift;
    return ((uChannel * uMax + 127) / 255) << iShift;
}

// What a channel written into a mask reads back as (255 for an empty mask).
inline uint8_t ThroughMask(uint8_t uChannel, uint64_t uMask)
{
    if (!uMask)
        return 255;
    int iShift = 0;
    while (!((uMask >> iShift) & 1))
        ++iShift;
    const uint64_t uMax = uMask >> iShift;
    const uint64_t uValue = (uChannel * uMax + 127) / 255;
    return uint8_t((uValue * 255 + uMax / 2) / uMax);
}

// ---------------------------------------------------------------------------------------------
// BMP
// ---------------------------------------------------------------------------------------------
struct SBmpOptions
{
    uint32_t m_uBits = 24;       // 1, 4, 8, 16, 24, 32
    uint32_t m_uCompression = 0; // 0 none, 1 RLE8, 2 RLE4, 3 bit fields, 6 alpha bit fields
    uint32_t m_uHeaderSize = 40; // 12 (OS/2), 40, 52, 56, 108, 124
    uint32_t m_auMasks[4] = {};  // R, G, B, A for 16 and 32 bits
    bool m_bTopDown = false;
    uint8_t m_uFourthByte = 0;    // the unused byte of 32-bit pixels without masks
    std::vector<Rgba> m_aPalette; // for 1, 4 and 8 bits: the picture's colours
};

inline SBmpOptions Bmp(uint32_t uBits, uint32_t uCompression, uint32_t uHeaderSize,
                       std::vector<Rgba> aPalette = {}, std::array<uint32_t, 4> auMasks = {},
                       bool bTopDown = false, uint8_t uFourthByte = 0)
{
    SBmpOptions options;
    options.m_uBits = uBits;
    options.m_uCompression = uCompression;
    options.m_uHeaderSize = uHeaderSize;
    options.m_aPalette = std::move(aPalette);
    for (int i = 0; i < 4; ++i)
        options.m_auMasks[i] = auMasks[i];
    options.m_bTopDown = bTopDown;
    options.m_uFourthByte = uFourthByte;
    return options;
}

namespace detail
{
inline uint32_t IndexOf(const std::vector<Rgba>& palette, const Rgba& colour)
{
    for (uint32_t i = 0; i < palette.size(); ++i)
        if (palette[i][0] == colour[0] && palette[i][1] == colour[1] && palette[i][2] == colour[2])
            return i;
    ADD_FAILURE() << "a colour outside the palette";
    return 0;
}

// One row of indices as RLE8: runs, absolute stretches of three or more, end of line.
inline void Rle8Row(std::string& out, const std::vector<uint32_t>& row)
{
    size_t i = 0;
    while (i < row.size())
    {
        size_t run = 1;
        while (i + run < row.size() && row[i + run] == row[i] && run < 255)
            ++run;
        if (run >= 2 || row.size() - i < 3)
        {
            Put8(out, uint32_t(run)), Put8(out, row[i]);
            i += run;
            continue;
        }
        size_t literal = 1;
        while (i + literal < row.size() && literal < 255 &&
               !(i + literal + 1 < row.size() && row[i + literal] == row[i + literal + 1]))
            ++literal;
        if (literal < 3)
        {
            Put8(out, 1), Put8(out, row[i]);
            ++i;
            continue;
        }
        Put8(out, 0), Put8(out, uint32_t(literal));
        for (size_t k = 0; k < literal; ++k)
            Put8(out, row[i + k]);
        if (literal & 1)
            Put8(out, 0);
        i += literal;
    }
    Put8(out, 0), Put8(out, 0);
}

// One row as RLE4: runs of one index, absolute stretches of nibbles padded to a word.
inline void Rle4Row(std::string& out, const std::vector<uint32_t>& row)
{
    size_t i = 0;
    while (i < row.size())
    {
        size_t run = 1;
        while (i + run < row.size() && row[i + run] == row[i] && run < 255)
            ++run;
        if (run >= 3 || row.size() - i < 3)
        {
            Put8(out, uint32_t(run)), Put8(out, row[i] << 4 | row[i]);
            i += run;
            continue;
        }
        const size_t literal = std::min<size_t>(std::min<size_t>(row.size() - i, 8), 255);
        Put8(out, 0), Put8(out, uint32_t(literal));
        const size_t bytes = (literal + 1) / 2;
        for (size_t k = 0; k < bytes; ++k)
        {
            const uint32_t hi = row[i + 2 * k];
            const uint32_t lo = 2 * k + 1 < literal ? row[i + 2 * k + 1] : 0;
            Put8(out, hi << 4 | lo);
        }
        if (bytes & 1)
            Put8(out, 0);
        i += literal;
    }
    Put8(out, 0), Put8(out, 0);
}

inline std::string BmpPixels(const SPicture& picture, const SBmpOptions& options)
{
    std::string pixels;
    const bool bMasks = options.m_uCompression == 3 || options.m_uCompression == 6;
    uint32_t auMasks[4] = {options.m_auMasks[0], options.m_auMasks[1], options.m_auMasks[2],
                           options.m_auMasks[3]};
    if (!bMasks && options.m_uBits == 16)
        auMasks[0] = 0x7c00, auMasks[1] = 0x03e0, auMasks[2] = 0x001f, auMasks[3] = 0;
    for (uint32_t r = 0; r < picture.m_uHeight; ++r)
    {
        const uint32_t y = options.m_bTopDown ? r : picture.m_uHeight - 1 - r;
        std::vector<uint32_t> indices;
        for (uint32_t x = 0; x < picture.m_uWidth; ++x)
            if (options.m_uBits <= 8)
                indices.push_back(IndexOf(options.m_aPalette, picture.At(x, y)));
        if (options.m_uCompression == 1)
        {
            Rle8Row(pixels, indices);
            continue;
        }
        if (options.m_uCompression == 2)
        {
            Rle4Row(pixels, indices);
            continue;
        }
        std::string row;
        uint32_t uBitBuffer = 0, uBitCount = 0;
        for (uint32_t x = 0; x < picture.m_uWidth; ++x)
        {
            const Rgba& c = picture.At(x, y);
            if (options.m_uBits <= 8)
            {
                uBitBuffer = uBitBuffer << options.m_uBits | indices[x];
                uBitCount += options.m_uBits;
                if (uBitCount == 8)
                    Put8(row, uBitBuffer), uBitBuffer = uBitCount = 0;
            }
            else if (options.m_uBits == 24)
                Put8(row, c[2]), Put8(row, c[1]), Put8(row, c[0]);
            else if (options.m_uBits == 32 && !bMasks)
                Put8(row, c[2]), Put8(row, c[1]), Put8(row, c[0]), Put8(row, options.m_uFourthByte);
            else
            {
                uint64_t uPixel = 0;
                for (int k = 0; k < 4; ++k)
                    uPixel |= IntoMask(c[k], auMasks[k]);
                options.m_uBits == 16 ? Put16(row, uint32_t(uPixel)) : Put32(row, uint32_t(uPixel));
            }
        }
        if (uBitCount)
            Put8(row, uBitBuffer << (8 - uBitCount));
        while (row.size() % 4)
            row.push_back(0);
        pixels += row;
    }
    if (options.m_uCompression == 1 || options.m_uCompression == 2)
        Put8(pixels, 0), Put8(pixels, 1); // end of bitmap
    return pixels;
}
} // namespace detail

inline std::string WriteBmp(const SPicture& picture, const SBmpOptions& options)
{
    const bool bOs2 = options.m_uHeaderSize == 12;
    const uint32_t uPaletteEntry = bOs2 ? 3 : 4;
    const bool bMasksAfter =
        options.m_uHeaderSize == 40 && (options.m_uCompression == 3 || options.m_uCompression == 6);
    const uint32_t uMaskBytes = bMasksAfter ? (options.m_uCompression == 6 ? 16 : 12) : 0;
    const uint32_t uPaletteBytes = uint32_t(options.m_aPalette.size()) * uPaletteEntry;
    const std::string pixels = detail::BmpPixels(picture, options);
    const uint32_t uOffset = 14 + options.m_uHeaderSize + uMaskBytes + uPaletteBytes;
    std::string out = "BM";
    Put32(out, uOffset + uint32_t(pixels.size()));
    Put32(out, 0);
    Put32(out, uOffset);
    Put32(out, options.m_uHeaderSize);
    if (bOs2)
    {
        Put16(out, picture.m_uWidth), Put16(out, picture.m_uHeight);
        Put16(out, 1), Put16(out, options.m_uBits);
    }
    else
    {
        const int32_t iHeight =
            options.m_bTopDown ? -int32_t(picture.m_uHeight) : int32_t(picture.m_uHeight);
        Put32(out, picture.m_uWidth), Put32(out, uint32_t(iHeight));
        Put16(out, 1), Put16(out, options.m_uBits);
        Put32(out, options.m_uCompression), Put32(out, uint32_t(pixels.size()));
        Put32(out, 2835), Put32(out, 2835);
        Put32(out, uint32_t(options.m_aPalette.size())), Put32(out, 0);
        std::string extra;
        for (int k = 0; k < 4; ++k)
            Put32(extra, options.m_auMasks[k]);
        Put32(extra, 0x73524742); // sRGB
        extra.resize(options.m_uHeaderSize - 40, '\0');
        out += extra.substr(0, options.m_uHeaderSize - 40);
    }
    for (uint32_t k = 0; k < uMaskBytes / 4; ++k)
        Put32(out, options.m_auMasks[k]);
    for (const Rgba& c : options.m_aPalette)
    {
        Put8(out, c[2]), Put8(out, c[1]), Put8(out, c[0]);
        if (!bOs2)
            Put8(out, 0);
    }
    return out + pixels;
}

// ---------------------------------------------------------------------------------------------
// TGA
// ---------------------------------------------------------------------------------------------
struct STgaOptions
{
    uint32_t m_uType = 2;  // 1 colour-mapped, 2 true colour, 3 grey; +8 run-length encoded
    uint32_t m_uBits = 24; // of a pixel (or an index)
    bool m_bTopDown = false;
    bool m_bRightToLeft = false;
    uint32_t m_uAlphaBits = 0;
    std::vector<Rgba> m_aPalette; // colour-mapped: 24-bit entries
};

inline STgaOptions Tga(uint32_t uType, uint32_t uBits, bool bTopDown = false,
                       bool bRightToLeft = false, uint32_t uAlphaBits = 0,
                       std::vector<Rgba> aPalette = {})
{
    STgaOptions options;
    options.m_uType = uType;
    options.m_uBits = uBits;
    options.m_bTopDown = bTopDown;
    options.m_bRightToLeft = bRightToLeft;
    options.m_uAlphaBits = uAlphaBits;
    options.m_aPalette = std::move(aPalette);
    return options;
}

inline std::string WriteTga(const SPicture& picture, const STgaOptions& options)
{
    const uint32_t uBase = options.m_uType & 7;
    std::string out;
    Put8(out, 0);
    Put8(out, uBase == 1 ? 1 : 0);
    Put8(out, options.m_uType);
    Put16(out, 0), Put16(out, uint32_t(options.m_aPalette.size()));
    Put8(out, options.m_aPalette.empty() ? 0 : 24);
    Put16(out, 0), Put16(out, 0);
    Put16(out, picture.m_uWidth), Put16(out, picture.m_uHeight);
    Put8(out, options.m_uBits);
    Put8(out, options.m_uAlphaBits | (options.m_bRightToLeft ? 0x10 : 0) |
                  (options.m_bTopDown ? 0x20 : 0));
    for (const Rgba& c : options.m_aPalette)
        Put8(out, c[2]), Put8(out, c[1]), Put8(out, c[0]);
    std::vector<std::string> pixels;
    for (uint32_t r = 0; r < picture.m_uHeight; ++r)
        for (uint32_t k = 0; k < picture.m_uWidth; ++k)
        {
            const uint32_t y = options.m_bTopDown ? r : picture.m_uHeight - 1 - r;
            const uint32_t x = options.m_bRightToLeft ? picture.m_uWidth - 1 - k : k;
            const Rgba& c = picture.At(x, y);
            std::string pixel;
            if (uBase == 1)
                Put8(pixel, detail::IndexOf(options.m_aPalette, c));
            else if (uBase == 3)
                Put8(pixel, c[0]);
            else if (options.m_uBits == 16)
                Put16(pixel, uint32_t(IntoMask(c[0], 0x7c00) | IntoMask(c[1], 0x03e0) |
                                      IntoMask(c[2], 0x001f) |
                                      (options.m_uAlphaBits && c[3] >= 128 ? 0x8000 : 0)));
            else
            {
                Put8(pixel, c[2]), Put8(pixel, c[1]), Put8(pixel, c[0]);
                if (options.m_uBits == 32)
                    Put8(pixel, c[3]);
            }
            pixels.push_back(pixel);
        }
    if (options.m_uType < 8)
    {
        for (const std::string& pixel : pixels)
            out += pixel;
        return out;
    }
    // Packets of up to 128 pixels: runs of one value, or raw stretches.
    for (size_t i = 0; i < pixels.size();)
    {
        size_t run = 1;
        while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i])
            ++run;
        if (run >= 2)
        {
            Put8(out, 0x80 | uint32_t(run - 1));
            out += pixels[i];
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < pixels.size() && raw < 128 &&
               !(i + raw + 1 < pixels.size() && pixels[i + raw] == pixels[i + raw + 1]))
            ++raw;
        Put8(out, uint32_t(raw - 1));
        for (size_t k = 0; k < raw; ++k)
            out += pixels[i + k];
        i += raw;
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// DDS
// ---------------------------------------------------------------------------------------------
struct SDdsHeader
{
    uint32_t m_uWidth = 0, m_uHeight = 0, m_uDepth = 0, m_uMipCount = 0;
    uint32_t m_uPixelFlags = 0x40; // DDPF_RGB
    uint32_t m_uFourCC = 0;
    uint32_t m_uBits = 32;
    uint32_t m_auMasks[4] = {0xff0000, 0xff00, 0xff, 0};
    uint32_t m_uCaps2 = 0; // cube map and volume flags
};

inline std::string FourCC(const char* p)
{
    return std::string(p, 4);
}

inline uint32_t FourCCValue(const char* p)
{
    return uint32_t(uint8_t(p[0])) | uint32_t(uint8_t(p[1])) << 8 | uint32_t(uint8_t(p[2])) << 16 |
           uint32_t(uint8_t(p[3])) << 24;
}

inline std::string WriteDdsHeader(const SDdsHeader& header)
{
    std::string out = "DDS ";
    Put32(out, 124);
    uint32_t uFlags = 0x1 | 0x2 | 0x4 | 0x1000; // caps, height, width, pixel format
    if (header.m_uMipCount)
        uFlags |= 0x20000;
    if (header.m_uDepth)
        uFlags |= 0x800000;
    Put32(out, uFlags);
    Put32(out, header.m_uHeight), Put32(out, header.m_uWidth);
    Put32(out, 0); // pitch or linear size: readers need not trust it
    Put32(out, header.m_uDepth), Put32(out, header.m_uMipCount);
    for (int i = 0; i < 11; ++i)
        Put32(out, 0);
    Put32(out, 32), Put32(out, header.m_uPixelFlags), Put32(out, header.m_uFourCC);
    Put32(out, header.m_uBits);
    for (uint32_t uMask : header.m_auMasks)
        Put32(out, uMask);
    Put32(out, 0x1000 | (header.m_uMipCount > 1 ? 0x400008 : 0) | (header.m_uCaps2 ? 0x8 : 0));
    Put32(out, header.m_uCaps2);
    Put32(out, 0), Put32(out, 0), Put32(out, 0);
    return out;
}
} // namespace orv::test
