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

namespace orv_render_test
{

struct SCommandResult
{
    int iStatus = -1;
    std::string strOutput; // standard output and error together
};

// Runs a shell command line; its output is kept.
inline SCommandResult RunCommand(const std::string& strCommand)
{
    SCommandResult result;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((strCommand + " 2>&1").c_str(), "r"), pclose);
    if (!pipe)
    {
        return result;
    }
    char szBuffer[4096];
    size_t iRead = 0;
    while ((iRead = std::fread(szBuffer, 1, sizeof(szBuffer), pipe.get())) > 0)
    {
        result.strOutput.append(szBuffer, iRead);
    }
    const int iRaw = pclose(pipe.release());
    result.iStatus = WIFEXITED(iRaw) ? WEXITSTATUS(iRaw) : -1;
    return result;
}

inline std::string Quote(const std::string& strWord)
{
    std::string strQuoted = "'";
    for (char c : strWord)
    {
        strQuoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return strQuoted + "'";
}

// orv-render with its arguments (already quoted), with the player of this build.
inline SCommandResult RunRender(const std::string& strArgs, const std::string& strPlayer = "")
{
    return RunCommand("ORV_PLAYER=" + Quote(strPlayer.empty() ? ORV_PLAYER_PATH : strPlayer) + " " +
                      Quote(ORV_RENDER_PATH) + " " + strArgs);
}

// The sample demo and a 16-second stretch of it that crosses the particles (40 to 48 s)
// and the balls (56 to 64 s), small and lossless.
inline const std::string kSample = std::string(ORV_SOURCE_ROOT) + "/examples/Atelier";
inline const std::string kStretch = "--mode 320x180 --codec ffv1 --start 44 --duration 16";
inline constexpr int kStretchFrames = 16 * 25;

// The single recording of the stretch, with its sound, as the player makes it.
inline SCommandResult RecordStretch(const std::string& strFile)
{
    return RunCommand("SDL_AUDIODRIVER=dummy " + Quote(ORV_PLAYER_PATH) + " --headless " +
                      kStretch + " --record " + Quote(strFile) + " " + Quote(kSample));
}

// One MD5 per decoded video frame, with its time stamp (FFmpeg's framemd5); or only the
// MD5s, one a line, to compare files whose containers count time differently.
inline std::string DigestFrames(const std::string& strFile, bool bOnlyPictures = false)
{
    const std::string strDigests =
        RunCommand("ffmpeg -v error -nostdin -i " + Quote(strFile) + " -map 0:v:0 -f framemd5 -")
            .strOutput;
    if (!bOnlyPictures)
    {
        return strDigests;
    }
    std::string strPictures;
    size_t iBegin = 0;
    while (iBegin < strDigests.size())
    {
        size_t iEnd = strDigests.find('\n', iBegin);
        iEnd = iEnd == std::string::npos ? strDigests.size() : iEnd;
        const std::string strLine = strDigests.substr(iBegin, iEnd - iBegin);
        if (!strLine.empty() && strLine[0] != '#')
        {
            strPictures += strLine.substr(strLine.rfind(',') + 1) + "\n";
        }
        iBegin = iEnd + 1;
    }
    return strPictures;
}

// One MD5 of all the decoded sound and its number of samples per channel: equal digests
// of a joined file and a single recording mean no gap and no repeated sample at a join.
inline std::string DigestSound(const std::string& strFile)
{
    const std::string strDigest =
        RunCommand("ffmpeg -v error -nostdin -i " + Quote(strFile) + " -map 0:a:0 -f md5 -")
            .strOutput;
    // Two channels of 16 bits: four bytes a sample.
    const std::string strBytes = RunCommand("ffmpeg -v error -nostdin -i " + Quote(strFile) +
                                            " -map 0:a:0 -ac 2 -f s16le - | wc -c")
                                     .strOutput;
    return strDigest + " samples=" + std::to_string(std::atoll(strBytes.c_str()) / 4);
}

// Every frame's digest line of a framemd5 listing (the header lines left out).
inline size_t CountFrameLines(const std::string& strDigests)
{
    size_t iLines = 0;
    size_t iBegin = 0;
    while (iBegin < strDigests.size())
    {
        const size_t iEnd = strDigests.find('\n', iBegin);
        iLines += strDigests[iBegin] != '#' ? 1 : 0;
        iBegin = iEnd == std::string::npos ? strDigests.size() : iEnd + 1;
    }
    return iLines;
}

// A player that is killed part-way through its first attempt at the segment whose tag ends
// in "s" + iSegment, and runs the real player otherwise: a job that dies under the
// scheduler. The flag file marks the first attempt as done.
inline std::string WriteKillingPlayer(const COrvTempDir& dir, int iSegment)
{
    const std::string strScript = dir.File("killing-player.sh");
    const std::string strFlag = dir.File("killed-once");
    std::FILE* pFile = std::fopen(strScript.c_str(), "w");
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
                 iSegment, Quote(strFlag).c_str(), Quote(strFlag).c_str(),
                 Quote(ORV_PLAYER_PATH).c_str(), Quote(ORV_PLAYER_PATH).c_str());
    std::fclose(pFile);
    std::filesystem::permissions(strScript, std::filesystem::perms::owner_all);
    return strScript;
}

} // namespace orv_render_test
