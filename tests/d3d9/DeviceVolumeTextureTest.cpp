// Volume textures on the OpenGL device: texels read by their three coordinates (by the
// fixed-function stages and by tex3D in effects, with W addressing), boxes locked at the right
// offsets and pitches, levels halving every side, DXT volumes, and the calls that must be
// refused.
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "OrvTestDraw.h"

#include "OrvComPtr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
using Volume = COrvComPtr<IDirect3DVolumeTexture9>;

Volume NewVolume(IDirect3DDevice9* pDevice, UINT uWidth, UINT uHeight, UINT uDepth, UINT uLevels,
                 D3DFORMAT eFormat, D3DPOOL ePool = D3DPOOL_MANAGED)
{
    Volume volume;
    pDevice->CreateVolumeTexture(uWidth, uHeight, uDepth, uLevels, 0, eFormat, ePool,
                                 volume.ReleaseAndGetAddressOf(), nullptr);
    return volume;
}

D3DCOLOR Voxel(UINT x, UINT y, UINT z)
{
    return D3DCOLOR_ARGB(255, 60 * x + 30, 60 * y + 30, 60 * z + 30);
}

// Fills level 0 of an A8R8G8B8 volume with Voxel.
void FillVoxels(IDirect3DVolumeTexture9* pVolume)
{
    D3DVOLUME_DESC desc{};
    pVolume->GetLevelDesc(0, &desc);
    D3DLOCKED_BOX locked{};
    ASSERT_EQ(pVolume->LockBox(0, &locked, nullptr, 0), D3D_OK);
    for (UINT z = 0; z < desc.Depth; ++z)
        for (UINT y = 0; y < desc.Height; ++y)
            for (UINT x = 0; x < desc.Width; ++x)
                reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + z * locked.SlicePitch +
                                         y * locked.RowPitch)[x] = Voxel(x, y, z);
    ASSERT_EQ(pVolume->UnlockBox(0), D3D_OK);
}

struct SUvwVertex // D3DFVF_XYZRHW | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0)
{
    float x, y, z, rhw;
    float u, v, w;
};
constexpr DWORD UVW_FVF = D3DFVF_XYZRHW | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0);

// A 4 x 4 cell of the target reading one point of the volume.
void DrawCell(IDirect3DDevice9* pDevice, UINT uColumn, UINT uRow, float u, float v, float w)
{
    const float l = float(uColumn * 4) - 0.5f, t = float(uRow * 4) - 0.5f;
    const SUvwVertex aQuad[4] = {{l, t, 0.5f, 1, u, v, w},
                                 {l + 4, t, 0.5f, 1, u, v, w},
                                 {l, t + 4, 0.5f, 1, u, v, w},
                                 {l + 4, t + 4, 0.5f, 1, u, v, w}};
    pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, aQuad, sizeof(SUvwVertex));
}

// Draws a cell for every texel of a 4 x 4 x 4 volume (slice z in columns 4z..4z+3), each
// reading its texel's centre, and reads the picture.
SOrvImage DrawEveryVoxel(IDirect3DDevice9* pDevice)
{
    PlainScreenStates(pDevice);
    pDevice->SetFVF(UVW_FVF);
    pDevice->BeginScene();
    pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    for (UINT z = 0; z < 4; ++z)
        for (UINT y = 0; y < 4; ++y)
            for (UINT x = 0; x < 4; ++x)
                DrawCell(pDevice, 4 * z + x, y, (x + 0.5f) / 4, (y + 0.5f) / 4, (z + 0.5f) / 4);
    pDevice->EndScene();
    SOrvImage image;
    EXPECT_TRUE(OrvReadRenderTarget(pDevice, image));
    return image;
}

void ExpectEveryVoxel(const SOrvImage& image)
{
    for (UINT z = 0; z < 4; ++z)
        for (UINT y = 0; y < 4; ++y)
            for (UINT x = 0; x < 4; ++x)
                EXPECT_EQ(image.At((4 * z + x) * 4 + 2, y * 4 + 2), Voxel(x, y, z))
                    << x << ", " << y << ", " << z;
}

