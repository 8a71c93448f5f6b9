#include "MeshFormat.h"

#include <algorithm>
#include <cstring>

namespace
{
D3DVERTEXELEMENT9 Element(WORD wOffset, BYTE uType, BYTE uUsage, BYTE uIndex = 0)
{
    return D3DVERTEXELEMENT9{0, wOffset, uType, D3DDECLMETHOD_DEFAULT, uUsage, uIndex};
}

const D3DVERTEXELEMENT9 s_end = D3DDECL_END();

bool IsEnd(const D3DVERTEXELEMENT9& element)
{
    return element.Stream == 0xFF;
}

// Components of float element types; 0 for packed types.
int FloatComponents(BYTE uType)
{
    return uType <= D3DDECLTYPE_FLOAT4 ? uType + 1 : 0;
}

// The number of floats (betas) after the position of an XYZB1 to XYZB5 format.
DWORD BlendBetas(DWORD FVF)
{
    return 1 + ((FVF & D3DFVF_POSITION_MASK) - D3DFVF_XYZB1) / 2;
}

// The FVF's elements in Direct3D's fixed order, or false for an FVF we cannot describe.
// D3DX refuses D3DFVF_XYZW both ways (a 4-float position is no FVF position to it), and so
// do we: a program that tests for that refusal must see it.
bool FvfElements(DWORD FVF, std::vector<D3DVERTEXELEMENT9>& elements)
{
    elements.clear();
    WORD wOffset = 0;
    auto add = [&](BYTE uType, BYTE uUsage, BYTE uIndex)
    {
        elements.push_back(Element(wOffset, uType, uUsage, uIndex));
        wOffset = WORD(wOffset + OrvDeclTypeSize(uType));
    };
    switch (FVF & D3DFVF_POSITION_MASK)
    {
    case 0:
        break;
    case D3DFVF_XYZ:
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
        break;
    case D3DFVF_XYZRHW:
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0);
        break;
    case D3DFVF_XYZB1:
    case D3DFVF_XYZB2:
    case D3DFVF_XYZB3:
    case D3DFVF_XYZB4:
    case D3DFVF_XYZB5:
    {
        // With a LASTBETA flag the last beta holds four blend indices, not a weight.
        DWORD dwBetas = BlendBetas(FVF);
        bool bIndices = (FVF & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR)) != 0;
        DWORD dwWeights = dwBetas - (bIndices ? 1 : 0);
        if (dwWeights > 4)
            return false;
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
        if (dwWeights > 0)
            add(BYTE(D3DDECLTYPE_FLOAT1 + dwWeights - 1), D3DDECLUSAGE_BLENDWEIGHT, 0);
        if (bIndices)
            add((FVF & D3DFVF_LASTBETA_UBYTE4) ? D3DDECLTYPE_UBYTE4 : D3DDECLTYPE_D3DCOLOR,
                D3DDECLUSAGE_BLENDINDICES, 0);
        break;
    }
    default:
        return false;
    }
    if (FVF & D3DFVF_NORMAL)
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
    if (FVF & D3DFVF_PSIZE)
        add(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0);
    if (FVF & D3DFVF_DIFFUSE)
        add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
    if (FVF & D3DFVF_SPECULAR)
        add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
    DWORD uCount = (FVF & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (uCount > 8)
        return false;
    static const BYTE s_auTypes[] = {D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3, D3DDECLTYPE_FLOAT4,
                                     D3DDECLTYPE_FLOAT1};
    for (DWORD i = 0; i < uCount; ++i)
        add(s_auTypes[(FVF >> (16 + 2 * i)) & 3], D3DDECLUSAGE_TEXCOORD, BYTE(i));
    return true;
}
} // namespace

UINT OrvDeclTypeSize(BYTE uType)
{
    static const UINT s_auSizes[] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8, 0};
    return uType < std::size(s_auSizes) ? s_auSizes[uType] : 0;
}

std::vector<D3DVERTEXELEMENT9> OrvDeclarationElements(const D3DVERTEXELEMENT9* pDecl)
{
    std::vector<D3DVERTEXELEMENT9> elements;
    for (size_t i = 0; pDecl && i < MAXD3DDECLLENGTH && !IsEnd(pDecl[i]); ++i)
        elements.push_back(pDecl[i]);
    return elements;
}

