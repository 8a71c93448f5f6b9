#pragma once
// The editor's fixed panels. Each draws itself inside the ImGui window the shell opened for it
// (the shell owns the windows' places and sizes) and turns what the user does into commands
// of the model. They run in any ImGui context, so their tests need no window.

#include <string>

struct SEditorContext;

// The demo's layers in document order: select, add, rename, duplicate, delete, show/hide,
// reorder by dragging; objects with load problems marked with the problem.
void DrawLayersPanel(SEditorContext& context);
// The demo's resources in document order, with thumbnails of the images; same operations.
void DrawResourcesPanel(SEditorContext& context);
// Every property of the selection, by display name, with a widget per type.
void DrawInspectorPanel(SEditorContext& context);
// Ruler, waveform, playhead, key rows of the selection, curve view.
void DrawTimelinePanel(SEditorContext& context);

// What the timeline does to the selected keys and its bookmarks, also for the command
// palette and the shell's shortcuts. Each change is one undo step.
void DeleteSelectedKeys(SEditorContext& context);
void CopySelectedKeys(SEditorContext& context);
// Pastes the copied keys with the first at the playhead (its frame truncated, as keys sit on
// whole frames); the pasted keys become the selection.
void PasteKeysAtPlayhead(SEditorContext& context);
// Adds the bias to the values of the selected keys (numbers and vectors).
void ShiftSelectedKeyValues(SEditorContext& context, float fBias);
// Moves the selected keys by whole frames; the selection follows them.
void MoveSelectedKeys(SEditorContext& context, int iDelta);
// A bookmark at the playhead's frame is added, or removed when there is one.
void ToggleBookmark(SEditorContext& context);
// Moves the playhead to the nearest bookmark before (iDirection < 0) or after it; false
// when there is none that way.
bool JumpToBookmark(SEditorContext& context, int iDirection);

class CEditorActions;
// Registers the panels' actions for the command palette (bias, keys, bookmarks, snapping,
// curve view). The context must outlive the registry's use of them.
void RegisterPanelActions(CEditorActions& actions, SEditorContext& context);

// A file dropped on the window (or chosen elsewhere): copied into the data folder when it is
// not there, then given to the selected object's file when it is of that kind, made the
// music when it is a sound, or else made a new resource of its kind (image, mesh, effect),
// selected. False, with the reason on the status line, for a file of no kind the engine reads
// or one that cannot be copied.
bool UseDroppedFile(SEditorContext& context, const std::string& sPath);
