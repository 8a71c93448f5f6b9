#include "PlayerSettings.h"

#include "PlayerDevice.h"
#include "SettingsDialog.h"

#include <algorithm>

namespace
{

constexpr UINT kDefaultWidth = 1280;
constexpr UINT kDefaultHeight = 720;

std::string DescribeMode(const SPlayerOptions& options)
{
    std::string sMode = std::to_string(options.iWidth) + "x" + std::to_string(options.iHeight);
    if (options.iRefreshRate != 0)
    {
        sMode.append(1, '@').append(std::to_string(options.iRefreshRate));
    }
    return sMode;
}

D3DDISPLAYMODE MakeMode(UINT uWidth, UINT uHeight, UINT uRefresh)
{
    return D3DDISPLAYMODE{uWidth, uHeight, uRefresh, D3DFMT_X8R8G8B8};
}

} // namespace

ESettingsResult ChooseSettingsFromOptions(const SPlayerOptions& options,
                                          const std::vector<D3DDISPLAYMODE>& modes,
                                          const D3DDISPLAYMODE& desktop, SPlayerSettings& rOut,
                                          std::string& sError)
{
    rOut.bFullscreen = options.bFullscreen;
    rOut.bVSync = options.bVSync;
    if (options.iWidth == 0)
    {
        // No mode asked for: the desktop's own in full screen, else a 720p window that fits.
        rOut.mode = options.bFullscreen || desktop.Width == 0 || desktop.Width < kDefaultWidth ||
                            desktop.Height < kDefaultHeight
                        ? desktop
                        : MakeMode(kDefaultWidth, kDefaultHeight, 0);
        if (rOut.mode.Width == 0)
        {
            rOut.mode = MakeMode(kDefaultWidth, kDefaultHeight, 0);
        }
        return SETTINGS_GO;
    }
    if (options.bFullscreen)
    {
        int iMode = FindDisplayMode(modes, options.iWidth, options.iHeight, options.iRefreshRate);
        if (iMode < 0)
        {
            sError = "the display has no mode " + DescribeMode(options);
            return SETTINGS_ERROR;
        }
        rOut.mode = modes[iMode];
        return SETTINGS_GO;
    }
    // A window may have any size the display can hold.
    UINT uMaxWidth = desktop.Width;
    UINT uMaxHeight = desktop.Height;
    for (const D3DDISPLAYMODE& mode : modes)
    {
        uMaxWidth = std::max(uMaxWidth, mode.Width);
        uMaxHeight = std::max(uMaxHeight, mode.Height);
    }
    if (uMaxWidth != 0 && (static_cast<UINT>(options.iWidth) > uMaxWidth ||
                           static_cast<UINT>(options.iHeight) > uMaxHeight))
    {
        sError = "a " + DescribeMode(options) + " window does not fit on this display";
        return SETTINGS_ERROR;
    }
    rOut.mode = MakeMode(options.iWidth, options.iHeight, 0);
    return SETTINGS_GO;
}

ESettingsResult ChooseSettings(IDirect3D9* pD3D, const SPlayerOptions& options,
                               SPlayerSettings& rOut, std::string& sError)
{
    if (options.bHeadless)
    {
        // Off screen any size will do; nothing waits for a display.
        rOut.mode = options.iWidth != 0 ? MakeMode(options.iWidth, options.iHeight, 0)
                                        : MakeMode(kDefaultWidth, kDefaultHeight, 0);
        rOut.bFullscreen = false;
        rOut.bVSync = false;
        return SETTINGS_GO;
    }
    std::vector<D3DDISPLAYMODE> modes = ListDisplayModes(pD3D);
    D3DDISPLAYMODE desktop{};
    if (FAILED(pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop)))
    {
        desktop = D3DDISPLAYMODE{};
    }
    if (options.bSkipDialog)
    {
        return ChooseSettingsFromOptions(options, modes, desktop, rOut, sError);
    }
    SDialogChoice choice;
    choice.bFullscreen = options.bFullscreen;
    choice.bVSync = options.bVSync;
    switch (RunSettingsDialog(modes, choice, sError))
    {
    case DIALOG_FAILED:
        sError += " (use --windowed, --mode or --headless to start without it)";
        return SETTINGS_ERROR;
    case DIALOG_EXIT:
        return SETTINGS_EXIT;
    case DIALOG_GO:
        break;
    }
    rOut.bFullscreen = choice.bFullscreen;
    rOut.bVSync = choice.bVSync;
    if (choice.iMode >= 0 && choice.iMode < static_cast<int>(modes.size()))
    {
        rOut.mode = modes[choice.iMode];
    }
    else
    {
        // "GO !" with nothing picked: the desktop's mode.
        rOut.mode = desktop.Width != 0 ? desktop : MakeMode(kDefaultWidth, kDefaultHeight, 60);
    }
    return SETTINGS_GO;
}
