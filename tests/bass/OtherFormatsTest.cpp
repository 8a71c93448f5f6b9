// Music files beyond what libsndfile and libvorbisfile read: FLAC at 12 and 20 bits, FLAC
// without a total sample count, and the formats FFmpeg decodes, against FFmpeg's own
// decoding of the same files.
#include "BassDecoder.h"
#include "BassFfmpegDecoder.h"
#include "FlacFile.h"
#include "OrvTempDir.h"
#include "OrvTestMedia.h"
#include "bass.h"
#include "OrvPi.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using orv::bass::CBassDecoder;
using orv::bass::CBassFfmpegDecoder;
using namespace orv::test;
using namespace orv::test;

namespace
{
float Stereo(int64_t i, int c)
{
    const double t = static_cast<double>(i) / 44100.0;
    return 0.4f *
           static_cast<float>(std::sin(2.0 * orv::dPi * (330.0 + 220 * c) * t + 20.0 * t * t));
}

// A folder of its own for each test, removed with everything in it.
class OtherFormats : public ::testing::Test
{
protected:
    std::string Path(const std::string& name) const { return m_Dir.File(name); }

    // A WAV file of the tone in this test's folder.
    std::string Tone(const std::string& name, int channels, int64_t frames) const
    {
        const std::string written =
            WriteTone(name, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, channels, frames, Stereo);
        std::filesystem::rename(written, Path(name));
        return Path(name);
    }

    std::string Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return Path(name);
    }

    // Runs the ffmpeg program; false when it is missing or fails.
    static bool Ffmpeg(const std::string& args)
    {
        const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y " + args;
        return std::system(command.c_str()) == 0;
    }

    // What FFmpeg's own program decodes from the file, as interleaved floats.
    std::vector<float> FfmpegSamples(const std::string& path) const
    {
        const std::string raw = Path("reference.f32");
        std::vector<float> samples;
        if (!Ffmpeg("-i '" + path + "' -f f32le '" + raw + "'"))
            return samples;
        std::ifstream in(raw, std::ios::binary | std::ios::ate);
        samples.resize(static_cast<size_t>(in.tellg()) / sizeof(float));
        in.seekg(0);
        in.read(reinterpret_cast<char*>(samples.data()),
                static_cast<std::streamsize>(samples.size() * sizeof(float)));
        std::filesystem::remove(raw);
        return samples;
    }

    COrvTempDir m_Dir{"formats"};
};

std::vector<float> ReadAll(CBassDecoder& decoder)
{
    std::vector<float> all;
    std::vector<float> chunk(1000 * static_cast<size_t>(decoder.GetChannels()));
    while (int64_t got = decoder.Read(chunk.data(), 1000))
        all.insert(all.end(), chunk.begin(), chunk.begin() + got * decoder.GetChannels());
    return all;
}

// Seeks back and forth, each time from somewhere else in the stream, and compares what
// follows the seek with the same frames read from the start. Lossy decoders come back to
// the same samples only within a tolerance: their state before the target differs (noise
// substitution, dither, prediction), not the position.
void ExpectExactSeeks(CBassDecoder& decoder, const std::vector<float>& all, const char* pName,
                      float fTolerance = 0.0f)
{
    const int channels = decoder.GetChannels();
    const int64_t frames = decoder.GetFrames();
    std::vector<float> part(300 * static_cast<size_t>(channels));
    for (int64_t frame : {frames / 2, int64_t{0}, frames - 5, int64_t{3}, frames / 3 + 1,
                          frames - 40000, frames / 2 + 17, int64_t{9000}, frames})
    {
        frame = std::clamp<int64_t>(frame, 0, frames);
        ASSERT_TRUE(decoder.Seek(frame)) << pName << " frame " << frame;
        const int64_t got = decoder.Read(part.data(), 300);
        ASSERT_EQ(got, std::min<int64_t>(300, frames - frame)) << pName << " frame " << frame;
        for (int64_t i = 0; i < got * channels; ++i)
            ASSERT_NEAR(part[i], all[frame * channels + i], fTolerance)
                << pName << ": frame " << frame << " + " << i / channels;
    }
}

