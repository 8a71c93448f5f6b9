#pragma once

// JPEG decoding through libjpeg (libjpeg-turbo), the reference decoder: every kind of file it
// writes is read the way it reads it (baseline, extended, progressive with any scan script,
// arithmetic coding, restart markers, any chroma subsampling, greyscale, CMYK). Its errors
// come back as a message, never as the library's exit(); its warnings (damaged entropy data,
// a missing end marker) leave the picture as libjpeg makes it.
#include "ImageFile.h"

class COrvJpegFile
{
public:
    // At most this many scans: a progressive file may legally hold hundreds, a hostile one
    // millions of empty scans that would keep the decoder busy for nothing.
    static constexpr int s_iMaxScans = 1000;

    // RGBA rows (alpha 255); m_iFileChannels 1 for greyscale files, else 3.
    static bool Decode(const uint8_t* pData, size_t uSize, SOrvPixels& rImage, std::string& sError);
};
