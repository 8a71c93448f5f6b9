#include "AviAudioEncoder.h"

extern "C"
{
#include <libavcodec/avcodec.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

namespace orv::avi
{
namespace
{

AVSampleFormat ChooseSampleFormat(const AVCodec* pCodec)
{
    if (pCodec->sample_fmts == nullptr)
    {
        return AV_SAMPLE_FMT_S16;
    }
    for (const AVSampleFormat* p = pCodec->sample_fmts; *p != AV_SAMPLE_FMT_NONE; ++p)
    {
        if (*p == AV_SAMPLE_FMT_FLTP || *p == AV_SAMPLE_FMT_FLT)
        {
            return *p;
        }
    }
    return pCodec->sample_fmts[0];
}

// The input rate when the encoder takes it, else the lowest rate above it (Opus: 48 kHz),
// else the highest it has.
int ChooseSampleRate(const AVCodec* pCodec, int iRate)
{
    if (pCodec->supported_samplerates == nullptr)
    {
        return iRate;
    }
    int iAbove = 0;
    int iHighest = 0;
    for (const int* p = pCodec->supported_samplerates; *p != 0; ++p)
    {
        if (*p == iRate)
        {
            return iRate;
        }
        if (*p > iRate && (iAbove == 0 || *p < iAbove))
        {
            iAbove = *p;
        }
        iHighest = std::max(iHighest, *p);
    }
    return iAbove != 0 ? iAbove : iHighest;
}

} // namespace

CAviAudioEncoder::~CAviAudioEncoder()
{
    av_packet_free(&m_pPacket);
    av_frame_free(&m_pFrame);
    if (m_pFifo != nullptr)
    {
        av_audio_fifo_free(m_pFifo);
    }
    swr_free(&m_pResampler);
    avcodec_free_context(&m_pContext);
}

std::string CAviAudioEncoder::ChooseFor(const std::string& sMuxer)
{
    if (sMuxer == "mp4")
    {
        return "aac";
    }
    if (sMuxer == "matroska" || sMuxer == "webm")
    {
        return avcodec_find_encoder_by_name("libopus") != nullptr ? "libopus" : "libvorbis";
    }
    return std::string();
}

bool CAviAudioEncoder::Open(const std::string& sEncoder, int iSampleRate, int iChannels,
                            bool bGlobalHeader)
{
    const AVCodec* pCodec = avcodec_find_encoder_by_name(sEncoder.c_str());
    if (pCodec == nullptr || pCodec->type != AVMEDIA_TYPE_AUDIO || iSampleRate <= 0 ||
        iChannels < 1 || iChannels > 2)
    {
        return false;
    }
    m_iInputRate = iSampleRate;
    m_iChannels = iChannels;
    m_pContext = avcodec_alloc_context3(pCodec);
    m_pFrame = av_frame_alloc();
    m_pPacket = av_packet_alloc();
    if (m_pContext == nullptr || m_pFrame == nullptr || m_pPacket == nullptr)
    {
        return false;
    }
    m_pContext->sample_fmt = ChooseSampleFormat(pCodec);
    m_pContext->sample_rate = ChooseSampleRate(pCodec, iSampleRate);
    av_channel_layout_default(&m_pContext->ch_layout, iChannels);
    m_pContext->bit_rate = 96000 * iChannels;
    m_pContext->time_base = AVRational{1, m_pContext->sample_rate};
    if (bGlobalHeader)
    {
        m_pContext->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (avcodec_open2(m_pContext, pCodec, nullptr) < 0)
    {
        return false;
    }
    AVChannelLayout inLayout{};
    av_channel_layout_default(&inLayout, iChannels);
    if (swr_alloc_set_opts2(&m_pResampler, &m_pContext->ch_layout, m_pContext->sample_fmt,
                            m_pContext->sample_rate, &inLayout, AV_SAMPLE_FMT_S16, iSampleRate, 0,
                            nullptr) < 0 ||
        swr_init(m_pResampler) < 0)
    {
        return false;
    }
    m_pFifo = av_audio_fifo_alloc(m_pContext->sample_fmt, iChannels, 4096);
    return m_pFifo != nullptr;
}

bool CAviAudioEncoder::FillParameters(AVCodecParameters* pParams) const
{
    return m_pContext != nullptr && avcodec_parameters_from_context(pParams, m_pContext) >= 0;
}

int CAviAudioEncoder::GetSampleRate() const
{
    return m_pContext != nullptr ? m_pContext->sample_rate : 0;
}

bool CAviAudioEncoder::Encode(const int16_t* pSamples, int iFrames, const PacketSink& sink)
{
    if (m_pResampler == nullptr || iFrames < 0)
    {
        return false;
    }
    const int iRoom = swr_get_out_samples(m_pResampler, iFrames);
    if (iRoom < 0)
    {
        return false;
    }
    uint8_t** ppOut = nullptr;
    if (av_samples_alloc_array_and_samples(&ppOut, nullptr, m_iChannels, std::max(iRoom, 1),
                                           m_pContext->sample_fmt, 0) < 0)
    {
        return false;
    }
    const uint8_t* pIn = reinterpret_cast<const uint8_t*>(pSamples);
    const int iMade =
        swr_convert(m_pResampler, ppOut, iRoom, pSamples != nullptr ? &pIn : nullptr, iFrames);
    bool bOk =
        iMade >= 0 && av_audio_fifo_write(m_pFifo, reinterpret_cast<void**>(ppOut), iMade) == iMade;
    av_freep(&ppOut[0]);
    av_freep(&ppOut);
    return bOk && EncodeFifo(false, sink);
}

bool CAviAudioEncoder::EncodeFifo(bool bLast, const PacketSink& sink)
{
    const int iFrameSize = m_pContext->frame_size > 0 ? m_pContext->frame_size : 1024;
    const bool bSmallLast = (m_pContext->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;
    while (av_audio_fifo_size(m_pFifo) >= iFrameSize || (bLast && av_audio_fifo_size(m_pFifo) > 0))
    {
        const int iTake = std::min(iFrameSize, av_audio_fifo_size(m_pFifo));
        av_frame_unref(m_pFrame);
        m_pFrame->format = m_pContext->sample_fmt;
        m_pFrame->sample_rate = m_pContext->sample_rate;
        m_pFrame->nb_samples = bSmallLast ? iTake : iFrameSize;
        if (av_channel_layout_copy(&m_pFrame->ch_layout, &m_pContext->ch_layout) < 0 ||
            av_frame_get_buffer(m_pFrame, 0) < 0)
        {
            return false;
        }
        // An encoder that takes only whole frames gets the last one padded with silence.
        av_samples_set_silence(m_pFrame->data, 0, m_pFrame->nb_samples, m_iChannels,
                               m_pContext->sample_fmt);
        if (av_audio_fifo_read(m_pFifo, reinterpret_cast<void**>(m_pFrame->data), iTake) != iTake)
        {
            return false;
        }
        m_pFrame->pts = m_iNextPts;
        m_iNextPts += iTake;
        if (avcodec_send_frame(m_pContext, m_pFrame) < 0 || !Drain(sink))
        {
            return false;
        }
    }
    return true;
}

bool CAviAudioEncoder::Flush(const PacketSink& sink)
{
    if (m_pContext == nullptr)
    {
        return false;
    }
    // What the resampler still holds, then the rest of the queue.
    bool bOk = Encode(nullptr, 0, sink) && EncodeFifo(true, sink);
    return avcodec_send_frame(m_pContext, nullptr) >= 0 && Drain(sink) && bOk;
}

bool CAviAudioEncoder::Drain(const PacketSink& sink)
{
    for (;;)
    {
        const int iResult = avcodec_receive_packet(m_pContext, m_pPacket);
        if (iResult == AVERROR(EAGAIN) || iResult == AVERROR_EOF)
        {
            return true;
        }
        if (iResult < 0)
        {
            return false;
        }
        const bool bWritten = sink(m_pPacket);
        av_packet_unref(m_pPacket);
        if (!bWritten)
        {
            return false;
        }
    }
}

} // namespace orv::avi
