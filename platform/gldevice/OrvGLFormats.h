#pragma once

// How each Direct3D format is stored in OpenGL, and the conversions between the locked
// memory layout a Direct3D user sees and the layout GL reads and writes.
#include "d3d9.h"

#include <epoxy/gl.h>

struct SOrvGLFormat
{
    D3DFORMAT m_eFormat;
    GLenum m_eInternal; // texture internal format (0: not a GL texture format)
    GLenum m_eFormatGL; // pixel transfer format matching the D3D memory layout
    GLenum m_eType;     // pixel transfer type
    UINT m_uBytesPerPixel;
    GLint m_aiSwizzle[4]; // texture swizzle giving D3D's sampled values
    bool m_bRenderable;   // usable as a render target
    bool m_bDepth;        // depth(-stencil) format
    bool m_bNoAlpha;      // X formats: alpha reads as one
    UINT m_uBlockBytes;   // compressed formats: bytes per 4 x 4 block (0: not compressed)
};

// Null for formats we do not store.
const SOrvGLFormat* OrvFindGLFormat(D3DFORMAT eFormat);

// Bytes of one row of a level: a row of pixels, or of 4 x 4 blocks for compressed formats.
inline UINT OrvRowPitch(const SOrvGLFormat& rFormat, UINT uWidth)
{
    if (rFormat.m_uBlockBytes)
        return rFormat.m_uBlockBytes * ((uWidth + 3) / 4);
    return rFormat.m_uBytesPerPixel * uWidth;
}

// Rows of a level as its memory holds them (rows of blocks for compressed formats).
inline UINT OrvRowCount(const SOrvGLFormat& rFormat, UINT uHeight)
{
    return rFormat.m_uBlockBytes ? (uHeight + 3) / 4 : uHeight;
}

// Bytes of a whole level.
inline size_t OrvLevelSize(const SOrvGLFormat& rFormat, UINT uWidth, UINT uHeight)
{
    return (size_t)OrvRowPitch(rFormat, uWidth) * OrvRowCount(rFormat, uHeight);
}

// Read-backs of X formats (X8R8G8B8, X8B8G8R8) hold whatever GL kept in the unused byte:
// Direct3D's locks see 0xFF there.
inline void OrvFillUnusedAlpha(const SOrvGLFormat& rFormat, BYTE* pPixels, size_t uSize)
{
    if (rFormat.m_bNoAlpha && rFormat.m_uBytesPerPixel == 4 && rFormat.m_eType == GL_UNSIGNED_BYTE)
        for (size_t i = 3; i < uSize; i += 4)
            pPixels[i] = 0xFF;
}

// Converts rows read from GL as GL_RGBA/GL_UNSIGNED_BYTE into the D3D layout of a
// 32-bit colour format (A8R8G8B8, X8R8G8B8, A8B8G8R8, X8B8G8R8) in place; forces alpha
// to 0xFF for X formats.
void OrvConvertRGBA8ToFormat(BYTE* pPixels, UINT uPixelCount, D3DFORMAT eFormat);
