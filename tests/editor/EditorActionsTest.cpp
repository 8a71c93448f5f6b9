// The command palette's registry: actions found by any words of their names, with arguments.
#include "EditorActions.h"
#include "EditorSelection.h"
#include "EditorTestDemo.h"
#include "OrvTestDemo.h"

#include <gtest/gtest.h>

namespace
{
class EditorActionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Folder.Write("<OrvDemo version=\"1\"/>");
        std::string sError;
        ASSERT_TRUE(m_Document.Open(m_Folder.Path().string(), sError)) << sError;
        RegisterDocumentActions(
            m_Actions, m_Document, m_Selection, [this] { return m_fFrame; },
            [this](float fFrame) { m_fFrame = fFrame; });
    }
    void TearDown() override { COrvPropBase::SetFrame(0.0f); }

    std::string Best(const std::string& sQuery)
    {
        const auto matches = m_Actions.Match(sQuery);
        return matches.empty() ? std::string() : matches.front().pAction->sName;
    }

    CEditorTestFolder m_Folder{"editor_actions"};
    CEditorDocument m_Document;
    CEditorSelection m_Selection;
    CEditorActions m_Actions;
    float m_fFrame = 12.0f;
};
} // namespace

TEST_F(EditorActionsTest, AnyWordsOfTheNameFindTheAction)
{
    EXPECT_EQ(Best("add sprite"), "Add sprite layer");
    EXPECT_EQ(Best("sprite add"), "Add sprite layer");
    EXPECT_EQ(Best("ADD MAT"), "Add material resource");
    EXPECT_EQ(Best("add material"), "Add material resource");
    EXPECT_EQ(Best("bloom"), "Add bloom post-process layer");
    EXPECT_EQ(Best("save"), "Save");
    EXPECT_EQ(Best("undo"), "Undo");
    EXPECT_EQ(Best("3d object layer"), "Add 3D object layer");
    EXPECT_EQ(Best("3d object res"), "Add 3D object resource");
    EXPECT_TRUE(m_Actions.Match("add zebra").empty());
    EXPECT_EQ(m_Actions.Match("").size(), m_Actions.GetActions().size()) << "empty: everything";
    // Every action of the document has a name, and the main ones their shortcut.
    EXPECT_EQ(m_Actions.Find("save")->sShortcut, "Ctrl+S");
    EXPECT_EQ(m_Actions.Find("Undo")->sShortcut, "Ctrl+Z");
    EXPECT_EQ(m_Actions.Find("Redo")->sShortcut, "Ctrl+Shift+Z");
    EXPECT_EQ(m_Actions.GetActions().size(), static_cast<size_t>(EEditorFactory::Count) + 7);
}

TEST_F(EditorActionsTest, RunningAddsAtTheCurrentFrameAndSelectsTheNewObject)
{
    std::string sError;
    ASSERT_TRUE(m_Actions.Run("add sprite", sError)) << sError;
    ASSERT_EQ(m_Document.GetDemo().GetLayers().size(), 1u);
    EXPECT_EQ(m_Document.GetDemo().GetLayers()[0]->GetClass(), "COrvLayerSprite");
    SEditorObjectRef selected;
    ASSERT_TRUE(m_Selection.GetPrimary(selected));
    EXPECT_EQ(selected, (SEditorObjectRef{EEditorList::Layers, 0}));

    ASSERT_TRUE(m_Actions.Run("add material", sError)) << sError;
    const auto& alpha =
        FindProperty<COrvPropFloat>(m_Document.GetDemo().GetResources()[0], ORV_PROP_ALPHA)
            ->GetTrack();
    ASSERT_EQ(alpha.size(), 1u);
    EXPECT_EQ(alpha.begin()->first, 12);

    ASSERT_TRUE(m_Actions.Run("duplicate", sError)) << sError;
    EXPECT_EQ(m_Document.GetDemo().GetResources().size(), 2u);
    ASSERT_TRUE(m_Actions.Run("delete selection", sError)) << sError;
    EXPECT_EQ(m_Document.GetDemo().GetResources().size(), 1u);
    ASSERT_TRUE(m_Actions.Run("undo", sError)) << sError;
    EXPECT_EQ(m_Document.GetDemo().GetResources().size(), 2u);
    ASSERT_TRUE(m_Actions.Run("redo", sError)) << sError;
    EXPECT_EQ(m_Document.GetDemo().GetResources().size(), 1u);
    ASSERT_TRUE(m_Actions.Run("save", sError)) << sError;
    EXPECT_FALSE(m_Document.IsModified());
}

TEST_F(EditorActionsTest, ArgumentsFollowTheNamesWords)
{
    const auto matches = m_Actions.Match("go to 42.5");
    ASSERT_FALSE(matches.empty());
    EXPECT_EQ(matches.front().pAction->sName, "Go to frame");
    EXPECT_EQ(matches.front().sArgument, "42.5");
    std::string sError;
    ASSERT_TRUE(m_Actions.Run("go to 42.5", sError)) << sError;
    EXPECT_EQ(m_fFrame, 42.5f);
    EXPECT_FALSE(m_Actions.Run("go to forty", sError));
    EXPECT_NE(sError.find("forty"), std::string::npos) << sError;
    EXPECT_EQ(m_fFrame, 42.5f);
    EXPECT_FALSE(m_Actions.Run("go to", sError));
    EXPECT_NE(sError.find("frame"), std::string::npos) << sError;

    ASSERT_TRUE(m_Actions.Run("tempo 140", sError)) << sError;
    EXPECT_EQ(m_Document.GetDemo().GetMusic()->GetBPM(), 140.0f);
    EXPECT_FALSE(m_Actions.Run("set tempo -3", sError));
    EXPECT_FALSE(m_Actions.Run("frobnicate", sError));
    EXPECT_NE(sError.find("frobnicate"), std::string::npos);
    EXPECT_FALSE(m_Actions.Run("delete selection", sError)) << "nothing is selected";
}

TEST_F(EditorActionsTest, TheShellsOwnActionsJoinAndReplaceByName)
{
    int iRuns = 0;
    m_Actions.Register({"Toggle timeline panel", "F4", false, "",
                        [&](const std::string&, std::string&)
                        {
                            ++iRuns;
                            return true;
                        }});
    std::string sError;
    EXPECT_TRUE(m_Actions.Run("timeline", sError));
    const size_t uCount = m_Actions.GetActions().size();
    m_Actions.Register({"Toggle timeline panel", "F5", false, "", nullptr});
    EXPECT_EQ(m_Actions.GetActions().size(), uCount);
    EXPECT_EQ(m_Actions.Find("toggle timeline panel")->sShortcut, "F5");
    EXPECT_FALSE(m_Actions.Run("timeline", sError)) << "no function to run";
    EXPECT_EQ(iRuns, 1);
}
