#include "AviWriter.h"

#include "AviDeviceFrame.h"

extern "C"
{
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace orv::avi
{
namespace
{

constexpr size_t kMaxQueuedFrames = 6;
// Sound goes into the file in chunks of this many sample frames.
constexpr int64_t kAudioChunk = 2048;
// The scaler's vector code reads a little past the end of the last row of its input.
constexpr size_t kInputPadding = 64;

// The containers a file name may ask for, by extension; any other name is an AVI file.
struct SContainer
{
    const char* szExtension;
    const char* szMuxer;
};
const SContainer s_aContainers[] = {{".avi", "avi"}, {".mp4", "mp4"},      {".m4v", "mp4"},
                                    {".mov", "mov"}, {".mkv", "matroska"}, {".webm", "webm"}};

double Seconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

} // namespace

std::string GetMuxerForFile(const std::string& sPath)
{
    std::string sExtension = std::filesystem::path(sPath).extension().string();
    std::transform(sExtension.begin(), sExtension.end(), sExtension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const SContainer& container : s_aContainers)
    {
        if (sExtension == container.szExtension)
        {
            return container.szMuxer;
        }
    }
    return "avi";
}

CAviWriter::~CAviWriter()
{
    Close();
}

HRESULT CAviWriter::Create(const std::string& sPath)
{
    // Absolute: the host may change its current directory before the file is complete (an
    // MP4 file is opened again by name at the end, to move its index to the front).
    std::error_code ecPath;
    const std::filesystem::path absolute = std::filesystem::absolute(sPath, ecPath);
    m_sPath = ecPath ? sPath : absolute.string();
    m_sMuxer = GetMuxerForFile(sPath);
    if (avformat_alloc_output_context2(&m_pFormat, nullptr, m_sMuxer.c_str(), m_sPath.c_str()) < 0)
    {
        return AVIERR_INTERNAL;
    }
    // A file of that name goes; a folder of that name stays, and the open fails.
    std::error_code ec;
    if (std::filesystem::symlink_status(m_sPath, ec).type() !=
        std::filesystem::file_type::directory)
    {
        std::remove(m_sPath.c_str());
    }
    if (avio_open(&m_pFormat->pb, m_sPath.c_str(), AVIO_FLAG_WRITE) < 0)
    {
        avformat_free_context(m_pFormat);
        m_pFormat = nullptr;
        m_bClosed = true;
        return AVIERR_FILEOPEN;
    }
    return AVIERR_OK;
}

HRESULT CAviWriter::CreateStream(const AVISTREAMINFOA& info, int* piIndex)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pFormat == nullptr || m_bStarted)
    {
        return AVIERR_UNSUPPORTED;
    }
    if (info.fccType != streamtypeVIDEO && info.fccType != streamtypeAUDIO)
    {
        return AVIERR_UNSUPPORTED;
    }
    AVStream* pStream = avformat_new_stream(m_pFormat, nullptr);
    if (pStream == nullptr)
    {
        return AVIERR_MEMORY;
    }
    SStream stream;
    stream.info = info;
    stream.info.szName[sizeof(stream.info.szName) - 1] = '\0';
    stream.pStream = pStream;
    if (stream.info.szName[0] != '\0')
    {
        av_dict_set(&pStream->metadata, "title", stream.info.szName, 0);
        // MP4 and QuickTime keep no stream title: there the name goes into the track's
        // handler, which they keep and FFmpeg reads back as "handler_name".
        if (m_sMuxer == "mp4" || m_sMuxer == "mov")
        {
            av_dict_set(&pStream->metadata, "handler_name", stream.info.szName, 0);
        }
    }
    m_streams.push_back(std::move(stream));
    *piIndex = static_cast<int>(m_streams.size()) - 1;
    return AVIERR_OK;
}

const AVISTREAMINFOA* CAviWriter::GetInfo(int iIndex) const
{
    return iIndex >= 0 && iIndex < static_cast<int>(m_streams.size()) ? &m_streams[iIndex].info
                                                                      : nullptr;
}

