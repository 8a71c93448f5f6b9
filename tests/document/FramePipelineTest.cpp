#include "OrvTestDemo.h"
#include "RecordingDevice.h"

#include <gtest/gtest.h>

namespace
{
// A layer that draws nothing and notes the target it was given.
class CProbeLayer : public COrvLayer
{
public:
    explicit CProbeLayer(COrvDemo* pDemo) : COrvLayer(pDemo) {}
    void Draw() override
    {
        COrvComPtr<IDirect3DSurface9> pTarget;
        m_pDevice->GetRenderTarget(0, pTarget.ReleaseAndGetAddressOf());
        m_Targets.push_back(static_cast<CRecordingDevice*>(m_pDevice)->Label(pTarget.Get()));
        pTarget.Reset();
    }
    std::vector<std::string> m_Targets;
};

// Stands for a post-process layer that reads the render target named by its input.
class CFakePostProcess : public CProbeLayer
{
public:
    CFakePostProcess(COrvDemo* pDemo, std::string input)
        : CProbeLayer(pDemo), m_Input(std::move(input))
    {
    }
    bool GetInputSurface(std::string& name) const override
    {
        name = m_Input;
        return true;
    }
    std::string m_Input;
};

template <typename T, typename... A> T* Add(COrvDemo& demo, A... args)
{
    T* pLayer = new T(&demo, args...);
    demo.AddLayer(pLayer);
    return pLayer;
}

class FramePipeline : public ::testing::Test
{
protected:
    void TearDown() override { m_Demo.SetDevice(nullptr); }
    void Frame(float time = 0.0f)
    {
        m_Device.ClearCalls();
        m_Demo.DrawFrame(time);
    }
    std::vector<std::string> Sequence()
    {
        return m_Device.CallsNamed(
            {"SetRenderTarget", "SetViewport", "BeginScene", "Clear", "EndScene"});
    }

    CRecordingDevice m_Device{1280, 1024};
    COrvDemo m_Demo;
};
} // namespace

TEST_F(FramePipeline, InvisibleLayersGiveAFrameWithoutScenes)
{
    m_Demo.SetDevice(&m_Device);
    CProbeLayer* pLayer = Add<CProbeLayer>(m_Demo);
    SetBool(pLayer, ORV_PROP_VISIBLE, false);
    Frame();
    EXPECT_EQ(m_Device.CallsNamed(), (std::vector<std::string>{
                                         "GetRenderTarget 0",
                                         "Clear 0 3 4278190080 1 0",
                                         "SetRenderTarget 0 backbuffer",
                                     }));
    // The second pending clear, then none.
    Frame();
    EXPECT_EQ(m_Device.CountCalls("Clear"), 1u);
    Frame();
    EXPECT_EQ(m_Device.CountCalls("Clear"), 0u);
    EXPECT_TRUE(pLayer->m_Targets.empty());
}

TEST_F(FramePipeline, VisibilityNeedsBothSwitches)
{
    m_Demo.SetDevice(&m_Device);
    CProbeLayer* pHidden = Add<CProbeLayer>(m_Demo);
    CProbeLayer* pTrackOff = Add<CProbeLayer>(m_Demo);
    CProbeLayer* pShown = Add<CProbeLayer>(m_Demo);
    SetBool(pHidden, ORV_PROP_VISIBLE, false);
    // A key that turns the track on at frame 10 does not override "Visible".
    FindProperty<COrvPropBool>(pHidden, ORV_PROP_VISIBLE_TRACK)->SetDefaultValue(false);
    auto* pTrack = FindProperty<COrvPropBool>(pTrackOff, ORV_PROP_VISIBLE_TRACK);
    pTrack->SetDefaultValue(false);
    COrvPropBase::SetFrame(10.0f);
    pTrack->SetValue(true);
    FindProperty<COrvPropBool>(pHidden, ORV_PROP_VISIBLE_TRACK)->SetValue(true);
    Frame(9.5f);
    EXPECT_TRUE(pHidden->m_Targets.empty());
    EXPECT_TRUE(pTrackOff->m_Targets.empty());
    EXPECT_EQ(pShown->m_Targets.size(), 1u);
    Frame(10.0f);
    EXPECT_TRUE(pHidden->m_Targets.empty());
    EXPECT_EQ(pTrackOff->m_Targets.size(), 1u);
}

