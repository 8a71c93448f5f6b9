// Bad input gets a failure result or no effect, never a crash.
#include "OrvTestDraw.h"
#include "OrvTestDevice.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

TEST(DeviceBadInput, CreationRejectsBadParameters)
{
    COrvComPtr<IDirect3D9> pD3D;
    pD3D.Attach(Direct3DCreate9(D3D_SDK_VERSION));
    ASSERT_NE(nullptr, pD3D);
    EXPECT_EQ(nullptr, Direct3DCreate9(31));
    D3DPRESENT_PARAMETERS params = {};
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.Windowed = TRUE;
    COrvComPtr<IDirect3DDevice9> pDevice;
    EXPECT_EQ(D3DERR_INVALIDCALL, pD3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &params,
                                                     pDevice.ReleaseAndGetAddressOf())); // 0 x 0
    EXPECT_EQ(nullptr, pDevice);
    params.BackBufferWidth = params.BackBufferHeight = 100000;
    EXPECT_EQ(D3DERR_INVALIDCALL, pD3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &params,
                                                     pDevice.ReleaseAndGetAddressOf()));
    params.BackBufferWidth = params.BackBufferHeight = 16;
    params.BackBufferFormat = D3DFMT_D16;
    EXPECT_EQ(D3DERR_INVALIDCALL, pD3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &params,
                                                     pDevice.ReleaseAndGetAddressOf()));
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    EXPECT_EQ(D3DERR_INVALIDCALL, pD3D->CreateDevice(1, D3DDEVTYPE_HAL, nullptr, 0, &params,
                                                     pDevice.ReleaseAndGetAddressOf()));
    EXPECT_EQ(D3DERR_INVALIDCALL, pD3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, nullptr,
                                                     pDevice.ReleaseAndGetAddressOf()));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              pD3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &params, nullptr));
    D3DCAPS9 caps;
    EXPECT_EQ(D3D_OK, pD3D->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps));
    EXPECT_NE(0u, caps.VertexProcessingCaps);
    EXPECT_EQ(D3DERR_INVALIDCALL, pD3D->GetDeviceCaps(0, D3DDEVTYPE_HAL, nullptr));
    D3DDISPLAYMODE mode;
    EXPECT_EQ(D3DERR_INVALIDCALL,
              pD3D->EnumAdapterModes(0, D3DFMT_X8R8G8B8,
                                     pD3D->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), &mode));
    EXPECT_EQ(D3DERR_INVALIDCALL, pD3D->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 0, nullptr));
}

TEST(DeviceBadInput, ModesWithoutADisplayIncludeTheCommonSizes)
{
    const char* szDisplay = getenv("DISPLAY");
    const char* szWayland = getenv("WAYLAND_DISPLAY");
    if ((szDisplay && *szDisplay) || (szWayland && *szWayland))
        GTEST_SKIP() << "a display is present: its own modes are listed";
    COrvComPtr<IDirect3D9> pD3D;
    pD3D.Attach(Direct3DCreate9(D3D_SDK_VERSION));
    const UINT uCount = pD3D->GetAdapterModeCount(0, D3DFMT_X8R8G8B8);
    bool b800 = false, b720 = false, b1080 = false;
    for (UINT i = 0; i < uCount; ++i)
    {
        D3DDISPLAYMODE mode;
        ASSERT_EQ(D3D_OK, pD3D->EnumAdapterModes(0, D3DFMT_X8R8G8B8, i, &mode));
        EXPECT_EQ(D3DFMT_X8R8G8B8, mode.Format);
        b800 |= mode.Width == 800 && mode.Height == 600;
        b720 |= mode.Width == 1280 && mode.Height == 720;
        b1080 |= mode.Width == 1920 && mode.Height == 1080;
    }
    EXPECT_TRUE(b800 && b720 && b1080);
    EXPECT_EQ(0u, pD3D->GetAdapterModeCount(0, D3DFMT_D16));
}

