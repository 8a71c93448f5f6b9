// The timeline's operations on the selected keys and on bookmarks, shared by the panel's
// shortcuts and the command palette.
#include "EditorActions.h"
#include "EditorContext.h"
#include "EditorDocument.h"
#include "EditorPanels.h"
#include "EditorSelection.h"
#include "PanelCommon.h"
#include "PanelState.h"

#include "core/OrvPropBase.h"
#include "document/OrvDemo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
// The frame keys written at the playhead land on, by the engine's rule.
int PlayheadFrame(const SEditorContext& context)
{
    return COrvPropBase::KeyFrameOf(context.fFrame);
}

bool HasSelectedKeys(const SEditorContext& context)
{
    return context.pDocument && context.pSelection && !context.pSelection->GetKeys().empty();
}
} // namespace

void DeleteSelectedKeys(SEditorContext& context)
{
    if (!HasSelectedKeys(context))
        return;
    if (orv::editor::RunCommand(context, EditorDeleteKeys(context.pSelection->GetKeys())))
        context.pSelection->ClearKeys();
}

void CopySelectedKeys(SEditorContext& context)
{
    if (!HasSelectedKeys(context))
        return;
    SEditorPanelState& state = orv::editor::PanelStateOf(context);
    const size_t uCount =
        state.clipboard.CopyKeys(context.pDocument->GetDemo(), context.pSelection->GetKeys());
    orv::editor::SetStatus(context, std::to_string(uCount) + " keys copied");
}

void PasteKeysAtPlayhead(SEditorContext& context)
{
    SEditorPanelState& state = orv::editor::PanelStateOf(context);
    if (!context.pDocument || state.clipboard.IsEmpty())
        return;
    const int iFrame = PlayheadFrame(context);
    if (!orv::editor::RunCommand(context, EditorPasteKeys(state.clipboard, iFrame)) ||
        !context.pSelection)
        return;
    context.pSelection->ClearKeys();
    context.pSelection->AddKeys(state.clipboard.GetPastedKeys(iFrame));
}

void ShiftSelectedKeyValues(SEditorContext& context, float fBias)
{
    if (HasSelectedKeys(context))
        orv::editor::RunCommand(context,
                                EditorShiftKeyValues(context.pSelection->GetKeys(), fBias));
}

void MoveSelectedKeys(SEditorContext& context, int iDelta)
{
    if (!HasSelectedKeys(context) || iDelta == 0)
        return;
    // Running the command drops the selected keys from where they were; they are selected
    // again where they went.
    std::vector<SEditorKeyRef> vKeys = context.pSelection->GetKeys();
    if (!orv::editor::RunCommand(context, EditorMoveKeys(vKeys, iDelta)))
        return;
    for (SEditorKeyRef& key : vKeys)
        key.iFrame += iDelta;
    context.pSelection->ClearKeys();
    context.pSelection->AddKeys(vKeys);
}

void ToggleBookmark(SEditorContext& context)
{
    std::vector<int> vBookmarks = context.pDocument->GetBookmarks();
    const int iFrame = PlayheadFrame(context);
    const auto it = std::lower_bound(vBookmarks.begin(), vBookmarks.end(), iFrame);
    if (it != vBookmarks.end() && *it == iFrame)
        vBookmarks.erase(it);
    else
        vBookmarks.insert(it, iFrame);
    std::string sError;
    if (!context.pDocument->SetBookmarks(std::move(vBookmarks), sError))
        orv::editor::SetStatus(context, "the bookmarks were not kept: " + sError);
}

bool JumpToBookmark(SEditorContext& context, int iDirection)
{
    const std::vector<int>& vBookmarks = context.pDocument->GetBookmarks();
    if (iDirection < 0)
    {
        const auto it = std::lower_bound(vBookmarks.begin(), vBookmarks.end(), context.fFrame,
                                         [](int iMark, float fFrame) { return iMark < fFrame; });
        if (it == vBookmarks.begin())
            return false;
        context.fFrame = static_cast<float>(*std::prev(it));
        return true;
    }
    const auto it = std::upper_bound(vBookmarks.begin(), vBookmarks.end(), context.fFrame,
                                     [](float fFrame, int iMark) { return fFrame < iMark; });
    if (it == vBookmarks.end())
        return false;
    context.fFrame = static_cast<float>(*it);
    return true;
}

