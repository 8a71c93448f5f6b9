#pragma once

#include "d3dx9tex.h"
#include "wintypes.h"

#include <cstdint>
#include <string>
#include <vector>

// An image decoded to 8-bit RGBA rows, top row first.
struct SOrvPixels
{
    UINT m_uWidth = 0;
    UINT m_uHeight = 0;
    std::vector<uint8_t> m_auRgba; // 4 bytes per pixel
    int m_iFileChannels = 0;       // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
    int m_iFileFormat = 0;         // D3DXIFF_* of the file
};

// One mip level of an image in a Direct3D format, rows tightly packed (orv::pixels::RowPitch);
// the level of a volume holds its slices one after another.
struct SOrvImageLevel
{
    UINT m_uWidth = 0;
    UINT m_uHeight = 0;
    std::vector<uint8_t> m_auBytes;
    UINT m_uDepth = 1;
};

// How much of a cube map or a volume a DDS file is read for.
enum class EOrvImageContent
{
    FirstImage, // the first face or slice, as a 2D texture is made of it
    Whole       // every face (SOrvImageSet::m_aFaces) or every slice of each level
};

// An image file as a texture is made of it: what the file holds (as D3DX reports it), and
// the mip chain of its first face (cube maps) or first slice (volumes), in m_eFormat; read
// whole (EOrvImageContent::Whole), the chains of every face, or every slice of each level.
// Pictures (BMP, JPEG, PNG, TGA) are decoded into one level of RGBA bytes
// (D3DFMT_A8B8G8R8); DDS files keep their own format and levels.
struct SOrvImageSet
{
    D3DXIMAGE_INFO m_Info{};
    D3DFORMAT m_eFormat = D3DFMT_UNKNOWN;
    std::vector<PALETTEENTRY> m_aPalette; // 256 entries for D3DFMT_P8
    std::vector<SOrvImageLevel> m_aLevels;
    // Cube maps read whole: the faces +X, -X, +Y, -Y, +Z, -Z; empty where the file lacks one.
    std::vector<SOrvImageLevel> m_aFaces[6];
    bool m_bAlpha = false; // the pixels carry alpha that is not everywhere opaque
};

// Image files: BMP (every kind: palettes of 1, 4 and 8 bits, RLE4 and RLE8, bit fields,
// 16, 24 and 32 bits, top-down), JPEG (every kind libjpeg reads), PNG, TGA and DDS are read;
// PNG and BMP are written. libjpeg decodes the JPEGs, stb_image most other pictures,
// FFmpeg's decoder the run-length-encoded BMPs.
class COrvImageFile
{
public:
    // Whether a picture of that size is accepted (ORV_MAX_IMAGE_SIZE, ORV_MAX_IMAGE_PIXELS).
    static bool IsAcceptedSize(int64_t iWidth, int64_t iHeight);

    // Reads a whole file (at most 512 MiB).
    static bool ReadFile(const std::string& sFileName, std::vector<uint8_t>& rauData,
                         std::string& sError);

    static bool LoadSet(const std::string& sFileName, SOrvImageSet& rImage, std::string& sError);
    static bool DecodeSet(const void* pData, size_t uSize, SOrvImageSet& rImage,
                          std::string& sError,
                          EOrvImageContent eContent = EOrvImageContent::FirstImage);

    // The first level as RGBA pixels.
    static bool Load(const std::string& sFileName, SOrvPixels& image, std::string& sError);
    static bool Decode(const void* pData, size_t uSize, SOrvPixels& image, std::string& sError);
    // bPng true: PNG, else BMP (24-bit when every pixel is opaque, else 32-bit).
    static bool Save(const std::string& sFileName, const SOrvPixels& image, bool bPng);

    // Scales with a box filter when shrinking, bilinear when growing.
    static SOrvPixels Resize(const SOrvPixels& image, UINT uWidth, UINT uHeight);
    // The next mip level: half the size (at least 1), each pixel the mean of its 2x2 block.
    static SOrvPixels HalfSize(const SOrvPixels& image);
};
