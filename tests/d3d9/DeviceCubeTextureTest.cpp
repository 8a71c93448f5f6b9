// Cube textures on the OpenGL device: each face read where Direct3D 9 puts it (by the
// fixed-function stages and by texCUBE in effects), faces rendered into as targets with the
// usual cameras of dynamic environment maps, coordinates the fixed-function stages generate
// and transform, locks and copies of faces and levels, and the calls that must be refused.
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "OrvTestDraw.h"

#include "OrvComPtr.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace
{
using Cube = COrvComPtr<IDirect3DCubeTexture9>;
using Surface = COrvComPtr<IDirect3DSurface9>;
using Vec3 = std::array<float, 3>;

// Where Direct3D 9 puts a face's texels (the documented left-handed layout): the face's axis,
// and the directions its columns run to the right and its rows downwards.
struct SFaceAxes
{
    Vec3 m_Major, m_Right, m_Down;
};
const SFaceAxes s_aFaces[6] = {
    {{1, 0, 0}, {0, 0, -1}, {0, -1, 0}},  // +X
    {{-1, 0, 0}, {0, 0, 1}, {0, -1, 0}},  // -X
    {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},    // +Y
    {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}},  // -Y
    {{0, 0, 1}, {1, 0, 0}, {0, -1, 0}},   // +Z
    {{0, 0, -1}, {-1, 0, 0}, {0, -1, 0}}, // -Z
};

// The direction from the cube's centre through the point (u, v) of a face (0..1 each).
Vec3 Direction(UINT uFace, float u, float v)
{
    const SFaceAxes& a = s_aFaces[uFace];
    Vec3 d;
    for (int i = 0; i < 3; ++i)
        d[i] = a.m_Major[i] + (2 * u - 1) * a.m_Right[i] + (2 * v - 1) * a.m_Down[i];
    return d;
}

// A texel of a face: every texel of the cube has its own colour.
D3DCOLOR FaceTexel(UINT uFace, UINT x, UINT y, UINT uLevel = 0)
{
    return D3DCOLOR_ARGB(255, 40 * uFace + 20, 60 * x + 30 - 10 * uLevel, 60 * y + 30);
}

Cube NewCube(IDirect3DDevice9* pDevice, UINT uEdge, UINT uLevels, D3DFORMAT eFormat,
             DWORD dwUsage = 0, D3DPOOL ePool = D3DPOOL_MANAGED)
{
    Cube cube;
    pDevice->CreateCubeTexture(uEdge, uLevels, dwUsage, eFormat, ePool,
                               cube.ReleaseAndGetAddressOf(), nullptr);
    return cube;
}

// Fills every face and level with FaceTexel.
void FillFaces(IDirect3DCubeTexture9* pCube)
{
    for (UINT uFace = 0; uFace < 6; ++uFace)
        for (UINT uLevel = 0; uLevel < pCube->GetLevelCount(); ++uLevel)
        {
            D3DSURFACE_DESC desc{};
            pCube->GetLevelDesc(uLevel, &desc);
            D3DLOCKED_RECT locked{};
            ASSERT_EQ(pCube->LockRect(D3DCUBEMAP_FACES(uFace), uLevel, &locked, nullptr, 0),
                      D3D_OK);
            for (UINT y = 0; y < desc.Height; ++y)
                for (UINT x = 0; x < desc.Width; ++x)
                    reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) +
                                             y * locked.Pitch)[x] = FaceTexel(uFace, x, y, uLevel);
            ASSERT_EQ(pCube->UnlockRect(D3DCUBEMAP_FACES(uFace), uLevel), D3D_OK);
        }
}

// A screen rectangle whose every vertex carries the same three texture coordinates.
struct SDirVertex // D3DFVF_XYZRHW | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0)
{
    float x, y, z, rhw;
    float u, v, w;
};
constexpr DWORD DIR_FVF = D3DFVF_XYZRHW | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0);

void DrawCell(IDirect3DDevice9* pDevice, UINT uColumn, UINT uRow, UINT uCell, const Vec3& d)
{
    const float l = float(uColumn * uCell) - 0.5f, t = float(uRow * uCell) - 0.5f;
    const float r = l + float(uCell), b = t + float(uCell);
    const SDirVertex aQuad[4] = {{l, t, 0.5f, 1, d[0], d[1], d[2]},
                                 {r, t, 0.5f, 1, d[0], d[1], d[2]},
                                 {l, b, 0.5f, 1, d[0], d[1], d[2]},
                                 {r, b, 0.5f, 1, d[0], d[1], d[2]}};
    pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, aQuad, sizeof(SDirVertex));
}

