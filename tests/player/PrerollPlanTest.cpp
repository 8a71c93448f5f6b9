// Which pre-roll frames are drawn: decided from the document alone, for the sample (its
// targets are cleared every frame), for a target drawn into without a clear (its content
// reaches back to where it was last cleared) and for reads of a target before or after the
// frame clears it (directly, or through a material).
#include "PlayerTiming.h"
#include "PrerollPlan.h"
#include "SampleVariant.h"

#include <gtest/gtest.h>

using namespace orv::test::player;

namespace
{

constexpr float kSampleBpm = 120.0f;
// The sample's tunnel, drawn into its own target, on the sky, through the screen layer.
const std::vector<std::string> kTunnel = {"sky",          "tunnel plasma", "tunnel ring",
                                          "tunnel spark", "tunnel view",   "screen"};

// A scratch document: a render target "rt", and layers added by each test.
class PrerollPlanTest : public ::testing::Test
{
protected:
    PrerollPlanTest() { AddTarget(m_demo, "rt", 16, 16); }
    ~PrerollPlanTest() override { m_demo.BassStop(); }

    COrvModifiable* AddSprite(const std::string& sTarget, bool bClear,
                              const std::string& sMaterial = "")
    {
        COrvModifiable* pLayer = m_demo.AddLayerSprite();
        SetString(pLayer, ORV_PROP_RENDER_TARGET, sTarget);
        SetBool(pLayer, ORV_PROP_CLEAR_FIRST, bClear);
        SetString(pLayer, ORV_PROP_MATERIAL_NAME, sMaterial);
        return pLayer;
    }
    void AddReader()
    {
        COrvModifiable* pLayer = m_demo.AddLayerPPBlackWhite();
        SetString(pLayer, ORV_PROP_INPUT_SURFACE, "rt");
        SetString(pLayer, ORV_PROP_RENDER_TARGET, "OUTPUT");
    }

    COrvDemo m_demo;
};

} // namespace

TEST(PrerollPlanSample, TargetsClearedEveryFrameNeedOnlyTheLastFrames)
{
    COrvDemo demo;
    ASSERT_TRUE(LoadSampleVariant(demo, kTunnel));
    const SPrerollPlan plan = PlanPreroll(demo, 500, kSampleBpm, 25);
    demo.BassStop();
    ASSERT_EQ(plan.drawn.size(), 500u);
    EXPECT_TRUE(plan.carried.empty());
    EXPECT_TRUE(plan.drawn[499]) << "the tunnel's target is drawn at the last frame";
    EXPECT_EQ(plan.CountDrawn(), 1);
    EXPECT_NE(DescribePreroll(plan).find("1 of its 500 frames drawn"), std::string::npos);
}

TEST(PrerollPlanSample, ATargetNeverClearedCarriesBackToWhereItsLayersAppear)
{
    // The tunnel shows from beat 16 (8 s; frame 400 at 25 fps) and is now drawn over itself.
    COrvDemo demo;
    ASSERT_TRUE(LoadSampleVariant(demo, kTunnel, {"tunnel plasma"}));
    const int iFirst = CountFrames(16.0, 25);
    const SPrerollPlan plan = PlanPreroll(demo, 500, kSampleBpm, 25);
    demo.BassStop();
    ASSERT_EQ(plan.carried, std::vector<std::string>{"rt_tunnel"});
    EXPECT_EQ(plan.CountDrawn(), 500 - iFirst);
    EXPECT_FALSE(plan.drawn[static_cast<size_t>(iFirst - 1)]);
    EXPECT_TRUE(plan.drawn[static_cast<size_t>(iFirst)]);
    EXPECT_NE(DescribePreroll(plan).find("rt_tunnel"), std::string::npos);
}

