#pragma once
// The undo history: the commands done, then those undone that redo can do again. It is
// bounded by memory, not by a count: when the commands together hold more than the budget,
// the oldest are forgotten (the last one done is always kept).

#include "EditorCommands.h"

#include <cstddef>
#include <deque>
#include <string>

class CEditorHistory
{
public:
    static constexpr size_t kDefaultBudget = size_t(256) << 20;

    // Keeps a command just applied: the commands that were undone are forgotten.
    void Push(EditorCommandPtr pCommand);
    // The command undo reverts next / redo applies next; null when there is none.
    IEditorCommand* PeekUndo() const;
    IEditorCommand* PeekRedo() const;
    // Moves the boundary between done and undone by one (the caller reverts or applies).
    void StepBack();
    void StepForward();

    bool CanUndo() const { return m_uDone > 0; }
    bool CanRedo() const { return m_uDone < m_Commands.size(); }
    size_t GetUndoCount() const { return m_uDone; }
    size_t GetRedoCount() const { return m_Commands.size() - m_uDone; }
    // The label of the i-th command undo would revert (0 the next), for a history list.
    std::string GetUndoLabel(size_t i) const;
    std::string GetRedoLabel(size_t i) const;

    void SetBudget(size_t uBytes);
    size_t GetBudget() const { return m_uBudget; }
    // The bytes all kept commands hold.
    size_t GetMemoryUsed() const { return m_uUsed; }

    // The save point: where the history stood when the document was last saved or opened.
    void MarkSaved();
    // Whether the commands done are those done at the save point.
    bool IsAtSavePoint() const;
    void Clear();

private:
    void Trim();

    std::deque<EditorCommandPtr> m_Commands;
    size_t m_uDone = 0;
    size_t m_uBudget = kDefaultBudget;
    size_t m_uUsed = 0;
    // The number of commands done at the save point; -1 when that state cannot be reached
    // again (forgotten at the front, or undone and then replaced).
    long long m_iSavePoint = 0;
};
