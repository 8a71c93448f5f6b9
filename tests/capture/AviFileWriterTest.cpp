// The movie writer for hosts: frames given as bitmaps or raw buffers come out of the file
// upright and unchanged (lossless codecs) or close (the default codec), every failure
// leaves its text and disables the writer, and the file is complete when the writer goes.
#include "OrvTempDir.h"
#include "OrvTestMedia.h"
#include "capture/AviFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <type_traits>
#include <vector>

using namespace orv::test;

static_assert(!std::is_copy_constructible_v<CAviFile> && !std::is_copy_assignable_v<CAviFile>,
              "two writers must never share one file");
static_assert(std::is_move_constructible_v<CAviFile> && std::is_move_assignable_v<CAviFile>);

namespace
{

const DWORD kLossless = mmioFOURCC('F', 'F', 'V', '1');
const char* const kNoCodec = "Unable to Create Compressed Stream: Check your CODEC options";
const char* const kNoFile = "Unable to Create the Movie File";
const char* const kUnlike = "Frame Size or Depth Differs from the First Frame of the Movie";

// A movie read back through the AVIFile calls: its header and its frames as 24-bit
// bottom-up rows, packed.
struct SMovie
{
    bool bOpened = false;
    AVISTREAMINFOA info{};
    std::vector<std::vector<uint8_t>> frames;
};

SMovie ReadMovie(const std::string& sPath)
{
    SMovie movie;
    PAVIFILE pFile = nullptr;
    PAVISTREAM pStream = nullptr;
    if (AVIFileOpenA(&pFile, sPath.c_str(), OF_READ, nullptr) == 0 &&
        AVIFileGetStream(pFile, &pStream, streamtypeVIDEO, 0) == 0)
    {
        movie.bOpened = true;
        AVIStreamInfoA(pStream, &movie.info, sizeof(movie.info));
        for (LONG i = 0; i < AVIStreamLength(pStream); ++i)
        {
            std::vector<uint8_t> bits(movie.info.dwSuggestedBufferSize);
            LONG lBytes = 0;
            if (AVIStreamRead(pStream, i, 1, bits.data(), static_cast<LONG>(bits.size()), &lBytes,
                              nullptr) != 0)
            {
                break;
            }
            bits.resize(static_cast<size_t>(lBytes));
            movie.frames.push_back(std::move(bits));
        }
    }
    AVIStreamRelease(pStream);
    AVIFileRelease(pFile);
    return movie;
}

// A 24-bit frame from MakeFrame as 32 bits, the fourth byte set to junk.
std::vector<uint8_t> To32Bits(const std::vector<uint8_t>& bgr)
{
    std::vector<uint8_t> bgrx(bgr.size() / 3 * 4, 0x5a);
    for (size_t i = 0; i < bgr.size() / 3; ++i)
    {
        std::memcpy(&bgrx[4 * i], &bgr[3 * i], 3);
    }
    return bgrx;
}

// The rows of a bottom-up frame in the opposite order.
std::vector<uint8_t> FlipRows(const std::vector<uint8_t>& bits, int iHeight)
{
    size_t cbRow = bits.size() / iHeight;
    std::vector<uint8_t> flipped(bits.size());
    for (int y = 0; y < iHeight; ++y)
    {
        std::memcpy(&flipped[y * cbRow], &bits[(iHeight - 1 - y) * cbRow], cbRow);
    }
    return flipped;
}

// A bottom-up 24-bit DIB section holding MakeFrame's picture, rows padded as GDI pads them.
HBITMAP MakeBitmap(int iWidth, int iHeight, int iFrame)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = iWidth;
    info.bmiHeader.biHeight = iHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* pvBits = nullptr;
    HBITMAP hBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pvBits, nullptr, 0);
    if (hBitmap != nullptr)
    {
        std::vector<uint8_t> packed = MakeFrame(iWidth, iHeight, iFrame);
        size_t cbRow = (static_cast<size_t>(iWidth) * 3 + 3) & ~size_t(3);
        for (int y = 0; y < iHeight; ++y)
        {
            std::memcpy(static_cast<uint8_t*>(pvBits) + y * cbRow, &packed[y * iWidth * 3],
                        iWidth * 3);
        }
    }
    return hBitmap;
}

// Mean of the absolute differences of two pictures' bytes (255 when sizes differ).
double MeanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size() || a.empty())
    {
        return 255.0;
    }
    double dSum = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
    {
        dSum += std::abs(int(a[i]) - int(b[i]));
    }
    return dSum / a.size();
}

