#include "PlayerLoops.h"

#include "DemoSession.h"
#include "DemoWatcher.h"
#include "FrameRecorder.h"
#include "PlayerInterrupt.h"
#include "PlayerMusic.h"
#include "PlayerProfile.h"
#include "PlayerTransport.h"
#include "PlayerWindow.h"
#include "PrerollPlan.h"
#include "ProgressMeter.h"
#include "capture/OrvAvi.h"
#include "OrvRasterSkip.h"
#include "document/OrvDemo.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace
{

using Clock = std::chrono::steady_clock;

// Changes to the demo's files settle for this long before it is reloaded (an editor's
// save is a burst of writes and renames within a few milliseconds).
constexpr std::chrono::milliseconds kReloadQuiet(15);
// A save that never settles (a file written for long) is reloaded after this anyway.
constexpr std::chrono::milliseconds kReloadPatience(500);
// The window title is refreshed this often.
constexpr std::chrono::milliseconds kTitleInterval(250);

void Say(const std::string& sText)
{
    std::fprintf(stderr, "OrvPlayer: %s\n", sText.c_str());
}

// Handles at most one window message; true when the show should end.
bool PumpAndCheckQuit(SPlayerStage& rStage)
{
    bool bQuit = rStage.pWindow != nullptr && rStage.pWindow->PumpMessage();
    return bQuit || IsInterrupted();
}

void SetBackBufferTarget(IDirect3DDevice9* pDevice)
{
    COrvComPtr<IDirect3DSurface9> backBuffer;
    if (SUCCEEDED(pDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO,
                                         backBuffer.ReleaseAndGetAddressOf())) &&
        backBuffer)
    {
        pDevice->SetRenderTarget(0, backBuffer.Get());
    }
}

void ReportNewProblems(CDemoSession& rSession)
{
    for (const std::string& sProblem : rSession.TakeNewProblems())
    {
        Say(sProblem);
    }
}

// Counts the frames drawn in the last second.
class CFrameRate
{
public:
    void Tick()
    {
        ++m_iFrames;
        const Clock::time_point now = Clock::now();
        const double dElapsed = std::chrono::duration<double>(now - m_start).count();
        if (dElapsed >= 1.0)
        {
            m_dFps = m_iFrames / dElapsed;
            m_iFrames = 0;
            m_start = now;
        }
    }
    double Get() const { return m_dFps; }

private:
    Clock::time_point m_start = Clock::now();
    int m_iFrames = 0;
    double m_dFps = 0.0;
};

} // namespace

COrvDemo* SPlayerStage::Demo() const
{
    return pSession != nullptr ? pSession->GetDemo() : nullptr;
}

void DrawShowFrame(SPlayerStage& rStage, float fFrameTime)
{
    IDirect3DDevice9* pDevice = rStage.pDevice;
    COrvDemo* pDemo = rStage.Demo();
    SetBackBufferTarget(pDevice);
    pDemo->SetProfile(rStage.pProfile);
    pDemo->DrawFrame(fFrameTime);
    pDevice->Present(nullptr, nullptr, nullptr, nullptr);
}

namespace
{
// The frames of the pre-roll to draw: all of them when asked, or when the device cannot
// skip pixels (it then draws them anyway).
std::vector<bool> ChooseDrawnFrames(SPlayerStage& rStage, const SStepPlan& plan, int iSteps)
{
    if (!plan.bDrawAll && OrvSetRasterizerDiscard(rStage.pDevice, FALSE) == D3D_OK)
    {
        SPrerollPlan preroll = PlanPreroll(*rStage.Demo(), iSteps, plan.fBeatsPerMinute, plan.iFps);
        if (plan.bShowProgress)
            Say("pre-roll: " + DescribePreroll(preroll));
        return std::move(preroll.drawn);
    }
    return std::vector<bool>(static_cast<size_t>(iSteps), true);
}
} // namespace

bool StepTo(SPlayerStage& rStage, const SStepPlan& plan, double dSeconds)
{
    // The frames strictly before the moment (a moment on a frame is that frame).
    const int iSteps = dSeconds > 0.0 ? CountFrames(dSeconds, plan.iFps) : 0;
    if (iSteps <= 0 || dSeconds <= 0.0)
    {
        return true;
    }
    CProgressMeter progress(iSteps);
    if (plan.bShowProgress)
    {
        std::fprintf(stderr, "Running the show to %.2f s first:\n", dSeconds);
    }
    const std::vector<bool> drawn = ChooseDrawnFrames(rStage, plan, iSteps);
    bool bQuit = false;
    bool bDiscarding = false;
    for (int iFrame = 0; iFrame < iSteps && !bQuit; ++iFrame)
    {
        bQuit = PumpAndCheckQuit(rStage);
        // Switched before the clear: a clear under the discard does nothing.
        if (bDiscarding == drawn[static_cast<size_t>(iFrame)])
        {
            bDiscarding = !bDiscarding;
            OrvSetRasterizerDiscard(rStage.pDevice, bDiscarding ? TRUE : FALSE);
        }
        SetBackBufferTarget(rStage.pDevice);
        rStage.pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        DrawShowFrame(rStage, GetRecordedFrameTime(iFrame, plan.fBeatsPerMinute, plan.iFps));
        if (plan.bShowProgress)
        {
            progress.Update(iFrame + 1);
        }
    }
    if (bDiscarding)
    {
        OrvSetRasterizerDiscard(rStage.pDevice, FALSE);
    }
    if (plan.bShowProgress)
    {
        progress.Finish();
    }
    return !bQuit;
}

