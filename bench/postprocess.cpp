// Full-screen post-processing at 1280 × 720 on the headless OpenGL device: a radial blur
// drawing through "NEXT" into a bloom, as a demo chains them. Each frame is read back so
// the time covers the whole drawing; the read-back alone is measured beside it.
#include "OrvKernel.h"
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
        m_pD3D = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS params = {};
        params.BackBufferWidth = W;
        params.BackBufferHeight = H;
        params.BackBufferFormat = D3DFMT_X8R8G8B8;
        params.BackBufferCount = 1;
        params.SwapEffect = D3DSWAPEFFECT_DISCARD;
        params.Windowed = TRUE;
        params.EnableAutoDepthStencil = TRUE;
        params.AutoDepthStencilFormat = D3DFMT_D16;
        if (!m_pD3D ||
            FAILED(m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                        D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &m_pDevice)))
            return;
        m_pDevice->CreateOffscreenPlainSurface(W, H, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                               &m_pReadBack, nullptr);
        m_pDemo = new COrvDemo;
        m_pDemo->AddRef();
        m_pDemo->SetOutputSize(int(W), int(H));
        m_pDemo->SetDevice(m_pDevice);
        Build();
    }
    ~CChain()
    {
        if (m_pDemo)
            m_pDemo->Release();
        if (m_pReadBack)
            m_pReadBack->Release();
        if (m_pDevice)
            m_pDevice->Release();
        if (m_pD3D)
            m_pD3D->Release();
    }
    bool Ready() const
    {
        return m_pDemo && m_pReadBack && m_pBlur && m_pBlur->GetEffect() && m_pBloom &&
               m_pBloom->GetEffect();
    }
    void Frame(float time) { m_pDemo->DrawFrame(time); }
    void ReadBack()
    {
        IDirect3DSurface9* pBackBuffer = nullptr;
        m_pDevice->GetRenderTarget(0, &pBackBuffer);
        m_pDevice->GetRenderTargetData(pBackBuffer, m_pReadBack);
        pBackBuffer->Release();
    }

private:
    static void SetString(COrvModifiable* pObject, ORV_PROP_ID id, const std::string& value)
    {
        for (COrvPropBase* pProp : pObject->GetProperties())
            if (pProp->GetPropId() == id)
                static_cast<COrvPropString*>(pProp)->SetDefaultValue(value);
    }
    static void SetAutoSize(COrvModifiable* pTarget)
    {
        for (COrvPropBase* pProp : pTarget->GetProperties())
            if (pProp->GetPropId() == ORV_PROP_AUTOSIZE)
                static_cast<COrvPropBool*>(pProp)->SetDefaultValue(true);
    }
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

    IDirect3D9* m_pD3D = nullptr;
    IDirect3DDevice9* m_pDevice = nullptr;
    IDirect3DSurface9* m_pReadBack = nullptr;
    COrvDemo* m_pDemo = nullptr;
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
