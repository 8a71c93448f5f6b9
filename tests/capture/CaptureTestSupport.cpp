#include "CaptureTestSupport.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace orv_test
{

CScratchDir::CScratchDir()
{
    std::string strTemplate = (std::filesystem::temp_directory_path() / "orvcapXXXXXX").string();
    std::vector<char> name(strTemplate.begin(), strTemplate.end());
    name.push_back('\0');
    char* szDir = mkdtemp(name.data());
    m_strDir = szDir != nullptr ? szDir : "/tmp";
}

CScratchDir::~CScratchDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_strDir, ec);
}

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

namespace
{

void PutLe(std::ofstream& file, uint32_t uValue, int iBytes)
{
    for (int i = 0; i < iBytes; ++i)
    {
        file.put(static_cast<char>((uValue >> (8 * i)) & 0xff));
    }
}

} // namespace

std::vector<int16_t> WriteWave(const std::string& strPath, int iRate, int iFrames)
{
    std::vector<int16_t> samples(static_cast<size_t>(iFrames) * 2);
    for (int i = 0; i < iFrames; ++i)
    {
        double t = static_cast<double>(i) / iRate;
        samples[2 * i] = static_cast<int16_t>(12000 * std::sin(2 * M_PI * (220 + 200 * t) * t));
        samples[2 * i + 1] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 330 * t));
    }
    std::ofstream file(strPath, std::ios::binary);
    uint32_t cbData = static_cast<uint32_t>(samples.size() * 2);
    file.write("RIFF", 4);
    PutLe(file, 36 + cbData, 4);
    file.write("WAVEfmt ", 8);
    PutLe(file, 16, 4);
    PutLe(file, 1, 2);
    PutLe(file, 2, 2);
    PutLe(file, static_cast<uint32_t>(iRate), 4);
    PutLe(file, static_cast<uint32_t>(iRate) * 4, 4);
    PutLe(file, 4, 2);
    PutLe(file, 16, 2);
    file.write("data", 4);
    PutLe(file, cbData, 4);
    file.write(reinterpret_cast<const char*>(samples.data()), cbData);
    return samples;
}

std::vector<SProbedStream> Probe(const std::string& strPath)
{
    std::string strCommand = "ffprobe -v error -count_frames -show_entries "
                             "stream=codec_type,codec_name,nb_read_frames,r_frame_rate,"
                             "sample_rate,nb_frames,codec_tag_string,width,height,pix_fmt -of "
                             "default=noprint_wrappers=1 '" +
                             strPath + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(strCommand.c_str(), "r"), pclose);
    std::vector<SProbedStream> streams;
    if (!pipe)
    {
        return streams;
    }
    char szLine[512];
    while (std::fgets(szLine, sizeof(szLine), pipe.get()) != nullptr)
    {
        std::string strLine(szLine);
        while (!strLine.empty() && (strLine.back() == '\n' || strLine.back() == '\r'))
        {
            strLine.pop_back();
        }
        size_t iEq = strLine.find('=');
        if (iEq == std::string::npos)
        {
            continue;
        }
        std::string strKey = strLine.substr(0, iEq);
        std::string strValue = strLine.substr(iEq + 1);
        if (strKey == "codec_name")
        {
            streams.emplace_back();
            streams.back().strCodec = strValue;
            continue;
        }
        if (streams.empty())
        {
            continue;
        }
        SProbedStream& stream = streams.back();
        if (strKey == "codec_type")
        {
            stream.strType = strValue;
        }
        else if (strKey == "r_frame_rate")
        {
            stream.strRate = strValue;
        }
        else if (strKey == "nb_read_frames")
        {
            stream.lFrames = std::atol(strValue.c_str());
        }
        else if (strKey == "sample_rate")
        {
            stream.lSampleRate = std::atol(strValue.c_str());
        }
        else if (strKey == "nb_frames")
        {
            stream.lStored = std::atol(strValue.c_str());
        }
        else if (strKey == "codec_tag_string")
        {
            stream.strTag = strValue;
        }
        else if (strKey == "pix_fmt")
        {
            stream.strPixels = strValue;
        }
        else if (strKey == "width")
        {
            stream.iWidth = std::atoi(strValue.c_str());
        }
        else if (strKey == "height")
        {
            stream.iHeight = std::atoi(strValue.c_str());
        }
    }
    return streams;
}

} // namespace orv_test
