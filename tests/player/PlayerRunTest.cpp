// OrvPlayer as a user runs it: headless recordings of the sample demo checked with
// ffprobe, and the one-line reasons and exit statuses of bad input.
#include "OrvGoldenImage.h"
#include "OrvTempDir.h"
#include "OrvTestMedia.h"
#include "wintypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace orv::test;

namespace
{

const std::string kSample = std::string(ORV_SOURCE_ROOT) + "/examples/Atelier";

struct SRun
{
    int iStatus = -1;
    std::string sErr;
};

// Runs the player with the arguments (already quoted for the shell) and more environment
// variables if given; stderr is kept.
SRun RunPlayer(const std::string& sArgs, const std::string& sErrFile,
               const std::string& sEnvironment = "")
{
    std::string sCommand = "SDL_AUDIODRIVER=dummy " + sEnvironment + " '" + ORV_PLAYER_PATH + "' " +
                           sArgs + " >/dev/null 2>'" + sErrFile + "'";
    SRun run;
    int iRaw = std::system(sCommand.c_str());
    run.iStatus = WIFEXITED(iRaw) ? WEXITSTATUS(iRaw) : -1;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(sErrFile.c_str(), "r"), std::fclose);
    char szBuffer[4096];
    size_t iRead = 0;
    while (file && (iRead = std::fread(szBuffer, 1, sizeof(szBuffer), file.get())) > 0)
    {
        run.sErr.append(szBuffer, iRead);
    }
    return run;
}

class PlayerRunTest : public ::testing::Test
{
protected:
    COrvTempDir m_dir;
};

} // namespace

TEST_F(PlayerRunTest, HeadlessRecordingHoldsEveryFrameAndTheMusic)
{
    std::string sVideo = m_dir.File("show.avi");
    SRun run = RunPlayer("--headless --mode 320x180 --duration 2 --record '" + sVideo + "' '" +
                             kSample + "'",
                         m_dir.File("err.txt"));
    ASSERT_EQ(run.iStatus, 0) << run.sErr;
    EXPECT_NE(run.sErr.find("50/50 frames"), std::string::npos) << run.sErr;

    std::vector<SProbedStream> streams = Probe(sVideo);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].sType, "video");
    EXPECT_EQ(streams[0].sCodec, "h264");
    EXPECT_EQ(streams[0].lFrames, 50);
    EXPECT_EQ(streams[0].sRate, "25/1");
    EXPECT_EQ(streams[1].sType, "audio");
    ASSERT_GT(streams[1].lSampleRate, 0);
    // Two seconds of sound: it ends with the pictures.
    EXPECT_EQ(streams[1].lStored, 2 * streams[1].lSampleRate);
}

