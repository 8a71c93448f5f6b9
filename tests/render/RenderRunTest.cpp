// orv-render end to end with GNU parallel: the sample's stretch split in four, a segment
// killed on the way, joined, and compared frame by frame and sample by sample with a single
// recording; then damaged, missing and foreign segments.
#include "RenderTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace orv::test::render;
namespace fs = std::filesystem;

namespace
{

// The split render of the stretch and the single recording, both in one folder.
struct SRenderedStretch
{
    COrvTempDir dir{"render_run"};
    std::string Dir(const std::string& sName) const { return dir.File(sName); }
};

// The line of a command's output that holds a text ("" when none does).
std::string FindLineOf(const std::string& sOutput, const std::string& sText)
{
    const size_t iAt = sOutput.find(sText);
    if (iAt == std::string::npos)
        return "";
    const size_t iStart = sOutput.rfind('\n', iAt);
    const size_t iBegin = iStart == std::string::npos ? 0 : iStart + 1;
    return sOutput.substr(iBegin, sOutput.find('\n', iAt) - iBegin);
}

void ExpectSameAsSingle(const std::string& sJoined, const std::string& sSingle)
{
    const std::string sFrames = DigestFrames(sJoined);
    EXPECT_EQ(CountFrameLines(sFrames), static_cast<size_t>(kStretchFrames));
    EXPECT_EQ(sFrames, DigestFrames(sSingle));
    const std::string sSound = DigestSound(sJoined);
    EXPECT_NE(sSound.find("samples=" + std::to_string(16 * 44100)), std::string::npos)
        << sSound;
    EXPECT_EQ(sSound, DigestSound(sSingle));
}

// Plan, run (one segment killed on its first attempt) and join: the single recording's
// frames and sound.
void CheckSplitRender(const SRenderedStretch& s)
{
    const SCommandResult plan = RunRender("plan " + Quote(kSample) + " " + kStretch +
                                          " --segments 4 --out " + Quote(s.Dir("plan")));
    ASSERT_EQ(plan.iStatus, 0) << plan.sOutput;
    EXPECT_NE(plan.sOutput.find("400 frames"), std::string::npos) << plan.sOutput;
    EXPECT_NE(plan.sOutput.find("pre-roll"), std::string::npos) << plan.sOutput;
    // The sample clears its targets every frame: its pre-rolls draw only their last frames.
    EXPECT_NE(plan.sOutput.find("no render target carries"), std::string::npos) << plan.sOutput;
    const SCommandResult run = RunRender("run " + Quote(s.Dir("plan")) + " --with parallel -j 2",
                                         WriteKillingPlayer(s.dir, 1));
    ASSERT_EQ(run.iStatus, 0) << run.sOutput;
    // The killed attempt is in the segment's log, and the second one made the segment.
    const std::string sLog = OrvReadFile(s.Dir("plan/logs/seg-0001.log"));
    EXPECT_NE(sLog.find("killed by signal 9"), std::string::npos) << sLog;
    EXPECT_NE(sLog.find("seg-0001 done"), std::string::npos) << sLog;
    EXPECT_FALSE(fs::exists(s.Dir("plan/segments/seg-0001.part.avi")));

    const SCommandResult status = RunRender("status " + Quote(s.Dir("plan")));
    EXPECT_EQ(status.iStatus, 0) << status.sOutput;
    EXPECT_NE(status.sOutput.find("4 of 4 segments done"), std::string::npos);

    const SCommandResult join =
        RunRender("join " + Quote(s.Dir("plan")) + " " + Quote(s.Dir("joined.avi")));
    ASSERT_EQ(join.iStatus, 0) << join.sOutput;
    ExpectSameAsSingle(s.Dir("joined.avi"), s.Dir("single.avi"));
    // A clean file for ordinary players.
    const SCommandResult probe =
        RunCommand("ffprobe -v error -show_format -show_streams " + Quote(s.Dir("joined.avi")));
    EXPECT_EQ(probe.iStatus, 0);
    EXPECT_EQ(probe.sOutput.find("rror"), std::string::npos) << probe.sOutput;
}

// A missing and a damaged segment are named, nothing is joined, and run redoes only them.
void CheckBrokenSegments(const SRenderedStretch& s)
{
    const std::string sDir = s.Dir("broken");
    fs::copy(s.Dir("plan"), sDir, fs::copy_options::recursive);
    // The first two: their pre-roll is the shortest.
    fs::remove(sDir + "/segments/seg-0000.avi");
    fs::resize_file(sDir + "/segments/seg-0001.avi",
                    fs::file_size(sDir + "/segments/seg-0001.avi") / 2);
    const auto untouched = fs::last_write_time(sDir + "/segments/seg-0003.avi");

    const SCommandResult join =
        RunRender("join " + Quote(sDir) + " " + Quote(s.Dir("broken.avi")));
    EXPECT_EQ(join.iStatus, 1);
    EXPECT_NE(join.sOutput.find("seg-0000: missing"), std::string::npos) << join.sOutput;
    EXPECT_NE(join.sOutput.find("seg-0001: incomplete: "), std::string::npos) << join.sOutput;
    EXPECT_EQ(join.sOutput.find("seg-0003"), std::string::npos) << join.sOutput;
    EXPECT_FALSE(fs::exists(s.Dir("broken.avi")));
    EXPECT_FALSE(fs::exists(s.Dir("broken.avi.partial")));

    const SCommandResult status = RunRender("status " + Quote(sDir));
    EXPECT_EQ(status.iStatus, 1);
    EXPECT_NE(status.sOutput.find("2 of 4 segments done"), std::string::npos) << status.sOutput;

    const SCommandResult run = RunRender("run " + Quote(sDir) + " --with parallel -j 2");
    ASSERT_EQ(run.iStatus, 0) << run.sOutput;
    EXPECT_NE(run.sOutput.find("rendering 2 of 4 segments"), std::string::npos) << run.sOutput;
    EXPECT_EQ(fs::last_write_time(sDir + "/segments/seg-0003.avi"), untouched);
    ASSERT_EQ(RunRender("join " + Quote(sDir) + " " + Quote(s.Dir("mended.avi"))).iStatus, 0);
    ExpectSameAsSingle(s.Dir("mended.avi"), s.Dir("single.avi"));
}

// Segments of another plan, or under a plan of another engine version, are refused by name.
void CheckForeignSegments(const SRenderedStretch& s)
{
    const std::string sDir = s.Dir("other");
    ASSERT_EQ(RunRender("plan " + Quote(kSample) + " " + kStretch + " --segments 4 --out " +
                        Quote(sDir))
                  .iStatus,
              0);
    for (int i = 0; i < 4; ++i)
    {
        const std::string sName = "/segments/seg-000" + std::to_string(i) + ".avi";
        fs::copy_file(s.Dir("plan") + sName, sDir + sName);
    }
    SCommandResult join = RunRender("join " + Quote(sDir) + " " + Quote(s.Dir("other.avi")));
    EXPECT_EQ(join.iStatus, 1);
    for (const char* szSegment : {"seg-0000: ", "seg-0001: ", "seg-0002: ", "seg-0003: "})
    {
        EXPECT_NE(join.sOutput.find(std::string(szSegment) + "belongs to another plan"),
                  std::string::npos)
            << join.sOutput;
    }
    EXPECT_FALSE(fs::exists(s.Dir("other.avi")));

    // A segment of this plan drawn by another renderer (its title says so).
    fs::copy(s.Dir("plan"), s.Dir("mixed"), fs::copy_options::recursive);
    const std::string sSegment = s.Dir("mixed/segments/seg-0002.avi");
    const std::string sTitle =
        RunCommand("ffprobe -v error -show_entries stream_tags=title -of csv=p=0 " +
                   Quote(sSegment))
            .sOutput;
    const size_t iCode = sTitle.find(" r");
    ASSERT_NE(iCode, std::string::npos) << sTitle;
    const std::string sOther = sTitle.substr(0, iCode) + " r00000000" +
                                 sTitle.substr(iCode + 10, sTitle.find('\n') - iCode - 10);
    ASSERT_EQ(RunCommand("ffmpeg -v error -nostdin -i " + Quote(sSegment) +
                         " -map 0 -c copy -metadata:s:v:0 title=" + Quote(sOther) + " " +
                         Quote(s.Dir("other-renderer.avi")))
                  .iStatus,
              0);
    fs::rename(s.Dir("other-renderer.avi"), sSegment);
    join = RunRender("join " + Quote(s.Dir("mixed")) + " " + Quote(s.Dir("mixed.avi")));
    EXPECT_EQ(join.iStatus, 1);
    EXPECT_NE(join.sOutput.find("seg-0002: made with another codec or renderer (ffv1, "
                                  "r00000000) than seg-0000"),
              std::string::npos)
        << join.sOutput;
    EXPECT_FALSE(fs::exists(s.Dir("mixed.avi")));

    fs::copy(s.Dir("plan"), s.Dir("future"), fs::copy_options::recursive);
    std::string sPlan = OrvReadFile(s.Dir("future/plan.txt"));
    const size_t iVersion = sPlan.find("version = ");
    sPlan.replace(iVersion, sPlan.find('\n', iVersion) - iVersion, "version = 99.0.0");
    OrvWriteFile(s.Dir("future/plan.txt"), sPlan);
    join = RunRender("join " + Quote(s.Dir("future")) + " " + Quote(s.Dir("future.avi")));
    EXPECT_EQ(join.iStatus, 1);
    EXPECT_NE(join.sOutput.find("but the plan is for Orv 99.0.0"), std::string::npos)
        << join.sOutput;
}

} // namespace

