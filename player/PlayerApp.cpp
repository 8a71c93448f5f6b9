#include "PlayerApp.h"

#include "PlayerDevice.h"
#include "PlayerInterrupt.h"
#include "PlayerLoops.h"
#include "PlayerMusic.h"
#include "PlayerSettings.h"
#include "PlayerWindow.h"
#include "audio/OrvChrono.h"
#include "capture/OrvAvi.h"
#include "document/OrvDemo.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace
{

void Complain(const std::string& strReason)
{
    std::fprintf(stderr, "OrvPlayer: %s\n", strReason.c_str());
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
    COrvComPtr<IDirect3DSurface9> depth;
    COrvComPtr<IDirect3DSurface9> backBuffer;
    pDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.ReleaseAndGetAddressOf());
    pDevice->CreateDepthStencilSurface(iWidth, iHeight, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, TRUE,
                                       depth.ReleaseAndGetAddressOf(), nullptr);
    if (backBuffer)
    {
        pDevice->SetRenderTarget(0, backBuffer.Get());
    }
    if (depth)
    {
        pDevice->SetDepthStencilSurface(depth.Get());
    }
    return depth;
}

// How many frames to record: the running time, or the music's length when it is shorter
// and the user set no running time.
int CountRecordedFrames(const SPlayerOptions& options, double dMusicSeconds)
{
    double dSeconds = options.dDuration;
    if (!options.bDurationGiven && dMusicSeconds > 0.0)
    {
        dSeconds = std::min(dSeconds, dMusicSeconds);
    }
    return std::max(1, static_cast<int>(std::ceil(dSeconds * kRecordingFps - 1e-6)));
}

// Renders the recording; returns false when nothing could be recorded.
bool Record(SPlayerStage& stage, ORV_Avi& avi, const SPlayerOptions& options)
{
    std::string strMusic = GetMusicFilePath(stage.pDemo);
    double dMusicSeconds = strMusic.empty() ? 0.0 : GetSoundFileSeconds(strMusic);
    if (strMusic.empty() || avi.AddWAV(strMusic.c_str(), nullptr) != 0)
    {
        std::fprintf(stderr, "Error: Error while creating audio stream -> no audio\n");
    }
    float fBpm = GetMusicTempo(stage.pDemo);
    if (!(fBpm > 0.0f))
    {
        Complain("the music has no tempo; recording at 128 beats per minute");
        fBpm = 128.0f;
    }
    int iFrames = CountRecordedFrames(options, dMusicSeconds);
    bool bProgress = options.bHeadless;
    int iDone = RunRecording(stage, avi, fBpm, iFrames, bProgress);
    return iDone > 0;
}

void WarnIfSilent()
{
    const char* szDriver = SDL_GetCurrentAudioDriver();
    if (szDriver == nullptr || std::string(szDriver) == "dummy")
    {
        Complain("no audio device: the show plays without sound");
    }
}

} // namespace

int RunPlayer(const SPlayerOptions& options)
{
    InstallInterruptHandler();
    if (!options.strCodec.empty() && AVISetCompressorA(options.strCodec.c_str()) != AVIERR_OK)
    {
        Complain("unknown codec \"" + options.strCodec + "\": FFmpeg has no such video encoder");
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
    std::string strError;
    switch (ChooseSettings(d3d.Get(), options, settings, strError))
    {
    case SETTINGS_EXIT:
        return 0;
    case SETTINGS_ERROR:
        Complain(strError);
        return 1;
    case SETTINGS_GO:
        break;
    }
    int iWidth = static_cast<int>(settings.mode.Width);
    int iHeight = static_cast<int>(settings.mode.Height);

    CPlayerWindow window;
    if (!options.bHeadless && !window.Create(iWidth, iHeight, settings.bFullscreen,
                                             static_cast<int>(settings.mode.RefreshRate), strError))
    {
        Complain(strError);
        return 1;
    }
    std::unique_ptr<ORV_Avi> pAvi;
    if (!options.strRecordFile.empty())
    {
        pAvi = std::make_unique<ORV_Avi>();
        if (pAvi->CreateAVI(nullptr, options.strRecordFile.c_str(), iWidth, iHeight,
                            kRecordingFps) != 0)
        {
            Complain("cannot record into \"" + options.strRecordFile + "\" with the codec " +
                     AVIGetCompressorA());
            return 1;
        }
    }
    std::string strRecordPath =
        pAvi ? std::filesystem::absolute(options.strRecordFile).string() : std::string();

    D3DPRESENT_PARAMETERS params =
        MakePresentParameters(settings.mode, settings.bFullscreen, settings.bVSync);
    COrvComPtr<IDirect3DDevice9> device;
    if (FAILED(CreatePlayerDevice(d3d.Get(), options.bHeadless ? nullptr : window.GetHandle(),
                                  params, device.ReleaseAndGetAddressOf())))
    {
        Complain("cannot create the graphics device");
        pAvi.reset();
        std::filesystem::remove(strRecordPath);
        return 0;
    }

    auto pDemo = std::make_unique<COrvDemo>();
    pDemo->SetOutputSize(iWidth, iHeight);
    std::error_code ec;
    std::filesystem::current_path(options.strDemoDir, ec);
    if (ec)
    {
        Complain("no demo folder \"" + options.strDemoDir + "\"");
    }
    const COrvComPtr<IDirect3DSurface9> depth = SetUpDepthBuffer(device.Get(), iWidth, iHeight);
    DrawBlankFrames(device.Get());
    if (ec || !pDemo->Load("demo.orv"))
    {
        if (!ec)
        {
            Complain("cannot load \"demo.orv\" from \"" + options.strDemoDir + "\"");
        }
        pDemo.reset();
        pAvi.reset();
        if (!strRecordPath.empty())
        {
            std::filesystem::remove(strRecordPath, ec);
        }
        return 0;
    }
    pDemo->SetDevice(device.Get());
    pDemo->DrawFrame(0.0f);
    ORV_Chrono chrono;

    SPlayerStage stage{pDemo.get(), device.Get(), options.bHeadless ? nullptr : &window, iWidth,
                       iHeight};
    if (pAvi)
    {
        bool bRecorded = Record(stage, *pAvi, options);
        pAvi.reset();
        window.ClearQuit();
        if (!bRecorded)
        {
            std::filesystem::remove(strRecordPath, ec);
        }
        if (options.bHeadless || IsInterrupted())
        {
            return 0;
        }
    }
    if (!options.bHeadless)
    {
        WarnIfSilent();
    }
    RunPlayback(stage, options.dDuration);
    return 0;
}
