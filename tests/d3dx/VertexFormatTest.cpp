#include "d3dx9mesh.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
struct SElement
{
    WORD m_wOffset;
    BYTE m_uType;
    BYTE m_uUsage;
    BYTE m_uIndex;
};

std::vector<SElement> Declaration(DWORD dwFvf, HRESULT& hr)
{
    D3DVERTEXELEMENT9 aElements[MAX_FVF_DECL_SIZE];
    hr = D3DXDeclaratorFromFVF(dwFvf, aElements);
    std::vector<SElement> elements;
    for (int i = 0; SUCCEEDED(hr) && aElements[i].Stream != 0xFF; ++i)
    {
        EXPECT_EQ(aElements[i].Stream, 0);
        EXPECT_EQ(aElements[i].Method, D3DDECLMETHOD_DEFAULT);
        elements.push_back(
            {aElements[i].Offset, aElements[i].Type, aElements[i].Usage, aElements[i].UsageIndex});
    }
    return elements;
}

bool operator==(const SElement& a, const SElement& b)
{
    return a.m_wOffset == b.m_wOffset && a.m_uType == b.m_uType && a.m_uUsage == b.m_uUsage &&
           a.m_uIndex == b.m_uIndex;
}

std::ostream& operator<<(std::ostream& out, const SElement& e)
{
    return out << "{" << e.m_wOffset << ", type " << int(e.m_uType) << ", usage " << int(e.m_uUsage)
               << ", " << int(e.m_uIndex) << "}";
}

const BYTE POS = D3DDECLUSAGE_POSITION;
const BYTE WEIGHT = D3DDECLUSAGE_BLENDWEIGHT;
const BYTE INDICES = D3DDECLUSAGE_BLENDINDICES;
} // namespace

TEST(VertexFormat, EveryBlendWeightCombinationHasItsSizeAndDeclaration)
{
    const DWORD adwPositions[] = {D3DFVF_XYZB1, D3DFVF_XYZB2, D3DFVF_XYZB3, D3DFVF_XYZB4,
                                  D3DFVF_XYZB5};
    const DWORD adwLastBeta[] = {0, D3DFVF_LASTBETA_UBYTE4, D3DFVF_LASTBETA_D3DCOLOR};
    for (DWORD dwBetas = 1; dwBetas <= 5; ++dwBetas)
        for (DWORD dwLast : adwLastBeta)
            for (DWORD dwExtra : {DWORD(0), DWORD(D3DFVF_NORMAL | D3DFVF_TEX1)})
            {
                const DWORD dwFvf = adwPositions[dwBetas - 1] | dwLast | dwExtra;
                SCOPED_TRACE(testing::Message() << "FVF 0x" << std::hex << dwFvf);
                const UINT uSize = 12 + 4 * dwBetas + (dwExtra ? 20 : 0);
                EXPECT_EQ(D3DXGetFVFVertexSize(dwFvf), uSize);
                HRESULT hr = S_OK;
                std::vector<SElement> elements = Declaration(dwFvf, hr);
                DWORD dwWeights = dwBetas - (dwLast ? 1 : 0);
                if (dwWeights > 4)
                {
                    EXPECT_EQ(hr, D3DERR_INVALIDCALL) << "five weights have no declaration type";
                    continue;
                }
                ASSERT_EQ(hr, S_OK);
                std::vector<SElement> expected = {{0, D3DDECLTYPE_FLOAT3, POS, 0}};
                if (dwWeights)
                    expected.push_back({12, BYTE(D3DDECLTYPE_FLOAT1 + dwWeights - 1), WEIGHT, 0});
                WORD wOffset = WORD(12 + 4 * dwWeights);
                if (dwLast)
                    expected.push_back(
                        {wOffset,
                         BYTE(dwLast == D3DFVF_LASTBETA_UBYTE4 ? D3DDECLTYPE_UBYTE4
                                                               : D3DDECLTYPE_D3DCOLOR),
                         INDICES, 0});
                wOffset = WORD(12 + 4 * dwBetas);
                if (dwExtra)
                {
                    expected.push_back({wOffset, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0});
                    expected.push_back(
                        {WORD(wOffset + 12), D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 0});
                }
                EXPECT_EQ(elements, expected);

                // And back: the declaration names the same format.
                D3DVERTEXELEMENT9 aElements[MAX_FVF_DECL_SIZE];
                ASSERT_EQ(D3DXDeclaratorFromFVF(dwFvf, aElements), S_OK);
                EXPECT_EQ(D3DXGetDeclVertexSize(aElements, 0), uSize);
                DWORD dwBack = 0;
                EXPECT_EQ(D3DXFVFFromDeclarator(aElements, &dwBack), S_OK);
                EXPECT_EQ(dwBack, dwFvf);
            }
}

