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
bool ParseSeconds(const std::string& strText, double& rdValue, bool bZeroToo = false)
{
    if (strText.empty())
    {
        return false;
    }
    char* pEnd = nullptr;
    errno = 0;
    double dValue = std::strtod(strText.c_str(), &pEnd);
    if (errno != 0 || *pEnd != '\0' || !std::isfinite(dValue) || dValue < 0.0 ||
        (dValue == 0.0 && !bZeroToo) || dValue > 24.0 * 3600.0)
    {
        return false;
    }
    rdValue = dValue;
    return true;
}

// Options that take a value accept "--name value" and "--name=value".
bool TakeValue(int argc, const char* const* argv, int& ri, const std::string& strArg,
               const std::string& strName, std::string& rsValue, bool& rbMissing)
{
    if (strArg == strName)
    {
        if (ri + 1 >= argc)
        {
            rbMissing = true;
            return true;
        }
        rsValue = argv[++ri];
        return true;
    }
    if (strArg.rfind(strName + "=", 0) == 0)
    {
        rsValue = strArg.substr(strName.size() + 1);
        return true;
    }
    return false;
}

bool EndsWithPng(const std::string& strName)
{
    if (strName.size() < 5)
    {
        return false;
    }
    std::string strEnd = strName.substr(strName.size() - 4);
    std::transform(strEnd.begin(), strEnd.end(), strEnd.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return strEnd == ".png";
}

// Options without a value; false when strArg is none of them.
bool ParseFlag(const std::string& strArg, SPlayerOptions& rOptions)
{
    if (strArg == "--fullscreen" || strArg == "--windowed")
    {
        rOptions.bFullscreen = strArg == "--fullscreen";
        rOptions.bSkipDialog = true;
    }
    else if (strArg == "--vsync" || strArg == "--no-vsync")
    {
        rOptions.bVSync = strArg == "--vsync";
        rOptions.bSkipDialog = true;
    }
    else if (strArg == "--headless")
    {
        rOptions.bHeadless = true;
    }
    else if (strArg == "--watch")
    {
        rOptions.bWatch = true;
    }
    else if (strArg == "--profile")
    {
        rOptions.bProfile = true;
    }
    else if (strArg == "--no-sound")
    {
        rOptions.bNoSound = true;
    }
    else if (strArg == "--draw-preroll")
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
bool ParseFrameCount(const std::string& strName, const std::string& strValue,
                     SPlayerOptions& rOptions, std::string& rsError)
{
    const bool bStart = strName == "--start-frame";
    int iValue = 0;
    if ((bStart && strValue == "0") || ParsePositiveInt(strValue, 24 * 3600 * 60, iValue))
    {
        (bStart ? rOptions.iStartFrame : rOptions.iFrames) = iValue;
        return true;
    }
    rsError = strName + " wants a whole number of frames from " + (bStart ? "0" : "1") +
              ", not \"" + strValue + "\"";
    return false;
}

// The tag shares the stream title's 63 characters with the version and the renderer.
bool ParseTag(const std::string& strValue, SPlayerOptions& rOptions, std::string& rsError)
{
    const bool bPrintable = std::all_of(strValue.begin(), strValue.end(),
                                        [](unsigned char c) { return c > ' ' && c < 127; });
    if (strValue.empty() || strValue.size() > kMaxTagLength || !bPrintable)
    {
        rsError = "--tag wants 1 to " + std::to_string(kMaxTagLength) +
                  " printable characters without spaces, not \"" + strValue + "\"";
        return false;
    }
    rOptions.strTag = strValue;
    return true;
}

// Reads the value of one option; false with a reason when the value is not acceptable.
bool ParseValue(const std::string& strName, const std::string& strValue, SPlayerOptions& rOptions,
                std::string& rsError)
{
    if (strName == "--mode")
    {
        rOptions.bSkipDialog = true;
        if (!ParseModeText(strValue, rOptions.iWidth, rOptions.iHeight, rOptions.iRefreshRate))
        {
            rsError = "--mode wants WIDTHxHEIGHT or WIDTHxHEIGHT@HZ, not \"" + strValue + "\"";
            return false;
        }
    }
    else if (strName == "--record" || strName == "--codec" || strName == "--screenshot")
    {
        std::string& rTarget = strName == "--record"  ? rOptions.strRecordFile
                               : strName == "--codec" ? rOptions.strCodec
                                                      : rOptions.strScreenshot;
        rTarget = strValue;
        if (strValue.empty())
        {
            rsError =
                strName + (strName == "--codec" ? " wants an encoder name" : " wants a file name");
            return false;
        }
        if (strName == "--screenshot" && !EndsWithPng(strValue))
        {
            rsError = "--screenshot writes PNG files: \"" + strValue + "\" should end in .png";
            return false;
        }
    }
    else if (strName == "--duration")
    {
        rOptions.bDurationGiven = true;
        if (!ParseSeconds(strValue, rOptions.dDuration))
        {
            rsError = "--duration wants a positive number of seconds, not \"" + strValue + "\"";
            return false;
        }
    }
    else if (strName == "--start" || strName == "--at")
    {
        if (!ParseSeconds(strValue, strName == "--start" ? rOptions.dStart : rOptions.dAt, true))
        {
            rsError = strName + " wants a number of seconds from 0, not \"" + strValue + "\"";
            return false;
        }
    }
    else if (strName == "--fps")
    {
        int iFps = 0;
        if (!ParsePositiveInt(strValue, 60, iFps) ||
            (iFps != 24 && iFps != 25 && iFps != 30 && iFps != 50 && iFps != 60))
        {
            rsError = "--fps wants 24, 25, 30, 50 or 60, not \"" + strValue + "\"";
            return false;
        }
        rOptions.iFps = iFps;
    }
    else if (strName == "--start-frame" || strName == "--frames")
    {
        return ParseFrameCount(strName, strValue, rOptions, rsError);
    }
    else if (strName == "--tag")
    {
        return ParseTag(strValue, rOptions, rsError);
    }
    else if (strName == "--quality")
    {
        int iQuality = 0;
        if (strValue != "0" && !ParsePositiveInt(strValue, 63, iQuality))
        {
            rsError = "--quality wants a number from 0 (best) to 63, not \"" + strValue + "\"";
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
                      std::string& rsError)
{
    auto has = [&](const char* szName)
    { return std::find(given.begin(), given.end(), szName) != given.end(); };
    if (!options.strScreenshot.empty() && !options.strRecordFile.empty())
    {
        rsError = "--screenshot and --record: one at a time, please";
    }
    else if (has("--at") && options.strScreenshot.empty())
    {
        rsError = "--at goes with --screenshot FILE.png";
    }
    else if (options.strRecordFile.empty() && !FindRecordingOption(options, given).empty())
    {
        rsError = FindRecordingOption(options, given) + " goes with --record FILE";
    }
    else if (has("--start-frame") && has("--start"))
    {
        rsError = "--start and --start-frame: one start, please";
    }
    else if (has("--frames") && has("--duration"))
    {
        rsError = "--duration and --frames: one length, please";
    }
    else if (options.bDrawPreroll && options.strRecordFile.empty() && options.strScreenshot.empty())
    {
        rsError = "--draw-preroll goes with --record FILE or --screenshot FILE.png";
    }
    else if (options.bHeadless && options.strRecordFile.empty() && options.strScreenshot.empty())
    {
        rsError = "--headless goes with --record FILE or --screenshot FILE.png";
    }
    else if (options.bWatch && (options.bHeadless || !options.strRecordFile.empty() ||
                                !options.strScreenshot.empty()))
    {
        rsError = "--watch reloads the demo while it plays in a window: not with --headless, "
                  "--record or --screenshot";
    }
    return rsError.empty();
}

const char* const s_aszValueOptions[] = {"--mode",       "--record",      "--codec",  "--duration",
                                         "--start",      "--at",          "--fps",    "--quality",
                                         "--screenshot", "--start-frame", "--frames", "--tag"};

} // namespace

bool ParseModeText(const std::string& strText, int& riWidth, int& riHeight, int& riRefresh)
{
    size_t iX = strText.find('x');
    if (iX == std::string::npos)
    {
        return false;
    }
    size_t iAt = strText.find('@', iX);
    std::string_view text(strText);
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
                                std::string& rsError)
{
    bool bDemoDirGiven = false;
    std::vector<std::string> given;
    for (int i = 1; i < argc; ++i)
    {
        std::string strArg = argv[i];
        if (strArg == "-h" || strArg == "--help")
        {
            rOptions.bHelp = true;
            return PARSE_HELP;
        }
        if (ParseFlag(strArg, rOptions))
        {
            continue;
        }
        bool bTaken = false;
        for (const char* szName : s_aszValueOptions)
        {
            std::string strValue;
            bool bMissing = false;
            if (!TakeValue(argc, argv, i, strArg, szName, strValue, bMissing))
            {
                continue;
            }
            if (bMissing)
            {
                rsError = strArg + " wants a value";
                return PARSE_ERROR;
            }
            if (!ParseValue(szName, strValue, rOptions, rsError))
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
        if (strArg.size() > 1 && strArg[0] == '-')
        {
            rsError = "unknown option " + strArg + " (see --help)";
            return PARSE_ERROR;
        }
        if (bDemoDirGiven)
        {
            rsError = "only one demo folder, please: \"" + strArg + "\" is one too many";
            return PARSE_ERROR;
        }
        rOptions.strDemoDir = strArg;
        bDemoDirGiven = true;
    }
    if (rOptions.iStartFrame >= 0)
    {
        rOptions.dStart = static_cast<double>(rOptions.iStartFrame) / rOptions.iFps;
    }
    if (!rOptions.strScreenshot.empty() &&
        std::find(given.begin(), given.end(), "--at") == given.end())
    {
        rOptions.dAt = rOptions.dStart;
    }
    return CheckCombination(rOptions, given, rsError) ? PARSE_RUN : PARSE_ERROR;
}

std::string GetPlayerUsage(const char* szProgram)
{
    std::string strName = szProgram != nullptr ? szProgram : "OrvPlayer";
    return "Usage: " + strName +
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
