// The CPU time of the editor's panels in a frame: the layers, resources, inspector and
// timeline built and rendered to ImGui's draw lists at 1600x1000 (nothing submitted to a
// device), on the sample and on a generated demo of 500 layers and 20,000 keys, with a layer
// selected whose keys fill the timeline. Beside them, drawing the same demo frame alone on the
// headless device, the reference the panels' cost is read against.
#include "EditorContext.h"
#include "EditorDocument.h"
#include "EditorPanels.h"
#include "EditorSelection.h"
#include "OrvKernel.h"
#include "OrvTempDir.h"
#include "OrvTestDemoText.h"
#include "OrvTestDevice.h"

#include <benchmark/benchmark.h>
#include <imgui.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace
{
constexpr size_t kLayers = 500;
constexpr size_t kKeys = 20000;
constexpr float kWidth = 1600.0f;
constexpr float kHeight = 1000.0f;

fs::path SampleCopy()
{
    static const fs::path folder = []
    {
        const fs::path path = OrvTempRoot() / "sample";
        OrvPlaceSampleDemo(path);
        return path;
    }();
    return folder;
}

// 500 sprite layers with a material each and 20,000 keys over their positions.
fs::path Generated()
{
    static const fs::path folder = []
    {
        const fs::path path = OrvTempRoot() / "generated";
        fs::create_directories(path / "data");
        std::ofstream(path / "demo.orv") << OrvGenerateDemoText(kLayers, kKeys);
        return path;
    }();
    return folder;
}

fs::path FolderOf(int64_t iDemo)
{
    return iDemo == 0 ? SampleCopy() : Generated();
}

struct SEditorSession
{
    CEditorDocument document;
    CEditorSelection selection;
    SEditorContext context;
    ImGuiContext* pImGui = nullptr;

    ~SEditorSession()
    {
        if (pImGui)
            ImGui::DestroyContext(pImGui);
    }
};

std::unique_ptr<SEditorSession> OpenSession(const fs::path& folder, benchmark::State& state)
{
    auto pSession = std::make_unique<SEditorSession>();
    std::string sError;
    if (!pSession->document.Open(folder.string(), sError))
    {
        state.SkipWithError(sError.c_str());
        return nullptr;
    }
    pSession->context.pDocument = &pSession->document;
    pSession->context.pSelection = &pSession->selection;
    pSession->context.fFrame = 200.0f;
    pSession->selection.SelectObject(SEditorObjectRef{EEditorList::Layers, 0});
    pSession->pImGui = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(kWidth, kHeight);
    io.DeltaTime = 1.0f / 60.0f;
    io.IniFilename = nullptr;
    unsigned char* pPixels = nullptr;
    int iWidth = 0;
    int iHeight = 0;
    io.Fonts->GetTexDataAsRGBA32(&pPixels, &iWidth, &iHeight);
    return pSession;
}

// The four panels in fixed windows, as the shell places them.
void BuildFrame(SEditorContext& context)
{
    ImGui::NewFrame();
    const struct
    {
        const char* pName;
        ImVec2 position;
        ImVec2 size;
        void (*pDraw)(SEditorContext&);
    } panels[] = {
        {"Layers", ImVec2(0, 0), ImVec2(300, 600), &DrawLayersPanel},
        {"Resources", ImVec2(0, 600), ImVec2(300, 400), &DrawResourcesPanel},
        {"Inspector", ImVec2(1250, 0), ImVec2(350, 1000), &DrawInspectorPanel},
        {"Timeline", ImVec2(300, 650), ImVec2(950, 350), &DrawTimelinePanel},
    };
    for (const auto& panel : panels)
    {
        ImGui::SetNextWindowPos(panel.position);
        ImGui::SetNextWindowSize(panel.size);
        ImGui::Begin(panel.pName, nullptr, ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize);
        panel.pDraw(context);
        ImGui::End();
    }
    ImGui::Render();
}

// Arg: 0 the sample, 1 the generated demo.
void BM_PanelsFrame(benchmark::State& state)
{
    std::unique_ptr<SEditorSession> pSession = OpenSession(FolderOf(state.range(0)), state);
    if (!pSession)
        return;
    BuildFrame(pSession->context); // the waveform is read once, outside the timing
    for (auto _ : state)
    {
        BuildFrame(pSession->context);
        benchmark::DoNotOptimize(ImGui::GetDrawData()->TotalVtxCount);
    }
}
BENCHMARK(BM_PanelsFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same demo frame drawn alone on the headless device at 1280x720, finished.
void BM_DemoFrameAlone(benchmark::State& state)
{
    COrvTestDevice device(1280, 720);
    if (!device)
    {
        state.SkipWithError("no headless device");
        return;
    }
    std::unique_ptr<SEditorSession> pSession = OpenSession(FolderOf(state.range(0)), state);
    if (!pSession)
        return;
    COrvDemo& demo = pSession->document.GetDemo();
    demo.SetOutputSize(1280, 720);
    demo.SetDevice(device.Get());
    demo.DrawFrame(200.0f);
    COrvComPtr<IDirect3DSurface9> pBackBuffer;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, pBackBuffer.ReleaseAndGetAddressOf());
    D3DLOCKED_RECT locked{};
    for (auto _ : state)
    {
        demo.DrawFrame(200.0f);
        // Reading a pixel back waits for the frame to be drawn.
        if (pBackBuffer && SUCCEEDED(pBackBuffer->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
            pBackBuffer->UnlockRect();
    }
    demo.SetDevice(nullptr);
}
BENCHMARK(BM_DemoFrameAlone)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
} // namespace
