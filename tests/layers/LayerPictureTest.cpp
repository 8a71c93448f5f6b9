// The particles and sphere layers drawn on the headless OpenGL device, compared with their
// golden pictures and checked for what they should show.
#include "OrvTestDemo.h"
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <unistd.h>

namespace
{
constexpr UINT W = 256;
constexpr UINT H = 144;

SOrvImage MakeImage(UINT width, UINT height, uint32_t (*pPixel)(UINT, UINT, UINT, UINT))
{
    SOrvImage image;
    image.m_uWidth = width;
    image.m_uHeight = height;
    image.m_aRGBA.resize(size_t(width) * height * 4);
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x)
        {
            const uint32_t argb = pPixel(x, y, width, height);
            uint8_t* p = &image.m_aRGBA[(size_t(y) * width + x) * 4];
            p[0] = uint8_t(argb >> 16);
            p[1] = uint8_t(argb >> 8);
            p[2] = uint8_t(argb);
            p[3] = uint8_t(argb >> 24);
        }
    return image;
}

// A soft round spot, dim blue-white: additive sprites pile up without saturating at once.
uint32_t SoftSpot(UINT x, UINT y, UINT w, UINT h)
{
    const float dx = (x + 0.5f) / w * 2.0f - 1.0f, dy = (y + 0.5f) / h * 2.0f - 1.0f;
    const float a = std::max(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy));
    const auto c = [&](float peak) { return uint32_t(std::lround(255.0f * peak * a * a)); };
    return 0xFF000000u | c(0.6f) << 16 | c(0.75f) << 8 | c(0.9f);
}

// A map of the sphere: four coloured quadrants with dark grid lines every 16 pixels.
uint32_t QuadrantMap(UINT x, UINT y, UINT w, UINT h)
{
    static const uint32_t colours[4] = {0xFFE04030u, 0xFF30C050u, 0xFF3060E0u, 0xFFE0D040u};
    const uint32_t c = colours[(x * 2 / w) + 2 * (y * 2 / h)];
    return (x % 16 == 0 || y % 16 == 0) ? 0xFF202020u : c;
}

int Brightness(uint32_t argb)
{
    return int((argb >> 16) & 0xFF) + int((argb >> 8) & 0xFF) + int(argb & 0xFF);
}

// Sum of brightness over rows [y0, y1).
long RowsBrightness(const SOrvImage& image, UINT y0, UINT y1)
{
    long sum = 0;
    for (UINT y = y0; y < y1; ++y)
        for (UINT x = 0; x < image.m_uWidth; ++x)
            sum += Brightness(image.At(x, y));
    return sum;
}

class LayerPicture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Device) << std::hex << m_Device.GetCreateResult();
        m_uSavedState = ORV_Random::GetState();
        m_bSavedFlag = ORV_ParticleCloud::IsFirstUpdateDone();
        COrvPropBase::SetFrame(0.0f);
        m_Demo.SetOutputSize(int(W), int(H));
        m_Demo.SetDevice(m_Device.Get());
    }
    void TearDown() override
    {
        m_Demo.SetDevice(nullptr);
        ORV_Random::SetState(m_uSavedState);
        ORV_ParticleCloud::SetFirstUpdateDone(m_bSavedFlag);
        COrvPropBase::SetFrame(0.0f);
    }

    // An image resource and a material "look" showing it.
    void AddPicture(const std::string& file, const SOrvImage& image)
    {
        ASSERT_TRUE(OrvWritePNG((m_Folder.Data() / file).string(), image));
        auto* pImage = m_Demo.AddResImage();
        pImage->SetName("picture");
        SetString(pImage, ORV_PROP_FILENAME, file);
        auto* pMaterial = m_Demo.AddResMaterial();
        pMaterial->SetName("look");
        SetString(pMaterial, ORV_PROP_TEXTURE_NAME_0, "picture");
        // The material's alpha starts with a key at frame 0 holding 0.
        FindProperty<COrvPropFloat>(pMaterial, ORV_PROP_ALPHA)->SetValue(1.0f);
        FindProperty<COrvPropVector>(pMaterial, ORV_PROP_DIFFUSE_COLOR)
            ->SetDefaultValue(D3DXVECTOR3(1.0f, 1.0f, 1.0f));
    }
    SOrvImage Frame(float fFrame)
    {
        m_Demo.DrawFrame(fFrame);
        SOrvImage image;
        EXPECT_TRUE(OrvReadRenderTarget(m_Device.Get(), image));
        return image;
    }

    CDemoFolder m_Folder{"layer_picture", false};
    COrvTestDevice m_Device{W, H};
    COrvDemo m_Demo;
    uint32_t m_uSavedState = 0;
    bool m_bSavedFlag = false;
};
} // namespace

