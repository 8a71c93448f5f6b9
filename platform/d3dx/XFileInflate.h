#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The body of a compressed ".x" file ("tzip" or "bzip"): a 32-bit size of the whole
// uncompressed file, then blocks of at most 32 KiB, each a 16-bit uncompressed size, a
// 16-bit compressed size, the signature "CK" and a raw deflate stream that may refer back
// to the previous blocks' output. Gives the uncompressed body (what follows the header),
// refusing more than uMaxBytes.
bool OrvInflateXFileBody(const unsigned char* pData, size_t uSize, size_t uMaxBytes,
                         std::vector<unsigned char>& body, std::string& sError);
