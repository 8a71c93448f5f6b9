#include "PropertyWidgets.h"

#include "DataFiles.h"
#include "EditorContext.h"
#include "EditorDocument.h"
#include "PanelCommon.h"
#include "PanelState.h"
#include "ValueText.h"

#include "core/OrvModifiable.h"
#include "core/OrvProp.h"
#include "document/OrvDemo.h"
#include "graphics/OrvResource.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace orv::editor
{
namespace
{
EditorCommandPtr CommandFor(const SEditorContext& context, const SEditorPropRef& ref,
                            const COrvPropBase& prop, const SEditorValue& value)
{
    if (prop.GetPropId() == ORV_PROP_NAME && std::holds_alternative<std::string>(value))
        return EditorRename(ref.object, std::get<std::string>(value));
    if (ref.object.eList == EEditorList::Music)
    {
        if (prop.GetPropId() == ORV_PROP_FILENAME && std::holds_alternative<std::string>(value))
            return EditorSetMusicFile(std::get<std::string>(value));
        if (prop.GetPropId() == ORV_PROP_MUSIC_BPM && std::holds_alternative<float>(value))
            return EditorSetTempo(std::get<float>(value));
    }
    return EditorSetValue(ref, context.fFrame, value);
}

bool ValuesEqual(const SEditorValue& a, const SEditorValue& b)
{
    if (a.index() != b.index())
        return false;
    if (const auto* pA = std::get_if<D3DXQUATERNION>(&a))
    {
        const auto& q = std::get<D3DXQUATERNION>(b);
        return pA->x == q.x && pA->y == q.y && pA->z == q.z && pA->w == q.w;
    }
    return a == b;
}

// Whether the item just drawn was Ctrl+clicked or double-clicked: the way into typing.
bool AskedToType(bool bDoubleClickToo)
{
    if (!ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled))
        return false;
    const ImGuiIO& io = ImGui::GetIO();
    return (io.KeyCtrl && ImGui::IsMouseClicked(ImGuiMouseButton_Left)) ||
           (bDoubleClickToo && ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left));
}

void StartTyping(SEditorContext& context, const SEditorPropRef& ref, const SEditorValue& value)
{
    SEditorPanelState& state = PanelStateOf(context);
    state.bTyping = true;
    state.typing = ref;
    state.bTypingFocus = true;
    std::string sText;
    char text[128];
    if (const auto* pVector = std::get_if<D3DXVECTOR3>(&value))
    {
        std::snprintf(text, sizeof(text), "%g %g %g", pVector->x, pVector->y, pVector->z);
        sText = text;
    }
    else if (const auto* pRotation = std::get_if<D3DXQUATERNION>(&value))
    {
        const SYawPitchRoll angles = YawPitchRollFromQuaternion(*pRotation);
        std::snprintf(text, sizeof(text), "%g %g %g", angles.fYaw, angles.fPitch, angles.fRoll);
        sText = text;
    }
    else
        sText = EditorValueToText(value);
    std::snprintf(state.szTyped, sizeof(state.szTyped), "%s", sText.c_str());
}

// A typed number outside the slider's range is kept as typed (the range bounds the slider;
// the engine limits nothing); the status line says so, as the slider cannot show it.
void NoteOutsideRange(SEditorContext& context, const COrvPropBase& prop, const SEditorValue& value)
{
    double dMin = 0.0;
    double dMax = 0.0;
    double dValue = 0.0;
    if (const auto* pFloat = dynamic_cast<const COrvPropFloat*>(&prop);
        pFloat && pFloat->IsRanged())
    {
        float fMin = 0.0f;
        float fMax = 0.0f;
        pFloat->GetRange(fMin, fMax);
        dMin = fMin;
        dMax = fMax;
        dValue = std::get<float>(value);
    }
    else if (const auto* pInt = dynamic_cast<const COrvPropInt*>(&prop); pInt && pInt->IsRanged())
    {
        int iMin = 0;
        int iMax = 0;
        pInt->GetRange(iMin, iMax);
        dMin = iMin;
        dMax = iMax;
        dValue = std::get<int>(value);
    }
    else
        return;
    if (dValue >= dMin && dValue <= dMax)
        return;
    char text[160];
    std::snprintf(text, sizeof(text),
                  ": %g is outside the slider's range (%g to %g), kept as typed", dValue, dMin,
                  dMax);
    SetStatus(context, PropertyLabel(prop) + text);
}

