// What opening and seeking music costs in the formats that need more than a header: a
// three-minute AAC file (FFmpeg decodes it once to count its frames and note its blocks) and
// a FLAC file without a length (libsndfile counts it), against reading the same music as a
// WAV file through libsndfile (the reference). Needs the ffmpeg program to write the files.
#include "BassDecoder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using orv::bass::CBassDecoder;

namespace
{
// The files, written once into a folder removed at exit.
struct SFiles
{
    std::filesystem::path m_Dir;
    std::string m_Wav, m_Aac, m_Flac;
    bool m_bReady = false;

    SFiles()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orv_bench_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return;
        m_Dir = pattern;
        m_Wav = (m_Dir / "music.wav").string();
        m_Aac = (m_Dir / "music.m4a").string();
        m_Flac = (m_Dir / "music.flac").string();
        const std::string ffmpeg = "ffmpeg -nostdin -hide_banner -loglevel error -y ";
        const std::string source =
            "-f lavfi -i \"sine=f=440:d=180,aeval=val(0)*0.5|val(0)*0.4:c=stereo\" ";
        m_bReady =
            std::system((ffmpeg + source + "-c:a pcm_s16le '" + m_Wav + "'").c_str()) == 0 &&
            std::system((ffmpeg + "-i '" + m_Wav + "' -c:a aac '" + m_Aac + "'").c_str()) == 0 &&
            std::system(
                (ffmpeg + "-i '" + m_Wav + "' -f flac pipe:1 > '" + m_Flac + "'").c_str()) == 0;
    }
    ~SFiles()
    {
        std::error_code error;
        std::filesystem::remove_all(m_Dir, error);
    }
};

const SFiles& Files()
{
    static const SFiles s_Files;
    return s_Files;
}

void ReadWholeWav(benchmark::State& state)
{
    std::vector<float> block(8192);
    for (auto _ : state)
    {
        auto pDecoder = CBassDecoder::Open(Files().m_Wav);
        if (!pDecoder)
            return state.SkipWithError("no WAV file");
        while (pDecoder->Read(block.data(), 4096) > 0)
            benchmark::DoNotOptimize(block.data());
    }
}

void Open(benchmark::State& state, const std::string& path)
{
    if (!Files().m_bReady)
        return state.SkipWithError("the ffmpeg program cannot write the files");
    for (auto _ : state)
    {
        auto pDecoder = CBassDecoder::Open(path);
        if (!pDecoder || std::abs(pDecoder->GetFrames() - 180 * 44100) > 2048)
            return state.SkipWithError("the file does not open with its length");
        benchmark::DoNotOptimize(pDecoder.get());
    }
}

// Seeks to scattered places and reads a spectrum's worth of frames at each.
void Seek(benchmark::State& state, const std::string& path)
{
    if (!Files().m_bReady)
        return state.SkipWithError("the ffmpeg program cannot write the files");
    auto pDecoder = CBassDecoder::Open(path);
    if (!pDecoder)
        return state.SkipWithError("no file");
    std::vector<float> block(1024);
    uint32_t uRandom = 7;
    for (auto _ : state)
    {
        uRandom = uRandom * 1664525u + 1013904223u;
        const int64_t frame = int64_t(uRandom >> 8) % (pDecoder->GetFrames() - 512);
        if (!pDecoder->Seek(frame) || pDecoder->Read(block.data(), 512) != 512)
            return state.SkipWithError("the seek failed");
    }
}

void BM_ReadThreeMinuteWav(benchmark::State& state)
{
    if (!Files().m_bReady)
        return state.SkipWithError("the ffmpeg program cannot write the files");
    ReadWholeWav(state);
}
BENCHMARK(BM_ReadThreeMinuteWav)->Unit(benchmark::kMillisecond);

void BM_OpenThreeMinuteAac(benchmark::State& state)
{
    Open(state, Files().m_Aac);
}
BENCHMARK(BM_OpenThreeMinuteAac)->Unit(benchmark::kMillisecond);

void BM_OpenThreeMinuteFlacWithoutLength(benchmark::State& state)
{
    Open(state, Files().m_Flac);
}
BENCHMARK(BM_OpenThreeMinuteFlacWithoutLength)->Unit(benchmark::kMillisecond);

void BM_SeekWav(benchmark::State& state)
{
    Seek(state, Files().m_Wav);
}
BENCHMARK(BM_SeekWav)->Unit(benchmark::kMicrosecond);

void BM_SeekAac(benchmark::State& state)
{
    Seek(state, Files().m_Aac);
}
BENCHMARK(BM_SeekAac)->Unit(benchmark::kMicrosecond);

void BM_SeekFlacWithoutLength(benchmark::State& state)
{
    Seek(state, Files().m_Flac);
}
BENCHMARK(BM_SeekFlacWithoutLength)->Unit(benchmark::kMicrosecond);
} // namespace
