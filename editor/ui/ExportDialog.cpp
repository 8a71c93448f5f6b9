#include "ExportDialog.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace
{
// Empty: the container's own choice (H.264 for .mp4/.avi/.mov, VP9 for .mkv/.webm).
const char* const s_apCodecs[] = {"",          "libx264", "libx265", "libvpx-vp9",
                                  "libsvtav1", "ffv1",    "mjpeg"};
const char* const s_apCodecLabels[] = {"the container's own", "H.264 (libx264)", "H.265 (libx265)",
                                       "VP9 (libvpx-vp9)",    "AV1 (libsvtav1)", "lossless (ffv1)",
                                       "Motion JPEG (mjpeg)"};
const int s_aiFps[] = {24, 25, 30, 50, 60};
const char* const s_apFpsLabels[] = {"24", "25", "30", "50", "60"};
struct SSizePreset
{
    int iWidth;
    int iHeight;
    const char* pLabel;
};
const SSizePreset s_aSizes[] = {{0, 0, "the view's output size"}, {1280, 720, "1280x720"},
                                {1920, 1080, "1920x1080"},        {2560, 1440, "2560x1440"},
                                {3840, 2160, "3840x2160"},        {0, 0, "custom"}};
constexpr int kCustomSize = static_cast<int>(std::size(s_aSizes)) - 1;

void DrawSizeFields(SExportDialog& dialog, int iOutputWidth, int iOutputHeight)
{
    char szView[64];
    std::snprintf(szView, sizeof(szView), "the view's output size (%dx%d)", iOutputWidth,
                  iOutputHeight);
    const char* pPreview = dialog.iSize == 0 ? szView : s_aSizes[dialog.iSize].pLabel;
    if (ImGui::BeginCombo("Size", pPreview))
    {
        for (int i = 0; i <= kCustomSize; ++i)
            if (ImGui::Selectable(i == 0 ? szView : s_aSizes[i].pLabel, dialog.iSize == i))
                dialog.iSize = i;
        ImGui::EndCombo();
    }
    if (dialog.iSize != kCustomSize)
        return;
    ImGui::InputInt("Width", &dialog.iWidth, 0);
    ImGui::InputInt("Height", &dialog.iHeight, 0);
}

void DrawPartFields(SExportDialog& dialog, const SExportDialogContext& context)
{
    ImGui::InputDouble("Start (s)", &dialog.dStart, 0.0, 0.0, "%.3f");
    ImGui::InputDouble("Duration (s)", &dialog.dDuration, 0.0, 0.0, "%.3f");
    ImGui::TextDisabled("a duration of 0 records to the end of the music");
    if (ImGui::Button("Start at the playhead"))
        dialog.dStart = context.dPlayhead;
    ImGui::SameLine();
    if (ImGui::Button("Whole show"))
        dialog.dStart = dialog.dDuration = 0.0;
    if (!context.bLoop)
        return;
    ImGui::SameLine();
    if (ImGui::Button("The loop"))
    {
        dialog.dStart = context.dLoopStart;
        dialog.dDuration = std::max(0.0, context.dLoopEnd - context.dLoopStart);
    }
}
} // namespace

SEditorExportSettings MakeExportSettings(const SExportDialog& dialog, int iOutputWidth,
                                         int iOutputHeight)
{
    SEditorExportSettings settings;
    settings.sFile = dialog.szFile;
    settings.sCodec = s_apCodecs[std::clamp(dialog.iCodec, 0, int(std::size(s_apCodecs)) - 1)];
    settings.iQuality = dialog.bQuality ? dialog.iQuality : -1;
    settings.iFps = s_aiFps[std::clamp(dialog.iFps, 0, int(std::size(s_aiFps)) - 1)];
    const int iSize = std::clamp(dialog.iSize, 0, kCustomSize);
    settings.iWidth = iSize == 0             ? iOutputWidth
                      : iSize == kCustomSize ? dialog.iWidth
                                             : s_aSizes[iSize].iWidth;
    settings.iHeight = iSize == 0             ? iOutputHeight
                       : iSize == kCustomSize ? dialog.iHeight
                                              : s_aSizes[iSize].iHeight;
    settings.dStart = dialog.dStart;
    settings.dDuration = dialog.dDuration;
    return settings;
}

EExportDialogAction DrawExportDialog(SExportDialog& dialog, const SExportDialogContext& context)
{
    EExportDialogAction eAction = EExportDialogAction::None;
    ImGui::PushItemWidth(260.0f);
    ImGui::InputText("Video file", dialog.szFile, sizeof(dialog.szFile));
    ImGui::TextDisabled("writes %s", context.sResolvedFile.c_str());
    ImGui::TextDisabled(".mp4 .mov .avi: H.264 and AAC/PCM; .mkv .webm: VP9 and Opus");
    ImGui::Combo("Codec", &dialog.iCodec, s_apCodecLabels, int(std::size(s_apCodecLabels)));
    ImGui::Checkbox("Set the quality", &dialog.bQuality);
    if (dialog.bQuality)
        ImGui::SliderInt("Quality (0 best)", &dialog.iQuality, 0, 63);
    ImGui::Combo("Frames per second", &dialog.iFps, s_apFpsLabels, int(std::size(s_apFpsLabels)));
    DrawSizeFields(dialog, context.iOutputWidth, context.iOutputHeight);
    DrawPartFields(dialog, context);
    if (ImGui::Button("Export video"))
        eAction = EExportDialogAction::ExportVideo;
    ImGui::Separator();
    ImGui::InputText("PNG file", dialog.szPng, sizeof(dialog.szPng));
    if (ImGui::Button("Save this frame"))
        eAction = EExportDialogAction::SavePng;
    ImGui::Separator();
    if (ImGui::Button("Close"))
        eAction = EExportDialogAction::Close;
    ImGui::PopItemWidth();
    return eAction;
}