TEST_F(PlayerRunTest, InterruptedRecordingIsStillAPlayableFile)
{
    std::string sVideo = m_dir.File("cut.avi");
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0)
    {
        std::freopen("/dev/null", "w", stderr);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        execl(ORV_PLAYER_PATH, ORV_PLAYER_PATH, "--headless", "--mode", "160x90", "--duration",
              "200", "--codec", "mjpeg", "--record", sVideo.c_str(), kSample.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait until frames are being written, then interrupt as Ctrl+C would.
    for (int i = 0; i < 300 && (!std::filesystem::exists(sVideo) ||
                                std::filesystem::file_size(sVideo) < 20000);
         ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGINT);
    int iRaw = 0;
    waitpid(pid, &iRaw, 0);
    ASSERT_TRUE(WIFEXITED(iRaw));
    EXPECT_EQ(WEXITSTATUS(iRaw), 0);
    std::vector<SProbedStream> streams = Probe(sVideo);
    ASSERT_FALSE(streams.empty());
    EXPECT_EQ(streams[0].sCodec, "mjpeg");
    EXPECT_GT(streams[0].lFrames, 0);
    EXPECT_LT(streams[0].lFrames, 200 * 25);
}

namespace
{

// A run that must end with a status and give a reason (found in its standard error).
struct SStatusCase
{
    std::string sArgs;
    int iStatus;
    const char* szReason;
    std::string sEnvironment = "";
};

// Runs each case; none may leave the file sNoFile behind.
void ExpectStatuses(const std::vector<SStatusCase>& cases, const std::string& sErrFile,
                    const std::string& sNoFile)
{
    for (const SStatusCase& c : cases)
    {
        SRun run = RunPlayer(c.sArgs, sErrFile, c.sEnvironment);
        EXPECT_EQ(run.iStatus, c.iStatus) << c.sArgs << "\n" << run.sErr;
        EXPECT_NE(run.sErr.find(c.szReason), std::string::npos) << c.sArgs << "\n" << run.sErr;
        EXPECT_FALSE(std::filesystem::exists(sNoFile)) << c.sArgs;
    }
}

} // namespace

TEST_F(PlayerRunTest, BadInputGivesAReasonAndTheStatus)
{
    const std::string sVideo = m_dir.File("bad.avi");
    std::filesystem::create_directories(m_dir.File("broken/data"));
    std::ofstream(m_dir.File("broken/demo.orv")) << "<OrvDemo version=\"1\"><Layers><COrvLay";
    const std::vector<SStatusCase> cases = {
        {"--bogus", 1, "unknown option"},
        {"--headless --mode 64x64 --record '" + sVideo + "' '" + m_dir.File("nowhere") + "'", 0,
         "no demo folder"},
        {"--headless --mode 64x64 --record '" + sVideo + "' '" + m_dir.File("") + "'", 0,
         "cannot load"},
        {"--headless --mode 64x64 --record '" + sVideo + "' '" + m_dir.File("broken") + "'", 0,
         "cannot load"},
        {"--headless --codec no-such-codec --record '" + sVideo + "' '" + kSample + "'", 1,
         "unknown codec"},
        {"--headless --record '" + m_dir.File("no/such/dir/x.avi") + "' '" + kSample + "'", 1,
         "cannot record"},
    };
    // Nothing half-written is left behind.
    ExpectStatuses(cases, m_dir.File("err.txt"), sVideo);
}

TEST_F(PlayerRunTest, WithoutADisplayTheSettingsDialogRefusesInsteadOfWaiting)
{
    // No mode option asks for the dialog; SDL's off-screen windows are what a machine without
    // a display gets. The time limit only keeps a regression from hanging the test run.
    const std::string sVideo = m_dir.File("dialog.avi");
    SRun run = RunPlayer("--record '" + sVideo + "' '" + kSample + "'", m_dir.File("err.txt"),
                         "SDL_VIDEODRIVER=offscreen timeout 60");
    EXPECT_EQ(run.iStatus, 1) << run.sErr;
    EXPECT_NE(run.sErr.find("cannot open the settings dialog"), std::string::npos) << run.sErr;
    EXPECT_NE(run.sErr.find("--headless"), std::string::npos) << run.sErr;
    EXPECT_FALSE(std::filesystem::exists(sVideo));
}

namespace
{

// The first and last moments of a file's video and audio packets, in seconds.
struct SSpan
{
    double dStart = 1e9;
    double dEnd = -1e9;
    long lPackets = 0;
};

std::map<std::string, SSpan> PacketSpans(const std::string& sPath)
{
    std::string sCommand = "ffprobe -v error -show_entries packet=codec_type,pts_time,"
                           "duration_time -of csv=p=0 '" +
                           sPath + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(sCommand.c_str(), "r"), pclose);
    std::map<std::string, SSpan> spans;
    char szLine[256];
    while (pipe && std::fgets(szLine, sizeof(szLine), pipe.get()) != nullptr)
    {
        char szType[16] = {};
        double dPts = 0.0;
        double dDuration = 0.0;
        if (std::sscanf(szLine, "%15[a-z],%lf,%lf", szType, &dPts, &dDuration) == 3)
        {
            SSpan& span = spans[szType];
            span.dStart = std::min(span.dStart, dPts);
            span.dEnd = std::max(span.dEnd, dPts + dDuration);
            ++span.lPackets;
        }
    }
    return spans;
}

// Frame n of a video file as a picture (ffmpeg decodes it into a PNG file).
bool ReadVideoFrame(const std::string& sVideo, int iFrame, const std::string& sPng,
                    SOrvImage& rImage)
{
    std::string sCommand = "ffmpeg -v error -y -i '" + sVideo + "' -vf 'select=eq(n\\," +
                           std::to_string(iFrame) + ")' -frames:v 1 -pix_fmt rgba '" + sPng +
                           "' 2>/dev/null";
    return std::system(sCommand.c_str()) == 0 && OrvLoadPNG(sPng, rImage);
}

// The largest difference of a colour channel between two pictures of the same size.
int LargestDifference(const SOrvImage& a, const SOrvImage& b)
{
    if (a.m_uWidth != b.m_uWidth || a.m_uHeight != b.m_uHeight)
    {
        return 256;
    }
    int iLargest = 0;
    for (size_t i = 0; i < a.m_aRGBA.size(); ++i)
    {
        if (i % 4 != 3)
        {
            iLargest = std::max(iLargest, std::abs(a.m_aRGBA[i] - b.m_aRGBA[i]));
        }
    }
    return iLargest;
}

} // namespace

