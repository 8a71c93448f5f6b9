#include "EditorCommands.h"

#include "EditorClipboard.h"
#include "EditorDocument.h"
#include "EditorObjectCommands.h"
#include "EditorPropChanges.h"

#include "core/OrvKey.h"
#include "core/OrvModifiable.h"
#include "core/OrvProp.h"
#include "document/OrvDemo.h"

#include <climits>
#include <cmath>
#include <functional>

namespace
{
// An edit of properties: run once through the engine's operations, then undone and redone
// from what it changed.
class CPropEditCommand : public IEditorCommand
{
public:
    using EditFunction = std::function<bool(COrvDemo&, std::string&)>;

    CPropEditCommand(std::string sLabel, std::vector<SEditorPropRef> props, EditFunction fnEdit)
        : m_sLabel(std::move(sLabel)), m_Props(std::move(props)), m_fnEdit(std::move(fnEdit))
    {
    }
    // The label is completed with the display name of the first property when it runs.
    void NameTheProperty() { m_bNameProperty = true; }

    bool Apply(CEditorDocument& document, std::string& sError) override
    {
        COrvDemo& demo = document.GetDemo();
        if (!m_fnEdit)
        {
            m_Changes.Apply(demo);
            return true;
        }
        for (const SEditorPropRef& ref : m_Props)
            if (!EditorFindProp(demo, ref))
            {
                sError = "the property edited is no longer in the document";
                return false;
            }
        if (m_bNameProperty)
            m_sLabel += " " + EditorFindProp(demo, m_Props.front())->GetPropIdString();
        m_Changes.Begin(demo, m_Props);
        const bool bOk = m_fnEdit(demo, sError);
        m_Changes.End(demo);
        if (!bOk)
        {
            m_Changes.Revert(demo);
            return false;
        }
        // What the edit was made of is no longer needed: redo replays the changes.
        m_fnEdit = nullptr;
        m_Props.clear();
        m_Props.shrink_to_fit();
        return true;
    }

    void Revert(CEditorDocument& document) override { m_Changes.Revert(document.GetDemo()); }

    size_t GetMemorySize() const override
    {
        return sizeof(*this) + m_sLabel.capacity() + m_Changes.GetMemorySize() +
               m_Props.capacity() * sizeof(SEditorPropRef);
    }

