#pragma once
// What the user has selected: objects (layers, resources, the music) and keys of their
// properties' tracks. The panels read it; the commands are made from it.

#include "EditorRefs.h"

#include <vector>

class CEditorSelection
{
public:
    const std::vector<SEditorObjectRef>& GetObjects() const { return m_Objects; }
    const std::vector<SEditorKeyRef>& GetKeys() const { return m_Keys; }
    // The first selected object (the one the inspector shows); false when none.
    bool GetPrimary(SEditorObjectRef& ref) const;

    // Only this object (clears the keys of other objects).
    void SelectObject(const SEditorObjectRef& ref);
    // Adds or removes it (Ctrl+click).
    void ToggleObject(const SEditorObjectRef& ref);
    bool IsSelected(const SEditorObjectRef& ref) const;

    void SelectKey(const SEditorKeyRef& key);
    void ToggleKey(const SEditorKeyRef& key);
    void AddKeys(const std::vector<SEditorKeyRef>& keys);
    bool IsSelected(const SEditorKeyRef& key) const;
    void ClearKeys() { m_Keys.clear(); }
    // After keys were moved by iDelta frames, the selection follows them.
    void MoveKeys(int iDelta);

    void Clear();
    // Drops what no longer exists in the document (after a delete, an undo, a reload).
    void Prune(COrvDemo& demo);

private:
    std::vector<SEditorObjectRef> m_Objects;
    std::vector<SEditorKeyRef> m_Keys;
};
