// Cube and volume textures through D3DX: every face of a DDS cube map and every slice of a
// DDS volume in its place, levels from the file and filtered down, sizes asked for, formats
// kept (DXT too), faces a file lacks, empty textures, and files that are no cube map or volume.
#include "OrvTestDevice.h"
#include "OrvTestDraw.h"
#include "ImageWriters.h"

#include "OrvComPtr.h"

#include <cstring>

using namespace orv::test;
using Cube = COrvComPtr<IDirect3DCubeTexture9>;
using Volume = COrvComPtr<IDirect3DVolumeTexture9>;

namespace
{
constexpr uint32_t CUBEMAP = 0x200, CUBE_ALL = 0xFC00, VOLUME = 0x200000;

SDdsHeader Argb(uint32_t uWidth, uint32_t uHeight, uint32_t uLevels)
{
    SDdsHeader header;
    header.m_uWidth = uWidth;
    header.m_uHeight = uHeight;
    header.m_uMipCount = uLevels;
    header.m_uPixelFlags = 0x40 | 0x1; // RGB with alpha
    header.m_auMasks[3] = 0xff000000;
    return header;
}

// A face (or slice) of w x h texels: one colour, but for texel (1, 0), which is marked so
// that a turned or flipped image shows.
std::string Face(uint32_t uWidth, uint32_t uHeight, uint32_t uArgb, uint32_t uMark = 0xff123456)
{
    std::string bytes;
    for (uint32_t y = 0; y < uHeight; ++y)
        for (uint32_t x = 0; x < uWidth; ++x)
            Put32(bytes, x == 1 && y == 0 ? uMark : uArgb);
    return bytes;
}

uint32_t FaceColour(uint32_t uFace, uint32_t uLevel)
{
    return 0xff000000 | (0x20 * (uFace + 1)) << 16 | (0x30 * (uLevel + 1)) << 8;
}

DWORD CubeTexel(IDirect3DCubeTexture9* pCube, UINT uFace, UINT uLevel, UINT x, UINT y)
{
    D3DLOCKED_RECT locked{};
    if (FAILED(
            pCube->LockRect(D3DCUBEMAP_FACES(uFace), uLevel, &locked, nullptr, D3DLOCK_READONLY)))
        return 0xdeadbeef;
    const DWORD dw = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) +
                                                    y * locked.Pitch)[x];
    pCube->UnlockRect(D3DCUBEMAP_FACES(uFace), uLevel);
    return dw;
}

DWORD VolumeTexel(IDirect3DVolumeTexture9* pVolume, UINT uLevel, UINT x, UINT y, UINT z)
{
    D3DLOCKED_BOX locked{};
    if (FAILED(pVolume->LockBox(uLevel, &locked, nullptr, D3DLOCK_READONLY)))
        return 0xdeadbeef;
    const DWORD dw = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) +
                                                    z * locked.SlicePitch + y * locked.RowPitch)[x];
    pVolume->UnlockBox(uLevel);
    return dw;
}

// A whole 4 x 4 cube map with three levels, a colour per face and level.
std::string CubeFile()
{
    SDdsHeader header = Argb(4, 4, 3);
    header.m_uCaps2 = CUBEMAP | CUBE_ALL;
    std::string file = WriteDdsHeader(header);
    for (uint32_t uFace = 0; uFace < 6; ++uFace)
        for (uint32_t uLevel = 0; uLevel < 3; ++uLevel)
            file += Face(4 >> uLevel, 4 >> uLevel, FaceColour(uFace, uLevel));
    return file;
}

// A 4 x 4 x 4 volume with three levels: slices of their own colours.
std::string VolumeFile()
{
    SDdsHeader header = Argb(4, 4, 3);
    header.m_uDepth = 4;
    header.m_uCaps2 = VOLUME;
    std::string file = WriteDdsHeader(header);
    for (uint32_t z = 0; z < 4; ++z)
        file += Face(4, 4, 0xff000000 | 0x10 * (z + 1));
    for (uint32_t z = 0; z < 2; ++z)
        file += Face(2, 2, 0xff000000 | 0x100000 * (z + 1));
    return file + Face(1, 1, 0xff00ff00);
}
} // namespace