// The typing field that replaces a number widget; Enter or leaving it commits, Escape cancels.
void DrawTyping(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop,
                const SPropertyKind& kind)
{
    SEditorPanelState& state = PanelStateOf(context);
    if (state.bTypingFocus)
    {
        ImGui::SetKeyboardFocusHere();
        state.bTypingFocus = false;
    }
    ImGui::SetNextItemWidth(-1.0f);
    ImGui::InputText("##typed", state.szTyped, sizeof(state.szTyped),
                     ImGuiInputTextFlags_AutoSelectAll);
    if (!ImGui::IsItemDeactivated())
        return;
    state.bTyping = false;
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape)))
        return;
    SEditorValue value;
    std::string sError;
    if (!ParseTypedValue(kind, state.szTyped, value, sError))
    {
        SEditorValue old;
        ReadValueNow(context, prop, old);
        SetStatus(context, PropertyLabel(prop) + ": " + sError + "; the value stays " +
                               EditorValueToText(old));
        return;
    }
    if (CommitValue(context, ref, prop, value, false))
        NoteOutsideRange(context, prop, value);
}

// Commits a widget's edit: live while the widget is held, as one step when it lets go.
void CommitEdit(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop,
                bool bChanged, const SEditorValue& value)
{
    const bool bHeld = ImGui::IsItemActive();
    if (bChanged)
        CommitValue(context, ref, prop, value, bHeld);
    if (ImGui::IsItemDeactivated())
        EndLiveCommand(context);
}

void DrawNumber(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop,
                const SPropertyKind& kind, const SEditorValue& current)
{
    const ImGuiSliderFlags flags = ImGuiSliderFlags_NoInput;
    // Ctrl held turns a click into typing rather than a jump of the slider.
    const bool bCtrl = ImGui::GetIO().KeyCtrl;
    ImGui::SetNextItemWidth(-1.0f);
    ImGui::BeginDisabled(bCtrl);
    bool bChanged = false;
    SEditorValue value = current;
    bool bRanged = false;
    if (auto* pInt = dynamic_cast<COrvPropInt*>(&prop))
    {
        int iValue = std::get<int>(current);
        int iMin = 0;
        int iMax = 0;
        pInt->GetRange(iMin, iMax);
        bRanged = pInt->IsRanged() && iMin < iMax;
        bChanged = bRanged ? ImGui::SliderInt("##v", &iValue, iMin, iMax, "%d", flags)
                           : ImGui::DragInt("##v", &iValue, 0.2f, 0, 0, "%d", flags);
        value = iValue;
    }
    else if (auto* pFloat = dynamic_cast<COrvPropFloat*>(&prop))
    {
        float fValue = std::get<float>(current);
        float fMin = 0.0f;
        float fMax = 0.0f;
        pFloat->GetRange(fMin, fMax);
        bRanged = pFloat->IsRanged() && fMin < fMax;
        const float fSpeed = std::max(std::fabs(fValue) * 0.01f, 0.01f);
        bChanged = bRanged ? ImGui::SliderFloat("##v", &fValue, fMin, fMax, "%.3f", flags)
                           : ImGui::DragFloat("##v", &fValue, fSpeed, 0.0f, 0.0f, "%.3f", flags);
        value = fValue;
    }
    ImGui::EndDisabled();
    if (AskedToType(!bRanged))
    {
        EndLiveCommand(context);
        StartTyping(context, ref, current);
        return;
    }
    (void)kind;
    CommitEdit(context, ref, prop, bChanged, value);
}

void DrawVector(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop,
                const SPropertyKind& kind, const SEditorValue& current)
{
    D3DXVECTOR3 vector = std::get<D3DXVECTOR3>(current);
    float fValues[3] = {vector.x, vector.y, vector.z};
    ImGui::SetNextItemWidth(-1.0f);
    bool bChanged = false;
    if (kind.eWidget == EPropertyWidget::Colour)
        bChanged = ImGui::ColorEdit3("##v", fValues, ImGuiColorEditFlags_Float);
    else
    {
        const bool bCtrl = ImGui::GetIO().KeyCtrl;
        ImGui::BeginDisabled(bCtrl);
        bChanged =
            ImGui::DragFloat3("##v", fValues, 0.01f, 0.0f, 0.0f, "%.3f", ImGuiSliderFlags_NoInput);
        ImGui::EndDisabled();
        if (AskedToType(true))
        {
            EndLiveCommand(context);
            StartTyping(context, ref, current);
            return;
        }
    }
    CommitEdit(context, ref, prop, bChanged, D3DXVECTOR3(fValues[0], fValues[1], fValues[2]));
}

