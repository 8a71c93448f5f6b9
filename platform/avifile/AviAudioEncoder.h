#pragma once

// The sound of a file whose container wants it compressed (AAC in MP4, Opus in Matroska
// and WebM): takes 16-bit interleaved PCM as the host writes it, converts it to the
// encoder's sample format and rate, and hands out packets in whole encoder frames.
#include <cstdint>
#include <functional>
#include <string>

struct AVAudioFifo;
struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;
struct SwrContext;

namespace orv::avi
{

class CAviAudioEncoder
{
public:
    using PacketSink = std::function<bool(AVPacket*)>;

    CAviAudioEncoder() = default;
    ~CAviAudioEncoder();
    CAviAudioEncoder(const CAviAudioEncoder&) = delete;
    CAviAudioEncoder& operator=(const CAviAudioEncoder&) = delete;

    // The encoder a muxer wants for sound: "aac" for MP4 and QuickTime, "libopus" for
    // Matroska and WebM; empty when the muxer stores 16-bit PCM as it is.
    static std::string ChooseFor(const std::string& sMuxer);

    bool Open(const std::string& sEncoder, int iSampleRate, int iChannels, bool bGlobalHeader);
    bool FillParameters(AVCodecParameters* pParams) const;
    // Packets' time stamps count samples at this rate.
    int GetSampleRate() const;

    // Encodes iFrames sample frames of interleaved 16-bit PCM.
    bool Encode(const int16_t* pSamples, int iFrames, const PacketSink& sink);
    // Encodes what is left (the last frame padded with silence) and drains the encoder.
    bool Flush(const PacketSink& sink);

private:
    bool EncodeFifo(bool bLast, const PacketSink& sink);
    bool Drain(const PacketSink& sink);

    AVCodecContext* m_pContext = nullptr;
    SwrContext* m_pResampler = nullptr;
    AVAudioFifo* m_pFifo = nullptr;
    AVFrame* m_pFrame = nullptr;
    AVPacket* m_pPacket = nullptr;
    int m_iInputRate = 0;
    int m_iChannels = 0;
    int64_t m_iNextPts = 0;
};

} // namespace orv::avi
