// The motion of a room of balls: placement, timing, collisions, contacts, walls, and that
// nothing ever leaves the room or stops being a number.
#include "OrvKernel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
constexpr float S = ORV_BallSimulation::kRoomSize;

ORV_Ball MakeBall(float x, float z, float radius, float vx, float vz)
{
    ORV_Ball ball{};
    ball.m_vPosition = D3DXVECTOR3(x, radius - 1.0f, z);
    ball.m_vVelocity = D3DXVECTOR3(vx, 0.0f, vz);
    ball.m_fRadius = radius;
    ball.m_fMass = static_cast<float>(4.188666666666666 * radius * radius * radius);
    ball.m_iContact = -1;
    D3DXMatrixIdentity(&ball.m_mRotation);
    return ball;
}

bool IsFinite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

::testing::AssertionResult IsSound(const ORV_Ball& ball, float fRoomSize = S)
{
    if (!IsFinite(ball.m_vPosition) || !IsFinite(ball.m_vVelocity))
        return ::testing::AssertionFailure() << "position or velocity not finite";
    for (int i = 0; i < 16; ++i)
        if (!std::isfinite(ball.m_mRotation.m[i / 4][i % 4]))
            return ::testing::AssertionFailure() << "rotation not finite";
    const float limit = fRoomSize + 1.0f - ball.m_fRadius;
    if (std::fabs(ball.m_vPosition.x) > limit || std::fabs(ball.m_vPosition.z) > limit)
        return ::testing::AssertionFailure()
               << "outside the walls at " << ball.m_vPosition.x << ", " << ball.m_vPosition.z;
    if (std::fabs(ball.m_vPosition.y - (ball.m_fRadius - 1.0f)) > 1e-6f)
        return ::testing::AssertionFailure() << "left the floor";
    return ::testing::AssertionSuccess();
}

// Each test starts with the process's first step already taken and a known generator.
class BallSimulation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_uSavedState = ORV_Random::GetState();
        m_bSavedFlag = ORV_BallSimulation::IsFirstStepDone();
        ORV_Random::SetState(1);
        ORV_BallSimulation::SetFirstStepDone(true);
    }
    void TearDown() override
    {
        ORV_Random::SetState(m_uSavedState);
        ORV_BallSimulation::SetFirstStepDone(m_bSavedFlag);
    }

    uint32_t m_uSavedState = 0;
    bool m_bSavedFlag = false;
};
} // namespace

TEST(Random, SequenceFromStateOne)
{
    const uint32_t saved = ORV_Random::GetState();
    ORV_Random::SetState(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int value : expected)
        EXPECT_EQ(ORV_Random::Next(), value);
    // The state wraps modulo 2^32.
    ORV_Random::SetState(0xFFFFFFFFu);
    EXPECT_EQ(ORV_Random::Next(), int(((0xFFFFFFFFu * 214013u + 2531011u) >> 16) & 0x7FFF));
    // Signed draws map 0 to -1 and 32767 to +1, in double precision.
    ORV_Random::SetState(1);
    EXPECT_FLOAT_EQ(ORV_Random::NextSigned(), float(2.0 * 41 / 32767 - 1.0));
    ORV_Random::SetState(saved);
}

