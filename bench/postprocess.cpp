// Full-screen post-processing at 1280 × 720 on the headless OpenGL device: a radial blur
// drawing through "NEXT" into a bloom, as a demo chains them. Each frame is read back so
// the time covers the whole drawing; the read-back alone is measured beside it.
#include "OrvKernel.h"
#include "OrvTestDemo.h"
#include "OrvTestDevice.h"
#include "postprocess/OrvLayerPPBase.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace
{
constexpr UINT W = 1280;
constexpr UINT H = 720;

// Headless device, its read-back surface, and a demo reading the sample demo's effects.
class CChain
{
public:
    CChain()
    {
        std::filesystem::current_path(std::filesystem::path(ORV_SOURCE_ROOT) / "examples" /
                                      "Atelier");
        if (!m_Device)
            return;
        m_Device->CreateOffscreenPlainSurface(W, H, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                              m_pReadBack.ReleaseAndGetAddressOf(), nullptr);
        m_pDemo.Assign(new COrvDemo);
        m_pDemo->SetOutputSize(int(W), int(H));
        m_pDemo->SetDevice(m_Device.Get());
        Build();
    }
    bool Ready() const
    {
        return m_pDemo && m_pReadBack && m_pBlur && m_pBlur->GetEffect() && m_pBloom &&
               m_pBloom->GetEffect();
    }
    void Frame(float time) { m_pDemo->DrawFrame(time); }
    void ReadBack()
    {
        COrvComPtr<IDirect3DSurface9> backBuffer;
        m_Device->GetRenderTarget(0, backBuffer.ReleaseAndGetAddressOf());
        m_Device->GetRenderTargetData(backBuffer.Get(), m_pReadBack.Get());
    }

private:
    static void SetAutoSize(COrvModifiable* pTarget) { SetBool(pTarget, ORV_PROP_AUTOSIZE, true); }
    void Build()
    {
        COrvModifiable* pScene = m_pDemo->AddResRenderTarget();
        pScene->SetName("scene");
        SetAutoSize(pScene);
        COrvModifiable* pBetween = m_pDemo->AddResRenderTarget();
        pBetween->SetName("between");
        SetAutoSize(pBetween);
        m_pBlur = static_cast<COrvLayerPPBase*>(m_pDemo->AddLayerPPRadialBlur());
        SetString(m_pBlur, ORV_PROP_INPUT_SURFACE, "scene");
        SetString(m_pBlur, ORV_PROP_RENDER_TARGET, "NEXT");
        m_pBloom = static_cast<COrvLayerPPBase*>(m_pDemo->AddLayerPPBloom());
        SetString(m_pBloom, ORV_PROP_INPUT_SURFACE, "between");
    }

    COrvTestDevice m_Device{W, H};
    COrvComPtr<IDirect3DSurface9> m_pReadBack;
    COrvComPtr<COrvDemo> m_pDemo;
    COrvLayerPPBase* m_pBlur = nullptr;
    COrvLayerPPBase* m_pBloom = nullptr;
};

void BM_RadialBlurIntoBloom720p(benchmark::State& state)
{
    CChain chain;
    if (!chain.Ready())
    {
        state.SkipWithError("no headless device or effects");
        return;
    }
    float time = 0.0f;
    chain.Frame(time);
    chain.ReadBack();
    for (auto _ : state)
    {
        chain.Frame(time += 0.5f);
        chain.ReadBack();
    }
}
BENCHMARK(BM_RadialBlurIntoBloom720p)->Unit(benchmark::kMillisecond)->UseRealTime();

// The read-back alone, to take out of the figure above.
void BM_ReadBack720p(benchmark::State& state)
{
    CChain chain;
    if (!chain.Ready())
    {
        state.SkipWithError("no headless device or effects");
        return;
    }
    chain.Frame(0.0f);
    for (auto _ : state)
        chain.ReadBack();
}
BENCHMARK(BM_ReadBack720p)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
