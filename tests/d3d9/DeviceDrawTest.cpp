// Pictures drawn by the fixed-function pipeline, checked against golden images and, where
// Direct3D fixes the exact result, pixel by pixel.
#include "OrvTestDraw.h"
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "d3dx9math.h"

#include <gtest/gtest.h>

#include <vector>

TEST(DeviceDraw, PretransformedQuadMapsTexelsToPixelsExactly)
{
    COrvTestDevice device(16, 16);
    ASSERT_TRUE(device);
    // Every texel different; row 0 of the texture is the top row of the picture.
    COrvComPtr<IDirect3DTexture9> pTexture =
        MakeTexture(device.Get(), 16, 16,
                    [](UINT x, UINT y) { return D3DCOLOR_ARGB(255, x * 16, y * 16, (x ^ y) * 8); });
    ASSERT_NE(nullptr, pTexture);
    PlainScreenStates(device.Get());
    device->SetTexture(0, pTexture.Get());
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    SScreenVertex quad[4];
    ScreenQuad(quad, 0, 0, 16, 16, 0xFFFFFFFF);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0);
    ASSERT_EQ(D3D_OK, device->BeginScene());
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(SScreenVertex)));
    ASSERT_EQ(D3D_OK, device->EndScene());
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 16; ++x)
            ASSERT_EQ(D3DCOLOR_ARGB(255, x * 16, y * 16, (x ^ y) * 8), image.At(x, y))
                << x << "," << y;
    device->SetTexture(0, nullptr);
}

TEST(DeviceDraw, LitTexturedQuadThroughD3DXMatrices)
{
    COrvTestDevice device(96, 64);
    ASSERT_TRUE(device);
    COrvComPtr<IDirect3DTexture9> pTexture = MakeTexture(
        device.Get(), 8, 8, [](UINT x, UINT y) { return ((x + y) & 1) ? 0xFFFFFFFF : 0xFF4080FF; });
    ASSERT_NE(nullptr, pTexture);
    // A unit square in the z = 0 plane, facing the camera at z = -3, tilted about y.
    const SLitVertex quad[4] = {{-1, 1, 0, 0, 0, -1, 0, 0},
                                {1, 1, 0, 0, 0, -1, 1, 0},
                                {-1, -1, 0, 0, 0, -1, 0, 1},
                                {1, -1, 0, 0, 0, -1, 1, 1}};
    D3DXMATRIX world, view, projection;
    D3DXMatrixRotationY(&world, 0.5f);
    const D3DXVECTOR3 eye(0, 0, -3), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, 96.f / 64.f, 0.1f, 10.f);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    D3DLIGHT9 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Specular = {1, 1, 1, 1};
    light.Direction = {0.3f, -0.2f, 1.f};
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    D3DMATERIAL9 material = {};
    material.Diffuse = {1.f, 0.9f, 0.8f, 1.f};
    material.Ambient = {1.f, 1.f, 1.f, 1.f};
    material.Specular = {0.5f, 0.5f, 0.5f, 1.f};
    material.Power = 8.f;
    device->SetMaterial(&material);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(40, 40, 40));
    device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetTexture(0, pTexture.Get());
    device->SetFVF(LIT_FVF);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202020, 1.f, 0);
    device->BeginScene();
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(SLitVertex)));
    device->EndScene();
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    EXPECT_EQ(0xFF202020u, image.At(0, 0));
    EXPECT_NE(0xFF202020u, image.At(48, 32));
    EXPECT_TRUE(OrvMatchesGolden(image, "d3d9/lit_textured_quad"));
    device->SetTexture(0, nullptr);
}

