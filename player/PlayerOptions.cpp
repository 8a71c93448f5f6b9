#include "PlayerOptions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace
{

bool ParsePositiveInt(std::string_view text, int iMax, int& riValue)
{
    if (text.empty() || text.size() > 9)
    {
        return false;
    }
    int iValue = 0;
    for (char c : text)
    {
        if (c < '0' || c > '9')
        {
            return false;
        }
        iValue = iValue * 10 + (c - '0');
    }
    if (iValue <= 0 || iValue > iMax)
    {
        return false;
    }
    riValue = iValue;
    return true;
}

// A number of seconds up to a day: positive, or (bZeroToo) also zero.
bool ParseSeconds(const std::string& sText, double& rdValue, bool bZeroToo = false)
{
    if (sText.empty())
    {
        return false;
    }
    char* pEnd = nullptr;
    errno = 0;
    double dValue = std::strtod(sText.c_str(), &pEnd);
    if (errno != 0 || *pEnd != '\0' || !std::isfinite(dValue) || dValue < 0.0 ||
        (dValue == 0.0 && !bZeroToo) || dValue > 24.0 * 3600.0)
    {
        return false;
    }
    rdValue = dValue;
    return true;
}

// Options that take a value accept "--name value" and "--name=value".
bool TakeValue(int argc, const char* const* argv, int& ri, const std::string& sArg,
               const std::string& sName, std::string& sValue, bool& rbMissing)
{
    if (sArg == sName)
    {
        if (ri + 1 >= argc)
        {
            rbMissing = true;
            return true;
        }
        sValue = argv[++ri];
        return true;
    }
    if (sArg.rfind(sName + "=", 0) == 0)
    {
        sValue = sArg.substr(sName.size() + 1);
        return true;
    }
    return false;
}

bool EndsWithPng(const std::string& sName)
{
    if (sName.size() < 5)
    {
        return false;
    }
    std::string sEnd = sName.substr(sName.size() - 4);
    std::transform(sEnd.begin(), sEnd.end(), sEnd.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return sEnd == ".png";
}

// Options without a value; false when sArg is none of them.
bool ParseFlag(const std::string& sArg, SPlayerOptions& rOptions)
{
    if (sArg == "--fullscreen" || sArg == "--windowed")
    {
        rOptions.bFullscreen = sArg == "--fullscreen";
        rOptions.bSkipDialog = true;
    }
    else if (sArg == "--vsync" || sArg == "--no-vsync")
    {
        rOptions.bVSync = sArg == "--vsync";
        rOptions.bSkipDialog = true;
    }
    else if (sArg == "--headless")
    {
        rOptions.bHeadless = true;
    }
    else if (sArg == "--watch")
    {
        rOptions.bWatch = true;
    }
    else if (sArg == "--profile")
    {
        rOptions.bProfile = true;
    }
    else if (sArg == "--no-sound")
    {
        rOptions.bNoSound = true;
    }
    else if (sArg == "--draw-preroll")
    {
        rOptions.bDrawPreroll = true;
    }
    else
    {
        return false;
    }
    return true;
}

// --start-frame K (from 0) and --frames N (from 1), up to a day at 60 frames per second.
bool ParseFrameCount(const std::string& sName, const std::string& sValue, SPlayerOptions& rOptions,
                     std::string& sError)
{
    const bool bStart = sName == "--start-frame";
    int iValue = 0;
    if ((bStart && sValue == "0") || ParsePositiveInt(sValue, 24 * 3600 * 60, iValue))
    {
        (bStart ? rOptions.iStartFrame : rOptions.iFrames) = iValue;
        return true;
    }
    sError = sName + " wants a whole number of frames from " + (bStart ? "0" : "1") + ", not \"" +
             sValue + "\"";
    return false;
}

// The tag shares the stream title's 63 characters with the version and the renderer.
bool ParseTag(const std::string& sValue, SPlayerOptions& rOptions, std::string& sError)
{
    const bool bPrintable = std::all_of(sValue.begin(), sValue.end(),
                                        [](unsigned char c) { return c > ' ' && c < 127; });
    if (sValue.empty() || sValue.size() > kMaxTagLength || !bPrintable)
    {
        sError = "--tag wants 1 to " + std::to_string(kMaxTagLength) +
                 " printable characters without spaces, not \"" + sValue + "\"";
        return false;
    }
    rOptions.sTag = sValue;
    return true;
}

// Reads the value of one option; false with a reason when the value is not acceptable.
bool ParseValue(const std::string& sName, const std::string& sValue, SPlayerOptions& rOptions,
                std::string& sError)
{
    if (sName == "--mode")
    {
        rOptions.bSkipDialog = true;
        if (!ParseModeText(sValue, rOptions.iWidth, rOptions.iHeight, rOptions.iRefreshRate))
        {
            sError = "--mode wants WIDTHxHEIGHT or WIDTHxHEIGHT@HZ, not \"" + sValue + "\"";
            return false;
        }
    }
    else if (sName == "--record" || sName == "--codec" || sName == "--screenshot")
    {
        std::string& rTarget = sName == "--record"  ? rOptions.sRecordFile
                               : sName == "--codec" ? rOptions.sCodec
                                                    : rOptions.sScreenshot;
        rTarget = sValue;
        if (sValue.empty())
        {
            sError = sName + (sName == "--codec" ? " wants an encoder name" : " wants a file name");
            return false;
        }
        if (sName == "--screenshot" && !EndsWithPng(sValue))
        {
            sError = "--screenshot writes PNG files: \"" + sValue + "\" should end in .png";
            return false;
        }
    }
    else if (sName == "--duration")
    {
        rOptions.bDurationGiven = true;
        if (!ParseSeconds(sValue, rOptions.dDuration))
        {
            sError = "--duration wants a positive number of seconds, not \"" + sValue + "\"";
            return false;
        }
    }
    else if (sName == "--start" || sName == "--at")
    {
        if (!ParseSeconds(sValue, sName == "--start" ? rOptions.dStart : rOptions.dAt, true))
        {
            sError = sName + " wants a number of seconds from 0, not \"" + sValue + "\"";
            return false;
        }
    }
    else if (sName == "--fps")
    {
        int iFps = 0;
        if (!ParsePositiveInt(sValue, 60, iFps) ||
            (iFps != 24 && iFps != 25 && iFps != 30 && iFps != 50 && iFps != 60))
        {
            sError = "--fps wants 24, 25, 30, 50 or 60, not \"" + sValue + "\"";
            return false;
        }
        rOptions.iFps = iFps;
    }
    else if (sName == "--start-frame" || sName == "--frames")
    {
        return ParseFrameCount(sName, sValue, rOptions, sError);
    }
    else if (sName == "--tag")
    {
        return ParseTag(sValue, rOptions, sError);
    }
    else if (sName == "--quality")
    {
        int iQuality = 0;
        if (sValue != "0" && !ParsePositiveInt(sValue, 63, iQuality))
        {
            sError = "--quality wants a number from 0 (best) to 63, not \"" + sValue + "\"";
            return false;
        }
        rOptions.iQuality = iQuality;
    }
    return true;
}

// The first option given that only a recording takes ("" when none).
std::string FindRecordingOption(const SPlayerOptions& options,
                                const std::vector<std::string>& given)
{
    for (const char* szName : {"--fps", "--quality", "--start-frame", "--frames", "--tag"})
    {
        if (std::find(given.begin(), given.end(), szName) != given.end())
        {
            return szName;
        }
    }
    return options.bNoSound ? "--no-sound" : "";
}

// What the options say together; false with a reason for a combination that cannot be.
bool CheckCombination(const SPlayerOptions& options, const std::vector<std::string>& given,
                      std::string& sError)
{
    auto has = [&](const char* szName)
    { return std::find(given.begin(), given.end(), szName) != given.end(); };
    if (!options.sScreenshot.empty() && !options.sRecordFile.empty())
    {
        sError = "--screenshot and --record: one at a time, please";
    }
    else if (has("--at") && options.sScreenshot.empty())
    {
        sError = "--at goes with --screenshot FILE.png";
    }
    else if (options.sRecordFile.empty() && !FindRecordingOption(options, given).empty())
    {
        sError = FindRecordingOption(options, given) + " goes with --record FILE";
    }
    else if (has("--start-frame") && has("--start"))
    {
        sError = "--start and --start-frame: one start, please";
    }
    else if (has("--frames") && has("--duration"))
    {
        sError = "--duration and --frames: one length, please";
    }
    else if (options.bDrawPreroll && options.sRecordFile.empty() && options.sScreenshot.empty())
    {
        sError = "--draw-preroll goes with --record FILE or --screenshot FILE.png";
    }
    else if (options.bHeadless && options.sRecordFile.empty() && options.sScreenshot.empty())
    {
        sError = "--headless goes with --record FILE or --screenshot FILE.png";
    }
    else if (options.bWatch &&
             (options.bHeadless || !options.sRecordFile.empty() || !options.sScreenshot.empty()))
    {
        sError = "--watch reloads the demo while it plays in a window: not with --headless, "
                 "--record or --screenshot";
    }
    return sError.empty();
}

const char* const s_aszValueOptions[] = {"--mode",       "--record",      "--codec",  "--duration",
                                         "--start",      "--at",          "--fps",    "--quality",
                                         "--screenshot", "--start-frame", "--frames", "--tag"};

} // namespace

bool ParseModeText(const std::string& sText, int& riWidth, int& riHeight, int& riRefresh)
{
    size_t iX = sText.find('x');
    if (iX == std::string::npos)
    {
        return false;
    }
    size_t iAt = sText.find('@', iX);
    std::string_view text(sText);
    std::string_view width = text.substr(0, iX);
    std::string_view height =
        text.substr(iX + 1, iAt == std::string::npos ? std::string_view::npos : iAt - iX - 1);
    int iRefresh = 0;
    if (iAt != std::string::npos && !ParsePositiveInt(text.substr(iAt + 1), 1000, iRefresh))
    {
        return false;
    }
    int iWidth = 0;
    int iHeight = 0;
    // 8192 pixels a side is beyond any display and any sensible recording.
    if (!ParsePositiveInt(width, 8192, iWidth) || !ParsePositiveInt(height, 8192, iHeight))
    {
        return false;
    }
    riWidth = iWidth;
    riHeight = iHeight;
    riRefresh = iRefresh;
    return true;
}

EParseResult ParsePlayerOptions(int argc, const char* const* argv, SPlayerOptions& rOptions,
                                std::string& sError)
{
    bool bDemoDirGiven = false;
    std::vector<std::string> given;
    for (int i = 1; i < argc; ++i)
    {
        std::string sArg = argv[i];
        if (sArg == "-h" || sArg == "--help")
        {
            rOptions.bHelp = true;
            return PARSE_HELP;
        }
        if (ParseFlag(sArg, rOptions))
        {
            continue;
        }
        bool bTaken = false;
        for (const char* szName : s_aszValueOptions)
        {
            std::string sValue;
            bool bMissing = false;
            if (!TakeValue(argc, argv, i, sArg, szName, sValue, bMissing))
            {
                continue;
            }
            if (bMissing)
            {
                sError = sArg + " wants a value";
                return PARSE_ERROR;
            }
            if (!ParseValue(szName, sValue, rOptions, sError))
            {
                return PARSE_ERROR;
            }
            given.push_back(szName);
            bTaken = true;
            break;
        }
        if (bTaken)
        {
            continue;
        }
        if (sArg.size() > 1 && sArg[0] == '-')
        {
            sError = "unknown option " + sArg + " (see --help)";
            return PARSE_ERROR;
        }
        if (bDemoDirGiven)
        {
            sError = "only one demo folder, please: \"" + sArg + "\" is one too many";
            return PARSE_ERROR;
        }
        rOptions.sDemoDir = sArg;
        bDemoDirGiven = true;
    }
    if (rOptions.iStartFrame >= 0)
    {
        rOptions.dStart = static_cast<double>(rOptions.iStartFrame) / rOptions.iFps;
    }
    if (!rOptions.sScreenshot.empty() &&
        std::find(given.begin(), given.end(), "--at") == given.end())
    {
        rOptions.dAt = rOptions.dStart;
    }
    return CheckCombination(rOptions, given, sError) ? PARSE_RUN : PARSE_ERROR;
}

std::string GetPlayerUsage(const char* szProgram)
{
    std::string sName = szProgram != nullptr ? szProgram : "OrvPlayer";
    return "Usage: " + sName +
           " [options] [DEMO_FOLDER]\n"
           "Plays the demo \"demo.orv\" of DEMO_FOLDER (default ../Atelier) in step with its\n"
           "music. Without any of the first three options a settings dialog asks first.\n"
           "\n"
           "  --mode WxH[@HZ]       display mode, e.g. 1280x720 or 1920x1080@60\n"
           "  --fullscreen          full screen (the default)\n"
           "  --windowed            in a window\n"
           "  --vsync, --no-vsync   wait for the vertical blank or not (default: wait)\n"
           "  --start SECONDS       begin the show (or the recording) that far in\n"
           "  --duration SECONDS    running time (default 275; a recording also ends with\n"
           "                        its music)\n"
           "  --watch               reload the demo whenever demo.orv or a file under data/\n"
           "                        changes, keeping the music playing (a broken file keeps\n"
           "                        the last good demo on screen and says what is wrong)\n"
           "  --record FILE         first record the show into FILE, with the music as its\n"
           "                        sound track; the name chooses the container: .avi (H.264\n"
           "                        and PCM), .mp4 (H.264 and AAC), .mkv or .webm (VP9 and\n"
           "                        Opus); .mov is QuickTime, any other name an AVI file\n"
           "  --codec NAME          FFmpeg video encoder for --record (e.g. libx264, ffv1,\n"
           "                        libvpx-vp9, libsvtav1, mjpeg)\n"
           "  --quality N           --record's quality: 0 (best) to 63, as x264's rate\n"
           "                        factor (default: 17 for H.264, 24 for VP9)\n"
           "  --fps N               --record's frames per second: 24, 25 (default), 30, 50\n"
           "                        or 60; frames follow the music's tempo at every rate\n"
           "  --start-frame K       --record's first frame as an index on the --fps grid\n"
           "                        (frame K is K / fps seconds into the show)\n"
           "  --frames N            --record's length in frames (instead of --duration)\n"
           "  --no-sound            --record the video alone, without the music\n"
           "  --tag WORDS           --record: store WORDS (no spaces, at most 24\n"
           "                        characters) in the video stream's title, after the\n"
           "                        engine's version and a code of the renderer\n"
           "  --screenshot FILE.png write the frame at --at SECONDS (default: --start) into\n"
           "  --at SECONDS          FILE.png and exit, without a window; the show is run from\n"
           "                        its start at 25 frames per second, so that particles and\n"
           "                        other moving things look as they do in a recording\n"
           "  --draw-preroll        draw every frame before --start or --at (by default the\n"
           "                        frames whose pixels nobody sees are only stepped)\n"
           "  --headless            no window, for --record or --screenshot: render the show\n"
           "                        off screen as fast as possible, show progress, and exit\n"
           "  --profile             at the end, print what each layer costs per frame (our\n"
           "                        code and the graphics device), the read-back and encoder\n"
           "  -h, --help            this text\n"
           "\n"
           "Keys in the window: Space pauses and resumes; Left and Right go one beat back or\n"
           "on (with Shift: 16 beats); Home goes to the start; Escape quits.\n";
}
