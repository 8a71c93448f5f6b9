#include "EditorExport.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

bool CheckExportSettings(const SEditorExportSettings& settings, std::string& sError)
{
    const auto fail = [&sError](std::string sWhy)
    {
        sError = std::move(sWhy);
        return false;
    };
    if (settings.sFile.empty())
        return fail("name the video file");
    const std::string sExtension = fs::path(settings.sFile).extension().string();
    if (sExtension.empty())
        return fail("the video file's name needs an extension (.mp4, .mkv, .webm, .avi, .mov)");
    if (settings.sCodec.find_first_of(" \t") != std::string::npos)
        return fail("the codec is one encoder name, such as libx264 or ffv1");
    if (settings.iQuality > 63)
        return fail("the quality goes from 0 (best) to 63");
    if (settings.iFps != 0 && settings.iFps != 24 && settings.iFps != 25 && settings.iFps != 30 &&
        settings.iFps != 50 && settings.iFps != 60)
        return fail("the frame rate is 24, 25, 30, 50 or 60");
    if ((settings.iWidth != 0 || settings.iHeight != 0) &&
        (settings.iWidth < 16 || settings.iHeight < 16 || settings.iWidth > 8192 ||
         settings.iHeight > 8192))
        return fail("the size is 16 to 8192 pixels each way");
    if (!(settings.dStart >= 0.0) || !std::isfinite(settings.dStart))
        return fail("the start is a number of seconds from 0");
    if (!(settings.dDuration >= 0.0) || !std::isfinite(settings.dDuration))
        return fail("the duration is a number of seconds (0: to the end)");
    return true;
}

std::vector<std::string> MakeExportArguments(const SEditorExportSettings& settings,
                                             const std::string& sDemoFolder)
{
    std::vector<std::string> args = {"--headless", "--record", settings.sFile};
    if (!settings.sCodec.empty())
        args.insert(args.end(), {"--codec", settings.sCodec});
    if (settings.iQuality >= 0)
        args.insert(args.end(), {"--quality", std::to_string(settings.iQuality)});
    if (settings.iFps > 0)
        args.insert(args.end(), {"--fps", std::to_string(settings.iFps)});
    if (settings.iWidth > 0 && settings.iHeight > 0)
        args.insert(args.end(), {"--mode", std::to_string(settings.iWidth) + "x" +
                                               std::to_string(settings.iHeight)});
    if (settings.dStart > 0.0)
        args.insert(args.end(), {"--start", std::to_string(settings.dStart)});
    if (settings.dDuration > 0.0)
        args.insert(args.end(), {"--duration", std::to_string(settings.dDuration)});
    args.push_back(sDemoFolder);
    return args;
}

bool ParseExportProgress(const std::string& sOutput, int& iDone, int& iTotal)
{
    size_t uAt = sOutput.rfind(" frames");
    while (uAt != std::string::npos)
    {
        size_t uStart = uAt;
        while (uStart > 0 &&
               (std::isdigit((unsigned char)sOutput[uStart - 1]) || sOutput[uStart - 1] == '/'))
            --uStart;
        int iA = 0;
        int iB = 0;
        if (std::sscanf(sOutput.c_str() + uStart, "%d/%d frames", &iA, &iB) == 2 && iB > 0)
        {
            iDone = iA;
            iTotal = iB;
            return true;
        }
        if (uAt == 0)
            break;
        uAt = sOutput.rfind(" frames", uAt - 1);
    }
    return false;
}

std::string FindPlayerProgram()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec)
    {
        const fs::path next = self.parent_path() / "OrvPlayer";
        if (fs::exists(next, ec))
            return next.string();
    }
    return "OrvPlayer";
}

CEditorExport::~CEditorExport()
{
    Cancel();
}

