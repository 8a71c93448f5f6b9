#pragma once

#include <cstdint>
#include <mutex>

namespace orv::bass
{
// Nanoseconds on the monotonic clock.
int64_t BassNowNs();

// The position a listener hears now, in sample frames of a stream. The output publishes,
// for every buffer it fills, the frames that buffer holds and the moment its first frame
// reaches the speaker; between two publications the position runs on with the monotonic
// clock at the stream's rate, never past what has been handed to the output and never
// backwards while playing. Reads take no lock that decoding holds, so they stay cheap.
class CBassClock
{
public:
    explicit CBassClock(int rate) : m_dRate(rate) {}

    // A seek or a stop: the position is exactly frame, standing still.
    void Set(double frame);
    // Playback starts (or resumes) from the current position.
    void Start(int64_t nowNs);
    // The output filled a buffer with the frames [first, end) that start sounding at
    // playNs.
    void Publish(double first, double end, int64_t playNs);
    // The position heard at nowNs, in frames.
    double Get(int64_t nowNs);

private:
    double Interpolate(int64_t nowNs) const;

    std::mutex m_Mutex;
    double m_dRate;
    bool m_bRunning = false;
    double m_dFloor = 0.0; // where playback (re)started: nothing before it is heard
    double m_dFirst = 0.0; // first frame of the last published buffer
    double m_dEnd = 0.0;   // end of what has been handed to the output
    int64_t m_iPlayNs = 0; // when m_dFirst sounds
    double m_dLastRead = 0.0;
};
} // namespace orv::bass
