#include "FxParser.h"
#include "d3d9.h"

#include <gtest/gtest.h>

#include <cstring>

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

TEST(FxParserValues, ConstantsSizeArraysAndFoldIntoValuesAndStates)
{
    const char* pSource = R"(
static const int NUM_LIGHTS = 3;
static const float Weights[] = {0.25, 0.5, 0.25};
static const float PI = 3.14159;
float4 LightPos[NUM_LIGHTS * 2] < float UIMax = PI * 2; int Count = NUM_LIGHTS; >;
float Taps[] = {1, 2, 3, 4, 5};
float Angle = PI / 2;
float4 Tint = (float4)0.5;
int Mode = (int)2.7;
bool Mask = 3 > 2 && !(1 == 2);
float Bits = 0xF0 | 0x0F;
float2 Middle = lerp(float2(0, 0), float2(2, 4), 0.5);
technique T
{
    pass
    {
        AlphaRef = NUM_LIGHTS * 16 + 0x10;
        BorderColor[0] = 0xff123456;
        TextureFactor = float4(1, 0, 0.5, 1);
        FogStart = 0.25;
        SrcBlend = NUM_LIGHTS > 2 ? SRCALPHA : ONE;
        ZEnable = Mode;
        CullMode = Mode + 1 == 3 ? CW : CCW;
        ColorWriteEnable = Red | Alpha;
    }
}
)";
    COrvFxParser parser;
    SOrvFxFile file;
    std::string sErrors;
    ASSERT_TRUE(parser.Parse(pSource, "c.fx", file, sErrors)) << sErrors;
    const SOrvFxParameter* pLights = Find(file, "LightPos");
    ASSERT_NE(pLights, nullptr);
    EXPECT_EQ(pLights->m_uElements, 6u);
    EXPECT_FLOAT_EQ(pLights->m_aAnnotations[0].m_afValue[0], 6.28318f);
    EXPECT_EQ(pLights->m_aAnnotations[1].m_afValue, std::vector<float>{3});
    EXPECT_EQ(Find(file, "Taps")->m_uElements, 5u);
    EXPECT_EQ(Find(file, "Taps")->m_afValue, (std::vector<float>{1, 2, 3, 4, 5}));
    EXPECT_FLOAT_EQ(Find(file, "Angle")->m_afValue[0], 1.570795f);
    EXPECT_EQ(Find(file, "Tint")->m_afValue, (std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(Find(file, "Mode")->m_afValue, std::vector<float>{2});
    EXPECT_EQ(Find(file, "Mask")->m_afValue, std::vector<float>{1});
    EXPECT_EQ(Find(file, "Bits")->m_afValue, std::vector<float>{255});
    EXPECT_EQ(Find(file, "Middle")->m_afValue, (std::vector<float>{1, 2}));
    EXPECT_EQ(Find(file, "Weights"), nullptr);

    const std::vector<SOrvFxState>& states = file.m_aTechniques[0].m_aPasses[0].m_aStates;
    ASSERT_EQ(states.size(), 8u);
    EXPECT_EQ(states[0].m_value.m_dwValue, 64u);
    EXPECT_EQ(states[1].m_value.m_dwValue, 0xff123456u) << "colours stay exact";
    EXPECT_EQ(states[2].m_value.m_dwValue, 0xffff0080u) << "a float4 becomes a colour";
    float fStart = 0;
    std::memcpy(&fStart, &states[3].m_value.m_dwValue, 4);
    EXPECT_EQ(fStart, 0.25f) << "float states carry their bits";
    EXPECT_EQ(states[4].m_value.m_dwValue, DWORD(D3DBLEND_SRCALPHA));
    // Values of parameters wait for the pass to begin.
    EXPECT_EQ(states[5].m_value.m_eKind, SOrvFxValue::Reference);
    EXPECT_EQ(states[5].m_value.m_sText, "Mode");
    EXPECT_EQ(states[6].m_value.m_eKind, SOrvFxValue::Expression);
    EXPECT_EQ(states[7].m_value.m_dwValue, 9u);
}

// What Orv cannot honour fails creation, naming the file, the line and the construct.
TEST(FxParserErrors, UnsupportedConstructsAreRefusedLoudly)
{
    struct SCase
    {
        const char* m_pSource;
        const char* m_pExpected;
    } aCases[] = {
        {"technique T\n{ pass P { ZEnabel = true; } }", "r.fx(2): error: unknown state 'ZEnabel'"},
        {"sampler S = sampler_state\n{\n Filter = MIN_MAG_MIP_LINEAR; };",
         "r.fx(3): error: unknown sampler state 'Filter'"},
        {"float4 c[2];\ntechnique T { pass { VertexShaderConstantF[0] = <c>; } }",
         "r.fx(2): error: the state 'VertexShaderConstantF' is not supported"},
        {"technique T { pass {\nPixelShader = asm { ps_1_1 mov r0, v0 }; } }",
         "r.fx(2): error: assembly shaders ('asm') are not supported"},
        {"VertexShader vs =\n asm { vs_1_1 dcl_position v0 mov oPos, v0 };",
         "r.fx(2): error: assembly shaders"},
        {"float4 VS() : POSITION { return 0; }\ntechnique10 T { pass { "
         "SetVertexShader(CompileShader(vs_4_0, VS())); } }",
         "r.fx(2): error: 'technique10': Direct3D 10 and 11 effect files are not supported"},
        {"cbuffer PerFrame { float4x4 World; };", "'cbuffer': Direct3D 10 and 11"},
        {"float4 PS() : COLOR { return 1; }\ntechnique T { pass {\n PixelShader = compile ps_4_0 "
         "PS(); } }",
         "r.fx(3): error: 'ps_4_0': Direct3D 10 and 11"},
        {"BlendState NoBlend { BlendEnable[0] = FALSE; };", "'BlendState': Direct3D 10 and 11"},
        {"technique T { pass { CullMode = Sideways; } }", "'Sideways' is unknown here"},
        {"technique T { pass { ZEnable = Missing * 2; } }", "'Missing' is unknown here"},
        {"texture Tex;\ntechnique T { pass { Texture[0] = <Nothing>; } }",
         "r.fx(2): error: 'Texture' needs a texture, 'Nothing' is none"},
        {"float a;\ntechnique T { pass { VertexShader = (vsMissing[a]); } }",
         "unknown shader 'vsMissing'"},
        {"VertexShader vs[2] = { NULL, NULL };\ntechnique T { pass { VertexShader = (vs); } }",
         "shader array 'vs' needs an index"},
        {"VertexShader vs[3] = { NULL, NULL };", "shader array 'vs' has 3 elements and 2 shaders"},
        {"static const int N = -1;\nfloat4 a[N];", "r.fx(2): error: array size must be a positive"},
        {"float4 a[Unknown];", "'Unknown' is unknown here"},
        {"PixelFragment f = compile_fragment ps_2_0 F();", "shader fragments are not supported"},
        {"half4 PS(float2 [ex : TEXCOORD0) : COLOR { return 0; }",
         "r.fx(1): error: syntax error: a parameter of 'PS' has no name"},
        {"float x = ((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((("
         "(((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((("
         "(((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((1",
         "error"},
    };
    for (const SCase& test : aCases)
    {
        COrvFxParser parser;
        SOrvFxFile file;
        std::string sErrors;
        EXPECT_FALSE(parser.Parse(test.m_pSource, "r.fx", file, sErrors)) << test.m_pSource;
        EXPECT_NE(sErrors.find(test.m_pExpected), std::string::npos)
            << test.m_pSource << "\ngave: " << sErrors;
    }
}

// "fixed" types of other shading languages compile as half.
TEST(FxParserTypes, FixedTypesBecomeHalf)
{
    COrvFxParser parser;
    SOrvFxFile file;
    std::string sErrors;
    ASSERT_TRUE(parser.Parse("fixed4 Tint = {1, 1, 1, 1};\n"
                             "fixed4 PS(fixed2 uv : TEXCOORD0) : COLOR { return Tint * uv.x; }\n"
                             "typedef float3 fixed3;\nfixed3 Keep;\n",
                             "f.fx", file, sErrors))
        << sErrors;
    EXPECT_EQ(Find(file, "Tint")->m_uColumns, 4u);
    EXPECT_NE(file.m_sShaderSource.find("half4 PS(half2 uv"), std::string::npos)
        << file.m_sShaderSource;
    EXPECT_NE(file.m_sShaderSource.find("fixed3 Keep"), std::string::npos)
        << "a typedef of the file keeps its name";
}