// Interleaved integer samples of a stereo tone at a bit depth, using its whole range.
std::vector<int32_t> IntegerTone(int bits, int frames)
{
    std::vector<int32_t> samples;
    const double peak = static_cast<double>((1 << (bits - 1)) - 1);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < 2; ++c)
            samples.push_back(static_cast<int32_t>(
                std::lround(peak * std::sin(0.01 * i * (c + 1) + 0.002 * i * i / frames))));
    samples[1] = -(1 << (bits - 1)); // the most negative value once
    return samples;
}

} // namespace

TEST_F(OtherFormats, FlacAtTwelveAndTwentyBitsGivesTheFileSamplesExactly)
{
    for (int bits : {12, 20})
        for (bool bTotal : {true, false})
        {
            const int frames = 23456;
            const std::vector<int32_t> source = IntegerTone(bits, frames);
            const std::string name =
                std::to_string(bits) + (bTotal ? "bit.flac" : "bit_nototal.flac");
            auto pDecoder = CBassDecoder::Open(
                Write(name, EncodeFlac(source, 2, 48000, bits, bTotal, bits == 12 ? 4096 : 1152)));
            ASSERT_NE(pDecoder, nullptr) << name;
            EXPECT_EQ(pDecoder->GetRate(), 48000);
            EXPECT_EQ(pDecoder->GetChannels(), 2);
            ASSERT_EQ(pDecoder->GetFrames(), frames) << name;
            const std::vector<float> all = ReadAll(*pDecoder);
            ASSERT_EQ(all.size(), source.size());
            const float scale = 1.0f / static_cast<float>(1 << (bits - 1));
            for (size_t i = 0; i < source.size(); ++i)
                ASSERT_EQ(all[i], static_cast<float>(source[i]) * scale) << name << " sample " << i;
            ExpectExactSeeks(*pDecoder, all, name.c_str());
        }
}

TEST_F(OtherFormats, FlacWithoutATotalIsCountedAndSeeksExactly)
{
    for (int bits : {16, 24})
    {
        const int frames = 70001;
        const std::vector<int32_t> source = IntegerTone(bits, frames);
        auto pDecoder =
            CBassDecoder::Open(Write("nototal.flac", EncodeFlac(source, 2, 44100, bits, false)));
        ASSERT_NE(pDecoder, nullptr);
        ASSERT_EQ(pDecoder->GetFrames(), frames) << bits;
        const std::vector<float> all = ReadAll(*pDecoder);
        ASSERT_EQ(all.size(), source.size());
        ExpectExactSeeks(*pDecoder, all, "nototal.flac");
        // The counted length is the end: nothing beyond it, nothing before the start.
        EXPECT_FALSE(pDecoder->Seek(frames + 1)) << bits;
        EXPECT_FALSE(pDecoder->Seek(-1)) << bits;
        ASSERT_TRUE(pDecoder->Seek(frames)) << bits;
        std::vector<float> one(2);
        EXPECT_EQ(pDecoder->Read(one.data(), 1), 0) << bits;
    }
    // Through the interface: a finite length in bytes.
    ASSERT_TRUE(BASS_Init(0, 44100, 0, 0, nullptr));
    const std::string path =
        Write("api.flac", EncodeFlac(IntegerTone(16, 5000), 2, 44100, 16, false));
    const HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(stream), 5000u * 4);
    BASS_StreamFree(stream);
    BASS_Free();
}

