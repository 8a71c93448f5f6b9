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
    std::string sDemoDir;
    std::string sOut;
    int iSegments = 0;
    SPlayerOptions recording; // mode, fps, codec, quality, start, duration as the player's
    std::string sContainer = "avi";
};

struct SShowFacts
{
    std::string sMusic;
    double dMusicSeconds = 0.0;
};

bool IsOption(const std::string& sArg, const char* szName)
{
    return sArg == szName || sArg.rfind(std::string(szName) + "=", 0) == 0;
}

// The codec must exist and fit the segments' container (checked here, not on every host).
bool CheckCodec(const std::string& sCodec, const std::string& sContainer, std::string& sError)
{
    if (!sCodec.empty() && AVISetCompressorA(sCodec.c_str()) != AVIERR_OK)
    {
        sError = "unknown codec \"" + sCodec + "\": FFmpeg has no such video encoder";
        return false;
    }
    char szEncoder[64] = {};
    if (AVIGetCompressorForFileA(("segment." + sContainer).c_str(), szEncoder,
                                 sizeof(szEncoder)) != AVIERR_OK)
    {
        sError = "a ." + sContainer + " file cannot hold " + szEncoder +
                  " video (choose another --codec or --container)";
        return false;
    }
    return true;
}

// Reads the plan's own options, and hands the recording options to the player's parser
// (so they mean exactly what they mean to OrvPlayer --record).
bool ParsePlanRequest(const Words& args, SPlanRequest& rRequest, std::string& sError)
{
    std::vector<std::string> playerArgs = {"orv-render", "--record", "plan.avi"};
    for (size_t i = 0; i < args.size(); ++i)
    {
        const std::string& sArg = args[i];
        const size_t iEq = sArg.find('=');
        const bool bInline = iEq != std::string::npos && sArg.rfind("--", 0) == 0;
        auto value = [&]() -> std::string
        { return bInline ? sArg.substr(iEq + 1) : (i + 1 < args.size() ? args[++i] : ""); };
        if (IsOption(sArg, "--out"))
        {
            rRequest.sOut = value();
        }
        else if (IsOption(sArg, "--segments"))
        {
            rRequest.iSegments = std::atoi(value().c_str());
        }
        else if (IsOption(sArg, "--container"))
        {
            rRequest.sContainer = value();
        }
        else
        {
            playerArgs.push_back(sArg);
        }
    }
    std::vector<const char*> argv;
    for (const std::string& sArg : playerArgs)
    {
        argv.push_back(sArg.c_str());
    }
    SPlayerOptions& rOptions = rRequest.recording;
    if (ParsePlayerOptions(static_cast<int>(argv.size()), argv.data(), rOptions, sError) !=
        PARSE_RUN)
    {
        sError = sError.empty() ? "see orv-render --help" : sError;
        return false;
    }
    rRequest.sDemoDir = rOptions.sDemoDir;
    if (rRequest.sOut.empty() || rRequest.iSegments < 1 || rRequest.iSegments > 10000)
    {
        sError = "plan wants --out DIR and --segments N (1 to 10000)";
        return false;
    }
    if (GetMuxerForContainer(rRequest.sContainer).empty())
    {
        sError =
            "--container wants avi, mp4, mkv, webm or mov, not \"" + rRequest.sContainer + "\"";
        return false;
    }
    return CheckCodec(rOptions.sCodec, rRequest.sContainer, sError);
}

// Loads the demo's document (no device, no sound) for its music file and length.
bool ReadShowFacts(const std::string& sDemoDir, SShowFacts& rFacts, std::string& sError)
{
    const std::filesystem::path previous = std::filesystem::current_path();
    if (chdir(sDemoDir.c_str()) != 0)
    {
        sError = "no demo folder \"" + sDemoDir + "\"";
        return false;
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1); // the music is read, never played
    COrvDemo demo;
    const bool bLoaded = demo.Load("demo.orv");
    if (bLoaded)
    {
        const std::string sMusic = GetMusicFilePath(&demo);
        std::error_code ec;
        rFacts.sMusic =
            sMusic.empty() ? std::string() : std::filesystem::absolute(sMusic, ec).string();
        rFacts.dMusicSeconds = sMusic.empty() ? 0.0 : GetSoundFileSeconds(rFacts.sMusic);
    }
    demo.BassStop();
    std::filesystem::current_path(previous);
    if (!bLoaded)
    {
        sError = "cannot read demo.orv in \"" + sDemoDir + "\"";
    }
    return bLoaded;
}

// The stretch on the frame grid: from the first frame at or after --start, for --duration
// or to the end of the music (275 s when there is none, as the player does).
bool ChooseFrames(const SPlanRequest& request, const SShowFacts& facts, SRenderPlan& rPlan,
                  std::string& sError)
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
        sError = "--start is past the end of the show";
        return false;
    }
    rPlan.iFrames = options.iFrames > 0 ? options.iFrames : CountFrames(dSeconds, options.iFps);
    return true;
}

