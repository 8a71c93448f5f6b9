// orv-render's parts: the split on the frame grid, the plan file, and running programs.
#include "RenderPlan.h"
#include "RenderProcess.h"

#include <gtest/gtest.h>

TEST(RenderPlanTest, SplitCoversEveryFrameOnceInNearlyEqualRuns)
{
    for (int iFrames : {1, 7, 400, 401, 6875})
    {
        for (int iSegments : {1, 3, 4, 8, 500})
        {
            const std::vector<SRenderSegment> segments = SplitFrames(1100, iFrames, iSegments);
            ASSERT_EQ(segments.size(), static_cast<size_t>(std::min(iFrames, iSegments)));
            int iNext = 1100;
            for (const SRenderSegment& segment : segments)
            {
                EXPECT_EQ(segment.iStartFrame, iNext);
                EXPECT_GE(segment.iFrames, iFrames / iSegments);
                EXPECT_LE(segment.iFrames, iFrames / iSegments + 1);
                iNext += segment.iFrames;
            }
            EXPECT_EQ(iNext, 1100 + iFrames);
        }
    }
}

TEST(RenderPlanTest, PlanFileReadsBackAndRefusesDamage)
{
    SRenderPlan plan;
    plan.sId = "0123456789ab";
    plan.sVersion = "0.1.0";
    plan.sDemoDir = "/demos/with space";
    plan.sMusic = "/demos/with space/data/m.ogg";
    plan.iWidth = 320;
    plan.iHeight = 180;
    plan.iFps = 50;
    plan.iQuality = 0;
    plan.sCodec = "ffv1";
    plan.sContainer = "mkv";
    plan.iStartFrame = 2200;
    plan.iFrames = 801;
    plan.segments = SplitFrames(2200, 801, 4);
    const std::string sText = FormatPlan(plan);
    SRenderPlan back;
    std::string sError;
    ASSERT_TRUE(ParsePlan(sText, back, sError)) << sError;
    EXPECT_EQ(FormatPlan(back), sText);
    EXPECT_EQ(back.GetSegmentFile(3), "segments/seg-0003.mkv");
    EXPECT_EQ(back.GetPartFile(3), "segments/seg-0003.part.mkv");
    EXPECT_EQ(back.GetSegmentTag(3), "p0123456789abs3");

    auto replaced = [&](const std::string& sFrom, const std::string& sTo)
    {
        std::string sDamaged = sText;
        sDamaged.replace(sDamaged.find(sFrom), sFrom.size(), sTo);
        return sDamaged;
    };
    for (const std::string& sDamaged :
         {sText.substr(0, sText.size() / 2), replaced("orv-render plan 1", "orv-render plan 7"),
          replaced("segment.2 = 2601", "segment.2 = 2602"),
          replaced("frames = 801", "frames = 800"), replaced("container = mkv", "container = ogg"),
          replaced("fps = 50", "fps = x"), replaced("id = 0123456789ab", "id = 01"), std::string()})
    {
        sError.clear();
        EXPECT_FALSE(ParsePlan(sDamaged, back, sError)) << sDamaged;
        EXPECT_FALSE(sError.empty());
    }
    EXPECT_NE(MakePlanId(), MakePlanId());
    EXPECT_EQ(MakePlanId().size(), 12u);
}

TEST(RenderPlanTest, PlanKeepsItsSplitAndEstimates)
{
    SRenderPlan plan;
    plan.sId = "0123456789ab";
    plan.sVersion = "0.1.0";
    plan.iStartFrame = 0;
    plan.iFrames = 100;
    plan.segments = {{0, 70, 0.4}, {70, 20, 0.4182}, {90, 10, 0.25}};
    EXPECT_EQ(DescribeSplit(plan), "split into equal frame counts (no cost estimate)");
    plan.sSplit = "cost";
    const std::string sText = FormatPlan(plan);
    SRenderPlan back;
    std::string sError;
    ASSERT_TRUE(ParsePlan(sText, back, sError)) << sError;
    EXPECT_EQ(back.sSplit, "cost");
    ASSERT_EQ(back.segments.size(), 3u);
    EXPECT_DOUBLE_EQ(back.segments[1].dEstimate, 0.4182);
    EXPECT_EQ(FormatPlan(back), sText);
    const std::string sLine = DescribeSplit(back);
    EXPECT_NE(sLine.find("seg-0001"), std::string::npos) << sLine;
    EXPECT_NE(sLine.find("0.418"), std::string::npos) << sLine;
    EXPECT_NE(sLine.find("0.333"), std::string::npos) << sLine;

    // A plan without estimates (an older one) still reads, as an equal split.
    std::string sOld = sText;
    for (const char* szKey : {"split = cost\n", "estimate.0 = 0.4000\n", "estimate.1 = 0.4182\n",
                              "estimate.2 = 0.2500\n"})
    {
        ASSERT_NE(sOld.find(szKey), std::string::npos) << szKey;
        sOld.erase(sOld.find(szKey), std::string(szKey).size());
    }
    ASSERT_TRUE(ParsePlan(sOld, back, sError)) << sError;
    EXPECT_EQ(back.sSplit, "equal");
    EXPECT_EQ(back.segments[2].iFrames, 10);
    EXPECT_EQ(back.segments[2].dEstimate, 0.0);
}

TEST(RenderPlanTest, ContainersAndTheirMuxers)
{
    EXPECT_EQ(GetContainerOfFile("/x/Show.MKV"), "mkv");
    EXPECT_EQ(GetMuxerForContainer("mkv"), "matroska");
    EXPECT_EQ(GetMuxerForContainer("avi"), "avi");
    EXPECT_EQ(GetMuxerForContainer(GetContainerOfFile("a.webm")), "webm");
    EXPECT_EQ(GetMuxerForContainer(GetContainerOfFile("noext")), "");
    EXPECT_EQ(GetMuxerForContainer("ogg"), "");
}

TEST(RenderProcessTest, ArgumentsGoThroughUnchangedAndEndingsAreDescribed)
{
    SProcessRequest request;
    request.args = {"printf", "%s|", "it's", "two words", "$HOME", ""};
    SProcessResult result = RunProcess(request);
    ASSERT_TRUE(result.Succeeded()) << result.Describe();
    EXPECT_EQ(result.sOutput, "it's|two words|$HOME||");

    // A shell reads back what QuoteForShell makes as the very same word.
    request.args = {"sh", "-c", "printf %s " + QuoteForShell("it's $HOME `x` \"q\"")};
    result = RunProcess(request);
    EXPECT_EQ(result.sOutput, "it's $HOME `x` \"q\"");

    request.args = {"sh", "-c", "echo oops >&2; exit 3"};
    result = RunProcess(request);
    EXPECT_EQ(result.iStatus, 3);
    EXPECT_EQ(result.sErrors, "oops\n");
    EXPECT_EQ(result.Describe(), "exit status 3");

    request.args = {"sh", "-c", "kill -9 $$"};
    result = RunProcess(request);
    EXPECT_FALSE(result.Succeeded());
    EXPECT_EQ(result.iSignal, 9);
    EXPECT_NE(result.Describe().find("killed by signal 9"), std::string::npos);

    request.args = {"/nonexistent/program"};
    result = RunProcess(request);
    EXPECT_FALSE(result.Succeeded());
    EXPECT_NE(result.Describe().find("could not be run"), std::string::npos);
    EXPECT_TRUE(IsProgramAvailable("sh"));
    EXPECT_FALSE(IsProgramAvailable("no-such-program-here"));
}
