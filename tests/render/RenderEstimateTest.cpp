// The cost estimate behind the split, on the sample: frames that draw more cost more, and a
// pre-roll costs a small share of its frames.
#include "RenderEstimate.h"
#include "document/OrvDemo.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace
{

const std::string kSample = std::string(ORV_SOURCE_ROOT) + "/examples/Atelier";
constexpr float kTempo = 120.0f; // the sample's music
constexpr int kEnd = 60 * 25;    // the first minute

// The sample's document without a device, from its own folder while it lives.
struct SSampleDocument
{
    std::filesystem::path previous = std::filesystem::current_path();
    COrvDemo demo;
    bool bLoaded = false;

    SSampleDocument()
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        bLoaded = chdir(kSample.c_str()) == 0 && demo.Load("demo.orv");
    }
    ~SSampleDocument()
    {
        demo.BassStop();
        std::filesystem::current_path(previous);
    }
};

double FrameCost(const SFrameCosts& costs, int iFrame)
{
    return costs.vdPrefix[static_cast<size_t>(iFrame) + 1] -
           costs.vdPrefix[static_cast<size_t>(iFrame)];
}

void ExpectSoundCosts(const SFrameCosts& costs)
{
    ASSERT_EQ(costs.vdPrefix.size(), static_cast<size_t>(kEnd) + 1);
    for (int i = 0; i < kEnd; ++i)
        ASSERT_GT(FrameCost(costs, i), 0.0) << i;
    ASSERT_TRUE(costs.prerollCost);
    // A pre-roll grows with its length and costs a small share of drawing its frames.
    const double dEarly = costs.prerollCost(200);
    const double dLate = costs.prerollCost(1400);
    EXPECT_GT(dEarly, 0.0);
    EXPECT_GT(dLate, dEarly);
    EXPECT_LT(dLate, 0.2 * costs.vdPrefix[1400]);
}

} // namespace

TEST(RenderEstimateTest, CountedLayersMakeBusierFramesCostlier)
{
    SSampleDocument sample;
    ASSERT_TRUE(sample.bLoaded);
    const SFrameCosts costs = EstimateFrameCosts(sample.demo, kEnd, kTempo, 25);
    ExpectSoundCosts(costs);
    // A frame costs its own work, one unit a visible layer and one for its capture: frames
    // differ by their layers.
    double dLow = 1e9, dHigh = 0.0;
    for (int i = 0; i < kEnd; ++i)
    {
        dLow = std::min(dLow, FrameCost(costs, i));
        dHigh = std::max(dHigh, FrameCost(costs, i));
    }
    EXPECT_GE(dHigh, dLow + 1.0);
}