TEST_F(FramePipeline, OutputIsA16By9BandWithItsOwnSceneAndClear)
{
    m_Demo.SetDevice(&m_Device);
    Add<CProbeLayer>(m_Demo);
    Frame();
    EXPECT_EQ(Sequence(), (std::vector<std::string>{
                              "Clear 0 3 4278190080 1 0",
                              "SetRenderTarget 0 backbuffer",
                              "SetViewport 0 152 1280 720 0 1",
                              "BeginScene",
                              "Clear 0 3 4278190080 1 0",
                              "EndScene",
                              "SetRenderTarget 0 backbuffer",
                          }));
    EXPECT_EQ(m_Device.GetLiveObjects(), 0);
}

TEST(FramePipelineViewport, LetterBoxAndPillarBox)
{
    auto text = [](const D3DVIEWPORT9& v)
    {
        return std::to_string(v.X) + " " + std::to_string(v.Y) + " " + std::to_string(v.Width) +
               " " + std::to_string(v.Height);
    };
    EXPECT_EQ(text(OrvOutputViewport(1280, 1024)), "0 152 1280 720");
    EXPECT_EQ(text(OrvOutputViewport(1280, 720)), "0 0 1280 720");
    EXPECT_EQ(text(OrvOutputViewport(800, 600)), "0 75 800 450");
    // Wider than 16:9: the full height, centred across.
    EXPECT_EQ(text(OrvOutputViewport(2560, 1080)), "320 0 1920 1080");
    EXPECT_EQ(text(OrvOutputViewport(1000, 100)), "411 0 177 100");
    EXPECT_EQ(text(OrvOutputViewport(0, 0)), "0 0 0 0");
}

TEST(FramePipelineViewport, AWideBackBufferGetsAViewportTheDeviceAccepts)
{
    CRecordingDevice device(2560, 1080);
    COrvDemo demo;
    demo.SetDevice(&device);
    demo.AddLayerSprite();
    demo.DrawFrame(0.0f);
    EXPECT_EQ(device.CallsNamed({"SetViewport"}),
              std::vector<std::string>{"SetViewport 320 0 1920 1080 0 1"});
    demo.SetDevice(nullptr);
}

TEST_F(FramePipeline, RenderTargetResourcesGetTheWholeSurface)
{
    m_Demo.SetDevice(&m_Device);
    COrvResRenderTarget* pTarget = AddTarget(m_Demo, "rt", 256, 128);
    CProbeLayer* pLayer = Add<CProbeLayer>(m_Demo);
    SetString(pLayer, ORV_PROP_RENDER_TARGET, "rt");
    SetBool(pLayer, ORV_PROP_CLEAR_FIRST, false);
    Frame();
    const std::string surface = m_Device.Label(pTarget->GetSurface());
    EXPECT_EQ(Sequence(), (std::vector<std::string>{
                              "Clear 0 3 4278190080 1 0",
                              "SetRenderTarget 0 " + surface,
                              "SetViewport 0 0 256 128 0 1",
                              "BeginScene",
                              "EndScene",
                              "SetRenderTarget 0 backbuffer",
                          }));
    EXPECT_EQ(pLayer->m_Targets, std::vector<std::string>{surface});
}

TEST_F(FramePipeline, UnknownTargetsFallBackToTheWholeBackBuffer)
{
    m_Demo.SetDevice(&m_Device);
    AddTarget(m_Demo, "empty", 0, 0); // no surface
    m_Demo.AddResImage()->SetName("picture");
    CProbeLayer* pMissing = Add<CProbeLayer>(m_Demo);
    CProbeLayer* pEmpty = Add<CProbeLayer>(m_Demo);
    CProbeLayer* pNotATarget = Add<CProbeLayer>(m_Demo);
    SetString(pMissing, ORV_PROP_RENDER_TARGET, "nowhere");
    SetString(pEmpty, ORV_PROP_RENDER_TARGET, "empty");
    SetString(pNotATarget, ORV_PROP_RENDER_TARGET, "picture");
    Frame();
    EXPECT_EQ(m_Device.CallsNamed({"SetViewport"}),
              std::vector<std::string>(3, "SetViewport 0 0 1280 1024 0 1"));
    for (CProbeLayer* pLayer : {pMissing, pEmpty, pNotATarget})
        EXPECT_EQ(pLayer->m_Targets, std::vector<std::string>{"backbuffer"});
}

