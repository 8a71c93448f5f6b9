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

#include <chrono>
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
    std::string sPath = (OrvTempRoot() / "show.avi").string();
    for (auto _ : state)
    {
        ORV_Avi avi;
        if (avi.CreateAVI(nullptr, sPath.c_str(), kWidth, kHeight, kRecordingFps) != 0)
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
    std::filesystem::remove(sPath);
}

// Waits until the device has done everything asked of it.
void WaitForDevice(IDirect3DDevice9* pDevice)
{
    COrvComPtr<IDirect3DQuery9> pDone;
    if (FAILED(pDevice->CreateQuery(D3DQUERYTYPE_TIMESTAMP, pDone.ReleaseAndGetAddressOf())) ||
        !pDone)
    {
        return;
    }
    pDone->Issue(D3DISSUE_END);
    UINT64 stamp = 0;
    while (pDone->GetData(&stamp, sizeof(stamp), D3DGETDATA_FLUSH) == S_FALSE)
    {
    }
}

// The same frames of the show rendered without capture, then recorded (read back and
// encoded with the default codec): the recording's rate over the rendering's (the figure
// to keep at or above 0.9), and the recording's frames per second.
void BM_RecordingOverhead(benchmark::State& state)
{
    SStage* pStage = GetStage();
    if (pStage == nullptr)
    {
        state.SkipWithError("no device or no sample demo");
        return;
    }
    const int iFrames = 100;
    std::string sPath =
        (std::filesystem::temp_directory_path() / "orv_bench_overhead.mp4").string();
    double dRender = 0.0;
    double dRecord = 0.0;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state)
    {
        const int iFirst = pStage->iFrame;
        Clock::time_point start = Clock::now();
        for (int i = 0; i < iFrames; ++i)
        {
            pStage->DrawNext();
        }
        WaitForDevice(pStage->pDevice);
        dRender += std::chrono::duration<double>(Clock::now() - start).count();
        pStage->iFrame = iFirst;
        start = Clock::now();
        {
            ORV_Avi avi;
            if (avi.CreateAVI(nullptr, sPath.c_str(), kWidth, kHeight, kRecordingFps) != 0)
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
        } // the file is complete
        const double dSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        dRecord += dSeconds;
        state.SetIterationTime(dSeconds);
    }
    const double dFrames = static_cast<double>(state.iterations()) * iFrames;
    state.counters["render_fps"] = dFrames / dRender;
    state.counters["record_fps"] = dFrames / dRecord;
    state.counters["record_per_render"] = dRender / dRecord;
    std::filesystem::remove(sPath);
}

} // namespace

BENCHMARK(BM_RecordingOverhead)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_DrawAndReadBack)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_ReadBackOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_RecordShow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
