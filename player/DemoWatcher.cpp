#include "DemoWatcher.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace
{
constexpr unsigned int kFolderEvents = IN_CLOSE_WRITE | IN_MODIFY | IN_MOVED_TO | IN_MOVED_FROM |
                                       IN_CREATE | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF;
// How often a demo folder that went away is looked for again.
constexpr std::chrono::milliseconds kReturnInterval(500);
} // namespace

CDemoWatcher::~CDemoWatcher()
{
    if (m_iFd >= 0)
    {
        close(m_iFd);
    }
}

bool CDemoWatcher::IsScratchName(const std::string& sName)
{
    auto endsWith = [&](const char* szEnd)
    {
        size_t n = std::strlen(szEnd);
        return sName.size() >= n && sName.compare(sName.size() - n, n, szEnd) == 0;
    };
    // Hidden files (vim's .x.swp, emacs' .#x), backups (x~), vim's probe "4913".
    return sName.empty() || sName[0] == '.' || sName[0] == '#' || endsWith("~") ||
           endsWith(".swp") || endsWith(".swx") || sName == "4913";
}

bool CDemoWatcher::Start(const std::string& sDemoDir, std::string& sError)
{
    // Watching another folder (or the same one again) starts afresh.
    if (m_iFd >= 0)
    {
        close(m_iFd);
    }
    m_Folders.clear();
    m_Changed.clear();
    m_bFolderGone = false;
    m_sDemoDir = sDemoDir;
    m_iFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_iFd < 0)
    {
        sError = std::string("cannot watch files: ") + std::strerror(errno);
        return false;
    }
    m_iDemoWatch = inotify_add_watch(m_iFd, sDemoDir.c_str(), kFolderEvents | IN_ONLYDIR);
    if (m_iDemoWatch < 0)
    {
        sError = "cannot watch \"" + sDemoDir + "\": " + std::strerror(errno);
        return false;
    }
    m_Folders[m_iDemoWatch] = sDemoDir;
    WatchFolder(sDemoDir + "/data", true);
    return true;
}

void CDemoWatcher::WatchFolder(const std::string& sPath, bool bRecursive)
{
    const int iWatch = inotify_add_watch(m_iFd, sPath.c_str(), kFolderEvents | IN_ONLYDIR);
    if (iWatch < 0)
    {
        return; // not there (yet): a data folder made later is picked up when it appears
    }
    m_Folders[iWatch] = sPath;
    std::error_code ec;
    if (!bRecursive)
    {
        return;
    }
    for (std::filesystem::directory_iterator it(sPath, ec), end; !ec && it != end; it.increment(ec))
    {
        if (it->is_directory(ec) && !IsScratchName(it->path().filename().string()))
        {
            WatchFolder(it->path().string(), true);
        }
    }
}

void CDemoWatcher::NoteChange(const std::string& sPath)
{
    m_LastEvent = Clock::now();
    if (std::find(m_Changed.begin(), m_Changed.end(), sPath) == m_Changed.end())
    {
        m_Changed.push_back(sPath);
    }
}

void CDemoWatcher::HandleEvent(int iWatch, unsigned int uMask, const std::string& sName)
{
    auto found = m_Folders.find(iWatch);
    if (found == m_Folders.end())
    {
        return;
    }
    const std::string sFolder = found->second;
    const bool bDemoFolder = iWatch == m_iDemoWatch;
    if (uMask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED))
    {
        if (bDemoFolder)
        {
            // Moved or deleted: everything below goes with it, until it comes back.
            m_bFolderGone = true;
            StopAll();
            NoteChange(sFolder);
        }
        else if (uMask & IN_IGNORED)
        {
            m_Folders.erase(iWatch);
        }
        return;
    }
    if (IsScratchName(sName))
    {
        return;
    }
    const std::string sPath = sFolder + "/" + sName;
    if (bDemoFolder)
    {
        if (sName == "data" && (uMask & IN_ISDIR) && (uMask & (IN_CREATE | IN_MOVED_TO)))
        {
            WatchFolder(sPath, true);
            NoteChange(sPath);
        }
        else if (sName == "demo.orv" || sName == "data")
        {
            NoteChange(sPath);
        }
        return;
    }
    if ((uMask & IN_ISDIR) && (uMask & (IN_CREATE | IN_MOVED_TO)))
    {
        WatchFolder(sPath, true);
    }
    NoteChange(sPath);
}

void CDemoWatcher::StopAll()
{
    for (const auto& folder : m_Folders)
    {
        inotify_rm_watch(m_iFd, folder.first);
    }
    m_Folders.clear();
    m_iDemoWatch = -1;
}

void CDemoWatcher::TryReturn()
{
    const Clock::time_point now = Clock::now();
    if (now - m_LastReturnTry < kReturnInterval)
    {
        return;
    }
    m_LastReturnTry = now;
    std::error_code ec;
    if (!std::filesystem::is_directory(m_sDemoDir, ec))
    {
        return;
    }
    m_iDemoWatch = inotify_add_watch(m_iFd, m_sDemoDir.c_str(), kFolderEvents | IN_ONLYDIR);
    if (m_iDemoWatch < 0)
    {
        return;
    }
    m_Folders[m_iDemoWatch] = m_sDemoDir;
    WatchFolder(m_sDemoDir + "/data", true);
    m_bFolderGone = false;
    NoteChange(m_sDemoDir + "/demo.orv");
}

void CDemoWatcher::Poll()
{
    if (m_iFd < 0)
    {
        return;
    }
    alignas(inotify_event) char buffer[16384];
    for (;;)
    {
        const ssize_t n = read(m_iFd, buffer, sizeof(buffer));
        if (n <= 0)
        {
            break; // EAGAIN: nothing more for now
        }
        for (ssize_t i = 0; i + static_cast<ssize_t>(sizeof(inotify_event)) <= n;)
        {
            const auto* pEvent = reinterpret_cast<const inotify_event*>(buffer + i);
            const std::string sName = pEvent->len > 0 ? pEvent->name : "";
            if (pEvent->mask & IN_Q_OVERFLOW)
            {
                NoteChange(m_sDemoDir + "/demo.orv"); // events were lost: assume a change
            }
            HandleEvent(pEvent->wd, pEvent->mask, sName);
            i += static_cast<ssize_t>(sizeof(inotify_event) + pEvent->len);
        }
    }
    if (m_bFolderGone)
    {
        TryReturn();
    }
}

bool CDemoWatcher::IsSettled(std::chrono::milliseconds quiet) const
{
    return !m_Changed.empty() && Clock::now() - m_LastEvent >= quiet;
}

std::vector<std::string> CDemoWatcher::TakeChanges()
{
    std::vector<std::string> changed;
    changed.swap(m_Changed);
    return changed;
}
