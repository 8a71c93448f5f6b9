// Constructs of Direct3D 9 effect files that shader packs use: intrinsics and the comma
// operator in constant values (read back with GetValue), pass states computed by the effect's
// functions and by elements of array parameters (re-evaluated after SetFloat and
// CommitChanges), shader code rewritten for glslang (drawn, and as text), and what is
// refused by name.
#include "FxParser.h"
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "OrvTestDraw.h"
#include "OrvPi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace
{
class EffectConstructsTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_device) << "no headless device"; }
    void TearDown() override { m_pEffect.Reset(); }
    void Make(const char* pSource)
    {
        std::string sErrors;
        m_pEffect = OrvMakeEffect(m_device.Get(), pSource, &sErrors);
        ASSERT_NE(m_pEffect, nullptr) << sErrors;
    }
    std::vector<float> Floats(const char* pName, UINT uCount)
    {
        std::vector<float> af(uCount, -12345.0f);
        EXPECT_EQ(m_pEffect->GetFloatArray(pName, af.data(), uCount), S_OK) << pName;
        return af;
    }
    DWORD RenderState(D3DRENDERSTATETYPE eState)
    {
        DWORD dwValue = 0;
        m_device->GetRenderState(eState, &dwValue);
        return dwValue;
    }
    COrvTestDevice m_device{64, 64};
    COrvComPtr<ID3DXEffect> m_pEffect;
};

// Parses effect text alone; the messages on failure.
std::string Refusal(const std::string& sSource)
{
    COrvFxParser parser;
    SOrvFxFile file;
    std::string sErrors;
    EXPECT_FALSE(parser.Parse(sSource, "r.fx", file, sErrors)) << sSource;
    return sErrors;
}

// Fifteen functions, each calling the one before twice: 2^14 copies of the first inlined.
std::string Doublings()
{
    std::string sFunctions = "int F1(int x) { return x + 1; } ";
    for (int i = 2; i <= 15; ++i)
        sFunctions += "int F" + std::to_string(i) + "(int x) { return F" + std::to_string(i - 1) +
                      "(x) + F" + std::to_string(i - 1) + "(x); } ";
    return sFunctions + "int F() { return F15(2); }";
}

float Bits(DWORD dw)
{
    float f = 0;
    std::memcpy(&f, &dw, sizeof f);
    return f;
}
} // namespace

