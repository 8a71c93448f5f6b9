#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "OrvTestDraw.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace
{
// Per-vertex diffuse lighting in a vertex shader, as demo effects do it.
const char* const s_pLit = R"(
float4x4 World : WORLD;
float4x4 ViewProjection : VIEWPROJECTION;
float3 LightDir = {0.577, -0.577, 0.577};
float4 Diffuse = {1.0, 0.6, 0.2, 1.0};
struct VSOUT { float4 pos : POSITION; float4 col : COLOR0; };
VSOUT VS(float4 p : POSITION, float3 n : NORMAL)
{
    VSOUT o;
    float4 world = mul(p, World);
    o.pos = mul(world, ViewProjection);
    float3 normal = normalize(mul(n, (float3x3)World));
    o.col = Diffuse * (0.2 + 0.8 * saturate(dot(normal, -LightDir)));
    return o;
}
float4 PS(float4 col : COLOR0) : COLOR { return col; }
technique Lit { pass { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS();
                       ZEnable = true; ZWriteEnable = true; CullMode = CCW; } }
)";

class MeshPictureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_device);
        D3DXMATRIX view, projection;
        D3DXVECTOR3 eye(0, 1.5f, -4.0f), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        // 3.14159f, not pi: the angle the golden pictures were made with.
        D3DXMatrixPerspectiveFovLH(&projection, 3.14159f / 4, 96.0f / 72.0f, 0.1f, 20.0f);
        m_device->SetTransform(D3DTS_VIEW, &view);
        m_device->SetTransform(D3DTS_PROJECTION, &projection);
        D3DXMatrixMultiply(&m_viewProjection, &view, &projection);
        m_device->BeginScene();
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff202040, 1.0f, 0);
        m_device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    }
    SOrvImage Read()
    {
        m_device->EndScene();
        SOrvImage image;
        EXPECT_TRUE(OrvReadRenderTarget(m_device.Get(), image));
        return image;
    }
    void FixedFunctionLight()
    {
        D3DLIGHT9 light{};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {1, 1, 1, 1};
        light.Direction = {0.577f, -0.577f, 0.577f};
        m_device->SetLight(0, &light);
        m_device->LightEnable(0, TRUE);
        m_device->SetRenderState(D3DRS_LIGHTING, TRUE);
        m_device->SetRenderState(D3DRS_AMBIENT, 0xff333333);
    }
    COrvTestDevice m_device{96, 72};
    D3DXMATRIX m_viewProjection;
};
} // namespace

TEST_F(MeshPictureTest, LitTeapotThroughAnEffectAndLitSphereThroughFixedFunction)
{
    COrvComPtr<ID3DXMesh> pTeapot;
    COrvComPtr<ID3DXMesh> pSphere;
    ASSERT_EQ(D3DXCreateTeapot(m_device.Get(), pTeapot.ReleaseAndGetAddressOf(), nullptr), S_OK);
    ASSERT_EQ(
        D3DXCreateSphere(m_device.Get(), 0.7f, 16, 12, pSphere.ReleaseAndGetAddressOf(), nullptr),
        S_OK);
    EXPECT_EQ(pTeapot->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL));
    EXPECT_EQ(pSphere->GetNumBytesPerVertex(), 24u);
    EXPECT_EQ(pSphere->GetNumVertices(), 2u + 11u * 16u);

    std::string sErrors;
    COrvComPtr<ID3DXEffect> pEffect = OrvMakeEffect(m_device.Get(), s_pLit, &sErrors);
    ASSERT_NE(pEffect, nullptr) << sErrors;
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, -1.0f, 0.0f, 0.0f);
    pEffect->SetMatrix("World", &world);
    pEffect->SetMatrix("ViewProjection", &m_viewProjection);
    OrvRunPasses(pEffect, [&] { pTeapot->DrawSubset(0); });

    FixedFunctionLight();
    D3DMATERIAL9 material{};
    material.Diffuse = {0.3f, 0.6f, 1.0f, 1.0f};
    material.Ambient = {0.3f, 0.6f, 1.0f, 1.0f};
    m_device->SetMaterial(&material);
    D3DXMatrixTranslation(&world, 1.3f, 0.0f, 0.0f);
    m_device->SetTransform(D3DTS_WORLD, &world);
    pSphere->DrawSubset(0);
    pSphere->DrawSubset(1); // no such subset: nothing

    SOrvImage image = Read();
    EXPECT_NE(image.At(24, 36), 0xff202040u) << "the teapot covers the left half";
    EXPECT_NE(image.At(70, 36), 0xff202040u) << "the sphere covers the right half";
    EXPECT_EQ(image.At(48, 4), 0xff202040u);
    EXPECT_TRUE(OrvMatchesGolden(image, "d3dx/lit_teapot_sphere"));
}

