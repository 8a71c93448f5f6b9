// Opening, creating, saving (atomically, with the previous version kept) and recovering demo
// folders, and what a save would drop from a file the engine read only in part.
#include "EditorCommands.h"
#include "EditorTestDemo.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
const char* const kDemo = "<OrvDemo version=\"1\"><Layers><COrvLayerSprite>"
                          "<Prop4 bAnimable=\"0\" defaultValue=\"one\"/></COrvLayerSprite>"
                          "</Layers></OrvDemo>";

std::vector<std::string> FilesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool Edit(CEditorDocument& document)
{
    std::string sError;
    return document.Execute(EditorRename({EEditorList::Layers, 0}, "two"), sError);
}
} // namespace

TEST(EditorFile, SaveReplacesTheFileAndKeepsThePreviousAsBak)
{
    CEditorTestFolder folder("editor_save");
    folder.Write(kDemo);
    CEditorDocument document;
    std::string sError;
    ASSERT_TRUE(document.Open(folder.Path().string(), sError)) << sError;
    EXPECT_FALSE(document.IsModified());
    ASSERT_TRUE(Edit(document));
    EXPECT_TRUE(document.IsModified());
    ASSERT_TRUE(document.Save(sError)) << sError;
    EXPECT_FALSE(document.IsModified());
    EXPECT_EQ(OrvReadFile(folder.Demo()), document.GetSaveText());
    EXPECT_EQ(OrvReadFile(folder.Path() / "demo.orv.bak"), kDemo);
    EXPECT_EQ(FilesIn(folder.Path()),
              (std::vector<std::string>{"data", "demo.orv", "demo.orv.bak"}))
        << "no temporary file is left";
    // Undoing past the save point is a change again; redoing back is not.
    ASSERT_TRUE(document.Undo());
    EXPECT_TRUE(document.IsModified());
    ASSERT_TRUE(document.Redo());
    EXPECT_FALSE(document.IsModified());

    // The saved file reads back as the same document.
    CEditorDocument reopened;
    ASSERT_TRUE(reopened.Open(folder.Path().string(), sError)) << sError;
    EXPECT_EQ(reopened.GetSaveText(), document.GetSaveText());
}

TEST(EditorFile, AFailedSaveLeavesTheFileAndTheDocumentAsTheyWere)
{
    CEditorTestFolder folder("editor_save_fail");
    folder.Write(kDemo);
    CEditorDocument document;
    std::string sError;
    ASSERT_TRUE(document.Open(folder.Path().string(), sError)) << sError;
    ASSERT_TRUE(Edit(document));
    const std::string sEdited = document.GetSaveText();
    for (const char* pStage : {"write", "flush", "backup", "rename"})
    {
        document.SetWriteFailureForTest(pStage);
        sError.clear();
        EXPECT_FALSE(document.Save(sError)) << pStage;
        EXPECT_FALSE(sError.empty()) << pStage;
        EXPECT_EQ(OrvReadFile(folder.Demo()), kDemo) << pStage;
        EXPECT_TRUE(document.IsModified()) << pStage;
        EXPECT_EQ(document.GetSaveText(), sEdited) << pStage;
        EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::string>{"data", "demo.orv"})) << pStage;
    }
    document.SetWriteFailureForTest("");
    ASSERT_TRUE(document.Save(sError)) << sError;
    EXPECT_EQ(OrvReadFile(folder.Demo()), sEdited);
}

TEST(EditorFile, ASaveIntoAReadOnlyFolderSaysWhyAndChangesNothing)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser writes into read-only folders (the injected failures "
                        "cover this path)";
    CEditorTestFolder folder("editor_save_readonly");
    folder.Write(kDemo);
    CEditorDocument document;
    std::string sError;
    ASSERT_TRUE(document.Open(folder.Path().string(), sError)) << sError;
    ASSERT_TRUE(Edit(document));
    ::chmod(folder.Path().c_str(), 0555);
    EXPECT_FALSE(document.Save(sError));
    ::chmod(folder.Path().c_str(), 0755);
    EXPECT_NE(sError.find(folder.Path().string()), std::string::npos) << sError;
    EXPECT_EQ(OrvReadFile(folder.Demo()), kDemo);
    EXPECT_TRUE(document.IsModified());
}

