// The balls room and the beam lattice on the headless OpenGL device, each with a near and a
// far focus: compared with golden images, and measured for what the blur promises (the part
// of the picture in focus is sharper than when it is out of focus, and sharper than the part
// out of focus).
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "SceneTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>

namespace
{
constexpr UINT W = 320;
constexpr UINT H = 180;

SOrvImage MakeImage(UINT width, UINT height,
                    const std::function<void(UINT, UINT, uint8_t*)>& rPixel)
{
    SOrvImage image;
    image.m_uWidth = width;
    image.m_uHeight = height;
    image.m_aRGBA.resize(size_t(width) * height * 4);
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x)
            rPixel(x, y, &image.m_aRGBA[(size_t(y) * width + x) * 4]);
    return image;
}

void Set(uint8_t* p, int r, int g, int b, int a = 255)
{
    p[0] = uint8_t(r), p[1] = uint8_t(g), p[2] = uint8_t(b), p[3] = uint8_t(a);
}

// The room: a fine black-and-white checker on the floor (detail for the blur to remove),
// plain warm walls around it.
SOrvImage MakeGround()
{
    return MakeImage(512, 512,
                     [](UINT x, UINT y, uint8_t* p)
                     {
                         if (x >= 130 && x < 384 && y >= 130 && y < 384)
                         {
                             const bool white = ((x / 8) + (y / 8)) % 2 == 0;
                             Set(p, white ? 230 : 30, white ? 230 : 30, white ? 220 : 40);
                         }
                         else
                             Set(p, 170, 120, 80);
                     });
}

// The balls: red and yellow stripes.
SOrvImage MakeBall()
{
    return MakeImage(64, 64,
                     [](UINT x, UINT, uint8_t* p)
                     {
                         if ((x / 8) % 2)
                             Set(p, 230, 200, 40);
                         else
                             Set(p, 200, 30, 30);
                     });
}

// The shadow: black, opaque in the middle, fading out to the edge.
SOrvImage MakeShadow()
{
    return MakeImage(64, 64,
                     [](UINT x, UINT y, uint8_t* p)
                     {
                         const double dx = (x + 0.5) / 32.0 - 1.0, dy = (y + 0.5) / 32.0 - 1.0;
                         const double r = std::sqrt(dx * dx + dy * dy);
                         Set(p, 0, 0, 0, int(std::clamp((1.0 - r) * 2.0, 0.0, 1.0) * 220.0));
                     });
}

// The beams: along u, dark steel with bright edges; the three bands of v: plain (0-0.25),
// lit (0.25-0.5), blinking (0.5-0.75).
SOrvImage MakeBeam()
{
    return MakeImage(64, 256,
                     [](UINT x, UINT y, uint8_t* p)
                     {
                         const UINT band = y / 64, row = y % 64;
                         const bool edge = row < 6 || row >= 58 || x < 3 || x >= 61;
                         const bool stripe = (x / 4) % 2 == 0;
                         if (band == 0)
                             Set(p, edge ? 200 : 60, edge ? 200 : 70, edge ? 210 : 90);
                         else if (band == 1)
                             Set(p, edge ? 255 : 40, edge ? 140 : 120, stripe ? 255 : 160);
                         else
                             Set(p, 255, 255, edge ? 255 : 120);
                     });
}

// Mean absolute difference between neighbouring pixels (all three colours) over a rectangle:
// high where the picture has sharp detail.
double Sharpness(const SOrvImage& image, UINT x0, UINT y0, UINT x1, UINT y1)
{
    double sum = 0.0;
    int count = 0;
    for (UINT y = y0; y < y1; ++y)
        for (UINT x = x0; x < x1; ++x)
        {
            const uint32_t c = image.At(x, y), right = image.At(x + 1, y),
                           down = image.At(x, y + 1);
            for (int shift : {0, 8, 16})
            {
                const int v = int((c >> shift) & 0xFF);
                sum += std::abs(v - int((right >> shift) & 0xFF)) +
                       std::abs(v - int((down >> shift) & 0xFF));
            }
            ++count;
        }
    return sum / count;
}

