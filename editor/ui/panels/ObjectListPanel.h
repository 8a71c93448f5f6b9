#pragma once
// The layers panel and the resources panel are one list drawer: the objects of one list of
// the document in its order, selected by click (Ctrl+click adds), renamed in place
// (double-click or Enter), reordered by dragging (the document's cut and paste), added from a
// menu of the factories, duplicated, deleted, layers shown or hidden, image resources with
// thumbnails, objects with load problems marked with the problem.

#include "EditorRefs.h"

struct SEditorContext;

namespace orv::editor
{
void DrawObjectList(SEditorContext& context, EEditorList eList);

// The list's name of an object's class: "Sprite" for COrvLayerSprite, "Image" for
// COrvResImage.
std::string ShortClassName(const std::string& sClass);
} // namespace orv::editor
