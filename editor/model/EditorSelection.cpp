#include "EditorSelection.h"

#include "core/OrvModifiable.h"
#include "core/OrvPropBase.h"
#include "document/OrvDemo.h"

#include <algorithm>
#include <climits>

namespace
{
template <typename T> bool Contains(const std::vector<T>& items, const T& item)
{
    return std::find(items.begin(), items.end(), item) != items.end();
}

template <typename T> void Toggle(std::vector<T>& items, const T& item)
{
    auto it = std::find(items.begin(), items.end(), item);
    if (it == items.end())
        items.push_back(item);
    else
        items.erase(it);
}
} // namespace

bool CEditorSelection::GetPrimary(SEditorObjectRef& ref) const
{
    if (m_Objects.empty())
        return false;
    ref = m_Objects.front();
    return true;
}

void CEditorSelection::SelectObject(const SEditorObjectRef& ref)
{
    m_Objects.assign(1, ref);
    std::erase_if(m_Keys, [&](const SEditorKeyRef& key) { return key.prop.object != ref; });
}

void CEditorSelection::ToggleObject(const SEditorObjectRef& ref)
{
    Toggle(m_Objects, ref);
    std::erase_if(m_Keys, [&](const SEditorKeyRef& key) { return !IsSelected(key.prop.object); });
}

bool CEditorSelection::IsSelected(const SEditorObjectRef& ref) const
{
    return Contains(m_Objects, ref);
}

void CEditorSelection::SelectKey(const SEditorKeyRef& key)
{
    m_Keys.assign(1, key);
}

void CEditorSelection::ToggleKey(const SEditorKeyRef& key)
{
    Toggle(m_Keys, key);
}

void CEditorSelection::AddKeys(const std::vector<SEditorKeyRef>& keys)
{
    for (const SEditorKeyRef& key : keys)
        if (!Contains(m_Keys, key))
            m_Keys.push_back(key);
}

bool CEditorSelection::IsSelected(const SEditorKeyRef& key) const
{
    return Contains(m_Keys, key);
}

void CEditorSelection::MoveKeys(int iDelta)
{
    for (SEditorKeyRef& key : m_Keys)
    {
        const long long moved = static_cast<long long>(key.iFrame) + iDelta;
        key.iFrame = static_cast<int>(std::clamp<long long>(moved, INT_MIN, INT_MAX));
    }
}

void CEditorSelection::Clear()
{
    m_Objects.clear();
    m_Keys.clear();
}

void CEditorSelection::Prune(COrvDemo& demo)
{
    std::erase_if(m_Objects,
                  [&](const SEditorObjectRef& ref) { return !EditorFindObject(demo, ref); });
    std::erase_if(m_Keys,
                  [&](const SEditorKeyRef& key)
                  {
                      const COrvPropBase* pProp = EditorFindProp(demo, key.prop);
                      return !pProp || !pProp->GetTrack().count(key.iFrame);
                  });
}
