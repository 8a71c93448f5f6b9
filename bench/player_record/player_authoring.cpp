// The authoring loop on the sample demo at 1280 x 720, headless: the time from saving a
// changed demo.orv, or a changed effect file, to the new picture drawn and read back, as
// OrvPlayer --watch does it (inotify, the save left to settle for 15 ms, the demo rebuilt with a
// warm shader cache, one frame). The reference, in the same run: one frame of the sample drawn and
// read back. Counters: reload_ms and its ratio to a frame. BM_SaveDemoFileToPictureDecodingImages
// reloads without the texture cache, in the same run.
#include "DemoSession.h"
#include "DemoWatcher.h"
#include "FrameGrabber.h"
#include "PlayerDevice.h"
#include "TextureCache.h"
#include "document/OrvDemo.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace
{

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr float kFrameTime = 16.0f * 40.0f; // bar 11 of the sample: most layers at work
using Clock = std::chrono::steady_clock;

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A copy of the sample demo in a scratch folder (with a shader cache of its own), a
// headless device, the demo loaded and watched.
class CStage
{
public:
    CStage()
        : m_Previous(std::filesystem::current_path()),
          m_Folder(std::filesystem::temp_directory_path() /
                   ("orv_bench_authoring_" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(m_Folder);
        std::filesystem::copy(std::filesystem::path(ORV_SOURCE_ROOT) / "examples/Atelier",
                              m_Folder / "demo", std::filesystem::copy_options::recursive);
        setenv("ORV_SHADER_CACHE", (m_Folder / "cache").c_str(), 1);
        m_sDemo = ReadAll(m_Folder / "demo/demo.orv");
        m_sEffect = ReadAll(m_Folder / "demo/data/screen.fx");
        m_pD3D.Attach(Direct3DCreate9(D3D_SDK_VERSION));
        D3DDISPLAYMODE mode{kWidth, kHeight, 0, D3DFMT_X8R8G8B8};
        D3DPRESENT_PARAMETERS params = MakePresentParameters(mode, false, false);
        if (!m_pD3D || FAILED(CreatePlayerDevice(m_pD3D.Get(), nullptr, params,
                                                 m_pDevice.ReleaseAndGetAddressOf())))
        {
            return;
        }
        CDemoSession::KeepFreedMemory(); // as OrvPlayer --watch does
        m_pSession = std::make_unique<CDemoSession>((m_Folder / "demo").string(), kWidth, kHeight);
        std::string sError;
        m_bReady = m_pSession->Load(m_pDevice.Get(), sError) &&
                   m_Watcher.Start(m_pSession->GetDemoDir(), sError);
        m_pGrabber = std::make_unique<CFrameGrabber>(m_pDevice.Get(), kWidth, kHeight);
    }
    ~CStage()
    {
        m_pGrabber.reset();
        m_pSession.reset();
        m_pDevice.Reset();
        m_pD3D.Reset();
        std::filesystem::current_path(m_Previous);
        std::filesystem::remove_all(m_Folder);
        unsetenv("ORV_SHADER_CACHE");
    }
    bool Ready() const { return m_bReady; }

    // Draws the frame and reads it back: the picture is there.
    void Show()
    {
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        m_pSession->GetDemo()->DrawFrame(kFrameTime);
        m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
        m_pGrabber->Grab();
    }

    // Saves a changed file (version i of it), waits until the watcher has seen the save
    // settle, reloads and shows: the seconds it all took, or a negative number on failure.
    double SaveAndShow(bool bEffect, int iVersion)
    {
        const Clock::time_point start = Clock::now();
        const std::string sComment = "\n// edit " + std::to_string(iVersion) + "\n";
        if (bEffect)
            std::ofstream(m_Folder / "demo/data/screen.fx", std::ios::binary)
                << m_sEffect + sComment;
        else
            std::ofstream(m_Folder / "demo/demo.orv", std::ios::binary)
                << m_sDemo + "<!--" + sComment + "-->\n";
        for (int i = 0; i < 5000; ++i)
        {
            m_Watcher.Poll();
            if (m_Watcher.IsSettled(std::chrono::milliseconds(15)))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        std::string sProblem;
        const Clock::time_point rebuild = Clock::now();
        if (!m_pSession->Reload(kFrameTime, false, m_Watcher.TakeChanges(), sProblem))
            return -1.0;
        m_dRebuild += std::chrono::duration<double>(Clock::now() - rebuild).count();
        Show();
        return std::chrono::duration<double>(Clock::now() - start).count();
    }

    double TimeFrame()
    {
        const Clock::time_point start = Clock::now();
        Show();
        return std::chrono::duration<double>(Clock::now() - start).count();
    }

private:
    std::filesystem::path m_Previous;
    std::filesystem::path m_Folder;
    std::string m_sDemo;
    std::string m_sEffect;
    COrvComPtr<IDirect3D9> m_pD3D;
    COrvComPtr<IDirect3DDevice9> m_pDevice;
    std::unique_ptr<CDemoSession> m_pSession;
    std::unique_ptr<CFrameGrabber> m_pGrabber;
    CDemoWatcher m_Watcher;
    bool m_bReady = false;

public:
    double m_dRebuild = 0.0; // seconds spent rebuilding the demo, all saves together
};

CStage* GetStage()
{
    static CStage s_Stage; // gone at exit, with its scratch folder
    return s_Stage.Ready() ? &s_Stage : nullptr;
}

// Saves alternate between two versions: after the first two, both are in the shader cache.
void RunReloads(benchmark::State& state, bool bEffect)
{
    CStage* pStage = GetStage();
    if (pStage == nullptr)
    {
        state.SkipWithError("no device or no sample demo");
        return;
    }
    pStage->SaveAndShow(bEffect, 0);
    pStage->SaveAndShow(bEffect, 1);
    pStage->m_dRebuild = 0.0;
    double reload = 0.0;
    double frame = 0.0;
    int iVersion = 0;
    for (auto _ : state)
    {
        const double seconds = pStage->SaveAndShow(bEffect, iVersion++ % 2);
        if (seconds < 0.0)
        {
            state.SkipWithError("the reload failed");
            return;
        }
        state.SetIterationTime(seconds);
        reload += seconds;
        frame += pStage->TimeFrame();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["reload_ms"] = reload / n * 1000.0;
    state.counters["frame_ms"] = frame / n * 1000.0;
    state.counters["rebuild_ms"] = pStage->m_dRebuild / n * 1000.0;
    state.counters["reload_per_frame"] = reload / frame;
}

void BM_SaveDemoFileToPicture(benchmark::State& state)
{
    RunReloads(state, false);
}

void BM_SaveEffectFileToPicture(benchmark::State& state)
{
    RunReloads(state, true);
}

// The same with every image decoded and filtered down again at each reload, as without the
// texture cache: the reference for what the cache saves.
void BM_SaveDemoFileToPictureDecodingImages(benchmark::State& state)
{
    COrvTextureCache& rCache = COrvTextureCache::Shared();
    rCache.SetCapacity(0);
    RunReloads(state, false);
    rCache.SetCapacity(COrvTextureCache::s_uDefaultCapacity);
}

// A first save of an effect never compiled before: that one effect goes through the
// compiler, the others come from the cache.
void BM_SaveNewEffectToPicture(benchmark::State& state)
{
    CStage* pStage = GetStage();
    if (pStage == nullptr)
    {
        state.SkipWithError("no device or no sample demo");
        return;
    }
    static int s_iVersion = 100;
    for (auto _ : state)
    {
        const double seconds = pStage->SaveAndShow(true, s_iVersion++);
        if (seconds < 0.0)
        {
            state.SkipWithError("the reload failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
}

} // namespace

BENCHMARK(BM_SaveDemoFileToPicture)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SaveDemoFileToPictureDecodingImages)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK(BM_SaveEffectFileToPicture)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK(BM_SaveNewEffectToPicture)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
