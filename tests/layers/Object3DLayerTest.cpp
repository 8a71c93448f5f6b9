#include "MeshLayerFixture.h"

#include <cmath>

namespace
{
class Object3DLayer : public MeshLayerTest
{
protected:
    void SetUp() override
    {
        MeshLayerTest::SetUp();
        m_pSphere = AddMesh("sphere");
        m_pLayer = static_cast<COrvLayer3DObject*>(m_Demo.AddLayerObject3D());
    }
    D3DXVECTOR3 Translation()
    {
        return FindProperty<COrvPropVector>(m_pLayer, ORV_PROP_TRANSLATION)->GetValue();
    }
    D3DXQUATERNION Rotation()
    {
        return FindProperty<COrvPropQuat>(m_pLayer, ORV_PROP_ROTATION)->GetValue();
    }
    D3DXMATRIX Transform(D3DTRANSFORMSTATETYPE state)
    {
        D3DXMATRIX m;
        m_Device.GetTransform(state, &m);
        return m;
    }

    COrvResObject3D* m_pSphere = nullptr;
    COrvLayer3DObject* m_pLayer = nullptr;
};

void ExpectMatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual.m[i / 4][i % 4], expected.m[i / 4][i % 4], 1e-5f) << "element " << i;
}
} // namespace

TEST_F(Object3DLayer, DrawsNothingUntilMeshNameFindsALoadedMesh)
{
    m_Demo.AddResMaterial()->SetName("look");
    AddMesh("missing.x");
    m_Device.ClearCalls();
    m_pLayer->Draw();
    SetString(m_pLayer, ORV_PROP_MESH_NAME, "nothing");
    m_pLayer->Draw();
    // A resource of another class does not count either.
    SetString(m_pLayer, ORV_PROP_MESH_NAME, "look");
    m_pLayer->Draw();
    // Nor a mesh resource whose file did not load.
    SetString(m_pLayer, ORV_PROP_MESH_NAME, "missing.x");
    m_pLayer->Draw();
    m_pLayer->MouseDown(0.0f, 0.0f);
    m_pLayer->MouseMove(10.0f, 10.0f, 0x1);
    EXPECT_EQ(m_Device.GetCalls().size(), 0u);
    EXPECT_EQ(Rotation(), D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f));

    SetString(m_pLayer, ORV_PROP_MESH_NAME, "sphere");
    m_pLayer->Draw();
    EXPECT_GT(m_Device.CountCalls("SetTransform"), 0u);
}

TEST_F(Object3DLayer, CameraLooksAtTheRestBoundsFromTwoDiagonalsInFront)
{
    SetString(m_pLayer, ORV_PROP_MESH_NAME, "sphere");
    FindProperty<COrvPropVector>(m_pLayer, ORV_PROP_TRANSLATION)
        ->SetDefaultValue(D3DXVECTOR3(3.0f, 0.0f, 0.0f));
    m_pLayer->Draw();
    const OGLObject* pObject = m_pSphere->GetObject();
    const D3DXVECTOR3 c = pObject->GetCenter();
    const float d = pObject->GetDiagonal();
    EXPECT_NEAR(d, 2.0f * std::sqrt(3.0f), 0.01f);

    // Translating the object does not move the camera.
    D3DXMATRIX expected;
    const D3DXVECTOR3 eye(c.x, c.y, c.z - 2.0f * d), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&expected, &eye, &c, &up);
    ExpectMatrixNear(Transform(D3DTS_VIEW), expected);
    D3DXMatrixPerspectiveFovLH(&expected, 0.7853982f, 1280.0f / 720.0f, 0.01f * d, 4.0f * d);
    ExpectMatrixNear(Transform(D3DTS_PROJECTION), expected);

    // The camera follows the size of the render target drawn into.
    COrvComPtr<IDirect3DTexture9> pTexture;
    COrvComPtr<IDirect3DSurface9> pSurface;
    m_Device.CreateTexture(100, 400, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                           pTexture.ReleaseAndGetAddressOf(), nullptr);
    pTexture->GetSurfaceLevel(0, pSurface.ReleaseAndGetAddressOf());
    m_Device.SetRenderTarget(0, pSurface.Get());
    m_pLayer->Draw();
    D3DXMatrixPerspectiveFovLH(&expected, 0.7853982f, 0.25f, 0.01f * d, 4.0f * d);
    ExpectMatrixNear(Transform(D3DTS_PROJECTION), expected);
    m_Device.SetRenderTarget(0, m_Device.GetBackBufferSurface());
}

