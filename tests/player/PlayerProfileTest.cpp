// The --profile table: one row per layer, the whole frames, the player's own steps.
#include "PlayerProfile.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(PlayerProfileTest, TableShowsAveragesAndWorstInMillisecondsAndDashesForTheUnknown)
{
    ORV_FrameProfile profile; // no frames drawn: only the frame row, without numbers
    std::vector<ORV_LayerCost> extra = {MakeCostRow("read-back", 4, 0.010, 0.004),
                                        MakeCostRow("encoder (its own thread)", 0, 0.0, 0.0)};
    CStepTimer timer("present");
    timer.Begin();
    timer.End();
    timer.Begin();
    timer.End();
    EXPECT_EQ(timer.GetCost().m_iFrames, 2);
    EXPECT_GE(timer.GetCost().m_dCpuWorst, timer.GetCost().CpuAverage());
    extra.push_back(timer.GetCost());

    std::istringstream lines(FormatProfileTable(profile, extra));
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);)
        rows.push_back(line);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[2].rfind("layer", 0), 0u);
    EXPECT_EQ(rows[3].rfind("whole frame (all layers)", 0), 0u);
    EXPECT_NE(rows[3].find("      -         -         -         -"), std::string::npos) << rows[3];
    // 10 ms over 4 frames: 2.50 on average, 4.00 at worst, no device time.
    EXPECT_NE(rows[4].find("      4      2.50      4.00         -         -"), std::string::npos)
        << rows[4];
    EXPECT_EQ(rows[5].rfind("encoder (its own thread)", 0), 0u);
    EXPECT_EQ(rows[6].rfind("present", 0), 0u);
}
