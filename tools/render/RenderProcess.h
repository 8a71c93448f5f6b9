#pragma once

// Running other programs (the player, FFmpeg's programs, GNU parallel, Slurm's sbatch)
// without a shell in between: an argument list in, an exit status and the output back.
#include <string>
#include <vector>

struct SProcessResult
{
    bool bStarted = false; // false: the program could not be run at all
    int iStatus = -1;      // exit status when it exited
    int iSignal = 0;       // the signal that ended it, 0 when it exited
    std::string sOutput;   // standard output, when captured
    std::string sErrors;   // standard error, when captured

    bool Succeeded() const { return bStarted && iSignal == 0 && iStatus == 0; }
    // "exit status 3", "killed by signal 9 (Killed)" or "could not be started".
    std::string Describe() const;
};

struct SProcessRequest
{
    std::vector<std::string> args;   // args[0]: the program, looked up on PATH
    std::string sInputFile;          // standard input from this file (empty: none)
    std::string sLogFile;            // both outputs appended to this file (empty: captured)
    bool bPassOutputThrough = false; // both outputs go where ours go (a log file wins)
};

SProcessResult RunProcess(const SProcessRequest& request);

// Quotes a word for a POSIX shell (job lists are read by one).
std::string QuoteForShell(const std::string& sWord);

// The folder this program was started from ("" when unknown).
std::string GetProgramFolder();

// Whether a program of that name can be run (a path, or a name on PATH).
bool IsProgramAvailable(const std::string& sName);
