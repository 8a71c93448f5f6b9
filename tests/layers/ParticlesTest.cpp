// The particle cloud's arithmetic, and the particles layer's calls on the recording device.
#include "MeshLayerFixture.h"
#include "RecordingDrawState.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <vector>

namespace
{
float U(int r)
{
    return static_cast<float>(2.0 * r / 32767 - 1.0);
}

// Every draw the generator makes from state 1, as a list.
std::vector<int> Draws(int n)
{
    ORV_Random::SetState(1);
    std::vector<int> draws(n);
    for (int& d : draws)
        d = ORV_Random::Next();
    ORV_Random::SetState(1);
    return draws;
}

ORV_Particle Point(float x, float y, float z, float vx = 0.0f, float vy = 0.0f, float vz = 0.0f)
{
    return {D3DXVECTOR3(x, y, z), D3DXVECTOR3(vx, vy, vz)};
}

::testing::AssertionResult SameClouds(const ORV_ParticleCloud& a, const ORV_ParticleCloud& b)
{
    for (int i = 0; i < a.GetParticleCount(); ++i)
    {
        const ORV_Particle p = a.GetParticle(i), q = b.GetParticle(i);
        if (!(p.m_vPosition == q.m_vPosition) || !(p.m_vVelocity == q.m_vVelocity))
            return ::testing::AssertionFailure() << "particle " << i << " differs";
    }
    return ::testing::AssertionSuccess();
}

// Each test starts with the process's first update already done and the generator at 1.
class ParticleCloud : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_uSavedState = ORV_Random::GetState();
        m_bSavedFlag = ORV_ParticleCloud::IsFirstUpdateDone();
        ORV_Random::SetState(1);
        ORV_ParticleCloud::SetFirstUpdateDone(true);
    }
    void TearDown() override
    {
        ORV_Random::SetState(m_uSavedState);
        ORV_ParticleCloud::SetFirstUpdateDone(m_bSavedFlag);
    }

    uint32_t m_uSavedState = 0;
    bool m_bSavedFlag = false;
};
} // namespace

