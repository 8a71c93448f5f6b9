// What a headless recording of the sample demo at 1280 x 720 costs per frame: drawing
// (with the read-back that waits for it), the read-back alone, and the whole recording
// path with encoding, as OrvPlayer --headless --record runs it; what the capture path costs
// the drawing thread against a plain glReadPixels of the same frame.
#include "FrameGrabber.h"
#include "FrameRecorder.h"
#include "PlayerDevice.h"
#include "PlayerTiming.h"
#include "capture/OrvAvi.h"
#include "document/OrvDemo.h"
#include "OrvTempDir.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

namespace
{

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr float kTempo = 120.0f; // the sample's music

// One headless device with the sample demo loaded, shared by the benchmarks.
struct SStage
{
    IDirect3D9* pD3D = nullptr;
    IDirect3DDevice9* pDevice = nullptr;
    std::unique_ptr<COrvDemo> pDemo;
    std::unique_ptr<CFrameGrabber> pGrabber;
    int iFrame = 0;

    bool Open()
    {
        pD3D = Direct3DCreate9(D3D_SDK_VERSION);
        D3DDISPLAYMODE mode{kWidth, kHeight, 0, D3DFMT_X8R8G8B8};
        D3DPRESENT_PARAMETERS params = MakePresentParameters(mode, false, false);
        if (pD3D == nullptr || FAILED(CreatePlayerDevice(pD3D, nullptr, params, &pDevice)))
        {
            return false;
        }
        pDemo = std::make_unique<COrvDemo>();
        pDemo->SetOutputSize(kWidth, kHeight);
        std::filesystem::current_path(std::string(ORV_SOURCE_ROOT) + "/examples/Atelier");
        if (!pDemo->Load("demo.orv"))
        {
            return false;
        }
        pDemo->SetDevice(pDevice);
        pGrabber = std::make_unique<CFrameGrabber>(pDevice, kWidth, kHeight);
        return true;
    }

