#include "BassFfmpegDecoder.h"

extern "C"
{
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace orv::bass
{
namespace
{
constexpr int kMaxChannels = 16;
constexpr int kMaxRate = 768000;
constexpr int64_t kMaxSeconds = 24 * 3600; // longer is a damaged or hostile file
constexpr int kIoBufferBytes = 32768;

int ReadFile(void* pOpaque, uint8_t* pBuffer, int size)
{
    const size_t got =
        std::fread(pBuffer, 1, static_cast<size_t>(size), static_cast<FILE*>(pOpaque));
    return got > 0 ? static_cast<int>(got) : AVERROR_EOF;
}

int64_t SeekFile(void* pOpaque, int64_t offset, int whence)
{
    auto* pFile = static_cast<FILE*>(pOpaque);
    if (whence & AVSEEK_SIZE)
    {
        struct stat info
        {
        };
        return fstat(fileno(pFile), &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
    }
    whence &= ~AVSEEK_FORCE;
    if (fseeko(pFile, offset, whence) != 0)
        return AVERROR(EIO);
    return ftello(pFile);
}

// Playlists and other multi-file formats would reach files the music does not name.
int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**)
{
    return AVERROR(EPERM);
}

// Sample c of frame i of a decoded block, as a float in [-1, 1].
float SampleOf(const AVFrame& frame, int channels, int i, int c)
{
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    const uint8_t* pData = frame.extended_data[planar ? c : 0];
    const size_t index = planar ? static_cast<size_t>(i)
                                : static_cast<size_t>(i) * static_cast<size_t>(channels) + c;
    switch (av_get_packed_sample_fmt(format))
    {
    case AV_SAMPLE_FMT_U8:
        return (static_cast<float>(pData[index]) - 128.0f) / 128.0f;
    case AV_SAMPLE_FMT_S16:
        return static_cast<float>(reinterpret_cast<const int16_t*>(pData)[index]) / 32768.0f;
    case AV_SAMPLE_FMT_S32:
        return static_cast<float>(reinterpret_cast<const int32_t*>(pData)[index] / 2147483648.0);
    case AV_SAMPLE_FMT_S64:
        return static_cast<float>(
            static_cast<double>(reinterpret_cast<const int64_t*>(pData)[index]) /
            9.2233720368547758e18);
    case AV_SAMPLE_FMT_FLT:
        return reinterpret_cast<const float*>(pData)[index];
    case AV_SAMPLE_FMT_DBL:
        return static_cast<float>(reinterpret_cast<const double*>(pData)[index]);
    default:
        return 0.0f;
    }
}

bool IsKnownSampleFormat(int format)
{
    switch (av_get_packed_sample_fmt(static_cast<AVSampleFormat>(format)))
    {
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S64:
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_DBL:
        return true;
    default:
        return false;
    }
}
} // namespace

CBassFfmpegDecoder::~CBassFfmpegDecoder()
{
    CloseFile();
}

std::unique_ptr<CBassDecoder> CBassFfmpegDecoder::Open(const std::string& path)
{
    auto pDecoder = std::make_unique<CBassFfmpegDecoder>();
    pDecoder->m_sPath = path;
    if (!pDecoder->OpenFile() || !pDecoder->CountFrames() || !pDecoder->Rewind())
        return nullptr;
    return pDecoder;
}

bool CBassFfmpegDecoder::OpenFile()
{
    CloseFile();
    if (OpenStream())
        return true;
    CloseFile();
    return false;
}

bool CBassFfmpegDecoder::OpenStream()
{
    struct stat info
    {
    };
    m_pFile = std::fopen(m_sPath.c_str(), "rb");
    if (!m_pFile || fstat(fileno(m_pFile), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    auto* pBuffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    m_pIo = pBuffer ? avio_alloc_context(pBuffer, kIoBufferBytes, 0, m_pFile, ReadFile, nullptr,
                                         SeekFile)
                    : nullptr;
    m_pFormat = m_pIo ? avformat_alloc_context() : nullptr;
    if (!m_pFormat)
    {
        if (!m_pIo)
            av_free(pBuffer);
        return false;
    }
    m_pFormat->pb = m_pIo;
    m_pFormat->flags |= AVFMT_FLAG_CUSTOM_IO;
    m_pFormat->io_open = RefuseNestedOpen;
    if (avformat_open_input(&m_pFormat, m_sPath.c_str(), nullptr, nullptr) < 0)
        return false; // the context is freed on failure
    if (avformat_find_stream_info(m_pFormat, nullptr) < 0)
        return false;
    const AVCodec* pCodec = nullptr;
    m_iStream = av_find_best_stream(m_pFormat, AVMEDIA_TYPE_AUDIO, -1, -1, &pCodec, 0);
    if (m_iStream < 0 || !pCodec)
        return false;
    for (unsigned i = 0; i < m_pFormat->nb_streams; ++i)
        m_pFormat->streams[i]->discard =
            static_cast<int>(i) == m_iStream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    const AVStream* pStream = m_pFormat->streams[m_iStream];
    m_pCodec = avcodec_alloc_context3(pCodec);
    m_pPacket = av_packet_alloc();
    m_pFrame = av_frame_alloc();
    if (!m_pCodec || !m_pPacket || !m_pFrame ||
        avcodec_parameters_to_context(m_pCodec, pStream->codecpar) < 0)
        return false;
    m_pCodec->pkt_timebase = pStream->time_base;
    if (avcodec_open2(m_pCodec, pCodec, nullptr) < 0)
        return false;
    const int rate = m_pCodec->sample_rate;
    const int channels = m_pCodec->ch_layout.nb_channels;
    if (m_iRate == 0)
    {
        m_iRate = rate;
        m_iChannels = channels;
        const AVCodecParameters& params = *pStream->codecpar;
        m_iPreroll = std::max<int64_t>(
            {4 * int64_t{params.seek_preroll}, 4 * int64_t{params.frame_size}, 8192});
    }
    m_bDraining = m_bEnded = false;
    m_Pending.clear();
    m_uPendingFirst = 0;
    m_iPosition = 0;
    return rate == m_iRate && channels == m_iChannels && rate > 0 && rate <= kMaxRate &&
           channels > 0 && channels <= kMaxChannels;
}

void CBassFfmpegDecoder::CloseFile()
{
    av_frame_free(&m_pFrame);
    av_packet_free(&m_pPacket);
    avcodec_free_context(&m_pCodec);
    avformat_close_input(&m_pFormat);
    if (m_pIo)
    {
        av_freep(&m_pIo->buffer);
        avio_context_free(&m_pIo);
    }
    if (m_pFile)
        std::fclose(m_pFile);
    m_pFile = nullptr;
    m_iStream = -1;
}

bool CBassFfmpegDecoder::CountFrames()
{
    const int64_t limit = kMaxSeconds * m_iRate;
    bool rising = true;
    int64_t total = 0;
    while (DecodeBlock())
    {
        const bool later = m_Blocks.empty() || m_iPendingPts > m_Blocks.back().m_iPts;
        if (m_iPendingPts == AV_NOPTS_VALUE || !later)
            rising = false;
        else
            m_Blocks.push_back({m_iPendingPts, total});
        total += static_cast<int64_t>(m_Pending.size()) / m_iChannels;
        m_Pending.clear();
        if (total > limit)
            return false;
    }
    if (!rising)
        m_Blocks.clear(); // timestamps that repeat or go back: every seek decodes from the start
    m_iFrames = total;
    return total > 0;
}

bool CBassFfmpegDecoder::Rewind()
{
    return OpenFile();
}

bool CBassFfmpegDecoder::DecodeBlock()
{
    m_Pending.clear();
    m_uPendingFirst = 0;
    if (!m_pCodec)
        return false; // a reopening failed
    while (!m_bEnded)
    {
        if (ReceiveBlock())
            return true;
        if (m_bEnded)
            break;
        if (m_bDraining)
        {
            m_bEnded = true;
            break;
        }
        if (av_read_frame(m_pFormat, m_pPacket) < 0)
        {
            avcodec_send_packet(m_pCodec, nullptr);
            m_bDraining = true;
            continue;
        }
        if (m_pPacket->stream_index == m_iStream)
            avcodec_send_packet(m_pCodec, m_pPacket); // a damaged packet is skipped
        av_packet_unref(m_pPacket);
    }
    return false;
}

bool CBassFfmpegDecoder::ReceiveBlock()
{
    while (avcodec_receive_frame(m_pCodec, m_pFrame) >= 0)
    {
        const int channels = m_pFrame->ch_layout.nb_channels;
        if (channels != m_iChannels || m_pFrame->sample_rate != m_iRate ||
            !IsKnownSampleFormat(m_pFrame->format))
        {
            m_bEnded = true; // a stream whose format changes ends at the change
            av_frame_unref(m_pFrame);
            return false;
        }
        const int count = m_pFrame->nb_samples;
        m_Pending.resize(static_cast<size_t>(count) * channels);
        float* pOut = m_Pending.data();
        for (int i = 0; i < count; ++i)
            for (int c = 0; c < channels; ++c)
                *pOut++ = SampleOf(*m_pFrame, channels, i, c);
        m_iPendingPts = m_pFrame->pts;
        av_frame_unref(m_pFrame);
        if (count > 0)
            return true;
    }
    return false;
}

bool CBassFfmpegDecoder::Discard(int64_t frames)
{
    while (frames > 0)
    {
        const auto pending = static_cast<int64_t>(m_Pending.size() - m_uPendingFirst) / m_iChannels;
        if (pending == 0 && !DecodeBlock())
            return false;
        const int64_t step = std::min<int64_t>(
            frames, static_cast<int64_t>(m_Pending.size() - m_uPendingFirst) / m_iChannels);
        m_uPendingFirst += static_cast<size_t>(step * m_iChannels);
        m_iPosition += step;
        frames -= step;
    }
    return true;
}

int64_t CBassFfmpegDecoder::FrameOfPts(int64_t pts) const
{
    auto it = std::lower_bound(m_Blocks.begin(), m_Blocks.end(), pts,
                               [](const SBlockStart& block, int64_t value)
                               { return block.m_iPts < value; });
    return it != m_Blocks.end() && it->m_iPts == pts ? it->m_iFrame : -1;
}

bool CBassFfmpegDecoder::SeekNear(int64_t frame)
{
    const int64_t from = frame - m_iPreroll;
    auto it = std::upper_bound(m_Blocks.begin(), m_Blocks.end(), from,
                               [](int64_t value, const SBlockStart& block)
                               { return value < block.m_iFrame; });
    if (it == m_Blocks.begin())
        return false;
    --it;
    if (av_seek_frame(m_pFormat, m_iStream, it->m_iPts, AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(m_pCodec);
    m_bDraining = m_bEnded = false;
    if (!DecodeBlock())
        return false;
    const int64_t start = FrameOfPts(m_iPendingPts);
    if (start < 0 || start > frame)
        return false;
    m_iPosition = start;
    return Discard(frame - start);
}

bool CBassFfmpegDecoder::SeekTo(int64_t frame)
{
    if (!m_pFormat)
        return false;
    if (frame == m_iFrames)
    {
        m_iPosition = frame; // reads nothing; any later seek goes back
        return true;
    }
    if (frame >= m_iPosition && frame - m_iPosition <= m_iPreroll)
        return Discard(frame - m_iPosition);
    if (frame > m_iPreroll && SeekNear(frame))
        return true;
    return Rewind() && Discard(frame);
}

int64_t CBassFfmpegDecoder::ReadFrames(float* pOut, int64_t frames)
{
    int64_t done = 0;
    while (done < frames && m_iPosition < m_iFrames && m_pFormat)
    {
        if (m_uPendingFirst == m_Pending.size() && !DecodeBlock())
            break;
        const int64_t pending =
            static_cast<int64_t>(m_Pending.size() - m_uPendingFirst) / m_iChannels;
        const int64_t step = std::min({pending, frames - done, m_iFrames - m_iPosition});
        std::copy_n(m_Pending.begin() + static_cast<ptrdiff_t>(m_uPendingFirst), step * m_iChannels,
                    pOut + done * m_iChannels);
        m_uPendingFirst += static_cast<size_t>(step * m_iChannels);
        m_iPosition += step;
        done += step;
    }
    return done;
}
} // namespace orv::bass