TEST_F(ParticleCloud, ScatteringTakesThreeDrawsPerParticleAndSixPerAttractor)
{
    const std::vector<int> d = Draws(3 * 3 + 6 * 2 + 1);
    ORV_ParticleCloud cloud(3, 2);
    for (int i = 0; i < 3; ++i)
    {
        const ORV_Particle p = cloud.GetParticle(i);
        EXPECT_EQ(p.m_vPosition, D3DXVECTOR3(U(d[3 * i]), 0.0f, U(d[3 * i + 1]))) << i;
        EXPECT_EQ(p.m_vVelocity, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    }
    for (int a = 0; a < 2; ++a)
    {
        const int* r = &d[9 + 6 * a];
        const ORV_Particle& attractor = cloud.GetAttractor(a);
        EXPECT_EQ(attractor.m_vPosition, D3DXVECTOR3(U(r[0]), U(r[1]), U(r[2])));
        D3DXVECTOR3 direction{float(r[3]), float(r[4]), float(r[5])};
        D3DXVec3Normalize(&direction, &direction);
        EXPECT_EQ(attractor.m_vVelocity,
                  D3DXVECTOR3(direction.x * 0.1f, direction.y * 0.1f, direction.z * 0.1f));
        // Into the positive octant, 0.1 per frame.
        EXPECT_NEAR(D3DXVec3Length(&attractor.m_vVelocity), 0.1f, 1e-7f);
    }
    EXPECT_EQ(ORV_Random::Next(), d.back());

    // The layer's cloud: 10000 particles and 4 attractors take 30024 draws.
    ORV_Random::SetState(1);
    ORV_ParticleCloud full;
    const uint32_t after = ORV_Random::GetState();
    ORV_Random::SetState(1);
    for (int i = 0; i < 30024; ++i)
        ORV_Random::Next();
    EXPECT_EQ(after, ORV_Random::GetState());
}

TEST_F(ParticleCloud, TimingFirstUpdateClampAndFrameZero)
{
    ORV_ParticleCloud::SetFirstUpdateDone(false);
    ORV_ParticleCloud cloud(16, 4);
    ORV_ParticleCloud copy = cloud;
    // The process's first update records the time and moves nothing.
    EXPECT_FALSE(cloud.Step(57.0f, 2.0f, 1.0f));
    EXPECT_TRUE(ORV_ParticleCloud::IsFirstUpdateDone());
    EXPECT_EQ(cloud.GetLastFrame(), 57.0f);
    EXPECT_TRUE(SameClouds(cloud, copy));
    EXPECT_EQ(cloud.GetAttractor(0).m_vPosition, copy.GetAttractor(0).m_vPosition);

    float dt = 0.0f;
    EXPECT_TRUE(cloud.TakeStep(58.5f, dt));
    EXPECT_EQ(dt, 1.5f);
    EXPECT_TRUE(cloud.TakeStep(158.5f, dt));
    EXPECT_EQ(dt, 3.0f);
    EXPECT_TRUE(cloud.TakeStep(-1000.0f, dt));
    EXPECT_EQ(dt, -3.0f);
    // The same frame twice: a step of 0 moves nothing.
    copy = cloud;
    EXPECT_TRUE(cloud.Step(-1000.0f, 2.0f, 1.0f));
    EXPECT_TRUE(SameClouds(cloud, copy));
    // Not a number: nothing at all, and the last frame stays.
    EXPECT_FALSE(cloud.Step(std::nanf(""), 2.0f, 1.0f));
    EXPECT_FALSE(cloud.Step(-INFINITY, 2.0f, 1.0f));
    EXPECT_EQ(cloud.GetLastFrame(), -1000.0f);

    // Frame 0 scatters again, each time with new draws.
    const uint32_t state = ORV_Random::GetState();
    cloud.Step(0.0f, 0.0f, 1.0f);
    const ORV_Particle first = cloud.GetParticle(0);
    EXPECT_NE(ORV_Random::GetState(), state);
    cloud.Step(0.0f, 0.0f, 1.0f);
    EXPECT_NE(cloud.GetParticle(0).m_vPosition, first.m_vPosition);

    // Another cloud's last frame starts at 0.
    ORV_ParticleCloud second(4, 1);
    EXPECT_EQ(second.GetLastFrame(), 0.0f);
    EXPECT_TRUE(second.TakeStep(2.0f, dt));
    EXPECT_EQ(dt, 2.0f);
}

TEST_F(ParticleCloud, AJumpMovesAsFarAsThreeFramesAndBackwardsMovesBack)
{
    ORV_ParticleCloud cloud(100, 4);
    ORV_ParticleCloud jumped = cloud;
    cloud.Step(10.0f, 1.5f, 0.5f);
    jumped.Step(10.0f, 1.5f, 0.5f);
    cloud.Step(13.0f, 1.5f, 0.5f);
    jumped.Step(113.0f, 1.5f, 0.5f);
    EXPECT_TRUE(SameClouds(cloud, jumped));

    // Attractors drift along their velocity, backwards when time goes back.
    const ORV_Particle before = cloud.GetAttractor(2);
    cloud.Step(11.0f, 1.5f, 0.5f);
    const ORV_Particle& after = cloud.GetAttractor(2);
    for (int c = 0; c < 3; ++c)
    {
        float expected = (&before.m_vPosition.x)[c] - 2.0f * (&before.m_vVelocity.x)[c];
        if (expected < -1.0f)
            expected += 2.0f;
        EXPECT_FLOAT_EQ((&after.m_vPosition.x)[c], expected);
    }
    // A particle moving along +x moves the other way for a negative step.
    cloud.SetParticle(0, Point(0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f));
    for (int a = 0; a < 4; ++a)
        cloud.SetAttractor(a, Point(0.9f, 0.9f, 0.9f));
    cloud.Advance(-1.0f, 0.0f, 1.0f);
    EXPECT_LT(cloud.GetParticle(0).m_vPosition.x, 0.0f);
}

TEST_F(ParticleCloud, PowerZeroKeepsAFlatStillCloudStill)
{
    ORV_ParticleCloud cloud;
    const ORV_ParticleCloud start = cloud;
    float frame = 1.0f;
    for (int i = 0; i < 50; ++i)
        cloud.Step(frame += 2.5f, 0.0f, 1.0f);
    EXPECT_TRUE(SameClouds(cloud, start));
    // With some power the same cloud gathers towards the attractors.
    cloud.Step(frame += 2.5f, 2.0f, 1.0f);
    EXPECT_FALSE(SameClouds(cloud, start));
}

TEST_F(ParticleCloud, PullHasOneStrengthInsideTheUnitDistanceAndNoneElsewhere)
{
    ORV_ParticleCloud cloud(5, 1);
    cloud.SetAttractor(0, Point(0.5f, 0.0f, 0.0f));
    cloud.SetParticle(0, Point(0.5f, 0.0f, 0.0f));   // on the attractor
    cloud.SetParticle(1, Point(-0.5f, 0.0f, 0.0f));  // at distance 1
    cloud.SetParticle(2, Point(-0.7f, 0.0f, 0.0f));  // beyond
    cloud.SetParticle(3, Point(0.25f, 0.0f, 0.0f));  // at 0.25
    cloud.SetParticle(4, Point(-0.25f, 0.0f, 0.0f)); // at 0.75
    cloud.Advance(1.0f, 2.0f, 1.0f);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(cloud.GetParticle(i).m_vVelocity, D3DXVECTOR3(0.0f, 0.0f, 0.0f)) << i;
    // velocity = k1 * P along the direction: 0.01 * 0.2.
    EXPECT_FLOAT_EQ(cloud.GetParticle(3).m_vVelocity.x, 0.002f);
    EXPECT_FLOAT_EQ(cloud.GetParticle(4).m_vVelocity.x, 0.002f);
    EXPECT_FLOAT_EQ(cloud.GetParticle(3).m_vPosition.x, 0.252f);

    // The spring pulls towards y = 0 and damping slows: v' = v + k1 * (-k y) - k2 v.
    cloud.SetParticle(0, Point(0.0f, 0.5f, 0.0f, 0.0f, 0.1f, 0.0f));
    cloud.SetAttractor(0, Point(-0.9f, -0.9f, -0.9f));
    cloud.Advance(2.0f, 0.0f, 0.5f);
    EXPECT_FLOAT_EQ(cloud.GetParticle(0).m_vVelocity.y, 0.1f + 0.02f * (-0.25f) - 0.04f * 0.1f);
}

TEST_F(ParticleCloud, SpaceWrapsAtTheFaces)
{
    ORV_ParticleCloud cloud(2, 1);
    cloud.SetAttractor(0, Point(0.95f, -0.95f, 0.0f, 0.1f, -0.1f, 0.0f));
    cloud.SetParticle(0, Point(0.999f, 0.0f, -0.999f, 1.0f, 0.0f, -1.0f));
    cloud.SetParticle(1, Point(0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f));
    cloud.Advance(1.0f, 0.0f, 0.0f);
    // 0.999 + 0.98 = 1.979 comes back in at -0.021; the same through the other face.
    EXPECT_NEAR(cloud.GetParticle(0).m_vPosition.x, -0.021f, 1e-6f);
    EXPECT_NEAR(cloud.GetParticle(0).m_vPosition.z, 0.021f, 1e-6f);
    EXPECT_NEAR(cloud.GetAttractor(0).m_vPosition.x, -0.95f, 1e-6f);
    EXPECT_NEAR(cloud.GetAttractor(0).m_vPosition.y, 0.95f, 1e-6f);
    // Exactly on a face stays there.
    cloud.SetParticle(1, Point(1.0f, -1.0f, 0.0f));
    cloud.Advance(0.0f, 0.0f, 0.0f);
    EXPECT_EQ(cloud.GetParticle(1).m_vPosition, D3DXVECTOR3(1.0f, -1.0f, 0.0f));
}

TEST_F(ParticleCloud, SeveralAtOnceGivesTheOneByOneResultsExactly)
{
    // An odd count leaves a tail; special particles sit on an attractor or at distance 1.
    ORV_ParticleCloud fast(10003, 4);
    fast.SetParticle(10,
                     Point(fast.GetAttractor(1).m_vPosition.x, fast.GetAttractor(1).m_vPosition.y,
                           fast.GetAttractor(1).m_vPosition.z));
    ORV_ParticleCloud slow = fast;
    const float steps[] = {1.0f, 0.37f, 3.0f, -2.5f, 0.001f, 2.9f, -3.0f, 1.25f};
    for (int i = 0; i < 200; ++i)
    {
        const float dt = steps[i % 8];
        const float power = (i % 5) * 0.5f, ressort = (i % 3) * 0.45f;
        fast.Advance(dt, power, ressort);
        slow.AdvanceOneByOne(dt, power, ressort);
    }
    for (int i = 0; i < fast.GetParticleCount(); ++i)
    {
        const ORV_Particle p = fast.GetParticle(i), q = slow.GetParticle(i);
        for (int c = 0; c < 3; ++c)
        {
            ASSERT_EQ(std::bit_cast<uint32_t>((&p.m_vPosition.x)[c]),
                      std::bit_cast<uint32_t>((&q.m_vPosition.x)[c]))
                << "particle " << i;
            ASSERT_EQ(std::bit_cast<uint32_t>((&p.m_vVelocity.x)[c]),
                      std::bit_cast<uint32_t>((&q.m_vVelocity.x)[c]))
                << "particle " << i;
        }
    }
    // And the motion stayed in the cube.
    for (int i = 0; i < fast.GetParticleCount(); ++i)
    {
        const D3DXVECTOR3 p = fast.GetParticle(i).m_vPosition;
        ASSERT_TRUE(std::fabs(p.x) <= 1.0f && std::fabs(p.y) <= 1.0f && std::fabs(p.z) <= 1.0f);
    }
}

namespace
{
// A demo on a 1280 × 720 recording device with one particles layer, vertex-buffer locks
// recorded.
class ParticlesLayer : public ParticleCloud
{
protected:
    void SetUp() override
    {
        ParticleCloud::SetUp();
        COrvPropBase::SetFrame(0.0f);
        m_Device.SetRecordLocks(true);
        m_Demo.SetDevice(&m_Device);
        m_pLayer = static_cast<COrvLayerParticules*>(m_Demo.AddLayerParticles());
    }
    void TearDown() override
    {
        m_Demo.SetDevice(nullptr);
        COrvPropBase::SetFrame(0.0f);
        ParticleCloud::TearDown();
    }
    COrvPropFloat* Float(ORV_PROP_ID id) { return FindProperty<COrvPropFloat>(m_pLayer, id); }
    D3DXMATRIX Transform(D3DTRANSFORMSTATETYPE state)
    {
        D3DXMATRIX m;
        m_Device.GetTransform(state, &m);
        return m;
    }

    CRecordingDevice m_Device{1280, 720};
    COrvDemo m_Demo;
    COrvLayerParticules* m_pLayer = nullptr;
};

std::string Bits(float f)
{
    return std::to_string(std::bit_cast<uint32_t>(f));
}

void ExpectMatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual.m[i / 4][i % 4], expected.m[i / 4][i % 4], 1e-6f) << "element " << i;
}
} // namespace

