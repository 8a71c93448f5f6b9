#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "OrvTestDraw.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace
{
DWORD Texel(IDirect3DTexture9* pTexture, UINT uLevel, UINT x, UINT y)
{
    D3DLOCKED_RECT locked{};
    if (FAILED(pTexture->LockRect(uLevel, &locked, nullptr, D3DLOCK_READONLY)))
        return 0;
    DWORD dw = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) +
                                              y * locked.Pitch)[x];
    pTexture->UnlockRect(uLevel);
    return dw;
}

DWORD ExpectedArgb(UINT x, UINT y, bool bAlpha)
{
    DWORD a = bAlpha ? (255 - x * 20 - y * 3) & 255 : 255;
    return a << 24 | ((x * 40) & 255) << 16 | ((y * 60) & 255) << 8 |
           ((200 - x * 10 - y * 5) & 255);
}

HRESULT LoadTexture(IDirect3DDevice9* pDevice, const std::string& sFile, UINT uSize, UINT uLevels,
                    D3DXIMAGE_INFO* pInfo, IDirect3DTexture9** ppTexture)
{
    return D3DXCreateTextureFromFileExA(pDevice, sFile.c_str(), uSize, uSize, uLevels, 0,
                                        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT,
                                        0, pInfo, nullptr, ppTexture);
}
} // namespace

TEST(D3DXTexture, OddSizedImagesKeepTheirSizeTexelsAndMipChain)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    struct SCase
    {
        const char* m_pFile;
        UINT m_uWidth, m_uHeight, m_uLevels;
        D3DXIMAGE_FILEFORMAT m_eFormat;
        D3DFORMAT m_eFileFormat;
    } aCases[] = {{"odd5x3.png", 5, 3, 3, D3DXIFF_PNG, D3DFMT_A8R8G8B8},
                  {"odd7x5.bmp", 7, 5, 3, D3DXIFF_BMP, D3DFMT_R8G8B8}};
    for (const SCase& test : aCases)
    {
        COrvComPtr<IDirect3DTexture9> pTexture;
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(LoadTexture(device.Get(), OrvTestData("d3dx", test.m_pFile), D3DX_DEFAULT,
                              D3DX_DEFAULT, &info, pTexture.ReleaseAndGetAddressOf()),
                  S_OK);
        EXPECT_EQ(info.Width, test.m_uWidth);
        EXPECT_EQ(info.Height, test.m_uHeight);
        EXPECT_EQ(info.ImageFileFormat, test.m_eFormat);
        EXPECT_EQ(info.Format, test.m_eFileFormat);
        EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);
        D3DSURFACE_DESC desc{};
        pTexture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Width, test.m_uWidth) << "no rounding to powers of two";
        EXPECT_EQ(desc.Height, test.m_uHeight);
        EXPECT_EQ(pTexture->GetLevelCount(), test.m_uLevels);
        bool bAlpha = test.m_eFormat == D3DXIFF_PNG;
        for (UINT y = 0; y < test.m_uHeight; ++y)
            for (UINT x = 0; x < test.m_uWidth; ++x)
                ASSERT_EQ(Texel(pTexture.Get(), 0, x, y), ExpectedArgb(x, y, bAlpha))
                    << test.m_pFile << " " << x << "," << y;
        pTexture.Reset();
    }
    // An explicit size scales; one mip level on request.
    COrvComPtr<IDirect3DTexture9> pTexture;
    ASSERT_EQ(LoadTexture(device.Get(), OrvTestData("d3dx", "odd5x3.png"), 16, 1, nullptr,
                          pTexture.ReleaseAndGetAddressOf()),
              S_OK);
    D3DSURFACE_DESC desc{};
    pTexture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 16u);
    EXPECT_EQ(pTexture->GetLevelCount(), 1u);
    pTexture.Reset();
    ASSERT_EQ(D3DXCreateTextureFromFileA(device.Get(), OrvTestData("d3dx", "odd7x5.bmp").c_str(),
                                         pTexture.ReleaseAndGetAddressOf()),
              S_OK);
}

