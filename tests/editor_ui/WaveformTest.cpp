// The timeline's waveform: the loudest samples of each stretch of the music file, read once.
#include "Waveform.h"

#include "OrvTempDir.h"
#include "OrvTestMedia.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using namespace orv::editor;

namespace
{
constexpr int kRate = 22050;

// One second of silence, one of a 440 Hz tone at half scale on both channels, one with only
// the right channel at full scale minus a little.
float ThreePartTone(int64_t i, int c)
{
    const double dPhase = 2.0 * 3.14159265358979 * 440.0 * static_cast<double>(i) / kRate;
    if (i < kRate)
        return 0.0f;
    if (i < 2 * kRate)
        return static_cast<float>(0.5 * std::sin(dPhase));
    return c == 1 ? static_cast<float>(0.9 * std::sin(dPhase)) : 0.0f;
}
} // namespace

TEST(WaveformTest, BlocksHoldTheLowestAndHighestSampleOfBothChannels)
{
    for (int format : {SF_FORMAT_WAV | SF_FORMAT_PCM_16, SF_FORMAT_OGG | SF_FORMAT_VORBIS})
    {
        const std::string sPath = orv::test::WriteTone(
            format == (SF_FORMAT_WAV | SF_FORMAT_PCM_16) ? "tone.wav" : "tone.ogg", format, kRate,
            2, 3 * kRate, ThreePartTone);
        CWaveform waveform;
        std::string sError;
        ASSERT_TRUE(waveform.Load(sPath, sError)) << sError;
        EXPECT_EQ(waveform.GetPath(), sPath);
        EXPECT_NEAR(waveform.GetSeconds(), 3.0, 0.05);

        float fMin = 0.0f;
        float fMax = 0.0f;
        ASSERT_TRUE(waveform.GetRange(0.1, 0.8, fMin, fMax));
        EXPECT_NEAR(fMin, 0.0f, 0.02f);
        EXPECT_NEAR(fMax, 0.0f, 0.02f);
        ASSERT_TRUE(waveform.GetRange(1.2, 1.8, fMin, fMax));
        EXPECT_NEAR(fMin, -0.5f, 0.04f);
        EXPECT_NEAR(fMax, 0.5f, 0.04f);
        ASSERT_TRUE(waveform.GetRange(2.2, 2.3, fMin, fMax));
        EXPECT_NEAR(fMin, -0.9f, 0.05f);
        EXPECT_NEAR(fMax, 0.9f, 0.05f);
        // A stretch narrower than a block still gets its block.
        ASSERT_TRUE(waveform.GetRange(1.5, 1.5001, fMin, fMax));
        EXPECT_GT(fMax - fMin, 0.5f);
        EXPECT_FALSE(waveform.GetRange(3.5, 4.0, fMin, fMax));
        EXPECT_FALSE(waveform.GetRange(-2.0, -1.0, fMin, fMax));
        EXPECT_FALSE(waveform.GetRange(1.0, 1.0, fMin, fMax));
        std::filesystem::remove(sPath);
    }
}

TEST(WaveformTest, TheSampleDemosMusicReads)
{
    const std::string sPath =
        (std::filesystem::path(ORV_SOURCE_ROOT) / "examples/Atelier/data/atelier.ogg").string();
    CWaveform waveform;
    std::string sError;
    ASSERT_TRUE(waveform.Load(sPath, sError)) << sError;
    EXPECT_GT(waveform.GetSeconds(), 10.0);
    float fMin = 0.0f;
    float fMax = 0.0f;
    ASSERT_TRUE(waveform.GetRange(0.0, waveform.GetSeconds(), fMin, fMax));
    EXPECT_GT(fMax, 0.1f);
    EXPECT_LT(fMin, -0.1f);
}

TEST(WaveformTest, AFileThatIsNotSoundLeavesItEmptyAndSaysWhy)
{
    COrvTempDir dir("waveform");
    OrvWriteFile(dir.Path() / "noise.ogg", "this is not a sound file at all");
    CWaveform waveform;
    std::string sError;
    for (const std::string& sPath : {dir.File("noise.ogg"), dir.File("missing.wav")})
    {
        sError.clear();
        EXPECT_FALSE(waveform.Load(sPath, sError));
        EXPECT_NE(sError.find(sPath), std::string::npos) << sError;
        EXPECT_TRUE(waveform.IsEmpty());
        EXPECT_TRUE(waveform.GetPath().empty());
    }
}
