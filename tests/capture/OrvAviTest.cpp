// The recorder end to end: files it writes are read back through the AVIFile calls and
// checked with ffprobe, the tool users will judge them with.
#include "OrvTempDir.h"
#include "OrvTestMedia.h"
#include "capture/OrvAvi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace orv::test;

namespace
{

class OrvAviTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(AVISetCompressorA("ffv1"), AVIERR_OK); }
    void TearDown() override { AVISetCompressorA(nullptr); }

    // Records iFrames generated frames; the recorder is gone when this returns.
    void Record(const std::string& sPath, int iWidth, int iHeight, int iFrames,
                const char* szSound = nullptr)
    {
        ORV_Avi avi;
        int iResult =
            szSound != nullptr
                ? avi.CreateAVIWithSound(nullptr, sPath.c_str(), szSound, iWidth, iHeight, 25)
                : avi.CreateAVI(nullptr, sPath.c_str(), iWidth, iHeight, 25);
        ASSERT_EQ(iResult, 0);
        for (int i = 0; i < iFrames; ++i)
        {
            std::vector<uint8_t> frame = MakeFrame(iWidth, iHeight, i);
            avi.AddFrame(frame.data());
        }
    }

    COrvTempDir m_dir;
};

// Reads the video stream of a file back through the AVIFile calls.
struct SReadBack
{
    PAVIFILE pFile = nullptr;
    PAVISTREAM pStream = nullptr;

    explicit SReadBack(const std::string& sPath, DWORD fccType = streamtypeVIDEO)
    {
        if (AVIFileOpenA(&pFile, sPath.c_str(), OF_READ, nullptr) == 0)
        {
            AVIFileGetStream(pFile, &pStream, fccType, 0);
        }
    }
    ~SReadBack()
    {
        AVIStreamRelease(pStream);
        AVIFileRelease(pFile);
    }
};

} // namespace

TEST_F(OrvAviTest, RecordsEveryFrameAtTheRateWithPicturesUpright)
{
    std::string sPath = m_dir.File("frames.avi");
    Record(sPath, 64, 48, 250);

    std::vector<SProbedStream> streams = Probe(sPath);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].sType, "video");
    EXPECT_EQ(streams[0].sCodec, "ffv1");
    EXPECT_EQ(streams[0].lFrames, 250);
    EXPECT_EQ(streams[0].sRate, "25/1");

    SReadBack file(sPath);
    ASSERT_NE(file.pStream, nullptr);
    AVISTREAMINFOA info{};
    ASSERT_EQ(AVIStreamInfoA(file.pStream, &info, sizeof(info)), 0);
    EXPECT_EQ(info.dwRate, 25u);
    EXPECT_EQ(info.dwScale, 1u);
    EXPECT_EQ(info.rcFrame.right, 64);
    EXPECT_EQ(info.rcFrame.bottom, 48);
    EXPECT_STREQ(info.szName, "ORVEL");
    EXPECT_EQ(AVIStreamLength(file.pStream), 250);

    // Lossless frames come back as written: same rows in the same order, same colours.
    std::vector<uint8_t> bits(64 * 48 * 3);
    for (int iFrame : {0, 1, 137, 249})
    {
        LONG lBytes = 0;
        LONG lSamples = 0;
        ASSERT_EQ(AVIStreamRead(file.pStream, iFrame, 1, bits.data(),
                                static_cast<LONG>(bits.size()), &lBytes, &lSamples),
                  0);
        EXPECT_EQ(lSamples, 1);
        EXPECT_EQ(lBytes, 64 * 48 * 3);
        EXPECT_EQ(bits, MakeFrame(64, 48, iFrame)) << "frame " << iFrame;
    }
}

TEST_F(OrvAviTest, SoundTrackFollowsThePicturesAndEndsWithThem)
{
    std::string sWave = m_dir.File("sound.wav");
    std::vector<int16_t> source = WriteWave(sWave, 44100, 3 * 44100);
    std::string sPath = m_dir.File("sound.avi");
    Record(sPath, 32, 32, 50, sWave.c_str()); // two seconds of pictures

    std::vector<SProbedStream> streams = Probe(sPath);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].sType, "video");
    EXPECT_EQ(streams[0].lFrames, 50);
    EXPECT_EQ(streams[1].sType, "audio");
    EXPECT_EQ(streams[1].sCodec, "pcm_s16le");
    EXPECT_EQ(streams[1].lSampleRate, 44100);
    EXPECT_EQ(streams[1].lStored, 2 * 44100);

    // The whole sound up to the last picture is there, sample for sample.
    SReadBack file(sPath, streamtypeAUDIO);
    ASSERT_NE(file.pStream, nullptr);
    LONG lLength = AVIStreamLength(file.pStream);
    EXPECT_EQ(lLength, 2 * 44100);
    std::vector<int16_t> copy(static_cast<size_t>(lLength) * 2);
    LONG lSamples = 0;
    ASSERT_EQ(AVIStreamRead(file.pStream, 0, lLength, copy.data(), lLength * 4, nullptr, &lSamples),
              0);
    ASSERT_EQ(lSamples, lLength);
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), source.begin()));
}