class AviFileWriterTest : public ::testing::Test
{
protected:
    // Compressor choices of other tests must not leak into the code 0.
    void SetUp() override { AVISetCompressorA(nullptr); }

    bool Exists(const std::string& sName) const
    {
        return std::filesystem::exists(m_dir.File(sName));
    }

    COrvTempDir m_dir;
};

} // namespace

TEST_F(AviFileWriterTest, DefaultWriterTurnsAScreenBitmapIntoAPlayableMovie)
{
    std::filesystem::path oldDir = std::filesystem::current_path();
    std::filesystem::current_path(m_dir.Path());
    {
        CAviFile avi;
        EXPECT_STREQ(avi.GetLastErrorMessage(), "Method Succeeded");
        HBITMAP hBitmap = MakeBitmap(320, 240, 3);
        ASSERT_NE(hBitmap, nullptr);
        EXPECT_EQ(avi.AppendNewFrame(hBitmap), S_OK);
        EXPECT_STREQ(avi.GetLastErrorMessage(), "Method Succeeded");
        DeleteObject(hBitmap);
    }
    std::filesystem::current_path(oldDir);

    // "MPG4" has no encoder: the file holds, and says it holds, Microsoft MPEG-4 version 2.
    std::string sPath = m_dir.File("Output.avi");
    std::vector<SProbedStream> streams = Probe(sPath);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].sCodec, "msmpeg4v2");
    EXPECT_EQ(streams[0].sTag, "MP42");
    EXPECT_EQ(streams[0].sRate, "1/1");
    EXPECT_EQ(streams[0].lFrames, 1);
    EXPECT_EQ(streams[0].iWidth, 320);
    EXPECT_EQ(streams[0].iHeight, 240);

    SMovie movie = ReadMovie(sPath);
    ASSERT_TRUE(movie.bOpened);
    EXPECT_EQ(movie.info.fccHandler, mmioFOURCC('M', 'P', '4', '2'));
    EXPECT_EQ(movie.info.dwRate, 1u);
    EXPECT_EQ(movie.info.dwScale, 1u);
    EXPECT_EQ(movie.info.rcFrame.right, 320);
    EXPECT_EQ(movie.info.rcFrame.bottom, 240);
    ASSERT_EQ(movie.frames.size(), 1u);
    ASSERT_EQ(movie.frames[0].size(), 230400u);
    // Upright and close: red at the top, blue at the bottom.
    EXPECT_LT(MeanDifference(movie.frames[0], MakeFrame(320, 240, 3)), 4.0);
}

TEST_F(AviFileWriterTest, MissingCodecFailsTheFirstFrameAndEveryOneAfterAtOnce)
{
    std::string sPath = m_dir.File("indeo.avi");
    CAviFile avi(sPath.c_str(), mmioFOURCC('I', 'V', '5', '0'), 25);
    std::vector<uint8_t> frame = MakeFrame(16, 16, 0);
    EXPECT_EQ(avi.AppendNewFrame(16, 16, frame.data(), 24), E_FAIL);
    EXPECT_STREQ(avi.GetLastErrorMessage(), kNoCodec);
    EXPECT_FALSE(Exists("indeo.avi"));

    // Disabled: nothing is tried again, the text stays.
    HBITMAP hBitmap = MakeBitmap(16, 16, 0);
    EXPECT_EQ(avi.AppendNewFrame(hBitmap), E_FAIL);
    EXPECT_EQ(avi.AppendNewFrame(16, 16, frame.data(), 24), E_FAIL);
    EXPECT_STREQ(avi.GetLastErrorMessage(), kNoCodec);
    EXPECT_FALSE(Exists("indeo.avi"));
    DeleteObject(hBitmap);

    CAviFile unknown(m_dir.File("zzzz.avi").c_str(), mmioFOURCC('Z', 'Z', 'Z', 'Z'), 25);
    EXPECT_EQ(unknown.AppendNewFrame(16, 16, frame.data(), 24), E_FAIL);
    EXPECT_STREQ(unknown.GetLastErrorMessage(), kNoCodec);
}