TEST_F(FramePipeline, NextFollowsThePostProcessChain)
{
    m_Demo.SetDevice(&m_Device);
    COrvResRenderTarget* pIn = AddTarget(m_Demo, "in", 64, 64);
    COrvResRenderTarget* pOut = AddTarget(m_Demo, "out", 32, 32);
    CProbeLayer* pA = Add<CProbeLayer>(m_Demo);
    SetString(pA, ORV_PROP_RENDER_TARGET, "NEXT");
    Add<CProbeLayer>(m_Demo); // an ordinary layer is not looked at
    CFakePostProcess* pB = Add<CFakePostProcess>(m_Demo, std::string("unused"));
    SetBool(pB, ORV_PROP_VISIBLE, false);
    SetString(pB, ORV_PROP_RENDER_TARGET, "out");
    CFakePostProcess* pC = Add<CFakePostProcess>(m_Demo, std::string("in"));

    Frame();
    ASSERT_EQ(pA->m_Targets.size(), 1u);
    EXPECT_EQ(pA->m_Targets[0], m_Device.Label(pIn->GetSurface()));

    // With C hidden too, A draws where the last hidden one would have drawn.
    SetBool(pC, ORV_PROP_VISIBLE, false);
    SetString(pC, ORV_PROP_RENDER_TARGET, "OUTPUT");
    Frame();
    EXPECT_EQ(pA->m_Targets.back(), "backbuffer");
    EXPECT_EQ(m_Device.CallsNamed({"SetViewport"}).front(), "SetViewport 0 152 1280 720 0 1");

    SetString(pC, ORV_PROP_RENDER_TARGET, "ignored");
    SetBool(pC, ORV_PROP_VISIBLE_TRACK, false);
    SetString(pB, ORV_PROP_RENDER_TARGET, "out");
    m_Demo.CutModifiable(pC);
    Frame();
    EXPECT_EQ(pA->m_Targets.back(), m_Device.Label(pOut->GetSurface()));
}

TEST_F(FramePipeline, NextWithoutPostProcessDrawsToTheWholeBackBuffer)
{
    m_Demo.SetDevice(&m_Device);
    CProbeLayer* pA = Add<CProbeLayer>(m_Demo);
    SetString(pA, ORV_PROP_RENDER_TARGET, "NEXT");
    Add<CProbeLayer>(m_Demo);
    Frame();
    EXPECT_EQ(pA->m_Targets.front(), "backbuffer");
    EXPECT_EQ(m_Device.CallsNamed({"SetViewport"}).front(), "SetViewport 0 0 1280 1024 0 1");
    // ...unless a render target is literally named "NEXT".
    COrvResRenderTarget* pNext = AddTarget(m_Demo, "NEXT", 16, 16);
    Frame();
    EXPECT_EQ(pA->m_Targets.back(), m_Device.Label(pNext->GetSurface()));
}

TEST_F(FramePipeline, SetDeviceHandsTheDeviceOnceAndDropsDeviceObjects)
{
    m_Demo.SetDevice(&m_Device);
    COrvResRenderTarget* pTarget = AddTarget(m_Demo, "rt", 64, 64);
    CProbeLayer* pLayer = Add<CProbeLayer>(m_Demo);
    Frame();
    ASSERT_NE(pTarget->GetSurface(), nullptr);
    IDirect3DSurface9* pSurface = pTarget->GetSurface();
    m_Demo.SetDevice(&m_Device); // the same device: nothing changes
    EXPECT_EQ(pTarget->GetSurface(), pSurface);

    CRecordingDevice other(640, 480);
    m_Demo.SetDevice(&other);
    EXPECT_EQ(pTarget->GetSurface(), nullptr);
    EXPECT_EQ(pLayer->GetDevice(), &other);
    EXPECT_EQ(m_Device.GetLiveObjects(), 0);
    m_Demo.DrawFrame(0.0f);
    EXPECT_NE(pTarget->GetSurface(), nullptr);
    EXPECT_EQ(other.CountCalls("CreateTexture"), 1u);
    m_Demo.SetDevice(nullptr);
    EXPECT_EQ(other.GetLiveObjects(), 0);
}

TEST_F(FramePipeline, FramePublishesTheTimeAndTheBackBufferFormat)
{
    CRecordingDevice device(320, 240, D3DFMT_X8R8G8B8);
    m_Demo.SetDevice(&device);
    m_Demo.DrawFrame(37.5f);
    EXPECT_EQ(COrvPropBase::m_siFrame, 37.5f);
    EXPECT_EQ(COrvDemo::GetBackBufferFormat(), D3DFMT_X8R8G8B8);
    // Render targets take that format.
    AddTarget(m_Demo, "rt", 8, 8);
    m_Demo.DrawFrame(38.0f);
    EXPECT_EQ(device.CallsNamed({"CreateTexture"}).back(), "CreateTexture 8 8 1 1 22 0");
    m_Demo.SetDevice(nullptr);
}
