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
std::vector<StreamFields> ParseStreams(const std::string& sOutput)
{
    std::vector<StreamFields> streams;
    std::istringstream lines(sOutput);
    std::string sLine;
    while (std::getline(lines, sLine))
    {
        StreamFields fields;
        std::istringstream parts(sLine);
        std::string sPart;
        while (std::getline(parts, sPart, '|'))
        {
            const size_t iEq = sPart.find('=');
            if (iEq != std::string::npos)
            {
                fields[sPart.substr(0, iEq)] = sPart.substr(iEq + 1);
            }
        }
        if (!fields.empty())
        {
            streams.push_back(std::move(fields));
        }
    }
    return streams;
}

std::string FirstLine(const std::string& sText)
{
    return sText.substr(0, sText.find('\n'));
}

// Checks the title "Orv VERSION rHASH TAG" against the plan.
bool CheckTitle(const SRenderPlan& plan, int iSegment, const std::string& sTitle,
                SSegmentFacts& rFacts, std::string& sProblem)
{
    std::istringstream words(sTitle);
    std::string sEngine, sVersion, sRenderer, sTag;
    words >> sEngine >> sVersion >> sRenderer >> sTag;
    if (sEngine != "Orv" || sRenderer.size() != 9 || sRenderer[0] != 'r' || sTag.empty())
    {
        sProblem = "not a segment made by orv-render (its title is \"" + sTitle + "\")";
        return false;
    }
    if (sVersion != plan.sVersion)
    {
        sProblem = "made by Orv " + sVersion + ", but the plan is for Orv " + plan.sVersion;
        return false;
    }
    if (sTag != plan.GetSegmentTag(iSegment))
    {
        sProblem = "belongs to another plan or place (it is \"" + sTag + "\", this plan wants \"" +
                   plan.GetSegmentTag(iSegment) + "\")";
        return false;
    }
    rFacts.sRenderer = sRenderer;
    return true;
}

bool CheckVideo(const SRenderPlan& plan, const SRenderSegment& segment, StreamFields& video,
                std::string& sProblem)
{
    const std::string sRate = std::to_string(plan.iFps) + "/1";
    if (video["width"] != std::to_string(plan.iWidth) ||
        video["height"] != std::to_string(plan.iHeight) || video["r_frame_rate"] != sRate)
    {
        sProblem = "its video is " + video["width"] + "x" + video["height"] + " at " +
                   video["r_frame_rate"] + " frames per second, the plan's " +
                   std::to_string(plan.iWidth) + "x" + std::to_string(plan.iHeight) + " at " +
                   sRate;
        return false;
    }
    if (video["nb_read_packets"] != std::to_string(segment.iFrames))
    {
        sProblem = "incomplete: " + video["nb_read_packets"] + " of its " +
                   std::to_string(segment.iFrames) + " frames";
        return false;
    }
    return true;
}

} // namespace

bool CheckSegmentFile(const SRenderPlan& plan, int iSegment, const std::string& sFile,
                      SSegmentFacts& rFacts, std::string& sProblem)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(sFile, ec))
    {
        sProblem = "missing (" + sFile + " is not there)";
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
                    sFile};
    const SProcessResult result = RunProcess(request);
    if (!result.Succeeded() || !result.sErrors.empty())
    {
        sProblem = "damaged: ffprobe says \"" +
                   FirstLine(result.sErrors.empty() ? result.Describe() : result.sErrors) + "\"";
        return false;
    }
    std::vector<StreamFields> streams = ParseStreams(result.sOutput);
    if (streams.size() != 1 || streams[0]["codec_type"] != "video")
    {
        sProblem = "damaged: it should hold one video stream and nothing else, it holds " +
                   std::to_string(streams.size()) + " streams";
        return false;
    }
    StreamFields& video = streams[0];
    rFacts.sCodec = video["codec_name"];
    // MP4 and QuickTime files keep the title as the track handler's name.
    const std::string sTitle =
        video.count("tag:title") != 0 ? video["tag:title"] : video["tag:handler_name"];
    return CheckTitle(plan, iSegment, sTitle, rFacts, sProblem) &&
           CheckVideo(plan, plan.segments[static_cast<size_t>(iSegment)], video, sProblem);
}

std::string FindLastReason(const std::string& sLogFile)
{
    std::ifstream input(sLogFile);
    std::string sLine;
    std::string sLast;
    const std::string sMark = "orv-render: ";
    while (std::getline(input, sLine))
    {
        if (sLine.rfind(sMark, 0) == 0)
        {
            sLast = sLine.substr(sMark.size());
        }
    }
    return sLast;
}

void Report(const std::string& sText, const std::string& sLogFile)
{
    std::fprintf(stderr, "orv-render: %s\n", sText.c_str());
    if (!sLogFile.empty())
    {
        std::ofstream(sLogFile, std::ios::app) << "orv-render: " << sText << "\n";
    }
}
