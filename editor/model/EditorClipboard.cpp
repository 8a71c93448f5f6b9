#include "EditorClipboard.h"

#include "core/OrvPropBase.h"
#include "document/OrvDemo.h"

#include <algorithm>
#include <climits>

size_t CEditorClipboard::CopyKeys(COrvDemo& demo, const std::vector<SEditorKeyRef>& keys)
{
    std::vector<SEditorCopiedKey> copied;
    int iFirst = INT_MAX;
    for (const SEditorKeyRef& key : keys)
    {
        const COrvPropBase* pProp = EditorFindProp(demo, key.prop);
        SEditorValue value;
        if (!pProp || !EditorReadKey(*pProp, key.iFrame, value))
            continue;
        const bool bTwice = std::any_of(copied.begin(), copied.end(),
                                        [&](const SEditorCopiedKey& c)
                                        { return c.prop == key.prop && c.iOffset == key.iFrame; });
        if (bTwice)
            continue;
        // The frame for now; made an offset once the first frame is known.
        copied.push_back({key.prop, key.iFrame, std::move(value)});
        iFirst = std::min(iFirst, key.iFrame);
    }
    if (copied.empty())
        return 0;
    for (SEditorCopiedKey& key : copied)
        key.iOffset = static_cast<int>(
            std::min<long long>(static_cast<long long>(key.iOffset) - iFirst, INT_MAX));
    m_Keys = std::move(copied);
    return m_Keys.size();
}

std::vector<SEditorKeyRef> CEditorClipboard::GetPastedKeys(int iFrame) const
{
    std::vector<SEditorKeyRef> keys;
    for (const SEditorCopiedKey& key : m_Keys)
    {
        const long long frame = static_cast<long long>(iFrame) + key.iOffset;
        keys.push_back(
            {key.prop, static_cast<int>(std::clamp<long long>(frame, INT_MIN, INT_MAX))});
    }
    return keys;
}
