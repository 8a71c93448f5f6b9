#include "ProgressMeter.h"

#include <algorithm>
#include <cmath>

std::string FormatProgressLine(int iDone, int iTotal, double dFramesPerSecond, double dSecondsLeft,
                               int iBarWidth)
{
    iTotal = std::max(iTotal, 1);
    iDone = std::clamp(iDone, 0, iTotal);
    int iFilled = static_cast<int>(static_cast<long long>(iDone) * iBarWidth / iTotal);
    std::string sBar(1, '[');
    sBar.append(iFilled, '#').append(iBarWidth - iFilled, ' ').append(1, ']');
    int iLeft = dSecondsLeft > 0.0 && std::isfinite(dSecondsLeft)
                    ? static_cast<int>(std::ceil(dSecondsLeft))
                    : 0;
    char szText[160];
    std::snprintf(szText, sizeof(szText), "%s %*d/%d frames %6.1f fps %2d:%02d left", sBar.c_str(),
                  static_cast<int>(std::to_string(iTotal).size()), iDone, iTotal, dFramesPerSecond,
                  iLeft / 60, iLeft % 60);
    return szText;
}

CProgressMeter::CProgressMeter(int iTotal, FILE* pOut)
    : m_iTotal(iTotal), m_pOut(pOut), m_start(Clock::now()), m_lastDraw(m_start)
{
}

double CProgressMeter::GetElapsedSeconds() const
{
    return std::chrono::duration<double>(Clock::now() - m_start).count();
}

void CProgressMeter::Update(int iDone)
{
    Clock::time_point now = Clock::now();
    if (m_bDrawn && iDone < m_iTotal && now - m_lastDraw < std::chrono::milliseconds(250))
    {
        return;
    }
    m_lastDraw = now;
    m_bDrawn = true;
    double dElapsed = GetElapsedSeconds();
    double dFps = dElapsed > 0.0 ? iDone / dElapsed : 0.0;
    double dLeft = dFps > 0.0 ? (m_iTotal - iDone) / dFps : 0.0;
    std::fprintf(m_pOut, "\r%s", FormatProgressLine(iDone, m_iTotal, dFps, dLeft).c_str());
    std::fflush(m_pOut);
}

void CProgressMeter::Finish()
{
    if (m_bDrawn)
    {
        std::fputc('\n', m_pOut);
        std::fflush(m_pOut);
    }
}
