#include "PlayerOptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

EParseResult Parse(std::vector<const char*> args, SPlayerOptions& rOptions, std::string& sError)
{
    args.insert(args.begin(), "OrvPlayer");
    return ParsePlayerOptions(static_cast<int>(args.size()), args.data(), rOptions, sError);
}

} // namespace

TEST(PlayerOptionsTest, NoArgumentsMeansTheDialogAndTheDefaults)
{
    SPlayerOptions options;
    std::string sError;
    ASSERT_EQ(Parse({}, options, sError), PARSE_RUN);
    EXPECT_FALSE(options.bSkipDialog);
    EXPECT_TRUE(options.bFullscreen);
    EXPECT_TRUE(options.bVSync);
    EXPECT_EQ(options.sDemoDir, "../Atelier");
    EXPECT_TRUE(options.sRecordFile.empty());
    EXPECT_DOUBLE_EQ(options.dDuration, 275.0);
    EXPECT_FALSE(options.bDurationGiven);
    EXPECT_FALSE(options.bHeadless);
}

TEST(PlayerOptionsTest, EachOptionLandsWhereItBelongs)
{
    SPlayerOptions options;
    std::string sError;
    ASSERT_EQ(
        Parse({"--mode", "1920x1080@144", "--windowed", "--no-vsync", "--record=out.avi", "--codec",
               "ffv1", "--duration", "12.5", "--headless", "--draw-preroll", "/demos/mine"},
              options, sError),
        PARSE_RUN)
        << sError;
    EXPECT_EQ(options.iWidth, 1920);
    EXPECT_EQ(options.iHeight, 1080);
    EXPECT_EQ(options.iRefreshRate, 144);
    EXPECT_FALSE(options.bFullscreen);
    EXPECT_FALSE(options.bVSync);
    EXPECT_TRUE(options.bSkipDialog);
    EXPECT_EQ(options.sRecordFile, "out.avi");
    EXPECT_EQ(options.sCodec, "ffv1");
    EXPECT_DOUBLE_EQ(options.dDuration, 12.5);
    EXPECT_TRUE(options.bDurationGiven);
    EXPECT_TRUE(options.bHeadless);
    EXPECT_TRUE(options.bDrawPreroll);
    EXPECT_EQ(options.sDemoDir, "/demos/mine");
}

TEST(PlayerOptionsTest, OnlyTheFirstThreeKindsSkipTheDialog)
{
    for (const char* szArg : {"--fullscreen", "--windowed", "--vsync", "--no-vsync"})
    {
        SPlayerOptions options;
        std::string sError;
        ASSERT_EQ(Parse({szArg}, options, sError), PARSE_RUN);
        EXPECT_TRUE(options.bSkipDialog) << szArg;
    }
    SPlayerOptions options;
    std::string sError;
    ASSERT_EQ(Parse({"--record", "a.avi", "--codec", "mjpeg", "--duration", "3", "demo"}, options,
                    sError),
              PARSE_RUN);
    EXPECT_FALSE(options.bSkipDialog);
    EXPECT_EQ(Parse({"--help"}, options, sError), PARSE_HELP);
}

TEST(PlayerOptionsTest, BadArgumentsGiveOneLineReasons)
{
    const std::vector<std::vector<const char*>> cases = {
        {"--mode", "1280"},
        {"--mode", "1280x"},
        {"--mode", "x720"},
        {"--mode", "0x720"},
        {"--mode", "1280x720@"},
        {"--mode", "9000x720"},
        {"--mode", "-1280x720"},
        {"--mode"},
        {"--duration", "0"},
        {"--duration", "-3"},
        {"--duration", "abc"},
        {"--duration", "nan"},
        {"--record"},
        {"--record="},
        {"--codec"},
        {"--bogus"},
        {"--draw-preroll"},
        {"one", "two"},
    };
    for (const auto& args : cases)
    {
        SPlayerOptions options;
        std::string sError;
        EXPECT_EQ(Parse(args, options, sError), PARSE_ERROR) << args[0];
        EXPECT_FALSE(sError.empty());
        EXPECT_EQ(sError.find('\n'), std::string::npos);
    }
}

TEST(PlayerOptionsTest, UsageListsEveryOption)
{
    std::string sUsage = GetPlayerUsage("OrvPlayer");
    for (const char* szOption : {"--mode", "--fullscreen", "--windowed", "--vsync", "--no-vsync",
                                 "--record", "--codec", "--duration", "--headless", "--help"})
    {
        EXPECT_NE(sUsage.find(szOption), std::string::npos) << szOption;
    }
}

