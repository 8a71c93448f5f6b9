#pragma once
// The timeline's arithmetic: the engine's frames are sixteenths of a beat, a bar is four
// beats; the ruler shows bars:beats (1-based, as musicians count) and seconds at the music's
// tempo. Keys sit on whole frames, and moved keys snap to bars, beats or sixteenths.

#include <string>

namespace orv::editor
{
constexpr int kFramesPerBeat = 16;
constexpr int kBeatsPerBar = 4;
constexpr int kFramesPerBar = kFramesPerBeat * kBeatsPerBar;

enum class ESnap
{
    Sixteenth = 1,
    Beat = kFramesPerBeat,
    Bar = kFramesPerBar,
};

// The nearest line of the grid (a whole frame; halfway between two lines goes to the later
// one); frames beyond what an int holds go to the farthest line it holds.
int SnapFrame(float fFrame, ESnap eSnap);

// "bar:beat" of a frame (1:1 is frame 0); with bSixteenths "bar:beat.sixteenth" of its
// whole frame. Negative frames count bars before the first as 0, -1, ...
std::string FormatBarsBeats(float fFrame, bool bSixteenths);
// Seconds of a frame at a tempo (beats per minute); 0 for a tempo that is not positive.
double FrameToSeconds(float fFrame, float fBpm);
// "m:ss.cc" (minutes, seconds, hundredths); negative times start with '-'.
std::string FormatSeconds(double dSeconds);

// Where frames lie across a strip of the panel: the frame at its left edge and the
// pixels each frame takes.
class CTimelineScale
{
public:
    static constexpr float kMinPixelsPerFrame = 0.01f;
    static constexpr float kMaxPixelsPerFrame = 64.0f;

    float GetFirstFrame() const { return m_fFirstFrame; }
    float GetPixelsPerFrame() const { return m_fPixelsPerFrame; }
    void SetLeft(float fLeft) { m_fLeft = fLeft; }

    float FrameToX(float fFrame) const
    {
        return m_fLeft + (fFrame - m_fFirstFrame) * m_fPixelsPerFrame;
    }
    float XToFrame(float fX) const { return m_fFirstFrame + (fX - m_fLeft) / m_fPixelsPerFrame; }

    // Moves the view by a number of pixels (positive moves later frames into view); the
    // first frame shown never goes before the frame one bar before 0.
    void Pan(float fPixels);
    // Multiplies the pixels per frame by the factor (kept within the limits), keeping the
    // frame under fX where it is.
    void ZoomAround(float fX, float fFactor);
    // Shows frames from fFirst to fLast across fWidth pixels.
    void Show(float fFirst, float fLast, float fWidth);
    // The distance in frames between labelled ruler marks: the smallest of sixteenth, beat,
    // bar and powers of two bars that leaves at least fMinPixels between marks.
    int LabelStep(float fMinPixels) const;

private:
    void ClampFirstFrame();

    float m_fLeft = 0.0f;
    float m_fFirstFrame = 0.0f;
    float m_fPixelsPerFrame = 2.0f;
};
} // namespace orv::editor
