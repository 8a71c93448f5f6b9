#include "RenderPlan.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace
{

constexpr const char* kPlanHeader = "orv-render plan 1";

bool ReadInt(const std::map<std::string, std::string>& values, const std::string& sKey, int iMin,
             int& riValue)
{
    const auto it = values.find(sKey);
    if (it == values.end())
    {
        return false;
    }
    try
    {
        size_t iUsed = 0;
        const long lValue = std::stol(it->second, &iUsed);
        if (iUsed != it->second.size() || lValue < iMin || lValue > 1000000000L)
        {
            return false;
        }
        riValue = static_cast<int>(lValue);
        return true;
    }
    catch (const std::exception&)
    {
        return false;
    }
}

bool ReadSegments(const std::map<std::string, std::string>& values, SRenderPlan& rPlan)
{
    int iCount = 0;
    if (!ReadInt(values, "segments", 1, iCount) || iCount > 100000)
    {
        return false;
    }
    int iNext = rPlan.iStartFrame;
    for (int i = 0; i < iCount; ++i)
    {
        const auto it = values.find("segment." + std::to_string(i));
        SRenderSegment segment;
        char cEnd = 0;
        if (it == values.end() ||
            std::sscanf(it->second.c_str(), "%d %d%c", &segment.iStartFrame, &segment.iFrames,
                        &cEnd) != 2 ||
            segment.iStartFrame != iNext || segment.iFrames < 1)
        {
            return false;
        }
        iNext += segment.iFrames;
        // The estimate is optional: a plan stays usable without it.
        const auto estimate = values.find("estimate." + std::to_string(i));
        if (estimate != values.end())
        {
            segment.dEstimate = std::max(0.0, std::strtod(estimate->second.c_str(), nullptr));
        }
        rPlan.segments.push_back(segment);
    }
    return iNext == rPlan.iStartFrame + rPlan.iFrames;
}

std::map<std::string, std::string> ReadValues(const std::string& sText)
{
    std::map<std::string, std::string> values;
    std::istringstream lines(sText);
    std::string sLine;
    std::getline(lines, sLine);
    while (std::getline(lines, sLine))
    {
        const size_t iEq = sLine.find(" = ");
        if (iEq != std::string::npos)
        {
            values[sLine.substr(0, iEq)] = sLine.substr(iEq + 3);
        }
    }
    return values;
}

} // namespace

std::string NameSegment(int iSegment)
{
    char szName[32];
    std::snprintf(szName, sizeof(szName), "seg-%04d", iSegment);
    return szName;
}

std::string SRenderPlan::GetSegmentFile(int iSegment) const
{
    return "segments/" + NameSegment(iSegment) + "." + sContainer;
}

std::string SRenderPlan::GetPartFile(int iSegment) const
{
    return "segments/" + NameSegment(iSegment) + ".part." + sContainer;
}

std::string SRenderPlan::GetLogFile(int iSegment) const
{
    return "logs/" + NameSegment(iSegment) + ".log";
}

std::string SRenderPlan::GetSegmentTag(int iSegment) const
{
    return "p" + sId + "s" + std::to_string(iSegment);
}

std::vector<SRenderSegment> SplitFrames(int iStartFrame, int iFrames, int iSegments)
{
    std::vector<SRenderSegment> segments;
    const int iCount = std::clamp(iSegments, 1, std::max(iFrames, 1));
    int iNext = iStartFrame;
    for (int i = 0; i < iCount; ++i)
    {
        const int iLength = iFrames / iCount + (i < iFrames % iCount ? 1 : 0);
        segments.push_back({iNext, iLength});
        iNext += iLength;
    }
    return segments;
}

std::string DescribeSplit(const SRenderPlan& plan)
{
    const auto slowest = std::max_element(plan.segments.begin(), plan.segments.end(),
                                          [](const SRenderSegment& a, const SRenderSegment& b)
                                          { return a.dEstimate < b.dEstimate; });
    if (plan.sSplit != "cost" || slowest == plan.segments.end() || slowest->dEstimate <= 0.0)
    {
        return "split into equal frame counts (no cost estimate)";
    }
    char szLine[256];
    std::snprintf(szLine, sizeof(szLine),
                  "split by estimated cost: the slowest segment, %s, is estimated at %.3f of "
                  "recording the stretch at once, pre-roll included (an even split without "
                  "pre-roll: %.3f)",
                  NameSegment(static_cast<int>(slowest - plan.segments.begin())).c_str(),
                  slowest->dEstimate, 1.0 / static_cast<double>(plan.segments.size()));
    return szLine;
}

