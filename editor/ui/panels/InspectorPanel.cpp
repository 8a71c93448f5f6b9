// The inspector: every property of the selected objects, by display name in the object's
// order, with its key controls (previous key, key here / add key, next key) and a widget for
// its value at the current position.
#include "EditorContext.h"
#include "EditorDocument.h"
#include "EditorPanels.h"
#include "EditorSelection.h"
#include "ObjectListPanel.h"
#include "PanelCommon.h"
#include "PanelState.h"
#include "PropertyWidgets.h"

#include "core/OrvModifiable.h"
#include "core/OrvPropBase.h"
#include "document/OrvDemo.h"

#include <imgui.h>

#include <algorithm>

namespace orv::editor
{
namespace
{
const ImVec4 kAnimatedColour(1.0f, 0.7f, 0.25f, 1.0f);
const ImVec4 kProblemColour(1.0f, 0.45f, 0.35f, 1.0f);
constexpr float kKeyColumnWidth = 64.0f;

// A diamond button: filled when a key sits at the frame (a click deletes it), hollow
// otherwise (a click adds a key holding the value there).
void DrawKeyButton(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop,
                   SPanelPropertyRow& row)
{
    const int iFrame = COrvPropBase::KeyFrameOf(context.fFrame);
    const bool bKeyHere = prop.GetTrack().count(iFrame) != 0;
    const float fSize = ImGui::GetFrameHeight();
    const ImVec2 position = ImGui::GetCursorScreenPos();
    if (ImGui::InvisibleButton("key", ImVec2(fSize, fSize)))
    {
        if (bKeyHere)
            RunCommand(context, EditorDeleteKeys({SEditorKeyRef{ref, iFrame}}));
        else
            RunCommand(context, EditorAddKeyHere(ref, iFrame));
    }
    row.keyMin = ImGui::GetItemRectMin();
    row.keyMax = ImGui::GetItemRectMax();
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip(bKeyHere ? "Delete the key here" : "Add a key here");
    const float fHalf = fSize * 0.3f;
    const ImVec2 c(position.x + fSize * 0.5f, position.y + fSize * 0.5f);
    const ImVec2 points[4] = {ImVec2(c.x, c.y - fHalf), ImVec2(c.x + fHalf, c.y),
                              ImVec2(c.x, c.y + fHalf), ImVec2(c.x - fHalf, c.y)};
    const ImU32 colour = ImGui::GetColorU32(bKeyHere || ImGui::IsItemHovered()
                                                ? kAnimatedColour
                                                : ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
    ImDrawList* pDraw = ImGui::GetWindowDrawList();
    if (bKeyHere)
        pDraw->AddConvexPolyFilled(points, 4, colour);
    else
        pDraw->AddPolyline(points, 4, colour, ImDrawFlags_Closed, 1.5f);
}

void DrawKeyControls(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop,
                     SPanelPropertyRow& row)
{
    if (!prop.GetAnimable())
        return;
    int iPrevious = 0;
    int iNext = 0;
    const bool bPrevious = PreviousKeyFrame(prop, context.fFrame, iPrevious);
    const bool bNext = NextKeyFrame(prop, context.fFrame, iNext);
    ImGui::BeginDisabled(!bPrevious);
    if (ImGui::ArrowButton("previous", ImGuiDir_Left))
        context.fFrame = static_cast<float>(iPrevious);
    ImGui::EndDisabled();
    ImGui::SameLine(0.0f, 2.0f);
    DrawKeyButton(context, ref, prop, row);
    ImGui::SameLine(0.0f, 2.0f);
    ImGui::BeginDisabled(!bNext);
    if (ImGui::ArrowButton("next", ImGuiDir_Right))
        context.fFrame = static_cast<float>(iNext);
    ImGui::EndDisabled();
}

void DrawLabelMenu(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop)
{
    if (!ImGui::BeginPopupContextItem("label"))
        return;
    if (ImGui::MenuItem("Animable", nullptr, prop.GetAnimable()))
        RunCommand(context, EditorSetAnimable(ref, !prop.GetAnimable()));
    if (ImGui::MenuItem("Show in the curve view", nullptr, false, IsAnimated(prop)))
    {
        SEditorPanelState& state = PanelStateOf(context);
        state.bHasCurve = true;
        state.curveProp = ref;
        state.bCurves = true;
    }
    ImGui::EndPopup();
}

void DrawLabel(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop)
{
    const bool bAnimated = IsAnimated(prop);
    if (bAnimated)
        ImGui::PushStyleColor(ImGuiCol_Text, kAnimatedColour);
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(PropertyLabel(prop).c_str());
    if (bAnimated)
        ImGui::PopStyleColor();
    if (ImGui::IsItemHovered())
    {
        if (!prop.GetAnimable())
            ImGui::SetTooltip("Not animable: an edit changes its value everywhere");
        else if (bAnimated)
            ImGui::SetTooltip("Animated: %zu keys; an edit writes a key at this frame",
                              prop.GetTrack().size());
        else
            ImGui::SetTooltip("Animable, no keys yet: an edit writes the first key here");
    }
    DrawLabelMenu(context, ref, prop);
}

void DrawObject(SEditorContext& context, const SEditorObjectRef& ref, COrvModifiable& object)
{
    ImGui::PushStyleColor(ImGuiCol_Text, kProblemColour);
    for (const ORV_LoadProblem& problem : ProblemsOf(*context.pDocument, object))
        ImGui::TextWrapped("%s", problem.Describe().c_str());
    ImGui::PopStyleColor();
    if (!ImGui::BeginTable("properties", 3, ImGuiTableFlags_SizingStretchProp))
        return;
    ImGui::TableSetupColumn("keys", ImGuiTableColumnFlags_WidthFixed, kKeyColumnWidth);
    ImGui::TableSetupColumn("name", ImGuiTableColumnFlags_WidthStretch, 1.0f);
    ImGui::TableSetupColumn("value", ImGuiTableColumnFlags_WidthStretch, 2.0f);
    const COrvPropList& vProps = object.GetProperties();
    for (size_t i = 0; i < vProps.size(); ++i)
    {
        const SEditorPropRef propRef{ref, i};
        COrvPropBase& prop = *vProps[i];
        ImGui::PushID(static_cast<int>(i));
        ImGui::TableNextRow();
        SPanelPropertyRow row{propRef, {}, {}, {}, {}};
        ImGui::TableSetColumnIndex(0);
        DrawKeyControls(context, propRef, prop, row);
        ImGui::TableSetColumnIndex(1);
        DrawLabel(context, propRef, prop);
        ImGui::TableSetColumnIndex(2);
        row.valueMin = ImGui::GetCursorScreenPos();
        DrawPropertyWidget(context, propRef, prop, ClassifyProperty(prop, object.GetClass()));
        row.valueMax = ImGui::GetItemRectMax();
        PanelStateOf(context).vPropertyRows.push_back(row);
        ImGui::PopID();
    }
    ImGui::EndTable();
}
} // namespace
} // namespace orv::editor

void DrawInspectorPanel(SEditorContext& context)
{
    using namespace orv::editor;
    if (!context.pDocument || !context.pDocument->IsOpen() || !context.pSelection)
    {
        ImGui::TextDisabled("No demo open");
        return;
    }
    SEditorPanelState& state = PanelStateOf(context);
    state.vPropertyRows.clear();
    const std::vector<SEditorObjectRef> vObjects = context.pSelection->GetObjects();
    // A value being typed into an object no longer shown is dropped, not kept for later.
    const auto shown = [&vObjects](const SEditorPropRef& prop)
    { return std::find(vObjects.begin(), vObjects.end(), prop.object) != vObjects.end(); };
    state.bTyping = state.bTyping && shown(state.typing);
    state.bTextEditing = state.bTextEditing && shown(state.textEditing);
    if (vObjects.empty())
    {
        ImGui::TextDisabled("Select a layer or a resource to see its properties");
        return;
    }
    COrvDemo& demo = context.pDocument->GetDemo();
    for (const SEditorObjectRef& ref : vObjects)
    {
        COrvModifiable* pObject = EditorFindObject(demo, ref);
        if (!pObject)
            continue;
        ImGui::PushID(static_cast<int>(ref.eList));
        ImGui::PushID(static_cast<int>(ref.uIndex));
        const std::string sTitle =
            pObject->GetName() + " (" + ShortClassName(pObject->GetClass()) + ")###object";
        if (ImGui::CollapsingHeader(sTitle.c_str(), ImGuiTreeNodeFlags_DefaultOpen))
            DrawObject(context, ref, *pObject);
        ImGui::PopID();
        ImGui::PopID();
    }
}