    std::string GetLabel() const override { return m_sLabel; }
    bool IsEmpty() const override { return !m_fnEdit && m_Changes.IsEmpty(); }
    bool GetAffectedObject(SEditorObjectRef& ref) const override
    {
        if (m_Object.empty())
            return false;
        ref = m_Object.front();
        return true;
    }
    void SetObject(const SEditorObjectRef& ref) { m_Object.assign(1, ref); }

private:
    std::string m_sLabel;
    std::vector<SEditorPropRef> m_Props;
    EditFunction m_fnEdit;
    CEditorPropChanges m_Changes;
    std::vector<SEditorObjectRef> m_Object;
    bool m_bNameProperty = false;
};

std::unique_ptr<CPropEditCommand> MakePropEdit(std::string sLabel,
                                               std::vector<SEditorPropRef> props,
                                               CPropEditCommand::EditFunction fnEdit)
{
    SEditorObjectRef object;
    const bool bOneObject = !props.empty();
    if (bOneObject)
        object = props.front().object;
    auto pCommand =
        std::make_unique<CPropEditCommand>(std::move(sLabel), std::move(props), std::move(fnEdit));
    if (bOneObject)
        pCommand->SetObject(object);
    return pCommand;
}

std::vector<SEditorPropRef> PropsOf(const std::vector<SEditorKeyRef>& keys)
{
    std::vector<SEditorPropRef> props;
    for (const SEditorKeyRef& key : keys)
        if (std::find(props.begin(), props.end(), key.prop) == props.end())
            props.push_back(key.prop);
    return props;
}

// Puts a key holding the value at the frame, by the property's own AddKey (which replaces a
// key there); false when the value is not of the property's type.
bool PutValueKey(COrvPropBase& prop, int iFrame, const SEditorValue& value, std::string& sError)
{
    if (!EditorValueFits(prop, value))
    {
        sError = "a value of another type than " + prop.GetPropIdString() + "'s";
        return false;
    }
    prop.AddKey(iFrame, EditorMakeKey(value).Get());
    return true;
}

template <typename TProp, typename TValue>
bool SetDefaultIf(COrvPropBase& prop, const SEditorValue& value)
{
    auto* pTyped = dynamic_cast<TProp*>(&prop);
    if (!pTyped)
        return false;
    pTyped->SetDefaultValue(std::get<TValue>(value));
    return true;
}

// The engine's rule of SetValue at a frame: a key at the frame truncated toward zero when the
// property is animable, else its default.
bool WriteValue(COrvPropBase& prop, float fFrame, const SEditorValue& value, std::string& sError)
{
    if (!EditorValueFits(prop, value))
    {
        sError = "a value of another type than " + prop.GetPropIdString() + "'s";
        return false;
    }
    if (prop.GetAnimable())
    {
        // Writing the value the property already has there adds no key, as SetValue does.
        SEditorValue current;
        if (EditorReadValueAt(prop, fFrame, current) && current == value)
            return true;
        prop.AddKey(COrvPropBase::KeyFrameOf(fFrame), EditorMakeKey(value).Get());
        return true;
    }
    SetDefaultIf<COrvPropBool, bool>(prop, value) || SetDefaultIf<COrvPropInt, int>(prop, value) ||
        SetDefaultIf<COrvPropFloat, float>(prop, value) ||
        SetDefaultIf<COrvPropVector, D3DXVECTOR3>(prop, value) ||
        SetDefaultIf<COrvPropQuat, D3DXQUATERNION>(prop, value) ||
        SetDefaultIf<COrvPropString, std::string>(prop, value);
    return true;
}

// A frame moved by a delta, kept within int.
int MovedFrame(int iFrame, int iDelta)
{
    const long long moved = static_cast<long long>(iFrame) + iDelta;
    return static_cast<int>(std::clamp<long long>(moved, INT_MIN, INT_MAX));
}

// The value plus a bias: numbers and each component of vectors; other types unchanged.
SEditorValue Biased(SEditorValue value, float fBias)
{
    if (auto* pFloat = std::get_if<float>(&value))
        *pFloat += fBias;
    else if (auto* pInt = std::get_if<int>(&value))
    {
        const double moved = std::round(static_cast<double>(*pInt) + fBias);
        *pInt = static_cast<int>(std::clamp<double>(moved, INT_MIN, INT_MAX));
    }
    else if (auto* pVector = std::get_if<D3DXVECTOR3>(&value))
        *pVector += D3DXVECTOR3(fBias, fBias, fBias);
    return value;
}

bool FindPropById(COrvDemo& demo, const SEditorObjectRef& object, ORV_PROP_ID id,
                  SEditorPropRef& ref)
{
    const COrvModifiable* pObject = EditorFindObject(demo, object);
    if (!pObject)
        return false;
    const COrvPropList& props = pObject->GetProperties();
    for (size_t i = 0; i < props.size(); ++i)
        if (props[i]->GetPropId() == id)
        {
            ref = {object, i};
            return true;
        }
    return false;
}

// A value set on a property of an object found by its identifier when the command runs.
class CSetByIdCommand : public IEditorCommand
{
public:
    CSetByIdCommand(std::string sLabel, SEditorObjectRef object, ORV_PROP_ID id, float fFrame,
                    SEditorValue value)
        : m_sLabel(std::move(sLabel)), m_Object(object), m_Id(id), m_fFrame(fFrame),
          m_Value(std::move(value))
    {
    }

