#include "BassClock.h"

#include <algorithm>
#include <ctime>

namespace orv::bass
{
int64_t BassNowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void CBassClock::Set(double frame)
{
    std::lock_guard lock(m_Mutex);
    m_bRunning = false;
    m_dFloor = m_dFirst = m_dEnd = m_dLastRead = frame;
}

void CBassClock::Start(int64_t nowNs)
{
    std::lock_guard lock(m_Mutex);
    if (m_bRunning)
        return;
    m_bRunning = true;
    m_dFloor = m_dFirst = m_dEnd = m_dLastRead;
    m_iPlayNs = nowNs;
}

void CBassClock::Publish(double first, double end, int64_t playNs)
{
    std::lock_guard lock(m_Mutex);
    // An empty buffer (the stream has ended) says nothing about when its frames sound.
    if (!m_bRunning || end <= first)
        return;
    m_dFirst = first;
    m_dEnd = std::max(m_dEnd, end);
    m_iPlayNs = playNs;
}

double CBassClock::Interpolate(int64_t nowNs) const
{
    const double elapsed = static_cast<double>(nowNs - m_iPlayNs) * 1e-9;
    return std::clamp(m_dFirst + elapsed * m_dRate, m_dFloor, std::max(m_dFloor, m_dEnd));
}

double CBassClock::Get(int64_t nowNs)
{
    std::lock_guard lock(m_Mutex);
    if (m_bRunning)
        m_dLastRead = std::max(m_dLastRead, Interpolate(nowNs));
    return m_dLastRead;
}
} // namespace orv::bass
