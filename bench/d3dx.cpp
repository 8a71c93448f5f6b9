// D3DX costs that a demo pays at start-up and on every device change: creating an effect
// with six techniques and the sample demo's effects without and with the shader cache (and
// the preprocessing's share of the latter), loading a 100,000-face ".x" mesh, and what pass
// states computed by functions add to BeginPass.
#include "FxPreprocessor.h"
#include "OrvTempDir.h"
#include "OrvTestDevice.h"
#include "d3dx9.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace
{
// The headless device of these benchmarks: 64 x 64, no depth buffer.
struct SDevice : COrvTestDevice
{
    SDevice() : COrvTestDevice(64, 64, false) {}
};

// Six techniques, each with its own vertex and pixel shader, as a scene effect has them.
std::string SixTechniques()
{
    std::ostringstream fx;
    fx << "float4x4 World : WORLD;\nfloat4x4 ViewProjection : VIEWPROJECTION;\n"
          "float3 LightDir = {0.5, -0.5, 0.7};\nfloat4 Diffuse = {1, 1, 1, 1};\nfloat Time;\n"
          "texture Tex;\nsampler S = sampler_state { Texture = <Tex>; MinFilter = Linear; };\n"
          "struct VSOUT { float4 pos : POSITION; float4 col : COLOR0; float2 uv : TEXCOORD0; };\n";
    for (int i = 0; i < 6; ++i)
    {
        fx << "VSOUT VS" << i << "(float4 p : POSITION, float3 n : NORMAL, float2 uv : TEXCOORD0)\n"
           << "{ VSOUT o; float4 w = mul(p, World); o.pos = mul(w, ViewProjection);\n"
           << "  float d = saturate(dot(normalize(mul(n, (float3x3)World)), -LightDir));\n"
           << "  o.col = Diffuse * pow(d, " << i + 1 << ".0) + sin(Time * " << i << ");\n"
           << "  o.uv = uv * " << i + 1 << "; return o; }\n"
           << "float4 PS" << i << "(float4 c : COLOR0, float2 uv : TEXCOORD0) : COLOR\n"
           << "{ float4 t = tex2D(S, uv); for (int k = 0; k < " << i + 2
           << "; ++k) t = t * 0.9 + tex2D(S, uv + k * 0.01) * 0.1;\n"
           << "  return c * t; }\n"
           << "technique T" << i << " { pass { VertexShader = compile vs_2_0 VS" << i
           << "(); PixelShader = compile ps_2_0 PS" << i << "(); ZEnable = true; } }\n";
    }
    return fx.str();
}

// A fresh folder for a shader cache, in the program's temporary folder.
std::string MakeTempDir()
{
    static int s_iCount = 0;
    const std::filesystem::path dir = OrvTempRoot() / ("cache" + std::to_string(++s_iCount));
    std::filesystem::create_directories(dir);
    return dir.string();
}

void CreateEffect(benchmark::State& state, bool bWarm)
{
    SDevice device;
    if (!device)
    {
        state.SkipWithError("no headless device");
        return;
    }
    std::string sSource = SixTechniques();
    const COrvTempDir warmCache("warm_cache");
    for (auto _ : state)
    {
        state.PauseTiming();
        auto pColdCache = bWarm ? nullptr : std::make_unique<COrvTempDir>("cold_cache");
        setenv("ORV_SHADER_CACHE", (pColdCache ? *pColdCache : warmCache).Path().c_str(), 1);
        state.ResumeTiming();
        COrvComPtr<ID3DXEffect> pEffect;
        if (FAILED(D3DXCreateEffect(device.Get(), sSource.data(), UINT(sSource.size()), nullptr,
                                    nullptr, 0, nullptr, pEffect.ReleaseAndGetAddressOf(),
                                    nullptr)))
        {
            state.SkipWithError("the effect does not compile");
            break;
        }
        state.PauseTiming();
        pEffect.Reset();
        pColdCache.reset();
        state.ResumeTiming();
    }
}

void BM_CreateSixTechniqueEffectCold(benchmark::State& state)
{
    CreateEffect(state, false);
}
void BM_CreateSixTechniqueEffectCached(benchmark::State& state)
{
    CreateEffect(state, true);
}
BENCHMARK(BM_CreateSixTechniqueEffectCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateSixTechniqueEffectCached)->Unit(benchmark::kMillisecond);

// The effects of the sample demo (examples/Atelier/data), read once.
struct SEffectFile
{
    std::string m_sPath;
    std::string m_sText;
};

std::vector<SEffectFile> EffectFiles(const std::string& sDir)
{
    std::vector<SEffectFile> aFiles;
    for (const auto& entry : std::filesystem::directory_iterator(sDir))
    {
        if (entry.path().extension() != ".fx")
            continue;
        std::ifstream file(entry.path());
        std::stringstream text;
        text << file.rdbuf();
        aFiles.push_back({entry.path().string(), text.str()});
    }
    return aFiles;
}

bool CreateAll(IDirect3DDevice9* pDevice, const std::vector<SEffectFile>& aFiles)
{
    for (const SEffectFile& file : aFiles)
    {
        COrvComPtr<ID3DXEffect> pEffect;
        if (FAILED(D3DXCreateEffectFromFileA(pDevice, file.m_sPath.c_str(), nullptr, nullptr, 0,
                                             nullptr, pEffect.ReleaseAndGetAddressOf(), nullptr)))
            return false;
    }
    return true;
}

double PreprocessAll(const std::vector<SEffectFile>& aFiles)
{
    auto start = std::chrono::steady_clock::now();
    for (const SEffectFile& file : aFiles)
    {
        SOrvFxSource source;
        std::string sErrors;
        COrvFxPreprocessor::Run(file.m_sText, file.m_sPath, nullptr, nullptr, source, sErrors);
        benchmark::DoNotOptimize(source.m_sText.data());
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Creation of every effect of the sample, with an empty and with a warm shader cache. The
// warm run also measures the preprocessing of the same files, and reports its share of the
// creation ("preprocessing_share", the reference being the creation in the same run).
void CreateEffects(benchmark::State& state, const std::string& sDir, bool bWarm)
{
    SDevice device;
    std::vector<SEffectFile> aFiles = EffectFiles(sDir);
    // Only the files that create (a corpus has some that must be refused).
    std::string sProbeCache = MakeTempDir();
    setenv("ORV_SHADER_CACHE", sProbeCache.c_str(), 1);
    aFiles.erase(std::remove_if(aFiles.begin(), aFiles.end(),
                                [&](const SEffectFile& file)
                                { return device.Get() && !CreateAll(device.Get(), {file}); }),
                 aFiles.end());
    std::filesystem::remove_all(sProbeCache);
    if (!device.Get() || aFiles.empty())
    {
        state.SkipWithError("no headless device or no effect files");
        return;
    }
    std::string sWarmCache = MakeTempDir();
    setenv("ORV_SHADER_CACHE", sWarmCache.c_str(), 1);
    if (bWarm && !CreateAll(device.Get(), aFiles))
        state.SkipWithError("the sample's effects do not compile");
    double dCreation = 0;
    double dPreprocessing = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        std::string sCache = bWarm ? sWarmCache : MakeTempDir();
        setenv("ORV_SHADER_CACHE", sCache.c_str(), 1);
        dPreprocessing += bWarm ? PreprocessAll(aFiles) : 0.0;
        state.ResumeTiming();
        auto start = std::chrono::steady_clock::now();
        if (!CreateAll(device.Get(), aFiles))
        {
            state.SkipWithError("the sample's effects do not compile");
            break;
        }
        dCreation +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        if (!bWarm)
            std::filesystem::remove_all(sCache);
        state.ResumeTiming();
    }
    state.counters["effects"] = double(aFiles.size());
    if (bWarm && dCreation > 0)
        state.counters["preprocessing_share"] = dPreprocessing / dCreation;
    std::filesystem::remove_all(sWarmCache);
}

const std::string s_sAtelier = std::string(ORV_SOURCE_ROOT) + "/examples/Atelier/data";
const std::string s_sCorpus = std::string(ORV_SOURCE_ROOT) + "/tests/d3dx/data/fx";

void BM_CreateAtelierEffectsEmptyCache(benchmark::State& state)
{
    CreateEffects(state, s_sAtelier, false);
}
void BM_CreateAtelierEffectsWarmCache(benchmark::State& state)
{
    CreateEffects(state, s_sAtelier, true);
}
// The effect files of the tests: #include files, macros, many techniques.
void BM_CreateCorpusEffectsWarmCache(benchmark::State& state)
{
    CreateEffects(state, s_sCorpus, true);
}
BENCHMARK(BM_CreateAtelierEffectsEmptyCache)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateAtelierEffectsWarmCache)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateCorpusEffectsWarmCache)->Unit(benchmark::kMillisecond);

