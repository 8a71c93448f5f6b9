#include "FxParser.h"
#include "FxTranslator.h"

#include <gtest/gtest.h>

namespace
{
const char* const s_pEffect = R"(
float4x4 WorldViewProj : WORLDVIEWPROJECTION;
float4 Color = {1, 1, 1, 1};
float2 Taps[2];
texture Tex;
sampler TexSampler = sampler_state { Texture = <Tex>; };
sampler2D Second;
struct VSOUT { float4 pos : POSITION; float4 col : COLOR0; float2 uv : TEXCOORD0; float2 uv1 : TEXCOORD1; };
VSOUT VS(float4 p : POSITION, float3 n : NORMAL, float2 uv : TEXCOORD0)
{
    VSOUT o;
    o.pos = mul(p, WorldViewProj);
    o.col = Color * n.x;
    o.uv = uv;
    o.uv1 = uv + Taps[1];
    return o;
}
float4 PS(float2 uv : TEXCOORD0, float4 col : COLOR0) : COLOR
{
    return tex2D(TexSampler, uv) * col + tex2D(Second, uv + Taps[0]);
}
struct PSOUT { float4 c0 : COLOR0; float4 c1 : COLOR1; };
PSOUT PSTwo(float2 uv : TEXCOORD1) { PSOUT o; o.c0 = uv.xyxy; o.c1 = Color; return o; }
technique T { pass { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }
)";

class FxTranslatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        COrvFxParser parser;
        std::string sErrors;
        ASSERT_TRUE(parser.Parse(s_pEffect, "t.fx", m_file, sErrors)) << sErrors;
    }
    bool Translate(const char* pEntry, const char* pProfile, EOrvShaderStage eStage,
                   SOrvGlslShader& result)
    {
        SOrvFxShader shader;
        shader.m_bPresent = true;
        shader.m_sEntry = pEntry;
        shader.m_sProfile = pProfile;
        shader.m_iLine = 33;
        m_sErrors.clear();
        return COrvFxTranslator::Translate(m_file.m_sShaderSource, m_file.m_lines, shader, eStage,
                                           result, m_sErrors);
    }
    static const SOrvShaderSignature* Find(const std::vector<SOrvShaderSignature>& list,
                                           const char* pSemantic)
    {
        for (const SOrvShaderSignature& signature : list)
            if (signature.m_sSemantic == pSemantic)
                return &signature;
        return nullptr;
    }
    SOrvFxFile m_file;
    std::string m_sErrors;
};
} // namespace

TEST_F(FxTranslatorTest, VertexShaderBindsInputsBySemanticAndNamesItsUniforms)
{
    SOrvGlslShader vs;
    ASSERT_TRUE(Translate("VS", "vs_2_0", EOrvShaderStage::Vertex, vs)) << m_sErrors;
    const SOrvShaderSignature* pPosition = Find(vs.m_aInputs, "POSITION0");
    ASSERT_NE(pPosition, nullptr);
    EXPECT_EQ(pPosition->m_uUsage, 0u);
    EXPECT_EQ(pPosition->m_sGlslName, "orv_a_POSITION0");
    EXPECT_EQ(Find(vs.m_aOutputs, "TEXCOORD1")->m_sGlslName, "orv_TexCoord1");
    EXPECT_EQ(Find(vs.m_aOutputs, "COLOR0")->m_sGlslName, "orv_Color0");
    const SOrvShaderSignature* pUv = Find(vs.m_aInputs, "TEXCOORD0");
    ASSERT_NE(pUv, nullptr);
    EXPECT_EQ(pUv->m_uUsage, 5u);
    EXPECT_EQ(pUv->m_sGlslType, "vec2");
    EXPECT_NE(Find(vs.m_aInputs, "NORMAL0"), nullptr);
    EXPECT_NE(Find(vs.m_aOutputs, "TEXCOORD1"), nullptr);
    EXPECT_NE(Find(vs.m_aOutputs, "COLOR0"), nullptr);
    EXPECT_EQ(Find(vs.m_aOutputs, "POSITION0"), nullptr) << "the position is gl_Position";
    // Attributes sit at the device's locations; varyings are vec4s; the clip fix-up ends main.
    for (const char* pText :
         {"#version 330", "uniform orv_vs_globals orv_vs;", "orv_vs.WorldViewProj",
          "layout(location = 0) in vec4 orv_a_POSITION0;",
          "layout(location = 1) in vec3 orv_a_NORMAL0;",
          "layout(location = 4) in vec2 orv_a_TEXCOORD0;", "out vec4 orv_TexCoord1;",
          "orv_TexCoord1 = vec4(orv_o_TEXCOORD1, 0.0, 1.0);",
          "gl_Position = orv_FixClip(gl_Position);\n}"})
        EXPECT_NE(vs.m_sGlsl.find(pText), std::string::npos) << pText << "\n" << vs.m_sGlsl;
    EXPECT_EQ(Find(vs.m_aOutputs, "TEXCOORD1")->m_sGlslName, "orv_TexCoord1");
}

