// What a headless recording of the sample demo at 1280 x 720 costs per frame: drawing
// (with the read-back that waits for it), the read-back alone, and the whole recording
// path with encoding, as OrvPlayer --headless --record runs it.
#include "FrameGrabber.h"
#include "PlayerDevice.h"
#include "PlayerTiming.h"
#include "capture/OrvAvi.h"
#include "document/OrvDemo.h"
#include "OrvTempDir.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

namespace
{

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr float kTempo = 120.0f; // the sample's music

// One headless device with the sample demo loaded, shared by the benchmarks.
struct SStage
{
    IDirect3D9* pD3D = nullptr;
    IDirect3DDevice9* pDevice = nullptr;
    std::unique_ptr<COrvDemo> pDemo;
    std::unique_ptr<CFrameGrabber> pGrabber;
    int iFrame = 0;

    bool Open()
    {
        pD3D = Direct3DCreate9(D3D_SDK_VERSION);
        D3DDISPLAYMODE mode{kWidth, kHeight, 0, D3DFMT_X8R8G8B8};
        D3DPRESENT_PARAMETERS params = MakePresentParameters(mode, false, false);
        if (pD3D == nullptr || FAILED(CreatePlayerDevice(pD3D, nullptr, params, &pDevice)))
        {
            return false;
        }
        pDemo = std::make_unique<COrvDemo>();
        pDemo->SetOutputSize(kWidth, kHeight);
        std::filesystem::current_path(std::string(ORV_SOURCE_ROOT) + "/examples/Atelier");
        if (!pDemo->Load("demo.orv"))
        {
            return false;
        }
        pDemo->SetDevice(pDevice);
        pGrabber = std::make_unique<CFrameGrabber>(pDevice, kWidth, kHeight);
        return true;
    }

    // Draws and presents the next frame of the show, as the recording loop does.
    void DrawNext()
    {
        pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        pDemo->DrawFrame(GetRecordedFrameTime(iFrame, kTempo));
        iFrame = (iFrame + 1) % (48 * kRecordingFps);
        pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    }
};

SStage* GetStage()
{
    static SStage* s_pStage = []
    {
        auto* pStage = new SStage;
        return pStage->Open() ? pStage : nullptr;
    }();
    return s_pStage;
}

void BM_DrawAndReadBack(benchmark::State& state)
{
    SStage* pStage = GetStage();
    if (pStage == nullptr)
    {
        state.SkipWithError("no device or no sample demo");
        return;
    }
    for (auto _ : state)
    {
        pStage->DrawNext();
        pStage->pGrabber->Grab(); // waits for the drawing to finish
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ReadBackOnly(benchmark::State& state)
{
    SStage* pStage = GetStage();
    if (pStage == nullptr)
    {
        state.SkipWithError("no device or no sample demo");
        return;
    }
    pStage->DrawNext();
    pStage->pGrabber->Grab();
    for (auto _ : state)
    {
        pStage->pGrabber->Grab();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_RecordShow(benchmark::State& state)
{
    SStage* pStage = GetStage();
    if (pStage == nullptr)
    {
        state.SkipWithError("no device or no sample demo");
        return;
    }
    const int iFrames = 100;
    std::string strPath = (OrvTempRoot() / "show.avi").string();
    for (auto _ : state)
    {
        ORV_Avi avi;
        if (avi.CreateAVI(nullptr, strPath.c_str(), kWidth, kHeight, kRecordingFps) != 0)
        {
            state.SkipWithError("cannot record");
            break;
        }
        for (int i = 0; i < iFrames; ++i)
        {
            pStage->DrawNext();
            if (pStage->pGrabber->Grab())
            {
                avi.AddFrame(pStage->pGrabber->GetBits());
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * iFrames);
    std::filesystem::remove(strPath);
}

} // namespace

BENCHMARK(BM_DrawAndReadBack)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_ReadBackOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_RecordShow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
