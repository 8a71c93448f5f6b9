#pragma once
// The editor program: one resizable window, the Direct3D 9 shaped device set up as the
// player's, the interface (Dear ImGui through CImGuiD3D9Renderer), the fixed panels, the view,
// the transport, the command palette, the files (save, recovery copy, watching the folder)
// and the export.
#include "DemoWatcher.h"
#include "EditorActions.h"
#include "EditorContext.h"
#include "EditorDocument.h"
#include "EditorExport.h"
#include "EditorLayout.h"
#include "EditorOptions.h"
#include "EditorPalette.h"
#include "EditorSelection.h"
#include "EditorTransport.h"
#include "EditorView.h"
#include "ExportDialog.h"
#include "ImGuiD3D9Renderer.h"
#include "OrvComPtr.h"
#include "d3d9.h"

#include <SDL_events.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct SDL_Window;

// A question the window asks, with its answers; the chosen one runs.
struct SEditorQuestion
{
    std::string sTitle;
    std::string sText;
    std::vector<std::pair<std::string, std::function<void()>>> answers;
};

class CEditorApp
{
public:
    CEditorApp();
    ~CEditorApp();
    CEditorApp(const CEditorApp&) = delete;
    CEditorApp& operator=(const CEditorApp&) = delete;

    // Runs until the user quits; the process's exit status.
    int Run(const SEditorOptions& options);

private:
    using Clock = std::chrono::steady_clock;

    // Set-up (EditorApp.cpp).
    bool CreateWindowAndDevice(std::string& sError);
    void ShutDown();
    void PumpEvents(std::vector<SDL_Event>& deferred);
    void HandleEvent(const SDL_Event& event);
    bool HandleShortcut(int iKey, int iModifiers);
    void ResizeBackBuffer(int iWidth, int iHeight);
    void DrawFrame();
    void DrawMenuBar();
    void DrawPanels();
    void TogglePanel(bool& bShown);
    void DrawViewPanel(const SEditorRect& rect);
    void HandleViewPointer(const SEditorRect& picture);
    void DrawStatusAndQuestion();
    void DrawOpenWindow();
    // Runs what waited for the end of the last frame (answers to questions, opening another
    // demo): nothing may replace the document while a frame's draw lists name its textures.
    void RunDeferred();
    void UpdateTitle();
    float GetFrame() const { return m_Transport.GetFrame(); }
    void SetFrame(float fFrame);

    // The palette's actions (EditorAppActions.cpp).
    void RegisterShellActions();
    void AdoptActions(const CEditorActions& actions);
    void RegisterTransportActions();
    void RegisterFileActions();
    void RegisterViewActions();
    // An action of the program, refused while no demo is open.
    void AddShellAction(std::string sName, std::string sShortcut, std::function<void()> fn);
    void AddArgumentAction(std::string sName, std::string sHint,
                           std::function<bool(const std::string&, std::string&)> fnRun);

    // Files (EditorAppFiles.cpp).
    void OpenAtStart(const SEditorOptions& options);
    bool OpenFolder(const std::string& sFolder, bool bRecovery);
    // A folder without a demo: an empty one gets a new demo, another is asked about first.
    void OfferNewDemo(const std::string& sFolder);
    void AttachDemo();
    bool Save();
    void RequestQuit();
    // Opens another demo folder (or makes a new demo there), asking first about unsaved
    // changes of the one open.
    void RequestOpen(const std::string& sFolder, bool bCreate);
    // Runs fnThen once the open demo's unsaved changes are saved or given up (sAction says
    // what waits: "closing"); at once when there are none. Cancelled: never.
    void WhenChangesAreSafe(const std::string& sAction, std::function<void()> fnThen);
    void WriteRecoveryWhenDue();
    void WatchFolder();
    void ReloadFromDisk();
    void SaveFramePng(const std::string& sPath);
    void SaveWindowPicture();
    void StartExport(SEditorExportSettings settings);
    // A file name of the export dialog: a relative one is in the demo's folder.
    std::string ResolveExportPath(const std::string& sFile) const;
    double FrameToSeconds(float fFrame);
    void Ask(SEditorQuestion question);
    void Tell(const std::string& sTitle, const std::string& sText);
    bool HasDemo() const { return m_Document.IsOpen(); }

    // The window and SDL go last: the device, the demo and the interface release their
    // objects in the window's graphics context first (members are destroyed in reverse order).
    struct SWindowHolder
    {
        SDL_Window* pWindow = nullptr;
        bool bSdlStarted = false;
        ~SWindowHolder();
    };
    SWindowHolder m_Window;
    SDL_Window*& m_pWindow = m_Window.pWindow;
    COrvComPtr<IDirect3D9> m_pD3D;
    COrvComPtr<IDirect3DDevice9> m_pDevice;
    D3DPRESENT_PARAMETERS m_Present = {};
    bool m_bImGuiStarted = false;
    std::unique_ptr<CImGuiD3D9Renderer> m_pRenderer;
    std::unique_ptr<CEditorView> m_pView;
    std::unique_ptr<CDemoClock> m_pClock;

    CEditorDocument m_Document;
    CEditorSelection m_Selection;
    CEditorActions m_Actions;
    CEditorPalette m_Palette;
    CEditorTransport m_Transport;
    CDemoWatcher m_Watcher;
    CEditorExport m_Export;
    SEditorContext m_Context;
    SEditorLayout m_Layout;
    std::string m_sConfigPath;
    bool m_bApplyLayout = true;

    std::string m_sStatus;
    std::vector<SEditorQuestion> m_Questions;
    std::vector<std::function<void()>> m_Deferred;
    bool m_bQuit = false;
    bool m_bDragging = false;
    std::string m_sTitle;
    std::string m_sLastSavedText;
    Clock::time_point m_LastRecovery = Clock::now();
    std::string m_sExportFile;
    SExportDialog m_ExportDialog;
    bool m_bShowExport = false;
    bool m_bShowOpen = false;
    char m_szOpenFolder[1024] = {};
    bool m_bOverwriteConfirmed = false;
    std::string m_sWindowPicture;
    int m_iWindowPictureDelay = 0;
};
