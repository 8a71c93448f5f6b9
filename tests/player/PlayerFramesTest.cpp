#include "PlayerDevice.h"
#include "FrameGrabber.h"
#include "PlayerOptions.h"
#include "PlayerTiming.h"
#include "ProgressMeter.h"

#include <gtest/gtest.h>

#include <string>

TEST(PlayerFramesTest, ReadBackBecomesPackedBottomUpBgr)
{
    // 3 x 2 pixels, rows padded to 16 bytes; pixel (x, y) = B x, G y, R 9, A 255.
    const int iPitch = 16;
    std::vector<BYTE> source(iPitch * 2, 0xEE);
    for (int y = 0; y < 2; ++y)
    {
        for (int x = 0; x < 3; ++x)
        {
            BYTE* p = &source[y * iPitch + x * 4];
            p[0] = static_cast<BYTE>(x);
            p[1] = static_cast<BYTE>(y);
            p[2] = 9;
            p[3] = 255;
        }
    }
    std::vector<BYTE> target(3 * 2 * 3, 0xAA);
    ConvertToBottomUpBGR(source.data(), iPitch, 3, 2, target.data());
    const std::vector<BYTE> expected = {0, 1, 9, 1, 1, 9, 2, 1, 9, // bottom row first
                                        0, 0, 9, 1, 0, 9, 2, 0, 9};
    EXPECT_EQ(target, expected);

    // Rows of 4 pixels and more go four at a time: 9 x 2, pixel (x, y) = B x, G y, R 40 + x.
    std::vector<BYTE> wide(9 * 4 * 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 9; ++x)
        {
            BYTE* p = &wide[(y * 9 + x) * 4];
            p[0] = static_cast<BYTE>(x);
            p[1] = static_cast<BYTE>(y);
            p[2] = static_cast<BYTE>(40 + x);
            p[3] = 0x77;
        }
    std::vector<BYTE> packed(9 * 2 * 3, 0xAA);
    ConvertToBottomUpBGR(wide.data(), 9 * 4, 9, 2, packed.data());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 9; ++x)
        {
            const BYTE* p = &packed[((1 - y) * 9 + x) * 3];
            EXPECT_EQ(p[0], x);
            EXPECT_EQ(p[1], y);
            EXPECT_EQ(p[2], 40 + x) << x << "," << y;
        }
}

TEST(PlayerFramesTest, RecordedFramesFollowTheDemosTempo)
{
    // 25 frames are one second: 128 bpm gives 2.1333 beats, 34.13 sixteenths.
    EXPECT_FLOAT_EQ(GetRecordedFrameTime(0, 128.0f), 0.0f);
    EXPECT_NEAR(GetRecordedFrameTime(25, 128.0f), 34.1333f, 1e-3);
    EXPECT_NEAR(GetRecordedFrameTime(25, 138.0f), 36.8f, 1e-3);
    EXPECT_NEAR(GetRecordedFrameTime(1500, 60.0f), 960.0f, 1e-2);
}

TEST(PlayerFramesTest, ProgressLineShowsFramesRateAndTimeLeft)
{
    EXPECT_EQ(FormatProgressLine(750, 1500, 41.66, 18.0, 10),
              "[#####     ]  750/1500 frames   41.7 fps  0:18 left");
    EXPECT_EQ(FormatProgressLine(1500, 1500, 30.0, 0.0, 4),
              "[####] 1500/1500 frames   30.0 fps  0:00 left");
    // Nonsense in, a sane line out.
    EXPECT_EQ(FormatProgressLine(-3, 0, 0.0, -1.0, 2), "[  ] 0/1 frames    0.0 fps  0:00 left");
    EXPECT_EQ(FormatProgressLine(10, 100, 1.0, 125.2, 0),
              "[]  10/100 frames    1.0 fps  2:06 left");
}

TEST(PlayerFramesTest, MomentsOnTheGridAreFramesAndSegmentsCountFromTheShowsStart)
{
    EXPECT_EQ(FindGridFrame(44.0, 25), 1100);
    EXPECT_EQ(FindGridFrame(1.0 / 3.0, 30), 10);
    EXPECT_EQ(FindGridFrame(0.0, 60), 0);
    EXPECT_EQ(FindGridFrame(44.02, 25), -1);
    EXPECT_EQ(FindGridFrame(-1.0, 25), -1);
    // A recording from frame k draws frame k + n at the time of frame k + n of a recording
    // from 0, to the bit: that is what lets pieces of a show join into the whole.
    for (int iFrame : {1, 7, 1100, 4321})
    {
        EXPECT_EQ(GetRecordedFrameTime(iFrame, 120.0f, 25),
                  GetMomentFrameTime(iFrame / 25.0, 120.0f, 25));
    }
}

TEST(PlayerFramesTest, RecordingTitleNamesVersionRendererAndTag)
{
    const std::string sTitle = MakeRecordingTitle("0.1.0", "Mesa, llvmpipe, 4.5", "pabcs1");
    EXPECT_EQ(sTitle.rfind("Orv 0.1.0 r", 0), 0u);
    EXPECT_EQ(sTitle.substr(sTitle.size() - 7), " pabcs1");
    EXPECT_EQ(sTitle.size(), std::string("Orv 0.1.0 r12345678 pabcs1").size());
    EXPECT_NE(sTitle, MakeRecordingTitle("0.1.0", "NVIDIA, RTX, 4.6", "pabcs1"));
    EXPECT_EQ(sTitle, MakeRecordingTitle("0.1.0", "Mesa, llvmpipe, 4.5", "pabcs1"));
    // The longest tag still fits the stream title's 63 characters.
    EXPECT_LE(MakeRecordingTitle("10.20.30", "x", std::string(kMaxTagLength, 't')).size(), 63u);
}
