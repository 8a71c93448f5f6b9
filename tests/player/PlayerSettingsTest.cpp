#include "PlayerDevice.h"
#include "PlayerSettings.h"

#include <gtest/gtest.h>

namespace
{

const std::vector<D3DDISPLAYMODE> kModes = {
    {640, 480, 60, D3DFMT_X8R8G8B8},
    {1280, 720, 60, D3DFMT_X8R8G8B8},
    {1280, 720, 75, D3DFMT_X8R8G8B8},
    {1920, 1080, 60, D3DFMT_X8R8G8B8},
};
const D3DDISPLAYMODE kDesktop = {1920, 1080, 60, D3DFMT_X8R8G8B8};

} // namespace

TEST(PlayerSettingsTest, ModesAreListedAndFoundAsAsked)
{
    EXPECT_EQ(FormatModeLabel(kModes[3]), "1920 x 1080 [60 hz]");
    EXPECT_EQ(FindDisplayMode(kModes, 1280, 720, 60), 1);
    EXPECT_EQ(FindDisplayMode(kModes, 1280, 720, 0), 2); // the highest rate
    EXPECT_EQ(FindDisplayMode(kModes, 1280, 720, 144), -1);
    EXPECT_EQ(FindDisplayMode(kModes, 800, 600, 0), -1);
    EXPECT_EQ(FindDisplayMode({}, 640, 480, 0), -1);
}

TEST(PlayerSettingsTest, PresentationFollowsTheCheckBoxes)
{
    // Both boxes as the dialog opens them: full screen, one frame per refresh.
    D3DPRESENT_PARAMETERS params = MakePresentParameters(kModes[2], true, true);
    EXPECT_EQ(params.BackBufferWidth, 1280u);
    EXPECT_EQ(params.BackBufferHeight, 720u);
    EXPECT_EQ(params.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(params.BackBufferCount, 1u);
    EXPECT_EQ(params.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_FALSE(params.Windowed);
    EXPECT_TRUE(params.EnableAutoDepthStencil);
    EXPECT_EQ(params.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(params.FullScreen_RefreshRateInHz, 75u);
    EXPECT_EQ(params.PresentationInterval, static_cast<UINT>(D3DPRESENT_INTERVAL_ONE));

    params = MakePresentParameters(kModes[2], false, false);
    EXPECT_TRUE(params.Windowed);
    EXPECT_EQ(params.FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(params.PresentationInterval, 0x80000000u);
}

TEST(PlayerSettingsTest, CommandLineModesMustSuitTheDisplay)
{
    SPlayerOptions options;
    options.bSkipDialog = true;
    SPlayerSettings settings;
    std::string sError;

    // Full screen takes only the display's own modes.
    options.iWidth = 1280;
    options.iHeight = 720;
    options.iRefreshRate = 75;
    ASSERT_EQ(ChooseSettingsFromOptions(options, kModes, kDesktop, settings, sError), SETTINGS_GO);
    EXPECT_EQ(settings.mode.RefreshRate, 75u);
    options.iRefreshRate = 144;
    EXPECT_EQ(ChooseSettingsFromOptions(options, kModes, kDesktop, settings, sError),
              SETTINGS_ERROR);
    EXPECT_EQ(sError, "the display has no mode 1280x720@144");

    // A window may have any size that fits.
    options.bFullscreen = false;
    options.iWidth = 1000;
    options.iHeight = 500;
    ASSERT_EQ(ChooseSettingsFromOptions(options, kModes, kDesktop, settings, sError), SETTINGS_GO);
    EXPECT_EQ(settings.mode.Width, 1000u);
    EXPECT_EQ(settings.mode.RefreshRate, 0u);
    options.iWidth = 4000;
    EXPECT_EQ(ChooseSettingsFromOptions(options, kModes, kDesktop, settings, sError),
              SETTINGS_ERROR);

    // No mode given: a 720p window, or the desktop's mode in full screen.
    options.iWidth = options.iHeight = options.iRefreshRate = 0;
    ASSERT_EQ(ChooseSettingsFromOptions(options, kModes, kDesktop, settings, sError), SETTINGS_GO);
    EXPECT_EQ(settings.mode.Width, 1280u);
    options.bFullscreen = true;
    ASSERT_EQ(ChooseSettingsFromOptions(options, kModes, kDesktop, settings, sError), SETTINGS_GO);
    EXPECT_EQ(settings.mode.Width, 1920u);
}
