// The OpenGL device headless at 1280 x 720 (llvmpipe where there is no GPU).
// BM_GridDrawCalls: the grid layer's pattern, 40,000 DrawPrimitive calls of two-triangle
//   strips from one vertex buffer with no state change between them; the time measured is
//   the thread CPU time of the calls themselves (our layer), the driver's work excluded.
// BM_GridFrame: the same frame including the driver's work (GL finished each frame).
// BM_LitTexturedQuads: clear + 1000 textured, lit quads, each with its own world matrix;
//   frames per second with the driver's work included.
#include "GLDeviceInternal.h"
#include "OrvTestDevice.h"
#include "OrvTestDraw.h"
#include "d3d9.h"
#include "d3dx9math.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <ctime>
#include <cstring>
#include <vector>

namespace
{
struct SVertex
{
    float x, y, z, nx, ny, nz, u, v;
};
constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
constexpr UINT WIDTH = 1280, HEIGHT = 720, GRID_DRAWS = 40000;

struct SBench
{
    COrvTestDevice m_Device{WIDTH, HEIGHT};
    IDirect3DDevice9* m_pDevice = m_Device.Get();
    COrvComPtr<IDirect3DVertexBuffer9> m_pBuffer;
    COrvComPtr<IDirect3DTexture9> m_pTexture;

    void Fill(const std::vector<SVertex>& raVertices)
    {
        const UINT uSize = (UINT)(raVertices.size() * sizeof(SVertex));
        m_pDevice->CreateVertexBuffer(uSize, D3DUSAGE_WRITEONLY, FVF, D3DPOOL_DEFAULT,
                                      m_pBuffer.ReleaseAndGetAddressOf(), nullptr);
        void* pData = nullptr;
        m_pBuffer->Lock(0, 0, &pData, 0);
        std::memcpy(pData, raVertices.data(), uSize);
        m_pBuffer->Unlock();
        m_pTexture =
            MakeTexture(m_pDevice, 64, 64,
                        [](UINT x, UINT y) { return ((x ^ y) & 8) ? 0xFFFFFFFFu : 0xFF3060C0u; });
    }

    void SceneStates()
    {
        D3DXMATRIX view, projection, world;
        const D3DXVECTOR3 eye(0, 0, -60), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, (float)WIDTH / HEIGHT, 0.5f, 200.f);
        D3DXMatrixIdentity(&world);
        m_pDevice->SetTransform(D3DTS_VIEW, &view);
        m_pDevice->SetTransform(D3DTS_PROJECTION, &projection);
        m_pDevice->SetTransform(D3DTS_WORLD, &world);
        D3DLIGHT9 light = {};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = light.Specular = {1, 1, 1, 1};
        light.Direction = {0.3f, -0.4f, 1.f};
        m_pDevice->SetLight(0, &light);
        m_pDevice->LightEnable(0, TRUE);
        D3DMATERIAL9 material = {};
        material.Diffuse = material.Ambient = {1, 1, 1, 1};
        material.Specular = {0.5f, 0.5f, 0.5f, 1};
        material.Power = 16.f;
        m_pDevice->SetMaterial(&material);
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
        m_pDevice->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
        m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        m_pDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        m_pDevice->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
        m_pDevice->SetTexture(0, m_pTexture.Get());
        m_pDevice->SetStreamSource(0, m_pBuffer.Get(), 0, sizeof(SVertex));
        m_pDevice->SetFVF(FVF);
    }

    void Finish()
    {
        orv::gl::MakeCurrent(m_pDevice);
        glFinish();
    }
};

// 40,000 small quads on a 200 x 200 lattice, each its own strip.
std::vector<SVertex> GridVertices()
{
    std::vector<SVertex> aVertices;
    aVertices.reserve(GRID_DRAWS * 4);
    for (UINT i = 0; i < GRID_DRAWS; ++i)
    {
        const float x = (float)(i % 200) * 0.4f - 40.f, y = (float)(i / 200) * 0.25f - 25.f;
        const float z = (float)(i % 7);
        aVertices.push_back({x, y + 0.2f, z, 0, 0, -1, 0, 0});
        aVertices.push_back({x + 0.3f, y + 0.2f, z, 0, 0, -1, 1, 0});
        aVertices.push_back({x, y, z, 0, 0, -1, 0, 1});
        aVertices.push_back({x + 0.3f, y, z, 0, 0, -1, 1, 1});
    }
    return aVertices;
}

// CPU time of the calling thread: the draw calls run on it, the rasteriser's threads do not.
double ThreadCpuSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return (double)now.tv_sec + now.tv_nsec * 1e-9;
}

void DrawGrid(IDirect3DDevice9* pDevice)
{
    for (UINT i = 0; i < GRID_DRAWS; ++i)
        pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4 * i, 2);
}

void BM_GridDrawCalls(benchmark::State& state)
{
    SBench bench;
    if (!bench.m_pDevice)
    {
        state.SkipWithError("no device");
        return;
    }
    bench.Fill(GridVertices());
    bench.SceneStates();
    for (auto _ : state)
    {
        bench.m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.f, 0);
        bench.m_pDevice->BeginScene();
        const double dStart = ThreadCpuSeconds();
        DrawGrid(bench.m_pDevice);
        const double dEnd = ThreadCpuSeconds();
        bench.m_pDevice->EndScene();
        bench.Finish();
        state.SetIterationTime(dEnd - dStart);
    }
    state.counters["draws/frame"] = GRID_DRAWS;
}
BENCHMARK(BM_GridDrawCalls)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_GridFrame(benchmark::State& state)
{
    SBench bench;
    if (!bench.m_pDevice)
    {
        state.SkipWithError("no device");
        return;
    }
    bench.Fill(GridVertices());
    bench.SceneStates();
    for (auto _ : state)
    {
        bench.m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.f, 0);
        bench.m_pDevice->BeginScene();
        DrawGrid(bench.m_pDevice);
        bench.m_pDevice->EndScene();
        bench.Finish();
    }
    state.counters["fps"] =
        benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GridFrame)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_LitTexturedQuads(benchmark::State& state)
{
    SBench bench;
    if (!bench.m_pDevice)
    {
        state.SkipWithError("no device");
        return;
    }
    bench.Fill({{-1, 1, 0, 0, 0, -1, 0, 0},
                {1, 1, 0, 0, 0, -1, 1, 0},
                {-1, -1, 0, 0, 0, -1, 0, 1},
                {1, -1, 0, 0, 0, -1, 1, 1}});
    bench.SceneStates();
    for (auto _ : state)
    {
        bench.m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF101010, 1.f, 0);
        bench.m_pDevice->BeginScene();
        for (int i = 0; i < 1000; ++i)
        {
            D3DXMATRIX world;
            D3DXMatrixTranslation(&world, (float)(i % 40) * 2.f - 40.f,
                                  (float)(i / 40) * 2.f - 25.f, (float)(i % 5));
            bench.m_pDevice->SetTransform(D3DTS_WORLD, &world);
            bench.m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        }
        bench.m_pDevice->EndScene();
        bench.Finish();
    }
    state.counters["fps"] =
        benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LitTexturedQuads)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
} // namespace
