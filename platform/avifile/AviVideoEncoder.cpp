#include "AviVideoEncoder.h"

#include "AviCompressor.h"

extern "C"
{
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace orv::avi
{
namespace
{

bool IsLossless(const std::string& sEncoder)
{
    static const char* const s_aszLossless[] = {"ffv1",     "huffyuv", "ffvhuff",    "utvideo",
                                                "rawvideo", "png",     "libx264rgb", "qtrle"};
    for (const char* sz : s_aszLossless)
    {
        if (sEncoder == sz)
        {
            return true;
        }
    }
    return false;
}

bool Supports(const AVCodec* pCodec, AVPixelFormat fmt)
{
    if (pCodec->pix_fmts == nullptr)
    {
        return false;
    }
    for (const AVPixelFormat* p = pCodec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
    {
        if (*p == fmt)
        {
            return true;
        }
    }
    return false;
}

// Lossy codecs get 4:2:0, which every player decodes; lossless ones keep the colours.
AVPixelFormat ChoosePixelFormat(const AVCodec* pCodec, const std::string& sEncoder,
                                AVPixelFormat source)
{
    if (pCodec->pix_fmts == nullptr)
    {
        return source;
    }
    if (!IsLossless(sEncoder))
    {
        for (AVPixelFormat fmt : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUVJ420P})
        {
            if (Supports(pCodec, fmt))
            {
                return fmt;
            }
        }
    }
    if (Supports(pCodec, source))
    {
        return source;
    }
    return avcodec_find_best_pix_fmt_of_list(pCodec->pix_fmts, source, 0, nullptr);
}

// The host's quality (AVISetCompressorQuality), else the encoder's usual one here.
int QualityOr(int iDefault)
{
    const int iQuality = GetQuality();
    return iQuality >= 0 ? iQuality : iDefault;
}

void SetOption(AVCodecContext* pContext, const char* szName, int iValue)
{
    av_opt_set_int(pContext->priv_data, szName, iValue, 0);
}

void SetQuality(AVCodecContext* pContext, const std::string& sEncoder)
{
    if (sEncoder == "libx264" || sEncoder == "libx264rgb")
    {
        // Near-transparent quality at the encoder's fastest setting: recordings run beside
        // a software rasteriser on few cores, and size matters less than keeping up.
        av_opt_set(pContext->priv_data, "preset", "ultrafast", 0);
        SetOption(pContext, "crf", std::min(QualityOr(17), 51));
        pContext->max_b_frames = 0;
    }
    else if (sEncoder == "mjpeg" || sEncoder == "mpeg4" || sEncoder == "msmpeg4" ||
             sEncoder == "msmpeg4v2")
    {
        // Quantiser 2 by default; a rate factor of 0..51 maps onto quantisers 1..31.
        const int iScale = GetQuality() >= 0 ? 1 + std::min(GetQuality(), 51) * 30 / 51 : 2;
        pContext->flags |= AV_CODEC_FLAG_QSCALE;
        pContext->global_quality = FF_QP2LAMBDA * iScale;
        pContext->qmin = 1;
        pContext->qmax = std::max(3, iScale + 1);
        pContext->max_b_frames = 0;
    }
    else if (sEncoder == "libvpx" || sEncoder == "libvpx-vp9")
    {
        // Constant quality (no bit-rate cap) at real-time speed.
        SetOption(pContext, "crf", std::min(QualityOr(24), 63));
        pContext->bit_rate = 0;
        av_opt_set(pContext->priv_data, "deadline", "realtime", 0);
        SetOption(pContext, "cpu-used", 8);
        SetOption(pContext, "row-mt", 1);
    }
    else if (sEncoder == "libaom-av1")
    {
        SetOption(pContext, "crf", std::min(QualityOr(30), 63));
        pContext->bit_rate = 0;
        av_opt_set(pContext->priv_data, "usage", "realtime", 0);
        SetOption(pContext, "cpu-used", 10);
        SetOption(pContext, "row-mt", 1);
    }
    else if (sEncoder == "libsvtav1")
    {
        SetOption(pContext, "crf", std::min(QualityOr(30), 63));
        SetOption(pContext, "preset", 12);
    }
    else if (sEncoder == "ffv1")
    {
        pContext->slices = 4;
        av_opt_set(pContext->priv_data, "slicecrc", "0", 0);
    }
}

} // namespace

CAviVideoEncoder::~CAviVideoEncoder()
{
    sws_freeContext(m_pScaler);
    av_packet_free(&m_pPacket);
    av_frame_free(&m_pFrame);
    avcodec_free_context(&m_pContext);
}

bool CAviVideoEncoder::OpenContext(const AVCodec* pCodec, const std::string& sEncoder,
                                   int iSourceFormat, bool bEvenSize, bool bGlobalHeader)
{
    avcodec_free_context(&m_pContext);
    m_pContext = avcodec_alloc_context3(pCodec);
    if (m_pContext == nullptr)
    {
        return false;
    }
    m_pContext->pix_fmt =
        ChoosePixelFormat(pCodec, sEncoder, static_cast<AVPixelFormat>(iSourceFormat));
    int iEvenX = 0;
    int iEvenY = 0;
    if (bEvenSize)
    {
        const AVPixFmtDescriptor* pDesc = av_pix_fmt_desc_get(m_pContext->pix_fmt);
        iEvenX = pDesc != nullptr && pDesc->log2_chroma_w > 0 ? 1 : 0;
        iEvenY = pDesc != nullptr && pDesc->log2_chroma_h > 0 ? 1 : 0;
    }
    m_pContext->width = (m_format.iWidth + iEvenX) & ~iEvenX;
    m_pContext->height = (std::abs(m_format.iHeight) + iEvenY) & ~iEvenY;
    m_pContext->time_base = AVRational{m_format.iScale, m_format.iRate};
    m_pContext->framerate = AVRational{m_format.iRate, m_format.iScale};
    m_pContext->gop_size = 2 * m_format.iRate / m_format.iScale + 1;
    m_pContext->thread_count = static_cast<int>(std::thread::hardware_concurrency());
    m_pContext->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
    if (bGlobalHeader)
    {
        m_pContext->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    SetQuality(m_pContext, sEncoder);
    return avcodec_open2(m_pContext, pCodec, nullptr) >= 0;
}

bool CAviVideoEncoder::OpenFitting(const AVCodec* pCodec, const std::string& sEncoder,
                                   int iSourceFormat, bool bGlobalHeader)
{
    if (((m_format.iWidth | std::abs(m_format.iHeight)) & 1) == 0)
    {
        return OpenContext(pCodec, sEncoder, iSourceFormat, false, bGlobalHeader);
    }
    // A picture keeps its size where the encoder takes it; one that wants even sizes for
    // its subsampled chroma gets an odd picture stretched by one pixel. The first try's
    // refusal is no news for the log.
    int iLevel = av_log_get_level();
    av_log_set_level(AV_LOG_QUIET);
    bool bOpen = OpenContext(pCodec, sEncoder, iSourceFormat, false, bGlobalHeader);
    av_log_set_level(iLevel);
    return bOpen || OpenContext(pCodec, sEncoder, iSourceFormat, true, bGlobalHeader);
}

bool CAviVideoEncoder::Open(const std::string& sEncoder, const SVideoFormat& format,
                            bool bGlobalHeader)
{
    const AVCodec* pCodec = avcodec_find_encoder_by_name(sEncoder.c_str());
    if (pCodec == nullptr || pCodec->type != AVMEDIA_TYPE_VIDEO || format.iWidth <= 0 ||
        format.iHeight == 0 || format.iRate <= 0 || format.iScale <= 0 ||
        (format.iBitCount != 24 && format.iBitCount != 32))
    {
        return false;
    }
    m_format = format;
    // The fourth byte of a 32-bit device-independent bitmap is unused, not transparency.
    AVPixelFormat source = format.iBitCount == 24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_BGR0;
    m_pFrame = av_frame_alloc();
    m_pPacket = av_packet_alloc();
    if (m_pFrame == nullptr || m_pPacket == nullptr)
    {
        return false;
    }
    if (!OpenFitting(pCodec, sEncoder, source, bGlobalHeader))
    {
        return false;
    }
    m_pFrame->format = m_pContext->pix_fmt;
    m_pFrame->width = m_pContext->width;
    m_pFrame->height = m_pContext->height;
    if (av_frame_get_buffer(m_pFrame, 0) < 0)
    {
        return false;
    }
    m_pScaler = sws_getContext(format.iWidth, std::abs(format.iHeight), source, m_pContext->width,
                               m_pContext->height, m_pContext->pix_fmt, SWS_BILINEAR, nullptr,
                               nullptr, nullptr);
    return m_pScaler != nullptr;
}

bool CAviVideoEncoder::FillParameters(AVCodecParameters* pParams) const
{
    return m_pContext != nullptr && avcodec_parameters_from_context(pParams, m_pContext) >= 0;
}

int CAviVideoEncoder::GetTimeBaseNum() const
{
    return m_format.iScale;
}

int CAviVideoEncoder::GetTimeBaseDen() const
{
    return m_format.iRate;
}

size_t CAviVideoEncoder::GetFrameBytes() const
{
    return static_cast<size_t>(m_format.iWidth) * std::abs(m_format.iHeight) *
           (m_format.iBitCount / 8);
}

int CAviVideoEncoder::GetRows() const
{
    return std::abs(m_format.iHeight);
}

size_t CAviVideoEncoder::GetRowBytesFor(size_t cbFrame) const
{
    size_t cbPacked = static_cast<size_t>(m_format.iWidth) * (m_format.iBitCount / 8);
    size_t cbPadded = (cbPacked + 3) & ~size_t(3);
    size_t iRows = static_cast<size_t>(std::abs(m_format.iHeight));
    if (cbFrame == cbPadded * iRows)
    {
        return cbPadded;
    }
    return cbFrame >= cbPacked * iRows ? cbPacked : 0;
}

bool CAviVideoEncoder::Convert(const uint8_t* pBits, size_t cbRow)
{
    if (av_frame_make_writable(m_pFrame) < 0)
    {
        return false;
    }
    int iStride = static_cast<int>(cbRow);
    int iRows = std::abs(m_format.iHeight);
    const uint8_t* pFirst = pBits;
    if (m_format.iHeight > 0)
    {
        // Bottom-up rows: start at the last stored row, which is the top of the picture.
        pFirst = pBits + static_cast<size_t>(iRows - 1) * iStride;
        iStride = -iStride;
    }
    const uint8_t* const apSource[1] = {pFirst};
    const int aiStride[1] = {iStride};
    // The scaler answers with the height of the picture it made.
    return sws_scale(m_pScaler, apSource, aiStride, 0, iRows, m_pFrame->data, m_pFrame->linesize) ==
           m_pContext->height;
}

bool CAviVideoEncoder::Encode(const uint8_t* pBits, size_t cbRow, int64_t iPosition,
                              const PacketSink& sink)
{
    if (m_pContext == nullptr || !Convert(pBits, cbRow))
    {
        return false;
    }
    m_pFrame->pts = iPosition;
    if (avcodec_send_frame(m_pContext, m_pFrame) < 0)
    {
        return false;
    }
    return Drain(sink);
}

bool CAviVideoEncoder::Flush(const PacketSink& sink)
{
    if (m_pContext == nullptr || avcodec_send_frame(m_pContext, nullptr) < 0)
    {
        return false;
    }
    return Drain(sink);
}

bool CAviVideoEncoder::Drain(const PacketSink& sink)
{
    for (;;)
    {
        int iResult = avcodec_receive_packet(m_pContext, m_pPacket);
        if (iResult == AVERROR(EAGAIN) || iResult == AVERROR_EOF)
        {
            return true;
        }
        if (iResult < 0)
        {
            return false;
        }
        bool bWritten = sink(m_pPacket);
        av_packet_unref(m_pPacket);
        if (!bWritten)
        {
            return false;
        }
    }
}

} // namespace orv::avi