TEST(EditorFile, OpeningWhatCannotBeOpenedKeepsTheDocumentOpen)
{
    CEditorTestFolder folder("editor_open");
    folder.Write(kDemo);
    CEditorDocument document;
    std::string sError;
    ASSERT_TRUE(document.Open(folder.Path().string(), sError)) << sError;
    ASSERT_TRUE(Edit(document));
    const std::string sText = document.GetSaveText();

    EXPECT_FALSE(document.Open((folder.Path() / "absent").string(), sError));
    EXPECT_NE(sError.find("absent"), std::string::npos) << sError;

    CEditorTestFolder broken("editor_open_broken");
    broken.Write("<OrvDemo version=\"1\">\n<Layers>\n<COrvLayerSprite\n</Layers>");
    sError.clear();
    EXPECT_FALSE(document.Open(broken.Path().string(), sError));
    EXPECT_NE(sError.find("demo.orv:"), std::string::npos) << sError;

    CEditorTestFolder empty("editor_open_empty");
    EXPECT_FALSE(document.Open(empty.Path().string(), sError));
    EXPECT_NE(sError.find("no demo.orv"), std::string::npos) << sError;

    EXPECT_EQ(document.GetSaveText(), sText);
    EXPECT_TRUE(document.IsModified());
    EXPECT_TRUE(document.CanUndo());
    EXPECT_EQ(document.GetFolder(), folder.Path().string());
}

TEST(EditorFile, ANewFolderGetsAnEmptyDemoAndADataFolder)
{
    CEditorTestFolder parent("editor_new");
    const fs::path folder = parent.Path() / "made" / "here";
    CEditorDocument document;
    std::string sError;
    ASSERT_TRUE(document.CreateNew(folder.string(), sError)) << sError;
    EXPECT_TRUE(fs::is_directory(folder / "data"));
    EXPECT_TRUE(document.GetDemo().GetLayers().empty());
    EXPECT_FALSE(document.IsModified());
    EXPECT_EQ(OrvReadFile(folder / "demo.orv"), document.GetSaveText());
    EXPECT_FALSE(document.CreateNew(folder.string(), sError)) << "a demo is never overwritten";
    EXPECT_NE(sError.find("already"), std::string::npos);
}

TEST(EditorFile, TheRecoveryCopyHoldsTheUnsavedChanges)
{
    CEditorTestFolder folder("editor_recovery");
    folder.Write(kDemo);
    std::string sError;
    std::string sEdited;
    {
        CEditorDocument document;
        ASSERT_TRUE(document.Open(folder.Path().string(), sError)) << sError;
        EXPECT_FALSE(CEditorDocument::HasRecovery(folder.Path().string()));
        ASSERT_TRUE(Edit(document));
        ASSERT_TRUE(document.WriteRecovery(sError)) << sError;
        sEdited = document.GetSaveText();
        // The process dies here: nothing is saved.
    }
    EXPECT_EQ(OrvReadFile(folder.Demo()), kDemo);
    ASSERT_TRUE(CEditorDocument::HasRecovery(folder.Path().string()));

    CEditorDocument recovered;
    ASSERT_TRUE(recovered.OpenRecovery(folder.Path().string(), sError)) << sError;
    EXPECT_EQ(recovered.GetSaveText(), sEdited);
    EXPECT_TRUE(recovered.IsModified()) << "the changes are still to be saved";
    EXPECT_EQ(recovered.GetDemo().GetDataDir(), (folder.Path() / "data").string());
    ASSERT_TRUE(recovered.Save(sError)) << sError;
    EXPECT_FALSE(CEditorDocument::HasRecovery(folder.Path().string())) << "a save discards it";
    EXPECT_EQ(OrvReadFile(folder.Demo()), sEdited);

    ASSERT_TRUE(recovered.WriteRecovery(sError));
    recovered.DiscardRecovery();
    EXPECT_FALSE(CEditorDocument::HasRecovery(folder.Path().string()));
    EXPECT_FALSE(recovered.OpenRecovery(folder.Path().string(), sError));
}

