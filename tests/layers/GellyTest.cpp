#include "layers/OrvGelly.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace
{
// A vertex as the meshes of the demos lay it out: position, normal, texture coordinates.
struct Vertex
{
    float p[3];
    float n[3];
    float uv[2];
};

ORV_Gelly BuildFrom(const std::vector<Vertex>& vertices, const std::vector<uint16_t>& indices,
                    float fFrame = 0.0f)
{
    ORV_Gelly gelly;
    EXPECT_TRUE(gelly.Build(vertices.data(), uint32_t(vertices.size()), sizeof(Vertex),
                            indices.data(), uint32_t(indices.size() / 3), false, fFrame));
    return gelly;
}
} // namespace

TEST(Gelly, OneFrameMovesAFreeVertexUnderPushDampingAndGravity)
{
    // At rest, normal up, no neighbours; one frame of time later h is 0.4.
    ORV_Gelly gelly = BuildFrom({{{0, 0, 0}, {0, 1, 0}, {0, 0}}}, {}, 10.0f);
    const float h = gelly.TakeStep(11.0f);
    EXPECT_FLOAT_EQ(h, 0.4f);
    gelly.Step(h);
    EXPECT_NEAR(gelly.Velocity(0).y, -3.92f, 1e-6f);
    EXPECT_NEAR(gelly.Position(0).y, -1.568f, 1e-6f);
    EXPECT_EQ(gelly.Position(0).x, 0.0f);
    EXPECT_EQ(gelly.Velocity(0).z, 0.0f);
    // Damping acts on the velocity gained: F.y = 0.2 - 0.3 × (-3.92) - 10.
    gelly.Step(h);
    EXPECT_NEAR(gelly.Velocity(0).y, -3.92f + 0.4f * (0.2f + 0.3f * 3.92f - 10.0f), 1e-5f);
}

TEST(Gelly, VerticesLandOnTheGround)
{
    ORV_Gelly gelly =
        BuildFrom({{{0, -99, 0}, {0, 1, 0}, {0, 0}}, {{3, 50, 0}, {0, 1, 0}, {0, 0}}}, {});
    gelly.Step(1.0f);
    EXPECT_EQ(gelly.Position(0).y, ORV_Gelly::kGround);
    EXPECT_EQ(gelly.Velocity(0).y, 0.0f);
    EXPECT_FLOAT_EQ(gelly.Position(1).y, 50.0f - 9.8f);
    for (int i = 0; i < 100; ++i)
        gelly.Step(ORV_Gelly::kMaxStep);
    EXPECT_EQ(gelly.Position(1).y, ORV_Gelly::kGround);
    EXPECT_EQ(gelly.Position(1).x, 3.0f);
    EXPECT_EQ(gelly.Velocity(1).y, 0.0f);
}

TEST(Gelly, SpringsPullTowardTheNeighboursPreviousPositions)
{
    // The face (0, 1, 1) links 0 and 1 once each; a vertex is never its own neighbour.
    ORV_Gelly gelly =
        BuildFrom({{{0, 0, 0}, {0, 0, 0}, {0, 0}}, {{1, 0, 0}, {0, 0, 0}, {0, 0}}}, {0, 1, 1});
    EXPECT_EQ(gelly.Neighbours(0), std::vector<uint32_t>{1});
    EXPECT_EQ(gelly.Neighbours(1), std::vector<uint32_t>{0});
    gelly.Step(1.0f);
    // Both see the positions from before the step: 0.04 × (±1).
    EXPECT_FLOAT_EQ(gelly.Position(0).x, 0.04f);
    EXPECT_FLOAT_EQ(gelly.Position(1).x, 1.0f - 0.04f);
    EXPECT_FLOAT_EQ(gelly.Position(0).y, -10.0f);
    EXPECT_FLOAT_EQ(gelly.Position(1).y, -10.0f);
}

