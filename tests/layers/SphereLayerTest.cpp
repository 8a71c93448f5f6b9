// The sphere layer on the recording device: its inward sphere, the camera from the texture's
// proportions, light, states in order, culling side, and drag editing.
#include "MeshLayerFixture.h"
#include "OrvPi.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
// A demo on a 1280 × 720 recording device: a render target "picture" of the given size seen
// through the material "look" by one sphere layer.
class SphereLayer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        COrvPropBase::SetFrame(0.0f);
        m_Demo.SetDevice(&m_Device);
        m_pTarget = static_cast<COrvResRenderTarget*>(m_Demo.AddResRenderTarget());
        m_pTarget->SetName("picture");
        SetPictureSize(256, 256);
        m_pMaterial = static_cast<COrvResMaterial*>(m_Demo.AddResMaterial());
        m_pMaterial->SetName("look");
        SetString(m_pMaterial, ORV_PROP_TEXTURE_NAME_0, "picture");
        m_pLayer = static_cast<COrvLayerSphere*>(m_Demo.AddLayerSphere());
        SetString(m_pLayer, ORV_PROP_MATERIAL_NAME, "look");
    }
    void TearDown() override { m_Demo.SetDevice(nullptr); }

    void SetPictureSize(int width, int height)
    {
        FindProperty<COrvPropInt>(m_pTarget, ORV_PROP_WIDTH)->SetDefaultValue(width);
        FindProperty<COrvPropInt>(m_pTarget, ORV_PROP_HEIGHT)->SetDefaultValue(height);
        m_pTarget->Update();
    }
    D3DXMATRIX Transform(D3DTRANSFORMSTATETYPE state)
    {
        D3DXMATRIX m;
        m_Device.GetTransform(state, &m);
        return m;
    }
    D3DXVECTOR3 Translation()
    {
        return FindProperty<COrvPropVector>(m_pLayer, ORV_PROP_TRANSLATION)->GetValue();
    }
    D3DXQUATERNION Rotation()
    {
        return FindProperty<COrvPropQuat>(m_pLayer, ORV_PROP_ROTATION)->GetValue();
    }

    CRecordingDevice m_Device{1280, 720};
    COrvDemo m_Demo;
    COrvResRenderTarget* m_pTarget = nullptr;
    COrvResMaterial* m_pMaterial = nullptr;
    COrvLayerSphere* m_pLayer = nullptr;
};

void ExpectMatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected, float tolerance)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual.m[i / 4][i % 4], expected.m[i / 4][i % 4], tolerance) << "element " << i;
}

struct SVertex
{
    float x, y, z, nx, ny, nz, u, v;
};
} // namespace

TEST_F(SphereLayer, PropertiesNamesAndFileClass)
{
    const COrvPropList& props = m_pLayer->GetProperties();
    ASSERT_EQ(props.size(), 9u);
    EXPECT_EQ(props[5]->GetPropId(), ORV_PROP_MATERIAL_NAME);
    EXPECT_EQ(props[6]->GetPropId(), ORV_PROP_TRANSLATION);
    EXPECT_EQ(props[7]->GetPropId(), ORV_PROP_ROTATION);
    EXPECT_EQ(props[8]->GetPropId(), ORV_PROP_CULLING_SIDE);
    EXPECT_FALSE(props[5]->GetAnimable());
    EXPECT_TRUE(props[6]->GetAnimable() && props[7]->GetAnimable() && props[8]->GetAnimable());
    EXPECT_FALSE(FindProperty<COrvPropBool>(m_pLayer, ORV_PROP_CULLING_SIDE)->GetValue());
    EXPECT_EQ(Rotation(), D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f));

    int first = 0, second = 0;
    ASSERT_EQ(std::sscanf(m_pLayer->GetName().c_str(), "sphereFX %d", &first), 1);
    ASSERT_EQ(std::sscanf(m_Demo.AddLayerSphere()->GetName().c_str(), "sphereFX %d", &second), 1);
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(m_pLayer->GetClass(), "COrvLayerSphere");
    std::string text;
    ASSERT_TRUE(m_Demo.Save(text));
    COrvDemo copy;
    ASSERT_TRUE(LoadText(copy, text));
    ASSERT_EQ(copy.GetLayers().size(), 2u);
    EXPECT_NE(dynamic_cast<COrvLayerSphere*>(copy.GetLayers()[0]), nullptr);
}

