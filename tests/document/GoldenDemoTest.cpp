// A small demo drawn on the headless OpenGL device and compared with golden pictures: an
// image shown by a sprite into a render target, which a second sprite shows on the output.
#include "OrvTestDemo.h"
#include "RecordingDevice.h"
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"

#include <gtest/gtest.h>

TEST(GoldenDemo, SpritesThroughARenderTargetAtTwoTimes)
{
    COrvTestDevice device(160, 120);
    ASSERT_TRUE(device) << "no headless device: " << std::hex << device.GetCreateResult();
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(ORV_TEST_SOURCE_DIR) / "document" / "data" /
                                  "golden");
    {
        COrvDemo demo;
        ASSERT_TRUE(demo.Load("demo.orv"));
        ASSERT_EQ(demo.GetLayers().size(), 2u);
        demo.SetOutputSize(160, 120);
        demo.SetDevice(device.Get());

        SOrvImage picture;
        demo.DrawFrame(0.0f);
        auto* pImage = dynamic_cast<COrvResImage*>(demo.GetResourceByName("checker"));
        ASSERT_NE(pImage, nullptr);
        ASSERT_NE(pImage->GetTexture(), nullptr);
        EXPECT_EQ(pImage->GetImageInfo().Width, 64u);
        ASSERT_TRUE(OrvReadRenderTarget(device.Get(), picture));
        EXPECT_TRUE(OrvMatchesGolden(picture, "document/sprites_frame0", 8));
        // The letter-box bars stay black.
        EXPECT_EQ(picture.At(80, 2) & 0xFFFFFF, 0u);
        EXPECT_EQ(picture.At(80, 117) & 0xFFFFFF, 0u);

        demo.DrawFrame(24.0f);
        ASSERT_TRUE(OrvReadRenderTarget(device.Get(), picture));
        EXPECT_TRUE(OrvMatchesGolden(picture, "document/sprites_frame24", 8));
        demo.SetDevice(nullptr);
    }
    std::filesystem::current_path(previous);
}