void DrawOrientation(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop,
                     const SEditorValue& current)
{
    SEditorPanelState& state = PanelStateOf(context);
    // While a field is dragged its angles are kept: read back from the quaternion they could
    // jump to an equivalent triple under the pointer.
    SYawPitchRoll angles = YawPitchRollFromQuaternion(std::get<D3DXQUATERNION>(current));
    if (state.bAnglesHeld && state.anglesRef == ref)
        angles = state.heldAngles;
    float fValues[3] = {angles.fYaw, angles.fPitch, angles.fRoll};
    ImGui::SetNextItemWidth(-1.0f);
    ImGui::BeginDisabled(ImGui::GetIO().KeyCtrl);
    const bool bChanged =
        ImGui::DragFloat3("##ypr", fValues, 0.5f, 0.0f, 0.0f, "%.1f", ImGuiSliderFlags_NoInput);
    ImGui::EndDisabled();
    if (AskedToType(true))
    {
        EndLiveCommand(context);
        StartTyping(context, ref, current);
        return;
    }
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("yaw, pitch, roll in degrees");
    if (bChanged)
    {
        state.bAnglesHeld = true;
        state.anglesRef = ref;
        state.heldAngles = SYawPitchRoll{fValues[0], fValues[1], fValues[2]};
    }
    if (ImGui::IsItemDeactivated())
        state.bAnglesHeld = false;
    CommitEdit(context, ref, prop, bChanged,
               QuaternionFromYawPitchRoll(SYawPitchRoll{fValues[0], fValues[1], fValues[2]}));
}

void DrawText(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop,
              const SEditorValue& current)
{
    SEditorPanelState& state = PanelStateOf(context);
    const bool bMine = state.bTextEditing && state.textEditing == ref;
    char szShown[sizeof(state.szText)];
    std::snprintf(szShown, sizeof(szShown), "%s", std::get<std::string>(current).c_str());
    ImGui::SetNextItemWidth(-1.0f);
    ImGui::InputText("##v", bMine ? state.szText : szShown, sizeof(szShown));
    if (ImGui::IsItemActivated())
    {
        state.bTextEditing = true;
        state.textEditing = ref;
        std::memcpy(state.szText, szShown, sizeof(szShown));
    }
    if (ImGui::IsItemDeactivated() && bMine)
    {
        state.bTextEditing = false;
        if (!ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape)))
            CommitValue(context, ref, prop, std::string(state.szText), false);
    }
}

void DrawResourceChoice(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop,
                        const SPropertyKind& kind, const SEditorValue& current)
{
    const std::string sCurrent = std::get<std::string>(current);
    ImGui::SetNextItemWidth(-1.0f);
    if (!ImGui::BeginCombo("##v", sCurrent.empty() ? "(none)" : sCurrent.c_str()))
        return;
    const std::vector<std::string> vNames = ResourceChoices(context.pDocument->GetDemo(), kind);
    for (size_t i = 0; i < vNames.size(); ++i)
    {
        ImGui::PushID(static_cast<int>(i));
        if (ImGui::Selectable(vNames[i].empty() ? "(none)" : vNames[i].c_str(),
                              vNames[i] == sCurrent))
            CommitValue(context, ref, prop, vNames[i], false);
        ImGui::PopID();
    }
    ImGui::EndCombo();
}

void DrawImportField(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop)
{
    SEditorPanelState& state = PanelStateOf(context);
    ImGui::TextDisabled("Copy a file in from elsewhere:");
    ImGui::SetNextItemWidth(-60.0f);
    ImGui::InputTextWithHint("##import", "/path/to/file", state.szImportPath,
                             sizeof(state.szImportPath));
    ImGui::SameLine();
    if (!ImGui::Button("Copy in"))
        return;
    std::string sName;
    std::string sError;
    if (!ImportDataFile(context.pDocument->GetDemo().GetDataDir(), state.szImportPath, sName,
                        sError))
    {
        SetStatus(context, sError);
        return;
    }
    state.szImportPath[0] = '\0';
    CommitValue(context, ref, prop, sName, false);
    ImGui::CloseCurrentPopup();
}