void SampleWithStages(IDirect3DDevice9* pDevice, IDirect3DBaseTexture9* pTexture)
{
    pDevice->SetTexture(0, pTexture);
    pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    pDevice->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    pDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
}

const char* const s_szVolumeEffect = R"(
texture3D Noise;
sampler3D NoiseSampler = sampler_state
{
    Texture = <Noise>;
    MinFilter = Point; MagFilter = Point; MipFilter = Point;
};
float4 Plain(float3 uvw : TEXCOORD0) : COLOR { return tex3D(NoiseSampler, uvw); }
float4 Level1(float3 uvw : TEXCOORD0) : COLOR { return tex3Dlod(NoiseSampler, float4(uvw, 1)); }
float4 Projected(float3 uvw : TEXCOORD0) : COLOR
{
    return tex3Dproj(NoiseSampler, float4(uvw * 4, 4));
}
technique Plain { pass { PixelShader = compile ps_2_0 Plain(); } }
technique Level1 { pass { PixelShader = compile ps_3_0 Level1(); } }
technique Projected { pass { PixelShader = compile ps_2_0 Projected(); } }
// The other lookups compile (every technique is compiled when the effect is made).
float4 Others(float3 uvw : TEXCOORD0) : COLOR
{
    return tex3Dbias(NoiseSampler, float4(uvw, 1)) + tex3Dgrad(NoiseSampler, uvw, ddx(uvw), ddy(uvw));
}
technique Others { pass { PixelShader = compile ps_3_0 Others(); } }
)";
} // namespace

TEST(DeviceVolumeTexture, TexelsAreReadByTheirThreeCoordinates)
{
    COrvTestDevice device(64, 16);
    ASSERT_TRUE(device);
    D3DCAPS9 caps{};
    device->GetDeviceCaps(&caps);
    EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_VOLUMEMAP);
    EXPECT_GE(caps.MaxVolumeExtent, 256u);
    Volume volume = NewVolume(device.Get(), 4, 4, 4, 0, D3DFMT_A8R8G8B8);
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->GetType(), D3DRTYPE_VOLUMETEXTURE);
    FillVoxels(volume.Get());

    SampleWithStages(device.Get(), volume.Get());
    ExpectEveryVoxel(DrawEveryVoxel(device.Get()));

    std::string sErrors;
    COrvComPtr<ID3DXEffect> effect = OrvMakeEffect(device.Get(), s_szVolumeEffect, &sErrors);
    ASSERT_TRUE(effect) << sErrors;
    ASSERT_EQ(effect->SetTexture("Noise", volume.Get()), D3D_OK);
    effect->SetTechnique("Plain");
    SOrvImage image;
    OrvRunPasses(effect, [&] { image = DrawEveryVoxel(device.Get()); });
    ExpectEveryVoxel(image);
    effect->SetTechnique("Projected");
    OrvRunPasses(effect, [&] { image = DrawEveryVoxel(device.Get()); });
    ExpectEveryVoxel(image);

    // Level 1 (2 x 2 x 2) holds the means of the 2 x 2 x 2 boxes once made by hand.
    D3DLOCKED_BOX locked{};
    ASSERT_EQ(volume->LockBox(1, &locked, nullptr, 0), D3D_OK);
    for (UINT z = 0; z < 2; ++z)
        for (UINT y = 0; y < 2; ++y)
            for (UINT x = 0; x < 2; ++x)
                reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + z * locked.SlicePitch +
                                         y * locked.RowPitch)[x] =
                    0xff000000u | (x << 16) | (y << 8) | z;
    volume->UnlockBox(1);
    effect->SetTechnique("Level1");
    OrvRunPasses(effect, [&] { image = DrawEveryVoxel(device.Get()); });
    EXPECT_EQ(image.At((4 * 3 + 3) * 4 + 2, 1 * 4 + 2), 0xff010001u) << "voxel (3, 1, 3)";
    EXPECT_EQ(image.At((4 * 0 + 1) * 4 + 2, 2 * 4 + 2), 0xff000100u) << "voxel (1, 2, 0)";
}

