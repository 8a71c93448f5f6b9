#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orv::bass
{
// Fills frames stereo float frames (interleaved, zeroed beforehand) whose first frame
// reaches the listener at playNs on the monotonic clock. Runs on the output's thread.
using BassMixFunction = std::function<void(float* pStereo, int frames, int64_t playNs)>;

// Where the mixed sound goes: a sound device, or nowhere at the pace of the wall clock.
class CBassOutput
{
public:
    virtual ~CBassOutput() = default;

    // The machine's default sound device when wantDevice is true and one opens, else the
    // silent output. Null only when not even the silent output can start.
    static std::unique_ptr<CBassOutput> Open(bool wantDevice, int rate, BassMixFunction mix);

    int GetRate() const { return m_iRate; }
    const std::string& GetName() const { return m_Name; }
    // Starts pulling sound (outputs open paused); true once running.
    virtual bool Start() = 0;

protected:
    CBassOutput(int rate, BassMixFunction mix, std::string name)
        : m_iRate(rate), m_Mix(std::move(mix)), m_Name(std::move(name))
    {
    }

    int m_iRate;
    BassMixFunction m_Mix;
    std::string m_Name;
};
} // namespace orv::bass
