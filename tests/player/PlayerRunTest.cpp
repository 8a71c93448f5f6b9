// OrvPlayer as a user runs it: headless recordings of the sample demo checked with
// ffprobe, and the one-line reasons and exit statuses of bad input.
#include "OrvTempDir.h"
#include "OrvTestMedia.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace orv_test;

namespace
{

const std::string kSample = std::string(ORV_SOURCE_ROOT) + "/examples/Atelier";

struct SRun
{
    int iStatus = -1;
    std::string strErr;
};

// Runs the player with the arguments (already quoted for the shell); stderr is kept.
SRun RunPlayer(const std::string& strArgs, const std::string& strErrFile)
{
    std::string strCommand = std::string("SDL_AUDIODRIVER=dummy '") + ORV_PLAYER_PATH + "' " +
                             strArgs + " >/dev/null 2>'" + strErrFile + "'";
    SRun run;
    int iRaw = std::system(strCommand.c_str());
    run.iStatus = WIFEXITED(iRaw) ? WEXITSTATUS(iRaw) : -1;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(strErrFile.c_str(), "r"), std::fclose);
    char szBuffer[4096];
    size_t iRead = file ? std::fread(szBuffer, 1, sizeof(szBuffer), file.get()) : 0;
    run.strErr.assign(szBuffer, iRead);
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
    std::string strVideo = m_dir.File("show.avi");
    SRun run = RunPlayer("--headless --mode 320x180 --duration 2 --record '" + strVideo + "' '" +
                             kSample + "'",
                         m_dir.File("err.txt"));
    ASSERT_EQ(run.iStatus, 0) << run.strErr;
    EXPECT_NE(run.strErr.find("50/50 frames"), std::string::npos) << run.strErr;

    std::vector<SProbedStream> streams = Probe(strVideo);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].strType, "video");
    EXPECT_EQ(streams[0].strCodec, "h264");
    EXPECT_EQ(streams[0].lFrames, 50);
    EXPECT_EQ(streams[0].strRate, "25/1");
    EXPECT_EQ(streams[1].strType, "audio");
    ASSERT_GT(streams[1].lSampleRate, 0);
    // Two seconds of sound: it ends with the pictures.
    EXPECT_EQ(streams[1].lStored, 2 * streams[1].lSampleRate);
}

TEST_F(PlayerRunTest, InterruptedRecordingIsStillAPlayableFile)
{
    std::string strVideo = m_dir.File("cut.avi");
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0)
    {
        std::freopen("/dev/null", "w", stderr);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        execl(ORV_PLAYER_PATH, ORV_PLAYER_PATH, "--headless", "--mode", "160x90", "--duration",
              "200", "--codec", "mjpeg", "--record", strVideo.c_str(), kSample.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait until frames are being written, then interrupt as Ctrl+C would.
    for (int i = 0; i < 300 && (!std::filesystem::exists(strVideo) ||
                                std::filesystem::file_size(strVideo) < 20000);
         ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGINT);
    int iRaw = 0;
    waitpid(pid, &iRaw, 0);
    ASSERT_TRUE(WIFEXITED(iRaw));
    EXPECT_EQ(WEXITSTATUS(iRaw), 0);
    std::vector<SProbedStream> streams = Probe(strVideo);
    ASSERT_FALSE(streams.empty());
    EXPECT_EQ(streams[0].strCodec, "mjpeg");
    EXPECT_GT(streams[0].lFrames, 0);
    EXPECT_LT(streams[0].lFrames, 200 * 25);
}

TEST_F(PlayerRunTest, BadInputGivesAReasonAndTheStatus)
{
    struct SCase
    {
        std::string strArgs;
        int iStatus;
        const char* szReason;
    };
    const std::string strVideo = m_dir.File("bad.avi");
    std::filesystem::create_directories(m_dir.File("broken/data"));
    std::ofstream(m_dir.File("broken/demo.orv")) << "<OrvDemo version=\"1\"><Layers><COrvLay";
    const SCase cases[] = {
        {"--bogus", 1, "unknown option"},
        {"--headless --mode 64x64 --record '" + strVideo + "' '" + m_dir.File("nowhere") + "'", 0,
         "no demo folder"},
        {"--headless --mode 64x64 --record '" + strVideo + "' '" + m_dir.File("") + "'", 0,
         "cannot load"},
        {"--headless --mode 64x64 --record '" + strVideo + "' '" + m_dir.File("broken") + "'", 0,
         "cannot load"},
        {"--headless --codec no-such-codec --record '" + strVideo + "' '" + kSample + "'", 1,
         "unknown codec"},
        {"--headless --record '" + m_dir.File("no/such/dir/x.avi") + "' '" + kSample + "'", 1,
         "cannot record"},
    };
    for (const SCase& c : cases)
    {
        SRun run = RunPlayer(c.strArgs, m_dir.File("err.txt"));
        EXPECT_EQ(run.iStatus, c.iStatus) << c.strArgs << "\n" << run.strErr;
        EXPECT_NE(run.strErr.find(c.szReason), std::string::npos) << c.strArgs << "\n"
                                                                  << run.strErr;
        // Nothing half-written is left behind.
        EXPECT_FALSE(std::filesystem::exists(strVideo)) << c.strArgs;
    }
}
