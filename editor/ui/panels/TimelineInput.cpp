// The timeline under the pointer and the keyboard: the playhead dragged on the ruler, keys
// selected by click, Shift+click and box and dragged onto the snapping grid, the curve view's
// handles, zoom and pan, and the keys of the key operations and bookmarks.
#include "CurveView.h"
#include "EditorContext.h"
#include "EditorDocument.h"
#include "EditorPanels.h"
#include "EditorSelection.h"
#include "PanelCommon.h"
#include "PanelState.h"
#include "TimelineParts.h"

#include "core/OrvPropBase.h"
#include "document/OrvDemo.h"

#include <algorithm>
#include <cmath>

namespace orv::editor
{
namespace
{
// The key under the point: the nearest within a key's half width, in the row there.
bool KeyAt(SEditorContext& context, const ImVec2& point, SEditorKeyRef& key)
{
    SEditorPanelState& state = PanelStateOf(context);
    for (const SPanelTrackRow& row : state.vTrackRows)
    {
        if (point.y < row.fTop || point.y >= row.fBottom)
            continue;
        COrvPropBase* pProp = EditorFindProp(context.pDocument->GetDemo(), row.prop);
        if (!pProp)
            return false;
        float fBest = kKeyHalf + 1.0f;
        for (const auto& entry : pProp->GetTrack())
        {
            const float fDistance =
                std::fabs(state.scale.FrameToX(static_cast<float>(entry.first)) - point.x);
            if (fDistance < fBest)
            {
                fBest = fDistance;
                key = SEditorKeyRef{row.prop, entry.first};
            }
        }
        return fBest <= kKeyHalf;
    }
    return false;
}

void SelectKeysInBox(SEditorContext& context, const ImVec2& a, const ImVec2& b)
{
    SEditorPanelState& state = PanelStateOf(context);
    const ImVec2 lo(std::min(a.x, b.x), std::min(a.y, b.y));
    const ImVec2 hi(std::max(a.x, b.x), std::max(a.y, b.y));
    std::vector<SEditorKeyRef> vKeys;
    for (const SPanelTrackRow& row : state.vTrackRows)
    {
        const float fY = (row.fTop + row.fBottom) * 0.5f;
        COrvPropBase* pProp = EditorFindProp(context.pDocument->GetDemo(), row.prop);
        if (!pProp || fY < lo.y - kKeyHalf || fY > hi.y + kKeyHalf)
            continue;
        for (const auto& entry : pProp->GetTrack())
        {
            const float fX = state.scale.FrameToX(static_cast<float>(entry.first));
            if (fX >= lo.x - kKeyHalf && fX <= hi.x + kKeyHalf)
                vKeys.push_back(SEditorKeyRef{row.prop, entry.first});
        }
    }
    context.pSelection->AddKeys(vKeys);
}

void PressKey(SEditorContext& context, const SEditorKeyRef& key)
{
    SEditorPanelState& state = PanelStateOf(context);
    const bool bShift = ImGui::GetIO().KeyShift;
    if (bShift)
        context.pSelection->ToggleKey(key);
    else if (!context.pSelection->IsSelected(key))
    {
        context.pSelection->ClearKeys();
        context.pSelection->SelectKey(key);
    }
    state.pressedKey = key;
    state.iDragAnchorFrame = key.iFrame;
    state.iDragDelta = 0;
    state.eDrag = context.pSelection->IsSelected(key) ? ETimelineDrag::Keys : ETimelineDrag::None;
}

// A double-click on a row puts a key there, on the snapping grid (Alt: any whole frame),
// holding the value the track has there; the new key is selected.
bool AddKeyAt(SEditorContext& context, const ImVec2& mouse)
{
    SEditorPanelState& state = PanelStateOf(context);
    for (const SPanelTrackRow& row : state.vTrackRows)
    {
        if (mouse.y < row.fTop || mouse.y >= row.fBottom)
            continue;
        const ESnap eSnap = ImGui::GetIO().KeyAlt ? ESnap::Sixteenth : state.eSnap;
        const int iFrame = SnapFrame(state.scale.XToFrame(mouse.x), eSnap);
        if (!RunCommand(context, EditorAddKeyHere(row.prop, iFrame)))
            return false;
        context.pSelection->ClearKeys();
        context.pSelection->SelectKey(SEditorKeyRef{row.prop, iFrame});
        return true;
    }
    return false;
}

void Press(SEditorContext& context, const SLayout& layout, const ImVec2& mouse)
{
    SEditorPanelState& state = PanelStateOf(context);
    state.dragStart = mouse;
    state.bDragMoved = false;
    if (mouse.x < layout.fStripLeft)
    {
        // A row's name picks the curve view's track.
        for (const SPanelTrackRow& row : state.vTrackRows)
            if (mouse.y >= row.fTop && mouse.y < row.fBottom)
            {
                state.bHasCurve = true;
                state.curveProp = row.prop;
            }
        return;
    }
    if (mouse.y < layout.fWaveBottom)
    {
        state.eDrag = ETimelineDrag::Playhead;
        return;
    }
    if (state.bCurves && mouse.y >= layout.fCurveTop)
    {
        if (PressCurveView(context, mouse))
            state.eDrag = ETimelineDrag::CurveHandle;
        return;
    }
    SEditorKeyRef key;
    if (KeyAt(context, mouse, key))
    {
        PressKey(context, key);
        return;
    }
    if (ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left) && AddKeyAt(context, mouse))
        return;
    if (!ImGui::GetIO().KeyShift)
        context.pSelection->ClearKeys();
    state.eDrag = ETimelineDrag::Box;
}

void Drag(SEditorContext& context, const ImVec2& mouse)
{
    SEditorPanelState& state = PanelStateOf(context);
    const ImGuiIO& io = ImGui::GetIO();
    if (std::fabs(mouse.x - state.dragStart.x) + std::fabs(mouse.y - state.dragStart.y) > 2.0f)
        state.bDragMoved = true;
    switch (state.eDrag)
    {
    case ETimelineDrag::Playhead:
        context.fFrame = std::max(0.0f, std::round(state.scale.XToFrame(mouse.x)));
        break;
    case ETimelineDrag::Keys:
    {
        // The pressed key lands on the grid (Alt: any whole frame); the others follow it.
        const ESnap eSnap = io.KeyAlt ? ESnap::Sixteenth : state.eSnap;
        const float fTarget = state.iDragAnchorFrame +
                              (mouse.x - state.dragStart.x) / state.scale.GetPixelsPerFrame();
        state.iDragDelta =
            state.bDragMoved ? SnapFrame(fTarget, eSnap) - state.iDragAnchorFrame : 0;
        break;
    }
    case ETimelineDrag::CurveHandle:
        DragCurveHandle(context, mouse);
        break;
    case ETimelineDrag::Pan:
        state.scale.Pan(-io.MouseDelta.x);
        break;
    case ETimelineDrag::Box:
    case ETimelineDrag::None:
        break;
    }
}

void Release(SEditorContext& context, const ImVec2& mouse)
{
    SEditorPanelState& state = PanelStateOf(context);
    const ETimelineDrag eDrag = state.eDrag;
    state.eDrag = ETimelineDrag::None;
    if (eDrag == ETimelineDrag::Keys)
    {
        if (state.iDragDelta != 0)
            MoveSelectedKeys(context, state.iDragDelta);
        else if (!state.bDragMoved && !ImGui::GetIO().KeyShift)
        {
            // A click on one of several selected keys selects it alone.
            context.pSelection->ClearKeys();
            context.pSelection->SelectKey(state.pressedKey);
        }
        state.iDragDelta = 0;
    }
    else if (eDrag == ETimelineDrag::Box)
        SelectKeysInBox(context, state.dragStart, mouse);
    else if (eDrag == ETimelineDrag::CurveHandle)
        EndLiveCommand(context);
}

// The key under the pointer: where it sits and what it holds.
void ShowKeyTip(SEditorContext& context, const ImVec2& mouse)
{
    SEditorKeyRef key;
    SEditorValue value;
    if (!KeyAt(context, mouse, key))
        return;
    COrvPropBase* pProp = EditorFindProp(context.pDocument->GetDemo(), key.prop);
    if (!pProp || !EditorReadKey(*pProp, key.iFrame, value))
        return;
    ImGui::SetTooltip("%s at %s (frame %d): %s", PropertyLabel(*pProp).c_str(),
                      FormatBarsBeats(static_cast<float>(key.iFrame), true).c_str(), key.iFrame,
                      EditorValueToText(value).c_str());
}
} // namespace