class ScenePicture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Device) << std::hex << m_Device.GetCreateResult();
        COrvPropBase::SetFrame(0.0f);
        m_Demo.SetOutputSize(int(W), int(H));
        m_Demo.SetDevice(m_Device.Get());
    }
    void TearDown() override { m_Demo.SetDevice(nullptr); }

    void AddPicture(const std::string& name, const SOrvImage& image)
    {
        const std::string file = name + ".png";
        ASSERT_TRUE(OrvWritePNG((m_Folder.Data() / file).string(), image));
        COrvModifiable* pImage = m_Demo.AddResImage();
        pImage->SetName(name);
        SetString(pImage, ORV_PROP_FILENAME, file);
        AddMaterial(m_Demo, "mat_" + name, name);
    }
    SOrvImage Frame(float time)
    {
        m_Demo.DrawFrame(time);
        SOrvImage image;
        EXPECT_TRUE(OrvReadRenderTarget(m_Device.Get(), image));
        return image;
    }

    CDemoFolder m_Folder{"scene_picture"};
    COrvTestDevice m_Device{W, H};
    COrvDemo m_Demo;
};
} // namespace

TEST_F(ScenePicture, BallsRoomNearAndFarFocus)
{
    AddPicture("ground", MakeGround());
    AddPicture("ball", MakeBall());
    AddPicture("shadow", MakeShadow());
    auto* pLayer = static_cast<COrvLayerBalls*>(m_Demo.AddLayerBalls());
    SetString(pLayer, ORV_PROP_MATERIAL_NAME, "mat_ball");
    SetString(pLayer, ORV_PROP_GROUND_MATERIAL_NAME, "mat_ground");
    SetString(pLayer, ORV_PROP_BALL_SHADOW_MATERIAL_NAME, "mat_shadow");
    // Looking down at the floor from the front, a little closer than the default camera.
    SetQuat(pLayer, ORV_PROP_ROTATION, TurnX(-0.9f));
    SetVector(pLayer, ORV_PROP_TRANSLATION, D3DXVECTOR3(0.0f, 0.0f, -8.0f));
    SetFloat(pLayer, ORV_PROP_FOCAL_RANGE, 8.0f);
    ASSERT_TRUE(pLayer->IsReady());

    // The front of the floor lies about 27 units from the camera, its back about 40.
    SetFloat(pLayer, ORV_PROP_FOCAL_DIST, 27.0f);
    const SOrvImage nearFocus = Frame(0.0f);
    SetFloat(pLayer, ORV_PROP_FOCAL_DIST, 40.0f);
    const SOrvImage farFocus = Frame(0.0f);
    EXPECT_TRUE(OrvMatchesGolden(nearFocus, "scenes/balls_near_focus"));
    EXPECT_TRUE(OrvMatchesGolden(farFocus, "scenes/balls_far_focus"));

    // The checker at the front and at the back of the floor, each sharp only in its focus.
    const double frontNear = Sharpness(nearFocus, 80, 135, 240, 150);
    const double frontFar = Sharpness(farFocus, 80, 135, 240, 150);
    const double backNear = Sharpness(nearFocus, 110, 50, 210, 62);
    const double backFar = Sharpness(farFocus, 110, 50, 210, 62);
    EXPECT_GT(frontNear, 1.5 * frontFar) << frontNear << " " << frontFar;
    EXPECT_GT(backFar, 1.5 * backNear) << backFar << " " << backNear;
    EXPECT_GT(frontNear, backNear);
    EXPECT_GT(backFar, frontFar);
}