TEST_F(MeshPictureTest, TexturedMeshFromXFile)
{
    // A quad whose material names an image beside the file.
    std::string sDir = testing::TempDir();
    std::ifstream source(OrvTestData("d3dx", "odd5x3.png"), std::ios::binary);
    std::ofstream(sDir + "quadtexture.png", std::ios::binary) << source.rdbuf();
    std::string sMesh = sDir + "texturedquad.x";
    std::ofstream(sMesh) << R"(xof 0303txt 0032
Mesh Quad {
 4; -1.5;1.0;0.0;, 1.5;1.0;0.0;, -1.5;-1.0;0.0;, 1.5;-1.0;0.0;;
 2; 3;0,1,2;, 3;2,1,3;;
 MeshNormals { 1; 0.0;0.0;-1.0;; 2; 3;0,0,0;, 3;0,0,0;; }
 MeshTextureCoords { 4; 0.0;0.0;, 1.0;0.0;, 0.0;1.0;, 1.0;1.0;; }
 MeshMaterialList { 1; 2; 0, 0;;
  Material Skin { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; TextureFilename { "quadtexture.png"; } }
 }
})";
    COrvComPtr<ID3DXMesh> pMesh;
    COrvComPtr<ID3DXBuffer> pMaterials;
    DWORD dwMaterials = 0;
    ASSERT_EQ(D3DXLoadMeshFromXA(sMesh.c_str(), D3DXMESH_SYSTEMMEM, m_device.Get(), nullptr,
                                 pMaterials.ReleaseAndGetAddressOf(), nullptr, &dwMaterials,
                                 pMesh.ReleaseAndGetAddressOf()),
              S_OK);
    ASSERT_EQ(dwMaterials, 1u);
    auto* pMaterial = static_cast<D3DXMATERIAL*>(pMaterials->GetBufferPointer());
    ASSERT_NE(pMaterial->pTextureFilename, nullptr);
    EXPECT_STREQ(pMaterial->pTextureFilename, "quadtexture.png");
    COrvComPtr<IDirect3DTexture9> pTexture;
    std::string sTexture = sDir + pMaterial->pTextureFilename;
    ASSERT_EQ(D3DXCreateTextureFromFileExA(m_device.Get(), sTexture.c_str(), D3DX_DEFAULT,
                                           D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                           D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                           pTexture.ReleaseAndGetAddressOf()),
              S_OK);
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    m_device->SetTexture(0, pTexture.Get());
    m_device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    m_device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    D3DXMATRIX world;
    D3DXMatrixIdentity(&world);
    m_device->SetTransform(D3DTS_WORLD, &world);
    for (DWORD i = 0; i < dwMaterials; ++i)
        pMesh->DrawSubset(i);
    SOrvImage image = Read();
    EXPECT_TRUE(OrvMatchesGolden(image, "d3dx/textured_x_mesh"));
    m_device->SetTexture(0, nullptr);
    pTexture.Reset();
    pMaterials.Reset();
    pMesh.Reset();
    std::remove(sMesh.c_str());
    std::remove((sDir + "quadtexture.png").c_str());
}
