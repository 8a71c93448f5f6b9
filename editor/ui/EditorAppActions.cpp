#include "EditorApp.h"

#include "EditorPanels.h"

#include <algorithm>
#include <cstdio>

// The actions of the command palette that belong to the program rather than to the document
// or the panels: the transport, files, export, output size, the panels shown.

void CEditorApp::AdoptActions(const CEditorActions& actions)
{
    // Each is refused while no demo is open.
    for (SEditorAction action : actions.GetActions())
    {
        action.fnRun =
            [this, fnRun = action.fnRun](const std::string& sArgument, std::string& sError)
        {
            if (HasDemo())
                return fnRun(sArgument, sError);
            sError = "no demo is open";
            return false;
        };
        m_Actions.Register(std::move(action));
    }
}

void CEditorApp::RegisterShellActions()
{
    // The document's and the panels' own actions.
    CEditorActions documentActions;
    RegisterDocumentActions(
        documentActions, m_Document, m_Selection, [this] { return GetFrame(); },
        [this](float fFrame) { SetFrame(fFrame); });
    AdoptActions(documentActions);
    CEditorActions panelActions;
    RegisterPanelActions(panelActions, m_Context);
    AdoptActions(panelActions);
    RegisterTransportActions();
    RegisterFileActions();
    RegisterViewActions();
}

void CEditorApp::AddShellAction(std::string sName, std::string sShortcut, std::function<void()> fn)
{
    SEditorAction action;
    action.sName = std::move(sName);
    action.sShortcut = std::move(sShortcut);
    action.fnRun = [this, fn](const std::string&, std::string& sError)
    {
        if (!HasDemo())
        {
            sError = "no demo is open";
            return false;
        }
        fn();
        return true;
    };
    m_Actions.Register(std::move(action));
}

void CEditorApp::AddArgumentAction(std::string sName, std::string sHint,
                                   std::function<bool(const std::string&, std::string&)> fnRun)
{
    SEditorAction action;
    action.sName = std::move(sName);
    action.bTakesArgument = true;
    action.sArgumentHint = std::move(sHint);
    action.fnRun = std::move(fnRun);
    m_Actions.Register(std::move(action));
}

void CEditorApp::RegisterTransportActions()
{
    AddShellAction("Play / pause", "Space", [this] { m_Transport.TogglePlaying(*m_pClock); });
    AddShellAction("Go to start", "Home", [this] { SetFrame(0.0f); });
    AddShellAction("Go to end", "End", [this] { SetFrame(m_Transport.GetEndFrame()); });
    AddShellAction("Back one sixteenth", "Ctrl+Left", [this] { m_Transport.Step(*m_pClock, -1); });
    AddShellAction("On one sixteenth", "Ctrl+Right", [this] { m_Transport.Step(*m_pClock, 1); });
    AddShellAction("Back one beat", "Left", [this] { m_Transport.Step(*m_pClock, -16); });
    AddShellAction("On one beat", "Right", [this] { m_Transport.Step(*m_pClock, 16); });
    AddShellAction("Back 16 beats", "Shift+Left", [this] { m_Transport.Step(*m_pClock, -256); });
    AddShellAction("On 16 beats", "Shift+Right", [this] { m_Transport.Step(*m_pClock, 256); });
    AddShellAction("Loop start here", "I",
                   [this] {
                       m_Transport.SetLoop(GetFrame(),
                                           std::max(GetFrame() + 64.0f, m_Transport.GetLoopEnd()));
                   });
    AddShellAction("Loop end here", "O",
                   [this] { m_Transport.SetLoop(m_Transport.GetLoopStart(), GetFrame()); });
    AddShellAction("Loop off", "L", [this] { m_Transport.ClearLoop(); });
}

void CEditorApp::RegisterFileActions()
{
    // These two work with no demo open.
    AddArgumentAction("Open demo", "folder",
                      [this](const std::string& sFolder, std::string&)
                      {
                          RequestOpen(sFolder, false);
                          return true;
                      });
    AddArgumentAction("New demo", "folder",
                      [this](const std::string& sFolder, std::string&)
                      {
                          RequestOpen(sFolder, true);
                          return true;
                      });
    AddShellAction("Save", "Ctrl+S", [this] { Save(); });
    AddShellAction("Export video", "Ctrl+E", [this] { m_bShowExport = true; });
    AddShellAction("Quit", "Ctrl+Q", [this] { RequestQuit(); });
    AddArgumentAction("Save picture of the editor", "file.png",
                      [this](const std::string& sArgument, std::string& sError)
                      {
                          if (sArgument.empty())
                          {
                              sError = "name the PNG file to write";
                              return false;
                          }
                          // Taken once the next frame is presented, so the palette is gone.
                          m_sWindowPicture = sArgument;
                          m_iWindowPictureDelay = 2;
                          return true;
                      });
    AddArgumentAction("Export video to", "file.mp4",
                      [this](const std::string& sArgument, std::string& sError)
                      {
                          if (!HasDemo())
                          {
                              sError = "no demo is open";
                              return false;
                          }
                          // With the dialog's other settings; the dialog shows the progress.
                          SEditorExportSettings settings = MakeExportSettings(
                              m_ExportDialog, m_Layout.iOutputWidth, m_Layout.iOutputHeight);
                          settings.sFile = sArgument;
                          m_bShowExport = true;
                          StartExport(settings);
                          return true;
                      });
    AddArgumentAction("Export frame as PNG", "file.png",
                      [this](const std::string& sArgument, std::string& sError)
                      {
                          if (!HasDemo())
                          {
                              sError = "no demo is open";
                              return false;
                          }
                          SaveFramePng(sArgument.empty() ? std::string(m_ExportDialog.szPng)
                                                         : sArgument);
                          return true;
                      });
}

void CEditorApp::RegisterViewActions()
{
    AddShellAction("Output 1280x720", "",
                   [this]
                   {
                       m_Layout.iOutputWidth = 1280;
                       m_Layout.iOutputHeight = 720;
                   });
    AddShellAction("Output 1920x1080", "",
                   [this]
                   {
                       m_Layout.iOutputWidth = 1920;
                       m_Layout.iOutputHeight = 1080;
                   });
    AddArgumentAction(
        "Output size", "WIDTHxHEIGHT",
        [this](const std::string& sArgument, std::string& sError)
        {
            int iWidth = 0;
            int iHeight = 0;
            char cRest = 0;
            if (std::sscanf(sArgument.c_str(), "%dx%d%c", &iWidth, &iHeight, &cRest) != 2 ||
                iWidth < 16 || iHeight < 16 || iWidth > 8192 || iHeight > 8192)
            {
                sError = "give the size as WIDTHxHEIGHT, 16 to 8192 pixels each";
                return false;
            }
            m_Layout.iOutputWidth = iWidth;
            m_Layout.iOutputHeight = iHeight;
            return true;
        });
    for (const SPanelToggle& toggle : PanelToggles())
    {
        SEditorAction action;
        action.sName = std::string("Toggle ") + toggle.pName + " panel: show or hide";
        action.fnRun = [this, toggle](const std::string&, std::string&)
        {
            TogglePanel(m_Layout.*toggle.pShown);
            return true;
        };
        m_Actions.Register(std::move(action));
    }
}
