#include "PlayerTransport.h"

#include "document/OrvDemo.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
// A position this close to a beat counts as on it.
constexpr double kOnBeat = 1e-3;
} // namespace

EPlayerCommand TranslateKey(int iKeyCode, int iModifiers)
{
    const bool bShift = (iModifiers & KMOD_SHIFT) != 0;
    switch (iKeyCode)
    {
    case SDLK_ESCAPE:
        return COMMAND_QUIT;
    case SDLK_SPACE:
        return COMMAND_TOGGLE_PAUSE;
    case SDLK_LEFT:
        return bShift ? COMMAND_16_BEATS_BACK : COMMAND_BEAT_BACK;
    case SDLK_RIGHT:
        return bShift ? COMMAND_16_BEATS_ON : COMMAND_BEAT_ON;
    case SDLK_HOME:
        return COMMAND_HOME;
    default:
        return COMMAND_NONE;
    }
}

std::string FormatBarsBeats(double dBeats)
{
    const long long llBeat = std::isfinite(dBeats) && dBeats > 0.0
                                 ? static_cast<long long>(std::floor(dBeats + kOnBeat))
                                 : 0;
    char szText[48];
    std::snprintf(szText, sizeof(szText), "%lld:%lld", llBeat / 4 + 1, llBeat % 4 + 1);
    return szText;
}

std::string FormatTransportTitle(double dBeats, double dSeconds, double dFps, bool bPaused,
                                 const std::string& sProblem)
{
    char szText[128];
    std::snprintf(szText, sizeof(szText), "ORVEL  %s  %.2f s  %.0f fps",
                  FormatBarsBeats(dBeats).c_str(), std::max(0.0, dSeconds), std::max(0.0, dFps));
    std::string sTitle = szText;
    if (bPaused)
    {
        sTitle += "  paused";
    }
    if (!sProblem.empty())
    {
        sTitle += "  reload failed: " + sProblem;
    }
    return sTitle;
}

void CPlayerTransport::Start(COrvDemo& rDemo, double dBeats)
{
    SeekBeats(rDemo, dBeats);
    m_bPaused = false;
    rDemo.BassPlay();
}

void CPlayerTransport::SetPaused(COrvDemo& rDemo, bool bPaused)
{
    if (bPaused == m_bPaused)
    {
        return;
    }
    m_bPaused = bPaused;
    if (bPaused)
    {
        rDemo.BassStop();
    }
    else
    {
        rDemo.BassPlay();
    }
}

void CPlayerTransport::SeekBeats(COrvDemo& rDemo, double dBeats)
{
    double dTarget = std::max(0.0, dBeats);
    if (m_dEndBeats > 0.0)
    {
        dTarget = std::min(dTarget, m_dEndBeats);
    }
    rDemo.BassSetTime(static_cast<float>(dTarget));
}

void CPlayerTransport::StepBeats(COrvDemo& rDemo, int iBeats)
{
    const double dNow = rDemo.BassGetTime();
    const double dFrom = iBeats > 0 ? std::floor(dNow + kOnBeat) : std::ceil(dNow - kOnBeat);
    SeekBeats(rDemo, dFrom + iBeats);
}

bool CPlayerTransport::Apply(COrvDemo& rDemo, EPlayerCommand eCommand)
{
    switch (eCommand)
    {
    case COMMAND_TOGGLE_PAUSE:
        SetPaused(rDemo, !m_bPaused);
        return true;
    case COMMAND_BEAT_BACK:
        StepBeats(rDemo, -1);
        return true;
    case COMMAND_BEAT_ON:
        StepBeats(rDemo, 1);
        return true;
    case COMMAND_16_BEATS_BACK:
        StepBeats(rDemo, -16);
        return true;
    case COMMAND_16_BEATS_ON:
        StepBeats(rDemo, 16);
        return true;
    case COMMAND_HOME:
        SeekBeats(rDemo, 0.0);
        return true;
    default:
        return false;
    }
}