TEST_F(SphereLayer, TheSphereHasInwardNormalsAndCoordinatesFromItsOutwardNormals)
{
    OGLObject* pSphere = m_pLayer->GetSphere();
    ASSERT_NE(pSphere, nullptr);
    ID3DXMesh* pMesh = pSphere->GetMesh();
    ASSERT_NE(pMesh, nullptr);
    EXPECT_EQ(D3DXGetFVFVertexSize(pMesh->GetFVF()), 32u);
    void* pData = nullptr;
    ASSERT_TRUE(SUCCEEDED(pMesh->LockVertexBuffer(0, &pData)));
    const auto* pVertices = static_cast<const SVertex*>(pData);
    const double pi = orv::dFloatPi;
    for (DWORD i = 0, n = pMesh->GetNumVertices(); i < n; i += 37)
    {
        const SVertex& v = pVertices[i];
        EXPECT_NEAR(v.nx, -v.x, 1e-5f) << i;
        EXPECT_NEAR(v.ny, -v.y, 1e-5f) << i;
        EXPECT_NEAR(v.nz, -v.z, 1e-5f) << i;
        EXPECT_NEAR(v.u, std::asin(std::clamp(-v.nx, -1.0f, 1.0f)) / pi + 0.5, 1e-6) << i;
        EXPECT_NEAR(v.v, std::asin(std::clamp(-v.ny, -1.0f, 1.0f)) / pi + 0.5, 1e-6) << i;
    }
    pMesh->UnlockVertexBuffer();
    // 40 slices and 40 stacks.
    EXPECT_GT(pMesh->GetNumFaces(), 40u * 38u * 2u);

    // The same device again keeps the sphere; another device (or none) rebuilds it.
    m_pLayer->SetDevice(&m_Device);
    EXPECT_EQ(m_pLayer->GetSphere(), pSphere);
    m_Demo.SetDevice(nullptr);
    EXPECT_EQ(m_pLayer->GetSphere(), nullptr);
    EXPECT_EQ(m_Device.GetLiveObjects(), 0);
}

