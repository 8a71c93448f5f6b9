#pragma once

// The Direct3D formats images are read from and textures are written in, as memory lays
// them out, converted to and from 8-bit RGBA pixels. Covers the formats a DDS file can hold
// in Direct3D 9 (bit-mask colour, luminance and alpha formats, 16- and 32-bit floats,
// 8-bit palettes, DXT1 to DXT5) and the RGBA byte order decoders give (D3DFMT_A8B8G8R8).
#include "d3d9.h"
#include "d3dx9tex.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv::pixels
{
// False for formats images cannot be held in (depth, YUV, signed bump-map formats).
bool IsKnown(D3DFORMAT eFormat);
bool IsCompressed(D3DFORMAT eFormat);
// Whether the format stores alpha.
bool HasAlpha(D3DFORMAT eFormat);
// Whether pixels can be written in the format (all known formats but palettes).
bool CanEncode(D3DFORMAT eFormat);

// Bytes per pixel, or 0 for block formats.
UINT BytesPerPixel(D3DFORMAT eFormat);
// Bytes of a row of pixels, or of a row of 4 x 4 blocks.
size_t RowPitch(D3DFORMAT eFormat, UINT uWidth);
// Rows of pixels, or of blocks.
UINT RowCount(D3DFORMAT eFormat, UINT uHeight);
// Bytes of a whole image of that size, tightly packed; 0 when it would overflow.
size_t ImageSize(D3DFORMAT eFormat, UINT uWidth, UINT uHeight);

// Finds the format of a bit layout (DDS pixel formats): flags from the DDS header
// (bAlphaOnly, bLuminance), bits per pixel and the four masks. D3DFMT_UNKNOWN when none fits.
D3DFORMAT FromMasks(UINT uBits, uint32_t uRed, uint32_t uGreen, uint32_t uBlue, uint32_t uAlpha,
                    bool bLuminance, bool bAlphaOnly);

// A channel under a bit mask of a pixel, scaled to 0..255 (255 for an empty mask).
uint8_t Channel(uint64_t uPixel, uint64_t uMask);

// Converts tightly packed pixels of a format into RGBA (4 bytes a pixel). pPalette holds
// 256 entries for D3DFMT_P8 (peFlags is the alpha). Channels a format lacks read as Direct3D
// samples them: colour as 1 (as 0 for D3DFMT_A8), alpha as 1; floats are clamped to [0, 1].
void ToRgba(D3DFORMAT eFormat, const uint8_t* pSource, UINT uWidth, UINT uHeight,
            const PALETTEENTRY* pPalette, uint8_t* pRgba);
// Converts RGBA pixels into tightly packed pixels of a format (CanEncode).
void FromRgba(D3DFORMAT eFormat, const uint8_t* pRgba, UINT uWidth, UINT uHeight, uint8_t* pDest);
} // namespace orv::pixels
