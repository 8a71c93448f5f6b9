#include "BmpFile.h"

#include "PixelFormats.h"

extern "C"
{
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <cstdlib>
#include <memory>

namespace
{
uint32_t Read32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t Read16(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

// The masks a header gives (bit fields) or the defaults of uncompressed pixels.
void ReadMasks(const uint8_t* pData, size_t uSize, SOrvBmpHeader& rHeader)
{
    const bool bFields = rHeader.m_uCompression == COrvBmpFile::BITFIELDS ||
                         rHeader.m_uCompression == COrvBmpFile::ALPHABITFIELDS;
    if (!bFields)
    {
        if (rHeader.m_uBits == 16)
            rHeader.m_auMasks[0] = 0x7c00, rHeader.m_auMasks[1] = 0x03e0,
            rHeader.m_auMasks[2] = 0x001f;
        else if (rHeader.m_uBits == 32)
            rHeader.m_auMasks[0] = 0xff0000, rHeader.m_auMasks[1] = 0xff00,
            rHeader.m_auMasks[2] = 0xff;
        return;
    }
    // In version 2 and later headers the masks are part of the header; after a 40-byte
    // header they follow it.
    const int iCount =
        (rHeader.m_uCompression == COrvBmpFile::ALPHABITFIELDS || rHeader.m_uHeaderSize >= 56) ? 4
                                                                                               : 3;
    if (uSize < 14 + 40 + 4 * size_t(iCount))
        return;
    for (int i = 0; i < iCount; ++i)
        rHeader.m_auMasks[i] = Read32(pData + 54 + 4 * i);
}

struct SCodecDeleter
{
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
    void operator()(AVFrame* p) const { av_frame_free(&p); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
    void operator()(SwsContext* p) const { sws_freeContext(p); }
};
template <class T> using TCodecPtr = std::unique_ptr<T, SCodecDeleter>;

// The decoded picture as RGBA rows.
bool FrameToRgba(const AVFrame& frame, SOrvPixels& rImage)
{
    TCodecPtr<SwsContext> pScale(
        sws_getContext(frame.width, frame.height, AVPixelFormat(frame.format), frame.width,
                       frame.height, AV_PIX_FMT_RGBA, SWS_POINT, nullptr, nullptr, nullptr));
    if (!pScale)
        return false;
    rImage.m_uWidth = UINT(frame.width);
    rImage.m_uHeight = UINT(frame.height);
    rImage.m_auRgba.assign(size_t(frame.width) * size_t(frame.height) * 4, 0);
    uint8_t* apDest[4] = {rImage.m_auRgba.data(), nullptr, nullptr, nullptr};
    const int aiPitch[4] = {frame.width * 4, 0, 0, 0};
    return sws_scale(pScale.get(), frame.data, frame.linesize, 0, frame.height, apDest, aiPitch) ==
           frame.height;
}
} // namespace

bool COrvBmpFile::ReadHeader(const uint8_t* pData, size_t uSize, SOrvBmpHeader& rHeader)
{
    rHeader = SOrvBmpHeader();
    if (uSize < 14 + 12 || pData[0] != 'B' || pData[1] != 'M')
        return false;
    rHeader.m_uDataOffset = Read32(pData + 10);
    rHeader.m_uHeaderSize = Read32(pData + 14);
    const uint32_t uHeaderSize = rHeader.m_uHeaderSize;
    if (uHeaderSize == 12) // OS/2 version 1
    {
        rHeader.m_iWidth = int32_t(Read16(pData + 18));
        rHeader.m_iHeight = int32_t(Read16(pData + 20));
        rHeader.m_uBits = Read16(pData + 24);
        return true;
    }
    if (uHeaderSize < 16 || uHeaderSize > 1024 || uSize < 14 + size_t(uHeaderSize))
        return false;
    rHeader.m_iWidth = int32_t(Read32(pData + 18));
    rHeader.m_iHeight = int32_t(Read32(pData + 22));
    rHeader.m_uBits = Read16(pData + 28);
    rHeader.m_uCompression = uHeaderSize >= 20 ? Read32(pData + 30) : 0;
    // OS/2 version 2 headers give compression 3 and 4 other meanings (Huffman, RLE24).
    const bool bOs2 = uHeaderSize == 64 || (uHeaderSize < 40 && uHeaderSize != 12);
    if (bOs2 && rHeader.m_uCompression >= 3)
        rHeader.m_uCompression = 0xffff;
    ReadMasks(pData, uSize, rHeader);
    return true;
}

D3DFORMAT COrvBmpFile::FileFormat(const SOrvBmpHeader& rHeader)
{
    if (rHeader.m_uBits <= 8)
        return D3DFMT_P8;
    if (rHeader.m_uBits == 24)
        return D3DFMT_R8G8B8;
    const uint32_t* pMasks = rHeader.m_auMasks;
    const D3DFORMAT eFormat = orv::pixels::FromMasks(rHeader.m_uBits, pMasks[0], pMasks[1],
                                                     pMasks[2], pMasks[3], false, false);
    if (eFormat != D3DFMT_UNKNOWN)
        return eFormat;
    return pMasks[3] ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
}

bool COrvBmpFile::DecodeRle(const uint8_t* pData, size_t uSize, SOrvPixels& rImage,
                            std::string& sError)
{
    sError = "the run-length-encoded BMP cannot be decoded";
    const AVCodec* pCodec = avcodec_find_decoder(AV_CODEC_ID_BMP);
    TCodecPtr<AVCodecContext> pContext(pCodec ? avcodec_alloc_context3(pCodec) : nullptr);
    TCodecPtr<AVPacket> pPacket(av_packet_alloc());
    TCodecPtr<AVFrame> pFrame(av_frame_alloc());
    if (!pContext || !pPacket || !pFrame || uSize > size_t(INT32_MAX) ||
        avcodec_open2(pContext.get(), pCodec, nullptr) < 0 ||
        av_new_packet(pPacket.get(), int(uSize)) < 0)
        return false;
    std::memcpy(pPacket->data, pData, uSize);
    if (avcodec_send_packet(pContext.get(), pPacket.get()) < 0 ||
        avcodec_receive_frame(pContext.get(), pFrame.get()) < 0 || pFrame->width <= 0 ||
        pFrame->height <= 0 || UINT(pFrame->width) > ORV_MAX_IMAGE_SIZE ||
        UINT(pFrame->height) > ORV_MAX_IMAGE_SIZE || !FrameToRgba(*pFrame, rImage))
        return false;
    sError.clear();
    return true;
}

bool COrvBmpFile::DecodeBitFields(const uint8_t* pData, size_t uSize, const SOrvBmpHeader& rHeader,
                                  SOrvPixels& rImage, std::string& sError)
{
    const UINT uWidth = UINT(std::abs(int64_t(rHeader.m_iWidth)));
    const UINT uHeight = UINT(std::abs(int64_t(rHeader.m_iHeight)));
    const UINT uBytes = rHeader.m_uBits / 8;
    const size_t uStride = (size_t(uWidth) * rHeader.m_uBits + 31) / 32 * 4;
    if ((rHeader.m_uBits != 16 && rHeader.m_uBits != 32) || rHeader.m_iWidth <= 0 || uHeight == 0 ||
        uWidth > ORV_MAX_IMAGE_SIZE || uHeight > ORV_MAX_IMAGE_SIZE ||
        (rHeader.m_uCompression != 0 && rHeader.m_uCompression != BITFIELDS &&
         rHeader.m_uCompression != ALPHABITFIELDS) ||
        rHeader.m_uDataOffset > uSize || (uSize - rHeader.m_uDataOffset) / uStride < uHeight)
    {
        sError = "the BMP's pixels cannot be read";
        return false;
    }
    rImage.m_uWidth = uWidth;
    rImage.m_uHeight = uHeight;
    rImage.m_auRgba.resize(size_t(uWidth) * uHeight * 4);
    for (UINT y = 0; y < uHeight; ++y)
    {
        const UINT uFileRow = rHeader.m_iHeight > 0 ? uHeight - 1 - y : y;
        const uint8_t* pIn = pData + rHeader.m_uDataOffset + uFileRow * uStride;
        uint8_t* pOut = &rImage.m_auRgba[size_t(y) * uWidth * 4];
        for (UINT x = 0; x < uWidth; ++x, pIn += uBytes, pOut += 4)
        {
            const uint32_t uPixel = uBytes == 2 ? Read16(pIn) : Read32(pIn);
            for (int c = 0; c < 4; ++c)
                pOut[c] = orv::pixels::Channel(uPixel, rHeader.m_auMasks[c]);
        }
    }
    return true;
}
