#include "EditorDocument.h"

#include "EditorObjectCommands.h"

#include "core/OrvPropBase.h"
#include "document/OrvDemo.h"
#include "graphics/OrvResource.h"
#include "layers/OrvLayer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace fs = std::filesystem;

namespace
{
constexpr const char* kDemoFile = "demo.orv";
constexpr const char* kBookmarksFile = ".demo.orv.bookmarks";
constexpr long kMaxBookmarkFrame = 1L << 30;
constexpr const char* kRecoveryFile = ".demo.orv.recovery";

std::string Reason()
{
    return std::strerror(errno);
}

bool WriteAll(int fd, const std::string& sText)
{
    size_t uWritten = 0;
    while (uWritten < sText.size())
    {
        const ssize_t n = ::write(fd, sText.data() + uWritten, sText.size() - uWritten);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        uWritten += static_cast<size_t>(n);
    }
    return true;
}

bool ReadWhole(const std::string& sPath, std::string& sText)
{
    std::ifstream file(sPath, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream contents;
    contents << file.rdbuf();
    sText = contents.str();
    return !file.bad();
}

// The process's current directory, given back when the object goes (opening a demo moves it
// into the demo's folder, and its loaders into the data folder).
class CCurrentDirectory
{
public:
    CCurrentDirectory()
    {
        std::error_code error;
        m_Saved = fs::current_path(error);
    }
    ~CCurrentDirectory()
    {
        if (m_bRestore && !m_Saved.empty())
        {
            std::error_code error;
            fs::current_path(m_Saved, error);
        }
    }
    void Keep() { m_bRestore = false; }

private:
    fs::path m_Saved;
    bool m_bRestore = true;
};
} // namespace

CEditorDocument::CEditorDocument() : m_pDemo(std::make_unique<COrvDemo>()) {}

CEditorDocument::~CEditorDocument()
{
    // The commands first: they hold objects of the demo.
    m_History.Clear();
    m_KnownResources.clear();
    m_Drag = SDrag();
    if (m_pDemo)
        m_pDemo->SetDevice(nullptr);
}

void CEditorDocument::SetDevice(IDirect3DDevice9* pDevice)
{
    m_pDevice = pDevice;
    m_pDemo->SetDevice(pDevice);
}

bool CEditorDocument::IsOpen() const
{
    return !m_sFolder.empty();
}

std::string CEditorDocument::GetDemoPath() const
{
    return (fs::path(m_sFolder) / kDemoFile).string();
}

std::string CEditorDocument::GetRecoveryPath(const std::string& sFolder)
{
    return (fs::path(sFolder) / kRecoveryFile).string();
}

bool CEditorDocument::LoadFromFile(const std::string& sFolder, const std::string& sFile,
                                   std::string& sError)
{
    std::error_code error;
    const fs::path folder = fs::absolute(sFolder, error);
    if (error || !fs::is_directory(folder, error))
    {
        sError = "the folder " + sFolder + " does not exist";
        return false;
    }
    CCurrentDirectory current;
    // The document takes its data folder from the current directory.
    if (::chdir(folder.c_str()) != 0)
    {
        sError = "cannot enter the folder " + folder.string() + ": " + Reason();
        return false;
    }
    auto pDemo = std::make_unique<COrvDemo>();
    if (!pDemo->Load(sFile))
    {
        const auto& problems = pDemo->GetProblems();
        sError = problems.empty() ? "cannot read " + sFile : problems.front().Describe();
        return false;
    }
    // The demo as the player would show it: its files read for the first frame.
    pDemo->SetDevice(m_pDevice);
    const float fFrame = COrvPropBase::m_siFrame;
    pDemo->UpdateResources(0.0f);
    COrvPropBase::SetFrame(fFrame);

    m_History.Clear();
    m_Drag = SDrag();
    m_KnownResources.clear();
    if (m_pDemo)
        m_pDemo->SetDevice(nullptr);
    m_pDemo = std::move(pDemo);
    m_sFolder = folder.string();
    m_OpenProblems = m_pDemo->GetProblems();
    m_bModifiedOutsideHistory = false;
    m_bHasAffected = false;
    m_EngineMade.clear();
    NoteEngineMade();
    m_EngineMade.clear(); // what loading made is part of the document as opened
    ReadBookmarks();
    current.Keep();
    return true;
}

std::string CEditorDocument::GetBookmarksPath(const std::string& sFolder)
{
    return (fs::path(sFolder) / kBookmarksFile).string();
}

void CEditorDocument::ReadBookmarks()
{
    // Frames, one per line; anything else in the file is passed over.
    std::vector<int> vFrames;
    std::ifstream file(GetBookmarksPath(m_sFolder));
    for (std::string sLine; std::getline(file, sLine);)
    {
        char* pEnd = nullptr;
        const long iFrame = std::strtol(sLine.c_str(), &pEnd, 10);
        if (pEnd != sLine.c_str() && iFrame >= 0 && iFrame <= kMaxBookmarkFrame)
            vFrames.push_back(static_cast<int>(iFrame));
    }
    KeepBookmarks(std::move(vFrames));
}

void CEditorDocument::KeepBookmarks(std::vector<int> vFrames)
{
    std::sort(vFrames.begin(), vFrames.end());
    vFrames.erase(std::unique(vFrames.begin(), vFrames.end()), vFrames.end());
    m_vBookmarks = std::move(vFrames);
}

bool CEditorDocument::SetBookmarks(std::vector<int> vFrames, std::string& sError)
{
    KeepBookmarks(std::move(vFrames));
    if (!IsOpen())
        return true;
    const std::string sPath = GetBookmarksPath(m_sFolder);
    if (m_vBookmarks.empty())
    {
        std::error_code ec;
        fs::remove(sPath, ec);
        return true;
    }
    std::string sText;
    for (int iFrame : m_vBookmarks)
        sText += std::to_string(iFrame) + "\n";
    return WriteAtomically(sPath, sText, false, sError);
}

bool CEditorDocument::Open(const std::string& sFolder, std::string& sError)
{
    const std::string sPath = (fs::path(sFolder) / kDemoFile).string();
    if (::access(sPath.c_str(), R_OK) != 0)
    {
        sError = fs::exists(sPath) ? sPath + " cannot be read: " + Reason()
                                   : "there is no " + std::string(kDemoFile) + " in " + sFolder;
        return false;
    }
    return LoadFromFile(sFolder, kDemoFile, sError);
}

bool CEditorDocument::Reload(std::string& sError)
{
    if (!IsOpen())
    {
        sError = "no document is open";
        return false;
    }
    return Open(m_sFolder, sError);
}

bool CEditorDocument::CreateNew(const std::string& sFolder, std::string& sError)
{
    std::error_code error;
    const fs::path folder = fs::absolute(sFolder, error);
    if (fs::exists(folder / kDemoFile, error))
    {
        sError = sFolder + " already holds a demo";
        return false;
    }
    fs::create_directories(folder / "data", error);
    if (error)
    {
        sError = "cannot make the folder " + (folder / "data").string() + ": " + error.message();
        return false;
    }
    COrvDemo empty;
    std::string sText;
    if (!empty.Save(sText) || !WriteAtomically((folder / kDemoFile).string(), sText, false, sError))
        return false;
    return Open(folder.string(), sError);
}

std::string CEditorDocument::GetSaveText()
{
    std::string sText;
    m_pDemo->Save(sText);
    return sText;
}

bool CEditorDocument::WriteAtomically(const std::string& sPath, const std::string& sText,
                                      bool bBackup, std::string& sError)
{
    std::string sTemporary = sPath + ".XXXXXX";
    const int fd = ::mkstemp(sTemporary.data());
    if (fd < 0)
    {
        sError = "cannot write in " + fs::path(sPath).parent_path().string() + ": " + Reason();
        return false;
    }
    bool bOk = !Failing("write") && WriteAll(fd, sText);
    const char* pStage = "writing";
    if (bOk)
    {
        pStage = "flushing";
        bOk = !Failing("flush") && ::fsync(fd) == 0;
    }
    // mkstemp makes the file private; a demo is an ordinary document.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    bOk = ::fchmod(fd, 0666 & ~mask) == 0 && bOk;
    bOk = ::close(fd) == 0 && bOk;
    if (!bOk)
    {
        sError = std::string(pStage) + " " + sPath +
                 " failed: " + (errno ? Reason() : std::string("injected failure"));
        std::remove(sTemporary.c_str());
        return false;
    }
    if (bBackup && fs::exists(sPath))
    {
        // The previous version, kept whole: copied through a file of its own and renamed.
        std::string sOld;
        std::string sBackupError;
        if (Failing("backup") || !ReadWhole(sPath, sOld) ||
            !WriteAtomically(sPath + ".bak", sOld, false, sBackupError))
        {
            sError = "cannot keep the previous version as " + sPath + ".bak" +
                     (sBackupError.empty() ? std::string() : ": " + sBackupError);
            std::remove(sTemporary.c_str());
            return false;
        }
    }
    if (Failing("rename") || std::rename(sTemporary.c_str(), sPath.c_str()) != 0)
    {
        sError = "cannot replace " + sPath + ": " +
                 (Failing("rename") ? std::string("injected failure") : Reason());
        std::remove(sTemporary.c_str());
        return false;
    }
    return true;
}

bool CEditorDocument::Save(std::string& sError)
{
    if (!IsOpen())
    {
        sError = "no document is open";
        return false;
    }
    errno = 0;
    if (!WriteAtomically(GetDemoPath(), GetSaveText(), true, sError))
        return false;
    m_History.MarkSaved();
    m_bModifiedOutsideHistory = false;
    DiscardRecovery();
    return true;
}

bool CEditorDocument::IsModified() const
{
    return m_bModifiedOutsideHistory || !m_History.IsAtSavePoint();
}

bool CEditorDocument::WriteRecovery(std::string& sError)
{
    if (!IsOpen())
    {
        sError = "no document is open";
        return false;
    }
    errno = 0;
    return WriteAtomically(GetRecoveryPath(m_sFolder), GetSaveText(), false, sError);
}

bool CEditorDocument::HasRecovery(const std::string& sFolder)
{
    std::error_code error;
    return fs::is_regular_file(GetRecoveryPath(sFolder), error);
}

bool CEditorDocument::OpenRecovery(const std::string& sFolder, std::string& sError)
{
    if (!HasRecovery(sFolder))
    {
        sError = "there is no recovery copy in " + sFolder;
        return false;
    }
    if (!LoadFromFile(sFolder, kRecoveryFile, sError))
        return false;
    // The copy holds changes the file does not: saving them is still to be done.
    m_bModifiedOutsideHistory = true;
    return true;
}

void CEditorDocument::DiscardRecovery()
{
    if (IsOpen())
        std::remove(GetRecoveryPath(m_sFolder).c_str());
}

// ---- Steps -------------------------------------------------------------------------------

void CEditorDocument::NoteAffected(const IEditorCommand& command)
{
    m_bHasAffected = command.GetAffectedObject(m_LastAffected);
}

bool CEditorDocument::GetLastAffected(SEditorObjectRef& ref) const
{
    if (m_bHasAffected)
        ref = m_LastAffected;
    return m_bHasAffected;
}

namespace
{
// The resources of the list that are not among those known, in list order.
std::vector<COrvResource*> UnknownResources(const std::vector<COrvResource*>& resources,
                                            const std::vector<COrvComPtr<COrvResource>>& known)
{
    std::vector<COrvResource*> unknown;
    // Usually the same list: one pass tells.
    const bool bSame = resources.size() == known.size() &&
                       std::equal(resources.begin(), resources.end(), known.begin(),
                                  [](const COrvResource* p, const auto& q) { return q == p; });
    if (bSame)
        return unknown;
    std::unordered_set<const COrvResource*> seen;
    for (const auto& pKnown : known)
        seen.insert(pKnown.Get());
    for (COrvResource* pResource : resources)
        if (!seen.count(pResource))
            unknown.push_back(pResource);
    return unknown;
}
} // namespace

void CEditorDocument::NoteEngineMade()
{
    const std::vector<COrvResource*>& resources = m_pDemo->GetResources();
    for (COrvResource* pResource : UnknownResources(resources, m_KnownResources))
        m_EngineMade.push_back(pResource->GetName());
    m_KnownResources.clear();
    m_KnownResources.reserve(resources.size());
    for (COrvResource* pResource : resources)
        m_KnownResources.emplace_back(pResource);
}

std::string CEditorDocument::DescribeEngineMade() const
{
    std::vector<std::string> names = m_EngineMade;
    // Resources seen since the last step are the engine's too.
    for (COrvResource* pResource : UnknownResources(m_pDemo->GetResources(), m_KnownResources))
        names.push_back(pResource->GetName());
    if (names.empty())
        return {};
    std::string sText = "made by the engine while drawing, which undo leaves in place:";
    for (const std::string& sName : names)
        sText += " '" + sName + "'";
    return sText;
}

bool CEditorDocument::Execute(EditorCommandPtr pCommand, std::string& sError)
{
    if (!pCommand)
    {
        sError = "nothing to do";
        return false;
    }
    if (m_Drag.bActive)
    {
        sError = "a drag is in progress";
        return false;
    }
    NoteEngineMade();
    if (!pCommand->Apply(*this, sError))
        return false;
    NoteAffected(*pCommand);
    NoteEngineMade();
    if (!pCommand->IsEmpty())
        m_History.Push(std::move(pCommand));
    return true;
}

bool CEditorDocument::Undo()
{
    IEditorCommand* pCommand = m_History.PeekUndo();
    if (!pCommand || m_Drag.bActive)
        return false;
    NoteEngineMade();
    pCommand->Revert(*this);
    m_History.StepBack();
    NoteAffected(*pCommand);
    NoteEngineMade();
    return true;
}

bool CEditorDocument::Redo()
{
    IEditorCommand* pCommand = m_History.PeekRedo();
    if (!pCommand || m_Drag.bActive)
        return false;
    NoteEngineMade();
    std::string sError;
    if (!pCommand->Apply(*this, sError))
        return false;
    m_History.StepForward();
    NoteAffected(*pCommand);
    NoteEngineMade();
    return true;
}

// ---- Drags -------------------------------------------------------------------------------

COrvLayer* CEditorDocument::FindDragLayer() const
{
    if (m_Drag.layer.eList != EEditorList::Layers)
        return nullptr;
    return dynamic_cast<COrvLayer*>(EditorFindObject(*m_pDemo, m_Drag.layer));
}

bool CEditorDocument::BeginDrag(const SEditorObjectRef& layer, float fFrame, float fX, float fY)
{
    if (m_Drag.bActive)
        return false;
    m_Drag.layer = layer;
    COrvLayer* pLayer = FindDragLayer();
    if (!pLayer)
        return false;
    std::vector<SEditorPropRef> props;
    for (size_t i = 0; i < pLayer->GetProperties().size(); ++i)
        props.push_back({layer, i});
    m_Drag.changes = CEditorPropChanges();
    m_Drag.changes.Begin(*m_pDemo, props);
    m_Drag.fFrame = fFrame;
    m_Drag.bActive = true;
    CEditorFrameForWriting frame(fFrame);
    pLayer->MouseDown(fX, fY);
    return true;
}

void CEditorDocument::MoveDrag(float fX, float fY, DWORD uFlags)
{
    COrvLayer* pLayer = m_Drag.bActive ? FindDragLayer() : nullptr;
    if (!pLayer)
        return;
    CEditorFrameForWriting frame(m_Drag.fFrame);
    pLayer->MouseMove(fX, fY, uFlags);
}

bool CEditorDocument::EndDrag(float fX, float fY, std::string& sError)
{
    COrvLayer* pLayer = m_Drag.bActive ? FindDragLayer() : nullptr;
    if (!pLayer)
    {
        sError = "no drag is in progress";
        return false;
    }
    {
        CEditorFrameForWriting frame(m_Drag.fFrame);
        pLayer->MouseUp(fX, fY);
    }
    m_Drag.changes.End(*m_pDemo);
    m_Drag.bActive = false;
    auto pCommand = std::make_unique<CEditorRecordedCommand>(
        m_Drag.layer, std::move(m_Drag.changes), "Drag " + pLayer->GetName());
    m_Drag = SDrag();
    // Already applied: kept as a step unless it changed nothing.
    NoteAffected(*pCommand);
    if (!pCommand->IsEmpty())
        m_History.Push(std::move(pCommand));
    return true;
}
