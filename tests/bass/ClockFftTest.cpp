#include "BassClock.h"
#include "BassFft.h"

#include "OrvTestMedia.h"
#include "OrvPi.h"

#include <cmath>
#include <algorithm>

using orv::bass::CBassClock;
using orv::bass::CBassSpectrum;

namespace
{
constexpr int64_t kMs = 1000000;
}

TEST(Clock, StandsStillUntilStartedThenFollowsPublishedBuffers)
{
    CBassClock clock(1000); // 1000 frames per second: one frame per millisecond
    clock.Set(100.0);
    EXPECT_EQ(clock.Get(0), 100.0);
    EXPECT_EQ(clock.Get(5000 * kMs), 100.0);

    const int64_t t0 = 10000 * kMs;
    clock.Start(t0);
    EXPECT_EQ(clock.Get(t0 + 3 * kMs), 100.0) << "nothing handed to the output yet";
    clock.Publish(100.0, 120.0, t0 + 10 * kMs); // frames 100..120 sound from t0 + 10 ms
    EXPECT_EQ(clock.Get(t0 + 5 * kMs), 100.0) << "not before the buffer sounds";
    EXPECT_DOUBLE_EQ(clock.Get(t0 + 14 * kMs), 104.0);
    EXPECT_DOUBLE_EQ(clock.Get(t0 + 14 * kMs + kMs / 2), 104.5) << "between frames too";
    EXPECT_EQ(clock.Get(t0 + 50 * kMs), 120.0) << "never past what the output has";
}

TEST(Clock, NeverRunsBackwardsWhilePlayingButSeeksDo)
{
    CBassClock clock(1000);
    clock.Set(0.0);
    clock.Start(0);
    clock.Publish(0.0, 20.0, 0);
    EXPECT_DOUBLE_EQ(clock.Get(15 * kMs), 15.0);
    // The next buffer's estimate says frame 20 sounds later than the last one implied.
    clock.Publish(20.0, 40.0, 25 * kMs);
    EXPECT_DOUBLE_EQ(clock.Get(16 * kMs), 15.0);
    EXPECT_DOUBLE_EQ(clock.Get(27 * kMs), 22.0);
    clock.Set(5.0);
    EXPECT_EQ(clock.Get(30 * kMs), 5.0);
}

TEST(Spectrum, PeaksAtTheToneWithItsAmplitude)
{
    for (int size : {512, 2048})
    {
        CBassSpectrum spectrum(size);
        ASSERT_EQ(spectrum.GetSize(), size);
        const int bin = 40;
        std::vector<float> samples(size);
        for (int i = 0; i < size; ++i)
            samples[i] = 0.5f * static_cast<float>(std::sin(2.0 * orv::dPi * bin * i / size));
        std::vector<float> magnitudes(size / 2, -1.0f);
        spectrum.Compute(samples.data(), magnitudes.data());
        EXPECT_NEAR(magnitudes[bin], 0.5f, 0.005f) << size;
        EXPECT_NEAR(magnitudes[bin - 1], 0.25f, 0.005f) << "Hann side lobe, " << size;
        EXPECT_LT(magnitudes[bin + 3], 1e-4f) << size;
        EXPECT_LT(magnitudes[0], 1e-4f) << size;
        EXPECT_EQ(std::max_element(magnitudes.begin(), magnitudes.end()) - magnitudes.begin(), bin);
    }
}
