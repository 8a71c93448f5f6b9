// The grid layer on the recording device: document side, the camera, light, states and
// draws of a frame, the vertex buffer it fills, flying by drags, and a layer left without
// its effect.
#include "RecordingEffect.h"
#include "SceneTestSupport.h"

#include "RecordingDevice.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace
{
class GridLayer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        COrvPropBase::SetFrame(0.0f);
        m_pDemo->SetOutputSize(1280, 720);
    }
    void TearDown() override
    {
        m_pDemo->SetDevice(nullptr);
        ClearEffectCalls();
    }
    COrvLayerGrid* AddLayer()
    {
        m_pDemo->SetDevice(&m_Device);
        return static_cast<COrvLayerGrid*>(m_pDemo->AddLayerGrid());
    }
    void ClearCalls()
    {
        m_Device.ClearCalls();
        ClearEffectCalls();
    }
    static int VisibleCells(const COrvLayerGrid* pLayer)
    {
        const uint8_t* pVisible = pLayer->GetLattice().GetVisibility();
        return int(std::count(pVisible, pVisible + ORV_GridLattice::kCellCount, 1));
    }

    // The origin of the middle cell, the camera's own.
    static D3DXVECTOR3 Origin(const COrvLayerGrid* pLayer)
    {
        const int cell = 7 + 15 * (7 + 15 * 7);
        const auto& v = pLayer->GetLattice().GetVertices()[cell * 48];
        return D3DXVECTOR3(v.x, v.y - 1.0f, v.z);
    }

    CDemoFolder m_Folder{"grid"};
    CRecordingDevice m_Device{1280, 720};
    std::unique_ptr<COrvDemo> m_pDemo = std::make_unique<COrvDemo>();
};
} // namespace

TEST_F(GridLayer, FactoryNamesPropertiesAndFile)
{
    auto* pLayer = AddLayer();
    EXPECT_EQ(pLayer->GetClass(), "COrvLayerGrid");
    EXPECT_EQ(pLayer->GetName().rfind("FXGrid ", 0), 0u);
    std::vector<std::string> names;
    for (COrvPropBase* pProp : pLayer->GetProperties())
        names.push_back(OrvPropIdString(pProp->GetPropId()));
    EXPECT_EQ(names, (std::vector<std::string>{"Name", "Visible", "Visible Track", "Clear First",
                                               "Render taget", "Material Name", "Translation",
                                               "Rotation", "Focal dist", "Focal range"}));
    float fMin = -1.0f, fMax = -1.0f;
    auto* pRange = FindProperty<COrvPropFloat>(pLayer, ORV_PROP_FOCAL_RANGE);
    EXPECT_EQ(pRange->GetValue(), 37.5f);
    pRange->GetRange(fMin, fMax);
    EXPECT_EQ(fMax, 37.5f);

    std::string text;
    ASSERT_TRUE(m_pDemo->Save(text));
    std::ofstream("grid.orv") << text;
    COrvDemo copy;
    ASSERT_TRUE(copy.Load("grid.orv"));
    ASSERT_EQ(copy.GetLayers().size(), 1u);
    EXPECT_NE(dynamic_cast<COrvLayerGrid*>(copy.GetLayers()[0]), nullptr);
}

