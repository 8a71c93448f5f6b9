// S3TC textures on the OpenGL device: kept compressed, locked in 4 x 4 blocks with a block
// pitch as Direct3D 9 does, sampled as their blocks say, and refused by the copies that
// cannot take them.
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "OrvTestDraw.h"

#include "OrvComPtr.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace
{
using Texture = COrvComPtr<IDirect3DTexture9>;
using Surface = COrvComPtr<IDirect3DSurface9>;

Texture NewTexture(IDirect3DDevice9* pDevice, UINT uWidth, UINT uHeight, UINT uLevels,
                   D3DFORMAT eFormat, DWORD dwUsage = 0, D3DPOOL ePool = D3DPOOL_MANAGED)
{
    Texture texture;
    pDevice->CreateTexture(uWidth, uHeight, uLevels, dwUsage, eFormat, ePool,
                           texture.ReleaseAndGetAddressOf(), nullptr);
    return texture;
}

// Writes bytes into a whole level, row of blocks by row of blocks.
void WriteLevel(IDirect3DTexture9* pTexture, UINT uLevel, const std::vector<BYTE>& aBytes,
                UINT uRowBytes)
{
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(pTexture->LockRect(uLevel, &locked, nullptr, 0), D3D_OK);
    for (size_t uRow = 0; uRow * uRowBytes < aBytes.size(); ++uRow)
        std::memcpy(static_cast<BYTE*>(locked.pBits) + uRow * locked.Pitch,
                    aBytes.data() + uRow * uRowBytes, uRowBytes);
    pTexture->UnlockRect(uLevel);
}

std::vector<BYTE> ReadLevel(IDirect3DTexture9* pTexture, UINT uLevel, UINT uRowBytes, UINT uRows)
{
    std::vector<BYTE> aBytes;
    D3DLOCKED_RECT locked{};
    if (pTexture->LockRect(uLevel, &locked, nullptr, D3DLOCK_READONLY) != D3D_OK)
        return aBytes;
    for (UINT uRow = 0; uRow < uRows; ++uRow)
    {
        const BYTE* p = static_cast<const BYTE*>(locked.pBits) + uRow * locked.Pitch;
        aBytes.insert(aBytes.end(), p, p + uRowBytes);
    }
    pTexture->UnlockRect(uLevel);
    return aBytes;
}

std::vector<BYTE> Pattern(size_t uSize, BYTE uSeed)
{
    std::vector<BYTE> aBytes(uSize);
    for (size_t i = 0; i < uSize; ++i)
        aBytes[i] = BYTE(uSeed + i * 37 + (i >> 3));
    return aBytes;
}

// Draws the texture over the whole 64 x 32 target with point sampling and alpha blending
// over grey, and reads the picture.
SOrvImage DrawTexture(COrvTestDevice& device, IDirect3DTexture9* pTexture)
{
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff808080, 1.0f, 0);
    device->SetTexture(0, pTexture);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetFVF(SCREEN_FVF);
    SScreenVertex aQuad[4];
    ScreenQuad(aQuad, 0, 0, 64, 32, 0xffffffff);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, aQuad, sizeof(SScreenVertex));
    device->EndScene();
    SOrvImage image;
    EXPECT_TRUE(OrvReadRenderTarget(device.Get(), image));
    return image;
}

// The colour at the centre of texel (x, y) of an 8 x 4 texture drawn over 64 x 32 pixels.
uint32_t TexelOnScreen(const SOrvImage& image, UINT x, UINT y)
{
    return image.At(x * 8 + 4, y * 8 + 4) & 0xffffff;
}

testing::AssertionResult Near(uint32_t uActual, uint32_t uExpected)
{
    for (int iShift = 0; iShift < 24; iShift += 8)
        if (std::abs(int((uActual >> iShift) & 255) - int((uExpected >> iShift) & 255)) > 1)
            return testing::AssertionFailure()
                   << std::hex << uActual << " is not " << uExpected << " within 1";
    return testing::AssertionSuccess();
}
} // namespace