TEST_F(Object3DLayer, LightStatesAndWorldInTheirOrder)
{
    SetString(m_pLayer, ORV_PROP_MESH_NAME, "sphere");
    const D3DXQUATERNION q(0.0f, 0.38268343f, 0.0f, 0.92387953f);
    FindProperty<COrvPropQuat>(m_pLayer, ORV_PROP_ROTATION)->SetDefaultValue(q);
    FindProperty<COrvPropVector>(m_pLayer, ORV_PROP_TRANSLATION)
        ->SetDefaultValue(D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    m_Device.ClearCalls();
    m_pLayer->Draw();
    // The mesh is drawn last, after the transforms and states.
    EXPECT_EQ(m_Device.GetCalls().back().m_Name, "DrawIndexedPrimitive");

    const std::vector<std::string> expected = {
        "SetLight 0 3 0 0 1 1 1 1 1 0 0 0 1", // directional, white, ambient alpha 1
        "LightEnable 0 1",
        "SetRenderState D3DRS_LIGHTING 1",         // lighting
        "SetRenderState D3DRS_CULLMODE 3",         // counter-clockwise culling
        "SetRenderState D3DRS_SPECULARENABLE 1",   // specular
        "SetRenderState D3DRS_ALPHABLENDENABLE 1", // blending...
        "SetRenderState D3DRS_ALPHATESTENABLE 1",  // alpha test...
        "SetRenderState D3DRS_ALPHAFUNC 8",        // ...that always passes
        "SetRenderState D3DRS_SRCBLEND 3",         // source colour
        "SetRenderState D3DRS_DESTBLEND 2",        // plus destination
        "SetRenderState D3DRS_AMBIENT 2105376",    // ambient 0x00202020
        "SetSamplerState 0 D3DSAMP_MAGFILTER 2",   // linear filtering
        "SetSamplerState 0 D3DSAMP_MINFILTER 2",
    };
    EXPECT_EQ(m_Device.CallsNamed({"SetLight", "LightEnable", "SetRenderState", "SetSamplerState"}),
              expected);
    D3DLIGHT9 light{};
    m_Device.GetLight(0, &light);
    EXPECT_EQ(light.Specular.r, 1.0f);
    EXPECT_EQ(light.Specular.a, 1.0f);
    EXPECT_EQ(light.Range, 10.0f);

    // Turned about the centre of the bounding box, then moved.
    const D3DXVECTOR3 c = m_pSphere->GetObject()->GetCenter();
    const D3DXVECTOR3 t(1.0f, 2.0f, 3.0f);
    D3DXMATRIX world;
    D3DXMatrixTransformation(&world, nullptr, nullptr, nullptr, &c, &q, &t);
    ExpectMatrixNear(Transform(D3DTS_WORLD), world);
    // The mesh is drawn after the transforms.
}

TEST_F(Object3DLayer, DragsTurnMoveAndPushTheObject)
{
    SetString(m_pLayer, ORV_PROP_MESH_NAME, "sphere");
    const float d = m_pSphere->GetObject()->GetDiagonal();

    // Left button: -0.01 rad per pixel about Y for a horizontal drag.
    m_pLayer->MouseDown(100.0f, 100.0f);
    m_pLayer->MouseMove(110.0f, 100.0f, 0x1);
    const D3DXQUATERNION q = Rotation();
    EXPECT_NEAR(q.y, std::sin(-0.05f), 1e-6f);
    EXPECT_NEAR(q.w, std::cos(-0.05f), 1e-6f);
    EXPECT_NEAR(q.x, 0.0f, 1e-6f);

    // Left and right together only turn.
    m_pLayer->MouseMove(110.0f, 110.0f, 0x1 | 0x2);
    EXPECT_EQ(Translation(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_NE(Rotation(), q);

    // Right button: the view plane, d × 0.005 per pixel, y down the screen.
    m_pLayer->MouseMove(110.0f, 120.0f, 0x2);
    EXPECT_NEAR(Translation().y, -10.0f * 0.005f * d, 1e-5f);
    m_pLayer->MouseMove(130.0f, 120.0f, 0x2);
    EXPECT_NEAR(Translation().x, 20.0f * 0.005f * d, 1e-5f);

    // Middle button: depth.
    m_pLayer->MouseMove(130.0f, 100.0f, 0x10);
    EXPECT_NEAR(Translation().z, 20.0f * 0.005f * d, 1e-5f);

    // No button: only the anchor moves.
    const D3DXVECTOR3 t = Translation();
    m_pLayer->MouseMove(500.0f, 500.0f, 0);
    m_pLayer->MouseMove(510.0f, 500.0f, 0x2);
    EXPECT_NEAR(Translation().x, t.x + 10.0f * 0.005f * d, 1e-5f);
}

TEST(LayerClasses, FactoriesNameAndReaderRebuildsEveryLayerClass)
{
    COrvDemo demo;
    std::vector<COrvModifiable*> layers = {
        demo.AddLayerObject3D(),  demo.AddLayerObject3DGelly(), demo.AddLayerPostProcess(),
        demo.AddLayerPPWave(),    demo.AddLayerPPRadialBlur(),  demo.AddLayerPPBlackWhite(),
        demo.AddLayerPPFishEye(), demo.AddLayerPPBloom()};
    const std::vector<std::string> classes = {"COrvLayer3DObject",     "COrvLayer3DObjectGelly",
                                              "COrvLayerPostProcess",  "COrvLayerPPWave",
                                              "COrvLayerPPRadialBlur", "COrvLayerPPBlackWhite",
                                              "COrvLayerPPFishEye",    "COrvLayerPPBloom"};
    const std::vector<std::string> prefixes = {"3D object ",     "Gelly ",  "Post ",   "PP Wave ",
                                               "PP RadialBlur ", "PP B&W ", "PP B&W ", "PP Bloom "};
    for (size_t i = 0; i < layers.size(); ++i)
    {
        EXPECT_EQ(layers[i]->GetClass(), classes[i]);
        EXPECT_EQ(layers[i]->GetName().rfind(prefixes[i], 0), 0u) << layers[i]->GetName();
    }
    // Property lists in file order: the layer's four after the name, then the class's own.
    const std::vector<std::vector<int>> ids = {{29, 28, 30, 31},
                                               {29, 28, 30, 31},
                                               {29},
                                               {50, 42, 52, 53},
                                               {50, 51, 42},
                                               {50},
                                               {50, 42},
                                               {50}};
    for (size_t i = 0; i < layers.size(); ++i)
    {
        std::vector<int> expected = {4, 1, 40, 41, 36};
        expected.insert(expected.end(), ids[i].begin(), ids[i].end());
        std::vector<int> actual;
        for (COrvPropBase* pProp : layers[i]->GetProperties())
            actual.push_back(pProp->GetPropId());
        EXPECT_EQ(actual, expected) << classes[i];
    }
    // The fish-eye keeps its own counter under the black-and-white name.
    EXPECT_EQ(demo.AddLayerPPFishEye()->GetName(),
              "PP B&W " + std::to_string(std::stoi(layers[6]->GetName().substr(7)) + 1));

    FindProperty<COrvPropFloat>(layers[4], ORV_PROP_POWER)->SetDefaultValue(0.25f);
    std::string text;
    ASSERT_TRUE(demo.Save(text));
    const std::string path = ::testing::TempDir() + "layer_classes.orv";
    FILE* pFile = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), pFile);
    std::fclose(pFile);
    COrvDemo loaded;
    ASSERT_TRUE(loaded.Load(path));
    std::remove(path.c_str());
    ASSERT_EQ(loaded.GetLayers().size(), layers.size() + 1);
    for (size_t i = 0; i < layers.size(); ++i)
    {
        EXPECT_EQ(loaded.GetLayers()[i]->GetClass(), classes[i]);
        EXPECT_EQ(loaded.GetLayers()[i]->GetName(), layers[i]->GetName());
    }
    EXPECT_EQ(FindProperty<COrvPropFloat>(loaded.GetLayers()[4], ORV_PROP_POWER)->GetValue(),
              0.25f);
}
