#include "PlayerProfile.h"

#include <algorithm>
#include <cstdio>

namespace
{

std::string Milliseconds(double dSeconds, bool bKnown)
{
    if (!bKnown)
    {
        return "-";
    }
    char szText[32];
    std::snprintf(szText, sizeof(szText), "%.2f", dSeconds * 1000.0);
    return szText;
}

std::string FormatRow(const ORV_LayerCost& row)
{
    char szLine[256];
    const bool bCpu = row.m_iFrames > 0;
    const bool bGpu = row.m_iGpuFrames > 0;
    std::string sName = row.m_Name.substr(0, 28);
    std::string sKind = row.m_Class.substr(0, 24);
    std::snprintf(
        szLine, sizeof(szLine), "%-28s %-24s %7d %9s %9s %9s %9s\n", sName.c_str(), sKind.c_str(),
        std::max(row.m_iFrames, row.m_iGpuFrames), Milliseconds(row.CpuAverage(), bCpu).c_str(),
        Milliseconds(row.m_dCpuWorst, bCpu).c_str(), Milliseconds(row.GpuAverage(), bGpu).c_str(),
        Milliseconds(row.m_dGpuWorst, bGpu).c_str());
    return szLine;
}

} // namespace

void CStepTimer::End()
{
    const double dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    ++m_cost.m_iFrames;
    m_cost.m_dCpuTotal += dSeconds;
    m_cost.m_dCpuWorst = std::max(m_cost.m_dCpuWorst, dSeconds);
}

ORV_LayerCost MakeCostRow(const std::string& sName, int iFrames, double dSeconds,
                          double dWorstSeconds)
{
    ORV_LayerCost row;
    row.m_Name = sName;
    row.m_iFrames = std::max(iFrames, 0);
    row.m_dCpuTotal = dSeconds;
    row.m_dCpuWorst = dWorstSeconds;
    return row;
}

std::string FormatProfileTable(const ORV_FrameProfile& profile,
                               const std::vector<ORV_LayerCost>& extraRows)
{
    std::string sTable =
        "Profile: milliseconds per frame; \"ours\" is time on the drawing thread (our code "
        "and the driver's),\n\"device\" the graphics device's own time (timestamp queries)\n";
    char szHeader[256];
    std::snprintf(szHeader, sizeof(szHeader), "%-28s %-24s %7s %9s %9s %9s %9s\n", "layer", "kind",
                  "frames", "ours avg", "worst", "device", "worst");
    sTable += szHeader;
    for (const ORV_LayerCost& row : profile.GetLayers())
    {
        sTable += FormatRow(row);
    }
    ORV_LayerCost frames = profile.GetFrames();
    frames.m_Name = "whole frame (all layers)";
    sTable += FormatRow(frames);
    for (const ORV_LayerCost& row : extraRows)
    {
        sTable += FormatRow(row);
    }
    return sTable;
}