TEST(DdsCubeVolume, CubeMapsGiveEveryFaceInItsPlace)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    COrvTempDir folder("cube");
    const std::string sPath = WriteIn(folder, "lobby.dds", CubeFile());
    Cube cube;
    ASSERT_EQ(
        D3DXCreateCubeTextureFromFileA(device.Get(), sPath.c_str(), cube.ReleaseAndGetAddressOf()),
        S_OK);
    ASSERT_EQ(cube->GetLevelCount(), 3u);
    D3DSURFACE_DESC desc{};
    cube->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Width, 4u);
    for (UINT uFace = 0; uFace < 6; ++uFace)
        for (UINT uLevel = 0; uLevel < 3; ++uLevel)
        {
            EXPECT_EQ(CubeTexel(cube.Get(), uFace, uLevel, 0, 0), FaceColour(uFace, uLevel))
                << "face " << uFace << ", level " << uLevel;
            if (uLevel < 2)
            {
                EXPECT_EQ(CubeTexel(cube.Get(), uFace, uLevel, 1, 0), 0xff123456u);
            }
        }

    // Asked for 2 x 2 faces: each face made smaller on its own, the texels away from the
    // marked one keeping their colour.
    const std::string file = CubeFile();
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXCreateCubeTextureFromFileInMemoryEx(
                  device.Get(), file.data(), UINT(file.size()), 2, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                  D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr,
                  cube.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_CUBETEXTURE);
    EXPECT_EQ(info.Width, 4u);
    EXPECT_EQ(info.MipLevels, 3u);
    ASSERT_EQ(cube->GetLevelCount(), 2u);
    for (UINT uFace = 0; uFace < 6; ++uFace)
        EXPECT_EQ(CubeTexel(cube.Get(), uFace, 0, 0, 1), FaceColour(uFace, 0)) << uFace;

    // The 2D loader still gives the first face.
    COrvComPtr<IDirect3DTexture9> flat;
    ASSERT_EQ(
        D3DXCreateTextureFromFileA(device.Get(), sPath.c_str(), flat.ReleaseAndGetAddressOf()),
        S_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(flat->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<DWORD*>(locked.pBits), FaceColour(0, 0));
    flat->UnlockRect(0);
}

TEST(DdsCubeVolume, CubeMapFormatsAndMissingFaces)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    // DXT1 faces stay compressed, block for block.
    SDdsHeader dxt = Argb(8, 8, 1);
    dxt.m_uPixelFlags = 0x4;
    dxt.m_uFourCC = FourCCValue("DXT1");
    dxt.m_uCaps2 = CUBEMAP | CUBE_ALL;
    std::string file = WriteDdsHeader(dxt);
    for (uint32_t uFace = 0; uFace < 6; ++uFace)
        for (uint32_t i = 0; i < 32; ++i)
            Put8(file, uFace * 32 + i);
    Cube cube;
    ASSERT_EQ(D3DXCreateCubeTextureFromFileInMemory(device.Get(), file.data(), UINT(file.size()),
                                                    cube.ReleaseAndGetAddressOf()),
              S_OK);
    D3DSURFACE_DESC desc{};
    cube->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_DXT1);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACE_NEGATIVE_Z, 0, &locked, nullptr, D3DLOCK_READONLY),
              D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(locked.pBits)[locked.Pitch + 1], BYTE(5 * 32 + 17));
    cube->UnlockRect(D3DCUBEMAP_FACE_NEGATIVE_Z, 0);

    // Only +X and -Y in the file: the other faces are transparent black.
    SDdsHeader partial = Argb(2, 2, 1);
    partial.m_uCaps2 = CUBEMAP | 0x400 | 0x2000;
    file = WriteDdsHeader(partial) + Face(2, 2, 0xffaa0000) + Face(2, 2, 0xff00bb00);
    ASSERT_EQ(D3DXCreateCubeTextureFromFileInMemory(device.Get(), file.data(), UINT(file.size()),
                                                    cube.ReleaseAndGetAddressOf()),
              S_OK);
    const DWORD adwExpected[6] = {0xffaa0000, 0, 0, 0xff00bb00, 0, 0};
    for (UINT uFace = 0; uFace < 6; ++uFace)
        EXPECT_EQ(CubeTexel(cube.Get(), uFace, 0, 0, 1), adwExpected[uFace]) << uFace;

    // A format the device lacks for cube maps is converted: 24-bit colour.
    SDdsHeader rgb = Argb(2, 2, 1);
    rgb.m_uPixelFlags = 0x40;
    rgb.m_uBits = 24;
    rgb.m_auMasks[3] = 0;
    rgb.m_uCaps2 = CUBEMAP | CUBE_ALL;
    file = WriteDdsHeader(rgb);
    for (uint32_t uFace = 0; uFace < 6; ++uFace)
        for (int i = 0; i < 4; ++i)
            Put8(file, 0x10 * uFace), Put8(file, 0x80), Put8(file, 0xff);
    ASSERT_EQ(D3DXCreateCubeTextureFromFileInMemory(device.Get(), file.data(), UINT(file.size()),
                                                    cube.ReleaseAndGetAddressOf()),
              S_OK);
    cube->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(CubeTexel(cube.Get(), 4, 0, 1, 1), 0xffff8040u);
}

