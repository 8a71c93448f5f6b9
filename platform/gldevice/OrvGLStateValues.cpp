// The Direct3D 9 enumerations of render, sampler and draw states as OpenGL's.
#include "OrvGLStateValues.h"

bool OrvGLPrimitive(D3DPRIMITIVETYPE eType, UINT uCount, GLenum& reMode, uint64_t& ruVertices)
{
    const uint64_t n = uCount;
    switch (eType)
    {
    case D3DPT_POINTLIST:
        reMode = GL_POINTS;
        ruVertices = n;
        return true;
    case D3DPT_LINELIST:
        reMode = GL_LINES;
        ruVertices = 2 * n;
        return true;
    case D3DPT_LINESTRIP:
        reMode = GL_LINE_STRIP;
        ruVertices = n + 1;
        return true;
    case D3DPT_TRIANGLELIST:
        reMode = GL_TRIANGLES;
        ruVertices = 3 * n;
        return true;
    case D3DPT_TRIANGLESTRIP:
        reMode = GL_TRIANGLE_STRIP;
        ruVertices = n + 2;
        return true;
    case D3DPT_TRIANGLEFAN:
        reMode = GL_TRIANGLE_FAN;
        ruVertices = n + 2;
        return true;
    default:
        return false;
    }
}

GLenum OrvGLBlendFactor(DWORD dwBlend)
{
    switch (dwBlend)
    {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_ONE:
        return GL_ONE;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR:
        return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR:
        return GL_ONE_MINUS_CONSTANT_COLOR;
    case D3DBLEND_SRCCOLOR2:
        return GL_SRC1_COLOR;
    case D3DBLEND_INVSRCCOLOR2:
        return GL_ONE_MINUS_SRC1_COLOR;
    default:
        return GL_ONE;
    }
}

// Source and destination factors of a pair, with the two "both" modes that set both.
void OrvGLBlendPair(DWORD dwSrc, DWORD dwDst, GLenum& reSrc, GLenum& reDst)
{
    if (dwSrc == D3DBLEND_BOTHSRCALPHA)
    {
        reSrc = GL_SRC_ALPHA;
        reDst = GL_ONE_MINUS_SRC_ALPHA;
        return;
    }
    if (dwSrc == D3DBLEND_BOTHINVSRCALPHA)
    {
        reSrc = GL_ONE_MINUS_SRC_ALPHA;
        reDst = GL_SRC_ALPHA;
        return;
    }
    reSrc = OrvGLBlendFactor(dwSrc);
    reDst = OrvGLBlendFactor(dwDst);
}

GLenum OrvGLBlendOp(DWORD dwOp)
{
    switch (dwOp)
    {
    case D3DBLENDOP_SUBTRACT:
        return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
        return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
        return GL_MIN;
    case D3DBLENDOP_MAX:
        return GL_MAX;
    default:
        return GL_FUNC_ADD;
    }
}

GLenum OrvGLCompareFunc(DWORD dwFunc)
{
    switch (dwFunc)
    {
    case D3DCMP_NEVER:
        return GL_NEVER;
    case D3DCMP_LESS:
        return GL_LESS;
    case D3DCMP_EQUAL:
        return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
        return GL_LEQUAL;
    case D3DCMP_GREATER:
        return GL_GREATER;
    case D3DCMP_NOTEQUAL:
        return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

GLenum OrvGLStencilOp(DWORD dwOp)
{
    switch (dwOp)
    {
    case D3DSTENCILOP_ZERO:
        return GL_ZERO;
    case D3DSTENCILOP_REPLACE:
        return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT:
        return GL_INCR;
    case D3DSTENCILOP_DECRSAT:
        return GL_DECR;
    case D3DSTENCILOP_INVERT:
        return GL_INVERT;
    case D3DSTENCILOP_INCR:
        return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR:
        return GL_DECR_WRAP;
    default:
        return GL_KEEP;
    }
}

GLint OrvGLAddressMode(DWORD dwMode)
{
    switch (dwMode)
    {
    case D3DTADDRESS_MIRROR:
    case D3DTADDRESS_MIRRORONCE:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return GL_CLAMP_TO_BORDER;
    default:
        return GL_REPEAT;
    }
}

GLint OrvGLMinFilter(DWORD dwMin, DWORD dwMip)
{
    const bool bLinear = dwMin != D3DTEXF_POINT && dwMin != D3DTEXF_NONE;
    if (dwMip == D3DTEXF_POINT)
        return bLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    if (dwMip == D3DTEXF_LINEAR || dwMip == D3DTEXF_ANISOTROPIC)
        return bLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    return bLinear ? GL_LINEAR : GL_NEAREST;
}
