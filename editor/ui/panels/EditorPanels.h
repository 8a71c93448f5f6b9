#pragma once
// The editor's fixed panels. Each draws itself inside the ImGui window the shell opened for it
// (the shell owns the windows' places and sizes) and turns what the user does into commands
// of the model. They run in any ImGui context, so their tests need no window.

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
