#include "EditorLayout.h"

#include "EditorContext.h"
#include "EditorPanels.h"

#include <imgui.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace
{
constexpr float kMinPanel = 120.0f;
constexpr float kMinView = 160.0f;
constexpr int kMinWindow = 640;
constexpr int kMaxSize = 16384;

void ClampSide(float& fValue, float fAvailable)
{
    const float fMax = std::max(kMinPanel, fAvailable);
    fValue = std::clamp(fValue, kMinPanel, fMax);
}
} // namespace

void ClampLayout(SEditorLayout& layout)
{
    layout.iWindowWidth = std::clamp(layout.iWindowWidth, kMinWindow, kMaxSize);
    layout.iWindowHeight = std::clamp(layout.iWindowHeight, kMinWindow * 3 / 4, kMaxSize);
    const float fWidth = float(layout.iWindowWidth);
    const float fHeight = float(layout.iWindowHeight);
    ClampSide(layout.fLeftWidth, (fWidth - kMinView) / 2.0f);
    ClampSide(layout.fRightWidth, fWidth - kMinView - layout.fLeftWidth);
    ClampSide(layout.fTimelineHeight, fHeight - kMinView - 40.0f);
    layout.fLayersShare = std::clamp(layout.fLayersShare, 0.15f, 0.85f);
    layout.iOutputWidth = std::clamp(layout.iOutputWidth, 16, 8192);
    layout.iOutputHeight = std::clamp(layout.iOutputHeight, 16, 8192);
}

const std::vector<SPanelToggle>& PanelToggles()
{
    static const std::vector<SPanelToggle> toggles = {
        {"layers", "Layers", &SEditorLayout::bShowLayers},
        {"resources", "Resources", &SEditorLayout::bShowResources},
        {"inspector", "Inspector", &SEditorLayout::bShowInspector},
        {"timeline", "Timeline", &SEditorLayout::bShowTimeline},
    };
    return toggles;
}

SEditorPanelRects ComputePanelRects(const SEditorLayout& layout, float fTop)
{
    const float fWidth = float(layout.iWindowWidth);
    const float fHeight = float(layout.iWindowHeight);
    const bool bLeft = layout.bShowLayers || layout.bShowResources;
    const float fLeft = bLeft ? layout.fLeftWidth : 0.0f;
    const float fRight = layout.bShowInspector ? layout.fRightWidth : 0.0f;
    const float fTimeline = layout.bShowTimeline ? layout.fTimelineHeight : 0.0f;
    const float fUpper = std::max(0.0f, fHeight - fTop - fTimeline);
    float fLayersHeight = fUpper * layout.fLayersShare;
    if (!layout.bShowLayers || !layout.bShowResources)
        fLayersHeight = layout.bShowLayers ? fUpper : 0.0f;
    SEditorPanelRects rects;
    rects.layers = {0.0f, fTop, fLeft, fLayersHeight};
    rects.resources = {0.0f, fTop + fLayersHeight, fLeft, fUpper - fLayersHeight};
    rects.inspector = {fWidth - fRight, fTop, fRight, fUpper};
    rects.timeline = {0.0f, fTop + fUpper, fWidth, fTimeline};
    rects.view = {fLeft, fTop, std::max(0.0f, fWidth - fLeft - fRight), fUpper};
    return rects;
}

std::string GetEditorConfigPath()
{
    const char* pConfig = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (pConfig != nullptr && pConfig[0] == '/')
        base = pConfig;
    else if (const char* pHome = std::getenv("HOME"); pHome != nullptr && pHome[0] != '\0')
        base = std::filesystem::path(pHome) / ".config";
    else
        return "";
    return (base / "orv" / "editor.ini").string();
}

