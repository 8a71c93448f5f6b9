// Constructs of the effect language that take effect when a pass begins: initial values in
// passes of one stage, state expressions, shader arrays, fixed-function light and material
// states, struct parameters and #include files; pictures on the headless device.
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "OrvTestDraw.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace
{
class EffectLanguageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_device) << "no headless device";
        Clear();
        m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    }
    void TearDown() override { m_pEffect.Reset(); }
    void Clear()
    {
        m_device->BeginScene();
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    }
    SOrvImage Read()
    {
        m_device->EndScene();
        SOrvImage image;
        EXPECT_TRUE(OrvReadRenderTarget(m_device.Get(), image));
        return image;
    }
    void Make(const char* pSource)
    {
        std::string sErrors;
        m_pEffect = OrvMakeEffect(m_device.Get(), pSource, &sErrors);
        ASSERT_NE(m_pEffect, nullptr) << sErrors;
    }
    // The colour of the middle after running every pass over the whole target.
    uint32_t DrawAndReadMiddle()
    {
        Clear();
        OrvRunPasses(m_pEffect, [&] { OrvDrawFullScreen(m_device.Get()); });
        return Read().At(32, 32);
    }
    COrvTestDevice m_device{64, 64};
    COrvComPtr<ID3DXEffect> m_pEffect;
};

bool Near(uint32_t actual, uint32_t expected)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((actual >> shift) & 255) - int((expected >> shift) & 255)) > 2)
            return false;
    return true;
}
} // namespace

// A post-process pass: no vertex shader, so the device's fixed-function vertex stage runs and
// is built for the vertex format the host sets after BeginPass.
TEST_F(EffectLanguageTest, InitialValuesAndLaterValuesReachAPixelShaderOnlyPass)
{
    Make(R"(
float3 LuminanceConv = {0.2125f, 0.7154f, 0.0721f};
float4 Tint = float4(1.0, 0.5, 0.25, 1.0);
float Gain = 1;
float4 PS(float2 uv : TEXCOORD0) : COLOR
{ return float4(Tint.rgb * dot(LuminanceConv, float3(1, 1, 1)) * Gain, 1); }
technique PostProcess { pass { PixelShader = compile ps_2_0 PS(); ZEnable = false; } }
)");
    EXPECT_PRED2(Near, DrawAndReadMiddle(), 0xffff8040u) << "initial values from a fresh effect";

    // A value set between passes reaches the next BeginPass; one set inside a pass waits for
    // CommitChanges.
    m_pEffect->SetFloat("Gain", 0.5f);
    Clear();
    UINT uPasses = 0;
    m_pEffect->Begin(&uPasses, 0);
    m_pEffect->BeginPass(0);
    D3DVIEWPORT9 left{0, 0, 32, 64, 0, 1}, right{32, 0, 32, 64, 0, 1};
    m_device->SetViewport(&left);
    OrvDrawFullScreen(m_device.Get());
    m_pEffect->SetFloat("Gain", 0.25f);
    m_device->SetViewport(&right);
    OrvDrawFullScreen(m_device.Get());
    m_device->SetViewport(&left);
    SOrvImage before = Read();
    EXPECT_PRED2(Near, before.At(16, 32), 0xff804020u);
    EXPECT_PRED2(Near, before.At(48, 32), 0xff804020u) << "not committed yet";
    Clear();
    m_pEffect->CommitChanges();
    OrvDrawFullScreen(m_device.Get());
    m_pEffect->EndPass();
    m_pEffect->End();
    EXPECT_PRED2(Near, Read().At(16, 32), 0xff402010u);
}

TEST_F(EffectLanguageTest, StateExpressionsFollowTheParametersWhenThePassBegins)
{
    // One triangle wound counter-clockwise on screen: culled by CCW, kept by NONE and CW.
    Make(R"(
float Fade = 0.5;
int gCullMode = 3;
float4 PS() : COLOR { return float4(0, 1, 0, 1); }
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 PS();
        CullMode = (Fade < 0.9) ? NONE : gCullMode;
        ColorWriteEnable = Fade > 2 ? RED : RED | GREEN | BLUE | ALPHA;
    }
}
)");
    auto draw = [&]
    {
        Clear();
        const SClipVertex aTriangle[3] = {
            {-1, -1, 0, 1, 0, 0}, {1, -1, 0, 1, 0, 0}, {0, 1, 0, 1, 0, 0}};
        OrvRunPasses(m_pEffect,
                     [&]
                     {
                         m_device->SetFVF(CLIP_FVF);
                         m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, aTriangle,
                                                   sizeof(SClipVertex));
                     });
        return Read().At(32, 40);
    };
    EXPECT_EQ(draw(), 0xff00ff00u) << "Fade < 0.9: no culling";
    m_pEffect->SetFloat("Fade", 1.0f);
    EXPECT_EQ(draw(), 0xff000000u) << "gCullMode = CCW culls it";
    m_pEffect->SetInt("gCullMode", D3DCULL_CW);
    EXPECT_EQ(draw(), 0xff00ff00u);
    m_pEffect->SetFloat("Fade", 3.0f);
    EXPECT_EQ(draw(), 0xff000000u) << "only red written, and the shader has none";
    DWORD dwCull = 0;
    m_device->GetRenderState(D3DRS_CULLMODE, &dwCull);
    EXPECT_EQ(dwCull, DWORD(D3DCULL_CCW)) << "End puts the device's own state back";
}