TEST(DeviceBadInput, ResourceCreationRejectsBadArguments)
{
    COrvTestDevice device(16, 16);
    ASSERT_TRUE(device);
    COrvComPtr<IDirect3DTexture9> pTexture;
    EXPECT_EQ(D3DERR_INVALIDCALL,
              device->CreateTexture(100000, 100000, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                    pTexture.ReleaseAndGetAddressOf(), nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              device->CreateTexture(0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                    pTexture.ReleaseAndGetAddressOf(), nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              device->CreateTexture(16, 16, 1, 0, (D3DFORMAT)12345, D3DPOOL_MANAGED,
                                    pTexture.ReleaseAndGetAddressOf(), nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                    D3DPOOL_MANAGED, pTexture.ReleaseAndGetAddressOf(), nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8,
                                                        D3DPOOL_MANAGED, nullptr, nullptr));
    EXPECT_EQ(nullptr, pTexture);
    COrvComPtr<IDirect3DVertexBuffer9> pBuffer;
    EXPECT_EQ(D3DERR_INVALIDCALL,
              device->CreateVertexBuffer(0, 0, 0, D3DPOOL_DEFAULT, pBuffer.ReleaseAndGetAddressOf(),
                                         nullptr));
    COrvComPtr<IDirect3DIndexBuffer9> pIndices;
    EXPECT_EQ(D3DERR_INVALIDCALL,
              device->CreateIndexBuffer(16, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                        pIndices.ReleaseAndGetAddressOf(), nullptr));
    COrvComPtr<IDirect3DVertexDeclaration9> pDecl;
    EXPECT_EQ(D3DERR_INVALIDCALL,
              device->CreateVertexDeclaration(nullptr, pDecl.ReleaseAndGetAddressOf()));
    const D3DVERTEXELEMENT9 aBad[] = {{0, 0, 99, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    EXPECT_EQ(D3DERR_INVALIDCALL,
              device->CreateVertexDeclaration(aBad, pDecl.ReleaseAndGetAddressOf()));
    COrvComPtr<IDirect3DSurface9> pSurface;
    EXPECT_EQ(D3DERR_INVALIDCALL,
              device->CreateDepthStencilSurface(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0,
                                                TRUE, pSurface.ReleaseAndGetAddressOf(), nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              device->CreateOffscreenPlainSurface(16, 16, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                                  pSurface.ReleaseAndGetAddressOf(), nullptr));
    COrvComPtr<IDirect3DVertexShader9> pShader;
    EXPECT_TRUE(FAILED(device->CreateVertexShader(nullptr, pShader.ReleaseAndGetAddressOf())));
}

TEST(DeviceBadInput, StateCallsRejectOutOfRangeIndicesAndNulls)
{
    COrvTestDevice device(16, 16);
    ASSERT_TRUE(device);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetTexture(16, nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_ADD));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetSamplerState(16, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetSamplerState(0, (D3DSAMPLERSTATETYPE)99, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetRenderState((D3DRENDERSTATETYPE)100000, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetTransform((D3DTRANSFORMSTATETYPE)99, nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetTransform(D3DTS_WORLD, nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetMaterial(nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetLight(0, nullptr));
    D3DLIGHT9 light = {};
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetLight(0, &light)); // type 0
    EXPECT_EQ(D3DERR_INVALIDCALL, device->GetLight(12345, &light));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetStreamSource(16, nullptr, 0, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetRenderTarget(4, nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetFVF(D3DFVF_NORMAL)); // no position
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetViewport(nullptr));
    D3DVIEWPORT9 outside = {8, 8, 16, 16, 0.f, 1.f};
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetViewport(&outside));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->Clear(0, nullptr, 0x100, 0, 1.f, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.f, 0)); // D16
    EXPECT_EQ(D3DERR_INVALIDCALL, device->GetRenderTargetData(nullptr, nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->GetFrontBufferData(0, nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->EndScene());
    EXPECT_EQ(D3D_OK, device->BeginScene());
    EXPECT_EQ(D3DERR_INVALIDCALL, device->BeginScene());
    EXPECT_EQ(D3D_OK, device->EndScene());
    // Drawing with nothing to draw from.
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, nullptr, 16));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive((D3DPRIMITIVETYPE)9, 0, 1));
}

TEST(DeviceBadInput, LocksAndDrawsPastTheEndFail)
{
    COrvTestDevice device(16, 16);
    ASSERT_TRUE(device);
    COrvComPtr<IDirect3DVertexBuffer9> pBuffer;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT,
                                                 pBuffer.ReleaseAndGetAddressOf(), nullptr));
    void* pData = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, pBuffer->Lock(32, 64, &pData, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, pBuffer->Lock(64, 0, &pData, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, pBuffer->Lock(0, 0, nullptr, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, pBuffer->Unlock());
    ASSERT_EQ(D3D_OK, pBuffer->Lock(0, 0, &pData, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, pBuffer->Lock(0, 0, &pData, 0)); // already locked
    std::memset(pData, 0, 64);
    EXPECT_EQ(D3D_OK, pBuffer->Unlock());
    // 64 bytes hold two 28-byte vertices: a triangle reads past the end.
    device->SetFVF(SCREEN_FVF);
    device->SetStreamSource(0, pBuffer.Get(), 0, sizeof(SScreenVertex));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive(D3DPT_POINTLIST, 2, 1));
    EXPECT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_POINTLIST, 0, 2));
    // Indices pointing past the vertices.
    COrvComPtr<IDirect3DIndexBuffer9> pIndices;
    ASSERT_EQ(D3D_OK, device->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                                pIndices.ReleaseAndGetAddressOf(), nullptr));
    WORD* pIndexData = nullptr;
    pIndices->Lock(0, 0, reinterpret_cast<void**>(&pIndexData), 0);
    pIndexData[0] = 0;
    pIndexData[1] = 1;
    pIndexData[2] = 40000;
    pIndices->Unlock();
    device->SetIndices(pIndices.Get());
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 1, 1));
    const WORD aIndices[3] = {0, 1, 5};
    SScreenVertex aVertices[3] = {};
    EXPECT_EQ(D3DERR_INVALIDCALL,
              device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, aIndices, D3DFMT_INDEX16,
                                             aVertices, sizeof(SScreenVertex)));
    // Texture locks outside the level.
    COrvComPtr<IDirect3DTexture9> pTexture;
    ASSERT_EQ(D3D_OK, device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                            pTexture.ReleaseAndGetAddressOf(), nullptr));
    D3DLOCKED_RECT locked;
    const RECT outside = {4, 4, 12, 12};
    EXPECT_EQ(D3DERR_INVALIDCALL, pTexture->LockRect(0, &locked, &outside, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, pTexture->LockRect(1, &locked, nullptr, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, pTexture->UnlockRect(0));
    COrvComPtr<IDirect3DSurface9> pLevel;
    EXPECT_EQ(D3DERR_INVALIDCALL, pTexture->GetSurfaceLevel(3, pLevel.ReleaseAndGetAddressOf()));
    pTexture.Reset();
    pIndices.Reset();
    device->SetStreamSource(0, nullptr, 0, 0);
}

TEST(DeviceBadInput, ObjectsOutliveTheDeviceSafely)
{
    COrvComPtr<IDirect3DTexture9> pTexture;
    COrvComPtr<IDirect3DVertexBuffer9> pBuffer;
    {
        COrvTestDevice device(16, 16);
        ASSERT_TRUE(device);
        ASSERT_EQ(D3D_OK, device->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                                pTexture.ReleaseAndGetAddressOf(), nullptr));
        EXPECT_EQ(4u, pTexture->GetLevelCount());
        ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT,
                                                     pBuffer.ReleaseAndGetAddressOf(), nullptr));
        device->SetTexture(0, pTexture.Get());
    }
    COrvComPtr<IDirect3DDevice9> pDevice;
    EXPECT_EQ(D3DERR_INVALIDCALL, pTexture->GetDevice(pDevice.ReleaseAndGetAddressOf()));
    D3DLOCKED_RECT locked;
    ASSERT_EQ(D3D_OK, pTexture->LockRect(1, &locked, nullptr, 0));
    EXPECT_EQ(16, locked.Pitch);
    pTexture->UnlockRect(1);
}

