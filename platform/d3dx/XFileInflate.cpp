#include "XFileInflate.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>

namespace
{
constexpr size_t s_uHeaderBytes = 16;
constexpr size_t s_uHistoryBytes = 32768;

uint32_t Read16(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8);
}

uint32_t Read32(const unsigned char* p)
{
    return Read16(p) | (Read16(p + 2) << 16);
}

// Inflates one block of exactly uBytes bytes onto the end of body, with the body so far as
// the history it may copy from. uConsumed receives the compressed bytes the block used.
bool InflateBlock(const unsigned char* pIn, size_t uAvailable, size_t uBytes,
                  std::vector<unsigned char>& body, size_t& uConsumed)
{
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    size_t uHistory = std::min(body.size(), s_uHistoryBytes);
    bool bOk = uHistory == 0 || inflateSetDictionary(&stream, body.data() + body.size() - uHistory,
                                                     uInt(uHistory)) == Z_OK;
    size_t uStart = body.size();
    body.resize(uStart + uBytes);
    stream.next_in = const_cast<Bytef*>(pIn);
    stream.avail_in = uInt(std::min<size_t>(uAvailable, UINT_MAX));
    stream.next_out = body.data() + uStart;
    stream.avail_out = uInt(uBytes);
    bOk = bOk && inflate(&stream, Z_FINISH) == Z_STREAM_END && stream.avail_out == 0;
    uConsumed = stream.total_in;
    inflateEnd(&stream);
    return bOk;
}
} // namespace

bool OrvInflateXFileBody(const unsigned char* pData, size_t uSize, size_t uMaxBytes,
                         std::vector<unsigned char>& body, std::string& sError)
{
    body.clear();
    if (uSize < 4)
    {
        sError = "the compressed file has no size";
        return false;
    }
    size_t uTotal = Read32(pData);
    size_t uPos = 4;
    while (uPos < uSize)
    {
        if (uSize - uPos < 6 || pData[uPos + 4] != 'C' || pData[uPos + 5] != 'K')
        {
            sError = "a compressed block without its signature";
            return false;
        }
        size_t uBytes = Read16(pData + uPos);
        size_t uPacked = Read16(pData + uPos + 2);
        if (uBytes == 0 || body.size() + uBytes > uMaxBytes)
        {
            sError = uBytes == 0 ? "an empty compressed block" : "the mesh file is too large";
            return false;
        }
        size_t uConsumed = 0;
        if (!InflateBlock(pData + uPos + 6, uSize - uPos - 6, uBytes, body, uConsumed))
        {
            sError = "a compressed block does not inflate";
            return false;
        }
        // The block size counts the signature in some writers and not in others; the
        // deflate stream's own end settles it.
        uPos += 4 + std::max(uPacked, 2 + uConsumed);
    }
    // The size normally counts the 16-byte header; a size of the body alone is taken too.
    if (body.size() + s_uHeaderBytes != uTotal && body.size() != uTotal)
    {
        sError = "the compressed data does not have the size the file announces";
        return false;
    }
    return true;
}
