#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "OrvTestDraw.h"

#include <gtest/gtest.h>

namespace
{
// A post-process effect as the built-in layers use them: a texture, a technique named
// "PostProcess", positions already in clip space.
const char* const s_pCopy = R"(
texture Tex;
sampler TexSampler = sampler_state { Texture = <Tex>; MinFilter = Point; MagFilter = Point;
                                     AddressU = Clamp; AddressV = Clamp; };
struct VSOUT { float4 pos : POSITION; float2 uv : TEXCOORD0; };
VSOUT VS(float4 p : POSITION, float2 uv : TEXCOORD0) { VSOUT o; o.pos = p; o.uv = uv; return o; }
float4 PS(float2 uv : TEXCOORD0) : COLOR { return tex2D(TexSampler, uv); }
technique PostProcess { pass P0 { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS();
                                  ZEnable = false; CullMode = None; } }
)";

class EffectPictureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_device) << "no headless device";
        m_device->BeginScene();
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
        m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    }
    SOrvImage Read()
    {
        m_device->EndScene();
        SOrvImage image;
        EXPECT_TRUE(OrvReadRenderTarget(m_device.Get(), image));
        return image;
    }
    COrvTestDevice m_device{64, 64};
};
} // namespace

TEST_F(EffectPictureTest, PreTransformedPassCopiesTexelsExactly)
{
    COrvComPtr<IDirect3DTexture9> pTexture;
    ASSERT_EQ(m_device->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                      pTexture.ReleaseAndGetAddressOf(), nullptr),
              S_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(pTexture->LockRect(0, &locked, nullptr, 0), S_OK);
    for (UINT y = 0; y < 64; ++y)
        for (UINT x = 0; x < 64; ++x)
            reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x] =
                0xff000000 | (x * 4) << 16 | (y * 4) << 8 | ((x ^ y) & 1) * 255;
    pTexture->UnlockRect(0);
    std::string sErrors;
    COrvComPtr<ID3DXEffect> pEffect = OrvMakeEffect(m_device.Get(), s_pCopy, &sErrors);
    ASSERT_NE(pEffect, nullptr) << sErrors;
    ASSERT_EQ(pEffect->SetTechnique("PostProcess"), S_OK);
    pEffect->SetTexture("Tex", pTexture.Get());
    OrvRunPasses(pEffect, [&] { OrvDrawFullScreen(m_device.Get()); });
    SOrvImage image = Read();
    for (UINT y = 0; y < 64; y += 7)
        for (UINT x = 0; x < 64; x += 5)
            ASSERT_EQ(image.At(x, y),
                      0xff000000 | (x * 4) << 16 | (y * 4) << 8 | ((x ^ y) & 1) * 255)
                << x << "," << y;
}

namespace
{
// Two passes: an opaque quad in the middle, then the whole target added on top with
// additive blending; the states of the first pass are undone by End.
const char* const s_pTwoPasses = R"(
float4 Inner = {0.5, 0.25, 0.0, 1.0};
float4 Overlay : OVERLAYCOLOR = {0.0, 0.25, 0.5, 1.0};
float Scale = 0.5;
float4 VSInner(float4 p : POSITION) : POSITION { return float4(p.xy * Scale, p.zw); }
float4 VSWhole(float4 p : POSITION) : POSITION { return p; }
float4 PSInner() : COLOR { return Inner; }
float4 PSOverlay() : COLOR { return Overlay; }
technique TwoPasses
{
    pass Inner
    {
        VertexShader = compile vs_2_0 VSInner();
        PixelShader = compile ps_2_0 PSInner();
        ZEnable = false;
        AlphaBlendEnable = false;
        CullMode = None;
    }
    pass Overlay
    {
        VertexShader = compile vs_2_0 VSWhole();
        PixelShader = compile ps_2_0 PSOverlay();
        AlphaBlendEnable = true;
        SrcBlend = One;
        DestBlend = One;
        BlendOp = Add;
    }
}
)";

// Two textures mixed, the second through a sampler with its own addressing.
const char* const s_pTwoTextures = R"(
texture Tex;
texture Tex1;
sampler S0 = sampler_state { Texture = <Tex>; MinFilter = POINT; MagFilter = POINT; };
sampler2D S1 = sampler_state { Texture = (Tex1); MinFilter = Point; MagFilter = Point;
                               AddressU = Wrap; AddressV = Wrap; };
