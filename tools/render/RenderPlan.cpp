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

bool ReadInt(const std::map<std::string, std::string>& values, const std::string& strKey, int iMin,
             int& riValue)
{
    const auto it = values.find(strKey);
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

std::map<std::string, std::string> ReadValues(const std::string& strText)
{
    std::map<std::string, std::string> values;
    std::istringstream lines(strText);
    std::string strLine;
    std::getline(lines, strLine);
    while (std::getline(lines, strLine))
    {
        const size_t iEq = strLine.find(" = ");
        if (iEq != std::string::npos)
        {
            values[strLine.substr(0, iEq)] = strLine.substr(iEq + 3);
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
    return "segments/" + NameSegment(iSegment) + "." + strContainer;
}

std::string SRenderPlan::GetPartFile(int iSegment) const
{
    return "segments/" + NameSegment(iSegment) + ".part." + strContainer;
}

std::string SRenderPlan::GetLogFile(int iSegment) const
{
    return "logs/" + NameSegment(iSegment) + ".log";
}

std::string SRenderPlan::GetSegmentTag(int iSegment) const
{
    return "p" + strId + "s" + std::to_string(iSegment);
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
    if (plan.strSplit != "cost" || slowest == plan.segments.end() || slowest->dEstimate <= 0.0)
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
         << "id = " << plan.strId << "\n"
         << "version = " << plan.strVersion << "\n"
         << "demo = " << plan.strDemoDir << "\n"
         << "music = " << plan.strMusic << "\n"
         << "width = " << plan.iWidth << "\n"
         << "height = " << plan.iHeight << "\n"
         << "fps = " << plan.iFps << "\n"
         << "quality = " << plan.iQuality << "\n"
         << "codec = " << plan.strCodec << "\n"
         << "container = " << plan.strContainer << "\n"
         << "start_frame = " << plan.iStartFrame << "\n"
         << "frames = " << plan.iFrames << "\n"
         << "split = " << plan.strSplit << "\n"
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

bool ParsePlan(const std::string& strText, SRenderPlan& rPlan, std::string& rsError)
{
    if (strText.rfind(std::string(kPlanHeader) + "\n", 0) != 0)
    {
        rsError = "not a plan of this version of orv-render";
        return false;
    }
    const std::map<std::string, std::string> values = ReadValues(strText);
    SRenderPlan plan;
    auto text = [&](const char* szKey, std::string& rValue)
    {
        const auto it = values.find(szKey);
        rValue = it != values.end() ? it->second : std::string();
        return it != values.end();
    };
    if (!text("split", plan.strSplit))
    {
        plan.strSplit = "equal";
    }
    bool bOk = text("id", plan.strId) && text("version", plan.strVersion) &&
               text("demo", plan.strDemoDir) && text("music", plan.strMusic) &&
               text("codec", plan.strCodec) && text("container", plan.strContainer) &&
               ReadInt(values, "width", 1, plan.iWidth) &&
               ReadInt(values, "height", 1, plan.iHeight) && ReadInt(values, "fps", 1, plan.iFps) &&
               ReadInt(values, "quality", -1, plan.iQuality) &&
               ReadInt(values, "start_frame", 0, plan.iStartFrame) &&
               ReadInt(values, "frames", 1, plan.iFrames);
    bOk = bOk && plan.strId.size() == 12 && !GetMuxerForContainer(plan.strContainer).empty() &&
          ReadSegments(values, plan);
    if (!bOk)
    {
        rsError = "the plan is damaged or incomplete (make it again with orv-render plan)";
        return false;
    }
    rPlan = std::move(plan);
    return true;
}

bool ReadPlan(const std::string& strDir, SRenderPlan& rPlan, std::string& rsError)
{
    const std::filesystem::path file = std::filesystem::path(strDir) / "plan.txt";
    std::ifstream input(file, std::ios::binary);
    if (!input)
    {
        rsError = "no plan in " + strDir + " (" + file.string() + " is missing)";
        return false;
    }
    std::ostringstream text;
    text << input.rdbuf();
    if (!ParsePlan(text.str(), rPlan, rsError))
    {
        rsError = file.string() + ": " + rsError;
        return false;
    }
    return true;
}

std::string MakePlanId()
{
    std::random_device source;
    std::string strId;
    for (int i = 0; i < 12; ++i)
    {
        strId += "0123456789abcdef"[source() % 16];
    }
    return strId;
}

std::string GetMuxerForContainer(const std::string& strContainer)
{
    static const std::map<std::string, std::string> muxers = {
        {"avi", "avi"}, {"mp4", "mp4"}, {"mkv", "matroska"}, {"webm", "webm"}, {"mov", "mov"}};
    const auto it = muxers.find(strContainer);
    return it != muxers.end() ? it->second : std::string();
}

std::string GetContainerOfFile(const std::string& strFile)
{
    std::string strExt = std::filesystem::path(strFile).extension().string();
    if (!strExt.empty())
    {
        strExt.erase(0, 1);
    }
    std::transform(strExt.begin(), strExt.end(), strExt.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return strExt;
}
