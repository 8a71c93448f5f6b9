#pragma once

// A media file opened for reading through the AVIFile calls: its audio streams decode
// to 16-bit interleaved stereo PCM, its video streams to 24-bit bottom-up bitmaps.
#include "vfw.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace orv::avi
{

class CAviReader
{
public:
    CAviReader();
    ~CAviReader();
    CAviReader(const CAviReader&) = delete;
    CAviReader& operator=(const CAviReader&) = delete;

    HRESULT Open(const std::string& sPath);
    // The container's index of the lIndex-th stream of that type, or -1.
    int FindStream(DWORD fccType, LONG lIndex) const;
    HRESULT GetInfo(int iStream, AVISTREAMINFOA* pInfo);
    HRESULT ReadFormat(int iStream, void* pFormat, LONG* pcbFormat);
    HRESULT Read(int iStream, LONG lStart, LONG lSamples, void* pBuffer, LONG cbBuffer,
                 LONG* plBytes, LONG* plSamples);
    LONG GetLength(int iStream);

private:
    struct SDecoder;

    SDecoder* GetDecoder(int iStream);
    bool DecodeAllAudio(SDecoder& decoder);
    bool DecodeVideoFrame(SDecoder& decoder, LONG lPosition);
    bool Rewind(SDecoder& decoder);
    bool ReceiveFrame(SDecoder& decoder);
    int GetWidth(int iStream) const;
    int GetHeight(int iStream) const;

    AVFormatContext* m_pFormat = nullptr;
    std::vector<std::unique_ptr<SDecoder>> m_decoders;
};

} // namespace orv::avi
