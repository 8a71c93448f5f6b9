#pragma once

// What a show cost, for --profile: the document's per-layer rows (time on the drawing
// thread and on the graphics device), and the player's own steps (the read-back of each
// frame, the encoder), as one table on standard error at the end.
#include "document/OrvFrameProfile.h"

#include <chrono>
#include <string>
#include <vector>

// Times one of the player's steps, frame after frame.
class CStepTimer
{
public:
    explicit CStepTimer(std::string sName) { m_cost.m_Name = std::move(sName); }
    void Begin() { m_start = std::chrono::steady_clock::now(); }
    void End();
    const ORV_LayerCost& GetCost() const { return m_cost; }

private:
    ORV_LayerCost m_cost;
    std::chrono::steady_clock::time_point m_start;
};

// An encoder's cost as a row: seconds over frames (average) and the worst frame.
ORV_LayerCost MakeCostRow(const std::string& sName, int iFrames, double dSeconds,
                          double dWorstSeconds);

// The table: one line per layer, the whole frames, then the extra rows; times in
// milliseconds per frame, "-" where there is no measurement.
std::string FormatProfileTable(const ORV_FrameProfile& profile,
                               const std::vector<ORV_LayerCost>& extraRows);