TEST_F(FxTranslatorTest, PixelShadersNameSamplersAndWriteColorsByIndex)
{
    SOrvGlslShader ps;
    ASSERT_TRUE(Translate("PS", "ps_2_0", EOrvShaderStage::Pixel, ps)) << m_sErrors;
    EXPECT_NE(Find(ps.m_aInputs, "TEXCOORD0"), nullptr);
    EXPECT_EQ(Find(ps.m_aInputs, "COLOR0")->m_sGlslName, "orv_Color0");
    EXPECT_NE(ps.m_sGlsl.find("in vec4 orv_TexCoord0;"), std::string::npos) << ps.m_sGlsl;
    EXPECT_NE(ps.m_sGlsl.find("orv_i_TEXCOORD0 = vec2(orv_TexCoord0.xy);"), std::string::npos);
    EXPECT_NE(ps.m_sGlsl.find("orv_AlphaTest(orv_o_COLOR0.a);\n}"), std::string::npos);
    EXPECT_NE(ps.m_sGlsl.find("in vec4 orv_TexCoord0;"), std::string::npos) << ps.m_sGlsl;
    EXPECT_NE(ps.m_sGlsl.find("orv_i_TEXCOORD0 = vec2(orv_TexCoord0.xy);"), std::string::npos);
    EXPECT_NE(ps.m_sGlsl.find("orv_AlphaTest(orv_o_COLOR0.a);\n}"), std::string::npos);
    ASSERT_EQ(ps.m_asSamplers.size(), 2u);
    EXPECT_NE(ps.m_sGlsl.find("uniform sampler2D orv_s_TexSampler;"), std::string::npos)
        << ps.m_sGlsl;
    EXPECT_NE(ps.m_sGlsl.find("uniform sampler2D orv_s_Second;"), std::string::npos);
    EXPECT_NE(ps.m_sGlsl.find("orv_ps.Taps[0]"), std::string::npos) << ps.m_sGlsl;
    EXPECT_NE(ps.m_sGlsl.find("layout(location = 0) out vec4"), std::string::npos);

    SOrvGlslShader two;
    ASSERT_TRUE(Translate("PSTwo", "ps_2_0", EOrvShaderStage::Pixel, two)) << m_sErrors;
    EXPECT_NE(two.m_sGlsl.find("layout(location = 1) out vec4"), std::string::npos) << two.m_sGlsl;
}

TEST_F(FxTranslatorTest, ErrorsNameFileLineAndReason)
{
    SOrvGlslShader result;
    SOrvFxShader broken;
    broken.m_sEntry = "Broken";
    broken.m_sProfile = "ps_2_0";
    const char* pBroken = "float4 Broken(float2 uv : TEXCOORD0) : COLOR\n{\n"
                          "    return undefinedThing * uv.x;\n}\n";
    EXPECT_FALSE(COrvFxTranslator::Translate(pBroken, COrvFxLineMap("b.fx"), broken,
                                             EOrvShaderStage::Pixel, result, m_sErrors));
    EXPECT_NE(m_sErrors.find("b.fx(3): error: 'undefinedThing'"), std::string::npos) << m_sErrors;

    EXPECT_FALSE(Translate("Missing", "vs_2_0", EOrvShaderStage::Vertex, result));
    EXPECT_NE(m_sErrors.find("t.fx("), std::string::npos) << m_sErrors;
    SOrvFxShader blend;
    blend.m_sEntry = "V";
    blend.m_sProfile = "vs_2_0";
    const char* pBlend =
        "float4 V(float4 p : POSITION, float4 i : NORMAL1) : POSITION { return p + i; }";
    EXPECT_FALSE(COrvFxTranslator::Translate(pBlend, COrvFxLineMap("v.fx"), blend,
                                             EOrvShaderStage::Vertex, result, m_sErrors));
    EXPECT_NE(m_sErrors.find("NORMAL1 is not supported"), std::string::npos) << m_sErrors;
    EXPECT_FALSE(Translate("PS", "vs_2_0", EOrvShaderStage::Pixel, result));
    EXPECT_NE(m_sErrors.find("t.fx(33): error: profile 'vs_2_0'"), std::string::npos) << m_sErrors;
}
