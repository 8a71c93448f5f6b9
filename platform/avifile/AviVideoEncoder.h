#pragma once

// One video encoder of an AVI file being written: takes device-independent bitmaps
// (24 or 32 bits, bottom-up or top-down rows, packed or padded to 4 bytes), converts them
// to the encoder's pixel format and hands out the compressed packets.
#include <cstdint>
#include <functional>
#include <string>

struct AVCodec;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;
struct AVCodecParameters;

namespace orv::avi
{

struct SVideoFormat
{
    int iWidth = 0;
    int iHeight = 0;    // rows as stored: positive means bottom-up
    int iBitCount = 24; // 24 (BGR) or 32 (BGR and an unused byte)
    int iRate = 25;     // the stream runs at iRate / iScale frames per second
    int iScale = 1;
};

class CAviVideoEncoder
{
public:
    using PacketSink = std::function<bool(AVPacket*)>;

    CAviVideoEncoder() = default;
    ~CAviVideoEncoder();
    CAviVideoEncoder(const CAviVideoEncoder&) = delete;
    CAviVideoEncoder& operator=(const CAviVideoEncoder&) = delete;

    // Opens the encoder; bGlobalHeader when the container wants codec headers apart.
    bool Open(const std::string& sEncoder, const SVideoFormat& format, bool bGlobalHeader);
    bool FillParameters(AVCodecParameters* pParams) const;
    // The encoder's time base, in which packets' time stamps are given.
    int GetTimeBaseNum() const;
    int GetTimeBaseDen() const;
    // Bytes of a frame whose rows are packed (width x bytes per pixel each).
    size_t GetFrameBytes() const;
    // Bytes of a row in a frame of cbFrame bytes: padded to 4 bytes, as GDI's
    // device-independent bitmaps are, when cbFrame is exactly the size of such a frame;
    // packed otherwise. 0 when cbFrame is too small for a frame.
    size_t GetRowBytesFor(size_t cbFrame) const;
    int GetRows() const;

    // Encodes one bitmap of rows of cbRow bytes at frame position iPosition; packets go
    // to the sink.
    bool Encode(const uint8_t* pBits, size_t cbRow, int64_t iPosition, const PacketSink& sink);
    // Drains the frames the encoder still holds.
    bool Flush(const PacketSink& sink);

private:
    bool Drain(const PacketSink& sink);
    bool Convert(const uint8_t* pBits, size_t cbRow);
    bool OpenContext(const AVCodec* pCodec, const std::string& sEncoder, int iSourceFormat,
                     bool bEvenSize, bool bGlobalHeader);
    // Opens at the picture's own size, or an even one where the encoder needs it.
    bool OpenFitting(const AVCodec* pCodec, const std::string& sEncoder, int iSourceFormat,
                     bool bGlobalHeader);

    SVideoFormat m_format;
    AVCodecContext* m_pContext = nullptr;
    AVFrame* m_pFrame = nullptr;
    AVPacket* m_pPacket = nullptr;
    SwsContext* m_pScaler = nullptr;
};

} // namespace orv::avi
