#include "OrvGLFormats.h"

namespace
{

#define ORV_FMT(fmt, internal, glfmt, type, bpp, r, g, b, a, rt, depth, noalpha)                   \
    SOrvGLFormat                                                                                   \
    {                                                                                              \
        fmt, internal, glfmt, type, bpp, {r, g, b, a}, rt, depth, noalpha, 0                       \
    }
// S3TC blocks, kept compressed in GL. DXT2 and DXT4 hold colours premultiplied by alpha, which
// is how they are sampled too: their blocks are those of DXT3 and DXT5.
#define ORV_DXT(fmt, internal, blockbytes)                                                         \
    SOrvGLFormat                                                                                   \
    {                                                                                              \
        fmt, internal, 0, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, false, false, false,        \
            blockbytes                                                                             \
    }

const SOrvGLFormat g_aFormats[] = {
    ORV_FMT(D3DFMT_A8R8G8B8, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, GL_RED, GL_GREEN, GL_BLUE,
            GL_ALPHA, true, false, false),
    ORV_FMT(D3DFMT_X8R8G8B8, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, GL_RED, GL_GREEN, GL_BLUE,
            GL_ONE, true, false, true),
    ORV_FMT(D3DFMT_A8B8G8R8, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, GL_RED, GL_GREEN, GL_BLUE,
            GL_ALPHA, true, false, false),
    ORV_FMT(D3DFMT_X8B8G8R8, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, GL_RED, GL_GREEN, GL_BLUE,
            GL_ONE, true, false, true),
    ORV_FMT(D3DFMT_R5G6B5, GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2, GL_RED, GL_GREEN, GL_BLUE,
            GL_ONE, true, false, true),
    ORV_FMT(D3DFMT_X1R5G5B5, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2, GL_RED,
            GL_GREEN, GL_BLUE, GL_ONE, false, false, true),
    ORV_FMT(D3DFMT_A1R5G5B5, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2, GL_RED,
            GL_GREEN, GL_BLUE, GL_ALPHA, false, false, false),
    ORV_FMT(D3DFMT_A4R4G4B4, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2, GL_RED, GL_GREEN,
            GL_BLUE, GL_ALPHA, false, false, false),
    ORV_FMT(D3DFMT_X4R4G4B4, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2, GL_RED, GL_GREEN,
            GL_BLUE, GL_ONE, false, false, true),
    ORV_FMT(D3DFMT_A2B10G10R10, GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV, 4, GL_RED,
            GL_GREEN, GL_BLUE, GL_ALPHA, true, false, false),
    ORV_FMT(D3DFMT_A2R10G10B10, GL_RGB10_A2, GL_BGRA, GL_UNSIGNED_INT_2_10_10_10_REV, 4, GL_RED,
            GL_GREEN, GL_BLUE, GL_ALPHA, true, false, false),
    ORV_FMT(D3DFMT_G16R16, GL_RG16, GL_RG, GL_UNSIGNED_SHORT, 4, GL_RED, GL_GREEN, GL_ONE, GL_ONE,
            true, false, true),
    ORV_FMT(D3DFMT_A16B16G16R16, GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT, 8, GL_RED, GL_GREEN,
            GL_BLUE, GL_ALPHA, true, false, false),
    ORV_FMT(D3DFMT_A8, GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, GL_ZERO, GL_ZERO, GL_ZERO, GL_RED, false,
            false, false),
    ORV_FMT(D3DFMT_L8, GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, GL_RED, GL_RED, GL_RED, GL_ONE, false,
            false, true),
    ORV_FMT(D3DFMT_A8L8, GL_RG8, GL_RG, GL_UNSIGNED_BYTE, 2, GL_RED, GL_RED, GL_RED, GL_GREEN,
            false, false, false),
    ORV_FMT(D3DFMT_L16, GL_R16, GL_RED, GL_UNSIGNED_SHORT, 2, GL_RED, GL_RED, GL_RED, GL_ONE, false,
            false, true),
    ORV_FMT(D3DFMT_R16F, GL_R16F, GL_RED, GL_HALF_FLOAT, 2, GL_RED, GL_ONE, GL_ONE, GL_ONE, true,
            false, true),
    ORV_FMT(D3DFMT_G16R16F, GL_RG16F, GL_RG, GL_HALF_FLOAT, 4, GL_RED, GL_GREEN, GL_ONE, GL_ONE,
            true, false, true),
    ORV_FMT(D3DFMT_A16B16G16R16F, GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, 8, GL_RED, GL_GREEN, GL_BLUE,
            GL_ALPHA, true, false, false),
    ORV_FMT(D3DFMT_R32F, GL_R32F, GL_RED, GL_FLOAT, 4, GL_RED, GL_ONE, GL_ONE, GL_ONE, true, false,
            true),
    ORV_FMT(D3DFMT_G32R32F, GL_RG32F, GL_RG, GL_FLOAT, 8, GL_RED, GL_GREEN, GL_ONE, GL_ONE, true,
            false, true),
    ORV_FMT(D3DFMT_A32B32G32R32F, GL_RGBA32F, GL_RGBA, GL_FLOAT, 16, GL_RED, GL_GREEN, GL_BLUE,
            GL_ALPHA, true, false, false),
    ORV_FMT(D3DFMT_D16, GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, 2, GL_RED,
            GL_GREEN, GL_BLUE, GL_ALPHA, false, true, false),
    ORV_FMT(D3DFMT_D16_LOCKABLE, GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, 2,
            GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA, false, true, false),
    ORV_FMT(D3DFMT_D24X8, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, 4, GL_RED,
            GL_GREEN, GL_BLUE, GL_ALPHA, false, true, false),
    ORV_FMT(D3DFMT_D24S8, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, 4, GL_RED,
            GL_GREEN, GL_BLUE, GL_ALPHA, false, true, false),
    ORV_FMT(D3DFMT_D24X4S4, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, 4, GL_RED,
            GL_GREEN, GL_BLUE, GL_ALPHA, false, true, false),
    ORV_FMT(D3DFMT_D32, GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT, 4, GL_RED, GL_GREEN,
            GL_BLUE, GL_ALPHA, false, true, false),
    ORV_FMT(D3DFMT_D32F_LOCKABLE, GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT, 4, GL_RED,
            GL_GREEN, GL_BLUE, GL_ALPHA, false, true, false),
    ORV_FMT(D3DFMT_D24FS8, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, 4, GL_RED,
            GL_GREEN, GL_BLUE, GL_ALPHA, false, true, false),
    ORV_DXT(D3DFMT_DXT1, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 8),
    ORV_DXT(D3DFMT_DXT2, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 16),
    ORV_DXT(D3DFMT_DXT3, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 16),
    ORV_DXT(D3DFMT_DXT4, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 16),
    ORV_DXT(D3DFMT_DXT5, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 16),
};
#undef ORV_FMT
#undef ORV_DXT
} // namespace

const SOrvGLFormat* OrvFindGLFormat(D3DFORMAT eFormat)
{
    for (const SOrvGLFormat& rFormat : g_aFormats)
        if (rFormat.m_eFormat == eFormat)
            return &rFormat;
    return nullptr;
}

void OrvConvertRGBA8ToFormat(BYTE* pPixels, UINT uPixelCount, D3DFORMAT eFormat)
{
    const bool bSwapRB = eFormat == D3DFMT_A8R8G8B8 || eFormat == D3DFMT_X8R8G8B8;
    const bool bOpaque = eFormat == D3DFMT_X8R8G8B8 || eFormat == D3DFMT_X8B8G8R8;
    for (UINT i = 0; i < uPixelCount; ++i, pPixels += 4)
    {
        if (bSwapRB)
        {
            const BYTE r = pPixels[0];
            pPixels[0] = pPixels[2];
            pPixels[2] = r;
        }
        if (bOpaque)
            pPixels[3] = 0xFF;
    }
}
