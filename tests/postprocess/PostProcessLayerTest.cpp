// Post-process layers on the recording device: effects, states, rectangle, targets, the
// "NEXT" routing through them and the editing of their parameters.
#include "OrvTestDemo.h"
#include "RecordingEffect.h"

#include <cstdio>
#include <fstream>

namespace
{
class PostProcessLayer : public ::testing::Test
{
protected:
    void SetUp() override { COrvPropBase::SetFrame(0.0f); }
    void TearDown() override { m_pDemo->SetDevice(nullptr); }

    template <typename T> T* Add(COrvModifiable* (COrvDemo::*pFactory)())
    {
        return static_cast<T*>((m_pDemo.get()->*pFactory)());
    }
    float GetFloat(COrvLayerPPBase* pLayer, const char* pName)
    {
        float value = -1.0f;
        pLayer->GetEffect()->GetFloat(pName, &value);
        return value;
    }
    void Frame(float time = 0.0f)
    {
        ClearCalls();
        m_pDemo->DrawFrame(time);
    }
    void ClearCalls()
    {
        m_Device.ClearCalls();
        ClearEffectCalls();
    }

    CDemoFolder m_Folder{"postprocess"};
    CRecordingDevice m_Device{800, 600};
    std::unique_ptr<COrvDemo> m_pDemo = std::make_unique<COrvDemo>();
};

const std::string RECTANGLE_FVF = "SetFVF 16642"; // XYZW and one texture pair
const std::string STRIP = "DrawPrimitiveUP 5 2 24";
} // namespace

TEST_F(PostProcessLayer, EffectsAreFoundInTheDataFolderWhateverDirectoryIsCurrent)
{
    std::filesystem::current_path("/");
    m_pDemo->SetDevice(&m_Device);
    std::vector<COrvLayerPPBase*> layers = {Add<COrvLayerPPBase>(&COrvDemo::AddLayerPPBlackWhite),
                                            Add<COrvLayerPPBase>(&COrvDemo::AddLayerPPFishEye),
                                            Add<COrvLayerPPBase>(&COrvDemo::AddLayerPPRadialBlur),
                                            Add<COrvLayerPPBase>(&COrvDemo::AddLayerPPWave),
                                            Add<COrvLayerPPBase>(&COrvDemo::AddLayerPPBloom)};
    const std::vector<std::string> files = {"ppBlackWhite.fx", "ppFishEye.fx", "ppRadialBlur.fx",
                                            "ppWave.fx", "ppBloom.fx"};
    for (size_t i = 0; i < layers.size(); ++i)
    {
        EXPECT_EQ(layers[i]->GetEffectFileName(), files[i]);
        EXPECT_NE(layers[i]->GetEffect(), nullptr) << files[i];
    }
    // Without a device there is no effect; a layer without effect draws nothing.
    m_pDemo->SetDevice(nullptr);
    for (COrvLayerPPBase* pLayer : layers)
        EXPECT_EQ(pLayer->GetEffect(), nullptr);

    std::filesystem::remove(m_Folder.Data() / "ppFishEye.fx");
    m_pDemo->SetDevice(&m_Device);
    EXPECT_EQ(layers[1]->GetEffect(), nullptr);
    ClearCalls();
    layers[1]->Draw();
    EXPECT_EQ(m_Device.GetCalls().size(), 0u);
}

TEST_F(PostProcessLayer, AnEffectThatDoesNotCompileLeavesTheLayerWithout)
{
    std::ofstream(m_Folder.Data() / "ppWave.fx") << "float4 PS() : COLOR0 { return oops; }\n"
                                                    "technique PostProcess { pass P0 { "
                                                    "PixelShader = compile ps_2_0 PS(); } }\n";
    m_pDemo->SetDevice(&m_Device);
    auto* pWave = Add<COrvLayerPPWave>(&COrvDemo::AddLayerPPWave);
    const float timer = COrvLayerPPWave::GetTimer();
    ClearCalls();
    pWave->Draw();
    EXPECT_EQ(pWave->GetEffect(), nullptr);
    EXPECT_EQ(m_Device.GetCalls().size(), 0u);
    EXPECT_EQ(COrvLayerPPWave::GetTimer(), timer);
}

