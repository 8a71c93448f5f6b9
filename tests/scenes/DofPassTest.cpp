// The depth-of-field pass on the recording device: targets, the effect's parameters, the
// quad, capture and composite, and what happens when a part of it is missing.
#include "RecordingEffect.h"
#include "SceneTestSupport.h"

#include "RecordingDevice.h"

#include <filesystem>
#include <fstream>

namespace
{
class DofPassTest : public ::testing::Test
{
protected:
    void SetUp() override { std::filesystem::current_path(m_Folder.Data()); }
    void TearDown() override
    {
        DofSetDevice(&m_Dof, nullptr, 0);
        ClearEffectCalls();
    }
    D3DXVECTOR4 Vector(const char* pName)
    {
        D3DXVECTOR4 value(-1.0f, -1.0f, -1.0f, -1.0f);
        m_Dof.m_pEffect->GetVector(pName, &value);
        return value;
    }
    void ClearCalls()
    {
        m_Device.ClearCalls();
        ClearEffectCalls();
    }

    CDemoFolder m_Folder{"dof"};
    CRecordingDevice m_Device{1280, 720};
    DofPass m_Dof;
};

// Both targets exist, bound together, at the size of the output's 16:9 band; the sample's
// effect takes its taps at half that size.
TEST_F(DofPassTest, A1280WideOutputGives1280x720TargetsAndTheirScale)
{
    ASSERT_EQ(DofSetDevice(&m_Dof, &m_Device, 1280), S_OK);
    EXPECT_EQ(m_Device.CallsNamed({"CreateVertexDeclaration", "CreateTexture"}),
              (std::vector<std::string>{
                  "CreateVertexDeclaration", "CreateTexture 1280 720 1 1 21 0",
                  "CreateTexture 1280 720 1 1 112 0", "CreateTexture 640 360 1 1 21 0"}));
    EXPECT_EQ(m_Dof.m_uWidth, 1280u);
    EXPECT_EQ(m_Dof.m_uHeight, 720u);
    ASSERT_TRUE(DofIsReady(&m_Dof));

    const D3DXVECTOR4 scale = Vector("viewportScale");
    EXPECT_FLOAT_EQ(scale.x, 0.0015625f);
    EXPECT_NEAR(scale.y, -0.00277778f, 1e-8);
    EXPECT_EQ(scale.z, 1.0f);
    EXPECT_EQ(scale.w, 1.0f);
    EXPECT_EQ(Vector("viewportBias"), D3DXVECTOR4(-1.0f, 1.0f, 0.0f, 0.0f));

    D3DXVECTOR4 taps[12];
    ASSERT_EQ(m_Dof.m_pEffect->GetVectorArray("filterTaps", taps, 12), S_OK);
    EXPECT_FLOAT_EQ(taps[0].x, -0.326212f / 1280.0f);
    EXPECT_FLOAT_EQ(taps[0].y, -0.405805f / 720.0f);
    EXPECT_EQ(taps[0].z, 0.0f);
    EXPECT_FLOAT_EQ(taps[11].x, -0.791559f / 1280.0f);
    EXPECT_FLOAT_EQ(taps[11].y, -0.597705f / 720.0f);

    // The quad covers the target with texel centres on pixel centres.
    EXPECT_EQ(m_Dof.m_Quad[0].x, -0.5f);
    EXPECT_EQ(m_Dof.m_Quad[0].y, 719.5f);
    EXPECT_EQ(m_Dof.m_Quad[0].v, 1.0f);
    EXPECT_EQ(m_Dof.m_Quad[3].x, 1279.5f);
    EXPECT_EQ(m_Dof.m_Quad[3].y, -0.5f);
    EXPECT_EQ(m_Dof.m_Quad[3].u, 1.0f);
    EXPECT_EQ(m_Dof.m_Quad[3].w, 1.0f);
    EXPECT_EQ(m_Dof.m_HalfQuad[0].y, 359.5f);
    EXPECT_EQ(m_Dof.m_HalfQuad[3].x, 639.5f);
    EXPECT_EQ(m_Dof.m_HalfQuad[3].u, 1.0f);
}

TEST_F(DofPassTest, TheHeightIsTheTruncatedSixteenByNineBand)
{
    ASSERT_EQ(DofSetDevice(&m_Dof, &m_Device, 100), S_OK);
    EXPECT_EQ(m_Dof.m_uWidth, 100u);
    EXPECT_EQ(m_Dof.m_uHeight, 56u);
    EXPECT_EQ(m_Device.CountCalls("CreateTexture"), 3u);
    EXPECT_EQ(m_Device.CallsNamed({"CreateTexture"})[0], "CreateTexture 100 56 1 1 21 0");
    EXPECT_EQ(m_Device.CallsNamed({"CreateTexture"})[2], "CreateTexture 50 28 1 1 21 0");
    // An odd size rounds the half-size target up.
    ASSERT_EQ(DofSetDevice(&m_Dof, &m_Device, 98), S_OK); // 98 x 55
    EXPECT_EQ(m_Device.CallsNamed({"CreateTexture"})[5], "CreateTexture 49 28 1 1 21 0");
}

// The taps into the half-size target, with its own viewport and scale, then the full-size
// quad into the device's own target and viewport, which come back.
TEST_F(DofPassTest, CompositeDrawsTheHalfSizeTapsThenTheFullQuad)
{
    ASSERT_EQ(DofSetDevice(&m_Dof, &m_Device, 1280), S_OK);
    m_Dof.m_fMaxCoC = 9.0f;
    ClearCalls();
    DofComposite(&m_Dof);
    float maxCoC = 0.0f;
    m_Dof.m_pEffect->GetFloat("maxCoC", &maxCoC);
    EXPECT_EQ(maxCoC, 4.5f);
    const std::vector<std::string> quad = {"Effect.Begin 0", "Effect.BeginPass 0",
                                           "DrawPrimitiveUP 5 2 24", "Effect.EndPass",
                                           "Effect.End"};
    std::vector<std::string> expected = {
        "Effect.SetTexture tSceneColor " + m_Device.Label(m_Dof.m_pTargetTexture[0].Get()),
        "Effect.SetTexture tBlurDepth " + m_Device.Label(m_Dof.m_pTargetTexture[1].Get()),
        "SetVertexDeclaration " + m_Device.Label(m_Dof.m_pDeclaration.Get()),
        "GetRenderTarget 0",
        "GetViewport",
        "SetRenderTarget 0 " + m_Device.Label(m_Dof.m_pHalfSurface.Get()),
        "SetViewport 0 0 640 360 0 1",
        "Effect.SetTechnique FilterDoFHalf"};
    expected.insert(expected.end(), quad.begin(), quad.end());
    expected.insert(expected.end(),
                    {"SetRenderTarget 0 backbuffer", "SetViewport 0 0 1280 720 0 1",
                     "Effect.SetTexture tHalfBlur " + m_Device.Label(m_Dof.m_pHalfTexture.Get()),
                     "Effect.SetTechnique FilterDoF"});
    expected.insert(expected.end(), quad.begin(), quad.end());
    EXPECT_EQ(CallsWithEffects(m_Device), expected);
    EXPECT_EQ(Vector("viewportScale").x, 0.0015625f) << "the full-size scale is back";
}

// An effect file without the half-size technique: one quad, at full size, as it comes.
TEST_F(DofPassTest, AnEffectWithoutHalfSizeTapsDrawsOneFullQuad)
{
    std::string text = OrvReadFile(m_Folder.Data() / "dof.fx");
    const size_t start = text.find("technique FilterDoFHalf");
    ASSERT_NE(start, std::string::npos);
    text.erase(start, text.find("technique FilterDoF\n") - start);
    OrvWriteFile(m_Folder.Data() / "dof.fx", text);
    ASSERT_EQ(DofSetDevice(&m_Dof, &m_Device, 1280), S_OK);
    EXPECT_EQ(m_Device.CountCalls("CreateTexture"), 2u);
    EXPECT_EQ(m_Dof.m_pHalfSurface, nullptr);
    EXPECT_TRUE(DofIsReady(&m_Dof));
    ClearCalls();
    DofComposite(&m_Dof);
    EXPECT_EQ(
        CallsWithEffects(m_Device),
        (std::vector<std::string>{
            "Effect.SetTexture tSceneColor " + m_Device.Label(m_Dof.m_pTargetTexture[0].Get()),
            "Effect.SetTexture tBlurDepth " + m_Device.Label(m_Dof.m_pTargetTexture[1].Get()),
            "SetVertexDeclaration " + m_Device.Label(m_Dof.m_pDeclaration.Get()),
            "Effect.SetTechnique FilterDoF", "Effect.Begin 0", "Effect.BeginPass 0",
            "DrawPrimitiveUP 5 2 24", "Effect.EndPass", "Effect.End"}));
}

// After the scene the device has exactly its own targets again, and every reference taken
// to save them is returned, with or without a second target of its own.
TEST_F(DofPassTest, EndSceneGivesBackBothTargetsAndTheirReferences)
{
    ASSERT_EQ(DofSetDevice(&m_Dof, &m_Device, 1280), S_OK);
    IDirect3DSurface9* pBackBuffer = m_Device.GetBackBufferSurface();
    const int live = m_Device.GetLiveObjects();
    const ULONG backBufferCount = pBackBuffer->AddRef() - 1;
    pBackBuffer->Release();

    ClearCalls();
    DofBeginScene(&m_Dof);
    const std::string colour = m_Device.Label(m_Dof.m_pTargetSurface[0].Get());
    const std::string blur = m_Device.Label(m_Dof.m_pTargetSurface[1].Get());
    DofEndScene(&m_Dof);
    EXPECT_EQ(m_Device.CallsNamed({"GetRenderTarget", "SetRenderTarget"}),
              (std::vector<std::string>{"GetRenderTarget 0", "SetRenderTarget 0 " + colour,
                                        "GetRenderTarget 1", "SetRenderTarget 1 " + blur,
                                        "SetRenderTarget 0 backbuffer", "SetRenderTarget 1 null"}));
    EXPECT_EQ(pBackBuffer->AddRef() - 1, backBufferCount);
    pBackBuffer->Release();
    EXPECT_EQ(m_Dof.m_pSavedTarget[0], nullptr);
    EXPECT_EQ(m_Dof.m_pSavedTarget[1], nullptr);
    EXPECT_EQ(m_Device.GetLiveObjects(), live);

    // A device that had a second target of its own gets it back.
    COrvComPtr<IDirect3DTexture9> pOther;
    COrvComPtr<IDirect3DSurface9> pOtherSurface;
    ASSERT_EQ(m_Device.CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                     D3DPOOL_DEFAULT, pOther.ReleaseAndGetAddressOf(), nullptr),
              S_OK);
    pOther->GetSurfaceLevel(0, pOtherSurface.ReleaseAndGetAddressOf());
    m_Device.SetRenderTarget(1, pOtherSurface.Get());
    const ULONG otherCount = pOtherSurface->AddRef() - 1;
    pOtherSurface->Release();
    DofBeginScene(&m_Dof);
    DofEndScene(&m_Dof);
    COrvComPtr<IDirect3DSurface9> pBound;
    ASSERT_EQ(m_Device.GetRenderTarget(1, pBound.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(pBound.Get(), pOtherSurface.Get());
    pBound = nullptr;
    EXPECT_EQ(pOtherSurface->AddRef() - 1, otherCount);
    pOtherSurface->Release();
    m_Device.SetRenderTarget(1, nullptr);
}

TEST_F(DofPassTest, ReleaseKeepsTheDeclarationAndADeviceChangeFreesEverything)
{
    const int live = m_Device.GetLiveObjects();
    ASSERT_EQ(DofSetDevice(&m_Dof, &m_Device, 320), S_OK);
    EXPECT_EQ(m_Device.GetLiveObjects(), live + 7); // declaration, 3 textures, 3 surfaces
    EXPECT_EQ(DofRelease(&m_Dof), S_OK);
    EXPECT_EQ(m_Dof.m_pEffect, nullptr);
    EXPECT_EQ(m_Dof.m_pTargetTexture[1], nullptr);
    EXPECT_EQ(m_Dof.m_pHalfTexture, nullptr);
    EXPECT_NE(m_Dof.m_pDeclaration, nullptr);
    EXPECT_EQ(m_Dof.m_TargetFormat[1], D3DFMT_G16R16F);
    EXPECT_EQ(m_Dof.m_uWidth, 320u);
    EXPECT_FALSE(DofIsReady(&m_Dof));
    EXPECT_EQ(DofSetDevice(&m_Dof, nullptr, 320), S_OK);
    EXPECT_EQ(m_Device.GetLiveObjects(), live);
}

TEST_F(DofPassTest, AMissingEffectOrTargetFailsAndSaysWhich)
{
    std::filesystem::remove(m_Folder.Data() / "dof.fx");
    EXPECT_EQ(DofSetDevice(&m_Dof, &m_Device, 320), E_FAIL);
    EXPECT_EQ(m_Device.CountCalls("CreateTexture"), 0u);
    EXPECT_EQ(DofMissingPart(&m_Dof), "\"dof.fx\" did not load");

    // Nothing is drawn through the missing effect, and a capture keeps the device's target.
    m_Device.ClearCalls();
    DofComposite(&m_Dof);
    EXPECT_EQ(m_Device.GetCalls().size(), 0u);

    std::ofstream(m_Folder.Data() / "dof.fx")
        << "float4 PS() : COLOR0 { return 1; }\n"
           "technique FilterDoF { pass P0 { PixelShader = compile ps_2_0 PS(); } }\n";
    m_Device.SetFailCreation(true);
    EXPECT_EQ(DofSetDevice(&m_Dof, &m_Device, 320), E_FAIL);
    EXPECT_EQ(DofMissingPart(&m_Dof), "the depth-of-field targets could not be created");
    m_Device.ClearCalls();
    DofBeginScene(&m_Dof);
    DofEndScene(&m_Dof);
    EXPECT_EQ(m_Device.CountCalls("SetRenderTarget"), 3u); // only target 1 is unbound
    EXPECT_EQ(m_Device.CallsNamed({"SetRenderTarget"})[1], "SetRenderTarget 0 backbuffer");
}
} // namespace
