// A show rendered in 8 segments one after the other on this machine, against its single
// recording, measured in the same run: the slowest segment's time over the single
// recording's (an ideal split is 0.125; the rest is pre-roll and each process's start), the
// CPU time of all segments over the single recording's, and the renderer's own work (plan,
// then join with the music muxed in) over the single recording. Every step is the program a
// user runs (orv-render plan, orv-render segment, orv-render join, OrvPlayer --record), so
// the figures include process starts, demo loads and encoding. The sample at 1280 x 720 by
// default; ORV_BENCH_SPLIT_SIZE (e.g. 640x360) and ORV_BENCH_SPLIT_SECONDS (a stretch from
// the start instead of the whole show) make the run shorter.
#include "OrvTempDir.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

namespace
{

constexpr int kSegments = 8;

std::string Quote(const std::string& sWord)
{
    std::string sQuoted = "'";
    for (char c : sWord)
        sQuoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return sQuoted + "'";
}

// Seconds of wall-clock and CPU time (the command's processes, user and system) of one
// command; false when it failed.
struct SCost
{
    double dWall = 0.0;
    double dCpu = 0.0;
};

double ChildrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool RunTimed(const std::string& sCommand, SCost& rCost)
{
    const double dCpu = ChildrenCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const int iStatus = std::system((sCommand + " >/dev/null 2>&1").c_str());
    rCost.dWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rCost.dCpu = ChildrenCpuSeconds() - dCpu;
    return iStatus == 0;
}

std::string GetEnv(const char* szName, const char* szDefault)
{
    const char* szValue = std::getenv(szName);
    return szValue != nullptr && *szValue != '\0' ? szValue : szDefault;
}

void BM_SplitAgainstSingle(benchmark::State& state)
{
    const std::string sSample = std::string(ORV_SOURCE_ROOT) + "/examples/Atelier";
    const std::string sSeconds = GetEnv("ORV_BENCH_SPLIT_SECONDS", "");
    const std::string sOptions = "--mode " + GetEnv("ORV_BENCH_SPLIT_SIZE", "1280x720") +
                                 (sSeconds.empty() ? "" : " --duration " + sSeconds);
    const std::string sRender =
        "ORV_PLAYER=" + Quote(ORV_PLAYER_PATH) + " " + Quote(ORV_RENDER_PATH);
    for (auto _ : state)
    {
        COrvTempDir dir("split");
        SCost single, plan, join, segment;
        double dSlowest = 0.0;
        double dSegmentsCpu = 0.0;
        bool bOk =
            RunTimed(Quote(ORV_PLAYER_PATH) + " --headless " + sOptions + " --record " +
                         Quote(dir.File("single.avi")) + " " + Quote(sSample),
                     single) &&
            RunTimed(sRender + " plan " + Quote(sSample) + " --out " + Quote(dir.File("plan")) +
                         " --segments " + std::to_string(kSegments) + " " + sOptions,
                     plan);
        for (int i = 0; bOk && i < kSegments; ++i)
        {
            bOk = RunTimed(
                sRender + " segment " + Quote(dir.File("plan")) + " " + std::to_string(i), segment);
            dSlowest = std::max(dSlowest, segment.dWall);
            dSegmentsCpu += segment.dCpu;
            // Each segment's share, to see whether the split or the fixed costs limit it.
            state.counters["segment" + std::to_string(i) + "_per_single"] = segment.dWall;
        }
        bOk = bOk && RunTimed(sRender + " join " + Quote(dir.File("plan")) + " " +
                                  Quote(dir.File("joined.avi")),
                              join);
        if (!bOk)
        {
            state.SkipWithError("a step failed (run it by hand to see why)");
            break;
        }
        for (int i = 0; i < kSegments; ++i)
            state.counters["segment" + std::to_string(i) + "_per_single"] /= single.dWall;
        state.SetIterationTime(single.dWall);
        state.counters["single_s"] = single.dWall;
        state.counters["slowest_segment_s"] = dSlowest;
        state.counters["slowest_per_single"] = dSlowest / single.dWall;
        state.counters["segments_cpu_per_single_cpu"] = dSegmentsCpu / single.dCpu;
        state.counters["plan_join_per_single"] = (plan.dWall + join.dWall) / single.dWall;
    }
}

} // namespace

BENCHMARK(BM_SplitAgainstSingle)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