// One test, so that the stretch is rendered once: the split render, then what goes wrong.
TEST(RenderRunTest, SplitRenderEqualsTheSingleRecordingAndBadSegmentsAreNamed)
{
    if (RunCommand("command -v parallel").iStatus != 0)
    {
        GTEST_SKIP() << "GNU parallel is not installed (scripts/install-deps.sh installs it)";
    }
    SRenderedStretch stretch;
    const SCommandResult single = RecordStretch(stretch.Dir("single.avi"));
    ASSERT_EQ(single.iStatus, 0) << single.sOutput;
    CheckSplitRender(stretch);
    if (HasFatalFailure())
    {
        return;
    }
    CheckBrokenSegments(stretch);
    CheckForeignSegments(stretch);
}

TEST(RenderCommandLineTest, BadInputGivesAReasonAndTheStatus)
{
    COrvTempDir dir("render_bad");
    const struct
    {
        std::string sArgs;
        int iStatus;
        const char* szReason;
    } cases[] = {
        {"", 2, "Usage"},
        {"frobnicate", 2, "unknown verb"},
        {"plan " + Quote(kSample) + " --segments 4", 2, "--out DIR"},
        {"plan " + Quote(kSample) + " --out " + Quote(dir.File("p")) + " --segments 0", 2,
         "--segments N"},
        {"plan " + Quote(kSample) + " --out " + Quote(dir.File("p")) + " --segments 2 --codec nope",
         2, "unknown codec"},
        {"plan " + Quote(kSample) + " --out " + Quote(dir.File("p")) +
             " --segments 2 --container ogg",
         2, "--container"},
        {"plan " + Quote(dir.File("nowhere")) + " --out " + Quote(dir.File("p")) + " --segments 2",
         1, "no demo folder"},
        {"run " + Quote(dir.File("p")), 2, "--with parallel or --with slurm"},
        {"run " + Quote(dir.File("p")) + " --with slurm -j 2", 2, "GNU parallel's"},
        {"run " + Quote(dir.File("none")) + " --with parallel", 1, "no plan"},
        {"status " + Quote(dir.File("none")), 1, "no plan"},
        {"join " + Quote(dir.File("none")) + " out.avi", 1, "no plan"},
        {"segment " + Quote(dir.File("none")) + " 0", 1, "no plan"},
    };
    for (const auto& test : cases)
    {
        const SCommandResult result = RunRender(test.sArgs);
        EXPECT_EQ(result.iStatus, test.iStatus) << test.sArgs << "\n" << result.sOutput;
        EXPECT_NE(result.sOutput.find(test.szReason), std::string::npos) << test.sArgs << "\n"
                                                                           << result.sOutput;
    }
    // A damaged plan, and a second plan into a folder that holds one.
    ASSERT_EQ(RunRender("plan " + Quote(kSample) + " --out " + Quote(dir.File("p")) +
                        " --segments 3 --duration 2")
                  .iStatus,
              0);
    SCommandResult again =
        RunRender("plan " + Quote(kSample) + " --out " + Quote(dir.File("p")) + " --segments 3");
    EXPECT_EQ(again.iStatus, 1);
    EXPECT_NE(again.sOutput.find("already holds a plan"), std::string::npos);
    const SCommandResult wrong = RunRender("segment " + Quote(dir.File("p")) + " 3");
    EXPECT_EQ(wrong.iStatus, 2);
    EXPECT_NE(wrong.sOutput.find("no segment \"3\""), std::string::npos) << wrong.sOutput;
    const SCommandResult extension =
        RunRender("join " + Quote(dir.File("p")) + " " + Quote(dir.File("out.ogg")));
    EXPECT_EQ(extension.iStatus, 2);
    // A job that never reached its segment is explained from GNU parallel's job log.
    const std::string sCommand =
        "'" + std::string(ORV_RENDER_PATH) + "' segment '" + dir.File("p") + "' 1";
    OrvWriteFile(dir.File("p/logs/parallel-joblog.txt"),
                 "Seq\tHost\tStarttime\tJobRuntime\tSend\tReceive\tExitval\tSignal\tCommand\n"
                 "2\tfar.example\t1.0\t0.1\t0\t0\t127\t0\t" +
                     sCommand + "\n");
    const SCommandResult explained = RunRender("status " + Quote(dir.File("p")));
    EXPECT_NE(FindLineOf(explained.sOutput, "seg-0001  frames ")
                  .find("  missing: its job ended on far.example with exit status 127: is "
                        "orv-render installed there?"),
              std::string::npos)
        << explained.sOutput;
    // ... and one that Slurm never started from its task's output.
    OrvWriteFile(dir.File("p/logs/slurm-7_2.out"), "slurmstepd: error: execve(): bad\n");
    const SCommandResult slurm = RunRender("status " + Quote(dir.File("p")));
    EXPECT_NE(FindLineOf(slurm.sOutput, "seg-0002  frames ")
                  .find("  missing: its Slurm task ended before the segment's own log said "
                        "anything (see logs/slurm-7_2.out)"),
              std::string::npos)
        << slurm.sOutput;
    EXPECT_NE(slurm.sOutput.find("split by estimated cost: the slowest segment"),
              std::string::npos)
        << slurm.sOutput;
    // One run at a time in a folder.
    const SCommandResult locked =
        RunCommand("flock " + Quote(dir.File("p/logs/run.lock")) + " " + Quote(ORV_RENDER_PATH) +
                   " run " + Quote(dir.File("p")) + " --with parallel");
    EXPECT_EQ(locked.iStatus, 1);
    EXPECT_NE(locked.sOutput.find("another orv-render run is working on"), std::string::npos)
        << locked.sOutput;

    OrvWriteFile(dir.File("p/plan.txt"), "orv-render plan 1\nid = 12\n");
    const SCommandResult damaged = RunRender("status " + Quote(dir.File("p")));
    EXPECT_EQ(damaged.iStatus, 1);
    EXPECT_NE(damaged.sOutput.find("damaged or incomplete"), std::string::npos);
}
