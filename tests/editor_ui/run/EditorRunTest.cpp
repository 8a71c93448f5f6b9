// The real OrvEditor on a virtual display (Xvfb), driven by real input events (xdotool) as a
// person uses it: the saved files must hold exactly the changes asked for, the window must
// look as it should, and a killed editor must offer its unsaved changes at the next start.
#include "EditorCommands.h"
#include "EditorDocument.h"
#include "OrvGoldenImage.h"
#include "OrvTempDir.h"
#include "OrvTestDevice.h"
#include "document/OrvDemo.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <fcntl.h>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace
{
constexpr int kWidth = 1280;
constexpr int kHeight = 800;

// A new object's name comes from a count the engine keeps for the whole process: the count
// differs between the editor (a fresh process) and this test's own document.
std::string WithoutSpriteNumbers(std::string sText)
{
    const std::string sName = "defaultValue=\"sprite image ";
    for (size_t uAt = sText.find(sName); uAt != std::string::npos; uAt = sText.find(sName, uAt + 1))
    {
        const size_t uDigits = uAt + sName.size();
        size_t uEnd = uDigits;
        while (uEnd < sText.size() && std::isdigit(static_cast<unsigned char>(sText[uEnd])))
            ++uEnd;
        sText.replace(uDigits, uEnd - uDigits, "#");
    }
    return sText;
}

// Equal texts, or where they first differ (the demo files are one long line each).
::testing::AssertionResult SameText(const std::string& sActual, const std::string& sExpected)
{
    if (WithoutSpriteNumbers(sActual) == WithoutSpriteNumbers(sExpected))
        return ::testing::AssertionSuccess();
    size_t uAt = 0;
    while (uAt < sActual.size() && uAt < sExpected.size() && sActual[uAt] == sExpected[uAt])
        ++uAt;
    const size_t uFrom = uAt > 120 ? uAt - 120 : 0;
    return ::testing::AssertionFailure()
           << "texts differ at " << uAt << " (sizes " << sActual.size() << " and "
           << sExpected.size() << ")\n saved:    ..." << sActual.substr(uFrom, 300)
           << "\n expected: ..." << sExpected.substr(uFrom, 300);
}

bool HasProgram(const char* pName)
{
    return std::system((std::string("command -v ") + pName + " >/dev/null 2>&1").c_str()) == 0;
}

pid_t Spawn(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    std::vector<std::string> copy = args;
    for (std::string& sArg : copy)
        argv.push_back(sArg.data());
    argv.push_back(nullptr);
    pid_t iPid = -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&iPid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        iPid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return iPid;
}

// Ends a child; one that does not end within ten seconds (an editor asking about unsaved
// changes) is killed.
void Stop(pid_t& iPid, int iSignal)
{
    if (iPid <= 0)
        return;
    kill(iPid, iSignal);
    int iStatus = 0;
    for (int i = 0; i < 200 && waitpid(iPid, &iStatus, WNOHANG) == 0; ++i)
        usleep(50000);
    if (waitpid(iPid, &iStatus, WNOHANG) == 0)
    {
        kill(iPid, SIGKILL);
        waitpid(iPid, &iStatus, 0);
    }
    iPid = -1;
}

template <class F> bool WaitFor(F condition, std::chrono::milliseconds limit = 20s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end)
    {
        if (condition())
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return condition();
}

// Runs a command of the shell with its standard output; empty when it failed.
std::string Capture(const std::string& sCommand)
{
    std::string sOut;
    if (FILE* pPipe = popen(sCommand.c_str(), "r"))
    {
        char aBuffer[256];
        while (fgets(aBuffer, sizeof(aBuffer), pPipe))
            sOut += aBuffer;
        pclose(pPipe);
    }
    while (!sOut.empty() && (sOut.back() == '\n' || sOut.back() == '\r'))
        sOut.pop_back();
    return sOut;
}

// An X server of its own, removed at the end. Xvfb picks a free display number itself and
// tells it through a pipe (-displayfd), so tests running side by side never share one.
class CVirtualDisplay
{
public:
    CVirtualDisplay()
    {
        int aPipe[2];
        if (pipe(aPipe) != 0)
            return;
        m_iPid = Spawn({"Xvfb", "-displayfd", std::to_string(aPipe[1]), "-screen", "0",
                        std::to_string(kWidth) + "x" + std::to_string(kHeight) + "x24", "-nolisten",
                        "tcp", "-noreset"});
        close(aPipe[1]);
        std::string sNumber;
        char c = 0;
        while (m_iPid > 0 && read(aPipe[0], &c, 1) == 1 && c != '\n')
            sNumber += c;
        close(aPipe[0]);
        if (sNumber.empty())
        {
            Stop(m_iPid, SIGTERM);
            return;
        }
        m_sName = ":" + sNumber;
        setenv("DISPLAY", m_sName.c_str(), 1);
    }
    ~CVirtualDisplay() { Stop(m_iPid, SIGTERM); }
    bool IsRunning() const { return m_iPid > 0; }
    const std::string& GetName() const { return m_sName; }

private:
    pid_t m_iPid = -1;
    std::string m_sName;
};

class EditorRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!HasProgram("Xvfb") || !HasProgram("xdotool"))
            GTEST_SKIP() << "Xvfb and xdotool are needed (scripts/install-deps.sh installs them)";
        m_pDisplay = std::make_unique<CVirtualDisplay>();
        ASSERT_TRUE(m_pDisplay->IsRunning()) << "Xvfb did not start";
        // The editor's settings: a window the size of the screen, in the test's folder.
        setenv("XDG_CONFIG_HOME", m_Config.Path().c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("ORV_EDITOR_RECOVERY_SECONDS", "1", 1);
        fs::create_directories(m_Config.Path() / "orv");
        OrvWriteFile(m_Config.Path() / "orv" / "editor.ini",
                     "window_width=" + std::to_string(kWidth) +
                         "\nwindow_height=" + std::to_string(kHeight) + "\n");
        m_sDemo = (m_Work.Path() / "demo").string();
        fs::copy(fs::path(ORV_SOURCE_ROOT) / "examples" / "Atelier", m_sDemo,
                 fs::copy_options::recursive);
    }
    void TearDown() override
    {
        Stop(m_iEditor, SIGTERM);
        m_pDisplay.reset();
    }

    // Starts the editor on the demo and waits for its window: with the demo shown, or (when
    // the editor asks a question first) with no demo yet.
    void StartEditor(bool bAsksFirst = false, std::vector<std::string> args = {},
                     const std::string& sTitle = "demo - OrvEditor")
    {
        if (args.empty())
            args = {m_sDemo};
        args.insert(args.begin(), ORV_EDITOR_PATH);
        m_iEditor = Spawn(args);
        ASSERT_GT(m_iEditor, 0);
        ASSERT_TRUE(WaitFor([] { return !Capture("xdotool search --name OrvEditor").empty(); }))
            << "no editor window";
        if (bAsksFirst)
            std::this_thread::sleep_for(2s);
        else // the demo loads and draws its first frame (its shaders compile on the CPU)
            ASSERT_TRUE(WaitFor([&] { return Title() == sTitle; }, 60s)) << Title();
        std::this_thread::sleep_for(500ms);
    }
    static void Run(const std::string& sArgs)
    {
        ASSERT_EQ(std::system(("xdotool " + sArgs).c_str()), 0) << sArgs;
        std::this_thread::sleep_for(300ms);
    }
    // Types into the command palette and runs the best match.
    static void Palette(const std::string& sText)
    {
        Run("key ctrl+k");
        Run("type --delay 40 '" + sText + "'");
        Run("key Return");
        std::this_thread::sleep_for(200ms);
    }
    static std::string Title() { return Capture("xdotool search --name OrvEditor getwindowname"); }

    // The text the editor should save: the same demo opened and drawn as the editor does
    // (headless), with the same commands.
    std::string Expected(const std::vector<EditorCommandPtr (*)()>& edits)
    {
        COrvTempDir copy("expected");
        fs::copy(fs::path(ORV_SOURCE_ROOT) / "examples" / "Atelier", copy.Path() / "demo",
                 fs::copy_options::recursive);
        COrvTestDevice device(64, 64);
        CEditorDocument document;
        std::string sError;
        EXPECT_TRUE(document.Open((copy.Path() / "demo").string(), sError)) << sError;
        document.GetDemo().SetOutputSize(1280, 720);
        document.GetDemo().SetDevice(device.Get());
        document.GetDemo().DrawFrame(0.0f);
        for (auto fnMake : edits)
            EXPECT_TRUE(document.Execute(fnMake(), sError)) << sError;
        return document.GetSaveText();
    }

    COrvTempDir m_Config{"config"};
    COrvTempDir m_Work{"work"};
    std::unique_ptr<CVirtualDisplay> m_pDisplay;
    std::string m_sDemo;
    pid_t m_iEditor = -1;
};

