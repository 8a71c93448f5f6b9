#include "PlayerApp.h"

#include "DemoSession.h"
#include "PlayerDevice.h"
#include "PlayerInterrupt.h"
#include "PlayerLoops.h"
#include "PlayerMusic.h"
#include "PlayerProfile.h"
#include "PlayerScreenshot.h"
#include "PlayerSettings.h"
#include "PlayerWindow.h"
#include "capture/OrvAvi.h"
#include "core/OrvVersion.h"
#include "document/OrvDemo.h"
#include "document/OrvFrameProfile.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace
{

void Complain(const std::string& sReason)
{
    std::fprintf(stderr, "OrvPlayer: %s\n", sReason.c_str());
}

std::string FormatSeconds(double dSeconds)
{
    char szText[32];
    std::snprintf(szText, sizeof(szText), "%.2f s", dSeconds);
    return szText;
}

void DrawBlankFrames(IDirect3DDevice9* pDevice)
{
    for (int i = 0; i < 3; ++i)
    {
        pDevice->BeginScene();
        pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000001, 1.0f, 0);
        pDevice->EndScene();
        pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    }
}

// The player's own depth buffer, set with back buffer 0 as the render target.
COrvComPtr<IDirect3DSurface9> SetUpDepthBuffer(IDirect3DDevice9* pDevice, int iWidth, int iHeight)
{
    COrvComPtr<IDirect3DSurface9> pDepth;
    COrvComPtr<IDirect3DSurface9> pBackBuffer;
    pDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, pBackBuffer.ReleaseAndGetAddressOf());
    if (FAILED(pDevice->CreateDepthStencilSurface(iWidth, iHeight, D3DFMT_D16, D3DMULTISAMPLE_NONE,
                                                  0, TRUE, pDepth.ReleaseAndGetAddressOf(),
                                                  nullptr)))
    {
        pDepth.Reset();
    }
    if (pBackBuffer)
    {
        pDevice->SetRenderTarget(0, pBackBuffer.Get());
    }
    if (pDepth)
    {
        pDevice->SetDepthStencilSurface(pDepth.Get());
    }
    return pDepth;
}

// The music's tempo, or 128 beats per minute (with a word) when the demo has none.
float GetTempoOrDefault(COrvDemo* pDemo)
{
    float fBpm = GetMusicTempo(pDemo);
    if (!(fBpm > 0.0f))
    {
        Complain("the music has no tempo; counting 128 beats per minute");
        fBpm = 128.0f;
    }
    return fBpm;
}

// The recording's length in frames: the running time, or the rest of the music when it
// is shorter and the user set no running time.
int CountRecordedFrames(const SPlayerOptions& options, double dMusicSeconds)
{
    if (options.iFrames > 0)
    {
        return options.iFrames;
    }
    double dSeconds = options.dDuration;
    if (!options.bDurationGiven && dMusicSeconds > 0.0)
    {
        dSeconds = std::min(dSeconds, dMusicSeconds - options.dStart);
    }
    return CountFrames(dSeconds, options.iFps);
}

// What a whole run needs: the options, the stage and what the music says.
struct SRun
{
    const SPlayerOptions& options;
    SPlayerStage& stage;
    double dMusicSeconds = 0.0;
    std::vector<ORV_LayerCost> extraRows;
};

// Renders the recording; false when nothing could be recorded.
bool Record(SRun& run, ORV_Avi& avi)
{
    const SPlayerOptions& options = run.options;
    COrvDemo* pDemo = run.stage.Demo();
    std::string sMusic = GetMusicFilePath(pDemo);
    if (!options.bNoSound &&
        (sMusic.empty() || avi.AddWAVFrom(sMusic.c_str(), options.dStart) != 0))
    {
        std::fprintf(stderr, "Error: Error while creating audio stream -> no audio\n");
    }
    SRecordingPlan plan;
    plan.fBeatsPerMinute = GetTempoOrDefault(pDemo);
    plan.iFps = options.iFps;
    plan.dStart = options.dStart;
    plan.iStartFrame = FindGridFrame(options.dStart, options.iFps);
    plan.iFrames = CountRecordedFrames(options, run.dMusicSeconds);
    plan.bShowProgress = options.bHeadless;
    CStepTimer readBack("read-back");
    plan.pReadBack = &readBack;
    SStepPlan steps{plan.fBeatsPerMinute, plan.iFps, plan.bShowProgress, options.bDrawPreroll};
    if (!StepTo(run.stage, steps, plan.dStart))
    {
        return false;
    }
    const int iDone = RunRecording(run.stage, avi, plan);
    AVICOMPRESSORTIMING timing{};
    if (avi.GetCompressorTiming(timing) && iDone > 0)
    {
        run.extraRows.push_back(readBack.GetCost());
        run.extraRows.push_back(MakeCostRow("encoder (its own thread)", timing.lFrames,
                                            timing.dSeconds, timing.dWorstSeconds));
        run.extraRows.push_back(
            MakeCostRow("waiting for the encoder", iDone, timing.dWaitSeconds, 0.0));
    }
    return iDone > 0;
}

