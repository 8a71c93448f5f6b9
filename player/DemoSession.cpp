#include "DemoSession.h"

#include "PlayerMusic.h"
#include "audio/OrvMusic.h"
#include "document/OrvDemo.h"

#include <unistd.h>

#include <filesystem>

namespace
{

std::string CanonicalFolder(const std::string& strPath)
{
    std::error_code ec;
    std::filesystem::path path = std::filesystem::weakly_canonical(strPath, ec);
    if (ec)
    {
        path = std::filesystem::absolute(strPath, ec);
    }
    std::string strFolder = path.string();
    while (strFolder.size() > 1 && strFolder.back() == '/')
    {
        strFolder.pop_back();
    }
    return strFolder;
}

bool SamePath(const std::string& strA, const std::string& strB)
{
    return !strA.empty() && CanonicalFolder(strA) == CanonicalFolder(strB);
}

} // namespace

CDemoSession::CDemoSession(const std::string& strDemoDir, int iWidth, int iHeight)
    : m_strDemoDir(CanonicalFolder(strDemoDir)), m_iWidth(iWidth), m_iHeight(iHeight)
{
}

CDemoSession::~CDemoSession() = default;

std::string CDemoSession::Describe(const ORV_LoadProblem& problem) const
{
    ORV_LoadProblem shown = problem;
    const std::filesystem::path relative =
        std::filesystem::path(problem.m_File).lexically_relative(m_strDemoDir);
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

std::unique_ptr<COrvDemo> CDemoSession::Build(float fFrameTime, std::string& rsProblem)
{
    // The document takes its data folder from the current directory.
    if (chdir(m_strDemoDir.c_str()) != 0)
    {
        rsProblem = "the demo folder " + m_strDemoDir + " is not there any more";
        return nullptr;
    }
    auto pDemo = std::make_unique<COrvDemo>();
    pDemo->SetOutputSize(m_iWidth, m_iHeight);
    if (!pDemo->Load("demo.orv"))
    {
        const std::vector<ORV_LoadProblem>& problems = pDemo->GetProblems();
        rsProblem = problems.empty() ? "cannot read demo.orv" : Describe(problems.front());
        return nullptr;
    }
    pDemo->SetDevice(m_pDevice);
    pDemo->UpdateResources(fFrameTime);
    return pDemo;
}

bool CDemoSession::Load(IDirect3DDevice9* pDevice, std::string& rsError)
{
    m_pDevice = pDevice;
    std::unique_ptr<COrvDemo> pDemo = Build(0.0f, rsError);
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
    const std::string strOldFile = GetMusicFilePath(m_pDemo.get());
    const std::string strNewFile = GetMusicFilePath(&rNew);
    bool bSame = pOld->IsOpen() && pOld->GetStream() != 0 && SamePath(strOldFile, strNewFile) &&
                 pOld->GetBPM() == rNew.GetMusic()->GetBPM();
    for (const std::string& strChanged : changed)
    {
        bSame = bSame && !SamePath(strChanged, strNewFile);
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
                          std::string& rsProblem)
{
    rsProblem.clear();
    std::unique_ptr<COrvDemo> pNew = Build(fFrameTime, rsProblem);
    if (!pNew)
    {
        return false;
    }
    const std::vector<ORV_LoadProblem>& problems = pNew->GetProblems();
    const bool bClean = problems.empty();
    if (!bClean)
    {
        rsProblem = Describe(problems.front());
        if (problems.size() > 1)
        {
            rsProblem += " (and " + std::to_string(problems.size() - 1) + " more)";
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