SEditorLayout LoadEditorLayout(const std::string& sPath)
{
    SEditorLayout layout;
    std::ifstream file(sPath);
    std::string sLine;
    while (std::getline(file, sLine))
    {
        const size_t uEquals = sLine.find('=');
        if (uEquals == std::string::npos)
            continue;
        const std::string sKey = sLine.substr(0, uEquals);
        std::istringstream value(sLine.substr(uEquals + 1));
        float fValue = 0.0f;
        if (!(value >> fValue))
            continue;
        if (sKey == "window_width")
            layout.iWindowWidth = int(fValue);
        else if (sKey == "window_height")
            layout.iWindowHeight = int(fValue);
        else if (sKey == "left_width")
            layout.fLeftWidth = fValue;
        else if (sKey == "right_width")
            layout.fRightWidth = fValue;
        else if (sKey == "timeline_height")
            layout.fTimelineHeight = fValue;
        else if (sKey == "layers_share")
            layout.fLayersShare = fValue;
        else if (sKey == "show_layers")
            layout.bShowLayers = fValue != 0.0f;
        else if (sKey == "show_resources")
            layout.bShowResources = fValue != 0.0f;
        else if (sKey == "show_inspector")
            layout.bShowInspector = fValue != 0.0f;
        else if (sKey == "show_timeline")
            layout.bShowTimeline = fValue != 0.0f;
        else if (sKey == "output_width")
            layout.iOutputWidth = int(fValue);
        else if (sKey == "output_height")
            layout.iOutputHeight = int(fValue);
    }
    ClampLayout(layout);
    return layout;
}

bool SaveEditorLayout(const SEditorLayout& layout, const std::string& sPath, std::string& sError)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(sPath).parent_path(), ec);
    std::ofstream file(sPath, std::ios::trunc);
    file << "[layout]\n"
         << "window_width=" << layout.iWindowWidth << "\n"
         << "window_height=" << layout.iWindowHeight << "\n"
         << "left_width=" << layout.fLeftWidth << "\n"
         << "right_width=" << layout.fRightWidth << "\n"
         << "timeline_height=" << layout.fTimelineHeight << "\n"
         << "layers_share=" << layout.fLayersShare << "\n"
         << "show_layers=" << int(layout.bShowLayers) << "\n"
         << "show_resources=" << int(layout.bShowResources) << "\n"
         << "show_inspector=" << int(layout.bShowInspector) << "\n"
         << "show_timeline=" << int(layout.bShowTimeline) << "\n"
         << "output_width=" << layout.iOutputWidth << "\n"
         << "output_height=" << layout.iOutputHeight << "\n";
    file.flush();
    if (!file)
    {
        sError = "cannot write the editor's settings to " + sPath;
        return false;
    }
    return true;
}

namespace
{
void BeginPanel(const char* pName, const SEditorRect& rect, bool bApply)
{
    ImGui::SetNextWindowPos(ImVec2(rect.fX, rect.fY), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(rect.fWidth, rect.fHeight),
                             bApply ? ImGuiCond_Always : ImGuiCond_Appearing);
    ImGui::Begin(pName, nullptr,
                 ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                     ImGuiWindowFlags_NoSavedSettings);
}
} // namespace

void DrawPanelWindows(SEditorContext& context, SEditorLayout& layout, float fTop, bool bApply)
{
    const SEditorPanelRects rects = ComputePanelRects(layout, fTop);
    const struct
    {
        const char* pName;
        const SEditorRect& rect;
        bool bShown;
        void (*pDraw)(SEditorContext&);
    } panels[] = {{"Layers", rects.layers, layout.bShowLayers, DrawLayersPanel},
                  {"Resources", rects.resources, layout.bShowResources, DrawResourcesPanel},
                  {"Inspector", rects.inspector, layout.bShowInspector, DrawInspectorPanel},
                  {"Timeline", rects.timeline, layout.bShowTimeline, DrawTimelinePanel}};
    ImVec2 sizes[4];
    for (size_t i = 0; i < 4; ++i)
    {
        sizes[i] = ImVec2(panels[i].rect.fWidth, panels[i].rect.fHeight);
        if (!panels[i].bShown)
            continue;
        BeginPanel(panels[i].pName, panels[i].rect, bApply);
        if (context.pDocument != nullptr)
            panels[i].pDraw(context);
        sizes[i] = ImGui::GetWindowSize();
        ImGui::End();
    }
    // The panels' edges are the splitters: what the user dragged comes back into the layout.
    if (layout.bShowLayers || layout.bShowResources)
        layout.fLeftWidth = layout.bShowLayers ? sizes[0].x : sizes[1].x;
    if (layout.bShowLayers && layout.bShowResources)
        layout.fLayersShare =
            sizes[0].y / std::max(1.0f, rects.layers.fHeight + rects.resources.fHeight);
    if (layout.bShowInspector)
        layout.fRightWidth = sizes[2].x;
    if (layout.bShowTimeline)
        layout.fTimelineHeight = sizes[3].y;
    ClampLayout(layout);
}
