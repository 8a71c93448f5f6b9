#pragma once

// The transport of a show playing in a window: pause and resume, moves by beats, back to
// the start, and the window title that tells where the show is. The demo's music is the
// clock: it seeks to the sample, and the picture follows it.
#include <string>

class COrvDemo;

enum EPlayerCommand
{
    COMMAND_NONE,
    COMMAND_QUIT,
    COMMAND_TOGGLE_PAUSE,
    COMMAND_BEAT_BACK,     // Left
    COMMAND_BEAT_ON,       // Right
    COMMAND_16_BEATS_BACK, // Shift+Left
    COMMAND_16_BEATS_ON,   // Shift+Right
    COMMAND_HOME,
};

// The command of a key (an SDL key code with its modifiers); COMMAND_NONE for other keys.
EPlayerCommand TranslateKey(int iKeyCode, int iModifiers);

// "bar:beat" of a position in beats, four beats to a bar, both counted from 1: beat 0 is
// "1:1", beat 5.5 is "2:2".
std::string FormatBarsBeats(double dBeats);

// The window title: "ORVEL  2:2  2.75 s  60 fps", with "  paused" and, after a reload that
// failed, "  reload failed: " and its reason.
std::string FormatTransportTitle(double dBeats, double dSeconds, double dFps, bool bPaused,
                                 const std::string& sProblem);

class CPlayerTransport
{
public:
    // The show's end in beats (0: unknown, no limit on moves forward).
    void SetEndBeats(double dEndBeats) { m_dEndBeats = dEndBeats; }
    bool IsPaused() const { return m_bPaused; }

    // Starts the music at a position (beats).
    void Start(COrvDemo& rDemo, double dBeats);
    // Carries out a command; false for COMMAND_QUIT and commands it does not know.
    bool Apply(COrvDemo& rDemo, EPlayerCommand eCommand);
    void SetPaused(COrvDemo& rDemo, bool bPaused);
    // Moves by whole beats: forward to the next beat after the position, back to the last
    // one before it (a position on a beat moves by exactly iBeats), within the show.
    void StepBeats(COrvDemo& rDemo, int iBeats);
    void SeekBeats(COrvDemo& rDemo, double dBeats);

private:
    double m_dEndBeats = 0.0;
    bool m_bPaused = false;
};