void SampleWithStages(IDirect3DDevice9* pDevice, IDirect3DBaseTexture9* pTexture)
{
    PlainScreenStates(pDevice);
    pDevice->SetFVF(DIR_FVF);
    pDevice->SetTexture(0, pTexture);
    pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    pDevice->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    pDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    pDevice->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
}

// Draws one 4 x 4 cell per texel of every face (a row per face), each cell reading the
// direction through its texel's centre, and reads the picture.
SOrvImage DrawEveryTexel(IDirect3DDevice9* pDevice)
{
    PlainScreenStates(pDevice);
    pDevice->SetFVF(DIR_FVF);
    pDevice->BeginScene();
    pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    for (UINT uFace = 0; uFace < 6; ++uFace)
        for (UINT uTexel = 0; uTexel < 16; ++uTexel)
            DrawCell(pDevice, uTexel, uFace, 4,
                     Direction(uFace, (uTexel % 4 + 0.5f) / 4, (uTexel / 4 + 0.5f) / 4));
    pDevice->EndScene();
    SOrvImage image;
    EXPECT_TRUE(OrvReadRenderTarget(pDevice, image));
    return image;
}

void ExpectEveryTexel(const SOrvImage& image)
{
    for (UINT uFace = 0; uFace < 6; ++uFace)
        for (UINT uTexel = 0; uTexel < 16; ++uTexel)
            EXPECT_EQ(image.At(uTexel * 4 + 2, uFace * 4 + 2) & 0xffffff,
                      FaceTexel(uFace, uTexel % 4, uTexel / 4) & 0xffffff)
                << "face " << uFace << ", texel " << uTexel % 4 << ", " << uTexel / 4;
}

const char* const s_szCubeEffect = R"(
textureCUBE Environment;
samplerCUBE EnvironmentSampler = sampler_state
{
    Texture = <Environment>;
    MinFilter = Point; MagFilter = Point; MipFilter = Point;
};
float Level = 0;
float4 Plain(float3 d : TEXCOORD0) : COLOR { return texCUBE(EnvironmentSampler, d); }
float4 AtLevel(float3 d : TEXCOORD0) : COLOR
{
    return texCUBElod(EnvironmentSampler, float4(d, Level));
}
// The same directions projected: divided by w (negative w turns them round).
float4 Projected(float3 d : TEXCOORD0) : COLOR
{
    return d.x + d.y + d.z > 1000 ? 0 : texCUBEproj(EnvironmentSampler, float4(-2 * d, -2));
}
technique Plain { pass { PixelShader = compile ps_2_0 Plain(); } }
technique AtLevel { pass { PixelShader = compile ps_3_0 AtLevel(); } }
technique Projected { pass { PixelShader = compile ps_2_0 Projected(); } }
// The other lookups compile (every technique is compiled when the effect is made).
float4 Others(float3 d : TEXCOORD0) : COLOR
{
    return texCUBEbias(EnvironmentSampler, float4(d, 1)) +
           texCUBEgrad(EnvironmentSampler, d, ddx(d), ddy(d));
}
technique Others { pass { PixelShader = compile ps_3_0 Others(); } }
)";
} // namespace

TEST(DeviceCubeTexture, EveryFaceIsReadWhereDirect3DPutsIt)
{
    COrvTestDevice device(64, 24);
    ASSERT_TRUE(device);
    D3DCAPS9 caps{};
    device->GetDeviceCaps(&caps);
    EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_CUBEMAP);
    EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_MIPCUBEMAP);
    Cube cube = NewCube(device.Get(), 4, 1, D3DFMT_A8R8G8B8);
    ASSERT_TRUE(cube);
    EXPECT_EQ(cube->GetType(), D3DRTYPE_CUBETEXTURE);
    FillFaces(cube.Get());

    // The fixed-function stages, with the vertices' three texture coordinates.
    SampleWithStages(device.Get(), cube.Get());
    ExpectEveryTexel(DrawEveryTexel(device.Get()));

    // texCUBE in an effect's pixel shader.
    std::string sErrors;
    COrvComPtr<ID3DXEffect> effect = OrvMakeEffect(device.Get(), s_szCubeEffect, &sErrors);
    ASSERT_TRUE(effect) << sErrors;
    ASSERT_EQ(effect->SetTexture("Environment", cube.Get()), D3D_OK);
    effect->SetTechnique("Plain");
    SOrvImage image;
    OrvRunPasses(effect, [&] { image = DrawEveryTexel(device.Get()); });
    ExpectEveryTexel(image);
    effect->SetTechnique("Projected");
    OrvRunPasses(effect, [&] { image = DrawEveryTexel(device.Get()); });
    ExpectEveryTexel(image);
}

