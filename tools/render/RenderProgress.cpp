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

// The newest Slurm output of the segment's task ("logs/slurm-JOB_TASK.out"; "" when none):
// what a task that died before the segment's own log says is there.
std::string FindSlurmOutput(const fs::path& dir, int iSegment)
{
    std::string strEnd = "_";
    strEnd += std::to_string(iSegment);
    strEnd += ".out";
    std::string strNewest;
    fs::file_time_type newest{};
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir / "logs", ec))
    {
        const std::string strName = entry.path().filename().string();
        if (strName.rfind("slurm-", 0) == 0 && strName.size() > strEnd.size() &&
            strName.compare(strName.size() - strEnd.size(), strEnd.size(), strEnd) == 0 &&
            (strNewest.empty() || entry.last_write_time(ec) > newest))
        {
            newest = entry.last_write_time(ec);
            strNewest = "logs/" + strName;
        }
    }
    return strNewest;
}

} // namespace

bool IsSegmentDone(const SRenderPlan& plan, const fs::path& dir, int iSegment,
                   std::string* psProblem)
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
    const std::string strSlurm = FindSlurmOutput(dir, iSegment);
    if (!strSlurm.empty())
    {
        return "its Slurm task ended before the segment's own log said anything (see " + strSlurm +
               ")";
    }
    return fs::exists(dir / plan.GetPartFile(iSegment), ec)
               ? "being rendered, or its job was stopped before it could say why"
               : "not rendered yet";
}
