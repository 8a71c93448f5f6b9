// An environment map as demos use one: a DDS cube map (faces of their own colours, a checker
// and bars along the top and left edges that show how each face is turned) loaded with
// D3DX and reflected by a sphere through an effect, against a golden picture, with the
// directions that must reflect given faces checked on their own; and the same reflection by
// the fixed-function stages' generated coordinates.
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "OrvTestDraw.h"
#include "ImageWriters.h"

#include "OrvComPtr.h"

#include <cmath>

using namespace orv::test;

namespace
{
const uint32_t s_auFaceColours[6] = {0xd04030, 0x30a040, 0x3060d0, 0xd0c030, 0xc040c0, 0x30c0c0};

// A 32 x 32 cube map: each face its colour in a checker of 8 x 8 squares, a white bar along
// the top rows and a black one along the left columns.
std::string CubeMapFile()
{
    SDdsHeader header;
    header.m_uWidth = header.m_uHeight = 32;
    header.m_uMipCount = 1;
    header.m_uCaps2 = 0x200 | 0xFC00;
    std::string file = WriteDdsHeader(header);
    for (uint32_t uFace = 0; uFace < 6; ++uFace)
        for (uint32_t y = 0; y < 32; ++y)
            for (uint32_t x = 0; x < 32; ++x)
            {
                uint32_t uColour = s_auFaceColours[uFace];
                if (((x / 8) + (y / 8)) & 1)
                    uColour = (uColour >> 1) & 0x7f7f7f;
                if (y < 3)
                    uColour = 0xffffff;
                else if (x < 3)
                    uColour = 0x000000;
                Put32(file, 0xff000000 | uColour);
            }
    return file;
}

const char* const s_szReflection = R"(
float4x4 World : WORLD;
float4x4 ViewProjection : VIEWPROJECTION;
float3 Eye = {0, 0, -3};
textureCUBE Environment;
samplerCUBE EnvironmentSampler = sampler_state
{
    Texture = <Environment>;
    MinFilter = Linear; MagFilter = Linear; MipFilter = None;
};
struct VS_OUT { float4 Position : POSITION; float3 Normal : TEXCOORD0; float3 View : TEXCOORD1; };
VS_OUT VS(float4 Position : POSITION, float3 Normal : NORMAL)
{
    VS_OUT o;
    float4 world = mul(Position, World);
    o.Position = mul(world, ViewProjection);
    o.Normal = mul(Normal, (float3x3)World);
    o.View = world.xyz - Eye;
    return o;
}
float4 PS(VS_OUT i) : COLOR
{
    return texCUBE(EnvironmentSampler, reflect(normalize(i.View), normalize(i.Normal)));
}
technique Mirror { pass { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }
)";

// Whether a pixel is a shade (between half and all) of a face's colour: the checker's
// squares and the blends between them are.
bool IsShadeOf(uint32_t uPixel, uint32_t uColour)
{
    float afPixel[3], afColour[3], fDot = 0, fNorm = 0;
    for (int i = 0; i < 3; ++i)
    {
        afPixel[i] = float((uPixel >> (8 * i)) & 255);
        afColour[i] = float((uColour >> (8 * i)) & 255);
        fDot += afPixel[i] * afColour[i];
        fNorm += afColour[i] * afColour[i];
    }
    const float k = fDot / fNorm;
    for (int i = 0; i < 3; ++i)
        if (std::abs(afPixel[i] - k * afColour[i]) > 12)
            return false;
    return k > 0.4f && k < 1.1f;
}
// The middle of the sphere reflects the view straight back (-Z); half way to its edges the
// reflection turns up (+Y), left (-X), right (+X) and down (-Y).
void ExpectMirroredFaces(const SOrvImage& image)
{
    auto faceAt = [&](UINT x, UINT y)
    {
        for (int iFace = 0; iFace < 6; ++iFace)
            if (IsShadeOf(image.At(x, y) & 0xffffff, s_auFaceColours[iFace]))
                return iFace;
        return -1;
    };
    EXPECT_EQ(faceAt(48, 48), 5) << "-Z in the middle";
    EXPECT_EQ(faceAt(48, 24), 2) << "+Y above the middle";
    EXPECT_EQ(faceAt(24, 48), 1) << "-X left of the middle";
    EXPECT_EQ(faceAt(72, 48), 0) << "+X right of the middle";
    EXPECT_EQ(faceAt(48, 72), 3) << "-Y below the middle";
}

struct SMirrorScene
{
    COrvComPtr<IDirect3DCubeTexture9> m_Cube;
    COrvComPtr<ID3DXMesh> m_Sphere;
    D3DXMATRIX m_World, m_View, m_Projection;
};

void MakeMirrorScene(IDirect3DDevice9* pDevice, const COrvTempDir& folder, SMirrorScene& rScene)
{
    const std::string sPath = WriteIn(folder, "lobby.dds", CubeMapFile());
    ASSERT_EQ(D3DXCreateCubeTextureFromFileA(pDevice, sPath.c_str(),
                                             rScene.m_Cube.ReleaseAndGetAddressOf()),
              S_OK);
    ASSERT_EQ(
        D3DXCreateSphere(pDevice, 1.0f, 48, 32, rScene.m_Sphere.ReleaseAndGetAddressOf(), nullptr),
        S_OK);
    D3DXMatrixIdentity(&rScene.m_World);
    const D3DXVECTOR3 eye(0, 0, -3), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&rScene.m_View, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&rScene.m_Projection, D3DX_PI / 4, 1.0f, 0.1f, 10.0f);
}
} // namespace

