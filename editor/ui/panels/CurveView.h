#pragma once
// The timeline's curve view: the values of one number or vector track as the engine evaluates
// them (read through the kernel at each sampled frame, never a second spline implementation),
// with the track's keys as handles that drag the key's value up and down.

#include <imgui.h>

struct SEditorContext;

namespace orv::editor
{
// Draws the curve view's track in the rectangle (the timeline's scale gives the frames across
// it) and keeps the values drawn in the panel state.
void DrawCurveView(SEditorContext& context, const ImVec2& min, const ImVec2& max);
// A press in the view: true when it grabbed a key's handle (the key is then selected).
bool PressCurveView(SEditorContext& context, const ImVec2& point);
// The grabbed handle follows the pointer: its key takes the value there (one undo step for
// the whole drag, which the caller ends with EndLiveCommand).
void DragCurveHandle(SEditorContext& context, const ImVec2& point);
} // namespace orv::editor
