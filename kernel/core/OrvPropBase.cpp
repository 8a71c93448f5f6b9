#include "core/OrvPropBase.h"

#include "core/OrvText.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <utility>

float COrvPropBase::m_siFrame = 0.0f;

namespace
{
// No frame equals NaN, so a NaN cache frame marks the cache empty.
constexpr float s_fNoCache = std::numeric_limits<float>::quiet_NaN();
} // namespace

int COrvPropBase::KeyFrameOf(float fFrame)
{
    if (!(fFrame == fFrame))
        return 0;
    if (fFrame >= 2147483648.0f)
        return INT_MAX;
    if (fFrame <= -2147483648.0f)
        return INT_MIN;
    return static_cast<int>(fFrame);
}

COrvComPtr<COrvKey> COrvPropBase::GetKeyAt(float fFrame) const
{
    if (!m_pDefaultKey)
        return {};
    // The same choice as GetKey, on a key of its own.
    if (!m_bAnimable || m_Index.Empty())
        return COrvComPtr<COrvKey>(m_pDefaultKey->Clone());
    COrvComPtr<COrvKey> pKey(CreateNewKey());
    GetInterpolatedKey(fFrame, pKey.Get());
    return pKey;
}

COrvPropBase::COrvPropBase(COrvModifiable* pModifiable, ORV_PROP_ID propId)
    : m_PropId(propId), m_pModifiable(pModifiable), m_fCacheFrame(s_fNoCache)
{
}

COrvPropBase::~COrvPropBase()
{
    for (auto& entry : m_Track)
        entry.second->Release();
    m_Track.clear();
    m_Index.Clear();
}

std::string COrvPropBase::GetPropIdString() const
{
    return OrvPropIdString(m_PropId);
}

void COrvPropBase::AddKey(int iFrame, COrvKey* pKey)
{
    if (!pKey)
        return;
    // Held for the length of the call: a key nobody else holds is freed when it is refused
    // or when the track cannot grow.
    const COrvComPtr<COrvKey> hold(pKey);
    if (!IsOwnKeyType(pKey))
        return; // a key the property cannot blend would be read as another type
    auto it = m_Track.find(iFrame);
    if (it == m_Track.end())
    {
        // Index first, then the map: if the map cannot grow, the index is put back.
        m_Index.Insert(iFrame, pKey);
        try
        {
            m_Track.emplace(iFrame, pKey);
        }
        catch (...)
        {
            m_Index.EraseRange(iFrame, iFrame);
            throw;
        }
        pKey->AddRef();
    }
    else
    {
        // The new reference is taken before the old one is dropped, so putting the same key
        // again leaves its count unchanged.
        pKey->AddRef();
        COrvKey* pOld = it->second;
        it->second = pKey;
        m_Index.Replace(iFrame, pKey);
        pOld->Release();
    }
    InvalidateCache();
}

void COrvPropBase::DeleteKeys(int iFrom, int iTo)
{
    const int lo = std::min(iFrom, iTo);
    const int hi = std::max(iFrom, iTo);
    auto first = m_Track.lower_bound(lo);
    auto last = m_Track.upper_bound(hi);
    if (first == last)
        return;
    std::vector<COrvKey*> removed;
    for (auto it = first; it != last; ++it)
        removed.push_back(it->second);
    m_Track.erase(first, last);
    m_Index.EraseRange(lo, hi);
    InvalidateCache();
    // Released last: a key's destructor must not see a half-edited track.
    for (COrvKey* pKey : removed)
        pKey->Release();
}

void COrvPropBase::InvalidateCache()
{
    m_fCacheFrame = s_fNoCache;
}

void COrvPropBase::AddKeyAtCurrentFrame(COrvKey* pKey)
{
    AddKey(KeyFrameOf(m_siFrame), pKey);
}

void COrvPropBase::GetInterpolatedKey(float x, COrvKey* pOut) const
{
    const size_t count = m_Index.Size();
    if (count == 0 || !pOut)
        return;
    const size_t passed = m_Index.CountAtOrBefore(x);
    // prev: the last key at or before x, else the first; before: the key before prev, else
    // the first.
    const size_t prev = passed >= 1 ? passed - 1 : 0;
    const size_t before = passed >= 2 ? passed - 2 : 0;

    // Before the first key the default value acts as a key at frame 0.
    const COrvKey* k1 = m_Index.KeyAt(prev);
    float f1 = m_Index.FrameAt(prev);
    if (x < f1)
    {
        k1 = m_pDefaultKey.Get();
        f1 = 0.0f;
    }
    const COrvKey* k0 = x < m_Index.FrameAt(before) ? m_pDefaultKey.Get() : m_Index.KeyAt(before);

    if (passed == count)
    {
        pOut->InterpolateSpline(0.0f, k0, k1, k1, k1);
        return;
    }
    const COrvKey* k2 = m_Index.KeyAt(passed);
    const COrvKey* k3 = passed + 1 < count ? m_Index.KeyAt(passed + 1) : k2;
    const float t = (x - f1) / (m_Index.FrameAt(passed) - f1);
    pOut->InterpolateSpline(t, k0, k1, k2, k3);
}

void COrvPropBase::Save(pugi::xml_document&, pugi::xml_node element) const
{
    std::string text;
    element.append_attribute("bAnimable").set_value(m_bAnimable ? "1" : "0");
    element.append_attribute("bInterpolate").set_value(m_bInterpolate ? "1" : "0");
    if (m_pDefaultKey)
        m_pDefaultKey->ToString(text);
    element.append_attribute("defaultValue").set_value(text.c_str());
    if (!m_bAnimable)
        return;
    pugi::xml_node track = element.append_child("track");
    for (const auto& [iFrame, pKey] : m_Track)
    {
        pugi::xml_node key = track.append_child("key");
        key.append_attribute("frame").set_value(OrvFormatInt(iFrame).c_str());
        pKey->ToString(text);
        key.append_attribute("value").set_value(text.c_str());
    }
}

void COrvPropBase::Load(pugi::xml_node node)
{
    if (pugi::xml_attribute attribute = node.attribute("defaultValue"))
    {
        if (COrvComPtr<COrvKey> pKey{CreateNewKey()})
        {
            pKey->FromString(attribute.value());
            m_pDefaultKey = std::move(pKey);
        }
    }
    if (pugi::xml_attribute attribute = node.attribute("bAnimable"))
        m_bAnimable = std::string(attribute.value()) == "1";
    if (pugi::xml_attribute attribute = node.attribute("bInterpolate"))
        m_bInterpolate = std::string(attribute.value()) == "1";

    for (pugi::xml_node track : node.children("track"))
    {
        for (pugi::xml_node key : track.children())
        {
            if (key.type() != pugi::node_element)
                continue;
            pugi::xml_attribute frame = key.attribute("frame");
            pugi::xml_attribute value = key.attribute("value");
            if (!frame || !value)
                continue;
            const COrvComPtr<COrvKey> pKey(CreateNewKey());
            if (!pKey)
                continue;
            pKey->FromString(value.value());
            AddKey(OrvParseInt(frame.value()), pKey.Get());
        }
    }
    InvalidateCache();
}
