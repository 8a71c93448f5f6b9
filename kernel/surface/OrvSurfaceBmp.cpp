#include "surface/OrvSurface.h"

#include "core/OrvSniffer.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace
{
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;

struct CFileCloser
{
    void operator()(std::FILE* pFile) const { std::fclose(pFile); }
};
using FilePtr = std::unique_ptr<std::FILE, CFileCloser>;

uint32_t ReadU32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint16_t ReadU16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

// The fields of the two headers that the loader uses.
struct SBmpHeader
{
    uint16_t signature = 0;
    uint32_t dataOffset = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
};

SBmpHeader ParseHeader(const uint8_t* p)
{
    SBmpHeader header;
    header.signature = ReadU16(p);
    header.dataOffset = ReadU32(p + 10);
    const uint8_t* pInfo = p + kFileHeaderSize;
    header.width = static_cast<int32_t>(ReadU32(pInfo + 4));
    header.height = static_cast<int32_t>(ReadU32(pInfo + 8));
    header.bitCount = ReadU16(pInfo + 14);
    header.compression = ReadU32(pInfo + 16);
    return header;
}

int64_t FileSize(std::FILE* pFile)
{
    if (std::fseek(pFile, 0, SEEK_END) != 0)
        return -1;
    const long size = std::ftell(pFile);
    return size < 0 ? -1 : size;
}

int Fail(const char* pMessage, int iCode)
{
    SnifferMessage(pMessage);
    return iCode;
}

// Reads the pixel rows into a top-row-first buffer; false when the file is short.
bool ReadRows(std::FILE* pFile, const SBmpHeader& header, int iHeight, std::vector<uint8_t>& buffer)
{
    const size_t rowBytes = size_t(header.width) * 3;
    if (std::fseek(pFile, long(header.dataOffset), SEEK_SET) != 0)
        return false;
    if (header.height < 0)
        return std::fread(buffer.data(), 1, buffer.size(), pFile) == buffer.size();
    for (int row = iHeight - 1; row >= 0; --row)
        if (std::fread(buffer.data() + size_t(row) * rowBytes, 1, rowBytes, pFile) != rowBytes)
            return false;
    return true;
}
} // namespace

// Loads an uncompressed 24-bit BMP whose width is a multiple of 4 (rows need no padding).
// Every failure is logged and returns its code with the surface left as it was.
int ORV_Surface::LoadBMP(const char* pName)
{
    ORV_SnifferBlock block("ORV_Surface::LoadBMP");
    FilePtr file(pName ? std::fopen(pName, "rb") : nullptr);
    if (!file)
        return Fail("fichier non trouv\xE9!", 1);

    uint8_t headerBytes[kFileHeaderSize + kInfoHeaderSize] = {};
    const size_t got = std::fread(headerBytes, 1, sizeof(headerBytes), file.get());
    const SBmpHeader header = ParseHeader(headerBytes);
    if (got < 2 || header.signature != 0x4D42)
        return Fail("fichier non bmp!", 2);
    if (got < sizeof(headerBytes))
        return Fail("fichier BMP corrompu!", 6);
    if (header.bitCount != 24)
        return Fail("BMP pas 24 Bits", 3);
    if (header.width % 4 != 0)
        return Fail("Pas multiple de 4", 4);
    const int64_t height = std::llabs(int64_t(header.height));
    if (header.compression != 0)
        return Fail("Compression non support\xE9"
                    "e",
                    5);

    // Sizes must be positive, and the pixels must fit in memory and in the file.
    if (header.width <= 0 || height <= 0 || height > INT32_MAX ||
        int64_t(header.width) * height > (int64_t(1) << 28))
        return Fail("fichier BMP corrompu!", 6);
    const int64_t dataBytes = int64_t(header.width) * height * 3;
    if (int64_t(header.dataOffset) + dataBytes > FileSize(file.get()))
        return Fail("fichier BMP corrompu!", 6);

    std::vector<uint8_t> buffer(static_cast<size_t>(dataBytes));
    if (!ReadRows(file.get(), header, int(height), buffer))
        return Fail("fichier BMP corrompu!", 6);

    SnifferMessage("Chargement surface BMP : OK");
    Allocate(header.width, int(height));
    BMP_24to32(buffer.data(), PixelCount());
    return 0;
}

void ORV_Surface::BMP_24to32(const uint8_t* pSource, int iCount)
{
    for (int i = 0; i < iCount; ++i, pSource += 3)
        m_pPixels[i] =
            uint32_t(pSource[0]) | (uint32_t(pSource[1]) << 8) | (uint32_t(pSource[2]) << 16);
}
