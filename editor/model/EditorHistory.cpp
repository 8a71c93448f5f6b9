#include "EditorHistory.h"

void CEditorHistory::Push(EditorCommandPtr pCommand)
{
    if (!pCommand)
        return;
    // What was undone can no longer be redone once something new is done.
    while (m_Commands.size() > m_uDone)
    {
        m_uUsed -= m_Commands.back()->GetMemorySize();
        m_Commands.pop_back();
    }
    if (m_iSavePoint > static_cast<long long>(m_uDone))
        m_iSavePoint = -1; // the saved state was among the undone commands: unreachable now
    m_uUsed += pCommand->GetMemorySize();
    m_Commands.push_back(std::move(pCommand));
    ++m_uDone;
    Trim();
}

void CEditorHistory::Trim()
{
    // The last command done always stays, so that one undo is possible whatever its size.
    while (m_uUsed > m_uBudget && m_Commands.size() > 1 && m_uDone > 0)
    {
        m_uUsed -= m_Commands.front()->GetMemorySize();
        m_Commands.pop_front();
        --m_uDone;
        // The save point moves with the commands; before the first one kept it is lost.
        if (m_iSavePoint >= 0)
            --m_iSavePoint;
    }
}

IEditorCommand* CEditorHistory::PeekUndo() const
{
    return m_uDone > 0 ? m_Commands[m_uDone - 1].get() : nullptr;
}

IEditorCommand* CEditorHistory::PeekRedo() const
{
    return m_uDone < m_Commands.size() ? m_Commands[m_uDone].get() : nullptr;
}

void CEditorHistory::StepBack()
{
    if (m_uDone > 0)
        --m_uDone;
}

void CEditorHistory::StepForward()
{
    if (m_uDone < m_Commands.size())
        ++m_uDone;
}

std::string CEditorHistory::GetUndoLabel(size_t i) const
{
    return i < m_uDone ? m_Commands[m_uDone - 1 - i]->GetLabel() : std::string();
}

std::string CEditorHistory::GetRedoLabel(size_t i) const
{
    return m_uDone + i < m_Commands.size() ? m_Commands[m_uDone + i]->GetLabel() : std::string();
}

void CEditorHistory::SetBudget(size_t uBytes)
{
    m_uBudget = uBytes;
    Trim();
}

void CEditorHistory::MarkSaved()
{
    m_iSavePoint = static_cast<long long>(m_uDone);
}

bool CEditorHistory::IsAtSavePoint() const
{
    return m_iSavePoint == static_cast<long long>(m_uDone);
}

void CEditorHistory::Clear()
{
    m_Commands.clear();
    m_uDone = 0;
    m_uUsed = 0;
    m_iSavePoint = 0;
}