TEST(DdsCubeVolume, VolumesGiveEverySliceInItsPlace)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    COrvTempDir folder("volume");
    const std::string sPath = WriteIn(folder, "noise.dds", VolumeFile());
    Volume volume;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXCreateVolumeTextureFromFileExA(
                  device.Get(), sPath.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                  D3DX_FROM_FILE, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                  &info, nullptr, volume.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_VOLUMETEXTURE);
    EXPECT_EQ(info.Depth, 4u);
    ASSERT_EQ(volume->GetLevelCount(), 3u);
    for (UINT z = 0; z < 4; ++z)
    {
        EXPECT_EQ(VolumeTexel(volume.Get(), 0, 3, 3, z), 0xff000000u | 0x10 * (z + 1)) << z;
        EXPECT_EQ(VolumeTexel(volume.Get(), 0, 1, 0, z), 0xff123456u) << z;
    }
    EXPECT_EQ(VolumeTexel(volume.Get(), 1, 0, 1, 1), 0xff200000u);
    EXPECT_EQ(VolumeTexel(volume.Get(), 2, 0, 0, 0), 0xff00ff00u);

    // Two slices asked for: each the mean of two of the file's; the level below filtered
    // down from them (the file's 2 x 2 x 2 level no longer fits).
    const std::string file = VolumeFile();
    ASSERT_EQ(D3DXCreateVolumeTextureFromFileInMemoryEx(
                  device.Get(), file.data(), UINT(file.size()), 0, 0, 2, 2, 0, D3DFMT_UNKNOWN,
                  D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                  volume.ReleaseAndGetAddressOf()),
              S_OK);
    D3DVOLUME_DESC desc{};
    volume->GetLevelDesc(1, &desc);
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(desc.Depth, 1u);
    EXPECT_EQ(VolumeTexel(volume.Get(), 0, 3, 3, 0), 0xff000018u);
    EXPECT_EQ(VolumeTexel(volume.Get(), 0, 3, 3, 1), 0xff000038u);
    EXPECT_EQ(VolumeTexel(volume.Get(), 1, 1, 1, 0), 0xff000028u);

    // Luminance volumes keep their format; DXT volumes too.
    SDdsHeader grey = Argb(2, 2, 1);
    grey.m_uPixelFlags = 0x20000;
    grey.m_uBits = 8;
    grey.m_auMasks[0] = 0xff, grey.m_auMasks[1] = grey.m_auMasks[2] = grey.m_auMasks[3] = 0;
    grey.m_uDepth = 2;
    grey.m_uCaps2 = VOLUME;
    std::string bytes = WriteDdsHeader(grey) + "\x01\x02\x03\x04\x05\x06\x07\x08";
    ASSERT_EQ(D3DXCreateVolumeTextureFromFileInMemory(
                  device.Get(), bytes.data(), UINT(bytes.size()), volume.ReleaseAndGetAddressOf()),
              S_OK);
    volume->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_L8);
    D3DLOCKED_BOX locked{};
    ASSERT_EQ(volume->LockBox(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(locked.pBits)[locked.SlicePitch + locked.RowPitch + 1], 8);
    volume->UnlockBox(0);

    SDdsHeader dxt = Argb(4, 4, 1);
    dxt.m_uPixelFlags = 0x4;
    dxt.m_uFourCC = FourCCValue("DXT5");
    dxt.m_uDepth = 3;
    dxt.m_uCaps2 = VOLUME;
    bytes = WriteDdsHeader(dxt);
    for (int i = 0; i < 48; ++i)
        Put8(bytes, i);
    ASSERT_EQ(D3DXCreateVolumeTextureFromFileInMemory(
                  device.Get(), bytes.data(), UINT(bytes.size()), volume.ReleaseAndGetAddressOf()),
              S_OK);
    volume->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_DXT5);
    ASSERT_EQ(volume->LockBox(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(locked.pBits)[2 * locked.SlicePitch + 3], 35);
    volume->UnlockBox(0);
}

