#pragma once
// The edits a user makes, each one undoable. A command is made by one of the factory
// functions below, executed by the document (CEditorDocument::Execute) which keeps it in its
// history, and then only reverted and applied again by undo and redo, in order.

#include "EditorRefs.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class CEditorDocument;
class CEditorClipboard;
class COrvModifiable;

class IEditorCommand
{
public:
    virtual ~IEditorCommand() = default;

    // Makes the change; false (with the reason, and the document unchanged) when it cannot.
    // Called once by Execute, then again by each redo.
    virtual bool Apply(CEditorDocument& document, std::string& sError) = 0;
    // Takes the change back: the document becomes exactly what it was before Apply.
    virtual void Revert(CEditorDocument& document) = 0;
    // The bytes the command holds (itself and what it keeps to undo), for the history's budget.
    virtual size_t GetMemorySize() const = 0;
    // What the change is, for menus and the status line ("Set Alpha", "Delete Sprite 3").
    virtual std::string GetLabel() const = 0;
    // Whether applying it changed nothing (a value written over the same value): the document
    // keeps no such step.
    virtual bool IsEmpty() const { return false; }
    // The object the change concerns after Apply or Revert (to select it); false if none.
    virtual bool GetAffectedObject(SEditorObjectRef& ref) const
    {
        (void)ref;
        return false;
    }
};

using EditorCommandPtr = std::unique_ptr<IEditorCommand>;

// Every kind of object the document's factories make (COrvDemo::AddLayer... / AddRes...).
enum class EEditorFactory
{
    LayerSprite,
    LayerObject3D,
    LayerObject3DGelly,
    LayerParticles,
    LayerBalls,
    LayerSphere,
    LayerGrid,
    LayerPostProcess,
    LayerPPWave,
    LayerPPRadialBlur,
    LayerPPBlackWhite,
    LayerPPFishEye,
    LayerPPBloom,
    ResImage,
    ResMaterial,
    ResRenderTarget,
    ResShader,
    ResObject3D,
    Count,
};

// "Sprite layer", "Material resource", ... for menus and the palette.
const char* EditorFactoryLabel(EEditorFactory eFactory);
bool EditorFactoryIsLayer(EEditorFactory eFactory);

// Values. An animable property gets the engine's own rule (a key at the frame truncated
// toward zero, replacing one there); a property that is not animable changes its default.
EditorCommandPtr EditorSetValue(const SEditorPropRef& prop, float fFrame, SEditorValue value);
// Makes the property animable or not (its keys stay, and are used again when it is).
EditorCommandPtr EditorSetAnimable(const SEditorPropRef& prop, bool bAnimable);

// Keys. AddKey puts a key at the frame; without a value it holds the value evaluated there.
EditorCommandPtr EditorAddKey(const SEditorPropRef& prop, int iFrame, SEditorValue value);
EditorCommandPtr EditorAddKeyHere(const SEditorPropRef& prop, int iFrame);
EditorCommandPtr EditorDeleteKeys(std::vector<SEditorKeyRef> keys);
// Moves the keys by iDelta frames; keys landing on other keys of their track replace them
// (undo brings those back).
EditorCommandPtr EditorMoveKeys(std::vector<SEditorKeyRef> keys, int iDelta);
// Adds fBias to the values of the keys (numbers and every component of vectors; the other
// types are left alone); integers are rounded to the nearest.
EditorCommandPtr EditorShiftKeyValues(std::vector<SEditorKeyRef> keys, float fBias);
// Pastes the clipboard's keys with its first key at iFrame, on the properties they came from.
EditorCommandPtr EditorPasteKeys(const CEditorClipboard& clipboard, int iFrame);

// Objects. A new object is named by its factory's rule. A new material also gets a key of 1 on
// its Alpha at the frame, in the same step: the engine starts it with a key of 0 there.
EditorCommandPtr EditorAddObject(EEditorFactory eFactory, float fFrame);
EditorCommandPtr EditorRename(const SEditorObjectRef& object, std::string sName);
// A copy placed right after the original, named by the factory's rule of its kind.
EditorCommandPtr EditorDuplicate(const SEditorObjectRef& object);
EditorCommandPtr EditorDelete(const SEditorObjectRef& object);
// Every one of the objects, in one step (a single object: EditorDelete's step as it is).
EditorCommandPtr EditorDeleteAll(std::vector<SEditorObjectRef> objects);
EditorCommandPtr EditorDuplicateAll(std::vector<SEditorObjectRef> objects);
// Moves the object before the object now at uBefore in the same list (the list's size: at
// the end), through the document's cut and paste.
EditorCommandPtr EditorReorder(const SEditorObjectRef& object, size_t uBefore);
// Show or hide a layer: its Visible value at the frame, by the engine's rule.
EditorCommandPtr EditorSetVisible(const SEditorObjectRef& object, float fFrame, bool bVisible);

// The music: its file (in the data folder) and its tempo in beats per minute.
EditorCommandPtr EditorSetMusicFile(std::string sFile);
EditorCommandPtr EditorSetTempo(float fBeatsPerMinute);

// The commands as one undo step under the label (a single command stays as it is).
EditorCommandPtr EditorGroup(std::vector<EditorCommandPtr> commands, std::string sLabel);

// An object's state as the engine saves it, for EditorRestoreObject.
std::string EditorSaveObject(const COrvModifiable& object);
// A whole object from one state to another, both taken by EditorSaveObject.
EditorCommandPtr EditorRestoreObject(const SEditorObjectRef& object, std::string sBefore,
                                     std::string sAfter, std::string sLabel);