TEST_F(GridLayer, AFrameSetsCameraLightStatesAndDrawsTheVisibleCells)
{
    auto* pLayer = AddLayer();
    ASSERT_TRUE(pLayer->IsReady());
    ClearCalls();
    pLayer->Draw();
    const int visible = VisibleCells(pLayer);
    ASSERT_GT(visible, 100);

    const std::vector<std::string> states = m_Device.CallsNamed(
        {"SetRenderState", "SetSamplerState", "LightEnable", "SetFVF", "SetStreamSource"});
    const std::vector<std::string> expected = {
        "LightEnable 0 1",
        "SetRenderState D3DRS_ALPHABLENDENABLE 0", // no blending
        "SetRenderState D3DRS_LIGHTING 1",         // lighting
        "SetRenderState D3DRS_SPECULARENABLE 1",   // specular
        "SetRenderState D3DRS_CULLMODE 3",         // cull counter-clockwise
        "SetSamplerState 0 D3DSAMP_MAGFILTER 2",   // magnification, linear
        "SetSamplerState 0 D3DSAMP_MINFILTER 2",   // minification, linear
        "SetRenderState D3DRS_ZENABLE 1",          // depth test
        "SetStreamSource 0 " + m_Device.Label(pLayer->GetVertexBuffer()) + " 0 32",
        "SetFVF 274",
        // before the composite
        "SetRenderState D3DRS_ZENABLE 0",
        "SetRenderState D3DRS_ALPHABLENDENABLE 0",
        "SetRenderState D3DRS_LIGHTING 0",
    };
    EXPECT_EQ(states, expected);

    // Twelve strips per visible cell, in cell order, all in one effect pass.
    std::vector<std::string> draws = m_Device.CallsNamed({"DrawPrimitive"});
    ASSERT_EQ(draws.size(), size_t(12 * visible));
    const uint8_t* pVisible = pLayer->GetLattice().GetVisibility();
    const int first =
        int(std::find(pVisible, pVisible + ORV_GridLattice::kCellCount, 1) - pVisible);
    EXPECT_EQ(draws[0], "DrawPrimitive 5 " + std::to_string(48 * first) + " 2");
    EXPECT_EQ(draws[11], "DrawPrimitive 5 " + std::to_string(48 * first + 44) + " 2");
    const std::vector<std::string> effect = CallsWithEffects(
        m_Device, {"Effect.SetTechnique", "Effect.Begin", "Effect.BeginPass", "Effect.End"});
    EXPECT_EQ(effect, (std::vector<std::string>{
                          "Effect.SetTechnique ObjTexFog", "Effect.Begin 0", "Effect.BeginPass 0",
                          "Effect.End", "Effect.SetTechnique FilterDoFHalf", "Effect.Begin 0",
                          "Effect.BeginPass 0", "Effect.End", "Effect.SetTechnique FilterDoF",
                          "Effect.Begin 0", "Effect.BeginPass 0", "Effect.End"}));

    // The light: directional, white, along 0.5 right + forward - 0.5 up.
    D3DLIGHT9 light{};
    ASSERT_EQ(m_Device.GetLight(0, &light), S_OK);
    EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_NEAR(light.Direction.x, 0.5f / std::sqrt(1.5f), 1e-6f);
    EXPECT_NEAR(light.Direction.y, -0.5f / std::sqrt(1.5f), 1e-6f);
    EXPECT_NEAR(light.Direction.z, 1.0f / std::sqrt(1.5f), 1e-6f);
    EXPECT_EQ(light.Ambient.a, 1.0f);
}

TEST_F(GridLayer, ProjectionAndEffectParameters)
{
    auto* pLayer = AddLayer();
    SetVector(pLayer, ORV_PROP_TRANSLATION, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    SetFloat(pLayer, ORV_PROP_FOCAL_DIST, 12.0f);
    pLayer->Draw();
    D3DXMATRIX projection;
    ASSERT_EQ(m_Device.GetTransform(D3DTS_PROJECTION, &projection), S_OK);
    EXPECT_NEAR(-projection._43 / projection._33, 1.299038f, 1e-4f);
    EXPECT_NEAR(projection._43 / (1.0f - projection._33), 519.615f, 0.2f);
    D3DXMATRIX world;
    ASSERT_EQ(m_Device.GetTransform(D3DTS_WORLD, &world), S_OK);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&world));

    ID3DXEffect* pEffect = pLayer->GetEffect();
    float value = 0.0f;
    pEffect->GetFloat("focalDist", &value);
    EXPECT_EQ(value, 12.0f);
    pEffect->GetFloat("focalRange", &value);
    EXPECT_FLOAT_EQ(value, 2.0f / 37.5f);
    D3DXVECTOR4 vector;
    pEffect->GetVector("viewPos", &vector);
    EXPECT_EQ(vector, D3DXVECTOR4(1.0f, 2.0f, 3.0f, 1.0f));
    // Behind the camera, to its left and above: eye - H forward - H/2 right + H/2 up.
    pEffect->GetVector("lightPos", &vector);
    EXPECT_EQ(vector, D3DXVECTOR4(1.0f - 18.75f, 2.0f + 18.75f, 3.0f - 37.5f, 1.0f));
    pEffect->GetVector("mtrlSpecular", &vector);
    EXPECT_EQ(vector, D3DXVECTOR4(1.0f, 1.0f, 1.0f, 1.0f));
    D3DXMATRIX matrix;
    pEffect->GetMatrix("matWorldViewProj", &matrix);
    EXPECT_EQ(matrix, pLayer->GetViewProjection());
}

