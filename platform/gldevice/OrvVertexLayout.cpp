#include "OrvVertexLayout.h"

#include "GLDeviceInternal.h"

#include <cstring>

namespace
{
void Add(SOrvVertexLayout& rLayout, GLuint uLocation, UINT uStream, UINT uOffset, GLint iSize,
         GLenum eType, bool bNormalized = false, bool bInteger = false)
{
    rLayout.m_aAttribs.push_back({uLocation, uStream, uOffset, iSize, eType,
                                  (GLboolean)(bNormalized ? GL_TRUE : GL_FALSE), bInteger});
    rLayout.m_uAttribMask |= 1u << uLocation;
}

UINT TexCoordComponents(DWORD dwFVF, UINT uSet)
{
    switch ((dwFVF >> (16 + 2 * uSet)) & 3)
    {
    case D3DFVF_TEXTUREFORMAT1:
        return 1;
    case D3DFVF_TEXTUREFORMAT3:
        return 3;
    case D3DFVF_TEXTUREFORMAT4:
        return 4;
    default:
        return 2;
    }
}

// Size in bytes, components, GL type, normalised of a declaration type.
struct SDeclType
{
    UINT m_uBytes;
    GLint m_iSize;
    GLenum m_eType;
    bool m_bNormalized;
    bool m_bInteger;
};

bool DeclType(BYTE uType, SDeclType& rOut)
{
    switch (uType)
    {
    case D3DDECLTYPE_FLOAT1:
        rOut = {4, 1, GL_FLOAT, false, false};
        return true;
    case D3DDECLTYPE_FLOAT2:
        rOut = {8, 2, GL_FLOAT, false, false};
        return true;
    case D3DDECLTYPE_FLOAT3:
        rOut = {12, 3, GL_FLOAT, false, false};
        return true;
    case D3DDECLTYPE_FLOAT4:
        rOut = {16, 4, GL_FLOAT, false, false};
        return true;
    case D3DDECLTYPE_D3DCOLOR:
        rOut = {4, GL_BGRA, GL_UNSIGNED_BYTE, true, false};
        return true;
    case D3DDECLTYPE_UBYTE4:
        rOut = {4, 4, GL_UNSIGNED_BYTE, false, false};
        return true;
    case D3DDECLTYPE_SHORT2:
        rOut = {4, 2, GL_SHORT, false, false};
        return true;
    case D3DDECLTYPE_SHORT4:
        rOut = {8, 4, GL_SHORT, false, false};
        return true;
    case D3DDECLTYPE_UBYTE4N:
        rOut = {4, 4, GL_UNSIGNED_BYTE, true, false};
        return true;
    case D3DDECLTYPE_SHORT2N:
        rOut = {4, 2, GL_SHORT, true, false};
        return true;
    case D3DDECLTYPE_SHORT4N:
        rOut = {8, 4, GL_SHORT, true, false};
        return true;
    case D3DDECLTYPE_USHORT2N:
        rOut = {4, 2, GL_UNSIGNED_SHORT, true, false};
        return true;
    case D3DDECLTYPE_USHORT4N:
        rOut = {8, 4, GL_UNSIGNED_SHORT, true, false};
        return true;
    case D3DDECLTYPE_FLOAT16_2:
        rOut = {4, 2, GL_HALF_FLOAT, false, false};
        return true;
    case D3DDECLTYPE_FLOAT16_4:
        rOut = {8, 4, GL_HALF_FLOAT, false, false};
        return true;
    default:
        return false;
    }
}

// Attribute location of a usage; false for usages without one.
bool UsageLocation(BYTE uUsage, BYTE uIndex, GLuint& ruLocation)
{
    switch (uUsage)
    {
    case D3DDECLUSAGE_POSITION:
    case D3DDECLUSAGE_POSITIONT:
        ruLocation = orv::gl::AttribPosition;
        return uIndex == 0;
    case D3DDECLUSAGE_NORMAL:
        ruLocation = orv::gl::AttribNormal;
        return uIndex == 0;
    case D3DDECLUSAGE_COLOR:
        ruLocation = orv::gl::AttribColor0 + uIndex;
        return uIndex < 2;
    case D3DDECLUSAGE_TEXCOORD:
        ruLocation = orv::gl::AttribTexCoord0 + uIndex;
        return uIndex < 8;
    case D3DDECLUSAGE_PSIZE:
        ruLocation = orv::gl::AttribPSize;
        return uIndex == 0;
    case D3DDECLUSAGE_TANGENT:
        ruLocation = orv::gl::AttribTangent;
        return uIndex == 0;
    case D3DDECLUSAGE_BINORMAL:
        ruLocation = orv::gl::AttribBinormal;
        return uIndex == 0;
    case D3DDECLUSAGE_BLENDWEIGHT:
        ruLocation = orv::gl::AttribBlendWeight;
        return uIndex == 0;
    case D3DDECLUSAGE_BLENDINDICES:
        ruLocation = orv::gl::AttribBlendIndices;
        return uIndex == 0;
    default:
        return false;
    }
}
} // namespace

UINT OrvFVFStride(DWORD dwFVF)
{
    SOrvVertexLayout layout;
    return OrvLayoutFromFVF(dwFVF, layout) ? layout.m_uFVFStride : 0;
}