TEST_F(ParticlesLayer, PropertiesNamesAndFileClass)
{
    const COrvPropList& props = m_pLayer->GetProperties();
    ASSERT_EQ(props.size(), 9u);
    EXPECT_EQ(props[5]->GetPropId(), ORV_PROP_MATERIAL_NAME);
    EXPECT_EQ(props[6]->GetPropId(), ORV_PROP_ROTATION);
    EXPECT_EQ(props[7]->GetPropId(), ORV_PROP_POWER);
    EXPECT_EQ(props[8]->GetPropId(), ORV_PROP_RESSORT);
    EXPECT_FALSE(props[5]->GetAnimable());
    for (int i = 6; i < 9; ++i)
        EXPECT_TRUE(props[i]->GetAnimable() && props[i]->GetInterpolate());
    EXPECT_EQ(Float(ORV_PROP_ROTATION)->GetValue(), 0.0f);
    EXPECT_EQ(Float(ORV_PROP_POWER)->GetValue(), 0.0f);
    EXPECT_EQ(Float(ORV_PROP_RESSORT)->GetValue(), 1.0f);
    float lo = 0, hi = 0;
    EXPECT_FALSE(Float(ORV_PROP_ROTATION)->IsRanged());
    Float(ORV_PROP_POWER)->GetRange(lo, hi);
    EXPECT_TRUE(lo == 0.0f && hi == 2.0f);
    Float(ORV_PROP_RESSORT)->GetRange(lo, hi);
    EXPECT_TRUE(lo == 0.0f && hi == 1.0f);

    // Named by its own counter; read back from a file by its class name.
    int first = 0, second = 0;
    ASSERT_EQ(std::sscanf(m_pLayer->GetName().c_str(), "Particles %d", &first), 1);
    ASSERT_EQ(std::sscanf(m_Demo.AddLayerParticles()->GetName().c_str(), "Particles %d", &second),
              1);
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(m_pLayer->GetClass(), "COrvLayerParticules");
    std::string text;
    ASSERT_TRUE(m_Demo.Save(text));
    COrvDemo copy;
    ASSERT_TRUE(LoadText(copy, text));
    ASSERT_EQ(copy.GetLayers().size(), 2u);
    EXPECT_NE(dynamic_cast<COrvLayerParticules*>(copy.GetLayers()[0]), nullptr);
    EXPECT_EQ(copy.GetLayers()[0]->GetName(), m_pLayer->GetName());
}

