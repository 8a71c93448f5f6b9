#include "MeshPrimitives.h"

#include "d3dx9mesh.h"
#include "OrvPi.h"

#include <cmath>
#include <initializer_list>

namespace
{
// Angles step by the D3DX pi, so that shapes match those made with D3DX_PI to the bit.
static_assert(orv::fPi == D3DX_PI);

bool Fits(uint64_t uVertices, uint64_t uFaces)
{
    return uVertices <= ORV_MAX_MESH_VERTICES && uFaces <= ORV_MAX_MESH_FACES;
}

void AddVertex(SOrvMeshData& mesh, float x, float y, float z, float nx, float ny, float nz)
{
    mesh.m_afPositions.insert(mesh.m_afPositions.end(), {x, y, z});
    mesh.m_afNormals.insert(mesh.m_afNormals.end(), {nx, ny, nz});
}

void AddFace(SOrvMeshData& mesh, uint32_t a, uint32_t b, uint32_t c)
{
    mesh.m_auIndices.insert(mesh.m_auIndices.end(), {a, b, c});
}

void Finish(SOrvMeshData& mesh)
{
    mesh.m_adwAttributes.assign(mesh.GetFaceCount(), 0);
}

// Sines and cosines of uCount angles from fStart in steps of fStep, accumulated in floats.
void AngleTable(unsigned uCount, float fStart, float fStep, std::vector<float>& afSin,
                std::vector<float>& afCos)
{
    afSin.resize(uCount);
    afCos.resize(uCount);
    float fAngle = fStart;
    for (unsigned i = 0; i < uCount; ++i, fAngle += fStep)
    {
        afSin[i] = std::sin(fAngle);
        afCos[i] = std::cos(fAngle);
    }
}
} // namespace

