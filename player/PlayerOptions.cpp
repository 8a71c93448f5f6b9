#include "PlayerOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace
{

bool ParsePositiveInt(std::string_view text, int iMax, int& riValue)
{
    if (text.empty() || text.size() > 6)
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

bool ParseSeconds(const std::string& strText, double& rdValue)
{
    if (strText.empty())
    {
        return false;
    }
    char* pEnd = nullptr;
    errno = 0;
    double dValue = std::strtod(strText.c_str(), &pEnd);
    if (errno != 0 || *pEnd != '\0' || !std::isfinite(dValue) || dValue <= 0.0 ||
        dValue > 24.0 * 3600.0)
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
    for (int i = 1; i < argc; ++i)
    {
        std::string strArg = argv[i];
        std::string strValue;
        bool bMissing = false;
        if (strArg == "-h" || strArg == "--help")
        {
            rOptions.bHelp = true;
            return PARSE_HELP;
        }
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
        else if (TakeValue(argc, argv, i, strArg, "--mode", strValue, bMissing))
        {
            if (!bMissing &&
                !ParseModeText(strValue, rOptions.iWidth, rOptions.iHeight, rOptions.iRefreshRate))
            {
                rsError = "--mode wants WIDTHxHEIGHT or WIDTHxHEIGHT@HZ, not \"" + strValue + "\"";
                return PARSE_ERROR;
            }
            rOptions.bSkipDialog = true;
        }
        else if (TakeValue(argc, argv, i, strArg, "--record", strValue, bMissing))
        {
            rOptions.strRecordFile = strValue;
            if (!bMissing && strValue.empty())
            {
                rsError = "--record wants a file name";
                return PARSE_ERROR;
            }
        }
        else if (TakeValue(argc, argv, i, strArg, "--codec", strValue, bMissing))
        {
            rOptions.strCodec = strValue;
            if (!bMissing && strValue.empty())
            {
                rsError = "--codec wants an encoder name";
                return PARSE_ERROR;
            }
        }
        else if (TakeValue(argc, argv, i, strArg, "--duration", strValue, bMissing))
        {
            if (!bMissing && !ParseSeconds(strValue, rOptions.dDuration))
            {
                rsError = "--duration wants a positive number of seconds, not \"" + strValue + "\"";
                return PARSE_ERROR;
            }
            rOptions.bDurationGiven = true;
        }
        else if (strArg.size() > 1 && strArg[0] == '-')
        {
            rsError = "unknown option " + strArg + " (see --help)";
            return PARSE_ERROR;
        }
        else if (bDemoDirGiven)
        {
            rsError = "only one demo folder, please: \"" + strArg + "\" is one too many";
            return PARSE_ERROR;
        }
        else
        {
            rOptions.strDemoDir = strArg;
            bDemoDirGiven = true;
        }
        if (bMissing)
        {
            rsError = strArg + " wants a value";
            return PARSE_ERROR;
        }
    }
    return PARSE_RUN;
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
           "  --record FILE         first record the show at 25 frames per second into the\n"
           "                        AVI file FILE, with the music as its sound track\n"
           "  --codec NAME          FFmpeg video encoder for --record (default libx264)\n"
           "  --duration SECONDS    running time (default 275; a recording also ends with\n"
           "                        its music)\n"
           "  --headless            no window: with --record, render the show off screen as\n"
           "                        fast as possible, show progress, and exit\n"
           "  -h, --help            this text\n"
           "\n"
           "Escape or closing the window quits.\n";
}