TEST_F(ParticlesLayer, TheVertexBufferFollowsTheDevice)
{
    EXPECT_EQ(m_Device.CallsNamed({"CreateVertexBuffer"}),
              std::vector<std::string>{"CreateVertexBuffer 120000 584 2 0"});
    ASSERT_NE(m_pLayer->GetVertexBuffer(), nullptr);
    m_Device.ClearCalls();
    m_pLayer->SetDevice(&m_Device); // the same device: nothing
    EXPECT_TRUE(m_Device.GetCalls().empty());
    m_Demo.SetDevice(nullptr);
    EXPECT_EQ(m_pLayer->GetVertexBuffer(), nullptr);
    EXPECT_EQ(m_Device.GetLiveObjects(), 0);

    // Creation fails: the layer stays invisible and its cloud still.
    m_Device.SetFailCreation(true);
    m_Demo.SetDevice(&m_Device);
    EXPECT_EQ(m_pLayer->GetVertexBuffer(), nullptr);
    const ORV_ParticleCloud before = m_pLayer->GetCloud();
    m_Device.ClearCalls();
    COrvPropBase::SetFrame(1.0f);
    m_pLayer->Draw();
    EXPECT_TRUE(m_Device.GetCalls().empty());
    EXPECT_EQ(m_pLayer->GetCloud().GetLastFrame(), before.GetLastFrame());
    m_Device.SetFailCreation(false);
    m_Demo.SetDevice(nullptr);
    m_Demo.SetDevice(&m_Device);
    EXPECT_NE(m_pLayer->GetVertexBuffer(), nullptr);
}

