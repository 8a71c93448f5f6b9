// The split by cost: boundaries that cover the stretch once, on the frame grid, with the
// costliest segment as cheap as any split could make it.
#include "RenderSplit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace
{

// A model from per-frame costs, with a pre-roll that costs dStep of each frame it runs.
SFrameCosts MakeCosts(const std::vector<double>& vdFrames, double dStep)
{
    SFrameCosts costs;
    costs.vdPrefix.push_back(0.0);
    for (double dFrame : vdFrames)
        costs.vdPrefix.push_back(costs.vdPrefix.back() + dFrame);
    const std::vector<double> vdPrefix = costs.vdPrefix;
    costs.prerollCost = [vdPrefix, dStep](int iStart)
    { return dStep * vdPrefix[static_cast<size_t>(iStart)]; };
    return costs;
}

void ExpectCovers(const std::vector<SRenderSegment>& segments, int iStart, int iFrames)
{
    int iNext = iStart;
    for (const SRenderSegment& segment : segments)
    {
        EXPECT_EQ(segment.iStartFrame, iNext);
        EXPECT_GE(segment.iFrames, 1);
        iNext += segment.iFrames;
    }
    EXPECT_EQ(iNext, iStart + iFrames);
}

// The smallest worst cost of any split of [iStart, iEnd) into iCount runs, by trying them all.
double FindBestWorst(const SFrameCosts& costs, int iStart, int iEnd, int iCount)
{
    auto cost = [&](int a, int b)
    {
        return costs.prerollCost(a) + costs.vdPrefix[static_cast<size_t>(b)] -
               costs.vdPrefix[static_cast<size_t>(a)];
    };
    if (iCount == 1)
        return cost(iStart, iEnd);
    double dBest = std::numeric_limits<double>::infinity();
    for (int iCut = iStart + 1; iCut <= iEnd - (iCount - 1); ++iCut)
        dBest = std::min(
            dBest, std::max(cost(iStart, iCut), FindBestWorst(costs, iCut, iEnd, iCount - 1)));
    return dBest;
}

} // namespace

TEST(RenderSplitTest, EvenCostsWithoutPrerollGiveEqualRuns)
{
    const SFrameCosts costs = MakeCosts(std::vector<double>(400, 2.0), 0.0);
    SSplitEstimate estimate;
    const std::vector<SRenderSegment> segments = SplitFramesByCost(0, 400, 8, costs, estimate);
    ASSERT_EQ(segments.size(), 8u);
    for (const SRenderSegment& segment : segments)
        EXPECT_EQ(segment.iFrames, 50);
    EXPECT_DOUBLE_EQ(estimate.GetWorst(), 100.0);
    EXPECT_DOUBLE_EQ(estimate.dSingle, 800.0);
}

TEST(RenderSplitTest, LaterAndHeavierSegmentsGetFewerFrames)
{
    // The pre-roll makes every later segment shorter than the one before.
    SSplitEstimate estimate;
    const SFrameCosts even = MakeCosts(std::vector<double>(2000, 1.0), 0.05);
    const std::vector<SRenderSegment> segments = SplitFramesByCost(500, 1500, 8, even, estimate);
    ASSERT_EQ(segments.size(), 8u);
    ExpectCovers(segments, 500, 1500);
    for (size_t i = 1; i < segments.size(); ++i)
        EXPECT_LE(segments[i].iFrames, segments[i - 1].iFrames) << i;
    EXPECT_GT(segments.front().iFrames, segments.back().iFrames + 2);
    // Better than equal runs, whose last one pays the longest pre-roll.
    const SSplitEstimate equal = EstimateSplit(SplitFrames(500, 1500, 8), even);
    EXPECT_LT(estimate.GetWorst(), equal.GetWorst());
    EXPECT_LE(estimate.GetWorst() -
                  *std::min_element(estimate.vdCosts.begin(), estimate.vdCosts.end()),
              2.0); // balanced to within a frame or two

    // Frames four times as costly in the first quarter: the runs there are shorter.
    std::vector<double> vdFrames(400, 4.0);
    vdFrames.resize(1600, 1.0);
    const std::vector<SRenderSegment> heavy =
        SplitFramesByCost(0, 1600, 4, MakeCosts(vdFrames, 0.0), estimate);
    ASSERT_EQ(heavy.size(), 4u);
    ExpectCovers(heavy, 0, 1600);
    EXPECT_EQ(heavy[0].iFrames, 175);
    EXPECT_EQ(heavy[1].iFrames, 175);
    EXPECT_EQ(heavy[2].iFrames, 550);
    EXPECT_EQ(heavy[3].iFrames, 700);
    EXPECT_DOUBLE_EQ(estimate.GetWorst(), 700.0);
}

TEST(RenderSplitTest, WorstSegmentIsAsCheapAsTheBestSplitFound)
{
    // Irregular small shows, checked against every possible split.
    unsigned uSeed = 7;
    auto next = [&uSeed]()
    {
        uSeed = uSeed * 1103515245u + 12345u;
        return static_cast<double>((uSeed >> 16) % 9 + 1);
    };
    for (int iCase = 0; iCase < 30; ++iCase)
    {
        std::vector<double> vdFrames(12 + iCase % 7);
        for (double& dFrame : vdFrames)
            dFrame = next();
        const SFrameCosts costs = MakeCosts(vdFrames, 0.02 * (iCase % 4));
        const int iStart = iCase % 3;
        const int iFrames = static_cast<int>(vdFrames.size()) - iStart;
        const int iCount = 2 + iCase % 3;
        SSplitEstimate estimate;
        const std::vector<SRenderSegment> segments =
            SplitFramesByCost(iStart, iFrames, iCount, costs, estimate);
        ASSERT_EQ(segments.size(), static_cast<size_t>(iCount));
        ExpectCovers(segments, iStart, iFrames);
        const double dBest = FindBestWorst(costs, iStart, iStart + iFrames, iCount);
        EXPECT_NEAR(estimate.GetWorst(), dBest, 1e-4 * dBest) << "case " << iCase;
    }
}

TEST(RenderSplitTest, WithoutAModelTheSplitIsEqual)
{
    SSplitEstimate estimate;
    SFrameCosts costs = MakeCosts(std::vector<double>(100, 1.0), 0.0);
    costs.vdPrefix.resize(50); // covers half the stretch
    const std::vector<SRenderSegment> segments = SplitFramesByCost(0, 100, 4, costs, estimate);
    ASSERT_EQ(segments.size(), 4u);
    EXPECT_EQ(segments[3].iFrames, 25);
    EXPECT_TRUE(estimate.vdCosts.empty());

    // More segments than frames: one frame each.
    const std::vector<SRenderSegment> few =
        SplitFramesByCost(0, 3, 8, MakeCosts({1.0, 5.0, 1.0}, 0.0), estimate);
    ASSERT_EQ(few.size(), 3u);
    ExpectCovers(few, 0, 3);
    EXPECT_DOUBLE_EQ(estimate.GetWorst(), 5.0);
}
