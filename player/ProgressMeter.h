#pragma once

// The progress bar of an off-screen recording, on standard error:
// "[##########          ]  750/1500 frames  41.7 fps  0:18 left"
#include <chrono>
#include <cstdio>
#include <string>

std::string FormatProgressLine(int iDone, int iTotal, double dFramesPerSecond, double dSecondsLeft,
                               int iBarWidth = 30);

class CProgressMeter
{
public:
    explicit CProgressMeter(int iTotal, FILE* pOut = stderr);
    // Redraws the line, at most a few times a second (always for the last frame).
    void Update(int iDone);
    // Ends the line.
    void Finish();
    double GetElapsedSeconds() const;

private:
    using Clock = std::chrono::steady_clock;
    int m_iTotal;
    FILE* m_pOut;
    Clock::time_point m_start;
    Clock::time_point m_lastDraw;
    bool m_bDrawn = false;
};
