// The sample demo's particles and sphere scenes, played on the recording device: each layer
// finds its material and picture and draws in its own part of the time line only.
#include "OrvTestDemo.h"
#include "RecordingDevice.h"

#include <algorithm>
#include <filesystem>

namespace
{
size_t CountStarting(const std::vector<std::string>& calls, const std::string& start)
{
    return size_t(std::count_if(calls.begin(), calls.end(),
                                [&](const std::string& call)
                                { return call.rfind(start, 0) == 0; }));
}
} // namespace

TEST(SampleDemo, ParticlesThenTheSphereInTheirOwnBars)
{
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(ORV_SOURCE_ROOT) / "examples" / "Atelier");
    {
        CRecordingDevice device(1280, 720);
        COrvDemo demo;
        ASSERT_TRUE(demo.Load("demo.orv"));
        demo.SetOutputSize(1280, 720);
        demo.SetDevice(&device);
        auto* pParticles = dynamic_cast<COrvLayerParticules*>(demo.GetLayerByName("particles"));
        auto* pSphere = dynamic_cast<COrvLayerSphere*>(demo.GetLayerByName("globe"));
        ASSERT_NE(pParticles, nullptr);
        ASSERT_NE(pSphere, nullptr);

        struct SMoment
        {
            float fFrame;
            bool bParticles;
            bool bSphere;
        };
        const SMoment moments[] = {{1000.0f, false, false}, {1300.0f, true, false},
                                   {1500.0f, true, false},  {1600.0f, false, true},
                                   {1750.0f, false, true},  {1850.0f, false, false}};
        for (const SMoment& moment : moments)
        {
            device.ClearCalls();
            demo.DrawFrame(moment.fFrame);
            const std::vector<std::string> draws = device.CallsNamed({"DrawPrimitive"});
            EXPECT_EQ(CountStarting(draws, "DrawPrimitive 1 0 10000"), moment.bParticles ? 1u : 0u)
                << "frame " << moment.fFrame;
            EXPECT_EQ(pSphere->IsVisible(), moment.bSphere) << "frame " << moment.fFrame;
        }
        // The sphere's picture is there: drawn at frame 1750, seen from inside.
        device.ClearCalls();
        demo.DrawFrame(1750.0f);
        EXPECT_GT(device.CountCalls("DrawIndexedPrimitive"), 0u);
        EXPECT_FALSE(FindProperty<COrvPropBool>(pSphere, ORV_PROP_CULLING_SIDE)->GetValue());
        demo.SetDevice(nullptr);
    }
    std::filesystem::current_path(previous);
}
