#pragma once

#include "OrvExport.h"

#include <cstdint>

// Wall-clock stopwatch on the monotonic high-resolution clock.
class ORV_API ORV_Chrono
{
public:
    ORV_Chrono();
    virtual ~ORV_Chrono();
    ORV_Chrono(const ORV_Chrono&) = default;
    ORV_Chrono& operator=(const ORV_Chrono&) = default;

    // Restarts the measure from now.
    void Reset();
    // Seconds since construction or the last Reset.
    double GetTime();

private:
    double m_dStart = 0.0;
    int64_t m_iLastReading = 0;
    int64_t m_iFrequency = 0;
};