TEST_F(PlayerRunTest, EachContainerHoldsItsCodecsAndTheSoundInStep)
{
    struct SCase
    {
        const char* szFile;
        const char* szArgs;
        const char* szVideo;
        const char* szAudio;
        long lFrames;
        const char* szRate;
    };
    const SCase cases[] = {
        {"show.mp4", "--fps 30", "h264", "aac", 60, "30/1"},
        {"show.mkv", "--fps 24", "vp9", "opus", 48, "24/1"},
        {"show.webm", "--quality 40", "vp9", "opus", 50, "25/1"},
        {"show.mkv", "--codec libsvtav1 --fps 60", "av1", "opus", 120, "60/1"},
    };
    for (const SCase& c : cases)
    {
        const std::string sVideo = m_dir.File(c.szFile);
        SRun run = RunPlayer(std::string("--headless --mode 320x180 --duration 2 ") + c.szArgs +
                                 " --record '" + sVideo + "' '" + kSample + "'",
                             m_dir.File("err.txt"));
        ASSERT_EQ(run.iStatus, 0) << c.szArgs << run.sErr;
        std::vector<SProbedStream> streams = Probe(sVideo);
        ASSERT_EQ(streams.size(), 2u) << c.szFile;
        EXPECT_EQ(streams[0].sCodec, c.szVideo);
        EXPECT_EQ(streams[0].lFrames, c.lFrames) << c.szFile << " " << c.szArgs;
        EXPECT_EQ(streams[0].sRate, c.szRate);
        EXPECT_EQ(streams[1].sCodec, c.szAudio);
        // The sound starts and ends with the pictures (within the encoders' priming).
        std::map<std::string, SSpan> spans = PacketSpans(sVideo);
        EXPECT_NEAR(spans["video"].dStart, spans["audio"].dStart, 0.03) << c.szFile;
        EXPECT_NEAR(spans["video"].dEnd, 2.0, 0.01) << c.szFile;
        EXPECT_NEAR(spans["audio"].dEnd, 2.0, 0.03) << c.szFile;
    }
    // MP4: the index is at the front, so the file plays while it loads.
    std::ifstream mp4(m_dir.File("show.mp4"), std::ios::binary);
    char aHead[40] = {};
    mp4.read(aHead, sizeof(aHead));
    EXPECT_EQ(std::string(aHead + 36, 4), "moov");
}