TEST_F(OrvAviTest, MissingSoundGivesASilentVideoAndSaysSo)
{
    std::string sPath = m_dir.File("silent.avi");
    testing::internal::CaptureStderr();
    Record(sPath, 32, 32, 10, m_dir.File("nothing.wav").c_str());
    std::string sErr = testing::internal::GetCapturedStderr();
    EXPECT_EQ(sErr, "Error: Error while creating audio stream -> no audio\n");
    std::vector<SProbedStream> streams = Probe(sPath);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].lFrames, 10);
}

TEST_F(OrvAviTest, FailuresLeaveNoFileBehind)
{
    // An existing file goes even when no compressor is chosen ("bmp" has no AVI code).
    std::string sPath = m_dir.File("old.avi");
    std::ofstream(sPath) << "old contents";
    ASSERT_EQ(AVISetCompressorA("bmp"), AVIERR_OK);
    ORV_Avi cancelled;
    EXPECT_EQ(cancelled.CreateAVI(nullptr, sPath.c_str(), 32, 32, 25), 1);
    std::vector<uint8_t> frame = MakeFrame(32, 32, 0);
    cancelled.AddFrame(frame.data()); // a closed recorder refuses frames quietly
    EXPECT_FALSE(std::filesystem::exists(sPath));

    ASSERT_EQ(AVISetCompressorA("ffv1"), AVIERR_OK);
    ORV_Avi unwritable;
    std::string sNoDir = m_dir.File("no/such/dir/out.avi");
    EXPECT_EQ(unwritable.CreateAVI(nullptr, sNoDir.c_str(), 32, 32, 25), 1);
    // A folder in the file's place is not deleted to make room.
    std::string sFolder = m_dir.File("folder.avi");
    std::filesystem::create_directory(sFolder);
    ORV_Avi folder;
    EXPECT_EQ(folder.CreateAVI(nullptr, sFolder.c_str(), 32, 32, 25), 1);
    EXPECT_TRUE(std::filesystem::is_directory(sFolder));
    ORV_Avi absurd;
    EXPECT_EQ(absurd.CreateAVI(nullptr, m_dir.File("absurd.avi").c_str(), 0, -5, 25), 1);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("absurd.avi")));
}

TEST_F(OrvAviTest, DefaultCompressorWritesAFilePlayersRead)
{
    ASSERT_EQ(AVISetCompressorA(nullptr), AVIERR_OK);
    EXPECT_STREQ(AVIGetCompressorA(), "libx264");
    std::string sPath = m_dir.File("default.avi");
    Record(sPath, 160, 90, 30); // an odd chroma height on purpose
    std::vector<SProbedStream> streams = Probe(sPath);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].sCodec, "h264");
    EXPECT_EQ(streams[0].lFrames, 30);
    EXPECT_EQ(streams[0].sRate, "25/1");

    // Odd sizes, which 4:2:0 cannot hold, still record every frame.
    Record(sPath, 161, 91, 5);
    streams = Probe(sPath);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].lFrames, 5);
}

TEST_F(OrvAviTest, VideoTitleIsKeptByEveryContainerAndCutToItsRoom)
{
    const std::string sLong = "Orv 0.1.0 r12345678 p0123456789abs3 " + std::string(40, 'x');
    AVISetCompressorA(nullptr); // each container's own codec
    for (const char* szName : {"t.avi", "t.mkv", "t.mp4", "t.mov"})
    {
        const std::string sPath = m_dir.File(szName);
        {
            ORV_Avi avi;
            avi.SetVideoTitle(sLong.c_str());
            ASSERT_EQ(avi.CreateAVI(nullptr, sPath.c_str(), 32, 16, 25), 0) << szName;
            std::vector<uint8_t> frame = MakeFrame(32, 16, 0);
            avi.AddFrame(frame.data());
        }
        // MP4 and QuickTime keep it as the track handler's name.
        const std::string sCommand =
            "ffprobe -v error -show_entries stream_tags=title,handler_name -of "
            "default=nw=1:nk=1 '" +
            sPath + "' > '" + m_dir.File("title.txt") + "'";
        ASSERT_EQ(std::system(sCommand.c_str()), 0);
        const std::string sTitle = OrvReadFile(m_dir.File("title.txt"));
        EXPECT_NE(sTitle.find(sLong.substr(0, 63) + "\n"), std::string::npos)
            << szName << ": " << sTitle;
        EXPECT_EQ(sTitle.find(sLong.substr(0, 64)), std::string::npos) << szName;
    }
}