bool CEditorExport::Start(const std::string& sPlayer, const std::string& sSaveText,
                          const std::string& sDataFolder, const SEditorExportSettings& settings,
                          std::string& sError)
{
    if (IsRunning())
    {
        sError = "an export is running already";
        return false;
    }
    if (!CheckExportSettings(settings, sError))
        return false;
    std::string sTemplate = (fs::temp_directory_path() / "orv-export-XXXXXX").string();
    if (mkdtemp(sTemplate.data()) == nullptr)
    {
        sError = std::string("cannot make the export's copy: ") + std::strerror(errno);
        return false;
    }
    m_sCopy = sTemplate;
    std::error_code ec;
    std::ofstream(fs::path(m_sCopy) / "demo.orv", std::ios::binary) << sSaveText;
    fs::create_directory_symlink(fs::absolute(sDataFolder, ec), fs::path(m_sCopy) / "data", ec);
    int aPipe[2];
    if (pipe(aPipe) != 0)
    {
        RemoveCopy();
        sError = std::string("cannot start the player: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> args = MakeExportArguments(settings, m_sCopy);
    args.insert(args.begin(), sPlayer);
    std::vector<char*> argv;
    for (std::string& sArg : args)
        argv.push_back(sArg.data());
    argv.push_back(nullptr);
    const pid_t iPid = fork();
    if (iPid == 0)
    {
        dup2(aPipe[1], STDERR_FILENO);
        dup2(aPipe[1], STDOUT_FILENO);
        close(aPipe[0]);
        close(aPipe[1]);
        execvp(argv[0], argv.data());
        std::fprintf(stderr, "cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    close(aPipe[1]);
    if (iPid < 0)
    {
        close(aPipe[0]);
        RemoveCopy();
        sError = std::string("cannot start the player: ") + std::strerror(errno);
        return false;
    }
    fcntl(aPipe[0], F_SETFL, fcntl(aPipe[0], F_GETFL) | O_NONBLOCK);
    m_iPid = iPid;
    m_iOutput = aPipe[0];
    m_sOutput.clear();
    m_sFile = settings.sFile;
    m_sResult.clear();
    m_bCancelled = false;
    return true;
}

void CEditorExport::Poll()
{
    if (!IsRunning())
        return;
    char aBuffer[4096];
    ssize_t iRead = 0;
    while ((iRead = read(m_iOutput, aBuffer, sizeof(aBuffer))) > 0)
        m_sOutput.append(aBuffer, size_t(iRead));
    // Only the tail matters: the progress line and the last complaint.
    if (m_sOutput.size() > 65536)
        m_sOutput.erase(0, m_sOutput.size() - 16384);
    int iStatus = 0;
    if (waitpid(m_iPid, &iStatus, WNOHANG) == m_iPid)
        Finish(iStatus);
}

float CEditorExport::GetProgress() const
{
    int iDone = 0;
    int iTotal = 0;
    if (!ParseExportProgress(m_sOutput, iDone, iTotal))
        return 0.0f;
    return std::clamp(float(iDone) / float(iTotal), 0.0f, 1.0f);
}

void CEditorExport::Cancel()
{
    if (!IsRunning())
        return;
    m_bCancelled = true;
    kill(m_iPid, SIGTERM);
    int iStatus = 0;
    waitpid(m_iPid, &iStatus, 0);
    Finish(iStatus);
}

void CEditorExport::Finish(int iStatus)
{
    close(m_iOutput);
    m_iOutput = -1;
    m_iPid = -1;
    RemoveCopy();
    const bool bDone = WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0 && !m_bCancelled;
    std::error_code ec;
    if (bDone && fs::exists(m_sFile, ec))
    {
        m_sResult = "exported " + m_sFile;
        return;
    }
    if (m_bCancelled)
    {
        fs::remove(m_sFile, ec);
        m_sResult = "export cancelled";
        return;
    }
    std::string sTail = m_sOutput.substr(m_sOutput.size() > 300 ? m_sOutput.size() - 300 : 0);
    std::replace(sTail.begin(), sTail.end(), '\r', '\n');
    m_sResult = "export failed: " + sTail;
}

void CEditorExport::RemoveCopy()
{
    if (m_sCopy.empty())
        return;
    std::error_code ec;
    fs::remove(fs::path(m_sCopy) / "data", ec); // the link only, never the document's data
    fs::remove_all(m_sCopy, ec);
    m_sCopy.clear();
}
