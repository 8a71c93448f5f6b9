#pragma once
// The timeline's parts, shared by its drawing and its handling of the pointer and keys:
// where each strip lies in the panel, and the rows of keys.

#include <imgui.h>

struct SEditorContext;
struct SEditorKeyRef;
struct SEditorPanelState;

namespace orv::editor
{
class CTimelineScale;

constexpr float kHeaderWidth = 150.0f;
constexpr float kBarsHeight = 18.0f;
constexpr float kSecondsHeight = 16.0f;
constexpr float kWaveHeight = 36.0f;
constexpr float kRowHeight = 18.0f;
constexpr float kCurveHeight = 170.0f;
constexpr float kKeyHalf = 5.0f;
constexpr float kDefaultBars = 16.0f;

// Where the strips lie: the names' column left of fStripLeft, then from the top the ruler,
// the waveform, the key rows and (when shown) the curve view.
struct SLayout
{
    ImVec2 min;
    ImVec2 max;
    float fStripLeft = 0.0f;
    float fRulerBottom = 0.0f;
    float fWaveBottom = 0.0f;
    float fRowsBottom = 0.0f;
    float fCurveTop = 0.0f;
};

void DrawRuler(ImDrawList* pDraw, const SLayout& layout, const CTimelineScale& scale, float fBpm);
void DrawWaveform(SEditorPanelState& state, ImDrawList* pDraw, const SLayout& layout, float fBpm);
// The selected objects' names and their key rows, dragged keys where the drag puts them.
void DrawRows(SEditorContext& context, ImDrawList* pDraw, const SLayout& layout);
void DrawPlayheadAndBookmarks(SEditorContext& context, ImDrawList* pDraw, const SLayout& layout);

// A press, drag and release of the pointer over the timeline, the wheel's zoom and pan.
void HandleTimelineMouse(SEditorContext& context, const SLayout& layout);
// The timeline's keys while it has the focus: delete, copy, paste, bias, bookmarks.
void HandleTimelineKeys(SEditorContext& context);
} // namespace orv::editor
