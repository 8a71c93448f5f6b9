// The grid and balls layers at 1280 x 720, with the sample demo's effects and textures.
//
// BM_Memcpy5MB               the reference: copying the grid's 5 MB vertex array once.
// BM_GridLatticeRebuild      the lattice rebuilt around a moving camera (target: 1 ms).
// BM_GridFrameOwnCode        a whole grid frame on a device that does nothing: the layer's
//                            own work (rebuild, 5 MB copy into the buffer, parameters, 12
//                            calls per visible cell, depth of field), without any drawing.
// BM_GridFrame720p           the same frame on the headless OpenGL device (llvmpipe where
//                            there is no GPU), GL finished: our code plus the driver's work.
//                            "thread_cpu_ms" is the CPU time of the drawing thread alone
//                            (llvmpipe rasterises on threads of its own).
// BM_BallsFrameOwnCode, BM_BallsFrame720p: the same for the balls room.
//
// The driver's share of a GL frame is the GL frame less the layer's own code; to see how the
// GL side itself divides between our device and Mesa, run the GL benchmarks under
// `perf record` and sort by shared object.
#include "OrvKernel.h"
#include "OrvTestDevice.h"
#include "RecordingDevice.h"
#include "RecordingEffect.h"

#include "GLDeviceInternal.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <vector>

namespace
{
constexpr UINT W = 1280;
constexpr UINT H = 720;

// The recording device with the calls a frame makes many times turned into nothing, so that
// what is left of a frame is the layer's own work. Targets, buffers and their locks stay
// real (a lock hands out real memory, as on the GL device).
class CSilentDevice : public CRecordingDevice
{
public:
    CSilentDevice() : CRecordingDevice(W, H) {}

    HRESULT DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override { return S_OK; }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override
    {
        return S_OK;
    }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override { return S_OK; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return S_OK; }
    HRESULT SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override { return S_OK; }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return S_OK; }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override { return S_OK; }
    HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer9*, UINT, UINT) override { return S_OK; }
    HRESULT SetFVF(DWORD) override { return S_OK; }
    HRESULT SetIndices(IDirect3DIndexBuffer9*) override { return S_OK; }
    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9*) override { return S_OK; }
    HRESULT SetLight(DWORD, const D3DLIGHT9*) override { return S_OK; }
    HRESULT LightEnable(DWORD, BOOL) override { return S_OK; }
    HRESULT SetTexture(DWORD, IDirect3DBaseTexture9*) override { return S_OK; }
    HRESULT SetMaterial(const D3DMATERIAL9*) override { return S_OK; }
    HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return S_OK; }
    HRESULT SetViewport(const D3DVIEWPORT9*) override { return S_OK; }
    HRESULT GetViewport(D3DVIEWPORT9* pViewport) override
    {
        *pViewport = {0, 0, W, H, 0.0f, 1.0f};
        return S_OK;
    }
    HRESULT BeginScene() override { return S_OK; }
    HRESULT EndScene() override { return S_OK; }
};

void SetProperty(COrvModifiable* pObject, ORV_PROP_ID id, const std::string& value)
{
    for (COrvPropBase* pProp : pObject->GetProperties())
        if (pProp->GetPropId() == id)
            static_cast<COrvPropString*>(pProp)->SetDefaultValue(value);
}

template <typename TProp, typename TValue>
void SetProperty(COrvModifiable* pObject, ORV_PROP_ID id, const TValue& value)
{
    for (COrvPropBase* pProp : pObject->GetProperties())
        if (pProp->GetPropId() == id)
            static_cast<TProp*>(pProp)->SetDefaultValue(value);
}

// A demo reading the sample demo's data folder, with one image material per picture.
std::unique_ptr<COrvDemo> MakeDemo(IDirect3DDevice9* pDevice,
                                   const std::vector<std::string>& pictures)
{
    std::filesystem::current_path(std::filesystem::path(ORV_SOURCE_ROOT) / "examples" / "Atelier");
    auto pDemo = std::make_unique<COrvDemo>();
    pDemo->SetOutputSize(int(W), int(H));
    pDemo->SetDevice(pDevice);
    for (const std::string& picture : pictures)
    {
        COrvModifiable* pImage = pDemo->AddResImage();
        pImage->SetName(picture);
        SetProperty(pImage, ORV_PROP_FILENAME, picture);
        COrvModifiable* pMaterial = pDemo->AddResMaterial();
        pMaterial->SetName("mat_" + picture);
        SetProperty(pMaterial, ORV_PROP_TEXTURE_NAME_0, picture);
    }
    return pDemo;
}

// The grid flying along its view, turned a little off the lattice's axes.
COrvLayer* AddGrid(COrvDemo& demo)
{
    auto* pLayer = demo.AddLayerGrid();
    SetProperty(pLayer, ORV_PROP_MATERIAL_NAME, "mat_beams.png");
    D3DXQUATERNION rotation;
    D3DXQuaternionRotationYawPitchRoll(&rotation, 0.3f, 0.2f, 0.1f);
    SetProperty<COrvPropQuat>(pLayer, ORV_PROP_ROTATION, rotation);
    SetProperty<COrvPropFloat>(pLayer, ORV_PROP_FOCAL_DIST, 12.0f);
    SetProperty<COrvPropFloat>(pLayer, ORV_PROP_FOCAL_RANGE, 16.0f);
    return static_cast<COrvLayer*>(pLayer);
}

