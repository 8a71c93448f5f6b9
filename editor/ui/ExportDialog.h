#pragma once
// The export dialog's fields: the video file (its name picks the container), the encoder, the
// quality, the frame rate, the picture's size, and the part of the show (start and duration,
// or the transport's loop); and a PNG of the current frame.
#include "EditorExport.h"

#include <string>

struct SExportDialog
{
    char szFile[512] = "export.mp4";
    char szPng[512] = "frame.png";
    int iCodec = 0;        // in the dialog's encoder list; 0: the container's own
    bool bQuality = false; // otherwise the encoder's default
    int iQuality = 17;
    int iFps = 1;  // in the dialog's rate list (25 by default)
    int iSize = 0; // 0: the view's output size, then the presets, then custom
    int iWidth = 1280;
    int iHeight = 720;
    double dStart = 0.0;
    double dDuration = 0.0; // 0: to the end
};

// What the user asked for in the dialog, as the export's settings; iOutputWidth/Height are
// the view's output size. The file is not yet made absolute.
SEditorExportSettings MakeExportSettings(const SExportDialog& dialog, int iOutputWidth,
                                         int iOutputHeight);

enum class EExportDialogAction
{
    None,
    ExportVideo,
    SavePng,
    Close,
};

// Where the export stands: the view's output size, the playhead and the transport's loop in
// seconds, and the full path the video file's name gives.
struct SExportDialogContext
{
    int iOutputWidth = 1280;
    int iOutputHeight = 720;
    double dPlayhead = 0.0;
    bool bLoop = false;
    double dLoopStart = 0.0;
    double dLoopEnd = 0.0;
    std::string sResolvedFile;
};

// Draws the fields inside an open ImGui window; what the user pressed.
EExportDialogAction DrawExportDialog(SExportDialog& dialog, const SExportDialogContext& context);
