// DDS files through D3DX onto the OpenGL device: formats kept (DXT compressed), mip chains
// from the file and filtered down, cube maps and volumes, formats the device lacks, colour
// keys, the in-memory functions, and broken files.
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "OrvTestDraw.h"
#include "DxtCodec.h"
#include "ImageWriters.h"

#include "OrvComPtr.h"

#include <stb_image_write.h>

#include <cstring>

using namespace orv::test;
using Texture = COrvComPtr<IDirect3DTexture9>;

namespace
{
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_ALPHA = 0x2, DDPF_FOURCC = 0x4,
                   DDPF_PALETTEINDEXED8 = 0x20, DDPF_RGB = 0x40, DDPF_LUMINANCE = 0x20000;
constexpr uint32_t CUBEMAP = 0x200, CUBE_ALL = 0xFC00, VOLUME = 0x200000;

struct SFormatCase
{
    const char* m_pName;
    D3DFORMAT m_eFormat;
    uint32_t m_uFlags, m_uFourCC, m_uBits;
    uint32_t m_auMasks[4];
    uint32_t m_uBlockOrPixelBytes; // bytes per block (compressed) or per pixel
    bool m_bCompressed;
};

SDdsHeader HeaderOf(const SFormatCase& test, uint32_t uWidth, uint32_t uHeight, uint32_t uLevels)
{
    SDdsHeader header;
    header.m_uWidth = uWidth;
    header.m_uHeight = uHeight;
    header.m_uMipCount = uLevels;
    header.m_uPixelFlags = test.m_uFlags;
    header.m_uFourCC = test.m_uFourCC;
    header.m_uBits = test.m_uBits;
    for (int i = 0; i < 4; ++i)
        header.m_auMasks[i] = test.m_auMasks[i];
    return header;
}

size_t LevelBytes(const SFormatCase& test, uint32_t uWidth, uint32_t uHeight)
{
    if (test.m_bCompressed)
        return size_t((uWidth + 3) / 4) * ((uHeight + 3) / 4) * test.m_uBlockOrPixelBytes;
    return size_t(uWidth) * uHeight * test.m_uBlockOrPixelBytes;
}

std::string Bytes(size_t uSize, uint32_t uSeed)
{
    std::string bytes(uSize, '\0');
    for (size_t i = 0; i < uSize; ++i)
        bytes[i] = char((i * 131 + uSeed * 17 + (i >> 4)) & 0xff);
    return bytes;
}

// A level's bytes through LockRect, rows (of blocks) tightly packed.
std::string ReadLevel(IDirect3DTexture9* pTexture, UINT uLevel, size_t uRowBytes, UINT uRows)
{
    std::string bytes;
    D3DLOCKED_RECT locked{};
    if (FAILED(pTexture->LockRect(uLevel, &locked, nullptr, D3DLOCK_READONLY)))
        return bytes;
    for (UINT uRow = 0; uRow < uRows; ++uRow)
        bytes.append(static_cast<const char*>(locked.pBits) + size_t(uRow) * locked.Pitch,
                     uRowBytes);
    pTexture->UnlockRect(uLevel);
    return bytes;
}

DWORD Texel(IDirect3DTexture9* pTexture, UINT uLevel, UINT x, UINT y)
{
    D3DLOCKED_RECT locked{};
    if (FAILED(pTexture->LockRect(uLevel, &locked, nullptr, D3DLOCK_READONLY)))
        return 0xdeadbeef;
    DWORD dw = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) +
                                              size_t(y) * locked.Pitch)[x];
    pTexture->UnlockRect(uLevel);
    return dw;
}

// The RGBA pixels of a DXT level read through LockRect.
std::vector<Rgba> DecodeDxtLevel(IDirect3DTexture9* pTexture, UINT uLevel, EOrvDxt eKind)
{
    D3DSURFACE_DESC desc{};
    pTexture->GetLevelDesc(uLevel, &desc);
    const UINT uBlocksX = (desc.Width + 3) / 4, uBlocksY = (desc.Height + 3) / 4;
    const std::string blocks =
        ReadLevel(pTexture, uLevel, uBlocksX * orv::dxt::BlockBytes(eKind), uBlocksY);
    std::vector<Rgba> pixels(size_t(desc.Width) * desc.Height);
    uint8_t auBlock[64];
    for (UINT by = 0; by < uBlocksY; ++by)
        for (UINT bx = 0; bx < uBlocksX; ++bx)
        {
            orv::dxt::DecodeBlock(eKind,
                                  reinterpret_cast<const uint8_t*>(blocks.data()) +
                                      (by * uBlocksX + bx) * orv::dxt::BlockBytes(eKind),
                                  auBlock);
            for (UINT y = 0; y < 4 && by * 4 + y < desc.Height; ++y)
                for (UINT x = 0; x < 4 && bx * 4 + x < desc.Width; ++x)
                    std::memcpy(&pixels[(by * 4 + y) * desc.Width + bx * 4 + x],
                                auBlock + (y * 4 + x) * 4, 4);
        }
    return pixels;
}

