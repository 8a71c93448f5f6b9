#pragma once

// The recording's clock: frames at a fixed rate, placed on the demo's time line of
// sixteenths of a beat at the music's own tempo (so the sound track stays in step).

constexpr int kRecordingFps = 25;

// The frame time (sixteenths of a beat) of a moment dSeconds into the show.
float GetShowFrameTime(double dSeconds, float fBeatsPerMinute);

// The frame time of recorded frame n: dStartSeconds + n / iFps seconds into the show.
float GetRecordedFrameTime(int iFrame, float fBeatsPerMinute, int iFps = kRecordingFps,
                           double dStartSeconds = 0.0);

// The frame time of a moment dSeconds into the show, the same float as the recorded frame
// at iFps when the moment falls on one (so a still and a recording agree to the bit).
float GetMomentFrameTime(double dSeconds, float fBeatsPerMinute, int iFps = kRecordingFps);

// The index of the frame at iFps that the moment dSeconds falls on; -1 when it falls
// between frames.
int FindGridFrame(double dSeconds, int iFps);

// How many frames at iFps a stretch of dSeconds holds (at least one).
int CountFrames(double dSeconds, int iFps);