HRESULT CAviWriter::SetFormat(int iIndex, const void* pFormat, LONG cbFormat,
                              const std::string& sEncoder)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (iIndex < 0 || iIndex >= static_cast<int>(m_streams.size()) || pFormat == nullptr)
    {
        return AVIERR_BADPARAM;
    }
    SStream& stream = m_streams[iIndex];
    if (m_bStarted || !stream.format.empty())
    {
        // The format is fixed once set: AVI keeps one format per stream.
        return AVIERR_UNSUPPORTED;
    }
    HRESULT hr = stream.info.fccType == streamtypeVIDEO
                     ? SetVideoFormat(stream, pFormat, cbFormat, sEncoder)
                     : SetAudioFormat(stream, pFormat, cbFormat);
    if (hr == AVIERR_OK)
    {
        const uint8_t* pBytes = static_cast<const uint8_t*>(pFormat);
        stream.format.assign(pBytes, pBytes + cbFormat);
    }
    return hr;
}

HRESULT CAviWriter::SetVideoFormat(SStream& stream, const void* pFormat, LONG cbFormat,
                                   const std::string& sEncoder)
{
    if (cbFormat < static_cast<LONG>(sizeof(BITMAPINFOHEADER)))
    {
        return AVIERR_BADFORMAT;
    }
    BITMAPINFOHEADER header;
    std::memcpy(&header, pFormat, sizeof(header));
    if (header.biCompression != BI_RGB || header.biWidth <= 0 || header.biHeight == 0 ||
        header.biWidth > 16384 || header.biHeight > 16384 || header.biHeight < -16384)
    {
        return AVIERR_BADFORMAT;
    }
    SVideoFormat format;
    format.iWidth = header.biWidth;
    format.iHeight = header.biHeight;
    format.iBitCount = header.biBitCount;
    format.iRate = static_cast<int>(stream.info.dwRate != 0 ? stream.info.dwRate : 25);
    format.iScale = static_cast<int>(stream.info.dwScale != 0 ? stream.info.dwScale : 1);
    auto pEncoder = std::make_unique<CAviVideoEncoder>();
    bool bGlobal = (m_pFormat->oformat->flags & AVFMT_GLOBALHEADER) != 0;
    if (!pEncoder->Open(sEncoder.empty() ? "rawvideo" : sEncoder, format, bGlobal))
    {
        return AVIERR_BADFORMAT;
    }
    if (!pEncoder->FillParameters(stream.pStream->codecpar))
    {
        return AVIERR_INTERNAL;
    }
    stream.pStream->time_base = AVRational{format.iScale, format.iRate};
    stream.pStream->avg_frame_rate = AVRational{format.iRate, format.iScale};
    // The header names the codec the file holds, whatever code the caller asked for.
    const AVCodecTag* const* ppTags = m_pFormat->oformat->codec_tag;
    stream.info.fccHandler =
        ppTags != nullptr ? av_codec_get_tag(ppTags, stream.pStream->codecpar->codec_id) : 0;
    stream.pEncoder = std::move(pEncoder);
    stream.video = format;
    return AVIERR_OK;
}

HRESULT CAviWriter::SetAudioFormat(SStream& stream, const void* pFormat, LONG cbFormat)
{
    if (cbFormat < static_cast<LONG>(sizeof(PCMWAVEFORMAT)))
    {
        return AVIERR_BADFORMAT;
    }
    PCMWAVEFORMAT wave;
    std::memcpy(&wave, pFormat, sizeof(wave));
    if (wave.wf.wFormatTag != WAVE_FORMAT_PCM || wave.wBitsPerSample != 16 ||
        wave.wf.nChannels < 1 || wave.wf.nChannels > 8 || wave.wf.nSamplesPerSec < 1000 ||
        wave.wf.nSamplesPerSec > 384000 || wave.wf.nBlockAlign != 2 * wave.wf.nChannels)
    {
        return AVIERR_BADFORMAT;
    }
    stream.iBlockAlign = wave.wf.nBlockAlign;
    stream.iSampleRate = static_cast<int>(wave.wf.nSamplesPerSec);
    const std::string sEncoder = CAviAudioEncoder::ChooseFor(m_sMuxer);
    if (!sEncoder.empty())
    {
        // The container wants its sound compressed: the samples are encoded as they go in.
        auto pEncoder = std::make_unique<CAviAudioEncoder>();
        bool bGlobal = (m_pFormat->oformat->flags & AVFMT_GLOBALHEADER) != 0;
        if (wave.wf.nChannels > 2 ||
            !pEncoder->Open(sEncoder, stream.iSampleRate, wave.wf.nChannels, bGlobal) ||
            !pEncoder->FillParameters(stream.pStream->codecpar))
        {
            return AVIERR_BADFORMAT;
        }
        stream.pStream->time_base = AVRational{1, pEncoder->GetSampleRate()};
        stream.pAudioEncoder = std::move(pEncoder);
        return AVIERR_OK;
    }
    AVCodecParameters* pParams = stream.pStream->codecpar;
    pParams->codec_type = AVMEDIA_TYPE_AUDIO;
    pParams->codec_id = AV_CODEC_ID_PCM_S16LE;
    pParams->sample_rate = static_cast<int>(wave.wf.nSamplesPerSec);
    av_channel_layout_default(&pParams->ch_layout, wave.wf.nChannels);
    pParams->format = AV_SAMPLE_FMT_S16;
    pParams->bits_per_coded_sample = 16;
    pParams->block_align = wave.wf.nBlockAlign;
    pParams->bit_rate = static_cast<int64_t>(wave.wf.nSamplesPerSec) * wave.wf.nBlockAlign * 8;
    stream.pStream->time_base = AVRational{1, pParams->sample_rate};
    return AVIERR_OK;
}

