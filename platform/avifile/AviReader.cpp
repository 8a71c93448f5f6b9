#include "AviReader.h"

extern "C"
{
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>

namespace orv::avi
{

struct CAviReader::SDecoder
{
    AVCodecContext* pContext = nullptr;
    AVFrame* pFrame = nullptr;
    AVPacket* pPacket = nullptr;
    SwsContext* pScaler = nullptr;
    int iStream = 0;
    bool bFailed = false;
    bool bEnd = false;
    // Sound: every sample frame of the stream, 16-bit stereo interleaved.
    bool bAudioDone = false;
    std::vector<int16_t> pcm;
    int iSampleRate = 0;
    // Pictures: the last decoded one, as a bottom-up BGR bitmap, and its position.
    std::vector<uint8_t> bitmap;
    LONG lDecoded = -1;

    ~SDecoder()
    {
        sws_freeContext(pScaler);
        av_packet_free(&pPacket);
        av_frame_free(&pFrame);
        avcodec_free_context(&pContext);
    }
};

CAviReader::CAviReader() = default;

CAviReader::~CAviReader()
{
    m_decoders.clear();
    avformat_close_input(&m_pFormat);
}

HRESULT CAviReader::Open(const std::string& sPath)
{
    if (avformat_open_input(&m_pFormat, sPath.c_str(), nullptr, nullptr) < 0)
    {
        return AVIERR_FILEOPEN;
    }
    if (avformat_find_stream_info(m_pFormat, nullptr) < 0)
    {
        return AVIERR_FILEREAD;
    }
    m_decoders.resize(m_pFormat->nb_streams);
    return AVIERR_OK;
}

int CAviReader::FindStream(DWORD fccType, LONG lIndex) const
{
    AVMediaType type = fccType == streamtypeVIDEO   ? AVMEDIA_TYPE_VIDEO
                       : fccType == streamtypeAUDIO ? AVMEDIA_TYPE_AUDIO
                                                    : AVMEDIA_TYPE_UNKNOWN;
    LONG lSeen = 0;
    for (unsigned i = 0; m_pFormat != nullptr && i < m_pFormat->nb_streams; ++i)
    {
        AVMediaType streamType = m_pFormat->streams[i]->codecpar->codec_type;
        if ((fccType == 0 || streamType == type) && lSeen++ == lIndex)
        {
            return static_cast<int>(i);
        }
    }
    return -1;
}

CAviReader::SDecoder* CAviReader::GetDecoder(int iStream)
{
    std::unique_ptr<SDecoder>& pDecoder = m_decoders[iStream];
    if (pDecoder)
    {
        return pDecoder->bFailed ? nullptr : pDecoder.get();
    }
    pDecoder = std::make_unique<SDecoder>();
    pDecoder->iStream = iStream;
    const AVCodecParameters* pParams = m_pFormat->streams[iStream]->codecpar;
    const AVCodec* pCodec = avcodec_find_decoder(pParams->codec_id);
    pDecoder->pContext = pCodec != nullptr ? avcodec_alloc_context3(pCodec) : nullptr;
    pDecoder->pFrame = av_frame_alloc();
    pDecoder->pPacket = av_packet_alloc();
    if (pDecoder->pContext == nullptr || pDecoder->pFrame == nullptr ||
        pDecoder->pPacket == nullptr ||
        avcodec_parameters_to_context(pDecoder->pContext, pParams) < 0 ||
        avcodec_open2(pDecoder->pContext, pCodec, nullptr) < 0)
    {
        pDecoder->bFailed = true;
        return nullptr;
    }
    return pDecoder.get();
}

// Reads packets of the decoder's stream until it gives a frame; false at the end.
bool CAviReader::ReceiveFrame(SDecoder& decoder)
{
    for (;;)
    {
        int iResult = avcodec_receive_frame(decoder.pContext, decoder.pFrame);
        if (iResult >= 0)
        {
            return true;
        }
        if (iResult != AVERROR(EAGAIN) || decoder.bEnd)
        {
            return false;
        }
        iResult = av_read_frame(m_pFormat, decoder.pPacket);
        if (iResult < 0)
        {
            decoder.bEnd = true;
            avcodec_send_packet(decoder.pContext, nullptr);
            continue;
        }
        if (decoder.pPacket->stream_index == decoder.iStream)
        {
            avcodec_send_packet(decoder.pContext, decoder.pPacket);
        }
        av_packet_unref(decoder.pPacket);
    }
}

bool CAviReader::DecodeAllAudio(SDecoder& decoder)
{
    if (decoder.bAudioDone)
    {
        return true;
    }
    decoder.bAudioDone = true;
    AVCodecContext* pContext = decoder.pContext;
    decoder.iSampleRate = pContext->sample_rate;
    SwrContext* pResampler = nullptr;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (swr_alloc_set_opts2(&pResampler, &stereo, AV_SAMPLE_FMT_S16, pContext->sample_rate,
                            &pContext->ch_layout, pContext->sample_fmt, pContext->sample_rate, 0,
                            nullptr) < 0 ||
        swr_init(pResampler) < 0)
    {
        swr_free(&pResampler);
        return false;
    }
    bool bOk = true;
    while (bOk && ReceiveFrame(decoder))
    {
        int iCount = decoder.pFrame->nb_samples;
        size_t iOld = decoder.pcm.size();
        decoder.pcm.resize(iOld + static_cast<size_t>(iCount) * 2);
        uint8_t* pOut = reinterpret_cast<uint8_t*>(decoder.pcm.data() + iOld);
        int iDone = swr_convert(pResampler, &pOut, iCount,
                                const_cast<const uint8_t**>(decoder.pFrame->extended_data), iCount);
        bOk = iDone >= 0;
        decoder.pcm.resize(iOld + static_cast<size_t>(std::max(iDone, 0)) * 2);
        av_frame_unref(decoder.pFrame);
    }
    swr_free(&pResampler);
    // Sound is read whole; put the file back at its start for the other streams.
    av_seek_frame(m_pFormat, -1, 0, AVSEEK_FLAG_BACKWARD);
    for (std::unique_ptr<SDecoder>& pOther : m_decoders)
    {
        if (pOther && !pOther->bFailed && pOther.get() != &decoder)
        {
            avcodec_flush_buffers(pOther->pContext);
            pOther->bEnd = false;
            pOther->lDecoded = -1;
        }
    }
    return bOk;
}

int CAviReader::GetWidth(int iStream) const
{
    return m_pFormat->streams[iStream]->codecpar->width;
}

int CAviReader::GetHeight(int iStream) const
{
    return m_pFormat->streams[iStream]->codecpar->height;
}

bool CAviReader::Rewind(SDecoder& decoder)
{
    if (av_seek_frame(m_pFormat, decoder.iStream, 0, AVSEEK_FLAG_BACKWARD) < 0)
    {
        return false;
    }
    avcodec_flush_buffers(decoder.pContext);
    decoder.bEnd = false;
    decoder.lDecoded = -1;
    return true;
}

bool CAviReader::DecodeVideoFrame(SDecoder& decoder, LONG lPosition)
{
    if (lPosition < decoder.lDecoded && !Rewind(decoder))
    {
        return false;
    }
    while (decoder.lDecoded < lPosition)
    {
        if (!ReceiveFrame(decoder))
        {
            return false;
        }
        ++decoder.lDecoded;
        if (decoder.lDecoded < lPosition)
        {
            av_frame_unref(decoder.pFrame);
        }
    }
    AVFrame* pFrame = decoder.pFrame;
    if (pFrame->data[0] == nullptr)
    {
        return !decoder.bitmap.empty();
    }
    int iWidth = pFrame->width;
    int iHeight = pFrame->height;
    decoder.pScaler = sws_getCachedContext(
        decoder.pScaler, iWidth, iHeight, static_cast<AVPixelFormat>(pFrame->format), iWidth,
        iHeight, AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (decoder.pScaler == nullptr)
    {
        return false;
    }
    decoder.bitmap.resize(static_cast<size_t>(iWidth) * iHeight * 3);
    // Bottom-up rows, as a device-independent bitmap stores them.
    uint8_t* pLast = decoder.bitmap.data() + static_cast<size_t>(iHeight - 1) * iWidth * 3;
    uint8_t* const apOut[1] = {pLast};
    const int aiStride[1] = {-iWidth * 3};
    sws_scale(decoder.pScaler, pFrame->data, pFrame->linesize, 0, iHeight, apOut, aiStride);
    av_frame_unref(pFrame);
    return true;
}

LONG CAviReader::GetLength(int iStream)
{
    const AVStream* pStream = m_pFormat->streams[iStream];
    if (pStream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
    {
        SDecoder* pDecoder = GetDecoder(iStream);
        if (pDecoder == nullptr || !DecodeAllAudio(*pDecoder))
        {
            return 0;
        }
        return static_cast<LONG>(pDecoder->pcm.size() / 2);
    }
    if (pStream->nb_frames > 0)
    {
        return static_cast<LONG>(pStream->nb_frames);
    }
    if (pStream->duration != AV_NOPTS_VALUE && pStream->avg_frame_rate.num > 0)
    {
        return static_cast<LONG>(
            av_rescale_q(pStream->duration, pStream->time_base, av_inv_q(pStream->avg_frame_rate)));
    }
    return 0;
}

HRESULT CAviReader::GetInfo(int iStream, AVISTREAMINFOA* pInfo)
{
    const AVStream* pStream = m_pFormat->streams[iStream];
    std::memset(pInfo, 0, sizeof(*pInfo));
    pInfo->dwLength = static_cast<DWORD>(GetLength(iStream));
    if (pStream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
    {
        int iRate = pStream->codecpar->sample_rate;
        pInfo->fccType = streamtypeAUDIO;
        pInfo->dwScale = 4;
        pInfo->dwRate = static_cast<DWORD>(iRate) * 4;
        pInfo->dwSampleSize = 4;
        pInfo->dwSuggestedBufferSize = static_cast<DWORD>(iRate) * 4;
    }
    else
    {
        AVRational rate =
            pStream->avg_frame_rate.num > 0 ? pStream->avg_frame_rate : pStream->r_frame_rate;
        pInfo->fccType = streamtypeVIDEO;
        pInfo->fccHandler = pStream->codecpar->codec_tag;
        pInfo->dwScale = static_cast<DWORD>(rate.den > 0 ? rate.den : 1);
        pInfo->dwRate = static_cast<DWORD>(rate.num > 0 ? rate.num : 25);
        pInfo->rcFrame = RECT{0, 0, GetWidth(iStream), GetHeight(iStream)};
        pInfo->dwSuggestedBufferSize =
            static_cast<DWORD>(GetWidth(iStream)) * GetHeight(iStream) * 3;
    }
    const AVDictionaryEntry* pTitle = av_dict_get(pStream->metadata, "title", nullptr, 0);
    if (pTitle != nullptr)
    {
        std::strncpy(pInfo->szName, pTitle->value, sizeof(pInfo->szName) - 1);
    }
    return AVIERR_OK;
}

HRESULT CAviReader::ReadFormat(int iStream, void* pFormat, LONG* pcbFormat)
{
    if (pcbFormat == nullptr)
    {
        return AVIERR_BADPARAM;
    }
    const AVCodecParameters* pParams = m_pFormat->streams[iStream]->codecpar;
    bool bAudio = pParams->codec_type == AVMEDIA_TYPE_AUDIO;
    LONG cbNeeded = bAudio ? sizeof(PCMWAVEFORMAT) : sizeof(BITMAPINFOHEADER);
    if (pFormat == nullptr)
    {
        *pcbFormat = cbNeeded;
        return AVIERR_OK;
    }
    if (*pcbFormat < cbNeeded)
    {
        return AVIERR_BUFFERTOOSMALL;
    }
    if (bAudio)
    {
        PCMWAVEFORMAT wave{};
        wave.wf.wFormatTag = WAVE_FORMAT_PCM;
        wave.wf.nChannels = 2;
        wave.wf.nSamplesPerSec = static_cast<DWORD>(pParams->sample_rate);
        wave.wf.nAvgBytesPerSec = static_cast<DWORD>(pParams->sample_rate) * 4;
        wave.wf.nBlockAlign = 4;
        wave.wBitsPerSample = 16;
        std::memcpy(pFormat, &wave, sizeof(wave));
    }
    else
    {
        BITMAPINFOHEADER header{};
        header.biSize = sizeof(header);
        header.biWidth = pParams->width;
        header.biHeight = pParams->height;
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        header.biSizeImage = static_cast<DWORD>(pParams->width) * pParams->height * 3;
        std::memcpy(pFormat, &header, sizeof(header));
    }
    *pcbFormat = cbNeeded;
    return AVIERR_OK;
}

HRESULT CAviReader::Read(int iStream, LONG lStart, LONG lSamples, void* pBuffer, LONG cbBuffer,
                         LONG* plBytes, LONG* plSamples)
{
    LONG lBytes = 0;
    LONG lRead = 0;
    SDecoder* pDecoder = GetDecoder(iStream);
    if (pDecoder == nullptr || lStart < 0 || lSamples < 0 || cbBuffer < 0)
    {
        return AVIERR_FILEREAD;
    }
    if (m_pFormat->streams[iStream]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
    {
        if (!DecodeAllAudio(*pDecoder))
        {
            return AVIERR_FILEREAD;
        }
        LONG lTotal = static_cast<LONG>(pDecoder->pcm.size() / 2);
        lRead = std::clamp<LONG>(lTotal - lStart, 0, lSamples);
        if (pBuffer != nullptr)
        {
            lRead = std::min<LONG>(lRead, cbBuffer / 4);
            std::memcpy(pBuffer, pDecoder->pcm.data() + static_cast<size_t>(lStart) * 2,
                        static_cast<size_t>(lRead) * 4);
        }
        lBytes = lRead * 4;
    }
    else if (lSamples > 0)
    {
        if (!DecodeVideoFrame(*pDecoder, lStart))
        {
            return AVIERR_NODATA;
        }
        lBytes = static_cast<LONG>(pDecoder->bitmap.size());
        if (pBuffer != nullptr)
        {
            if (cbBuffer < lBytes)
            {
                return AVIERR_BUFFERTOOSMALL;
            }
            std::memcpy(pBuffer, pDecoder->bitmap.data(), pDecoder->bitmap.size());
        }
        lRead = 1;
    }
    if (plBytes != nullptr)
    {
        *plBytes = lBytes;
    }
    if (plSamples != nullptr)
    {
        *plSamples = lRead;
    }
    return AVIERR_OK;
}

} // namespace orv::avi