bool OrvBuildBox(SOrvMeshData& mesh, float fWidth, float fHeight, float fDepth)
{
    mesh = SOrvMeshData();
    if (!(fWidth >= 0.0f && fHeight >= 0.0f && fDepth >= 0.0f))
        return false;
    static const float s_aafCorners[24][3] = {
        {-1, -1, -1}, {-1, -1, 1},  {-1, 1, 1},   {-1, 1, -1}, {-1, 1, -1}, {-1, 1, 1},
        {1, 1, 1},    {1, 1, -1},   {1, 1, -1},   {1, 1, 1},   {1, -1, 1},  {1, -1, -1},
        {-1, -1, 1},  {-1, -1, -1}, {1, -1, -1},  {1, -1, 1},  {-1, -1, 1}, {1, -1, 1},
        {1, 1, 1},    {-1, 1, 1},   {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1},  {1, -1, -1}};
    static const float s_aafNormals[6][3] = {{-1, 0, 0}, {0, 1, 0}, {1, 0, 0},
                                             {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int v = 0; v < 24; ++v)
    {
        const float* n = s_aafNormals[v / 4];
        AddVertex(mesh, s_aafCorners[v][0] * fWidth / 2, s_aafCorners[v][1] * fHeight / 2,
                  s_aafCorners[v][2] * fDepth / 2, n[0], n[1], n[2]);
    }
    for (uint32_t s = 0; s < 6; ++s)
    {
        AddFace(mesh, 4 * s, 4 * s + 1, 4 * s + 2);
        AddFace(mesh, 4 * s + 2, 4 * s + 3, 4 * s);
    }
    Finish(mesh);
    return true;
}

bool OrvBuildSphere(SOrvMeshData& mesh, float fRadius, unsigned uSlices, unsigned uStacks)
{
    mesh = SOrvMeshData();
    if (!(fRadius >= 0.0f) || uSlices < 2 || uStacks < 2 ||
        !Fits(uint64_t(uSlices) * (uStacks - 1) + 2, 2 * uint64_t(uSlices) * (uStacks - 1)))
        return false;
    std::vector<float> afSin, afCos;
    AngleTable(uSlices, orv::fPi / 2, -2 * orv::fPi / float(uSlices), afSin, afCos);
    const float fStep = orv::fPi / float(uStacks);
    auto ring = [&](unsigned uStack, unsigned uSlice) { return 1 + uStack * uSlices + uSlice; };
    AddVertex(mesh, 0, 0, fRadius, 0, 0, 1);
    float fTheta = fStep;
    for (unsigned uStack = 0; uStack + 1 < uStacks; ++uStack, fTheta += fStep)
    {
        const float fSin = std::sin(fTheta), fCos = std::cos(fTheta);
        for (unsigned i = 0; i < uSlices; ++i)
        {
            const float x = fSin * afCos[i], y = fSin * afSin[i];
            AddVertex(mesh, fRadius * x, fRadius * y, fRadius * fCos, x, y, fCos);
            // Each new vertex closes the faces to its left; the last column closes the ring.
            for (unsigned j : {i, i + 1 == uSlices ? uSlices : 0u})
            {
                if (j == 0)
                    continue;
                unsigned uThis = j % uSlices, uPrevious = j - 1;
                if (uStack == 0)
                {
                    AddFace(mesh, 0, ring(0, uThis), ring(0, uPrevious));
                    continue;
                }
                AddFace(mesh, ring(uStack - 1, uPrevious), ring(uStack - 1, uThis),
                        ring(uStack, uPrevious));
                AddFace(mesh, ring(uStack - 1, uThis), ring(uStack, uThis),
                        ring(uStack, uPrevious));
            }
        }
    }
    const uint32_t uBottom = ring(uStacks - 1, 0);
    AddVertex(mesh, 0, 0, -fRadius, 0, 0, -1);
    for (unsigned j = 1; j <= uSlices; ++j)
        AddFace(mesh, uBottom, ring(uStacks - 2, j - 1), ring(uStacks - 2, j % uSlices));
    Finish(mesh);
    return true;
}

bool OrvBuildCylinder(SOrvMeshData& mesh, float fRadius1, float fRadius2, float fLength,
                      unsigned uSlices, unsigned uStacks)
{
    mesh = SOrvMeshData();
    if (!(fRadius1 >= 0.0f && fRadius2 >= 0.0f && fLength >= 0.0f) || uSlices < 2 || uStacks < 1 ||
        !Fits(uint64_t(uSlices) * (uStacks + 3) + 2, 2 * uint64_t(uSlices) * (uStacks + 1)))
        return false;
    std::vector<float> afSin, afCos;
    AngleTable(uSlices, orv::fPi / 2, -2 * orv::fPi / float(uSlices), afSin, afCos);
    // Rows: 0 the bottom cap, 1 to uStacks + 1 the side, uStacks + 2 the top cap.
    auto row = [&](unsigned uRow, unsigned uSlice)
    { return 1 + uRow * uSlices + uSlice % uSlices; };
    float fZ = -fLength / 2;
    AddVertex(mesh, 0, 0, fZ, 0, 0, -1);
    for (unsigned i = 0; i < uSlices; ++i)
        AddVertex(mesh, fRadius1 * afCos[i], fRadius1 * afSin[i], fZ, 0, 0, -1);
    for (unsigned j = 1; j <= uSlices; ++j)
        AddFace(mesh, 0, row(0, j - 1), row(0, j));
    // The side's normals lean towards the narrower end.
    float fSlope = fLength > 0.0f ? (fRadius1 - fRadius2) / fLength : 0.0f;
    float fRadius = fRadius1;
    const float fRadiusStep = (fRadius1 - fRadius2) / float(uStacks);
    const float fZStep = fLength / float(uStacks);
    for (unsigned uRow = 1; uRow <= uStacks + 1; ++uRow)
    {
        for (unsigned i = 0; i < uSlices; ++i)
        {
            float fNorm = std::sqrt(1.0f + fSlope * fSlope);
            AddVertex(mesh, fRadius * afCos[i], fRadius * afSin[i], fZ, afCos[i] / fNorm,
                      afSin[i] / fNorm, fSlope / fNorm);
        }
        for (unsigned j = 1; uRow > 1 && j <= uSlices; ++j)
        {
            AddFace(mesh, row(uRow - 1, j - 1), row(uRow, j - 1), row(uRow - 1, j));
            AddFace(mesh, row(uRow - 1, j), row(uRow, j - 1), row(uRow, j));
        }
        if (uRow <= uStacks)
        {
            fZ += fZStep;
            fRadius -= fRadiusStep;
        }
    }
    const uint32_t uTop = row(uStacks + 3, 0);
    for (unsigned i = 0; i < uSlices; ++i)
        AddVertex(mesh, fRadius * afCos[i], fRadius * afSin[i], fZ, 0, 0, 1);
    for (unsigned j = 1; j <= uSlices; ++j)
        AddFace(mesh, row(uStacks + 2, j - 1), uTop, row(uStacks + 2, j));
    AddVertex(mesh, 0, 0, fZ, 0, 0, 1);
    Finish(mesh);
    return true;
}

bool OrvBuildTorus(SOrvMeshData& mesh, float fInnerRadius, float fOuterRadius, unsigned uSides,
                   unsigned uRings)
{
    mesh = SOrvMeshData();
    if (!(fInnerRadius >= 0.0f && fOuterRadius >= 0.0f) || uSides < 3 || uRings < 3 ||
        !Fits(uint64_t(uSides) * uRings, 2 * uint64_t(uSides) * uRings))
        return false;
    // Rings turn clockwise about z seen from +z, each cross-section starts on the outer
    // equator and turns towards +z first: D3DX's own order, which programs index into.
    const float fRingStep = -2 * orv::fPi / float(uRings);
    const float fSideStep = 2 * orv::fPi / float(uSides);
    float fTheta = 0.0f;
    for (unsigned i = 0; i < uRings; ++i, fTheta += fRingStep)
    {
        const float fSinTheta = std::sin(fTheta), fCosTheta = std::cos(fTheta);
        float fPhi = 0.0f;
        for (unsigned j = 0; j < uSides; ++j, fPhi += fSideStep)
        {
            const float fSinPhi = std::sin(fPhi), fCosPhi = std::cos(fPhi);
            const float fDistance = fInnerRadius * fCosPhi + fOuterRadius;
            AddVertex(mesh, fDistance * fCosTheta, fDistance * fSinTheta, fInnerRadius * fSinPhi,
                      fCosPhi * fCosTheta, fCosPhi * fSinTheta, fSinPhi);
        }
    }
    auto at = [&](unsigned uRing, unsigned uSide)
    { return (uRing % uRings) * uSides + uSide % uSides; };
    for (unsigned i = 0; i < uRings; ++i)
        for (unsigned j = 0; j < uSides; ++j)
        {
            AddFace(mesh, at(i, j), at(i, j + 1), at(i + 1, j));
            AddFace(mesh, at(i + 1, j), at(i, j + 1), at(i + 1, j + 1));
        }
    Finish(mesh);
    return true;
}

bool OrvBuildPolygon(SOrvMeshData& mesh, float fLength, unsigned uSides)
{
    mesh = SOrvMeshData();
    if (!(fLength >= 0.0f) || uSides < 3 || !Fits(uint64_t(uSides) + 1, uSides))
        return false;
    const float fAngle = 2 * orv::fPi / float(uSides);
    const float fScale = 0.5f * fLength / std::sin(orv::fPi / float(uSides));
    AddVertex(mesh, 0, 0, 0, 0, 0, 1);
    for (unsigned i = 0; i < uSides; ++i)
    {
        AddVertex(mesh, std::cos(fAngle * float(i)) * fScale, std::sin(fAngle * float(i)) * fScale,
                  0, 0, 0, 1);
        AddFace(mesh, 0, i + 1, i + 2 > uSides ? 1 : i + 2);
    }
    Finish(mesh);
    return true;
}
