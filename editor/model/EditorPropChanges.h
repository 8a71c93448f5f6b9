#pragma once
// What an edit changed in properties, found by comparing their state before and after it:
// the keys put, replaced or removed (frame by frame), the default values and the flags. The
// edit itself runs once, through the engine's own operations (so its rules apply); undo and
// redo then put back one state or the other. Track keys are never changed in place by the
// engine (a write puts a new key), so holding a key is holding its value.

#include "EditorRefs.h"

#include "OrvComPtr.h"

#include <cstddef>
#include <utility>
#include <vector>

class COrvDemo;
class COrvKey;

class CEditorPropChanges
{
public:
    // Remembers the state of the properties (those that do not exist are skipped).
    void Begin(COrvDemo& demo, const std::vector<SEditorPropRef>& props);
    // Keeps what changed since Begin, and forgets the state remembered.
    void End(COrvDemo& demo);
    // Puts the state after the edit / before it.
    void Apply(COrvDemo& demo) const;
    void Revert(COrvDemo& demo) const;
    bool IsEmpty() const { return m_Keys.empty() && m_Props.empty(); }
    size_t GetMemorySize() const;

private:
    struct SKeyChange
    {
        SEditorPropRef prop;
        int iFrame = 0;
        COrvComPtr<COrvKey> pBefore; // null: no key there
        COrvComPtr<COrvKey> pAfter;
    };
    struct SPropState
    {
        COrvComPtr<COrvKey> pDefault; // a copy: defaults are changed in place
        bool bAnimable = true;
        bool bInterpolate = true;
    };
    struct SPropChange
    {
        SEditorPropRef prop;
        SPropState before;
        SPropState after;
    };
    struct SSnapshot
    {
        SEditorPropRef prop;
        SPropState state;
        std::vector<std::pair<int, COrvComPtr<COrvKey>>> keys;
    };

    void CompareTracks(const SSnapshot& before, const COrvPropBase& prop);

    std::vector<SSnapshot> m_Before;
    std::vector<SKeyChange> m_Keys;
    std::vector<SPropChange> m_Props;
};