TEST_F(PostProcessLayer, BaseDrawIsTheRectangleBetweenItsStates)
{
    m_pDemo->SetDevice(&m_Device);
    COrvResRenderTarget* pInput = AddTarget(*m_pDemo, "in", 64, 32);
    auto* pLayer = Add<COrvLayerPPBlackWhite>(&COrvDemo::AddLayerPPBlackWhite);
    SetString(pLayer, ORV_PROP_INPUT_SURFACE, "in");
    ClearCalls();
    pLayer->Draw();
    const std::vector<std::string> expected = {
        "Effect.SetTexture Tex " + m_Device.Label(pInput->GetTexture()),
        "SetRenderState D3DRS_ZENABLE 0",          // no depth test
        "SetRenderState D3DRS_ALPHABLENDENABLE 0", // no blending
        "SetRenderState D3DRS_LIGHTING 0",         // no lighting
        "Effect.SetTechnique PostProcess",
        RECTANGLE_FVF,
        "Effect.Begin 0",
        "Effect.BeginPass 0",
        STRIP,
        "Effect.EndPass",
        "Effect.End",
        "SetRenderState D3DRS_ZENABLE 1", // depth test back on
    };
    EXPECT_EQ(CallsWithEffects(m_Device), expected);

    // An input that names nothing still draws the rectangle, with no texture.
    SetString(pLayer, ORV_PROP_INPUT_SURFACE, "");
    ClearCalls();
    pLayer->Draw();
    EXPECT_EQ(CallsWithEffects(m_Device, {"Effect.SetTexture", "DrawPrimitiveUP"}),
              (std::vector<std::string>{"Effect.SetTexture Tex null", STRIP}));
}

TEST_F(PostProcessLayer, NextRoutesThroughVisibleAndHiddenPostProcessLayers)
{
    m_pDemo->SetDevice(&m_Device);
    AddTarget(*m_pDemo, "source", 64, 64);
    COrvResRenderTarget* pB = AddTarget(*m_pDemo, "rtB", 32, 32);
    COrvResRenderTarget* pC = AddTarget(*m_pDemo, "rtC", 48, 48);
    auto* pA = Add<COrvLayerPPBlackWhite>(&COrvDemo::AddLayerPPBlackWhite);
    SetString(pA, ORV_PROP_INPUT_SURFACE, "source");
    SetString(pA, ORV_PROP_RENDER_TARGET, "NEXT");
    // The generic layer does not take part in the routing.
    auto* pGeneric = Add<COrvLayer>(&COrvDemo::AddLayerPostProcess);
    SetString(pGeneric, ORV_PROP_RENDER_TARGET, "rtB");
    auto* pHidden = Add<COrvLayerPPFishEye>(&COrvDemo::AddLayerPPFishEye);
    SetBool(pHidden, ORV_PROP_VISIBLE, false);
    SetString(pHidden, ORV_PROP_RENDER_TARGET, "rtB");
    auto* pBloom = Add<COrvLayerPPBloom>(&COrvDemo::AddLayerPPBloom);
    SetString(pBloom, ORV_PROP_INPUT_SURFACE, "rtC");

    // A draws where the first visible post-process layer reads.
    Frame();
    std::vector<std::string> targets = m_Device.CallsNamed({"SetRenderTarget"});
    ASSERT_FALSE(targets.empty());
    EXPECT_EQ(targets[0], "SetRenderTarget 0 " + m_Device.Label(pC->GetSurface()));

    // With the bloom hidden too, A draws where the last hidden one would have drawn.
    SetBool(pBloom, ORV_PROP_VISIBLE_TRACK, false);
    SetString(pBloom, ORV_PROP_RENDER_TARGET, "OUTPUT");
    Frame();
    targets = m_Device.CallsNamed({"SetRenderTarget"});
    EXPECT_EQ(targets[0], "SetRenderTarget 0 backbuffer");
    EXPECT_EQ(m_Device.CallsNamed({"SetViewport"}).front(), "SetViewport 0 75 800 450 0 1");

    m_pDemo->CutModifiable(pBloom);
    Frame();
    targets = m_Device.CallsNamed({"SetRenderTarget"});
    EXPECT_EQ(targets[0], "SetRenderTarget 0 " + m_Device.Label(pB->GetSurface()));
}

