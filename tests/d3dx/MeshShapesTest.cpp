#include "MeshPrimitives.h"
#include "MeshShapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "d3dx9math.h"
#include "OrvPi.h"

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

std::vector<float> Vertex(const SOrvMeshData& mesh, size_t v)
{
    return {mesh.m_afPositions.begin() + 3 * v, mesh.m_afPositions.begin() + 3 * v + 3};
}

std::vector<float> NormalOf(const SOrvMeshData& mesh, size_t v)
{
    return {mesh.m_afNormals.begin() + 3 * v, mesh.m_afNormals.begin() + 3 * v + 3};
}

void ExpectNear(const std::vector<float>& actual, std::initializer_list<float> expected,
                const char* pWhat)
{
    ASSERT_EQ(actual.size(), expected.size());
    size_t i = 0;
    for (float f : expected)
        EXPECT_NEAR(actual[i++], f, 1e-5f) << pWhat;
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
    EXPECT_GT(dVolume, 0.9 * 4.0 / 3.0 * orv::dPi * 8.0);
    EXPECT_LT(dVolume, 4.0 / 3.0 * orv::dPi * 8.0);
    // The top pole first, then the first ring from +y turning towards +x, the bottom pole last.
    ExpectNear(Vertex(sphere, 0), {0, 0, 2}, "top pole");
    const float fSin = 2.0f * std::sin(D3DX_PI / 20), fCos = 2.0f * std::cos(D3DX_PI / 20);
    ExpectNear(Vertex(sphere, 1), {0, fSin, fCos}, "ring start");
    ExpectNear(Vertex(sphere, 6), {fSin, 0, fCos}, "a quarter turn on");
    ExpectNear(Vertex(sphere, sphere.GetVertexCount() - 1), {0, 0, -2}, "bottom pole");
    EXPECT_EQ(std::vector<uint32_t>(sphere.m_auIndices.begin(), sphere.m_auIndices.begin() + 6),
              (std::vector<uint32_t>{0, 2, 1, 0, 3, 2}));

    // Two slices and two stacks: a flat sphere of four vertices, as D3DX makes it.
    ASSERT_TRUE(OrvBuildSphere(sphere, 1.0f, 2, 2));
    EXPECT_EQ(sphere.GetVertexCount(), 4u);
    EXPECT_EQ(sphere.GetFaceCount(), 4u);
    ExpectUnitNormalsAndValidIndices(sphere);
    EXPECT_TRUE(OrvBuildSphere(sphere, 0.0f, 3, 2));
    EXPECT_FALSE(OrvBuildSphere(sphere, 1.0f, 1, 5));
    EXPECT_FALSE(OrvBuildSphere(sphere, 1.0f, 5, 1));
    EXPECT_FALSE(OrvBuildSphere(sphere, -1.0f, 5, 5));
    EXPECT_FALSE(OrvBuildSphere(sphere, 1.0f, 100000, 100000));
}

