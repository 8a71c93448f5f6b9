#pragma once
// Several commands as one undo step (deleting or duplicating every selected object): applied
// in order, reverted in the reverse order. When one of them cannot be applied, those already
// applied are reverted, so the document is left as it was.

#include "EditorCommands.h"

#include <vector>

class CEditorGroupCommand : public IEditorCommand
{
public:
    CEditorGroupCommand(std::vector<EditorCommandPtr> commands, std::string sLabel)
        : m_Commands(std::move(commands)), m_sLabel(std::move(sLabel))
    {
    }
    bool Apply(CEditorDocument& document, std::string& sError) override;
    void Revert(CEditorDocument& document) override;
    size_t GetMemorySize() const override;
    std::string GetLabel() const override { return m_sLabel; }
    bool IsEmpty() const override;
    // The last member's object (the last copy of a duplicate).
    bool GetAffectedObject(SEditorObjectRef& ref) const override;

private:
    std::vector<EditorCommandPtr> m_Commands;
    std::string m_sLabel;
};