TEST(DeviceCompressed, LevelsLockInBlocksWithABlockPitch)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    for (D3DFORMAT eFormat : {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4, D3DFMT_DXT5})
    {
        const UINT uBlock = eFormat == D3DFMT_DXT1 ? 8 : 16;
        Texture texture = NewTexture(device.Get(), 10, 6, 0, eFormat);
        ASSERT_TRUE(texture) << eFormat;
        ASSERT_EQ(texture->GetLevelCount(), 4u); // 10 x 6, 5 x 3, 2 x 1, 1 x 1
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(2, &desc);
        EXPECT_EQ(desc.Format, eFormat);
        EXPECT_EQ(desc.Width, 2u);
        EXPECT_EQ(desc.Height, 1u);
        // Level 0 has 3 x 2 blocks, the smaller levels one block each.
        const std::vector<BYTE> aTop = Pattern(6 * uBlock, 1);
        WriteLevel(texture.Get(), 0, aTop, 3 * uBlock);
        const std::vector<BYTE> aSmall = Pattern(uBlock, 99);
        WriteLevel(texture.Get(), 3, aSmall, uBlock);
        EXPECT_EQ(ReadLevel(texture.Get(), 0, 3 * uBlock, 2), aTop);
        EXPECT_EQ(ReadLevel(texture.Get(), 3, uBlock, 1), aSmall);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        EXPECT_EQ(locked.Pitch, INT(3 * uBlock));
        texture->UnlockRect(0);

        // Rectangles are addressed by block and must be made of whole blocks.
        const RECT second = {4, 4, 8, 6}; // the block at column 1 of row 1
        ASSERT_EQ(texture->LockRect(0, &locked, &second, D3DLOCK_READONLY), D3D_OK);
        EXPECT_EQ(std::vector<BYTE>(static_cast<BYTE*>(locked.pBits),
                                    static_cast<BYTE*>(locked.pBits) + uBlock),
                  std::vector<BYTE>(aTop.begin() + 4 * uBlock, aTop.begin() + 5 * uBlock));
        texture->UnlockRect(0);
        const RECT edge = {8, 0, 10, 6};
        EXPECT_EQ(texture->LockRect(0, &locked, &edge, 0), D3D_OK);
        texture->UnlockRect(0);
        for (RECT bad : {RECT{2, 0, 6, 4}, RECT{0, 1, 4, 5}, RECT{0, 0, 5, 4}})
            EXPECT_EQ(texture->LockRect(0, &locked, &bad, 0), D3DERR_INVALIDCALL);
    }
}

TEST(DeviceCompressed, TexturesSampleAsTheirBlocksSay)
{
    COrvTestDevice device(64, 32);
    ASSERT_TRUE(device);
    // DXT1: four colours from red and blue (first end point above the second); then three
    // colours and transparent black (first end point at or below the second).
    Texture dxt1 = NewTexture(device.Get(), 8, 4, 1, D3DFMT_DXT1);
    ASSERT_TRUE(dxt1);
    const std::vector<BYTE> aDxt1 = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0xE4, 0xE4, 0xE4,
                                     0x1F, 0x00, 0x00, 0xF8, 0xE4, 0xE4, 0xE4, 0xE4};
    WriteLevel(dxt1.Get(), 0, aDxt1, 16);
    SOrvImage image = DrawTexture(device, dxt1.Get());
    // Index rows 0xE4: texels 0..3 use indices 0, 1, 2, 3.
    EXPECT_TRUE(Near(TexelOnScreen(image, 0, 0), 0xff0000));
    EXPECT_TRUE(Near(TexelOnScreen(image, 1, 2), 0x0000ff));
    EXPECT_TRUE(Near(TexelOnScreen(image, 2, 1), 0xaa0055));
    EXPECT_TRUE(Near(TexelOnScreen(image, 3, 3), 0x5500aa));
    EXPECT_TRUE(Near(TexelOnScreen(image, 4, 0), 0x0000ff));
    EXPECT_TRUE(Near(TexelOnScreen(image, 6, 0), 0x7f007f)); // the mean of the end points
    EXPECT_TRUE(Near(TexelOnScreen(image, 7, 2), 0x808080)) << "transparent: the grey shows";

    // DXT5: alpha 255 down to 0 in eight steps over a white block; DXT3: explicit alpha.
    Texture dxt5 = NewTexture(device.Get(), 8, 4, 1, D3DFMT_DXT5);
    Texture dxt3 = NewTexture(device.Get(), 8, 4, 1, D3DFMT_DXT3);
    ASSERT_TRUE(dxt5 && dxt3);
    // The eight alpha indices along the first two rows, 3 bits each, over white end points.
    const int aiIndex[8] = {0, 2, 3, 4, 5, 6, 7, 1};
    uint64_t uBits = 0;
    for (int i = 0; i < 8; ++i)
        uBits |= uint64_t(aiIndex[i]) << (3 * i);
    std::vector<BYTE> aDxt5(32, 0);
    aDxt5[0] = 255; // alpha end points 255 and 0: six steps between them
    for (int i = 0; i < 6; ++i)
        aDxt5[2 + i] = BYTE(uBits >> (8 * i));
    for (int i = 8; i < 12; ++i)
        aDxt5[i] = 0xFF;
    aDxt5[16] = 255; // second block: opaque black
    WriteLevel(dxt5.Get(), 0, aDxt5, 32);
    image = DrawTexture(device, dxt5.Get());
    for (int i = 0; i < 8; ++i)
    {
        const int k = aiIndex[i];
        const int a = k == 0 ? 255 : k == 1 ? 0 : (8 - k) * 255 / 7;
        const int v = (255 * a + 128 * (255 - a) + 127) / 255;
        EXPECT_TRUE(Near(TexelOnScreen(image, i % 4, i / 4), uint32_t(v * 0x010101))) << i;
    }
    EXPECT_TRUE(Near(TexelOnScreen(image, 5, 1), 0x000000));

    std::vector<BYTE> aDxt3(32, 0);
    aDxt3[0] = 0xF0; // texel 0: alpha 0, texel 1: alpha 255 (nibbles, low first)
    for (int i = 8; i < 12; ++i)
        aDxt3[i] = 0xFF; // white end points
    WriteLevel(dxt3.Get(), 0, aDxt3, 32);
    image = DrawTexture(device, dxt3.Get());
    EXPECT_TRUE(Near(TexelOnScreen(image, 0, 0), 0x808080));
    EXPECT_TRUE(Near(TexelOnScreen(image, 1, 0), 0xffffff));
}

