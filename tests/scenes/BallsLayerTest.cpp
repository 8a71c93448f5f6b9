// The balls layer on the recording device: its document side (factory, properties, file),
// camera and effect parameters, the five passes in order with their draws, device objects,
// editing by drags, and a layer left without its effect or buffers.
#include "RecordingEffect.h"
#include "SceneTestSupport.h"

#include "RecordingDevice.h"

#include <algorithm>
#include <fstream>

namespace
{
class BallsLayer : public ::testing::Test
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
    COrvLayerBalls* AddLayer()
    {
        m_pDemo->SetDevice(&m_Device);
        return static_cast<COrvLayerBalls*>(m_pDemo->AddLayerBalls());
    }
    void ClearCalls()
    {
        m_Device.ClearCalls();
        ClearEffectCalls();
    }
    float Float(COrvLayerBalls* pLayer, const char* pName)
    {
        float value = -1.0f;
        pLayer->GetEffect()->GetFloat(pName, &value);
        return value;
    }
    static std::string Log()
    {
        std::ifstream file(SnifferGetPath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    static size_t Count(const std::string& text, const std::string& part)
    {
        size_t count = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++count;
        return count;
    }

    CDemoFolder m_Folder{"balls"};
    CRecordingDevice m_Device{1280, 720};
    std::unique_ptr<COrvDemo> m_pDemo = std::make_unique<COrvDemo>();
};

const std::string TEXTURED_FVF = "SetFVF 274"; // position, normal, one texture pair
const std::string STRIP = "DrawPrimitive 5 0 2";

// The calls that tell one pass from the next, in order.
std::vector<std::string> PassCalls(const CRecordingDevice& device)
{
    return CallsWithEffects(device, {"Effect.SetTechnique", "Effect.Begin", "DrawPrimitive",
                                     "DrawIndexedPrimitive", "Effect.End"});
}
} // namespace

TEST_F(BallsLayer, FactoryNamesPropertiesAndFile)
{
    auto* pLayer = AddLayer();
    EXPECT_EQ(pLayer->GetClass(), "COrvLayerBalls");
    EXPECT_EQ(pLayer->GetName().rfind("Balls ", 0), 0u);
    std::vector<std::string> names;
    for (COrvPropBase* pProp : pLayer->GetProperties())
        names.push_back(OrvPropIdString(pProp->GetPropId()));
    EXPECT_EQ(names, (std::vector<std::string>{
                         "Name", "Visible", "Visible Track", "Clear First", "Render taget",
                         "Material Name", "Ground Material Name", "Ball Shadow Material Name",
                         "Mesh Name", "Translation", "Rotation", "Focal dist", "Focal range"}));
    auto* pFocalDist = FindProperty<COrvPropFloat>(pLayer, ORV_PROP_FOCAL_DIST);
    EXPECT_EQ(pFocalDist->GetValue(), 10.0f);
    float fMin = -1.0f, fMax = -1.0f;
    pFocalDist->GetRange(fMin, fMax);
    EXPECT_EQ(fMin, 0.0f);
    EXPECT_EQ(fMax, 40.0f);
    EXPECT_FALSE(FindProperty<COrvPropString>(pLayer, ORV_PROP_MATERIAL_NAME)->GetAnimable());
    EXPECT_TRUE(FindProperty<COrvPropFloat>(pLayer, ORV_PROP_FOCAL_RANGE)->GetAnimable());

    // Saved and read back, it is a balls layer with its values.
    SetFloat(pLayer, ORV_PROP_FOCAL_RANGE, 4.0f);
    std::string text;
    ASSERT_TRUE(m_pDemo->Save(text));
    std::ofstream("balls.orv") << text;
    COrvDemo copy;
    ASSERT_TRUE(copy.Load("balls.orv"));
    ASSERT_EQ(copy.GetLayers().size(), 1u);
    auto* pCopy = dynamic_cast<COrvLayerBalls*>(copy.GetLayers()[0]);
    ASSERT_NE(pCopy, nullptr);
    EXPECT_EQ(pCopy->GetName(), pLayer->GetName());
    EXPECT_EQ(FindProperty<COrvPropFloat>(pCopy, ORV_PROP_FOCAL_RANGE)->GetValue(), 4.0f);
}

TEST_F(BallsLayer, CameraAndFocusParameters)
{
    auto* pLayer = AddLayer();
    ASSERT_TRUE(pLayer->IsReady());
    pLayer->Draw();
    // The camera at (0, 0, -41.569) looking at the origin, planes at 0.2078 and 207.85.
    EXPECT_NEAR(pLayer->GetCameraUnit(), 20.7846f, 1e-3f);
    const D3DXMATRIX& projection = pLayer->GetProjection();
    const float zn = -projection._43 / projection._33;
    const float zf = projection._43 / (1.0f - projection._33);
    EXPECT_NEAR(zn, 0.207846f, 1e-4f);
    EXPECT_NEAR(zf, 207.846f, 0.05f);
    EXPECT_NEAR(projection._11 / projection._22, 720.0f / 1280.0f, 1e-5f);
    D3DXVECTOR4 origin;
    const D3DXVECTOR3 zero(0.0f, 0.0f, 0.0f);
    D3DXVec3Transform(&origin, &zero, &pLayer->GetViewProjection());
    EXPECT_NEAR(origin.w, 41.569f, 1e-3f);
    EXPECT_NEAR(origin.x, 0.0f, 1e-5f);
    // The light (-2R, 2R, -2R, 2) of view space in the room's space: with w = 2 the camera's
    // distance counts twice in x, y, z; as a point it is (-R, R, -3R), up left in front.
    EXPECT_NEAR(pLayer->GetLight().x, -41.569f, 1e-3f);
    EXPECT_NEAR(pLayer->GetLight().y, 41.569f, 1e-3f);
    EXPECT_NEAR(pLayer->GetLight().z, -124.708f, 1e-3f);
    EXPECT_EQ(pLayer->GetLight().w, 2.0f);
    EXPECT_EQ(pLayer->GetEyePosition(),
              D3DXVECTOR3(pLayer->GetLight().x, pLayer->GetLight().y, pLayer->GetLight().z));

    EXPECT_FLOAT_EQ(Float(pLayer, "focalRange"), 0.2f);
    EXPECT_EQ(Float(pLayer, "focalDist"), 10.0f);
    EXPECT_EQ(Float(pLayer, "globalLight"), 1.0f);
    float maxCoC = 0.0f;
    pLayer->GetDof().m_pEffect->GetFloat("maxCoC", &maxCoC);
    EXPECT_EQ(maxCoC, 4.5f);

    // A range of 0 keeps the parameter finite: only the focal plane is sharp.
    SetFloat(pLayer, ORV_PROP_FOCAL_RANGE, 0.0f);
    pLayer->Draw();
    EXPECT_TRUE(std::isfinite(Float(pLayer, "focalRange")));
    EXPECT_GT(Float(pLayer, "focalRange"), 1000.0f);
}

TEST_F(BallsLayer, FivePassesInOrderBetweenCaptureAndComposite)
{
    auto* pLayer = AddLayer();
    ClearCalls();
    pLayer->Draw();
    std::vector<std::string> expected = {"Effect.SetTechnique ObjTexWall", "Effect.Begin 0", STRIP,
                                         "Effect.End"};
    for (int i = 0; i < 20; ++i)
        expected.insert(expected.end(),
                        {"Effect.SetTechnique ObjAlphaTex", "Effect.Begin 0", STRIP, "Effect.End"});
    for (int i = 0; i < 20; ++i)
        expected.push_back(STRIP); // the shadows once more, without the effect
    expected.insert(expected.end(), {"Effect.SetTechnique ObjTexWall", "Effect.Begin 0"});
    for (int i = 0; i < 12; ++i)
        expected.push_back(STRIP);
    expected.push_back("Effect.End");
    for (int i = 0; i < 20; ++i)
        expected.insert(expected.end(), {"Effect.SetTechnique ObjTex", "Effect.Begin 0",
                                         "DrawIndexedPrimitive 4 0 0 382 0 760", "Effect.End"});
    expected.insert(expected.end(), {"Effect.SetTechnique ObjNoTex", "Effect.Begin 0"});
    for (int face = 0; face < 6; ++face)
        expected.push_back("DrawPrimitive 5 " + std::to_string(4 * face) + " 2");
    expected.insert(expected.end(),
                    {"Effect.End", "Effect.SetTechnique FilterDoFHalf", "Effect.Begin 0",
                     "Effect.End", "Effect.SetTechnique FilterDoF", "Effect.Begin 0",
                     "Effect.End"});
    EXPECT_EQ(PassCalls(m_Device), expected);

    // Capture first: targets, viewport over the whole target, clear of both to black.
    const std::vector<std::string> capture =
        m_Device.CallsNamed({"GetViewport", "SetRenderTarget", "SetViewport", "Clear"});
    ASSERT_GE(capture.size(), 5u);
    EXPECT_EQ(capture[0], "GetViewport");
    EXPECT_EQ(capture[3], "SetViewport 0 0 1280 720 0 1");
    EXPECT_EQ(capture[4], "Clear 0 3 4278190080 1 0");
}

TEST_F(BallsLayer, BuffersStreamsAndStates)
{
    auto* pLayer = AddLayer();
    ClearCalls();
    pLayer->Draw();
    const std::vector<std::string> calls = CallsWithEffects(
        m_Device, {"SetStreamSource", "SetFVF", "SetRenderState", "Effect.SetTechnique"});
    // The floor from the room at offset 0, the walls from offsets 128 to 1536, the box with
    // its own 24-byte vertices.
    auto first = std::find(calls.begin(), calls.end(), "Effect.SetTechnique ObjTexWall");
    ASSERT_NE(first, calls.end());
    EXPECT_EQ(*(first - 2), "SetRenderState D3DRS_ZENABLE 1");          // depth test
    EXPECT_EQ(*(first - 1), "SetRenderState D3DRS_ALPHABLENDENABLE 0"); // no blending
    ASSERT_EQ(first[1].substr(first[1].size() - 5), " 0 32");
    const std::string room = first[1].substr(0, first[1].size() - 5);
    EXPECT_EQ(first[2], TEXTURED_FVF);
    size_t offsets = 0;
    for (UINT offset = 128; offset <= 1536; offset += 128)
        offsets +=
            std::count(calls.begin(), calls.end(), room + " " + std::to_string(offset) + " 32");
    EXPECT_EQ(offsets, 12u);
    auto shadow = std::find(calls.begin(), calls.end(), "Effect.SetTechnique ObjAlphaTex");
    ASSERT_NE(shadow, calls.end());
    EXPECT_EQ(*(shadow - 2), "SetRenderState D3DRS_ZENABLE 0"); // shadows without depth test
    EXPECT_EQ(*(shadow - 1), "SetRenderState D3DRS_ALPHABLENDENABLE 1"); // blended
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "SetFVF 18"), 1);   // the box
    auto box = std::find(calls.begin(), calls.end(), "SetFVF 18");
    EXPECT_EQ((box - 1)->substr((box - 1)->size() - 5), " 0 24");

    // One world per object (floor, shadows, walls, balls, box) and nothing else: the camera
    // reaches the shaders only, the device's view and projection are left as they were.
    const std::vector<std::string> transforms = m_Device.CallsNamed({"SetTransform"});
    EXPECT_EQ(transforms.size(), 1u + 20u + 1u + 20u + 1u);
    const std::string world = "SetTransform " + std::to_string(int(D3DTS_WORLD)) + " ";
    for (const std::string& call : transforms)
        EXPECT_EQ(call.rfind(world, 0), 0u) << call;
}