bool OrvLayoutFromFVF(DWORD dwFVF, SOrvVertexLayout& rLayout)
{
    rLayout = SOrvVertexLayout();
    UINT uOffset = 0;
    const DWORD dwPosition = dwFVF & D3DFVF_POSITION_MASK;
    switch (dwPosition)
    {
    case D3DFVF_XYZ:
        Add(rLayout, orv::gl::AttribPosition, 0, 0, 3, GL_FLOAT);
        uOffset = 12;
        break;
    case D3DFVF_XYZRHW:
    case D3DFVF_XYZW:
        Add(rLayout, orv::gl::AttribPosition, 0, 0, 4, GL_FLOAT);
        rLayout.m_bPretransformed = dwPosition == D3DFVF_XYZRHW;
        uOffset = 16;
        break;
    case D3DFVF_XYZB1:
    case D3DFVF_XYZB2:
    case D3DFVF_XYZB3:
    case D3DFVF_XYZB4:
    case D3DFVF_XYZB5:
        // Blend weights follow the position; the fixed-function stage does not blend.
        Add(rLayout, orv::gl::AttribPosition, 0, 0, 3, GL_FLOAT);
        uOffset = 12 + 4 * ((dwPosition - D3DFVF_XYZ) / 2);
        break;
    default:
        return false;
    }
    if (dwFVF & D3DFVF_NORMAL)
    {
        Add(rLayout, orv::gl::AttribNormal, 0, uOffset, 3, GL_FLOAT);
        uOffset += 12;
    }
    if (dwFVF & D3DFVF_PSIZE)
    {
        Add(rLayout, orv::gl::AttribPSize, 0, uOffset, 1, GL_FLOAT);
        uOffset += 4;
    }
    if (dwFVF & D3DFVF_DIFFUSE)
    {
        Add(rLayout, orv::gl::AttribColor0, 0, uOffset, GL_BGRA, GL_UNSIGNED_BYTE, true);
        uOffset += 4;
    }
    if (dwFVF & D3DFVF_SPECULAR)
    {
        Add(rLayout, orv::gl::AttribColor1, 0, uOffset, GL_BGRA, GL_UNSIGNED_BYTE, true);
        uOffset += 4;
    }
    const UINT uSets = (dwFVF & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (uSets > 8)
        return false;
    for (UINT uSet = 0; uSet < uSets; ++uSet)
    {
        const UINT uComponents = TexCoordComponents(dwFVF, uSet);
        Add(rLayout, orv::gl::AttribTexCoord0 + uSet, 0, uOffset, (GLint)uComponents, GL_FLOAT);
        rLayout.m_auTexCoordSize[uSet] = (uint8_t)uComponents;
        uOffset += 4 * uComponents;
    }
    rLayout.m_uFVFStride = uOffset;
    return true;
}

bool OrvLayoutFromElements(const D3DVERTEXELEMENT9* pElements, UINT uCount,
                           SOrvVertexLayout& rLayout)
{
    rLayout = SOrvVertexLayout();
    for (UINT i = 0; i < uCount; ++i)
    {
        const D3DVERTEXELEMENT9& rElement = pElements[i];
        SDeclType type;
        GLuint uLocation = 0;
        if (rElement.Stream >= 16 || !DeclType(rElement.Type, type))
            return false;
        if (!UsageLocation(rElement.Usage, rElement.UsageIndex, uLocation))
            continue; // an element no stage reads (fog, depth, ...)
        if (rLayout.m_uAttribMask & (1u << uLocation))
            return false;
        Add(rLayout, uLocation, rElement.Stream, rElement.Offset, type.m_iSize, type.m_eType,
            type.m_bNormalized, type.m_bInteger);
        if (rElement.Usage == D3DDECLUSAGE_POSITIONT)
            rLayout.m_bPretransformed = true;
        if (rElement.Usage == D3DDECLUSAGE_TEXCOORD)
            rLayout.m_auTexCoordSize[rElement.UsageIndex] =
                (uint8_t)(type.m_iSize == GL_BGRA ? 4 : type.m_iSize);
    }
    return (rLayout.m_uAttribMask & (1u << orv::gl::AttribPosition)) != 0;
}

COrvGLVertexDeclaration::COrvGLVertexDeclaration(OrvGLCorePtr pCore,
                                                 std::vector<D3DVERTEXELEMENT9> aElements,
                                                 SOrvVertexLayout layout)
    : m_pCore(std::move(pCore)), m_aElements(std::move(aElements)), m_layout(std::move(layout))
{
}

HRESULT COrvGLVertexDeclaration::GetDevice(IDirect3DDevice9** ppDevice)
{
    return OrvGetDeviceOf(m_pCore, ppDevice);
}

HRESULT COrvGLVertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* pElements, UINT* puCount)
{
    if (!puCount)
        return D3DERR_INVALIDCALL;
    if (pElements)
        std::memcpy(pElements, m_aElements.data(), m_aElements.size() * sizeof(D3DVERTEXELEMENT9));
    *puCount = (UINT)m_aElements.size();
    return D3D_OK;
}

COrvGLVertexDeclaration* OrvAsGLVertexDeclaration(IDirect3DVertexDeclaration9* pDecl)
{
    return dynamic_cast<COrvGLVertexDeclaration*>(pDecl);
}
