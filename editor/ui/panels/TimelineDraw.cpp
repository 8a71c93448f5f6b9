// Drawing the timeline: the ruler in bars:beats and seconds, the waveform, the key rows, the
// playhead, bookmarks and the selection box.
#include "EditorContext.h"
#include "EditorDocument.h"
#include "EditorSelection.h"
#include "PanelCommon.h"
#include "PanelState.h"
#include "TimelineParts.h"

#include "core/OrvModifiable.h"
#include "core/OrvPropBase.h"
#include "document/OrvDemo.h"

#include <algorithm>
#include <cmath>

namespace orv::editor
{
namespace
{
const ImU32 kKeyColour = IM_COL32(230, 170, 60, 255);
const ImU32 kSelectedKeyColour = IM_COL32(255, 255, 255, 255);
const ImU32 kPlayheadColour = IM_COL32(240, 70, 60, 255);
const ImU32 kBookmarkColour = IM_COL32(90, 170, 255, 255);
const ImU32 kLoopColour = IM_COL32(250, 200, 60, 90);
const ImU32 kLoopEdgeColour = IM_COL32(250, 200, 60, 200);
const ImU32 kWaveColour = IM_COL32(110, 150, 200, 200);
const ImU32 kLineColour = IM_COL32(255, 255, 255, 40);
const ImU32 kTextColour = IM_COL32(200, 200, 200, 255);

float KeyFrameShown(const SEditorPanelState& state, const SEditorContext& context,
                    const SEditorKeyRef& key)
{
    if (state.eDrag == ETimelineDrag::Keys && context.pSelection->IsSelected(key))
        return static_cast<float>(key.iFrame + state.iDragDelta);
    return static_cast<float>(key.iFrame);
}

void DrawKey(ImDrawList* pDraw, float fX, float fY, bool bSelected)
{
    const ImVec2 points[4] = {ImVec2(fX, fY - kKeyHalf), ImVec2(fX + kKeyHalf, fY),
                              ImVec2(fX, fY + kKeyHalf), ImVec2(fX - kKeyHalf, fY)};
    pDraw->AddConvexPolyFilled(points, 4, bSelected ? kSelectedKeyColour : kKeyColour);
    pDraw->AddPolyline(points, 4, IM_COL32(0, 0, 0, 200), ImDrawFlags_Closed, 1.0f);
}

void DrawRowKeys(SEditorContext& context, ImDrawList* pDraw, const SLayout& layout,
                 const SPanelTrackRow& row, COrvPropBase& prop)
{
    const SEditorPanelState& state = PanelStateOf(context);
    const float fY = (row.fTop + row.fBottom) * 0.5f;
    // Only the keys in view (and those dragged into it) are walked.
    const float fMargin =
        state.eDrag == ETimelineDrag::Keys ? std::fabs(static_cast<float>(state.iDragDelta)) : 0.0f;
    const float fFirst = state.scale.XToFrame(layout.fStripLeft - kKeyHalf) - fMargin;
    const float fLast = state.scale.XToFrame(layout.max.x + kKeyHalf) + fMargin;
    const COrvPropBase::KeyTrack& track = prop.GetTrack();
    for (auto it = track.lower_bound(static_cast<int>(std::clamp(fFirst, -2.0e9f, 2.0e9f)));
         it != track.end() && it->first <= fLast; ++it)
    {
        const SEditorKeyRef key{row.prop, it->first};
        const float fX = state.scale.FrameToX(KeyFrameShown(state, context, key));
        if (fX >= layout.fStripLeft - kKeyHalf && fX <= layout.max.x + kKeyHalf)
            DrawKey(pDraw, fX, fY, context.pSelection->IsSelected(key));
    }
}

} // namespace

void DrawRuler(ImDrawList* pDraw, const SLayout& layout, const CTimelineScale& scale, float fBpm)
{
    const int iStep = scale.LabelStep(56.0f);
    const float fFirst = std::floor(scale.XToFrame(layout.fStripLeft) / iStep) * iStep;
    for (float fFrame = fFirst; scale.FrameToX(fFrame) <= layout.max.x; fFrame += iStep)
    {
        const float fX = scale.FrameToX(fFrame);
        if (fX < layout.fStripLeft)
            continue;
        pDraw->AddLine(ImVec2(fX, layout.min.y), ImVec2(fX, layout.min.y + kBarsHeight),
                       kLineColour);
        pDraw->AddText(ImVec2(fX + 3.0f, layout.min.y + 2.0f), kTextColour,
                       FormatBarsBeats(fFrame, iStep < kFramesPerBeat).c_str());
    }
    const double dSecondsPerPixel = FrameToSeconds(1.0f, fBpm) / scale.GetPixelsPerFrame();
    const double dSteps[] = {0.1, 0.25, 0.5, 1.0, 2.0, 5.0, 10.0, 15.0, 30.0, 60.0, 120.0, 300.0};
    double dStep = 600.0;
    for (double d : dSteps)
        if (d / dSecondsPerPixel >= 64.0)
        {
            dStep = d;
            break;
        }
    const double dFrom = FrameToSeconds(scale.XToFrame(layout.fStripLeft), fBpm);
    const double dFramesPerSecond = 1.0 / FrameToSeconds(1.0f, fBpm);
    for (double d = std::floor(dFrom / dStep) * dStep;; d += dStep)
    {
        const float fX = scale.FrameToX(static_cast<float>(d * dFramesPerSecond));
        if (fX > layout.max.x)
            break;
        if (fX < layout.fStripLeft)
            continue;
        const float fTop = layout.min.y + kBarsHeight;
        pDraw->AddLine(ImVec2(fX, fTop), ImVec2(fX, fTop + 4.0f), kLineColour);
        pDraw->AddText(ImVec2(fX + 3.0f, fTop), IM_COL32(150, 150, 150, 255),
                       FormatSeconds(d).c_str());
    }
}

void DrawWaveform(SEditorPanelState& state, ImDrawList* pDraw, const SLayout& layout, float fBpm)
{
    const float fMid = (layout.fRulerBottom + layout.fWaveBottom) * 0.5f;
    const float fHalf = kWaveHeight * 0.5f - 2.0f;
    if (state.waveform.IsEmpty())
    {
        pDraw->AddText(ImVec2(layout.fStripLeft + 4.0f, fMid - 7.0f), IM_COL32(120, 120, 120, 255),
                       "no music");
        return;
    }
    for (float fX = layout.fStripLeft; fX < layout.max.x; fX += 1.0f)
    {
        const double dFrom = FrameToSeconds(state.scale.XToFrame(fX), fBpm);
        const double dTo = FrameToSeconds(state.scale.XToFrame(fX + 1.0f), fBpm);
        float fMin = 0.0f;
        float fMax = 0.0f;
        if (state.waveform.GetRange(dFrom, dTo, fMin, fMax))
            pDraw->AddLine(ImVec2(fX, fMid - fMax * fHalf), ImVec2(fX, fMid - fMin * fHalf + 1.0f),
                           kWaveColour);
    }
}

void DrawRows(SEditorContext& context, ImDrawList* pDraw, const SLayout& layout)
{
    SEditorPanelState& state = PanelStateOf(context);
    COrvDemo& demo = context.pDocument->GetDemo();
    SEditorObjectRef lastObject{EEditorList::Music, static_cast<size_t>(-1)};
    for (const SPanelTrackRow& row : state.vTrackRows)
    {
        COrvPropBase* pProp = EditorFindProp(demo, row.prop);
        if (!pProp)
            continue;
        if (!(row.prop.object == lastObject))
        {
            lastObject = row.prop.object;
            if (COrvModifiable* pObject = EditorFindObject(demo, row.prop.object))
                pDraw->AddText(ImVec2(layout.min.x + 2.0f, row.fTop - kRowHeight + 2.0f),
                               IM_COL32(255, 255, 255, 255), pObject->GetName().c_str());
        }
        const bool bCurve = state.bHasCurve && state.curveProp == row.prop;
        pDraw->AddRectFilled(ImVec2(layout.min.x, row.fTop), ImVec2(layout.max.x, row.fBottom),
                             bCurve ? IM_COL32(255, 255, 255, 24) : IM_COL32(255, 255, 255, 8));
        pDraw->AddText(ImVec2(layout.min.x + 12.0f, row.fTop + 2.0f), kTextColour,
                       PropertyLabel(*pProp).c_str());
        DrawRowKeys(context, pDraw, layout, row, *pProp);
    }
}

namespace
{
// The transport's loop: a band across the ruler, its ends marked down the whole timeline.
void DrawLoop(const SEditorContext& context, ImDrawList* pDraw, const SLayout& layout,
              const CTimelineScale& scale)
{
    if (!context.bLoop)
        return;
    const float fStart = std::max(scale.FrameToX(context.fLoopStart), layout.fStripLeft);
    const float fEnd = std::min(scale.FrameToX(context.fLoopEnd), layout.max.x);
    if (fEnd <= fStart)
        return;
    pDraw->AddRectFilled(ImVec2(fStart, layout.min.y), ImVec2(fEnd, layout.fRulerBottom),
                         kLoopColour);
    pDraw->AddRectFilled(ImVec2(fStart, layout.fRulerBottom), ImVec2(fEnd, layout.max.y),
                         IM_COL32(250, 200, 60, 18));
    for (float fX : {scale.FrameToX(context.fLoopStart), scale.FrameToX(context.fLoopEnd)})
        if (fX >= layout.fStripLeft && fX <= layout.max.x)
            pDraw->AddLine(ImVec2(fX, layout.min.y), ImVec2(fX, layout.max.y), kLoopEdgeColour);
}
} // namespace

void DrawPlayheadAndBookmarks(SEditorContext& context, ImDrawList* pDraw, const SLayout& layout)
{
    const SEditorPanelState& state = PanelStateOf(context);
    DrawLoop(context, pDraw, layout, state.scale);
    for (int iMark : context.pDocument->GetBookmarks())
    {
        const float fX = state.scale.FrameToX(static_cast<float>(iMark));
        if (fX < layout.fStripLeft || fX > layout.max.x)
            continue;
        pDraw->AddTriangleFilled(ImVec2(fX - 5.0f, layout.min.y), ImVec2(fX + 5.0f, layout.min.y),
                                 ImVec2(fX, layout.min.y + 8.0f), kBookmarkColour);
        pDraw->AddLine(ImVec2(fX, layout.min.y), ImVec2(fX, layout.max.y),
                       IM_COL32(90, 170, 255, 60));
    }
    const float fX = state.scale.FrameToX(context.fFrame);
    if (fX >= layout.fStripLeft && fX <= layout.max.x)
        pDraw->AddLine(ImVec2(fX, layout.min.y), ImVec2(fX, layout.max.y), kPlayheadColour, 2.0f);
    if (state.eDrag == ETimelineDrag::Box)
    {
        const ImVec2 mouse = ImGui::GetIO().MousePos;
        pDraw->AddRectFilled(state.dragStart, mouse, IM_COL32(120, 160, 255, 40));
        pDraw->AddRect(state.dragStart, mouse, IM_COL32(120, 160, 255, 160));
    }
}
} // namespace orv::editor