void OrvConvertVertices(const std::vector<D3DVERTEXELEMENT9>& source, UINT uSourceStride,
                        const std::vector<D3DVERTEXELEMENT9>& target, UINT uTargetStride,
                        size_t uCount, const void* pSource, void* pTarget)
{
    const auto* pIn = static_cast<const unsigned char*>(pSource);
    auto* pOut = static_cast<unsigned char*>(pTarget);
    std::memset(pOut, 0, uCount * uTargetStride);
    for (const D3DVERTEXELEMENT9& to : target)
    {
        auto from = std::find_if(source.begin(), source.end(),
                                 [&](const D3DVERTEXELEMENT9& e) {
                                     return e.Usage == to.Usage && e.UsageIndex == to.UsageIndex &&
                                            e.Stream == to.Stream;
                                 });
        if (from == source.end())
            continue;
        UINT uBytes = 0;
        if (from->Type == to.Type)
            uBytes = OrvDeclTypeSize(to.Type);
        else if (FloatComponents(from->Type) && FloatComponents(to.Type))
            uBytes = 4 * UINT(std::min(FloatComponents(from->Type), FloatComponents(to.Type)));
        for (size_t v = 0; v < uCount && uBytes; ++v)
            std::memcpy(pOut + v * uTargetStride + to.Offset,
                        pIn + v * uSourceStride + from->Offset, uBytes);
    }
}

// Sizes add up even for formats no declaration can describe (five weights).
UINT D3DXGetFVFVertexSize(DWORD FVF)
{
    UINT uSize = 0;
    switch (FVF & D3DFVF_POSITION_MASK)
    {
    case D3DFVF_XYZ:
        uSize = 12;
        break;
    case D3DFVF_XYZRHW:
    case D3DFVF_XYZW:
        uSize = 16;
        break;
    case D3DFVF_XYZB1:
    case D3DFVF_XYZB2:
    case D3DFVF_XYZB3:
    case D3DFVF_XYZB4:
    case D3DFVF_XYZB5:
        uSize = 12 + 4 * BlendBetas(FVF);
        break;
    default:
        break;
    }
    uSize += (FVF & D3DFVF_NORMAL) ? 12 : 0;
    uSize += (FVF & D3DFVF_PSIZE) ? 4 : 0;
    uSize += (FVF & D3DFVF_DIFFUSE) ? 4 : 0;
    uSize += (FVF & D3DFVF_SPECULAR) ? 4 : 0;
    static const UINT s_auTexSizes[] = {8, 12, 16, 4};
    DWORD dwCount = std::min<DWORD>((FVF & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT, 8);
    for (DWORD i = 0; i < dwCount; ++i)
        uSize += s_auTexSizes[(FVF >> (16 + 2 * i)) & 3];
    return uSize;
}

UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* pDecl, DWORD Stream)
{
    UINT uSize = 0;
    for (const D3DVERTEXELEMENT9& element : OrvDeclarationElements(pDecl))
        if (element.Stream == Stream)
            uSize = std::max(uSize, UINT(element.Offset + OrvDeclTypeSize(element.Type)));
    return uSize;
}

HRESULT D3DXDeclaratorFromFVF(DWORD FVF, D3DVERTEXELEMENT9 pDeclarator[MAX_FVF_DECL_SIZE])
{
    std::vector<D3DVERTEXELEMENT9> elements;
    if (!pDeclarator || !FvfElements(FVF, elements))
        return D3DERR_INVALIDCALL;
    std::copy(elements.begin(), elements.end(), pDeclarator);
    pDeclarator[elements.size()] = s_end;
    return S_OK;
}