// A DXT1 block of one colour (RGB 5-6-5).
std::string SolidDxt1(uint16_t uColour)
{
    std::string block;
    Put16(block, uColour), Put16(block, uColour), Put32(block, 0);
    return block;
}

HRESULT Load(IDirect3DDevice9* pDevice, const std::string& sFile, UINT uLevels, D3DFORMAT eFormat,
             D3DCOLOR colorKey, D3DXIMAGE_INFO* pInfo, Texture& texture)
{
    return D3DXCreateTextureFromFileExA(pDevice, sFile.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, uLevels,
                                        0, eFormat, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT,
                                        colorKey, pInfo, nullptr, texture.ReleaseAndGetAddressOf());
}

} // namespace

TEST(DdsTexture, FormatsTheDeviceHoldsKeepTheFileBytesAndLevels)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    COrvTempDir folder("dds");
    const SFormatCase aCases[] = {
        {"DXT1", D3DFMT_DXT1, DDPF_FOURCC, FourCCValue("DXT1"), 0, {}, 8, true},
        {"DXT2", D3DFMT_DXT2, DDPF_FOURCC, FourCCValue("DXT2"), 0, {}, 16, true},
        {"DXT3", D3DFMT_DXT3, DDPF_FOURCC, FourCCValue("DXT3"), 0, {}, 16, true},
        {"DXT5", D3DFMT_DXT5, DDPF_FOURCC, FourCCValue("DXT5"), 0, {}, 16, true},
        {"A8R8G8B8",
         D3DFMT_A8R8G8B8,
         DDPF_RGB | DDPF_ALPHAPIXELS,
         0,
         32,
         {0xff0000, 0xff00, 0xff, 0xff000000},
         4,
         false},
        {"X8R8G8B8", D3DFMT_X8R8G8B8, DDPF_RGB, 0, 32, {0xff0000, 0xff00, 0xff, 0}, 4, false},
        {"A8B8G8R8",
         D3DFMT_A8B8G8R8,
         DDPF_RGB | DDPF_ALPHAPIXELS,
         0,
         32,
         {0xff, 0xff00, 0xff0000, 0xff000000},
         4,
         false},
        {"R5G6B5", D3DFMT_R5G6B5, DDPF_RGB, 0, 16, {0xf800, 0x07e0, 0x001f, 0}, 2, false},
        {"A1R5G5B5",
         D3DFMT_A1R5G5B5,
         DDPF_RGB | DDPF_ALPHAPIXELS,
         0,
         16,
         {0x7c00, 0x03e0, 0x001f, 0x8000},
         2,
         false},
        {"A4R4G4B4",
         D3DFMT_A4R4G4B4,
         DDPF_RGB | DDPF_ALPHAPIXELS,
         0,
         16,
         {0x0f00, 0x00f0, 0x000f, 0xf000},
         2,
         false},
        {"A2B10G10R10",
         D3DFMT_A2B10G10R10,
         DDPF_RGB | DDPF_ALPHAPIXELS,
         0,
         32,
         {0x3ff, 0xffc00, 0x3ff00000, 0xc0000000},
         4,
         false},
        {"G16R16", D3DFMT_G16R16, DDPF_RGB, 0, 32, {0xffff, 0xffff0000, 0, 0}, 4, false},
        {"L8", D3DFMT_L8, DDPF_LUMINANCE, 0, 8, {0xff, 0, 0, 0}, 1, false},
        {"A8L8",
         D3DFMT_A8L8,
         DDPF_LUMINANCE | DDPF_ALPHAPIXELS,
         0,
         16,
         {0xff, 0, 0, 0xff00},
         2,
         false},
        {"A8", D3DFMT_A8, DDPF_ALPHA, 0, 8, {0, 0, 0, 0xff}, 1, false},
        {"A16B16G16R16", D3DFMT_A16B16G16R16, DDPF_FOURCC, 36, 0, {}, 8, false},
        {"R16F", D3DFMT_R16F, DDPF_FOURCC, 111, 0, {}, 2, false},
        {"A16B16G16R16F", D3DFMT_A16B16G16R16F, DDPF_FOURCC, 113, 0, {}, 8, false},
        {"R32F", D3DFMT_R32F, DDPF_FOURCC, 114, 0, {}, 4, false},
        {"A32B32G32R32F", D3DFMT_A32B32G32R32F, DDPF_FOURCC, 116, 0, {}, 16, false},
    };
    for (const SFormatCase& test : aCases)
    {
        // 12 x 8 with its whole chain: 12 x 8, 6 x 4, 3 x 2, 1 x 1.
        std::string file = WriteDdsHeader(HeaderOf(test, 12, 8, 4));
        std::vector<std::string> levels;
        for (uint32_t uLevel = 0; uLevel < 4; ++uLevel)
        {
            levels.push_back(Bytes(
                LevelBytes(test, std::max(1u, 12u >> uLevel), std::max(1u, 8u >> uLevel)), uLevel));
            file += levels.back();
        }
        Texture texture;
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(Load(device.Get(), WriteIn(folder, "level.dds", file), D3DX_DEFAULT,
                       D3DFMT_UNKNOWN, 0, &info, texture),
                  S_OK)
            << test.m_pName;
        EXPECT_EQ(info.Format, test.m_eFormat) << test.m_pName;
        EXPECT_EQ(info.MipLevels, 4u);
        EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);
        EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, test.m_eFormat) << test.m_pName;
        ASSERT_EQ(texture->GetLevelCount(), 4u);
        for (uint32_t uLevel = 0; uLevel < 4; ++uLevel)
        {
            const uint32_t uHeight = std::max(1u, 8u >> uLevel);
            const UINT uRows = test.m_bCompressed ? (uHeight + 3) / 4 : uHeight;
            if (test.m_eFormat == D3DFMT_X8R8G8B8) // the device reads the unused byte as 0xff
                for (size_t i = 3; i < levels[uLevel].size(); i += 4)
                    levels[uLevel][i] = char(0xff);
            EXPECT_EQ(ReadLevel(texture.Get(), uLevel, levels[uLevel].size() / uRows, uRows),
                      levels[uLevel])
                << test.m_pName << " level " << uLevel;
        }
    }
}

