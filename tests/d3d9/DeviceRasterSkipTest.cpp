// The discard of pixels for frames nobody sees (OrvRasterSkip.h): draws and clears leave the
// targets alone while it is on, copies and read-backs still work, and it turns off again.
#include "OrvGoldenImage.h"
#include "OrvRasterSkip.h"
#include "OrvTestDevice.h"
#include "OrvTestDraw.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace
{
void DrawGreenQuad(IDirect3DDevice9* pDevice)
{
    PlainScreenStates(pDevice);
    SScreenVertex quad[4];
    ScreenQuad(quad, 0.f, 0.f, 16.f, 16.f, 0xFF00FF00);
    pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(quad[0]));
}

uint32_t ReadCentre(IDirect3DDevice9* pDevice)
{
    SOrvImage image;
    return OrvReadRenderTarget(pDevice, image) ? image.At(8, 8) : 0u;
}

COrvComPtr<IDirect3DSurface9> MakeTarget(IDirect3DDevice9* pDevice)
{
    COrvComPtr<IDirect3DSurface9> pSurface;
    pDevice->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE,
                                pSurface.ReleaseAndGetAddressOf(), nullptr);
    return pSurface;
}
} // namespace

TEST(DeviceRasterSkip, DrawsAndClearsLeaveTheTargetUntilTheDiscardIsOff)
{
    COrvTestDevice device(16, 16);
    ASSERT_TRUE(device);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.f, 0);
    ASSERT_EQ(D3D_OK, OrvSetRasterizerDiscard(device.Get(), TRUE));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.f, 0);
    DrawGreenQuad(device.Get());
    EXPECT_EQ(0xFF0000FFu, ReadCentre(device.Get())) << "read-backs still work, on the old pixels";
    ASSERT_EQ(D3D_OK, OrvSetRasterizerDiscard(device.Get(), FALSE));
    EXPECT_EQ(0xFF0000FFu, ReadCentre(device.Get()));
    DrawGreenQuad(device.Get());
    EXPECT_EQ(0xFF00FF00u, ReadCentre(device.Get()));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.f, 0);
    EXPECT_EQ(0xFFFF0000u, ReadCentre(device.Get()));
}

TEST(DeviceRasterSkip, DrawsHeldInTheBatchMeetTheStateTheyWereMadeUnder)
{
    COrvTestDevice device(16, 16);
    ASSERT_TRUE(device);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.f, 0);
    DrawGreenQuad(device.Get()); // before the discard: must land
    ASSERT_EQ(D3D_OK, OrvSetRasterizerDiscard(device.Get(), TRUE));
    ASSERT_EQ(D3D_OK, OrvSetRasterizerDiscard(device.Get(), FALSE));
    EXPECT_EQ(0xFF00FF00u, ReadCentre(device.Get()));
}

TEST(DeviceRasterSkip, CopiesBetweenSurfacesStillHappen)
{
    COrvTestDevice device(16, 16);
    ASSERT_TRUE(device);
    COrvComPtr<IDirect3DSurface9> pSource = MakeTarget(device.Get());
    COrvComPtr<IDirect3DSurface9> pBack;
    ASSERT_TRUE(pSource);
    device->GetRenderTarget(0, pBack.ReleaseAndGetAddressOf());
    device->SetRenderTarget(0, pSource.Get());
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.f, 0);
    device->SetRenderTarget(0, pBack.Get());
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.f, 0);
    ASSERT_EQ(D3D_OK, OrvSetRasterizerDiscard(device.Get(), TRUE));
    ASSERT_EQ(D3D_OK,
              device->StretchRect(pSource.Get(), nullptr, pBack.Get(), nullptr, D3DTEXF_NONE));
    ASSERT_EQ(D3D_OK, OrvSetRasterizerDiscard(device.Get(), FALSE));
    EXPECT_EQ(0xFF00FF00u, ReadCentre(device.Get()));
}

TEST(DeviceRasterSkip, OnlyThisPlatformsDevicesAreAnswered)
{
    EXPECT_EQ(D3DERR_INVALIDCALL, OrvSetRasterizerDiscard(nullptr, TRUE));
}
