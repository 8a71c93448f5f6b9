#include "ObjectListPanel.h"

#include "EditorContext.h"
#include "EditorDocument.h"
#include "EditorPanels.h"
#include "EditorSelection.h"
#include "PanelCommon.h"
#include "PanelState.h"

#include "audio/OrvMusic.h"
#include "core/OrvProp.h"
#include "document/OrvDemo.h"
#include "graphics/OrvResTexture.h"
#include "graphics/OrvResource.h"
#include "layers/OrvLayer.h"

#include <imgui.h>

#include <algorithm>
#include <cstring>

namespace orv::editor
{
namespace
{
const ImVec4 kProblemColour(1.0f, 0.45f, 0.35f, 1.0f);
constexpr float kThumbnailHeight = 32.0f;

std::vector<SPanelObjectRow>& RowsOf(SEditorPanelState& state, EEditorList eList)
{
    return eList == EEditorList::Layers ? state.vLayerRows : state.vResourceRows;
}

size_t CountOf(COrvDemo& demo, EEditorList eList)
{
    return eList == EEditorList::Layers ? demo.GetLayers().size() : demo.GetResources().size();
}

void SelectAffected(SEditorContext& context)
{
    SEditorObjectRef ref;
    if (context.pSelection && context.pDocument->GetLastAffected(ref))
        context.pSelection->SelectObject(ref);
}

// The selected objects of the list.
std::vector<SEditorObjectRef> SelectedOf(const SEditorContext& context, EEditorList eList)
{
    std::vector<SEditorObjectRef> vRefs;
    if (!context.pSelection)
        return vRefs;
    for (const SEditorObjectRef& ref : context.pSelection->GetObjects())
        if (ref.eList == eList)
            vRefs.push_back(ref);
    return vRefs;
}

// Every selected object of the list goes in one undo step.
void DeleteSelected(SEditorContext& context, EEditorList eList)
{
    RunCommand(context, EditorDeleteAll(SelectedOf(context, eList)));
}

void DuplicateSelected(SEditorContext& context, EEditorList eList)
{
    if (RunCommand(context, EditorDuplicateAll(SelectedOf(context, eList))))
        SelectAffected(context);
}

void DrawAddMenu(SEditorContext& context, EEditorList eList)
{
    if (ImGui::Button("Add"))
        ImGui::OpenPopup("add");
    SEditorPanelState& state = PanelStateOf(context);
    const int iList = eList == EEditorList::Layers ? 0 : 1;
    state.addButtonMin[iList] = ImGui::GetItemRectMin();
    state.addButtonMax[iList] = ImGui::GetItemRectMax();
    if (!ImGui::BeginPopup("add"))
        return;
    const bool bLayers = eList == EEditorList::Layers;
    for (int i = 0; i < static_cast<int>(EEditorFactory::Count); ++i)
    {
        const auto eFactory = static_cast<EEditorFactory>(i);
        if (EditorFactoryIsLayer(eFactory) != bLayers)
            continue;
        if (ImGui::MenuItem(EditorFactoryLabel(eFactory)) &&
            RunCommand(context, EditorAddObject(eFactory, context.fFrame)))
            SelectAffected(context);
    }
    ImGui::EndPopup();
}

void DrawToolbar(SEditorContext& context, EEditorList eList)
{
    DrawAddMenu(context, eList);
    const bool bAny = !SelectedOf(context, eList).empty();
    ImGui::SameLine();
    ImGui::BeginDisabled(!bAny);
    if (ImGui::Button("Duplicate"))
        DuplicateSelected(context, eList);
    ImGui::SameLine();
    if (ImGui::Button("Delete"))
        DeleteSelected(context, eList);
    ImGui::EndDisabled();
}

void DrawThumbnail(const SEditorContext& context, COrvModifiable& object)
{
    auto* pTexture = dynamic_cast<COrvResTexture*>(&object);
    if (!context.pDevice || !pTexture || !pTexture->GetTexture())
        return;
    UINT uWidth = 1;
    UINT uHeight = 1;
    if (!pTexture->GetSourceSize(uWidth, uHeight) || uWidth == 0 || uHeight == 0)
        uWidth = uHeight = 1;
    const float fWidth = std::min(kThumbnailHeight * uWidth / uHeight, 4.0f * kThumbnailHeight);
    ImGui::Image(static_cast<ImTextureID>(pTexture->GetTexture()),
                 ImVec2(fWidth, kThumbnailHeight));
    ImGui::SameLine();
}

void DrawVisibleBox(SEditorContext& context, const SEditorObjectRef& ref, COrvModifiable& object)
{
    auto* pLayer = dynamic_cast<COrvLayer*>(&object);
    if (!pLayer)
        return;
    bool bVisible = true;
    for (COrvPropBase* pProp : object.GetProperties())
    {
        SEditorValue value;
        if (pProp->GetPropId() == ORV_PROP_VISIBLE &&
            EditorReadValueAt(*pProp, context.fFrame, value))
            bVisible = std::get<bool>(value);
    }
    if (ImGui::Checkbox("##visible", &bVisible))
        RunCommand(context, EditorSetVisible(ref, context.fFrame, bVisible));
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("Show or hide the layer");
    ImGui::SameLine();
}

void CommitRename(SEditorContext& context)
{
    SEditorPanelState& state = PanelStateOf(context);
    state.bRenaming = false;
    state.iRenameEndFrame = ImGui::GetFrameCount();
    COrvModifiable* pObject = EditorFindObject(context.pDocument->GetDemo(), state.renaming);
    if (pObject && pObject->GetName() != state.szRename)
        RunCommand(context, EditorRename(state.renaming, state.szRename));
}

void StartRename(SEditorContext& context, const SEditorObjectRef& ref, COrvModifiable& object)
{
    SEditorPanelState& state = PanelStateOf(context);
    state.bRenaming = true;
    state.renaming = ref;
    std::snprintf(state.szRename, sizeof(state.szRename), "%s", object.GetName().c_str());
    state.bTextEditing = false;
}

void DrawRenameField(SEditorContext& context)
{
    SEditorPanelState& state = PanelStateOf(context);
    ImGui::SetNextItemWidth(-1.0f);
    if (!ImGui::IsAnyItemActive())
        ImGui::SetKeyboardFocusHere();
    const bool bEnter =
        ImGui::InputText("##rename", state.szRename, sizeof(state.szRename),
                         ImGuiInputTextFlags_EnterReturnsTrue | ImGuiInputTextFlags_AutoSelectAll);
    if (bEnter || ImGui::IsItemDeactivatedAfterEdit())
        CommitRename(context);
    else if (ImGui::IsItemDeactivated())
    {
        state.bRenaming = false; // Escape or a click elsewhere without a change
        state.iRenameEndFrame = ImGui::GetFrameCount();
    }
}

void ClickRow(SEditorContext& context, const SEditorObjectRef& ref)
{
    if (!context.pSelection)
        return;
    if (ImGui::GetIO().KeyCtrl)
        context.pSelection->ToggleObject(ref);
    else
        context.pSelection->SelectObject(ref);
}

void DrawProblems(const std::vector<ORV_LoadProblem>& vProblems)
{
    ImGui::PushStyleColor(ImGuiCol_Text, kProblemColour);
    for (const ORV_LoadProblem& problem : vProblems)
        ImGui::TextWrapped("  %s", problem.Describe().c_str());
    ImGui::PopStyleColor();
}

void DrawRow(SEditorContext& context, const SEditorObjectRef& ref, COrvModifiable& object)
{
    SEditorPanelState& state = PanelStateOf(context);
    ImGui::PushID(static_cast<int>(ref.eList));
    ImGui::PushID(static_cast<int>(ref.uIndex));
    DrawVisibleBox(context, ref, object);
    DrawThumbnail(context, object);
    const std::vector<ORV_LoadProblem> vProblems = ProblemsOf(*context.pDocument, object);
    const std::string sName = object.GetName();
    if (state.bRenaming && state.renaming == ref)
        DrawRenameField(context);
    else
    {
        const bool bSelected = context.pSelection && context.pSelection->IsSelected(ref);
        const std::string sLabel = (vProblems.empty() ? "" : "(!) ") + sName + "##row";
        if (!vProblems.empty())
            ImGui::PushStyleColor(ImGuiCol_Text, kProblemColour);
        if (ImGui::Selectable(sLabel.c_str(), bSelected, ImGuiSelectableFlags_AllowDoubleClick))
            ClickRow(context, ref);
        if (!vProblems.empty())
            ImGui::PopStyleColor();
        if (ImGui::IsItemHovered() && ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left))
            StartRename(context, ref, object);
        if (ImGui::IsItemActive() && ImGui::IsMouseDragging(ImGuiMouseButton_Left) &&
            ref.eList != EEditorList::Music && !state.bReordering)
        {
            state.bReordering = true;
            state.reordering = ref;
        }
        if (ImGui::IsItemHovered())
            ImGui::SetTooltip("%s", ShortClassName(object.GetClass()).c_str());
    }
    RowsOf(state, ref.eList).push_back({ref, ImGui::GetItemRectMin(), ImGui::GetItemRectMax()});
    if (!vProblems.empty())
        DrawProblems(vProblems);
    ImGui::PopID();
    ImGui::PopID();
}

// The place between rows the mouse is at: the number of rows whose middle is above it.
size_t DropSlot(const std::vector<SPanelObjectRow>& vRows, float fMouseY)
{
    size_t uSlot = 0;
    for (const SPanelObjectRow& row : vRows)
        if (row.object.eList != EEditorList::Music && (row.min.y + row.max.y) * 0.5f < fMouseY)
            uSlot = row.object.uIndex + 1;
    return uSlot;
}

void DrawReorder(SEditorContext& context, EEditorList eList)
{
    SEditorPanelState& state = PanelStateOf(context);
    if (!state.bReordering || state.reordering.eList != eList)
        return;
    const std::vector<SPanelObjectRow>& vRows = RowsOf(state, eList);
    const ImGuiIO& io = ImGui::GetIO();
    state.uDropSlot = DropSlot(vRows, io.MousePos.y);
    float fLineY = 0.0f;
    for (const SPanelObjectRow& row : vRows)
        if (row.object.eList == eList && row.object.uIndex + 1 == state.uDropSlot)
            fLineY = row.max.y;
        else if (row.object.eList == eList && row.object.uIndex == 0 && state.uDropSlot == 0)
            fLineY = row.min.y;
    const float fLeft = ImGui::GetWindowPos().x;
    ImGui::GetWindowDrawList()->AddLine(ImVec2(fLeft, fLineY),
                                        ImVec2(fLeft + ImGui::GetWindowWidth(), fLineY),
                                        ImGui::GetColorU32(ImGuiCol_DragDropTarget), 2.0f);
    if (io.MouseDown[ImGuiMouseButton_Left])
        return;
    state.bReordering = false;
    const size_t uFrom = state.reordering.uIndex;
    if (state.uDropSlot == uFrom || state.uDropSlot == uFrom + 1)
        return;
    if (RunCommand(context, EditorReorder(state.reordering, state.uDropSlot)))
        SelectAffected(context);
}

void HandleKeys(SEditorContext& context, EEditorList eList)
{
    SEditorPanelState& state = PanelStateOf(context);
    // The Enter that ended a rename does not start another.
    if (!ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows) || state.bRenaming ||
        ImGui::IsAnyItemActive() || state.iRenameEndFrame == ImGui::GetFrameCount())
        return;
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Delete), false))
        DeleteSelected(context, eList);
    const std::vector<SEditorObjectRef> vSelected = SelectedOf(context, eList);
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter), false) && vSelected.size() == 1)
        if (COrvModifiable* pObject = EditorFindObject(context.pDocument->GetDemo(), vSelected[0]))
            StartRename(context, vSelected[0], *pObject);
}
} // namespace