TEST(EditorFile, ProblemsOfAPartlyReadFileNameTheirObjectsAndWhatASaveWouldDrop)
{
    CEditorTestFolder folder("editor_partial");
    folder.Write("<OrvDemo version=\"1\">\n"
                 "<Resources>\n"
                 "<COrvResImage><Prop4 bAnimable=\"0\" defaultValue=\"pic\"/>"
                 "<Prop5 bAnimable=\"0\" defaultValue=\"missing.png\"/></COrvResImage>\n"
                 "</Resources>\n"
                 "<Layers>\n"
                 "<COrvLayerSpritz><Prop4 defaultValue=\"typo\"/></COrvLayerSpritz>\n"
                 "<COrvLayerSprite colour=\"red\"><Prop4 bAnimable=\"0\" defaultValue=\"kept\"/>"
                 "<Prop99 defaultValue=\"1\"/><Prop30 defaultValue=\"1 2 3\"/></COrvLayerSprite>\n"
                 "<!-- the end -->\n"
                 "</Layers>\n"
                 "<Extra/>\n"
                 "</OrvDemo>\n");
    CEditorDocument document;
    std::string sError;
    ASSERT_TRUE(document.Open(folder.Path().string(), sError)) << sError;
    ASSERT_FALSE(document.GetOpenProblems().empty());
    EXPECT_EQ(document.GetOpenProblems()[0].m_iLine, 6);
    EXPECT_EQ(document.GetOpenProblems()[0].m_Object, "typo");

    const std::vector<std::string> dropped = document.CompareWithSave();
    auto Mentions = [&](const std::string& sWhat)
    {
        return std::any_of(dropped.begin(), dropped.end(),
                           [&](const std::string& sLine)
                           { return sLine.find(sWhat) != std::string::npos; });
    };
    EXPECT_TRUE(Mentions("line 6: <COrvLayerSpritz>")) << ::testing::PrintToString(dropped);
    EXPECT_TRUE(Mentions("colour")) << ::testing::PrintToString(dropped);
    EXPECT_TRUE(Mentions("<Prop99>")) << ::testing::PrintToString(dropped);
    EXPECT_TRUE(Mentions("<Extra>")) << ::testing::PrintToString(dropped);
    EXPECT_TRUE(Mentions("line 8: a comment in <Layers>")) << ::testing::PrintToString(dropped);
    EXPECT_FALSE(Mentions("Prop30")) << "\"1 2 3\" is written the same numbers";
    EXPECT_EQ(dropped.size(), 5u) << ::testing::PrintToString(dropped);

    // A file saved by the engine loses nothing.
    ASSERT_TRUE(document.Save(sError)) << sError;
    EXPECT_TRUE(document.CompareWithSave().empty())
        << ::testing::PrintToString(document.CompareWithSave());
}

TEST(EditorFile, TheSampleOpensWithoutProblemsAndASaveDropsOnlyItsRepeatedKeys)
{
    CEditorTestFolder folder("editor_sample");
    folder.FillWithSample();
    CEditorDocument document;
    std::string sError;
    ASSERT_TRUE(document.Open(folder.Path().string(), sError)) << sError;
    EXPECT_TRUE(document.GetOpenProblems().empty());
    EXPECT_EQ(document.GetDemo().GetLayers().size(), 26u);
    // The sample's file repeats four keys at frames where a later key replaces them when read.
    const std::vector<std::string> dropped = document.CompareWithSave();
    EXPECT_EQ(dropped.size(), 4u) << ::testing::PrintToString(dropped);
    for (const std::string& sLine : dropped)
        EXPECT_NE(sLine.find("replaced by a later one at the same frame"), std::string::npos)
            << sLine;
    EXPECT_TRUE(document.DescribeEngineMade().empty()) << "nothing is made without a device";
}

TEST(EditorFile, BookmarksAreKeptBesideTheDemoAndReadAtTheNextOpening)
{
    CEditorTestFolder folder("editor_bookmarks");
    folder.Write(kDemo);
    CEditorDocument document;
    std::string sError;
    ASSERT_TRUE(document.Open(folder.Path().string(), sError)) << sError;
    EXPECT_TRUE(document.GetBookmarks().empty());
    ASSERT_TRUE(document.SetBookmarks({100, 32, 32, 0}, sError)) << sError;
    EXPECT_EQ(document.GetBookmarks(), (std::vector<int>{0, 32, 100}));
    EXPECT_FALSE(document.IsModified()) << "bookmarks are not a change of the demo";
    EXPECT_EQ(OrvReadFile(folder.Demo()), kDemo);
    EXPECT_EQ(FilesIn(folder.Path()),
              (std::vector<std::string>{".demo.orv.bookmarks", "data", "demo.orv"}));

    CEditorDocument reopened;
    ASSERT_TRUE(reopened.Open(folder.Path().string(), sError)) << sError;
    EXPECT_EQ(reopened.GetBookmarks(), (std::vector<int>{0, 32, 100}));

    // A damaged file gives what can be read of it.
    OrvWriteFile(folder.Path() / ".demo.orv.bookmarks", "48\nlots\n-5\n16 tail\n99999999999\n");
    ASSERT_TRUE(reopened.Reload(sError)) << sError;
    EXPECT_EQ(reopened.GetBookmarks(), (std::vector<int>{16, 48}));

    ASSERT_TRUE(reopened.SetBookmarks({}, sError)) << sError;
    EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::string>{"data", "demo.orv"}));
}
