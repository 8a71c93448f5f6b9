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
        std::string sProblem;
        const std::string sFile = (dir / plan.GetSegmentFile(iSegment)).string();
        const bool bSound = CheckSegmentFile(plan, iSegment, sFile, facts, sProblem);
        if (bSound && iFirst < 0)
        {
            first = facts;
            iFirst = iSegment;
        }
        else if (bSound && (facts.sCodec != first.sCodec || facts.sRenderer != first.sRenderer))
        {
            sProblem = "made with another codec or renderer (" + facts.sCodec + ", " +
                       facts.sRenderer + ") than " + NameSegment(iFirst) + " (" + first.sCodec +
                       ", " + first.sRenderer + ")";
        }
        if (!sProblem.empty())
        {
            Report(NameSegment(iSegment) + ": " + sProblem);
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

bool ProbeSound(const std::string& sMusic, SSoundFacts& rFacts)
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
                    sMusic};
    const SProcessResult result = RunProcess(request);
    return result.Succeeded() &&
           std::sscanf(result.sOutput.c_str(), "%d,%d", &rFacts.iRate, &rFacts.iChannels) == 2 &&
           rFacts.iRate > 0 && rFacts.iChannels > 0;
}

bool HasEncoder(const std::string& sName)
{
    SProcessRequest request;
    request.args = {"ffmpeg", "-hide_banner", "-encoders"};
    const SProcessResult result = RunProcess(request);
    return result.sOutput.find(" " + sName + " ") != std::string::npos;
}

// The sound arguments: the music's samples from the stretch's first frame for as long as
// its frames last (the recorder's own count), in the recorder's codec for the container.
std::vector<std::string> MakeSoundArgs(const SRenderPlan& plan, const std::string& sContainer,
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
    std::string sCodec = "pcm_s16le";
    if (sContainer == "mp4")
    {
        sCodec = "aac";
    }
    else if (sContainer == "mkv" || sContainer == "webm")
    {
        sCodec = HasEncoder("libopus") ? "libopus" : "libvorbis";
    }
    args.insert(args.end(), {"-c:a", sCodec});
    if (sCodec != "pcm_s16le")
    {
        args.insert(args.end(), {"-b:a", std::to_string(96000 * sound.iChannels)});
    }
    return args;
}

// Counts the video frames of the joined file; -1 when it cannot be read.
long CountVideoFrames(const std::string& sFile)
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
                    sFile};
    const SProcessResult result = RunProcess(request);
    long lFrames = -1;
    if (!result.Succeeded() || std::sscanf(result.sOutput.c_str(), "%ld", &lFrames) != 1)
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
    std::string sError;
    if (!ReadPlan(args[0], plan, sError))
    {
        Report(sError);
        return 1;
    }
    const fs::path dir = fs::absolute(args[0]);
    const std::string sOutput = fs::absolute(args[1]).string();
    const std::string sContainer = GetContainerOfFile(sOutput);
    const std::string sMuxer = GetMuxerForContainer(sContainer);
    if (sMuxer.empty())
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
    const bool bSound = !plan.sMusic.empty() && ProbeSound(plan.sMusic, sound);
    if (!plan.sMusic.empty() && !bSound)
    {
        Report("cannot read the music " + plan.sMusic + ": the joined file has no sound");
    }
    if (!WriteConcatList(plan, concat))
    {
        Report("cannot write " + concat.string());
        return 1;
    }
    const std::string sPartial = sOutput + ".partial";
    SProcessRequest request;
    request.args = {"ffmpeg", "-v",    "error", "-nostdin", "-y",           "-f",
                    "concat", "-safe", "0",     "-i",       concat.string()};
    if (bSound)
    {
        request.args.insert(request.args.end(), {"-i", plan.sMusic});
        for (const std::string& sArg : MakeSoundArgs(plan, sContainer, sound))
        {
            request.args.push_back(sArg);
        }
    }
    request.args.insert(request.args.end(), {"-map", "0:v:0", "-c:v", "copy", "-f", sMuxer});
    if (sMuxer == "mp4" || sMuxer == "mov")
    {
        request.args.insert(request.args.end(), {"-movflags", "+faststart"});
    }
    request.args.push_back(sPartial);
    const SProcessResult result = RunProcess(request);
    const long lFrames = result.Succeeded() ? CountVideoFrames(sPartial) : -1;
    if (!result.Succeeded() || lFrames != plan.iFrames)
    {
        fs::remove(sPartial, ec);
        Report("joining failed (" +
               (result.Succeeded() ? std::to_string(lFrames) + " of " +
                                         std::to_string(plan.iFrames) + " frames came out"
                                   : "ffmpeg: " + result.Describe() + ": " +
                                         result.sErrors.substr(0, result.sErrors.find('\n'))) +
               "); nothing written");
        return 1;
    }
    fs::rename(sPartial, sOutput, ec);
    if (ec)
    {
        fs::remove(sPartial, ec);
        Report("cannot write " + sOutput);
        return 1;
    }
    const double dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("joined %zu segments (%d frames, %.2f s%s) into %s in %.1f s\n",
                plan.segments.size(), plan.iFrames, static_cast<double>(plan.iFrames) / plan.iFps,
                bSound ? ", with the music" : ", no sound", sOutput.c_str(), dSeconds);
    return 0;
}