TEST_F(PostProcessLayer, BloomOwnsThreeSmallTargetsAndDrawsFourSteps)
{
    m_pDemo->SetDevice(&m_Device);
    COrvResRenderTarget* pInput = AddTarget(*m_pDemo, "in", 320, 180);
    ClearCalls();
    auto* pBloom = Add<COrvLayerPPBloom>(&COrvDemo::AddLayerPPBloom);
    SetString(pBloom, ORV_PROP_INPUT_SURFACE, "in");
    EXPECT_EQ(m_Device.CallsNamed({"CreateTexture"}),
              std::vector<std::string>(3, "CreateTexture 64 36 1 1 21 0"));
    const int live = m_Device.GetLiveObjects();
    // The same device again makes new targets (and a new effect) in place of the old.
    ClearCalls();
    pBloom->SetDevice(&m_Device);
    EXPECT_EQ(m_Device.CountCalls("CreateTexture"), 3u);
    EXPECT_EQ(m_Device.GetLiveObjects(), live);
    ASSERT_NE(pBloom->GetEffect(), nullptr);

    // The three small textures: the last three made, and their level-0 surfaces.
    std::vector<std::string> small;
    for (int i = 0; i < 3; ++i)
        small.push_back(m_Device.Label(pBloom->GetSmallTexture(i)));

    D3DVIEWPORT9 band = {0, 75, 800, 450, 0.0f, 1.0f};
    m_Device.SetViewport(&band);
    ClearCalls();
    pBloom->Draw();
    const std::string input = m_Device.Label(pInput->GetTexture());
    const std::vector<std::string> expected = {
        "SetRenderTarget 0 " + m_Device.Label(pBloom->GetSmallSurface(0)),
        "Effect.SetTexture Tex " + input,
        "Effect.SetTechnique PostProcessDown",
        STRIP,
        "SetRenderTarget 0 " + m_Device.Label(pBloom->GetSmallSurface(1)),
        "Effect.SetTexture Tex " + small[0],
        "Effect.SetTechnique PostProcessVBlur",
        STRIP,
        "SetRenderTarget 0 " + m_Device.Label(pBloom->GetSmallSurface(2)),
        "Effect.SetTexture Tex " + small[1],
        "Effect.SetTechnique PostProcessHBlur",
        STRIP,
        "SetRenderTarget 0 backbuffer",
        "SetViewport 0 75 800 450 0 1", // the frame's viewport, for the combine step
        "Effect.SetTexture Tex " + small[2],
        "Effect.SetTexture Tex1 " + input,
        "Effect.SetTechnique PostProcessCombine",
        STRIP,
    };
    EXPECT_EQ(CallsWithEffects(m_Device, {"SetRenderTarget", "SetViewport", "Effect.SetTexture",
                                          "Effect.SetTechnique", "DrawPrimitiveUP"}),
              expected);
    // The combine step keeps the offsets of the last small step: texels of a 64 × 36 target.
    D3DXVECTOR4 texels[13];
    pBloom->GetEffect()->GetVectorArray("HBlurTexels", texels, 13);
    EXPECT_FLOAT_EQ(texels[0].x, (-6.0f + 0.5f) / 64.0f);
    EXPECT_FLOAT_EQ(texels[0].y, 0.5f / 36.0f);

    // Without input nothing at all happens.
    SetString(pBloom, ORV_PROP_INPUT_SURFACE, "nothing");
    ClearCalls();
    pBloom->Draw();
    EXPECT_EQ(CallsWithEffects(m_Device).size(), 0u);
    (void)pInput;
}

