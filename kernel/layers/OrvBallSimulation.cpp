#include "layers/OrvBallSimulation.h"

#include "core/OrvRandom.h"

#include <cmath>

namespace
{
// 3.1415 * 4 / 3: the volume of a unit ball as the masses use it.
constexpr double MASS_PER_CUBE = 4.188666666666666;
// Frame time to step length: 0.3 per 2.1333333333333333 frames.
constexpr double STEP_PER_FRAME = 0.3;
constexpr double FRAMES_PER_STEP = 2.1333333333333333;

bool g_bFirstStepDone = false;

// A new ball from five draws; see ORV_BallSimulation::Place.
ORV_Ball DrawBall(double S)
{
    ORV_Ball ball{};
    D3DXMatrixIdentity(&ball.m_mRotation);
    ball.m_pSphere = nullptr;
    const double radius = ORV_Random::Next() / double(ORV_Random::kMax) + 0.5;
    ball.m_fRadius = static_cast<float>(radius);
    ball.m_fMass = static_cast<float>(MASS_PER_CUBE * radius * radius * radius);
    ball.m_vPosition.x = static_cast<float>(2.0 * ORV_Random::Next() * S / ORV_Random::kMax - S);
    ball.m_vPosition.y = static_cast<float>(radius - 1.0);
    ball.m_vPosition.z = static_cast<float>(2.0 * ORV_Random::Next() * S / ORV_Random::kMax - S);
    ball.m_vVelocity.x = static_cast<float>(ORV_Random::Next() / double(ORV_Random::kMax));
    ball.m_vVelocity.y = 0.0f;
    ball.m_vVelocity.z = static_cast<float>(ORV_Random::Next() / double(ORV_Random::kMax));
    ball.m_iContact = -1;
    return ball;
}

float Distance(const ORV_Ball& a, const ORV_Ball& b)
{
    const D3DXVECTOR3 d = b.m_vPosition - a.m_vPosition;
    return D3DXVec3Length(&d);
}

// The line of centres from a to b, unit length; along x when the centres coincide.
D3DXVECTOR3 CentreLine(const ORV_Ball& a, const ORV_Ball& b)
{
    const float d = Distance(a, b);
    if (!(d > 0.0f) || !std::isfinite(d))
        return D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    return (b.m_vPosition - a.m_vPosition) / d;
}

// The first tangent: normalise(-n.y, n.x, 0), or x when n is vertical to that plane (then
// the formula has no direction and the motion across the line of centres would be lost).
D3DXVECTOR3 FirstTangent(const D3DXVECTOR3& n)
{
    D3DXVECTOR3 t(-n.y, n.x, 0.0f);
    if (t.x == 0.0f && t.y == 0.0f)
        return D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    D3DXVec3Normalize(&t, &t);
    return t;
}

// The new velocity of a ball: u along n, its own tangential parts, then flattened to the
// floor at the same speed.
D3DXVECTOR3 NewVelocity(const D3DXVECTOR3& v, float u, const D3DXVECTOR3& n, const D3DXVECTOR3& t1,
                        const D3DXVECTOR3& t2)
{
    D3DXVECTOR3 w = u * n + D3DXVec3Dot(&v, &t1) * t1 + D3DXVec3Dot(&v, &t2) * t2;
    const float s = D3DXVec3Length(&w);
    w.y = 0.0f;
    const float horizontal = D3DXVec3Length(&w);
    // A velocity straight up or down has no horizontal direction to keep its speed in.
    if (!(horizontal > 0.0f) || !std::isfinite(s))
        return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    return w * (s / horizontal);
}
} // namespace

void ORV_BallSimulation::Place(std::span<ORV_Ball> balls) const
{
    for (size_t i = 0; i < balls.size(); ++i)
    {
        bool bOverlaps = true;
        for (int iTry = 0; bOverlaps && iTry < kMaxPlacementTries; ++iTry)
        {
            balls[i] = DrawBall(m_fRoomSize);
            bOverlaps = false;
            for (size_t j = 0; j < i && !bOverlaps; ++j)
                bOverlaps =
                    !(Distance(balls[i], balls[j]) > balls[i].m_fRadius + balls[j].m_fRadius);
        }
    }
}

bool ORV_BallSimulation::Step(std::span<ORV_Ball> balls, float fFrame)
{
    float h = 0.0f;
    if (!TakeStep(fFrame, h))
        return false;
    Move(balls, h);
    return true;
}

