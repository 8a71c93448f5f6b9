#pragma once

// The player's two loops: the recording that renders the show at 25 frames per second
// into the AVI recorder, and the playback that draws at the music's position.
#include "PlayerTiming.h"
#include "d3d9.h"

class COrvDemo;
class CPlayerWindow;
class ORV_Avi;

struct SPlayerStage
{
    COrvDemo* pDemo = nullptr;
    IDirect3DDevice9* pDevice = nullptr;
    CPlayerWindow* pWindow = nullptr; // null when headless
    int iWidth = 0;
    int iHeight = 0;
};

// Records frames until the user quits or iFrames frames are done (a progress bar on
// standard error when bShowProgress). Returns the number of frames recorded.
int RunRecording(SPlayerStage& rStage, ORV_Avi& rAvi, float fBeatsPerMinute, int iFrames,
                 bool bShowProgress);

// Plays until the user quits or dDuration seconds have passed since the music started.
void RunPlayback(SPlayerStage& rStage, double dDuration);
