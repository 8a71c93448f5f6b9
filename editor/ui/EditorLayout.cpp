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

SEditorPanelRects ComputePanelRects(const SEditorLayout& layout, float fTop)
{
    const float fWidth = float(layout.iWindowWidth);
    const float fHeight = float(layout.iWindowHeight);
    const float fUpper = std::max(0.0f, fHeight - fTop - layout.fTimelineHeight);
    const float fLayersHeight = fUpper * layout.fLayersShare;
    SEditorPanelRects rects;
    rects.layers = {0.0f, fTop, layout.fLeftWidth, fLayersHeight};
    rects.resources = {0.0f, fTop + fLayersHeight, layout.fLeftWidth, fUpper - fLayersHeight};
    rects.inspector = {fWidth - layout.fRightWidth, fTop, layout.fRightWidth, fUpper};
    rects.timeline = {0.0f, fTop + fUpper, fWidth, layout.fTimelineHeight};
    rects.view = {layout.fLeftWidth, fTop,
                  std::max(0.0f, fWidth - layout.fLeftWidth - layout.fRightWidth), fUpper};
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
        void (*pDraw)(SEditorContext&);
    } panels[] = {{"Layers", rects.layers, DrawLayersPanel},
                  {"Resources", rects.resources, DrawResourcesPanel},
                  {"Inspector", rects.inspector, DrawInspectorPanel},
                  {"Timeline", rects.timeline, DrawTimelinePanel}};
    ImVec2 sizes[4];
    for (size_t i = 0; i < 4; ++i)
    {
        BeginPanel(panels[i].pName, panels[i].rect, bApply);
        if (context.pDocument != nullptr)
            panels[i].pDraw(context);
        sizes[i] = ImGui::GetWindowSize();
        ImGui::End();
    }
    layout.fLeftWidth = sizes[0].x;
    layout.fLayersShare =
        sizes[0].y / std::max(1.0f, rects.layers.fHeight + rects.resources.fHeight);
    layout.fRightWidth = sizes[2].x;
    layout.fTimelineHeight = sizes[3].y;
    ClampLayout(layout);
}
