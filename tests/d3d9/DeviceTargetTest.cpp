// Render targets: textures drawn into and sampled, two targets at once through shader stages
// of one's own, a G16R16F target, the front buffer after Present.
#include "OrvTestDraw.h"
#include "GLDeviceInternal.h"
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cmath>

namespace
{
COrvComPtr<IDirect3DTexture9> MakeTarget(IDirect3DDevice9* pDevice, UINT uWidth, UINT uHeight,
                                         D3DFORMAT eFormat)
{
    COrvComPtr<IDirect3DTexture9> pTexture;
    pDevice->CreateTexture(uWidth, uHeight, 1, D3DUSAGE_RENDERTARGET, eFormat, D3DPOOL_DEFAULT,
                           pTexture.ReleaseAndGetAddressOf(), nullptr);
    return pTexture;
}

GLuint CompileFragment(const char* szBody)
{
    const std::string sSource = std::string("#version 330 core\n") + orv::gl::AlphaTestSource() +
                                "in vec4 orv_Color0;\n"
                                "layout(location = 0) out vec4 out0;\n"
                                "layout(location = 1) out vec4 out1;\n" +
                                szBody;
    GLuint uShader = glCreateShader(GL_FRAGMENT_SHADER);
    const char* szSource = sSource.c_str();
    glShaderSource(uShader, 1, &szSource, nullptr);
    glCompileShader(uShader);
    GLint iOk = 0;
    glGetShaderiv(uShader, GL_COMPILE_STATUS, &iOk);
    EXPECT_TRUE(iOk);
    return uShader;
}

float HalfToFloat(uint16_t h)
{
    const int iExponent = (h >> 10) & 0x1F;
    const float fMantissa = (float)(h & 0x3FF);
    const float fSign = (h & 0x8000) ? -1.f : 1.f;
    if (iExponent == 0)
        return fSign * std::ldexp(fMantissa, -24);
    return fSign * std::ldexp(1.f + fMantissa / 1024.f, iExponent - 15);
}
} // namespace

TEST(DeviceTargets, NewTargetResetsViewportAndSampledTargetKeepsOrientation)
{
    COrvTestDevice device(32, 32);
    ASSERT_TRUE(device);
    COrvComPtr<IDirect3DTexture9> pTarget = MakeTarget(device.Get(), 16, 8, D3DFMT_A8R8G8B8);
    ASSERT_NE(nullptr, pTarget);
    COrvComPtr<IDirect3DSurface9> pBackBuffer, pSurface;
    ASSERT_EQ(D3D_OK, device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO,
                                            pBackBuffer.ReleaseAndGetAddressOf()));
    ASSERT_EQ(D3D_OK, pTarget->GetSurfaceLevel(0, pSurface.ReleaseAndGetAddressOf()));
    D3DVIEWPORT9 small = {2, 2, 4, 4, 0.f, 1.f};
    device->SetViewport(&small);
    ASSERT_EQ(D3D_OK, device->SetRenderTarget(0, pSurface.Get()));
    D3DVIEWPORT9 viewport;
    device->GetViewport(&viewport);
    EXPECT_EQ(0u, viewport.X);
    EXPECT_EQ(16u, viewport.Width);
    EXPECT_EQ(8u, viewport.Height);
    // Top half red, bottom half green, drawn into the target.
    PlainScreenStates(device.Get());
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.f, 0);
    SScreenVertex quad[4];
    ScreenQuad(quad, 0, 0, 16, 4, 0xFFFF0000);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(SScreenVertex));
    // Then the target as a texture over the whole back buffer.
    device->SetRenderTarget(0, pBackBuffer.Get());
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTexture(0, pTarget.Get());
    ScreenQuad(quad, 0, 0, 32, 32, 0xFFFFFFFF);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(SScreenVertex));
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    EXPECT_EQ(0xFFFF0000u, image.At(16, 4));
    EXPECT_EQ(0xFF00FF00u, image.At(16, 28));
    device->SetTexture(0, nullptr);
}

