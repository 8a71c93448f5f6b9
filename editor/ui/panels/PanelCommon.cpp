#include "PanelCommon.h"

#include "EditorContext.h"
#include "EditorDocument.h"
#include "EditorSelection.h"
#include "PanelState.h"

#include "core/OrvModifiable.h"
#include "core/OrvProp.h"
#include "document/OrvDemo.h"

#include <algorithm>

namespace orv::editor
{
namespace
{
bool Prune(SEditorContext& context)
{
    if (context.pSelection && context.pDocument)
        context.pSelection->Prune(context.pDocument->GetDemo());
    return true;
}
} // namespace

SEditorPanelState& PanelStateOf(SEditorContext& context)
{
    if (!context.pPanelState)
        context.pPanelState = std::make_shared<SEditorPanelState>();
    return *context.pPanelState;
}

void SetStatus(SEditorContext& context, std::string sMessage)
{
    SEditorPanelState& state = PanelStateOf(context);
    state.sStatus = std::move(sMessage);
    context.pStatus = state.sStatus.c_str();
}

bool RunCommand(SEditorContext& context, EditorCommandPtr pCommand)
{
    if (!context.pDocument || !pCommand)
        return false;
    std::string sError;
    const std::string sLabel = pCommand->GetLabel();
    const bool bDone = context.pDocument->Execute(std::move(pCommand), sError);
    if (!bDone)
        SetStatus(context, sLabel + ": " + sError);
    Prune(context);
    return bDone;
}

bool RunLiveCommand(SEditorContext& context, EditorCommandPtr pCommand)
{
    if (!context.pDocument || !pCommand)
        return false;
    SEditorPanelState& state = PanelStateOf(context);
    CEditorHistory& history = context.pDocument->GetHistory();
    // Replaces the drag's previous step only while nothing came after it.
    if (state.pLiveCommand && history.PeekUndo() == state.pLiveCommand &&
        history.GetUndoCount() == state.uLiveUndoCount)
        context.pDocument->Undo();
    state.pLiveCommand = nullptr;
    const IEditorCommand* pRaw = pCommand.get();
    if (!RunCommand(context, std::move(pCommand)))
        return false;
    if (history.PeekUndo() == pRaw)
    {
        state.pLiveCommand = pRaw;
        state.uLiveUndoCount = history.GetUndoCount();
    }
    return true;
}

void EndLiveCommand(SEditorContext& context)
{
    PanelStateOf(context).pLiveCommand = nullptr;
}

bool ReadValueNow(const SEditorContext& context, const COrvPropBase& prop, SEditorValue& value)
{
    return EditorReadValueAt(prop, context.fFrame, value);
}

std::vector<int> KeyFramesOf(const COrvPropBase& prop)
{
    std::vector<int> vFrames;
    vFrames.reserve(prop.GetTrack().size());
    for (const auto& entry : prop.GetTrack())
        vFrames.push_back(entry.first);
    return vFrames;
}

bool PreviousKeyFrame(const COrvPropBase& prop, float fFrame, int& iFrame)
{
    const COrvPropBase::KeyTrack& track = prop.GetTrack();
    // The first key at or after the frame; the one before it is strictly before.
    auto it = std::find_if(track.begin(), track.end(),
                           [fFrame](const auto& entry) { return entry.first >= fFrame; });
    if (it == track.begin())
        return false;
    iFrame = std::prev(it)->first;
    return true;
}

bool NextKeyFrame(const COrvPropBase& prop, float fFrame, int& iFrame)
{
    for (const auto& entry : prop.GetTrack())
        if (entry.first > fFrame)
        {
            iFrame = entry.first;
            return true;
        }
    return false;
}

bool IsAnimated(const COrvPropBase& prop)
{
    return prop.GetAnimable() && !prop.GetTrack().empty();
}

std::vector<ORV_LoadProblem> ProblemsOf(CEditorDocument& document, COrvModifiable& object)
{
    std::vector<ORV_LoadProblem> vProblems;
    if (document.GetOpenProblems().empty() && document.GetDemo().GetProblems().empty())
        return vProblems;
    // A problem names its object; one raised before that was known names only the file, which
    // the loaders give as the demo's data path of the name the object stores.
    const std::string sName = object.GetName();
    std::vector<std::string> vFiles;
    for (COrvPropBase* pProp : object.GetProperties())
        if (auto* pName = dynamic_cast<COrvPropString*>(pProp);
            pName && pProp->GetPropId() == ORV_PROP_FILENAME && !pName->GetValue().empty())
            vFiles.push_back(document.GetDemo().GetDataPath(pName->GetValue()));
    auto consider = [&](const ORV_LoadProblem& problem)
    {
        const bool bMine = problem.m_Object.empty() ? std::find(vFiles.begin(), vFiles.end(),
                                                                problem.m_File) != vFiles.end()
                                                    : problem.m_Object == sName;
        if (!bMine)
            return;
        for (const ORV_LoadProblem& known : vProblems)
            if (known.Describe() == problem.Describe())
                return;
        vProblems.push_back(problem);
    };
    for (const ORV_LoadProblem& problem : document.GetOpenProblems())
        consider(problem);
    for (const ORV_LoadProblem& problem : document.GetDemo().GetProblems())
        consider(problem);
    return vProblems;
}

std::string PropertyLabel(const COrvPropBase& prop)
{
    return prop.GetPropIdString();
}
} // namespace orv::editor
