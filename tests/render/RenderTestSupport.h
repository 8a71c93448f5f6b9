#pragma once

// Helpers of orv-render's tests: running the programs as a user does, the single recording
// every split render is compared with, and the frames and sound of a file as digests.
#include "OrvTempDir.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace orv::test::render
{

struct SCommandResult
{
    int iStatus = -1;
    std::string sOutput; // standard output and error together
};

// Runs a shell command line; its output is kept.
inline SCommandResult RunCommand(const std::string& sCommand)
{
    SCommandResult result;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((sCommand + " 2>&1").c_str(), "r"), pclose);
    if (!pipe)
    {
        return result;
    }
    char szBuffer[4096];
    size_t iRead = 0;
    while ((iRead = std::fread(szBuffer, 1, sizeof(szBuffer), pipe.get())) > 0)
    {
        result.sOutput.append(szBuffer, iRead);
    }
    const int iRaw = pclose(pipe.release());
    result.iStatus = WIFEXITED(iRaw) ? WEXITSTATUS(iRaw) : -1;
    return result;
}

inline std::string Quote(const std::string& sWord)
{
    std::string sQuoted = "'";
    for (char c : sWord)
    {
        sQuoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return sQuoted + "'";
}

// orv-render with its arguments (already quoted), with the player of this build.
inline SCommandResult RunRender(const std::string& sArgs, const std::string& sPlayer = "")
{
    return RunCommand("ORV_PLAYER=" + Quote(sPlayer.empty() ? ORV_PLAYER_PATH : sPlayer) + " " +
                      Quote(ORV_RENDER_PATH) + " " + sArgs);
}

// The sample demo and a 16-second stretch of it that crosses the particles (40 to 48 s)
// and the balls (56 to 64 s), small and lossless.
inline const std::string kSample = std::string(ORV_SOURCE_ROOT) + "/examples/Atelier";
inline const std::string kStretch = "--mode 320x180 --codec ffv1 --start 44 --duration 16";
inline constexpr int kStretchFrames = 16 * 25;

// The single recording of the stretch, with its sound, as the player makes it.
inline SCommandResult RecordStretch(const std::string& sFile)
{
    return RunCommand("SDL_AUDIODRIVER=dummy " + Quote(ORV_PLAYER_PATH) + " --headless " +
                      kStretch + " --record " + Quote(sFile) + " " + Quote(kSample));
}

// One MD5 per decoded video frame, with its time stamp (FFmpeg's framemd5); or only the
// MD5s, one a line, to compare files whose containers count time differently.
inline std::string DigestFrames(const std::string& sFile, bool bOnlyPictures = false)
{
    const std::string sDigests =
        RunCommand("ffmpeg -v error -nostdin -i " + Quote(sFile) + " -map 0:v:0 -f framemd5 -")
            .sOutput;
    if (!bOnlyPictures)
    {
        return sDigests;
    }
    std::string sPictures;
    size_t iBegin = 0;
    while (iBegin < sDigests.size())
    {
        size_t iEnd = sDigests.find('\n', iBegin);
        iEnd = iEnd == std::string::npos ? sDigests.size() : iEnd;
        const std::string sLine = sDigests.substr(iBegin, iEnd - iBegin);
        if (!sLine.empty() && sLine[0] != '#')
        {
            sPictures += sLine.substr(sLine.rfind(',') + 1) + "\n";
        }
        iBegin = iEnd + 1;
    }
    return sPictures;
}

// One MD5 of all the decoded sound and its number of samples per channel: equal digests
// of a joined file and a single recording mean no gap and no repeated sample at a join.
inline std::string DigestSound(const std::string& sFile)
{
    const std::string sDigest =
        RunCommand("ffmpeg -v error -nostdin -i " + Quote(sFile) + " -map 0:a:0 -f md5 -").sOutput;
    // Two channels of 16 bits: four bytes a sample.
    const std::string sBytes = RunCommand("ffmpeg -v error -nostdin -i " + Quote(sFile) +
                                          " -map 0:a:0 -ac 2 -f s16le - | wc -c")
                                   .sOutput;
    return sDigest + " samples=" + std::to_string(std::atoll(sBytes.c_str()) / 4);
}

// Every frame's digest line of a framemd5 listing (the header lines left out).
inline size_t CountFrameLines(const std::string& sDigests)
{
    size_t iLines = 0;
    size_t iBegin = 0;
    while (iBegin < sDigests.size())
    {
        const size_t iEnd = sDigests.find('\n', iBegin);
        iLines += sDigests[iBegin] != '#' ? 1 : 0;
        iBegin = iEnd == std::string::npos ? sDigests.size() : iEnd + 1;
    }
    return iLines;
}

// A player that is killed part-way through its first attempt at the segment whose tag ends
// in "s" + iSegment, and runs the real player otherwise: a job that dies under the
// scheduler. The flag file marks the first attempt as done.
inline std::string WriteKillingPlayer(const COrvTempDir& dir, int iSegment)
{
    const std::string sScript = dir.File("killing-player.sh");
    const std::string sFlag = dir.File("killed-once");
    std::FILE* pFile = std::fopen(sScript.c_str(), "w");
    std::fprintf(pFile,
                 "#!/bin/sh\n"
                 "hit=\n"
                 "for a; do case \"$a\" in p*s%d) hit=1;; esac; done\n"
                 "if [ -n \"$hit\" ] && [ ! -e %s ]; then\n"
                 "  touch %s\n"
                 "  %s \"$@\" & pid=$!\n"
                 "  sleep 2; kill -9 $pid; wait $pid; kill -9 $$\n"
                 "fi\n"
                 "exec %s \"$@\"\n",
                 iSegment, Quote(sFlag).c_str(), Quote(sFlag).c_str(),
                 Quote(ORV_PLAYER_PATH).c_str(), Quote(ORV_PLAYER_PATH).c_str());
    std::fclose(pFile);
    std::filesystem::permissions(sScript, std::filesystem::perms::owner_all);
    return sScript;
}

} // namespace orv::test::render