TEST_F(OrvAviTest, DeviceFramesGiveTheSameFileAsTheirBitmaps)
{
    // 37 x 21: rows of an odd number of pixels, neither a multiple of the four pixels packed
    // at a time nor of four bytes. The device rows are red-green-blue-x, top down, with room
    // after each row; the bitmaps blue-green-red, bottom up, packed.
    constexpr int kWidth = 37;
    constexpr int kHeight = 21;
    constexpr int kPitch = kWidth * 4 + 12;
    auto toDevice = [](const std::vector<uint8_t>& bitmap)
    {
        std::vector<uint8_t> pixels(static_cast<size_t>(kPitch) * kHeight, 0xEE);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
            {
                const uint8_t* pIn = &bitmap[((kHeight - 1 - y) * kWidth + x) * 3];
                uint8_t* pOut = &pixels[static_cast<size_t>(y) * kPitch + x * 4];
                pOut[0] = pIn[2];
                pOut[1] = pIn[1];
                pOut[2] = pIn[0];
                pOut[3] = static_cast<uint8_t>(x * 7 + y); // junk the file must not see
            }
        return pixels;
    };
    const std::string sBitmaps = m_dir.File("bitmaps.avi");
    Record(sBitmaps, kWidth, kHeight, 30);
    const std::string sDevice = m_dir.File("device.avi");
    {
        ORV_Avi avi;
        ASSERT_EQ(avi.CreateAVI(nullptr, sDevice.c_str(), kWidth, kHeight, 25), 0);
        for (int i = 0; i < 30; ++i)
        {
            // The caller's buffer is reused at once, as a device's read-back slot is.
            std::vector<uint8_t> pixels = toDevice(MakeFrame(kWidth, kHeight, i));
            ASSERT_TRUE(avi.AddDeviceFrame(pixels.data(), kPitch)) << i;
            std::fill(pixels.begin(), pixels.end(), 0x11);
        }
        // A pitch shorter than a row is refused, and the recording goes on.
        std::vector<uint8_t> small(static_cast<size_t>(kPitch) * kHeight);
        EXPECT_FALSE(avi.AddDeviceFrame(small.data(), kWidth * 4 - 1));
        EXPECT_FALSE(avi.AddDeviceFrame(nullptr, kPitch));
    }
    SReadBack bitmaps(sBitmaps);
    SReadBack device(sDevice);
    ASSERT_NE(device.pStream, nullptr);
    EXPECT_EQ(AVIStreamLength(device.pStream), 30);
    std::vector<uint8_t> expected(kWidth * kHeight * 3);
    std::vector<uint8_t> actual(kWidth * kHeight * 3);
    for (int iFrame = 0; iFrame < 30; ++iFrame)
    {
        ASSERT_EQ(AVIStreamRead(bitmaps.pStream, iFrame, 1, expected.data(),
                                static_cast<LONG>(expected.size()), nullptr, nullptr),
                  0);
        ASSERT_EQ(AVIStreamRead(device.pStream, iFrame, 1, actual.data(),
                                static_cast<LONG>(actual.size()), nullptr, nullptr),
                  0);
        EXPECT_EQ(actual, expected) << "frame " << iFrame;
    }
    std::ifstream a(sBitmaps, std::ios::binary), b(sDevice, std::ios::binary);
    EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(a), std::istreambuf_iterator<char>(),
                           std::istreambuf_iterator<char>(b), std::istreambuf_iterator<char>()))
        << "the files differ";

    // A closed recorder takes nothing.
    ORV_Avi closed;
    std::vector<uint8_t> pixels(static_cast<size_t>(kPitch) * kHeight);
    EXPECT_FALSE(closed.AddDeviceFrame(pixels.data(), kPitch));
}
