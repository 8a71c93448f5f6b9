// DDS textures drawn on the OpenGL device: our DXT decoding against the device's, and a
// mesh that names DDS textures (a file mip chain in colours by level, and a DXT5 texture
// whose chain D3DX builds) against a golden picture.
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "OrvTestDraw.h"
#include "DxtCodec.h"
#include "ImageWriters.h"
#include "PixelFormats.h"

#include "OrvComPtr.h"

#include <cmath>
#include <cstring>

using namespace orv::test;
using Texture = COrvComPtr<IDirect3DTexture9>;
using Surface = COrvComPtr<IDirect3DSurface9>;

namespace
{
struct STexturedVertex
{
    float x, y, z, rhw;
    float u, v;
};

// Draws a texture over a whole render target of its size, texel for pixel.
void DrawTexelForPixel(IDirect3DDevice9* pDevice, IDirect3DTexture9* pTexture, float fSize)
{
    pDevice->BeginScene();
    pDevice->SetTexture(0, pTexture);
    pDevice->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    pDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    const float e = -0.5f;
    const STexturedVertex aQuad[4] = {{e, e, 0.5f, 1, 0, 0},
                                      {fSize + e, e, 0.5f, 1, 1, 0},
                                      {e, fSize + e, 0.5f, 1, 0, 1},
                                      {fSize + e, fSize + e, 0.5f, 1, 1, 1}};
    pDevice->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, aQuad, sizeof(STexturedVertex));
    pDevice->EndScene();
}

std::string SolidDxt1(uint16_t uColour)
{
    std::string block;
    Put16(block, uColour), Put16(block, uColour), Put32(block, 0);
    return block;
}
} // namespace

TEST(DdsPicture, OurDxtDecodingMatchesTheDevice)
{
    COrvTestDevice device(32, 32);
    ASSERT_TRUE(device);
    Texture target;
    ASSERT_EQ(device->CreateTexture(32, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                    D3DPOOL_DEFAULT, target.ReleaseAndGetAddressOf(), nullptr),
              D3D_OK);
    Surface targetLevel;
    target->GetSurfaceLevel(0, targetLevel.ReleaseAndGetAddressOf());
    uint32_t uRandom = 4711;
    for (D3DFORMAT eFormat : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5})
    {
        const EOrvDxt eKind = eFormat == D3DFMT_DXT1   ? EOrvDxt::DXT1
                              : eFormat == D3DFMT_DXT3 ? EOrvDxt::DXT3
                                                       : EOrvDxt::DXT5;
        // 8 x 8 random blocks: both colour modes, both alpha modes.
        std::vector<uint8_t> auBlocks(64 * orv::dxt::BlockBytes(eKind));
        for (uint8_t& u : auBlocks)
        {
            uRandom = uRandom * 1664525u + 1013904223u;
            u = uint8_t(uRandom >> 24);
        }
        Texture texture;
        ASSERT_EQ(device->CreateTexture(32, 32, 1, 0, eFormat, D3DPOOL_MANAGED,
                                        texture.ReleaseAndGetAddressOf(), nullptr),
                  D3D_OK);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        const size_t uRow = 8 * orv::dxt::BlockBytes(eKind);
        for (size_t y = 0; y < 8; ++y)
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch,
                        auBlocks.data() + y * uRow, uRow);
        texture->UnlockRect(0);
        device->SetRenderTarget(0, targetLevel.Get());
        DrawTexelForPixel(device.Get(), texture.Get(), 32);
        SOrvImage image;
        ASSERT_TRUE(OrvReadSurface(device.Get(), targetLevel.Get(), image));
        std::vector<uint8_t> auOurs(32 * 32 * 4);
        orv::pixels::ToRgba(eFormat, auBlocks.data(), 32, 32, nullptr, auOurs.data());
        int iWorst = 0;
        for (size_t i = 0; i < auOurs.size(); ++i)
            iWorst = std::max(iWorst, std::abs(int(auOurs[i]) - int(image.m_aRGBA[i])));
        EXPECT_LE(iWorst, 1) << "format " << eFormat;
    }
}

TEST(DdsPicture, EncodedBlocksStayCloseToTheirPixels)
{
    // A smooth picture with soft alpha, as mip levels are: DXT5 keeps it within a few steps.
    std::vector<uint8_t> auRgba;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            auRgba.insert(auRgba.end(), {uint8_t(x * 8), uint8_t(128 + 100 * std::sin(y * 0.2)),
                                         uint8_t((x + y) * 4), uint8_t(255 - y * 6)});
    for (D3DFORMAT eFormat : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5})
    {
        std::vector<uint8_t> auBlocks(orv::pixels::ImageSize(eFormat, 32, 32));
        orv::pixels::FromRgba(eFormat, auRgba.data(), 32, 32, auBlocks.data());
        std::vector<uint8_t> auBack(auRgba.size());
        orv::pixels::ToRgba(eFormat, auBlocks.data(), 32, 32, nullptr, auBack.data());
        double dSum = 0;
        int iWorst = 0;
        for (size_t i = 0; i < auRgba.size(); ++i)
        {
            const bool bClear = eFormat == D3DFMT_DXT1 && auRgba[i | 3] < 128;
            if (i % 4 == 3 && eFormat == D3DFMT_DXT1)
            {
                EXPECT_EQ(auBack[i], bClear ? 0 : 255); // one bit of alpha
            }
            if (bClear || (i % 4 == 3 && eFormat == D3DFMT_DXT1))
                continue; // transparent DXT1 texels are black
            const int iError = std::abs(int(auBack[i]) - int(auRgba[i]));
            dSum += iError;
            iWorst = std::max(iWorst, iError);
        }
        // Four colours on a line a block cannot hold this picture exactly; they come close.
        EXPECT_LE(dSum / double(auRgba.size()), 5.0) << eFormat;
        EXPECT_LE(iWorst, 24) << eFormat;
    }
}