void DrawFileChoice(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop,
                    const SPropertyKind& kind, const SEditorValue& current)
{
    SEditorPanelState& state = PanelStateOf(context);
    const std::string sCurrent = std::get<std::string>(current);
    if (ImGui::Button(sCurrent.empty() ? "(no file)##file" : (sCurrent + "##file").c_str(),
                      ImVec2(-1.0f, 0.0f)))
    {
        state.vPickerFiles = ListDataFiles(context.pDocument->GetDemo().GetDataDir(), kind.eFiles);
        state.szPickerFilter[0] = '\0';
        ImGui::OpenPopup("files");
    }
    if (!ImGui::BeginPopup("files"))
        return;
    ImGui::SetNextItemWidth(300.0f);
    ImGui::InputTextWithHint("##filter", "filter", state.szPickerFilter,
                             sizeof(state.szPickerFilter));
    ImGui::BeginChild("list", ImVec2(300.0f, 200.0f), true);
    for (const std::string& sName : state.vPickerFiles)
    {
        if (state.szPickerFilter[0] && sName.find(state.szPickerFilter) == std::string::npos)
            continue;
        if (ImGui::Selectable(sName.c_str(), sName == sCurrent))
        {
            CommitValue(context, ref, prop, sName, false);
            ImGui::CloseCurrentPopup();
        }
    }
    if (state.vPickerFiles.empty())
        ImGui::TextDisabled("The data folder holds no file of this kind");
    ImGui::EndChild();
    DrawImportField(context, ref, prop);
    ImGui::EndPopup();
}
} // namespace

bool ParseTypedValue(const SPropertyKind& kind, const std::string& sText, SEditorValue& value,
                     std::string& sError)
{
    switch (kind.eWidget)
    {
    case EPropertyWidget::Int:
    {
        int iValue = 0;
        if (!ParseIntText(sText, iValue, sError))
            return false;
        value = iValue;
        return true;
    }
    case EPropertyWidget::Float:
    {
        float fValue = 0.0f;
        if (!ParseFloatText(sText, fValue, sError))
            return false;
        value = fValue;
        return true;
    }
    case EPropertyWidget::Vector:
    case EPropertyWidget::Colour:
    case EPropertyWidget::Orientation:
    {
        D3DXVECTOR3 vector;
        if (!ParseVectorText(sText, vector, sError))
            return false;
        if (kind.eWidget == EPropertyWidget::Orientation)
            value = QuaternionFromYawPitchRoll(SYawPitchRoll{vector.x, vector.y, vector.z});
        else
            value = vector;
        return true;
    }
    default:
        value = sText;
        return true;
    }
}

bool CommitValue(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop,
                 const SEditorValue& value, bool bLive)
{
    SEditorValue current;
    if (ReadValueNow(context, prop, current) && ValuesEqual(current, value))
        return false;
    EditorCommandPtr pCommand = CommandFor(context, ref, prop, value);
    if (bLive)
        return RunLiveCommand(context, std::move(pCommand));
    EndLiveCommand(context);
    return RunCommand(context, std::move(pCommand));
}

void DrawPropertyWidget(SEditorContext& context, const SEditorPropRef& ref, COrvPropBase& prop,
                        const SPropertyKind& kind)
{
    SEditorPanelState& state = PanelStateOf(context);
    SEditorValue current;
    if (!ReadValueNow(context, prop, current))
    {
        ImGui::TextDisabled("(value of an unknown type)");
        return;
    }
    if (state.bTyping && state.typing == ref)
    {
        DrawTyping(context, ref, prop, kind);
        return;
    }
    switch (kind.eWidget)
    {
    case EPropertyWidget::Bool:
    {
        bool bValue = std::get<bool>(current);
        if (ImGui::Checkbox("##v", &bValue))
            CommitValue(context, ref, prop, bValue, false);
        break;
    }
    case EPropertyWidget::Int:
    case EPropertyWidget::Float:
        DrawNumber(context, ref, prop, kind, current);
        break;
    case EPropertyWidget::Vector:
    case EPropertyWidget::Colour:
        DrawVector(context, ref, prop, kind, current);
        break;
    case EPropertyWidget::Orientation:
        DrawOrientation(context, ref, prop, current);
        break;
    case EPropertyWidget::Resource:
        DrawResourceChoice(context, ref, prop, kind, current);
        break;
    case EPropertyWidget::FileName:
        DrawFileChoice(context, ref, prop, kind, current);
        break;
    case EPropertyWidget::Text:
    case EPropertyWidget::Unknown:
        DrawText(context, ref, prop, current);
        break;
    }
}
} // namespace orv::editor
