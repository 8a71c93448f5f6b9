#include "CurveView.h"

#include "EditorContext.h"
#include "EditorDocument.h"
#include "EditorSelection.h"
#include "PanelCommon.h"
#include "PanelState.h"

#include "core/OrvPropBase.h"
#include "document/OrvDemo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orv::editor
{
namespace
{
constexpr float kSampleStep = 2.0f; // pixels between sampled frames
constexpr float kHandleHalf = 4.0f;
const ImU32 kComponentColours[3] = {IM_COL32(240, 110, 100, 255), IM_COL32(120, 220, 120, 255),
                                    IM_COL32(120, 160, 255, 255)};

// The numbers of a value: one for numbers, three for vectors, none for the other types.
size_t Components(const SEditorValue& value, float fOut[3])
{
    if (const auto* pFloat = std::get_if<float>(&value))
    {
        fOut[0] = *pFloat;
        return 1;
    }
    if (const auto* pInt = std::get_if<int>(&value))
    {
        fOut[0] = static_cast<float>(*pInt);
        return 1;
    }
    if (const auto* pVector = std::get_if<D3DXVECTOR3>(&value))
    {
        fOut[0] = pVector->x;
        fOut[1] = pVector->y;
        fOut[2] = pVector->z;
        return 3;
    }
    return 0;
}

COrvPropBase* CurveProp(SEditorContext& context)
{
    const SEditorPanelState& state = PanelStateOf(context);
    if (!state.bHasCurve)
        return nullptr;
    return EditorFindProp(context.pDocument->GetDemo(), state.curveProp);
}

float ValueToY(const SEditorPanelState& state, float fValue)
{
    const float fSpan = state.fCurveHigh - state.fCurveLow;
    return state.curveMax.y - 4.0f -
           (fValue - state.fCurveLow) / fSpan * (state.curveMax.y - state.curveMin.y - 8.0f);
}

float YToValue(const SEditorPanelState& state, float fY)
{
    const float fSpan = state.fCurveHigh - state.fCurveLow;
    return state.fCurveLow +
           (state.curveMax.y - 4.0f - fY) / (state.curveMax.y - state.curveMin.y - 8.0f) * fSpan;
}

// Samples the engine's values across the view, and sets the value range to what they and
// the keys span (kept while a handle is dragged, so the handle stays under the pointer).
void Sample(SEditorPanelState& state, const COrvPropBase& prop)
{
    state.vCurveFrames.clear();
    state.vCurveValues.clear();
    state.uCurveComponents = 0;
    float fLow = INFINITY;
    float fHigh = -INFINITY;
    for (float fX = state.curveMin.x; fX <= state.curveMax.x; fX += kSampleStep)
    {
        const float fFrame = state.scale.XToFrame(fX);
        SEditorValue value;
        float fParts[3];
        size_t uParts = 0;
        if (!EditorReadValueAt(prop, fFrame, value) || (uParts = Components(value, fParts)) == 0)
            return;
        state.uCurveComponents = uParts;
        state.vCurveFrames.push_back(fFrame);
        for (size_t c = 0; c < uParts; ++c)
        {
            state.vCurveValues.push_back(fParts[c]);
            if (!std::isfinite(fParts[c]))
                continue;
            fLow = std::min(fLow, fParts[c]);
            fHigh = std::max(fHigh, fParts[c]);
        }
    }
    if (state.eDrag == ETimelineDrag::CurveHandle || !std::isfinite(fLow) || !std::isfinite(fHigh))
        return;
    const float fMargin = std::max((fHigh - fLow) * 0.1f, 0.05f);
    state.fCurveLow = fLow - fMargin;
    state.fCurveHigh = fHigh + fMargin;
}

// Each component as a line through its samples; where the engine's value is not a finite
// number (before a first key that sits at frame 0, for one) the line breaks.
void DrawCurves(const SEditorPanelState& state, ImDrawList* pDraw)
{
    const size_t uCount = state.vCurveFrames.size();
    std::vector<ImVec2> vPoints;
    vPoints.reserve(uCount);
    for (size_t c = 0; c < state.uCurveComponents; ++c)
    {
        for (size_t i = 0; i <= uCount; ++i)
        {
            const float fValue =
                i < uCount ? state.vCurveValues[i * state.uCurveComponents + c] : NAN;
            if (std::isfinite(fValue))
            {
                vPoints.emplace_back(state.scale.FrameToX(state.vCurveFrames[i]),
                                     ValueToY(state, fValue));
                continue;
            }
            if (vPoints.size() > 1)
                pDraw->AddPolyline(vPoints.data(), static_cast<int>(vPoints.size()),
                                   kComponentColours[c], ImDrawFlags_None, 1.5f);
            vPoints.clear();
        }
    }
}

void DrawHandles(SEditorContext& context, const COrvPropBase& prop, ImDrawList* pDraw)
{
    const SEditorPanelState& state = PanelStateOf(context);
    for (const auto& entry : prop.GetTrack())
    {
        const float fX = state.scale.FrameToX(static_cast<float>(entry.first));
        if (fX < state.curveMin.x - kHandleHalf || fX > state.curveMax.x + kHandleHalf)
            continue;
        SEditorValue value;
        float fParts[3];
        if (!EditorReadKey(prop, entry.first, value))
            continue;
        const size_t uParts = Components(value, fParts);
        const bool bSelected =
            context.pSelection->IsSelected(SEditorKeyRef{state.curveProp, entry.first});
        for (size_t c = 0; c < uParts; ++c)
        {
            const float fY = ValueToY(state, fParts[c]);
            pDraw->AddRectFilled(ImVec2(fX - kHandleHalf, fY - kHandleHalf),
                                 ImVec2(fX + kHandleHalf, fY + kHandleHalf),
                                 bSelected ? IM_COL32(255, 255, 255, 255) : kComponentColours[c]);
        }
    }
}
} // namespace

void DrawCurveView(SEditorContext& context, const ImVec2& min, const ImVec2& max)
{
    SEditorPanelState& state = PanelStateOf(context);
    state.curveMin = min;
    state.curveMax = max;
    ImDrawList* pDraw = ImGui::GetWindowDrawList();
    pDraw->AddRectFilled(min, max, IM_COL32(0, 0, 0, 80));
    COrvPropBase* pProp = CurveProp(context);
    if (!pProp)
    {
        pDraw->AddText(ImVec2(min.x + 6.0f, min.y + 6.0f), IM_COL32(150, 150, 150, 255),
                       "Click a track's name to see its curve");
        return;
    }
    Sample(state, *pProp);
    if (state.uCurveComponents == 0)
    {
        pDraw->AddText(ImVec2(min.x + 6.0f, min.y + 6.0f), IM_COL32(150, 150, 150, 255),
                       "Only number and vector tracks have curves");
        return;
    }
    char szRange[64];
    std::snprintf(szRange, sizeof(szRange), "%.3g", state.fCurveHigh);
    pDraw->AddText(ImVec2(min.x - 60.0f, min.y), IM_COL32(150, 150, 150, 255), szRange);
    std::snprintf(szRange, sizeof(szRange), "%.3g", state.fCurveLow);
    pDraw->AddText(ImVec2(min.x - 60.0f, max.y - 14.0f), IM_COL32(150, 150, 150, 255), szRange);
    pDraw->PushClipRect(min, max, true);
    DrawCurves(state, pDraw);
    DrawHandles(context, *pProp, pDraw);
    pDraw->PopClipRect();
}

bool PressCurveView(SEditorContext& context, const ImVec2& point)
{
    SEditorPanelState& state = PanelStateOf(context);
    COrvPropBase* pProp = CurveProp(context);
    if (!pProp)
        return false;
    for (const auto& entry : pProp->GetTrack())
    {
        SEditorValue value;
        float fParts[3];
        if (std::fabs(state.scale.FrameToX(static_cast<float>(entry.first)) - point.x) >
                kHandleHalf + 1.0f ||
            !EditorReadKey(*pProp, entry.first, value))
            continue;
        const size_t uParts = Components(value, fParts);
        for (size_t c = 0; c < uParts; ++c)
            if (std::fabs(ValueToY(state, fParts[c]) - point.y) <= kHandleHalf + 1.0f)
            {
                state.curveHandle = SEditorKeyRef{state.curveProp, entry.first};
                state.iCurveHandleComponent = static_cast<int>(c);
                context.pSelection->ClearKeys();
                context.pSelection->SelectKey(state.curveHandle);
                return true;
            }
    }
    return false;
}

void DragCurveHandle(SEditorContext& context, const ImVec2& point)
{
    SEditorPanelState& state = PanelStateOf(context);
    COrvPropBase* pProp = EditorFindProp(context.pDocument->GetDemo(), state.curveHandle.prop);
    SEditorValue value;
    if (!pProp || !EditorReadKey(*pProp, state.curveHandle.iFrame, value))
        return;
    const float fValue = YToValue(state, point.y);
    if (auto* pFloat = std::get_if<float>(&value))
        *pFloat = fValue;
    else if (auto* pInt = std::get_if<int>(&value))
        *pInt = static_cast<int>(std::lround(std::clamp(fValue, -2.0e9f, 2.0e9f)));
    else if (auto* pVector = std::get_if<D3DXVECTOR3>(&value))
        (state.iCurveHandleComponent == 0   ? pVector->x
         : state.iCurveHandleComponent == 1 ? pVector->y
                                            : pVector->z) = fValue;
    else
        return;
    RunLiveCommand(context, EditorAddKey(state.curveHandle.prop, state.curveHandle.iFrame, value));
}
} // namespace orv::editor