TEST_F(AviFileWriterTest, RawFramesComeBackUnchangedInEveryRowLayout)
{
    // 32 bits, 100 x 100: frames of 40000 bytes, exactly what the host hands over.
    std::string sPath = m_dir.File("raw32.avi");
    {
        CAviFile avi(sPath.c_str(), kLossless, 25);
        for (int i = 0; i < 3; ++i)
        {
            std::vector<uint8_t> bits = To32Bits(MakeFrame(100, 100, i));
            ASSERT_EQ(bits.size(), 40000u);
            EXPECT_EQ(avi.AppendNewFrame(100, 100, bits.data(), 32), S_OK);
        }
    }
    SMovie movie = ReadMovie(sPath);
    ASSERT_EQ(movie.frames.size(), 3u);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(movie.frames[i], MakeFrame(100, 100, i)) << "frame " << i;
    }
    std::vector<SProbedStream> streams = Probe(sPath);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].sRate, "25/1");
    // The fourth byte is unused, as in a bitmap: no transparency in the movie.
    EXPECT_EQ(streams[0].sPixels, "bgr0");

    // 24 bits at an odd width: rows of 99 bytes, packed, must not shear.
    sPath = m_dir.File("raw24.avi");
    {
        CAviFile avi(sPath.c_str(), kLossless, 25);
        for (int i = 0; i < 2; ++i)
        {
            std::vector<uint8_t> bits = MakeFrame(33, 17, i);
            EXPECT_EQ(avi.AppendNewFrame(33, 17, bits.data(), 24), S_OK);
        }
    }
    movie = ReadMovie(sPath);
    ASSERT_EQ(movie.frames.size(), 2u);
    EXPECT_EQ(movie.frames[0], MakeFrame(33, 17, 0));
    EXPECT_EQ(movie.frames[1], MakeFrame(33, 17, 1));

    // A negative height: rows from the top down, as a surface in memory holds them.
    sPath = m_dir.File("topdown.avi");
    {
        CAviFile avi(sPath.c_str(), kLossless, 25);
        std::vector<uint8_t> bits = FlipRows(MakeFrame(33, 17, 5), 17);
        EXPECT_EQ(avi.AppendNewFrame(33, -17, bits.data(), 24), S_OK);
    }
    movie = ReadMovie(sPath);
    ASSERT_EQ(movie.frames.size(), 1u);
    EXPECT_EQ(movie.frames[0], MakeFrame(33, 17, 5));
}

TEST_F(AviFileWriterTest, BitmapsComeBackUnchangedWhateverTheirRowPadding)
{
    std::string sPath = m_dir.File("bitmaps.avi");
    {
        CAviFile avi(sPath.c_str(), kLossless, 10);
        for (int i = 0; i < 3; ++i)
        {
            HBITMAP hBitmap = MakeBitmap(33, 17, i);
            EXPECT_EQ(avi.AppendNewFrame(hBitmap), S_OK);
            DeleteObject(hBitmap);
        }
        // Bitmaps and raw frames of one movie may alternate.
        std::vector<uint8_t> bits = MakeFrame(33, 17, 3);
        EXPECT_EQ(avi.AppendNewFrame(33, 17, bits.data(), 24), S_OK);
        // A top-down device bitmap with rows padded to 2 bytes reads the same.
        std::vector<uint8_t> packed = FlipRows(MakeFrame(33, 17, 4), 17);
        std::vector<uint8_t> rows(100 * 17);
        for (int y = 0; y < 17; ++y)
        {
            std::memcpy(&rows[y * 100], &packed[y * 99], 99);
        }
        HBITMAP hBitmap = CreateBitmap(33, 17, 1, 24, rows.data());
        EXPECT_EQ(avi.AppendNewFrame(hBitmap), S_OK);
        DeleteObject(hBitmap);
    }
    SMovie movie = ReadMovie(sPath);
    ASSERT_EQ(movie.frames.size(), 5u);
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ(movie.frames[i], MakeFrame(33, 17, i)) << "frame " << i;
    }
    std::vector<SProbedStream> streams = Probe(sPath);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].sCodec, "ffv1");
    EXPECT_EQ(streams[0].iWidth, 33);
    EXPECT_EQ(streams[0].lFrames, 5);
}