std::string FormatPlan(const SRenderPlan& plan)
{
    std::ostringstream text;
    text << kPlanHeader << "\n"
         << "id = " << plan.sId << "\n"
         << "version = " << plan.sVersion << "\n"
         << "demo = " << plan.sDemoDir << "\n"
         << "music = " << plan.sMusic << "\n"
         << "width = " << plan.iWidth << "\n"
         << "height = " << plan.iHeight << "\n"
         << "fps = " << plan.iFps << "\n"
         << "quality = " << plan.iQuality << "\n"
         << "codec = " << plan.sCodec << "\n"
         << "container = " << plan.sContainer << "\n"
         << "start_frame = " << plan.iStartFrame << "\n"
         << "frames = " << plan.iFrames << "\n"
         << "split = " << plan.sSplit << "\n"
         << "segments = " << plan.segments.size() << "\n";
    for (size_t i = 0; i < plan.segments.size(); ++i)
    {
        text << "segment." << i << " = " << plan.segments[i].iStartFrame << " "
             << plan.segments[i].iFrames << "\n";
        if (plan.segments[i].dEstimate > 0.0)
        {
            char szEstimate[32];
            std::snprintf(szEstimate, sizeof(szEstimate), "%.4f", plan.segments[i].dEstimate);
            text << "estimate." << i << " = " << szEstimate << "\n";
        }
    }
    return text.str();
}

bool ParsePlan(const std::string& sText, SRenderPlan& rPlan, std::string& sError)
{
    if (sText.rfind(std::string(kPlanHeader) + "\n", 0) != 0)
    {
        sError = "not a plan of this version of orv-render";
        return false;
    }
    const std::map<std::string, std::string> values = ReadValues(sText);
    SRenderPlan plan;
    auto text = [&](const char* szKey, std::string& rValue)
    {
        const auto it = values.find(szKey);
        rValue = it != values.end() ? it->second : std::string();
        return it != values.end();
    };
    if (!text("split", plan.sSplit))
    {
        plan.sSplit = "equal";
    }
    bool bOk = text("id", plan.sId) && text("version", plan.sVersion) &&
               text("demo", plan.sDemoDir) && text("music", plan.sMusic) &&
               text("codec", plan.sCodec) && text("container", plan.sContainer) &&
               ReadInt(values, "width", 1, plan.iWidth) &&
               ReadInt(values, "height", 1, plan.iHeight) && ReadInt(values, "fps", 1, plan.iFps) &&
               ReadInt(values, "quality", -1, plan.iQuality) &&
               ReadInt(values, "start_frame", 0, plan.iStartFrame) &&
               ReadInt(values, "frames", 1, plan.iFrames);
    bOk = bOk && plan.sId.size() == 12 && !GetMuxerForContainer(plan.sContainer).empty() &&
          ReadSegments(values, plan);
    if (!bOk)
    {
        sError = "the plan is damaged or incomplete (make it again with orv-render plan)";
        return false;
    }
    rPlan = std::move(plan);
    return true;
}

bool ReadPlan(const std::string& sDir, SRenderPlan& rPlan, std::string& sError)
{
    const std::filesystem::path file = std::filesystem::path(sDir) / "plan.txt";
    std::ifstream input(file, std::ios::binary);
    if (!input)
    {
        sError = "no plan in " + sDir + " (" + file.string() + " is missing)";
        return false;
    }
    std::ostringstream text;
    text << input.rdbuf();
    if (!ParsePlan(text.str(), rPlan, sError))
    {
        sError = file.string() + ": " + sError;
        return false;
    }
    return true;
}

std::string MakePlanId()
{
    std::random_device source;
    std::string sId;
    for (int i = 0; i < 12; ++i)
    {
        sId += "0123456789abcdef"[source() % 16];
    }
    return sId;
}

std::string GetMuxerForContainer(const std::string& sContainer)
{
    static const std::map<std::string, std::string> muxers = {
        {"avi", "avi"}, {"mp4", "mp4"}, {"mkv", "matroska"}, {"webm", "webm"}, {"mov", "mov"}};
    const auto it = muxers.find(sContainer);
    return it != muxers.end() ? it->second : std::string();
}

std::string GetContainerOfFile(const std::string& sFile)
{
    std::string sExt = std::filesystem::path(sFile).extension().string();
    if (!sExt.empty())
    {
        sExt.erase(0, 1);
    }
    std::transform(sExt.begin(), sExt.end(), sExt.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return sExt;
}
