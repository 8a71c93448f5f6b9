#pragma once

// The recording's clock: frames at a fixed rate, placed on the demo's time line of
// sixteenths of a beat at the music's own tempo (so the sound track stays in step).

constexpr int kRecordingFps = 25;

// The frame time of recorded frame n: n / 25 seconds at the given tempo, in sixteenths
// of a beat.
float GetRecordedFrameTime(int iFrame, float fBeatsPerMinute);