TEST_F(ParticlesLayer, DrawSequence)
{
    COrvPropBase::SetFrame(2.0f);
    m_Device.ClearCalls();
    m_pLayer->Draw();
    const std::string vb = m_Device.Label(m_pLayer->GetVertexBuffer());
    // What the draw sees: the order in which the layer sets its states is its own business.
    const SOrvDrawState state = OrvStateAtDraw(m_Device.GetCalls(), 0);
    ASSERT_TRUE(state.m_bDrawn);
    EXPECT_EQ(state.m_sDraw, "DrawPrimitive 1 0 10000"); // a point list
    EXPECT_EQ(m_Device.CountCalls("DrawPrimitive"), 1u);
    std::vector<std::string> asStates = state.Values("SetRenderState");
    for (const std::string& sSampler : state.Values("SetSamplerState"))
        asStates.push_back(sSampler);
    const std::vector<std::string> expected = {
        "SetRenderState D3DRS_POINTSPRITEENABLE 1",         // point sprites
        "SetRenderState D3DRS_POINTSCALEENABLE 1",          // point scale
        "SetRenderState D3DRS_POINTSIZE " + Bits(0.02f),    // size
        "SetRenderState D3DRS_POINTSIZE_MIN " + Bits(0.0f), // minimum size
        "SetRenderState D3DRS_POINTSCALE_A " + Bits(0.0f),  // A
        "SetRenderState D3DRS_POINTSCALE_B " + Bits(0.0f),  // B
        "SetRenderState D3DRS_POINTSCALE_C " + Bits(0.1f),  // C
        "SetRenderState D3DRS_COLORVERTEX 0",               // no vertex colour
        "SetRenderState D3DRS_LIGHTING 0",                  // no lighting
        "SetRenderState D3DRS_ZENABLE 0",                   // no depth test
        "SetRenderState D3DRS_ZWRITEENABLE 0",              // no depth writes
        "SetRenderState D3DRS_ALPHABLENDENABLE 1",          // blending
        "SetRenderState D3DRS_ALPHATESTENABLE 0",           // no alpha test
        "SetRenderState D3DRS_ALPHAFUNC 8",                 // always
        "SetRenderState D3DRS_SRCBLEND 3",                  // source colour
        "SetRenderState D3DRS_DESTBLEND 2",                 // one
        "SetSamplerState 0 D3DSAMP_MAGFILTER 2",            // linear
        "SetSamplerState 0 D3DSAMP_MINFILTER 2",
    };
    auto sorted = [](std::vector<std::string> as)
    {
        std::sort(as.begin(), as.end());
        return as;
    };
    EXPECT_EQ(sorted(asStates), sorted(expected));
    // Each set once, and the two depth states once more after the draw.
    EXPECT_EQ(m_Device.CountCalls("SetRenderState") + m_Device.CountCalls("SetSamplerState"),
              expected.size() + 2);
    EXPECT_EQ(state.Value("SetStreamSource 0"), vb + " 0 12");
    EXPECT_EQ(state.Value("SetFVF"), "2"); // positions only
    // The whole buffer is written, discarding, before the draw reads it.
    EXPECT_EQ(m_Device.CallsNamed({"Lock", "Unlock", "DrawPrimitive"}),
              (std::vector<std::string>{"Lock " + vb + " 0 120000 8192", "Unlock " + vb,
                                        "DrawPrimitive 1 0 10000"}));
    EXPECT_EQ(m_Device.CountCalls("SetMaterial") + m_Device.CountCalls("SetTexture"), 0u);
    // Depth testing and writing are back on after the draw.
    const SOrvDrawState end = OrvStateAtEnd(m_Device.GetCalls());
    EXPECT_EQ(end.Value("SetRenderState D3DRS_ZENABLE"), "1");
    EXPECT_EQ(end.Value("SetRenderState D3DRS_ZWRITEENABLE"), "1");
    // The transforms come before the states: world, view, projection.
    EXPECT_EQ(m_Device.GetCalls().front().m_Name, "SetTransform");
    EXPECT_EQ(m_Device.CountCalls("SetTransform"), 3u);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(Transform(D3DTS_WORLD), identity);

    // The buffer holds the cloud's positions, 12 bytes each.
    const auto* pBuffer = static_cast<CRecordingVertexBuffer*>(m_pLayer->GetVertexBuffer());
    const float* pVertices = reinterpret_cast<const float*>(pBuffer->GetBytes().data());
    for (int i : {0, 1, 4567, 9999})
    {
        const D3DXVECTOR3 p = m_pLayer->GetCloud().GetParticle(i).m_vPosition;
        EXPECT_EQ(D3DXVECTOR3(pVertices + 3 * i), p) << i;
    }
}