void MoveGrid(COrvLayer* pLayer, float time)
{
    SetProperty<COrvPropVector>(pLayer, ORV_PROP_TRANSLATION,
                                D3DXVECTOR3(2.5f + 0.01f * time, 2.5f, 0.3f * time));
}

// The room seen from above the front wall.
COrvLayer* AddBalls(COrvDemo& demo)
{
    auto* pLayer = demo.AddLayerBalls();
    SetProperty(pLayer, ORV_PROP_MATERIAL_NAME, "mat_ball.png");
    SetProperty(pLayer, ORV_PROP_GROUND_MATERIAL_NAME, "mat_ballroom.png");
    SetProperty(pLayer, ORV_PROP_BALL_SHADOW_MATERIAL_NAME, "mat_ballshadow.png");
    D3DXQUATERNION rotation;
    const D3DXVECTOR3 axis(1.0f, 0.0f, 0.0f);
    D3DXQuaternionRotationAxis(&rotation, &axis, -0.9f);
    SetProperty<COrvPropQuat>(pLayer, ORV_PROP_ROTATION, rotation);
    SetProperty<COrvPropVector>(pLayer, ORV_PROP_TRANSLATION, D3DXVECTOR3(0.0f, 0.0f, -8.0f));
    SetProperty<COrvPropFloat>(pLayer, ORV_PROP_FOCAL_DIST, 30.0f);
    return static_cast<COrvLayer*>(pLayer);
}

const std::vector<std::string> PICTURES = {"beams.png", "ball.png", "ballroom.png",
                                           "ballshadow.png"};

// The headless OpenGL device, and a way to wait for what it was given.
class CGLDevice : public COrvTestDevice
{
public:
    CGLDevice() : COrvTestDevice(W, H) {}
    void Finish() const
    {
        orv::gl::MakeCurrent(Get());
        glFinish();
    }
};

double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Frames of one layer on the silent device; `pMove` changes the layer between frames.
void RunOwnCode(benchmark::State& state, COrvLayer* (*pAdd)(COrvDemo&),
                void (*pMove)(COrvLayer*, float))
{
    CSilentDevice device;
    auto pDemo = MakeDemo(&device, PICTURES);
    COrvLayer* pLayer = pAdd(*pDemo);
    float time = 0.0f;
    pDemo->DrawFrame(time);
    for (auto _ : state)
    {
        time += 0.5f;
        if (pMove)
            pMove(pLayer, time);
        pDemo->DrawFrame(time);
        state.PauseTiming();
        device.ClearCalls();
        ClearEffectCalls();
        state.ResumeTiming();
    }
    pDemo->SetDevice(nullptr);
}

void RunGL(benchmark::State& state, COrvLayer* (*pAdd)(COrvDemo&), void (*pMove)(COrvLayer*, float))
{
    CGLDevice device;
    if (!device.Get())
    {
        state.SkipWithError("no headless device");
        return;
    }
    auto pDemo = MakeDemo(device.Get(), PICTURES);
    COrvLayer* pLayer = pAdd(*pDemo);
    float time = 0.0f;
    pDemo->DrawFrame(time);
    device.Finish();
    double cpu = 0.0;
    for (auto _ : state)
    {
        time += 0.5f;
        if (pMove)
            pMove(pLayer, time);
        const double start = ThreadSeconds();
        pDemo->DrawFrame(time);
        cpu += ThreadSeconds() - start;
        device.Finish();
    }
    state.counters["thread_cpu_ms"] = benchmark::Counter(cpu * 1000.0 / double(state.iterations()));
    pDemo->SetDevice(nullptr);
}

void BM_Memcpy5MB(benchmark::State& state)
{
    std::vector<char> source(ORV_GridLattice::kVertexBytes, 1), target(source.size());
    for (auto _ : state)
    {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.size()));
}
BENCHMARK(BM_Memcpy5MB)->Unit(benchmark::kMillisecond);

void BM_GridLatticeRebuild(benchmark::State& state)
{
    ORV_GridLattice lattice;
    D3DXQUATERNION rotation;
    D3DXQuaternionRotationYawPitchRoll(&rotation, 0.3f, 0.2f, 0.1f);
    D3DXMATRIX axes;
    D3DXMatrixRotationQuaternion(&axes, &rotation);
    const D3DXVECTOR3 forward(axes._31, axes._32, axes._33);
    float time = 0.0f;
    for (auto _ : state)
    {
        time += 0.5f;
        lattice.Rebuild(D3DXVECTOR3(2.5f, 2.5f, 0.3f * time), forward, time);
        benchmark::DoNotOptimize(lattice.GetVertices());
    }
}
BENCHMARK(BM_GridLatticeRebuild)->Unit(benchmark::kMillisecond);

void BM_GridFrameOwnCode(benchmark::State& state)
{
    RunOwnCode(state, &AddGrid, &MoveGrid);
}
BENCHMARK(BM_GridFrameOwnCode)->Unit(benchmark::kMillisecond);

void BM_GridFrame720p(benchmark::State& state)
{
    RunGL(state, &AddGrid, &MoveGrid);
}
BENCHMARK(BM_GridFrame720p)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BallsFrameOwnCode(benchmark::State& state)
{
    RunOwnCode(state, &AddBalls, nullptr);
}
BENCHMARK(BM_BallsFrameOwnCode)->Unit(benchmark::kMillisecond);

void BM_BallsFrame720p(benchmark::State& state)
{
    RunGL(state, &AddBalls, nullptr);
}
BENCHMARK(BM_BallsFrame720p)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
