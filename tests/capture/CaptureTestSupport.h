#pragma once

// Helpers of the capture tests: scratch folders, generated frames and sounds, and
// what ffprobe says about a file.
#include <cstdint>
#include <string>
#include <vector>

namespace orv_test
{

// A fresh folder under the system's temporary directory, removed by the destructor.
class CScratchDir
{
public:
    CScratchDir();
    ~CScratchDir();
    std::string Path(const std::string& strName) const { return m_strDir + "/" + strName; }

private:
    std::string m_strDir;
};

// A 24-bit bottom-up frame whose colours tell the frame number and which way is up:
// the top rows are red, the bottom rows blue, the rest grey at level (frame * 7) % 256.
std::vector<uint8_t> MakeFrame(int iWidth, int iHeight, int iFrame);

// Writes a 16-bit stereo PCM wave file of a sine sweep; returns its samples.
std::vector<int16_t> WriteWave(const std::string& strPath, int iRate, int iFrames);

struct SProbedStream
{
    std::string strType;  // "video" or "audio"
    std::string strCodec; // FFmpeg's codec name
    long lFrames = 0;     // counted by decoding
    std::string strRate;  // video: frame rate as "num/den"
    long lSampleRate = 0; // audio
    long lStored = 0;     // samples the container says it holds
    std::string strTag;   // the four-character code the file gives the codec
    int iWidth = 0;       // video
    int iHeight = 0;
    std::string strPixels; // video: the pixel format FFmpeg decodes to
};

// The streams of a media file as ffprobe reads them (empty when it cannot).
std::vector<SProbedStream> Probe(const std::string& strPath);

} // namespace orv_test
