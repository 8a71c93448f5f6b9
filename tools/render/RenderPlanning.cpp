// orv-render plan: reads what the recording needs to know of the demo (its music, tempo and
// length) and writes the plan and the job list.
#include "PlayerMusic.h"
#include "PlayerOptions.h"
#include "PlayerTiming.h"
#include "PrerollPlan.h"
#include "RenderEstimate.h"
#include "RenderCommands.h"
#include "RenderPlan.h"
#include "RenderSegments.h"
#include "core/OrvVersion.h"
#include "document/OrvDemo.h"
#include "vfw.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace
{

struct SPlanRequest
{
    std::string strDemoDir;
    std::string strOut;
    int iSegments = 0;
    SPlayerOptions recording; // mode, fps, codec, quality, start, duration as the player's
    std::string strContainer = "avi";
};

struct SShowFacts
{
    std::string strMusic;
    double dMusicSeconds = 0.0;
};

bool IsOption(const std::string& strArg, const char* szName)
{
    return strArg == szName || strArg.rfind(std::string(szName) + "=", 0) == 0;
}

// The codec must exist and fit the segments' container (checked here, not on every host).
bool CheckCodec(const std::string& strCodec, const std::string& strContainer, std::string& rsError)
{
    if (!strCodec.empty() && AVISetCompressorA(strCodec.c_str()) != AVIERR_OK)
    {
        rsError = "unknown codec \"" + strCodec + "\": FFmpeg has no such video encoder";
        return false;
    }
    char szEncoder[64] = {};
    if (AVIGetCompressorForFileA(("segment." + strContainer).c_str(), szEncoder,
                                 sizeof(szEncoder)) != AVIERR_OK)
    {
        rsError = "a ." + strContainer + " file cannot hold " + szEncoder +
                  " video (choose another --codec or --container)";
        return false;
    }
    return true;
}

// Reads the plan's own options, and hands the recording options to the player's parser
// (so they mean exactly what they mean to OrvPlayer --record).
bool ParsePlanRequest(const Words& args, SPlanRequest& rRequest, std::string& rsError)
{
    std::vector<std::string> playerArgs = {"orv-render", "--record", "plan.avi"};
    for (size_t i = 0; i < args.size(); ++i)
    {
        const std::string& strArg = args[i];
        const size_t iEq = strArg.find('=');
        const bool bInline = iEq != std::string::npos && strArg.rfind("--", 0) == 0;
        auto value = [&]() -> std::string
        { return bInline ? strArg.substr(iEq + 1) : (i + 1 < args.size() ? args[++i] : ""); };
        if (IsOption(strArg, "--out"))
        {
            rRequest.strOut = value();
        }
        else if (IsOption(strArg, "--segments"))
        {
            rRequest.iSegments = std::atoi(value().c_str());
        }
        else if (IsOption(strArg, "--container"))
        {
            rRequest.strContainer = value();
        }
        else
        {
            playerArgs.push_back(strArg);
        }
    }
    std::vector<const char*> argv;
    for (const std::string& strArg : playerArgs)
    {
        argv.push_back(strArg.c_str());
    }
    SPlayerOptions& rOptions = rRequest.recording;
    if (ParsePlayerOptions(static_cast<int>(argv.size()), argv.data(), rOptions, rsError) !=
        PARSE_RUN)
    {
        rsError = rsError.empty() ? "see orv-render --help" : rsError;
        return false;
    }
    rRequest.strDemoDir = rOptions.strDemoDir;
    if (rRequest.strOut.empty() || rRequest.iSegments < 1 || rRequest.iSegments > 10000)
    {
        rsError = "plan wants --out DIR and --segments N (1 to 10000)";
        return false;
    }
    if (GetMuxerForContainer(rRequest.strContainer).empty())
    {
        rsError =
            "--container wants avi, mp4, mkv, webm or mov, not \"" + rRequest.strContainer + "\"";
        return false;
    }
    return CheckCodec(rOptions.strCodec, rRequest.strContainer, rsError);
}

// Loads the demo's document (no device, no sound) for its music file and length.
bool ReadShowFacts(const std::string& strDemoDir, SShowFacts& rFacts, std::string& rsError)
{
    const std::filesystem::path previous = std::filesystem::current_path();
    if (chdir(strDemoDir.c_str()) != 0)
    {
        rsError = "no demo folder \"" + strDemoDir + "\"";
        return false;
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1); // the music is read, never played
    COrvDemo demo;
    const bool bLoaded = demo.Load("demo.orv");
    if (bLoaded)
    {
        const std::string strMusic = GetMusicFilePath(&demo);
        std::error_code ec;
        rFacts.strMusic =
            strMusic.empty() ? std::string() : std::filesystem::absolute(strMusic, ec).string();
        rFacts.dMusicSeconds = strMusic.empty() ? 0.0 : GetSoundFileSeconds(rFacts.strMusic);
    }
    demo.BassStop();
    std::filesystem::current_path(previous);
    if (!bLoaded)
    {
        rsError = "cannot read demo.orv in \"" + strDemoDir + "\"";
    }
    return bLoaded;
}

// The stretch on the frame grid: from the first frame at or after --start, for --duration
// or to the end of the music (275 s when there is none, as the player does).
bool ChooseFrames(const SPlanRequest& request, const SShowFacts& facts, SRenderPlan& rPlan,
                  std::string& rsError)
{
    const SPlayerOptions& options = request.recording;
    rPlan.iStartFrame = static_cast<int>(std::ceil(options.dStart * options.iFps - 1e-6));
    const double dStart = static_cast<double>(rPlan.iStartFrame) / options.iFps;
    double dSeconds = options.dDuration;
    if (!options.bDurationGiven && facts.dMusicSeconds > 0.0)
    {
        dSeconds = facts.dMusicSeconds - dStart;
    }
    if (facts.dMusicSeconds > 0.0 && dStart >= facts.dMusicSeconds)
    {
        rsError = "--start is past the end of the show";
        return false;
    }
    rPlan.iFrames = options.iFrames > 0 ? options.iFrames : CountFrames(dSeconds, options.iFps);
    return true;
}

bool WriteFile(const std::filesystem::path& path, const std::string& strText)
{
    std::ofstream output(path, std::ios::binary | std::ios::trunc);
    output << strText;
    return static_cast<bool>(output.flush());
}

bool WritePlanFolder(const SRenderPlan& plan, const std::string& strDir, std::string& rsError)
{
    const std::filesystem::path dir(strDir);
    std::error_code ec;
    if (std::filesystem::exists(dir / "plan.txt", ec))
    {
        rsError = strDir + " already holds a plan: choose an empty folder";
        return false;
    }
    std::filesystem::create_directories(dir / "segments", ec);
    std::filesystem::create_directories(dir / "logs", ec);
    std::string strJobs;
    for (size_t i = 0; i < plan.segments.size(); ++i)
    {
        strJobs += MakeSegmentCommand(strDir, static_cast<int>(i)) + "\n";
    }
    if (ec || !WriteFile(dir / "jobs.txt", strJobs) ||
        !WriteFile(dir / "plan.txt", FormatPlan(plan)))
    {
        rsError = "cannot write the plan into " + strDir;
        return false;
    }
    return true;
}

// The show's document loaded from its folder for the estimates (no device, no sound); the
// current folder is the demo's while it lives.
class CLoadedShow
{
public:
    explicit CLoadedShow(const std::string& strDemoDir)
        : m_previous(std::filesystem::current_path())
    {
        m_bLoaded = chdir(strDemoDir.c_str()) == 0 && m_demo.Load("demo.orv");
        const float fBpm = m_bLoaded ? GetMusicTempo(&m_demo) : 0.0f;
        m_fBpm = fBpm > 0.0f ? fBpm : 128.0f;
    }
    ~CLoadedShow()
    {
        m_demo.BassStop();
        std::error_code ec;
        std::filesystem::current_path(m_previous, ec);
    }
    CLoadedShow(const CLoadedShow&) = delete;
    CLoadedShow& operator=(const CLoadedShow&) = delete;

    bool IsLoaded() const { return m_bLoaded; }
    COrvDemo& GetDemo() { return m_demo; }
    float GetTempo() const { return m_fBpm; }

private:
    std::filesystem::path m_previous;
    COrvDemo m_demo;
    bool m_bLoaded = false;
    float m_fBpm = 128.0f;
};

// The boundaries: as even in estimated cost as the frame grid allows, each segment's
// estimate kept as a share of recording the whole stretch at once; equal runs when the
// document cannot be read.
void SplitPlan(CLoadedShow& show, int iSegments, SRenderPlan& rPlan)
{
    if (!show.IsLoaded())
    {
        rPlan.segments = SplitFrames(rPlan.iStartFrame, rPlan.iFrames, iSegments);
        rPlan.strSplit = "equal";
        return;
    }
    const SFrameCosts costs = EstimateFrameCosts(show.GetDemo(), rPlan.iStartFrame + rPlan.iFrames,
                                                 show.GetTempo(), rPlan.iFps);
    SSplitEstimate estimate;
    rPlan.segments =
        SplitFramesByCost(rPlan.iStartFrame, rPlan.iFrames, iSegments, costs, estimate);
    rPlan.strSplit = estimate.vdCosts.size() == rPlan.segments.size() ? "cost" : "equal";
    for (size_t i = 0; i < estimate.vdCosts.size() && estimate.dSingle > 0.0; ++i)
    {
        rPlan.segments[i].dEstimate = estimate.vdCosts[i] / estimate.dSingle;
    }
}

// The frames each segment draws before its own, as the player will choose them
// (PrerollPlan.h); every one of them when the document cannot be read.
struct SPrerollCost
{
    long long llStepped = 0; // frames run before the segments' first ones, in all
    long long llDrawn = 0;   // of which drawn
    std::string strWorst;    // the longest pre-roll's account
};

SPrerollCost PlanPrerolls(CLoadedShow& show, const SRenderPlan& plan)
{
    SPrerollCost cost;
    for (const SRenderSegment& segment : plan.segments)
    {
        cost.llStepped += segment.iStartFrame;
        if (!show.IsLoaded())
        {
            cost.llDrawn += segment.iStartFrame;
            continue;
        }
        const SPrerollPlan preroll =
            PlanPreroll(show.GetDemo(), segment.iStartFrame, show.GetTempo(), plan.iFps);
        cost.llDrawn += preroll.CountDrawn();
        cost.strWorst = DescribePreroll(preroll);
    }
    return cost;
}

// What the plan costs: the frames run before each segment's first one, and how many of
// them are drawn; the estimated time of the slowest segment.
void DescribePlan(CLoadedShow& show, const SRenderPlan& plan, const std::string& strDir)
{
    std::printf("planned %d frames (%.2f s from %.2f s) of %s at %dx%d, %d fps, in %zu segments "
                "into %s\n",
                plan.iFrames, static_cast<double>(plan.iFrames) / plan.iFps,
                static_cast<double>(plan.iStartFrame) / plan.iFps, plan.strDemoDir.c_str(),
                plan.iWidth, plan.iHeight, plan.iFps, plan.segments.size(), strDir.c_str());
    const SPrerollCost cost = PlanPrerolls(show, plan);
    std::printf("pre-roll: each segment runs the show from its start, %lld frames in all (%.2f "
                "times the frames recorded), of which %lld are drawn (%.2f times) and the "
                "others only stepped, without their pixels\n",
                cost.llStepped, static_cast<double>(cost.llStepped) / plan.iFrames, cost.llDrawn,
                static_cast<double>(cost.llDrawn) / plan.iFrames);
    if (!cost.strWorst.empty())
    {
        std::printf("pre-roll of the last segment: %s\n", cost.strWorst.c_str());
    }
    std::printf("%s\n", DescribeSplit(plan).c_str());
}

} // namespace

