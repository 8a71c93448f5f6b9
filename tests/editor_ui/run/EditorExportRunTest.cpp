// The export as the editor runs it: the real player as a child process on a saved copy of the
// document, with the dialog's settings (size, rate, codec, part of the show), its progress
// read, and a cancelled export leaving neither the video nor the copy behind.
#include "EditorExport.h"
#include "ExportDialog.h"
#include "OrvTempDir.h"
#include "OrvTestMedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace
{
// Polls the export as the editor does once a frame; false when it did not end in time.
bool WaitForEnd(CEditorExport& exporter, std::chrono::seconds limit, float* pProgress = nullptr)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (exporter.IsRunning() && std::chrono::steady_clock::now() < end)
    {
        exporter.Poll();
        if (pProgress)
            *pProgress = std::max(*pProgress, exporter.GetProgress());
        std::this_thread::sleep_for(20ms);
    }
    return !exporter.IsRunning();
}

int CountExportCopies()
{
    int iCopies = 0;
    for (const auto& entry : fs::directory_iterator(fs::temp_directory_path()))
        iCopies += entry.path().filename().string().rfind("orv-export-", 0) == 0;
    return iCopies;
}

const fs::path kSample = fs::path(ORV_SOURCE_ROOT) / "examples" / "Atelier";

TEST(EditorExportRun, TheDialogsSettingsReachTheRecording)
{
    COrvTempDir dir("export");
    SExportDialog dialog;
    std::snprintf(dialog.szFile, sizeof(dialog.szFile), "%s", dir.File("part.mkv").c_str());
    dialog.iCodec = 5; // lossless
    dialog.iFps = 2;   // 30
    dialog.iSize = 5;  // custom
    dialog.iWidth = 160;
    dialog.iHeight = 90;
    dialog.dStart = 1.0;
    dialog.dDuration = 0.5;
    const SEditorExportSettings settings = MakeExportSettings(dialog, 1280, 720);
    EXPECT_EQ(settings.sCodec, "ffv1");
    EXPECT_EQ(settings.iFps, 30);

    CEditorExport exporter;
    std::string sError;
    ASSERT_TRUE(exporter.Start(ORV_PLAYER_PATH, OrvReadFile(kSample / "demo.orv"),
                               (kSample / "data").string(), settings, sError))
        << sError;
    float fProgress = 0.0f;
    ASSERT_TRUE(WaitForEnd(exporter, 180s, &fProgress));
    EXPECT_EQ(exporter.GetResult(), "exported " + dir.File("part.mkv")) << exporter.GetResult();
    // The picture as asked, and the music with it.
    const std::vector<orv::test::SProbedStream> streams = orv::test::Probe(dir.File("part.mkv"));
    ASSERT_EQ(streams.size(), 2u);
    const orv::test::SProbedStream& video = streams[0].sType == "video" ? streams[0] : streams[1];
    const orv::test::SProbedStream& audio = streams[0].sType == "video" ? streams[1] : streams[0];
    EXPECT_EQ(video.sCodec, "ffv1");
    EXPECT_EQ(video.iWidth, 160);
    EXPECT_EQ(video.iHeight, 90);
    EXPECT_EQ(video.sRate, "30/1");
    EXPECT_EQ(video.lFrames, 15);
    EXPECT_EQ(audio.sType, "audio");
    EXPECT_EQ(CountExportCopies(), 0);
}

TEST(EditorExportRun, ACancelledExportLeavesNothing)
{
    COrvTempDir dir("export");
    SEditorExportSettings settings;
    settings.sFile = dir.File("whole.mp4");
    settings.iWidth = 320;
    settings.iHeight = 180;
    CEditorExport exporter;
    std::string sError;
    ASSERT_TRUE(exporter.Start(ORV_PLAYER_PATH, OrvReadFile(kSample / "demo.orv"),
                               (kSample / "data").string(), settings, sError))
        << sError;
    // Some frames are written first, so the file exists when it is cancelled.
    const auto end = std::chrono::steady_clock::now() + 120s;
    while (exporter.IsRunning() && exporter.GetProgress() <= 0.0f &&
           std::chrono::steady_clock::now() < end)
    {
        exporter.Poll();
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(exporter.IsRunning()) << exporter.GetResult();
    exporter.Cancel();
    EXPECT_FALSE(exporter.IsRunning());
    EXPECT_EQ(exporter.GetResult(), "export cancelled");
    EXPECT_FALSE(fs::exists(dir.File("whole.mp4")));
    EXPECT_EQ(CountExportCopies(), 0);
}

TEST(EditorExportRun, SettingsThePlayerWouldRefuseAreRefusedBeforeStarting)
{
    SEditorExportSettings settings;
    std::string sError;
    settings.sFile = "/tmp/no-extension";
    EXPECT_FALSE(CheckExportSettings(settings, sError));
    EXPECT_NE(sError.find("extension"), std::string::npos) << sError;
    settings.sFile = "/tmp/a.mp4";
    EXPECT_TRUE(CheckExportSettings(settings, sError)) << sError;
    const auto refused = [&](auto fnChange, const char* pWord)
    {
        SEditorExportSettings changed = settings;
        fnChange(changed);
        std::string sWhy;
        EXPECT_FALSE(CheckExportSettings(changed, sWhy)) << pWord;
        EXPECT_NE(sWhy.find(pWord), std::string::npos) << sWhy;
    };
    refused([](SEditorExportSettings& s) { s.iFps = 29; }, "frame rate");
    refused([](SEditorExportSettings& s) { s.iQuality = 64; }, "quality");
    refused(
        [](SEditorExportSettings& s)
        {
            s.iWidth = 8;
            s.iHeight = 8;
        },
        "size");
    refused([](SEditorExportSettings& s) { s.iWidth = 640; }, "size");
    refused([](SEditorExportSettings& s) { s.dStart = -1.0; }, "start");
    refused([](SEditorExportSettings& s) { s.dDuration = std::numeric_limits<double>::infinity(); },
            "duration");
    refused([](SEditorExportSettings& s) { s.sCodec = "lib x264"; }, "codec");

    CEditorExport exporter;
    settings.iFps = 29;
    EXPECT_FALSE(exporter.Start(ORV_PLAYER_PATH, "", "/tmp", settings, sError));
    EXPECT_FALSE(exporter.IsRunning());
}
} // namespace
