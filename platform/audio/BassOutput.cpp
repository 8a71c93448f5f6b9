#include "BassOutput.h"

#include "BassClock.h"

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace orv::bass
{
namespace
{
constexpr int kDeviceFrames = 1024;
constexpr int kSilentFrames = 512;
constexpr int kSilentLeadBuffers = 3; // how far the silent output mixes ahead of the clock

int64_t FramesToNs(int64_t frames, int rate)
{
    return frames * 1000000000 / rate;
}

// Whether a sound output may exist: a driver the user named, a sound server's socket, or a
// card the kernel lists. Asking SDL instead makes it try ALSA, whose library prints errors
// on a machine without a card, so without any of these SDL's audio is never started.
bool SoundOutputLikely()
{
    for (const char* pName : {"SDL_AUDIODRIVER", "PULSE_SERVER"})
        if (const char* pValue = std::getenv(pName); pValue && *pValue)
            return true;
    std::error_code error;
    if (const char* pRuntime = std::getenv("XDG_RUNTIME_DIR"); pRuntime && *pRuntime)
        for (const char* pSocket : {"pulse/native", "pipewire-0"})
            if (std::filesystem::exists(std::filesystem::path(pRuntime) / pSocket, error))
                return true;
    std::ifstream cards("/proc/asound/cards");
    std::string line;
    return std::getline(cards, line) && line.find("no soundcards") == std::string::npos;
}

// A sound card through SDL2. SDL calls back when it needs the next buffer; that buffer
// sounds once the one before it has played, about one buffer duration later. The
// estimate of that moment is smoothed so that positions advance evenly.
class CBassSdlOutput final : public CBassOutput
{
public:
    CBassSdlOutput(int rate, BassMixFunction mix) : CBassOutput(rate, std::move(mix), "sdl") {}

    ~CBassSdlOutput() override
    {
        if (m_Device)
            SDL_CloseAudioDevice(m_Device);
        if (m_bSubsystem)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    bool Open()
    {
        m_bSubsystem = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        if (!m_bSubsystem)
            return false;
        SDL_AudioSpec want{};
        want.freq = m_iRate;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = kDeviceFrames;
        want.callback = &CBassSdlOutput::Callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        m_Device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (!m_Device)
            return false;
        // SDL's own stand-ins for a card do not keep time: the silent output does.
        const char* pDriver = SDL_GetCurrentAudioDriver();
        if (pDriver && (!std::strcmp(pDriver, "dummy") || !std::strcmp(pDriver, "disk")))
            return false;
        m_Name = std::string("sdl:") + (pDriver ? pDriver : "?");
        m_iFrames = have.samples;
        return true;
    }

    bool Start() override
    {
        SDL_PauseAudioDevice(m_Device, 0);
        return true;
    }

private:
    static void Callback(void* pUser, Uint8* pStream, int bytes)
    {
        auto* pThis = static_cast<CBassSdlOutput*>(pUser);
        std::memset(pStream, 0, bytes);
        const int frames = bytes / static_cast<int>(2 * sizeof(float));
        pThis->m_Mix(reinterpret_cast<float*>(pStream), frames, pThis->EstimatePlayNs(frames));
    }

    int64_t EstimatePlayNs(int frames)
    {
        const int64_t measured = BassNowNs() + FramesToNs(m_iFrames, m_iRate);
        const int64_t predicted = m_iNextPlayNs;
        const int64_t period = FramesToNs(frames, m_iRate);
        int64_t playNs = measured;
        if (predicted && std::llabs(measured - predicted) < period / 2)
            playNs = predicted + (measured - predicted) / 16;
        m_iNextPlayNs = playNs + period;
        return playNs;
    }

    SDL_AudioDeviceID m_Device = 0;
    bool m_bSubsystem = false;
    int m_iFrames = kDeviceFrames;
    int64_t m_iNextPlayNs = 0;
};

// No sound card: a thread of our own consumes the mix in real time, on deadlines computed
// from the start so that it never drifts. It mixes a few buffers ahead of the clock, as a
// sound card's queue would, so that a thread that wakes late does not stall the position.
class CBassSilentOutput final : public CBassOutput
{
public:
    CBassSilentOutput(int rate, BassMixFunction mix)
        : CBassOutput(rate, std::move(mix), "silent"), m_Buffer(2 * kSilentFrames)
    {
    }

    ~CBassSilentOutput() override
    {
        m_bQuit = true;
        if (m_Thread.joinable())
            m_Thread.join();
    }

    bool Start() override
    {
        if (!m_Thread.joinable())
            m_Thread = std::thread([this] { Run(); });
        return true;
    }

private:
    void Run()
    {
        int64_t startNs = BassNowNs();
        int64_t buffers = 0;
        while (!m_bQuit)
        {
            const int64_t dueNs = startNs + FramesToNs(buffers * kSilentFrames, m_iRate);
            std::fill(m_Buffer.begin(), m_Buffer.end(), 0.0f);
            m_Mix(m_Buffer.data(), kSilentFrames,
                  dueNs + FramesToNs(kSilentLeadBuffers * kSilentFrames, m_iRate));
            ++buffers;
            const int64_t nextNs = startNs + FramesToNs(buffers * kSilentFrames, m_iRate);
            const int64_t waitNs = nextNs - BassNowNs();
            if (waitNs > 0)
                std::this_thread::sleep_for(std::chrono::nanoseconds(waitNs));
            else if (-waitNs > FramesToNs(8 * kSilentFrames, m_iRate))
                startNs = BassNowNs(), buffers = 0; // stalled: start the schedule anew
        }
    }

    std::vector<float> m_Buffer;
    std::atomic<bool> m_bQuit{false};
    std::thread m_Thread;
};
} // namespace

std::unique_ptr<CBassOutput> CBassOutput::Open(bool wantDevice, int rate, BassMixFunction mix)
{
    if (wantDevice && SoundOutputLikely())
    {
        auto pDevice = std::make_unique<CBassSdlOutput>(rate, mix);
        if (pDevice->Open())
            return pDevice;
    }
    return std::make_unique<CBassSilentOutput>(rate, std::move(mix));
}
} // namespace orv::bass
