#include "PlayerLoops.h"

#include "FrameGrabber.h"
#include "PlayerInterrupt.h"
#include "PlayerWindow.h"
#include "ProgressMeter.h"
#include "audio/OrvChrono.h"
#include "capture/OrvAvi.h"
#include "document/OrvDemo.h"

namespace
{

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

} // namespace

int RunRecording(SPlayerStage& rStage, ORV_Avi& rAvi, float fBeatsPerMinute, int iFrames,
                 bool bShowProgress)
{
    IDirect3DDevice9* pDevice = rStage.pDevice;
    CFrameGrabber grabber(pDevice, rStage.iWidth, rStage.iHeight);
    CProgressMeter progress(iFrames);
    int iFrame = 0;
    bool bQuit = false;
    while (!bQuit && iFrame < iFrames)
    {
        bQuit = PumpAndCheckQuit(rStage);
        SetBackBufferTarget(pDevice);
        pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        rStage.pDemo->DrawFrame(GetRecordedFrameTime(iFrame, fBeatsPerMinute));
        ++iFrame;
        pDevice->Present(nullptr, nullptr, nullptr, nullptr);
        if (grabber.Grab())
        {
            rAvi.AddFrame(grabber.GetBits());
        }
        if (bShowProgress)
        {
            progress.Update(iFrame);
        }
    }
    if (bShowProgress)
    {
        progress.Finish();
    }
    return iFrame;
}

void RunPlayback(SPlayerStage& rStage, double dDuration)
{
    IDirect3DDevice9* pDevice = rStage.pDevice;
    ORV_Chrono chrono;
    rStage.pDemo->BassPlay();
    for (;;)
    {
        if (chrono.GetTime() > dDuration)
        {
            break;
        }
        bool bQuit = PumpAndCheckQuit(rStage);
        SetBackBufferTarget(pDevice);
        float fTime = static_cast<float>(rStage.pDemo->BassGetTime() * 16.0);
        rStage.pDemo->DrawFrame(fTime);
        pDevice->Present(nullptr, nullptr, nullptr, nullptr);
        if (bQuit)
        {
            break;
        }
    }
}