TEST_F(EffectConstructsTest, IntrinsicsFoldInSinglePrecisionWithTheNaNRulesOfHlsl)
{
    Make(R"(
float3 g_LightDir = normalize(float3(1, 1, -1));
float3 g_Side = cross(float3(1, 0, 0), float3(0, 1, 0));
float2 g_Angles = float2(radians(180), degrees(3.14159265));
float g_Far = length(float2(3e20, 4e20));
float4 g_Mixed = float4(lerp(2, 4, 0.25), smoothstep(0, 2, 1), step(0.5, 0.25), fmod(7, 3));
float4 g_Mul = mul(float4(1, 2, 3, 1), float4x4(2,0,0,0, 0,2,0,0, 0,0,2,0, 10,20,30,1));
float2 g_Matrix = float2(determinant(float3x3(2,0,0, 0,3,0, 0,0,4)), transpose(float2x2(1,2,3,4))._12);
float4 g_Reflect = float4(reflect(float3(1, -1, 0), float3(0, 1, 0)), rsqrt(4));
float4 g_Domain = float4(sqrt(-1), log(0), min(sqrt(-1), 2), saturate(sqrt(-1)));
float4 g_Zero = normalize(float4(0, 0, 0, 0));
float2 screenSize = (1, 1);
float3 g_Last = (0, 5, float3(1, 2, 3));
float4 PS() : COLOR { return float4(g_LightDir + g_Side, screenSize.x); }
technique T { pass { PixelShader = compile ps_2_0 PS(); } }
)");
    float fThird = 1.0f / std::sqrt(3.0f);
    EXPECT_EQ(Floats("g_LightDir", 3), (std::vector<float>{fThird, fThird, -fThird}));
    EXPECT_EQ(Floats("g_Side", 3), (std::vector<float>{0, 0, 1}));
    std::vector<float> afAngles = Floats("g_Angles", 2);
    EXPECT_FLOAT_EQ(afAngles[0], orv::fPi);
    EXPECT_FLOAT_EQ(afAngles[1], 180.0f);
    EXPECT_TRUE(std::isinf(Floats("g_Far", 1)[0])) << "the squares overflow a float, as native";
    EXPECT_EQ(Floats("g_Mixed", 4), (std::vector<float>{2.5f, 0.5f, 0, 1}));
    EXPECT_EQ(Floats("g_Mul", 4), (std::vector<float>{12, 24, 36, 1})) << "row vector times matrix";
    EXPECT_EQ(Floats("g_Matrix", 2), (std::vector<float>{24, 3}));
    EXPECT_EQ(Floats("g_Reflect", 4), (std::vector<float>{1, 1, 0, 0.5f}));
    std::vector<float> afDomain = Floats("g_Domain", 4);
    EXPECT_TRUE(std::isnan(afDomain[0])) << "sqrt(-1)";
    EXPECT_TRUE(std::isinf(afDomain[1]) && afDomain[1] < 0) << "log(0)";
    EXPECT_EQ(afDomain[2], 2.0f) << "min takes the number over a NaN";
    EXPECT_EQ(afDomain[3], 0.0f) << "saturate takes NaN to 0";
    for (float f : Floats("g_Zero", 4))
        EXPECT_TRUE(std::isnan(f)) << "normalize(0) is 0 * infinity";
    EXPECT_EQ(Floats("screenSize", 2), (std::vector<float>{1, 1})) << "the last value, widened";
    EXPECT_EQ(Floats("g_Last", 3), (std::vector<float>{1, 2, 3}));

    // A comma expression still needs every part to be known.
    EXPECT_NE(Refusal("float2 s = (Unknown, 1);").find("'Unknown' is unknown"), std::string::npos);
    EXPECT_NE(Refusal("float3 n = normalize(1, 2);").find("'normalize'"), std::string::npos);
}

