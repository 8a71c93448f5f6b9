#include "OrvKernel.h"
#include "OrvPi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{
// Row-major product a · b.
MAT3f Product(const MAT3f& a, const MAT3f& b)
{
    MAT3f result;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            result.m[3 * r + c] =
                a.m[3 * r] * b.m[c] + a.m[3 * r + 1] * b.m[3 + c] + a.m[3 * r + 2] * b.m[6 + c];
    return result;
}
} // namespace

TEST(Mat3, BuildsKnownRotations)
{
    MAT3f identity;
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(identity.m[i], (i % 4 == 0) ? 1.0f : 0.0f);
    MAT3f m;
    m.Build(0, 0, 0);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(m.m[i], identity.m[i]);
    m.Build(0, 0, orv::fPi / 2);
    EXPECT_NEAR(m.m0, 0, 1e-6);
    EXPECT_EQ(m.m1, -1.0f);
    EXPECT_EQ(m.m3, 1.0f);
    EXPECT_NEAR(m.m4, 0, 1e-6);
    EXPECT_EQ(m.m8, 1.0f);
    EXPECT_EQ(m.m2, 0.0f);
}

TEST(Mat3, EulerAnglesRoundTrip)
{
    std::mt19937 random(17);
    std::uniform_real_distribution<float> angle(-3.1f, 3.1f), pitch(-1.5f, 1.5f);
    for (int i = 0; i < 200; ++i)
    {
        const float a = angle(random), b = pitch(random), c = angle(random);
        MAT3f m;
        m.Build(a, b, c);
        float ra = 0, rb = 0, rc = 0;
        m.GetEuler(ra, rb, rc);
        EXPECT_NEAR(ra, a, 2e-3) << a << " " << b << " " << c;
        EXPECT_NEAR(rb, b, 2e-3);
        EXPECT_NEAR(rc, c, 2e-3);
        MAT3f normalized = m;
        normalized.Normalize();
        for (int k = 0; k < 9; ++k)
            EXPECT_NEAR(normalized.m[k], m.m[k], 1e-4);
    }

    // At b = 90° the first angle is lost and reported as 0.
    MAT3f gimbal;
    gimbal.Build(0.4f, orv::fPi / 2, 0.3f);
    float a = 1, b = 0, c = 0;
    gimbal.GetEuler(a, b, c);
    EXPECT_EQ(a, 0.0f);
    EXPECT_NEAR(b, orv::dPi / 2, 1e-3);
}

TEST(Mat3, ProductIsTheRowMajorProductInReverseOrder)
{
    MAT3f a, b;
    a.Build(0.3f, 0, 0);
    b.Build(0, 0.2f, 0);
    const MAT3f ab = a * b;
    const MAT3f expected = Product(b, a);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(ab.m[i], expected.m[i]);
    const MAT3f reverse = Product(a, b);
    bool bDiffers = false;
    for (int i = 0; i < 9; ++i)
        bDiffers |= std::fabs(reverse.m[i] - expected.m[i]) > 1e-4f;
    EXPECT_TRUE(bDiffers);

    // Accumulated products drift; Normalize brings back a rotation.
    MAT3f step, total;
    step.Build(0.01f, 0.02f, 0.03f);
    for (int i = 0; i < 500; ++i)
        total = total * step;
    total.Normalize();
    for (int r = 0; r < 3; ++r)
    {
        const float length = total.m[3 * r] * total.m[3 * r] +
                             total.m[3 * r + 1] * total.m[3 * r + 1] +
                             total.m[3 * r + 2] * total.m[3 * r + 2];
        EXPECT_NEAR(length, 1.0f, 1e-5);
    }
}