TEST_F(AviFileWriterTest, DefaultCodecKeepsAnOddSizeAndTheRowOrder)
{
    std::string sPath = m_dir.File("odd.avi");
    {
        CAviFile avi(sPath.c_str());
        for (int i = 0; i < 4; ++i)
        {
            std::vector<uint8_t> bits = MakeFrame(65, 47, 10 * i);
            EXPECT_EQ(avi.AppendNewFrame(65, 47, bits.data(), 24), S_OK);
        }
    }
    std::vector<SProbedStream> streams = Probe(sPath);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].sTag, "MP42");
    EXPECT_EQ(streams[0].iWidth, 65);
    EXPECT_EQ(streams[0].iHeight, 47);
    EXPECT_EQ(streams[0].lFrames, 4);
    SMovie movie = ReadMovie(sPath);
    ASSERT_EQ(movie.frames.size(), 4u);
    for (int i = 0; i < 4; ++i)
    {
        // Lossy 4:2:0 rings at the saturated bands' edges; inside them it is faithful.
        EXPECT_LT(MeanDifference(movie.frames[i], MakeFrame(65, 47, 10 * i)), 16.0) << i;
        const uint8_t* pTop = &movie.frames[i][(44 * 65 + 32) * 3];
        const uint8_t* pBottom = &movie.frames[i][(2 * 65 + 32) * 3];
        EXPECT_TRUE(pTop[2] > 200 && pTop[0] < 60) << "red at the top of frame " << i;
        EXPECT_TRUE(pBottom[0] > 200 && pBottom[2] < 60) << "blue at the bottom of frame " << i;
    }
}

TEST_F(AviFileWriterTest, FrameUnlikeTheFirstIsRefusedAndTheMovieGoesOn)
{
    std::string sPath = m_dir.File("sizes.avi");
    {
        CAviFile avi(sPath.c_str(), kLossless, 25);
        std::vector<uint8_t> first = MakeFrame(32, 24, 0);
        ASSERT_EQ(avi.AppendNewFrame(32, 24, first.data(), 24), S_OK);
        std::vector<uint8_t> small = MakeFrame(16, 16, 1);
        EXPECT_EQ(avi.AppendNewFrame(16, 16, small.data(), 24), E_FAIL);
        EXPECT_STREQ(avi.GetLastErrorMessage(), kUnlike);
        std::vector<uint8_t> deeper = To32Bits(first);
        EXPECT_EQ(avi.AppendNewFrame(32, 24, deeper.data(), 32), E_FAIL);
        EXPECT_EQ(avi.AppendNewFrame(32, -24, first.data(), 24), E_FAIL);
        HBITMAP hBitmap = MakeBitmap(33, 24, 2);
        EXPECT_EQ(avi.AppendNewFrame(hBitmap), E_FAIL);
        // A deleted bitmap describes as nothing and is refused the same way.
        DeleteObject(hBitmap);
        EXPECT_EQ(avi.AppendNewFrame(hBitmap), E_FAIL);
        EXPECT_STREQ(avi.GetLastErrorMessage(), kUnlike);

        std::vector<uint8_t> next = MakeFrame(32, 24, 1);
        EXPECT_EQ(avi.AppendNewFrame(32, 24, next.data(), 24), S_OK);
    }
    SMovie movie = ReadMovie(sPath);
    ASSERT_EQ(movie.frames.size(), 2u);
    EXPECT_EQ(movie.frames[1], MakeFrame(32, 24, 1));
}

