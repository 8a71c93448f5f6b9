#include "EditorGroupCommand.h"

#include <algorithm>

bool CEditorGroupCommand::Apply(CEditorDocument& document, std::string& sError)
{
    for (size_t i = 0; i < m_Commands.size(); ++i)
    {
        if (m_Commands[i]->Apply(document, sError))
            continue;
        while (i-- > 0)
            m_Commands[i]->Revert(document);
        return false;
    }
    return true;
}

void CEditorGroupCommand::Revert(CEditorDocument& document)
{
    for (size_t i = m_Commands.size(); i-- > 0;)
        m_Commands[i]->Revert(document);
}

size_t CEditorGroupCommand::GetMemorySize() const
{
    size_t uBytes =
        sizeof(*this) + m_sLabel.capacity() + m_Commands.capacity() * sizeof(EditorCommandPtr);
    for (const EditorCommandPtr& pCommand : m_Commands)
        uBytes += pCommand->GetMemorySize();
    return uBytes;
}

bool CEditorGroupCommand::IsEmpty() const
{
    for (const EditorCommandPtr& pCommand : m_Commands)
        if (!pCommand->IsEmpty())
            return false;
    return true;
}

bool CEditorGroupCommand::GetAffectedObject(SEditorObjectRef& ref) const
{
    for (size_t i = m_Commands.size(); i-- > 0;)
        if (m_Commands[i]->GetAffectedObject(ref))
            return true;
    return false;
}

EditorCommandPtr EditorGroup(std::vector<EditorCommandPtr> commands, std::string sLabel)
{
    if (commands.size() == 1)
        return std::move(commands.front());
    return std::make_unique<CEditorGroupCommand>(std::move(commands), std::move(sLabel));
}

namespace
{
// One command per object, the last of each list first, so that the places of those still to
// come stay true (a copy goes right after its original, a deleted object leaves a gap). The
// music, the one object outside the lists, is left out.
EditorCommandPtr ForEachObject(std::vector<SEditorObjectRef> objects,
                               EditorCommandPtr (*fnMake)(const SEditorObjectRef&),
                               const char* pVerb)
{
    std::sort(objects.begin(), objects.end(),
              [](const SEditorObjectRef& a, const SEditorObjectRef& b) { return b < a; });
    objects.erase(std::unique(objects.begin(), objects.end()), objects.end());
    std::erase_if(objects,
                  [](const SEditorObjectRef& ref) { return ref.eList == EEditorList::Music; });
    std::vector<EditorCommandPtr> commands;
    for (const SEditorObjectRef& ref : objects)
        commands.push_back(fnMake(ref));
    return EditorGroup(std::move(commands),
                       std::string(pVerb) + " " + std::to_string(objects.size()) + " objects");
}
} // namespace

EditorCommandPtr EditorDeleteAll(std::vector<SEditorObjectRef> objects)
{
    return ForEachObject(std::move(objects), &EditorDelete, "Delete");
}

EditorCommandPtr EditorDuplicateAll(std::vector<SEditorObjectRef> objects)
{
    return ForEachObject(std::move(objects), &EditorDuplicate, "Duplicate");
}
