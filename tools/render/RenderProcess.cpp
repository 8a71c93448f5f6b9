#include "RenderProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace
{

// Sets up the child's standard files and runs the program; never returns.
[[noreturn]] void StartChild(const SProcessRequest& request, int iOut, int iErr)
{
    const int iIn = request.sInputFile.empty() ? open("/dev/null", O_RDONLY)
                                               : open(request.sInputFile.c_str(), O_RDONLY);
    if (iIn < 0)
    {
        _exit(127);
    }
    dup2(iIn, 0);
    if (!request.sLogFile.empty())
    {
        const int iLog = open(request.sLogFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (iLog < 0)
        {
            _exit(127);
        }
        dup2(iLog, 1);
        dup2(iLog, 2);
    }
    else if (!request.bPassOutputThrough)
    {
        dup2(iOut, 1);
        dup2(iErr, 2);
    }
    std::vector<char*> argv;
    for (const std::string& sArg : request.args)
    {
        argv.push_back(const_cast<char*>(sArg.c_str()));
    }
    argv.push_back(nullptr);
    // Every other descriptor of ours closes on exec (the pipes' other ends included).
    execvp(argv[0], argv.data());
    _exit(127);
}

// Reads both pipes until the child closes them.
void CollectOutput(int iOut, int iErr, SProcessResult& rResult)
{
    pollfd aFds[2] = {{iOut, POLLIN, 0}, {iErr, POLLIN, 0}};
    std::string* apTargets[2] = {&rResult.sOutput, &rResult.sErrors};
    int iOpen = 2;
    char szBuffer[65536];
    while (iOpen > 0)
    {
        if (poll(aFds, 2, -1) < 0)
        {
            if (errno == EINTR)
            {
                continue;
            }
            break;
        }
        for (int i = 0; i < 2; ++i)
        {
            if (aFds[i].fd < 0 || aFds[i].revents == 0)
            {
                continue;
            }
            const ssize_t iRead = read(aFds[i].fd, szBuffer, sizeof(szBuffer));
            if (iRead > 0)
            {
                apTargets[i]->append(szBuffer, static_cast<size_t>(iRead));
            }
            else if (iRead == 0 || errno != EINTR)
            {
                close(aFds[i].fd);
                aFds[i].fd = -1;
                --iOpen;
            }
        }
    }
}

} // namespace

std::string SProcessResult::Describe() const
{
    if (!bStarted)
    {
        return "could not be started";
    }
    if (iSignal != 0)
    {
        const char* szName = strsignal(iSignal);
        return "killed by signal " + std::to_string(iSignal) +
               (szName != nullptr ? " (" + std::string(szName) + ")" : std::string());
    }
    if (iStatus == 127)
    {
        return "exit status 127 (the program could not be run)";
    }
    return "exit status " + std::to_string(iStatus);
}

SProcessResult RunProcess(const SProcessRequest& request)
{
    SProcessResult result;
    if (request.args.empty())
    {
        return result;
    }
    int aOut[2] = {-1, -1};
    int aErr[2] = {-1, -1};
    if (pipe2(aOut, O_CLOEXEC) != 0 || pipe2(aErr, O_CLOEXEC) != 0)
    {
        return result;
    }
    const pid_t pid = fork();
    if (pid == 0)
    {
        StartChild(request, aOut[1], aErr[1]);
    }
    close(aOut[1]);
    close(aErr[1]);
    if (pid < 0)
    {
        close(aOut[0]);
        close(aErr[0]);
        return result;
    }
    CollectOutput(aOut[0], aErr[0], result);
    int iRaw = 0;
    while (waitpid(pid, &iRaw, 0) < 0 && errno == EINTR)
    {
    }
    result.bStarted = true;
    if (WIFSIGNALED(iRaw))
    {
        result.iSignal = WTERMSIG(iRaw);
    }
    else
    {
        result.iStatus = WEXITSTATUS(iRaw);
    }
    return result;
}

std::string QuoteForShell(const std::string& sWord)
{
    std::string sQuoted = "'";
    for (char c : sWord)
    {
        sQuoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return sQuoted + "'";
}

std::string GetProgramFolder()
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.parent_path().string();
}

bool IsProgramAvailable(const std::string& sName)
{
    if (sName.find('/') != std::string::npos)
    {
        return access(sName.c_str(), X_OK) == 0;
    }
    const char* szPath = std::getenv("PATH");
    std::string sPath = szPath != nullptr ? szPath : "/usr/bin:/bin";
    size_t iBegin = 0;
    while (iBegin <= sPath.size())
    {
        size_t iEnd = sPath.find(':', iBegin);
        if (iEnd == std::string::npos)
        {
            iEnd = sPath.size();
        }
        const std::string sDir = sPath.substr(iBegin, iEnd - iBegin);
        if (!sDir.empty() && access((sDir + "/" + sName).c_str(), X_OK) == 0)
        {
            return true;
        }
        iBegin = iEnd + 1;
    }
    return false;
}