TEST(DdsTexture, FormatsTheDeviceLacksBecomeThirtyTwoBitColour)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    COrvTempDir folder("dds");
    struct SCase
    {
        const char* m_pName;
        SFormatCase m_Format;
        std::string m_Pixel; // the bytes of every pixel
        D3DFORMAT m_eTexture;
        DWORD m_dwTexel;
    } aCases[] = {
        {"R8G8B8",
         {"", D3DFMT_R8G8B8, DDPF_RGB, 0, 24, {0xff0000, 0xff00, 0xff, 0}, 3, false},
         std::string("\x30\x20\x10", 3),
         D3DFMT_X8R8G8B8,
         0xff102030},
        {"A4L4",
         {"", D3DFMT_A4L4, DDPF_LUMINANCE | DDPF_ALPHAPIXELS, 0, 8, {0x0f, 0, 0, 0xf0}, 1, false},
         std::string("\x3c", 1),
         D3DFMT_A8R8G8B8,
         0x33cccccc},
        {"R3G3B2",
         {"", D3DFMT_R3G3B2, DDPF_RGB, 0, 8, {0xe0, 0x1c, 0x03, 0}, 1, false},
         std::string("\xe3", 1),
         D3DFMT_X8R8G8B8,
         0xffff00ff},
        {"P8",
         {"", D3DFMT_P8, DDPF_PALETTEINDEXED8, 0, 8, {}, 1, false},
         std::string("\x02", 1),
         D3DFMT_A8R8G8B8,
         0x8042505e},
    };
    for (const SCase& test : aCases)
    {
        std::string file = WriteDdsHeader(HeaderOf(test.m_Format, 5, 3, 0));
        if (test.m_Format.m_eFormat == D3DFMT_P8)
            for (int i = 0; i < 256; ++i)
                Put8(file, 0x40 + i), Put8(file, 0x50), Put8(file, 0x60 - i), Put8(file, 0x80);
        for (int i = 0; i < 15; ++i)
            file += test.m_Pixel;
        Texture texture;
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(Load(device.Get(), WriteIn(folder, "lacks.dds", file), D3DX_FROM_FILE,
                       D3DFMT_UNKNOWN, 0, &info, texture),
                  S_OK)
            << test.m_pName;
        EXPECT_EQ(info.Format, test.m_Format.m_eFormat);
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, test.m_eTexture) << test.m_pName;
        EXPECT_EQ(Texel(texture.Get(), 0, 4, 2), test.m_dwTexel) << test.m_pName;
    }
}

