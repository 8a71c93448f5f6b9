#pragma once
// The export of a video: the player (`OrvPlayer --headless --record`) run as a child process
// on a saved copy of the document, so the editor's own drawing (the process-wide current
// frame, random generator and simulations) cannot change what is recorded. The editor polls
// it once a frame for its progress and may cancel it.
#include <string>
#include <sys/types.h>
#include <vector>

struct SEditorExportSettings
{
    std::string sFile;  // the recording (container by its name)
    std::string sCodec; // empty: the player's choice for the container
    int iQuality = -1;  // -1: the player's default
    int iFps = 0;       // 0: the player's default
    int iWidth = 0;     // the picture's size; 0: the player's default
    int iHeight = 0;
    double dStart = 0.0;    // seconds
    double dDuration = 0.0; // seconds; 0: to the end of the music
};

// Whether the player takes these settings; false with the reason (the field named) when not.
bool CheckExportSettings(const SEditorExportSettings& settings, std::string& sError);
// The player's arguments for an export of the demo in sDemoFolder.
std::vector<std::string> MakeExportArguments(const SEditorExportSettings& settings,
                                             const std::string& sDemoFolder);
// Reads the last "N/M frames" of the player's progress output; false when none is there.
bool ParseExportProgress(const std::string& sOutput, int& iDone, int& iTotal);

class CEditorExport
{
public:
    CEditorExport() = default;
    ~CEditorExport();
    CEditorExport(const CEditorExport&) = delete;
    CEditorExport& operator=(const CEditorExport&) = delete;

    // Writes sSaveText as the copy's demo.orv (its data/ is the document's), starts the
    // player; false with the reason when it cannot.
    bool Start(const std::string& sPlayer, const std::string& sSaveText,
               const std::string& sDataFolder, const SEditorExportSettings& settings,
               std::string& sError);
    // Reads what the player said; once it ended, IsRunning is false and GetResult says how.
    void Poll();
    bool IsRunning() const { return m_iPid > 0; }
    // 0 to 1.
    float GetProgress() const;
    void Cancel();
    const std::string& GetResult() const { return m_sResult; }

private:
    void Finish(int iStatus);
    void RemoveCopy();

    pid_t m_iPid = -1;
    int m_iOutput = -1;
    std::string m_sOutput;
    std::string m_sCopy;
    std::string m_sFile;
    std::string m_sResult;
    bool m_bCancelled = false;
};

// The player next to this program (OrvEditor and OrvPlayer are installed side by side).
std::string FindPlayerProgram();
