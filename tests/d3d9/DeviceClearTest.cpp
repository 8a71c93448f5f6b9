// Clears, viewports and the orientation of read-back images.
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"

#include <gtest/gtest.h>

TEST(DeviceClear, ClearTouchesOnlyTheViewportAndReadsBackTopRowFirst)
{
    COrvTestDevice device(64, 48);
    ASSERT_TRUE(device) << std::hex << device.GetCreateResult();
    ASSERT_EQ(D3D_OK,
              device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.f, 0));
    D3DVIEWPORT9 viewport = {16, 8, 32, 24, 0.f, 1.f};
    ASSERT_EQ(D3D_OK, device->SetViewport(&viewport));
    ASSERT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.f, 0));
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    EXPECT_EQ(0xFFFF0000u, image.At(16, 8));
    EXPECT_EQ(0xFFFF0000u, image.At(47, 31));
    EXPECT_EQ(0xFF0000FFu, image.At(15, 8));
    EXPECT_EQ(0xFF0000FFu, image.At(16, 7));
    EXPECT_EQ(0xFF0000FFu, image.At(48, 31));
    EXPECT_EQ(0xFF0000FFu, image.At(16, 32));
    EXPECT_TRUE(OrvMatchesGolden(image, "d3d9/clear_viewport"));
}
