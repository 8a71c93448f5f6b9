#include "OrvTestDemo.h"
#include "RecordingDevice.h"

#include <cmath>
#include <gtest/gtest.h>

namespace
{
// A demo with a 256 × 128 render target shown through a material by one sprite layer.
class Sprite : public ::testing::Test
{
protected:
    void SetUp() override
    {
        COrvPropBase::SetFrame(0.0f);
        m_Demo.SetDevice(&m_Device);
        m_pTarget = static_cast<COrvResRenderTarget*>(m_Demo.AddResRenderTarget());
        m_pTarget->SetName("picture");
        FindProperty<COrvPropInt>(m_pTarget, ORV_PROP_WIDTH)->SetValue(256);
        FindProperty<COrvPropInt>(m_pTarget, ORV_PROP_HEIGHT)->SetValue(128);
        m_pMaterial = static_cast<COrvResMaterial*>(m_Demo.AddResMaterial());
        m_pMaterial->SetName("look");
        FindProperty<COrvPropString>(m_pMaterial, ORV_PROP_TEXTURE_NAME_0)->SetValue("picture");
        m_pSprite = static_cast<COrvLayerSprite*>(m_Demo.AddLayerSprite());
        FindProperty<COrvPropString>(m_pSprite, ORV_PROP_MATERIAL_NAME)->SetValue("look");
        m_pTarget->Update();
    }
    void TearDown() override { m_Demo.SetDevice(nullptr); }

    D3DXVECTOR3 Translation()
    {
        return FindProperty<COrvPropVector>(m_pSprite, ORV_PROP_TRANSLATION)->GetValue();
    }
    D3DXQUATERNION Rotation()
    {
        return FindProperty<COrvPropQuat>(m_pSprite, ORV_PROP_ROTATION)->GetValue();
    }

    CRecordingDevice m_Device{1280, 720};
    COrvDemo m_Demo;
    COrvResRenderTarget* m_pTarget = nullptr;
    COrvResMaterial* m_pMaterial = nullptr;
    COrvLayerSprite* m_pSprite = nullptr;
};
} // namespace

TEST_F(Sprite, DrawSetsCameraStatesAndOneStrip)
{
    m_Device.ClearCalls();
    m_pSprite->Draw();
    const std::string texture = m_Device.Label(m_pTarget->GetTexture());
    const std::vector<std::string> states = m_Device.CallsNamed(
        {"SetRenderState", "SetSamplerState", "SetTextureStageState", "SetTexture",
         "SetStreamSource", "SetFVF", "DrawPrimitive", "LightEnable"});
    const std::vector<std::string> expected = {
        "LightEnable 0 1",
        "SetRenderState D3DRS_LIGHTING 1",         // lighting on
        "SetRenderState D3DRS_CULLMODE 1",         // no culling
        "SetSamplerState 0 D3DSAMP_MAGFILTER 2",   // linear magnification
        "SetSamplerState 0 D3DSAMP_MINFILTER 2",   // linear minification
        "SetRenderState D3DRS_ALPHABLENDENABLE 1", // blending
        "SetTexture 0 " + texture,                 // the material's first texture
        "SetRenderState D3DRS_ALPHABLENDENABLE 1", //
        "SetTextureStageState 0 D3DTSS_ALPHAOP 4", // alpha modulate
        "SetRenderState D3DRS_SRCBLEND 5",         // source alpha
        "SetRenderState D3DRS_DESTBLEND 6",        // inverse source alpha
        "SetRenderState D3DRS_ZENABLE 0",          // no depth test
        "SetStreamSource 0 vertexbuffer#2 0 32",   //
        "SetFVF 274",                              // position, normal, one texture pair
        "DrawPrimitive 5 0 2",                     // a strip of two triangles
        "SetRenderState D3DRS_CULLMODE 3",         // culling back to counter-clockwise
    };
    EXPECT_EQ(states, expected);
    // The buffer was made for this draw; only the device's stream binding still holds it.
    EXPECT_EQ(m_Device.CallsNamed({"CreateVertexBuffer"}),
              std::vector<std::string>{"CreateVertexBuffer 128 8 274 0"});
    m_Device.SetStreamSource(0, nullptr, 0, 0);
    EXPECT_EQ(m_Device.GetLiveObjects(), 2);
}

