#include "OrvKernel.h"
#include "bass.h"
#include "OrvTestMedia.h"

#include <chrono>
#include <filesystem>
#include <unistd.h>
#include <fstream>
#include <sstream>
#include <thread>

using namespace orv::test;
using namespace std::chrono_literals;

namespace
{
constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kMp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;

std::string ReadLog()
{
    std::ifstream file(SnifferGetPath(), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// What the log received while running the call.
template <typename Call> std::string LogOf(Call call)
{
    const size_t before = ReadLog().size();
    call();
    return ReadLog().substr(before);
}

std::string Block(const char* pName, const std::vector<const char*>& lines)
{
    std::string text = std::string(pName) + "()\r\n{\r\n";
    for (const char* pLine : lines)
        text += std::string("   ") + pLine + "\r\n";
    return text + "}\r\n";
}

// A track reference-counted as the document holds it.
struct Track
{
    COrvMusic* operator->() const { return pMusic.Get(); }
    void SetFile(const std::string& path) const
    {
        static_cast<COrvPropString*>(pMusic->GetProperties()[2])->SetValue(path);
    }
    COrvComPtr<COrvMusic> pMusic{new COrvMusic};
};
} // namespace

TEST(Music, NewTrackHasItsPropertiesAndStaysAtZeroUntilOpened)
{
    Track track;
    EXPECT_EQ(track->GetClass(), "COrvMusic");
    EXPECT_EQ(track->GetName(), "Music");
    const COrvPropList& properties = track->GetProperties();
    ASSERT_EQ(properties.size(), 3u);
    EXPECT_EQ(properties[1]->GetPropId(), ORV_PROP_MUSIC_BPM);
    EXPECT_EQ(properties[1]->GetPropIdString(), "Music BPM");
    EXPECT_FALSE(properties[1]->GetAnimable());
    EXPECT_FALSE(properties[1]->GetInterpolate());
    EXPECT_EQ(properties[2]->GetPropId(), ORV_PROP_FILENAME);
    EXPECT_EQ(properties[2]->GetPropIdString(), "Filename");
    EXPECT_EQ(static_cast<COrvPropString*>(properties[2])->GetValue(), "zik.mp3");
    EXPECT_FALSE(properties[2]->GetAnimable());
    EXPECT_FLOAT_EQ(track->GetBPM(), 138.0f);
    EXPECT_FALSE(track->IsOpen());
    EXPECT_EQ(track->BassGetTime(), 0.0f);
    EXPECT_EQ(LogOf([&] { track->BassPlay(); }), Block("COrvMusic::BassPlay", {}));
    const float* pSpectrum = track->GetFFT();
    EXPECT_EQ(pSpectrum[0] + pSpectrum[100] + pSpectrum[255], 0.0f);
}

TEST(Music, BeatsAndSecondsFollowTheTempo)
{
    Track track;
    EXPECT_FLOAT_EQ(track->GetSecondFromBeat(69.0f), 30.0f);
    EXPECT_FLOAT_EQ(track->GetSecondFromBeat(138.0f), 60.0f);
    static_cast<COrvPropFloat*>(track->GetProperties()[1])->SetValue(120.0f);
    EXPECT_FLOAT_EQ(track->GetBPM(), 120.0f);
    EXPECT_FLOAT_EQ(track->GetSecondFromBeat(3.0f), 1.5f);
}

TEST(Music, FirstOpeningStartsTheOutputAndLogsEachStep)
{
    Track first;
    first.SetFile(WriteTone("a.wav", kWav16, 44100, 2, 44100, Sine(1000, 44100)));
    EXPECT_EQ(LogOf([&] { EXPECT_TRUE(first->BassInit()); }),
              Block("COrvMusic::BassInit", {"BASS_GetVersion OK", "BASS_Init OK", "BASS_Start OK",
                                            "BASS_StreamCreateFile OK", "BASS_ChannelPreBuf OK"}));
    EXPECT_TRUE(first->IsOpen());
    EXPECT_NE(first->GetStream(), 0u);

    Track second;
    second.SetFile(WriteTone("b.wav", kWav16, 44100, 2, 44100, Sine(1000, 44100)));
    EXPECT_EQ(LogOf([&] { second->BassInit(); }),
              Block("COrvMusic::BassInit", {"BASS_StreamCreateFile OK", "BASS_ChannelPreBuf OK"}));
    EXPECT_EQ(LogOf([&] { second->BassPlay(); }),
              Block("COrvMusic::BassPlay", {"BASS_ChannelPlay OK"}));
}

TEST(Music, AMissingFileIsTriedOnceAndLeavesTheTrackSilentAtZero)
{
    Track track;
    track.SetFile(TempPath("nowhere.mp3"));
    EXPECT_EQ(
        LogOf([&] { track->Update(); }),
        Block("COrvMusic::BassInit", {"BASS_GetVersion OK", "BASS_Init OK", "BASS_Start OK"}));
    EXPECT_TRUE(track->IsOpen());
    EXPECT_EQ(track->GetStream(), 0u);
    EXPECT_EQ(LogOf([&] { track->Update(); }), "") << "not tried again";
    EXPECT_EQ(LogOf([&] { track->BassPlay(); }), Block("COrvMusic::BassPlay", {}));
    track->BassSetTime(10.0f);
    EXPECT_EQ(track->BassGetTime(), 0.0f);
    track.SetFile(WriteTone("later.wav", kWav16, 44100, 1, 4410, Sine(1000, 44100)));
    EXPECT_NE(LogOf([&] { track->Update(); }).find("BASS_StreamCreateFile OK"), std::string::npos);
}

TEST(Music, BrokenFilesLeaveTheTrackSilentAtZero)
{
    const std::string whole = []
    {
        std::ifstream in(WriteTone("whole.mp3", kMp3, 44100, 2, 44100, Sine(1000, 44100)),
                         std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }();
    for (const std::string& path :
         {WriteBytes("empty.mp3", ""), WriteBytes("noise.mp3", std::string(3000, '\x55')),
          WriteBytes("header.wav", std::string("RIFF\x24\0\0\0WAVEfmt ", 16)),
          WriteBytes("half.mp3", whole.substr(0, 600))})
    {
        Track track;
        track.SetFile(path);
        track->BassInit();
        track->BassPlay();
        track->BassSetTime(4.0f);
        std::this_thread::sleep_for(30ms);
        const float beats = track->BassGetTime();
        EXPECT_GE(beats, 0.0f) << path;
        EXPECT_LT(beats, 0.5f) << path;
        track->GetFFT();
        track->BassStop();
    }
}

TEST(Music, UpdateToAnotherFileFreesTheOldStream)
{
    Track track;
    track.SetFile(WriteTone("one.wav", kWav16, 44100, 2, 44100, Sine(1000, 44100)));
    track->Update();
    const unsigned int old = track->GetStream();
    ASSERT_NE(old, 0u);
    track->BassPlay();
    track.SetFile(WriteTone("two.wav", kWav16, 44100, 2, 44100, Sine(2000, 44100)));
    track->Update();
    EXPECT_NE(track->GetStream(), 0u);
    EXPECT_NE(track->GetStream(), old);
    EXPECT_EQ(BASS_ChannelGetPosition(old), QWORD(-1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);

    const unsigned int second = track->GetStream();
    track->BassInit(); // reloading the same file
    EXPECT_FALSE(BASS_ChannelStop(second)) << "the stream it replaced is gone";
    track->BassClose();
    EXPECT_FALSE(track->IsOpen());
    EXPECT_EQ(track->BassGetTime(), 0.0f);
}

TEST(Music, SetTimeSeeksToTheBeatAndPlaybackAdvancesAtTheTempo)
{
    for (const char* pName : {"song.wav", "song.mp3"})
    {
        Track track;
        const int format = std::string(pName).ends_with("mp3") ? kMp3 : kWav16;
        track.SetFile(WriteTone(pName, format, 44100, 2, 44100 * 12, Sine(1000, 44100)));
        track->BassInit();
        track->BassSetTime(23.0f); // 10 s at 138 beats per minute
        EXPECT_FLOAT_EQ(track->BassGetTime(), 23.0f) << pName;
        track->BassSetTime(2.3f);
        EXPECT_NEAR(track->BassGetTime(), 2.3f, 1e-4f) << pName;

        track->BassPlay();
        std::this_thread::sleep_for(50ms);
        const auto wallStart = std::chrono::steady_clock::now();
        const float start = track->BassGetTime();
        float previous = start;
        for (int i = 0; i < 150; ++i)
        {
            std::this_thread::sleep_for(2ms);
            const float now = track->BassGetTime();
            ASSERT_GE(now, previous) << pName;
            previous = now;
        }
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        EXPECT_NEAR(previous - start, wall * 138.0 / 60.0, 0.25) << pName;

        track->BassStop();
        const float stopped = track->BassGetTime();
        std::this_thread::sleep_for(40ms);
        EXPECT_EQ(track->BassGetTime(), stopped) << pName;
    }
}

TEST(Music, SpectrumShowsTheTonePlaying)
{
    for (const char* pName : {"tone.wav", "tone.mp3"})
    {
        Track track;
        const int format = std::string(pName).ends_with("mp3") ? kMp3 : kWav16;
        track.SetFile(WriteTone(pName, format, 44100, 2, 44100 * 2, Sine(1000, 44100)));
        track->BassInit();
        track->BassPlay();
        std::this_thread::sleep_for(100ms);
        const float* pSpectrum = track->GetFFT();
        EXPECT_EQ(std::max_element(pSpectrum, pSpectrum + 256) - pSpectrum, 12) << pName;
        EXPECT_GT(pSpectrum[12], 0.2f) << pName;
    }
}

TEST(Music, TheDocumentsTrackOpensItsFileFromTheDataDirectory)
{
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof(previous)), nullptr);
    const std::string folder = TempPath("demo");
    std::filesystem::create_directories(folder + "/data");
    std::filesystem::rename(WriteTone("song.wav", kWav16, 44100, 2, 44100, Sine(1000, 44100)),
                            folder + "/data/song.wav");
    ASSERT_EQ(chdir(folder.c_str()), 0);
    COrvComPtr<COrvDemo> pDemo(new COrvDemo);
    COrvMusic* pMusic = pDemo->GetMusic();
    static_cast<COrvPropString*>(pMusic->GetProperties()[2])->SetValue("song.wav");
    pMusic->BassInit();
    char current[4096];
    ASSERT_NE(getcwd(current, sizeof(current)), nullptr);
    EXPECT_EQ(std::filesystem::path(current), std::filesystem::canonical(folder + "/data"));
    EXPECT_NE(pMusic->GetStream(), 0u);
    EXPECT_EQ(LogOf([&] { pDemo->BassPlay(); }),
              Block("COrvMusic::BassPlay", {"BASS_ChannelPlay OK"}));
    pDemo->BassSetTime(1.15f);
    EXPECT_FLOAT_EQ(pDemo->BassGetTime(), pMusic->BassGetTime());
    EXPECT_NEAR(pDemo->BassGetTime(), 1.15f, 0.05f);
    pDemo->BassStop();
    pDemo.Reset();
    EXPECT_EQ(chdir(previous), 0);
}
