// orv-render segment and status: one segment rendered by the player and checked before it
// is kept, and what of the plan is done.
#include "RenderCommands.h"
#include "RenderPlan.h"
#include "RenderProcess.h"
#include "RenderProgress.h"
#include "RenderSegments.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace
{

namespace fs = std::filesystem;

std::string GetPlayerProgram()
{
    const char* szPlayer = std::getenv("ORV_PLAYER");
    if (szPlayer != nullptr && *szPlayer != '\0')
    {
        return szPlayer;
    }
    const std::string sBeside = GetProgramFolder() + "/OrvPlayer";
    return IsProgramAvailable(sBeside) ? sBeside : "OrvPlayer";
}

std::vector<std::string> MakePlayerArgs(const SRenderPlan& plan, int iSegment,
                                        const std::string& sPart)
{
    const SRenderSegment& segment = plan.segments[static_cast<size_t>(iSegment)];
    std::vector<std::string> args = {GetPlayerProgram(),
                                     "--headless",
                                     "--mode",
                                     std::to_string(plan.iWidth) + "x" +
                                         std::to_string(plan.iHeight),
                                     "--record",
                                     sPart,
                                     "--fps",
                                     std::to_string(plan.iFps),
                                     "--start-frame",
                                     std::to_string(segment.iStartFrame),
                                     "--frames",
                                     std::to_string(segment.iFrames),
                                     "--no-sound",
                                     "--tag",
                                     plan.GetSegmentTag(iSegment)};
    if (!plan.sCodec.empty())
    {
        args.insert(args.end(), {"--codec", plan.sCodec});
    }
    if (plan.iQuality >= 0)
    {
        args.insert(args.end(), {"--quality", std::to_string(plan.iQuality)});
    }
    args.push_back(plan.sDemoDir);
    return args;
}

std::string DescribeAttempt()
{
    char szHost[256] = {};
    gethostname(szHost, sizeof(szHost) - 1);
    const std::time_t now = std::time(nullptr);
    char szTime[64] = {};
    std::strftime(szTime, sizeof(szTime), "%Y-%m-%d %H:%M:%S UTC", std::gmtime(&now));
    return std::string("attempt on ") + szHost + " at " + szTime;
}

// "0.163" of the single recording.
std::string FormatShare(double dShare)
{
    char szShare[32];
    std::snprintf(szShare, sizeof(szShare), "%.3f", dShare);
    return szShare;
}

} // namespace

std::string MakeSegmentCommand(const std::string& sDir, int iSegment)
{
    std::string sSelf = GetProgramFolder() + "/orv-render";
    return QuoteForShell(sSelf) + " segment " + QuoteForShell(sDir) + " " +
           (iSegment >= 0 ? std::to_string(iSegment) : std::string("\"$SLURM_ARRAY_TASK_ID\""));
}

int RenderSegment(const Words& args)
{
    SRenderPlan plan;
    if (args.size() != 2)
    {
        Report("segment wants DIR INDEX");
        return 2;
    }
    if (!ReadPlanOrReport(args[0], plan))
    {
        return 1;
    }
    const int iSegment = std::atoi(args[1].c_str());
    if (args[1].find_first_not_of("0123456789") != std::string::npos || iSegment < 0 ||
        iSegment >= static_cast<int>(plan.segments.size()))
    {
        Report("the plan has no segment \"" + args[1] + "\"");
        return 2;
    }
    const fs::path dir(args[0]);
    std::error_code ec;
    fs::create_directories(dir / "segments", ec);
    fs::create_directories(dir / "logs", ec);
    const std::string sName = NameSegment(iSegment);
    const std::string sLog = (dir / plan.GetLogFile(iSegment)).string();
    const std::string sPart = (dir / plan.GetPartFile(iSegment)).string();
    std::ofstream(sLog, std::ios::app) << "== " << DescribeAttempt() << "\n";
    fs::remove(sPart, ec);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SProcessRequest process;
    process.args = MakePlayerArgs(plan, iSegment, sPart);
    process.sLogFile = sLog;
    const auto start = std::chrono::steady_clock::now();
    const SProcessResult result = RunProcess(process);
    SSegmentFacts facts;
    std::string sProblem;
    if (!result.Succeeded())
    {
        sProblem = "the player failed (" + result.Describe() + ")";
    }
    else if (!CheckSegmentFile(plan, iSegment, sPart, facts, sProblem) ||
             (fs::rename(sPart, dir / plan.GetSegmentFile(iSegment), ec), ec))
    {
        sProblem = ec ? "cannot keep the file: " + ec.message() : sProblem;
    }
    if (!sProblem.empty())
    {
        fs::remove(sPart, ec);
        Report(sName + " failed: " + sProblem + " (log: " + sLog + ")", sLog);
        return 1;
    }
    const double dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char szDone[128];
    std::snprintf(szDone, sizeof(szDone), "%s done: %d frames in %.1f s", sName.c_str(),
                  plan.segments[static_cast<size_t>(iSegment)].iFrames, dSeconds);
    Report(szDone, sLog);
    return 0;
}

int ShowRenderStatus(const Words& args)
{
    SRenderPlan plan;
    if (args.size() != 1)
    {
        Report("status wants DIR");
        return 2;
    }
    if (!ReadPlanOrReport(args[0], plan))
    {
        return 1;
    }
    std::error_code ec;
    const fs::path dir = fs::absolute(args[0], ec).lexically_normal();
    size_t iDone = 0;
    for (size_t i = 0; i < plan.segments.size(); ++i)
    {
        const int iSegment = static_cast<int>(i);
        const SRenderSegment& segment = plan.segments[i];
        const bool bDone = IsSegmentDone(plan, dir, iSegment);
        iDone += bDone ? 1 : 0;
        const std::string sEstimate =
            segment.dEstimate > 0.0 ? "  estimate " + FormatShare(segment.dEstimate) : "";
        std::printf("%s  frames %d to %d%s  %s\n", NameSegment(iSegment).c_str(),
                    segment.iStartFrame, segment.iStartFrame + segment.iFrames - 1,
                    sEstimate.c_str(),
                    bDone ? "done" : ("missing: " + ExplainMissing(plan, dir, iSegment)).c_str());
    }
    std::printf("%s\n", DescribeSplit(plan).c_str());
    std::printf("%zu of %zu segments done%s\n", iDone, plan.segments.size(),
                iDone == plan.segments.size() ? "; ready to join" : "");
    return iDone == plan.segments.size() ? 0 : 1;
}