TEST_F(EffectConstructsTest, StatesComputedByFunctionsFollowTheirParameters)
{
    Make(R"(
float Fade = 0.25;
bool bDepth = true;
float4 g_vLightPos[2] = { 1, 2, 3, 1,  5, 6, 7, 1 };
int Index = 1;
bool ChooseZEnable() { return bDepth; }
int CullFor(float f)
{
    [branch] if (f > 0.5)
        return 3;
    else if (f > 0.2) { return 2; }
    return 1;
}
float4x4 getTextureTransform()
{
    float s = Fade * 4, unused;
    s += 1;
    float4x4 m = float4x4(s,0,0,0, 0,s,0,0, 0,0,1,0, 0,0,0,1);
    m._41 = Fade;
    m._m31 = -Fade;
    return m;
}
float4 Tint() { float4 c = 0; c.rg = float2(1, Fade); c.a = 1; return c; }
float FogFrom(float f) { return 1 / (f - Fade); }
float4 PS() : COLOR { return float4(1, 1, 1, 1); }
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 PS();
        ZEnable = ChooseZEnable();
        CullMode = CullFor(Fade);
        TextureTransform[0] = getTextureTransform();
        TextureFactor = Tint();
        FogStart = FogFrom(Fade);
        LightPosition[0] = <g_vLightPos[Index]>;
        LightDiffuse[0] = <g_vLightPos[0].zyx>;
    }
}
)");
    DWORD dwFactorBefore = RenderState(D3DRS_TEXTUREFACTOR);
    UINT uPasses = 0;
    ASSERT_EQ(m_pEffect->Begin(&uPasses, 0), S_OK);
    ASSERT_EQ(m_pEffect->BeginPass(0), S_OK);
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), DWORD(TRUE));
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_CW));
    EXPECT_EQ(RenderState(D3DRS_TEXTUREFACTOR), 0xffff4000u);
    EXPECT_TRUE(std::isinf(Bits(RenderState(D3DRS_FOGSTART)))) << "1 / 0 as a float state";
    D3DMATRIX transform{};
    m_device->GetTransform(D3DTS_TEXTURE0, &transform);
    EXPECT_EQ(transform._11, 2.0f);
    EXPECT_EQ(transform._41, 0.25f);
    EXPECT_EQ(transform._42, -0.25f);
    D3DLIGHT9 light{};
    m_device->GetLight(0, &light);
    EXPECT_EQ(light.Position.x, 5.0f);
    EXPECT_EQ(light.Position.z, 7.0f);
    EXPECT_EQ(light.Diffuse.r, 3.0f);
    EXPECT_EQ(light.Diffuse.b, 1.0f);

    // Inside the pass, a change waits for CommitChanges.
    m_pEffect->SetFloat("Fade", 0.75f);
    m_pEffect->SetBool("bDepth", FALSE);
    m_pEffect->SetInt("Index", 0);
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_CW));
    ASSERT_EQ(m_pEffect->CommitChanges(), S_OK);
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), DWORD(D3DCULL_CCW));
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), DWORD(FALSE));
    EXPECT_EQ(RenderState(D3DRS_TEXTUREFACTOR), 0xffffbf00u);
    EXPECT_EQ(Bits(RenderState(D3DRS_FOGSTART)), std::numeric_limits<float>::infinity());
    m_device->GetTransform(D3DTS_TEXTURE0, &transform);
    EXPECT_EQ(transform._11, 4.0f);
    EXPECT_EQ(transform._41, 0.75f);
    m_device->GetLight(0, &light);
    EXPECT_EQ(light.Position.x, 1.0f) << "the element the index names now";
    m_pEffect->EndPass();
    m_pEffect->End();
    EXPECT_EQ(RenderState(D3DRS_TEXTUREFACTOR), dwFactorBefore) << "End restores the device's";

    // A function of constants only is folded when the effect is made.
    COrvFxParser parser;
    SOrvFxFile file;
    std::string sErrors;
    ASSERT_TRUE(parser.Parse("DWORD Ref() { float a = 3; a *= 2; return a; }\n"
                             "technique T { pass { StencilRef = Ref(); } }",
                             "c.fx", file, sErrors))
        << sErrors;
    const SOrvFxValue& value = file.m_aTechniques[0].m_aPasses[0].m_aStates[0].m_value;
    EXPECT_EQ(value.m_eKind, SOrvFxValue::Numbers);
    EXPECT_EQ(value.m_dwValue, 6u);
}

// What cannot run on the CPU when a pass begins is refused with the function's name, and
// nothing a function does makes creation hang or crash.
TEST_F(EffectConstructsTest, FunctionsThatCannotBeEvaluatedAreRefusedByName)
{
    const std::string sDoublings = Doublings();
    const struct
    {
        const char* m_pFunctions;
        const char* m_pExpected;
    } aCases[] = {
        {"int F() { return F(); }", "'F' cannot be evaluated when the pass begins: it calls "
                                    "itself"},
        {"int G(); int F() { return G(); } int G() { return F(); }", "calls itself"},
        {"int F() { int n = 0; for (int i = 0; i < 4; i++) n++; return n; }", "it has a loop"},
        {"int F() { int n = 0; while (n < 4) n++; return n; }", "it has a loop"},
        {"sampler S; int F() { return tex2D(S, float2(0, 0)).x; }", "it calls 'tex2D'"},
        {"int F(out int x) { x = 1; return 1; }", "no 'F' takes 0 arguments"},
        {"int F() { }", "returns no value"},
        {"int F() { Undeclared = 2; return 1; }", "'Undeclared', which is none of its locals"},
        {"int F() { int a[2] = {1, 2}; return a[0]; }", "is an array"},
        {"int F() { float4 v = 0; v.q = 1; return 1; }", "cannot assign to 'v.q'"},
        {sDoublings.c_str(), "grows too large"},
    };
    for (const auto& c : aCases)
    {
        std::string sSource =
            std::string(c.m_pFunctions) + "\ntechnique T { pass { StencilRef = F(); } }\n";
        std::string sErrors = Refusal(sSource);
        EXPECT_NE(sErrors.find("r.fx(2): error: cannot evaluate the value of 'StencilRef'"),
                  std::string::npos)
            << sErrors;
        EXPECT_NE(sErrors.find(c.m_pExpected), std::string::npos) << sErrors;
    }
    EXPECT_NE(Refusal("technique T { pass { ZEnable = Nowhere(); } }")
                  .find("'Nowhere' cannot be evaluated here"),
              std::string::npos);
}

