#include "audio/OrvChrono.h"

#include <cstdlib>
#include <ctime>

namespace
{
// The counter: nanoseconds of the monotonic clock, which never decreases.
bool QueryCounter(int64_t& count)
{
    timespec ts{};
    if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0)
        return false;
    count = int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    return true;
}

bool QueryFrequency(int64_t& frequency)
{
    timespec res{};
    if (clock_getres(CLOCK_MONOTONIC, &res) != 0)
        return false;
    frequency = 1000000000;
    return true;
}
} // namespace

ORV_Chrono::ORV_Chrono()
{
    if (!QueryFrequency(m_iFrequency))
        std::exit(10);
    Reset();
}

ORV_Chrono::~ORV_Chrono() = default;

void ORV_Chrono::Reset()
{
    QueryCounter(m_iLastReading);
    m_dStart = double(m_iLastReading);
}

double ORV_Chrono::GetTime()
{
    QueryCounter(m_iLastReading);
    return (double(m_iLastReading) - m_dStart) / double(m_iFrequency);
}