TEST_F(PlayerRunTest, AStillEqualsTheRecordedFrameAtTheSameMomentAndStartsMatchToo)
{
    // Lossless recordings: the whole first three seconds, and one starting at 2 s.
    const std::string sWhole = m_dir.File("whole.avi");
    const std::string sPart = m_dir.File("part.avi");
    const std::string sStill = m_dir.File("still.png");
    SRun run = RunPlayer("--headless --mode 192x108 --codec ffv1 --duration 3 --record '" + sWhole +
                             "' '" + kSample + "'",
                         m_dir.File("err.txt"));
    ASSERT_EQ(run.iStatus, 0) << run.sErr;
    run = RunPlayer("--headless --mode 192x108 --codec ffv1 --start 2 --duration 0.4 --record '" +
                        sPart + "' '" + kSample + "'",
                    m_dir.File("err.txt"));
    ASSERT_EQ(run.iStatus, 0) << run.sErr;
    std::vector<SProbedStream> streams = Probe(sPart);
    ASSERT_FALSE(streams.empty());
    EXPECT_EQ(streams[0].lFrames, 10);
    // The sound of the later part starts two seconds into the music.
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[1].lStored, 0.4 * streams[1].lSampleRate);
    run = RunPlayer("--mode 192x108 --screenshot '" + sStill + "' --at 2 '" + kSample + "'",
                    m_dir.File("err.txt"));
    ASSERT_EQ(run.iStatus, 0) << run.sErr;

    SOrvImage still;
    SOrvImage recorded;
    SOrvImage started;
    ASSERT_TRUE(OrvLoadPNG(sStill, still));
    EXPECT_EQ(still.m_uWidth, 192u);
    EXPECT_EQ(still.At(96, 54) >> 24, 0xFFu) << "an opaque picture";
    ASSERT_TRUE(ReadVideoFrame(sWhole, 50, m_dir.File("frame50.png"), recorded));
    ASSERT_TRUE(ReadVideoFrame(sPart, 0, m_dir.File("first.png"), started));
    EXPECT_LE(LargestDifference(still, recorded), 2);
    EXPECT_LE(LargestDifference(still, started), 2);
    // And it is not just any frame: a second earlier looks otherwise.
    SOrvImage earlier;
    ASSERT_TRUE(ReadVideoFrame(sWhole, 25, m_dir.File("frame25.png"), earlier));
    EXPECT_GT(LargestDifference(still, earlier), 20);
}

TEST_F(PlayerRunTest, AuthoringBadInputGivesAReasonAndLeavesNoFile)
{
    struct SCase
    {
        std::string sArgs;
        int iStatus;
        const char* szReason;
        std::string sFile; // must not exist afterwards
    };
    const std::string sStill = m_dir.File("late.png");
    const std::string sWebm = m_dir.File("x.webm");
    const SCase cases[] = {
        {"--screenshot '" + sStill + "' --at 9999 '" + kSample + "'", 1, "past the end", sStill},
        {"--headless --start 9999 --record '" + sWebm + "' '" + kSample + "'", 1, "past the end",
         sWebm},
        {"--headless --codec libx264 --record '" + sWebm + "' '" + kSample + "'", 1,
         "cannot hold libx264", sWebm},
        {"--screenshot '" + m_dir.File("no/such/dir/a.png") + "' '" + kSample + "'", 1,
         "cannot write", m_dir.File("no/such/dir/a.png")},
        {"--screenshot '" + sStill + "' '" + m_dir.File("nowhere") + "'", 1, "no demo folder",
         sStill},
    };
    for (const SCase& c : cases)
    {
        SRun run = RunPlayer(c.sArgs, m_dir.File("err.txt"));
        EXPECT_EQ(run.iStatus, c.iStatus) << c.sArgs << "\n" << run.sErr;
        EXPECT_NE(run.sErr.find(c.szReason), std::string::npos) << c.sArgs << "\n" << run.sErr;
        EXPECT_FALSE(std::filesystem::exists(c.sFile)) << c.sArgs;
    }
    // Nothing half-written beside the still either.
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
    {
        EXPECT_EQ(entry.path().filename().string().find(".png."), std::string::npos);
    }
}

TEST_F(PlayerRunTest, ProfileNamesEveryLayerTheReadBackAndTheEncoder)
{
    const std::string sVideo = m_dir.File("p.avi");
    SRun run = RunPlayer("--headless --profile --mode 160x90 --duration 0.4 --record '" + sVideo +
                             "' '" + kSample + "'",
                         m_dir.File("err.txt"));
    ASSERT_EQ(run.iStatus, 0) << run.sErr;
    for (const char* szRow : {"COrvLayerSprite", "COrvLayerPPBloom", "whole frame (all layers)",
                              "read-back", "encoder (its own thread)", "waiting for the encoder"})
    {
        EXPECT_NE(run.sErr.find(szRow), std::string::npos) << szRow << "\n" << run.sErr;
    }
}