TEST_F(BallsLayer, ParametersPerObjectAndTheMaterialsTextures)
{
    m_pDemo->SetDevice(&m_Device);
    COrvResRenderTarget* pGround = AddTarget(*m_pDemo, "ground", 64, 64);
    COrvResRenderTarget* pBall = AddTarget(*m_pDemo, "ball", 32, 32);
    AddMaterial(*m_pDemo, "mat_ground", "ground");
    AddMaterial(*m_pDemo, "mat_ball", "ball");
    AddMaterial(*m_pDemo, "mat_nothing", "no such texture");
    auto* pLayer = static_cast<COrvLayerBalls*>(m_pDemo->AddLayerBalls());
    SetString(pLayer, ORV_PROP_GROUND_MATERIAL_NAME, "mat_ground");
    SetString(pLayer, ORV_PROP_MATERIAL_NAME, "mat_ball");
    SetString(pLayer, ORV_PROP_BALL_SHADOW_MATERIAL_NAME, "mat_nothing");
    ClearCalls();
    pLayer->Draw();
    const std::vector<std::string> textures = CallsWithEffects(m_Device, {"Effect.SetTexture"});
    const std::string ground =
        "Effect.SetTexture tTexture " + m_Device.Label(pGround->GetTexture());
    const std::string ball = "Effect.SetTexture tTexture " + m_Device.Label(pBall->GetTexture());
    EXPECT_EQ(std::count(textures.begin(), textures.end(), ground), 2); // floor and walls
    EXPECT_EQ(std::count(textures.begin(), textures.end(), ball), 20);
    EXPECT_EQ(std::count(textures.begin(), textures.end(), "Effect.SetTexture tTexture null"), 20);

    // The last object is the box: world identity, parameters in its space (the world's).
    D3DXVECTOR4 light, view, specular;
    pLayer->GetEffect()->GetVector("lightPos", &light);
    pLayer->GetEffect()->GetVector("viewPos", &view);
    pLayer->GetEffect()->GetVector("mtrlSpecular", &specular);
    EXPECT_EQ(light, pLayer->GetLight());
    EXPECT_EQ(view, D3DXVECTOR4(pLayer->GetEyePosition().x, pLayer->GetEyePosition().y,
                                pLayer->GetEyePosition().z, 1.0f));
    EXPECT_EQ(specular, D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f));
    D3DXMATRIX matrix;
    pLayer->GetEffect()->GetMatrix("matWorldViewProj", &matrix);
    EXPECT_EQ(matrix, pLayer->GetViewProjection());
}

