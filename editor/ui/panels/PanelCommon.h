#pragma once
// What every panel does with the model: run a command (one undo step, or one step replaced
// while a widget is dragged), read a property at the current position, find an object's
// keys and load problems.

#include "EditorCommands.h"
#include "EditorRefs.h"

#include "document/OrvLoadProblem.h"

#include <string>
#include <vector>

class CEditorDocument;
class COrvModifiable;
class COrvPropBase;
struct SEditorContext;

namespace orv::editor
{
// Executes the command; on failure puts the reason on the status line. Drops selected
// objects and keys that no longer exist either way.
bool RunCommand(SEditorContext& context, EditorCommandPtr pCommand);
// For a widget being dragged: the first change of a drag is executed as usual; the next ones
// undo the previous change of the same drag first (when it is still the last step of the
// history), so the whole drag is one undo step. EndLiveCommand ends the drag.
bool RunLiveCommand(SEditorContext& context, EditorCommandPtr pCommand);
void EndLiveCommand(SEditorContext& context);

// The property's value at the context's frame (read without moving the engine's frame).
bool ReadValueNow(const SEditorContext& context, const COrvPropBase& prop, SEditorValue& value);

// The frames of the property's keys, in order.
std::vector<int> KeyFramesOf(const COrvPropBase& prop);
// The nearest key strictly before / after the frame; false when there is none.
bool PreviousKeyFrame(const COrvPropBase& prop, float fFrame, int& iFrame);
bool NextKeyFrame(const COrvPropBase& prop, float fFrame, int& iFrame);
// Whether the property's value moves with time: animable and with at least one key.
bool IsAnimated(const COrvPropBase& prop);

// The load problems that concern the object: those naming it, and those naming no object
// about the file its "Filename" names; of the document as opened and met since.
std::vector<ORV_LoadProblem> ProblemsOf(CEditorDocument& document, COrvModifiable& object);

// The display name of a property.
std::string PropertyLabel(const COrvPropBase& prop);
} // namespace orv::editor
