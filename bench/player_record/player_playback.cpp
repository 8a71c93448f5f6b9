// The playback frame of OrvPlayer in a 1280 x 720 window without vertical sync: drawing
// the sample demo at successive music positions and presenting it. Needs a display
// (run under xvfb-run on a machine without one).
#include "PlayerDevice.h"
#include "PlayerWindow.h"
#include "document/OrvDemo.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

namespace
{

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

struct SWindowStage
{
    CPlayerWindow window;
    IDirect3D9* pD3D = nullptr;
    IDirect3DDevice9* pDevice = nullptr;
    std::unique_ptr<COrvDemo> pDemo;

    bool Open()
    {
        std::string sError;
        pD3D = Direct3DCreate9(D3D_SDK_VERSION);
        if (pD3D == nullptr || !window.Create(kWidth, kHeight, false, 0, sError))
        {
            return false;
        }
        D3DDISPLAYMODE mode{kWidth, kHeight, 0, D3DFMT_X8R8G8B8};
        D3DPRESENT_PARAMETERS params = MakePresentParameters(mode, false, false);
        if (FAILED(CreatePlayerDevice(pD3D, window.GetHandle(), params, &pDevice)))
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
        return true;
    }
};

void BM_PlaybackFrame(benchmark::State& state)
{
    static SWindowStage* s_pStage = []
    {
        auto* pStage = new SWindowStage;
        return pStage->Open() ? pStage : nullptr;
    }();
    if (s_pStage == nullptr)
    {
        state.SkipWithError("no display, device or sample demo");
        return;
    }
    // Music positions step by 1/60 s at 120 beats per minute: 0.5333 sixteenths a frame.
    float fTime = 0.0f;
    for (auto _ : state)
    {
        s_pStage->window.PumpMessage();
        s_pStage->pDemo->DrawFrame(fTime);
        s_pStage->pDevice->Present(nullptr, nullptr, nullptr, nullptr);
        fTime += 0.5333f;
        if (fTime > 1536.0f)
        {
            fTime = 0.0f;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_PlaybackFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);