// BeginPass of a pass whose states call functions of parameters (evaluated on the CPU each
// time), against the same pass with constant states, in the same run: "extra_us" is what
// the functions add to one Begin/BeginPass/EndPass/End, in this thread's CPU time.
std::string StatesEffect(bool bFunctions)
{
    std::string sFx = "float Time = 0.5;\nbool bDepth = true;\nfloat4 Tint = {1, 0.5, 0.25, 1};\n"
                      "bool ChooseZEnable() { return bDepth; }\n"
                      "int ChooseCull() { int mode = 1; if (Time > 10) mode = 3; return mode; }\n"
                      "float4x4 getTextureTransform()\n"
                      "{ float s = sin(Time), c = cos(Time);\n"
                      "  float4x4 m = float4x4(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);\n"
                      "  m._41 = 0.5; return m; }\n"
                      "float4 TintNow() { return Tint * saturate(Time); }\n"
                      "float4 PS() : COLOR { return Tint; }\n"
                      "technique T { pass { PixelShader = compile ps_2_0 PS();\n";
    if (bFunctions)
        sFx += "ZEnable = ChooseZEnable(); CullMode = ChooseCull();\n"
               "TextureTransform[0] = getTextureTransform(); TextureFactor = TintNow(); } }\n";
    else
        sFx += "ZEnable = TRUE; CullMode = NONE;\n"
               "TextureTransform[0] = float4x4(0.88, 0.48, 0, 0, -0.48, 0.88, 0, 0, 0, 0, 1, 0, "
               "0.5, 0, 0, 1); TextureFactor = 0x7f7f4020; } }\n";
    return sFx;
}

