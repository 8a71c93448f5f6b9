#pragma once
// What the panels remember from one frame to the next: the text being typed, drags in
// progress, the timeline's zoom and snap, the keys clipboard, and where rows were
// drawn (for the hit tests of drags and box selections). The context holds it
// (SEditorContext::pPanelState), made by the first panel drawn.

#include "EditorClipboard.h"
#include "EditorRefs.h"
#include "TimelineScale.h"
#include "ValueText.h"
#include "Waveform.h"

#include <imgui.h>

#include <string>
#include <vector>

class IEditorCommand;
struct SEditorContext;

// A row of a list or of the timeline, as last drawn.
struct SPanelObjectRow
{
    SEditorObjectRef object;
    ImVec2 min;
    ImVec2 max;
};

// A property's row of the inspector, as last drawn: its key button and its value widget.
struct SPanelPropertyRow
{
    SEditorPropRef prop;
    ImVec2 keyMin;
    ImVec2 keyMax;
    ImVec2 valueMin;
    ImVec2 valueMax;
};

struct SPanelTrackRow
{
    SEditorPropRef prop;
    float fTop = 0.0f;
    float fBottom = 0.0f;
};

enum class ETimelineDrag
{
    None,
    Playhead,
    Keys,
    Box,
    Pan,
    CurveHandle,
};

struct SEditorPanelState
{
    // The message the context's status points at.
    std::string sStatus;

    // Lists: the rows as drawn, renaming in place, and the row being dragged to a new place.
    std::vector<SPanelObjectRow> vLayerRows;
    std::vector<SPanelObjectRow> vResourceRows;
    // The "Add" buttons of the layers' and the resources' lists.
    ImVec2 addButtonMin[2];
    ImVec2 addButtonMax[2];
    bool bRenaming = false;
    SEditorObjectRef renaming;
    char szRename[256] = {};
    int iRenameEndFrame = -1;
    bool bReordering = false;
    SEditorObjectRef reordering;
    size_t uDropSlot = 0;

    // Inspector: its rows as drawn, and a value being typed (ctrl+click or double-click on a number
    // field).
    std::vector<SPanelPropertyRow> vPropertyRows;
    bool bTyping = false;
    SEditorPropRef typing;
    char szTyped[256] = {};
    bool bTypingFocus = false;
    // Text fields edited in place.
    bool bTextEditing = false;
    SEditorPropRef textEditing;
    char szText[1024] = {};
    // The command a widget drag keeps replacing (one undo step for the whole drag); compared
    // only, never followed.
    const IEditorCommand* pLiveCommand = nullptr;
    size_t uLiveUndoCount = 0;
    // An orientation being dragged, as the angles the pointer set.
    bool bAnglesHeld = false;
    SEditorPropRef anglesRef;
    orv::editor::SYawPitchRoll heldAngles;
    // The file picker: the files listed when it opened, its filter and the path of a file to
    // copy in.
    std::vector<std::string> vPickerFiles;
    char szPickerFilter[128] = {};
    char szImportPath[1024] = {};

    // Timeline.
    orv::editor::CTimelineScale scale;
    orv::editor::ESnap eSnap = orv::editor::ESnap::Beat;
    bool bCurves = false;
    bool bScaleFitted = false;
    std::vector<SPanelTrackRow> vTrackRows;
    float fRulerTop = 0.0f;
    float fRulerBottom = 0.0f;
    float fTracksLeft = 0.0f;
    float fTracksRight = 0.0f;
    ETimelineDrag eDrag = ETimelineDrag::None;
    ImVec2 dragStart;
    int iDragAnchorFrame = 0;
    int iDragDelta = 0;
    orv::editor::CWaveform waveform;
    std::string sWaveformTried; // the music file last read (or failed)
    CEditorClipboard clipboard;

    bool bDragMoved = false;
    SEditorKeyRef pressedKey;

    // Curve view: the track it shows, the values range it spans, where it was drawn, the
    // values it drew (the engine's, sampled across its width: frames, then per component)
    // and the key handle being dragged.
    bool bHasCurve = false;
    SEditorPropRef curveProp;
    float fCurveLow = 0.0f;
    float fCurveHigh = 1.0f;
    ImVec2 curveMin;
    ImVec2 curveMax;
    std::vector<float> vCurveFrames;
    std::vector<float> vCurveValues; // component c of sample i at i * uCurveComponents + c
    size_t uCurveComponents = 0;
    SEditorKeyRef curveHandle;
    int iCurveHandleComponent = 0;
};

namespace orv::editor
{
// The context's panel state, made on first use.
SEditorPanelState& PanelStateOf(SEditorContext& context);
// Puts a message on the status line (kept in the panel state).
void SetStatus(SEditorContext& context, std::string sMessage);
} // namespace orv::editor
