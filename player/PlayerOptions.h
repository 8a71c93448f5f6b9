#pragma once

// The player's command line: what a Linux user may ask for instead of the settings dialog.
#include <cstddef>
#include <string>

// The longest --tag: the video stream's title holds 63 characters in all.
constexpr size_t kMaxTagLength = 24;

struct SPlayerOptions
{
    // Display mode; 0 where the user gave none.
    int iWidth = 0;
    int iHeight = 0;
    int iRefreshRate = 0;
    bool bFullscreen = true;
    bool bVSync = true;
    // Any of --mode, --fullscreen/--windowed, --vsync/--no-vsync skips the dialog.
    bool bSkipDialog = false;
    // The folder holding "demo.orv" and its "data" folder.
    std::string sDemoDir = "../Atelier";
    // Record the show into this file first (empty: no recording).
    std::string sRecordFile;
    // FFmpeg video encoder for the recording (empty: the default).
    std::string sCodec;
    // Running time in seconds; bDurationGiven when the user set it.
    double dDuration = 275.0;
    bool bDurationGiven = false;
    // Where the show begins, in seconds (playback and recording).
    double dStart = 0.0;
    // Recording: the first frame as an index on the --fps grid (-1: none given) and the
    // number of frames (0: from the running time). A recording cut into pieces starts each
    // piece on a frame of the whole, so the pieces join into what one recording would be.
    int iStartFrame = -1;
    int iFrames = 0;
    // Recording: the video alone, without the music.
    bool bNoSound = false;
    // Recording: words stored in the video stream's title after the engine's version and
    // renderer, so that a piece can be told from a piece of another recording.
    std::string sTag;
    // Recording: frames per second (24, 25, 30, 50 or 60) and the encoder's quality as a
    // constant-rate-factor number (-1: the encoder's own).
    int iFps = 25;
    int iQuality = -1;
    // Write the frame at dAt seconds into this PNG file instead of playing (empty: play).
    std::string sScreenshot;
    double dAt = 0.0;
    // Reload the demo whenever its files change (playback in a window).
    bool bWatch = false;
    // Print what each layer, the read-back and the encoder cost, at the end.
    bool bProfile = false;
    // Draw every frame before the first one shown, even those whose pixels nobody sees
    // (the same pictures, slower: for comparisons).
    bool bDrawPreroll = false;
    // No window: draw with the headless device.
    bool bHeadless = false;
    bool bHelp = false;
};

enum EParseResult
{
    PARSE_RUN,
    PARSE_HELP,
    PARSE_ERROR,
};

// Reads argv[1..argc-1]; on PARSE_ERROR sError holds a one-line reason.
EParseResult ParsePlayerOptions(int argc, const char* const* argv, SPlayerOptions& rOptions,
                                std::string& sError);

// Reads "WxH" or "WxH@HZ".
bool ParseModeText(const std::string& sText, int& riWidth, int& riHeight, int& riRefresh);

// The text --help prints.
std::string GetPlayerUsage(const char* szProgram);