TEST_F(BallsLayer, TheRoomTurnsAndMovesInFrontOfTheCamera)
{
    auto* pLayer = AddLayer();
    SetVector(pLayer, ORV_PROP_TRANSLATION, D3DXVECTOR3(0.0f, 0.0f, 10.0f));
    SetQuat(pLayer, ORV_PROP_ROTATION, TurnX(-1.5707964f));
    pLayer->Draw();
    // The room's centre is 10 units further away.
    D3DXVECTOR4 centre;
    const D3DXVECTOR3 zero(0.0f, 0.0f, 0.0f);
    D3DXVec3Transform(&centre, &zero, &pLayer->GetViewProjection());
    EXPECT_NEAR(centre.w, 51.569f, 1e-3f);
    // The light turns and moves with the room: seen from the camera it stays where it was.
    const D3DXQUATERNION rotation = TurnX(-1.5707964f);
    const D3DXVECTOR3 translation(0.0f, 0.0f, 10.0f), eye(0.0f, 0.0f, -41.569f),
        up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX scene, view, sceneView;
    D3DXMatrixTransformation(&scene, nullptr, nullptr, nullptr, nullptr, &rotation, &translation);
    D3DXMatrixLookAtLH(&view, &eye, &zero, &up);
    D3DXMatrixMultiply(&sceneView, &scene, &view);
    D3DXVECTOR4 seen;
    D3DXVec4Transform(&seen, &pLayer->GetLight(), &sceneView);
    EXPECT_NEAR(seen.x, -41.569f, 1e-2f);
    EXPECT_NEAR(seen.y, 41.569f, 1e-2f);
    EXPECT_NEAR(seen.z, -41.569f, 1e-2f);
}