    bool Apply(CEditorDocument& document, std::string& sError) override
    {
        if (!m_pInner)
        {
            SEditorPropRef ref;
            if (!FindPropById(document.GetDemo(), m_Object, m_Id, ref))
            {
                sError = "the object has no " + std::string(OrvPropIdString(m_Id));
                return false;
            }
            m_pInner = EditorSetValue(ref, m_fFrame, m_Value);
        }
        return m_pInner->Apply(document, sError);
    }
    void Revert(CEditorDocument& document) override
    {
        if (m_pInner)
            m_pInner->Revert(document);
    }
    size_t GetMemorySize() const override
    {
        return sizeof(*this) + m_sLabel.capacity() + (m_pInner ? m_pInner->GetMemorySize() : 0);
    }
    std::string GetLabel() const override { return m_sLabel; }
    bool IsEmpty() const override { return m_pInner && m_pInner->IsEmpty(); }
    bool GetAffectedObject(SEditorObjectRef& ref) const override
    {
        ref = m_Object;
        return true;
    }

private:
    std::string m_sLabel;
    SEditorObjectRef m_Object;
    ORV_PROP_ID m_Id;
    float m_fFrame;
    SEditorValue m_Value;
    EditorCommandPtr m_pInner;
};
} // namespace

EditorCommandPtr EditorSetValue(const SEditorPropRef& prop, float fFrame, SEditorValue value)
{
    auto pCommand =
        MakePropEdit("Set", {prop},
                     [prop, fFrame, value = std::move(value)](COrvDemo& demo, std::string& sError)
                     { return WriteValue(*EditorFindProp(demo, prop), fFrame, value, sError); });
    pCommand->NameTheProperty();
    return pCommand;
}

EditorCommandPtr EditorSetAnimable(const SEditorPropRef& prop, bool bAnimable)
{
    return MakePropEdit(bAnimable ? "Animate" : "Stop animating", {prop},
                        [prop, bAnimable](COrvDemo& demo, std::string&)
                        {
                            EditorFindProp(demo, prop)->SetAnimable(bAnimable);
                            return true;
                        });
}

EditorCommandPtr EditorAddKey(const SEditorPropRef& prop, int iFrame, SEditorValue value)
{
    return MakePropEdit(
        "Add key", {prop},
        [prop, iFrame, value = std::move(value)](COrvDemo& demo, std::string& sError)
        { return PutValueKey(*EditorFindProp(demo, prop), iFrame, value, sError); });
}

EditorCommandPtr EditorAddKeyHere(const SEditorPropRef& prop, int iFrame)
{
    return MakePropEdit("Add key", {prop},
                        [prop, iFrame](COrvDemo& demo, std::string& sError)
                        {
                            COrvPropBase& target = *EditorFindProp(demo, prop);
                            SEditorValue value;
                            if (!EditorReadValueAt(target, static_cast<float>(iFrame), value))
                            {
                                sError = "the property has no value to key";
                                return false;
                            }
                            return PutValueKey(target, iFrame, value, sError);
                        });
}

EditorCommandPtr EditorDeleteKeys(std::vector<SEditorKeyRef> keys)
{
    std::vector<SEditorPropRef> props = PropsOf(keys);
    return MakePropEdit(keys.size() == 1 ? "Delete key" : "Delete keys", std::move(props),
                        [keys = std::move(keys)](COrvDemo& demo, std::string&)
                        {
                            for (const SEditorKeyRef& key : keys)
                                EditorFindProp(demo, key.prop)->DeleteKeys(key.iFrame, key.iFrame);
                            return true;
                        });
}

