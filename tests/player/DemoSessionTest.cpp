// Reloads of a playing demo, as --watch makes them, drawn headless: the new picture after
// an edit or a save through a rename; the last good picture, with the file and line, after
// a broken file, and the new one again once it is fixed; the music playing on.
#include "DemoSession.h"
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"
#include "PlayerTestSupport.h"
#include "audio/OrvMusic.h"
#include "document/OrvDemo.h"

#include <gtest/gtest.h>

using namespace orv::test::player;

namespace
{

int CountDifferentPixels(const SOrvImage& a, const SOrvImage& b)
{
    if (a.m_uWidth != b.m_uWidth || a.m_uHeight != b.m_uHeight)
        return -1;
    int iCount = 0;
    for (size_t i = 0; i < a.m_aRGBA.size(); i += 4)
    {
        for (size_t c = 0; c < 3; ++c)
        {
            if (std::abs(a.m_aRGBA[i + c] - b.m_aRGBA[i + c]) > 8)
            {
                ++iCount;
                break;
            }
        }
    }
    return iCount;
}

class DemoSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_device) << std::hex << m_device.GetCreateResult();
        std::string sError;
        ASSERT_TRUE(m_session.Load(m_device.Get(), sError)) << sError;
        EXPECT_TRUE(m_session.DescribeProblems().empty());
    }
    void TearDown() override
    {
        if (m_session.GetDemo())
            m_session.GetDemo()->BassStop();
    }

    SOrvImage Picture()
    {
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        m_session.GetDemo()->DrawFrame(8.0f);
        SOrvImage image;
        EXPECT_TRUE(OrvReadRenderTarget(m_device.Get(), image));
        return image;
    }
    // The picture of a demo text loaded afresh (what a reload must show).
    SOrvImage FreshPicture(const std::string& sText)
    {
        CScratchDemo other("session_fresh");
        other.Write("demo.orv", sText);
        CDemoSession fresh(other.Path().string(), 160, 90);
        std::string sError;
        EXPECT_TRUE(fresh.Load(m_device.Get(), sError)) << sError;
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        fresh.GetDemo()->DrawFrame(8.0f);
        SOrvImage image;
        EXPECT_TRUE(OrvReadRenderTarget(m_device.Get(), image));
        return image;
    }
    bool Reload(std::string& sProblem, const std::vector<std::string>& changed = {})
    {
        return m_session.Reload(8.0f, true, changed, sProblem);
    }

    COrvTestDevice m_device{160, 90};
    CScratchDemo m_demo{"session"};
    CDemoSession m_session{m_demo.Path().string(), 160, 90};
};

} // namespace

TEST_F(DemoSessionTest, EditsAndSavesThroughARenameShowTheNewDemo)
{
    const SOrvImage before = Picture();
    const std::string sMoved = CScratchDemo::DemoText("0.3 0.1 0");
    m_demo.Write("demo.orv", sMoved);
    std::string sProblem;
    ASSERT_TRUE(Reload(sProblem)) << sProblem;
    EXPECT_TRUE(sProblem.empty());
    const SOrvImage moved = Picture();
    EXPECT_GT(CountDifferentPixels(before, moved), 100);
    EXPECT_EQ(CountDifferentPixels(moved, FreshPicture(sMoved)), 0);

    const std::string sBack = CScratchDemo::DemoText("-0.3 0 0");
    m_demo.SaveByRename("demo.orv", sBack);
    ASSERT_TRUE(Reload(sProblem)) << sProblem;
    EXPECT_EQ(CountDifferentPixels(Picture(), before), 0);
}

