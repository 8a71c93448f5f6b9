#include "BassDecoder.h"

#include "OrvTestMedia.h"
#include "OrvPi.h"

#include <cmath>
#include <fstream>
#include <sstream>

using orv::bass::CBassDecoder;
using namespace orv::test;

namespace
{
struct Format
{
    const char* pName;
    int iFormat;
};

// Two tones that differ per channel, so that a frame or channel slip changes the samples.
float Signal(int64_t i, int c)
{
    const double t = static_cast<double>(i) / 44100.0;
    return 0.3f * static_cast<float>(std::sin(2.0 * orv::dPi * (440.0 + 110 * c) * t)) +
           0.2f * static_cast<float>(std::sin(2.0 * orv::dPi * 3000.0 * t + c));
}

std::vector<float> ReadAll(CBassDecoder& decoder)
{
    std::vector<float> all;
    std::vector<float> chunk(1000 * decoder.GetChannels());
    while (int64_t got = decoder.Read(chunk.data(), 1000))
        all.insert(all.end(), chunk.begin(), chunk.begin() + got * decoder.GetChannels());
    return all;
}

class DecoderFormats : public ::testing::TestWithParam<Format>
{
};
} // namespace

TEST_P(DecoderFormats, ReportsTheFormatAndSeeksSampleExactly)
{
    const int64_t frames = 44100 + 777;
    const std::string path = WriteTone(std::string("seek.") + GetParam().pName, GetParam().iFormat,
                                       44100, 2, frames, Signal);
    auto pDecoder = CBassDecoder::Open(path);
    ASSERT_NE(pDecoder, nullptr);
    EXPECT_EQ(pDecoder->GetRate(), 44100);
    EXPECT_EQ(pDecoder->GetChannels(), 2);
    EXPECT_EQ(pDecoder->GetFrames(), frames);

    const std::vector<float> all = ReadAll(*pDecoder);
    ASSERT_EQ(static_cast<int64_t>(all.size()), frames * 2);
    for (int64_t frame : {int64_t{12345}, int64_t{0}, int64_t{1151}, int64_t{1152}, int64_t{40000},
                          frames - 10, int64_t{7}})
    {
        ASSERT_TRUE(pDecoder->Seek(frame)) << frame;
        std::vector<float> part(200, -9.0f);
        const int64_t got = pDecoder->Read(part.data(), 100);
        ASSERT_EQ(got, std::min<int64_t>(100, frames - frame)) << frame;
        for (int64_t i = 0; i < got * 2; ++i)
            ASSERT_EQ(part[i], all[frame * 2 + i]) << "frame " << frame << " sample " << i;
    }
    ASSERT_TRUE(pDecoder->Seek(frames));
    float tail[2];
    EXPECT_EQ(pDecoder->Read(tail, 1), 0);
}