TEST_F(SphereLayer, EveryMissingLinkDrawsNothingAndTouchesNothing)
{
    auto drawsNothing = [&]
    {
        m_Device.ClearCalls();
        m_pLayer->Draw();
        return m_Device.GetCalls().empty();
    };
    SetString(m_pLayer, ORV_PROP_MATERIAL_NAME, "");
    EXPECT_TRUE(drawsNothing());
    SetString(m_pLayer, ORV_PROP_MATERIAL_NAME, "picture"); // not a material
    EXPECT_TRUE(drawsNothing());
    SetString(m_pLayer, ORV_PROP_MATERIAL_NAME, "look");
    SetString(m_pMaterial, ORV_PROP_TEXTURE_NAME_0, "missing");
    EXPECT_TRUE(drawsNothing());
    SetString(m_pMaterial, ORV_PROP_TEXTURE_NAME_0, "picture");
    EXPECT_FALSE(drawsNothing());

    // Without a texture a drag only moves the anchor.
    SetString(m_pMaterial, ORV_PROP_TEXTURE_NAME_0, "missing");
    m_pLayer->MouseDown(0.0f, 0.0f);
    m_pLayer->MouseMove(50.0f, 0.0f, 0x2);
    EXPECT_EQ(Translation(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    SetString(m_pMaterial, ORV_PROP_TEXTURE_NAME_0, "picture");
    m_pLayer->MouseMove(60.0f, 0.0f, 0x2);
    EXPECT_NEAR(Translation().x, 0.1f, 1e-6f);
}

TEST_F(SphereLayer, ASquareTextureSetsTheCameraTwoDiagonalsAway)
{
    m_pLayer->Draw();
    const float c = std::sqrt(2.0f);
    D3DXMATRIX view, projection;
    const D3DXVECTOR3 eye(0.0f, 0.0f, -2.828427f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    ExpectMatrixNear(Transform(D3DTS_VIEW), view, 1e-5f);
    D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 1280.0f / 720.0f, 0.01414f, 5.657f);
    ExpectMatrixNear(Transform(D3DTS_PROJECTION), projection, 1e-4f);
    D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 1280.0f / 720.0f, 0.01f * c, 4.0f * c);
    ExpectMatrixNear(Transform(D3DTS_PROJECTION), projection, 1e-6f);

    // A picture twice as wide as high: k = 0.5, c = sqrt(1.25).
    SetPictureSize(512, 256);
    m_pLayer->Draw();
    const D3DXVECTOR3 farther(0.0f, 0.0f, -2.0f * std::sqrt(1.25f));
    D3DXMatrixLookAtLH(&view, &farther, &at, &up);
    ExpectMatrixNear(Transform(D3DTS_VIEW), view, 1e-6f);
}

TEST_F(SphereLayer, LightStatesAndDrawInOrder)
{
    m_Device.ClearCalls();
    m_pLayer->Draw();
    const std::vector<std::string> calls =
        m_Device.CallsNamed({"LightEnable", "SetRenderState", "SetTextureStageState",
                             "SetSamplerState", "SetMaterial", "DrawIndexedPrimitive"});
    const std::vector<std::string> expected = {
        "LightEnable 0 1",                         //
        "SetRenderState D3DRS_LIGHTING 1",         // lighting
        "SetRenderState D3DRS_SPECULARENABLE 0",   // no specular
        "SetRenderState D3DRS_ALPHABLENDENABLE 1", // blending
        "SetRenderState D3DRS_ALPHATESTENABLE 1",  // alpha test
        "SetTextureStageState 0 D3DTSS_ALPHAOP 4", // alpha modulate
        "SetRenderState D3DRS_SRCBLEND 5",         // source alpha
        "SetRenderState D3DRS_DESTBLEND 6",        // inverse source alpha
        "SetRenderState D3DRS_CULLMODE 2", // "Culling Side" false: cull clockwise (front) faces
        "SetSamplerState 0 D3DSAMP_MAGFILTER 2", // linear
        "SetSamplerState 0 D3DSAMP_MINFILTER 2", //
        "SetMaterial",                           // the material, applied
        "SetRenderState D3DRS_ZENABLE 1",        // depth on...
        "SetRenderState D3DRS_ZENABLE 0",        // ...and off at once
        "SetMaterial",                           // applied again by the mesh drawing
        "DrawIndexedPrimitive",                  // the sphere
        "SetRenderState D3DRS_SPECULARENABLE 0", //
        "SetRenderState D3DRS_CULLMODE 3",       // counter-clockwise culling again
        "SetRenderState D3DRS_LIGHTING 1",       //
    };
    std::vector<std::string> names;
    for (const std::string& call : calls)
        names.push_back(call.rfind("SetMaterial", 0) == 0 || call.rfind("DrawIndexed", 0) == 0
                            ? call.substr(0, call.find(' '))
                            : call);
    EXPECT_EQ(names, expected);
    // Depth testing is left off.
    EXPECT_EQ(m_Device.GetRenderStateValue(D3DRS_ZENABLE), 0u);

    D3DLIGHT9 light{};
    m_Device.GetLight(0, &light);
    EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
    const float s = 1.0f / std::sqrt(3.0f);
    EXPECT_NEAR(light.Direction.x, s, 1e-6f);
    EXPECT_NEAR(light.Direction.y, -s, 1e-6f);
    EXPECT_NEAR(light.Direction.z, s, 1e-6f);
    EXPECT_EQ(light.Range, 10.0f);
    EXPECT_EQ(light.Diffuse.r, 1.0f);
    EXPECT_EQ(light.Specular.g, 1.0f);
    EXPECT_EQ(light.Ambient.b, 1.0f);
    EXPECT_EQ(light.Attenuation0, 0.0f);

    // "Culling Side" true culls the back (counter-clockwise) faces.
    FindProperty<COrvPropBool>(m_pLayer, ORV_PROP_CULLING_SIDE)->SetDefaultValue(true);
    m_Device.ClearCalls();
    m_pLayer->Draw();
    const std::vector<std::string> cull = m_Device.CallsNamed({"SetRenderState"});
    EXPECT_EQ(cull[6], "SetRenderState D3DRS_CULLMODE 3");
}

TEST_F(SphereLayer, WorldFromRotationAndTranslation)
{
    const D3DXVECTOR3 axis(0.0f, 1.0f, 0.0f);
    D3DXQUATERNION q;
    D3DXQuaternionRotationAxis(&q, &axis, 0.5f);
    FindProperty<COrvPropQuat>(m_pLayer, ORV_PROP_ROTATION)->SetDefaultValue(q);
    FindProperty<COrvPropVector>(m_pLayer, ORV_PROP_TRANSLATION)
        ->SetDefaultValue(D3DXVECTOR3(0.5f, -0.25f, 1.0f));
    m_pLayer->Draw();
    D3DXMATRIX rotation, translation, expected;
    D3DXMatrixRotationY(&rotation, 0.5f);
    D3DXMatrixTranslation(&translation, 0.5f, -0.25f, 1.0f);
    D3DXMatrixMultiply(&expected, &rotation, &translation);
    ExpectMatrixNear(Transform(D3DTS_WORLD), expected, 1e-6f);
}

TEST_F(SphereLayer, DraggingTurnsAndMovesTheSphere)
{
    // Right button: sideways and up, 0.01 per pixel.
    m_pLayer->MouseDown(100.0f, 100.0f);
    m_pLayer->MouseMove(110.0f, 100.0f, 0x2);
    EXPECT_NEAR(Translation().x, 0.1f, 1e-6f);
    m_pLayer->MouseMove(110.0f, 90.0f, 0x2);
    EXPECT_NEAR(Translation().y, 0.1f, 1e-6f);
    // Middle button: depth.
    m_pLayer->MouseMove(110.0f, 120.0f, 0x10);
    EXPECT_NEAR(Translation().z, -0.3f, 1e-6f);
    // Left button: about x by -dy, then about y by -dx, 0.01 radian per pixel.
    m_pLayer->MouseDown(0.0f, 0.0f);
    m_pLayer->MouseMove(0.0f, 20.0f, 0x1);
    D3DXQUATERNION expected;
    const D3DXVECTOR3 xAxis(1.0f, 0.0f, 0.0f);
    D3DXQuaternionRotationAxis(&expected, &xAxis, -0.2f);
    const D3DXQUATERNION q = Rotation();
    EXPECT_NEAR(q.x, expected.x, 1e-6f);
    EXPECT_NEAR(q.w, expected.w, 1e-6f);
    EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0f, 1e-6f);
    // No button: only the anchor moves.
    m_pLayer->MouseMove(500.0f, 500.0f, 0);
    m_pLayer->MouseMove(510.0f, 500.0f, 0x2);
    EXPECT_NEAR(Translation().x, 0.2f, 1e-6f);
}
