#include "EditorRefs.h"

#include "audio/OrvMusic.h"
#include "core/OrvKey.h"
#include "core/OrvModifiable.h"
#include "core/OrvProp.h"
#include "document/OrvDemo.h"
#include "graphics/OrvResource.h"
#include "layers/OrvLayer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <type_traits>

namespace
{
template <typename T> COrvModifiable* AtIndex(const std::vector<T*>& items, size_t uIndex)
{
    return uIndex < items.size() ? items[uIndex] : nullptr;
}

template <typename T>
bool IndexIn(const std::vector<T*>& items, const COrvModifiable* pObject, size_t& uIndex)
{
    auto it = std::find(items.begin(), items.end(), pObject);
    if (it == items.end())
        return false;
    uIndex = static_cast<size_t>(it - items.begin());
    return true;
}
} // namespace

COrvModifiable* EditorFindObject(COrvDemo& demo, const SEditorObjectRef& ref)
{
    switch (ref.eList)
    {
    case EEditorList::Layers:
        return AtIndex(demo.GetLayers(), ref.uIndex);
    case EEditorList::Resources:
        return AtIndex(demo.GetResources(), ref.uIndex);
    case EEditorList::Music:
        return ref.uIndex == 0 ? demo.GetMusic() : nullptr;
    }
    return nullptr;
}

COrvPropBase* EditorFindProp(COrvDemo& demo, const SEditorPropRef& ref)
{
    COrvModifiable* pObject = EditorFindObject(demo, ref.object);
    if (!pObject)
        return nullptr;
    const COrvPropList& props = pObject->GetProperties();
    return ref.uProp < props.size() ? props[ref.uProp] : nullptr;
}

bool EditorRefOf(COrvDemo& demo, const COrvModifiable* pObject, SEditorObjectRef& ref)
{
    if (!pObject)
        return false;
    if (pObject == demo.GetMusic())
    {
        ref = {EEditorList::Music, 0};
        return true;
    }
    size_t uIndex = 0;
    if (IndexIn(demo.GetLayers(), pObject, uIndex))
    {
        ref = {EEditorList::Layers, uIndex};
        return true;
    }
    if (IndexIn(demo.GetResources(), pObject, uIndex))
    {
        ref = {EEditorList::Resources, uIndex};
        return true;
    }
    return false;
}