float Mix = 0.5;
struct VSOUT { float4 pos : POSITION; float2 uv : TEXCOORD0; float2 uv2 : TEXCOORD1; };
VSOUT VS(float4 p : POSITION, float2 uv : TEXCOORD0)
{ VSOUT o; o.pos = p; o.uv = uv; o.uv2 = uv * 2; return o; }
float4 PS(float2 uv : TEXCOORD0, float2 uv2 : TEXCOORD1) : COLOR
{ return lerp(tex2D(S0, uv), tex2D(S1, uv2), Mix); }
technique Mixed { pass { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }
)";

COrvComPtr<IDirect3DTexture9> SolidQuadrants(IDirect3DDevice9* pDevice, UINT uSize, DWORD a,
                                             DWORD b)
{
    COrvComPtr<IDirect3DTexture9> pTexture;
    if (FAILED(pDevice->CreateTexture(uSize, uSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                      pTexture.ReleaseAndGetAddressOf(), nullptr)))
        return nullptr;
    D3DLOCKED_RECT locked;
    pTexture->LockRect(0, &locked, nullptr, 0);
    for (UINT y = 0; y < uSize; ++y)
        for (UINT x = 0; x < uSize; ++x)
            reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x] =
                ((x < uSize / 2) == (y < uSize / 2)) ? a : b;
    pTexture->UnlockRect(0);
    return pTexture;
}
} // namespace

TEST_F(EffectPictureTest, TwoPassesWithRenderStates)
{
    std::string sErrors;
    COrvComPtr<ID3DXEffect> pEffect = OrvMakeEffect(m_device.Get(), s_pTwoPasses, &sErrors);
    ASSERT_NE(pEffect, nullptr) << sErrors;
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    UINT uPasses = 0;
    ASSERT_EQ(pEffect->Begin(&uPasses, 0), S_OK);
    EXPECT_EQ(uPasses, 2u);
    for (UINT p = 0; p < uPasses; ++p)
    {
        ASSERT_EQ(pEffect->BeginPass(p), S_OK);
        OrvDrawFullScreen(m_device.Get());
        pEffect->EndPass();
    }
    pEffect->End();
    DWORD dwBlend = TRUE;
    m_device->GetRenderState(D3DRS_ALPHABLENDENABLE, &dwBlend);
    EXPECT_EQ(dwBlend, DWORD(FALSE)) << "End restores what the passes changed";
    SOrvImage image = Read();
    EXPECT_EQ(image.At(32, 32), 0xff808080u);
    EXPECT_EQ(image.At(2, 2), 0xff004080u);
    EXPECT_TRUE(OrvMatchesGolden(image, "d3dx/two_passes"));
}

TEST_F(EffectPictureTest, TwoTexturesThroughTwoSamplers)
{
    std::string sErrors;
    COrvComPtr<ID3DXEffect> pEffect = OrvMakeEffect(m_device.Get(), s_pTwoTextures, &sErrors);
    ASSERT_NE(pEffect, nullptr) << sErrors;
    COrvComPtr<IDirect3DTexture9> pA = SolidQuadrants(m_device.Get(), 8, 0xffff0000, 0xff0000ff);
    COrvComPtr<IDirect3DTexture9> pB = SolidQuadrants(m_device.Get(), 8, 0xff00ff00, 0xff000000);
    ASSERT_EQ(pEffect->SetTexture("Tex", pA.Get()), S_OK);
    ASSERT_EQ(pEffect->SetTexture(pEffect->GetParameterByName(nullptr, "Tex1"), pB.Get()), S_OK);
    pEffect->SetFloat("Mix", 0.5f);
    OrvRunPasses(pEffect, [&] { OrvDrawFullScreen(m_device.Get()); });
    SOrvImage image = Read();
    // Top-left: red from the first, green from the second (repeated twice across).
    auto near = [](uint32_t actual, uint32_t expected)
    {
        for (int shift = 0; shift < 32; shift += 8)
            if (std::abs(int((actual >> shift) & 255) - int((expected >> shift) & 255)) > 2)
                return false;
        return true;
    };
    EXPECT_PRED2(near, image.At(4, 4), 0xff807f00u);
    EXPECT_PRED2(near, image.At(20, 4), 0xff800000u);
    EXPECT_PRED2(near, image.At(40, 40), 0xff7f7f00u);
    EXPECT_TRUE(OrvMatchesGolden(image, "d3dx/two_textures"));
}

