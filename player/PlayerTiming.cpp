#include "PlayerTiming.h"

float GetRecordedFrameTime(int iFrame, float fBeatsPerMinute)
{
    float fBeats = static_cast<float>(static_cast<double>(iFrame) / kRecordingFps *
                                      (static_cast<double>(fBeatsPerMinute) / 60.0));
    return static_cast<float>(fBeats * 16.0);
}