TEST(DeviceVolumeTexture, TheThirdCoordinateWrapsOrClampsByAddressW)
{
    COrvTestDevice device(16, 4);
    ASSERT_TRUE(device);
    Volume volume = NewVolume(device.Get(), 4, 4, 4, 1, D3DFMT_A8R8G8B8);
    ASSERT_TRUE(volume);
    FillVoxels(volume.Get());
    SampleWithStages(device.Get(), volume.Get());
    PlainScreenStates(device.Get());
    device->SetFVF(UVW_FVF);
    auto draw = [&](DWORD dwAddressW)
    {
        device->SetSamplerState(0, D3DSAMP_ADDRESSW, dwAddressW);
        device->BeginScene();
        DrawCell(device.Get(), 0, 0, 0.125f, 0.125f, 1.125f);  // past the last slice
        DrawCell(device.Get(), 1, 0, 0.125f, 0.125f, -0.375f); // before the first
        device->EndScene();
        SOrvImage image;
        EXPECT_TRUE(OrvReadRenderTarget(device.Get(), image));
        return image;
    };
    SOrvImage image = draw(D3DTADDRESS_WRAP);
    EXPECT_EQ(image.At(2, 2), Voxel(0, 0, 0));
    EXPECT_EQ(image.At(6, 2), Voxel(0, 0, 2));
    image = draw(D3DTADDRESS_CLAMP);
    EXPECT_EQ(image.At(2, 2), Voxel(0, 0, 3));
    EXPECT_EQ(image.At(6, 2), Voxel(0, 0, 0));
    image = draw(D3DTADDRESS_MIRROR);
    EXPECT_EQ(image.At(2, 2), Voxel(0, 0, 3));
    EXPECT_EQ(image.At(6, 2), Voxel(0, 0, 1));
}

