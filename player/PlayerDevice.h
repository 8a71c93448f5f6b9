#pragma once

// The player's display modes and its Direct3D device: the mode list the settings dialog
// shows, finding a mode the user asked for, and creating the device.
#include "d3d9.h"

#include <string>
#include <vector>

// The 32-bit modes of adapter 0 in adapter order (at most 256).
std::vector<D3DDISPLAYMODE> ListDisplayModes(IDirect3D9* pD3D);

// "1280 x 720 [60 hz]"
std::string FormatModeLabel(const D3DDISPLAYMODE& mode);

// Index of the mode of that size (and refresh rate, unless 0: then the highest rate);
// -1 when the display has no such mode.
int FindDisplayMode(const std::vector<D3DDISPLAYMODE>& modes, int iWidth, int iHeight,
                    int iRefreshRate);

// The presentation parameters the player creates its device with.
D3DPRESENT_PARAMETERS MakePresentParameters(const D3DDISPLAYMODE& mode, bool bFullscreen,
                                            bool bVSync);

// Creates the device on adapter 0 (hardware vertex processing when the device has any);
// hWindow null gives the headless device.
HRESULT CreatePlayerDevice(IDirect3D9* pD3D, HWND hWindow, D3DPRESENT_PARAMETERS& rParams,
                           IDirect3DDevice9** ppDevice);

// The OpenGL vendor, renderer and version behind the device just created (its context is
// current on this thread), in one line; "unknown renderer" when OpenGL says nothing.
std::string DescribeRenderer();

// The video stream title of a recording: "Orv VERSION rXXXXXXXX TAG", the renderer as a
// hash of its description (the title holds 63 characters), so that pieces of one recording
// made on machines that draw differently are told apart.
std::string MakeRecordingTitle(const std::string& sVersion, const std::string& sRenderer,
                               const std::string& sTag);