TEST(PlayerOptionsTest, AuthoringOptionsLandWhereTheyBelong)
{
    SPlayerOptions options;
    std::string sError;
    ASSERT_EQ(Parse({"--watch", "--windowed", "--start", "12.5", "--profile"}, options, sError),
              PARSE_RUN)
        << sError;
    EXPECT_TRUE(options.bWatch);
    EXPECT_TRUE(options.bProfile);
    EXPECT_DOUBLE_EQ(options.dStart, 12.5);

    options = SPlayerOptions();
    ASSERT_EQ(Parse({"--record", "show.webm", "--fps=60", "--quality", "0", "--start", "0"},
                    options, sError),
              PARSE_RUN)
        << sError;
    EXPECT_EQ(options.iFps, 60);
    EXPECT_EQ(options.iQuality, 0);
    EXPECT_DOUBLE_EQ(options.dStart, 0.0);

    // A still is taken at --at, else where the show starts.
    options = SPlayerOptions();
    ASSERT_EQ(Parse({"--screenshot", "Thumb.PNG", "--start", "4"}, options, sError), PARSE_RUN);
    EXPECT_EQ(options.sScreenshot, "Thumb.PNG");
    EXPECT_DOUBLE_EQ(options.dAt, 4.0);
    options = SPlayerOptions();
    ASSERT_EQ(Parse({"--at", "7.25", "--screenshot", "a.png"}, options, sError), PARSE_RUN);
    EXPECT_DOUBLE_EQ(options.dAt, 7.25);
    EXPECT_EQ(options.iFps, 25);
    EXPECT_EQ(options.iQuality, -1);
}

TEST(PlayerOptionsTest, AuthoringOptionsRefuseWhatCannotBe)
{
    const std::vector<std::vector<const char*>> cases = {
        {"--fps", "29", "--record", "a.avi"},
        {"--fps", "0", "--record", "a.avi"},
        {"--fps", "25"},
        {"--quality", "64", "--record", "a.avi"},
        {"--quality", "-1", "--record", "a.avi"},
        {"--quality", "10"},
        {"--start", "-2"},
        {"--start", "inf"},
        {"--at", "3"},
        {"--screenshot", "a.jpg"},
        {"--screenshot", ""},
        {"--screenshot", "a.png", "--record", "a.avi"},
        {"--watch", "--headless"},
        {"--headless", "--duration", "3"},
        {"--watch", "--record", "a.avi"},
        {"--watch", "--screenshot", "a.png"},
    };
    for (const auto& args : cases)
    {
        SPlayerOptions options;
        std::string sError;
        EXPECT_EQ(Parse(args, options, sError), PARSE_ERROR) << args[0] << " " << args.size();
        EXPECT_FALSE(sError.empty());
        EXPECT_EQ(sError.find('\n'), std::string::npos);
    }
    std::string sUsage = GetPlayerUsage("OrvPlayer");
    for (const char* szOption : {"--watch", "--start", "--screenshot", "--at", "--quality", "--fps",
                                 "--profile", "Space", "Home"})
    {
        EXPECT_NE(sUsage.find(szOption), std::string::npos) << szOption;
    }
}

TEST(PlayerOptionsTest, SegmentOptionsPlaceTheRecordingOnTheFrameGrid)
{
    SPlayerOptions options;
    std::string sError;
    ASSERT_EQ(Parse({"--record", "a.mkv", "--fps", "50", "--start-frame", "1234", "--frames", "77",
                     "--no-sound", "--tag", "p0123456789abs3"},
                    options, sError),
              PARSE_RUN)
        << sError;
    EXPECT_EQ(options.iStartFrame, 1234);
    EXPECT_DOUBLE_EQ(options.dStart, 1234.0 / 50.0); // the grid of --fps, wherever it was given
    EXPECT_EQ(options.iFrames, 77);
    EXPECT_TRUE(options.bNoSound);
    EXPECT_EQ(options.sTag, "p0123456789abs3");
    options = SPlayerOptions();
    ASSERT_EQ(Parse({"--start-frame=0", "--record", "a.avi"}, options, sError), PARSE_RUN);
    EXPECT_EQ(options.iStartFrame, 0);

    const std::vector<std::vector<const char*>> cases = {
        {"--start-frame", "-1", "--record", "a.avi"},
        {"--start-frame", "1.5", "--record", "a.avi"},
        {"--frames", "0", "--record", "a.avi"},
        {"--frames", "999999999", "--record", "a.avi"},
        {"--start-frame", "10"},
        {"--frames", "10"},
        {"--no-sound"},
        {"--tag", "x"},
        {"--tag", "has space", "--record", "a.avi"},
        {"--tag", "0123456789012345678901234", "--record", "a.avi"},
        {"--start", "1", "--start-frame", "25", "--record", "a.avi"},
        {"--duration", "1", "--frames", "25", "--record", "a.avi"},
    };
    for (const auto& args : cases)
    {
        SPlayerOptions bad;
        sError.clear();
        EXPECT_EQ(Parse(args, bad, sError), PARSE_ERROR) << args[0] << " " << args[1];
        EXPECT_FALSE(sError.empty());
    }
    const std::string sUsage = GetPlayerUsage("OrvPlayer");
    for (const char* szOption : {"--start-frame", "--frames", "--no-sound", "--tag"})
    {
        EXPECT_NE(sUsage.find(szOption), std::string::npos) << szOption;
    }
}
