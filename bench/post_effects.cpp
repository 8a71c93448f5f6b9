// Each post effect of the sample demo (the effect files in examples/Atelier/data, drawn by
// their layers) against a plain full-screen textured copy at the same size, 1280 x 720 on
// the headless OpenGL device. The frames of the effect and of the copy alternate in one run,
// each waited for until the device is done; the counters give both times per frame and
// their ratio (effect / copy), the figure to keep at or below 3.
#include "OrvKernel.h"
#include "postprocess/OrvLayerPPBase.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

namespace
{
constexpr UINT W = 1280;
constexpr UINT H = 720;

// The reference: the same full-screen rectangle, one texture read per pixel.
const char* const COPY_EFFECT = R"(texture Tex;
sampler2D TexSampler = sampler_state
{
    Texture = <Tex>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};
struct VS_OUTPUT
{
    float4 Pos : POSITION;
    float2 Tex : TEXCOORD0;
};
VS_OUTPUT VS(float4 Pos : POSITION, float2 Tex : TEXCOORD0)
{
    VS_OUTPUT Out;
    Out.Pos = Pos;
    Out.Tex = Tex;
    return Out;
}
float4 PS(float2 Tex : TEXCOORD0) : COLOR0
{
    return tex2D(TexSampler, Tex);
}
technique PostProcess
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
    }
}
)";

class CCopyLayer : public COrvLayerPPBase
{
public:
    explicit CCopyLayer(COrvDemo* pDemo) : COrvLayerPPBase(pDemo) { m_EffectFileName = "copy.fx"; }
};

template <typename TProp, typename TValue>
void Set(COrvModifiable* pObject, ORV_PROP_ID id, const TValue& value)
{
    for (COrvPropBase* pProp : pObject->GetProperties())
        if (pProp->GetPropId() == id)
            static_cast<TProp*>(pProp)->SetDefaultValue(value);
}

// A headless device and a scratch data folder holding the sample's effect files and the
// copy effect; every demo made here reads its effects from there.
class CStage
{
public:
    CStage()
        : m_Previous(std::filesystem::current_path()),
          m_Folder(std::filesystem::temp_directory_path() /
                   ("orv_bench_post_" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(m_Folder / "data");
        const auto sample = std::filesystem::path(ORV_SOURCE_ROOT) / "examples/Atelier/data";
        for (const auto& entry : std::filesystem::directory_iterator(sample))
            if (entry.path().extension() == ".fx")
                std::filesystem::copy_file(entry.path(),
                                           m_Folder / "data" / entry.path().filename());
        std::ofstream(m_Folder / "data" / "copy.fx") << COPY_EFFECT;
        std::filesystem::current_path(m_Folder);
        m_pD3D.Attach(Direct3DCreate9(D3D_SDK_VERSION));
        D3DPRESENT_PARAMETERS params = {};
        params.BackBufferWidth = W;
        params.BackBufferHeight = H;
        params.BackBufferFormat = D3DFMT_X8R8G8B8;
        params.BackBufferCount = 1;
        params.SwapEffect = D3DSWAPEFFECT_DISCARD;
        params.Windowed = TRUE;
        params.EnableAutoDepthStencil = TRUE;
        params.AutoDepthStencilFormat = D3DFMT_D16;
        if (m_pD3D)
            m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING, &params,
                                 m_pDevice.ReleaseAndGetAddressOf());
        if (m_pDevice)
            m_pDevice->CreateQuery(D3DQUERYTYPE_TIMESTAMP, m_pDone.ReleaseAndGetAddressOf());
    }
    ~CStage()
    {
        m_pDone.Reset();
        m_pDevice.Reset();
        m_pD3D.Reset();
        std::filesystem::current_path(m_Previous);
        std::filesystem::remove_all(m_Folder);
    }
    bool Ready() const { return m_pDevice && m_pDone; }
    IDirect3DDevice9* Device() const { return m_pDevice.Get(); }

    // A demo of one full-screen layer reading the picture in the render target "in".
    std::unique_ptr<COrvDemo> MakeDemo(const std::function<COrvLayer*(COrvDemo&)>& addLayer)
    {
        std::filesystem::current_path(m_Folder);
        auto pDemo = std::make_unique<COrvDemo>();
        pDemo->SetOutputSize(int(W), int(H));
        pDemo->SetDevice(m_pDevice.Get());
        COrvModifiable* pInput = pDemo->AddResRenderTarget();
        pInput->SetName("in");
        Set<COrvPropBool>(pInput, ORV_PROP_AUTOSIZE, true);
        COrvLayer* pLayer = addLayer(*pDemo);
        Set<COrvPropString>(pLayer, ORV_PROP_INPUT_SURFACE, std::string("in"));
        pDemo->UpdateResources(0.0f);
        // A picture to read: a gradient of grey, some of it bright enough to bloom.
        auto* pTarget = dynamic_cast<COrvResRenderTarget*>(pDemo->GetResourceByName("in"));
        if (pTarget && pTarget->GetSurface())
        {
            const RECT left{0, 0, LONG(W / 2), LONG(H)};
            const RECT right{LONG(W / 2), 0, LONG(W), LONG(H)};
            m_pDevice->ColorFill(pTarget->GetSurface(), &left, 0xFF406080);
            m_pDevice->ColorFill(pTarget->GetSurface(), &right, 0xFFF0E0D0);
        }
        return pDemo;
    }
    // A generic post-process layer drawing its material's effect file.
    static COrvLayer* AddGeneric(COrvDemo& demo, const std::string& file)
    {
        COrvModifiable* pShader = demo.AddResShader();
        pShader->SetName("fx");
        Set<COrvPropString>(pShader, ORV_PROP_FILENAME, file);
        COrvModifiable* pMaterial = demo.AddResMaterial();
        pMaterial->SetName("mat");
        Set<COrvPropString>(pMaterial, ORV_PROP_SHADER_NAME, std::string("fx"));
        Set<COrvPropString>(pMaterial, ORV_PROP_TEXTURE_NAME_0, std::string("in"));
        COrvModifiable* pLayer = demo.AddLayerPostProcess();
        Set<COrvPropString>(pLayer, ORV_PROP_MATERIAL_NAME, std::string("mat"));
        return static_cast<COrvLayer*>(pLayer);
    }