EditorCommandPtr EditorMoveKeys(std::vector<SEditorKeyRef> keys, int iDelta)
{
    std::vector<SEditorPropRef> props = PropsOf(keys);
    return MakePropEdit(
        keys.size() == 1 ? "Move key" : "Move keys", std::move(props),
        [keys = std::move(keys), iDelta](COrvDemo& demo, std::string& sError)
        {
            // All taken out first, then all put: keys moving onto each other's frames keep
            // their own values.
            std::vector<std::pair<SEditorKeyRef, COrvComPtr<COrvKey>>> moving;
            for (const SEditorKeyRef& key : keys)
            {
                COrvPropBase* pProp = EditorFindProp(demo, key.prop);
                auto it = pProp->GetTrack().find(key.iFrame);
                if (it == pProp->GetTrack().end())
                    continue;
                moving.emplace_back(key, COrvComPtr<COrvKey>(it->second));
            }
            if (moving.empty())
            {
                sError = "none of the keys to move is there";
                return false;
            }
            for (const auto& [key, pKey] : moving)
                EditorFindProp(demo, key.prop)->DeleteKeys(key.iFrame, key.iFrame);
            for (const auto& [key, pKey] : moving)
                EditorFindProp(demo, key.prop)->AddKey(MovedFrame(key.iFrame, iDelta), pKey.Get());
            return true;
        });
}

EditorCommandPtr EditorShiftKeyValues(std::vector<SEditorKeyRef> keys, float fBias)
{
    std::vector<SEditorPropRef> props = PropsOf(keys);
    return MakePropEdit("Shift values", std::move(props),
                        [keys = std::move(keys), fBias](COrvDemo& demo, std::string& sError)
                        {
                            for (const SEditorKeyRef& key : keys)
                            {
                                COrvPropBase& prop = *EditorFindProp(demo, key.prop);
                                SEditorValue value;
                                if (EditorReadKey(prop, key.iFrame, value) &&
                                    !PutValueKey(prop, key.iFrame, Biased(value, fBias), sError))
                                    return false;
                            }
                            return true;
                        });
}

EditorCommandPtr EditorPasteKeys(const CEditorClipboard& clipboard, int iFrame)
{
    std::vector<SEditorCopiedKey> keys = clipboard.GetKeys();
    std::vector<SEditorPropRef> props;
    for (const SEditorCopiedKey& key : keys)
        if (std::find(props.begin(), props.end(), key.prop) == props.end())
            props.push_back(key.prop);
    return MakePropEdit("Paste keys", std::move(props),
                        [keys = std::move(keys), iFrame](COrvDemo& demo, std::string& sError)
                        {
                            if (keys.empty())
                            {
                                sError = "no keys were copied";
                                return false;
                            }
                            for (const SEditorCopiedKey& key : keys)
                                if (!PutValueKey(*EditorFindProp(demo, key.prop),
                                                 MovedFrame(iFrame, key.iOffset), key.value,
                                                 sError))
                                    return false;
                            return true;
                        });
}

EditorCommandPtr EditorRename(const SEditorObjectRef& object, std::string sName)
{
    return std::make_unique<CSetByIdCommand>("Rename", object, ORV_PROP_NAME, 0.0f,
                                             std::move(sName));
}

EditorCommandPtr EditorSetVisible(const SEditorObjectRef& object, float fFrame, bool bVisible)
{
    return std::make_unique<CSetByIdCommand>(bVisible ? "Show" : "Hide", object, ORV_PROP_VISIBLE,
                                             fFrame, bVisible);
}

EditorCommandPtr EditorSetMusicFile(std::string sFile)
{
    return std::make_unique<CSetByIdCommand>("Set the music file",
                                             SEditorObjectRef{EEditorList::Music, 0},
                                             ORV_PROP_FILENAME, 0.0f, std::move(sFile));
}

EditorCommandPtr EditorSetTempo(float fBeatsPerMinute)
{
    return std::make_unique<CSetByIdCommand>("Set the tempo",
                                             SEditorObjectRef{EEditorList::Music, 0},
                                             ORV_PROP_MUSIC_BPM, 0.0f, fBeatsPerMinute);
}

EditorCommandPtr EditorRestoreObject(const SEditorObjectRef& object, std::string sBefore,
                                     std::string sAfter, std::string sLabel)
{
    return std::make_unique<CEditorRestoreCommand>(object, std::move(sBefore), std::move(sAfter),
                                                   std::move(sLabel));
}