bool ORV_BallSimulation::TakeStep(float fFrame, float& rfStep)
{
    rfStep = 0.0f;
    if (!std::isfinite(fFrame))
        return false;
    if (!g_bFirstStepDone)
    {
        m_fLastFrame = fFrame;
        g_bFirstStepDone = true;
        return false;
    }
    float h = static_cast<float>((fFrame - m_fLastFrame) * STEP_PER_FRAME / FRAMES_PER_STEP);
    if (h > kMaxStep)
        h = kMaxStep;
    if (h < -kMaxStep)
        h = -kMaxStep;
    m_fLastFrame = fFrame;
    rfStep = h;
    return true;
}

void ORV_BallSimulation::Move(std::span<ORV_Ball> balls, float h) const
{
    for (size_t i = 0; i < balls.size(); ++i)
    {
        ORV_Ball& ball = balls[i];
        for (size_t j = 0; j < balls.size(); ++j)
        {
            if (j == i)
                continue;
            ORV_Ball& other = balls[j];
            if (ball.m_fRadius + other.m_fRadius < Distance(ball, other))
            {
                if (ball.m_iContact != -1 || other.m_iContact != -1)
                    ball.m_iContact = other.m_iContact = -1;
            }
            else if (ball.m_iContact == -1 && other.m_iContact == -1)
            {
                other.m_iContact = static_cast<int32_t>(i);
                ball.m_iContact = static_cast<int32_t>(j);
                Collide(ball, other);
            }
        }
        Roll(ball, h);
        ball.m_vPosition += h * ball.m_vVelocity;
        KeepInside(ball);
    }
}

void ORV_BallSimulation::Collide(ORV_Ball& rFirst, ORV_Ball& rSecond)
{
    const double mi = rFirst.m_fMass;
    const double mj = rSecond.m_fMass;
    if (!(mi > 0.0) || !(mj > 0.0))
        return;
    const D3DXVECTOR3 n = CentreLine(rFirst, rSecond);
    const D3DXVECTOR3 t1 = FirstTangent(n);
    D3DXVECTOR3 t2;
    D3DXVec3Cross(&t2, &n, &t1);

    const double ui = D3DXVec3Dot(&rFirst.m_vVelocity, &n);
    const double uj = D3DXVec3Dot(&rSecond.m_vVelocity, &n);
    const double P = mj * uj + mi * ui;
    const double E = 0.5 * mj * uj * uj + 0.5 * mi * ui * ui;
    double D = P * P - (P * P / mi - 2.0 * E) * (1.0 / mj + 1.0 / mi) * mi * mi;
    // Exactly 0 for a pair that moves together along n; rounding can make it slightly
    // negative.
    if (!(D > 0.0))
        D = 0.0;
    const double ujNew = (std::sqrt(D) + P) / (mj + mi);
    const double uiNew = (P - ujNew * mj) / mi;

    rSecond.m_vVelocity = NewVelocity(rSecond.m_vVelocity, static_cast<float>(ujNew), n, t1, t2);
    rFirst.m_vVelocity = NewVelocity(rFirst.m_vVelocity, static_cast<float>(uiNew), n, t1, t2);
}

void ORV_BallSimulation::Roll(ORV_Ball& rBall, float h) const
{
    if (!(rBall.m_fRadius > 0.0f))
        return;
    const D3DXVECTOR3& v = rBall.m_vVelocity;
    D3DXVECTOR3 axis(-v.z, 0.0f, v.x);
    D3DXVec3Normalize(&axis, &axis);
    const float angle = D3DXVec3Length(&v) * -h / rBall.m_fRadius;
    D3DXQUATERNION turn;
    D3DXQuaternionRotationAxis(&turn, &axis, angle);
    D3DXMATRIX rotation;
    D3DXMatrixRotationQuaternion(&rotation, &turn);
    D3DXMatrixMultiply(&rBall.m_mRotation, &rBall.m_mRotation, &rotation);
}

void ORV_BallSimulation::KeepInside(ORV_Ball& rBall) const
{
    const float c = rBall.m_fRadius - 1.0f;
    const float S = m_fRoomSize;
    D3DXVECTOR3& p = rBall.m_vPosition;
    D3DXVECTOR3& v = rBall.m_vVelocity;
    if (p.x < c - S)
    {
        v.x = -v.x;
        p.x = c - S;
    }
    if (p.x > S - c)
    {
        v.x = -v.x;
        p.x = S - c;
    }
    if (p.z < c - S)
    {
        v.z = -v.z;
        p.z = c - S;
    }
    if (p.z > S - c)
    {
        v.z = -v.z;
        p.z = S - c;
    }
}

bool ORV_BallSimulation::IsFirstStepDone()
{
    return g_bFirstStepDone;
}

void ORV_BallSimulation::SetFirstStepDone(bool bDone)
{
    g_bFirstStepDone = bDone;
}
