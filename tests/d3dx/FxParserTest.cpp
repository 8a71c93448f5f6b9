#include "FxParser.h"
#include "d3d9.h"

#include <gtest/gtest.h>

namespace
{
const char* const s_pEffect = R"(// A typical author's effect.
#define SCALE 2.0
float4x4 World : WORLD;
float4x4 WorldViewProj : WORLDVIEWPROJECTION < string UIName = "wvp"; >;
float Time = 0.5f;
float4 Color < string UIWidget = "color"; float UIMin = -1; > = {1, 0.5, 0.25, 1};
float2 Offsets[2] = { float2(-1, 0), float2(1, 0) };
float2 Texels[2] < string ConvertPixelsToTexels = "Offsets"; >;
bool Flag = true;
shared float Shared = -(3 + 1) * 2 / 4;
static const float Pi = 3.14159;
string Title = "Glow";
texture Tex < string ResourceName = "a.png"; >;
sampler TexSampler = sampler_state
{
    Texture = <Tex>;
    MinFilter = Linear; MagFilter = LINEAR;
    AddressU = Clamp;
    BorderColor = 0xff00ff00;
};
samplerCUBE Env;
sampler Generic;
struct VSOUT { float4 pos : POSITION; float2 uv : TEXCOORD0; };
VSOUT VS(float4 p : POSITION, float2 uv : TEXCOORD0)
{ VSOUT o; o.pos = mul(p, WorldViewProj); o.uv = uv * SCALE; return o; }
float4 PS(float2 uv : TEXCOORD0) : COLOR { return tex2D(TexSampler, uv) * Color; }
float4 PSCube(float3 d : TEXCOORD0) : COLOR { return texCUBE(Generic, d); }
technique Main < string Group = "scene"; >
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
        ZEnable = true;
        AlphaBlendEnable = TRUE;
        SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha;
        CullMode = None;
        ColorWriteEnable = RED | GREEN;
        AlphaRef = 0x80;
    }
    pass
    {
        PixelShader = compile ps_2_0 PS();
        Texture[0] = <Tex>;
        ZFunc = LessEqual;
    }
}
technique Second { pass { VertexShader = NULL; } }
)";

const SOrvFxParameter* Find(const SOrvFxFile& file, const char* pName)
{
    for (const SOrvFxParameter& parameter : file.m_aParameters)
        if (parameter.m_sName == pName)
            return &parameter;
    return nullptr;
}

int CountLines(const std::string& s)
{
    return int(std::count(s.begin(), s.end(), '\n'));
}

class FxParserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_parser.Parse(s_pEffect, "test.fx", m_file, m_sErrors)) << m_sErrors;
    }
    COrvFxParser m_parser;
    SOrvFxFile m_file;
    std::string m_sErrors;
};
} // namespace

TEST_F(FxParserTest, ParametersKeepTypesSemanticsAndInitialValues)
{
    const SOrvFxParameter* pWvp = Find(m_file, "WorldViewProj");
    ASSERT_NE(pWvp, nullptr);
    EXPECT_EQ(pWvp->m_sSemantic, "WORLDVIEWPROJECTION");
    EXPECT_EQ(pWvp->m_uClass, ORV_FXC_MATRIX_COLUMNS);
    EXPECT_EQ(pWvp->m_uRows, 4u);
    EXPECT_EQ(pWvp->GetBytes(), 64u);
    ASSERT_EQ(pWvp->m_aAnnotations.size(), 1u);
    EXPECT_EQ(pWvp->m_aAnnotations[0].m_sString, "wvp");

    EXPECT_EQ(Find(m_file, "Time")->m_afValue, std::vector<float>{0.5f});
    EXPECT_EQ(Find(m_file, "Color")->m_afValue, (std::vector<float>{1, 0.5f, 0.25f, 1}));
    EXPECT_EQ(Find(m_file, "Color")->m_aAnnotations[1].m_afValue, std::vector<float>{-1});
    const SOrvFxParameter* pOffsets = Find(m_file, "Offsets");
    EXPECT_EQ(pOffsets->m_uElements, 2u);
    EXPECT_EQ(pOffsets->GetBytes(), 16u);
    EXPECT_EQ(pOffsets->m_afValue, (std::vector<float>{-1, 0, 1, 0}));
    EXPECT_EQ(Find(m_file, "Texels")->m_aAnnotations[0].m_sString, "Offsets");
    EXPECT_EQ(Find(m_file, "Flag")->m_uType, ORV_FXT_BOOL);
    EXPECT_EQ(Find(m_file, "Flag")->m_afValue, std::vector<float>{1});
    EXPECT_EQ(Find(m_file, "Shared")->m_afValue, std::vector<float>{-2});
    EXPECT_EQ(Find(m_file, "Pi"), nullptr) << "static constants are no parameters";
    EXPECT_EQ(Find(m_file, "Title")->m_sString, "Glow");
    EXPECT_FALSE(Find(m_file, "Title")->m_bInShader);
}