TEST_F(EffectLanguageTest, ShaderArraysPickTheirElementFromAParameter)
{
    Make(R"(
#define NUM_VARIANTS 3
int CurNumBones = 1;
static const float Scales[NUM_VARIANTS] = {1.0, 0.5, 0.25};
float4 VS(float4 p : POSITION, uniform int iBones) : POSITION
{ return float4(p.xy * Scales[iBones], p.zw); }
float4 PS(uniform float4 color) : COLOR { return color; }
VertexShader vsArray[NUM_VARIANTS] = { compile vs_2_0 VS(0), compile vs_2_0 VS(1), compile vs_2_0 VS(2) };
PixelShader psArray[2] = { compile ps_2_0 PS(float4(1, 0, 0, 1)), compile ps_2_0 PS(float4(0, 0, 1, 1)) };
technique Skinning
{
    pass { VertexShader = (vsArray[CurNumBones]); PixelShader = (psArray[CurNumBones > 1]); }
}
)");
    auto draw = [&]
    {
        Clear();
        OrvRunPasses(m_pEffect, [&] { OrvDrawFullScreen(m_device.Get()); });
        return Read();
    };
    SOrvImage half = draw();
    EXPECT_EQ(half.At(32, 32), 0xffff0000u);
    EXPECT_EQ(half.At(20, 32), 0xffff0000u);
    EXPECT_EQ(half.At(10, 32), 0xff000000u) << "half the size with CurNumBones = 1";
    m_pEffect->SetInt("CurNumBones", 2);
    SOrvImage quarter = draw();
    EXPECT_EQ(quarter.At(32, 32), 0xff0000ffu);
    EXPECT_EQ(quarter.At(20, 32), 0xff000000u);
    m_pEffect->SetInt("CurNumBones", 0);
    EXPECT_EQ(draw().At(2, 2), 0xffff0000u);
    m_pEffect->SetInt("CurNumBones", 99);
    EXPECT_EQ(draw().At(32, 32), 0xff0000ffu) << "an index past the end takes the last";
}

// A fixed-function pass lit by the effect's own light and material.
TEST_F(EffectLanguageTest, LightAndMaterialStatesLightAFixedFunctionPass)
{
    Make(R"(
float4 LightColor = {1, 0.5, 0, 1};
float4 MaterialColor : DIFFUSE = {1, 1, 1, 1};
technique Lit
{
    pass
    {
        Lighting = true;
        LightDiffuse[0] = <LightColor>;
        LightDirection[0] = float3(0, 0, 1);
        LightType[0] = DIRECTIONAL;
        LightEnable[0] = true;
        MaterialDiffuse = <MaterialColor>;
        MaterialAmbient = {0, 0, 0, 1};
        Ambient = 0;
        ColorVertex = false;
    }
}
)");
    struct SVertex
    {
        float x, y, z, nx, ny, nz;
    } aQuad[4] = {{-1, 1, 0.5f, 0, 0, -1},
                  {1, 1, 0.5f, 0, 0, -1},
                  {-1, -1, 0.5f, 0, 0, -1},
                  {1, -1, 0.5f, 0, 0, -1}};
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (D3DTRANSFORMSTATETYPE eState : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION})
        m_device->SetTransform(eState, &identity);
    OrvRunPasses(m_pEffect,
                 [&]
                 {
                     m_device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
                     m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, aQuad, sizeof(SVertex));
                 });
    EXPECT_PRED2(Near, Read().At(32, 32), 0xffff8000u);
    BOOL bEnabled = TRUE;
    m_device->GetLightEnable(0, &bEnabled);
    EXPECT_FALSE(bEnabled) << "End turns the light off again";
}