TEST_F(ParticlesLayer, CameraCirclesAtTheRotationAngle)
{
    Float(ORV_PROP_ROTATION)->SetDefaultValue(1.5707964f);
    m_pLayer->Draw();
    // At pi/2 the eye sits at (1, 0, 0) looking at the centre: the centre is straight
    // ahead at distance 1, and +z is to the right.
    const D3DXMATRIX view = Transform(D3DTS_VIEW);
    D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f), ahead;
    D3DXVec3TransformCoord(&ahead, &centre, &view);
    EXPECT_NEAR(ahead.x, 0.0f, 1e-6f);
    EXPECT_NEAR(ahead.z, 1.0f, 1e-6f);
    const D3DXVECTOR3 z(0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 seen;
    D3DXVec3TransformCoord(&seen, &z, &view);
    EXPECT_NEAR(seen.x, 1.0f, 1e-6f);

    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 2.0943952f, 1280.0f / 720.0f, 0.0f, 2.0f);
    ExpectMatrixNear(Transform(D3DTS_PROJECTION), projection);
    // Near plane 0: every point in front of the eye has depth 1.
    D3DXVECTOR4 clip;
    const D3DXVECTOR3 inFront(0.0f, 0.1f, 0.7f);
    D3DXVec3Transform(&clip, &inFront, &projection);
    EXPECT_FLOAT_EQ(clip.z / clip.w, 1.0f);
}