TEST(DdsTexture, MissingLevelsAreFilteredDownAndStayCompressed)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    COrvTempDir folder("dds");
    // 16 x 16 DXT1 in four quadrants of red, green, blue and white; no mip chain.
    const SFormatCase dxt1 = {"DXT1", D3DFMT_DXT1, DDPF_FOURCC, FourCCValue("DXT1"),
                              0,      {},          8,           true};
    std::string file = WriteDdsHeader(HeaderOf(dxt1, 16, 16, 0));
    const uint16_t auQuadrant[4] = {0xf800, 0x07e0, 0x001f, 0xffff};
    for (int by = 0; by < 4; ++by)
        for (int bx = 0; bx < 4; ++bx)
            file += SolidDxt1(auQuadrant[(by / 2) * 2 + bx / 2]);
    const std::string path = WriteIn(folder, "quadrants.dds", file);
    Texture texture;
    ASSERT_EQ(Load(device.Get(), path, D3DX_DEFAULT, D3DFMT_UNKNOWN, 0, nullptr, texture), S_OK);
    ASSERT_EQ(texture->GetLevelCount(), 5u);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(4, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_DXT1);
    const std::vector<Rgba> half = DecodeDxtLevel(texture.Get(), 1, EOrvDxt::DXT1);
    EXPECT_EQ(half[0], (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(half[7], (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(half[7 * 8], (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(half[63], (Rgba{255, 255, 255, 255}));
    // The last level is the mean of the four: (510, 510, 510) / 4, within DXT1's precision.
    const Rgba last = DecodeDxtLevel(texture.Get(), 4, EOrvDxt::DXT1)[0];
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(last[c], 128, 5) << c;
    ASSERT_EQ(Load(device.Get(), path, D3DX_FROM_FILE, D3DFMT_UNKNOWN, 0, nullptr, texture), S_OK);
    EXPECT_EQ(texture->GetLevelCount(), 1u);

    // Asked for 32-bit colour, the blocks are decoded; asked for DXT5, a PNG is compressed.
    ASSERT_EQ(Load(device.Get(), path, 1, D3DFMT_A8R8G8B8, 0, nullptr, texture), S_OK);
    EXPECT_EQ(Texel(texture.Get(), 0, 0, 0), 0xffff0000u);
    EXPECT_EQ(Texel(texture.Get(), 0, 15, 15), 0xffffffffu);
    std::vector<uint8_t> auRgba;
    for (int i = 0; i < 64; ++i)
        auRgba.insert(auRgba.end(), {uint8_t(i * 2), 200, 30, uint8_t(i < 32 ? 255 : 64)});
    std::string png;
    stbi_write_png_to_func(
        [](void* p, void* d, int n)
        { static_cast<std::string*>(p)->append(static_cast<char*>(d), size_t(n)); },
        &png, 8, 8, 4, auRgba.data(), 32);
    ASSERT_EQ(Load(device.Get(), WriteIn(folder, "picture.png", png), D3DX_DEFAULT, D3DFMT_DXT5, 0,
                   nullptr, texture),
              S_OK);
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_DXT5);
    const std::vector<Rgba> decoded = DecodeDxtLevel(texture.Get(), 0, EOrvDxt::DXT5);
    for (int i = 0; i < 64; ++i)
    {
        EXPECT_NEAR(decoded[i][0], auRgba[4 * i], 16) << i;
        EXPECT_NEAR(decoded[i][1], 200, 4) << i;
        EXPECT_EQ(decoded[i][3], auRgba[4 * i + 3]) << i;
    }
}

TEST(DdsTexture, CubeMapsAndVolumesGiveTheirFirstFaceOrSlice)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    COrvTempDir folder("dds");
    const SFormatCase argb = {"A8R8G8B8",
                              D3DFMT_A8R8G8B8,
                              DDPF_RGB | DDPF_ALPHAPIXELS,
                              0,
                              32,
                              {0xff0000, 0xff00, 0xff, 0xff000000},
                              4,
                              false};
    auto solid = [](uint32_t uCount, uint32_t uArgb)
    {
        std::string bytes;
        for (uint32_t i = 0; i < uCount; ++i)
            Put32(bytes, uArgb);
        return bytes;
    };
    // A whole cube map of 4 x 4 faces with two levels each, one colour a face.
    SDdsHeader cube = HeaderOf(argb, 4, 4, 2);
    cube.m_uCaps2 = CUBEMAP | CUBE_ALL;
    std::string file = WriteDdsHeader(cube);
    for (uint32_t uFace = 0; uFace < 6; ++uFace)
        file += solid(16, 0xff000010 + uFace) + solid(4, 0xff000100 + uFace);
    Texture texture;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(Load(device.Get(), WriteIn(folder, "cube.dds", file), D3DX_FROM_FILE, D3DFMT_UNKNOWN,
                   0, &info, texture),
              S_OK);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_CUBETEXTURE);
    EXPECT_EQ(info.MipLevels, 2u);
    EXPECT_EQ(Texel(texture.Get(), 0, 3, 3), 0xff000010u);
    EXPECT_EQ(Texel(texture.Get(), 1, 1, 1), 0xff000100u);

    // A cube map with only two faces: the first one there.
    cube.m_uCaps2 = CUBEMAP | 0x800 | 0x2000;
    cube.m_uMipCount = 0;
    file = WriteDdsHeader(cube) + solid(16, 0xff00aa00) + solid(16, 0xff00bb00);
    ASSERT_EQ(Load(device.Get(), WriteIn(folder, "partial.dds", file), D3DX_DEFAULT, D3DFMT_UNKNOWN,
                   0, &info, texture),
              S_OK);
    EXPECT_EQ(Texel(texture.Get(), 0, 0, 0), 0xff00aa00u);

    // A 4 x 4 x 3 volume with its chain: 3 slices, then 2 x 2 x 1, then 1 x 1 x 1.
    SDdsHeader volume = HeaderOf(argb, 4, 4, 3);
    volume.m_uDepth = 3;
    volume.m_uCaps2 = VOLUME;
    file = WriteDdsHeader(volume) + solid(16, 0xff110000) + solid(16, 0xff220000) +
           solid(16, 0xff330000) + solid(4, 0xff440000) + solid(1, 0xff550000);
    ASSERT_EQ(Load(device.Get(), WriteIn(folder, "volume.dds", file), D3DX_FROM_FILE,
                   D3DFMT_UNKNOWN, 0, &info, texture),
              S_OK);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_VOLUMETEXTURE);
    EXPECT_EQ(info.Depth, 3u);
    ASSERT_EQ(texture->GetLevelCount(), 3u);
    EXPECT_EQ(Texel(texture.Get(), 0, 2, 2), 0xff110000u);
    EXPECT_EQ(Texel(texture.Get(), 1, 1, 1), 0xff440000u);
    EXPECT_EQ(Texel(texture.Get(), 2, 0, 0), 0xff550000u);
}

TEST(DdsTexture, ColourKeysTurnMatchingTexelsTransparent)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    COrvTempDir folder("dds");
    // A 24-bit BMP with magenta pixels: an X8R8G8B8 texture, unless keyed.
    const SPicture picture =
        MakePicture(6, 4,
                    [](uint32_t x, uint32_t y) {
                        return (x + y) % 3 ? Rgba{255, 0, 255, 255} : Rgba{10, 20, 30, 255};
                    });
    const std::string bmp = WriteIn(folder, "keyed.bmp", WriteBmp(picture, Bmp(24, 0, 40)));
    Texture texture;
    ASSERT_EQ(Load(device.Get(), bmp, 1, D3DFMT_UNKNOWN, 0, nullptr, texture), S_OK);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    ASSERT_EQ(Load(device.Get(), bmp, 1, D3DFMT_UNKNOWN, 0xffff00ff, nullptr, texture), S_OK);
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(Texel(texture.Get(), 0, 0, 0), 0xff0a141eu);
    EXPECT_EQ(Texel(texture.Get(), 0, 1, 0), 0u);

    // DXT1 keeps its format: keyed texels become its transparent black.
    const SFormatCase dxt1 = {"DXT1", D3DFMT_DXT1, DDPF_FOURCC, FourCCValue("DXT1"),
                              0,      {},          8,           true};
    const std::string dds =
        WriteDdsHeader(HeaderOf(dxt1, 8, 4, 0)) + SolidDxt1(0xf81f) + SolidDxt1(0x07e0);
    ASSERT_EQ(Load(device.Get(), WriteIn(folder, "keyed.dds", dds), 1, D3DFMT_UNKNOWN, 0xffff00ff,
                   nullptr, texture),
              S_OK);
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_DXT1);
    const std::vector<Rgba> pixels = DecodeDxtLevel(texture.Get(), 0, EOrvDxt::DXT1);
    EXPECT_EQ(pixels[0], (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(pixels[4], (Rgba{0, 255, 0, 255}));
}

TEST(DdsTexture, InMemoryFunctionsAndImageInformation)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    const SFormatCase dxt5 = {"DXT5", D3DFMT_DXT5, DDPF_FOURCC, FourCCValue("DXT5"),
                              0,      {},          16,          true};
    const std::string file = WriteDdsHeader(HeaderOf(dxt5, 8, 8, 4)) + Bytes(64 + 16 + 16 + 16, 3);
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(file.data(), UINT(file.size()), &info), S_OK);
    EXPECT_EQ(info.Width, 8u);
    EXPECT_EQ(info.Height, 8u);
    EXPECT_EQ(info.Depth, 1u);
    EXPECT_EQ(info.MipLevels, 4u);
    EXPECT_EQ(info.Format, D3DFMT_DXT5);
    Texture texture;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemory(device.Get(), file.data(), UINT(file.size()),
                                                texture.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(texture->GetLevelCount(), 4u);
    IDirect3DTexture9* pTexture = reinterpret_cast<IDirect3DTexture9*>(1);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(device.Get(), file.data(), 100, &pTexture),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(pTexture, nullptr);
    EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(file.data(), 0, &info), D3DERR_INVALIDCALL);
}