// Shader code glslang would refuse, rewritten: drawn, with the colours it computes.
TEST_F(EffectConstructsTest, FlatArrayListsAndConstructorTargetsDraw)
{
    Make(R"(
static const float4 g_Colors[2] = { 1, 0, 0, 1,
                                    0, 0.5, 1, 1 };
float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    static const float2 halves[] = { 0.5, 0.25, 0.125, 1 };
    float2 rg;
    float b, a;
    float4(rg, b, a) = g_Colors[1];
    float3(b, rg) = float3(halves[1].x, rg);
    return float4(rg.x, rg.y * 2, b * 0.5, a * halves[0].x * 2);
}
technique T { pass { PixelShader = compile ps_2_0 PS(); ZEnable = false; } }
)");
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->BeginScene();
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    OrvRunPasses(m_pEffect, [&] { OrvDrawFullScreen(m_device.Get()); });
    m_device->EndScene();
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(m_device.Get(), image));
    // r = 0, g = 1, b = 0.0625, a = 1.
    uint32_t uColor = image.At(32, 32);
    EXPECT_EQ(uColor >> 16 & 255, 0u);
    EXPECT_EQ(uColor >> 8 & 255, 255u);
    EXPECT_NEAR(double(uColor & 255), 16.0, 1.0);
}

// The rewrites keep every line where it was, leave what they cannot be sure of alone, and
// never touch what the parser blanked (a parameter's initial value is the effect's).
TEST(FxRewrites, KeepLinesAndLeaveUncertainCodeAlone)
{
    const char* pSource = "float4 Colors[2] = { 1, 0, 0, 1, 0, 1, 0, 1 };\n"
                          "static const float2 Taps[2] = { -1, 0,\n  1, 0 };\n"
                          "static const float4 Rows[] = { a, b, c, d };\n"
                          "static const fixed4 Fixed[1] = { 1, 2, 3, 4 };\n"
                          "float4 PS(float2 uv : TEXCOORD0) : COLOR\n"
                          "{\n"
                          "    float3 n; float w, unknownSize;\n"
                          "    float4(n, w) = ddx(float4(uv, uv));\n"
                          "    float4(n, mystery) = 0;\n"
                          "    return float4(n, w);\n"
                          "}\n";
    COrvFxParser parser;
    SOrvFxFile file;
    std::string sErrors;
    ASSERT_TRUE(parser.Parse(pSource, "w.fx", file, sErrors)) << sErrors;
    const std::string& s = file.m_sShaderSource;
    EXPECT_EQ(std::count(s.begin(), s.end(), '\n'), 12) << s;
    EXPECT_EQ(s.find("Colors[2] = {"), std::string::npos) << "blanked, not rewritten: " << s;
    EXPECT_NE(s.find("{ float2(-1, 0),\n  float2(1, 0) }"), std::string::npos) << s;
    EXPECT_NE(s.find("Rows[] = { a, b, c, d }"), std::string::npos) << "names may be vectors";
    EXPECT_NE(s.find("{ half4(1, 2, 3, 4) }"), std::string::npos) << s;
    EXPECT_NE(s.find("{ float4 orv_parts = ddx(float4(uv, uv)); n = orv_parts.xyz; "
                     "w = orv_parts.w; }"),
              std::string::npos)
        << s;
    EXPECT_NE(s.find("float4(n, mystery) = 0;"), std::string::npos) << "undeclared: as written";
    EXPECT_EQ(file.m_aParameters[0].m_afValue, (std::vector<float>{1, 0, 0, 1, 0, 1, 0, 1}));
}
