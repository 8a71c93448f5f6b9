// The cost estimate behind the split, on the sample: frames cost by the kinds of the layers
// they draw, and a pre-roll costs a small share of its frames.
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

TEST(RenderEstimateTest, FramesCostWhatTheirLayersKindsCost)
{
    SSampleDocument sample;
    ASSERT_TRUE(sample.bLoaded);
    const SFrameCosts costs = EstimateFrameCosts(sample.demo, kEnd, kTempo, 25);
    ExpectSoundCosts(costs);
    // The sample's particles (40 to 48 s, with the sky and two full-screen passes) cost
    // several times its opening (the sky, its logos and the same passes), as they do when
    // recorded.
    const auto average = [&](int iFrom, int iTo)
    { return (costs.vdPrefix[size_t(iTo)] - costs.vdPrefix[size_t(iFrom)]) / (iTo - iFrom); };
    const double dOpening = average(0, 200);
    const double dParticles = average(1000, 1200);
    EXPECT_GT(dParticles, 3.0 * dOpening);
    EXPECT_LT(dParticles, 6.0 * dOpening);

    EXPECT_GT(EstimateLayerCost("COrvLayerParticules"), EstimateLayerCost("COrvLayerBalls"));
    EXPECT_GT(EstimateLayerCost("COrvLayerPPBloom"), EstimateLayerCost("COrvLayerSprite"));
    EXPECT_GT(EstimateLayerCost("COrvLayerSomethingNew"), 0.0);
}
