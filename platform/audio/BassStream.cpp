#include "BassStream.h"

#include <algorithm>
#include <cmath>

namespace orv::bass
{
namespace
{
constexpr int64_t kChunkFrames = 4096;
constexpr int64_t kHistoryFrames = 32768; // a power of two
} // namespace

CBassStream::CBassStream(std::unique_ptr<CBassDecoder> pDecoder, int bytesPerSample)
    : m_pDecoder(std::move(pDecoder)), m_iRate(m_pDecoder->GetRate()),
      m_iChannels(m_pDecoder->GetChannels()), m_iFrames(m_pDecoder->GetFrames()),
      m_iBytesPerFrame(m_iChannels * bytesPerSample), m_Clock(m_iRate), m_iEndFrame(m_iFrames),
      m_History(kHistoryFrames, 0.0f)
{
}

void CBassStream::PreBuffer()
{
    std::lock_guard lock(m_Mutex);
    FillBlock(static_cast<int64_t>(m_dReadPos) + 1);
}

void CBassStream::Play(bool restart)
{
    std::lock_guard lock(m_Mutex);
    if (restart)
        SeekLocked(0);
    if (!m_bPlaying.exchange(true))
        m_Clock.Start(BassNowNs());
}

bool CBassStream::IsActive()
{
    return m_bPlaying && GetPosition() < static_cast<double>(m_iEndFrame);
}

void CBassStream::Stop()
{
    std::lock_guard lock(m_Mutex);
    if (!m_bPlaying)
        return;
    const double heard = m_Clock.Get(BassNowNs());
    m_bPlaying = false;
    // Playback resumes from what was heard, not from what was decoded ahead of it.
    SeekLocked(static_cast<int64_t>(heard));
}

bool CBassStream::SetPosition(int64_t frame)
{
    std::lock_guard lock(m_Mutex);
    return SeekLocked(frame);
}

bool CBassStream::SeekLocked(int64_t frame)
{
    if (frame < 0 || frame > m_iFrames)
        return false;
    if (m_pDecoder->Seek(frame))
    {
        RestartAt(frame, false);
        return true;
    }
    // The decoder is lost: put it back where the stream was, or end the stream there.
    const auto back = static_cast<int64_t>(m_dReadPos);
    RestartAt(back, !m_pDecoder->Seek(back));
    return false;
}

void CBassStream::RestartAt(int64_t frame, bool ended)
{
    m_bDecoderEnded = ended;
    m_iEndFrame = ended ? frame : m_iFrames;
    m_Block.clear();
    m_iBlockFirst = m_iDecoded = frame;
    m_dReadPos = static_cast<double>(frame);
    {
        std::lock_guard history(m_HistoryMutex);
        m_iHistoryStart = m_iHistoryEnd = frame;
    }
    m_Clock.Set(m_dReadPos);
    if (m_bPlaying)
        m_Clock.Start(BassNowNs());
}

bool CBassStream::FillBlock(int64_t lastFrame)
{
    while (m_iDecoded <= lastFrame && !m_bDecoderEnded)
    {
        const int64_t keepFrom = std::max(m_iBlockFirst, static_cast<int64_t>(m_dReadPos));
        m_Block.erase(m_Block.begin(), m_Block.begin() + (keepFrom - m_iBlockFirst) * m_iChannels);
        m_iBlockFirst = keepFrom;
        const int64_t want = std::min(kChunkFrames, m_iFrames - m_iDecoded);
        const size_t kept = m_Block.size();
        m_Block.resize(kept + want * m_iChannels);
        const int64_t got = want > 0 ? m_pDecoder->Read(m_Block.data() + kept, want) : 0;
        m_Block.resize(kept + got * m_iChannels);
        m_iDecoded += got;
        Remember(m_iDecoded - got, m_iDecoded);
        if (got < want || want == 0)
        {
            m_bDecoderEnded = true;
            m_iEndFrame = m_iDecoded; // a damaged or shortened file ends early
        }
    }
    return m_iDecoded > lastFrame;
}

void CBassStream::SourceFrame(int64_t frame, float& left, float& right) const
{
    const float* pFrame = m_Block.data() + (frame - m_iBlockFirst) * m_iChannels;
    left = pFrame[0];
    right = m_iChannels > 1 ? pFrame[1] : pFrame[0];
}

void CBassStream::Mix(float* pStereo, int frames, int outRate, int64_t playNs)
{
    std::unique_lock lock(m_Mutex, std::try_to_lock);
    if (!lock.owns_lock() || !m_bPlaying)
        return;
    const double step = static_cast<double>(m_iRate) / outRate;
    const double first = m_dReadPos;
    for (int i = 0; i < frames; ++i, m_dReadPos += step)
    {
        const int64_t frame = static_cast<int64_t>(m_dReadPos);
        if (!FillBlock(frame + 1) && frame >= m_iDecoded)
            break;
        float left = 0.0f;
        float right = 0.0f;
        SourceFrame(frame, left, right);
        const float fraction = static_cast<float>(m_dReadPos - static_cast<double>(frame));
        if (fraction > 0.0f && frame + 1 < m_iDecoded)
        {
            float nextLeft = 0.0f;
            float nextRight = 0.0f;
            SourceFrame(frame + 1, nextLeft, nextRight);
            left += (nextLeft - left) * fraction;
            right += (nextRight - right) * fraction;
        }
        pStereo[2 * i] += left;
        pStereo[2 * i + 1] += right;
    }
    m_dReadPos = std::min(m_dReadPos, static_cast<double>(m_iDecoded));
    m_Clock.Publish(first, m_dReadPos, playNs);
}

void CBassStream::Remember(int64_t firstFrame, int64_t endFrame)
{
    std::lock_guard lock(m_HistoryMutex);
    if (firstFrame != m_iHistoryEnd)
        return;
    const float weight = 1.0f / static_cast<float>(m_iChannels);
    for (int64_t frame = firstFrame; frame < endFrame; ++frame)
    {
        const float* pFrame = m_Block.data() + (frame - m_iBlockFirst) * m_iChannels;
        float sum = 0.0f;
        for (int c = 0; c < m_iChannels; ++c)
            sum += pFrame[c];
        m_History[frame & (kHistoryFrames - 1)] = sum * weight;
    }
    m_iHistoryEnd = endFrame;
}

bool CBassStream::GetPlayingSamples(float* pMono, int count)
{
    const auto heard = static_cast<int64_t>(GetPosition());
    if (ReadMono(heard, pMono, count))
        return true;
    std::lock_guard lock(m_Mutex);
    return PeekMono(heard, pMono, count);
}

// From the history, when it holds the frames (or, while playing, the newest ones).
bool CBassStream::ReadMono(int64_t firstFrame, float* pMono, int count)
{
    std::lock_guard lock(m_HistoryMutex);
    const int64_t oldest = std::max(m_iHistoryStart, m_iHistoryEnd - kHistoryFrames);
    const bool covered = firstFrame >= oldest && firstFrame + count <= m_iHistoryEnd;
    if (!covered && !(m_bPlaying && m_iHistoryEnd - oldest >= count))
        return false;
    if (!covered)
        firstFrame = std::clamp<int64_t>(firstFrame, oldest, m_iHistoryEnd - count);
    for (int i = 0; i < count; ++i)
        pMono[i] = m_History[(firstFrame + i) & (kHistoryFrames - 1)];
    return true;
}

// Straight from the decoder, for a stream that is not playing; the decoder is put back
// where it was. Frames past the end read as silence.
bool CBassStream::PeekMono(int64_t firstFrame, float* pMono, int count)
{
    firstFrame = std::clamp<int64_t>(firstFrame, 0, m_iFrames);
    if (m_bPlaying || !m_pDecoder->Seek(firstFrame))
        return false;
    std::vector<float> frames(static_cast<size_t>(count) * m_iChannels, 0.0f);
    const int64_t got =
        m_pDecoder->Read(frames.data(), std::min<int64_t>(count, m_iFrames - firstFrame));
    for (int i = 0; i < count; ++i)
    {
        float sum = 0.0f;
        for (int c = 0; c < m_iChannels; ++c)
            sum += i < got ? frames[i * m_iChannels + c] : 0.0f;
        pMono[i] = sum / static_cast<float>(m_iChannels);
    }
    if (!m_pDecoder->Seek(m_iDecoded))
    {
        m_bDecoderEnded = true;
        m_iEndFrame = m_iDecoded;
    }
    return true;
}
} // namespace orv::bass
