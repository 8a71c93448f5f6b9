// The two device-free simulations of the scene layers: one step of the particles layer's
// cloud (10,000 particles, 4 attractors) and 1,000 steps of a room of 20 balls. Each reports
// its time as a ratio ("x_memcpy") to copying the cloud's state once (240 KB with memcpy),
// measured in the same run, so figures from different machines compare. Both are measured
// in the thread's processor time, which a busy machine disturbs less than the wall clock.
#include "OrvKernel.h"
#include "RecordingDevice.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

namespace
{
// Seconds of processor time used by this thread.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

constexpr size_t CLOUD_BYTES = size_t(ORV_ParticleCloud::kParticleCount) * 6 * sizeof(float);

// Seconds for one memcpy of the cloud's state: the best mean over a few rounds.
double ReferenceSeconds()
{
    static const double s_dSeconds = []
    {
        std::vector<char> from(CLOUD_BYTES, 1), to(CLOUD_BYTES);
        double best = 1e9;
        for (int round = 0; round < 5; ++round)
        {
            const int n = 2000;
            const double start = ThreadSeconds();
            for (int i = 0; i < n; ++i)
            {
                from[i % CLOUD_BYTES] = char(i);
                std::memcpy(to.data(), from.data(), CLOUD_BYTES);
                benchmark::DoNotOptimize(to.data());
                benchmark::ClobberMemory();
            }
            best = std::min(best, (ThreadSeconds() - start) / n);
        }
        return best;
    }();
    return s_dSeconds;
}

// Runs the body once per iteration, timing it, and reports the mean as a ratio.
template <typename TBody> void RunTimed(benchmark::State& state, TBody body)
{
    const double reference = ReferenceSeconds();
    double total = 0.0;
    for (auto _ : state)
    {
        const double start = ThreadSeconds();
        body();
        total += ThreadSeconds() - start;
    }
    state.counters["x_memcpy"] = total / double(state.iterations()) / reference;
    state.counters["memcpy_us"] = reference * 1e6;
}

// A cloud after a few steps with full power, so particles crowd around the attractors.
ORV_ParticleCloud MakeCloud()
{
    ORV_Random::SetState(1);
    ORV_ParticleCloud cloud;
    for (int i = 0; i < 20; ++i)
        cloud.Advance(1.0f, 2.0f, 1.0f);
    return cloud;
}

void BM_ParticlesStep10k(benchmark::State& state)
{
    ORV_ParticleCloud cloud = MakeCloud();
    float dt = 0.5f;
    RunTimed(state,
             [&]
             {
                 cloud.Advance(dt, 1.5f, 0.8f);
                 dt = -dt; // back and forth, so the cloud keeps its shape
             });
}
BENCHMARK(BM_ParticlesStep10k)->Unit(benchmark::kMicrosecond);

// The same step one particle after the other: what working on several at once saves.
void BM_ParticlesStepOneByOne10k(benchmark::State& state)
{
    ORV_ParticleCloud cloud = MakeCloud();
    float dt = 0.5f;
    RunTimed(state,
             [&]
             {
                 cloud.AdvanceOneByOne(dt, 1.5f, 0.8f);
                 dt = -dt;
             });
}
BENCHMARK(BM_ParticlesStepOneByOne10k)->Unit(benchmark::kMicrosecond);

// One drawn frame of the layer on the recording device: step, camera, states, copy of the
// positions into the vertex buffer, draw call.
void BM_ParticlesLayerFrame(benchmark::State& state)
{
    CRecordingDevice device(1280, 720);
    COrvDemo demo;
    demo.SetDevice(&device);
    auto* pLayer = static_cast<COrvLayer*>(demo.AddLayerParticles());
    float frame = 1.0f;
    RunTimed(state,
             [&]
             {
                 COrvPropBase::SetFrame(frame += 0.5f);
                 pLayer->Draw();
                 device.ClearCalls();
             });
    demo.SetDevice(nullptr);
}
BENCHMARK(BM_ParticlesLayerFrame)->Unit(benchmark::kMicrosecond);

void BM_BallSteps1000(benchmark::State& state)
{
    ORV_Random::SetState(1);
    std::vector<ORV_Ball> balls(ORV_BallSimulation::kBallCount);
    ORV_BallSimulation room;
    room.Place(balls);
    RunTimed(state,
             [&]
             {
                 for (int i = 0; i < 1000; ++i)
                     room.Move(balls, 0.1f);
                 benchmark::DoNotOptimize(balls.data());
             });
}
BENCHMARK(BM_BallSteps1000)->Unit(benchmark::kMicrosecond);
} // namespace
