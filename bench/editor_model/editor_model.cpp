// The editor's model: one undo and one redo of typical steps on the sample and on a generated
// demo of 500 layers and 20,000 keys; the memory 10,000 steps of history hold; and opening the
// sample in the editor beside the player's own load, measured in the same run.
#include "DemoSession.h"
#include "EditorCommands.h"
#include "EditorDocument.h"
#include "OrvKernel.h"
#include "OrvTempDir.h"
#include "OrvTestDemoText.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

namespace fs = std::filesystem;

namespace
{
constexpr size_t kLayers = 500;
constexpr size_t kKeys = 20000;

// The sample demo in a folder of its own (its data linked), so saves never touch the tree.
const fs::path& SampleCopy()
{
    static const fs::path folder = []
    {
        const fs::path path = OrvTempRoot() / "sample";
        OrvPlaceSampleDemo(path);
        return path;
    }();
    return folder;
}

// 500 sprite layers, each with a material, and 20,000 keys over their positions.
const fs::path& GeneratedFolder()
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

std::unique_ptr<CEditorDocument> OpenDocument(const fs::path& folder, benchmark::State& state)
{
    auto pDocument = std::make_unique<CEditorDocument>();
    std::string sError;
    if (!pDocument->Open(folder.string(), sError))
    {
        state.SkipWithError(sError.c_str());
        return nullptr;
    }
    return pDocument;
}

SEditorPropRef PropOf(CEditorDocument& document, const SEditorObjectRef& object, ORV_PROP_ID id)
{
    const COrvPropList& props = EditorFindObject(document.GetDemo(), object)->GetProperties();
    for (size_t i = 0; i < props.size(); ++i)
        if (props[i]->GetPropId() == id)
            return {object, i};
    return {object, 0};
}

// The step undone and redone: 0 a value keyed at a frame, 1 a whole track's keys moved,
// 2 a layer deleted (put back by undo), 3 a new material keyed visible.
EditorCommandPtr MakeStep(CEditorDocument& document, int64_t iKind)
{
    // The middle of the list: moving objects after it is what costs.
    const SEditorObjectRef layer{EEditorList::Layers, document.GetDemo().GetLayers().size() / 2};
    const SEditorPropRef position = PropOf(document, layer, ORV_PROP_TRANSLATION);
    switch (iKind)
    {
    case 0:
        return EditorSetValue(position, 100.5f, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    case 1:
    {
        std::vector<SEditorKeyRef> keys;
        for (const auto& entry : EditorFindProp(document.GetDemo(), position)->GetTrack())
            keys.push_back({position, entry.first});
        return EditorMoveKeys(std::move(keys), 4);
    }
    case 2:
        return EditorDelete(layer);
    default:
        return EditorAddObject(EEditorFactory::ResMaterial, 64.0f);
    }
}

void UndoRedo(benchmark::State& state, const fs::path& folder)
{
    std::unique_ptr<CEditorDocument> pDocument = OpenDocument(folder, state);
    if (!pDocument)
        return;
    std::string sError;
    if (!pDocument->Execute(MakeStep(*pDocument, state.range(0)), sError))
    {
        state.SkipWithError(sError.c_str());
        return;
    }
    for (auto _ : state)
    {
        pDocument->Undo();
        pDocument->Redo();
    }
    // One iteration is an undo and a redo.
    state.counters["per_undo_or_redo"] = benchmark::Counter(
        2.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetLabel(pDocument->GetHistory().GetUndoLabel(0));
}

void BM_UndoRedoSample(benchmark::State& state)
{
    UndoRedo(state, SampleCopy());
}

void BM_UndoRedoGenerated(benchmark::State& state)
{
    UndoRedo(state, GeneratedFolder());
}

// Resident memory of the process, in bytes.
double ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// 10,000 steps of the kinds a session makes (values keyed, keys moved and deleted, objects
// added, renamed and duplicated) on the generated demo: what the history counts, and what the
// process grew by.
void BM_HistoryOf10000Edits(benchmark::State& state)
{
    for (auto _ : state)
    {
        state.PauseTiming();
        std::unique_ptr<CEditorDocument> pDocument = OpenDocument(GeneratedFolder(), state);
        if (!pDocument)
            return;
        const double dResidentBefore = ResidentBytes();
        state.ResumeTiming();
        std::mt19937 random(10000);
        std::string sError;
        for (int i = 0; i < 10000; ++i)
        {
            const SEditorObjectRef layer{EEditorList::Layers, random() % kLayers};
            const SEditorPropRef position = PropOf(*pDocument, layer, ORV_PROP_TRANSLATION);
            const int iFrame = static_cast<int>(random() % 160);
            EditorCommandPtr pCommand;
            switch (random() % 10)
            {
            case 0:
                pCommand = EditorMoveKeys({{position, iFrame / 4 * 4}}, 3);
                break;
            case 1:
                pCommand = EditorDeleteKeys({{position, iFrame / 4 * 4}});
                break;
            case 2:
                pCommand = EditorRename(layer, "layer " + std::to_string(i));
                break;
            case 3:
                pCommand = random() % 20 ? EditorShiftKeyValues({{position, iFrame / 4 * 4}}, 0.1f)
                                         : EditorAddObject(EEditorFactory::LayerSprite, 0.0f);
                break;
            default:
                pCommand = EditorSetValue(position, static_cast<float>(iFrame) + 0.5f,
                                          D3DXVECTOR3(float(i), 1.0f, 2.0f));
            }
            pDocument->Execute(std::move(pCommand), sError);
        }
        state.PauseTiming();
        state.counters["steps"] = static_cast<double>(pDocument->GetHistory().GetUndoCount());
        state.counters["history_MB"] =
            static_cast<double>(pDocument->GetHistory().GetMemoryUsed()) / (1 << 20);
        state.counters["process_growth_MB"] = (ResidentBytes() - dResidentBefore) / (1 << 20);
        pDocument.reset();
        state.ResumeTiming();
    }
}

// Opening the sample: the editor's Open, and the player's load (CDemoSession without a
// device, as the editor's model opens it), alternated in one loop so both see the same
// machine; the ratio is the editor's time over the player's.
void BM_OpenSampleEditorVsPlayer(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    double dEditor = 0.0;
    double dPlayer = 0.0;
    const fs::path folder = SampleCopy();
    const fs::path cwd = fs::current_path();
    for (auto _ : state)
    {
        auto start = Clock::now();
        {
            CEditorDocument document;
            std::string sError;
            if (!document.Open(folder.string(), sError))
            {
                state.SkipWithError(sError.c_str());
                return;
            }
            dEditor += std::chrono::duration<double>(Clock::now() - start).count();
        }
        start = Clock::now();
        {
            CDemoSession session(folder.string(), 1280, 720);
            std::string sError;
            if (!session.Load(nullptr, sError))
            {
                state.SkipWithError(sError.c_str());
                return;
            }
            dPlayer += std::chrono::duration<double>(Clock::now() - start).count();
        }
        fs::current_path(cwd);
    }
    const double dRuns = static_cast<double>(state.iterations());
    state.counters["editor_ms"] = dEditor / dRuns * 1e3;
    state.counters["player_ms"] = dPlayer / dRuns * 1e3;
    state.counters["editor_over_player"] = dPlayer > 0.0 ? dEditor / dPlayer : 0.0;
    state.counters["editor_minus_player_ms"] = (dEditor - dPlayer) / dRuns * 1e3;
}
} // namespace

BENCHMARK(BM_UndoRedoSample)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UndoRedoGenerated)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HistoryOf10000Edits)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSampleEditorVsPlayer)->Iterations(10)->Unit(benchmark::kMillisecond);
