#include "RenderSegments.h"

#include "RenderProcess.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace
{

using StreamFields = std::map<std::string, std::string>;

// One "key=value|key=value" line of ffprobe's compact output per stream.
std::vector<StreamFields> ParseStreams(const std::string& strOutput)
{
    std::vector<StreamFields> streams;
    std::istringstream lines(strOutput);
    std::string strLine;
    while (std::getline(lines, strLine))
    {
        StreamFields fields;
        std::istringstream parts(strLine);
        std::string strPart;
        while (std::getline(parts, strPart, '|'))
        {
            const size_t iEq = strPart.find('=');
            if (iEq != std::string::npos)
            {
                fields[strPart.substr(0, iEq)] = strPart.substr(iEq + 1);
            }
        }
        if (!fields.empty())
        {
            streams.push_back(std::move(fields));
        }
    }
    return streams;
}

std::string FirstLine(const std::string& strText)
{
    return strText.substr(0, strText.find('\n'));
}

// Checks the title "Orv VERSION rHASH TAG" against the plan.
bool CheckTitle(const SRenderPlan& plan, int iSegment, const std::string& strTitle,
                SSegmentFacts& rFacts, std::string& rsProblem)
{
    std::istringstream words(strTitle);
    std::string strEngine, strVersion, strRenderer, strTag;
    words >> strEngine >> strVersion >> strRenderer >> strTag;
    if (strEngine != "Orv" || strRenderer.size() != 9 || strRenderer[0] != 'r' || strTag.empty())
    {
        rsProblem = "not a segment made by orv-render (its title is \"" + strTitle + "\")";
        return false;
    }
    if (strVersion != plan.strVersion)
    {
        rsProblem = "made by Orv " + strVersion + ", but the plan is for Orv " + plan.strVersion;
        return false;
    }
    if (strTag != plan.GetSegmentTag(iSegment))
    {
        rsProblem = "belongs to another plan or place (it is \"" + strTag +
                    "\", this plan wants \"" + plan.GetSegmentTag(iSegment) + "\")";
        return false;
    }
    rFacts.strRenderer = strRenderer;
    return true;
}

bool CheckVideo(const SRenderPlan& plan, const SRenderSegment& segment, StreamFields& video,
                std::string& rsProblem)
{
    const std::string strRate = std::to_string(plan.iFps) + "/1";
    if (video["width"] != std::to_string(plan.iWidth) ||
        video["height"] != std::to_string(plan.iHeight) || video["r_frame_rate"] != strRate)
    {
        rsProblem = "its video is " + video["width"] + "x" + video["height"] + " at " +
                    video["r_frame_rate"] + " frames per second, the plan's " +
                    std::to_string(plan.iWidth) + "x" + std::to_string(plan.iHeight) + " at " +
                    strRate;
        return false;
    }
    if (video["nb_read_packets"] != std::to_string(segment.iFrames))
    {
        rsProblem = "incomplete: " + video["nb_read_packets"] + " of its " +
                    std::to_string(segment.iFrames) + " frames";
        return false;
    }
    return true;
}

} // namespace

bool CheckSegmentFile(const SRenderPlan& plan, int iSegment, const std::string& strFile,
                      SSegmentFacts& rFacts, std::string& rsProblem)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(strFile, ec))
    {
        rsProblem = "missing (" + strFile + " is not there)";
        return false;
    }
    SProcessRequest request;
    request.args = {"ffprobe",
                    "-v",
                    "error",
                    "-count_packets",
                    "-show_entries",
                    "stream=codec_type,codec_name,width,height,r_frame_rate,nb_read_packets:"
                    "stream_tags=title,handler_name",
                    "-of",
                    "compact=p=0",
                    strFile};
    const SProcessResult result = RunProcess(request);
    if (!result.Succeeded() || !result.strErrors.empty())
    {
        rsProblem = "damaged: ffprobe says \"" +
                    FirstLine(result.strErrors.empty() ? result.Describe() : result.strErrors) +
                    "\"";
        return false;
    }
    std::vector<StreamFields> streams = ParseStreams(result.strOutput);
    if (streams.size() != 1 || streams[0]["codec_type"] != "video")
    {
        rsProblem = "damaged: it should hold one video stream and nothing else, it holds " +
                    std::to_string(streams.size()) + " streams";
        return false;
    }
    StreamFields& video = streams[0];
    rFacts.strCodec = video["codec_name"];
    // MP4 and QuickTime files keep the title as the track handler's name.
    const std::string strTitle =
        video.count("tag:title") != 0 ? video["tag:title"] : video["tag:handler_name"];
    return CheckTitle(plan, iSegment, strTitle, rFacts, rsProblem) &&
           CheckVideo(plan, plan.segments[static_cast<size_t>(iSegment)], video, rsProblem);
}

std::string FindLastReason(const std::string& strLogFile)
{
    std::ifstream input(strLogFile);
    std::string strLine;
    std::string strLast;
    const std::string strMark = "orv-render: ";
    while (std::getline(input, strLine))
    {
        if (strLine.rfind(strMark, 0) == 0)
        {
            strLast = strLine.substr(strMark.size());
        }
    }
    return strLast;
}

void Report(const std::string& strText, const std::string& strLogFile)
{
    std::fprintf(stderr, "orv-render: %s\n", strText.c_str());
    if (!strLogFile.empty())
    {
        std::ofstream(strLogFile, std::ios::app) << "orv-render: " << strText << "\n";
    }
}
