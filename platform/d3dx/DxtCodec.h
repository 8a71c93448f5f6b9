#pragma once

// S3TC (DXT1 to DXT5) blocks to and from 8-bit RGBA pixels. Each block holds 4 x 4 pixels;
// rgba points at 16 pixels, row after row, 4 bytes (R, G, B, A) each.
#include <cstdint>

enum class EOrvDxt
{
    DXT1, // colour with 1-bit alpha, 8 bytes
    DXT3, // explicit 4-bit alpha, then colour, 16 bytes
    DXT5  // interpolated alpha, then colour, 16 bytes
};

namespace orv::dxt
{
constexpr unsigned BlockBytes(EOrvDxt eKind)
{
    return eKind == EOrvDxt::DXT1 ? 8u : 16u;
}

void DecodeBlock(EOrvDxt eKind, const uint8_t* pBlock, uint8_t* pRgba);
// Pixels with alpha below 128 become DXT1's transparent black.
void EncodeBlock(EOrvDxt eKind, const uint8_t* pRgba, uint8_t* pBlock);
} // namespace orv::dxt
