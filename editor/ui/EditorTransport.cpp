#include "EditorTransport.h"

#include "document/OrvDemo.h"

#include <algorithm>
#include <cmath>

namespace
{
// A position this close to a step counts as on it.
constexpr float kOnStep = 1e-3f;
} // namespace

void CDemoClock::Play()
{
    m_rDemo.BassPlay();
}

void CDemoClock::Stop()
{
    m_rDemo.BassStop();
}

void CDemoClock::Seek(double dBeats)
{
    m_rDemo.BassSetTime(float(dBeats));
}

double CDemoClock::GetBeats()
{
    return m_rDemo.BassGetTime();
}

float CEditorTransport::Limit(float fFrame) const
{
    fFrame = std::max(0.0f, std::isfinite(fFrame) ? fFrame : 0.0f);
    return m_fEnd > 0.0f ? std::min(fFrame, m_fEnd) : fFrame;
}

void CEditorTransport::Seek(IEditorClock& clock, float fFrame)
{
    m_fFrame = Limit(fFrame);
    clock.Seek(double(m_fFrame) / kFramesPerBeat);
}

void CEditorTransport::Step(IEditorClock& clock, int iFrames)
{
    if (iFrames == 0)
        return;
    const float fStep = float(std::abs(iFrames));
    const float fSteps = m_fFrame / fStep;
    const float fFrom = iFrames > 0 ? std::floor(fSteps + kOnStep) : std::ceil(fSteps - kOnStep);
    Seek(clock, (fFrom + (iFrames > 0 ? 1.0f : -1.0f)) * fStep);
}

void CEditorTransport::SetPlaying(IEditorClock& clock, bool bPlaying)
{
    if (bPlaying == m_bPlaying)
        return;
    m_bPlaying = bPlaying;
    if (bPlaying)
    {
        if (m_bLoop && (m_fFrame < m_fLoopStart || m_fFrame >= m_fLoopEnd))
            m_fFrame = m_fLoopStart;
        clock.Seek(double(m_fFrame) / kFramesPerBeat);
        clock.Play();
    }
    else
    {
        clock.Stop();
        m_fFrame = Limit(float(clock.GetBeats() * kFramesPerBeat));
    }
}

void CEditorTransport::SetLoop(float fStart, float fEnd)
{
    m_fLoopStart = std::max(0.0f, std::min(fStart, fEnd));
    m_fLoopEnd = std::max(fStart, fEnd);
    m_bLoop = m_fLoopEnd > m_fLoopStart;
}

void CEditorTransport::Update(IEditorClock& clock)
{
    if (!m_bPlaying)
        return;
    m_fFrame = Limit(float(clock.GetBeats() * kFramesPerBeat));
    if (m_bLoop && m_fFrame >= m_fLoopEnd)
        Seek(clock, m_fLoopStart);
    else if (m_fEnd > 0.0f && m_fFrame >= m_fEnd)
        SetPlaying(clock, false);
}