TEST_F(FxParserTest, TexturesAndSamplersKeepTheirStates)
{
    const SOrvFxParameter* pTex = Find(m_file, "Tex");
    EXPECT_EQ(pTex->m_uType, ORV_FXT_TEXTURE);
    EXPECT_FALSE(pTex->m_bInShader);
    const SOrvFxParameter* pSampler = Find(m_file, "TexSampler");
    EXPECT_EQ(pSampler->m_uType, ORV_FXT_SAMPLER2D);
    ASSERT_EQ(pSampler->m_aSamplerStates.size(), 5u);
    EXPECT_EQ(pSampler->m_aSamplerStates[0].m_sName, "Texture");
    EXPECT_EQ(pSampler->m_aSamplerStates[0].m_value.m_eKind, SOrvFxValue::Reference);
    EXPECT_EQ(pSampler->m_aSamplerStates[0].m_value.m_sText, "Tex");
    EXPECT_EQ(pSampler->m_aSamplerStates[2].m_value.m_dwValue, DWORD(D3DTEXF_LINEAR));
    EXPECT_EQ(pSampler->m_aSamplerStates[4].m_value.m_dwValue, 0xff00ff00u);
    EXPECT_EQ(Find(m_file, "Env")->m_uType, ORV_FXT_SAMPLERCUBE);
    EXPECT_EQ(Find(m_file, "Generic")->m_uType, ORV_FXT_SAMPLERCUBE) << "typed by its use";
}