TEST_F(LayerPicture, TheParticleCloudGathersIntoAVisibleBand)
{
    AddPicture("spot.png", MakeImage(32, 32, &SoftSpot));
    ORV_Random::SetState(1);
    ORV_ParticleCloud::SetFirstUpdateDone(true);
    auto* pLayer = m_Demo.AddLayerParticles();
    SetString(pLayer, ORV_PROP_MATERIAL_NAME, "look");
    FindProperty<COrvPropFloat>(pLayer, ORV_PROP_POWER)->SetDefaultValue(1.5f);
    FindProperty<COrvPropFloat>(pLayer, ORV_PROP_ROTATION)->SetDefaultValue(0.6f);
    SOrvImage image;
    for (int frame = 1; frame <= 12; ++frame)
        image = Frame(float(frame) * 2.0f);

    // Every point lies at depth 1 (near plane 0) and must still be drawn: the picture is
    // far from black, and brightest in the band around y = 0 where the spring gathers them.
    long lit = 0;
    for (UINT y = 0; y < H; ++y)
        for (UINT x = 0; x < W; ++x)
            lit += Brightness(image.At(x, y)) > 60;
    EXPECT_GT(lit, long(W * H / 10));
    const long middle = RowsBrightness(image, H / 2 - 12, H / 2 + 12);
    const long top = RowsBrightness(image, 0, 24);
    EXPECT_GT(middle, 2 * top);
    EXPECT_TRUE(OrvMatchesGolden(image, "layers/particles", 8));
}

TEST_F(LayerPicture, PointsAtAnyDistanceInFrontOfTheEyeAreDrawn)
{
    AddPicture("spot.png", MakeImage(32, 32, &SoftSpot));
    ORV_ParticleCloud::SetFirstUpdateDone(true);
    auto* pLayer = static_cast<COrvLayerParticules*>(m_Demo.AddLayerParticles());
    SetString(pLayer, ORV_PROP_MATERIAL_NAME, "look");
    FindProperty<COrvPropFloat>(pLayer, ORV_PROP_RESSORT)->SetDefaultValue(0.0f);
    // Rotation 0: the eye at (0, 0, 1) looking along -z; Power 0 and no spring: still points.
    D3DXMATRIX view, projection;
    const D3DXVECTOR3 eye(0.0f, 0.0f, 1.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 2.0943952f, float(W) / float(H), 0.0f, 2.0f);
    const D3DXVECTOR3 places[] = {{0.0f, 0.0f, 0.9f},    {0.03f, -0.02f, 0.95f},
                                  {-0.3f, 0.2f, 0.2f},   {0.5f, -0.4f, -0.5f},
                                  {-0.9f, 0.9f, -0.99f}, {0.99f, -0.99f, -0.99f}};
    float frame = 1.0f;
    for (const D3DXVECTOR3& place : places)
    {
        // Fifty particles there, the others parked far outside the view, beside the eye.
        ORV_ParticleCloud& cloud = pLayer->GetCloud();
        for (int i = 0; i < cloud.GetParticleCount(); ++i)
            cloud.SetParticle(i, {i < 50 ? place : D3DXVECTOR3(0.99f, 0.99f, 0.99f),
                                  D3DXVECTOR3(0.0f, 0.0f, 0.0f)});
        const SOrvImage image = Frame(frame += 1.0f);
        D3DXVECTOR4 clip;
        D3DXVECTOR3 seen;
        D3DXVec3TransformCoord(&seen, &place, &view);
        D3DXVec3Transform(&clip, &seen, &projection);
        const float px = (clip.x / clip.w + 1.0f) * 0.5f * W;
        const float py = (1.0f - clip.y / clip.w) * 0.5f * H;
        ASSERT_TRUE(px >= 0.0f && px < W && py >= 0.0f && py < H);
        EXPECT_GT(Brightness(image.At(UINT(px), UINT(py))), 200)
            << "point at " << place.x << ", " << place.y << ", " << place.z;
    }
}

TEST_F(LayerPicture, TheSphereFromOutsideAndInside)
{
    AddPicture("map.png", MakeImage(128, 128, &QuadrantMap));
    auto* pLayer = m_Demo.AddLayerSphere();
    SetString(pLayer, ORV_PROP_MATERIAL_NAME, "look");
    const D3DXVECTOR3 yAxis(0.0f, 1.0f, 0.0f);
    D3DXQUATERNION turn;
    D3DXQuaternionRotationAxis(&turn, &yAxis, 0.4f);
    FindProperty<COrvPropQuat>(pLayer, ORV_PROP_ROTATION)->SetDefaultValue(turn);

    // Outside: the near outer half, a disc in the middle of a black frame.
    FindProperty<COrvPropBool>(pLayer, ORV_PROP_CULLING_SIDE)->SetDefaultValue(true);
    SOrvImage outside = Frame(0.0f);
    EXPECT_EQ(outside.At(4, 4) & 0xFFFFFF, 0u);
    EXPECT_EQ(outside.At(W - 5, H / 2) & 0xFFFFFF, 0u);
    EXPECT_GT(Brightness(outside.At(W / 2, H / 2)), 60);
    EXPECT_TRUE(OrvMatchesGolden(outside, "layers/sphere_outside", 8));

    // Inside: the eye within the sphere sees its inner surface all around.
    FindProperty<COrvPropBool>(pLayer, ORV_PROP_CULLING_SIDE)->SetDefaultValue(false);
    FindProperty<COrvPropVector>(pLayer, ORV_PROP_TRANSLATION)
        ->SetDefaultValue(D3DXVECTOR3(0.0f, 0.0f, -2.6f));
    SOrvImage inside = Frame(0.0f);
    for (UINT y : {4u, H / 2, H - 5})
        for (UINT x : {4u, W / 2, W - 5})
            EXPECT_GT(Brightness(inside.At(x, y)), 30) << x << "," << y;
    EXPECT_TRUE(OrvMatchesGolden(inside, "layers/sphere_inside", 8));
}