TEST_F(EditorRun, PaletteEditsUndoAndSaveWriteExactlyTheChanges)
{
    StartEditor();
    EXPECT_EQ(Title(), "demo - OrvEditor");
    Palette("add sprite");
    EXPECT_EQ(Title(), "* demo - OrvEditor") << "the title marks unsaved changes";
    Palette("set tempo 140");
    Palette("add material");
    EXPECT_TRUE(WaitFor([&] { return Title() == "* demo - OrvEditor"; }, 1s));
    Run("key ctrl+z"); // takes the material back, keeps the rest
    Run("key ctrl+s");
    ASSERT_TRUE(WaitFor([&] { return Title() == "demo - OrvEditor"; }, 5s)) << Title();
    const std::string sSaved = OrvReadFile(fs::path(m_sDemo) / "demo.orv");
    const std::string sExpected =
        Expected({[] { return EditorAddObject(EEditorFactory::LayerSprite, 0.0f); },
                  [] { return EditorSetTempo(140.0f); }});
    EXPECT_TRUE(SameText(sSaved, sExpected));
    EXPECT_NE(sSaved.find("defaultValue=\"sprite image 1\""), std::string::npos)
        << "the editor's first sprite";
    EXPECT_TRUE(fs::exists(fs::path(m_sDemo) / "demo.orv.bak")) << "the old file is kept";
    EXPECT_TRUE(
        SameText(OrvReadFile(fs::path(m_sDemo) / "demo.orv.bak"),
                 OrvReadFile(fs::path(ORV_SOURCE_ROOT) / "examples" / "Atelier" / "demo.orv")));
}