TEST_F(DemoSessionTest, BrokenFilesKeepTheLastGoodDemoUntilFixed)
{
    const SOrvImage good = Picture();
    COrvDemo* pGood = m_session.GetDemo();
    struct SBreak
    {
        const char* szFile;
        std::string sText;
        const char* szExpected; // the problem's start
    };
    const SBreak breaks[] = {
        {"demo.orv", "<OrvDemo version=\"1\">\n<Layers>\n<COrvLayerSprite\n</Layers>\n",
         "demo.orv:4: "},
        {"data/plain.fx", CScratchDemo::PlainEffect(true), "data/plain.fx:3: "},
        {"demo.orv", CScratchDemo::DemoText("0.3 0 0", "missing.png"),
         "data/missing.png: cannot read the image"},
        {"demo.orv", "", "demo.orv:1: "},
    };
    for (const SBreak& broken : breaks)
    {
        m_demo.Write(broken.szFile, broken.sText);
        std::string sProblem;
        EXPECT_FALSE(Reload(sProblem)) << broken.szFile;
        EXPECT_EQ(sProblem.rfind(broken.szExpected, 0), 0u) << sProblem;
        EXPECT_EQ(m_session.GetDemo(), pGood) << "the last good demo stays";
        EXPECT_EQ(CountDifferentPixels(Picture(), good), 0) << broken.szFile;
        // Fixed: the new demo shows.
        m_demo.Write("data/plain.fx", CScratchDemo::PlainEffect(false));
        m_demo.Write("demo.orv", CScratchDemo::DemoText("0.3 0 0"));
        ASSERT_TRUE(Reload(sProblem)) << sProblem;
        EXPECT_GT(CountDifferentPixels(Picture(), good), 100);
        // Back to the first demo for the next case.
        m_demo.Write("demo.orv", CScratchDemo::DemoText("-0.3 0 0"));
        ASSERT_TRUE(Reload(sProblem)) << sProblem;
        pGood = m_session.GetDemo();
    }
}

TEST_F(DemoSessionTest, AMissingDemoFileOrFolderKeepsTheDemoAndSaysWhy)
{
    COrvDemo* pGood = m_session.GetDemo();
    std::filesystem::remove(m_demo.File("demo.orv"));
    std::string sProblem;
    EXPECT_FALSE(Reload(sProblem));
    EXPECT_EQ(sProblem, "demo.orv: cannot read the file");
    const std::string sMoved = m_demo.Path().string() + ".moved";
    std::filesystem::rename(m_demo.Path(), sMoved);
    EXPECT_FALSE(Reload(sProblem));
    EXPECT_NE(sProblem.find("is not there any more"), std::string::npos) << sProblem;
    EXPECT_EQ(m_session.GetDemo(), pGood);
    std::filesystem::rename(sMoved, m_demo.Path());
    m_demo.Write("demo.orv", CScratchDemo::DemoText("0 0 0"));
    EXPECT_TRUE(Reload(sProblem)) << sProblem;
}

TEST_F(DemoSessionTest, TheMusicPlaysOnUnlessItsFileOrTempoChanged)
{
    COrvDemo* pFirst = m_session.GetDemo();
    pFirst->BassSetTime(6.0f);
    pFirst->BassPlay();
    COrvMusic* pMusic = pFirst->GetMusic();
    m_demo.Write("demo.orv", CScratchDemo::DemoText("0.2 0 0"));
    std::string sProblem;
    ASSERT_TRUE(Reload(sProblem)) << sProblem;
    EXPECT_NE(m_session.GetDemo(), pFirst);
    EXPECT_EQ(m_session.GetDemo()->GetMusic(), pMusic) << "the same track plays on";
    EXPECT_GE(m_session.GetDemo()->BassGetTime(), 6.0f);

    // The music file itself changed: it is opened again, as far in as it was.
    m_session.GetDemo()->BassStop();
    m_session.GetDemo()->BassSetTime(10.0f);
    m_demo.WriteTone("data/tone.wav", 30);
    ASSERT_TRUE(Reload(sProblem, {m_demo.File("data/tone.wav")})) << sProblem;
    EXPECT_NE(m_session.GetDemo()->GetMusic(), pMusic);
    EXPECT_FLOAT_EQ(m_session.GetDemo()->BassGetTime(), 10.0f);
}