TEST(DdsTexture, BrokenFilesAreRefused)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    const SFormatCase dxt1 = {"DXT1", D3DFMT_DXT1, DDPF_FOURCC, FourCCValue("DXT1"),
                              0,      {},          8,           true};
    const SFormatCase odd = {"", D3DFMT_UNKNOWN, DDPF_RGB, 0, 24, {0xf00000, 0xff00, 0xff, 0},
                             3,  false};
    auto header = [&](uint32_t uWidth, uint32_t uHeight, uint32_t uLevels, uint32_t uDepth,
                      uint32_t uCaps2, const SFormatCase& format)
    {
        SDdsHeader h = HeaderOf(format, uWidth, uHeight, uLevels);
        h.m_uDepth = uDepth;
        h.m_uCaps2 = uCaps2;
        return WriteDdsHeader(h);
    };
    const std::string blocks = Bytes(4096, 1);
    std::vector<std::string> files = {
        header(0, 8, 0, 0, 0, dxt1) + blocks,
        header(1u << 20, 8, 0, 0, 0, dxt1) + blocks,
        header(8, 8, 0, 0, 0, dxt1).substr(0, 100),
        header(8, 8, 0, 0, 0, dxt1) + blocks.substr(0, 20),
        header(8, 8, 0, 1u << 20, VOLUME, dxt1) + blocks,
        header(8, 8, 0, 0, CUBEMAP, dxt1) + blocks,
        header(8, 8, 0, 0, 0, odd) + blocks,
        header(8, 8, 0, 0, 0,
               {"", D3DFMT_UNKNOWN, DDPF_FOURCC, FourCCValue("DX10"), 0, {}, 0, false}) +
            blocks,
        header(8, 8, 0, 0, 0,
               {"", D3DFMT_UNKNOWN, DDPF_FOURCC, FourCCValue("ATI2"), 0, {}, 0, false}) +
            blocks,
        header(8, 8, 0, 0, 0, {"", D3DFMT_UNKNOWN, DDPF_PALETTEINDEXED8, 0, 8, {}, 0, false}) +
            blocks.substr(0, 500),
        "DDS ",
    };
    for (size_t i = 0; i < files.size(); ++i)
    {
        IDirect3DTexture9* pTexture = reinterpret_cast<IDirect3DTexture9*>(1);
        EXPECT_EQ(D3DXCreateTextureFromFileInMemory(device.Get(), files[i].data(),
                                                    UINT(files[i].size()), &pTexture),
                  D3DXERR_INVALIDDATA)
            << "file " << i;
        EXPECT_EQ(pTexture, nullptr);
    }
    // A chain that claims more levels than the file holds keeps those it has.
    const std::string cut = header(8, 8, 9, 0, 0, dxt1) + blocks.substr(0, 32 + 8);
    Texture texture;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(
                  device.Get(), cut.data(), UINT(cut.size()), D3DX_DEFAULT, D3DX_DEFAULT,
                  D3DX_FROM_FILE, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                  nullptr, nullptr, texture.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(texture->GetLevelCount(), 2u);
}
