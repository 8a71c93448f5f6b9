// orv-render join: every segment checked, then FFmpeg's concat demuxer copies their video
// into one file, and the music is added once, cut to the stretch on the sample and encoded
// as the recorder encodes it for that container.
#include "RenderCommands.h"
#include "RenderPlan.h"
#include "RenderProcess.h"
#include "RenderSegments.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace
{

namespace fs = std::filesystem;

// Checks every segment; false (each problem said) when any is not fit to join. All must
// share the codec and renderer of the first sound one.
bool CheckAllSegments(const SRenderPlan& plan, const fs::path& dir)
{
    bool bOk = true;
    SSegmentFacts first;
    int iFirst = -1;
    for (size_t i = 0; i < plan.segments.size(); ++i)
    {
        const int iSegment = static_cast<int>(i);
        SSegmentFacts facts;
        std::string strProblem;
        const std::string strFile = (dir / plan.GetSegmentFile(iSegment)).string();
        const bool bSound = CheckSegmentFile(plan, iSegment, strFile, facts, strProblem);
        if (bSound && iFirst < 0)
        {
            first = facts;
            iFirst = iSegment;
        }
        else if (bSound &&
                 (facts.strCodec != first.strCodec || facts.strRenderer != first.strRenderer))
        {
            strProblem = "made with another codec or renderer (" + facts.strCodec + ", " +
                         facts.strRenderer + ") than " + NameSegment(iFirst) + " (" +
                         first.strCodec + ", " + first.strRenderer + ")";
        }
        if (!strProblem.empty())
        {
            Report(NameSegment(iSegment) + ": " + strProblem);
            bOk = false;
        }
    }
    return bOk;
}

bool WriteConcatList(const SRenderPlan& plan, const fs::path& list)
{
    std::ofstream file(list, std::ios::trunc);
    file << "ffconcat version 1.0\n";
    for (size_t i = 0; i < plan.segments.size(); ++i)
    {
        // The list's names are relative to the list itself, which lives in DIR.
        file << "file '" << plan.GetSegmentFile(static_cast<int>(i)) << "'\n";
    }
    return static_cast<bool>(file.flush());
}

struct SSoundFacts
{
    int iRate = 0;
    int iChannels = 0;
};

bool ProbeSound(const std::string& strMusic, SSoundFacts& rFacts)
{
    SProcessRequest request;
    request.args = {"ffprobe",
                    "-v",
                    "error",
                    "-select_streams",
                    "a:0",
                    "-show_entries",
                    "stream=sample_rate,channels",
                    "-of",
                    "csv=p=0",
                    strMusic};
    const SProcessResult result = RunProcess(request);
    return result.Succeeded() &&
           std::sscanf(result.strOutput.c_str(), "%d,%d", &rFacts.iRate, &rFacts.iChannels) == 2 &&
           rFacts.iRate > 0 && rFacts.iChannels > 0;
}

bool HasEncoder(const std::string& strName)
{
    SProcessRequest request;
    request.args = {"ffmpeg", "-hide_banner", "-encoders"};
    const SProcessResult result = RunProcess(request);
    return result.strOutput.find(" " + strName + " ") != std::string::npos;
}

// The sound arguments: the music's samples from the stretch's first frame for as long as
// its frames last (the recorder's own count), in the recorder's codec for the container.
std::vector<std::string> MakeSoundArgs(const SRenderPlan& plan, const std::string& strContainer,
                                       const SSoundFacts& sound)
{
    const double dStart = static_cast<double>(plan.iStartFrame) / plan.iFps;
    const long long llFirst = static_cast<long long>(std::floor(dStart * sound.iRate + 0.5));
    const double dSeconds = static_cast<double>(plan.iFrames) / plan.iFps;
    const long long llCount = static_cast<long long>(dSeconds * sound.iRate);
    std::vector<std::string> args = {"-map", "1:a:0", "-af",
                                     "atrim=start_sample=" + std::to_string(llFirst) +
                                         ":end_sample=" + std::to_string(llFirst + llCount) +
                                         ",asetpts=N/SR/TB"};
    std::string strCodec = "pcm_s16le";
    if (strContainer == "mp4")
    {
        strCodec = "aac";
    }
    else if (strContainer == "mkv" || strContainer == "webm")
    {
        strCodec = HasEncoder("libopus") ? "libopus" : "libvorbis";
    }
    args.insert(args.end(), {"-c:a", strCodec});
    if (strCodec != "pcm_s16le")
    {
        args.insert(args.end(), {"-b:a", std::to_string(96000 * sound.iChannels)});
    }
    return args;
}

// Counts the video frames of the joined file; -1 when it cannot be read.
long CountVideoFrames(const std::string& strFile)
{
    SProcessRequest request;
    request.args = {"ffprobe",
                    "-v",
                    "error",
                    "-count_packets",
                    "-select_streams",
                    "v:0",
                    "-show_entries",
                    "stream=nb_read_packets",
                    "-of",
                    "csv=p=0",
                    strFile};
    const SProcessResult result = RunProcess(request);
    long lFrames = -1;
    if (!result.Succeeded() || std::sscanf(result.strOutput.c_str(), "%ld", &lFrames) != 1)
    {
        return -1;
    }
    return lFrames;
}

} // namespace