TEST(D3DXTexture, BadImagesFailAndLeaveNoTexture)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    for (const char* pFile : {"truncated.png", "missing.png", "garbage.x"})
    {
        IDirect3DTexture9* pTexture = reinterpret_cast<IDirect3DTexture9*>(1);
        EXPECT_TRUE(FAILED(LoadTexture(device.Get(), OrvTestData("d3dx", pFile), D3DX_DEFAULT,
                                       D3DX_DEFAULT, nullptr, &pTexture)))
            << pFile;
        EXPECT_EQ(pTexture, nullptr);
    }
}

TEST(D3DXTexture, SavedRenderTargetReadsBackAsPngAndBmp)
{
    COrvTestDevice device(9, 7);
    ASSERT_TRUE(device);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff336699, 1.0f, 0);
    COrvComPtr<IDirect3DSurface9> pTarget;
    ASSERT_EQ(device->GetRenderTarget(0, pTarget.ReleaseAndGetAddressOf()), S_OK);
    for (D3DXIMAGE_FILEFORMAT eFormat : {D3DXIFF_PNG, D3DXIFF_BMP})
    {
        std::string sFile = testing::TempDir() + (eFormat == D3DXIFF_PNG ? "shot.png" : "shot.bmp");
        ASSERT_EQ(D3DXSaveSurfaceToFileA(sFile.c_str(), eFormat, pTarget.Get(), nullptr, nullptr),
                  S_OK);
        COrvComPtr<IDirect3DTexture9> pTexture;
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(LoadTexture(device.Get(), sFile, D3DX_DEFAULT, 1, &info,
                              pTexture.ReleaseAndGetAddressOf()),
                  S_OK);
        EXPECT_EQ(info.Width, 9u);
        EXPECT_EQ(info.Height, 7u);
        EXPECT_EQ(info.ImageFileFormat, eFormat);
        EXPECT_EQ(Texel(pTexture.Get(), 0, 8, 6), 0xff336699u);
        pTexture.Reset();
        std::remove(sFile.c_str());
    }
    EXPECT_TRUE(
        FAILED(D3DXSaveSurfaceToFileA("x.jpg", D3DXIFF_JPG, pTarget.Get(), nullptr, nullptr)));
}