TEST_F(EffectLanguageTest, StructParametersTakeInitialValuesAndWholeValues)
{
    Make(R"(
struct Light { float3 Direction; float4 Color; };
Light gLight = { {0, 0, 1}, {0, 1, 0, 1} };
float4 PS() : COLOR { return gLight.Color * gLight.Direction.z; }
technique T { pass { PixelShader = compile ps_2_0 PS(); } }
)");
    D3DXPARAMETER_DESC desc;
    ASSERT_EQ(m_pEffect->GetParameterDesc("gLight", &desc), S_OK);
    EXPECT_EQ(desc.Class, D3DXPC_STRUCT);
    EXPECT_EQ(desc.StructMembers, 2u);
    EXPECT_EQ(desc.Bytes, 28u);
    EXPECT_EQ(DrawAndReadMiddle(), 0xff00ff00u);
    const float afLight[7] = {0, 0, 0.5f, 1, 0, 1, 1};
    ASSERT_EQ(m_pEffect->SetValue("gLight", afLight, sizeof afLight), S_OK);
    EXPECT_PRED2(Near, DrawAndReadMiddle(), 0xff800080u);
}

TEST_F(EffectLanguageTest, IncludedFilesFromDiskAndTheirMessages)
{
    std::string sTemplate = testing::TempDir() + "orv_fxinc_XXXXXX";
    ASSERT_NE(mkdtemp(sTemplate.data()), nullptr);
    std::string sDir = sTemplate + "/";
    std::filesystem::create_directories(sDir + "shaders");
    std::ofstream(sDir + "shaders/common.fxh") << "// shared by every effect\n"
                                                  "#define TINT float4(1, 1, 0, 1)\n"
                                                  "float4 Shade() { return TINT; }\n";
    std::ofstream(sDir + "main.fx")
        << "#include \"shaders/common.fxh\"\n"
           "float4 PS() : COLOR { return Shade(); }\n"
           "technique T { pass { PixelShader = compile ps_2_0 PS(); } }\n";
    std::ofstream(sDir + "shaders/broken.fxh") << "\n\nfloat4 Shade() { return undefinedTint; }\n";
    std::ofstream(sDir + "broken.fx")
        << "#include \"shaders/broken.fxh\"\n"
           "float4 PS() : COLOR { return Shade(); }\n"
           "technique T { pass { PixelShader = compile ps_2_0 PS(); } }\n";
    ASSERT_EQ(D3DXCreateEffectFromFileA(m_device.Get(), (sDir + "main.fx").c_str(), nullptr,
                                        nullptr, 0, nullptr, m_pEffect.ReleaseAndGetAddressOf(),
                                        nullptr),
              S_OK);
    EXPECT_EQ(DrawAndReadMiddle(), 0xffffff00u);
    COrvComPtr<ID3DXEffect> pBroken;
    COrvComPtr<ID3DXBuffer> pErrors;
    EXPECT_TRUE(FAILED(D3DXCreateEffectFromFileA(
        m_device.Get(), (sDir + "broken.fx").c_str(), nullptr, nullptr, 0, nullptr,
        pBroken.ReleaseAndGetAddressOf(), pErrors.ReleaseAndGetAddressOf())));
    ASSERT_NE(pErrors, nullptr);
    std::string sMessage = static_cast<const char*>(pErrors->GetBufferPointer());
    EXPECT_NE(sMessage.find(sDir + "shaders/broken.fxh(3): error:"), std::string::npos) << sMessage;
    EXPECT_NE(sMessage.find("undefinedTint"), std::string::npos) << sMessage;
    pErrors.Reset();
    std::filesystem::remove_all(sDir);
}

// Pixel inputs of shader model 3 in Direct3D's terms: VPOS counts pixels from the top-left
// one, VFACE is positive on the front (clockwise) side.
TEST_F(EffectLanguageTest, PixelPositionAndFaceAsDirect3DGivesThem)
{
    Make(R"(
float4 PS(float2 vpos : VPOS, float face : VFACE) : COLOR
{ return float4(vpos.x / 255.0, vpos.y / 255.0, face > 0 ? 1.0 : 0.5, 1.0); }
technique T { pass { PixelShader = compile ps_3_0 PS(); CullMode = None; } }
)");
    // The full-screen strip: its first triangle is clockwise on screen, its second too.
    Clear();
    OrvRunPasses(m_pEffect, [&] { OrvDrawFullScreen(m_device.Get()); });
    SOrvImage front = Read();
    EXPECT_EQ(front.At(0, 0), 0xff0000ffu);
    EXPECT_EQ(front.At(5, 9), 0xff0509ffu);
    EXPECT_EQ(front.At(63, 62), 0xff3f3effu);
    Clear();
    const SClipVertex aBack[3] = {{-1, -1, 0, 1, 0, 0}, {1, -1, 0, 1, 0, 0}, {-1, 1, 0, 1, 0, 0}};
    OrvRunPasses(m_pEffect,
                 [&]
                 {
                     m_device->SetFVF(CLIP_FVF);
                     m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, aBack, sizeof(SClipVertex));
                 });
    EXPECT_EQ(Read().At(2, 60), 0xff023c80u) << "counter-clockwise: the back side";
}

