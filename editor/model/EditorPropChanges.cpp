#include "EditorPropChanges.h"

#include "core/OrvKey.h"
#include "core/OrvProp.h"
#include "document/OrvDemo.h"

#include <algorithm>

namespace
{
template <typename TProp, typename TValue>
bool SetDefaultAs(COrvPropBase& prop, const SEditorValue& value)
{
    auto* pTyped = dynamic_cast<TProp*>(&prop);
    if (!pTyped || !std::holds_alternative<TValue>(value))
        return false;
    pTyped->SetDefaultValue(std::get<TValue>(value));
    return true;
}

void SetDefault(COrvPropBase& prop, const COrvKey& key)
{
    SEditorValue value;
    if (!EditorKeyValue(key, value))
        return;
    SetDefaultAs<COrvPropBool, bool>(prop, value) || SetDefaultAs<COrvPropInt, int>(prop, value) ||
        SetDefaultAs<COrvPropFloat, float>(prop, value) ||
        SetDefaultAs<COrvPropVector, D3DXVECTOR3>(prop, value) ||
        SetDefaultAs<COrvPropQuat, D3DXQUATERNION>(prop, value) ||
        SetDefaultAs<COrvPropString, std::string>(prop, value);
}

bool SameValue(const COrvKey* pA, const COrvKey* pB)
{
    if (!pA || !pB)
        return pA == pB;
    SEditorValue a;
    SEditorValue b;
    return EditorKeyValue(*pA, a) && EditorKeyValue(*pB, b) && a == b;
}

// The bytes a key holds (its text too, for texts).
size_t KeySize(const COrvKey* pKey)
{
    if (!pKey)
        return 0;
    if (const auto* pText = dynamic_cast<const COrvKeyString*>(pKey))
        return sizeof(COrvKeyString) + pText->m_Value.capacity();
    if (dynamic_cast<const COrvKeyQuat*>(pKey))
        return sizeof(COrvKeyQuat);
    return sizeof(COrvKeyVector);
}

void PutKey(COrvPropBase& prop, int iFrame, COrvKey* pKey)
{
    if (pKey)
        prop.AddKey(iFrame, pKey);
    else
        prop.DeleteKeys(iFrame, iFrame);
}

void PutState(COrvPropBase& prop, const COrvComPtr<COrvKey>& pDefault, bool bAnimable,
              bool bInterpolate)
{
    if (pDefault)
        SetDefault(prop, *pDefault);
    prop.SetAnimable(bAnimable);
    prop.SetInterpolate(bInterpolate);
}
} // namespace

void CEditorPropChanges::Begin(COrvDemo& demo, const std::vector<SEditorPropRef>& props)
{
    m_Before.clear();
    for (const SEditorPropRef& ref : props)
    {
        const COrvPropBase* pProp = EditorFindProp(demo, ref);
        if (!pProp || std::any_of(m_Before.begin(), m_Before.end(),
                                  [&](const SSnapshot& s) { return s.prop == ref; }))
            continue;
        SSnapshot snapshot;
        snapshot.prop = ref;
        if (pProp->GetDefaultKey())
            snapshot.state.pDefault.Assign(pProp->GetDefaultKey()->Clone());
        snapshot.state.bAnimable = pProp->GetAnimable();
        snapshot.state.bInterpolate = pProp->GetInterpolate();
        snapshot.keys.reserve(pProp->GetTrack().size());
        for (const auto& [iFrame, pKey] : pProp->GetTrack())
            snapshot.keys.emplace_back(iFrame, COrvComPtr<COrvKey>(pKey));
        m_Before.push_back(std::move(snapshot));
    }
}

void CEditorPropChanges::CompareTracks(const SSnapshot& before, const COrvPropBase& prop)
{
    // Both sorted by frame: a merge finds the frames whose key is not the same object.
    auto itOld = before.keys.begin();
    auto itNew = prop.GetTrack().begin();
    while (itOld != before.keys.end() || itNew != prop.GetTrack().end())
    {
        const bool bOld = itOld != before.keys.end();
        const bool bNew = itNew != prop.GetTrack().end();
        if (bOld && (!bNew || itOld->first < itNew->first))
        {
            m_Keys.push_back({before.prop, itOld->first, itOld->second, {}});
            ++itOld;
        }
        else if (bNew && (!bOld || itNew->first < itOld->first))
        {
            m_Keys.push_back({before.prop, itNew->first, {}, COrvComPtr<COrvKey>(itNew->second)});
            ++itNew;
        }
        else
        {
            if (itOld->second.Get() != itNew->second)
                m_Keys.push_back(
                    {before.prop, itNew->first, itOld->second, COrvComPtr<COrvKey>(itNew->second)});
            ++itOld;
            ++itNew;
        }
    }
}

void CEditorPropChanges::End(COrvDemo& demo)
{
    for (const SSnapshot& before : m_Before)
    {
        const COrvPropBase* pProp = EditorFindProp(demo, before.prop);
        if (!pProp)
            continue;
        CompareTracks(before, *pProp);
        const bool bSameDefault = SameValue(before.state.pDefault.Get(), pProp->GetDefaultKey());
        if (bSameDefault && before.state.bAnimable == pProp->GetAnimable() &&
            before.state.bInterpolate == pProp->GetInterpolate())
            continue;
        SPropChange change{before.prop, before.state, {}};
        if (pProp->GetDefaultKey())
            change.after.pDefault.Assign(pProp->GetDefaultKey()->Clone());
        change.after.bAnimable = pProp->GetAnimable();
        change.after.bInterpolate = pProp->GetInterpolate();
        m_Props.push_back(std::move(change));
    }
    m_Before.clear();
    m_Before.shrink_to_fit();
    m_Keys.shrink_to_fit();
}

void CEditorPropChanges::Apply(COrvDemo& demo) const
{
    for (const SKeyChange& change : m_Keys)
        if (COrvPropBase* pProp = EditorFindProp(demo, change.prop))
            PutKey(*pProp, change.iFrame, change.pAfter.Get());
    for (const SPropChange& change : m_Props)
        if (COrvPropBase* pProp = EditorFindProp(demo, change.prop))
            PutState(*pProp, change.after.pDefault, change.after.bAnimable,
                     change.after.bInterpolate);
}

void CEditorPropChanges::Revert(COrvDemo& demo) const
{
    for (const SKeyChange& change : m_Keys)
        if (COrvPropBase* pProp = EditorFindProp(demo, change.prop))
            PutKey(*pProp, change.iFrame, change.pBefore.Get());
    for (const SPropChange& change : m_Props)
        if (COrvPropBase* pProp = EditorFindProp(demo, change.prop))
            PutState(*pProp, change.before.pDefault, change.before.bAnimable,
                     change.before.bInterpolate);
}

size_t CEditorPropChanges::GetMemorySize() const
{
    size_t uSize =
        m_Keys.capacity() * sizeof(SKeyChange) + m_Props.capacity() * sizeof(SPropChange);
    for (const SKeyChange& change : m_Keys)
        uSize += KeySize(change.pBefore.Get()) + KeySize(change.pAfter.Get());
    for (const SPropChange& change : m_Props)
        uSize += KeySize(change.before.pDefault.Get()) + KeySize(change.after.pDefault.Get());
    return uSize;
}
