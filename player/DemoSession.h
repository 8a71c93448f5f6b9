#pragma once

// The demo a player shows, and its reloads while it plays. A reload builds a new document
// from the files and shows it only when it loaded without problems (or when the one shown
// had problems of its own); otherwise the last good demo stays, and the reason is kept.
// When the music file and tempo did not change, the new document takes over the playing
// music track, so the sound goes on without a break.
#include "d3d9.h"
#include "document/OrvLoadProblem.h"

#include <memory>
#include <string>
#include <vector>

class COrvDemo;

class CDemoSession
{
public:
    // sDemoDir: the folder holding "demo.orv"; made absolute here, since loaders move
    // the current directory.
    CDemoSession(const std::string& sDemoDir, int iWidth, int iHeight);
    ~CDemoSession();
    CDemoSession(const CDemoSession&) = delete;
    CDemoSession& operator=(const CDemoSession&) = delete;

    // Loads the demo and hands it the device; false with a reason when "demo.orv" cannot
    // be read at all. The problems of a demo that loaded are in GetProblems.
    bool Load(IDirect3DDevice9* pDevice, std::string& sError);
    // Builds the demo again with everything loaded for frame time fFrameTime (the
    // position now); true when the new one is shown. sProblem: why not, as one line.
    // bPlaying: whether the music plays (a new music track then starts where the old one
    // was). changed: the files that changed (a changed music file is opened again).
    bool Reload(float fFrameTime, bool bPlaying, const std::vector<std::string>& changed,
                std::string& sProblem);

    // For a process that reloads demos over and over: memory freed by the last demo stays
    // with the process for the next one, instead of going back to the system and coming back
    // as fresh pages that must be faulted in and cleared again (render targets and buffers
    // of several megabytes each, on every reload).
    static void KeepFreedMemory();

    COrvDemo* GetDemo() const { return m_pDemo.get(); }
    const std::string& GetDemoDir() const { return m_sDemoDir; }
    // The problems of the demo shown, each as one line with its path from the demo folder.
    std::vector<std::string> DescribeProblems() const;
    std::string Describe(const ORV_LoadProblem& problem) const;
    // Problems the demo shown met since the last call (later loads of animated file names).
    std::vector<std::string> TakeNewProblems();

private:
    std::unique_ptr<COrvDemo> Build(float fFrameTime, std::string& sProblem);
    void HandOverMusic(COrvDemo& rNew, bool bPlaying, const std::vector<std::string>& changed);

    std::string m_sDemoDir;
    int m_iWidth;
    int m_iHeight;
    IDirect3DDevice9* m_pDevice = nullptr;
    std::unique_ptr<COrvDemo> m_pDemo;
    bool m_bClean = false; // the demo shown loaded without problems
    size_t m_iProblemsSeen = 0;
};
