#pragma once

// Which FFmpeg encoder stands behind a video compressor: the host's choice by name, the
// default when it made none, and the four-character codes the AVI file records.
#include "vfw.h"

#include <string>

namespace orv::avi
{

// The encoder name used when the host chose none: the first of a list of high-quality
// encoders that this FFmpeg build has.
std::string GetDefaultCompressor();
// The host's current choice (the default until it chooses).
std::string GetCompressor();
// Sets the choice (null: back to choosing by container); false, leaving it unchanged, when
// FFmpeg has no such video encoder.
bool SetCompressor(const char* szEncoder);
// True once the host chose an encoder by name.
bool IsCompressorChosen();
// The encoder for a file written by the FFmpeg muxer of that name: the host's choice, else
// the container's usual one (H.264 for AVI, MP4 and QuickTime; VP9, else AV1, for Matroska
// and WebM).
std::string GetCompressorForContainer(const std::string& sMuxer);
// Whether the muxer can hold what the encoder makes.
bool ContainerTakes(const std::string& sMuxer, const std::string& sEncoder);
// The quality asked of lossy encoders: a constant-rate-factor number as x264 reads it
// (0 best, 51 worst; about 17 looks like the original), or -1 for each encoder's own.
void SetQuality(int iQuality);
int GetQuality();
// The AVI four-character code of an encoder's codec (0 when AVI has none).
DWORD GetCompressorFourCC(const std::string& sEncoder);
// The encoder for a four-character code (looked up in FFmpeg's table of AVI codec tags):
// the current choice when it has that code, otherwise FFmpeg's usual encoder for it, or the
// nearest codec FFmpeg writes when it writes none of that one ("MPG4", Microsoft MPEG-4
// version 1, gives "msmpeg4v2"); empty when there is none. What a file records is the code
// of the encoder used (GetCompressorFourCC), never the one asked for.
std::string FindCompressorForFourCC(DWORD dwFourCC);
// The same, preferring sPreferred (the encoder chosen for the file) when it has that code.
std::string FindCompressorForFourCC(DWORD dwFourCC, const std::string& sPreferred);

} // namespace orv::avi
