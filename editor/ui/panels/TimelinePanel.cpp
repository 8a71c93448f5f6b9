// The timeline: a ruler in bars:beats and seconds, the music's waveform, the playhead, the
// selected objects' animated properties as rows of keys (select by click, Shift+click or box;
// move by dragging, snapped; delete, copy, paste, bias), bookmarks, and the curve view.
#include "CurveView.h"
#include "EditorContext.h"
#include "EditorDocument.h"
#include "EditorPanels.h"
#include "EditorSelection.h"
#include "PanelCommon.h"
#include "PanelState.h"
#include "TimelineParts.h"

#include "audio/OrvMusic.h"
#include "core/OrvModifiable.h"
#include "core/OrvProp.h"
#include "document/OrvDemo.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>

namespace orv::editor
{
namespace
{
float TempoOf(COrvDemo& demo)
{
    COrvMusic* pMusic = demo.GetMusic();
    const float fBpm = pMusic ? pMusic->GetBPM() : 0.0f;
    return fBpm > 0.0f && std::isfinite(fBpm) ? fBpm : 120.0f;
}

std::string MusicPathOf(COrvDemo& demo)
{
    COrvMusic* pMusic = demo.GetMusic();
    if (!pMusic)
        return std::string();
    for (COrvPropBase* pProp : pMusic->GetProperties())
    {
        SEditorValue value;
        if (pProp->GetPropId() == ORV_PROP_FILENAME && EditorReadValueAt(*pProp, 0.0f, value) &&
            std::holds_alternative<std::string>(value) && !std::get<std::string>(value).empty())
            return demo.GetDataPath(std::get<std::string>(value));
    }
    return std::string();
}

void UpdateWaveform(SEditorContext& context)
{
    SEditorPanelState& state = PanelStateOf(context);
    const std::string sPath = MusicPathOf(context.pDocument->GetDemo());
    if (sPath == state.sWaveformTried)
        return;
    state.sWaveformTried = sPath;
    std::string sError;
    if (sPath.empty() || !state.waveform.Load(sPath, sError))
        state.waveform.Clear();
}

void DrawSnapCombo(SEditorPanelState& state)
{
    const char* pNames[] = {"Snap: bars", "Snap: beats", "Snap: sixteenths"};
    const ESnap eSnaps[] = {ESnap::Bar, ESnap::Beat, ESnap::Sixteenth};
    int iCurrent = 0;
    for (int i = 0; i < 3; ++i)
        if (eSnaps[i] == state.eSnap)
            iCurrent = i;
    ImGui::SetNextItemWidth(130.0f);
    if (ImGui::Combo("##snap", &iCurrent, pNames, 3))
        state.eSnap = eSnaps[iCurrent];
}

void DrawBiasButtons(SEditorContext& context)
{
    const float fBiases[] = {-10.0f, -1.0f, -0.1f, 0.1f, 1.0f, 10.0f};
    const char* pLabels[] = {"-10", "-1", "-.1", "+.1", "+1", "+10"};
    const bool bAny = context.pSelection && !context.pSelection->GetKeys().empty();
    ImGui::BeginDisabled(!bAny);
    for (int i = 0; i < 6; ++i)
    {
        ImGui::SameLine(0.0f, i == 0 ? 12.0f : 2.0f);
        if (ImGui::SmallButton(pLabels[i]))
            ShiftSelectedKeyValues(context, fBiases[i]);
        if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled))
            ImGui::SetTooltip("Shift the selected keys' values (Up/Down, Shift x10, Alt x0.1)");
    }
    ImGui::EndDisabled();
}

void DrawToolbar(SEditorContext& context, float fBpm)
{
    SEditorPanelState& state = PanelStateOf(context);
    DrawSnapCombo(state);
    ImGui::SameLine();
    ImGui::Checkbox("Curves", &state.bCurves);
    ImGui::SameLine();
    if (ImGui::SmallButton("Mark"))
        ToggleBookmark(context);
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("Bookmark here (Insert); Page Up / Page Down jump between them");
    ImGui::SameLine(0.0f, 2.0f);
    if (ImGui::ArrowButton("previousMark", ImGuiDir_Left))
        JumpToBookmark(context, -1);
    ImGui::SameLine(0.0f, 2.0f);
    if (ImGui::ArrowButton("nextMark", ImGuiDir_Right))
        JumpToBookmark(context, 1);
    DrawBiasButtons(context);
    ImGui::SameLine(0.0f, 12.0f);
    ImGui::Text("%s  %s  frame %.2f", FormatBarsBeats(context.fFrame, true).c_str(),
                FormatSeconds(FrameToSeconds(context.fFrame, fBpm)).c_str(), context.fFrame);
}