TEST(DeviceCompressed, CopiesMoveWholeBlocksOrRefuse)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    Surface system;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(8, 8, D3DFMT_DXT1, D3DPOOL_SYSTEMMEM,
                                                  system.ReleaseAndGetAddressOf(), nullptr),
              D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(system->LockRect(&locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 16);
    const std::vector<BYTE> aBlocks = Pattern(32, 7);
    for (int uRow = 0; uRow < 2; ++uRow)
        std::memcpy(static_cast<BYTE*>(locked.pBits) + uRow * locked.Pitch, &aBlocks[uRow * 16],
                    16);
    system->UnlockRect();

    Texture texture = NewTexture(device.Get(), 12, 8, 1, D3DFMT_DXT1, 0, D3DPOOL_DEFAULT);
    ASSERT_TRUE(texture);
    Surface level;
    texture->GetSurfaceLevel(0, level.ReleaseAndGetAddressOf());
    // The source's second block (4..8, 0..4) goes to the destination's last block of row 1.
    const RECT source = {4, 0, 8, 4};
    const POINT at = {8, 4};
    ASSERT_EQ(device->UpdateSurface(system.Get(), &source, level.Get(), &at), D3D_OK);
    const std::vector<BYTE> aLevel = ReadLevel(texture.Get(), 0, 24, 2);
    ASSERT_EQ(aLevel.size(), 48u);
    EXPECT_EQ(std::vector<BYTE>(aLevel.begin() + 40, aLevel.end()),
              std::vector<BYTE>(aBlocks.begin() + 8, aBlocks.begin() + 16));
    const RECT unaligned = {2, 0, 6, 4};
    EXPECT_EQ(device->UpdateSurface(system.Get(), &unaligned, level.Get(), &at),
              D3DERR_INVALIDCALL);

    // A system-memory texture copied whole into a default-pool one.
    Texture staged = NewTexture(device.Get(), 12, 8, 1, D3DFMT_DXT1, 0, D3DPOOL_SYSTEMMEM);
    const std::vector<BYTE> aStaged = Pattern(48, 50);
    WriteLevel(staged.Get(), 0, aStaged, 24);
    ASSERT_EQ(device->UpdateTexture(staged.Get(), texture.Get()), D3D_OK);
    EXPECT_EQ(ReadLevel(texture.Get(), 0, 24, 2), aStaged);

    // What needs a framebuffer cannot take compressed surfaces.
    Surface target;
    ASSERT_EQ(device->GetRenderTarget(0, target.ReleaseAndGetAddressOf()), D3D_OK);
    EXPECT_EQ(device->StretchRect(level.Get(), nullptr, target.Get(), nullptr, D3DTEXF_NONE),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->StretchRect(target.Get(), nullptr, level.Get(), nullptr, D3DTEXF_NONE),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->ColorFill(level.Get(), nullptr, 0xffff0000), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->GetRenderTargetData(level.Get(), system.Get()), D3DERR_INVALIDCALL);
    EXPECT_FALSE(
        NewTexture(device.Get(), 8, 8, 1, D3DFMT_DXT5, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT));
    // GL builds no mip levels of compressed images: such a texture keeps its levels.
    Texture autogen = NewTexture(device.Get(), 8, 8, 0, D3DFMT_DXT1, D3DUSAGE_AUTOGENMIPMAP);
    ASSERT_TRUE(autogen);
    EXPECT_EQ(autogen->GetLevelCount(), 4u);
    autogen->GenerateMipSubLevels();

    COrvComPtr<IDirect3D9> pD3D;
    ASSERT_EQ(device->GetDirect3D(pD3D.ReleaseAndGetAddressOf()), D3D_OK);
    for (D3DFORMAT eFormat : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5})
    {
        EXPECT_EQ(pD3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE,
                                          eFormat),
                  D3D_OK);
        EXPECT_NE(pD3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET,
                                          D3DRTYPE_TEXTURE, eFormat),
                  D3D_OK);
    }
}
