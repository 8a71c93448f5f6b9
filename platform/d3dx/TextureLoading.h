#pragma once

// What the D3DX texture loaders of every kind (2D, cube, volume) share: reading the file, the
// formats the device holds for a kind of texture, the device's largest sizes, and copying
// packed levels into locked memory.
#include "ImageFile.h"
#include "TextureLevels.h"

// Formats the device can hold in a texture of a kind; without a Direct3D object to ask, only
// the two 32-bit colour formats.
COrvTextureLevels::CanStore OrvStorableFormats(IDirect3DDevice9* pDevice, D3DRESOURCETYPE eType);

// The format an empty texture of D3DX gets: the one asked for where the device holds it,
// else D3DFMT_A8R8G8B8 (D3DFMT_X8R8G8B8 for formats without alpha).
D3DFORMAT OrvChooseFormat(IDirect3DDevice9* pDevice, D3DRESOURCETYPE eType, D3DFORMAT eFormat);

// A size of an empty texture: 256 for 0 or D3DX_DEFAULT, at most uLargest.
UINT OrvChooseSize(UINT uSize, UINT uLargest);

// Reads an image file: S_OK, D3DERR_NOTFOUND, D3DXERR_INVALIDDATA (unreadable, empty or
// too large) or E_OUTOFMEMORY.
HRESULT OrvReadImageFile(LPCSTR pSrcFile, std::vector<uint8_t>& rauData);

// Copies one slice of a tightly packed level (rows, or rows of 4 x 4 blocks) into locked
// memory of another pitch.
void OrvCopyRows(const SOrvImageLevel& rLevel, UINT uSlice, D3DFORMAT eFormat, void* pDest,
                 size_t uPitch);
