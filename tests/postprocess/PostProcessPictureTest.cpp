// Post-process layers on the headless OpenGL device: each effect over a known picture,
// compared with its golden image, and checked for what its name promises.
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "OrvTestDemo.h"

#include <cmath>
#include <cstdlib>

namespace
{
constexpr UINT W = 128;
constexpr UINT H = 72;

// The input: a dim red-green gradient, a white disc (the only part bright enough to glow)
// and a dark blue square with sharp edges.
SOrvImage MakeInput()
{
    SOrvImage image;
    image.m_uWidth = W;
    image.m_uHeight = H;
    image.m_aRGBA.resize(size_t(W) * H * 4);
    for (UINT y = 0; y < H; ++y)
        for (UINT x = 0; x < W; ++x)
        {
            uint8_t* p = &image.m_aRGBA[(size_t(y) * W + x) * 4];
            p[0] = uint8_t(x * 150 / (W - 1));
            p[1] = uint8_t(y * 150 / (H - 1));
            p[2] = 64;
            p[3] = 255;
            const float dx = float(x) - 40.0f, dy = float(y) - 36.0f;
            if (dx * dx + dy * dy <= 100.0f)
                p[0] = p[1] = p[2] = 255;
            if (x >= 88 && x < 104 && y >= 20 && y < 36)
                p[0] = p[1] = 0, p[2] = 96;
        }
    return image;
}

int Channel(uint32_t argb, int shift)
{
    return int((argb >> shift) & 0xFF);
}

class PostProcessPicture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Device) << std::hex << m_Device.GetCreateResult();
        COrvPropBase::SetFrame(0.0f);
        ASSERT_TRUE(OrvWritePNG((m_Folder.Data() / "input.png").string(), m_Input));
        m_Demo.SetOutputSize(int(W), int(H));
        m_Demo.SetDevice(m_Device.Get());
        auto* pImage = m_Demo.AddResImage();
        pImage->SetName("input");
        SetString(pImage, ORV_PROP_FILENAME, "input.png");
    }
    void TearDown() override { m_Demo.SetDevice(nullptr); }

    template <typename T> T* AddLayer(COrvModifiable* (COrvDemo::*pFactory)(), const char* pInput)
    {
        auto* pLayer = static_cast<T*>((m_Demo.*pFactory)());
        SetString(pLayer, ORV_PROP_INPUT_SURFACE, pInput);
        return pLayer;
    }
    SOrvImage Frame()
    {
        m_Demo.DrawFrame(0.0f);
        SOrvImage image;
        EXPECT_TRUE(OrvReadRenderTarget(m_Device.Get(), image));
        return image;
    }
    uint32_t In(UINT x, UINT y) const { return m_Input.At(x, y); }

    CDemoFolder m_Folder{"postprocess_picture"};
    COrvTestDevice m_Device{W, H};
    COrvDemo m_Demo;
    SOrvImage m_Input = MakeInput();
};

// Every channel of the two colours within the tolerance.
::testing::AssertionResult Near(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift : {0, 8, 16})
        if (std::abs(Channel(a, shift) - Channel(b, shift)) > tolerance)
            return ::testing::AssertionFailure() << std::hex << a << " vs " << b;
    return ::testing::AssertionSuccess();
}
} // namespace

TEST_F(PostProcessPicture, BlackWhiteGivesTheLuminance)
{
    AddLayer<COrvLayerPPBlackWhite>(&COrvDemo::AddLayerPPBlackWhite, "input");
    const SOrvImage image = Frame();
    for (UINT y = 2; y < H; y += 7)
        for (UINT x = 2; x < W; x += 9)
        {
            const uint32_t c = image.At(x, y);
            ASSERT_NEAR(Channel(c, 16), Channel(c, 8), 1) << x << "," << y;
            ASSERT_NEAR(Channel(c, 8), Channel(c, 0), 1) << x << "," << y;
        }
    // In the smooth gradient the grey is the input's luminance.
    const uint32_t in = In(20, 60);
    const double luminance =
        0.299 * Channel(in, 16) + 0.587 * Channel(in, 8) + 0.114 * Channel(in, 0);
    EXPECT_NEAR(Channel(image.At(20, 60), 8), luminance, 3.0);
    EXPECT_TRUE(OrvMatchesGolden(image, "postprocess/blackwhite"));
}

TEST_F(PostProcessPicture, FishEyeSwellsTheMiddle)
{
    auto* pLayer = AddLayer<COrvLayerPPFishEye>(&COrvDemo::AddLayerPPFishEye, "input");
    // Power 0: the picture as it is.
    SOrvImage image = Frame();
    EXPECT_TRUE(Near(image.At(20, 60), In(20, 60), 3));
    FindProperty<COrvPropFloat>(pLayer, ORV_PROP_POWER)->SetDefaultValue(1.0f);
    image = Frame();
    // A point a quarter of the half-width right of the centre shows what lay at a sixteenth.
    EXPECT_NEAR(Channel(image.At(80, 36), 16), Channel(In(68, 36), 16), 3);
    EXPECT_TRUE(OrvMatchesGolden(image, "postprocess/fisheye"));
}