TEST_F(GridLayer, TheVertexBufferHoldsTheLatticeOfEachFrame)
{
    m_pDemo->SetDevice(&m_Device);
    AddTarget(*m_pDemo, "beams", 16, 16);
    AddMaterial(*m_pDemo, "mat_beams", "beams");
    auto* pLayer = static_cast<COrvLayerGrid*>(m_pDemo->AddLayerGrid());
    SetString(pLayer, ORV_PROP_MATERIAL_NAME, "mat_beams");
    auto* pBuffer = dynamic_cast<CRecordingVertexBuffer*>(pLayer->GetVertexBuffer());
    ASSERT_NE(pBuffer, nullptr);
    ASSERT_EQ(pBuffer->GetBytes().size(), size_t(ORV_GridLattice::kVertexBytes));
    // The first lattice goes in with the device.
    EXPECT_EQ(std::memcmp(pBuffer->GetBytes().data(), pLayer->GetLattice().GetVertices(),
                          ORV_GridLattice::kVertexBytes),
              0);
    SetVector(pLayer, ORV_PROP_TRANSLATION, D3DXVECTOR3(12.0f, -7.0f, 31.0f));
    COrvPropBase::SetFrame(17.0f);
    ClearCalls();
    pLayer->Draw();
    EXPECT_EQ(Origin(pLayer), D3DXVECTOR3(10.0f, -5.0f, 30.0f));
    EXPECT_EQ(std::memcmp(pBuffer->GetBytes().data(), pLayer->GetLattice().GetVertices(),
                          ORV_GridLattice::kVertexBytes),
              0);
    EXPECT_FALSE(pBuffer->IsLocked());
    const std::vector<std::string> textures = CallsWithEffects(m_Device, {"Effect.SetTexture"});
    ASSERT_FALSE(textures.empty());
    EXPECT_EQ(textures[0], "Effect.SetTexture tTexture " +
                               m_Device.Label(static_cast<COrvResRenderTarget*>(
                                                  m_pDemo->GetResourceByName("beams"))
                                                  ->GetTexture()));
}

TEST_F(GridLayer, DragsFlyTheCamera)
{
    auto* pLayer = static_cast<COrvLayerGrid*>(m_pDemo->AddLayerGrid()); // no device needed
    auto* pTranslation = FindProperty<COrvPropVector>(pLayer, ORV_PROP_TRANSLATION);
    auto* pRotation = FindProperty<COrvPropQuat>(pLayer, ORV_PROP_ROTATION);
    // Right button (+10, 0): one unit to the camera's left.
    pLayer->MouseDown(50.0f, 50.0f);
    pLayer->MouseMove(60.0f, 50.0f, 0x2);
    EXPECT_EQ(pTranslation->GetValue(), D3DXVECTOR3(-1.0f, 0.0f, 0.0f));
    // ... also when the camera looks another way: along its own right axis.
    pRotation->SetDefaultValue(D3DXQUATERNION(0.0f, std::sin(0.7853982f), 0.0f,
                                              std::cos(0.7853982f))); // turned 90 degrees about y
    pLayer->MouseMove(70.0f, 50.0f, 0x2);
    EXPECT_NEAR(pTranslation->GetValue().x, -1.0f, 1e-5f);
    EXPECT_NEAR(pTranslation->GetValue().z, 1.0f, 1e-5f);
    // Middle button: along the view, 0.1 per pixel down.
    pRotation->SetDefaultValue(D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f));
    pLayer->MouseMove(70.0f, 60.0f, 0x10);
    EXPECT_NEAR(pTranslation->GetValue().z, 2.0f, 1e-5f);
    // Left button: turns about the camera's right then up axis.
    pLayer->MouseMove(70.0f, 70.0f, 0x1);
    const D3DXQUATERNION q = pRotation->GetValue();
    EXPECT_NEAR(q.x, std::sin(-0.05f), 1e-5f);
    EXPECT_NEAR(q.w, std::cos(-0.05f), 1e-5f);
}

TEST_F(GridLayer, WithoutItsEffectsItDrawsNothingAndRecovers)
{
    std::filesystem::rename(m_Folder.Data() / "dof.fx", m_Folder.Data() / "dof.keep");
    auto* pLayer = AddLayer();
    std::string reason;
    EXPECT_FALSE(pLayer->IsReady(&reason));
    EXPECT_EQ(reason, "\"dof.fx\" did not load");
    ClearCalls();
    pLayer->Draw();
    EXPECT_EQ(m_Device.GetCalls().size(), 0u);
    std::filesystem::rename(m_Folder.Data() / "dof.keep", m_Folder.Data() / "dof.fx");
    m_pDemo->SetDevice(nullptr);
    m_pDemo->SetDevice(&m_Device);
    EXPECT_TRUE(pLayer->IsReady());

    const int live = m_Device.GetLiveObjects();
    m_pDemo->SetDevice(nullptr);
    EXPECT_LT(m_Device.GetLiveObjects(), live);
    EXPECT_EQ(m_Device.GetLiveObjects(), 0);
}