TEST(DeviceBadInputDeathTest, NoGLGivesAFailureAndOneReason)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // In a fresh process, point the GL dispatch at no EGL vendor at all.
    EXPECT_EXIT(
        {
            setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/orv_no_vendor.json", 1);
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            IDirect3D9* pD3D = Direct3DCreate9(D3D_SDK_VERSION);
            D3DPRESENT_PARAMETERS params = {};
            params.BackBufferWidth = params.BackBufferHeight = 16;
            params.BackBufferFormat = D3DFMT_X8R8G8B8;
            params.Windowed = TRUE;
            COrvComPtr<IDirect3DDevice9> pDevice;
            HRESULT hr1 = pD3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &params,
                                             pDevice.ReleaseAndGetAddressOf());
            HRESULT hr2 = pD3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &params,
                                             pDevice.ReleaseAndGetAddressOf());
            pD3D->Release();
            exit(FAILED(hr1) && FAILED(hr2) && !pDevice ? 0 : 1);
        },
        ::testing::ExitedWithCode(0),
        ::testing::Truly(
            [](const std::string& sOutput)
            {
                const std::string sLine = "Direct3D device creation failed: no headless OpenGL";
                const size_t uFirst = sOutput.find(sLine);
                return uFirst != std::string::npos &&
                       sOutput.find(sLine, uFirst + 1) == std::string::npos;
            }));
}