// Direct3D 9 has no one-dimensional textures of its own: tex1D reads a 2D texture of one row.
TEST_F(EffectLanguageTest, OneDimensionalLookupsReadARowTexture)
{
    Make(R"(
texture Ramp;
sampler RampSampler = sampler_state { Texture = <Ramp>; MinFilter = Point; MagFilter = Point; AddressU = Clamp; };
sampler1D Direct = sampler_state { Texture = <Ramp>; MinFilter = Point; MagFilter = Point; };
float4 PS(float2 uv : TEXCOORD0) : COLOR
{ return uv.y < 0.5 ? tex1D(RampSampler, uv.x) : tex1Dlod(Direct, float4(uv.x, 0, 0, 0)); }
technique T { pass { PixelShader = compile ps_3_0 PS(); } }
)");
    COrvComPtr<IDirect3DTexture9> pRamp;
    ASSERT_EQ(m_device->CreateTexture(4, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                      pRamp.ReleaseAndGetAddressOf(), nullptr),
              S_OK);
    D3DLOCKED_RECT locked;
    pRamp->LockRect(0, &locked, nullptr, 0);
    const DWORD adwRamp[4] = {0xff000000, 0xff404040, 0xff808080, 0xffffffff};
    std::memcpy(locked.pBits, adwRamp, sizeof adwRamp);
    pRamp->UnlockRect(0);
    m_pEffect->SetTexture("Ramp", pRamp.Get());
    D3DXPARAMETER_DESC desc;
    m_pEffect->GetParameterDesc("Direct", &desc);
    EXPECT_EQ(desc.Type, D3DXPT_SAMPLER1D);
    Clear();
    OrvRunPasses(m_pEffect, [&] { OrvDrawFullScreen(m_device.Get()); });
    SOrvImage image = Read();
    pRamp.Reset();
    for (UINT x : {2u, 20u, 40u, 60u})
    {
        EXPECT_EQ(image.At(x, 10), adwRamp[x / 16]) << x;
        EXPECT_EQ(image.At(x, 50), adwRamp[x / 16]) << x;
    }
}

// The host's row-major matrices mean the same whatever packing the file declares.
TEST_F(EffectLanguageTest, MatrixPackingDoesNotChangeTheTransform)
{
    Make(R"(
#pragma pack_matrix(row_major)
float4x4 PragmaRow;
#pragma pack_matrix(column_major)
float4x4 Column;
row_major float4x4 Row;
column_major float4x3 Column43;
float4 VS(float4 p : POSITION, uniform int which) : POSITION
{
    if (which == 0) return mul(p, Column);
    if (which == 1) return mul(p, Row);
    if (which == 2) return mul(p, PragmaRow);
    if (which == 3) return float4(mul(p, Column43), 1);
    return mul(transpose(Column), p);
}
float4 PS() : COLOR { return float4(1, 1, 1, 1); }
technique T0 { pass { VertexShader = compile vs_2_0 VS(0); PixelShader = compile ps_2_0 PS(); } }
technique T1 { pass { VertexShader = compile vs_2_0 VS(1); PixelShader = compile ps_2_0 PS(); } }
technique T2 { pass { VertexShader = compile vs_2_0 VS(2); PixelShader = compile ps_2_0 PS(); } }
technique T3 { pass { VertexShader = compile vs_2_0 VS(3); PixelShader = compile ps_2_0 PS(); } }
technique T4 { pass { VertexShader = compile vs_2_0 VS(4); PixelShader = compile ps_2_0 PS(); } }
)");
    // Half as wide, moved right by an eighth of the target: covers x from 24 to 56.
    D3DXMATRIX scale, move, matrix;
    D3DXMatrixScaling(&scale, 0.5f, 1.0f, 1.0f);
    D3DXMatrixTranslation(&move, 0.25f, 0, 0);
    matrix = scale * move;
    for (const char* pName : {"PragmaRow", "Column", "Row", "Column43"})
        ASSERT_EQ(m_pEffect->SetMatrix(pName, &matrix), S_OK) << pName;
    for (const char* pTechnique : {"T0", "T1", "T2", "T3", "T4"})
    {
        m_pEffect->SetTechnique(pTechnique);
        Clear();
        OrvRunPasses(m_pEffect, [&] { OrvDrawFullScreen(m_device.Get()); });
        SOrvImage image = Read();
        EXPECT_EQ(image.At(22, 32), 0xff000000u) << pTechnique;
        EXPECT_EQ(image.At(26, 32), 0xffffffffu) << pTechnique;
        EXPECT_EQ(image.At(54, 32), 0xffffffffu) << pTechnique;
        EXPECT_EQ(image.At(58, 32), 0xff000000u) << pTechnique;
    }
}

