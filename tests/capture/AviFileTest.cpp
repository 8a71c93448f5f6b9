// The AVIFile calls themselves: choosing compressors, handle counting and refusals.
#include "OrvTempDir.h"
#include "OrvTestMedia.h"
#include "vfw.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace orv::test;

TEST(AviFileTest, CompressorChoiceRefusesWhatFfmpegLacks)
{
    ASSERT_EQ(AVISetCompressorA("ffv1"), AVIERR_OK);
    EXPECT_EQ(AVISetCompressorA("no-such-codec"), AVIERR_NOCOMPRESSOR);
    EXPECT_EQ(AVISetCompressorA("pcm_s16le"), AVIERR_NOCOMPRESSOR); // not a video encoder
    EXPECT_STREQ(AVIGetCompressorA(), "ffv1");
    AVISetCompressorA(nullptr);
}

TEST(AviFileTest, StreamsKeepTheirFileAliveAndFormatsAreChecked)
{
    COrvTempDir dir;
    std::string sPath = dir.File("handles.avi");
    AVIFileInit();
    PAVIFILE pFile = nullptr;
    ASSERT_EQ(AVIFileOpenA(&pFile, sPath.c_str(), OF_WRITE | OF_CREATE, nullptr), 0);
    AVISTREAMINFOA info{};
    info.fccType = streamtypeVIDEO;
    info.dwScale = 1;
    info.dwRate = 10;
    PAVISTREAM pStream = nullptr;
    ASSERT_EQ(AVIFileCreateStreamA(pFile, &pStream, &info), 0);
    // Released first, the file stays open for its stream.
    EXPECT_EQ(AVIFileRelease(pFile), 1u);

    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = 16;
    header.biHeight = 16;
    header.biPlanes = 1;
    header.biBitCount = 24;
    EXPECT_EQ(AVIStreamSetFormat(pStream, 0, &header, 8), AVIERR_BADFORMAT);
    header.biCompression = 7;
    EXPECT_EQ(AVIStreamSetFormat(pStream, 0, &header, sizeof(header)), AVIERR_BADFORMAT);
    header.biCompression = BI_RGB;
    ASSERT_EQ(AVIStreamSetFormat(pStream, 0, &header, sizeof(header)), 0);
    LONG cbFormat = 0;
    ASSERT_EQ(AVIStreamReadFormat(pStream, 0, nullptr, &cbFormat), 0);
    EXPECT_EQ(cbFormat, static_cast<LONG>(sizeof(header)));

    std::vector<uint8_t> frame = MakeFrame(16, 16, 3);
    LONG lSamples = -1;
    LONG lBytes = -1;
    EXPECT_EQ(AVIStreamWrite(pStream, 0, 1, frame.data(), 100, 0, &lSamples, &lBytes),
              AVIERR_BADSIZE);
    EXPECT_EQ(lSamples, 0);
    ASSERT_EQ(AVIStreamWrite(pStream, 0, 1, frame.data(), static_cast<LONG>(frame.size()), 0,
                             &lSamples, &lBytes),
              0);
    EXPECT_EQ(lSamples, 1);
    EXPECT_EQ(lBytes, 16 * 16 * 3);
    // Positions only move forward; a second stream cannot join once writing began.
    EXPECT_EQ(AVIStreamWrite(pStream, 0, 1, frame.data(), static_cast<LONG>(frame.size()), 0,
                             &lSamples, &lBytes),
              AVIERR_BADPARAM);
    EXPECT_EQ(AVIStreamLength(pStream), 1);
    EXPECT_EQ(AVIStreamRelease(pStream), 0u);
    AVIFileExit();

    std::vector<SProbedStream> streams = Probe(sPath);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].sCodec, "rawvideo");
    EXPECT_EQ(streams[0].lFrames, 1);
}

TEST(AviFileTest, ReadingRefusesWhatIsNotThere)
{
    COrvTempDir dir;
    PAVIFILE pFile = reinterpret_cast<PAVIFILE>(1);
    EXPECT_NE(AVIFileOpenA(&pFile, dir.File("missing.wav").c_str(), OF_READ, nullptr), 0);
    EXPECT_EQ(pFile, nullptr);

    std::string sWave = dir.File("tone.wav");
    WriteWave(sWave, 22050, 1000);
    ASSERT_EQ(AVIFileOpenA(&pFile, sWave.c_str(), OF_READ, nullptr), 0);
    PAVISTREAM pStream = nullptr;
    EXPECT_EQ(AVIFileGetStream(pFile, &pStream, streamtypeVIDEO, 0), AVIERR_NODATA);
    EXPECT_EQ(AVIFileGetStream(pFile, &pStream, streamtypeAUDIO, 1), AVIERR_NODATA);
    ASSERT_EQ(AVIFileGetStream(pFile, &pStream, streamtypeAUDIO, 0), 0);
    PCMWAVEFORMAT format{};
    LONG cbFormat = sizeof(format);
    ASSERT_EQ(AVIStreamReadFormat(pStream, 0, &format, &cbFormat), 0);
    EXPECT_EQ(format.wf.nSamplesPerSec, 22050u);
    EXPECT_EQ(format.wf.nBlockAlign, 4);
    EXPECT_EQ(AVIStreamLength(pStream), 1000);
    // A read past the end gives what there is; a write to a file being read is refused.
    std::vector<int16_t> buffer(2 * 100);
    LONG lSamples = 0;
    ASSERT_EQ(AVIStreamRead(pStream, 950, 100, buffer.data(), 400, nullptr, &lSamples), 0);
    EXPECT_EQ(lSamples, 50);
    EXPECT_EQ(AVIStreamWrite(pStream, 0, 1, buffer.data(), 4, 0, nullptr, nullptr),
              AVIERR_READONLY);
    AVIStreamRelease(pStream);
    AVIFileRelease(pFile);
}
