#include "PlayerTiming.h"

#include <algorithm>
#include <cmath>

float GetShowFrameTime(double dSeconds, float fBeatsPerMinute)
{
    float fBeats = static_cast<float>(dSeconds * (static_cast<double>(fBeatsPerMinute) / 60.0));
    return static_cast<float>(fBeats * 16.0);
}

float GetRecordedFrameTime(int iFrame, float fBeatsPerMinute, int iFps, double dStartSeconds)
{
    return GetShowFrameTime(dStartSeconds + static_cast<double>(iFrame) / iFps, fBeatsPerMinute);
}

int FindGridFrame(double dSeconds, int iFps)
{
    const double dFrame = std::round(dSeconds * iFps);
    if (std::fabs(dFrame - dSeconds * iFps) < 1e-6 && dFrame >= 0.0 && dFrame < 1e8)
    {
        return static_cast<int>(dFrame);
    }
    return -1;
}

float GetMomentFrameTime(double dSeconds, float fBeatsPerMinute, int iFps)
{
    const int iFrame = FindGridFrame(dSeconds, iFps);
    if (iFrame >= 0)
    {
        return GetRecordedFrameTime(iFrame, fBeatsPerMinute, iFps);
    }
    return GetShowFrameTime(dSeconds, fBeatsPerMinute);
}

int CountFrames(double dSeconds, int iFps)
{
    // A hair below a whole frame counts as that frame: 2 s at 25 fps is 50 frames, not 51.
    const double dFrames = std::ceil(dSeconds * iFps - 1e-6);
    return static_cast<int>(std::clamp(dFrames, 1.0, 1e8));
}