TEST(DeviceCubeTexture, LevelsAreReadByTexCubeLod)
{
    COrvTestDevice device(64, 24);
    ASSERT_TRUE(device);
    Cube cube = NewCube(device.Get(), 8, 0, D3DFMT_A8R8G8B8);
    ASSERT_TRUE(cube);
    ASSERT_EQ(cube->GetLevelCount(), 4u);
    FillFaces(cube.Get());
    std::string sErrors;
    COrvComPtr<ID3DXEffect> effect = OrvMakeEffect(device.Get(), s_szCubeEffect, &sErrors);
    ASSERT_TRUE(effect) << sErrors;
    effect->SetTexture("Environment", cube.Get());
    effect->SetTechnique("AtLevel");
    effect->SetFloat("Level", 1.0f);
    SOrvImage image;
    OrvRunPasses(effect, [&] { image = DrawEveryTexel(device.Get()); });
    // Level 1 is 4 x 4: the cells read it texel for texel.
    for (UINT uFace = 0; uFace < 6; ++uFace)
        for (UINT uTexel = 0; uTexel < 16; ++uTexel)
            EXPECT_EQ(image.At(uTexel * 4 + 2, uFace * 4 + 2) & 0xffffff,
                      FaceTexel(uFace, uTexel % 4, uTexel / 4, 1) & 0xffffff)
                << "face " << uFace << ", texel " << uTexel;
}

// A dynamic environment map: each face rendered from the cube's centre with the camera of
// that face (90 degrees, the face's axis, the up vector of its rows), a marker placed in
// the world at a known direction; sampling that direction must find the marker.
TEST(DeviceCubeTexture, FacesRenderedAsTargetsAreReadBackByDirection)
{
    COrvTestDevice device(64, 24);
    ASSERT_TRUE(device);
    Cube cube =
        NewCube(device.Get(), 32, 1, D3DFMT_A8R8G8B8, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
    ASSERT_TRUE(cube);
    COrvComPtr<IDirect3DSurface9> depth;
    ASSERT_EQ(device->CreateDepthStencilSurface(32, 32, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, TRUE,
                                                depth.ReleaseAndGetAddressOf(), nullptr),
              D3D_OK);
    Surface backBuffer;
    device->GetRenderTarget(0, backBuffer.ReleaseAndGetAddressOf());
    Surface oldDepth;
    device->GetDepthStencilSurface(oldDepth.ReleaseAndGetAddressOf());

    D3DXMATRIX projection, world;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 1.0f, 0.1f, 10.0f);
    D3DXMatrixIdentity(&world);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetTexture(0, nullptr);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    struct SColorVertex
    {
        float x, y, z;
        D3DCOLOR color;
    };
    // The marker of each face: a square around the point (u, v) = (0.75, 0.25) of the face,
    // at distance 2, facing the centre.
    const D3DCOLOR aMarker[6] = {0xffff0000, 0xff00ff00, 0xff0000ff,
                                 0xffffff00, 0xffff00ff, 0xff00ffff};
    for (UINT uFace = 0; uFace < 6; ++uFace)
    {
        Surface face;
        ASSERT_EQ(
            cube->GetCubeMapSurface(D3DCUBEMAP_FACES(uFace), 0, face.ReleaseAndGetAddressOf()),
            D3D_OK);
        ASSERT_EQ(device->SetRenderTarget(0, face.Get()), D3D_OK);
        device->SetDepthStencilSurface(depth.Get());
        const SFaceAxes& a = s_aFaces[uFace];
        const D3DXVECTOR3 eye(0, 0, 0), at(a.m_Major[0], a.m_Major[1], a.m_Major[2]),
            up(-a.m_Down[0], -a.m_Down[1], -a.m_Down[2]);
        D3DXMATRIX view;
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        device->SetTransform(D3DTS_VIEW, &view);
        device->BeginScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff202020, 1.0f, 0);
        const Vec3 c = Direction(uFace, 0.75f, 0.25f);
        SColorVertex aQuad[4];
        for (int k = 0; k < 4; ++k)
        {
            const float su = (k & 1) ? 0.2f : -0.2f, sv = (k & 2) ? 0.2f : -0.2f;
            aQuad[k] = {2 * c[0] + su * a.m_Right[0] + sv * a.m_Down[0],
                        2 * c[1] + su * a.m_Right[1] + sv * a.m_Down[1],
                        2 * c[2] + su * a.m_Right[2] + sv * a.m_Down[2], aMarker[uFace]};
        }
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, aQuad, sizeof(SColorVertex));
        device->EndScene();
    }
    device->SetRenderTarget(0, backBuffer.Get());
    device->SetDepthStencilSurface(oldDepth.Get());

    // Sample the marker's direction and the opposite quarter of each face.
    SampleWithStages(device.Get(), cube.Get());
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff000000, 1.0f, 0);
    for (UINT uFace = 0; uFace < 6; ++uFace)
    {
        DrawCell(device.Get(), 2 * uFace, 0, 4, Direction(uFace, 0.75f, 0.25f));
        DrawCell(device.Get(), 2 * uFace + 1, 0, 4, Direction(uFace, 0.25f, 0.75f));
    }
    device->EndScene();
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    for (UINT uFace = 0; uFace < 6; ++uFace)
    {
        EXPECT_EQ(image.At(8 * uFace + 2, 2), aMarker[uFace]) << "face " << uFace;
        EXPECT_EQ(image.At(8 * uFace + 6, 2), 0xff202020u) << "face " << uFace;
    }
}

