// The transport of a show in a window: keys, the title, and moves of the music clock that
// land where they should.
#include "PlayerTiming.h"
#include "PlayerTransport.h"
#include "audio/OrvMusic.h"
#include "core/OrvProp.h"
#include "document/OrvDemo.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>
#include <vector>

namespace
{

// A demo whose music is a 20-second tone at 120 beats per minute, in a scratch folder.
class TransportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previous = std::filesystem::current_path();
        m_dir = std::filesystem::temp_directory_path() /
                ("orv_transport_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir / "data");
        WriteTone(m_dir / "data" / "tone.wav", 20);
        std::filesystem::current_path(m_dir);
        FILE* pFile = std::fopen("demo.orv", "w");
        std::fputs("<OrvDemo version=\"1\"><music><Prop15 defaultValue=\"120\"/>"
                   "<Prop5 defaultValue=\"tone.wav\"/></music></OrvDemo>",
                   pFile);
        std::fclose(pFile);
        ASSERT_TRUE(m_demo.Load("demo.orv"));
        m_demo.GetMusic()->Update();
        ASSERT_NE(m_demo.GetMusic()->GetStream(), 0u);
    }
    void TearDown() override
    {
        m_demo.BassStop();
        std::filesystem::current_path(m_previous);
        std::filesystem::remove_all(m_dir);
    }
    static void WriteTone(const std::filesystem::path& path, int iSeconds)
    {
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* pFile = sf_open(path.c_str(), SFM_WRITE, &info);
        std::vector<short> samples(static_cast<size_t>(44100) * 2 * iSeconds);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<short>(3000.0 * std::sin(i * 0.03));
        sf_write_short(pFile, samples.data(), static_cast<sf_count_t>(samples.size()));
        sf_close(pFile);
    }

    std::filesystem::path m_previous;
    std::filesystem::path m_dir;
    COrvDemo m_demo;
    CPlayerTransport m_transport;
};

} // namespace

TEST(PlayerTransportKeys, KeysAndTitle)
{
    EXPECT_EQ(TranslateKey(SDLK_SPACE, 0), COMMAND_TOGGLE_PAUSE);
    EXPECT_EQ(TranslateKey(SDLK_LEFT, 0), COMMAND_BEAT_BACK);
    EXPECT_EQ(TranslateKey(SDLK_RIGHT, KMOD_NONE), COMMAND_BEAT_ON);
    EXPECT_EQ(TranslateKey(SDLK_LEFT, KMOD_LSHIFT), COMMAND_16_BEATS_BACK);
    EXPECT_EQ(TranslateKey(SDLK_RIGHT, KMOD_RSHIFT), COMMAND_16_BEATS_ON);
    EXPECT_EQ(TranslateKey(SDLK_HOME, 0), COMMAND_HOME);
    EXPECT_EQ(TranslateKey(SDLK_ESCAPE, 0), COMMAND_QUIT);
    EXPECT_EQ(TranslateKey(SDLK_a, 0), COMMAND_NONE);

    EXPECT_EQ(FormatBarsBeats(0.0), "1:1");
    EXPECT_EQ(FormatBarsBeats(3.99), "1:4");
    EXPECT_EQ(FormatBarsBeats(5.5), "2:2");
    EXPECT_EQ(FormatBarsBeats(15.9999), "5:1") << "a hair before a beat is on it";
    EXPECT_EQ(FormatBarsBeats(-3.0), "1:1");
    EXPECT_EQ(FormatBarsBeats(NAN), "1:1");
    EXPECT_EQ(FormatTransportTitle(5.5, 2.75, 59.6, false, ""), "ORVEL  2:2  2.75 s  60 fps");
    EXPECT_EQ(FormatTransportTitle(0, 0, 0, true, "data/a.fx:3: error: x"),
              "ORVEL  1:1  0.00 s  0 fps  paused  reload failed: data/a.fx:3: error: x");
}

TEST(PlayerTransportKeys, MomentsOnTheFrameGridGiveTheRecordedFrameTimes)
{
    for (int iFrame : {0, 1, 49, 50, 1234})
    {
        EXPECT_EQ(GetMomentFrameTime(iFrame / 25.0, 138.0f), GetRecordedFrameTime(iFrame, 138.0f))
            << iFrame;
    }
    EXPECT_NEAR(GetMomentFrameTime(2.01, 120.0f), 2.01 * 2.0 * 16.0, 1e-3);
    EXPECT_EQ(CountFrames(2.0, 25), 50);
    EXPECT_EQ(CountFrames(2.01, 25), 51);
    EXPECT_EQ(CountFrames(1.0, 60), 60);
    EXPECT_EQ(CountFrames(0.0, 30), 1);
}

TEST_F(TransportTest, PauseKeepsThePositionAndResumesFromIt)
{
    m_transport.Start(m_demo, 4.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    m_transport.Apply(m_demo, COMMAND_TOGGLE_PAUSE);
    ASSERT_TRUE(m_transport.IsPaused());
    const float fPaused = m_demo.BassGetTime();
    EXPECT_GE(fPaused, 4.0f);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(m_demo.BassGetTime(), fPaused) << "a paused show stands still";
    m_transport.Apply(m_demo, COMMAND_TOGGLE_PAUSE);
    EXPECT_FALSE(m_transport.IsPaused());
    // It resumes from where it stood, not from where it would have got to.
    const float fResumed = m_demo.BassGetTime();
    EXPECT_GE(fResumed, fPaused);
    EXPECT_LT(fResumed, fPaused + 0.2f);
}

TEST_F(TransportTest, BeatMovesLandExactlyOnBeats)
{
    m_transport.SetEndBeats(40.0); // 20 s at 120 beats per minute
    m_transport.Start(m_demo, 10.3);
    m_transport.SetPaused(m_demo, true);
    m_transport.SeekBeats(m_demo, 10.3);
    EXPECT_NEAR(m_demo.BassGetTime(), 10.3f, 1e-3);
    struct SMove
    {
        EPlayerCommand eCommand;
        float fExpected;
    };
    const SMove moves[] = {
        {COMMAND_BEAT_ON, 11.0f},       {COMMAND_BEAT_ON, 12.0f},     {COMMAND_BEAT_BACK, 11.0f},
        {COMMAND_16_BEATS_ON, 27.0f},   {COMMAND_16_BEATS_ON, 40.0f}, {COMMAND_BEAT_ON, 40.0f},
        {COMMAND_16_BEATS_BACK, 24.0f}, {COMMAND_HOME, 0.0f},         {COMMAND_BEAT_BACK, 0.0f}};
    for (const SMove& move : moves)
    {
        m_transport.Apply(m_demo, move.eCommand);
        // On the sample: 11 beats at 120 bpm is 5.5 s, exactly 242550 samples.
        EXPECT_FLOAT_EQ(m_demo.BassGetTime(), move.fExpected) << move.eCommand;
    }
    // From between beats, back goes to the beat before.
    m_transport.SeekBeats(m_demo, 7.5);
    m_transport.Apply(m_demo, COMMAND_BEAT_BACK);
    EXPECT_FLOAT_EQ(m_demo.BassGetTime(), 7.0f);
    EXPECT_TRUE(m_transport.IsPaused()) << "moves keep a paused show paused";
}