HRESULT CAviWriter::ReadFormat(int iIndex, void* pFormat, LONG* pcbFormat) const
{
    if (iIndex < 0 || iIndex >= static_cast<int>(m_streams.size()) || pcbFormat == nullptr)
    {
        return AVIERR_BADPARAM;
    }
    const std::vector<uint8_t>& format = m_streams[iIndex].format;
    if (pFormat != nullptr)
    {
        if (*pcbFormat < static_cast<LONG>(format.size()))
        {
            return AVIERR_BUFFERTOOSMALL;
        }
        std::memcpy(pFormat, format.data(), format.size());
    }
    *pcbFormat = static_cast<LONG>(format.size());
    return AVIERR_OK;
}

LONG CAviWriter::GetLength(int iIndex) const
{
    return iIndex >= 0 && iIndex < static_cast<int>(m_streams.size()) ? m_streams[iIndex].lLength
                                                                      : 0;
}

bool CAviWriter::StartWriting()
{
    // Called with the mutex held, on the first write: every stream needs its format.
    if (m_bStarted)
    {
        return m_bHeaderOk;
    }
    m_bStarted = true;
    for (const SStream& stream : m_streams)
    {
        if (stream.format.empty())
        {
            return false;
        }
    }
    AVDictionary* pOptions = nullptr;
    if (m_sMuxer == "mp4" || m_sMuxer == "mov")
    {
        // The index goes to the front once the file is complete, so it plays while it loads.
        av_dict_set(&pOptions, "movflags", "+faststart", 0);
    }
    const bool bHeader = m_pFormat != nullptr && avformat_write_header(m_pFormat, &pOptions) >= 0;
    av_dict_free(&pOptions);
    if (!bHeader)
    {
        return false;
    }
    m_bHeaderOk = true;
    for (const SStream& stream : m_streams)
    {
        m_bHasVideo = m_bHasVideo || stream.pEncoder != nullptr;
    }
    return true;
}

HRESULT CAviWriter::Write(int iIndex, LONG lStart, LONG lSamples, const void* pBuffer,
                          LONG cbBuffer, LONG* plSamples, LONG* plBytes)
{
    if (plSamples != nullptr)
    {
        *plSamples = 0;
    }
    if (plBytes != nullptr)
    {
        *plBytes = 0;
    }
    if (iIndex < 0 || iIndex >= static_cast<int>(m_streams.size()) || pBuffer == nullptr ||
        cbBuffer <= 0 || lSamples <= 0)
    {
        return AVIERR_BADPARAM;
    }
    HRESULT hr;
    LONG lWritten = 0;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_bClosed || m_bFailed || !StartWriting())
        {
            return AVIERR_FILEWRITE;
        }
        SStream& stream = m_streams[iIndex];
        if (stream.pEncoder)
        {
            if (!m_worker.joinable())
            {
                m_worker = std::thread(&CAviWriter::RunWorker, this);
            }
            lock.unlock();
            hr = WriteVideo(iIndex, lStart, pBuffer, cbBuffer);
            lWritten = hr == AVIERR_OK ? 1 : 0;
        }
        else
        {
            hr = WriteAudio(stream, pBuffer, cbBuffer, &lWritten);
        }
    }
    if (hr == AVIERR_OK)
    {
        if (plSamples != nullptr)
        {
            *plSamples = lWritten;
        }
        if (plBytes != nullptr)
        {
            *plBytes = cbBuffer;
        }
    }
    return hr;
}