TEST_F(PlayerRunTest, StillsOfAMovingSimulationEqualTheRecording)
{
    // Particles move by the time since the frame before: their look depends on the path of
    // frames. A still runs the show from its start, so it matches the recording.
    const std::filesystem::path demo = m_dir.Path() / "particles";
    std::filesystem::create_directories(demo / "data");
    for (const char* szFile : {"particle.png", "atelier.ogg"})
    {
        std::filesystem::copy_file(std::filesystem::path(kSample) / "data" / szFile,
                                   demo / "data" / szFile);
    }
    std::ofstream(demo / "demo.orv")
        << "<OrvDemo version=\"1\"><music><Prop15 defaultValue=\"120\"/>"
           "<Prop5 defaultValue=\"atelier.ogg\"/></music><Resources>"
           "<COrvResImage><Prop4 defaultValue=\"img\"/><Prop5 defaultValue=\"particle.png\"/>"
           "</COrvResImage><COrvResMaterial><Prop4 defaultValue=\"mat\"/>"
           "<Prop0 defaultValue=\"1\"><track><key frame=\"0\" value=\"1\"/></track></Prop0>"
           "<Prop32 defaultValue=\"img\"/><Prop33 defaultValue=\"1 1 1\"><track>"
           "<key frame=\"0\" value=\"1 1 1\"/></track></Prop33></COrvResMaterial></Resources>"
           "<Layers><COrvLayerParticules><Prop4 defaultValue=\"particles\"/>"
           "<Prop29 defaultValue=\"mat\"/><Prop42 defaultValue=\"0.9\"/>"
           "<Prop43 defaultValue=\"0.3\"/></COrvLayerParticules></Layers></OrvDemo>\n";
    const std::string sVideo = m_dir.File("particles.avi");
    const std::string sStill = m_dir.File("particles.png");
    SRun run = RunPlayer("--headless --mode 192x108 --codec ffv1 --duration 1.2 --record '" +
                             sVideo + "' '" + demo.string() + "'",
                         m_dir.File("err.txt"));
    ASSERT_EQ(run.iStatus, 0) << run.sErr;
    run =
        RunPlayer("--mode 192x108 --screenshot '" + sStill + "' --at 1.16 '" + demo.string() + "'",
                  m_dir.File("err.txt"));
    ASSERT_EQ(run.iStatus, 0) << run.sErr;
    SOrvImage still;
    SOrvImage recorded;
    SOrvImage first;
    ASSERT_TRUE(OrvLoadPNG(sStill, still));
    ASSERT_TRUE(ReadVideoFrame(sVideo, 29, m_dir.File("frame29.png"), recorded));
    ASSERT_TRUE(ReadVideoFrame(sVideo, 0, m_dir.File("frame0.png"), first));
    EXPECT_LE(LargestDifference(still, recorded), 2);
    EXPECT_GT(LargestDifference(still, first), 20) << "the particles moved";
}