TEST(DeviceDraw, CullingTreatsClockwiseAsFront)
{
    COrvTestDevice device(32, 16);
    ASSERT_TRUE(device);
    PlainScreenStates(device.Get());
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    // Left triangle clockwise on screen, right one counter-clockwise.
    const SScreenVertex clockwise[3] = {{0, 0, 0.5f, 1, 0xFFFF0000, 0, 0},
                                        {16, 0, 0.5f, 1, 0xFFFF0000, 0, 0},
                                        {0, 16, 0.5f, 1, 0xFFFF0000, 0, 0}};
    const SScreenVertex counter[3] = {{16, 0, 0.5f, 1, 0xFF00FF00, 0, 0},
                                      {16, 16, 0.5f, 1, 0xFF00FF00, 0, 0},
                                      {32, 0, 0.5f, 1, 0xFF00FF00, 0, 0}};
    const struct
    {
        DWORD m_dwCull;
        bool m_bClockwiseDrawn;
        bool m_bCounterDrawn;
    } aCases[] = {
        {D3DCULL_CCW, true, false}, {D3DCULL_CW, false, true}, {D3DCULL_NONE, true, true}};
    for (const auto& rCase : aCases)
    {
        device->SetRenderState(D3DRS_CULLMODE, rCase.m_dwCull);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, clockwise, sizeof(SScreenVertex));
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, counter, sizeof(SScreenVertex));
        SOrvImage image;
        ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
        EXPECT_EQ(rCase.m_bClockwiseDrawn ? 0xFFFF0000u : 0xFF000000u, image.At(3, 3))
            << "cull " << rCase.m_dwCull;
        EXPECT_EQ(rCase.m_bCounterDrawn ? 0xFF00FF00u : 0xFF000000u, image.At(19, 3))
            << "cull " << rCase.m_dwCull;
    }
}

TEST(DeviceDraw, BlendFactorsGiveDirect3DResults)
{
    COrvTestDevice device(64, 16);
    ASSERT_TRUE(device);
    PlainScreenStates(device.Get());
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 200), 1.f, 0);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    // Source: red at alpha 0x80 over blue 200.
    const struct
    {
        DWORD m_dwSrc, m_dwDst;
        D3DCOLOR m_expected;
    } aCases[] = {
        {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DCOLOR_XRGB(128, 0, 99)},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DCOLOR_XRGB(255, 0, 200)},
        {D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DCOLOR_XRGB(128, 0, 200)},
        {D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, D3DCOLOR_XRGB(0, 0, 0)},
        {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, D3DCOLOR_XRGB(0, 0, 0)},
        {D3DBLEND_INVDESTCOLOR, D3DBLEND_ONE, D3DCOLOR_XRGB(255, 0, 200)},
        {D3DBLEND_BOTHSRCALPHA, D3DBLEND_ZERO, D3DCOLOR_XRGB(128, 0, 99)},
        {D3DBLEND_ONE, D3DBLEND_DESTALPHA, D3DCOLOR_XRGB(255, 0, 200)}, // X8: alpha reads 1
    };
    int iColumn = 0;
    for (const auto& rCase : aCases)
    {
        device->SetRenderState(D3DRS_SRCBLEND, rCase.m_dwSrc);
        device->SetRenderState(D3DRS_DESTBLEND, rCase.m_dwDst);
        SScreenVertex quad[4];
        ScreenQuad(quad, (float)iColumn * 8, 0, (float)iColumn * 8 + 8, 16,
                   D3DCOLOR_ARGB(0x80, 255, 0, 0));
        ASSERT_EQ(D3D_OK,
                  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(SScreenVertex)));
        ++iColumn;
    }
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    for (int i = 0; i < iColumn; ++i)
    {
        const uint32_t uActual = image.At(i * 8 + 4, 8);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR((int)((aCases[i].m_expected >> (8 * c)) & 0xFF),
                        (int)((uActual >> (8 * c)) & 0xFF), 1)
                << "case " << i << " channel " << c;
    }
    EXPECT_TRUE(OrvMatchesGolden(image, "d3d9/blend_modes"));
}