namespace
{
SEditorAction MakeAction(std::string sName, std::string sShortcut, std::function<bool()> fnRun)
{
    SEditorAction action;
    action.sName = std::move(sName);
    action.sShortcut = std::move(sShortcut);
    action.fnRun = [fnRun = std::move(fnRun)](const std::string&, std::string& sError)
    {
        if (fnRun())
            return true;
        sError = "nothing to do";
        return false;
    };
    return action;
}

void RegisterBiasActions(CEditorActions& actions, SEditorContext& context)
{
    const struct
    {
        float fBias;
        const char* pShortcut;
    } biases[] = {{0.1f, "Alt+Up"},    {1.0f, "Up"},    {10.0f, "Shift+Up"},
                  {-0.1f, "Alt+Down"}, {-1.0f, "Down"}, {-10.0f, "Shift+Down"}};
    for (const auto& bias : biases)
    {
        char szName[64];
        std::snprintf(szName, sizeof(szName), "Bias selected keys by %+g", bias.fBias);
        const float fBias = bias.fBias;
        actions.Register(MakeAction(szName, std::string("Timeline: ") + bias.pShortcut,
                                    [&context, fBias]
                                    {
                                        if (!HasSelectedKeys(context))
                                            return false;
                                        ShiftSelectedKeyValues(context, fBias);
                                        return true;
                                    }));
    }
}
} // namespace

void RegisterPanelActions(CEditorActions& actions, SEditorContext& context)
{
    using orv::editor::ESnap;
    RegisterBiasActions(actions, context);
    actions.Register(MakeAction("Delete selected keys", "Timeline: Delete",
                                [&context]
                                {
                                    const bool bAny = HasSelectedKeys(context);
                                    DeleteSelectedKeys(context);
                                    return bAny;
                                }));
    actions.Register(MakeAction("Copy selected keys", "Timeline: Ctrl+C",
                                [&context]
                                {
                                    const bool bAny = HasSelectedKeys(context);
                                    CopySelectedKeys(context);
                                    return bAny;
                                }));
    actions.Register(MakeAction("Paste keys at the playhead", "Timeline: Ctrl+V",
                                [&context]
                                {
                                    const bool bAny =
                                        !orv::editor::PanelStateOf(context).clipboard.IsEmpty();
                                    PasteKeysAtPlayhead(context);
                                    return bAny;
                                }));
    actions.Register(MakeAction("Toggle bookmark", "Timeline: Insert",
                                [&context]
                                {
                                    ToggleBookmark(context);
                                    return true;
                                }));
    actions.Register(MakeAction("Previous bookmark", "Timeline: Page Up",
                                [&context] { return JumpToBookmark(context, -1); }));
    actions.Register(MakeAction("Next bookmark", "Timeline: Page Down",
                                [&context] { return JumpToBookmark(context, 1); }));
    const struct
    {
        const char* pName;
        ESnap eSnap;
    } snaps[] = {{"Snap keys to bars", ESnap::Bar},
                 {"Snap keys to beats", ESnap::Beat},
                 {"Snap keys to sixteenths", ESnap::Sixteenth}};
    for (const auto& snap : snaps)
    {
        const ESnap eSnap = snap.eSnap;
        actions.Register(MakeAction(snap.pName, "",
                                    [&context, eSnap]
                                    {
                                        orv::editor::PanelStateOf(context).eSnap = eSnap;
                                        return true;
                                    }));
    }
    actions.Register(MakeAction("Toggle curve view", "",
                                [&context]
                                {
                                    SEditorPanelState& state = orv::editor::PanelStateOf(context);
                                    state.bCurves = !state.bCurves;
                                    return true;
                                }));
}