TEST(VertexFormat, PlainFormatsRoundTripAndStrangersAreRefused)
{
    for (DWORD dwFvf :
         {DWORD(D3DFVF_XYZ), DWORD(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR),
          DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_PSIZE),
          DWORD(D3DFVF_XYZ | D3DFVF_TEX3 | D3DFVF_TEXCOORDSIZE1(0) | D3DFVF_TEXCOORDSIZE4(2))})
    {
        D3DVERTEXELEMENT9 aElements[MAX_FVF_DECL_SIZE];
        ASSERT_EQ(D3DXDeclaratorFromFVF(dwFvf, aElements), S_OK);
        EXPECT_EQ(D3DXGetDeclVertexSize(aElements, 0), D3DXGetFVFVertexSize(dwFvf));
        DWORD dwBack = 0;
        EXPECT_EQ(D3DXFVFFromDeclarator(aElements, &dwBack), S_OK);
        EXPECT_EQ(dwBack, dwFvf);
    }
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_TEX3 | D3DFVF_TEXCOORDSIZE1(0) |
                                   D3DFVF_TEXCOORDSIZE4(2)),
              12u + 4u + 8u + 16u);

    // Weights without a position, indices before the weights, a gap: no FVF says that.
    const D3DVERTEXELEMENT9 aWeightsAlone[] = {
        {0, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_BLENDWEIGHT, 0}, D3DDECL_END()};
    const D3DVERTEXELEMENT9 aSwapped[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_UBYTE4, 0, D3DDECLUSAGE_BLENDINDICES, 0},
        {0, 16, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_BLENDWEIGHT, 0},
        D3DDECL_END()};
    const D3DVERTEXELEMENT9 aGap[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                      {0, 16, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                      D3DDECL_END()};
    for (const D3DVERTEXELEMENT9* pDeclaration : {aWeightsAlone, aSwapped, aGap})
    {
        DWORD dwFvf = 1;
        EXPECT_EQ(D3DXFVFFromDeclarator(pDeclaration, &dwFvf), D3DERR_INVALIDCALL);
        EXPECT_EQ(dwFvf, 0u);
    }
}

TEST(VertexFormat, PositionsAndNormalsAreOneOfAKindAndXyzwIsNoFormat)
{
    // D3DX reads a position or a normal whatever its usage index.
    for (BYTE uUsage : {BYTE(D3DDECLUSAGE_POSITION), BYTE(D3DDECLUSAGE_NORMAL)})
    {
        const D3DVERTEXELEMENT9 aSecond[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, uUsage, 1},
                                             D3DDECL_END()};
        DWORD dwFvf = 0;
        EXPECT_EQ(D3DXFVFFromDeclarator(aSecond, &dwFvf), S_OK);
        EXPECT_EQ(dwFvf, DWORD(uUsage == D3DDECLUSAGE_POSITION ? D3DFVF_XYZ : D3DFVF_NORMAL));
    }
    // A colour's index still tells diffuse from specular, a texture's its set.
    const D3DVERTEXELEMENT9 aThirdColour[] = {
        {0, 0, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 2}, D3DDECL_END()};
    DWORD dwFvf = 0;
    EXPECT_EQ(D3DXFVFFromDeclarator(aThirdColour, &dwFvf), D3DERR_INVALIDCALL);

    // A four-float position is refused both ways, alone or with more.
    const D3DVERTEXELEMENT9 aXyzw[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITION, 0},
                                       {0, 16, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                       D3DDECL_END()};
    EXPECT_EQ(D3DXFVFFromDeclarator(aXyzw, &dwFvf), D3DERR_INVALIDCALL);
    D3DVERTEXELEMENT9 aElements[MAX_FVF_DECL_SIZE];
    EXPECT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZW, aElements), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZW | D3DFVF_NORMAL, aElements), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZW | D3DFVF_NORMAL), 28u);
}