TEST_F(AviFileWriterTest, EveryFailureSaysWhyAndLeavesNoBrokenFile)
{
    std::vector<uint8_t> frame = MakeFrame(16, 16, 0);

    CAviFile noDir(m_dir.File("no/such/dir/out.avi").c_str(), kLossless, 25);
    EXPECT_EQ(noDir.AppendNewFrame(16, 16, frame.data(), 24), E_FAIL);
    EXPECT_STREQ(noDir.GetLastErrorMessage(), kNoFile);

    // A folder in the movie's place stays.
    std::string sFolder = m_dir.File("folder.avi");
    std::filesystem::create_directory(sFolder);
    CAviFile folder(sFolder.c_str(), kLossless, 25);
    EXPECT_EQ(folder.AppendNewFrame(16, 16, frame.data(), 24), E_FAIL);
    EXPECT_STREQ(folder.GetLastErrorMessage(), kNoFile);
    EXPECT_TRUE(std::filesystem::is_directory(sFolder));
    std::filesystem::remove(sFolder);

    // A name longer than a path may be is refused, never written under a shortened name.
    std::string sLong = m_dir.File(std::string(300, 'n') + ".avi");
    CAviFile tooLong(sLong.c_str(), kLossless, 25);
    EXPECT_EQ(tooLong.AppendNewFrame(16, 16, frame.data(), 24), E_FAIL);
    EXPECT_STREQ(tooLong.GetLastErrorMessage(), kNoFile);
    CAviFile noName(nullptr, kLossless, 25);
    EXPECT_EQ(noName.AppendNewFrame(16, 16, frame.data(), 24), E_FAIL);
    EXPECT_STREQ(noName.GetLastErrorMessage(), kNoFile);

    // Frames too large for any movie are refused before memory is taken for them.
    CAviFile huge(m_dir.File("huge.avi").c_str(), kLossless, 25);
    EXPECT_EQ(huge.AppendNewFrame(20000, 20000, frame.data(), 32), E_FAIL);
    EXPECT_STREQ(huge.GetLastErrorMessage(), "Unable to Create Heap");

    // Depths a movie cannot hold, and empty frames.
    CAviFile shallow(m_dir.File("shallow.avi").c_str(), kLossless, 25);
    EXPECT_EQ(shallow.AppendNewFrame(16, 16, frame.data(), 16), E_FAIL);
    EXPECT_STREQ(shallow.GetLastErrorMessage(), "Unable to Set Video Stream Format");
    CAviFile empty(m_dir.File("empty.avi").c_str(), kLossless, 25);
    EXPECT_EQ(empty.AppendNewFrame(nullptr), E_FAIL);
    EXPECT_STREQ(empty.GetLastErrorMessage(), "Unable to Set Video Stream Format");

    // A write that fails disables the writer; the frames before it stay playable.
    std::string sPath = m_dir.File("broken.avi");
    {
        CAviFile avi(sPath.c_str(), kLossless, 25);
        ASSERT_EQ(avi.AppendNewFrame(16, 16, frame.data(), 24), S_OK);
        EXPECT_EQ(avi.AppendNewFrame(16, 16, nullptr, 24), E_FAIL);
        EXPECT_STREQ(avi.GetLastErrorMessage(),
                     "Unable to Write Video Stream to the output Movie File");
        EXPECT_EQ(avi.AppendNewFrame(16, 16, frame.data(), 24), E_FAIL);
    }
    std::vector<SProbedStream> streams = Probe(sPath);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].lFrames, 1);

    std::filesystem::remove(sPath);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
    {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_TRUE(left.empty()) << left.front();
}

TEST_F(AviFileWriterTest, NoFrameNoFileAndAFailedFirstWriteAnEmptyMovie)
{
    {
        CAviFile avi(m_dir.File("never.avi").c_str(), kLossless, 25);
    }
    EXPECT_FALSE(Exists("never.avi"));

    std::string sPath = m_dir.File("nothing.avi");
    {
        CAviFile avi(sPath.c_str(), kLossless, 25);
        EXPECT_EQ(avi.AppendNewFrame(16, 16, nullptr, 24), E_FAIL);
    }
    std::vector<SProbedStream> streams = Probe(sPath);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].sCodec, "ffv1");
    EXPECT_EQ(streams[0].lFrames, 0);
}

TEST_F(AviFileWriterTest, MovedWriterCarriesOnTheMovie)
{
    std::string sPath = m_dir.File("moved.avi");
    std::vector<uint8_t> frame = MakeFrame(16, 16, 0);
    {
        CAviFile first(sPath.c_str(), kLossless, 25);
        ASSERT_EQ(first.AppendNewFrame(16, 16, frame.data(), 24), S_OK);
        CAviFile second(std::move(first));
        EXPECT_EQ(second.AppendNewFrame(16, 16, frame.data(), 24), S_OK);
        EXPECT_EQ(first.AppendNewFrame(16, 16, frame.data(), 24), E_FAIL);

        CAviFile third(m_dir.File("replaced.avi").c_str(), kLossless, 25);
        ASSERT_EQ(third.AppendNewFrame(16, 16, frame.data(), 24), S_OK);
        third = std::move(second); // completes replaced.avi, takes over moved.avi
        EXPECT_EQ(third.AppendNewFrame(16, 16, frame.data(), 24), S_OK);
        std::vector<SProbedStream> replaced = Probe(m_dir.File("replaced.avi"));
        ASSERT_EQ(replaced.size(), 1u);
        EXPECT_EQ(replaced[0].lFrames, 1);
    }
    std::vector<SProbedStream> streams = Probe(sPath);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].lFrames, 3);
}