TEST(DdsPicture, MeshWithDdsTexturesMatchesItsGoldenPicture)
{
    COrvTestDevice device(96, 72);
    ASSERT_TRUE(device);
    COrvTempDir folder("dds");
    // Tiles: 64 x 64 DXT1 with its whole chain in the file, each level a checker of 8-pixel
    // cells in a colour of its own, so the picture shows which levels the device samples.
    const uint16_t auLevelColour[7] = {0xf800, 0x07e0, 0x001f, 0xffe0, 0x07ff, 0xf81f, 0x8410};
    SDdsHeader tiles;
    tiles.m_uWidth = tiles.m_uHeight = 64;
    tiles.m_uMipCount = 7;
    tiles.m_uPixelFlags = 0x4;
    tiles.m_uFourCC = FourCCValue("DXT1");
    std::string file = WriteDdsHeader(tiles);
    for (int iLevel = 0; iLevel < 7; ++iLevel)
    {
        const int iBlocks = std::max(1, 16 >> iLevel);
        for (int by = 0; by < iBlocks; ++by)
            for (int bx = 0; bx < iBlocks; ++bx)
                file += SolidDxt1(((bx / 2 + by / 2) & 1) ? 0xffff : auLevelColour[iLevel]);
    }
    WriteIn(folder, "tiles.dds", file);
    // Glass: 32 x 32 DXT5, orange fading from opaque to clear, one level: D3DX makes the rest.
    SDdsHeader glass = tiles;
    glass.m_uWidth = glass.m_uHeight = 32;
    glass.m_uMipCount = 0;
    glass.m_uFourCC = FourCCValue("DXT5");
    std::vector<uint8_t> auGlass;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            auGlass.insert(auGlass.end(), {255, uint8_t(120 + y * 3), 20, uint8_t(255 - x * 8)});
    std::vector<uint8_t> auGlassBlocks(orv::pixels::ImageSize(D3DFMT_DXT5, 32, 32));
    orv::pixels::FromRgba(D3DFMT_DXT5, auGlass.data(), 32, 32, auGlassBlocks.data());
    WriteIn(folder, "glass.dds",
            WriteDdsHeader(glass) + std::string(auGlassBlocks.begin(), auGlassBlocks.end()));

    const std::string sMesh = WriteIn(folder, "floor.x", R"(xof 0303txt 0032
Mesh FloorAndPane {
 8;
 -2.0;-1.0;0.0;, 2.0;-1.0;0.0;, -2.0;-1.0;24.0;, 2.0;-1.0;24.0;,
 -0.8;-0.6;1.5;, 0.8;-0.6;1.5;, -0.8;0.7;1.5;, 0.8;0.7;1.5;;
 4;
 3;0,2,1;, 3;1,2,3;, 3;4,6,5;, 3;5,6,7;;
 MeshTextureCoords { 8; 0.0;0.0;, 1.0;0.0;, 0.0;6.0;, 1.0;6.0;,
                        0.0;1.0;, 1.0;1.0;, 0.0;0.0;, 1.0;0.0;; }
 MeshMaterialList { 2; 4; 0, 0, 1, 1;;
  Material Tiles { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; TextureFilename { "tiles.dds"; } }
  Material Glass { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; TextureFilename { "glass.dds"; } }
 }
})");
    COrvComPtr<ID3DXMesh> mesh;
    COrvComPtr<ID3DXBuffer> materials;
    DWORD dwMaterials = 0;
    ASSERT_EQ(D3DXLoadMeshFromXA(sMesh.c_str(), D3DXMESH_SYSTEMMEM, device.Get(), nullptr,
                                 materials.ReleaseAndGetAddressOf(), nullptr, &dwMaterials,
                                 mesh.ReleaseAndGetAddressOf()),
              S_OK);
    ASSERT_EQ(dwMaterials, 2u);
    const auto* pMaterials = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    Texture textures[2];
    for (DWORD i = 0; i < 2; ++i)
    {
        ASSERT_NE(pMaterials[i].pTextureFilename, nullptr);
        ASSERT_EQ(D3DXCreateTextureFromFileA(device.Get(),
                                             folder.File(pMaterials[i].pTextureFilename).c_str(),
                                             textures[i].ReleaseAndGetAddressOf()),
                  S_OK);
        D3DSURFACE_DESC desc{};
        textures[i]->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, i == 0 ? D3DFMT_DXT1 : D3DFMT_DXT5);
        EXPECT_EQ(textures[i]->GetLevelCount(), i == 0 ? 7u : 6u);
    }

    D3DXMATRIX world, view, projection;
    D3DXVECTOR3 eye(0, 0.4f, -2.5f), at(0, -0.6f, 6.0f), up(0, 1, 0);
    D3DXMatrixIdentity(&world);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    // 3.14159f, not pi: the angle the golden pictures were made with.
    D3DXMatrixPerspectiveFovLH(&projection, 3.14159f / 4, 96.0f / 72.0f, 0.1f, 50.0f);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff203040, 1.0f, 0);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    device->SetTexture(0, textures[0].Get());
    mesh->DrawSubset(0);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTexture(0, textures[1].Get());
    mesh->DrawSubset(1);
    device->EndScene();
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    EXPECT_TRUE(OrvMatchesGolden(image, "d3dx/dds_textured_mesh"));
}