bool WriteFile(const std::filesystem::path& path, const std::string& sText)
{
    std::ofstream output(path, std::ios::binary | std::ios::trunc);
    output << sText;
    return static_cast<bool>(output.flush());
}

bool WritePlanFolder(const SRenderPlan& plan, const std::string& sDir, std::string& sError)
{
    const std::filesystem::path dir(sDir);
    std::error_code ec;
    if (std::filesystem::exists(dir / "plan.txt", ec))
    {
        sError = sDir + " already holds a plan: choose an empty folder";
        return false;
    }
    std::filesystem::create_directories(dir / "segments", ec);
    std::filesystem::create_directories(dir / "logs", ec);
    std::string sJobs;
    for (size_t i = 0; i < plan.segments.size(); ++i)
    {
        sJobs += MakeSegmentCommand(sDir, static_cast<int>(i)) + "\n";
    }
    if (ec || !WriteFile(dir / "jobs.txt", sJobs) ||
        !WriteFile(dir / "plan.txt", FormatPlan(plan)))
    {
        sError = "cannot write the plan into " + sDir;
        return false;
    }
    return true;
}

// The show's document loaded from its folder for the estimates (no device, no sound); the
// current folder is the demo's while it lives.
class CLoadedShow
{
public:
    explicit CLoadedShow(const std::string& sDemoDir)
        : m_previous(std::filesystem::current_path())
    {
        m_bLoaded = chdir(sDemoDir.c_str()) == 0 && m_demo.Load("demo.orv");
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
        rPlan.sSplit = "equal";
        return;
    }
    const SFrameCosts costs = EstimateFrameCosts(show.GetDemo(), rPlan.iStartFrame + rPlan.iFrames,
                                                 show.GetTempo(), rPlan.iFps);
    SSplitEstimate estimate;
    rPlan.segments =
        SplitFramesByCost(rPlan.iStartFrame, rPlan.iFrames, iSegments, costs, estimate);
    rPlan.sSplit = estimate.vdCosts.size() == rPlan.segments.size() ? "cost" : "equal";
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
    std::string sWorst;    // the longest pre-roll's account
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
        cost.sWorst = DescribePreroll(preroll);
    }
    return cost;
}

// What the plan costs: the frames run before each segment's first one, and how many of
// them are drawn; the estimated time of the slowest segment.
void DescribePlan(CLoadedShow& show, const SRenderPlan& plan, const std::string& sDir)
{
    std::printf("planned %d frames (%.2f s from %.2f s) of %s at %dx%d, %d fps, in %zu segments "
                "into %s\n",
                plan.iFrames, static_cast<double>(plan.iFrames) / plan.iFps,
                static_cast<double>(plan.iStartFrame) / plan.iFps, plan.sDemoDir.c_str(),
                plan.iWidth, plan.iHeight, plan.iFps, plan.segments.size(), sDir.c_str());
    const SPrerollCost cost = PlanPrerolls(show, plan);
    std::printf("pre-roll: each segment runs the show from its start, %lld frames in all (%.2f "
                "times the frames recorded), of which %lld are drawn (%.2f times) and the "
                "others only stepped, without their pixels\n",
                cost.llStepped, static_cast<double>(cost.llStepped) / plan.iFrames, cost.llDrawn,
                static_cast<double>(cost.llDrawn) / plan.iFrames);
    if (!cost.sWorst.empty())
    {
        std::printf("pre-roll of the last segment: %s\n", cost.sWorst.c_str());
    }
    std::printf("%s\n", DescribeSplit(plan).c_str());
}

} // namespace

int PlanRender(const Words& args)
{
    SPlanRequest request;
    std::string sError;
    if (!ParsePlanRequest(args, request, sError))
    {
        Report(sError);
        return 2;
    }
    std::error_code ec;
    SRenderPlan plan;
    plan.sDemoDir = std::filesystem::absolute(request.sDemoDir, ec).lexically_normal().string();
    const std::string sDir =
        std::filesystem::absolute(request.sOut, ec).lexically_normal().string();
    SShowFacts facts;
    if (!ReadShowFacts(plan.sDemoDir, facts, sError) ||
        !ChooseFrames(request, facts, plan, sError))
    {
        Report(sError);
        return 1;
    }
    const SPlayerOptions& options = request.recording;
    plan.sId = MakePlanId();
    plan.sVersion = OrvGetVersion();
    plan.sMusic = facts.sMusic;
    plan.iWidth = options.iWidth > 0 ? options.iWidth : 1280;
    plan.iHeight = options.iHeight > 0 ? options.iHeight : 720;
    plan.iFps = options.iFps;
    plan.iQuality = options.iQuality;
    plan.sCodec = options.sCodec;
    plan.sContainer = request.sContainer;
    CLoadedShow show(plan.sDemoDir);
    SplitPlan(show, request.iSegments, plan);
    if (!WritePlanFolder(plan, sDir, sError))
    {
        Report(sError);
        return 1;
    }
    DescribePlan(show, plan, sDir);
    return 0;
}