TEST_F(FxParserTest, TechniquesPassesShadersAndStates)
{
    ASSERT_EQ(m_file.m_aTechniques.size(), 2u);
    const SOrvFxTechnique& main = m_file.m_aTechniques[0];
    EXPECT_EQ(main.m_sName, "Main");
    EXPECT_EQ(main.m_aAnnotations[0].m_sString, "scene");
    ASSERT_EQ(main.m_aPasses.size(), 2u);
    const SOrvFxPass& p0 = main.m_aPasses[0];
    EXPECT_EQ(p0.m_sName, "P0");
    EXPECT_TRUE(p0.m_vertexShader.IsPresent());
    ASSERT_EQ(p0.m_vertexShader.m_aChoices.size(), 1u);
    EXPECT_EQ(p0.m_vertexShader.m_aChoices[0].m_sProfile, "vs_2_0");
    EXPECT_EQ(p0.m_vertexShader.m_aChoices[0].m_sEntry, "VS");
    EXPECT_EQ(p0.m_pixelShader.m_aChoices[0].m_sEntry, "PS");
    ASSERT_EQ(p0.m_aStates.size(), 7u);
    // Constant values are folded into what the device takes.
    EXPECT_EQ(p0.m_aStates[0].m_value.m_dwValue, DWORD(D3DZB_TRUE));
    EXPECT_EQ(p0.m_aStates[2].m_value.m_dwValue, DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(p0.m_aStates[4].m_value.m_dwValue, DWORD(D3DCULL_NONE));
    EXPECT_EQ(p0.m_aStates[5].m_value.m_dwValue, 3u) << "RED | GREEN";
    EXPECT_EQ(p0.m_aStates[6].m_value.m_dwValue, 128u);
    const SOrvFxPass& p1 = main.m_aPasses[1];
    EXPECT_FALSE(p1.m_vertexShader.IsPresent()) << "left to the fixed-function stage";
    EXPECT_EQ(p1.m_aStates[0].m_sName, "Texture");
    EXPECT_EQ(p1.m_aStates[0].m_uIndex, 0u);
    EXPECT_EQ(p1.m_aStates[0].m_value.m_eKind, SOrvFxValue::Reference);
    EXPECT_FALSE(m_file.m_aTechniques[1].m_aPasses[0].m_vertexShader.IsPresent());
}

TEST_F(FxParserTest, ShaderSourceLosesEffectConstructsButKeepsLines)
{
    const std::string& s = m_file.m_sShaderSource;
    EXPECT_EQ(CountLines(s), CountLines(s_pEffect));
    for (const char* pGone : {"technique", "sampler_state", "texture", "WORLDVIEWPROJECTION",
                              "UIName", "string", "shared", "{1, 0.5", "InvSrcAlpha"})
        EXPECT_EQ(s.find(pGone), std::string::npos) << pGone;
    for (const char* pKept :
         {"float4x4 WorldViewProj", "sampler2D TexSampler", "samplerCUBE Generic",
          "static const float Pi = 3.14159;", "#define SCALE 2.0", "float2 Offsets[2]",
          "struct VSOUT", "tex2D(TexSampler, uv)"})
        EXPECT_NE(s.find(pKept), std::string::npos) << pKept;
    // The vertex shader still sits on its own line.
    size_t uLineOfVs = std::count(s.begin(), s.begin() + s.find("VSOUT VS("), '\n');
    std::string sOriginal = s_pEffect;
    EXPECT_EQ(uLineOfVs, size_t(std::count(sOriginal.begin(),
                                           sOriginal.begin() + sOriginal.find("VSOUT VS("), '\n')));
}

TEST(FxParserErrors, MalformedFilesFailWithFileAndLine)
{
    struct SCase
    {
        const char* m_pSource;
        const char* m_pExpected;
    } aCases[] = {
        {"float4 a\nfloat4 b;", "test.fx(2): error: syntax error: ';' expected"},
        {"technique T { pass P { ZEnable = ; } }", "test.fx(1): error"},
        {"technique T { pass P {\n VertexShader = compile vs_2_0 ; } }", "test.fx(2): error"},
        {"float a;\n/* unterminated", "test.fx(2): error: unterminated comment"},
        {"float4 c = {1, 2,\n", "test.fx(1): error: unmatched '{'"},
        {"technique T { pass P { } }\ntechnique T { pass { } }", "redefinition of technique 'T'"},
        {"float x;\nfloat x;", "test.fx(2): error: redefinition of 'x'"},
        {"float x[0];", "array size"},
        {"technique T { pass P { VertexShader = asm { mov oPos, v0 }; } }", "assembly"},
        {"technique T { pass P { PixelShader = (missing); } }", "unknown shader 'missing'"},
        {"float4 f(float a { return a; }", "error"},
        {"}", "unexpected '}'"},
    };
    for (const SCase& test : aCases)
    {
        COrvFxParser parser;
        SOrvFxFile file;
        std::string sErrors;
        EXPECT_FALSE(parser.Parse(test.m_pSource, "test.fx", file, sErrors)) << test.m_pSource;
        EXPECT_NE(sErrors.find(test.m_pExpected), std::string::npos)
            << test.m_pSource << " gave: " << sErrors;
    }
}

TEST(FxParserTypes, DescribesBuiltInTypes)
{
    SOrvFxParameter parameter;
    ASSERT_TRUE(OrvFxDescribeType("float4x3", parameter));
    EXPECT_EQ(parameter.m_uRows, 4u);
    EXPECT_EQ(parameter.m_uColumns, 3u);
    ASSERT_TRUE(OrvFxDescribeType("int2", parameter));
    EXPECT_EQ(parameter.m_uClass, ORV_FXC_VECTOR);
    EXPECT_EQ(parameter.m_uType, ORV_FXT_INT);
    ASSERT_TRUE(OrvFxDescribeType("Texture2D", parameter));
    EXPECT_EQ(parameter.m_uType, ORV_FXT_TEXTURE2D);
    EXPECT_FALSE(OrvFxDescribeType("float5", parameter));
    EXPECT_FALSE(OrvFxDescribeType("MyStruct", parameter));
}
