#pragma once
// The inspector's widget for each kind of property value. Each draws the value at the current
// position and turns an edit into the model's command: a key at the frame for an animable
// property (the engine's rule), its default otherwise. A widget dragged is one undo step;
// numbers can be typed (Ctrl+click, or double-click on a drag field), and typing something
// that cannot be read keeps the old value and says why on the status line.

#include "EditorRefs.h"
#include "PropertyKind.h"

class COrvPropBase;
struct SEditorContext;

namespace orv::editor
{
void DrawPropertyWidget(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop,
                        const SPropertyKind& kind);

// Gives the property a new value through the command that fits it (a rename for the Name, the
// music's own commands for its file and tempo, a value at the current frame otherwise).
// Nothing is done when the value is the one there already. bLive: part of a widget drag.
bool CommitValue(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop,
                 const SEditorValue& value, bool bLive);

// Reads a typed text as a value of the property's type; false with the reason.
bool ParseTypedValue(const SPropertyKind& kind, const std::string& sText, SEditorValue& value,
                     std::string& sError);
} // namespace orv::editor