TEST(DeviceDraw, AlphaTestKeepsPixelsPassingTheReference)
{
    COrvTestDevice device(32, 8);
    ASSERT_TRUE(device);
    PlainScreenStates(device.Get());
    COrvComPtr<IDirect3DTexture9> pTexture =
        MakeTexture(device.Get(), 32, 1,
                    [](UINT x, UINT)
                    {
                        return D3DCOLOR_ARGB(x * 8, 255, 255, 255); // alpha 0, 8, ..., 248
                    });
    ASSERT_NE(nullptr, pTexture);
    device->SetTexture(0, pTexture.Get());
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 128);
    const struct
    {
        DWORD m_dwFunc;
        bool (*m_pPass)(UINT);
    } aCases[] = {
        {D3DCMP_GREATER, [](UINT a) { return a > 128; }},
        {D3DCMP_GREATEREQUAL, [](UINT a) { return a >= 128; }},
        {D3DCMP_LESS, [](UINT a) { return a < 128; }},
        {D3DCMP_EQUAL, [](UINT a) { return a == 128; }},
        {D3DCMP_NEVER, [](UINT) { return false; }},
    };
    for (const auto& rCase : aCases)
    {
        device->SetRenderState(D3DRS_ALPHAFUNC, rCase.m_dwFunc);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
        SScreenVertex quad[4];
        ScreenQuad(quad, 0, 0, 32, 8, 0xFFFFFFFF);
        ASSERT_EQ(D3D_OK,
                  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(SScreenVertex)));
        SOrvImage image;
        ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
        for (UINT x = 0; x < 32; ++x)
            EXPECT_EQ(rCase.m_pPass(x * 8) ? 0xFFFFFFFFu : 0xFF000000u, image.At(x, 4))
                << "func " << rCase.m_dwFunc << " alpha " << x * 8;
    }
    device->SetTexture(0, nullptr);
}

TEST(DeviceDraw, DepthTestKeepsTheNearerSurface)
{
    COrvTestDevice device(16, 16);
    ASSERT_TRUE(device);
    PlainScreenStates(device.Get());
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.f, 0);
    SScreenVertex nearQuad[4], farQuad[4];
    ScreenQuad(nearQuad, 0, 0, 8, 16, 0xFF00FF00, 0.25f);
    ScreenQuad(farQuad, 0, 0, 16, 16, 0xFFFF0000, 0.75f);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, nearQuad, sizeof(SScreenVertex));
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, farQuad, sizeof(SScreenVertex));
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    EXPECT_EQ(0xFF00FF00u, image.At(4, 8));
    EXPECT_EQ(0xFFFF0000u, image.At(12, 8));
    // Without z writes the far quad does not mark the depth buffer.
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.f, 0);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, farQuad, sizeof(SScreenVertex));
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    ScreenQuad(farQuad, 0, 0, 16, 16, 0xFF0000FF, 0.9f);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, farQuad, sizeof(SScreenVertex));
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    EXPECT_EQ(0xFF0000FFu, image.At(8, 8));
}

TEST(DeviceDraw, PointSpritesScaleAndCarryTheTexture)
{
    COrvTestDevice device(64, 32);
    ASSERT_TRUE(device);
    COrvComPtr<IDirect3DTexture9> pTexture = MakeTexture(
        device.Get(), 4, 4,
        [](UINT x, UINT y)
        { return y < 2 ? (x < 2 ? 0xFFFF0000 : 0xFF00FF00) : (x < 2 ? 0xFF0000FF : 0xFFFFFFFF); });
    ASSERT_NE(nullptr, pTexture);
    PlainScreenStates(device.Get());
    device->SetTexture(0, pTexture.Get());
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSIZE, FloatBits(16.f));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
    const SScreenVertex point = {15.5f, 15.5f, 0.5f, 1.f, 0xFFFFFFFF, 0, 0};
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &point, sizeof(point)));
    // A transformed point whose size follows the distance: A = 0, B = 0, C = 1 gives
    // size = viewport height * size / distance.
    const float afPosition[3] = {0.f, 0.f, 4.f};
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 1.f, 0.1f, 10.f);
    D3DXMATRIX view;
    D3DXMatrixTranslation(&view, 0.5f, 0.f, 0.f);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSCALE_A, FloatBits(0.f));
    device->SetRenderState(D3DRS_POINTSCALE_C, FloatBits(1.f));
    device->SetRenderState(D3DRS_POINTSIZE, FloatBits(1.f));
    device->SetFVF(D3DFVF_XYZ);
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_POINTLIST, 1, afPosition, sizeof(afPosition)));
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    // Sprite texture coordinates run from the top-left corner.
    EXPECT_EQ(0xFFFF0000u, image.At(10, 10));
    EXPECT_EQ(0xFF00FF00u, image.At(20, 10));
    EXPECT_EQ(0xFF0000FFu, image.At(10, 20));
    EXPECT_EQ(0xFFFFFFFFu, image.At(20, 20));
    EXPECT_EQ(0xFF000000u, image.At(5, 5));
    EXPECT_TRUE(OrvMatchesGolden(image, "d3d9/point_sprites"));
    device->SetTexture(0, nullptr);
}