namespace
{

// What the player wrote to its standard error so far.
std::string ReadText(const std::string& sPath)
{
    std::ifstream file(sPath, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Waits (a bounded while) until the file holds the text, after the offset.
bool WaitForText(const std::string& sPath, const std::string& sText, size_t iFrom = 0)
{
    for (int i = 0; i < 600; ++i)
    {
        const std::string sNow = ReadText(sPath);
        if (sNow.size() > iFrom && sNow.find(sText, iFrom) != std::string::npos)
        {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

} // namespace

TEST_F(PlayerRunTest, WatchingPlayerReloadsSavesAndKeepsTheLastGoodDemoOnBrokenOnes)
{
    // The player in a window (SDL's off-screen driver where there is no display), watching
    // a copy of the sample demo while a maker saves broken and fixed versions.
    const std::filesystem::path demo = m_dir.Path() / "watched";
    std::filesystem::copy(kSample, demo, std::filesystem::copy_options::recursive);
    const std::string sGood = ReadText((demo / "demo.orv").string());
    const std::string sErr = m_dir.File("watch.txt");
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0)
    {
        std::freopen(sErr.c_str(), "w", stderr);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        execl(ORV_PLAYER_PATH, ORV_PLAYER_PATH, "--windowed", "--mode", "160x90", "--no-vsync",
              "--watch", demo.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_TRUE(WaitForText(sErr, "watching ")) << ReadText(sErr);
    size_t iSeen = ReadText(sErr).size();
    std::ofstream(demo / "demo.orv") << "<OrvDemo version=\"1\">\n<Layers>\n<COrvLayerSprit";
    EXPECT_TRUE(WaitForText(sErr, "reload failed: demo.orv:3: ", iSeen)) << ReadText(sErr);
    EXPECT_TRUE(WaitForText(sErr, "the last good demo stays", iSeen));

    iSeen = ReadText(sErr).size();
    const std::filesystem::path temporary = demo / "demo.orv.new";
    std::ofstream(temporary) << sGood;
    std::filesystem::rename(temporary, demo / "demo.orv");
    EXPECT_TRUE(WaitForText(sErr, "reloaded in ", iSeen)) << ReadText(sErr);

    kill(pid, SIGINT);
    int iRaw = 0;
    waitpid(pid, &iRaw, 0);
    ASSERT_TRUE(WIFEXITED(iRaw)) << ReadText(sErr);
    EXPECT_EQ(WEXITSTATUS(iRaw), 0) << ReadText(sErr);
}

namespace
{

// Whether the process has a handler of its own for the signal (the player's for Ctrl+C).
bool CatchesSignal(pid_t pid, int iSignal)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string sLine;
    while (std::getline(status, sLine))
    {
        if (sLine.rfind("SigCgt:", 0) == 0)
        {
            return (std::stoull(sLine.substr(7), nullptr, 16) >> (iSignal - 1)) & 1;
        }
    }
    return false;
}

} // namespace

// The exit statuses of docs/architecture.md ("Exit statuses") that the tests above do not
// reach: --help, no Direct3D, a device that cannot be created.
TEST_F(PlayerRunTest, ExitStatusesFollowTheWrittenRule)
{
    const std::string sVideo = m_dir.File("status.avi");
    const std::string sRecord =
        "--headless --mode 64x64 --record '" + sVideo + "' '" + kSample + "'";
    const std::string sNoGL = "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent/orv_no_vendor.json";
    ExpectStatuses(
        {
            {"--help", 0, ""},
            // The status is E_FAIL, of which the process status keeps the low byte.
            {sRecord, static_cast<int>(E_FAIL) & 0xFF, "no graphics device",
             "LD_PRELOAD='" ORV_PRELOAD_NO_DIRECT3D "'"},
            // No GL vendor at all: the device cannot be created, which ends the run as a
            // normal end does, with the platform's reason and the player's.
            {sRecord, 0, "Direct3D device creation failed: no headless OpenGL", sNoGL},
            {sRecord, 0, "cannot create the graphics device", sNoGL},
        },
        m_dir.File("err.txt"), sVideo);
}

TEST_F(PlayerRunTest, LeavingTheSettingsDialogEndsWithStatusZero)
{
    // The dialog opens on SDL's off-screen driver, passed off as a display; Ctrl+C closes it
    // as "Exit" does.
    const std::string sErr = m_dir.File("dialog.txt");
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0)
    {
        std::freopen(sErr.c_str(), "w", stderr);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("LD_PRELOAD", ORV_PRELOAD_OFFSCREEN_IS_A_SCREEN, 1);
        execl(ORV_PLAYER_PATH, ORV_PLAYER_PATH, kSample.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Ctrl+C before the player listens for it would kill it instead.
    for (int i = 0; i < 600 && !CatchesSignal(pid, SIGINT); ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(pid, SIGINT);
    int iRaw = 0;
    waitpid(pid, &iRaw, 0);
    ASSERT_TRUE(WIFEXITED(iRaw)) << ReadText(sErr);
    EXPECT_EQ(WEXITSTATUS(iRaw), 0) << ReadText(sErr);
    EXPECT_EQ(ReadText(sErr).find("cannot open the settings dialog"), std::string::npos)
        << ReadText(sErr);
}
