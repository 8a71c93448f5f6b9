#include "TimelineScale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orv::editor
{
int SnapFrame(float fFrame, ESnap eSnap)
{
    const double dGrid = static_cast<double>(eSnap);
    if (!std::isfinite(fFrame))
        return 0;
    const double dSnapped = std::floor(static_cast<double>(fFrame) / dGrid + 0.5) * dGrid;
    // The farthest lines of the grid an int holds.
    const double dLimit = std::floor(2147483647.0 / dGrid) * dGrid;
    return static_cast<int>(std::clamp(dSnapped, -dLimit, dLimit));
}

std::string FormatBarsBeats(float fFrame, bool bSixteenths)
{
    // Frames beyond any demo's length are shown as the farthest a long long holds easily.
    const long long iFrame =
        std::isfinite(fFrame)
            ? static_cast<long long>(std::clamp(std::floor(fFrame), -1e15f, 1e15f))
            : 0;
    const long long iBar =
        iFrame >= 0 ? iFrame / kFramesPerBar : -((-iFrame + kFramesPerBar - 1) / kFramesPerBar);
    const long long iInBar = iFrame - iBar * kFramesPerBar;
    const long long iBeat = iInBar / kFramesPerBeat;
    const long long iSixteenth = iInBar % kFramesPerBeat;
    char text[64];
    if (bSixteenths)
        std::snprintf(text, sizeof(text), "%lld:%lld.%lld", iBar + 1, iBeat + 1, iSixteenth + 1);
    else
        std::snprintf(text, sizeof(text), "%lld:%lld", iBar + 1, iBeat + 1);
    return text;
}

double FrameToSeconds(float fFrame, float fBpm)
{
    if (!(fBpm > 0.0f))
        return 0.0;
    return static_cast<double>(fFrame) / kFramesPerBeat * 60.0 / fBpm;
}

std::string FormatSeconds(double dSeconds)
{
    const bool bNegative = dSeconds < 0.0;
    const long long iHundredths = static_cast<long long>(std::llround(std::fabs(dSeconds) * 100.0));
    char text[64];
    std::snprintf(text, sizeof(text), "%s%lld:%02lld.%02lld", bNegative ? "-" : "",
                  iHundredths / 6000, iHundredths / 100 % 60, iHundredths % 100);
    return text;
}

void CTimelineScale::Pan(float fPixels)
{
    m_fFirstFrame += fPixels / m_fPixelsPerFrame;
    ClampFirstFrame();
}

void CTimelineScale::ZoomAround(float fX, float fFactor)
{
    if (!(fFactor > 0.0f) || !std::isfinite(fFactor))
        return;
    const float fFrame = XToFrame(fX);
    m_fPixelsPerFrame =
        std::clamp(m_fPixelsPerFrame * fFactor, kMinPixelsPerFrame, kMaxPixelsPerFrame);
    m_fFirstFrame = fFrame - (fX - m_fLeft) / m_fPixelsPerFrame;
    ClampFirstFrame();
}

void CTimelineScale::Show(float fFirst, float fLast, float fWidth)
{
    if (!(fLast > fFirst) || !(fWidth > 0.0f))
        return;
    m_fPixelsPerFrame =
        std::clamp(fWidth / (fLast - fFirst), kMinPixelsPerFrame, kMaxPixelsPerFrame);
    m_fFirstFrame = fFirst;
    ClampFirstFrame();
}

int CTimelineScale::LabelStep(float fMinPixels) const
{
    int iStep = 1;
    while (iStep * m_fPixelsPerFrame < fMinPixels && iStep < (1 << 24))
        iStep = iStep == 1 ? kFramesPerBeat : iStep * (iStep == kFramesPerBeat ? kBeatsPerBar : 2);
    return iStep;
}

void CTimelineScale::ClampFirstFrame()
{
    m_fFirstFrame = std::max(m_fFirstFrame, -static_cast<float>(kFramesPerBar));
}
} // namespace orv::editor
