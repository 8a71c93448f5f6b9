#include "BassDecoder.h"

#include "BassFfmpegDecoder.h"

#include <sndfile.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace orv::bass
{
namespace
{
// Anything outside these limits is a damaged or hostile header, not music.
constexpr int kMaxChannels = 16;
constexpr int kMaxRate = 768000;
// A length beyond this is no length: libsndfile reports FLAC streams whose header leaves the
// total sample count out (as streaming encoders write them) as 2^63 - 1 frames.
constexpr int64_t kUnknownFrames = int64_t{1} << 40;

bool IsSaneFormat(int64_t rate, int64_t channels, int64_t frames)
{
    return rate > 0 && rate <= kMaxRate && channels > 0 && channels <= kMaxChannels && frames >= 0;
}

// libsndfile: WAV, AIFF, FLAC, MP3 and the other formats it reads.
class CBassSndfileDecoder final : public CBassDecoder
{
public:
    ~CBassSndfileDecoder() override
    {
        if (m_pFile)
            sf_close(m_pFile);
    }

    bool Open(const std::string& path)
    {
        SF_INFO info{};
        m_sPath = path;
        m_pFile = sf_open(path.c_str(), SFM_READ, &info);
        if (!m_pFile || !IsSaneFormat(info.samplerate, info.channels, info.frames))
            return false;
        m_iRate = info.samplerate;
        m_iChannels = info.channels;
        m_iFrames = info.frames;
        m_bCounted = m_iFrames >= kUnknownFrames;
        if (m_bCounted && !(info.seekable && CountFrames()))
            return false;
        // libsndfile's MP3 reader returns wrong samples for a while after a seek, for
        // longer with more channels; decoding from well before the target is exact.
        if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG)
            m_iPreroll = 8192 * static_cast<int64_t>(info.channels) + 4608;
        return info.seekable != 0;
    }

    bool SeekTo(int64_t frame) override
    {
        // libFLAC cannot seek to the end of a stream whose header has no length: that end
        // is reached by reading its last frame.
        const int64_t target = m_bCounted && frame == m_iFrames && frame > 0 ? frame - 1 : frame;
        const int64_t from = std::max<int64_t>(0, target - m_iPreroll);
        // After a failed seek libFLAC fails every later one: start again with a new reader.
        if (sf_seek(m_pFile, from, SEEK_SET) != from &&
            !(Reopen() && sf_seek(m_pFile, from, SEEK_SET) == from))
            return false;
        std::vector<float> discard(4096 * static_cast<size_t>(m_iChannels));
        for (int64_t left = frame - from; left > 0;)
        {
            const sf_count_t want = std::min<int64_t>(left, 4096);
            if (sf_readf_float(m_pFile, discard.data(), want) != want)
                return false;
            left -= want;
        }
        return true;
    }

    int64_t ReadFrames(float* pOut, int64_t frames) override
    {
        sf_count_t read = sf_readf_float(m_pFile, pOut, frames);
        return read > 0 ? read : 0;
    }

private:
    // Decodes the whole stream once to learn its length, then goes back to its start.
    bool CountFrames()
    {
        std::vector<float> discard(4096 * static_cast<size_t>(m_iChannels));
        int64_t frames = 0;
        while (sf_count_t got = sf_readf_float(m_pFile, discard.data(), 4096))
        {
            if (got < 0 || (frames += got) >= kUnknownFrames)
                return false;
        }
        m_iFrames = frames;
        return frames > 0 && sf_seek(m_pFile, 0, SEEK_SET) == 0;
    }

    bool Reopen()
    {
        if (m_pFile)
            sf_close(m_pFile);
        SF_INFO info{};
        m_pFile = sf_open(m_sPath.c_str(), SFM_READ, &info);
        return m_pFile && info.samplerate == m_iRate && info.channels == m_iChannels;
    }

    std::string m_sPath;
    SNDFILE* m_pFile = nullptr;
    bool m_bCounted = false; // the length was counted, not read from the header
    int64_t m_iPreroll = 0;
};

// libvorbisfile: Ogg Vorbis, with exact seeking.
class CBassVorbisDecoder final : public CBassDecoder
{
public:
    ~CBassVorbisDecoder() override
    {
        if (m_bOpen)
            ov_clear(&m_File);
    }

    bool Open(const std::string& path)
    {
        m_bOpen = ov_fopen(path.c_str(), &m_File) == 0;
        if (!m_bOpen || !ov_seekable(&m_File))
            return false;
        const vorbis_info* pInfo = ov_info(&m_File, -1);
        const int64_t frames = ov_pcm_total(&m_File, -1);
        if (!pInfo || !IsSaneFormat(pInfo->rate, pInfo->channels, frames))
            return false;
        m_iRate = static_cast<int>(pInfo->rate);
        m_iChannels = pInfo->channels;
        m_iFrames = frames;
        return true;
    }

    bool SeekTo(int64_t frame) override { return ov_pcm_seek(&m_File, frame) == 0; }

    int64_t ReadFrames(float* pOut, int64_t frames) override
    {
        int64_t done = 0;
        int holes = 0;
        while (done < frames)
        {
            float** ppPcm = nullptr;
            int section = 0;
            const int want = static_cast<int>(std::min<int64_t>(frames - done, 4096));
            const long got = ov_read_float(&m_File, &ppPcm, want, &section);
            if (got == OV_HOLE && ++holes < 8)
                continue;
            if (got <= 0 || !SameChannels(section))
                break;
            Interleave(ppPcm, got, pOut + done * m_iChannels);
            done += got;
        }
        return done;
    }

private:
    // A chained file whose later links change the channel count ends at the change.
    bool SameChannels(int section)
    {
        const vorbis_info* pInfo = ov_info(&m_File, section);
        return pInfo && pInfo->channels == m_iChannels;
    }

    void Interleave(float** ppPcm, long frames, float* pOut) const
    {
        for (long i = 0; i < frames; ++i)
            for (int c = 0; c < m_iChannels; ++c)
                *pOut++ = ppPcm[c][i];
    }

    OggVorbis_File m_File{};
    bool m_bOpen = false;
};

bool StartsWithOgg(const std::string& path)
{
    char magic[4] = {};
    FILE* pFile = std::fopen(path.c_str(), "rb");
    if (!pFile)
        return false;
    const size_t read = std::fread(magic, 1, sizeof(magic), pFile);
    std::fclose(pFile);
    return read == sizeof(magic) && std::memcmp(magic, "OggS", 4) == 0;
}
} // namespace