TEST_F(BallsLayer, DragsTurnAndMoveTheRoom)
{
    auto* pLayer = static_cast<COrvLayerBalls*>(m_pDemo->AddLayerBalls()); // no device needed
    auto* pTranslation = FindProperty<COrvPropVector>(pLayer, ORV_PROP_TRANSLATION);
    auto* pRotation = FindProperty<COrvPropQuat>(pLayer, ORV_PROP_ROTATION);
    const float s = 20.7846f * 0.005f;
    pLayer->MouseDown(100.0f, 100.0f);
    pLayer->MouseMove(110.0f, 96.0f, 0x2);
    EXPECT_NEAR(pTranslation->GetValue().x, 10.0f * s, 1e-5f);
    EXPECT_NEAR(pTranslation->GetValue().y, 4.0f * s, 1e-5f);
    pLayer->MouseMove(110.0f, 106.0f, 0x10);
    EXPECT_NEAR(pTranslation->GetValue().z, -10.0f * s, 1e-5f);
    EXPECT_EQ(pRotation->GetValue(), D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f));
    // Left button: a turn about x by -dy / 100 (the anchor moved with every move).
    pLayer->MouseMove(110.0f, 116.0f, 0x1);
    const D3DXQUATERNION q = pRotation->GetValue();
    EXPECT_NEAR(q.x, std::sin(-0.05f), 1e-5f);
    EXPECT_NEAR(q.w, std::cos(-0.05f), 1e-5f);
    // Buttons count in the order left, right, middle.
    pLayer->MouseMove(120.0f, 116.0f, 0x1 | 0x2);
    EXPECT_NEAR(pTranslation->GetValue().x, 10.0f * s, 1e-5f);
}

