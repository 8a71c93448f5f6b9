#include "bass.h"

#include "OrvTestMedia.h"
#include "OrvPi.h"

#include <cmath>
#include <algorithm>
#include <chrono>
#include <thread>

using namespace orv::test;
using namespace std::chrono_literals;

namespace
{
constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kMp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;

double Seconds(DWORD handle)
{
    return BASS_ChannelBytes2Seconds(handle, BASS_ChannelGetPosition(handle));
}

// The strongest bin of the spectrum now playing; bytesPerFrame: of the stream's format.
int PeakBin(DWORD handle, DWORD bytesPerFrame = 4)
{
    float spectrum[256] = {};
    EXPECT_EQ(BASS_ChannelGetData(handle, spectrum, BASS_DATA_FFT512), 512u * bytesPerFrame);
    return static_cast<int>(std::max_element(spectrum, spectrum + 256) - spectrum);
}

// Every test starts the audio on the default device: on a machine without one (CI),
// that is the silent output.
class Bass : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr)); }
    void TearDown() override { BASS_Free(); }

    DWORD Open(const std::string& path, DWORD flags = BASS_STREAM_PRESCAN)
    {
        const HSTREAM handle = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, flags);
        EXPECT_NE(handle, 0u) << path << " error " << BASS_ErrorGetCode();
        return handle;
    }
};
} // namespace

TEST(BassSetUp, VersionInitAndStartFollowTheInterfaceConventions)
{
    EXPECT_EQ(BASS_GetVersion() >> 16, 0x0203u);
    EXPECT_FALSE(BASS_Start());
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, "x.wav", 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_FALSE(BASS_Init(7, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);

    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_TRUE(BASS_Start());
    EXPECT_TRUE(BASS_Free());
    EXPECT_TRUE(BASS_Init(0, 0, 0, nullptr, nullptr)) << "the silent output, default rate";
    EXPECT_TRUE(BASS_Free());
}

TEST_F(Bass, ZeroAndStaleHandlesFailWithAHandleError)
{
    const DWORD stale = Open(WriteTone("a.wav", kWav16, 44100, 2, 4410, Sine(1000, 44100)));
    ASSERT_TRUE(BASS_StreamFree(stale));
    float spectrum[256];
    for (DWORD handle : {DWORD{0}, stale, stale + 1000})
    {
        auto expectHandleError = [&](bool failed, const char* pCall)
        {
            EXPECT_TRUE(failed) << pCall << " with handle " << handle;
            EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE) << pCall;
        };
        expectHandleError(!BASS_StreamFree(handle), "StreamFree");
        expectHandleError(!BASS_ChannelPreBuf(handle, 0), "PreBuf");
        expectHandleError(!BASS_ChannelPlay(handle, FALSE), "Play");
        expectHandleError(!BASS_ChannelStop(handle), "Stop");
        expectHandleError(BASS_ChannelGetPosition(handle) == QWORD(-1), "GetPosition");
        expectHandleError(BASS_ChannelGetLength(handle) == QWORD(-1), "GetLength");
        expectHandleError(!BASS_ChannelSetPosition(handle, 0), "SetPosition");
        expectHandleError(BASS_ChannelBytes2Seconds(handle, 0) < 0, "Bytes2Seconds");
        expectHandleError(BASS_ChannelSeconds2Bytes(handle, 1) == QWORD(-1), "Seconds2Bytes");
        expectHandleError(BASS_ChannelGetData(handle, spectrum, BASS_DATA_FFT512) == DWORD(-1),
                          "GetData");
    }
}