TEST(MeshShapes, BoxHasFourVerticesPerSideInD3DXOrder)
{
    SOrvMeshData box;
    ASSERT_TRUE(OrvBuildBox(box, 2.0f, 4.0f, 6.0f));
    EXPECT_EQ(box.GetVertexCount(), 24u);
    EXPECT_EQ(box.GetFaceCount(), 12u);
    ExpectUnitNormalsAndValidIndices(box);
    EXPECT_NEAR(SignedVolume(box), 48.0, 1e-4);
    ExpectNear(Vertex(box, 0), {-1, -2, -3}, "first corner of the -x side");
    ExpectNear(Vertex(box, 2), {-1, 2, 3}, "third corner of the -x side");
    ExpectNear(Vertex(box, 6), {1, 2, 3}, "+y side");
    ExpectNear(Vertex(box, 23), {1, -2, -3}, "last corner of the -z side");
    const char* apSides[] = {"-x", "+y", "+x", "-y", "+z", "-z"};
    const float aafNormals[6][3] = {{-1, 0, 0}, {0, 1, 0}, {1, 0, 0},
                                    {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int s = 0; s < 6; ++s)
        for (int k = 0; k < 4; ++k)
            ExpectNear(NormalOf(box, 4 * s + k),
                       {aafNormals[s][0], aafNormals[s][1], aafNormals[s][2]}, apSides[s]);
    EXPECT_EQ(std::vector<uint32_t>(box.m_auIndices.begin(), box.m_auIndices.begin() + 6),
              (std::vector<uint32_t>{0, 1, 2, 2, 3, 0}));
    EXPECT_FALSE(OrvBuildBox(box, -1.0f, 1.0f, 1.0f));
}

TEST(MeshShapes, CylinderHasCapsAndSideRowsWithLeaningNormals)
{
    SOrvMeshData cone;
    ASSERT_TRUE(OrvBuildCylinder(cone, 2.0f, 1.0f, 4.0f, 8, 3));
    EXPECT_EQ(cone.GetVertexCount(), 2u + 8u * 6u);
    EXPECT_EQ(cone.GetFaceCount(), 2u * 8u * 4u);
    ExpectUnitNormalsAndValidIndices(cone);
    EXPECT_GT(SignedVolume(cone), 0.0);
    // A frustum of radii 2 and 1 and height 4 holds 28 pi / 3; the octagons a little less.
    EXPECT_LT(SignedVolume(cone), 28.0 * orv::dPi / 3.0);
    EXPECT_GT(SignedVolume(cone), 0.85 * 28.0 * orv::dPi / 3.0);
    ExpectNear(Vertex(cone, 0), {0, 0, -2}, "bottom centre");
    ExpectNear(Vertex(cone, 1), {0, 2, -2}, "bottom ring starts on +y");
    ExpectNear(Vertex(cone, 3), {2, 0, -2}, "and turns towards +x");
    ExpectNear(NormalOf(cone, 1), {0, 0, -1}, "bottom cap");
    // The side's first row is the bottom ring again, leaning towards +z by 1 in 4.
    const float fNorm = std::sqrt(1.0f + 0.25f * 0.25f);
    ExpectNear(Vertex(cone, 9), {0, 2, -2}, "side");
    ExpectNear(NormalOf(cone, 9), {0, 1 / fNorm, 0.25f / fNorm}, "side normal");
    ExpectNear(Vertex(cone, 1 + 8 * 4), {0, 1, 2}, "last side row");
    ExpectNear(Vertex(cone, 1 + 8 * 5), {0, 1, 2}, "top ring");
    ExpectNear(Vertex(cone, cone.GetVertexCount() - 1), {0, 0, 2}, "top centre");
    EXPECT_FALSE(OrvBuildCylinder(cone, 1.0f, 1.0f, 1.0f, 1, 1));
    EXPECT_FALSE(OrvBuildCylinder(cone, 1.0f, 1.0f, 1.0f, 3, 0));
    EXPECT_FALSE(OrvBuildCylinder(cone, 1.0f, -1.0f, 1.0f, 3, 1));
}

TEST(MeshShapes, TorusAndPolygonFaceOutward)
{
    SOrvMeshData torus;
    ASSERT_TRUE(OrvBuildTorus(torus, 0.5f, 2.0f, 12, 24));
    EXPECT_EQ(torus.GetVertexCount(), 12u * 24u);
    EXPECT_EQ(torus.GetFaceCount(), 2u * 12u * 24u);
    ExpectUnitNormalsAndValidIndices(torus);
    // 2 pi^2 R r^2 = pi^2 for R = 2, r = 0.5.
    EXPECT_GT(SignedVolume(torus), 0.9 * orv::dPi * orv::dPi);
    EXPECT_LT(SignedVolume(torus), orv::dPi * orv::dPi);
    ExpectNear(Vertex(torus, 0), {2.5f, 0, 0}, "outer equator on +x");
    ExpectNear(NormalOf(torus, 0), {1, 0, 0}, "facing out");
    // D3DX's order: a cross-section turns from the outer equator towards +z (30 degrees a
    // side here), the rings turn from +x towards -y (15 degrees a ring).
    const float fCos30 = std::sqrt(3.0f) / 2;
    ExpectNear(Vertex(torus, 1), {2 + 0.5f * fCos30, 0, 0.25f}, "second side above");
    ExpectNear(NormalOf(torus, 1), {fCos30, 0, 0.5f}, "its normal");
    ExpectNear(Vertex(torus, 3), {2, 0, 0.5f}, "a quarter turn: the top");
    const float fRing = std::cos(orv::fPi / 12), fRingSin = std::sin(orv::fPi / 12);
    ExpectNear(Vertex(torus, 12), {2.5f * fRing, -2.5f * fRingSin, 0}, "second ring");
    // Each quad (ring i, side j) is cut as (i j, i j+1, i+1 j), (i+1 j, i j+1, i+1 j+1);
    // the last ring and the last side close on the first.
    const std::vector<uint32_t>& au = torus.m_auIndices;
    EXPECT_EQ(std::vector<uint32_t>(au.begin(), au.begin() + 6),
              (std::vector<uint32_t>{0, 1, 12, 12, 1, 13}));
    EXPECT_EQ(std::vector<uint32_t>(au.begin() + 66, au.begin() + 72),
              (std::vector<uint32_t>{11, 0, 23, 23, 0, 12}));
    EXPECT_EQ(std::vector<uint32_t>(au.end() - 6, au.end()),
              (std::vector<uint32_t>{287, 276, 11, 11, 276, 0}));
    for (size_t v = 0; v < torus.GetVertexCount(); ++v)
    {
        // Each normal points from the centre of its cross-section to the vertex.
        std::vector<float> p = Vertex(torus, v), n = NormalOf(torus, v);
        float fRing = std::hypot(p[0], p[1]);
        float afCentre[2] = {2.0f * p[0] / fRing, 2.0f * p[1] / fRing};
        EXPECT_NEAR(n[0] * 0.5f, p[0] - afCentre[0], 1e-5f);
        EXPECT_NEAR(n[1] * 0.5f, p[1] - afCentre[1], 1e-5f);
        EXPECT_NEAR(n[2] * 0.5f, p[2], 1e-5f);
    }
    EXPECT_FALSE(OrvBuildTorus(torus, 0.5f, 2.0f, 2, 24));
    EXPECT_FALSE(OrvBuildTorus(torus, -0.5f, 2.0f, 12, 24));

    SOrvMeshData hexagon;
    ASSERT_TRUE(OrvBuildPolygon(hexagon, 1.0f, 6));
    EXPECT_EQ(hexagon.GetVertexCount(), 7u);
    EXPECT_EQ(hexagon.m_auIndices,
              (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 5, 0, 5, 6, 0, 6, 1}));
    ExpectNear(Vertex(hexagon, 1), {1, 0, 0},
               "a hexagon's corners are a side away from its centre");
    ExpectNear(Vertex(hexagon, 2), {0.5f, std::sqrt(3.0f) / 2, 0}, "counterclockwise");
    ExpectNear(NormalOf(hexagon, 3), {0, 0, 1}, "facing +z");
    EXPECT_FALSE(OrvBuildPolygon(hexagon, 1.0f, 2));
    EXPECT_FALSE(OrvBuildPolygon(hexagon, -1.0f, 5));
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
