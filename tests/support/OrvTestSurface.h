#pragma once

#include "OrvKernel.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace orv::test::surface
{
inline uint32_t& At(ORV_Surface& surface, int x, int y)
{
    return surface.GetPixels()[x + y * surface.GetWidth()];
}

inline void Fill(ORV_Surface& surface, uint32_t pixel)
{
    for (int i = 0; i < surface.GetWidth() * surface.GetHeight(); ++i)
        surface.GetPixels()[i] = pixel;
}

inline void FillRandom(ORV_Surface& surface, uint32_t seed, uint32_t mask = 0xFFFFFFFF)
{
    std::mt19937 random(seed);
    for (int i = 0; i < surface.GetWidth() * surface.GetHeight(); ++i)
        surface.GetPixels()[i] = random() & mask;
}

inline std::vector<uint32_t> Snapshot(const ORV_Surface& surface)
{
    return {surface.GetPixels(), surface.GetPixels() + surface.GetWidth() * surface.GetHeight()};
}

// A 24-bit BMP in memory: headers plus rows as given (no padding is added).
inline std::vector<uint8_t> MakeBmp(int width, int height, const std::vector<uint8_t>& rows,
                                    uint16_t bitCount = 24, uint32_t compression = 0,
                                    uint32_t dataOffset = 54)
{
    std::vector<uint8_t> file(54 + rows.size(), 0);
    auto put32 = [&](size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            file[at + i] = uint8_t(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, uint32_t(54 + rows.size()));
    put32(10, dataOffset);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    file[26] = 1;
    file[28] = uint8_t(bitCount);
    file[29] = uint8_t(bitCount >> 8);
    put32(30, compression);
    for (size_t i = 0; i < rows.size(); ++i)
        file[54 + i] = rows[i];
    return file;
}
} // namespace orv::test::surface
