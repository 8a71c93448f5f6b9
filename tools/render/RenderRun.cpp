// orv-render run: the missing segments handed to GNU parallel or to a Slurm job array,
// then the segments still missing named with their reasons.
#include "RenderCommands.h"
#include "RenderPlan.h"
#include "RenderProcess.h"
#include "RenderProgress.h"
#include "RenderSegments.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace
{

namespace fs = std::filesystem;

struct SRunRequest
{
    std::string sDir;
    std::string sEngine;
    std::string sJobs;              // -j N
    std::string sLoginFile;         // --sshloginfile FILE
    std::vector<std::string> extra; // after "--": sbatch options
};

bool ParseRunRequest(const Words& args, SRunRequest& rRequest, std::string& sError)
{
    for (size_t i = 0; i < args.size(); ++i)
    {
        const std::string& sArg = args[i];
        const bool bHasValue = i + 1 < args.size();
        if (sArg == "--")
        {
            rRequest.extra.assign(args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        if (sArg == "--with" && bHasValue)
        {
            rRequest.sEngine = args[++i];
        }
        else if (sArg == "-j" && bHasValue)
        {
            rRequest.sJobs = args[++i];
        }
        else if (sArg == "--sshloginfile" && bHasValue)
        {
            rRequest.sLoginFile = args[++i];
        }
        else if (rRequest.sDir.empty() && sArg.rfind("-", 0) != 0)
        {
            rRequest.sDir = sArg;
        }
        else
        {
            sError = "run: unexpected \"" + sArg + "\" (see orv-render --help)";
            return false;
        }
    }
    std::error_code ec;
    if (!rRequest.sDir.empty())
    {
        // The jobs may run elsewhere: they name the folder in full.
        rRequest.sDir = fs::absolute(rRequest.sDir, ec).lexically_normal().string();
    }
    if (rRequest.sDir.empty() || (rRequest.sEngine != "parallel" && rRequest.sEngine != "slurm"))
    {
        sError = "run wants DIR --with parallel or --with slurm";
        return false;
    }
    if (rRequest.sEngine == "slurm" && (!rRequest.sJobs.empty() || !rRequest.sLoginFile.empty()))
    {
        sError = "-j and --sshloginfile are GNU parallel's; give Slurm its options after --";
        return false;
    }
    return true;
}

// GNU parallel runs the missing segments' lines of the job list; a failed one is tried once
// more (on another host of the list, when there is one).
void RunWithParallel(const SRunRequest& request, const std::vector<int>& missing)
{
    const fs::path dir(request.sDir);
    const std::string sTodo = (dir / "logs" / "parallel-todo.txt").string();
    {
        std::ofstream todo(sTodo, std::ios::trunc);
        for (int iSegment : missing)
        {
            todo << MakeSegmentCommand(request.sDir, iSegment) << "\n";
        }
    }
    SProcessRequest process;
    process.args = {"parallel", "--will-cite", "--retries",
                    "2",        "--joblog",    (dir / "logs" / "parallel-joblog.txt").string()};
    if (!request.sJobs.empty())
    {
        process.args.insert(process.args.end(), {"-j", request.sJobs});
    }
    if (!request.sLoginFile.empty())
    {
        process.args.insert(process.args.end(), {"--sshloginfile", request.sLoginFile});
    }
    process.sInputFile = sTodo;
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
    const fs::path dir(request.sDir);
    const fs::path script = dir / "logs" / "slurm-segment.sh";
    {
        std::ofstream file(script, std::ios::trunc);
        file << "#!/bin/sh\n# One segment of the plan per task of the job array.\nexec "
             << MakeSegmentCommand(request.sDir, -1) << "\n";
    }
    fs::permissions(script, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    std::string sArray;
    for (int iSegment : missing)
    {
        if (!sArray.empty())
            sArray += ',';
        sArray += std::to_string(iSegment);
    }
    SProcessRequest process;
    process.args = {"sbatch",
                    "--wait",
                    "--parsable",
                    "--job-name=orv-render-" + plan.sId,
                    "--array=" + sArray,
                    "--output=" + (dir / "logs" / "slurm-%A_%a.out").string()};
    process.args.insert(process.args.end(), request.extra.begin(), request.extra.end());
    process.args.push_back(script.string());
    const SProcessResult result = RunProcess(process);
    if (!result.bStarted || (!result.Succeeded() && result.sOutput.empty()))
    {
        Report("sbatch failed (" + result.Describe() +
               "): " + result.sErrors.substr(0, result.sErrors.find('\n')));
    }
}

} // namespace

int RunRender(const Words& args)
{
    SRunRequest request;
    std::string sError;
    if (!ParseRunRequest(args, request, sError))
    {
        Report(sError);
        return 2;
    }
    SRenderPlan plan;
    if (!ReadPlanOrReport(request.sDir, plan))
    {
        return 1;
    }
    const std::string sProgram = request.sEngine == "parallel" ? "parallel" : "sbatch";
    if (!IsProgramAvailable(sProgram))
    {
        Report(request.sEngine == "parallel"
                   ? "GNU parallel is not installed (Debian: apt install parallel)"
                   : "Slurm's sbatch is not installed (Debian: apt install slurm-client)");
        return 1;
    }
    const fs::path dir(request.sDir);
    // One run at a time in a folder: two would render the same segments into one file.
    std::error_code ec;
    fs::create_directories(dir / "logs", ec);
    const int iLock = open((dir / "logs" / "run.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (iLock < 0 || flock(iLock, LOCK_EX | LOCK_NB) != 0)
    {
        Report(iLock < 0 ? "cannot write into " + request.sDir
                         : "another orv-render run is working on " + request.sDir +
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
                request.sEngine == "parallel" ? "GNU parallel" : "Slurm");
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    if (request.sEngine == "parallel")
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