TEST(DdsCubeVolume, EmptyTexturesTakeD3DXDefaults)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    Cube cube;
    ASSERT_EQ(D3DXCreateCubeTexture(device.Get(), 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                    cube.ReleaseAndGetAddressOf()),
              S_OK);
    D3DSURFACE_DESC desc{};
    cube->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 256u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(cube->GetLevelCount(), 9u);
    ASSERT_EQ(D3DXCreateCubeTexture(device.Get(), 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                    D3DPOOL_DEFAULT, cube.ReleaseAndGetAddressOf()),
              S_OK);
    cube->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Usage, DWORD(D3DUSAGE_RENDERTARGET));

    Volume volume;
    ASSERT_EQ(D3DXCreateVolumeTexture(device.Get(), D3DX_DEFAULT, 16, 8, D3DX_DEFAULT, 0,
                                      D3DFMT_R8G8B8, D3DPOOL_MANAGED,
                                      volume.ReleaseAndGetAddressOf()),
              S_OK);
    D3DVOLUME_DESC volumeDesc{};
    volume->GetLevelDesc(0, &volumeDesc);
    EXPECT_EQ(volumeDesc.Width, 256u);
    EXPECT_EQ(volumeDesc.Height, 16u);
    EXPECT_EQ(volumeDesc.Depth, 8u);
    EXPECT_EQ(volumeDesc.Format, D3DFMT_X8R8G8B8) << "no 24-bit textures: 32 bits without alpha";
    EXPECT_EQ(volume->GetLevelCount(), 9u);

    // Sizes far beyond the device's are brought down to its largest, which still cannot be
    // made: a clear failure, nothing allocated.
    IDirect3DVolumeTexture9* pVolume = nullptr;
    EXPECT_EQ(D3DXCreateVolumeTexture(device.Get(), 1u << 30, 1u << 30, 1u << 30, 1, 0,
                                      D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &pVolume),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(pVolume, nullptr);
    IDirect3DCubeTexture9* pCube = nullptr;
    EXPECT_EQ(D3DXCreateCubeTexture(device.Get(), 0xfffffff0u, 1, 0, D3DFMT_A32B32G32R32F,
                                    D3DPOOL_MANAGED, &pCube),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(pCube, nullptr);
    EXPECT_EQ(D3DXCreateCubeTexture(nullptr, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &pCube),
              D3DERR_INVALIDCALL);
}

TEST(DdsCubeVolume, OtherImagesAreNeitherCubeMapsNorVolumes)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    COrvTempDir folder("other");
    const std::string cube = CubeFile(), volume = VolumeFile();
    const std::string flat = WriteDdsHeader(Argb(4, 4, 1)) + Face(4, 4, 0xff808080);
    const std::string bmp = WriteBmp(MakePicture(4, 4,
                                                 [](uint32_t, uint32_t) {
                                                     return Rgba{10, 20, 30, 255};
                                                 }),
                                     Bmp(24, 0, 40));
    // The header of a cube map with less than its first face.
    const std::string cut = cube.substr(0, 128 + 40);
    IDirect3DCubeTexture9* pCube = nullptr;
    IDirect3DVolumeTexture9* pVolume = nullptr;
    for (const std::string* pFile : {&flat, &bmp, &volume, &cut})
    {
        EXPECT_EQ(D3DXCreateCubeTextureFromFileInMemory(device.Get(), pFile->data(),
                                                        UINT(pFile->size()), &pCube),
                  D3DXERR_INVALIDDATA);
        EXPECT_EQ(pCube, nullptr);
    }
    for (const std::string* pFile : {&flat, &bmp, &cube})
    {
        EXPECT_EQ(D3DXCreateVolumeTextureFromFileInMemory(device.Get(), pFile->data(),
                                                          UINT(pFile->size()), &pVolume),
                  D3DXERR_INVALIDDATA);
        EXPECT_EQ(pVolume, nullptr);
    }
    const std::string sMissing = folder.File("missing.dds");
    EXPECT_EQ(D3DXCreateCubeTextureFromFileA(device.Get(), sMissing.c_str(), &pCube),
              D3DERR_NOTFOUND);
    EXPECT_EQ(D3DXCreateVolumeTextureFromFileA(device.Get(), sMissing.c_str(), &pVolume),
              D3DERR_NOTFOUND);
    EXPECT_EQ(D3DXCreateCubeTextureFromFileA(device.Get(), nullptr, &pCube), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateVolumeTextureFromFileInMemory(device.Get(), volume.data(), 0, &pVolume),
              D3DERR_INVALIDCALL);

    // A cube map cut short after its first face: the faces the file lacks are black.
    const std::string half = cube.substr(0, 128 + 4 * (16 + 4 + 1) + 8);
    Cube partial;
    ASSERT_EQ(D3DXCreateCubeTextureFromFileInMemory(device.Get(), half.data(), UINT(half.size()),
                                                    partial.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(CubeTexel(partial.Get(), 0, 0, 0, 0), FaceColour(0, 0));
    EXPECT_EQ(CubeTexel(partial.Get(), 5, 0, 0, 0), 0u);
}
