// The cheap pre-roll against drawing every frame from the show's start: the still at a
// moment is the same, per kind of layer whose look depends on the frames before (particles,
// balls, the gelly and the wave timer's post-process behind it, a render target drawn over
// itself), each in a cut-down sample run by the player.
#include "OrvGoldenImage.h"
#include "OrvTempDir.h"
#include "SampleVariant.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace orv::test::player;

namespace
{

struct SStill
{
    int iStatus = -1;
    std::string sErr;
    SOrvImage image;
};

// The player's still of the demo at the moment, with the cheap pre-roll or every frame drawn.
SStill TakeStill(const COrvTempDir& dir, const std::string& sDemo, double dAt, bool bDrawAll)
{
    const std::string sPng = dir.File(bDrawAll ? "all.png" : "cheap.png");
    const std::string sErr = dir.File("err.txt");
    const std::string sCommand = std::string("SDL_AUDIODRIVER=dummy '") + ORV_PLAYER_PATH +
                                 "' --mode 64x36 --screenshot '" + sPng + "' --at " +
                                 std::to_string(dAt) + (bDrawAll ? " --draw-preroll '" : " '") +
                                 sDemo + "' >/dev/null 2>'" + sErr + "'";
    SStill still;
    const int iRaw = std::system(sCommand.c_str());
    still.iStatus = WIFEXITED(iRaw) ? WEXITSTATUS(iRaw) : -1;
    std::ifstream file(sErr, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    still.sErr = text.str();
    if (still.iStatus == 0 && !OrvLoadPNG(sPng, still.image))
        still.iStatus = -2;
    return still;
}

bool ShowsSomething(const SOrvImage& image)
{
    for (size_t i = 0; i + 3 < image.m_aRGBA.size(); i += 4)
        if (image.m_aRGBA[i] > 16 || image.m_aRGBA[i + 1] > 16 || image.m_aRGBA[i + 2] > 16)
            return true;
    return false;
}

struct SCase
{
    const char* szName;
    std::vector<std::string> shown;
    std::vector<std::string> unclear;
    double dAt;
    const char* szPreroll; // in what the player says of its pre-roll
};

} // namespace

TEST(PrerollRun, TheCheapPreRollDrawsTheSameStillAsDrawingEveryFrame)
{
    const std::vector<SCase> cases = {
        {"particles", {"sky", "particles", "screen"}, {}, 41.0, "no render target carries"},
        {"balls", {"balls room"}, {}, 57.0, "no render target carries"},
        {"gelly and wave", {"sky", "blob", "wave", "screen"}, {}, 33.0, "no render target carries"},
        {"tunnel drawn over itself",
         {"sky", "tunnel ring", "tunnel spark", "tunnel view", "screen"},
         {},
         17.0,
         "rt_tunnel"},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.szName);
        COrvTempDir dir("preroll");
        const std::filesystem::path demo = dir.Path() / "demo";
        ASSERT_TRUE(WriteSampleVariant(demo, c.shown, c.unclear));
        const SStill cheap = TakeStill(dir, demo.string(), c.dAt, false);
        ASSERT_EQ(cheap.iStatus, 0) << cheap.sErr;
        EXPECT_NE(cheap.sErr.find(c.szPreroll), std::string::npos) << cheap.sErr;
        const SStill all = TakeStill(dir, demo.string(), c.dAt, true);
        ASSERT_EQ(all.iStatus, 0) << all.sErr;
        EXPECT_EQ(all.sErr.find("pre-roll:"), std::string::npos) << "every frame was drawn";
        ASSERT_EQ(cheap.image.m_uWidth, all.image.m_uWidth);
        EXPECT_TRUE(cheap.image.m_aRGBA == all.image.m_aRGBA);
        EXPECT_TRUE(ShowsSomething(all.image)) << "the layers are on screen at the moment";
    }
}
