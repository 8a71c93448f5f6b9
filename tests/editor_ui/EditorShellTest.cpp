// The editor program's parts that need no window: its command line, the panels' layout and
// its file, the view's letterbox and pointer mapping, the transport against a clock, and the
// export's child process arguments and progress.
#include "EditorExport.h"
#include "EditorLayout.h"
#include "EditorOptions.h"
#include "EditorTransport.h"
#include "EditorView.h"
#include "OrvTempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace
{
TEST(EditorOptions, FolderNewAndMistakes)
{
    SEditorOptions options;
    std::string sError;
    ASSERT_TRUE(ParseEditorOptions({"demos/a"}, options, sError));
    EXPECT_EQ(options.sFolder, "demos/a");
    EXPECT_FALSE(options.bCreate);
    ASSERT_TRUE(ParseEditorOptions({"--new", "b"}, options, sError));
    EXPECT_EQ(options.sFolder, "b");
    EXPECT_TRUE(options.bCreate);
    ASSERT_TRUE(ParseEditorOptions({}, options, sError));
    EXPECT_TRUE(options.sFolder.empty());

    EXPECT_FALSE(ParseEditorOptions({"--new"}, options, sError));
    EXPECT_NE(sError.find("--new"), std::string::npos);
    EXPECT_FALSE(ParseEditorOptions({"a", "b"}, options, sError));
    EXPECT_FALSE(ParseEditorOptions({"a", "--new", "b"}, options, sError));
    EXPECT_FALSE(ParseEditorOptions({"--fullscreen"}, options, sError));
    EXPECT_NE(sError.find("--fullscreen"), std::string::npos);
}

TEST(EditorLayout, PanelsTileTheWindow)
{
    SEditorLayout layout;
    const SEditorPanelRects rects = ComputePanelRects(layout, 20.0f);
    EXPECT_FLOAT_EQ(rects.layers.fY, 20.0f);
    EXPECT_FLOAT_EQ(rects.layers.fHeight + rects.resources.fHeight + rects.timeline.fHeight,
                    float(layout.iWindowHeight) - 20.0f);
    EXPECT_FLOAT_EQ(rects.layers.fWidth + rects.view.fWidth + rects.inspector.fWidth,
                    float(layout.iWindowWidth));
    EXPECT_FLOAT_EQ(rects.view.fX, rects.layers.fWidth);
    EXPECT_FLOAT_EQ(rects.inspector.fX, rects.view.fX + rects.view.fWidth);
    EXPECT_FLOAT_EQ(rects.timeline.fY + rects.timeline.fHeight, float(layout.iWindowHeight));
}

TEST(EditorLayout, HiddenPanelsLeaveTheirPlaceToTheOthers)
{
    SEditorLayout layout;
    layout.bShowResources = false;
    layout.bShowTimeline = false;
    SEditorPanelRects rects = ComputePanelRects(layout, 20.0f);
    EXPECT_FLOAT_EQ(rects.layers.fHeight, float(layout.iWindowHeight) - 20.0f);
    EXPECT_FLOAT_EQ(rects.resources.fHeight, 0.0f);
    EXPECT_FLOAT_EQ(rects.timeline.fHeight, 0.0f);
    EXPECT_FLOAT_EQ(rects.view.fHeight, float(layout.iWindowHeight) - 20.0f);

    layout.bShowLayers = false;
    layout.bShowInspector = false;
    rects = ComputePanelRects(layout, 20.0f);
    EXPECT_FLOAT_EQ(rects.view.fX, 0.0f);
    EXPECT_FLOAT_EQ(rects.view.fWidth, float(layout.iWindowWidth));
    EXPECT_FLOAT_EQ(rects.inspector.fWidth, 0.0f);

    // Showing them again gives back the sizes they had.
    layout.bShowLayers = layout.bShowResources = layout.bShowInspector = true;
    layout.bShowTimeline = true;
    rects = ComputePanelRects(layout, 20.0f);
    EXPECT_FLOAT_EQ(rects.layers.fWidth, SEditorLayout().fLeftWidth);
    EXPECT_FLOAT_EQ(rects.timeline.fHeight, SEditorLayout().fTimelineHeight);
    EXPECT_EQ(PanelToggles().size(), 4u);
}

TEST(EditorLayout, ClampKeepsTheViewUsable)
{
    SEditorLayout layout;
    layout.iWindowWidth = 700;
    layout.fLeftWidth = 5000.0f;
    layout.fRightWidth = -3.0f;
    layout.fTimelineHeight = 1e9f;
    layout.iOutputWidth = 0;
    ClampLayout(layout);
    const SEditorPanelRects rects = ComputePanelRects(layout, 20.0f);
    EXPECT_GE(rects.view.fWidth, 100.0f);
    EXPECT_GE(rects.inspector.fWidth, 100.0f);
    EXPECT_GT(rects.view.fHeight, 100.0f);
    EXPECT_GE(layout.iOutputWidth, 16);
}

TEST(EditorLayout, FileRoundTripAndBadLines)
{
    COrvTempDir dir;
    const std::string sPath = dir.File("cfg/orv/editor.ini");
    SEditorLayout layout;
    layout.iWindowWidth = 1400;
    layout.iWindowHeight = 900;
    layout.fLeftWidth = 250.0f;
    layout.fTimelineHeight = 300.0f;
    layout.iOutputWidth = 1920;
    layout.iOutputHeight = 1080;
    layout.bShowInspector = false;
    std::string sError;
    ASSERT_TRUE(SaveEditorLayout(layout, sPath, sError)) << sError;
    const SEditorLayout read = LoadEditorLayout(sPath);
    EXPECT_EQ(read.iWindowWidth, 1400);
    EXPECT_EQ(read.iWindowHeight, 900);
    EXPECT_FLOAT_EQ(read.fLeftWidth, 250.0f);
    EXPECT_FLOAT_EQ(read.fTimelineHeight, 300.0f);
    EXPECT_EQ(read.iOutputWidth, 1920);
    EXPECT_FALSE(read.bShowInspector);
    EXPECT_TRUE(read.bShowTimeline);

    OrvWriteFile(sPath, "window_width=abc\nleft_width\n=7\nright_width=200\n");
    const SEditorLayout bad = LoadEditorLayout(sPath);
    EXPECT_EQ(bad.iWindowWidth, SEditorLayout().iWindowWidth);
    EXPECT_FLOAT_EQ(bad.fRightWidth, 200.0f);
    EXPECT_EQ(LoadEditorLayout(dir.File("none.ini")).iWindowWidth, SEditorLayout().iWindowWidth);

    OrvWriteFile(dir.File("plain"), "a file, not a folder");
    EXPECT_FALSE(SaveEditorLayout(layout, dir.File("plain/editor.ini"), sError));
    EXPECT_NE(sError.find("cannot write"), std::string::npos) << sError;
}

TEST(EditorLayout, ConfigFolderFollowsXdg)
{
    const char* pOld = std::getenv("XDG_CONFIG_HOME");
    const std::string sOld = pOld ? pOld : "";
    setenv("XDG_CONFIG_HOME", "/tmp/cfg-test", 1);
    EXPECT_EQ(GetEditorConfigPath(), "/tmp/cfg-test/orv/editor.ini");
    const char* pHome = std::getenv("HOME");
    const std::string sHome = pHome ? pHome : "";
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_CONFIG_HOME", "relative", 1); // not absolute: ignored, as the rule says
    EXPECT_EQ(GetEditorConfigPath(), "/home/someone/.config/orv/editor.ini");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(GetEditorConfigPath(), "/home/someone/.config/orv/editor.ini");
    if (pHome)
        setenv("HOME", sHome.c_str(), 1);
    else
        unsetenv("HOME");
    if (pOld)
        setenv("XDG_CONFIG_HOME", sOld.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST(EditorView, LetterboxKeepsTheOutputsShape)
{
    // A wide area: bars left and right.
    SEditorRect picture = FitLetterbox({100, 50, 1000, 400}, 1280, 720);
    EXPECT_FLOAT_EQ(picture.fHeight, 400.0f);
    EXPECT_NEAR(picture.fWidth, 400.0f * 16 / 9, 1e-3);
    EXPECT_NEAR(picture.fX, 100 + (1000 - picture.fWidth) / 2, 1e-3);
    EXPECT_FLOAT_EQ(picture.fY, 50.0f);
    // A tall area: bars above and below.
    picture = FitLetterbox({0, 0, 640, 1000}, 1920, 1080);
    EXPECT_FLOAT_EQ(picture.fWidth, 640.0f);
    EXPECT_FLOAT_EQ(picture.fHeight, 360.0f);
    EXPECT_FLOAT_EQ(picture.fY, 320.0f);
    EXPECT_FLOAT_EQ(FitLetterbox({0, 0, 0, 100}, 1280, 720).fWidth, 0.0f);
}

TEST(EditorView, PointerInOutputPixels)
{
    const SEditorRect picture = FitLetterbox({0, 0, 640, 1000}, 1280, 720); // y 320..680
    float fX = 0.0f;
    float fY = 0.0f;
    ASSERT_TRUE(MapToOutput(picture, 1280, 720, 320.0f, 500.0f, fX, fY));
    EXPECT_FLOAT_EQ(fX, 640.0f);
    EXPECT_FLOAT_EQ(fY, 360.0f);
    ASSERT_TRUE(MapToOutput(picture, 1280, 720, 0.0f, 320.0f, fX, fY));
    EXPECT_FLOAT_EQ(fX, 0.0f);
    EXPECT_FLOAT_EQ(fY, 0.0f);
    EXPECT_FALSE(MapToOutput(picture, 1280, 720, 320.0f, 100.0f, fX, fY)) << "on the bar";
    EXPECT_FALSE(MapToOutput(picture, 1280, 720, 640.0f, 500.0f, fX, fY)) << "past the edge";
}

TEST(EditorView, ButtonsAsTheEnginesKeyStateBits)
{
    EXPECT_EQ(MakeMouseFlags(false, false, false), 0ul);
    EXPECT_EQ(MakeMouseFlags(true, false, false), 0x1ul);
    EXPECT_EQ(MakeMouseFlags(false, true, false), 0x2ul);
    EXPECT_EQ(MakeMouseFlags(false, false, true), 0x10ul);
    EXPECT_EQ(MakeMouseFlags(true, true, true), 0x13ul);
}

// A clock that moves only when told, and remembers what it was asked.
class CFakeClock : public IEditorClock
{
public:
    void Play() override { bPlaying = true; }
    void Stop() override { bPlaying = false; }
    void Seek(double dBeats) override { dNow = dBeats; }
    double GetBeats() override { return dNow; }
    bool bPlaying = false;
    double dNow = 0.0;
};

TEST(EditorTransport, StepsBySixteenthsBeatsAndBars)
{
    CFakeClock clock;
    CEditorTransport transport;
    transport.Step(clock, 1);
    EXPECT_FLOAT_EQ(transport.GetFrame(), 1.0f);
    transport.Step(clock, 16);
    EXPECT_FLOAT_EQ(transport.GetFrame(), 16.0f) << "to the next beat, not 17";
    transport.Step(clock, 16);
    EXPECT_FLOAT_EQ(transport.GetFrame(), 32.0f);
    EXPECT_DOUBLE_EQ(clock.dNow, 2.0) << "the music follows, in beats";
    transport.Seek(clock, 40.5f);
    transport.Step(clock, -16);
    EXPECT_FLOAT_EQ(transport.GetFrame(), 32.0f) << "back to the beat before";
    transport.Step(clock, -256);
    EXPECT_FLOAT_EQ(transport.GetFrame(), 0.0f) << "never before the start";
    transport.SetEndFrame(300.0f);
    transport.Step(clock, 256);
    transport.Step(clock, 256);
    EXPECT_FLOAT_EQ(transport.GetFrame(), 300.0f) << "never past the end";
    transport.Seek(clock, -5.0f);
    EXPECT_FLOAT_EQ(transport.GetFrame(), 0.0f);
}

TEST(EditorTransport, PlayingFollowsTheMusicAndLoops)
{
    CFakeClock clock;
    CEditorTransport transport;
    transport.Seek(clock, 64.0f);
    transport.SetPlaying(clock, true);
    EXPECT_TRUE(clock.bPlaying);
    EXPECT_DOUBLE_EQ(clock.dNow, 4.0);
    clock.dNow = 5.5; // the music went on
    transport.Update(clock);
    EXPECT_FLOAT_EQ(transport.GetFrame(), 88.0f);

    transport.SetLoop(96.0f, 128.0f);
    clock.dNow = 8.1; // past the loop's end (frame 129.6)
    transport.Update(clock);
    EXPECT_FLOAT_EQ(transport.GetFrame(), 96.0f);
    EXPECT_DOUBLE_EQ(clock.dNow, 6.0);

    transport.SetPlaying(clock, false);
    EXPECT_FALSE(clock.bPlaying);
    clock.dNow = 9.0; // a paused transport does not follow
    transport.Update(clock);
    EXPECT_FLOAT_EQ(transport.GetFrame(), 96.0f);

    // Starting outside the loop starts at its beginning.
    transport.Seek(clock, 10.0f);
    transport.SetPlaying(clock, true);
    EXPECT_FLOAT_EQ(transport.GetFrame(), 96.0f);
    transport.SetLoop(20.0f, 20.0f);
    EXPECT_FALSE(transport.HasLoop()) << "an empty region is no loop";
}

TEST(EditorTransport, StopsAtTheEndOfTheShow)
{
    CFakeClock clock;
    CEditorTransport transport;
    transport.SetEndFrame(160.0f);
    transport.SetPlaying(clock, true);
    clock.dNow = 12.0;
    transport.Update(clock);
    EXPECT_FALSE(transport.IsPlaying());
    EXPECT_FLOAT_EQ(transport.GetFrame(), 160.0f);
}

TEST(EditorExport, PlayerArguments)
{
    SEditorExportSettings settings;
    settings.sFile = "/out/a.mp4";
    EXPECT_EQ(MakeExportArguments(settings, "/copy"),
              (std::vector<std::string>{"--headless", "--record", "/out/a.mp4", "/copy"}));
    settings.sCodec = "libx264";
    settings.iQuality = 20;
    settings.iFps = 30;
    settings.iWidth = 640;
    settings.iHeight = 360;
    settings.dStart = 2.5;
    settings.dDuration = 10.0;
    const std::vector<std::string> args = MakeExportArguments(settings, "/copy");
    const std::vector<std::string> expected = {"--headless", "--record",   "/out/a.mp4", "--codec",
                                               "libx264",    "--quality",  "20",         "--fps",
                                               "30",         "--mode",     "640x360",    "--start",
                                               "2.500000",   "--duration", "10.000000",  "/copy"};
    EXPECT_EQ(args, expected);
}

TEST(EditorExport, ProgressFromThePlayersLine)
{
    int iDone = 0;
    int iTotal = 0;
    EXPECT_FALSE(ParseExportProgress("Running the show to 2.00 s first:\n", iDone, iTotal));
    ASSERT_TRUE(ParseExportProgress(
        "[#####     ]  12/240 frames   30.0 fps  0:07 left\r[######    ]  130/240 frames", iDone,
        iTotal));
    EXPECT_EQ(iDone, 130);
    EXPECT_EQ(iTotal, 240);
    EXPECT_FALSE(ParseExportProgress("0/0 frames", iDone, iTotal));
}

TEST(EditorExport, MissingPlayerFailsWithoutLeavingTheCopy)
{
    COrvTempDir dir;
    CEditorExport exporter;
    SEditorExportSettings settings;
    settings.sFile = dir.File("out.mp4");
    std::string sError;
    ASSERT_TRUE(exporter.Start(dir.File("no-such-player"), "<OrvDemo version=\"1\"/>",
                               dir.Path().string(), settings, sError))
        << sError;
    for (int i = 0; i < 500 && exporter.IsRunning(); ++i)
    {
        exporter.Poll();
        usleep(10000);
    }
    ASSERT_FALSE(exporter.IsRunning());
    EXPECT_NE(exporter.GetResult().find("export failed"), std::string::npos)
        << exporter.GetResult();
    EXPECT_NE(exporter.GetResult().find("cannot run"), std::string::npos) << exporter.GetResult();
    int iCopies = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
        iCopies += entry.path().filename().string().rfind("orv-export-", 0) == 0;
    EXPECT_EQ(iCopies, 0);
}
} // namespace