TEST_F(ScenePicture, GridNearAndFarFocus)
{
    AddPicture("beam", MakeBeam());
    auto* pLayer = static_cast<COrvLayerGrid*>(m_Demo.AddLayerGrid());
    SetString(pLayer, ORV_PROP_MATERIAL_NAME, "mat_beam");
    // Between four beams, looking down the tunnel they make.
    SetVector(pLayer, ORV_PROP_TRANSLATION, D3DXVECTOR3(2.5f, 2.5f, 0.0f));
    SetFloat(pLayer, ORV_PROP_FOCAL_RANGE, 8.0f);
    ASSERT_TRUE(pLayer->IsReady());
    SetFloat(pLayer, ORV_PROP_FOCAL_DIST, 4.0f);
    const SOrvImage nearFocus = Frame(17.0f);
    SetFloat(pLayer, ORV_PROP_FOCAL_DIST, 20.0f);
    const SOrvImage farFocus = Frame(17.0f);
    EXPECT_TRUE(OrvMatchesGolden(nearFocus, "scenes/grid_near_focus"));
    EXPECT_TRUE(OrvMatchesGolden(farFocus, "scenes/grid_far_focus"));

    // The beam across the bottom is 3 to 5 units away, the tunnel's far end 15 to 25.
    const double closeNear = Sharpness(nearFocus, 60, 150, 210, 175);
    const double closeFar = Sharpness(farFocus, 60, 150, 210, 175);
    const double tunnelNear = Sharpness(nearFocus, 125, 55, 190, 120);
    const double tunnelFar = Sharpness(farFocus, 125, 55, 190, 120);
    EXPECT_GT(closeNear, 1.2 * closeFar) << closeNear << " " << closeFar;
    EXPECT_GT(tunnelFar, 1.3 * tunnelNear) << tunnelFar << " " << tunnelNear;
    // Beyond the fog the lattice fades to black: the middle of the tunnel is dark.
    EXPECT_LT(nearFocus.At(W / 2, H / 2) & 0xFFFFFF, 0x202020u);
}

// The sample demo's two scenes: the layers find their effects, pictures and materials, and
// draw a lit picture while the show is at them.
TEST(SampleDemoScenes, BallsRoomAndBeamFlightDrawFromTheSampleData)
{
    COrvTestDevice device(W, H);
    ASSERT_TRUE(device) << std::hex << device.GetCreateResult();
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(ORV_SOURCE_ROOT) / "examples" / "Atelier");
    {
        COrvDemo demo;
        ASSERT_TRUE(demo.Load("demo.orv"));
        demo.SetOutputSize(int(W), int(H));
        demo.SetDevice(device.Get());
        auto* pBalls = dynamic_cast<COrvLayerBalls*>(demo.GetLayerByName("balls room"));
        auto* pGrid = dynamic_cast<COrvLayerGrid*>(demo.GetLayerByName("beam flight"));
        ASSERT_NE(pBalls, nullptr);
        ASSERT_NE(pGrid, nullptr);
        EXPECT_TRUE(pBalls->IsReady());
        EXPECT_TRUE(pGrid->IsReady());
        for (float time : {1950.0f, 2150.0f})
        {
            demo.DrawFrame(time);
            SOrvImage picture;
            ASSERT_TRUE(OrvReadRenderTarget(device.Get(), picture));
            double brightness = 0.0;
            for (UINT y = 0; y < H; ++y)
                for (UINT x = 0; x < W; ++x)
                    brightness += double((picture.At(x, y) >> 8) & 0xFF);
            EXPECT_GT(brightness / (W * H), 30.0) << time;
        }
        for (const char* pImage : {"img_ballroom", "img_ball", "img_ballshadow", "img_beams"})
        {
            auto* pResource = dynamic_cast<COrvResImage*>(demo.GetResourceByName(pImage));
            ASSERT_NE(pResource, nullptr) << pImage;
            EXPECT_NE(pResource->GetTexture(), nullptr) << pImage;
        }
        demo.SetDevice(nullptr);
    }
    std::filesystem::current_path(previous);
}