// Semantics are not case-sensitive: "Position" is the position, "Depth" the depth.
TEST_F(EffectLanguageTest, SemanticsInAnyCase)
{
    Make(R"(
struct VSOUT { float4 Pos : Position; float2 uv : TexCoord0; float4 c : Color0; };
VSOUT VS(float4 p : Position, float2 uv : texcoord0)
{ VSOUT o; o.Pos = float4(p.xy, 0.25, 1); o.uv = uv; o.c = float4(uv, 0, 1); return o; }
void PS(VSOUT i, out float4 c : Color, out float d : Depth) { c = i.c; d = 0.75; }
float4 PSNear() : COLOR { return float4(1, 1, 1, 1); }
technique T
{
    pass { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); ZEnable = true; ZWriteEnable = true; ZFunc = Less; }
    pass { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PSNear(); }
}
)");
    // The second pass is at depth 0.25 and so in front of the first pass's 0.75, unless the
    // first pass's depth was not written.
    UINT uPasses = 0;
    m_pEffect->Begin(&uPasses, 0);
    m_pEffect->BeginPass(0);
    OrvDrawFullScreen(m_device.Get());
    m_pEffect->EndPass();
    EXPECT_PRED2(Near, Read().At(48, 16), 0xffbf3f00u) << "uv (0.75, 0.25) from the vertex shader";
    Clear();
    m_pEffect->BeginPass(0);
    OrvDrawFullScreen(m_device.Get());
    m_pEffect->EndPass();
    m_pEffect->BeginPass(1);
    OrvDrawFullScreen(m_device.Get());
    m_pEffect->EndPass();
    m_pEffect->End();
    EXPECT_EQ(Read().At(48, 16), 0xffffffffu) << "the first pass wrote depth 0.75";
}

// A sampler array: a texture unit per element, each with its own sampler_state.
TEST_F(EffectLanguageTest, SamplerArraysTakeAStatePerElement)
{
    Make(R"(
texture Red;
texture Blue;
sampler2D Layers[2] = { sampler_state { Texture = <Red>; MinFilter = Point; MagFilter = Point; },
                        sampler_state { Texture = (Blue); MinFilter = Point; MagFilter = Point; } };
float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    float4 sum = 0;
    [unroll] for (int i = 0; i < 2; i++)
        sum += tex2D(Layers[i], uv) * (uv.y < 0.5 ? 1 : 0);
    return uv.y < 0.5 ? sum : (uv.x < 0.5 ? tex2D(Layers[0], uv) : tex2D(Layers[1], uv));
}
technique T { pass { PixelShader = compile ps_3_0 PS(); } }
)");
    COrvComPtr<IDirect3DTexture9> pRed =
        MakeTexture(m_device.Get(), 2, 2, [](UINT, UINT) { return 0xffff0000u; });
    COrvComPtr<IDirect3DTexture9> pBlue =
        MakeTexture(m_device.Get(), 2, 2, [](UINT, UINT) { return 0xff0000ffu; });
    m_pEffect->SetTexture("Red", pRed.Get());
    m_pEffect->SetTexture("Blue", pBlue.Get());
    D3DXPARAMETER_DESC desc;
    m_pEffect->GetParameterDesc("Layers", &desc);
    EXPECT_EQ(desc.Elements, 2u);
    Clear();
    OrvRunPasses(m_pEffect, [&] { OrvDrawFullScreen(m_device.Get()); });
    SOrvImage image = Read();
    EXPECT_EQ(image.At(10, 10), 0xffff00ffu) << "both layers added";
    EXPECT_EQ(image.At(10, 50), 0xffff0000u);
    EXPECT_EQ(image.At(50, 50), 0xff0000ffu);
}
