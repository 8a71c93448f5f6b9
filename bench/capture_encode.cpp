// Recording throughput of the capture path alone: 1280 x 720 frames handed to ORV_Avi
// (queue, colour conversion and encoding on the worker thread, AVI writing), per codec.
// The file is completed inside the measured time, so every frame is fully encoded.
#include "capture/OrvAvi.h"
#include "OrvTempDir.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kFrames = 50;

// A few frames with soft gradients and moving detail, like a demo's pictures.
const std::vector<std::vector<uint8_t>>& GetFrames()
{
    static std::vector<std::vector<uint8_t>> s_frames = []
    {
        std::vector<std::vector<uint8_t>> frames;
        for (int f = 0; f < 8; ++f)
        {
            std::vector<uint8_t> bits(static_cast<size_t>(kWidth) * kHeight * 3);
            for (int y = 0; y < kHeight; ++y)
            {
                for (int x = 0; x < kWidth; ++x)
                {
                    uint8_t* p = &bits[(static_cast<size_t>(y) * kWidth + x) * 3];
                    double d = std::sin(x * 0.02 + f * 0.3) * std::cos(y * 0.015 - f * 0.2);
                    p[0] = static_cast<uint8_t>(128 + 100 * d);
                    p[1] = static_cast<uint8_t>((x + f * 8) & 0xff);
                    p[2] = static_cast<uint8_t>((y * 255) / kHeight);
                }
            }
            frames.push_back(std::move(bits));
        }
        return frames;
    }();
    return s_frames;
}

void RecordFrames(benchmark::State& state, const char* szCodec)
{
    if (AVISetCompressorA(szCodec) != AVIERR_OK)
    {
        state.SkipWithError("codec not available");
        return;
    }
    const auto& frames = GetFrames();
    std::string sPath = (OrvTempRoot() / (std::string(szCodec) + ".avi")).string();
    for (auto _ : state)
    {
        ORV_Avi avi;
        if (avi.CreateAVI(nullptr, sPath.c_str(), kWidth, kHeight, 25) != 0)
        {
            state.SkipWithError("cannot create the file");
            break;
        }
        for (int i = 0; i < kFrames; ++i)
        {
            avi.AddFrame(const_cast<uint8_t*>(frames[i % frames.size()].data()));
        }
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.counters["MB/frame"] =
        static_cast<double>(std::filesystem::file_size(sPath)) / kFrames / 1e6;
    std::filesystem::remove(sPath);
    AVISetCompressorA(nullptr);
}

void BM_Record720p_x264(benchmark::State& state)
{
    RecordFrames(state, "libx264");
}
void BM_Record720p_mjpeg(benchmark::State& state)
{
    RecordFrames(state, "mjpeg");
}
void BM_Record720p_ffv1(benchmark::State& state)
{
    RecordFrames(state, "ffv1");
}

} // namespace

BENCHMARK(BM_Record720p_x264)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Record720p_mjpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Record720p_ffv1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