TEST(DeviceCubeTexture, FacesAndLevelsLockAndCopyOnTheirOwn)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    Cube cube = NewCube(device.Get(), 16, 0, D3DFMT_A8R8G8B8);
    ASSERT_TRUE(cube);
    ASSERT_EQ(cube->GetLevelCount(), 5u);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(cube->GetLevelDesc(2, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(desc.Height, 4u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Type, D3DRTYPE_SURFACE);
    FillFaces(cube.Get());

    // A face's surface is counted with the cube and reads what was written to that face.
    Surface face;
    ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_NEGATIVE_Y, 1, face.ReleaseAndGetAddressOf()),
              D3D_OK);
    EXPECT_EQ(cube->AddRef(), 3u);
    cube->Release();
    D3DLOCKED_RECT locked{};
    const RECT texel = {5, 6, 6, 7};
    ASSERT_EQ(face->LockRect(&locked, &texel, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(*static_cast<DWORD*>(locked.pBits), FaceTexel(3, 5, 6, 1));
    face->UnlockRect();
    face.Reset();

    // UpdateTexture copies every face and level of a system-memory cube.
    Cube source = NewCube(device.Get(), 16, 0, D3DFMT_A8R8G8B8, 0, D3DPOOL_SYSTEMMEM);
    Cube target = NewCube(device.Get(), 16, 0, D3DFMT_A8R8G8B8, 0, D3DPOOL_DEFAULT);
    ASSERT_TRUE(source && target);
    FillFaces(source.Get());
    ASSERT_EQ(device->UpdateTexture(source.Get(), target.Get()), D3D_OK);
    for (UINT uFace = 0; uFace < 6; ++uFace)
        for (UINT uLevel : {0u, 4u})
        {
            ASSERT_EQ(target->LockRect(D3DCUBEMAP_FACES(uFace), uLevel, &locked, nullptr,
                                       D3DLOCK_READONLY),
                      D3D_OK);
            EXPECT_EQ(*static_cast<DWORD*>(locked.pBits), FaceTexel(uFace, 0, 0, uLevel));
            target->UnlockRect(D3DCUBEMAP_FACES(uFace), uLevel);
        }
    // A cube and a 2D texture do not copy into each other.
    COrvComPtr<IDirect3DTexture9> flat =
        MakeTexture(device.Get(), 16, 16, [](UINT, UINT) { return 0u; });
    EXPECT_EQ(device->UpdateTexture(flat.Get(), target.Get()), D3DERR_INVALIDCALL);

    // DXT1 faces keep their blocks, locked by whole blocks.
    Cube dxt = NewCube(device.Get(), 8, 1, D3DFMT_DXT1);
    ASSERT_TRUE(dxt);
    ASSERT_EQ(dxt->LockRect(D3DCUBEMAP_FACE_POSITIVE_Z, 0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 16);
    for (int i = 0; i < 32; ++i)
        static_cast<BYTE*>(locked.pBits)[i] = BYTE(i * 7 + 1);
    dxt->UnlockRect(D3DCUBEMAP_FACE_POSITIVE_Z, 0);
    const RECT block = {4, 4, 8, 8};
    ASSERT_EQ(dxt->LockRect(D3DCUBEMAP_FACE_POSITIVE_Z, 0, &locked, &block, D3DLOCK_READONLY),
              D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(locked.pBits)[0], BYTE(24 * 7 + 1));
    dxt->UnlockRect(D3DCUBEMAP_FACE_POSITIVE_Z, 0);
    const RECT half = {2, 0, 6, 4};
    EXPECT_EQ(dxt->LockRect(D3DCUBEMAP_FACE_POSITIVE_Z, 0, &locked, &half, 0), D3DERR_INVALIDCALL);
}

TEST(DeviceCubeTexture, BadCallsAreRefused)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    IDirect3DCubeTexture9* pCube = nullptr;
    for (UINT uEdge : {0u, 16385u, 0x80000000u})
    {
        EXPECT_EQ(device->CreateCubeTexture(uEdge, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &pCube,
                                            nullptr),
                  D3DERR_INVALIDCALL)
            << uEdge;
        EXPECT_EQ(pCube, nullptr);
    }
    // 6 faces of 16384 x 16384 texels of 16 bytes: far more than a level may take.
    EXPECT_EQ(device->CreateCubeTexture(16384, 1, 0, D3DFMT_A32B32G32R32F, D3DPOOL_MANAGED, &pCube,
                                        nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateCubeTexture(16, 1, D3DUSAGE_DEPTHSTENCIL, D3DFMT_D16, D3DPOOL_DEFAULT,
                                        &pCube, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateCubeTexture(16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_DXT1, D3DPOOL_DEFAULT,
                                        &pCube, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(
        device->CreateCubeTexture(16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr, nullptr),
        D3DERR_INVALIDCALL);

    Cube cube = NewCube(device.Get(), 8, 2, D3DFMT_A8R8G8B8);
    ASSERT_TRUE(cube);
    D3DLOCKED_RECT locked{};
    Surface surface;
    const auto eBadFace = D3DCUBEMAP_FACES(6);
    EXPECT_EQ(cube->LockRect(eBadFace, 0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(cube->LockRect(D3DCUBEMAP_FACE_POSITIVE_X, 2, &locked, nullptr, 0),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(cube->UnlockRect(eBadFace, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(cube->UnlockRect(D3DCUBEMAP_FACE_POSITIVE_X, 0), D3DERR_INVALIDCALL) << "not locked";
    EXPECT_EQ(cube->GetCubeMapSurface(eBadFace, 0, surface.ReleaseAndGetAddressOf()),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(
        cube->GetCubeMapSurface(D3DCUBEMAP_FACE_NEGATIVE_Z, 9, surface.ReleaseAndGetAddressOf()),
        D3DERR_INVALIDCALL);
    EXPECT_FALSE(surface);
    EXPECT_EQ(cube->AddDirtyRect(eBadFace, nullptr), D3DERR_INVALIDCALL);
    D3DSURFACE_DESC desc{};
    EXPECT_EQ(cube->GetLevelDesc(2, &desc), D3DERR_INVALIDCALL);
    const RECT outside = {0, 0, 9, 4};
    EXPECT_EQ(cube->LockRect(D3DCUBEMAP_FACE_POSITIVE_X, 0, &locked, &outside, 0),
              D3DERR_INVALIDCALL);
    ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACE_POSITIVE_X, 0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(cube->LockRect(D3DCUBEMAP_FACE_POSITIVE_X, 0, &locked, nullptr, 0),
              D3DERR_INVALIDCALL)
        << "locked twice";
    EXPECT_EQ(cube->UnlockRect(D3DCUBEMAP_FACE_POSITIVE_X, 0), D3D_OK);

    // A face of a cube made without D3DUSAGE_RENDERTARGET is no target.
    ASSERT_EQ(
        cube->GetCubeMapSurface(D3DCUBEMAP_FACE_POSITIVE_X, 0, surface.ReleaseAndGetAddressOf()),
        D3D_OK);
    EXPECT_EQ(device->SetRenderTarget(0, surface.Get()), D3DERR_INVALIDCALL);
}

// The fixed-function stages make coordinates of their own (camera-space normals, positions
// and reflections) and pass any through the stage's texture matrix, projected when asked.
TEST(DeviceCubeTexture, StagesGenerateAndTransformCoordinates)
{
    COrvTestDevice device(16, 16);
    ASSERT_TRUE(device);
    Cube cube = NewCube(device.Get(), 4, 1, D3DFMT_A8R8G8B8);
    ASSERT_TRUE(cube);
    for (UINT uFace = 0; uFace < 6; ++uFace)
    {
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACES(uFace), 0, &locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < 4; ++y)
            for (UINT x = 0; x < 4; ++x)
                reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x] =
                    FaceTexel(uFace, 0, 0);
        cube->UnlockRect(D3DCUBEMAP_FACES(uFace), 0);
    }
    // Left half red, right half blue.
    COrvComPtr<IDirect3DTexture9> halves =
        MakeTexture(device.Get(), 2, 1, [](UINT x, UINT) { return x ? 0xff0000ffu : 0xffff0000u; });
    ASSERT_TRUE(halves);

    // A square facing the camera at z = 2 that fills the picture; its normal faces the camera.
    struct SVertex
    {
        float x, y, z, nx, ny, nz, u, v, w;
    };
    auto draw = [&](IDirect3DBaseTexture9* pTexture, DWORD dwIndex, DWORD dwFlags,
                    const D3DXMATRIX& transform, float u, float v, float w, bool bPair = false)
    {
        const SVertex aQuad[4] = {{-4, 4, 2, 0, 0, -1, u, v, w},
                                  {4, 4, 2, 0, 0, -1, u, v, w},
                                  {-4, -4, 2, 0, 0, -1, u, v, w},
                                  {4, -4, 2, 0, 0, -1, u, v, w}};
        SampleWithStages(device.Get(), pTexture);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1 |
                       (bPair ? D3DFVF_TEXCOORDSIZE2(0) : D3DFVF_TEXCOORDSIZE3(0)));
        device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, dwIndex);
        device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, dwFlags);
        device->SetTransform(D3DTS_TEXTURE0, &transform);
        device->BeginScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, aQuad, sizeof(SVertex));
        device->EndScene();
        SOrvImage image;
        EXPECT_TRUE(OrvReadRenderTarget(device.Get(), image));
        return image.At(8, 8);
    };
    D3DXMATRIX identity, projection, turn, offset;
    D3DXMatrixIdentity(&identity);
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 1.0f, 0.1f, 10.0f);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    D3DXMatrixRotationY(&turn, D3DX_PI / 2);
    D3DXMatrixIdentity(&offset);
    offset._31 = 0.5f; // a pair (u, v) meets the matrix as (u, v, 1, 0)

    EXPECT_EQ(draw(cube.Get(), D3DTSS_TCI_CAMERASPACENORMAL, 0, identity, 0, 0, 0),
              FaceTexel(5, 0, 0))
        << "the normal points back at the camera: -Z";
    EXPECT_EQ(draw(cube.Get(), D3DTSS_TCI_CAMERASPACENORMAL, D3DTTFF_COUNT3, turn, 0, 0, 0),
              FaceTexel(1, 0, 0))
        << "-Z turned a quarter about Y: -X";
    EXPECT_EQ(draw(cube.Get(), D3DTSS_TCI_CAMERASPACEPOSITION, 0, identity, 0, 0, 0),
              FaceTexel(4, 0, 0))
        << "the middle of the square lies ahead: +Z";
    EXPECT_EQ(draw(cube.Get(), D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR, 0, identity, 0, 0, 0),
              FaceTexel(5, 0, 0))
        << "the view comes straight back: -Z";
    EXPECT_EQ(draw(cube.Get(), 0, 0, identity, 0.2f, 0.9f, -1.0f), FaceTexel(5, 0, 0))
        << "the vertices' own directions";

    EXPECT_EQ(draw(halves.Get(), 0, 0, offset, 0.25f, 0.5f, 0, true), 0xffff0000u);
    EXPECT_EQ(draw(halves.Get(), 0, D3DTTFF_COUNT2, offset, 0.25f, 0.5f, 0, true), 0xff0000ffu)
        << "moved by half the texture";
    EXPECT_EQ(draw(halves.Get(), 0, D3DTTFF_COUNT2, offset, 0.25f, 0.5f, 0), 0xffff0000u)
        << "three coordinates meet the matrix as (u, v, w, 1): w is 0";
    EXPECT_EQ(draw(halves.Get(), 0, D3DTTFF_COUNT3 | D3DTTFF_PROJECTED, identity, 1.5f, 0.5f, 2),
              0xff0000ffu)
        << "(1.5, 0.5) / 2";
    EXPECT_EQ(draw(halves.Get(), 0, D3DTTFF_COUNT3 | D3DTTFF_PROJECTED, identity, 0.5f, 0.5f, 2),
              0xffff0000u)
        << "(0.5, 0.5) / 2";
}