int RunRecording(SPlayerStage& rStage, ORV_Avi& rAvi, const SRecordingPlan& plan)
{
    IDirect3DDevice9* pDevice = rStage.pDevice;
    CFrameRecorder recorder(pDevice, rAvi, rStage.iWidth, rStage.iHeight);
    CProgressMeter progress(plan.iFrames);
    int iFrame = 0;
    bool bQuit = false;
    while (!bQuit && iFrame < plan.iFrames)
    {
        bQuit = PumpAndCheckQuit(rStage);
        SetBackBufferTarget(pDevice);
        pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        DrawShowFrame(
            rStage,
            plan.iStartFrame >= 0
                ? GetRecordedFrameTime(plan.iStartFrame + iFrame, plan.fBeatsPerMinute, plan.iFps)
                : GetRecordedFrameTime(iFrame, plan.fBeatsPerMinute, plan.iFps, plan.dStart));
        ++iFrame;
        if (plan.pReadBack != nullptr)
        {
            plan.pReadBack->Begin();
        }
        recorder.AddPresented();
        if (plan.pReadBack != nullptr)
        {
            plan.pReadBack->End();
        }
        if (plan.bShowProgress)
        {
            progress.Update(iFrame);
        }
    }
    recorder.Finish();
    if (plan.bShowProgress)
    {
        progress.Finish();
    }
    return iFrame;
}

namespace
{

// The playback's state between frames.
class CPlayback
{
public:
    CPlayback(SPlayerStage& rStage, const SPlaybackPlan& plan) : m_rStage(rStage), m_plan(plan) {}

    void Run()
    {
        COrvDemo& rDemo = *m_rStage.Demo();
        const float fBpm = GetMusicTempo(&rDemo);
        m_transport.SetEndBeats(m_plan.dEndSeconds * fBpm / 60.0);
        m_transport.Start(rDemo, m_plan.dStart * fBpm / 60.0);
        std::string sError;
        if (m_plan.bWatch)
        {
            const std::string& sDir = m_rStage.pSession->GetDemoDir();
            Say(m_watcher.Start(sDir, sError) ? "watching " + sDir + " for changes" : sError);
        }
        Clock::time_point last = Clock::now();
        while (!IsInterrupted())
        {
            const Clock::time_point now = Clock::now();
            if (!m_transport.IsPaused())
            {
                m_dPlayed += std::chrono::duration<double>(now - last).count();
            }
            last = now;
            if (m_dPlayed > m_plan.dDuration && !m_plan.bWatch)
            {
                break;
            }
            if (!HandleInput())
            {
                break;
            }
            if (m_plan.bWatch)
            {
                Watch();
            }
            COrvDemo& rShown = *m_rStage.Demo();
            const float fBeats = rShown.BassGetTime();
            DrawShowFrame(m_rStage, static_cast<float>(fBeats * 16.0));
            ReportNewProblems(*m_rStage.pSession);
            m_rate.Tick();
            UpdateTitle(fBeats);
        }
    }

private:
    // Carries out the keys pressed; false when the user asked to quit.
    bool HandleInput()
    {
        if (m_rStage.pWindow == nullptr)
        {
            return true;
        }
        std::vector<EPlayerCommand> commands;
        if (m_rStage.pWindow->PumpMessages(commands))
        {
            return false;
        }
        for (EPlayerCommand eCommand : commands)
        {
            m_transport.Apply(*m_rStage.Demo(), eCommand);
        }
        return true;
    }

    void Watch()
    {
        m_watcher.Poll();
        if (!m_watcher.HasChanges())
        {
            return;
        }
        // Wait for the save to settle here rather than a frame later: a frame of a heavy
        // demo takes longer than the save.
        const Clock::time_point first = Clock::now();
        while (!m_watcher.IsSettled(kReloadQuiet) && Clock::now() - first < kReloadPatience)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            m_watcher.Poll();
        }
        const std::vector<std::string> changed = m_watcher.TakeChanges();
        COrvDemo& rDemo = *m_rStage.Demo();
        const float fFrameTime = static_cast<float>(rDemo.BassGetTime() * 16.0);
        const Clock::time_point start = Clock::now();
        std::string sProblem;
        const bool bReloaded =
            m_rStage.pSession->Reload(fFrameTime, !m_transport.IsPaused(), changed, sProblem);
        const double dMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (bReloaded && sProblem.empty())
        {
            Say("reloaded in " + std::to_string(static_cast<int>(dMs + 0.5)) + " ms");
        }
        else
        {
            Say(std::string(bReloaded ? "reloaded with a problem: " : "reload failed: ") +
                sProblem + (bReloaded ? "" : "; the last good demo stays"));
        }
        m_sProblem = bReloaded ? std::string() : sProblem;
        m_lastTitle = Clock::time_point(); // show the news at once
    }

    void UpdateTitle(float fBeats)
    {
        const Clock::time_point now = Clock::now();
        if (m_rStage.pWindow == nullptr || now - m_lastTitle < kTitleInterval)
        {
            return;
        }
        m_lastTitle = now;
        const float fBpm = GetMusicTempo(m_rStage.Demo());
        const double dSeconds = fBpm > 0.0f ? fBeats / (fBpm / 60.0) : 0.0;
        m_rStage.pWindow->SetTitle(FormatTransportTitle(fBeats, dSeconds, m_rate.Get(),
                                                        m_transport.IsPaused(), m_sProblem));
    }

    SPlayerStage& m_rStage;
    const SPlaybackPlan& m_plan;
    CPlayerTransport m_transport;
    CDemoWatcher m_watcher;
    CFrameRate m_rate;
    double m_dPlayed = 0.0;
    std::string m_sProblem;
    Clock::time_point m_lastTitle;
};

} // namespace

void RunPlayback(SPlayerStage& rStage, const SPlaybackPlan& plan)
{
    CPlayback playback(rStage, plan);
    playback.Run();
}
