#include "RenderProgress.h"

#include "RenderCommands.h"
#include "RenderSegments.h"

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace
{

// What GNU parallel's job log says of the segment's last job ("" when it has no line for
// it): a job that could not even start says nothing in the segment's own log.
std::string FindJobOutcome(const fs::path& dir, int iSegment)
{
    std::ifstream joblog(dir / "logs" / "parallel-joblog.txt");
    const std::string sCommand = MakeSegmentCommand(dir.string(), iSegment);
    std::string sLine;
    std::string sOutcome;
    while (std::getline(joblog, sLine))
    {
        std::vector<std::string> fields;
        std::istringstream columns(sLine);
        std::string sField;
        while (fields.size() < 8 && std::getline(columns, sField, '\t'))
        {
            fields.push_back(sField);
        }
        std::string sRest;
        std::getline(columns, sRest);
        if (fields.size() == 8 && sRest == sCommand && fields[6] != "0")
        {
            const std::string sHost = fields[1] == ":" ? "this machine" : fields[1];
            sOutcome = "its job ended on " + sHost + " with exit status " + fields[6] +
                       (fields[7] != "0" ? " (signal " + fields[7] + ")" : "") +
                       (fields[6] == "127" ? ": is orv-render installed there?" : "");
        }
    }
    return sOutcome;
}

// The newest Slurm output of the segment's task ("logs/slurm-JOB_TASK.out"; "" when none):
// what a task that died before the segment's own log says is there.
std::string FindSlurmOutput(const fs::path& dir, int iSegment)
{
    std::string sEnd = "_";
    sEnd += std::to_string(iSegment);
    sEnd += ".out";
    std::string sNewest;
    fs::file_time_type newest{};
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir / "logs", ec))
    {
        const std::string sName = entry.path().filename().string();
        if (sName.rfind("slurm-", 0) == 0 && sName.size() > sEnd.size() &&
            sName.compare(sName.size() - sEnd.size(), sEnd.size(), sEnd) == 0 &&
            (sNewest.empty() || entry.last_write_time(ec) > newest))
        {
            newest = entry.last_write_time(ec);
            sNewest = "logs/" + sName;
        }
    }
    return sNewest;
}

} // namespace

bool IsSegmentDone(const SRenderPlan& plan, const fs::path& dir, int iSegment,
                   std::string* psProblem)
{
    SSegmentFacts facts;
    std::string sProblem;
    const bool bDone = CheckSegmentFile(
        plan, iSegment, (dir / plan.GetSegmentFile(iSegment)).string(), facts, sProblem);
    if (psProblem != nullptr)
    {
        *psProblem = sProblem;
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

bool ReadPlanOrReport(const std::string& sDir, SRenderPlan& rPlan)
{
    std::string sError;
    if (!ReadPlan(sDir, rPlan, sError))
    {
        Report(sError);
        return false;
    }
    return true;
}

// The segment's reason for not being there, from its log.
std::string ExplainMissing(const SRenderPlan& plan, const fs::path& dir, int iSegment)
{
    std::error_code ec;
    std::string sProblem;
    if (fs::exists(dir / plan.GetSegmentFile(iSegment), ec) &&
        !IsSegmentDone(plan, dir, iSegment, &sProblem))
    {
        return sProblem + " (run redoes it)";
    }
    const std::string sReason = FindLastReason((dir / plan.GetLogFile(iSegment)).string());
    if (sReason.find(" done: ") != std::string::npos)
    {
        return "its file is gone (it was made once: " + sReason + ")";
    }
    if (!sReason.empty())
    {
        return sReason;
    }
    const std::string sOutcome = FindJobOutcome(dir, iSegment);
    if (!sOutcome.empty())
    {
        return sOutcome;
    }
    const std::string sSlurm = FindSlurmOutput(dir, iSegment);
    if (!sSlurm.empty())
    {
        return "its Slurm task ended before the segment's own log said anything (see " + sSlurm +
               ")";
    }
    return fs::exists(dir / plan.GetPartFile(iSegment), ec)
               ? "being rendered, or its job was stopped before it could say why"
               : "not rendered yet";
}