// Writes the still of --screenshot; the process's exit status.
int TakeScreenshot(SRun& run)
{
    const SPlayerOptions& options = run.options;
    const float fBpm = GetTempoOrDefault(run.stage.Demo());
    if (!StepTo(run.stage, SStepPlan{fBpm, kRecordingFps, true, options.bDrawPreroll}, options.dAt))
    {
        return 1;
    }
    run.stage.pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawShowFrame(run.stage, GetMomentFrameTime(options.dAt, fBpm));
    std::string sError;
    if (!SaveFrontBufferPng(run.stage.pDevice, run.stage.iWidth, run.stage.iHeight,
                            options.sScreenshot, sError))
    {
        Complain(sError);
        return 1;
    }
    return 0;
}

void WarnIfSilent()
{
    const char* szDriver = SDL_GetCurrentAudioDriver();
    if (szDriver == nullptr || std::string(szDriver) == "dummy")
    {
        Complain("no audio device: the show plays without sound");
    }
}

// Checks that the recording's container can hold the chosen codec; false with a reason.
bool CheckContainer(const std::string& sFile, std::string& sError)
{
    char szEncoder[64] = {};
    if (AVIGetCompressorForFileA(sFile.c_str(), szEncoder, sizeof(szEncoder)) == AVIERR_OK)
    {
        return true;
    }
    sError = "cannot record into \"" + sFile + "\": its container cannot hold " + szEncoder +
             " video (choose another --codec or file name)";
    return false;
}

// The moment the options ask for must lie within the show; false with a reason.
bool CheckMoments(const SPlayerOptions& options, double dMusicSeconds, std::string& sError)
{
    if (dMusicSeconds <= 0.0)
    {
        return true;
    }
    const bool bStill = !options.sScreenshot.empty();
    const double dMoment = bStill ? options.dAt : options.dStart;
    if (dMoment <= dMusicSeconds + 1e-9 && (bStill || dMoment < dMusicSeconds))
    {
        return true;
    }
    sError = std::string(bStill ? "--at " : "--start ") + FormatSeconds(dMoment) +
             " is past the end of the show (" + FormatSeconds(dMusicSeconds) + ")";
    return false;
}

void RemoveFile(const std::string& sPath)
{
    std::error_code ec;
    if (!sPath.empty())
    {
        std::filesystem::remove(sPath, ec);
    }
}

// Creates the recording's file and video stream; null (with a word) when it cannot be.
std::unique_ptr<ORV_Avi> OpenRecorder(const SPlayerOptions& options, int iWidth, int iHeight)
{
    auto pAvi = std::make_unique<ORV_Avi>();
    if (!options.sTag.empty())
    {
        const std::string sRenderer = DescribeRenderer();
        Complain("drawing with " + sRenderer);
        pAvi->SetVideoTitle(MakeRecordingTitle(OrvGetVersion(), sRenderer, options.sTag).c_str());
    }
    if (pAvi->CreateAVI(nullptr, options.sRecordFile.c_str(), iWidth, iHeight, options.iFps) != 0)
    {
        Complain("cannot record into \"" + options.sRecordFile + "\" with the codec " +
                 AVIGetCompressorA());
        return nullptr;
    }
    return pAvi;
}

} // namespace