int PlanRender(const Words& args)
{
    SPlanRequest request;
    std::string strError;
    if (!ParsePlanRequest(args, request, strError))
    {
        Report(strError);
        return 2;
    }
    std::error_code ec;
    SRenderPlan plan;
    plan.strDemoDir = std::filesystem::absolute(request.strDemoDir, ec).lexically_normal().string();
    const std::string strDir =
        std::filesystem::absolute(request.strOut, ec).lexically_normal().string();
    SShowFacts facts;
    if (!ReadShowFacts(plan.strDemoDir, facts, strError) ||
        !ChooseFrames(request, facts, plan, strError))
    {
        Report(strError);
        return 1;
    }
    const SPlayerOptions& options = request.recording;
    plan.strId = MakePlanId();
    plan.strVersion = OrvGetVersion();
    plan.strMusic = facts.strMusic;
    plan.iWidth = options.iWidth > 0 ? options.iWidth : 1280;
    plan.iHeight = options.iHeight > 0 ? options.iHeight : 720;
    plan.iFps = options.iFps;
    plan.iQuality = options.iQuality;
    plan.strCodec = options.strCodec;
    plan.strContainer = request.strContainer;
    CLoadedShow show(plan.strDemoDir);
    SplitPlan(show, request.iSegments, plan);
    if (!WritePlanFolder(plan, strDir, strError))
    {
        Report(strError);
        return 1;
    }
    DescribePlan(show, plan, strDir);
    return 0;
}
