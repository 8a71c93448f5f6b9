#pragma once

// The player's loops: stepping a show to a moment without showing it, the recording that
// renders frames at a fixed rate into the recorder, and the playback at the music's
// position with its transport keys and live reload.
#include "PlayerTiming.h"
#include "d3d9.h"

#include <string>

class CDemoSession;
class COrvDemo;
class CPlayerWindow;
class CStepTimer;
class ORV_Avi;
class ORV_FrameProfile;

struct SPlayerStage
{
    CDemoSession* pSession = nullptr;
    IDirect3DDevice9* pDevice = nullptr;
    CPlayerWindow* pWindow = nullptr; // null when headless
    int iWidth = 0;
    int iHeight = 0;
    ORV_FrameProfile* pProfile = nullptr; // times the frames drawn, when set

    COrvDemo* Demo() const;
};

// Draws one frame of the show at a frame time into the back buffer and presents it.
void DrawShowFrame(SPlayerStage& rStage, float fFrameTime);

// Runs the show from its start at iFps, frame after frame, up to (not including) the
// moment dSeconds: layers whose look depends on the frames before (particles, gelly,
// feedback through render targets) then look as they do in a recording. Unless bDrawAll,
// the frames whose pixels nobody sees (PrerollPlan.h) are stepped with the device's
// rasterisation off. False when the user quit meanwhile.
struct SStepPlan
{
    float fBeatsPerMinute = 128.0f;
    int iFps = kRecordingFps;
    bool bShowProgress = false;
    bool bDrawAll = false;
};
bool StepTo(SPlayerStage& rStage, const SStepPlan& plan, double dSeconds);

struct SRecordingPlan
{
    float fBeatsPerMinute = 128.0f;
    int iFps = kRecordingFps;
    double dStart = 0.0; // seconds into the show of the first frame
    // The first frame's index on the iFps grid (-1 when dStart falls between frames): each
    // frame's time is then counted from the show's start, so that a recording begun at any
    // frame of another one shows the very same frames from there.
    int iStartFrame = -1;
    int iFrames = 1;
    bool bShowProgress = false;
    CStepTimer* pReadBack = nullptr; // times the read-backs, when set
};

// Records frames until the user quits or the plan's frames are done (a progress bar on
// standard error when asked). Returns the number of frames recorded.
int RunRecording(SPlayerStage& rStage, ORV_Avi& rAvi, const SRecordingPlan& plan);

struct SPlaybackPlan
{
    double dStart = 0.0;      // seconds into the show
    double dDuration = 275.0; // seconds of playing (pauses do not count)
    double dEndSeconds = 0.0; // the music's length (0: unknown)
    bool bWatch = false;      // reload on changes; the show pauses at its end instead of ending
};

// Plays until the user quits or the running time is over.
void RunPlayback(SPlayerStage& rStage, const SPlaybackPlan& plan);