TEST_F(Bass, FilesThatAreNotMusicGiveNoStream)
{
    auto expectRefused = [](const std::string& path, int error)
    {
        EXPECT_EQ(BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_PRESCAN), 0u)
            << path;
        EXPECT_EQ(BASS_ErrorGetCode(), error) << path;
    };
    expectRefused(TempPath("missing.mp3"), BASS_ERROR_FILEOPEN);
    expectRefused(WriteBytes("empty.mp3", ""), BASS_ERROR_FILEFORM);
    expectRefused(WriteBytes("text.mp3", std::string(20000, 'a')), BASS_ERROR_FILEFORM);
    expectRefused(::testing::TempDir(), BASS_ERROR_FILEFORM);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, nullptr, 0, 0, 0), 0u);
}

TEST_F(Bass, BytesSecondsAndLengthFollowTheDecodedFormat)
{
    const DWORD stereo = Open(WriteTone("s.wav", kWav16, 44100, 2, 88200, Sine(1000, 44100)));
    EXPECT_EQ(BASS_ChannelGetLength(stereo), 88200u * 4);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(stereo, 1.0f), 176400u);
    EXPECT_FLOAT_EQ(BASS_ChannelBytes2Seconds(stereo, 176400 / 2), 0.5f);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(stereo, -1.0f), QWORD(-1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);

    const std::string monoPath = WriteTone("m.wav", kWav16, 22050, 1, 22050, Sine(500, 22050));
    const DWORD mono = Open(monoPath);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(mono, 1.0f), 44100u);
    const DWORD monoFloat = Open(monoPath, BASS_SAMPLE_FLOAT);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(monoFloat, 1.0f), 88200u);
    EXPECT_EQ(BASS_ChannelGetLength(monoFloat), 88200u);
    EXPECT_FLOAT_EQ(BASS_ChannelBytes2Seconds(monoFloat, 88200), 1.0f);
}

TEST_F(Bass, SeeksToExactFramesWithinTheStream)
{
    for (const char* pName : {"seek.wav", "seek.mp3"})
    {
        const int format = std::string(pName).ends_with("mp3") ? kMp3 : kWav16;
        const DWORD handle = Open(WriteTone(pName, format, 44100, 2, 88200, Sine(1000, 44100)));
        EXPECT_EQ(BASS_ChannelGetPosition(handle), 0u);
        EXPECT_TRUE(BASS_ChannelSetPosition(handle, 12345 * 4));
        EXPECT_EQ(BASS_ChannelGetPosition(handle), 12345u * 4) << pName;
        EXPECT_TRUE(BASS_ChannelSetPosition(handle, 777 * 4 + 3)) << "rounds down to a frame";
        EXPECT_EQ(BASS_ChannelGetPosition(handle), 777u * 4) << pName;
        EXPECT_TRUE(BASS_ChannelSetPosition(handle, BASS_ChannelGetLength(handle)));
        EXPECT_FALSE(BASS_ChannelSetPosition(handle, BASS_ChannelGetLength(handle) + 4));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
        EXPECT_EQ(BASS_ChannelGetPosition(handle), BASS_ChannelGetLength(handle));
    }
}