TEST_F(PostProcessPicture, RadialBlurSmearsAlongTheRays)
{
    auto* pLayer = AddLayer<COrvLayerPPRadialBlur>(&COrvDemo::AddLayerPPRadialBlur, "input");
    FindProperty<COrvPropFloat>(pLayer, ORV_PROP_POWER)->SetDefaultValue(0.0f);
    SOrvImage image = Frame();
    EXPECT_TRUE(Near(image.At(100, 10), In(100, 10), 3));
    FindProperty<COrvPropFloat>(pLayer, ORV_PROP_POWER)->SetDefaultValue(-0.5f);
    image = Frame();
    // Right of the disc, on the ray from the centre through it, the disc's light spreads out.
    EXPECT_GT(Channel(image.At(20, 36), 0), Channel(In(20, 36), 0) + 20);
    // The square's sharp edge becomes a ramp.
    const int inside = Channel(image.At(90, 28), 16);
    EXPECT_GT(inside, Channel(In(90, 28), 16) + 10);
    EXPECT_TRUE(OrvMatchesGolden(image, "postprocess/radialblur"));
}

TEST_F(PostProcessPicture, WaveRipplesThePicture)
{
    auto* pLayer = AddLayer<COrvLayerPPWave>(&COrvDemo::AddLayerPPWave, "input");
    COrvLayerPPWave::SetTimer(0.0f);
    SOrvImage image = Frame();
    EXPECT_TRUE(Near(image.At(20, 60), In(20, 60), 3));
    FindProperty<COrvPropFloat>(pLayer, ORV_PROP_POWER)->SetDefaultValue(0.05f);
    FindProperty<COrvPropFloat>(pLayer, ORV_PROP_FREQUENCY)->SetDefaultValue(2.0f);
    COrvLayerPPWave::SetTimer(0.24f);
    image = Frame();
    int moved = 0;
    for (UINT x = 0; x < W; x += 4)
        moved += !Near(image.At(x, 36), In(x, 36), 6);
    EXPECT_GT(moved, 4);
    EXPECT_TRUE(OrvMatchesGolden(image, "postprocess/wave"));
}

TEST_F(PostProcessPicture, BloomMakesOnlyTheBrightPartsGlow)
{
    AddLayer<COrvLayerPPBloom>(&COrvDemo::AddLayerPPBloom, "input");
    const SOrvImage image = Frame();
    // Just outside the disc the glow adds light; far from it nothing changes.
    EXPECT_GT(Channel(image.At(53, 36), 0), Channel(In(53, 36), 0) + 15);
    EXPECT_GT(Channel(image.At(40, 50), 16), Channel(In(40, 50), 16) + 4);
    EXPECT_TRUE(Near(image.At(120, 66), In(120, 66), 3));
    EXPECT_TRUE(OrvMatchesGolden(image, "postprocess/bloom"));
}

TEST_F(PostProcessPicture, ChainThroughNextAndTheGenericLayer)
{
    auto* pTarget = m_Demo.AddResRenderTarget();
    pTarget->SetName("between");
    FindProperty<COrvPropBool>(pTarget, ORV_PROP_AUTOSIZE)->SetDefaultValue(true);
    auto* pShader = m_Demo.AddResShader();
    pShader->SetName("blur");
    SetString(pShader, ORV_PROP_FILENAME, "ppBlur.fx");
    auto* pMaterial = m_Demo.AddResMaterial();
    pMaterial->SetName("blurred input");
    SetString(pMaterial, ORV_PROP_SHADER_NAME, "blur");
    SetString(pMaterial, ORV_PROP_TEXTURE_NAME_0, "input");

    // The generic layer blurs the input into NEXT, the wave's input.
    auto* pGeneric = m_Demo.AddLayerPostProcess();
    SetString(pGeneric, ORV_PROP_MATERIAL_NAME, "blurred input");
    SetString(pGeneric, ORV_PROP_RENDER_TARGET, "NEXT");
    auto* pHidden = AddLayer<COrvLayerPPFishEye>(&COrvDemo::AddLayerPPFishEye, "input");
    FindProperty<COrvPropBool>(pHidden, ORV_PROP_VISIBLE)->SetDefaultValue(false);
    AddLayer<COrvLayerPPBlackWhite>(&COrvDemo::AddLayerPPBlackWhite, "between");

    const SOrvImage image = Frame();
    // Grey everywhere, and the square's sharp edge softened by the blur.
    const uint32_t c = image.At(60, 10);
    EXPECT_NEAR(Channel(c, 16), Channel(c, 0), 1);
    const int edge = Channel(image.At(88, 28), 16);
    const int inside = Channel(image.At(92, 28), 16);
    const int outside = Channel(image.At(84, 28), 16);
    EXPECT_GT(edge, inside + 3);
    EXPECT_LT(edge, outside - 3);
    EXPECT_TRUE(OrvMatchesGolden(image, "postprocess/chain"));
}
