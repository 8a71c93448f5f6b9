#pragma once

#include "BassClock.h"
#include "BassDecoder.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orv::bass
{
// One music file opened for playback: decodes on the output's thread, resamples to the
// output rate, keeps the recently decoded samples for the spectrum, and reports what is
// heard through its clock. Positions are in the file's own sample frames.
class CBassStream
{
public:
    CBassStream(std::unique_ptr<CBassDecoder> pDecoder, int bytesPerSample);
    CBassStream(const CBassStream&) = delete;
    CBassStream& operator=(const CBassStream&) = delete;

    int GetRate() const { return m_iRate; }
    int64_t GetFrames() const { return m_iFrames; }
    // Bytes per sample frame of the decoded format that byte positions count.
    int GetBytesPerFrame() const { return m_iBytesPerFrame; }

    // Decodes ahead so that playback starts without waiting for the decoder.
    void PreBuffer();
    void Play(bool restart);
    void Stop();
    // Playing and not yet heard to its end.
    bool IsActive();
    // Frame position heard now.
    double GetPosition() { return m_Clock.Get(BassNowNs()); }
    // Moves to a frame in [0, GetFrames()]; false when out of range or the decoder fails.
    bool SetPosition(int64_t frame);

    // Adds this stream's sound into the output buffer (see BassMixFunction). Never waits:
    // a stream busy seeking sits this buffer out.
    void Mix(float* pStereo, int frames, int outRate, int64_t playNs);

    // Copies the mono samples from the frame heard now; false when there are none.
    bool GetPlayingSamples(float* pMono, int count);

private:
    bool SeekLocked(int64_t frame);
    void RestartAt(int64_t frame, bool ended);
    bool FillBlock(int64_t lastFrame);
    void SourceFrame(int64_t frame, float& left, float& right) const;
    void Remember(int64_t firstFrame, int64_t endFrame);
    bool ReadMono(int64_t firstFrame, float* pMono, int count);
    bool PeekMono(int64_t firstFrame, float* pMono, int count);

    std::unique_ptr<CBassDecoder> m_pDecoder;
    const int m_iRate;
    const int m_iChannels;
    const int64_t m_iFrames;
    const int m_iBytesPerFrame;
    CBassClock m_Clock;

    std::mutex m_Mutex; // the decoder, the block and the read position
    std::atomic<bool> m_bPlaying{false};
    std::vector<float> m_Block; // decoded frames [m_iBlockFirst, m_iBlockFirst + count)
    int64_t m_iBlockFirst = 0;
    int64_t m_iDecoded = 0; // the decoder's position: end of the block
    bool m_bDecoderEnded = false;
    std::atomic<int64_t> m_iEndFrame; // where playback ends: the length, or where decoding failed
    double m_dReadPos = 0.0;          // next source frame to mix

    std::mutex m_HistoryMutex; // the mono history kept for the spectrum
    std::vector<float> m_History;
    int64_t m_iHistoryStart = 0; // oldest frame remembered since the last seek
    int64_t m_iHistoryEnd = 0;   // frame after the newest remembered one
};
} // namespace orv::bass