void CollectRows(SEditorContext& context, const SLayout& layout)
{
    SEditorPanelState& state = PanelStateOf(context);
    state.vTrackRows.clear();
    COrvDemo& demo = context.pDocument->GetDemo();
    float fTop = layout.fWaveBottom;
    for (const SEditorObjectRef& ref : context.pSelection->GetObjects())
    {
        COrvModifiable* pObject = EditorFindObject(demo, ref);
        if (!pObject)
            continue;
        fTop += kRowHeight; // the object's own header row
        const COrvPropList& vProps = pObject->GetProperties();
        for (size_t i = 0; i < vProps.size(); ++i)
        {
            const SEditorPropRef prop{ref, i};
            if (!IsAnimated(*vProps[i]) && !(state.bHasCurve && state.curveProp == prop))
                continue;
            state.vTrackRows.push_back({prop, fTop, fTop + kRowHeight});
            fTop += kRowHeight;
        }
    }
}

void FitOnce(SEditorContext& context, const SLayout& layout, float fBpm)
{
    SEditorPanelState& state = PanelStateOf(context);
    state.scale.SetLeft(layout.fStripLeft);
    const float fWidth = layout.max.x - layout.fStripLeft;
    if (state.bScaleFitted || fWidth <= 1.0f)
        return;
    float fLast = kDefaultBars * kFramesPerBar;
    if (!state.waveform.IsEmpty())
        fLast = static_cast<float>(state.waveform.GetSeconds() / FrameToSeconds(1.0f, fBpm));
    state.scale.Show(0.0f, std::max(fLast, static_cast<float>(kFramesPerBar)), fWidth);
    state.bScaleFitted = true;
}

SLayout LayOut(const SEditorPanelState& state)
{
    SLayout layout;
    layout.min = ImGui::GetCursorScreenPos();
    const ImVec2 available = ImGui::GetContentRegionAvail();
    layout.max = ImVec2(layout.min.x + std::max(available.x, kHeaderWidth + 50.0f),
                        layout.min.y + std::max(available.y, 120.0f));
    layout.fStripLeft = layout.min.x + kHeaderWidth;
    layout.fRulerBottom = layout.min.y + kBarsHeight + kSecondsHeight;
    layout.fWaveBottom = layout.fRulerBottom + kWaveHeight;
    layout.fCurveTop = state.bCurves
                           ? std::max(layout.max.y - kCurveHeight, layout.fWaveBottom + 40.0f)
                           : layout.max.y;
    layout.fRowsBottom = layout.fCurveTop;
    return layout;
}
} // namespace
} // namespace orv::editor

void DrawTimelinePanel(SEditorContext& context)
{
    using namespace orv::editor;
    if (!context.pDocument || !context.pDocument->IsOpen() || !context.pSelection)
    {
        ImGui::TextDisabled("No demo open");
        return;
    }
    SEditorPanelState& state = PanelStateOf(context);
    const float fBpm = TempoOf(context.pDocument->GetDemo());
    UpdateWaveform(context);
    DrawToolbar(context, fBpm);
    const SLayout layout = LayOut(state);
    FitOnce(context, layout, fBpm);
    state.fTracksLeft = layout.fStripLeft;
    state.fTracksRight = layout.max.x;
    state.fRulerTop = layout.min.y;
    state.fRulerBottom = layout.fWaveBottom;
    CollectRows(context, layout);

    ImGui::InvisibleButton("timeline",
                           ImVec2(layout.max.x - layout.min.x, layout.max.y - layout.min.y),
                           ImGuiButtonFlags_MouseButtonLeft | ImGuiButtonFlags_MouseButtonMiddle);
    HandleTimelineMouse(context, layout);
    HandleTimelineKeys(context);

    ImDrawList* pDraw = ImGui::GetWindowDrawList();
    pDraw->PushClipRect(layout.min, layout.max, true);
    pDraw->AddRectFilled(ImVec2(layout.fStripLeft, layout.min.y),
                         ImVec2(layout.max.x, layout.fWaveBottom), IM_COL32(0, 0, 0, 60));
    DrawRuler(pDraw, layout, state.scale, fBpm);
    DrawWaveform(state, pDraw, layout, fBpm);
    pDraw->PushClipRect(ImVec2(layout.min.x, layout.fWaveBottom),
                        ImVec2(layout.max.x, layout.fRowsBottom), true);
    DrawRows(context, pDraw, layout);
    pDraw->PopClipRect();
    if (state.bCurves)
        DrawCurveView(context, ImVec2(layout.fStripLeft, layout.fCurveTop), layout.max);
    DrawPlayheadAndBookmarks(context, pDraw, layout);
    pDraw->PopClipRect();
}
