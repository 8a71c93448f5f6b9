// orv-render segment, run and status: one segment rendered by the player and checked, the
// missing segments handed to GNU parallel or to Slurm, and what is done.
#include "RenderCommands.h"
#include "RenderPlan.h"
#include "RenderProcess.h"
#include "RenderSegments.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

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
    const std::string strBeside = GetProgramFolder() + "/OrvPlayer";
    return IsProgramAvailable(strBeside) ? strBeside : "OrvPlayer";
}

std::vector<std::string> MakePlayerArgs(const SRenderPlan& plan, int iSegment,
                                        const std::string& strPart)
{
    const SRenderSegment& segment = plan.segments[static_cast<size_t>(iSegment)];
    std::vector<std::string> args = {GetPlayerProgram(),
                                     "--headless",
                                     "--mode",
                                     std::to_string(plan.iWidth) + "x" +
                                         std::to_string(plan.iHeight),
                                     "--record",
                                     strPart,
                                     "--fps",
                                     std::to_string(plan.iFps),
                                     "--start-frame",
                                     std::to_string(segment.iStartFrame),
                                     "--frames",
                                     std::to_string(segment.iFrames),
                                     "--no-sound",
                                     "--tag",
                                     plan.GetSegmentTag(iSegment)};
    if (!plan.strCodec.empty())
    {
        args.insert(args.end(), {"--codec", plan.strCodec});
    }
    if (plan.iQuality >= 0)
    {
        args.insert(args.end(), {"--quality", std::to_string(plan.iQuality)});
    }
    args.push_back(plan.strDemoDir);
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

// Done: there, complete and this plan's (a damaged or foreign file is redone).
bool IsSegmentDone(const SRenderPlan& plan, const fs::path& dir, int iSegment,
                   std::string* psProblem = nullptr)
{
    SSegmentFacts facts;
    std::string strProblem;
    const bool bDone = CheckSegmentFile(
        plan, iSegment, (dir / plan.GetSegmentFile(iSegment)).string(), facts, strProblem);
    if (psProblem != nullptr)
    {
        *psProblem = strProblem;
    }
    return bDone;
}

std::vector<int> ListMissing(const SRenderPlan& plan, const fs::path& dir)
{
    std::vector<int> missing;
    for (size_t i = 0; i < plan.segments.size(); ++i)
    {
        if (!IsSegmentDone(plan, dir, static_cast<int>(i)))
        {
            missing.push_back(static_cast<int>(i));
        }
    }
    return missing;
}

bool ReadPlanOrReport(const std::string& strDir, SRenderPlan& rPlan)
{
    std::string strError;
    if (!ReadPlan(strDir, rPlan, strError))
    {
        Report(strError);
        return false;
    }
    return true;
}

// What GNU parallel's job log says of the segment's last job ("" when it has no line for
// it): a job that could not even start says nothing in the segment's own log.
std::string FindJobOutcome(const fs::path& dir, int iSegment)
{
    std::ifstream joblog(dir / "logs" / "parallel-joblog.txt");
    const std::string strCommand = MakeSegmentCommand(dir.string(), iSegment);
    std::string strLine;
    std::string strOutcome;
    while (std::getline(joblog, strLine))
    {
        std::vector<std::string> fields;
        std::istringstream columns(strLine);
        std::string strField;
        while (fields.size() < 8 && std::getline(columns, strField, '\t'))
        {
            fields.push_back(strField);
        }
        std::string strRest;
        std::getline(columns, strRest);
        if (fields.size() == 8 && strRest == strCommand && fields[6] != "0")
        {
            const std::string strHost = fields[1] == ":" ? "this machine" : fields[1];
            strOutcome = "its job ended on " + strHost + " with exit status " + fields[6] +
                         (fields[7] != "0" ? " (signal " + fields[7] + ")" : "") +
                         (fields[6] == "127" ? ": is orv-render installed there?" : "");
        }
    }
    return strOutcome;
}

// The segment's reason for not being there, from its log.
std::string ExplainMissing(const SRenderPlan& plan, const fs::path& dir, int iSegment)
{
    std::error_code ec;
    std::string strProblem;
    if (fs::exists(dir / plan.GetSegmentFile(iSegment), ec) &&
        !IsSegmentDone(plan, dir, iSegment, &strProblem))
    {
        return strProblem + " (run redoes it)";
    }
    const std::string strReason = FindLastReason((dir / plan.GetLogFile(iSegment)).string());
    if (strReason.find(" done: ") != std::string::npos)
    {
        return "its file is gone (it was made once: " + strReason + ")";
    }
    if (!strReason.empty())
    {
        return strReason;
    }
    const std::string strOutcome = FindJobOutcome(dir, iSegment);
    if (!strOutcome.empty())
    {
        return strOutcome;
    }
    return fs::exists(dir / plan.GetPartFile(iSegment), ec)
               ? "being rendered, or its job was stopped before it could say why"
               : "not rendered yet";
}

struct SRunRequest
{
    std::string strDir;
    std::string strEngine;
    std::string strJobs;            // -j N
    std::string strLoginFile;       // --sshloginfile FILE
    std::vector<std::string> extra; // after "--": sbatch options
};

bool ParseRunRequest(const Words& args, SRunRequest& rRequest, std::string& rsError)
{
    for (size_t i = 0; i < args.size(); ++i)
    {
        const std::string& strArg = args[i];
        const bool bHasValue = i + 1 < args.size();
        if (strArg == "--")
        {
            rRequest.extra.assign(args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        if (strArg == "--with" && bHasValue)
        {
            rRequest.strEngine = args[++i];
        }
        else if (strArg == "-j" && bHasValue)
        {
            rRequest.strJobs = args[++i];
        }
        else if (strArg == "--sshloginfile" && bHasValue)
        {
            rRequest.strLoginFile = args[++i];
        }
        else if (rRequest.strDir.empty() && strArg.rfind("-", 0) != 0)
        {
            rRequest.strDir = strArg;
        }
        else
        {
            rsError = "run: unexpected \"" + strArg + "\" (see orv-render --help)";
            return false;
        }
    }
    std::error_code ec;
    if (!rRequest.strDir.empty())
    {
        // The jobs may run elsewhere: they name the folder in full.
        rRequest.strDir = fs::absolute(rRequest.strDir, ec).lexically_normal().string();
    }
    if (rRequest.strDir.empty() ||
        (rRequest.strEngine != "parallel" && rRequest.strEngine != "slurm"))
    {
        rsError = "run wants DIR --with parallel or --with slurm";
        return false;
    }
    if (rRequest.strEngine == "slurm" &&
        (!rRequest.strJobs.empty() || !rRequest.strLoginFile.empty()))
    {
        rsError = "-j and --sshloginfile are GNU parallel's; give Slurm its options after --";
        return false;
    }
    return true;
}

// GNU parallel runs the missing segments' lines of the job list; a failed one is tried once
// more (on another host of the list, when there is one).
void RunWithParallel(const SRunRequest& request, const std::vector<int>& missing)
{
    const fs::path dir(request.strDir);
    const std::string strTodo = (dir / "logs" / "parallel-todo.txt").string();
    {
        std::ofstream todo(strTodo, std::ios::trunc);
        for (int iSegment : missing)
        {
            todo << MakeSegmentCommand(request.strDir, iSegment) << "\n";
        }
    }
    SProcessRequest process;
    process.args = {"parallel", "--will-cite", "--retries",
                    "2",        "--joblog",    (dir / "logs" / "parallel-joblog.txt").string()};
    if (!request.strJobs.empty())
    {
        process.args.insert(process.args.end(), {"-j", request.strJobs});
    }
    if (!request.strLoginFile.empty())
    {
        process.args.insert(process.args.end(), {"--sshloginfile", request.strLoginFile});
    }
    process.strInputFile = strTodo;
    process.bPassOutputThrough = true;
    const SProcessResult result = RunProcess(process);
    if (!result.bStarted || result.iStatus > 100 || result.iSignal != 0)
    {
        Report("GNU parallel itself failed: " + result.Describe());
    }
}

// One Slurm job array over the missing segments; sbatch --wait returns when all are over.
void SubmitToSlurm(const SRunRequest& request, const SRenderPlan& plan,
                   const std::vector<int>& missing)
{
    const fs::path dir(request.strDir);
    const fs::path script = dir / "logs" / "slurm-segment.sh";
    {
        std::ofstream file(script, std::ios::trunc);
        file << "#!/bin/sh\n# One segment of the plan per task of the job array.\nexec "
             << MakeSegmentCommand(request.strDir, -1) << "\n";
    }
    fs::permissions(script, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    std::string strArray;
    for (int iSegment : missing)
    {
        strArray += (strArray.empty() ? "" : ",") + std::to_string(iSegment);
    }
    SProcessRequest process;
    process.args = {"sbatch",
                    "--wait",
                    "--parsable",
                    "--job-name=orv-render-" + plan.strId,
                    "--array=" + strArray,
                    "--output=" + (dir / "logs" / "slurm-%A_%a.out").string()};
    process.args.insert(process.args.end(), request.extra.begin(), request.extra.end());
    process.args.push_back(script.string());
    const SProcessResult result = RunProcess(process);
    if (!result.bStarted || (!result.Succeeded() && result.strOutput.empty()))
    {
        Report("sbatch failed (" + result.Describe() +
               "): " + result.strErrors.substr(0, result.strErrors.find('\n')));
    }
}

} // namespace

std::string MakeSegmentCommand(const std::string& strDir, int iSegment)
{
    std::string strSelf = GetProgramFolder() + "/orv-render";
    return QuoteForShell(strSelf) + " segment " + QuoteForShell(strDir) + " " +
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
    const std::string strName = NameSegment(iSegment);
    const std::string strLog = (dir / plan.GetLogFile(iSegment)).string();
    const std::string strPart = (dir / plan.GetPartFile(iSegment)).string();
    std::ofstream(strLog, std::ios::app) << "== " << DescribeAttempt() << "\n";
    fs::remove(strPart, ec);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SProcessRequest process;
    process.args = MakePlayerArgs(plan, iSegment, strPart);
    process.strLogFile = strLog;
    const auto start = std::chrono::steady_clock::now();
    const SProcessResult result = RunProcess(process);
    SSegmentFacts facts;
    std::string strProblem;
    if (!result.Succeeded())
    {
        strProblem = "the player failed (" + result.Describe() + ")";
    }
    else if (!CheckSegmentFile(plan, iSegment, strPart, facts, strProblem) ||
             (fs::rename(strPart, dir / plan.GetSegmentFile(iSegment), ec), ec))
    {
        strProblem = ec ? "cannot keep the file: " + ec.message() : strProblem;
    }
    if (!strProblem.empty())
    {
        fs::remove(strPart, ec);
        Report(strName + " failed: " + strProblem + " (log: " + strLog + ")", strLog);
        return 1;
    }
    const double dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char szDone[128];
    std::snprintf(szDone, sizeof(szDone), "%s done: %d frames in %.1f s", strName.c_str(),
                  plan.segments[static_cast<size_t>(iSegment)].iFrames, dSeconds);
    Report(szDone, strLog);
    return 0;
}

int RunRender(const Words& args)
{
    SRunRequest request;
    std::string strError;
    if (!ParseRunRequest(args, request, strError))
    {
        Report(strError);
        return 2;
    }
    SRenderPlan plan;
    if (!ReadPlanOrReport(request.strDir, plan))
    {
        return 1;
    }
    const std::string strProgram = request.strEngine == "parallel" ? "parallel" : "sbatch";
    if (!IsProgramAvailable(strProgram))
    {
        Report(request.strEngine == "parallel"
                   ? "GNU parallel is not installed (Debian: apt install parallel)"
                   : "Slurm's sbatch is not installed (Debian: apt install slurm-client)");
        return 1;
    }
    const fs::path dir(request.strDir);
    // One run at a time in a folder: two would render the same segments into one file.
    std::error_code ec;
    fs::create_directories(dir / "logs", ec);
    const int iLock = open((dir / "logs" / "run.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (iLock < 0 || flock(iLock, LOCK_EX | LOCK_NB) != 0)
    {
        Report(iLock < 0 ? "cannot write into " + request.strDir
                         : "another orv-render run is working on " + request.strDir +
                               "; wait for it to end (status shows what is done)");
        return 1;
    }
    std::vector<int> missing = ListMissing(plan, dir);
    if (missing.empty())
    {
        std::printf("all %zu segments are done already\n", plan.segments.size());
        return 0;
    }
    std::printf("rendering %zu of %zu segments with %s\n", missing.size(), plan.segments.size(),
                request.strEngine == "parallel" ? "GNU parallel" : "Slurm");
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    if (request.strEngine == "parallel")
    {
        RunWithParallel(request, missing);
    }
    else
    {
        // A failed task is submitted once more, alone with the other failed ones.
        for (int iPass = 0; iPass < 2 && !missing.empty(); ++iPass)
        {
            SubmitToSlurm(request, plan, missing);
            missing = ListMissing(plan, dir);
        }
    }
    missing = ListMissing(plan, dir);
    const double dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (int iSegment : missing)
    {
        Report(NameSegment(iSegment) + " is missing: " + ExplainMissing(plan, dir, iSegment));
    }
    std::printf("%zu of %zu segments done after %.1f s%s\n", plan.segments.size() - missing.size(),
                plan.segments.size(), dSeconds,
                missing.empty() ? "" : "; run again to redo only the missing ones");
    return missing.empty() ? 0 : 1;
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
        std::printf("%s  frames %d to %d  %s\n", NameSegment(iSegment).c_str(), segment.iStartFrame,
                    segment.iStartFrame + segment.iFrames - 1,
                    bDone ? "done" : ("missing: " + ExplainMissing(plan, dir, iSegment)).c_str());
    }
    std::printf("%zu of %zu segments done%s\n", iDone, plan.segments.size(),
                iDone == plan.segments.size() ? "; ready to join" : "");
    return iDone == plan.segments.size() ? 0 : 1;
}
