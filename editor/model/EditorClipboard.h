#pragma once
// Keys copied from tracks, to be pasted at another frame: each copied key keeps its property
// and its distance from the first copied key, and its own copy of the value (later edits of the
// track do not change what was copied).

#include "EditorRefs.h"

#include <vector>

struct SEditorCopiedKey
{
    SEditorPropRef prop;
    int iOffset = 0; // frames after the first copied key
    SEditorValue value;
};

class CEditorClipboard
{
public:
    // Copies the keys that exist; returns how many were copied (the clipboard is replaced only
    // when at least one was).
    size_t CopyKeys(COrvDemo& demo, const std::vector<SEditorKeyRef>& keys);
    bool IsEmpty() const { return m_Keys.empty(); }
    const std::vector<SEditorCopiedKey>& GetKeys() const { return m_Keys; }
    // The frames the keys would take pasted at iFrame.
    std::vector<SEditorKeyRef> GetPastedKeys(int iFrame) const;
    void Clear() { m_Keys.clear(); }

private:
    std::vector<SEditorCopiedKey> m_Keys;
};