TEST(DeviceTargets, TwoTargetsAtOnceWithOwnFragmentStage)
{
    COrvTestDevice device(16, 16);
    ASSERT_TRUE(device);
    COrvComPtr<IDirect3DTexture9> apTargets[2] = {
        MakeTarget(device.Get(), 16, 16, D3DFMT_A8R8G8B8),
        MakeTarget(device.Get(), 16, 16, D3DFMT_A8B8G8R8)};
    ASSERT_TRUE(apTargets[0] && apTargets[1]);
    COrvComPtr<IDirect3DSurface9> apSurfaces[2];
    for (int i = 0; i < 2; ++i)
    {
        apTargets[i]->GetSurfaceLevel(0, apSurfaces[i].ReleaseAndGetAddressOf());
        ASSERT_EQ(D3D_OK, device->SetRenderTarget(i, apSurfaces[i].Get()));
    }
    ASSERT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0));
    PlainScreenStates(device.Get());
    ASSERT_TRUE(orv::gl::MakeCurrent(device.Get()));
    const GLuint uFragment = CompileFragment(
        "uniform vec4 second;\n"
        "void main() { out0 = orv_Color0; out1 = second; orv_AlphaTest(out0.a); }\n");
    const GLuint uProgram = orv::gl::UseShaderStages(device.Get(), 0, uFragment);
    ASSERT_NE(0u, uProgram);
    glUniform4f(glGetUniformLocation(uProgram, "second"), 0.f, 0.f, 1.f, 1.f);
    SScreenVertex quad[4];
    ScreenQuad(quad, 0, 0, 8, 16, 0xFFFF0000);
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(SScreenVertex)));
    orv::gl::UseShaderStages(device.Get(), 0, 0);
    orv::gl::ForgetShader(device.Get(), uFragment);
    glDeleteShader(uFragment);
    SOrvImage first, second;
    ASSERT_TRUE(OrvReadSurface(device.Get(), apSurfaces[0].Get(), first));
    ASSERT_TRUE(OrvReadSurface(device.Get(), apSurfaces[1].Get(), second));
    EXPECT_EQ(0xFFFF0000u, first.At(4, 8));
    EXPECT_EQ(0xFF0000FFu, second.At(4, 8));
    EXPECT_EQ(0xFF000000u, first.At(12, 8));
    EXPECT_EQ(0xFF000000u, second.At(12, 8));
    // Slot 1 can be emptied again; slot 0 cannot.
    EXPECT_EQ(D3D_OK, device->SetRenderTarget(1, nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetRenderTarget(0, nullptr));
}

TEST(DeviceTargets, G16R16FTargetHoldsValuesBeyondOne)
{
    COrvTestDevice device(8, 8);
    ASSERT_TRUE(device);
    COrvComPtr<IDirect3DTexture9> pTarget = MakeTarget(device.Get(), 8, 8, D3DFMT_G16R16F);
    ASSERT_NE(nullptr, pTarget);
    COrvComPtr<IDirect3DSurface9> pSurface;
    pTarget->GetSurfaceLevel(0, pSurface.ReleaseAndGetAddressOf());
    D3DSURFACE_DESC desc;
    pSurface->GetDesc(&desc);
    EXPECT_EQ(D3DFMT_G16R16F, desc.Format);
    device->SetRenderTarget(0, pSurface.Get());
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
    PlainScreenStates(device.Get());
    ASSERT_TRUE(orv::gl::MakeCurrent(device.Get()));
    const GLuint uFragment =
        CompileFragment("void main() { out0 = vec4(0.25, 1.5, 0.0, 1.0); out1 = out0; }\n");
    ASSERT_NE(0u, orv::gl::UseShaderStages(device.Get(), 0, uFragment));
    SScreenVertex quad[4];
    ScreenQuad(quad, 0, 0, 4, 8, 0xFFFFFFFF);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(SScreenVertex));
    orv::gl::UseShaderStages(device.Get(), 0, 0);
    orv::gl::ForgetShader(device.Get(), uFragment);
    glDeleteShader(uFragment);
    COrvComPtr<IDirect3DSurface9> pCopy;
    ASSERT_EQ(D3D_OK, device->CreateOffscreenPlainSurface(8, 8, D3DFMT_G16R16F, D3DPOOL_SYSTEMMEM,
                                                          pCopy.ReleaseAndGetAddressOf(), nullptr));
    ASSERT_EQ(D3D_OK, device->GetRenderTargetData(pSurface.Get(), pCopy.Get()));
    D3DLOCKED_RECT locked;
    ASSERT_EQ(D3D_OK, pCopy->LockRect(&locked, nullptr, D3DLOCK_READONLY));
    const uint16_t* pRow = static_cast<const uint16_t*>(locked.pBits) + 2 * 8 * 3;
    EXPECT_FLOAT_EQ(0.25f, HalfToFloat(pRow[0])); // R, low half of the texel
    EXPECT_FLOAT_EQ(1.5f, HalfToFloat(pRow[1]));
    EXPECT_FLOAT_EQ(0.f, HalfToFloat(pRow[2 * 6]));
    pCopy->UnlockRect();
}