TEST_F(OtherFormats, FilesOnlyFfmpegReadsMatchItsDecodingAndSeekExactly)
{
    const std::string source = Tone("source.wav", 2, 3 * 44100);
    ASSERT_TRUE(std::filesystem::exists(source));
    struct Encoding
    {
        const char* pName;
        const char* pArgs;
        float fTolerance;
    };
    const Encoding aEncodings[] = {
        {"aac.m4a", "-c:a aac -b:a 128k", 1e-4f}, {"adts.aac", "-c:a aac -b:a 96k", 1e-4f},
        {"opus.opus", "-c:a libopus", 1e-4f},     {"wma.wma", "-c:a wmav2", 1e-4f},
        {"ac3.ac3", "-c:a ac3", 1e-4f},           {"mp2.mkv", "-c:a mp2", 1e-4f},
        {"alac.m4a", "-c:a alac", 0.0f},          {"wavpack.wv", "-c:a wavpack", 0.0f},
        {"flac.mka", "-c:a flac", 0.0f},          {"tta.tta", "-c:a tta", 0.0f},
    };
    for (const Encoding& encoding : aEncodings)
    {
        const std::string path = Path(encoding.pName);
        if (!Ffmpeg("-i '" + source + "' " + encoding.pArgs + " '" + path + "'"))
            GTEST_SKIP() << "the ffmpeg program cannot write " << encoding.pName;
        auto pDecoder = CBassDecoder::Open(path);
        ASSERT_NE(pDecoder, nullptr) << encoding.pName;
        const std::vector<float> all = ReadAll(*pDecoder);
        const std::vector<float> reference = FfmpegSamples(path);
        ASSERT_FALSE(reference.empty()) << encoding.pName;
        ASSERT_EQ(pDecoder->GetFrames() * pDecoder->GetChannels(),
                  static_cast<int64_t>(reference.size()))
            << encoding.pName;
        ASSERT_EQ(all, reference) << encoding.pName;
        ExpectExactSeeks(*pDecoder, all, encoding.pName, encoding.fTolerance);
    }
}

TEST_F(OtherFormats, DamagedFilesAreRefusedOrEndEarly)
{
    const std::string source = Tone("source.wav", 1, 44100);
    std::vector<std::string> files = {
        Write("twelve.flac", EncodeFlac(IntegerTone(12, 30000), 2, 44100, 12, false))};
    for (const char* pName : {"cut.m4a", "cut.opus", "cut.wma"})
    {
        const std::string path = Path(pName);
        if (Ffmpeg("-i '" + source + "' '" + path + "'"))
            files.push_back(path);
    }
    uint32_t random = 99;
    for (const std::string& path : files)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        const std::string whole = bytes.str();
        std::vector<std::string> damaged = {whole.substr(0, whole.size() / 2), whole.substr(0, 40),
                                            whole.substr(whole.size() / 3)};
        for (int k = 0; k < 8; ++k)
        {
            std::string flipped = whole;
            for (int n = 0; n < 20; ++n)
            {
                random = random * 1664525u + 1013904223u;
                flipped[(random >> 8) % flipped.size()] ^= static_cast<char>(1 + (random & 0x7F));
            }
            damaged.push_back(flipped);
        }
        for (size_t i = 0; i < damaged.size(); ++i)
        {
            auto pDecoder =
                CBassDecoder::Open(Write("damaged" + path.substr(path.rfind('.')), damaged[i]));
            if (!pDecoder)
                continue; // refused: as good as reading what is there
            EXPECT_LE(pDecoder->GetFrames(), int64_t{200000}) << path << " #" << i;
            const std::vector<float> all = ReadAll(*pDecoder);
            EXPECT_LE(static_cast<int64_t>(all.size()),
                      pDecoder->GetFrames() * pDecoder->GetChannels());
            pDecoder->Seek(pDecoder->GetFrames() / 2);
        }
    }
    EXPECT_EQ(CBassFfmpegDecoder::Open(m_Dir.Path().string()), nullptr);
    EXPECT_EQ(CBassFfmpegDecoder::Open(Write("text.mp3", std::string(3000, 'x'))), nullptr);
    // A playlist naming another file is not followed.
    Write("list.m3u8", "#EXTM3U\n#EXTINF:1,\n" + source + "\n");
    EXPECT_EQ(CBassFfmpegDecoder::Open(Path("list.m3u8")), nullptr);
}