HRESULT CAviWriter::AdmitVideo(std::unique_lock<std::mutex>& lock, SStream& stream, LONG lStart)
{
    if (lStart < stream.lNextPosition)
    {
        // A position already written: AVI streams only grow.
        return AVIERR_BADPARAM;
    }
    const auto waitStart = std::chrono::steady_clock::now();
    m_cvSpace.wait(lock, [this] { return m_jobs.size() < kMaxQueuedFrames || m_bFailed; });
    m_timing.dWaitSeconds += Seconds(std::chrono::steady_clock::now() - waitStart);
    return m_bFailed ? AVIERR_FILEWRITE : AVIERR_OK;
}

std::vector<uint8_t> CAviWriter::TakeBuffer(size_t cbSize)
{
    std::vector<uint8_t> bits;
    if (!m_spare.empty())
    {
        bits = std::move(m_spare.back());
        m_spare.pop_back();
    }
    // A used buffer of the right size is not cleared: every byte the encoder reads is
    // written first, and the padding after the last row is only read past, never used.
    if (bits.size() != cbSize)
    {
        bits.assign(cbSize, 0);
    }
    return bits;
}

HRESULT CAviWriter::WriteVideo(int iIndex, LONG lStart, const void* pBuffer, LONG cbBuffer)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    SStream& stream = m_streams[iIndex];
    size_t cbRow = stream.pEncoder->GetRowBytesFor(static_cast<size_t>(cbBuffer));
    if (cbRow == 0)
    {
        return AVIERR_BADSIZE;
    }
    const HRESULT hr = AdmitVideo(lock, stream, lStart);
    if (hr != AVIERR_OK)
    {
        return hr;
    }
    const uint8_t* pBytes = static_cast<const uint8_t*>(pBuffer);
    size_t cbFrame = cbRow * static_cast<size_t>(stream.pEncoder->GetRows());
    std::vector<uint8_t> bits = TakeBuffer(cbFrame + kInputPadding);
    std::copy(pBytes, pBytes + cbFrame, bits.begin());
    m_jobs.push_back(SJob{iIndex, lStart, cbRow, std::move(bits)});
    stream.lNextPosition = lStart + 1;
    stream.lLength = lStart + 1;
    m_cvJobs.notify_one();
    return AVIERR_OK;
}

HRESULT CAviWriter::WriteDeviceFrame(int iIndex, LONG lStart, const void* pPixels, LONG lPitch)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (iIndex < 0 || iIndex >= static_cast<int>(m_streams.size()) || pPixels == nullptr)
    {
        return AVIERR_BADPARAM;
    }
    if (m_bClosed || m_bFailed || !StartWriting())
    {
        return AVIERR_FILEWRITE;
    }
    SStream& stream = m_streams[iIndex];
    const size_t cbRow = static_cast<size_t>(stream.video.iWidth) * 4;
    if (!stream.pEncoder || (stream.video.iBitCount != 24 && stream.video.iBitCount != 32))
    {
        return AVIERR_UNSUPPORTED;
    }
    if (lPitch < 0 || static_cast<size_t>(lPitch) < cbRow)
    {
        return AVIERR_BADSIZE;
    }
    if (!m_worker.joinable())
    {
        m_worker = std::thread(&CAviWriter::RunWorker, this);
    }
    const HRESULT hr = AdmitVideo(lock, stream, lStart);
    if (hr != AVIERR_OK)
    {
        return hr;
    }
    const size_t iRows = static_cast<size_t>(std::abs(stream.video.iHeight));
    std::vector<uint8_t> bits = TakeBuffer(cbRow * iRows);
    stream.lNextPosition = lStart + 1;
    // The copy is made without the lock, which the worker takes for every packet.
    lock.unlock();
    const uint8_t* pBytes = static_cast<const uint8_t*>(pPixels);
    for (size_t y = 0; y < iRows; ++y)
    {
        std::memcpy(bits.data() + y * cbRow, pBytes + y * static_cast<size_t>(lPitch), cbRow);
    }
    lock.lock();
    m_jobs.push_back(SJob{iIndex, lStart, cbRow, std::move(bits), true});
    stream.lLength = std::max(stream.lLength, lStart + 1);
    m_cvJobs.notify_one();
    return AVIERR_OK;
}