TEST_F(Sprite, TheRectangleAndCameraFollowThePicture)
{
    // The device's stream binding keeps the buffer after the draw.
    m_pSprite->Draw();
    COrvComPtr<IDirect3DVertexBuffer9> pBuffer;
    UINT offset = 0, stride = 0;
    m_Device.GetStreamSource(0, pBuffer.ReleaseAndGetAddressOf(), &offset, &stride);
    ASSERT_NE(pBuffer, nullptr);
    const auto& bytes = static_cast<CRecordingVertexBuffer*>(pBuffer.Get())->GetBytes();
    const float* v = reinterpret_cast<const float*>(bytes.data());
    // 256 × 128: a rectangle 1 wide and 0.5 high, top-left first, facing the camera.
    EXPECT_FLOAT_EQ(v[0], -0.5f);
    EXPECT_FLOAT_EQ(v[1], 0.25f);
    EXPECT_FLOAT_EQ(v[5], -1.0f);
    EXPECT_FLOAT_EQ(v[8 * 3 + 0], 0.5f);
    EXPECT_FLOAT_EQ(v[8 * 3 + 1], -0.25f);
    EXPECT_FLOAT_EQ(v[8 * 3 + 6], 1.0f);
    EXPECT_FLOAT_EQ(v[8 * 3 + 7], 1.0f);
    pBuffer.Reset();

    D3DMATRIX view{};
    m_Device.GetTransform(D3DTS_VIEW, &view);
    // Eye at z = -2d with d = sqrt(0.25 + 1).
    EXPECT_NEAR(view._43, 2.0f * std::sqrt(1.25f), 1e-5f);
    D3DMATRIX projection{};
    m_Device.GetTransform(D3DTS_PROJECTION, &projection);
    // Aspect of the target, 16:9: x scale = y scale / aspect.
    EXPECT_NEAR(projection._11 * 16.0f / 9.0f, projection._22, 1e-5f);
}

TEST_F(Sprite, NothingIsDrawnWithoutAPicture)
{
    FindProperty<COrvPropString>(m_pMaterial, ORV_PROP_TEXTURE_NAME_0)->SetValue("nothing");
    m_Device.ClearCalls();
    m_pSprite->Draw();
    EXPECT_EQ(m_Device.CountCalls("DrawPrimitive"), 0u);
    FindProperty<COrvPropString>(m_pSprite, ORV_PROP_MATERIAL_NAME)->SetValue("picture");
    m_pSprite->Draw();
    EXPECT_EQ(m_Device.CountCalls("DrawPrimitive"), 0u);
    // Drags are ignored as well.
    m_pSprite->MouseDown(0.0f, 0.0f);
    m_pSprite->MouseMove(50.0f, 50.0f, 0x2);
    EXPECT_EQ(Translation().x, 0.0f);
}

TEST_F(Sprite, DragsMoveAndTurnTheSprite)
{
    COrvPropBase::SetFrame(0.0f);
    m_pSprite->MouseDown(100.0f, 100.0f);
    m_pSprite->MouseMove(120.0f, 90.0f, 0x2); // right button: sideways
    EXPECT_FLOAT_EQ(Translation().x, 0.2f);
    EXPECT_FLOAT_EQ(Translation().y, 0.1f);
    m_pSprite->MouseMove(120.0f, 140.0f, 0x10); // middle button: depth
    EXPECT_FLOAT_EQ(Translation().z, -0.5f);
    // Left and right together only turn.
    m_pSprite->MouseMove(120.0f, 140.0f + 157.0796f, 0x3);
    EXPECT_FLOAT_EQ(Translation().y, 0.1f);
    const D3DXQUATERNION r = Rotation();
    // A turn of -1.570796 rad about x.
    EXPECT_NEAR(r.x, -std::sqrt(0.5f), 1e-4f);
    EXPECT_NEAR(r.w, std::sqrt(0.5f), 1e-4f);
    // Animated properties: the drag left keys at the current frame.
    EXPECT_EQ(FindProperty<COrvPropVector>(m_pSprite, ORV_PROP_TRANSLATION)->GetTrack().size(), 1u);
}

TEST(SpriteDefaults, ANewLayerHasTheBaseSwitchesAndNoRotation)
{
    COrvDemo demo;
    COrvModifiable* pSprite = demo.AddLayerSprite();
    EXPECT_EQ(pSprite->GetClass(), "COrvLayerSprite");
    const std::vector<ORV_PROP_ID> order = {
        ORV_PROP_NAME,        ORV_PROP_VISIBLE,       ORV_PROP_VISIBLE_TRACK,
        ORV_PROP_CLEAR_FIRST, ORV_PROP_RENDER_TARGET, ORV_PROP_MATERIAL_NAME,
        ORV_PROP_MESH_NAME,   ORV_PROP_TRANSLATION,   ORV_PROP_ROTATION};
    ASSERT_EQ(pSprite->GetProperties().size(), order.size());
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(pSprite->GetProperties()[i]->GetPropId(), order[i]);
    EXPECT_EQ(static_cast<COrvLayer*>(pSprite)->GetRenderTarget(), "OUTPUT");
    EXPECT_TRUE(static_cast<COrvLayer*>(pSprite)->IsVisible());
    EXPECT_EQ(FindProperty<COrvPropQuat>(pSprite, ORV_PROP_ROTATION)->GetValue().w, 1.0f);
    // The base's pointer operations do nothing.
    static_cast<COrvLayer*>(pSprite)->MouseUp(5.0f, 5.0f);
}