TEST(DeviceTargets, FrontBufferHoldsThePresentedImageTopRowFirst)
{
    COrvTestDevice device(16, 16);
    ASSERT_TRUE(device);
    D3DRECT top = {0, 0, 16, 4};
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.f, 0);
    device->Clear(1, &top, D3DCLEAR_TARGET, 0xFFFFFF00, 1.f, 0);
    ASSERT_EQ(D3D_OK, device->Present(nullptr, nullptr, nullptr, nullptr));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
    COrvComPtr<IDirect3DSurface9> pCopy;
    ASSERT_EQ(D3D_OK, device->CreateOffscreenPlainSurface(16, 16, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH,
                                                          pCopy.ReleaseAndGetAddressOf(), nullptr));
    COrvComPtr<IDirect3DSwapChain9> pSwapChain;
    ASSERT_EQ(D3D_OK, device->GetSwapChain(0, pSwapChain.ReleaseAndGetAddressOf()));
    ASSERT_EQ(D3D_OK, pSwapChain->GetFrontBufferData(pCopy.Get()));
    pSwapChain.Reset();
    D3DLOCKED_RECT locked;
    ASSERT_EQ(D3D_OK, pCopy->LockRect(&locked, nullptr, 0x8810));
    const DWORD* pPixels = static_cast<const DWORD*>(locked.pBits);
    EXPECT_EQ(0xFFFFFF00u, pPixels[0]);
    EXPECT_EQ(0xFF0000FFu, pPixels[15 * (locked.Pitch / 4)]);
    pCopy->UnlockRect();
}

TEST(DeviceTargets, BackBufferReadsBackThroughEveryLockablePath)
{
    COrvTestDevice device(8, 4);
    ASSERT_TRUE(device);
    D3DRECT right = {4, 0, 8, 4};
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.f, 0);
    device->Clear(1, &right, D3DCLEAR_TARGET, 0xFFA0B0C0, 1.f, 0);
    COrvComPtr<IDirect3DSurface9> pBackBuffer;
    ASSERT_EQ(D3D_OK, device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO,
                                            pBackBuffer.ReleaseAndGetAddressOf()));
    // Into a level of a system-memory texture.
    COrvComPtr<IDirect3DTexture9> pTexture;
    ASSERT_EQ(D3D_OK, device->CreateTexture(8, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                            pTexture.ReleaseAndGetAddressOf(), nullptr));
    COrvComPtr<IDirect3DSurface9> pLevel;
    pTexture->GetSurfaceLevel(0, pLevel.ReleaseAndGetAddressOf());
    ASSERT_EQ(D3D_OK, device->GetRenderTargetData(pBackBuffer.Get(), pLevel.Get()));
    D3DLOCKED_RECT locked;
    ASSERT_EQ(D3D_OK, pTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY));
    EXPECT_EQ(0xFF102030u, static_cast<const DWORD*>(locked.pBits)[1]);
    EXPECT_EQ(0xFFA0B0C0u, static_cast<const DWORD*>(locked.pBits)[6]);
    pTexture->UnlockRect(0);
    // Locking the back buffer itself, a sub-rectangle.
    const RECT rect = {5, 1, 7, 3};
    ASSERT_EQ(D3D_OK, pBackBuffer->LockRect(&locked, &rect, D3DLOCK_READONLY));
    EXPECT_EQ(0xFFA0B0C0u, static_cast<const DWORD*>(locked.pBits)[0]);
    EXPECT_EQ(32, locked.Pitch);
    pBackBuffer->UnlockRect();
}