void HandleTimelineMouse(SEditorContext& context, const SLayout& layout)
{
    SEditorPanelState& state = PanelStateOf(context);
    const ImGuiIO& io = ImGui::GetIO();
    const ImVec2 mouse = io.MousePos;
    const bool bHovered = ImGui::IsItemHovered();
    if (bHovered && io.MouseWheel != 0.0f)
    {
        if (io.KeyShift)
            state.scale.Pan(-io.MouseWheel * 40.0f);
        else
            state.scale.ZoomAround(std::max(mouse.x, layout.fStripLeft),
                                   std::pow(1.25f, io.MouseWheel));
    }
    if (bHovered && io.MouseWheelH != 0.0f)
        state.scale.Pan(-io.MouseWheelH * 40.0f);
    if (bHovered && ImGui::IsMouseClicked(ImGuiMouseButton_Middle))
        state.eDrag = ETimelineDrag::Pan;
    if (bHovered && ImGui::IsMouseClicked(ImGuiMouseButton_Left))
        Press(context, layout, mouse);
    if (state.eDrag == ETimelineDrag::None)
    {
        if (bHovered)
            ShowKeyTip(context, mouse);
        return;
    }
    const int iButton =
        state.eDrag == ETimelineDrag::Pan ? ImGuiMouseButton_Middle : ImGuiMouseButton_Left;
    if (io.MouseDown[iButton])
        Drag(context, mouse);
    else
        Release(context, mouse);
}

void HandleTimelineKeys(SEditorContext& context)
{
    if (!ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows) ||
        ImGui::IsAnyItemActive() || ImGui::GetIO().WantTextInput)
        return;
    const ImGuiIO& io = ImGui::GetIO();
    auto pressed = [](ImGuiKey key) { return ImGui::IsKeyPressed(ImGui::GetKeyIndex(key)); };
    if (pressed(ImGuiKey_Delete) || pressed(ImGuiKey_Backspace))
        DeleteSelectedKeys(context);
    if (io.KeyCtrl && pressed(ImGuiKey_C))
        CopySelectedKeys(context);
    if (io.KeyCtrl && pressed(ImGuiKey_V))
        PasteKeysAtPlayhead(context);
    const float fStep = io.KeyShift ? 10.0f : io.KeyAlt ? 0.1f : 1.0f;
    if (!io.KeyCtrl && pressed(ImGuiKey_UpArrow))
        ShiftSelectedKeyValues(context, fStep);
    if (!io.KeyCtrl && pressed(ImGuiKey_DownArrow))
        ShiftSelectedKeyValues(context, -fStep);
    if (pressed(ImGuiKey_Insert))
        ToggleBookmark(context);
    if (pressed(ImGuiKey_PageUp))
        JumpToBookmark(context, -1);
    if (pressed(ImGuiKey_PageDown))
        JumpToBookmark(context, 1);
}
} // namespace orv::editor
