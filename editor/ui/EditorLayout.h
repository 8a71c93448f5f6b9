#pragma once
// Where the editor's fixed panels sit: layers and resources in a column on the left, the
// inspector on the right, the timeline across the bottom, the view in what is left. The user
// drags the splitters; the sizes and the window's are kept in the user's configuration
// folder ($XDG_CONFIG_HOME/orv/editor.ini, or ~/.config/orv/editor.ini).
#include <string>
#include <vector>

struct SEditorRect
{
    float fX = 0.0f;
    float fY = 0.0f;
    float fWidth = 0.0f;
    float fHeight = 0.0f;
};

struct SEditorLayout
{
    int iWindowWidth = 1600;
    int iWindowHeight = 1000;
    float fLeftWidth = 300.0f;      // layers and resources
    float fRightWidth = 340.0f;     // inspector
    float fTimelineHeight = 260.0f; // timeline
    float fLayersShare = 0.55f;     // of the left column, the layers' part
    // Which panels are shown; the view takes the place of those hidden.
    bool bShowLayers = true;
    bool bShowResources = true;
    bool bShowInspector = true;
    bool bShowTimeline = true;
    // Output size of the view (the demo's pixels).
    int iOutputWidth = 1280;
    int iOutputHeight = 720;
};

// The panels the user may show or hide, for the menu and the palette.
struct SPanelToggle
{
    const char* pName;  // "timeline"
    const char* pTitle; // "Timeline"
    bool SEditorLayout::*pShown;
};
const std::vector<SPanelToggle>& PanelToggles();

// The panels' places in a window of the layout's size, below a menu bar of fTop pixels; a
// hidden panel has no size.
struct SEditorPanelRects
{
    SEditorRect layers, resources, inspector, timeline, view;
};
SEditorPanelRects ComputePanelRects(const SEditorLayout& layout, float fTop);
// Keeps every panel at least a usable size in the window (after a resize or a bad file).
void ClampLayout(SEditorLayout& layout);

std::string GetEditorConfigPath();
// Reads the file; missing or unreadable lines keep the defaults.
SEditorLayout LoadEditorLayout(const std::string& sPath);
bool SaveEditorLayout(const SEditorLayout& layout, const std::string& sPath, std::string& sError);

struct SEditorContext;
// Opens the four fixed panels' windows at their places and draws the panels in them (when
// the context has a document); the panels' edges are the splitters, so the sizes the user
// dragged come back into the layout. bApply forces the layout's sizes (after a resize).
void DrawPanelWindows(SEditorContext& context, SEditorLayout& layout, float fTop, bool bApply);