TEST_F(EditorRun, WindowMatchesGolden)
{
    StartEditor();
    Run("mousemove 5 790"); // away from anything that lights up under the pointer
    const std::string sPicture = (m_Work.Path() / "window.png").string();
    ASSERT_EQ(std::system(("ffmpeg -loglevel error -f x11grab -draw_mouse 0 -video_size " +
                           std::to_string(kWidth) + "x" + std::to_string(kHeight) + " -i " +
                           m_pDisplay->GetName() + " -frames:v 1 -y " + sPicture)
                              .c_str()),
              0);
    SOrvImage image;
    ASSERT_TRUE(OrvLoadPNG(sPicture, image));
    ASSERT_EQ(image.m_uWidth, UINT(kWidth));
    EXPECT_TRUE(OrvMatchesGolden(image, "editor_window_sample", 12));
}

TEST_F(EditorRun, KilledEditorOffersItsChangesAtTheNextStart)
{
    StartEditor();
    Palette("add sprite");
    const fs::path recovery = CEditorDocument::GetRecoveryPath(m_sDemo);
    ASSERT_TRUE(WaitFor([&] { return fs::exists(recovery); }, 10s)) << "no recovery copy";
    Stop(m_iEditor, SIGKILL);
    const std::string sOriginal = OrvReadFile(fs::path(m_sDemo) / "demo.orv");

    StartEditor(true);
    Run("key Return"); // "Recover", the question's first answer
    EXPECT_TRUE(WaitFor([&] { return Title() == "* demo - OrvEditor"; }, 60s))
        << "the recovered changes are unsaved: " << Title();
    Run("key ctrl+s");
    ASSERT_TRUE(WaitFor([&] { return Title() == "demo - OrvEditor"; }, 5s)) << Title();
    const std::string sSaved = OrvReadFile(fs::path(m_sDemo) / "demo.orv");
    EXPECT_NE(sSaved, sOriginal);
    EXPECT_TRUE(SameText(
        sSaved, Expected({[] { return EditorAddObject(EEditorFactory::LayerSprite, 0.0f); }})));
    EXPECT_FALSE(fs::exists(recovery)) << "a save removes the recovery copy";
}
TEST_F(EditorRun, NewDemoInAnEmptyFolder)
{
    const fs::path folder = m_Work.Path() / "fresh";
    StartEditor(false, {"--new", folder.string()}, "fresh - OrvEditor");
    ASSERT_TRUE(fs::is_directory(folder / "data"));
    Palette("add sprite");
    Run("key ctrl+s");
    ASSERT_TRUE(WaitFor([&] { return Title() == "fresh - OrvEditor"; }, 5s)) << Title();
    const std::string sSaved = OrvReadFile(folder / "demo.orv");
    EXPECT_NE(sSaved.find("<COrvLayerSprite>"), std::string::npos) << sSaved;
    // The same document made here, as a user would expect it.
    COrvTempDir expected("new");
    CEditorDocument document;
    std::string sError;
    ASSERT_TRUE(document.CreateNew((expected.Path() / "fresh").string(), sError)) << sError;
    ASSERT_TRUE(document.Execute(EditorAddObject(EEditorFactory::LayerSprite, 0.0f), sError));
    EXPECT_TRUE(SameText(sSaved, document.GetSaveText()));
}

