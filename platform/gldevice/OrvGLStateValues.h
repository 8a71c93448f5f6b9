#pragma once

// How Direct3D 9 state values become OpenGL's: the enumeration tables, and the render states
// that hold a float or a colour in their DWORD.
#include "d3d9.h"

#include <epoxy/gl.h>

#include <cstdint>
#include <cstring>

// A render state that holds a float (point size, fog range...) in its DWORD's bits.
inline float OrvStateAsFloat(DWORD dwValue)
{
    float fValue;
    std::memcpy(&fValue, &dwValue, sizeof(fValue));
    return fValue;
}

// A D3DCOLOR (A8R8G8B8) as red, green, blue and alpha in [0, 1].
inline void OrvColorToFloats(D3DCOLOR color, float* pfOut)
{
    pfOut[0] = ((color >> 16) & 0xFF) / 255.f;
    pfOut[1] = ((color >> 8) & 0xFF) / 255.f;
    pfOut[2] = (color & 0xFF) / 255.f;
    pfOut[3] = ((color >> 24) & 0xFF) / 255.f;
}

// The GL mode of a primitive type and how many vertices uCount primitives take; false for
// a type GL has no mode for.
bool OrvGLPrimitive(D3DPRIMITIVETYPE eType, UINT uCount, GLenum& reMode, uint64_t& ruVertices);
GLenum OrvGLBlendFactor(DWORD dwBlend);
// Source and destination factors of a pair, with the two "both" modes that set both.
void OrvGLBlendPair(DWORD dwSrc, DWORD dwDst, GLenum& reSrc, GLenum& reDst);
GLenum OrvGLBlendOp(DWORD dwOp);
GLenum OrvGLCompareFunc(DWORD dwFunc);
GLenum OrvGLStencilOp(DWORD dwOp);
GLint OrvGLAddressMode(DWORD dwMode);
// The minifying filter of a minifying and a mip filter.
GLint OrvGLMinFilter(DWORD dwMin, DWORD dwMip);