int JoinRender(const Words& args)
{
    if (args.size() != 2)
    {
        Report("join wants DIR OUTPUT_FILE");
        return 2;
    }
    SRenderPlan plan;
    std::string strError;
    if (!ReadPlan(args[0], plan, strError))
    {
        Report(strError);
        return 1;
    }
    const fs::path dir = fs::absolute(args[0]);
    const std::string strOutput = fs::absolute(args[1]).string();
    const std::string strContainer = GetContainerOfFile(strOutput);
    const std::string strMuxer = GetMuxerForContainer(strContainer);
    if (strMuxer.empty())
    {
        Report("the joined file's name should end in .avi, .mp4, .mkv, .webm or .mov");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    if (!CheckAllSegments(plan, dir))
    {
        Report("nothing joined: run \"orv-render run " + args[0] +
               "\" again to redo what is missing");
        return 1;
    }
    std::error_code ec;
    const fs::path concat = dir / "concat.txt";
    SSoundFacts sound;
    const bool bSound = !plan.strMusic.empty() && ProbeSound(plan.strMusic, sound);
    if (!plan.strMusic.empty() && !bSound)
    {
        Report("cannot read the music " + plan.strMusic + ": the joined file has no sound");
    }
    if (!WriteConcatList(plan, concat))
    {
        Report("cannot write " + concat.string());
        return 1;
    }
    const std::string strPartial = strOutput + ".partial";
    SProcessRequest request;
    request.args = {"ffmpeg", "-v",    "error", "-nostdin", "-y",           "-f",
                    "concat", "-safe", "0",     "-i",       concat.string()};
    if (bSound)
    {
        request.args.insert(request.args.end(), {"-i", plan.strMusic});
        for (const std::string& strArg : MakeSoundArgs(plan, strContainer, sound))
        {
            request.args.push_back(strArg);
        }
    }
    request.args.insert(request.args.end(), {"-map", "0:v:0", "-c:v", "copy", "-f", strMuxer});
    if (strMuxer == "mp4" || strMuxer == "mov")
    {
        request.args.insert(request.args.end(), {"-movflags", "+faststart"});
    }
    request.args.push_back(strPartial);
    const SProcessResult result = RunProcess(request);
    const long lFrames = result.Succeeded() ? CountVideoFrames(strPartial) : -1;
    if (!result.Succeeded() || lFrames != plan.iFrames)
    {
        fs::remove(strPartial, ec);
        Report("joining failed (" +
               (result.Succeeded() ? std::to_string(lFrames) + " of " +
                                         std::to_string(plan.iFrames) + " frames came out"
                                   : "ffmpeg: " + result.Describe() + ": " +
                                         result.strErrors.substr(0, result.strErrors.find('\n'))) +
               "); nothing written");
        return 1;
    }
    fs::rename(strPartial, strOutput, ec);
    if (ec)
    {
        fs::remove(strPartial, ec);
        Report("cannot write " + strOutput);
        return 1;
    }
    const double dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("joined %zu segments (%d frames, %.2f s%s) into %s in %.1f s\n",
                plan.segments.size(), plan.iFrames, static_cast<double>(plan.iFrames) / plan.iFps,
                bSound ? ", with the music" : ", no sound", strOutput.c_str(), dSeconds);
    return 0;
}
