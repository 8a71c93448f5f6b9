#include "MeshShapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace
{
struct SBox
{
    float m_afMin[3] = {1e9f, 1e9f, 1e9f};
    float m_afMax[3] = {-1e9f, -1e9f, -1e9f};
};

SBox BoxOf(const SOrvMeshData& mesh)
{
    SBox box;
    for (size_t i = 0; i < mesh.m_afPositions.size(); ++i)
    {
        box.m_afMin[i % 3] = std::min(box.m_afMin[i % 3], mesh.m_afPositions[i]);
        box.m_afMax[i % 3] = std::max(box.m_afMax[i % 3], mesh.m_afPositions[i]);
    }
    return box;
}

// Volume enclosed by the faces, positive when they face outward (clockwise from outside).
double SignedVolume(const SOrvMeshData& mesh)
{
    double dVolume = 0;
    const std::vector<float>& p = mesh.m_afPositions;
    for (size_t f = 0; f < mesh.m_auIndices.size(); f += 3)
    {
        const float* a = &p[3 * mesh.m_auIndices[f]];
        const float* b = &p[3 * mesh.m_auIndices[f + 1]];
        const float* c = &p[3 * mesh.m_auIndices[f + 2]];
        dVolume += (a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                    a[2] * (b[0] * c[1] - b[1] * c[0])) /
                   6.0;
    }
    return dVolume;
}

void ExpectUnitNormalsAndValidIndices(const SOrvMeshData& mesh)
{
    ASSERT_EQ(mesh.m_afNormals.size(), mesh.m_afPositions.size());
    for (size_t v = 0; v < mesh.GetVertexCount(); ++v)
    {
        const float* n = &mesh.m_afNormals[3 * v];
        ASSERT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0, 1e-3)
            << "vertex " << v;
    }
    for (uint32_t uIndex : mesh.m_auIndices)
        ASSERT_LT(uIndex, mesh.GetVertexCount());
    EXPECT_EQ(mesh.m_adwAttributes.size(), mesh.GetFaceCount());
}
} // namespace

TEST(MeshShapes, SphereHasItsRingsAndFacesOutward)
{
    SOrvMeshData sphere;
    ASSERT_TRUE(OrvBuildSphere(sphere, 2.0f, 20, 20));
    EXPECT_EQ(sphere.GetVertexCount(), 2u + 19u * 20u);
    EXPECT_EQ(sphere.GetFaceCount(), 2u * 20u * 19u);
    ExpectUnitNormalsAndValidIndices(sphere);
    SBox box = BoxOf(sphere);
    EXPECT_FLOAT_EQ(box.m_afMax[2], 2.0f);
    EXPECT_FLOAT_EQ(box.m_afMin[2], -2.0f);
    EXPECT_NEAR(box.m_afMax[0], 2.0f, 1e-5);
    // A sphere of radius 2 inscribed polyhedron: a little under 4/3 pi 8.
    double dVolume = SignedVolume(sphere);
    EXPECT_GT(dVolume, 0.9 * 4.0 / 3.0 * M_PI * 8.0);
    EXPECT_LT(dVolume, 4.0 / 3.0 * M_PI * 8.0);

    EXPECT_FALSE(OrvBuildSphere(sphere, 1.0f, 2, 5));
    EXPECT_FALSE(OrvBuildSphere(sphere, 1.0f, 5, 1));
    EXPECT_FALSE(OrvBuildSphere(sphere, -1.0f, 5, 5));
    EXPECT_FALSE(OrvBuildSphere(sphere, 1.0f, 100000, 100000));
}

TEST(MeshShapes, TeapotHasTheClassicShapeAndFacesOutward)
{
    SOrvMeshData teapot;
    OrvBuildTeapot(teapot);
    ExpectUnitNormalsAndValidIndices(teapot);
    EXPECT_GT(teapot.GetFaceCount(), 3500u);
    SBox box = BoxOf(teapot);
    EXPECT_NEAR(box.m_afMin[0], -1.5f, 0.01f);  // handle
    EXPECT_NEAR(box.m_afMax[0], 1.717f, 0.01f); // spout tip
    EXPECT_NEAR(box.m_afMin[1], -0.75f, 0.01f); // base
    EXPECT_NEAR(box.m_afMax[1], 0.825f, 0.01f); // lid knob
    EXPECT_NEAR(box.m_afMax[2], 1.0f, 0.01f);
    EXPECT_NEAR(box.m_afMin[2], -1.0f, 0.01f);
    EXPECT_GT(SignedVolume(teapot), 1.5);
    // On the body's equator the normals point away from the axis.
    for (size_t v = 0; v < teapot.GetVertexCount(); ++v)
    {
        const float* p = &teapot.m_afPositions[3 * v];
        const float* n = &teapot.m_afNormals[3 * v];
        if (std::fabs(p[1] + 0.075f) < 0.01f && std::hypot(p[0], p[2]) > 0.99f &&
            std::fabs(p[2]) > 0.3f)
        {
            EXPECT_GT(n[0] * p[0] + n[2] * p[2], 0.5f) << v;
        }
    }
}
