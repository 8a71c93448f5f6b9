#pragma once

// The settings dialog "ORVEL": a list of display modes, "Fullscreen" and "VSync", "GO !"
// (also Enter) and "Exit" (also Escape and the close box). Dear ImGui in an SDL2 window.
#include "d3d9.h"

#include <string>
#include <vector>

struct SDialogChoice
{
    int iMode = -1; // index into the mode list; -1 when none was picked
    bool bFullscreen = true;
    bool bVSync = true;
};

enum EDialogResult
{
    DIALOG_FAILED = -1, // no window could be opened
    DIALOG_EXIT = 0,
    DIALOG_GO = 1,
};

// Shows the dialog with the check boxes set from rChoice; on "GO !" rChoice holds the
// user's choice.
EDialogResult RunSettingsDialog(const std::vector<D3DDISPLAYMODE>& modes, SDialogChoice& rChoice,
                                std::string& sError);