TEST_F(BallSimulation, PlacementFollowsTheDrawsAndNeverOverlaps)
{
    std::vector<ORV_Ball> balls(ORV_BallSimulation::kBallCount);
    ORV_BallSimulation room;
    room.Place(balls);
    // The first ball takes the first five draws (41, 18467, 6334, 26500, 19169).
    const ORV_Ball& first = balls[0];
    EXPECT_FLOAT_EQ(first.m_fRadius, float(41 / 32767.0 + 0.5));
    EXPECT_FLOAT_EQ(first.m_vPosition.x, float(2.0 * 18467 * 10 / 32767 - 10));
    EXPECT_FLOAT_EQ(first.m_vPosition.y, float(41 / 32767.0 + 0.5 - 1.0));
    EXPECT_FLOAT_EQ(first.m_vPosition.z, float(2.0 * 6334 * 10 / 32767 - 10));
    EXPECT_FLOAT_EQ(first.m_vVelocity.x, float(26500 / 32767.0));
    EXPECT_FLOAT_EQ(first.m_vVelocity.z, float(19169 / 32767.0));
    const double r = 41 / 32767.0 + 0.5;
    EXPECT_FLOAT_EQ(first.m_fMass, float(4.188666666666666 * r * r * r));

    // Over many generator states: every ball in the room, on the floor, still, and apart.
    for (uint32_t state = 1; state < 200; ++state)
    {
        ORV_Random::SetState(state * 7919u);
        for (ORV_Ball& ball : balls)
            ball.m_iContact = 99;
        room.Place(balls);
        for (size_t i = 0; i < balls.size(); ++i)
        {
            const ORV_Ball& a = balls[i];
            ASSERT_GE(a.m_fRadius, 0.5f);
            ASSERT_LE(a.m_fRadius, 1.5f);
            ASSERT_LE(std::fabs(a.m_vPosition.x), S);
            ASSERT_LE(std::fabs(a.m_vPosition.z), S);
            ASSERT_NEAR(a.m_vPosition.y, a.m_fRadius - 1.0f, 1e-6f);
            ASSERT_GE(a.m_vVelocity.x, 0.0f);
            ASSERT_GE(a.m_vVelocity.z, 0.0f);
            ASSERT_EQ(a.m_vVelocity.y, 0.0f);
            ASSERT_EQ(a.m_iContact, -1);
            ASSERT_EQ(a.m_pSphere, nullptr);
            ASSERT_EQ(a.m_mRotation, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
            for (size_t j = 0; j < i; ++j)
            {
                const D3DXVECTOR3 d = a.m_vPosition - balls[j].m_vPosition;
                ASSERT_GT(D3DXVec3Length(&d), a.m_fRadius + balls[j].m_fRadius)
                    << "state " << state << ", balls " << j << " and " << i;
            }
        }
    }
}

TEST_F(BallSimulation, PlacementInARoomTooSmallEnds)
{
    std::vector<ORV_Ball> balls(5);
    ORV_BallSimulation room(0.0f);
    room.Place(balls);
    for (const ORV_Ball& ball : balls)
        EXPECT_TRUE(IsFinite(ball.m_vPosition));
}

TEST_F(BallSimulation, TimingRecordsFirstThenScalesAndClamps)
{
    ORV_BallSimulation::SetFirstStepDone(false);
    ORV_BallSimulation room;
    std::vector<ORV_Ball> balls{MakeBall(0.0f, 0.0f, 1.0f, 1.0f, 0.0f)};
    // The process's first step, at any time, only records it; later objects do step.
    EXPECT_FALSE(room.Step(balls, 500.0f));
    EXPECT_EQ(room.GetLastFrame(), 500.0f);
    EXPECT_EQ(balls[0].m_vPosition.x, 0.0f);
    EXPECT_TRUE(ORV_BallSimulation::IsFirstStepDone());

    // h = elapsed * 0.3 / 2.1333333333333333.
    float h = 0.0f;
    EXPECT_TRUE(room.TakeStep(500.5f, h));
    EXPECT_FLOAT_EQ(h, float(0.5 * 0.3 / 2.1333333333333333));
    // A jump of many frames is one step of 0.1, either way; the same frame twice is 0.
    EXPECT_TRUE(room.TakeStep(10500.0f, h));
    EXPECT_EQ(h, 0.1f);
    EXPECT_TRUE(room.TakeStep(500.0f, h));
    EXPECT_EQ(h, -0.1f);
    EXPECT_TRUE(room.TakeStep(500.0f, h));
    EXPECT_EQ(h, 0.0f);

    // A second room's last frame starts at 0.
    ORV_BallSimulation second;
    EXPECT_EQ(second.GetLastFrame(), 0.0f);
    EXPECT_TRUE(second.TakeStep(0.5f, h));
    EXPECT_FLOAT_EQ(h, float(0.5 * 0.3 / 2.1333333333333333));

    // A frame time that is not a number changes nothing.
    EXPECT_FALSE(room.Step(balls, std::nanf("")));
    EXPECT_FALSE(room.Step(balls, INFINITY));
    EXPECT_EQ(room.GetLastFrame(), 500.0f);
}

TEST_F(BallSimulation, StepsMoveForwardsAndBackwards)
{
    ORV_BallSimulation room;
    std::vector<ORV_Ball> balls{MakeBall(0.0f, 0.0f, 1.0f, 1.0f, 0.5f)};
    room.Step(balls, 0.0f);
    room.Step(balls, 0.5f); // h = 0.0703125
    const float h = float(0.5 * 0.3 / 2.1333333333333333);
    EXPECT_FLOAT_EQ(balls[0].m_vPosition.x, h);
    EXPECT_FLOAT_EQ(balls[0].m_vPosition.z, 0.5f * h);
    room.Step(balls, 0.0f); // back to where it was
    EXPECT_NEAR(balls[0].m_vPosition.x, 0.0f, 1e-7f);
    EXPECT_NEAR(balls[0].m_vPosition.z, 0.0f, 1e-7f);
    room.Step(balls, -100.0f); // clamped to -0.1
    EXPECT_NEAR(balls[0].m_vPosition.x, -0.1f, 1e-7f);
    EXPECT_NEAR(balls[0].m_vPosition.z, -0.05f, 1e-7f);

    // Rolling: moving along +x the ball turns about z by |v| * -h / radius per step.
    ORV_Ball rolling = MakeBall(0.0f, 0.0f, 0.5f, 2.0f, 0.0f);
    room.Move({&rolling, 1}, 0.1f);
    D3DXMATRIX expected;
    D3DXMatrixRotationZ(&expected, 2.0f * -0.1f / 0.5f);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(rolling.m_mRotation.m[i / 4][i % 4], expected.m[i / 4][i % 4], 1e-6f);
    // A ball at rest keeps its rotation (its rolling axis has no direction).
    ORV_Ball still = MakeBall(0.0f, 0.0f, 1.0f, 0.0f, 0.0f);
    room.Move({&still, 1}, 0.1f);
    EXPECT_EQ(still.m_mRotation, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
}

TEST_F(BallSimulation, WallsStopTheSurfaceAtElevenAndBounce)
{
    ORV_BallSimulation room;
    std::vector<ORV_Ball> balls{MakeBall(9.45f, -9.45f, 1.5f, 1.0f, -1.0f)};
    room.Move(balls, 0.1f);
    EXPECT_EQ(balls[0].m_vPosition.x, 9.5f);
    EXPECT_EQ(balls[0].m_vPosition.z, -9.5f);
    EXPECT_EQ(balls[0].m_vVelocity.x, -1.0f);
    EXPECT_EQ(balls[0].m_vVelocity.z, 1.0f);
    // A small ball goes further: radius 0.5 stops at 10.5.
    balls[0] = MakeBall(-10.45f, 10.45f, 0.5f, -1.0f, 1.0f);
    room.Move(balls, 0.1f);
    EXPECT_EQ(balls[0].m_vPosition.x, -10.5f);
    EXPECT_EQ(balls[0].m_vPosition.z, 10.5f);
    EXPECT_EQ(balls[0].m_vVelocity.x, 1.0f);
    // Moving backwards into a wall bounces too.
    balls[0] = MakeBall(9.45f, 0.0f, 1.5f, -1.0f, 0.0f);
    room.Move(balls, -0.1f);
    EXPECT_EQ(balls[0].m_vPosition.x, 9.5f);
    EXPECT_EQ(balls[0].m_vVelocity.x, 1.0f);
}

TEST_F(BallSimulation, ElasticCollisions)
{
    // Head on along x with equal masses: the velocities along x are exchanged.
    ORV_Ball a = MakeBall(-1.0f, 0.0f, 1.0f, 1.0f, 0.0f);
    ORV_Ball b = MakeBall(1.0f, 0.0f, 1.0f, -0.5f, 0.0f);
    ORV_BallSimulation::Collide(a, b);
    EXPECT_NEAR(a.m_vVelocity.x, -0.5f, 1e-6f);
    EXPECT_NEAR(b.m_vVelocity.x, 1.0f, 1e-6f);
    EXPECT_NEAR(a.m_vVelocity.z, 0.0f, 1e-6f);

    // Obliquely, with different masses and heights.
    a = MakeBall(0.0f, 0.0f, 1.0f, 0.8f, 0.3f);
    b = MakeBall(1.2f, 1.0f, 0.7f, -0.4f, 0.1f);
    const double energy =
        a.m_fMass * D3DXVec3LengthSq(&a.m_vVelocity) + b.m_fMass * D3DXVec3LengthSq(&b.m_vVelocity);
    ORV_BallSimulation::Collide(a, b);
    EXPECT_EQ(a.m_vVelocity.y, 0.0f);
    EXPECT_EQ(b.m_vVelocity.y, 0.0f);
    // The balls differ in height, so part of the exchange is vertical and flattening keeps
    // each ball's speed rather than the momentum: the energy is what stays.
    EXPECT_NEAR(a.m_fMass * D3DXVec3LengthSq(&a.m_vVelocity) +
                    b.m_fMass * D3DXVec3LengthSq(&b.m_vVelocity),
                energy, 1e-4 * energy);
    // Equal heights: momentum is kept too.
    a = MakeBall(0.0f, 0.0f, 1.0f, 0.8f, 0.3f);
    b = MakeBall(1.2f, 1.5f, 1.0f, -0.4f, 0.1f);
    const D3DXVECTOR3 before = a.m_vVelocity + b.m_vVelocity;
    ORV_BallSimulation::Collide(a, b);
    const D3DXVECTOR3 after = a.m_vVelocity + b.m_vVelocity;
    EXPECT_NEAR(after.x, before.x, 1e-5f);
    EXPECT_NEAR(after.z, before.z, 1e-5f);

    // A pair already separating keeps its velocities.
    a = MakeBall(-1.0f, 0.0f, 1.0f, -1.0f, 0.0f);
    b = MakeBall(1.0f, 0.0f, 1.0f, 1.0f, 0.0f);
    ORV_BallSimulation::Collide(a, b);
    EXPECT_NEAR(a.m_vVelocity.x, -1.0f, 1e-6f);
    EXPECT_NEAR(b.m_vVelocity.x, 1.0f, 1e-6f);

    // Centres on one line along z: the motion across it is kept.
    a = MakeBall(0.0f, 0.0f, 1.0f, 0.6f, 1.0f);
    b = MakeBall(0.0f, 2.0f, 1.0f, 0.0f, 0.0f);
    ORV_BallSimulation::Collide(a, b);
    EXPECT_NEAR(a.m_vVelocity.x, 0.6f, 1e-6f);
    EXPECT_NEAR(a.m_vVelocity.z, 0.0f, 1e-6f);
    EXPECT_NEAR(b.m_vVelocity.z, 1.0f, 1e-6f);
}

TEST_F(BallSimulation, DegenerateCollisionsStayFinite)
{
    // The same centre: they part along x.
    ORV_Ball a = MakeBall(2.0f, 3.0f, 1.0f, 0.5f, 0.2f);
    ORV_Ball b = MakeBall(2.0f, 3.0f, 1.0f, -0.5f, 0.7f);
    ORV_BallSimulation::Collide(a, b);
    EXPECT_TRUE(IsSound(a));
    EXPECT_TRUE(IsSound(b));
    EXPECT_LT(a.m_vVelocity.x, b.m_vVelocity.x);

    // Moving together along the line of centres: the discriminant is 0 up to rounding, and
    // rounding makes it negative for some masses and speeds.
    for (int i = 0; i < 2000; ++i)
    {
        const float ra = 0.5f + (i % 37) / 36.0f;
        const float rb = 0.5f + (i % 53) / 52.0f;
        const float v = 0.001f + (i % 101) * 0.0173f;
        a = MakeBall(0.0f, 0.0f, ra, v, v * 0.37f);
        b = MakeBall(1.0f, 0.37f, rb, v, v * 0.37f);
        ORV_BallSimulation::Collide(a, b);
        ASSERT_TRUE(IsSound(a)) << i;
        ASSERT_TRUE(IsSound(b)) << i;
    }

    // Still balls, and a ball without mass or size, collide and roll without harm.
    a = MakeBall(0.0f, 0.0f, 1.0f, 0.0f, 0.0f);
    b = MakeBall(1.0f, 0.0f, 1.0f, 0.0f, 0.0f);
    ORV_BallSimulation::Collide(a, b);
    EXPECT_TRUE(IsSound(a));
    EXPECT_TRUE(IsSound(b));
    ORV_Ball empty = MakeBall(0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    std::vector<ORV_Ball> pair{empty, b};
    ORV_BallSimulation().Move(pair, 0.1f);
    EXPECT_TRUE(IsSound(pair[0]));
    EXPECT_TRUE(IsSound(pair[1]));
}

TEST_F(BallSimulation, ContactPartnersStopASecondCollision)
{
    ORV_BallSimulation room;
    // Overlapping and closing in: the first step collides them, after which they separate
    // but stay in contact for a few steps without colliding again.
    std::vector<ORV_Ball> balls{MakeBall(-0.5f, 0.0f, 1.0f, 1.0f, 0.0f),
                                MakeBall(0.5f, 0.0f, 1.0f, -1.0f, 0.0f)};
    room.Move(balls, 0.1f);
    EXPECT_EQ(balls[0].m_iContact, 1);
    EXPECT_EQ(balls[1].m_iContact, 0);
    EXPECT_NEAR(balls[0].m_vVelocity.x, -1.0f, 1e-6f);
    int steps = 0;
    while (balls[0].m_iContact != -1 && steps < 100)
    {
        room.Move(balls, 0.1f);
        ++steps;
        EXPECT_NEAR(balls[0].m_vVelocity.x, -1.0f, 1e-6f) << "collided again";
        EXPECT_NEAR(balls[1].m_vVelocity.x, 1.0f, 1e-6f) << "collided again";
    }
    // Reset on the first step that finds them apart: centres 2.1 apart after 4 more steps.
    EXPECT_EQ(steps, 5);
    EXPECT_EQ(balls[1].m_iContact, -1);
    EXPECT_GT(balls[1].m_vPosition.x - balls[0].m_vPosition.x, 2.0f);

    // A ball found apart from any other ball drops its contact (and that ball's): with a
    // third ball far away, the pair's flags are reset within the same step.
    balls = {MakeBall(-0.5f, 0.0f, 1.0f, 1.0f, 0.0f), MakeBall(0.5f, 0.0f, 1.0f, -1.0f, 0.0f),
             MakeBall(8.0f, 8.0f, 1.0f, 0.0f, 0.0f)};
    room.Move(balls, 0.1f);
    EXPECT_EQ(balls[0].m_iContact, -1);
    EXPECT_EQ(balls[1].m_iContact, -1);
    // Touching pairs where one ball is taken: the second pair does not collide.
    balls = {MakeBall(0.0f, 0.0f, 1.0f, 0.0f, 0.0f), MakeBall(1.9f, 0.0f, 1.0f, -1.0f, 0.0f),
             MakeBall(-1.9f, 0.0f, 1.0f, 1.0f, 0.0f)};
    balls[0].m_iContact = 1;
    balls[1].m_iContact = 0;
    room.Move(balls, 0.0f);
    EXPECT_EQ(balls[2].m_vVelocity.x, 1.0f);
}

TEST_F(BallSimulation, LongRandomRunsStayFiniteAndInside)
{
    std::vector<ORV_Ball> balls(ORV_BallSimulation::kBallCount);
    ORV_BallSimulation room;
    room.Place(balls);
    float frame = 0.0f;
    room.Step(balls, frame);
    for (int i = 0; i < 100000; ++i)
    {
        const int r = ORV_Random::Next();
        if (r % 97 == 0)
            frame += (r & 1) ? 10000.0f : -10000.0f;
        else
            frame += (r % 200 - 60) * 0.01f;
        room.Step(balls, frame);
        for (const ORV_Ball& ball : balls)
            ASSERT_TRUE(IsSound(ball)) << "step " << i;
    }
}