TEST(PrerollPlanSample, TheWholeSampleDrawsAFewFramesAndNoFrameAfterTheMomentMatters)
{
    COrvDemo demo;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(kSampleDir);
    const bool bLoaded = demo.Load("demo.orv");
    std::filesystem::current_path(previous);
    ASSERT_TRUE(bLoaded);
    const SPrerollPlan plan = PlanPreroll(demo, 1000, kSampleBpm, 25);
    demo.BassStop();
    EXPECT_TRUE(plan.carried.empty());
    EXPECT_GE(plan.CountDrawn(), 1);
    EXPECT_LE(plan.CountDrawn(), 3);
    EXPECT_TRUE(PlanPreroll(demo, 0, kSampleBpm, 25).drawn.empty());
}

TEST_F(PrerollPlanTest, AReadBeforeTheFramesClearNeedsEveryFrame)
{
    AddReader(); // shows what rt held at the end of the frame before
    AddSprite("rt", true);
    const SPrerollPlan plan = PlanPreroll(m_demo, 10, 120.0f, 25);
    EXPECT_EQ(plan.CountDrawn(), 10);
    EXPECT_EQ(plan.carried, std::vector<std::string>{"rt"});
}

TEST_F(PrerollPlanTest, AReadAfterTheFramesClearNeedsOnlyTheLastFrame)
{
    AddSprite("rt", true);
    AddReader();
    const SPrerollPlan plan = PlanPreroll(m_demo, 10, 120.0f, 25);
    EXPECT_EQ(plan.CountDrawn(), 1);
    EXPECT_TRUE(plan.drawn[9]);
    EXPECT_TRUE(plan.carried.empty());
}

TEST_F(PrerollPlanTest, AMaterialNamingTheTargetReadsIt)
{
    COrvModifiable* pMaterial = m_demo.AddResMaterial();
    pMaterial->SetName("feedback");
    SetString(pMaterial, ORV_PROP_TEXTURE_NAME_0, "rt");
    AddSprite("scratch", true, "feedback"); // not a target: the back buffer
    AddSprite("rt", true);
    const SPrerollPlan plan = PlanPreroll(m_demo, 10, 120.0f, 25);
    EXPECT_EQ(plan.CountDrawn(), 10);
    EXPECT_EQ(plan.carried, std::vector<std::string>{"rt"});
}

TEST_F(PrerollPlanTest, ATargetNobodyDrawsIntoCarriesNothingAndNeedsNoFrame)
{
    AddReader();
    AddSprite("OUTPUT", false);
    const SPrerollPlan plan = PlanPreroll(m_demo, 10, 120.0f, 25);
    EXPECT_EQ(plan.CountDrawn(), 0);
    EXPECT_TRUE(plan.carried.empty());
}

TEST_F(PrerollPlanTest, ATargetSwitchedOffByAKeyIsDrawnOnlyWhileItIsOn)
{
    // Drawn into without a clear during the first half second, then hidden.
    COrvModifiable* pLayer = AddSprite("rt", false);
    COrvPropBool* pTrack = FindProperty<COrvPropBool>(pLayer, ORV_PROP_VISIBLE_TRACK);
    ASSERT_NE(pTrack, nullptr);
    pTrack->SetAnimable(true);
    COrvPropBase::SetFrame(16.0f); // half a second at 120 beats per minute
    pTrack->SetValue(false);
    COrvPropBase::SetFrame(0.0f);
    pTrack->SetValue(true);
    AddReader();
    const SPrerollPlan plan = PlanPreroll(m_demo, 25, 120.0f, 25);
    int iShown = 0;
    while (GetRecordedFrameTime(iShown, 120.0f, 25) < 16.0f)
        ++iShown;
    ASSERT_GT(iShown, 1);
    EXPECT_EQ(plan.carried, std::vector<std::string>{"rt"});
    EXPECT_TRUE(plan.drawn[0]);
    EXPECT_TRUE(plan.drawn[static_cast<size_t>(iShown - 1)]);
    EXPECT_FALSE(plan.drawn[static_cast<size_t>(iShown)]);
    EXPECT_EQ(plan.CountDrawn(), iShown);
}