TEST_F(PostProcessLayer, PixelOffsetsBecomeTexelOffsetsOfTextureZero)
{
    std::ofstream(m_Folder.Data() / "offsets.fx")
        << "float2 Pixels[2] = {-1, 0, 1, 0};\n"
           "float2 Texels[2] < string ConvertPixelsToTexels = \"Pixels\"; >;\n"
           "float du; float dv;\n"
           "float4x4 World; float4x4 ViewProjection;\n"
           "texture Tex;\n"
           "sampler2D S = sampler_state { Texture = <Tex>; };\n"
           "float4 VS(float3 p : POSITION) : POSITION { return mul(mul(float4(p, 1), World), "
           "ViewProjection); }\n"
           "float4 PS() : COLOR0 { return tex2D(S, Texels[0] + Texels[1] + float2(du, dv)); }\n"
           "technique T { pass P { VertexShader = compile vs_2_0 VS(); "
           "PixelShader = compile ps_2_0 PS(); } }\n";
    m_pDemo->SetDevice(&m_Device);
    AddTarget(*m_pDemo, "picture", 640, 480);
    auto* pShader = static_cast<COrvResShader*>(m_pDemo->AddResShader());
    pShader->SetName("offsets");
    pShader->SetFileName("offsets.fx");
    pShader->Update();
    ID3DXEffect* pEffect = pShader->GetEffect();
    ASSERT_NE(pEffect, nullptr);
    auto* pMaterial = m_pDemo->AddResMaterial();
    pMaterial->SetName("look");
    SetString(pMaterial, ORV_PROP_SHADER_NAME, "offsets");
    SetString(pMaterial, ORV_PROP_TEXTURE_NAME_0, "picture");
    auto* pPost = Add<COrvLayer>(&COrvDemo::AddLayerPostProcess);
    SetString(pPost, ORV_PROP_MATERIAL_NAME, "look");

    pPost->Draw();
    D3DXVECTOR4 texels[2];
    ASSERT_EQ(pEffect->GetVectorArray("Texels", texels, 2), S_OK);
    EXPECT_FLOAT_EQ(texels[0].x, -0.5f / 640.0f);
    EXPECT_FLOAT_EQ(texels[0].y, 0.5f / 480.0f);
    EXPECT_FLOAT_EQ(texels[1].x, 1.5f / 640.0f);
    EXPECT_FLOAT_EQ(texels[1].y, 0.5f / 480.0f);
    float du = 0.0f, dv = 0.0f;
    pEffect->GetFloat("du", &du);
    pEffect->GetFloat("dv", &dv);
    EXPECT_FLOAT_EQ(du, 1.0f / 640.0f);
    EXPECT_FLOAT_EQ(dv, 1.0f / 480.0f);
    // The quad covers the viewport: identity transforms.
    D3DXMATRIX view;
    m_Device.GetTransform(D3DTS_VIEW, &view);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&view));
    EXPECT_GT(m_Device.CountCalls("DrawPrimitive"), 0u);

    // Without texture 0 the offsets only gain half a pixel.
    SetString(pMaterial, ORV_PROP_TEXTURE_NAME_0, "");
    pPost->Draw();
    pEffect->GetVectorArray("Texels", texels, 2);
    EXPECT_FLOAT_EQ(texels[0].x, -0.5f);
    EXPECT_FLOAT_EQ(texels[1].x, 1.5f);
    EXPECT_FLOAT_EQ(texels[1].y, 0.5f);
}