TEST_F(ParticlesLayer, TheMaterialIsAppliedWhenItExists)
{
    auto* pMaterial = m_Demo.AddResMaterial();
    pMaterial->SetName("glow");
    SetString(m_pLayer, ORV_PROP_MATERIAL_NAME, "glow");
    m_Device.ClearCalls();
    m_pLayer->Draw();
    EXPECT_EQ(m_Device.CountCalls("SetMaterial"), 1u);
    // The material comes after the states and before the lock.
    const std::vector<std::string> order =
        m_Device.CallsNamed({"SetSamplerState", "SetMaterial", "Lock"});
    EXPECT_EQ(order[2].rfind("SetMaterial", 0), 0u);
    SetString(m_pLayer, ORV_PROP_MATERIAL_NAME, "nothing by that name");
    m_Device.ClearCalls();
    m_pLayer->Draw();
    EXPECT_EQ(m_Device.CountCalls("SetMaterial"), 0u);
    EXPECT_EQ(m_Device.CountCalls("DrawPrimitive"), 1u);
}

TEST_F(ParticlesLayer, AFailedLockDrawsNothingButPutsDepthBack)
{
    m_Device.SetFailLocks(true);
    COrvPropBase::SetFrame(3.0f);
    m_Device.ClearCalls();
    m_pLayer->Draw();
    m_Device.SetFailLocks(false);
    EXPECT_EQ(m_Device.CountCalls("DrawPrimitive"), 0u);
    EXPECT_EQ(m_Device.CountCalls("Unlock"), 0u);
    const std::vector<std::string> tail = m_Device.CallsNamed({"SetRenderState"});
    ASSERT_GE(tail.size(), 2u);
    EXPECT_EQ(tail[tail.size() - 2], "SetRenderState D3DRS_ZENABLE 1");
    EXPECT_EQ(tail.back(), "SetRenderState D3DRS_ZWRITEENABLE 1");
    EXPECT_EQ(m_Device.GetRenderStateValue(D3DRS_ZENABLE), 1u);
    // The cloud stepped all the same.
    EXPECT_EQ(m_pLayer->GetCloud().GetLastFrame(), 3.0f);
}

TEST_F(ParticlesLayer, TwoLayersGetDifferentCloudsAndStepWithTheFrame)
{
    auto* pOther = static_cast<COrvLayerParticules*>(m_Demo.AddLayerParticles());
    EXPECT_NE(pOther->GetCloud().GetParticle(0).m_vPosition,
              m_pLayer->GetCloud().GetParticle(0).m_vPosition);
    // The layer reads "Power" and "Ressort" at the current frame.
    Float(ORV_PROP_POWER)->SetDefaultValue(2.0f);
    Float(ORV_PROP_RESSORT)->SetDefaultValue(0.5f);
    ORV_ParticleCloud expected = m_pLayer->GetCloud();
    COrvPropBase::SetFrame(1.5f);
    m_pLayer->Draw();
    expected.Step(1.5f, 2.0f, 0.5f);
    EXPECT_TRUE(SameClouds(m_pLayer->GetCloud(), expected));
}
