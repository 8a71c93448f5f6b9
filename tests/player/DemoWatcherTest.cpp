// Which changes to a demo's files the watcher reports: writes in place, saves through a
// rename, new folders, editors' scratch files (not), and a demo folder moved away and back.
#include "DemoWatcher.h"
#include "PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

using namespace orv::test::player;
using namespace std::chrono_literals;

namespace
{

// Polls until the watcher has changes that settled (or a few seconds passed).
std::vector<std::string> WaitForChanges(CDemoWatcher& rWatcher)
{
    for (int i = 0; i < 500; ++i)
    {
        rWatcher.Poll();
        if (rWatcher.IsSettled(20ms))
        {
            return rWatcher.TakeChanges();
        }
        std::this_thread::sleep_for(10ms);
    }
    return {};
}

// Gives the watcher time to see events that should not count, then says what it saw.
std::vector<std::string> ChangesAfterAWhile(CDemoWatcher& rWatcher)
{
    for (int i = 0; i < 10; ++i)
    {
        rWatcher.Poll();
        std::this_thread::sleep_for(10ms);
    }
    return rWatcher.TakeChanges();
}

bool Contains(const std::vector<std::string>& paths, const std::string& sPath)
{
    return std::find(paths.begin(), paths.end(), sPath) != paths.end();
}

class DemoWatcherTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string sError;
        ASSERT_TRUE(m_watcher.Start(m_demo.Path().string(), sError)) << sError;
        EXPECT_FALSE(m_watcher.HasChanges());
    }
    CScratchDemo m_demo{"watcher"};
    CDemoWatcher m_watcher;
};

} // namespace

TEST_F(DemoWatcherTest, WritesAndRenamesOverTheDemoFileAndItsDataAreSeen)
{
    m_demo.Write("demo.orv", CScratchDemo::DemoText("0 0 0"));
    EXPECT_EQ(WaitForChanges(m_watcher), std::vector<std::string>{m_demo.File("demo.orv")});

    m_demo.SaveByRename("demo.orv", CScratchDemo::DemoText("0.1 0 0"));
    EXPECT_EQ(WaitForChanges(m_watcher), std::vector<std::string>{m_demo.File("demo.orv")});

    m_demo.SaveByRename("data/plain.fx", CScratchDemo::PlainEffect(true));
    EXPECT_TRUE(Contains(WaitForChanges(m_watcher), m_demo.File("data/plain.fx")));

    std::filesystem::remove(m_demo.File("data/checker.bmp"));
    EXPECT_EQ(WaitForChanges(m_watcher), std::vector<std::string>{m_demo.File("data/checker.bmp")});

    // A folder made under data is watched from then on.
    std::filesystem::create_directories(m_demo.Path() / "data" / "more");
    WaitForChanges(m_watcher);
    m_demo.Write("data/more/new.png", "x");
    EXPECT_TRUE(Contains(WaitForChanges(m_watcher), m_demo.File("data/more/new.png")));
}

TEST_F(DemoWatcherTest, ScratchFilesAndOtherFilesBesideTheDemoAreNot)
{
    m_demo.Write("notes.txt", "x");
    m_demo.Write("data/.plain.fx.swp", "x");
    m_demo.Write("data/plain.fx~", "x");
    m_demo.Write("data/4913", "x");
    EXPECT_TRUE(ChangesAfterAWhile(m_watcher).empty());
    EXPECT_TRUE(CDemoWatcher::IsScratchName(".#demo.orv"));
    EXPECT_FALSE(CDemoWatcher::IsScratchName("demo.orv"));
    // A burst of writes settles into one change.
    for (int i = 0; i < 5; ++i)
    {
        m_demo.Write("demo.orv", CScratchDemo::DemoText(std::to_string(i) + " 0 0"));
    }
    EXPECT_EQ(WaitForChanges(m_watcher).size(), 1u);
}

TEST_F(DemoWatcherTest, ADemoFolderMovedAwayAndBackIsWatchedAgain)
{
    const std::string sMoved = m_demo.Path().string() + ".moved";
    std::filesystem::rename(m_demo.Path(), sMoved);
    WaitForChanges(m_watcher);
    EXPECT_TRUE(m_watcher.IsFolderGone());
    // Changes in the moved folder are no longer the demo's.
    std::ofstream(sMoved + "/demo.orv") << CScratchDemo::DemoText("0 0 0");
    EXPECT_TRUE(ChangesAfterAWhile(m_watcher).empty());

    std::filesystem::rename(sMoved, m_demo.Path());
    EXPECT_TRUE(Contains(WaitForChanges(m_watcher), m_demo.File("demo.orv")));
    EXPECT_FALSE(m_watcher.IsFolderGone());
    m_demo.Write("data/plain.fx", CScratchDemo::PlainEffect(false));
    EXPECT_TRUE(Contains(WaitForChanges(m_watcher), m_demo.File("data/plain.fx")));
}

TEST_F(DemoWatcherTest, WatchingAnotherFolderForgetsTheFirst)
{
    CScratchDemo other("watcher_other");
    std::string sError;
    ASSERT_TRUE(m_watcher.Start(other.Path().string(), sError)) << sError;
    m_demo.Write("demo.orv", CScratchDemo::DemoText("0 0 0"));
    EXPECT_TRUE(ChangesAfterAWhile(m_watcher).empty()) << "the first folder is no longer watched";
    other.Write("demo.orv", CScratchDemo::DemoText("0 0 0"));
    EXPECT_EQ(WaitForChanges(m_watcher), std::vector<std::string>{other.File("demo.orv")});
    // Starting again (the editor does at every reload) keeps no file descriptor of the last.
    const auto countOpenFiles = []
    {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator());
    };
    const auto before = countOpenFiles();
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(m_watcher.Start(other.Path().string(), sError)) << sError;
    EXPECT_EQ(countOpenFiles(), before);
    other.Write("demo.orv", CScratchDemo::DemoText("1 0 0"));
    EXPECT_EQ(WaitForChanges(m_watcher), std::vector<std::string>{other.File("demo.orv")});
}