TEST(CubeMapPicture, SphereReflectsADdsCubeMap)
{
    COrvTestDevice device(96, 96);
    ASSERT_TRUE(device);
    COrvTempDir folder("envmap");
    SMirrorScene scene;
    MakeMirrorScene(device.Get(), folder, scene);
    ASSERT_TRUE(scene.m_Cube && scene.m_Sphere);
    std::string sErrors;
    COrvComPtr<ID3DXEffect> effect = OrvMakeEffect(device.Get(), s_szReflection, &sErrors);
    ASSERT_TRUE(effect) << sErrors;

    const D3DXMATRIX viewProjection = scene.m_View * scene.m_Projection;
    effect->SetMatrix("World", &scene.m_World);
    effect->SetMatrix("ViewProjection", &viewProjection);
    effect->SetTexture("Environment", scene.m_Cube.Get());

    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff202020, 1.0f, 0);
    OrvRunPasses(effect, [&] { scene.m_Sphere->DrawSubset(0); });
    device->EndScene();
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    EXPECT_TRUE(OrvMatchesGolden(image, "d3dx/reflection_sphere", 4));

    ExpectMirroredFaces(image);
}

// The same with the fixed-function stages: camera-space reflection vectors, turned back into
// the world by the texture matrix (the view's inverse, without its translation).
TEST(CubeMapPicture, FixedFunctionReflectionsReadTheSameFaces)
{
    COrvTestDevice device(96, 96);
    ASSERT_TRUE(device);
    COrvTempDir folder("envmap");
    SMirrorScene scene;
    MakeMirrorScene(device.Get(), folder, scene);
    ASSERT_TRUE(scene.m_Cube && scene.m_Sphere);
    device->SetTransform(D3DTS_WORLD, &scene.m_World);
    device->SetTransform(D3DTS_VIEW, &scene.m_View);
    device->SetTransform(D3DTS_PROJECTION, &scene.m_Projection);
    D3DXMATRIX toWorld;
    D3DXMatrixInverse(&toWorld, nullptr, &scene.m_View);
    toWorld._41 = toWorld._42 = toWorld._43 = 0;
    device->SetTransform(D3DTS_TEXTURE0, &toWorld);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, scene.m_Cube.Get());
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff202020, 1.0f, 0);
    scene.m_Sphere->DrawSubset(0);
    device->EndScene();
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    ExpectMirroredFaces(image);
}
