// The undo history: bounded by the memory its steps hold, with the save point kept in step.
#include "EditorCommands.h"
#include "EditorHistory.h"
#include "EditorTestDemo.h"

#include <gtest/gtest.h>

namespace
{
// A step of a given size that counts how it is run.
class CSizedCommand : public IEditorCommand
{
public:
    CSizedCommand(size_t uSize, std::string sLabel) : m_uSize(uSize), m_sLabel(std::move(sLabel)) {}
    bool Apply(CEditorDocument&, std::string&) override { return true; }
    void Revert(CEditorDocument&) override {}
    size_t GetMemorySize() const override { return m_uSize; }
    std::string GetLabel() const override { return m_sLabel; }

private:
    size_t m_uSize;
    std::string m_sLabel;
};

EditorCommandPtr Sized(size_t uSize, const char* pLabel)
{
    return std::make_unique<CSizedCommand>(uSize, pLabel);
}
} // namespace

TEST(EditorHistory, TheOldestStepsGoWhenTheBudgetIsPassed)
{
    CEditorHistory history;
    EXPECT_EQ(history.GetBudget(), size_t(256) << 20);
    history.SetBudget(250);
    history.Push(Sized(100, "a"));
    history.Push(Sized(100, "b"));
    EXPECT_EQ(history.GetUndoCount(), 2u);
    history.Push(Sized(100, "c"));
    EXPECT_EQ(history.GetUndoCount(), 2u);
    EXPECT_EQ(history.GetMemoryUsed(), 200u);
    EXPECT_EQ(history.GetUndoLabel(0), "c");
    EXPECT_EQ(history.GetUndoLabel(1), "b");
    EXPECT_EQ(history.GetUndoLabel(2), "");

    // One step larger than the whole budget is still kept, alone.
    history.Push(Sized(1000, "huge"));
    EXPECT_EQ(history.GetUndoCount(), 1u);
    EXPECT_EQ(history.GetMemoryUsed(), 1000u);
    history.SetBudget(2000);
    history.Push(Sized(10, "small"));
    EXPECT_EQ(history.GetUndoCount(), 2u);
    history.SetBudget(500);
    EXPECT_EQ(history.GetUndoCount(), 1u) << "a smaller budget trims at once";
}

TEST(EditorHistory, UndoneStepsAreForgottenWhenSomethingNewIsDone)
{
    CEditorHistory history;
    history.Push(Sized(10, "a"));
    history.Push(Sized(10, "b"));
    history.StepBack();
    EXPECT_TRUE(history.CanRedo());
    EXPECT_EQ(history.GetRedoLabel(0), "b");
    EXPECT_EQ(history.PeekUndo()->GetLabel(), "a");
    history.Push(Sized(10, "c"));
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.GetMemoryUsed(), 20u);
    history.StepBack();
    history.StepBack();
    history.StepBack();
    EXPECT_FALSE(history.CanUndo());
    EXPECT_EQ(history.PeekUndo(), nullptr);
    history.StepForward();
    EXPECT_EQ(history.PeekUndo()->GetLabel(), "a");
}

TEST(EditorHistory, TheSavePointFollowsTheStepsAndIsLostWithThem)
{
    CEditorHistory history;
    EXPECT_TRUE(history.IsAtSavePoint());
    history.Push(Sized(10, "a"));
    EXPECT_FALSE(history.IsAtSavePoint());
    history.MarkSaved();
    history.Push(Sized(10, "b"));
    history.StepBack();
    EXPECT_TRUE(history.IsAtSavePoint());

    // The saved state had "b" undone; doing "c" instead keeps it reachable by undo.
    history.Push(Sized(10, "c"));
    history.StepBack();
    EXPECT_TRUE(history.IsAtSavePoint());

    // Saved with "c" done, then "c" undone and replaced: that state is gone for good.
    history.StepForward();
    history.MarkSaved();
    history.StepBack();
    history.Push(Sized(10, "d"));
    history.StepBack();
    EXPECT_FALSE(history.IsAtSavePoint());
    history.StepForward();
    EXPECT_FALSE(history.IsAtSavePoint());

    // Trimmed past the save point: no state of the history is the saved one.
    CEditorHistory trimmed;
    trimmed.SetBudget(25);
    trimmed.MarkSaved();
    trimmed.Push(Sized(10, "a"));
    trimmed.Push(Sized(10, "b"));
    trimmed.Push(Sized(10, "c"));
    while (trimmed.CanUndo())
    {
        EXPECT_FALSE(trimmed.IsAtSavePoint());
        trimmed.StepBack();
    }
    EXPECT_FALSE(trimmed.IsAtSavePoint());
}

TEST(EditorHistory, RealStepsReportWhatTheyHold)
{
    CEditorTestFolder folder("editor_history_sizes");
    folder.Write(OrvGenerateDemoText(4, 400));
    CEditorDocument document;
    std::string sError;
    ASSERT_TRUE(document.Open(folder.Path().string(), sError)) << sError;
    const SEditorPropRef position =
        PropRefOf(document, {EEditorList::Layers, 0}, ORV_PROP_TRANSLATION);
    ASSERT_TRUE(document.Execute(EditorSetValue(position, 2.0f, D3DXVECTOR3(1, 2, 3)), sError));
    const size_t uOne = document.GetHistory().GetMemoryUsed();
    EXPECT_GT(uOne, 0u);
    EXPECT_LT(uOne, 2048u) << "one key's step holds little";

    // Deleting a hundred keys holds each of them.
    std::vector<SEditorKeyRef> keys;
    for (int i = 0; i < 100; ++i)
        keys.push_back({position, i * 4});
    ASSERT_TRUE(document.Execute(EditorDeleteKeys(keys), sError));
    const size_t uHundred = document.GetHistory().GetMemoryUsed() - uOne;
    EXPECT_GT(uHundred, 100 * sizeof(D3DXVECTOR3));

    // A budget below what is held forgets the oldest step; undo still works for the rest.
    document.GetHistory().SetBudget(uHundred + 1);
    EXPECT_EQ(document.GetHistory().GetUndoCount(), 1u);
    EXPECT_TRUE(document.Undo());
    EXPECT_FALSE(document.Undo());
    EXPECT_TRUE(document.IsModified()) << "the first change can no longer be undone";
}