namespace
{
void SetKeyValue(COrvKey& key, bool b)
{
    static_cast<COrvKeyBool&>(key).m_Value = b;
}
void SetKeyValue(COrvKey& key, int i)
{
    static_cast<COrvKeyInt&>(key).m_Value = i;
}
void SetKeyValue(COrvKey& key, float f)
{
    static_cast<COrvKeyFloat&>(key).m_Value = f;
}
void SetKeyValue(COrvKey& key, const D3DXVECTOR3& v)
{
    static_cast<COrvKeyVector&>(key).m_Value = v;
}
void SetKeyValue(COrvKey& key, const D3DXQUATERNION& q)
{
    static_cast<COrvKeyQuat&>(key).m_Value = q;
}
void SetKeyValue(COrvKey& key, const std::string& s)
{
    static_cast<COrvKeyString&>(key).m_Value = s;
}

template <typename TKey> bool ValueOfKey(const COrvKey& key, SEditorValue& value)
{
    const auto* pKey = dynamic_cast<const TKey*>(&key);
    if (!pKey)
        return false;
    value = pKey->m_Value;
    return true;
}

// Parses the numbers of a text, all of them, into a fixed count; false otherwise.
bool ParseNumbers(const std::string& sText, float* pOut, size_t uCount)
{
    const char* p = sText.c_str();
    for (size_t i = 0; i < uCount; ++i)
    {
        char* pEnd = nullptr;
        const float f = std::strtof(p, &pEnd);
        if (pEnd == p || !std::isfinite(f))
            return false;
        pOut[i] = f;
        p = pEnd;
        if (*p == ',')
            ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return *p == '\0';
}

bool ParseInt(const std::string& sText, int& iValue)
{
    const char* p = sText.c_str();
    char* pEnd = nullptr;
    errno = 0;
    const long l = std::strtol(p, &pEnd, 10);
    if (pEnd == p || errno == ERANGE || l < INT_MIN || l > INT_MAX)
        return false;
    while (*pEnd == ' ' || *pEnd == '\t')
        ++pEnd;
    if (*pEnd != '\0')
        return false;
    iValue = static_cast<int>(l);
    return true;
}

bool ParseBool(const std::string& sText, bool& bValue)
{
    if (sText == "true" || sText == "1")
        bValue = true;
    else if (sText == "false" || sText == "0")
        bValue = false;
    else
        return false;
    return true;
}
} // namespace

bool EditorKeyValue(const COrvKey& key, SEditorValue& value)
{
    return ValueOfKey<COrvKeyBool>(key, value) || ValueOfKey<COrvKeyInt>(key, value) ||
           ValueOfKey<COrvKeyFloat>(key, value) || ValueOfKey<COrvKeyVector>(key, value) ||
           ValueOfKey<COrvKeyQuat>(key, value) || ValueOfKey<COrvKeyString>(key, value);
}

COrvComPtr<COrvKey> EditorMakeKey(const SEditorValue& value)
{
    return std::visit(
        [](const auto& v) -> COrvComPtr<COrvKey>
        {
            using T = std::decay_t<decltype(v)>;
            COrvKey* pKey = nullptr;
            if constexpr (std::is_same_v<T, bool>)
                pKey = new COrvKeyBool;
            else if constexpr (std::is_same_v<T, int>)
                pKey = new COrvKeyInt;
            else if constexpr (std::is_same_v<T, float>)
                pKey = new COrvKeyFloat;
            else if constexpr (std::is_same_v<T, D3DXVECTOR3>)
                pKey = new COrvKeyVector;
            else if constexpr (std::is_same_v<T, D3DXQUATERNION>)
                pKey = new COrvKeyQuat;
            else
                pKey = new COrvKeyString;
            COrvComPtr<COrvKey> pHeld(pKey);
            SetKeyValue(*pKey, v);
            return pHeld;
        },
        value);
}

bool EditorReadValueAt(const COrvPropBase& prop, float fFrame, SEditorValue& value)
{
    const COrvComPtr<COrvKey> pKey = prop.GetKeyAt(fFrame);
    return pKey && EditorKeyValue(*pKey, value);
}

bool EditorReadKey(const COrvPropBase& prop, int iFrame, SEditorValue& value)
{
    const auto it = prop.GetTrack().find(iFrame);
    return it != prop.GetTrack().end() && EditorKeyValue(*it->second, value);
}

bool EditorValueFits(const COrvPropBase& prop, const SEditorValue& value)
{
    SEditorValue current;
    return prop.GetDefaultKey() && EditorKeyValue(*prop.GetDefaultKey(), current) &&
           current.index() == value.index();
}

std::string EditorValueToText(const SEditorValue& value)
{
    std::string sText;
    EditorMakeKey(value)->ToString(sText);
    return sText;
}

bool EditorValueFromText(const std::string& sText, SEditorValue& value, std::string& sError)
{
    bool bOk = true;
    SEditorValue parsed = value;
    std::visit(
        [&](auto& v)
        {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>)
                bOk = ParseBool(sText, v);
            else if constexpr (std::is_same_v<T, int>)
                bOk = ParseInt(sText, v);
            else if constexpr (std::is_same_v<T, float>)
                bOk = ParseNumbers(sText, &v, 1);
            else if constexpr (std::is_same_v<T, D3DXVECTOR3>)
                bOk = ParseNumbers(sText, &v.x, 3);
            else if constexpr (std::is_same_v<T, D3DXQUATERNION>)
                bOk = ParseNumbers(sText, &v.x, 4);
            else
                v = sText;
        },
        parsed);
    if (!bOk)
    {
        static const char* const s_Expected[] = {"true or false", "a whole number", "a number",
                                                 "three numbers", "four numbers",   "a text"};
        sError = "\"" + sText + "\" is not " + s_Expected[value.index()];
        return false;
    }
    value = std::move(parsed);
    return true;
}