// Seconds of this thread's CPU time: the machines these run on are shared, and a wall clock
// counts the time others' work holds the CPU.
double ThreadSeconds()
{
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return double(time.tv_sec) + double(time.tv_nsec) * 1e-9;
}

double TimePasses(ID3DXEffect* pEffect, int iCount)
{
    double dStart = ThreadSeconds();
    for (int i = 0; i < iCount; ++i)
    {
        UINT uPasses = 0;
        pEffect->Begin(&uPasses, 0);
        pEffect->BeginPass(0);
        pEffect->EndPass();
        pEffect->End();
    }
    return ThreadSeconds() - dStart;
}

void BM_BeginPassFunctionStates(benchmark::State& state)
{
    SDevice device;
    COrvComPtr<ID3DXEffect> apEffects[2];
    for (int i = 0; i < 2; ++i)
    {
        std::string sSource = StatesEffect(i == 1);
        if (!device.Get() ||
            FAILED(D3DXCreateEffect(device.Get(), sSource.data(), UINT(sSource.size()), nullptr,
                                    nullptr, 0, nullptr, apEffects[i].ReleaseAndGetAddressOf(),
                                    nullptr)))
        {
            state.SkipWithError("no headless device or the effect does not compile");
            return;
        }
    }
    const int iBatch = 200;
    double adSeconds[2] = {0, 0};
    int64_t iPasses = 0;
    for (auto _ : state)
    {
        // Interleaved, so that both see the same machine.
        adSeconds[0] += TimePasses(apEffects[0].Get(), iBatch);
        adSeconds[1] += TimePasses(apEffects[1].Get(), iBatch);
        iPasses += iBatch;
    }
    if (iPasses > 0)
    {
        state.counters["constant_us"] = adSeconds[0] / double(iPasses) * 1e6;
        state.counters["function_us"] = adSeconds[1] / double(iPasses) * 1e6;
        state.counters["extra_us"] = (adSeconds[1] - adSeconds[0]) / double(iPasses) * 1e6;
        state.counters["ratio"] = adSeconds[1] / adSeconds[0];
    }
}
BENCHMARK(BM_BeginPassFunctionStates)->Unit(benchmark::kMillisecond);

// A grid of 224 x 224 quads: 100,352 faces, with normals and texture coordinates.
std::string WriteGridMesh()
{
    const int n = 224;
    std::string sFile = (OrvTempRoot() / "grid.x").string();
    std::ofstream out(sFile);
    out << "xof 0303txt 0032\nMesh Grid {\n" << (n + 1) * (n + 1) << ";\n";
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x)
            out << x * 0.1f << ";" << y * 0.1f << ";" << ((x * y) % 7) * 0.01f << ";"
                << (x == n && y == n ? ";\n" : ",\n");
    out << 2 * n * n << ";\n";
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
        {
            int i = y * (n + 1) + x;
            bool bLast = y == n - 1 && x == n - 1;
            out << "3;" << i << "," << i + n + 1 << "," << i + 1 << ";,\n3;" << i + 1 << ","
                << i + n + 1 << "," << i + n + 2 << ";" << (bLast ? ";\n" : ",\n");
        }
    out << "MeshTextureCoords {\n" << (n + 1) * (n + 1) << ";\n";
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x)
            out << x / float(n) << ";" << y / float(n) << ";" << (x == n && y == n ? ";\n" : ",\n");
    out << "}\n}\n";
    return sFile;
}

void BM_LoadMesh100kFaces(benchmark::State& state)
{
    SDevice device;
    if (!device)
    {
        state.SkipWithError("no headless device");
        return;
    }
    std::string sFile = WriteGridMesh();
    for (auto _ : state)
    {
        COrvComPtr<ID3DXMesh> pMesh;
        DWORD dwMaterials = 0;
        COrvComPtr<ID3DXBuffer> pMaterials;
        if (FAILED(D3DXLoadMeshFromXA(sFile.c_str(), D3DXMESH_MANAGED, device.Get(), nullptr,
                                      pMaterials.ReleaseAndGetAddressOf(), nullptr, &dwMaterials,
                                      pMesh.ReleaseAndGetAddressOf())))
        {
            state.SkipWithError("the mesh does not load");
            break;
        }
        state.counters["faces"] = double(pMesh->GetNumFaces());
    }
}
BENCHMARK(BM_LoadMesh100kFaces)->Unit(benchmark::kMillisecond);
} // namespace
