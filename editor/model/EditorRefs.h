#pragma once
// How the editor's model names the engine's objects, properties and keys, and how it carries
// a property's value. Commands keep these instead of pointers: an object deleted and brought
// back by undo is a new engine object at the same place, and a reference by place finds it
// again where a pointer would dangle. Every change goes through the history, so when a
// command is applied again the document is exactly as it was when the command was made.

#include "d3dx9math.h"

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

#include "OrvComPtr.h"

class COrvDemo;
class COrvKey;
class COrvModifiable;
class COrvPropBase;

// Which list of the document an object is in. The music is the one object outside the lists.
enum class EEditorList
{
    Layers,
    Resources,
    Music,
};

struct SEditorObjectRef
{
    EEditorList eList = EEditorList::Layers;
    size_t uIndex = 0; // the place in its list (0 for the music)

    bool operator==(const SEditorObjectRef&) const = default;
    auto operator<=>(const SEditorObjectRef&) const = default;
};

struct SEditorPropRef
{
    SEditorObjectRef object;
    size_t uProp = 0; // the place in the object's property list (GetProperties())

    bool operator==(const SEditorPropRef&) const = default;
    auto operator<=>(const SEditorPropRef&) const = default;
};

struct SEditorKeyRef
{
    SEditorPropRef prop;
    int iFrame = 0; // a key of the track sits on a whole frame

    bool operator==(const SEditorKeyRef&) const = default;
    auto operator<=>(const SEditorKeyRef&) const = default;
};

// A value of any of the six property types, in the order of their key types:
// bool, int, float, vector, orientation (quaternion), text.
using SEditorValue = std::variant<bool, int, float, D3DXVECTOR3, D3DXQUATERNION, std::string>;

// Finding what a reference names in a document; null when it names nothing (out of range).
COrvModifiable* EditorFindObject(COrvDemo& demo, const SEditorObjectRef& ref);
COrvPropBase* EditorFindProp(COrvDemo& demo, const SEditorPropRef& ref);
// The reference of an object of the document; false when the object is not in it.
bool EditorRefOf(COrvDemo& demo, const COrvModifiable* pObject, SEditorObjectRef& ref);

// The property's value at a frame, read without moving the process-wide current frame.
// False for a property of no known type.
bool EditorReadValueAt(const COrvPropBase& prop, float fFrame, SEditorValue& value);
// The value of the key at exactly that frame of the track; false when there is none.
bool EditorReadKey(const COrvPropBase& prop, int iFrame, SEditorValue& value);
// The value a key holds; false for a key of no known type.
bool EditorKeyValue(const COrvKey& key, SEditorValue& value);
// A new key of the value's type holding it.
COrvComPtr<COrvKey> EditorMakeKey(const SEditorValue& value);
// Whether the value's type is the property's.
bool EditorValueFits(const COrvPropBase& prop, const SEditorValue& value);
// The value as the engine writes it in files, and a typed text back into a value of the same
// type as `value` (false, with the reason, when the text does not parse: the value is then
// unchanged). Numbers must be finite; vectors take three numbers, orientations four.
std::string EditorValueToText(const SEditorValue& value);
bool EditorValueFromText(const std::string& sText, SEditorValue& value, std::string& sError);
