#pragma once

// Decides the display mode, full-screen and vertical-sync settings: from the command line
// when it names any, else from the settings dialog.
#include "PlayerOptions.h"
#include "d3d9.h"

#include <string>
#include <vector>

struct SPlayerSettings
{
    D3DDISPLAYMODE mode{};
    bool bFullscreen = true;
    bool bVSync = true;
};

enum ESettingsResult
{
    SETTINGS_GO,
    SETTINGS_EXIT,  // "Exit" in the dialog
    SETTINGS_ERROR, // sError says why
};

// Settings from the command line alone (no dialog): the modes are those of the display.
ESettingsResult ChooseSettingsFromOptions(const SPlayerOptions& options,
                                          const std::vector<D3DDISPLAYMODE>& modes,
                                          const D3DDISPLAYMODE& desktop, SPlayerSettings& rOut,
                                          std::string& sError);

// The whole choice: headless defaults, command line, or the dialog.
ESettingsResult ChooseSettings(IDirect3D9* pD3D, const SPlayerOptions& options,
                               SPlayerSettings& rOut, std::string& sError);
