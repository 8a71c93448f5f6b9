#pragma once

// Which FFmpeg encoder stands behind a video compressor: the host's choice by name, the
// default when it made none, and the four-character codes the AVI file records.
#include "vfw.h"

#include <string>

namespace orv_avi
{

// The encoder name used when the host chose none: the first of a list of high-quality
// encoders that this FFmpeg build has.
std::string GetDefaultCompressor();
// The host's current choice (the default until it chooses).
std::string GetCompressor();
// Sets the choice; false, leaving it unchanged, when FFmpeg has no such video encoder.
bool SetCompressor(const char* szEncoder);
// The AVI four-character code of an encoder's codec (0 when AVI has none).
DWORD GetCompressorFourCC(const std::string& strEncoder);
// The encoder for a four-character code (looked up in FFmpeg's table of AVI codec tags):
// the current choice when it has that code, otherwise FFmpeg's usual encoder for it, or the
// nearest codec FFmpeg writes when it writes none of that one ("MPG4", Microsoft MPEG-4
// version 1, gives "msmpeg4v2"); empty when there is none. What a file records is the code
// of the encoder used (GetCompressorFourCC), never the one asked for.
std::string FindCompressorForFourCC(DWORD dwFourCC);

} // namespace orv_avi