bool CAviWriter::EncodeJob(SJob& job)
{
    CAviVideoEncoder& encoder = *m_streams[job.iIndex].pEncoder;
    const uint8_t* pBits = job.bits.data();
    size_t cbRow = job.cbRow;
    if (job.bDeviceFrame)
    {
        const SVideoFormat& format = m_streams[job.iIndex].video;
        cbRow = GetBitmapRowBytes(format);
        m_converted.resize(cbRow * static_cast<size_t>(std::abs(format.iHeight)) + kInputPadding);
        ConvertDeviceFrame(job.bits.data(), job.cbRow, format, m_converted.data());
        pBits = m_converted.data();
    }
    return encoder.Encode(pBits, cbRow, job.lPosition,
                          [&](AVPacket* pPacket)
                          {
                              std::lock_guard<std::mutex> lock(m_mutex);
                              return WritePacket(pPacket, job.iIndex, encoder.GetTimeBaseNum(),
                                                 encoder.GetTimeBaseDen());
                          });
}

HRESULT CAviWriter::WriteAudio(SStream& stream, const void* pBuffer, LONG cbBuffer, LONG* plSamples)
{
    // Called with the mutex held. Whole sample frames only.
    LONG lFrames = cbBuffer / stream.iBlockAlign;
    if (lFrames <= 0)
    {
        return AVIERR_BADSIZE;
    }
    const uint8_t* pBytes = static_cast<const uint8_t*>(pBuffer);
    stream.pcm.insert(stream.pcm.end(), pBytes,
                      pBytes + static_cast<size_t>(lFrames) * stream.iBlockAlign);
    stream.lLength += lFrames;
    stream.lNextPosition = stream.lLength;
    *plSamples = lFrames;
    // With a video stream, sound enters the file as the pictures that go with it do.
    if (!m_bHasVideo && !WriteAudioUpTo(-1.0))
    {
        m_bFailed = true;
        return AVIERR_FILEWRITE;
    }
    return AVIERR_OK;
}

void CAviWriter::RunWorker()
{
    for (;;)
    {
        SJob job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_cvJobs.wait(lock, [this] { return !m_jobs.empty() || m_bStopping; });
            if (m_jobs.empty())
            {
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        SStream& stream = m_streams[job.iIndex];
        const auto start = std::chrono::steady_clock::now();
        bool bOk = EncodeJob(job);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_spare.size() < kMaxQueuedFrames)
        {
            m_spare.push_back(std::move(job.bits));
        }
        stream.iVideoEnd = job.lPosition + 1;
        bOk = bOk && WriteAudioUpTo(GetVideoEndSeconds());
        const double dSeconds = Seconds(std::chrono::steady_clock::now() - start);
        ++m_timing.lFrames;
        m_timing.dSeconds += dSeconds;
        m_timing.dWorstSeconds = std::max(m_timing.dWorstSeconds, dSeconds);
        if (!bOk)
        {
            m_bFailed = true;
        }
        m_cvSpace.notify_all();
    }
}

bool CAviWriter::WritePacket(AVPacket* pPacket, int iIndex, int iNum, int iDen)
{
    AVStream* pStream = m_streams[iIndex].pStream;
    pPacket->stream_index = pStream->index;
    av_packet_rescale_ts(pPacket, AVRational{iNum, iDen}, pStream->time_base);
    return av_interleaved_write_frame(m_pFormat, pPacket) >= 0;
}

double CAviWriter::GetVideoEndSeconds() const
{
    double dEnd = -1.0;
    for (const SStream& stream : m_streams)
    {
        if (stream.pEncoder && stream.iVideoEnd > 0)
        {
            double dSeconds = static_cast<double>(stream.iVideoEnd) * stream.info.dwScale /
                              (stream.info.dwRate != 0 ? stream.info.dwRate : 25);
            dEnd = std::max(dEnd, dSeconds);
        }
    }
    return dEnd;
}

