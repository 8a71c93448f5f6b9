#pragma once

#include "wintypes.h"

#include <cstdint>
#include <string>
#include <vector>

// An image decoded to 8-bit RGBA rows, top row first, and back to files: stb_image reads
// BMP, PNG, JPEG and TGA; stb_image_write writes PNG and BMP.
struct SOrvPixels
{
    UINT m_uWidth = 0;
    UINT m_uHeight = 0;
    std::vector<uint8_t> m_auRgba; // 4 bytes per pixel
    int m_iFileChannels = 0;       // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
    int m_iFileFormat = 0;         // D3DXIFF_* of the file
};

class COrvImageFile
{
public:
    static bool Load(const std::string& sFileName, SOrvPixels& image, std::string& sError);
    static bool Decode(const void* pData, size_t uSize, SOrvPixels& image, std::string& sError);
    // bPng true: PNG, else BMP (24-bit when every pixel is opaque, else 32-bit).
    static bool Save(const std::string& sFileName, const SOrvPixels& image, bool bPng);

    // Scales with a box filter when shrinking, bilinear when growing.
    static SOrvPixels Resize(const SOrvPixels& image, UINT uWidth, UINT uHeight);
    // The next mip level: half the size (at least 1), each pixel the mean of its 2x2 block.
    static SOrvPixels HalfSize(const SOrvPixels& image);
};