TEST_F(EditorRun, AFolderWithoutADemoBecomesANewDemo)
{
    // An empty folder, opened as any folder is: a new demo starts there.
    const fs::path empty = m_Work.Path() / "empty";
    fs::create_directories(empty);
    StartEditor(false, {empty.string()}, "empty - OrvEditor");
    EXPECT_TRUE(fs::is_regular_file(empty / "demo.orv"));
    EXPECT_TRUE(fs::is_directory(empty / "data"));
    Stop(m_iEditor, SIGTERM);

    // A folder holding other files is asked about first; Enter gives the first answer.
    const fs::path other = m_Work.Path() / "notes";
    fs::create_directories(other);
    OrvWriteFile(other / "todo.txt", "music first");
    StartEditor(true, {other.string()});
    EXPECT_FALSE(fs::exists(other / "demo.orv")) << "nothing is made before the answer";
    Run("key Return");
    ASSERT_TRUE(WaitFor([&] { return Title() == "notes - OrvEditor"; }, 60s)) << Title();
    EXPECT_TRUE(fs::is_regular_file(other / "demo.orv"));
    EXPECT_EQ(OrvReadFile(other / "todo.txt"), "music first");
}

TEST_F(EditorRun, StartedWithoutAFolderItOpensAndMakesDemosFromThePalette)
{
    // As from the desktop's menu: no folder given.
    m_iEditor = Spawn({ORV_EDITOR_PATH});
    ASSERT_GT(m_iEditor, 0);
    ASSERT_TRUE(WaitFor([] { return !Capture("xdotool search --name OrvEditor").empty(); }));
    std::this_thread::sleep_for(1s);
    Palette("open demo " + m_sDemo);
    ASSERT_TRUE(WaitFor([&] { return Title() == "demo - OrvEditor"; }, 60s)) << Title();

    // Another demo while this one has unsaved changes: Enter gives the question's first
    // answer, which saves them first.
    Palette("add sprite");
    ASSERT_EQ(Title(), "* demo - OrvEditor");
    const fs::path fresh = m_Work.Path() / "fresh";
    Palette("new demo " + fresh.string());
    Run("key Return");
    ASSERT_TRUE(WaitFor([&] { return Title() == "fresh - OrvEditor"; }, 60s)) << Title();
    EXPECT_TRUE(fs::is_regular_file(fresh / "demo.orv"));
    EXPECT_NE(OrvReadFile(fs::path(m_sDemo) / "demo.orv").find("sprite image"), std::string::npos)
        << "the first demo's change was saved before the second opened";
}

TEST_F(EditorRun, DragOverTheViewIsOneUndoStep)
{
    StartEditor();
    Run("mousemove 60 239 click 1"); // the "logo" sprite in the layers list
    Run("mousemove 620 300 mousedown 1");
    for (int i = 1; i <= 6; ++i)
        Run("mousemove " + std::to_string(620 + 15 * i) + " " + std::to_string(300 + 8 * i));
    Run("mouseup 1");
    ASSERT_TRUE(WaitFor([&] { return Title() == "* demo - OrvEditor"; }, 5s))
        << "the drag changed the layer: " << Title();
    Run("key ctrl+z");
    EXPECT_TRUE(WaitFor([&] { return Title() == "demo - OrvEditor"; }, 5s))
        << "one undo takes the whole drag back: " << Title();
    Run("key ctrl+shift+z");
    EXPECT_TRUE(WaitFor([&] { return Title() == "* demo - OrvEditor"; }, 5s))
        << "redo brings the drag back: " << Title();
}
} // namespace