std::string ShortClassName(const std::string& sClass)
{
    for (const char* pPrefix : {"COrvLayerPP", "COrvLayer", "COrvRes", "COrv"})
        if (sClass.rfind(pPrefix, 0) == 0 && sClass.size() > std::strlen(pPrefix))
            return sClass.substr(std::strlen(pPrefix));
    return sClass;
}

void DrawObjectList(SEditorContext& context, EEditorList eList)
{
    if (!context.pDocument || !context.pDocument->IsOpen())
    {
        ImGui::TextDisabled("No demo open");
        return;
    }
    SEditorPanelState& state = PanelStateOf(context);
    RowsOf(state, eList).clear();
    DrawToolbar(context, eList);
    COrvDemo& demo = context.pDocument->GetDemo();
    if (eList == EEditorList::Resources && demo.GetMusic())
        DrawRow(context, SEditorObjectRef{EEditorList::Music, 0}, *demo.GetMusic());
    const size_t uCount = CountOf(demo, eList);
    for (size_t i = 0; i < uCount; ++i)
        if (COrvModifiable* pObject = EditorFindObject(demo, SEditorObjectRef{eList, i}))
            DrawRow(context, SEditorObjectRef{eList, i}, *pObject);
    DrawReorder(context, eList);
    HandleKeys(context, eList);
}
} // namespace orv::editor

void DrawLayersPanel(SEditorContext& context)
{
    orv::editor::DrawObjectList(context, EEditorList::Layers);
}

void DrawResourcesPanel(SEditorContext& context)
{
    orv::editor::DrawObjectList(context, EEditorList::Resources);
}