// The FVF whose layout is exactly this declaration.
HRESULT D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* pDeclarator, DWORD* pFVF)
{
    if (!pDeclarator || !pFVF)
        return D3DERR_INVALIDCALL;
    std::vector<D3DVERTEXELEMENT9> given = OrvDeclarationElements(pDeclarator);
    DWORD dwFvf = 0;
    DWORD dwWeights = 0;
    DWORD dwIndexFlag = 0;
    for (const D3DVERTEXELEMENT9& element : given)
    {
        if (element.Usage == D3DDECLUSAGE_POSITION)
            dwFvf |= D3DFVF_XYZ; // a FLOAT4 position then differs from the FVF's and is refused
        else if (element.Usage == D3DDECLUSAGE_POSITIONT)
            dwFvf |= D3DFVF_XYZRHW;
        else if (element.Usage == D3DDECLUSAGE_BLENDWEIGHT && element.Type <= D3DDECLTYPE_FLOAT4)
            dwWeights = element.Type + 1;
        else if (element.Usage == D3DDECLUSAGE_BLENDINDICES)
            dwIndexFlag = element.Type == D3DDECLTYPE_UBYTE4 ? D3DFVF_LASTBETA_UBYTE4
                                                             : D3DFVF_LASTBETA_D3DCOLOR;
        else if (element.Usage == D3DDECLUSAGE_NORMAL)
            dwFvf |= D3DFVF_NORMAL;
        else if (element.Usage == D3DDECLUSAGE_PSIZE)
            dwFvf |= D3DFVF_PSIZE;
        else if (element.Usage == D3DDECLUSAGE_COLOR)
            dwFvf |= element.UsageIndex == 0 ? D3DFVF_DIFFUSE : D3DFVF_SPECULAR;
        else if (element.Usage == D3DDECLUSAGE_TEXCOORD)
        {
            static const DWORD s_auFormats[] = {D3DFVF_TEXTUREFORMAT1, D3DFVF_TEXTUREFORMAT2,
                                                D3DFVF_TEXTUREFORMAT3, D3DFVF_TEXTUREFORMAT4};
            DWORD dwCount = ((dwFvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) + 1;
            dwFvf = (dwFvf & ~DWORD(D3DFVF_TEXCOUNT_MASK)) | (dwCount << D3DFVF_TEXCOUNT_SHIFT);
            if (element.Type <= D3DDECLTYPE_FLOAT4 && element.UsageIndex < 8)
                dwFvf |= s_auFormats[element.Type] << (16 + 2 * element.UsageIndex);
        }
    }
    // Weights and indices turn XYZ into XYZB1 to XYZB5: one beta per weight, one for the
    // indices.
    DWORD dwBetas = dwWeights + (dwIndexFlag ? 1 : 0);
    if (dwBetas > 0 && (dwFvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZ && dwBetas <= 5)
        dwFvf = (dwFvf & ~DWORD(D3DFVF_POSITION_MASK)) | (D3DFVF_XYZB1 + 2 * (dwBetas - 1)) |
                dwIndexFlag;
    std::vector<D3DVERTEXELEMENT9> expected;
    // D3DX does not look at the usage index of a position or a normal: there is one of each.
    auto same = [](const D3DVERTEXELEMENT9& a, const D3DVERTEXELEMENT9& b)
    {
        const bool bAnyIndex = a.Usage == D3DDECLUSAGE_POSITION || a.Usage == D3DDECLUSAGE_NORMAL;
        return a.Stream == b.Stream && a.Offset == b.Offset && a.Type == b.Type &&
               a.Usage == b.Usage && (bAnyIndex || a.UsageIndex == b.UsageIndex);
    };
    bool bSame = FvfElements(dwFvf, expected) && expected.size() == given.size() &&
                 std::equal(given.begin(), given.end(), expected.begin(), same);
    *pFVF = bSame ? dwFvf : 0;
    return bSame ? S_OK : D3DERR_INVALIDCALL;
}

HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* pFirstPosition, DWORD NumVertices, DWORD dwStride,
                               D3DXVECTOR3* pMin, D3DXVECTOR3* pMax)
{
    if (!pFirstPosition || !pMin || !pMax || NumVertices == 0 || dwStride < 12)
        return D3DERR_INVALIDCALL;
    const auto* pBytes = reinterpret_cast<const unsigned char*>(pFirstPosition);
    float afMin[3];
    float afMax[3];
    std::memcpy(afMin, pBytes, 12);
    std::memcpy(afMax, pBytes, 12);
    for (DWORD v = 1; v < NumVertices; ++v)
    {
        float af[3];
        std::memcpy(af, pBytes + size_t(v) * dwStride, 12);
        for (int i = 0; i < 3; ++i)
        {
            afMin[i] = std::min(afMin[i], af[i]);
            afMax[i] = std::max(afMax[i], af[i]);
        }
    }
    *pMin = D3DXVECTOR3(afMin[0], afMin[1], afMin[2]);
    *pMax = D3DXVECTOR3(afMax[0], afMax[1], afMax[2]);
    return S_OK;
}