std::unique_ptr<CBassDecoder> CBassDecoder::Open(const std::string& path)
{
    // libsndfile's Ogg seeks are not exact: Ogg streams that are not Vorbis go to FFmpeg.
    if (StartsWithOgg(path))
    {
        auto pVorbis = std::make_unique<CBassVorbisDecoder>();
        if (pVorbis->Open(path))
            return pVorbis;
    }
    else
    {
        auto pSndfile = std::make_unique<CBassSndfileDecoder>();
        if (pSndfile->Open(path))
            return pSndfile;
    }
    return CBassFfmpegDecoder::Open(path);
}
} // namespace orv::bass

namespace orv::bass
{
bool CBassDecoder::Seek(int64_t frame)
{
    if (frame < 0 || frame > m_iFrames || !SeekTo(frame))
        return false;
    m_iPosition = frame;
    return true;
}

int64_t CBassDecoder::Read(float* pOut, int64_t frames)
{
    // A damaged stream can decode more than its length, or land elsewhere than asked after a
    // seek: what lies beyond the length is never handed out.
    frames = std::min(frames, m_iFrames - m_iPosition);
    if (frames <= 0)
        return 0;
    const int64_t got = ReadFrames(pOut, frames);
    m_iPosition += got;
    return got;
}
} // namespace orv::bass