bool CAviWriter::WritePcmChunk(SStream& stream, const uint8_t* pBytes, int64_t iCount)
{
    const int iIndex = static_cast<int>(&stream - m_streams.data());
    if (stream.pAudioEncoder)
    {
        return stream.pAudioEncoder->Encode(
            reinterpret_cast<const int16_t*>(pBytes), static_cast<int>(iCount),
            [&](AVPacket* pPacket)
            { return WritePacket(pPacket, iIndex, 1, stream.pAudioEncoder->GetSampleRate()); });
    }
    AVPacket* pPacket = av_packet_alloc();
    size_t cb = static_cast<size_t>(iCount) * stream.iBlockAlign;
    bool bOk = pPacket != nullptr && av_new_packet(pPacket, static_cast<int>(cb)) >= 0;
    if (bOk)
    {
        std::memcpy(pPacket->data, pBytes, cb);
        pPacket->pts = pPacket->dts = stream.iPcmWritten;
        pPacket->duration = iCount;
        pPacket->flags |= AV_PKT_FLAG_KEY;
        bOk = WritePacket(pPacket, iIndex, 1, stream.iSampleRate);
    }
    av_packet_free(&pPacket);
    return bOk;
}

bool CAviWriter::WriteAudioUpTo(double dSeconds)
{
    bool bOk = true;
    for (SStream& stream : m_streams)
    {
        if (stream.pEncoder || stream.iBlockAlign == 0)
        {
            continue;
        }
        const size_t cbHeld = stream.pcm.size() - stream.iPcmOffset;
        int64_t iLimit = static_cast<int64_t>(cbHeld) / stream.iBlockAlign;
        if (dSeconds >= 0.0)
        {
            int64_t iEnd = static_cast<int64_t>(dSeconds * stream.iSampleRate);
            iLimit = std::min(iLimit, std::max<int64_t>(0, iEnd - stream.iPcmWritten));
        }
        for (int64_t iDone = 0; bOk && iDone < iLimit;)
        {
            int64_t iCount = std::min(kAudioChunk, iLimit - iDone);
            bOk = WritePcmChunk(stream, stream.pcm.data() + stream.iPcmOffset, iCount);
            stream.iPcmOffset += static_cast<size_t>(iCount) * stream.iBlockAlign;
            stream.iPcmWritten += iCount;
            iDone += iCount;
        }
        // What went into the file is dropped now and then, not at every picture: the
        // buffer may hold the whole music.
        if (stream.iPcmOffset > (size_t(1) << 20) && stream.iPcmOffset * 2 > stream.pcm.size())
        {
            stream.pcm.erase(stream.pcm.begin(), stream.pcm.begin() + stream.iPcmOffset);
            stream.iPcmOffset = 0;
        }
    }
    return bOk;
}

bool CAviWriter::FlushAudio()
{
    bool bOk = true;
    for (size_t i = 0; i < m_streams.size(); ++i)
    {
        if (m_streams[i].pAudioEncoder)
        {
            CAviAudioEncoder& encoder = *m_streams[i].pAudioEncoder;
            bOk = encoder.Flush(
                      [&](AVPacket* pPacket) {
                          return WritePacket(pPacket, static_cast<int>(i), 1,
                                             encoder.GetSampleRate());
                      }) &&
                  bOk;
        }
    }
    return bOk;
}

AVICOMPRESSORTIMING CAviWriter::GetTiming()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_timing;
}

void CAviWriter::Close()
{
    if (m_bClosed)
    {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
        m_cvJobs.notify_all();
    }
    if (m_worker.joinable())
    {
        m_worker.join();
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bClosed = true;
    bool bOk = StartWriting();
    for (size_t i = 0; bOk && i < m_streams.size(); ++i)
    {
        if (m_streams[i].pEncoder)
        {
            CAviVideoEncoder& encoder = *m_streams[i].pEncoder;
            encoder.Flush(
                [&](AVPacket* pPacket)
                {
                    return WritePacket(pPacket, static_cast<int>(i), encoder.GetTimeBaseNum(),
                                       encoder.GetTimeBaseDen());
                });
        }
    }
    if (bOk)
    {
        // Sound that runs past the last picture is left out: the file ends with its video.
        WriteAudioUpTo(GetVideoEndSeconds());
        FlushAudio();
        av_write_trailer(m_pFormat);
    }
    avio_closep(&m_pFormat->pb);
    avformat_free_context(m_pFormat);
    m_pFormat = nullptr;
    if (!bOk)
    {
        // Without its header the file is no AVI at all: remove it rather than leave junk.
        std::remove(m_sPath.c_str());
    }
}

} // namespace orv::avi