TEST(D3DXMesh, QuadMeshFromDeclarationDrawsItsUnwrittenFaceAsNothing)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    const D3DVERTEXELEMENT9 aDeclaration[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
        {0, 24, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
        D3DDECL_END()};
    COrvComPtr<ID3DXMesh> pMesh;
    ASSERT_EQ(D3DXCreateMesh(1, 4, D3DXMESH_MANAGED, aDeclaration, device.Get(),
                             pMesh.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(pMesh->GetNumBytesPerVertex(), 32u);
    EXPECT_EQ(pMesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    EXPECT_EQ(D3DXGetFVFVertexSize(pMesh->GetFVF()), 32u);
    const float afQuad[32] = {-1, 1,  0, 0, 0, -1, 0, 0, 1, 1,  0, 0, 0, -1, 1, 0,
                              -1, -1, 0, 0, 0, -1, 0, 1, 1, -1, 0, 0, 0, -1, 1, 1};
    void* pVertices = nullptr;
    ASSERT_EQ(pMesh->LockVertexBuffer(0, &pVertices), S_OK);
    std::memcpy(pVertices, afQuad, sizeof afQuad);
    pMesh->UnlockVertexBuffer();
    ASSERT_EQ(pMesh->LockVertexBuffer(D3DLOCK_READONLY, &pVertices), S_OK);
    D3DXVECTOR3 vMin, vMax;
    ASSERT_EQ(D3DXComputeBoundingBox(static_cast<D3DXVECTOR3*>(pVertices), pMesh->GetNumVertices(),
                                     D3DXGetFVFVertexSize(pMesh->GetFVF()), &vMin, &vMax),
              S_OK);
    pMesh->UnlockVertexBuffer();
    EXPECT_EQ(vMin, D3DXVECTOR3(-1, -1, 0));
    EXPECT_EQ(vMax, D3DXVECTOR3(1, 1, 0));
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    EXPECT_EQ(pMesh->DrawSubset(0), S_OK);
    device->EndScene();
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    EXPECT_EQ(image.At(32, 32), 0xff000000u) << "three zero indices: a point-sized face";

    // Clone to another layout: positions stay, the missing colour is zero.
    COrvComPtr<ID3DXMesh> pClone;
    ASSERT_EQ(pMesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_DIFFUSE, device.Get(),
                                  pClone.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(pClone->GetNumBytesPerVertex(), 16u);
    ASSERT_EQ(pClone->LockVertexBuffer(D3DLOCK_READONLY, &pVertices), S_OK);
    const float* pf = static_cast<const float*>(pVertices);
    EXPECT_EQ(pf[4 * 3 + 0], 1.0f);
    EXPECT_EQ(pf[4 * 3 + 1], -1.0f);
    pClone->UnlockVertexBuffer();
}

TEST(D3DXMesh, LoadedFileHasOneSubsetPerMaterial)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    COrvComPtr<ID3DXMesh> pMesh;
    COrvComPtr<ID3DXBuffer> pMaterials;
    COrvComPtr<ID3DXBuffer> pAdjacency;
    DWORD dwMaterials = 0;
    ASSERT_EQ(D3DXLoadMeshFromXA(OrvTestData("d3dx", "twomaterials.x").c_str(), D3DXMESH_SYSTEMMEM,
                                 device.Get(), pAdjacency.ReleaseAndGetAddressOf(),
                                 pMaterials.ReleaseAndGetAddressOf(), nullptr, &dwMaterials,
                                 pMesh.ReleaseAndGetAddressOf()),
              S_OK);
    ASSERT_EQ(dwMaterials, 2u);
    auto* pList = static_cast<D3DXMATERIAL*>(pMaterials->GetBufferPointer());
    EXPECT_EQ(pList[0].pTextureFilename, nullptr);
    EXPECT_STREQ(pList[1].pTextureFilename, "Checker.PNG");
    EXPECT_FLOAT_EQ(pList[0].MatD3D.Diffuse.r, 1.0f);
    EXPECT_EQ(pMesh->GetNumFaces(), 2u);
    DWORD dwRanges = 0;
    ASSERT_EQ(pMesh->GetAttributeTable(nullptr, &dwRanges), S_OK);
    ASSERT_EQ(dwRanges, 2u);
    D3DXATTRIBUTERANGE aRanges[2];
    pMesh->GetAttributeTable(aRanges, &dwRanges);
    EXPECT_EQ(aRanges[0].FaceCount + aRanges[1].FaceCount, 2u);
    EXPECT_NE(aRanges[0].AttribId, aRanges[1].AttribId);
    EXPECT_EQ(pAdjacency->GetBufferSize(), 2u * 3u * sizeof(DWORD));
}

TEST(D3DXMesh, BadMeshesFailWithoutAMesh)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    ID3DXMesh* pMesh = reinterpret_cast<ID3DXMesh*>(1);
    DWORD dwMaterials = 7;
    EXPECT_TRUE(FAILED(D3DXLoadMeshFromXA(OrvTestData("d3dx", "garbage.x").c_str(), 0, device.Get(),
                                          nullptr, nullptr, nullptr, &dwMaterials, &pMesh)));
    EXPECT_EQ(pMesh, nullptr);
    EXPECT_EQ(dwMaterials, 0u);
    EXPECT_TRUE(FAILED(D3DXLoadMeshFromXA("missing.x", 0, device.Get(), nullptr, nullptr, nullptr,
                                          nullptr, &pMesh)));
    EXPECT_TRUE(FAILED(
        D3DXCreateMeshFVF(10000000, 30000000, D3DXMESH_MANAGED, D3DFVF_XYZ, device.Get(), &pMesh)));
    EXPECT_EQ(pMesh, nullptr);
    EXPECT_TRUE(
        FAILED(D3DXCreateMeshFVF(0, 3, D3DXMESH_MANAGED, D3DFVF_XYZ, device.Get(), &pMesh)));
    EXPECT_TRUE(FAILED(D3DXCreateSphere(device.Get(), 1.0f, 1, 1, &pMesh, nullptr)));
    EXPECT_TRUE(FAILED(D3DXCreateTeapot(nullptr, &pMesh, nullptr)));
    EXPECT_EQ(pMesh, nullptr);
}