TEST(DeviceVolumeTexture, BoxesLockAtTheirOffsetsAndLevelsHalveEverySide)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    Volume volume = NewVolume(device.Get(), 8, 4, 2, 0, D3DFMT_L8);
    ASSERT_TRUE(volume);
    ASSERT_EQ(volume->GetLevelCount(), 4u);
    const UINT aauSizes[4][3] = {{8, 4, 2}, {4, 2, 1}, {2, 1, 1}, {1, 1, 1}};
    for (UINT uLevel = 0; uLevel < 4; ++uLevel)
    {
        D3DVOLUME_DESC desc{};
        ASSERT_EQ(volume->GetLevelDesc(uLevel, &desc), D3D_OK);
        EXPECT_EQ(desc.Width, aauSizes[uLevel][0]);
        EXPECT_EQ(desc.Height, aauSizes[uLevel][1]);
        EXPECT_EQ(desc.Depth, aauSizes[uLevel][2]);
        EXPECT_EQ(desc.Format, D3DFMT_L8);
        EXPECT_EQ(desc.Type, D3DRTYPE_VOLUME);
    }
    D3DLOCKED_BOX locked{};
    ASSERT_EQ(volume->LockBox(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.RowPitch, 8);
    EXPECT_EQ(locked.SlicePitch, 32);
    for (int i = 0; i < 64; ++i)
        static_cast<BYTE*>(locked.pBits)[i] = BYTE(i);
    volume->UnlockBox(0);

    // A box of the second slice, rows 1 and 2, columns 2 to 4: written through its own lock.
    const D3DBOX box = {2, 1, 5, 3, 1, 2};
    ASSERT_EQ(volume->LockBox(0, &locked, &box, 0), D3D_OK);
    EXPECT_EQ(*static_cast<BYTE*>(locked.pBits), BYTE(32 + 8 + 2));
    for (UINT y = 0; y < 2; ++y)
        std::memset(static_cast<BYTE*>(locked.pBits) + y * locked.RowPitch, 200, 3);
    volume->UnlockBox(0);
    COrvComPtr<IDirect3DVolume9> level;
    ASSERT_EQ(volume->GetVolumeLevel(0, level.ReleaseAndGetAddressOf()), D3D_OK);
    ASSERT_EQ(level->LockBox(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    for (int i = 0; i < 64; ++i)
    {
        const int x = i % 8, y = i / 8 % 4, z = i / 32;
        const bool bInBox = x >= 2 && x < 5 && y >= 1 && y < 3 && z == 1;
        EXPECT_EQ(static_cast<BYTE*>(locked.pBits)[i], bInBox ? 200 : i) << x << y << z;
    }
    level->UnlockBox();
    D3DVOLUME_DESC desc{};
    ASSERT_EQ(level->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Depth, 2u);
    COrvComPtr<IDirect3DDevice9> owner;
    ASSERT_EQ(level->GetDevice(owner.ReleaseAndGetAddressOf()), D3D_OK);
    EXPECT_EQ(owner.Get(), device.Get());
    level.Reset();

    // UpdateTexture copies every level of a system-memory volume.
    Volume source = NewVolume(device.Get(), 4, 4, 4, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM);
    Volume target = NewVolume(device.Get(), 4, 4, 4, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT);
    ASSERT_TRUE(source && target);
    FillVoxels(source.Get());
    ASSERT_EQ(device->UpdateTexture(source.Get(), target.Get()), D3D_OK);
    const D3DBOX corner = {3, 2, 4, 3, 1, 2};
    ASSERT_EQ(target->LockBox(0, &locked, &corner, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<DWORD*>(locked.pBits), Voxel(3, 2, 1));
    target->UnlockBox(0);
    EXPECT_EQ(device->UpdateTexture(source.Get(), volume.Get()), D3DERR_INVALIDCALL)
        << "another format and size";
}

// GL keeps no S3TC 3D textures: the device keeps the blocks for locks and samples them
// decoded.
TEST(DeviceVolumeTexture, DxtVolumesKeepTheirBlocksAndSampleDecoded)
{
    COrvTestDevice device(16, 4);
    ASSERT_TRUE(device);
    Volume volume = NewVolume(device.Get(), 8, 4, 2, 1, D3DFMT_DXT1);
    ASSERT_TRUE(volume);
    D3DLOCKED_BOX locked{};
    ASSERT_EQ(volume->LockBox(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.RowPitch, 16);   // two blocks a row
    EXPECT_EQ(locked.SlicePitch, 16); // one row of blocks a slice
    // Slice 0: red, green; slice 1: blue, white (one colour a block).
    const uint16_t auColours[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    std::vector<BYTE> aBlocks;
    for (uint16_t uColour : auColours)
        for (BYTE b : {BYTE(uColour), BYTE(uColour >> 8), BYTE(uColour), BYTE(uColour >> 8),
                       BYTE(0), BYTE(0), BYTE(0), BYTE(0)})
            aBlocks.push_back(b);
    std::memcpy(locked.pBits, aBlocks.data(), aBlocks.size());
    volume->UnlockBox(0);

    ASSERT_EQ(volume->LockBox(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(std::vector<BYTE>(static_cast<BYTE*>(locked.pBits),
                                static_cast<BYTE*>(locked.pBits) + aBlocks.size()),
              aBlocks);
    volume->UnlockBox(0);
    const D3DBOX second = {4, 0, 8, 4, 1, 2};
    ASSERT_EQ(volume->LockBox(0, &locked, &second, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(
        std::vector<BYTE>(static_cast<BYTE*>(locked.pBits), static_cast<BYTE*>(locked.pBits) + 8),
        std::vector<BYTE>(aBlocks.begin() + 24, aBlocks.end()));
    volume->UnlockBox(0);
    // Boxes of part of a block are refused, at the edges as inside.
    for (const D3DBOX& bad : {D3DBOX{2, 0, 6, 4, 0, 1}, D3DBOX{0, 1, 4, 4, 0, 1},
                              D3DBOX{0, 0, 3, 4, 0, 1}, D3DBOX{4, 0, 8, 2, 0, 2}})
        EXPECT_EQ(volume->LockBox(0, &locked, &bad, 0), D3DERR_INVALIDCALL);

    SampleWithStages(device.Get(), volume.Get());
    PlainScreenStates(device.Get());
    device->SetFVF(UVW_FVF);
    device->BeginScene();
    DrawCell(device.Get(), 0, 0, 0.25f, 0.5f, 0.25f);
    DrawCell(device.Get(), 1, 0, 0.75f, 0.5f, 0.25f);
    DrawCell(device.Get(), 2, 0, 0.25f, 0.5f, 0.75f);
    DrawCell(device.Get(), 3, 0, 0.75f, 0.5f, 0.75f);
    device->EndScene();
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    EXPECT_EQ(image.At(2, 2), 0xffff0000u);
    EXPECT_EQ(image.At(6, 2), 0xff00ff00u);
    EXPECT_EQ(image.At(10, 2), 0xff0000ffu);
    EXPECT_EQ(image.At(14, 2), 0xffffffffu);
}

TEST(DeviceVolumeTexture, BadCallsAreRefused)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    IDirect3DVolumeTexture9* pVolume = nullptr;
    const UINT aauSizes[][3] = {{0, 4, 4},
                                {4, 0, 4},
                                {4, 4, 0},
                                {4096, 4, 4},
                                {4, 4, 0x80000000u},
                                // 2048 x 2048 x 2048 texels: 32 GiB
                                {2048, 2048, 2048}};
    for (const auto& auSize : aauSizes)
    {
        EXPECT_EQ(device->CreateVolumeTexture(auSize[0], auSize[1], auSize[2], 1, 0,
                                              D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &pVolume, nullptr),
                  D3DERR_INVALIDCALL)
            << auSize[0] << " x " << auSize[1] << " x " << auSize[2];
        EXPECT_EQ(pVolume, nullptr);
    }
    EXPECT_EQ(device->CreateVolumeTexture(4, 4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                          D3DPOOL_DEFAULT, &pVolume, nullptr),
              D3DERR_INVALIDCALL);
    COrvComPtr<IDirect3D9> d3d;
    ASSERT_EQ(device->GetDirect3D(d3d.ReleaseAndGetAddressOf()), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET,
                                     D3DRTYPE_VOLUMETEXTURE, D3DFMT_A8R8G8B8),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_VOLUMETEXTURE,
                                     D3DFMT_DXT1),
              D3D_OK);
    EXPECT_EQ(device->CreateVolumeTexture(4, 4, 4, 1, 0, D3DFMT_D24S8, D3DPOOL_DEFAULT, &pVolume,
                                          nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateVolumeTexture(4, 4, 4, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &pVolume,
                                          nullptr),
              D3DERR_INVALIDCALL);

    Volume volume = NewVolume(device.Get(), 4, 4, 4, 2, D3DFMT_A8R8G8B8);
    ASSERT_TRUE(volume);
    D3DLOCKED_BOX locked{};
    D3DVOLUME_DESC desc{};
    COrvComPtr<IDirect3DVolume9> level;
    EXPECT_EQ(volume->LockBox(2, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(volume->UnlockBox(2), D3DERR_INVALIDCALL);
    EXPECT_EQ(volume->UnlockBox(0), D3DERR_INVALIDCALL) << "not locked";
    EXPECT_EQ(volume->GetLevelDesc(2, &desc), D3DERR_INVALIDCALL);
    EXPECT_EQ(volume->GetVolumeLevel(2, level.ReleaseAndGetAddressOf()), D3DERR_INVALIDCALL);
    EXPECT_FALSE(level);
    EXPECT_EQ(volume->LockBox(0, nullptr, nullptr, 0), D3DERR_INVALIDCALL);
    for (const D3DBOX& bad :
         {D3DBOX{0, 0, 5, 4, 0, 4}, D3DBOX{0, 0, 4, 4, 0, 5}, D3DBOX{2, 0, 2, 4, 0, 4},
          D3DBOX{0, 3, 4, 1, 0, 4}, D3DBOX{0, 0, 4, 4, 3, 3}})
        EXPECT_EQ(volume->LockBox(0, &locked, &bad, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(volume->LockBox(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(volume->LockBox(0, &locked, nullptr, 0), D3DERR_INVALIDCALL) << "locked twice";
    EXPECT_EQ(volume->UnlockBox(0), D3D_OK);
}
