#pragma once
// What the editor's panels share: the document they edit (through the model's commands only,
// so every change is one undo step), the selection, and the position on the time line. The
// panels read the engine's objects directly and never change them behind the model's back.

#include <memory>

class CEditorDocument;
class CEditorSelection;
struct IDirect3DDevice9;
struct SEditorPanelState;

struct SEditorContext
{
    CEditorDocument* pDocument = nullptr;
    CEditorSelection* pSelection = nullptr;
    // The device the interface draws with; panels use it for thumbnails.
    IDirect3DDevice9* pDevice = nullptr;
    // The current position in the engine's frames (sixteenths of a beat).
    float fFrame = 0.0f;
    // Playing with the music; the position then follows the music clock.
    bool bPlaying = false;
    // The region the transport loops over while playing, in frames; the timeline shows it.
    bool bLoop = false;
    float fLoopStart = 0.0f;
    float fLoopEnd = 0.0f;
    // A message for the status line (errors of the last action, what undo leaves in place).
    const char* pStatus = nullptr;
    // What the panels keep between frames (zoom, bookmarks, drags, the keys clipboard); the
    // first panel drawn makes it.
    std::shared_ptr<SEditorPanelState> pPanelState;
};
