// The music clock and the audio platform: how evenly and how cheaply the playback position
// can be read, what a spectrum costs, and how long opening a long MP3 takes.
#include "OrvKernel.h"
#include "bass.h"
#include "OrvTempDir.h"
#include "OrvPi.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace
{
std::string WriteSong(const char* pName, int format, int seconds)
{
    const std::string path = (OrvTempRoot() / pName).string();
    if (FILE* pFile = std::fopen(path.c_str(), "rb"))
    {
        std::fclose(pFile);
        return path; // made for an earlier benchmark of this run
    }
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = format;
    SNDFILE* pFile = sf_open(path.c_str(), SFM_WRITE, &info);
    std::vector<float> block(2 * 44100);
    for (int s = 0; s < seconds; ++s)
    {
        for (int i = 0; i < 44100; ++i)
        {
            const double t = s + i / 44100.0;
            const float v = 0.3f * static_cast<float>(std::sin(2 * orv::dPi * 440 * t) +
                                                      std::sin(2 * orv::dPi * (200 + s) * t));
            block[2 * i] = block[2 * i + 1] = v;
        }
        sf_writef_float(pFile, block.data(), 44100);
    }
    sf_close(pFile);
    return path;
}

// A music track playing a 30-second song, opened once for the whole program.
COrvMusic& PlayingTrack()
{
    static COrvMusic* s_pMusic = []
    {
        auto* pMusic = new COrvMusic;
        pMusic->AddRef();
        const std::string path = WriteSong("30s.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 30);
        static_cast<COrvPropString*>(pMusic->GetProperties()[2])->SetValue(path);
        pMusic->BassInit();
        pMusic->BassPlay();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return pMusic;
    }();
    return *s_pMusic;
}

DWORD PlayingStream()
{
    return PlayingTrack().GetStream();
}

double PositionSeconds(COrvMusic& music)
{
    return music.GetSecondFromBeat(music.BassGetTime());
}

// Reads the track's position (BassGetTime) every millisecond for two seconds; the counters
// give how far each step of the position strays from the step of the wall clock, in ms.
void BM_BassGetTimeJitter(benchmark::State& state)
{
    COrvMusic& music = PlayingTrack();
    std::vector<double> errors;
    for (auto _ : state)
    {
        music.BassSetTime(0.0f);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        auto wall = std::chrono::steady_clock::now();
        double position = PositionSeconds(music);
        for (int i = 0; i < 2000; ++i)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const auto nowWall = std::chrono::steady_clock::now();
            const double now = PositionSeconds(music);
            const double wallStep = std::chrono::duration<double>(nowWall - wall).count();
            errors.push_back(std::abs((now - position) - wallStep) * 1000.0);
            wall = nowWall;
            position = now;
        }
    }
    std::sort(errors.begin(), errors.end());
    double sum = 0;
    for (double e : errors)
        sum += e;
    state.counters["mean_ms"] = sum / errors.size();
    state.counters["p99_ms"] = errors[errors.size() * 99 / 100];
    state.counters["max_ms"] = errors.back();
    state.counters["within_0.5ms_%"] =
        100.0 * (std::lower_bound(errors.begin(), errors.end(), 0.5) - errors.begin()) /
        errors.size();
}
BENCHMARK(BM_BassGetTimeJitter)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_BassGetTime(benchmark::State& state)
{
    COrvMusic& music = PlayingTrack();
    for (auto _ : state)
        benchmark::DoNotOptimize(music.BassGetTime());
}
BENCHMARK(BM_BassGetTime);

void BM_GetFFT(benchmark::State& state)
{
    COrvMusic& music = PlayingTrack();
    for (auto _ : state)
        benchmark::DoNotOptimize(music.GetFFT()[0]);
}
BENCHMARK(BM_GetFFT)->Unit(benchmark::kMicrosecond);

// Opening, prescanning and pre-buffering a five-minute MP3.
void BM_OpenFiveMinuteMp3(benchmark::State& state)
{
    PlayingStream();
    const std::string path = WriteSong("5min.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 300);
    for (auto _ : state)
    {
        DWORD handle = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_PRESCAN);
        BASS_ChannelPreBuf(handle, 0);
        state.PauseTiming();
        if (!handle)
            state.SkipWithError("the MP3 did not open");
        state.counters["length_s"] =
            BASS_ChannelBytes2Seconds(handle, BASS_ChannelGetLength(handle));
        BASS_StreamFree(handle);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenFiveMinuteMp3)->Unit(benchmark::kMillisecond);

// Sample-exact seeks to points across the five-minute MP3.
void BM_SeekFiveMinuteMp3(benchmark::State& state)
{
    PlayingStream();
    const std::string path = WriteSong("5min.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 300);
    DWORD handle = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_PRESCAN);
    float seconds = 10.0f;
    for (auto _ : state)
    {
        BASS_ChannelSetPosition(handle, BASS_ChannelSeconds2Bytes(handle, seconds));
        seconds = seconds > 250.0f ? 10.0f : seconds + 37.0f;
    }
    BASS_StreamFree(handle);
}
BENCHMARK(BM_SeekFiveMinuteMp3)->Unit(benchmark::kMillisecond);
} // namespace
