// What a segment of a split recording costs, the show being the sample's first 48 seconds
// in 8 segments: the last segment (its pre-roll of 42 seconds, then its own 6 seconds drawn
// and read back) with the cheap pre-roll and drawing every frame, and the single recording
// of all 48 seconds. Compare in one run: LastSegment/cheap against LastSegment/drawAll, and
// against SingleRecording (an ideal split of 8 is 0.125 of it); PreRoll/cheap against
// PreRoll/drawAll is the pre-roll alone. ORV_BENCH_PREROLL_SIZE
// (e.g. 1280x720) changes the picture size, 640x360 by default to keep the run short here.
#include "DemoSession.h"
#include "FrameGrabber.h"
#include "PlayerDevice.h"
#include "PlayerLoops.h"
#include "PlayerTiming.h"
#include "document/OrvDemo.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace
{

constexpr float kTempo = 120.0f; // the sample's music
constexpr int kShowFrames = 48 * kRecordingFps;
constexpr int kSegments = 8;
constexpr int kSegmentFrames = kShowFrames / kSegments;

void ReadSize(int& riWidth, int& riHeight)
{
    riWidth = 640;
    riHeight = 360;
    const char* szSize = std::getenv("ORV_BENCH_PREROLL_SIZE");
    if (szSize != nullptr && std::sscanf(szSize, "%dx%d", &riWidth, &riHeight) != 2)
    {
        riWidth = 640;
        riHeight = 360;
    }
}

// A headless device and a fresh session of the sample, as a segment's player has them.
class CSegmentRun
{
public:
    CSegmentRun()
    {
        ReadSize(m_iWidth, m_iHeight);
        m_pD3D.Attach(Direct3DCreate9(D3D_SDK_VERSION));
        D3DDISPLAYMODE mode{static_cast<UINT>(m_iWidth), static_cast<UINT>(m_iHeight), 0,
                            D3DFMT_X8R8G8B8};
        D3DPRESENT_PARAMETERS params = MakePresentParameters(mode, false, false);
        if (!m_pD3D || FAILED(CreatePlayerDevice(m_pD3D.Get(), nullptr, params,
                                                 m_pDevice.ReleaseAndGetAddressOf())))
        {
            return;
        }
        m_pSession = std::make_unique<CDemoSession>(
            std::string(ORV_SOURCE_ROOT) + "/examples/Atelier", m_iWidth, m_iHeight);
        std::string sError;
        m_bReady = m_pSession->Load(m_pDevice.Get(), sError);
        m_stage.pSession = m_pSession.get();
        m_stage.pDevice = m_pDevice.Get();
        m_stage.iWidth = m_iWidth;
        m_stage.iHeight = m_iHeight;
    }
    ~CSegmentRun()
    {
        m_pSession.reset();
        m_pDevice.Reset();
        m_pD3D.Reset();
    }
    explicit operator bool() const { return m_bReady; }

    // The segment from the frame: its pre-roll, then its frames drawn and read back.
    void Run(int iFirst, int iFrames, bool bDrawAll)
    {
        SStepPlan plan{kTempo, kRecordingFps, false, bDrawAll};
        StepTo(m_stage, plan, static_cast<double>(iFirst) / kRecordingFps);
        CFrameGrabber grabber(m_pDevice.Get(), m_iWidth, m_iHeight);
        for (int i = 0; i < iFrames; ++i)
        {
            m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
            DrawShowFrame(m_stage, GetRecordedFrameTime(iFirst + i, kTempo, kRecordingFps));
            grabber.Grab();
        }
    }

private:
    int m_iWidth = 640;
    int m_iHeight = 360;
    COrvComPtr<IDirect3D9> m_pD3D;
    COrvComPtr<IDirect3DDevice9> m_pDevice;
    std::unique_ptr<CDemoSession> m_pSession;
    SPlayerStage m_stage;
    bool m_bReady = false;
};

// Times one run of the segment on a fresh session (its set-up and release not counted).
void TimeSegment(benchmark::State& state, int iFirst, int iFrames, bool bDrawAll)
{
    for (auto _ : state)
    {
        state.PauseTiming();
        auto pRun = std::make_unique<CSegmentRun>();
        state.ResumeTiming();
        if (!*pRun)
        {
            state.SkipWithError("no device or no sample demo");
            break;
        }
        pRun->Run(iFirst, iFrames, bDrawAll);
        state.PauseTiming();
        pRun.reset();
        state.ResumeTiming();
    }
}

void BM_LastSegment(benchmark::State& state)
{
    const bool bDrawAll = state.range(0) != 0;
    TimeSegment(state, kShowFrames - kSegmentFrames, kSegmentFrames, bDrawAll);
    state.SetLabel(bDrawAll ? "drawAll" : "cheap");
}

// The last segment's pre-roll alone: the part of a segment that splitting does not share.
void BM_PreRoll(benchmark::State& state)
{
    const bool bDrawAll = state.range(0) != 0;
    TimeSegment(state, kShowFrames - kSegmentFrames, 0, bDrawAll);
    state.SetLabel(bDrawAll ? "drawAll" : "cheap");
}

void BM_SingleRecording(benchmark::State& state)
{
    TimeSegment(state, 0, kShowFrames, false);
}

} // namespace

BENCHMARK(BM_LastSegment)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_PreRoll)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_SingleRecording)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
