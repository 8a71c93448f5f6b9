#include "OrvTestMedia.h"

#include "OrvTempDir.h"
#include "OrvPi.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace orv::test
{

std::vector<uint8_t> MakeFrame(int iWidth, int iHeight, int iFrame)
{
    std::vector<uint8_t> bits(static_cast<size_t>(iWidth) * iHeight * 3);
    uint8_t level = static_cast<uint8_t>((iFrame * 7) % 256);
    for (int y = 0; y < iHeight; ++y)
    {
        // Stored rows run bottom-up: stored row 0 is the bottom of the picture.
        bool bBottom = y < iHeight / 4;
        bool bTop = y >= iHeight - iHeight / 4;
        for (int x = 0; x < iWidth; ++x)
        {
            uint8_t* p = &bits[(static_cast<size_t>(y) * iWidth + x) * 3];
            p[0] = bBottom ? 255 : bTop ? 0 : level; // blue
            p[1] = bBottom || bTop ? 0 : level;      // green
            p[2] = bTop ? 255 : bBottom ? 0 : level; // red
        }
    }
    return bits;
}

ToneFunction Sine(double hz, int rate, float amplitude)
{
    return [=](int64_t i, int)
    { return amplitude * static_cast<float>(std::sin(2.0 * orv::dPi * hz * i / rate)); };
}

std::string TempPath(const std::string& name)
{
    const auto* pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string test = pInfo ? pInfo->name() : "x";
    std::replace(test.begin(), test.end(), '/', '_');
    return (OrvTempRoot() / (test + "_" + name)).string();
}

std::string WriteTone(const std::string& name, int format, int rate, int channels, int64_t frames,
                      const ToneFunction& tone)
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

std::string WriteBytes(const std::string& name, const std::string& bytes)
{
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::vector<int16_t> WriteWave(const std::string& sPath, int iRate, int iFrames)
{
    std::vector<int16_t> samples(static_cast<size_t>(iFrames) * 2);
    for (int i = 0; i < iFrames; ++i)
    {
        double t = static_cast<double>(i) / iRate;
        samples[2 * i] = static_cast<int16_t>(12000 * std::sin(2 * orv::dPi * (220 + 200 * t) * t));
        samples[2 * i + 1] = static_cast<int16_t>(8000 * std::sin(2 * orv::dPi * 330 * t));
    }
    SF_INFO info{};
    info.samplerate = iRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* pFile = sf_open(sPath.c_str(), SFM_WRITE, &info);
    EXPECT_NE(pFile, nullptr) << sf_strerror(nullptr);
    if (pFile)
    {
        sf_writef_short(pFile, samples.data(), iFrames);
        sf_close(pFile);
    }
    return samples;
}

std::vector<SProbedStream> Probe(const std::string& sPath)
{
    std::string sCommand = "ffprobe -v error -count_frames -show_entries "
                           "stream=codec_type,codec_name,nb_read_frames,r_frame_rate,"
                           "sample_rate,nb_frames,codec_tag_string,width,height,pix_fmt -of "
                           "default=noprint_wrappers=1 '" +
                           sPath + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(sCommand.c_str(), "r"), pclose);
    std::vector<SProbedStream> streams;
    if (!pipe)
    {
        return streams;
    }
    char szLine[512];
    while (std::fgets(szLine, sizeof(szLine), pipe.get()) != nullptr)
    {
        std::string sLine(szLine);
        while (!sLine.empty() && (sLine.back() == '\n' || sLine.back() == '\r'))
        {
            sLine.pop_back();
        }
        size_t iEq = sLine.find('=');
        if (iEq == std::string::npos)
        {
            continue;
        }
        std::string sKey = sLine.substr(0, iEq);
        std::string sValue = sLine.substr(iEq + 1);
        if (sKey == "codec_name")
        {
            streams.emplace_back();
            streams.back().sCodec = sValue;
            continue;
        }
        if (streams.empty())
        {
            continue;
        }
        SProbedStream& stream = streams.back();
        if (sKey == "codec_type")
        {
            stream.sType = sValue;
        }
        else if (sKey == "r_frame_rate")
        {
            stream.sRate = sValue;
        }
        else if (sKey == "nb_read_frames")
        {
            stream.lFrames = std::atol(sValue.c_str());
        }
        else if (sKey == "sample_rate")
        {
            stream.lSampleRate = std::atol(sValue.c_str());
        }
        else if (sKey == "nb_frames")
        {
            stream.lStored = std::atol(sValue.c_str());
        }
        else if (sKey == "codec_tag_string")
        {
            stream.sTag = sValue;
        }
        else if (sKey == "pix_fmt")
        {
            stream.sPixels = sValue;
        }
        else if (sKey == "width")
        {
            stream.iWidth = std::atoi(sValue.c_str());
        }
        else if (sKey == "height")
        {
            stream.iHeight = std::atoi(sValue.c_str());
        }
    }
    return streams;
}

} // namespace orv::test
