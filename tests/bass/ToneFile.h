#pragma once

// Short generated music files for the audio tests.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <vector>

namespace orv::test
{
// Sample value of channel c at frame i.
using ToneFunction = std::function<float(int64_t i, int c)>;

inline ToneFunction Sine(double hz, int rate, float amplitude = 0.5f)
{
    return [=](int64_t i, int)
    { return amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * hz * i / rate)); };
}

// A fresh path in the test's temporary folder.
inline std::string TempPath(const std::string& name)
{
    const auto* pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string test = pInfo ? pInfo->name() : "x";
    std::replace(test.begin(), test.end(), '/', '_');
    return ::testing::TempDir() + "orv_" + test + "_" + name;
}

// Writes frames frames of the tone; format is a libsndfile major|minor format, for example
// SF_FORMAT_WAV | SF_FORMAT_PCM_16 or SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III.
inline std::string WriteTone(const std::string& name, int format, int rate, int channels,
                             int64_t frames, const ToneFunction& tone)
{
    const std::string path = TempPath(name);
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* pFile = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(pFile, nullptr) << sf_strerror(nullptr);
    if (!pFile)
        return path;
    std::vector<float> block(4096 * channels);
    for (int64_t first = 0; first < frames; first += 4096)
    {
        const int64_t count = std::min<int64_t>(4096, frames - first);
        for (int64_t i = 0; i < count; ++i)
            for (int c = 0; c < channels; ++c)
                block[i * channels + c] = tone(first + i, c);
        sf_writef_float(pFile, block.data(), count);
    }
    sf_close(pFile);
    return path;
}

inline std::string WriteBytes(const std::string& name, const std::string& bytes)
{
    const std::string path = TempPath(name);
    if (FILE* pFile = std::fopen(path.c_str(), "wb"))
    {
        std::fwrite(bytes.data(), 1, bytes.size(), pFile);
        std::fclose(pFile);
    }
    return path;
}
} // namespace orv::test