TEST(Gelly, NeighboursAreSortedUniqueAndOnlyFromFacesInsideTheMesh)
{
    std::vector<Vertex> vertices(5, Vertex{{0, 0, 0}, {0, 0, 0}, {0, 0}});
    // Two faces share the edge 0-2; the third names vertex 9, which does not exist.
    const std::vector<uint32_t> indices = {2, 0, 3, 0, 2, 1, 4, 0, 9};
    ORV_Gelly gelly;
    ASSERT_TRUE(gelly.Build(vertices.data(), 5, sizeof(Vertex), indices.data(), 3, true, 0.0f));
    EXPECT_EQ(gelly.Neighbours(0), (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_EQ(gelly.Neighbours(2), (std::vector<uint32_t>{0, 1, 3}));
    EXPECT_EQ(gelly.Neighbours(4), std::vector<uint32_t>{});
    EXPECT_EQ(gelly.Neighbours(7), std::vector<uint32_t>{});

    // The same faces in 16 bits give the same sets.
    const std::vector<uint16_t> shortIndices(indices.begin(), indices.end());
    ORV_Gelly shortGelly;
    ASSERT_TRUE(
        shortGelly.Build(vertices.data(), 5, sizeof(Vertex), shortIndices.data(), 3, false, 0.0f));
    for (uint32_t i = 0; i < 5; ++i)
        EXPECT_EQ(shortGelly.Neighbours(i), gelly.Neighbours(i));
}

TEST(Gelly, StepLengthFollowsTimeForwardOnlyAndIsClamped)
{
    ORV_Gelly gelly = BuildFrom({{{0, 0, 0}, {0, 1, 0}, {0, 0}}}, {}, 100.0f);
    // The first draw after building steps by 0 and leaves the shape as it was.
    EXPECT_EQ(gelly.TakeStep(100.0f), 0.0f);
    gelly.Step(0.0f);
    EXPECT_EQ(gelly.Position(0).y, 0.0f);
    EXPECT_FLOAT_EQ(gelly.TakeStep(101.25f), 0.5f);
    // A jump backwards holds the shape, a long jump forwards is cut to one bounded step.
    EXPECT_EQ(gelly.TakeStep(50.0f), 0.0f);
    EXPECT_EQ(gelly.TakeStep(1e6f), ORV_Gelly::kMaxStep);
    EXPECT_EQ(gelly.TakeStep(NAN), 0.0f);
    EXPECT_EQ(gelly.TakeStep(INFINITY), 0.0f);
    EXPECT_EQ(gelly.TakeStep(1.0f), 0.0f);
}

TEST(Gelly, VertexBytesKeepEverythingButThePositions)
{
    ORV_Gelly gelly = BuildFrom(
        {{{1, 2, 3}, {0, 1, 0}, {0.25f, 0.75f}}, {{4, 5, 6}, {0, 0, -1}, {0.5f, 0.5f}}}, {});
    gelly.Step(0.4f);
    const auto* pBytes = gelly.UpdateVertexBytes();
    ASSERT_EQ(gelly.Stride(), sizeof(Vertex));
    Vertex out[2];
    std::memcpy(out, pBytes, sizeof(out));
    EXPECT_FLOAT_EQ(out[0].p[1], gelly.Position(0).y);
    EXPECT_FLOAT_EQ(out[1].p[2], gelly.Position(1).z);
    EXPECT_EQ(out[0].n[1], 1.0f);
    EXPECT_EQ(out[1].n[2], -1.0f);
    EXPECT_EQ(out[0].uv[1], 0.75f);
    EXPECT_EQ(out[1].uv[0], 0.5f);
}

TEST(Gelly, ShortVerticesHaveNoNormalAndTooShortOnesNoState)
{
    const float positions[] = {0, 0, 0, 1, 1, 1};
    ORV_Gelly gelly;
    ASSERT_TRUE(gelly.Build(positions, 2, 12, nullptr, 0, false, 0.0f));
    gelly.Step(0.4f);
    // Gravity and damping only: 0.4 × 0.4 × -10.
    EXPECT_FLOAT_EQ(gelly.Position(1).y, 1.0f - 1.6f);
    EXPECT_FLOAT_EQ(gelly.Position(1).x, 1.0f);

    EXPECT_FALSE(gelly.Build(positions, 2, 8, nullptr, 0, false, 0.0f));
    EXPECT_FALSE(gelly.IsBuilt());
    EXPECT_FALSE(gelly.Build(positions, 0, 12, nullptr, 0, false, 0.0f));
    EXPECT_FALSE(gelly.Build(nullptr, 2, 12, nullptr, 0, false, 0.0f));
}

TEST(Gelly, NeverLeavesInfinitiesOrNaNs)
{
    // A dense fan: vertex 0 is tied to 200 others, the stiffest case the springs make.
    std::vector<Vertex> vertices(201, Vertex{{0, 0, 0}, {0, 1, 0}, {0, 0}});
    std::vector<uint16_t> indices;
    for (uint16_t i = 1; i <= 200; ++i)
    {
        vertices[i].p[0] = std::cos(i * 0.0314f) * 5.0f;
        vertices[i].p[2] = std::sin(i * 0.0314f) * 5.0f;
        indices.insert(indices.end(), {0, i, uint16_t(i % 200 + 1)});
    }
    ORV_Gelly gelly = BuildFrom(vertices, indices);
    for (int frame = 0; frame < 2000; ++frame)
    {
        gelly.Step(ORV_Gelly::kMaxStep);
        for (uint32_t i = 0; i < gelly.VertexCount(); ++i)
            ASSERT_TRUE(
                std::isfinite(gelly.Position(i).x + gelly.Position(i).y + gelly.Position(i).z))
                << "frame " << frame << " vertex " << i;
    }
    // A step that overflows puts the body back at rest in its first shape.
    gelly.Step(1e30f);
    gelly.Step(1e30f);
    EXPECT_EQ(gelly.Position(5).x, vertices[5].p[0]);
    EXPECT_EQ(gelly.Position(5).y, 0.0f);
    EXPECT_EQ(gelly.Velocity(5).y, 0.0f);
}
