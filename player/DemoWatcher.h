#pragma once

// Tells when the files of a demo change on disk: "demo.orv" in the demo folder and every
// file under its "data" folder (subfolders too), whether written in place, replaced by a
// rename (how many editors save), created or deleted. It watches the folders, not the files
// (Linux inotify), so a file replaced by another is seen like one written over. The demo
// folder moved away or deleted is noticed, and watched again once it is back.
#include <chrono>
#include <map>
#include <string>
#include <vector>

class CDemoWatcher
{
public:
    using Clock = std::chrono::steady_clock;

    CDemoWatcher() = default;
    ~CDemoWatcher();
    CDemoWatcher(const CDemoWatcher&) = delete;
    CDemoWatcher& operator=(const CDemoWatcher&) = delete;

    // Starts watching the demo folder; false with a reason when it cannot.
    bool Start(const std::string& sDemoDir, std::string& sError);

    // Reads what happened since the last call, without waiting. The changed files gather
    // until TakeChanges.
    void Poll();
    // True when files changed and nothing more happened for `quiet` (a burst of writes,
    // or an editor's save in several steps, then gives one reload).
    bool IsSettled(std::chrono::milliseconds quiet) const;
    bool HasChanges() const { return !m_Changed.empty(); }
    // The paths that changed (in the order first seen), forgetting them.
    std::vector<std::string> TakeChanges();
    // True while the demo folder is away (moved or deleted).
    bool IsFolderGone() const { return m_bFolderGone; }

    // Whether a name in a watched folder is an editor's scratch file, not part of a demo.
    static bool IsScratchName(const std::string& sName);

private:
    void WatchFolder(const std::string& sPath, bool bRecursive);
    void HandleEvent(int iWatch, unsigned int uMask, const std::string& sName);
    void NoteChange(const std::string& sPath);
    void TryReturn();
    void StopAll();

    int m_iFd = -1;
    std::string m_sDemoDir;
    int m_iDemoWatch = -1;
    std::map<int, std::string> m_Folders; // watch -> folder path
    std::vector<std::string> m_Changed;
    Clock::time_point m_LastEvent;
    Clock::time_point m_LastReturnTry;
    bool m_bFolderGone = false;
};
