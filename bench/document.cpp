// Demo files and the frame pipeline: loading and saving a large generated document, and
// the fixed cost of a frame whose layers are all hidden.
#include "OrvKernel.h"
#include "RecordingDevice.h"
#include "OrvTempDir.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace
{
constexpr int LAYERS = 200;
constexpr int KEYS = 20;

// 200 sprite layers whose 8 properties after the name are animable, with 20 keys each.
void Generate(COrvDemo& demo)
{
    for (int i = 0; i < LAYERS; ++i)
    {
        COrvModifiable* pLayer = demo.AddLayerSprite();
        const COrvPropList& props = pLayer->GetProperties();
        for (size_t p = 1; p < props.size(); ++p)
            props[p]->SetAnimable(true);
        for (int k = 0; k < KEYS; ++k)
        {
            COrvPropBase::SetFrame(static_cast<float>(k * 16));
            const float value = static_cast<float>(i + k) * 0.125f;
            static_cast<COrvPropBool*>(props[1])->SetValue(k % 2 == 0);
            static_cast<COrvPropBool*>(props[2])->SetValue(k % 3 == 0);
            static_cast<COrvPropBool*>(props[3])->SetValue(k % 2 == 1);
            static_cast<COrvPropString*>(props[4])->SetValue(k % 2 ? "OUTPUT" : "NEXT");
            static_cast<COrvPropString*>(props[5])->SetValue("material " + std::to_string(k));
            static_cast<COrvPropString*>(props[6])->SetValue("mesh " + std::to_string(k));
            static_cast<COrvPropVector*>(props[7])->SetValue(D3DXVECTOR3(value, -value, 1.0f));
            static_cast<COrvPropQuat*>(props[8])->SetValue(D3DXQUATERNION(0, value, 0, 1));
        }
    }
    COrvPropBase::SetFrame(0.0f);
}

std::string GeneratedFile()
{
    static const std::string path = []
    {
        COrvDemo demo;
        Generate(demo);
        const std::string file = (OrvTempRoot() / "document.orv").string();
        demo.SaveToFile(file);
        return file;
    }();
    return path;
}

void BM_LoadDocument(benchmark::State& state)
{
    const std::string file = GeneratedFile();
    const auto cwd = std::filesystem::current_path();
    COrvDemo demo;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(demo.Load(file));
        std::filesystem::current_path(cwd);
    }
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(file));
    state.counters["layers"] = static_cast<double>(demo.GetLayers().size());
}
BENCHMARK(BM_LoadDocument)->Unit(benchmark::kMillisecond);

void BM_SaveDocument(benchmark::State& state)
{
    COrvDemo demo;
    Generate(demo);
    std::string text;
    for (auto _ : state)
    {
        demo.Save(text);
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["file_bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_SaveDocument)->Unit(benchmark::kMillisecond);

void BM_SaveDocumentToFile(benchmark::State& state)
{
    COrvDemo demo;
    Generate(demo);
    const std::string file = (OrvTempRoot() / "document_save.orv").string();
    for (auto _ : state)
        benchmark::DoNotOptimize(demo.SaveToFile(file));
    std::remove(file.c_str());
}
BENCHMARK(BM_SaveDocumentToFile)->Unit(benchmark::kMillisecond);

// The frame's own cost: back buffer, pending clears, time, music and resources, and the
// visibility test of 100 hidden layers.
void BM_DrawFrameHiddenLayers(benchmark::State& state)
{
    CRecordingDevice device(1280, 720);
    COrvDemo demo;
    demo.SetDevice(&device);
    for (int i = 0; i < 100; ++i)
    {
        COrvModifiable* pLayer = demo.AddLayerSprite();
        static_cast<COrvPropBool*>(pLayer->GetProperties()[1])->SetValue(false);
    }
    float time = 0.0f;
    int frames = 0;
    for (auto _ : state)
    {
        demo.DrawFrame(time);
        time += 1.0f;
        if (++frames % 4096 == 0)
            device.ClearCalls();
    }
    demo.SetDevice(nullptr);
}
BENCHMARK(BM_DrawFrameHiddenLayers)->Unit(benchmark::kMicrosecond);
} // namespace
