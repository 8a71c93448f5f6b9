// Clears, viewports and the orientation of read-back images.
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"

#include <gtest/gtest.h>

TEST(DeviceClear, ClearTouchesOnlyTheViewportAndReadsBackTopRowFirst)
{
    COrvTestDevice device(64, 48);
    ASSERT_TRUE(device) << std::hex << device.GetCreateResult();
    ASSERT_EQ(D3D_OK,
              device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.f, 0));
    D3DVIEWPORT9 viewport = {16, 8, 32, 24, 0.f, 1.f};
    ASSERT_EQ(D3D_OK, device->SetViewport(&viewport));
    ASSERT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.f, 0));
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    EXPECT_EQ(0xFFFF0000u, image.At(16, 8));
    EXPECT_EQ(0xFFFF0000u, image.At(47, 31));
    EXPECT_EQ(0xFF0000FFu, image.At(15, 8));
    EXPECT_EQ(0xFF0000FFu, image.At(16, 7));
    EXPECT_EQ(0xFF0000FFu, image.At(48, 31));
    EXPECT_EQ(0xFF0000FFu, image.At(16, 32));
    EXPECT_TRUE(OrvMatchesGolden(image, "d3d9/clear_viewport"));
}

TEST(DeviceClear, NewDepthBuffersStartFarSoTheFirstDrawPasses)
{
    COrvTestDevice device(8, 8);
    ASSERT_TRUE(device);
    COrvComPtr<IDirect3DSurface9> pDepth;
    ASSERT_EQ(D3D_OK,
              device->CreateDepthStencilSurface(8, 8, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, TRUE,
                                                pDepth.ReleaseAndGetAddressOf(), nullptr));
    for (int iPass = 0; iPass < 2; ++iPass)
    {
        if (iPass == 1)
        {
            ASSERT_EQ(D3D_OK, device->SetDepthStencilSurface(pDepth.Get()));
        }
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        const struct
        {
            float x, y, z, rhw;
            D3DCOLOR color;
        } quad[4] = {{-0.5f, -0.5f, 0.99f, 1, 0xFF00FF00},
                     {7.5f, -0.5f, 0.99f, 1, 0xFF00FF00},
                     {-0.5f, 7.5f, 0.99f, 1, 0xFF00FF00},
                     {7.5f, 7.5f, 0.99f, 1, 0xFF00FF00}};
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(quad[0]));
        SOrvImage image;
        ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
        EXPECT_EQ(0xFF00FF00u, image.At(4, 4)) << "pass " << iPass;
    }
}
