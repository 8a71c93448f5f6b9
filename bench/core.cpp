// Evaluation cost of animated properties: a cached read, re-evaluation of float and
// rotation tracks at new frames, and a long track. Each benchmark also reports the heap
// allocations made per evaluation (expected: none).
#include "OrvKernel.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

// The replaced global operators below pair malloc with free; GCC cannot see that through
// inlining and warns.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace
{
std::atomic<long> g_lAllocations{0};
} // namespace

void* operator new(std::size_t size)
{
    g_lAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace
{
constexpr int kFrameSpacing = 16;

template <typename TProp, typename TKey, typename TMake>
void FillTrack(TProp& prop, int keyCount, TMake makeValue)
{
    for (int i = 0; i < keyCount; ++i)
    {
        auto* pKey = new TKey;
        pKey->m_Value = makeValue(i);
        prop.AddKey((i + 1) * kFrameSpacing, pKey);
    }
}

// Random frames over the whole track (and a little beyond both ends), drawn up front.
std::vector<float> RandomFrames(int keyCount)
{
    std::mt19937 generator(1234);
    std::uniform_real_distribution<float> frame(-8.0f, (keyCount + 1.5f) * kFrameSpacing);
    std::vector<float> frames(4096);
    for (float& f : frames)
        f = frame(generator);
    return frames;
}

float FloatValue(int i)
{
    return static_cast<float>((i * 7919) % 101) * 0.01f;
}

D3DXQUATERNION QuatValue(int i)
{
    const D3DXVECTOR3 axis(1.0f, static_cast<float>(i % 5) - 2.0f, 0.5f);
    D3DXQUATERNION q;
    D3DXQuaternionRotationAxis(&q, &axis, 0.4f * static_cast<float>(i));
    return q;
}

template <typename TProp> void Evaluate(benchmark::State& state, TProp& prop, int keyCount)
{
    const std::vector<float> frames = RandomFrames(keyCount);
    size_t next = 0;
    const long allocationsBefore = g_lAllocations.load();
    for (auto _ : state)
    {
        COrvPropBase::SetFrame(frames[next++ & (frames.size() - 1)]);
        benchmark::DoNotOptimize(prop.GetValue());
    }
    state.counters["allocs/eval"] =
        benchmark::Counter(static_cast<double>(g_lAllocations.load() - allocationsBefore),
                           benchmark::Counter::kAvgIterations);
}

void BM_CachedFloat(benchmark::State& state)
{
    COrvPropFloat prop(nullptr, ORV_PROP_ALPHA);
    FillTrack<COrvPropFloat, COrvKeyFloat>(prop, 32, FloatValue);
    COrvPropBase::SetFrame(100.5f);
    COrvPropFloat* pProp = &prop;
    benchmark::DoNotOptimize(pProp);
    const long allocationsBefore = g_lAllocations.load();
    for (auto _ : state)
        benchmark::DoNotOptimize(pProp->GetValue());
    state.counters["allocs/eval"] =
        benchmark::Counter(static_cast<double>(g_lAllocations.load() - allocationsBefore),
                           benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CachedFloat);

void BM_FloatTrack(benchmark::State& state)
{
    const int keyCount = static_cast<int>(state.range(0));
    COrvPropFloat prop(nullptr, ORV_PROP_ALPHA);
    FillTrack<COrvPropFloat, COrvKeyFloat>(prop, keyCount, FloatValue);
    Evaluate(state, prop, keyCount);
}
BENCHMARK(BM_FloatTrack)->Arg(32)->Arg(1000);

void BM_QuatTrack(benchmark::State& state)
{
    const int keyCount = static_cast<int>(state.range(0));
    COrvPropQuat prop(nullptr, ORV_PROP_ROTATION);
    FillTrack<COrvPropQuat, COrvKeyQuat>(prop, keyCount, QuatValue);
    Evaluate(state, prop, keyCount);
}
BENCHMARK(BM_QuatTrack)->Arg(32);

void BM_VectorTrack(benchmark::State& state)
{
    const int keyCount = static_cast<int>(state.range(0));
    COrvPropVector prop(nullptr, ORV_PROP_TRANSLATION);
    FillTrack<COrvPropVector, COrvKeyVector>(
        prop, keyCount,
        [](int i) { return D3DXVECTOR3(FloatValue(i), FloatValue(i + 1), FloatValue(i + 2)); });
    Evaluate(state, prop, keyCount);
}
BENCHMARK(BM_VectorTrack)->Arg(32);
} // namespace
