#pragma once

// Media files for the audio, capture and player tests: generated tones and frames, and what
// ffprobe says about a file.
#include <gtest/gtest.h>
#include <sndfile.h> // the formats WriteTone takes

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv::test
{

// Sample value of channel c at frame i.
using ToneFunction = std::function<float(int64_t i, int c)>;
ToneFunction Sine(double hz, int rate, float amplitude = 0.5f);

// A fresh path in the test program's temporary folder (see OrvTempDir.h), named after the
// running test.
std::string TempPath(const std::string& name);

// Writes frames frames of the tone to TempPath(name); format is a libsndfile major|minor
// format, for example SF_FORMAT_WAV | SF_FORMAT_PCM_16 or SF_FORMAT_MPEG |
// SF_FORMAT_MPEG_LAYER_III.
std::string WriteTone(const std::string& name, int format, int rate, int channels, int64_t frames,
                      const ToneFunction& tone);
// Writes the bytes to TempPath(name).
std::string WriteBytes(const std::string& name, const std::string& bytes);

// Writes a 16-bit stereo PCM wave file of a sine sweep; returns its samples.
std::vector<int16_t> WriteWave(const std::string& sPath, int iRate, int iFrames);

// A 24-bit bottom-up frame whose colours tell the frame number and which way is up:
// the top rows are red, the bottom rows blue, the rest grey at level (frame * 7) % 256.
std::vector<uint8_t> MakeFrame(int iWidth, int iHeight, int iFrame);

struct SProbedStream
{
    std::string sType;    // "video" or "audio"
    std::string sCodec;   // FFmpeg's codec name
    long lFrames = 0;     // counted by decoding
    std::string sRate;    // video: frame rate as "num/den"
    long lSampleRate = 0; // audio
    long lStored = 0;     // samples the container says it holds
    std::string sTag;     // the four-character code the file gives the codec
    int iWidth = 0;       // video
    int iHeight = 0;
    std::string sPixels; // video: the pixel format FFmpeg decodes to
};

// The streams of a media file as ffprobe reads them (empty when it cannot).
std::vector<SProbedStream> Probe(const std::string& sPath);

} // namespace orv::test
