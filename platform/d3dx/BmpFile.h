#pragma once

// What a BMP file's headers say, and the decoding of the BMP files stb_image does not read:
// run-length-encoded ones (RLE4, RLE8) through FFmpeg's decoder, and bit fields of more
// than 8 bits a channel (or OS/2 headers) through our own reading of the masks.
#include "ImageFile.h"

struct SOrvBmpHeader
{
    uint32_t m_uDataOffset = 0;
    uint32_t m_uHeaderSize = 0;
    int32_t m_iWidth = 0;
    int32_t m_iHeight = 0; // negative: rows from the top
    uint32_t m_uBits = 0;
    uint32_t m_uCompression = 0;
    uint32_t m_auMasks[4] = {}; // R, G, B, A of 16- and 32-bit pixels
};

class COrvBmpFile
{
public:
    static constexpr uint32_t RLE8 = 1, RLE4 = 2, BITFIELDS = 3, ALPHABITFIELDS = 6;

    // False when the headers are cut short or not a BMP's.
    static bool ReadHeader(const uint8_t* pData, size_t uSize, SOrvBmpHeader& rHeader);
    // The format D3DX reports for the file: D3DFMT_P8 for palettes, else the pixels' own.
    static D3DFORMAT FileFormat(const SOrvBmpHeader& rHeader);
    static bool DecodeRle(const uint8_t* pData, size_t uSize, SOrvPixels& rImage,
                          std::string& sError);
    static bool DecodeBitFields(const uint8_t* pData, size_t uSize, const SOrvBmpHeader& rHeader,
                                SOrvPixels& rImage, std::string& sError);
};
