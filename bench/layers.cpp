#include "layers/OrvGelly.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace
{
// A 100 × 100 grid of 32-byte vertices (position, normal, texture coordinates): the size of
// a detailed mesh that a gelly layer deforms.
struct GridMesh
{
    std::vector<float> vertices;
    std::vector<uint16_t> indices;
    uint32_t n = 0;
    uint32_t faces = 0;
};

GridMesh MakeGrid(uint32_t side)
{
    GridMesh mesh;
    mesh.n = side * side;
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x)
            mesh.vertices.insert(mesh.vertices.end(), {float(x), float(y), 0.0f, 0.0f, 0.0f, -1.0f,
                                                       x / float(side), y / float(side)});
    for (uint32_t y = 0; y + 1 < side; ++y)
        for (uint32_t x = 0; x + 1 < side; ++x)
        {
            const auto i = uint16_t(y * side + x);
            mesh.indices.insert(mesh.indices.end(),
                                {i, uint16_t(i + 1), uint16_t(i + side), uint16_t(i + 1),
                                 uint16_t(i + side + 1), uint16_t(i + side)});
            mesh.faces += 2;
        }
    return mesh;
}

// One drawn frame of the gelly layer: step length, integration, and the vertex bytes copied
// into a buffer of the mesh's size (the vertex buffer's place).
void BM_GellyFrame10k(benchmark::State& state)
{
    const GridMesh mesh = MakeGrid(100);
    ORV_Gelly gelly;
    gelly.Build(mesh.vertices.data(), mesh.n, 32, mesh.indices.data(), mesh.faces, false, 0.0f);
    std::vector<uint8_t> vertexBuffer(size_t(mesh.n) * 32);
    float fFrame = 0.0f;
    for (auto _ : state)
    {
        fFrame += 0.5f;
        gelly.Step(gelly.TakeStep(fFrame));
        std::memcpy(vertexBuffer.data(), gelly.UpdateVertexBytes(), vertexBuffer.size());
        benchmark::DoNotOptimize(vertexBuffer.data());
    }
    state.SetItemsProcessed(state.iterations() * mesh.n);
}
BENCHMARK(BM_GellyFrame10k)->Unit(benchmark::kMicrosecond);

// Building the state (neighbour sets) when a gelly layer meets a new 10,000-vertex mesh.
void BM_GellyBuild10k(benchmark::State& state)
{
    const GridMesh mesh = MakeGrid(100);
    ORV_Gelly gelly;
    for (auto _ : state)
        benchmark::DoNotOptimize(gelly.Build(mesh.vertices.data(), mesh.n, 32, mesh.indices.data(),
                                             mesh.faces, false, 0.0f));
}
BENCHMARK(BM_GellyBuild10k)->Unit(benchmark::kMicrosecond);
} // namespace
