// The editor's own work per frame: a whole interface (the four panels with the middle layer
// selected, its keys on the timeline) built with ImGui and submitted through the Direct3D 9
// shaped device at 1600x1000, without the demo's drawing and without presenting; and, in the
// same run, the same demo frame drawn alone at 1280x720, the reference the interface's cost
// is read against. The CPU column is the benchmark thread's own time (the OpenGL rasteriser's
// threads are not the editor's work).
#include "EditorContext.h"
#include "EditorDocument.h"
#include "EditorLayout.h"
#include "EditorSelection.h"
#include "ImGuiD3D9Renderer.h"
#include "OrvTempDir.h"
#include "OrvTestDemoText.h"
#include "OrvTestDevice.h"
#include "OrvKernel.h"

#include <benchmark/benchmark.h>
#include <imgui.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace
{
constexpr UINT kWidth = 1600;
constexpr UINT kHeight = 1000;
constexpr size_t kLayers = 500;
constexpr size_t kKeys = 20000;
constexpr float kFrame = 1056.0f;

// One editor as the program sets it up, with no window: device, ImGui, renderer, document.
struct SEditorBench
{
    COrvTestDevice device{kWidth, kHeight, true};
    COrvTempDir folder{"bench"};
    ImGuiContext* pImGui = nullptr;
    std::unique_ptr<CImGuiD3D9Renderer> pRenderer;
    CEditorDocument document;
    CEditorSelection selection;
    SEditorContext context;
    SEditorLayout layout;
    COrvComPtr<IDirect3DTexture9> pView;
    std::string sError;

    explicit SEditorBench(bool bGenerated)
    {
        pImGui = ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(float(kWidth), float(kHeight));
        pRenderer = std::make_unique<CImGuiD3D9Renderer>(device.Get());
        if (!pRenderer->CreateFontTexture(sError) || !Open(bGenerated))
            return;
        COrvDemo& demo = document.GetDemo();
        demo.SetOutputSize(1280, 720);
        demo.SetDevice(device.Get());
        device->CreateTexture(1280, 720, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                              pView.ReleaseAndGetAddressOf(), nullptr);
        DrawDemo();
        const size_t uMiddle = demo.GetLayers().size() / 2;
        selection.SelectObject({EEditorList::Layers, uMiddle});
        context = SEditorContext();
        context.pDocument = &document;
        context.pSelection = &selection;
        context.pDevice = device.Get();
        context.fFrame = kFrame;
    }
    ~SEditorBench()
    {
        pRenderer.reset();
        ImGui::DestroyContext(pImGui);
    }

    bool Open(bool bGenerated)
    {
        const fs::path demo = folder.Path() / (bGenerated ? "generated" : "sample");
        if (bGenerated)
        {
            fs::create_directories(demo / "data");
            std::ofstream(demo / "demo.orv") << OrvGenerateDemoText(kLayers, kKeys);
        }
        else
            OrvPlaceSampleDemo(demo);
        return document.Open(demo.string(), sError);
    }

    void DrawDemo()
    {
        COrvComPtr<IDirect3DSurface9> pSurface;
        COrvComPtr<IDirect3DSurface9> pBack;
        pView->GetSurfaceLevel(0, pSurface.ReleaseAndGetAddressOf());
        device->GetRenderTarget(0, pBack.ReleaseAndGetAddressOf());
        device->SetRenderTarget(0, pSurface.Get());
        document.GetDemo().DrawFrame(kFrame);
        device->SetRenderTarget(0, pBack.Get());
    }

    // Builds the interface with the view's picture and submits it.
    void DrawInterface()
    {
        ImGui::GetIO().DeltaTime = 1.0f / 60.0f;
        ImGui::NewFrame();
        DrawPanelWindows(context, layout, 0.0f, false);
        const SEditorPanelRects rects = ComputePanelRects(layout, 0.0f);
        ImGui::SetNextWindowPos(ImVec2(rects.view.fX, rects.view.fY));
        ImGui::SetNextWindowSize(ImVec2(rects.view.fWidth, rects.view.fHeight));
        ImGui::Begin("View");
        ImGui::Image(static_cast<ImTextureID>(pView.Get()), ImVec2(rects.view.fWidth - 16, 400));
        ImGui::End();
        ImGui::Render();
        device->BeginScene();
        pRenderer->Render(ImGui::GetDrawData());
        device->EndScene();
    }
};

SEditorBench& GetBench(bool bGenerated)
{
    static std::unique_ptr<SEditorBench> pBenches[2];
    std::unique_ptr<SEditorBench>& pBench = pBenches[bGenerated ? 1 : 0];
    if (!pBench)
        pBench = std::make_unique<SEditorBench>(bGenerated);
    return *pBench;
}

// Runs one of the bench's steps on the sample (range 0) or the generated demo (range 1).
void RunStep(benchmark::State& state, void (SEditorBench::*pStep)())
{
    SEditorBench& bench = GetBench(state.range(0) != 0);
    if (!bench.sError.empty())
    {
        state.SkipWithError(bench.sError.c_str());
        return;
    }
    for (auto _ : state)
        (bench.*pStep)();
    state.SetLabel(state.range(0) ? "generated: 500 layers, 20000 keys" : "sample");
}

void BM_EditorInterface(benchmark::State& state)
{
    RunStep(state, &SEditorBench::DrawInterface);
}
BENCHMARK(BM_EditorInterface)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DemoFrameAlone(benchmark::State& state)
{
    RunStep(state, &SEditorBench::DrawDemo);
}
BENCHMARK(BM_DemoFrameAlone)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
} // namespace