    // Draws a frame and waits until the device has finished it; its time in seconds.
    double TimeFrame(COrvDemo& demo, float time)
    {
        const auto start = std::chrono::steady_clock::now();
        demo.DrawFrame(time);
        m_pDone->Issue(D3DISSUE_END);
        UINT64 stamp = 0;
        while (m_pDone->GetData(&stamp, sizeof(stamp), D3DGETDATA_FLUSH) == S_FALSE)
        {
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

private:
    std::filesystem::path m_Previous;
    std::filesystem::path m_Folder;
    COrvComPtr<IDirect3D9> m_pD3D;
    COrvComPtr<IDirect3DDevice9> m_pDevice;
    COrvComPtr<IDirect3DQuery9> m_pDone;
};

CStage& Stage()
{
    static CStage s_Stage;
    return s_Stage;
}

// The copy through a post-process layer of its own, the path of the built-in effects.
COrvLayer* AddCopy(COrvDemo& demo)
{
    auto* pLayer = new CCopyLayer(&demo);
    demo.AddLayer(pLayer);
    return pLayer;
}

// The copy through a generic post-process layer, the path of material effects.
COrvLayer* AddGenericCopy(COrvDemo& demo)
{
    return CStage::AddGeneric(demo, "copy.fx");
}

void RunAgainstCopy(benchmark::State& state, const std::function<COrvLayer*(COrvDemo&)>& addLayer,
                    const std::function<COrvLayer*(COrvDemo&)>& addCopy = AddCopy)
{
    CStage& stage = Stage();
    if (!stage.Ready())
    {
        state.SkipWithError("no headless device");
        return;
    }
    std::unique_ptr<COrvDemo> pEffect = stage.MakeDemo(addLayer);
    std::unique_ptr<COrvDemo> pCopy = stage.MakeDemo(addCopy);
    float time = 0.0f;
    for (int i = 0; i < 3; ++i)
    {
        stage.TimeFrame(*pCopy, time);
        stage.TimeFrame(*pEffect, time);
    }
    double copy = 0.0;
    double effect = 0.0;
    for (auto _ : state)
    {
        time += 0.5f;
        copy += stage.TimeFrame(*pCopy, time);
        const double seconds = stage.TimeFrame(*pEffect, time);
        effect += seconds;
        state.SetIterationTime(seconds);
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["copy_ms"] = copy / frames * 1000.0;
    state.counters["effect_ms"] = effect / frames * 1000.0;
    state.counters["ratio"] = effect / copy;
    pEffect->SetDevice(nullptr);
    pCopy->SetDevice(nullptr);
}

template <COrvModifiable* (COrvDemo::*Factory)()> COrvLayer* AddBuiltIn(COrvDemo& demo)
{
    return static_cast<COrvLayer*>((demo.*Factory)());
}

void BM_BlackWhite(benchmark::State& state)
{
    RunAgainstCopy(state, AddBuiltIn<&COrvDemo::AddLayerPPBlackWhite>);
}
void BM_FishEye(benchmark::State& state)
{
    RunAgainstCopy(state, AddBuiltIn<&COrvDemo::AddLayerPPFishEye>);
}
void BM_RadialBlur(benchmark::State& state)
{
    RunAgainstCopy(state, AddBuiltIn<&COrvDemo::AddLayerPPRadialBlur>);
}
void BM_Wave(benchmark::State& state)
{
    RunAgainstCopy(state, AddBuiltIn<&COrvDemo::AddLayerPPWave>);
}
void BM_Bloom(benchmark::State& state)
{
    RunAgainstCopy(state, AddBuiltIn<&COrvDemo::AddLayerPPBloom>);
}
// Effects that a generic post-process layer draws with a material, against the same
// layer drawing the copy.
void BM_Screen(benchmark::State& state)
{
    RunAgainstCopy(
        state, [](COrvDemo& demo) { return CStage::AddGeneric(demo, "screen.fx"); },
        AddGenericCopy);
}
void BM_Blur(benchmark::State& state)
{
    RunAgainstCopy(
        state, [](COrvDemo& demo) { return CStage::AddGeneric(demo, "ppBlur.fx"); },
        AddGenericCopy);
}
// How the two paths of the copy compare (the generic layer draws a mesh with a material).
void BM_GenericCopy(benchmark::State& state)
{
    RunAgainstCopy(state, AddGenericCopy);
}

} // namespace

BENCHMARK(BM_BlackWhite)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_FishEye)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RadialBlur)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Wave)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Bloom)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Screen)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Blur)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_GenericCopy)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