INSTANTIATE_TEST_SUITE_P(Files, DecoderFormats,
                         ::testing::Values(Format{"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                                           Format{"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                                           Format{"mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
                                           Format{"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS}),
                         [](const auto& info) { return std::string(info.param.pName); });

TEST(Decoder, RefusesWhatIsNotMusic)
{
    EXPECT_EQ(CBassDecoder::Open(TempPath("missing.wav")), nullptr);
    EXPECT_EQ(CBassDecoder::Open(WriteBytes("empty.mp3", "")), nullptr);
    EXPECT_EQ(CBassDecoder::Open(WriteBytes("text.wav", std::string(5000, 'x'))), nullptr);
    EXPECT_EQ(CBassDecoder::Open(WriteBytes("fake.ogg", "OggS" + std::string(300, '\0'))), nullptr);
    EXPECT_EQ(CBassDecoder::Open(::testing::TempDir()), nullptr);
}

TEST(Decoder, TruncatedFilesEndEarlyWithoutFailing)
{
    for (const char* pName : {"cut.wav", "cut.mp3", "cut.ogg"})
    {
        const int format = std::string(pName).ends_with("wav") ? SF_FORMAT_WAV | SF_FORMAT_PCM_16
                           : std::string(pName).ends_with("mp3")
                               ? SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III
                               : SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        const std::string path = WriteTone(pName, format, 44100, 2, 44100, Signal);
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        const std::string whole = bytes.str();
        const std::string cut =
            WriteBytes(std::string("half_") + pName, whole.substr(0, whole.size() / 2));
        auto pDecoder = CBassDecoder::Open(cut);
        if (!pDecoder)
            continue; // refusing a damaged file is as good as reading what is there
        const std::vector<float> all = ReadAll(*pDecoder);
        EXPECT_LE(static_cast<int64_t>(all.size()), 44100 * 2) << pName;
    }
}

namespace
{
// The Ogg page checksum: CRC-32 with the polynomial 0x04c11db7, not reflected, over the page
// with its checksum field zeroed.
uint32_t OggChecksum(const std::string& page)
{
    uint32_t crc = 0;
    for (unsigned char byte : page)
    {
        crc ^= uint32_t(byte) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    return crc;
}

// The last page made the first page of a second stream (another serial number, the
// beginning-of-stream flag), its checksum right: a chained file whose second link is no
// Vorbis stream.
std::string WithStrayLink(std::string file)
{
    const size_t last = file.rfind("OggS");
    file[last + 5] = 2;
    file[last + 14] = char(file[last + 14] ^ 0x55);
    file.replace(last + 22, 4, 4, '\0');
    const uint32_t crc = OggChecksum(file.substr(last));
    for (int i = 0; i < 4; ++i)
        file[last + 22 + i] = char(crc >> (8 * i));
    return file;
}
} // namespace

// libvorbisfile refuses such a file while opening it seekable (and loses a few bytes doing
// so, see tests/lsan.supp); the decoder then tries FFmpeg, which may read the first link.
TEST(Decoder, AStrayLinkIsRefusedOrReadUpToItsLength)
{
    const std::string path =
        WriteTone("link.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 1, 3000, Signal);
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string damaged = WriteBytes("stray_link.ogg", WithStrayLink(bytes.str()));
    for (int i = 0; i < 3; ++i)
    {
        auto pDecoder = CBassDecoder::Open(damaged);
        if (!pDecoder)
            continue;
        EXPECT_LE(static_cast<int64_t>(ReadAll(*pDecoder).size()),
                  pDecoder->GetFrames() * pDecoder->GetChannels());
    }
}

TEST(Decoder, Mp3SeeksStayExactWhateverWasReadBefore)
{
    // A rising tone: every stretch of samples differs from every other.
    auto tone = [](int64_t i, int c)
    {
        const double hz = 300.0 + i * 0.05 + c * 100;
        return 0.5f * static_cast<float>(std::sin(2.0 * orv::dPi * hz * i / 44100));
    };
    const int64_t frames = 88200;
    const std::string path =
        WriteTone("rise.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 2, frames, tone);
    auto pDecoder = CBassDecoder::Open(path);
    ASSERT_NE(pDecoder, nullptr);
    const std::vector<float> all = ReadAll(*pDecoder);
    ASSERT_EQ(static_cast<int64_t>(all.size()), frames * 2);
    uint32_t random = 12345;
    auto next = [&random](uint32_t range)
    {
        random = random * 1664525u + 1013904223u;
        return (random >> 8) % range;
    };
    std::vector<float> scratch(5000 * 2);
    for (int k = 0; k < 60; ++k)
    {
        pDecoder->Read(scratch.data(), next(5000)); // leave the decoder mid-stream
        const int64_t frame = next(frames - 600);
        ASSERT_TRUE(pDecoder->Seek(frame));
        ASSERT_EQ(pDecoder->Read(scratch.data(), 512), 512);
        for (int i = 0; i < 1024; ++i)
            ASSERT_NEAR(scratch[i], all[frame * 2 + i], 1e-5f)
                << "frame " << frame << " + " << i / 2;
    }
}
