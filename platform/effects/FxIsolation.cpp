#include "FxIsolation.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
// The child's answer: its length first, so that a child that dies half-way shows.
void WriteAll(int fd, const std::string& sData)
{
    uint64_t uLength = sData.size();
    std::string sMessage(reinterpret_cast<const char*>(&uLength), sizeof uLength);
    sMessage += sData;
    size_t uDone = 0;
    while (uDone < sMessage.size())
    {
        ssize_t iWritten = write(fd, sMessage.data() + uDone, sMessage.size() - uDone);
        if (iWritten < 0 && errno == EINTR)
            continue;
        if (iWritten <= 0)
            return;
        uDone += size_t(iWritten);
    }
}

// Reads until the end of the pipe or the deadline; false when the deadline came first.
bool ReadAll(int fd, std::chrono::steady_clock::time_point deadline, std::string& sData)
{
    char acBuffer[65536];
    for (;;)
    {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd poll_fd{fd, POLLIN, 0};
        int iReady = poll(&poll_fd, 1, int(left.count()));
        if (iReady < 0 && errno == EINTR)
            continue;
        if (iReady <= 0)
            return iReady < 0;
        ssize_t iRead = read(fd, acBuffer, sizeof acBuffer);
        if (iRead < 0 && errno == EINTR)
            continue;
        if (iRead <= 0)
            return true;
        sData.append(acBuffer, size_t(iRead));
    }
}
} // namespace

bool OrvRunIsolated(const std::function<std::string()>& work, unsigned uTimeoutMs,
                    std::string& sResult, std::string& sError)
{
    int aFds[2];
    if (pipe2(aFds, O_CLOEXEC) != 0)
    {
        sResult = work();
        return true;
    }
    pid_t pid = fork();
    if (pid < 0)
    {
        close(aFds[0]);
        close(aFds[1]);
        sResult = work();
        return true;
    }
    if (pid == 0)
    {
        close(aFds[0]);
        WriteAll(aFds[1], work());
        _exit(0);
    }
    close(aFds[1]);
    std::string sData;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(uTimeoutMs);
    bool bInTime = ReadAll(aFds[0], deadline, sData);
    close(aFds[0]);
    if (!bInTime)
        kill(pid, SIGKILL);
    int iStatus = 0;
    while (waitpid(pid, &iStatus, 0) < 0 && errno == EINTR)
    {
    }
    uint64_t uLength = 0;
    if (sData.size() >= sizeof uLength)
        std::memcpy(&uLength, sData.data(), sizeof uLength);
    if (!bInTime)
        sError = "did not finish in " + std::to_string(uTimeoutMs / 1000) + " s";
    else if (sData.size() < sizeof uLength || sData.size() - sizeof uLength != uLength)
        sError = WIFSIGNALED(iStatus) ? "crashed (signal " + std::to_string(WTERMSIG(iStatus)) + ")"
                                      : "stopped without an answer";
    else
    {
        sResult = sData.substr(sizeof uLength);
        return true;
    }
    return false;
}