TEST_F(Bass, PlaybackPositionAdvancesSmoothlyInRealTime)
{
    const DWORD handle =
        Open(WriteTone("play.wav", kWav16, 44100, 2, 44100 * 4, Sine(1000, 44100)));
    ASSERT_TRUE(BASS_ChannelPreBuf(handle, 0));
    ASSERT_TRUE(BASS_ChannelPlay(handle, FALSE));
    EXPECT_EQ(BASS_ChannelIsActive(handle), DWORD{BASS_ACTIVE_PLAYING});
    std::this_thread::sleep_for(50ms); // past the output's latency
    const auto wallStart = std::chrono::steady_clock::now();
    const double start = Seconds(handle);
    double previous = start;
    int reads = 0;
    int moved = 0;
    while (std::chrono::steady_clock::now() - wallStart < 400ms)
    {
        std::this_thread::sleep_for(1ms);
        const double now = Seconds(handle);
        ASSERT_GE(now, previous) << "after " << reads << " reads";
        moved += now > previous;
        ++reads;
        previous = now;
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    EXPECT_NEAR(previous - start, wall, 0.1);
    // A position that only moved once per output buffer would stand still for most reads.
    EXPECT_GT(moved, reads * 8 / 10);
}

TEST_F(Bass, StopHoldsThePositionAndPlayResumesOrRestarts)
{
    const DWORD handle =
        Open(WriteTone("stop.wav", kWav16, 44100, 2, 44100 * 4, Sine(1000, 44100)));
    ASSERT_TRUE(BASS_ChannelPlay(handle, FALSE));
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(BASS_ChannelStop(handle));
    const QWORD stopped = BASS_ChannelGetPosition(handle);
    EXPECT_GT(stopped, 0u);
    EXPECT_EQ(BASS_ChannelIsActive(handle), DWORD{BASS_ACTIVE_STOPPED});
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(BASS_ChannelGetPosition(handle), stopped);

    ASSERT_TRUE(BASS_ChannelPlay(handle, FALSE));
    EXPECT_EQ(BASS_ChannelGetPosition(handle), stopped) << "resumes where it was heard";
    std::this_thread::sleep_for(100ms);
    EXPECT_GT(BASS_ChannelGetPosition(handle), stopped);

    ASSERT_TRUE(BASS_ChannelPlay(handle, TRUE));
    EXPECT_LT(Seconds(handle), 0.05);
    ASSERT_TRUE(BASS_ChannelSetPosition(handle, BASS_ChannelSeconds2Bytes(handle, 2.0f)));
    EXPECT_FLOAT_EQ(Seconds(handle), 2.0f) << "a seek while playing is exact at once";
    std::this_thread::sleep_for(100ms);
    EXPECT_GT(Seconds(handle), 2.0);
    EXPECT_LT(Seconds(handle), 2.5);
}

TEST_F(Bass, PlaybackEndsAtTheEndOfTheFile)
{
    const DWORD handle = Open(WriteTone("short.wav", kWav16, 44100, 1, 4410, Sine(1000, 44100)));
    ASSERT_TRUE(BASS_ChannelPlay(handle, FALSE));
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(BASS_ChannelGetPosition(handle), BASS_ChannelGetLength(handle));
    EXPECT_EQ(BASS_ChannelIsActive(handle), DWORD{BASS_ACTIVE_STOPPED});
}

TEST_F(Bass, SpectrumPeaksAtTheToneNowPlaying)
{
    // 1 kHz for the first second, then 5 kHz: bins of 44100 / 512 Hz.
    auto tone = [](int64_t i, int)
    {
        const double hz = i < 44100 ? 1000.0 : 5000.0;
        return 0.5f * static_cast<float>(std::sin(2.0 * orv::dPi * hz * i / 44100));
    };
    for (const char* pName : {"fft.wav", "fft.mp3"})
    {
        const int format = std::string(pName).ends_with("mp3") ? kMp3 : kWav16;
        const DWORD handle = Open(WriteTone(pName, format, 44100, 2, 88200, tone));
        EXPECT_EQ(PeakBin(handle), 12) << pName << ": 1000 Hz is bin 11.6";
        ASSERT_TRUE(BASS_ChannelSetPosition(handle, BASS_ChannelSeconds2Bytes(handle, 1.2f)));
        EXPECT_EQ(PeakBin(handle), 58) << pName << ": 5000 Hz is bin 58.05";
        ASSERT_TRUE(BASS_ChannelSetPosition(handle, 0));
        ASSERT_TRUE(BASS_ChannelPlay(handle, FALSE));
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(PeakBin(handle), 12) << pName << " playing";
        ASSERT_TRUE(BASS_ChannelSetPosition(handle, BASS_ChannelSeconds2Bytes(handle, 1.5f)));
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(PeakBin(handle), 58) << pName << " playing";
        ASSERT_TRUE(BASS_StreamFree(handle));
    }
    const DWORD handle =
        Open(WriteTone("centred.wav", kWav16, 44100, 1, 4096, Sine(40 * 44100.0 / 512, 44100)));
    float spectrum[256] = {};
    ASSERT_EQ(BASS_ChannelGetData(handle, spectrum, BASS_DATA_FFT512), 512u * 2);
    EXPECT_NEAR(spectrum[40], 0.5f, 0.01f);
    EXPECT_EQ(BASS_ChannelGetData(handle, spectrum, 1024), DWORD(-1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
}

TEST_F(Bass, AFileCutShortWhilePlayingEndsThePlayback)
{
    const std::string path = WriteTone("cut.wav", kWav16, 44100, 2, 44100 * 3, Sine(1000, 44100));
    const DWORD handle = Open(path);
    ASSERT_TRUE(BASS_ChannelPlay(handle, FALSE));
    std::this_thread::sleep_for(50ms);
    WriteBytes("cut.wav", "RIFF"); // truncates the file under the playing stream
    std::this_thread::sleep_for(300ms);
    const QWORD position = BASS_ChannelGetPosition(handle);
    EXPECT_LT(position, BASS_ChannelSeconds2Bytes(handle, 0.4f));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(BASS_ChannelGetPosition(handle), position) << "nothing more to play";
    EXPECT_EQ(BASS_ChannelIsActive(handle), DWORD{BASS_ACTIVE_STOPPED});
}

TEST_F(Bass, CompressedFilesChangedWhilePlayingDoNotDerailTheStream)
{
    for (const char* pName : {"swap.mp3", "swap.ogg"})
    {
        const int format =
            std::string(pName).ends_with("mp3") ? kMp3 : SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        const DWORD handle = Open(WriteTone(pName, format, 44100, 2, 44100 * 3, Sine(1000, 44100)));
        ASSERT_TRUE(BASS_ChannelPlay(handle, FALSE));
        std::this_thread::sleep_for(30ms);
        WriteBytes(pName, std::string(5000, '\x33')); // another content, shorter
        BASS_ChannelSetPosition(handle, BASS_ChannelSeconds2Bytes(handle, 1.5f)); // may fail
        std::this_thread::sleep_for(100ms);
        float spectrum[256];
        BASS_ChannelGetData(handle, spectrum, BASS_DATA_FFT512);
        const QWORD position = BASS_ChannelGetPosition(handle);
        EXPECT_LE(position, BASS_ChannelGetLength(handle)) << pName;
        EXPECT_TRUE(BASS_ChannelStop(handle));
        EXPECT_TRUE(BASS_ChannelPlay(handle, TRUE));
        EXPECT_LE(BASS_ChannelGetPosition(handle), position) << pName;
    }
}

TEST_F(Bass, StreamsAtOtherRatesPlayTogetherInRealTime)
{
    const DWORD high = Open(WriteTone("48k.wav", kWav16, 48000, 2, 48000 * 3, Sine(3000, 48000)));
    const DWORD low = Open(WriteTone("22k.wav", kWav16, 22050, 1, 22050 * 3, Sine(1000, 22050)));
    EXPECT_EQ(PeakBin(high), 32) << "3000 Hz in bins of 48000 / 512 Hz";
    EXPECT_EQ(PeakBin(low, 2), 23) << "1000 Hz in bins of 22050 / 512 Hz";
    ASSERT_TRUE(BASS_ChannelPlay(high, FALSE));
    ASSERT_TRUE(BASS_ChannelPlay(low, FALSE));
    std::this_thread::sleep_for(50ms);
    const auto wallStart = std::chrono::steady_clock::now();
    const double highStart = Seconds(high);
    const double lowStart = Seconds(low);
    std::this_thread::sleep_for(300ms);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    EXPECT_NEAR(Seconds(high) - highStart, wall, 0.06);
    EXPECT_NEAR(Seconds(low) - lowStart, wall, 0.06);
}