// One stage of the effect's own with the device's fixed-function stage as the other.
TEST_F(EffectPictureTest, PassesWithOneShaderUseTheFixedFunctionStageForTheOther)
{
    const char* pSource = R"(
texture Tex;
sampler S = sampler_state { Texture = <Tex>; MinFilter = Point; MagFilter = Point; };
struct VSOUT { float4 pos : POSITION; float2 uv : TEXCOORD0; };
VSOUT VS(float4 p : POSITION, float2 uv : TEXCOORD0) { VSOUT o; o.pos = p; o.uv = uv; return o; }
float4 PS(float2 uv : TEXCOORD0) : COLOR { return tex2D(S, uv).bgra; }
technique VertexOnly
{
    pass { VertexShader = compile vs_2_0 VS(); Texture[0] = <Tex>; MinFilter[0] = Point; MagFilter[0] = Point;
           ColorOp[0] = SelectArg1; ColorArg1[0] = Texture; AlphaOp[0] = SelectArg1; AlphaArg1[0] = Texture; }
}
technique PixelOnly { pass { PixelShader = compile ps_2_0 PS(); } }
)";
    std::string sErrors;
    COrvComPtr<ID3DXEffect> pEffect = OrvMakeEffect(m_device.Get(), pSource, &sErrors);
    ASSERT_NE(pEffect, nullptr) << sErrors;
    COrvComPtr<IDirect3DTexture9> pTexture =
        SolidQuadrants(m_device.Get(), 8, 0xffff0000, 0xff00ff00);
    pEffect->SetTexture("Tex", pTexture.Get());
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (D3DTRANSFORMSTATETYPE eState : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION})
        m_device->SetTransform(eState, &identity);
    D3DVIEWPORT9 left{0, 0, 32, 64, 0, 1}, right{32, 0, 32, 64, 0, 1};
    m_device->SetViewport(&left);
    pEffect->SetTechnique("VertexOnly");
    OrvRunPasses(pEffect, [&] { OrvDrawFullScreen(m_device.Get()); });
    m_device->SetViewport(&right);
    pEffect->SetTechnique("PixelOnly");
    OrvRunPasses(pEffect, [&] { OrvDrawFullScreen(m_device.Get()); });
    SOrvImage image = Read();
    EXPECT_EQ(image.At(4, 4), 0xffff0000u) << "texture through the fixed-function pixel stage";
    EXPECT_EQ(image.At(28, 4), 0xff00ff00u);
    EXPECT_EQ(image.At(36, 4), 0xff0000ffu) << "the effect's pixel shader swaps red and blue";
    EXPECT_EQ(image.At(60, 60), 0xff0000ffu);
    EXPECT_EQ(image.At(60, 4), 0xff00ff00u);
}

// Literal arguments of 'compile' bind the entry point's uniform parameters.
TEST_F(EffectPictureTest, CompileArgumentsSelectShaderVariants)
{
    const char* pSource = R"(
float4 VS(float4 p : POSITION, uniform float fScale) : POSITION { return float4(p.xy * fScale, p.zw); }
float4 PS(uniform bool bRed, float2 unused : TEXCOORD0, uniform float fLevel) : COLOR
{ return bRed ? float4(fLevel, 0, 0, 1) : float4(0, 0, fLevel, 1); }
technique Variants
{
    pass Whole { VertexShader = compile vs_2_0 VS(1.0); PixelShader = compile ps_2_0 PS(true, 1.0); }
    pass Middle { VertexShader = compile vs_2_0 VS(0.5); PixelShader = compile ps_2_0 PS(false, 0.5); }
}
technique TooMany { pass { PixelShader = compile ps_2_0 PS(true, 1.0, 2.0); } }
)";
    std::string sErrors;
    EXPECT_EQ(OrvMakeEffect(m_device.Get(), pSource, &sErrors), nullptr);
    EXPECT_NE(sErrors.find("memory(10): error: 'PS' takes 2 uniform arguments, 'compile' gives 3"),
              std::string::npos)
        << sErrors;
    std::string sGood = pSource;
    sGood.resize(sGood.find("technique TooMany"));
    COrvComPtr<ID3DXEffect> pEffect = OrvMakeEffect(m_device.Get(), sGood, &sErrors);
    ASSERT_NE(pEffect, nullptr) << sErrors;
    OrvRunPasses(pEffect, [&] { OrvDrawFullScreen(m_device.Get()); });
    SOrvImage image = Read();
    EXPECT_EQ(image.At(2, 2), 0xffff0000u);
    EXPECT_EQ(image.At(32, 32), 0xff000080u);
}