    // Draws and presents the next frame of the show, as the recording loop does.
    void DrawNext()
    {
        pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        pDemo->DrawFrame(GetRecordedFrameTime(iFrame, kTempo));
        iFrame = (iFrame + 1) % (48 * kRecordingFps);
        pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    }
};

SStage* GetStage()
{
    static SStage* s_pStage = []
    {
        auto* pStage = new SStage;
        return pStage->Open() ? pStage : nullptr;
    }();
    return s_pStage;
}

void BM_DrawAndReadBack(benchmark::State& state)
{
    SStage* pStage = GetStage();
    if (pStage == nullptr)
    {
        state.SkipWithError("no device or no sample demo");
        return;
    }
    for (auto _ : state)
    {
        pStage->DrawNext();
        pStage->pGrabber->Grab(); // waits for the drawing to finish
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ReadBackOnly(benchmark::State& state)
{
    SStage* pStage = GetStage();
    if (pStage == nullptr)
    {
        state.SkipWithError("no device or no sample demo");
        return;
    }
    pStage->DrawNext();
    pStage->pGrabber->Grab();
    for (auto _ : state)
    {
        pStage->pGrabber->Grab();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_RecordShow(benchmark::State& state)
{
    SStage* pStage = GetStage();
    if (pStage == nullptr)
    {
        state.SkipWithError("no device or no sample demo");
        return;
    }
    const int iFrames = 100;
    std::string sPath = (OrvTempRoot() / "show.avi").string();
    for (auto _ : state)
    {
        ORV_Avi avi;
        if (avi.CreateAVI(nullptr, sPath.c_str(), kWidth, kHeight, kRecordingFps) != 0)
        {
            state.SkipWithError("cannot record");
            break;
        }
        for (int i = 0; i < iFrames; ++i)
        {
            pStage->DrawNext();
            if (pStage->pGrabber->Grab())
            {
                avi.AddFrame(pStage->pGrabber->GetBits());
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * iFrames);
    std::filesystem::remove(sPath);
}

// Waits until the device has done everything asked of it.
void WaitForDevice(IDirect3DDevice9* pDevice)
{
    COrvComPtr<IDirect3DQuery9> pDone;
    if (FAILED(pDevice->CreateQuery(D3DQUERYTYPE_TIMESTAMP, pDone.ReleaseAndGetAddressOf())) ||
        !pDone)
    {
        return;
    }
    pDone->Issue(D3DISSUE_END);
    UINT64 stamp = 0;
    while (pDone->GetData(&stamp, sizeof(stamp), D3DGETDATA_FLUSH) == S_FALSE)
    {
    }
}

using Clock = std::chrono::steady_clock;

// Records iFrames frames of the show from its current frame into a file, the frames read
// back while drawing (the player's path) or each read at once and converted on the drawing
// thread; seconds until the file is complete, or a negative number when it cannot record.
double RecordFrames(SStage& rStage, const std::string& sPath, int iFrames, bool bOverlapped)
{
    const Clock::time_point start = Clock::now();
    {
        ORV_Avi avi;
        if (avi.CreateAVI(nullptr, sPath.c_str(), kWidth, kHeight, kRecordingFps) != 0)
        {
            return -1.0;
        }
        CFrameRecorder recorder(rStage.pDevice, avi, kWidth, kHeight);
        for (int i = 0; i < iFrames; ++i)
        {
            rStage.DrawNext();
            if (bOverlapped)
            {
                recorder.AddPresented();
            }
            else if (rStage.pGrabber->Grab())
            {
                avi.AddFrame(rStage.pGrabber->GetBits());
            }
        }
    } // the file is complete
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The same frames of the show rendered without capture, then recorded as the player records
// them (read back while drawing, encoded with the default codec), then read at once: each
// recording's rate over the rendering's (record_per_render is the figure to keep at or above
// 0.9), and the recording's frames per second. The order turns each iteration.
void BM_RecordingOverhead(benchmark::State& state)
{
    SStage* pStage = GetStage();
    if (pStage == nullptr)
    {
        state.SkipWithError("no device or no sample demo");
        return;
    }
    const int iFrames = 100;
    const std::string sPath = (OrvTempRoot() / "overhead.mp4").string();
    double dRender = 0.0, dRecord = 0.0, dAtOnce = 0.0;
    int iIteration = 0;
    for (auto _ : state)
    {
        const int iFirst = pStage->iFrame;
        const bool bRenderFirst = iIteration++ % 2 == 0;
        auto render = [&]
        {
            pStage->iFrame = iFirst;
            const Clock::time_point start = Clock::now();
            for (int i = 0; i < iFrames; ++i)
            {
                pStage->DrawNext();
            }
            WaitForDevice(pStage->pDevice);
            dRender += std::chrono::duration<double>(Clock::now() - start).count();
        };
        if (bRenderFirst)
        {
            render();
        }
        pStage->iFrame = iFirst;
        const double dSeconds = RecordFrames(*pStage, sPath, iFrames, true);
        pStage->iFrame = iFirst;
        const double dOld = RecordFrames(*pStage, sPath, iFrames, false);
        if (dSeconds < 0.0 || dOld < 0.0)
        {
            state.SkipWithError("cannot record");
            break;
        }
        if (!bRenderFirst)
        {
            render();
        }
        dRecord += dSeconds;
        dAtOnce += dOld;
        state.SetIterationTime(dSeconds);
    }
    const double dFrames = static_cast<double>(state.iterations()) * iFrames;
    state.counters["render_fps"] = dFrames / dRender;
    state.counters["record_fps"] = dFrames / dRecord;
    state.counters["record_per_render"] = dRender / dRecord;
    state.counters["at_once_record_per_render"] = dRender / dAtOnce;
    std::filesystem::remove(sPath);
}

// The drawing thread's own CPU time in milliseconds: what a step costs it, without the time
// other processes of this busy machine take from it.
double ThreadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// A plain synchronous glReadPixels of a finished 1280 x 720 frame into memory: a framebuffer
// of its own holding a copy of the frame, read as it is stored (the device's own bindings are
// put back after each read).
class CPlainReader
{
public:
    CPlainReader() : m_pixels(static_cast<size_t>(kWidth) * kHeight * 4)
    {
        glGenTextures(1, &m_uTexture);
        glBindTexture(GL_TEXTURE_2D, m_uTexture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kWidth, kHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     m_pixels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        GLint iPrevious = 0;
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &iPrevious);
        glGenFramebuffers(1, &m_uFramebuffer);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, m_uFramebuffer);
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_uTexture,
                               0);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(iPrevious));
    }
    ~CPlainReader()
    {
        glDeleteFramebuffers(1, &m_uFramebuffer);
        glDeleteTextures(1, &m_uTexture);
    }
    CPlainReader(const CPlainReader&) = delete;
    CPlainReader& operator=(const CPlainReader&) = delete;

    void Read()
    {
        GLint iPrevious = 0;
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &iPrevious);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, m_uFramebuffer);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, m_pixels.data());
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(iPrevious));
    }

private:
    GLuint m_uTexture = 0;
    GLuint m_uFramebuffer = 0;
    std::vector<unsigned char> m_pixels;
};

// What capturing a frame costs the drawing thread (its CPU time), each frame drawn to the end
// first: a plain
// synchronous glReadPixels of the presented frame into memory (the copy alone, the reference),
// the player's capture path (its read-back started, an earlier frame's collected and handed
// to the recorder), and the read at once that turns the pixels into the file's layout on the
// drawing thread. The recorder writes lossless frames (ffv1), cheap enough not to hold it up.
void BM_CaptureAgainstPlainRead(benchmark::State& state)
{
    SStage* pStage = GetStage();
    const std::string sPath = (OrvTempRoot() / "capture.avi").string();
    ORV_Avi avi;
    if (pStage == nullptr || AVISetCompressorA("ffv1") != AVIERR_OK ||
        avi.CreateAVI(nullptr, sPath.c_str(), kWidth, kHeight, kRecordingFps) != 0)
    {
        AVISetCompressorA(nullptr);
        state.SkipWithError("no device, no sample demo or no recorder");
        return;
    }
    AVISetCompressorA(nullptr);
    CPlainReader plain;
    double dPlain = 0.0, dCapture = 0.0, dAtOnce = 0.0, dWait = 0.0;
    {
        CFrameRecorder recorder(pStage->pDevice, avi, kWidth, kHeight);
        for (auto _ : state)
        {
            pStage->DrawNext();
            WaitForDevice(pStage->pDevice);
            double dStart = ThreadMilliseconds();
            plain.Read();
            dPlain += ThreadMilliseconds() - dStart;
            AVICOMPRESSORTIMING before{}, after{};
            avi.GetCompressorTiming(before);
            dStart = ThreadMilliseconds();
            recorder.AddPresented();
            dCapture += ThreadMilliseconds() - dStart;
            // Waiting for room in the encoder's queue is the encoder's cost (and no CPU time).
            avi.GetCompressorTiming(after);
            dWait += 1000.0 * (after.dWaitSeconds - before.dWaitSeconds);
            dStart = ThreadMilliseconds();
            pStage->pGrabber->Grab();
            dAtOnce += ThreadMilliseconds() - dStart;
        }
    }
    const double dFrames = static_cast<double>(state.iterations());
    state.counters["plain_ms"] = dPlain / dFrames;
    state.counters["capture_ms"] = dCapture / dFrames;
    state.counters["encoder_wait_ms"] = dWait / dFrames;
    state.counters["at_once_ms"] = dAtOnce / dFrames;
    state.counters["capture_per_plain"] = dCapture / dPlain;
    state.counters["at_once_per_plain"] = dAtOnce / dPlain;
    std::filesystem::remove(sPath);
}

} // namespace

BENCHMARK(BM_CaptureAgainstPlainRead)->Unit(benchmark::kMillisecond)->Iterations(60);
BENCHMARK(BM_RecordingOverhead)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_DrawAndReadBack)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_ReadBackOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_RecordShow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