TEST_F(PostProcessLayer, ParametersFollowTheirProperties)
{
    m_pDemo->SetDevice(&m_Device);
    AddTarget(*m_pDemo, "in", 64, 64);
    auto* pFishEye = Add<COrvLayerPPFishEye>(&COrvDemo::AddLayerPPFishEye);
    auto* pBlur = Add<COrvLayerPPRadialBlur>(&COrvDemo::AddLayerPPRadialBlur);
    auto* pWave1 = Add<COrvLayerPPWave>(&COrvDemo::AddLayerPPWave);
    auto* pWave2 = Add<COrvLayerPPWave>(&COrvDemo::AddLayerPPWave);
    for (COrvLayerPPBase* pLayer :
         std::initializer_list<COrvLayerPPBase*>{pFishEye, pBlur, pWave1, pWave2})
    {
        SetString(pLayer, ORV_PROP_INPUT_SURFACE, "in");
        SetString(pLayer, ORV_PROP_RENDER_TARGET, "in");
        SetBool(pLayer, ORV_PROP_CLEAR_FIRST, false);
    }
    FindProperty<COrvPropFloat>(pFishEye, ORV_PROP_POWER)->SetDefaultValue(0.75f);
    FindProperty<COrvPropFloat>(pBlur, ORV_PROP_POWER)->SetDefaultValue(0.3f);
    FindProperty<COrvPropVector>(pBlur, ORV_PROP_CENTER)
        ->SetDefaultValue(D3DXVECTOR3(0.25f, 0.6f, 9.0f));
    FindProperty<COrvPropFloat>(pWave2, ORV_PROP_FREQUENCY)->SetDefaultValue(12.0f);
    FindProperty<COrvPropFloat>(pWave2, ORV_PROP_OFFSET)->SetDefaultValue(2.5f);

    COrvLayerPPWave::SetTimer(1.0f);
    Frame();
    EXPECT_FLOAT_EQ(GetFloat(pFishEye, "Power"), 0.75f);
    EXPECT_FLOAT_EQ(GetFloat(pBlur, "BlurWidth"), 0.3f);
    float center[2] = {};
    pBlur->GetEffect()->GetFloatArray("Center", center, 2);
    EXPECT_FLOAT_EQ(center[0], 0.25f);
    EXPECT_FLOAT_EQ(center[1], 0.6f);
    // The wave timer is one for the process: each drawn wave layer moves it on.
    EXPECT_FLOAT_EQ(GetFloat(pWave1, "Timer"), 1.01f);
    EXPECT_FLOAT_EQ(GetFloat(pWave2, "Timer"), 1.02f);
    EXPECT_FLOAT_EQ(GetFloat(pWave2, "Freq"), 12.0f);
    EXPECT_FLOAT_EQ(GetFloat(pWave2, "Offset"), 2.5f);
    EXPECT_FLOAT_EQ(GetFloat(pWave1, "Freq"), 1.0f);
    pWave1->GetEffect()->GetFloatArray("Center", center, 2);
    EXPECT_EQ(center[0], 0.0f);
    Frame();
    EXPECT_FLOAT_EQ(GetFloat(pWave2, "Timer"), 1.04f);
}

TEST_F(PostProcessLayer, ClicksPlaceTheRadialBlurCentre)
{
    auto* pBlur = Add<COrvLayerPPRadialBlur>(&COrvDemo::AddLayerPPRadialBlur);
    auto center = [&] { return FindProperty<COrvPropVector>(pBlur, ORV_PROP_CENTER)->GetValue(); };
    EXPECT_EQ(center(), D3DXVECTOR3(0.5f, 0.5f, 0.0f));
    pBlur->MouseDown(200.0f, 450.0f);
    EXPECT_EQ(center(), D3DXVECTOR3(0.25f, 0.75f, 0.0f));
    pBlur->MouseDown(400.0f, 300.0f);
    EXPECT_EQ(center(), D3DXVECTOR3(0.5f, 0.5f, 0.0f));
    pBlur->MouseMove(0.0f, 0.0f, 0x2);
    EXPECT_EQ(center(), D3DXVECTOR3(0.5f, 0.5f, 0.0f));
    pBlur->MouseMove(80.0f, 60.0f, 0x1 | 0x2);
    EXPECT_EQ(center(), D3DXVECTOR3(0.1f, 0.1f, 0.0f));
    // An output without size leaves the centre where it is.
    m_pDemo->SetOutputSize(0, 0);
    pBlur->MouseDown(10.0f, 10.0f);
    EXPECT_EQ(center(), D3DXVECTOR3(0.1f, 0.1f, 0.0f));
}