TEST_F(BallsLayer, BallsMoveWithTimeAndKeepThemAcrossDeviceChanges)
{
    auto* pLayer = AddLayer();
    pLayer->Draw(); // the process's first step only notes the time
    const std::vector<ORV_Ball> before(pLayer->GetBalls().begin(), pLayer->GetBalls().end());
    COrvPropBase::SetFrame(2.0f);
    pLayer->Draw();
    int moved = 0;
    for (size_t i = 0; i < before.size(); ++i)
        moved += !(pLayer->GetBalls()[i].m_vPosition == before[i].m_vPosition);
    EXPECT_GT(moved, 15);
    const std::vector<ORV_Ball> after(pLayer->GetBalls().begin(), pLayer->GetBalls().end());
    m_pDemo->SetDevice(nullptr);
    for (const ORV_Ball& ball : pLayer->GetBalls())
        EXPECT_EQ(ball.m_pSphere, nullptr);
    m_pDemo->SetDevice(&m_Device);
    for (size_t i = 0; i < after.size(); ++i)
    {
        EXPECT_EQ(pLayer->GetBalls()[i].m_vPosition, after[i].m_vPosition);
        EXPECT_NE(pLayer->GetBalls()[i].m_pSphere, nullptr);
    }
}

TEST_F(BallsLayer, DeviceObjectsAreAllReturned)
{
    const int live = m_Device.GetLiveObjects();
    auto* pLayer = AddLayer();
    ASSERT_TRUE(pLayer->IsReady());
    const std::vector<std::string> buffers = m_Device.CallsNamed({"CreateVertexBuffer"});
    EXPECT_NE(std::find(buffers.begin(), buffers.end(), "CreateVertexBuffer 128 8 274 0"),
              buffers.end());
    EXPECT_NE(std::find(buffers.begin(), buffers.end(), "CreateVertexBuffer 1664 8 274 0"),
              buffers.end());
    EXPECT_NE(std::find(buffers.begin(), buffers.end(), "CreateVertexBuffer 576 8 18 0"),
              buffers.end());
    pLayer->Draw();
    m_pDemo->SetDevice(nullptr);
    // What the device itself still holds bound from the last draws.
    m_Device.SetStreamSource(0, nullptr, 0, 0);
    m_Device.SetIndices(nullptr);
    m_Device.SetVertexDeclaration(nullptr);
    EXPECT_EQ(m_Device.GetLiveObjects(), live);
    EXPECT_FALSE(pLayer->IsReady());
}

TEST_F(BallsLayer, WithoutItsEffectItDrawsNothingSaysSoOnceAndRecovers)
{
    std::filesystem::rename(m_Folder.Data() / "scene.fx", m_Folder.Data() / "scene.keep");
    auto* pLayer = AddLayer();
    pLayer->SetName("Balls without effect");
    std::string reason;
    EXPECT_FALSE(pLayer->IsReady(&reason));
    EXPECT_NE(reason.find("scene.fx"), std::string::npos) << reason;
    ClearCalls();
    pLayer->Draw();
    pLayer->Draw();
    EXPECT_EQ(m_Device.GetCalls().size(), 0u);
    EXPECT_EQ(Count(Log(), "Balls layer \"Balls without effect\" draws nothing"), 1u);

    std::filesystem::rename(m_Folder.Data() / "scene.keep", m_Folder.Data() / "scene.fx");
    pLayer->Draw();
    EXPECT_EQ(m_Device.GetCalls().size(), 0u); // nothing is retried until the device changes
    m_pDemo->SetDevice(nullptr);
    m_pDemo->SetDevice(&m_Device);
    EXPECT_TRUE(pLayer->IsReady());
    ClearCalls();
    pLayer->Draw();
    EXPECT_EQ(m_Device.CountCalls("DrawIndexedPrimitive"), 20u);
}

TEST_F(BallsLayer, WithoutBuffersOrTargetsItDrawsNothing)
{
    m_pDemo->SetDevice(&m_Device);
    m_Device.SetFailCreation(true);
    auto* pLayer = static_cast<COrvLayerBalls*>(m_pDemo->AddLayerBalls());
    pLayer->SetName("Balls without targets");
    m_Device.SetFailCreation(false);
    std::string reason;
    EXPECT_FALSE(pLayer->IsReady(&reason));
    EXPECT_EQ(reason, "the depth-of-field targets could not be created");
    EXPECT_EQ(m_Device.CountCalls("CreateVertexBuffer") > 0, true); // the spheres tried theirs
    ClearCalls();
    pLayer->Draw();
    EXPECT_EQ(m_Device.GetCalls().size(), 0u);
    EXPECT_EQ(Count(Log(), "Balls layer \"Balls without targets\" draws nothing: the "
                           "depth-of-field targets could not be created"),
              1u);
}
