#pragma once

#include "OrvComPtr.h"
#include "OrvExport.h"
#include "core/OrvKey.h"
#include "core/OrvKeyIndex.h"
#include "core/OrvObject.h"
#include "core/OrvPropId.h"

#include <map>
#include <pugixml.hpp>
#include <string>
#include <vector>

class COrvModifiable;

// An animated value of a modifiable object: a default key, a track of keys on whole frames,
// and the rule that turns them into a value at the process-wide current frame. The value is
// evaluated at most once per frame; the scratch key m_pCurrentKey caches it.
class ORV_API COrvPropBase : public COrvObject
{
public:
    typedef std::map<int, COrvKey*> KeyTrack;

    COrvPropBase(COrvModifiable* pModifiable, ORV_PROP_ID propId);
    ~COrvPropBase() override;

    // The current frame, in sixteenths of a beat, at which every property is evaluated.
    static float m_siFrame;
    static void SetFrame(float fFrame) { m_siFrame = fFrame; }

    void SetAnimable(bool bAnimable) { m_bAnimable = bAnimable; }
    bool GetAnimable() const { return m_bAnimable; }
    // Kept and saved for editors; the evaluation does not consult it.
    void SetInterpolate(bool bInterpolate) { m_bInterpolate = bInterpolate; }
    bool GetInterpolate() const { return m_bInterpolate; }

    const KeyTrack& GetTrack() const { return m_Track; }
    const COrvKey* GetDefaultKey() const { return m_pDefaultKey.Get(); }

    // The frame of the key that a value written at fFrame goes to: truncated toward zero,
    // saturated at the ends of int, 0 for NaN.
    static int KeyFrameOf(float fFrame);
    // A new key holding the value at fFrame, evaluated as at the current frame (the default
    // when the property is not animable or has no key) but without moving the current frame
    // or touching what the property keeps for it. Null for a property of no value type.
    COrvComPtr<COrvKey> GetKeyAt(float fFrame) const;
    ORV_PROP_ID GetPropId() const { return m_PropId; }
    COrvModifiable* GetModifiable() const { return m_pModifiable; }
    std::string GetPropIdString() const;

    // Puts the key at the frame, replacing (and releasing) a key already there. The track
    // takes a reference. A null key, or one of another value type than the property's, is
    // not put (a key nobody holds is then destroyed).
    void AddKey(int iFrame, COrvKey* pKey);
    // Removes and releases the keys whose frame lies between the two numbers, inclusive, in
    // either order.
    void DeleteKeys(int iFrom, int iTo);
    void CopyKeys(int, int, int) {}

    // Writes the flags, the default value and (when animable) the track into the element.
    virtual void Save(pugi::xml_document& doc, pugi::xml_node element) const;
    // Reads what Save writes. Keys of the file replace those at the same frames; other keys
    // stay. Missing attributes leave the current values.
    virtual void Load(pugi::xml_node node);

protected:
    // A new key of the property's value type, with no holder; null in this base class.
    virtual COrvKey* CreateNewKey() const { return nullptr; }
    // Whether the key holds this property's value type (any key in this base class).
    virtual bool IsOwnKeyType(const COrvKey*) const { return true; }

    // The key holding the value in force at the current frame.
    COrvKey* GetKey()
    {
        if (!m_bAnimable || m_Index.Empty())
            return m_pDefaultKey.Get();
        if (m_siFrame != m_fCacheFrame)
        {
            GetInterpolatedKey(m_siFrame, m_pCurrentKey.Get());
            m_fCacheFrame = m_siFrame;
        }
        return m_pCurrentKey.Get();
    }
    // Evaluates the track at the frame into pOut.
    void GetInterpolatedKey(float fFrame, COrvKey* pOut) const;
    // Makes the next read evaluate again.
    void InvalidateCache();
    // SetValue of the typed properties (TKey is the property's key type).
    template <typename TKey, typename TValue> void SetTypedValue(const TValue& value);
    // Puts a new key at the current frame truncated toward zero.
    void AddKeyAtCurrentFrame(COrvKey* pKey);

    ORV_PROP_ID m_PropId;
    COrvModifiable* m_pModifiable;
    COrvComPtr<COrvKey> m_pDefaultKey;
    bool m_bAnimable = true;
    bool m_bInterpolate = true;
    float m_fCacheFrame;
    COrvComPtr<COrvKey> m_pCurrentKey;

private:
    // The key frames, each holding one reference; edited only through AddKey and DeleteKeys,
    // which keep the index in step.
    KeyTrack m_Track;
    // The track as flat arrays, for a binary search of the keys around a frame.
    COrvKeyIndex m_Index;
};
