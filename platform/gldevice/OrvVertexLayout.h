#pragma once

// Vertex layouts: what the device reads from its vertex streams, built from a flexible
// vertex format (FVF) code or from a vertex declaration, with each element placed on the
// attribute location of its semantic (orv::gl::EAttrib).
#include "OrvGLCore.h"

#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

struct SOrvVertexAttrib
{
    GLuint m_uLocation;
    UINT m_uStream;
    UINT m_uOffset;
    GLint m_iSize; // components, or GL_BGRA for D3DCOLOR
    GLenum m_eType;
    GLboolean m_bNormalized;
    bool m_bInteger;
};

struct SOrvVertexLayout
{
    std::vector<SOrvVertexAttrib> m_aAttribs;
    uint32_t m_uAttribMask = 0;       // bit per location present
    bool m_bPretransformed = false;   // XYZRHW / POSITIONT
    uint8_t m_auTexCoordSize[8] = {}; // components of TEXCOORDn (0: absent)
    UINT m_uFVFStride = 0;            // stride an FVF implies (0 for declarations)
};

// Layout of an FVF code; false for codes we cannot draw (no position, bad bits).
bool OrvLayoutFromFVF(DWORD dwFVF, SOrvVertexLayout& rLayout);
// Layout of declaration elements up to D3DDECL_END; false for unknown types or usages.
bool OrvLayoutFromElements(const D3DVERTEXELEMENT9* pElements, UINT uCount,
                           SOrvVertexLayout& rLayout);
// Vertex size of an FVF code (0 when invalid).
UINT OrvFVFStride(DWORD dwFVF);

class COrvGLVertexDeclaration : public TOrvCounted<IDirect3DVertexDeclaration9>
{
public:
    COrvGLVertexDeclaration(OrvGLCorePtr pCore, std::vector<D3DVERTEXELEMENT9> aElements,
                            SOrvVertexLayout layout);

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT GetDeclaration(D3DVERTEXELEMENT9* pElements, UINT* puCount) override;

    const SOrvVertexLayout& GetLayout() const { return m_layout; }

private:
    OrvGLCorePtr m_pCore;
    std::vector<D3DVERTEXELEMENT9> m_aElements; // with the end marker
    SOrvVertexLayout m_layout;
};

COrvGLVertexDeclaration* OrvAsGLVertexDeclaration(IDirect3DVertexDeclaration9* pDecl);
