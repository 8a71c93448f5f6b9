#include "DemoSession.h"

#include "PlayerMusic.h"
#include "audio/OrvMusic.h"
#include "document/OrvDemo.h"

#include <malloc.h>
#include <unistd.h>

#include <filesystem>

namespace
{

std::string CanonicalFolder(const std::string& sPath)
{
    std::error_code ec;
    std::filesystem::path path = std::filesystem::weakly_canonical(sPath, ec);
    if (ec)
    {
        path = std::filesystem::absolute(sPath, ec);
    }
    std::string sFolder = path.string();
    while (sFolder.size() > 1 && sFolder.back() == '/')
    {
        sFolder.pop_back();
    }
    return sFolder;
}

bool SamePath(const std::string& sA, const std::string& sB)
{
    return !sA.empty() && CanonicalFolder(sA) == CanonicalFolder(sB);
}

} // namespace

void CDemoSession::KeepFreedMemory()
{
    // Blocks up to 64 MiB come from the heap, and the heap is not trimmed below 512 MiB.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
}

CDemoSession::CDemoSession(const std::string& sDemoDir, int iWidth, int iHeight)
    : m_sDemoDir(CanonicalFolder(sDemoDir)), m_iWidth(iWidth), m_iHeight(iHeight)
{
}

CDemoSession::~CDemoSession() = default;

std::string CDemoSession::Describe(const ORV_LoadProblem& problem) const
{
    ORV_LoadProblem shown = problem;
    const std::filesystem::path relative =
        std::filesystem::path(problem.m_File).lexically_relative(m_sDemoDir);
    if (!relative.empty() && *relative.begin() != "..")
    {
        shown.m_File = relative.string();
    }
    return shown.Describe();
}

std::vector<std::string> CDemoSession::DescribeProblems() const
{
    std::vector<std::string> lines;
    if (m_pDemo)
    {
        for (const ORV_LoadProblem& problem : m_pDemo->GetProblems())
        {
            lines.push_back(Describe(problem));
        }
    }
    return lines;
}

std::vector<std::string> CDemoSession::TakeNewProblems()
{
    std::vector<std::string> lines;
    if (!m_pDemo)
    {
        return lines;
    }
    const std::vector<ORV_LoadProblem>& problems = m_pDemo->GetProblems();
    for (size_t i = m_iProblemsSeen; i < problems.size(); ++i)
    {
        lines.push_back(Describe(problems[i]));
    }
    m_iProblemsSeen = problems.size();
    return lines;
}

std::unique_ptr<COrvDemo> CDemoSession::Build(float fFrameTime, std::string& sProblem)
{
    // The document takes its data folder from the current directory.
    if (chdir(m_sDemoDir.c_str()) != 0)
    {
        sProblem = "the demo folder " + m_sDemoDir + " is not there any more";
        return nullptr;
    }
    auto pDemo = std::make_unique<COrvDemo>();
    pDemo->SetOutputSize(m_iWidth, m_iHeight);
    if (!pDemo->Load("demo.orv"))
    {
        const std::vector<ORV_LoadProblem>& problems = pDemo->GetProblems();
        sProblem = problems.empty() ? "cannot read demo.orv" : Describe(problems.front());
        return nullptr;
    }
    pDemo->SetDevice(m_pDevice);
    pDemo->UpdateResources(fFrameTime);
    return pDemo;
}

bool CDemoSession::Load(IDirect3DDevice9* pDevice, std::string& sError)
{
    m_pDevice = pDevice;
    std::unique_ptr<COrvDemo> pDemo = Build(0.0f, sError);
    if (!pDemo)
    {
        return false;
    }
    m_pDemo = std::move(pDemo);
    m_bClean = m_pDemo->GetProblems().empty();
    m_iProblemsSeen = 0;
    return true;
}

void CDemoSession::HandOverMusic(COrvDemo& rNew, bool bPlaying,
                                 const std::vector<std::string>& changed)
{
    COrvMusic* pOld = m_pDemo->GetMusic();
    const std::string sOldFile = GetMusicFilePath(m_pDemo.get());
    const std::string sNewFile = GetMusicFilePath(&rNew);
    bool bSame = pOld->IsOpen() && pOld->GetStream() != 0 && SamePath(sOldFile, sNewFile) &&
                 pOld->GetBPM() == rNew.GetMusic()->GetBPM();
    for (const std::string& sChanged : changed)
    {
        bSame = bSame && !SamePath(sChanged, sNewFile);
    }
    if (bSame)
    {
        // The same music at the same tempo: it plays on, now in the new document.
        rNew.SwapMusic(*m_pDemo);
        return;
    }
    // Another music or tempo: the new one starts as far in, in seconds, as the old one was.
    const double dOldBpm = pOld->GetBPM();
    const double dSeconds = dOldBpm > 0.0 ? m_pDemo->BassGetTime() / (dOldBpm / 60.0) : 0.0;
    m_pDemo->BassStop();
    rNew.BassSetTime(static_cast<float>(dSeconds * rNew.GetMusic()->GetBPM() / 60.0));
    if (bPlaying)
    {
        rNew.BassPlay();
    }
}

bool CDemoSession::Reload(float fFrameTime, bool bPlaying, const std::vector<std::string>& changed,
                          std::string& sProblem)
{
    sProblem.clear();
    std::unique_ptr<COrvDemo> pNew = Build(fFrameTime, sProblem);
    if (!pNew)
    {
        return false;
    }
    const std::vector<ORV_LoadProblem>& problems = pNew->GetProblems();
    const bool bClean = problems.empty();
    if (!bClean)
    {
        sProblem = Describe(problems.front());
        if (problems.size() > 1)
        {
            sProblem += " (and " + std::to_string(problems.size() - 1) + " more)";
        }
        if (m_bClean || !m_pDemo)
        {
            return false; // the last good demo stays
        }
    }
    if (m_pDemo)
    {
        HandOverMusic(*pNew, bPlaying, changed);
    }
    m_pDemo = std::move(pNew);
    m_bClean = bClean;
    m_iProblemsSeen = m_pDemo->GetProblems().size();
    return true;
}
