// The timeline's arithmetic: bars and beats of the engine's frames, seconds at the tempo,
// snapping, and the view's zoom and pan.
#include "TimelineScale.h"

#include <gtest/gtest.h>

#include <limits>

using namespace orv::editor;

TEST(TimelineScaleTest, FramesReadAsBarsBeatsAndSixteenths)
{
    EXPECT_EQ(FormatBarsBeats(0.0f, false), "1:1");
    EXPECT_EQ(FormatBarsBeats(16.0f, false), "1:2");
    EXPECT_EQ(FormatBarsBeats(63.9f, true), "1:4.16");
    EXPECT_EQ(FormatBarsBeats(64.0f, false), "2:1");
    EXPECT_EQ(FormatBarsBeats(65.0f, true), "2:1.2");
    EXPECT_EQ(FormatBarsBeats(-1.0f, true), "0:4.16");
    EXPECT_EQ(FormatBarsBeats(-64.0f, false), "0:1");
    EXPECT_EQ(FormatBarsBeats(std::numeric_limits<float>::quiet_NaN(), false), "1:1");
    // Far beyond any demo: still a bar number, not an overflow.
    EXPECT_EQ(FormatBarsBeats(3.0e38f, false), "15624999796737:1");
}

TEST(TimelineScaleTest, SecondsFollowTheTempo)
{
    EXPECT_DOUBLE_EQ(FrameToSeconds(16.0f, 120.0f), 0.5);
    EXPECT_DOUBLE_EQ(FrameToSeconds(64.0f, 60.0f), 4.0);
    EXPECT_DOUBLE_EQ(FrameToSeconds(64.0f, 0.0f), 0.0);
    EXPECT_EQ(FormatSeconds(61.234), "1:01.23");
    EXPECT_EQ(FormatSeconds(-0.5), "-0:00.50");
    EXPECT_EQ(FormatSeconds(0.0), "0:00.00");
}

TEST(TimelineScaleTest, SnappingGoesToTheNearestLineOfTheGrid)
{
    EXPECT_EQ(SnapFrame(7.4f, ESnap::Sixteenth), 7);
    EXPECT_EQ(SnapFrame(7.6f, ESnap::Sixteenth), 8);
    EXPECT_EQ(SnapFrame(7.0f, ESnap::Beat), 0);
    EXPECT_EQ(SnapFrame(8.0f, ESnap::Beat), 16);
    EXPECT_EQ(SnapFrame(-9.0f, ESnap::Beat), -16);
    EXPECT_EQ(SnapFrame(95.0f, ESnap::Bar), 64);
    EXPECT_EQ(SnapFrame(97.0f, ESnap::Bar), 128);
    EXPECT_EQ(SnapFrame(std::numeric_limits<float>::infinity(), ESnap::Bar), 0);
    EXPECT_EQ(SnapFrame(1e12f, ESnap::Bar), 2147483584); // the last bar an int holds
    EXPECT_EQ(SnapFrame(-1e12f, ESnap::Beat), -2147483632);
}

TEST(TimelineScaleTest, ZoomKeepsTheFrameUnderThePointer)
{
    CTimelineScale scale;
    scale.SetLeft(100.0f);
    scale.Show(0.0f, 256.0f, 512.0f);
    EXPECT_FLOAT_EQ(scale.GetPixelsPerFrame(), 2.0f);
    EXPECT_FLOAT_EQ(scale.FrameToX(64.0f), 228.0f);
    EXPECT_FLOAT_EQ(scale.XToFrame(228.0f), 64.0f);

    scale.ZoomAround(228.0f, 4.0f);
    EXPECT_FLOAT_EQ(scale.GetPixelsPerFrame(), 8.0f);
    EXPECT_NEAR(scale.XToFrame(228.0f), 64.0f, 1e-4f);

    scale.ZoomAround(228.0f, 1e9f); // limited
    EXPECT_FLOAT_EQ(scale.GetPixelsPerFrame(), CTimelineScale::kMaxPixelsPerFrame);
    scale.ZoomAround(228.0f, 0.0f); // refused
    EXPECT_FLOAT_EQ(scale.GetPixelsPerFrame(), CTimelineScale::kMaxPixelsPerFrame);
}

TEST(TimelineScaleTest, PanStopsABarBeforeTheStart)
{
    CTimelineScale scale;
    scale.Show(0.0f, 100.0f, 100.0f);
    scale.Pan(50.0f);
    EXPECT_FLOAT_EQ(scale.GetFirstFrame(), 50.0f);
    scale.Pan(-1000.0f);
    EXPECT_FLOAT_EQ(scale.GetFirstFrame(), -64.0f);
}

TEST(TimelineScaleTest, RulerLabelsStepBySixteenthsBeatsBarsAndDoubledBars)
{
    CTimelineScale scale;
    scale.Show(0.0f, 10.0f, 400.0f); // 40 px a frame
    EXPECT_EQ(scale.LabelStep(30.0f), 1);
    scale.Show(0.0f, 100.0f, 400.0f); // 4 px a frame
    EXPECT_EQ(scale.LabelStep(30.0f), 16);
    scale.Show(0.0f, 1000.0f, 400.0f); // 0.4 px a frame
    EXPECT_EQ(scale.LabelStep(30.0f), 128);
}