int RunPlayer(const SPlayerOptions& givenOptions)
{
    InstallInterruptHandler();
    SPlayerOptions options = givenOptions;
    // A still needs no window.
    options.bHeadless = options.bHeadless || !options.sScreenshot.empty();
    // Files named relative to where the user is: loading the demo moves the current
    // directory.
    std::error_code ec;
    for (std::string* pPath : {&options.sRecordFile, &options.sScreenshot})
    {
        if (!pPath->empty())
        {
            *pPath = std::filesystem::absolute(*pPath, ec).string();
        }
    }
    if (!options.sCodec.empty() && AVISetCompressorA(options.sCodec.c_str()) != AVIERR_OK)
    {
        Complain("unknown codec \"" + options.sCodec + "\": FFmpeg has no such video encoder");
        return 1;
    }
    AVISetCompressorQuality(options.iQuality);
    std::string sError;
    if (!options.sRecordFile.empty() && !CheckContainer(options.sRecordFile, sError))
    {
        Complain(sError);
        return 1;
    }
    COrvComPtr<IDirect3D9> d3d;
    d3d.Attach(Direct3DCreate9(D3D_SDK_VERSION));
    if (!d3d)
    {
        Complain("no graphics device");
        return static_cast<int>(E_FAIL);
    }
    SPlayerSettings settings;
    switch (ChooseSettings(d3d.Get(), options, settings, sError))
    {
    case SETTINGS_EXIT:
        return 0;
    case SETTINGS_ERROR:
        Complain(sError);
        return 1;
    case SETTINGS_GO:
        break;
    }
    const int iWidth = static_cast<int>(settings.mode.Width);
    const int iHeight = static_cast<int>(settings.mode.Height);

    CPlayerWindow window;
    if (!options.bHeadless && !window.Create(iWidth, iHeight, settings.bFullscreen,
                                             static_cast<int>(settings.mode.RefreshRate), sError))
    {
        Complain(sError);
        return 1;
    }
    const std::string sRecordPath = options.sRecordFile;
    std::unique_ptr<ORV_Avi> pAvi;
    // Whatever ends the run before the recording is complete takes the file away.
    auto abandon = [&](int iStatus)
    {
        pAvi.reset();
        RemoveFile(sRecordPath);
        return iStatus;
    };

    D3DPRESENT_PARAMETERS params =
        MakePresentParameters(settings.mode, settings.bFullscreen, settings.bVSync);
    COrvComPtr<IDirect3DDevice9> device;
    if (FAILED(CreatePlayerDevice(d3d.Get(), options.bHeadless ? nullptr : window.GetHandle(),
                                  params, device.ReleaseAndGetAddressOf())))
    {
        Complain("cannot create the graphics device");
        return 0;
    }
    // The recorder is made once the device is there: its title names the renderer.
    if (!options.sRecordFile.empty())
    {
        pAvi = OpenRecorder(options, iWidth, iHeight);
        if (!pAvi)
        {
            return 1;
        }
    }
    const bool bFolder = std::filesystem::is_directory(options.sDemoDir, ec);
    if (!bFolder)
    {
        Complain("no demo folder \"" + options.sDemoDir + "\"");
    }
    if (options.bWatch)
    {
        CDemoSession::KeepFreedMemory();
    }
    CDemoSession session(options.sDemoDir, iWidth, iHeight);
    COrvComPtr<IDirect3DSurface9> depth = SetUpDepthBuffer(device.Get(), iWidth, iHeight);
    DrawBlankFrames(device.Get());
    if (!bFolder || !session.Load(device.Get(), sError))
    {
        if (bFolder)
        {
            Complain("cannot load \"demo.orv\" from \"" + options.sDemoDir + "\": " + sError);
        }
        return abandon(options.sScreenshot.empty() ? 0 : 1);
    }
    for (const std::string& sProblem : session.DescribeProblems())
    {
        Complain(sProblem);
    }
    session.TakeNewProblems();
    COrvDemo* pDemo = session.GetDemo();
    pDemo->DrawFrame(0.0f);

    ORV_FrameProfile profile;
    SPlayerStage stage{&session, device.Get(), options.bHeadless ? nullptr : &window,
                       iWidth,   iHeight,      options.bProfile ? &profile : nullptr};
    const std::string sMusic = GetMusicFilePath(pDemo);
    SRun run{options, stage, sMusic.empty() ? 0.0 : GetSoundFileSeconds(sMusic), {}};
    if (!CheckMoments(options, run.dMusicSeconds, sError))
    {
        Complain(sError);
        return abandon(1);
    }
    int iStatus = 0;
    if (!options.sScreenshot.empty())
    {
        iStatus = TakeScreenshot(run);
    }
    else if (pAvi)
    {
        const bool bRecorded = Record(run, *pAvi);
        pAvi.reset();
        window.ClearQuit();
        if (!bRecorded)
        {
            RemoveFile(sRecordPath);
        }
    }
    if (options.sScreenshot.empty() && !options.bHeadless && !IsInterrupted() &&
        !window.IsQuitRequested())
    {
        WarnIfSilent();
        SPlaybackPlan plan{options.dStart, options.dDuration, run.dMusicSeconds, options.bWatch};
        RunPlayback(stage, plan);
    }
    if (options.bProfile)
    {
        profile.Collect();
        std::fputs(FormatProfileTable(profile, run.extraRows).c_str(), stderr);
    }
    // The music of the document shown is stopped before the device goes.
    session.GetDemo()->BassStop();
    return iStatus;
}
