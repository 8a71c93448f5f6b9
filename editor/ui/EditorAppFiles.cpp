// The editor's files: opening (and the recovery copy left by a crash), saving, asking before
// unsaved changes are lost, the recovery copy written while there are unsaved changes, the
// folder watched for changes made outside, the export and the PNG of the current frame.
#include "EditorApp.h"

#include "PlayerMusic.h"
#include "PlayerScreenshot.h"
#include "TimelineScale.h"
#include "document/OrvDemo.h"

#include <imgui.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
// Unsaved changes are copied this often (ORV_EDITOR_RECOVERY_SECONDS changes it, for tests
// that cannot wait half a minute).
std::chrono::milliseconds GetRecoveryInterval()
{
    const char* pSeconds = std::getenv("ORV_EDITOR_RECOVERY_SECONDS");
    const double dSeconds = pSeconds != nullptr ? std::atof(pSeconds) : 0.0;
    return std::chrono::milliseconds(dSeconds > 0.0 ? long(dSeconds * 1000.0) : 30000L);
}
// A change outside settles this long before it is looked at.
constexpr std::chrono::milliseconds kChangeQuiet(100);

std::string ReadWholeFile(const std::string& sPath)
{
    std::ifstream file(sPath, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The player reads a demo in the current directory's terms; the editor keeps paths absolute.
std::string MakeAbsolute(const std::string& sFolder)
{
    std::error_code ec;
    const fs::path absolute = fs::absolute(sFolder, ec);
    return ec ? sFolder : absolute.lexically_normal().string();
}
} // namespace

void CEditorApp::Tell(const std::string& sTitle, const std::string& sText)
{
    Ask({sTitle, sText, {{"OK", [] {}}}});
}

void CEditorApp::Ask(SEditorQuestion question)
{
    m_Questions.push_back(std::move(question));
}

void CEditorApp::OpenAtStart(const SEditorOptions& options)
{
    if (options.sFolder.empty())
        return;
    std::string sFolder = MakeAbsolute(options.sFolder);
    // A demo.orv given by a file manager stands for its folder.
    if (fs::is_regular_file(sFolder) && fs::path(sFolder).extension() == ".orv")
        sFolder = fs::path(sFolder).parent_path().string();
    std::string sError;
    if (options.bCreate && !m_Document.CreateNew(sFolder, sError))
    {
        Tell("Cannot make the demo", sError + "\n\nNothing was changed on disk.");
        return;
    }
    if (!options.bCreate && !fs::is_directory(sFolder))
    {
        Tell("No such folder", "The demo folder " + sFolder +
                                   " does not exist. Start the editor with --new " + sFolder +
                                   " to make a new demo there.");
        return;
    }
    if (!options.bCreate && !fs::exists(fs::path(sFolder) / "demo.orv"))
    {
        OfferNewDemo(sFolder);
        return;
    }
    if (CEditorDocument::HasRecovery(sFolder))
    {
        Ask({"Recover unsaved changes?",
             "The editor ended without saving changes to " + sFolder +
                 ". A recovery copy of them is there.",
             {{"Recover", [this, sFolder] { OpenFolder(sFolder, true); }},
              {"Discard the copy",
               [this, sFolder]
               {
                   std::error_code ec;
                   fs::remove(CEditorDocument::GetRecoveryPath(sFolder), ec);
                   OpenFolder(sFolder, false);
               }},
              {"Open the saved file (keep the copy)",
               [this, sFolder] { OpenFolder(sFolder, false); }}}});
        return;
    }
    if (options.bCreate)
        AttachDemo();
    else
        OpenFolder(sFolder, false);
}

void CEditorApp::OfferNewDemo(const std::string& sFolder)
{
    const auto create = [this, sFolder]
    {
        std::string sError;
        if (!m_Document.CreateNew(sFolder, sError))
        {
            Tell("Cannot make the demo", sError + "\n\nNothing was changed on disk.");
            return;
        }
        AttachDemo();
        m_sStatus = "made a new, empty demo in " + sFolder;
    };
    // An empty folder (or one with only a data folder) is where a new demo starts; a folder
    // holding other files is asked about first.
    std::error_code ec;
    bool bEmpty = true;
    for (fs::directory_iterator it(sFolder, ec), end; !ec && it != end; it.increment(ec))
        bEmpty = bEmpty && it->path().filename() == "data";
    if (bEmpty)
        return create();
    Ask({"No demo here",
         "There is no demo.orv in " + sFolder +
             ". Make a new, empty demo there (demo.orv and data/)?",
         {{"Make a new demo", create}, {"Cancel", [] {}}}});
}

bool CEditorApp::OpenFolder(const std::string& sFolder, bool bRecovery)
{
    std::string sError;
    const bool bOpened =
        bRecovery ? m_Document.OpenRecovery(sFolder, sError) : m_Document.Open(sFolder, sError);
    if (!bOpened)
    {
        Tell("Cannot open the demo", sError + "\n\nThe files on disk were not changed.");
        return false;
    }
    AttachDemo();
    const auto& problems = m_Document.GetOpenProblems();
    if (!problems.empty())
    {
        std::string sText = "The engine could not use everything in demo.orv:\n";
        for (size_t i = 0; i < problems.size() && i < 20; ++i)
            sText += "  " + problems[i].Describe() + "\n";
        Tell("Problems in the demo", sText);
    }
    if (access(sFolder.c_str(), W_OK) != 0)
        Tell("Read-only folder",
             "The folder " + sFolder + " cannot be written: changes cannot be saved there.");
    return true;
}

void CEditorApp::AttachDemo()
{
    COrvDemo& demo = m_Document.GetDemo();
    demo.SetOutputSize(m_Layout.iOutputWidth, m_Layout.iOutputHeight);
    demo.SetDevice(m_pDevice.Get());
    m_pClock = std::make_unique<CDemoClock>(demo);
    m_Transport = CEditorTransport();
    const std::string sMusic = GetMusicFilePath(&demo);
    const double dSeconds = sMusic.empty() ? 0.0 : GetSoundFileSeconds(sMusic);
    const float fBpm = GetMusicTempo(&demo);
    if (dSeconds > 0.0 && fBpm > 0.0f)
        m_Transport.SetEndFrame(float(dSeconds * fBpm / 60.0 * CEditorTransport::kFramesPerBeat));
    m_Transport.Seek(*m_pClock, 0.0f);
    m_Selection.Clear();
    std::string sError;
    if (!m_Watcher.Start(m_Document.GetFolder(), sError))
        m_sStatus = "the folder is not watched: " + sError;
    m_sLastSavedText = ReadWholeFile(m_Document.GetDemoPath());
    m_LastRecovery = Clock::now();
    m_bOverwriteConfirmed = false;
}

bool CEditorApp::Save()
{
    std::string sError;
    // A file the engine read only in part is compared once, before its first save.
    const std::vector<std::string> dropped =
        m_Document.GetOpenProblems().empty() || m_bOverwriteConfirmed
            ? std::vector<std::string>()
            : m_Document.CompareWithSave();
    if (!dropped.empty() && m_Questions.empty())
    {
        std::string sText = "demo.orv holds what the engine does not keep; saving drops:\n";
        for (size_t i = 0; i < dropped.size() && i < 12; ++i)
            sText += "  " + dropped[i] + "\n";
        if (dropped.size() > 12)
            sText += "  and " + std::to_string(dropped.size() - 12) + " more\n";
        Ask({"Save over the file?",
             sText,
             {{"Save anyway",
               [this]
               {
                   m_bOverwriteConfirmed = true;
                   std::string sSaveError;
                   if (m_Document.Save(sSaveError))
                       m_sLastSavedText = ReadWholeFile(m_Document.GetDemoPath());
                   else
                       Tell("Not saved", sSaveError + "\n\nYour changes are still here.");
               }},
              {"Cancel", [] {}}}});
        return false;
    }
    if (!m_Document.Save(sError))
    {
        Tell("Not saved", sError + "\n\nYour changes are still here and the file on disk is "
                                   "as it was.");
        return false;
    }
    m_sLastSavedText = ReadWholeFile(m_Document.GetDemoPath());
    m_sStatus = "saved " + m_Document.GetDemoPath();
    return true;
}

void CEditorApp::WhenChangesAreSafe(const std::string& sAction, std::function<void()> fnThen)
{
    if (!HasDemo() || !m_Document.IsModified())
    {
        m_Deferred.push_back(std::move(fnThen));
        return;
    }
    if (!m_Questions.empty())
        return;
    Ask({"Unsaved changes",
         "The demo has changes that are not saved. Save them before " + sAction + "?",
         {{"Save",
           [this, fnThen]
           {
               if (Save())
                   fnThen();
           }},
          {"Discard the changes",
           [this, fnThen]
           {
               m_Document.DiscardRecovery();
               fnThen();
           }},
          {"Cancel", [] {}}}});
}

void CEditorApp::DrawOpenWindow()
{
    if (!m_bShowOpen)
        return;
    const ImGuiViewport* pViewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(ImVec2(pViewport->Size.x * 0.5f, pViewport->Size.y * 0.35f),
                            ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
    ImGui::Begin("Open or make a demo", &m_bShowOpen,
                 ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoSavedSettings);
    if (ImGui::IsWindowAppearing())
        ImGui::SetKeyboardFocusHere();
    ImGui::SetNextItemWidth(480.0f);
    const bool bEnter = ImGui::InputText("Folder", m_szOpenFolder, sizeof(m_szOpenFolder),
                                         ImGuiInputTextFlags_EnterReturnsTrue);
    ImGui::TextDisabled("a demo folder holds demo.orv and data/; a new demo may go in a new "
                        "or an empty folder");
    if (ImGui::Button("Open") || bEnter)
        RequestOpen(m_szOpenFolder, false);
    ImGui::SameLine();
    if (ImGui::Button("Make a new demo there"))
        RequestOpen(m_szOpenFolder, true);
    ImGui::SameLine();
    if (ImGui::Button("Cancel"))
        m_bShowOpen = false;
    ImGui::End();
}

void CEditorApp::RequestQuit()
{
    WhenChangesAreSafe("closing", [this] { m_bQuit = true; });
}

void CEditorApp::RequestOpen(const std::string& sFolder, bool bCreate)
{
    if (sFolder.empty())
    {
        m_sStatus = "name the demo's folder";
        return;
    }
    WhenChangesAreSafe(bCreate ? "making a new demo" : "opening another demo",
                       [this, sFolder, bCreate]
                       {
                           SEditorOptions options;
                           options.sFolder = sFolder;
                           options.bCreate = bCreate;
                           m_bShowOpen = false;
                           OpenAtStart(options);
                       });
}

void CEditorApp::WriteRecoveryWhenDue()
{
    if (!HasDemo() || !m_Document.IsModified())
    {
        m_LastRecovery = Clock::now();
        return;
    }
    if (Clock::now() - m_LastRecovery < GetRecoveryInterval())
        return;
    m_LastRecovery = Clock::now();
    std::string sError;
    if (!m_Document.WriteRecovery(sError))
        m_sStatus = "no recovery copy: " + sError;
}

void CEditorApp::WatchFolder()
{
    if (!HasDemo())
        return;
    m_Watcher.Poll();
    if (!m_Watcher.HasChanges() || !m_Watcher.IsSettled(kChangeQuiet) || !m_Questions.empty())
        return;
    m_Watcher.TakeChanges();
    // The editor's own save is no change from outside.
    if (ReadWholeFile(m_Document.GetDemoPath()) == m_sLastSavedText)
        return;
    if (!m_Document.IsModified())
    {
        ReloadFromDisk();
        return;
    }
    Ask({"Changed outside the editor",
         "demo.orv or a data file was changed by another program, and the editor has unsaved "
         "changes.",
         {{"Reload (drop my changes)", [this] { ReloadFromDisk(); }},
          {"Keep my changes",
           [this] { m_sLastSavedText = ReadWholeFile(m_Document.GetDemoPath()); }}}});
}

void CEditorApp::ReloadFromDisk()
{
    std::string sError;
    const float fFrame = GetFrame();
    m_Transport.SetPlaying(*m_pClock, false);
    if (!m_Document.Reload(sError))
    {
        Tell("Cannot reload", sError + "\n\nThe demo shown is the one from before.");
        return;
    }
    AttachDemo();
    SetFrame(fFrame);
    m_sStatus = "reloaded after a change outside the editor";
}

void CEditorApp::SaveFramePng(const std::string& sPath)
{
    COrvComPtr<IDirect3DSurface9> pSurface;
    if (!m_pView->GetTexture() ||
        FAILED(m_pView->GetTexture()->GetSurfaceLevel(0, pSurface.ReleaseAndGetAddressOf())))
        return;
    std::string sError;
    if (SaveSurfacePng(m_pDevice.Get(), pSurface.Get(), m_pView->GetWidth(), m_pView->GetHeight(),
                       ResolveExportPath(sPath), sError))
        m_sStatus = "saved the frame as " + ResolveExportPath(sPath);
    else
        Tell("No picture", sError);
}

void CEditorApp::SaveWindowPicture()
{
    const std::string sPath = MakeAbsolute(m_sWindowPicture);
    m_sWindowPicture.clear();
    std::string sError;
    if (SaveFrontBufferPng(m_pDevice.Get(), int(m_Present.BackBufferWidth),
                           int(m_Present.BackBufferHeight), sPath, sError))
        m_sStatus = "saved the editor's picture as " + sPath;
    else
        Tell("No picture", sError);
}

std::string CEditorApp::ResolveExportPath(const std::string& sFile) const
{
    fs::path path(sFile);
    if (sFile.rfind("~/", 0) == 0)
        if (const char* pHome = std::getenv("HOME"); pHome != nullptr && pHome[0] != '\0')
            path = fs::path(pHome) / sFile.substr(2);
    if (path.is_relative() && HasDemo())
        path = fs::path(m_Document.GetFolder()) / path;
    return MakeAbsolute(path.string());
}

double CEditorApp::FrameToSeconds(float fFrame)
{
    return orv::editor::FrameToSeconds(fFrame,
                                       HasDemo() ? GetMusicTempo(&m_Document.GetDemo()) : 0.0f);
}

void CEditorApp::StartExport(SEditorExportSettings settings)
{
    settings.sFile = ResolveExportPath(settings.sFile);
    std::string sError;
    if (!m_Export.Start(FindPlayerProgram(), m_Document.GetSaveText(),
                        m_Document.GetDemo().GetDataDir(), settings, sError))
        Tell("Cannot export", sError);
}
