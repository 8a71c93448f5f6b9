#include "MeshShapes.h"

#include <array>
#include <cmath>

namespace
{
// The teapot's patches: rim, body (2), lid (2), bottom, handle (2), spout (2), as indices into
// the control points below. The first six are mirrored into four quarters, the handle and
// spout into two halves.
const int s_aaiPatches[10][16] = {
    {102, 103, 104, 105, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27},
    {24, 25, 26, 27, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40},
    {96, 96, 96, 96, 97, 98, 99, 100, 101, 101, 101, 101, 0, 1, 2, 3},
    {0, 1, 2, 3, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116, 117},
    {118, 118, 118, 118, 124, 122, 119, 121, 123, 126, 125, 120, 40, 39, 38, 37},
    {41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56},
    {53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64, 28, 65, 66, 67},
    {68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83},
    {80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95},
};

// Control points, z up.
const float s_aafPoints[127][3] = {{0.2f, 0, 2.7f},
                                   {0.2f, -0.112f, 2.7f},
                                   {0.112f, -0.2f, 2.7f},
                                   {0, -0.2f, 2.7f},
                                   {1.3375f, 0, 2.53125f},
                                   {1.3375f, -0.749f, 2.53125f},
                                   {0.749f, -1.3375f, 2.53125f},
                                   {0, -1.3375f, 2.53125f},
                                   {1.4375f, 0, 2.53125f},
                                   {1.4375f, -0.805f, 2.53125f},
                                   {0.805f, -1.4375f, 2.53125f},
                                   {0, -1.4375f, 2.53125f},
                                   {1.5f, 0, 2.4f},
                                   {1.5f, -0.84f, 2.4f},
                                   {0.84f, -1.5f, 2.4f},
                                   {0, -1.5f, 2.4f},
                                   {1.75f, 0, 1.875f},
                                   {1.75f, -0.98f, 1.875f},
                                   {0.98f, -1.75f, 1.875f},
                                   {0, -1.75f, 1.875f},
                                   {2, 0, 1.35f},
                                   {2, -1.12f, 1.35f},
                                   {1.12f, -2, 1.35f},
                                   {0, -2, 1.35f},
                                   {2, 0, 0.9f},
                                   {2, -1.12f, 0.9f},
                                   {1.12f, -2, 0.9f},
                                   {0, -2, 0.9f},
                                   {-2, 0, 0.9f},
                                   {2, 0, 0.45f},
                                   {2, -1.12f, 0.45f},
                                   {1.12f, -2, 0.45f},
                                   {0, -2, 0.45f},
                                   {1.5f, 0, 0.225f},
                                   {1.5f, -0.84f, 0.225f},
                                   {0.84f, -1.5f, 0.225f},
                                   {0, -1.5f, 0.225f},
                                   {1.5f, 0, 0.15f},
                                   {1.5f, -0.84f, 0.15f},
                                   {0.84f, -1.5f, 0.15f},
                                   {0, -1.5f, 0.15f},
                                   {-1.6f, 0, 2.025f},
                                   {-1.6f, -0.3f, 2.025f},
                                   {-1.5f, -0.3f, 2.25f},
                                   {-1.5f, 0, 2.25f},
                                   {-2.3f, 0, 2.025f},
                                   {-2.3f, -0.3f, 2.025f},
                                   {-2.5f, -0.3f, 2.25f},
                                   {-2.5f, 0, 2.25f},
                                   {-2.7f, 0, 2.025f},
                                   {-2.7f, -0.3f, 2.025f},
                                   {-3, -0.3f, 2.25f},
                                   {-3, 0, 2.25f},
                                   {-2.7f, 0, 1.8f},
                                   {-2.7f, -0.3f, 1.8f},
                                   {-3, -0.3f, 1.8f},
                                   {-3, 0, 1.8f},
                                   {-2.7f, 0, 1.575f},
                                   {-2.7f, -0.3f, 1.575f},
                                   {-3, -0.3f, 1.35f},
                                   {-3, 0, 1.35f},
                                   {-2.5f, 0, 1.125f},
                                   {-2.5f, -0.3f, 1.125f},
                                   {-2.65f, -0.3f, 0.9375f},
                                   {-2.65f, 0, 0.9375f},
                                   {-2, -0.3f, 0.9f},
                                   {-1.9f, -0.3f, 0.6f},
                                   {-1.9f, 0, 0.6f},
                                   {1.7f, 0, 1.425f},
                                   {1.7f, -0.66f, 1.425f},
                                   {1.7f, -0.66f, 0.6f},
                                   {1.7f, 0, 0.6f},
                                   {2.6f, 0, 1.425f},
                                   {2.6f, -0.66f, 1.425f},
                                   {3.1f, -0.66f, 0.825f},
                                   {3.1f, 0, 0.825f},
                                   {2.3f, 0, 2.1f},
                                   {2.3f, -0.25f, 2.1f},
                                   {2.4f, -0.25f, 2.025f},
                                   {2.4f, 0, 2.025f},
                                   {2.7f, 0, 2.4f},
                                   {2.7f, -0.25f, 2.4f},
                                   {3.3f, -0.25f, 2.4f},
                                   {3.3f, 0, 2.4f},
                                   {2.8f, 0, 2.475f},
                                   {2.8f, -0.25f, 2.475f},
                                   {3.525f, -0.25f, 2.49375f},
                                   {3.525f, 0, 2.49375f},
                                   {2.9f, 0, 2.475f},
                                   {2.9f, -0.15f, 2.475f},
                                   {3.45f, -0.15f, 2.5125f},
                                   {3.45f, 0, 2.5125f},
                                   {2.8f, 0, 2.4f},
                                   {2.8f, -0.15f, 2.4f},
                                   {3.2f, -0.15f, 2.4f},
                                   {3.2f, 0, 2.4f},
                                   {0, 0, 3.15f},
                                   {0.8f, 0, 3.15f},
                                   {0.8f, -0.45f, 3.15f},
                                   {0.45f, -0.8f, 3.15f},
                                   {0, -0.8f, 3.15f},
                                   {0, 0, 2.85f},
                                   {1.4f, 0, 2.4f},
                                   {1.4f, -0.784f, 2.4f},
                                   {0.784f, -1.4f, 2.4f},
                                   {0, -1.4f, 2.4f},
                                   {0.4f, 0, 2.55f},
                                   {0.4f, -0.224f, 2.55f},
                                   {0.224f, -0.4f, 2.55f},
                                   {0, -0.4f, 2.55f},
                                   {1.3f, 0, 2.55f},
                                   {1.3f, -0.728f, 2.55f},
                                   {0.728f, -1.3f, 2.55f},
                                   {0, -1.3f, 2.55f},
                                   {1.3f, 0, 2.4f},
                                   {1.3f, -0.728f, 2.4f},
                                   {0.728f, -1.3f, 2.4f},
                                   {0, -1.3f, 2.4f},
                                   {0, 0, 0},
                                   {1.425f, -0.798f, 0},
                                   {1.5f, 0, 0.075f},
                                   {1.425f, 0, 0},
                                   {0.798f, -1.425f, 0},
                                   {0, -1.5f, 0.075f},
                                   {0, -1.425f, 0},
                                   {1.5f, -0.84f, 0.075f},
                                   {0.84f, -1.5f, 0.075f}};

using Vec3 = std::array<float, 3>;
using Patch = std::array<Vec3, 16>;

Vec3 Cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

float Length(const Vec3& a)
{
    return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
}

void Bernstein(float t, float af[4], float afDerivative[4])
{
    float s = 1.0f - t;
    af[0] = s * s * s;
    af[1] = 3 * t * s * s;
    af[2] = 3 * t * t * s;
    af[3] = t * t * t;
    afDerivative[0] = -3 * s * s;
    afDerivative[1] = 3 * s * s - 6 * t * s;
    afDerivative[2] = 6 * t * s - 3 * t * t;
    afDerivative[3] = 3 * t * t;
}

// Point and (unnormalized) normal of a patch at (u, v).
void Evaluate(const Patch& patch, float u, float v, Vec3& point, Vec3& normal)
{
    float afU[4], afDu[4], afV[4], afDv[4];
    Bernstein(u, afU, afDu);
    Bernstein(v, afV, afDv);
    Vec3 du{}, dv{};
    point = {};
    for (int j = 0; j < 4; ++j)
        for (int k = 0; k < 4; ++k)
            for (int c = 0; c < 3; ++c)
            {
                point[c] += afU[j] * afV[k] * patch[4 * j + k][c];
                du[c] += afDu[j] * afV[k] * patch[4 * j + k][c];
                dv[c] += afU[j] * afDv[k] * patch[4 * j + k][c];
            }
    normal = Cross(du, dv);
}

// Where a patch collapses to a point (lid top, bottom centre) the normal comes from nearby.
Vec3 NormalAt(const Patch& patch, float u, float v)
{
    Vec3 point, normal;
    Evaluate(patch, u, v, point, normal);
    for (float fStep = 1e-3f; Length(normal) < 1e-6f && fStep < 0.5f; fStep *= 4)
        Evaluate(patch, u < 0.5f ? u + fStep : u - fStep, v < 0.5f ? v + fStep : v - fStep, point,
                 normal);
    return normal;
}

// The copies of patch i: mirrored in y (order reversed to keep the facing), and for the
// first six also in x and in both.
std::vector<Patch> PatchCopies(int i)
{
    std::vector<Patch> copies;
    int iCopies = i < 6 ? 4 : 2;
    for (int c = 0; c < iCopies; ++c)
    {
        bool bReverse = c == 1 || c == 2;
        float fX = (c == 2 || c == 3) ? -1.0f : 1.0f;
        float fY = (c == 1 || c == 3) ? -1.0f : 1.0f;
        Patch patch;
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
            {
                const float* p = s_aafPoints[s_aaiPatches[i][4 * j + (bReverse ? 3 - k : k)]];
                patch[4 * j + k] = {p[0] * fX, p[1] * fY, p[2]};
            }
        copies.push_back(patch);
    }
    return copies;
}

// z-up teapot space to Direct3D's: y up, half size, base at y = -0.75.
void AddTeapotVertex(SOrvMeshData& mesh, const Vec3& point, Vec3 normal)
{
    mesh.m_afPositions.insert(mesh.m_afPositions.end(),
                              {0.5f * point[0], 0.5f * (point[2] - 1.5f), 0.5f * point[1]});
    float fLength = Length(normal);
    if (fLength > 0)
        for (float& f : normal)
            f /= fLength;
    mesh.m_afNormals.insert(mesh.m_afNormals.end(), {normal[0], normal[2], normal[1]});
}

bool IsDegenerate(const SOrvMeshData& mesh, uint32_t a, uint32_t b, uint32_t c)
{
    auto at = [&](uint32_t i)
    {
        return Vec3{mesh.m_afPositions[3 * i], mesh.m_afPositions[3 * i + 1],
                    mesh.m_afPositions[3 * i + 2]};
    };
    Vec3 pa = at(a), pb = at(b), pc = at(c);
    Vec3 n = Cross({pb[0] - pa[0], pb[1] - pa[1], pb[2] - pa[2]},
                   {pc[0] - pa[0], pc[1] - pa[1], pc[2] - pa[2]});
    return Length(n) < 1e-9f;
}
} // namespace

void OrvBuildTeapot(SOrvMeshData& mesh, unsigned uTessellation)
{
    mesh = SOrvMeshData();
    unsigned n = std::max(1u, uTessellation);
    // The patches' normals all point the same way; turn them outward (the body's widest
    // point faces +x).
    Vec3 bodyNormal = NormalAt(PatchCopies(1)[0], 0.5f, 0.0f);
    float fSign = bodyNormal[0] >= 0 ? 1.0f : -1.0f;
    for (int i = 0; i < 10; ++i)
    {
        for (const Patch& patch : PatchCopies(i))
        {
            uint32_t uBase = uint32_t(mesh.GetVertexCount());
            for (unsigned a = 0; a <= n; ++a)
                for (unsigned b = 0; b <= n; ++b)
                {
                    float u = float(a) / float(n), v = float(b) / float(n);
                    Vec3 point, normal;
                    Evaluate(patch, u, v, point, normal);
                    normal = NormalAt(patch, u, v);
                    for (float& f : normal)
                        f *= fSign;
                    AddTeapotVertex(mesh, point, normal);
                }
            for (unsigned a = 0; a < n; ++a)
                for (unsigned b = 0; b < n; ++b)
                {
                    uint32_t i0 = uBase + a * (n + 1) + b, i1 = i0 + 1, i2 = i0 + n + 1,
                             i3 = i2 + 1;
                    for (const std::array<uint32_t, 3>& face :
                         {std::array<uint32_t, 3>{i0, i2, i1}, std::array<uint32_t, 3>{i1, i2, i3}})
                        if (!IsDegenerate(mesh, face[0], face[1], face[2]))
                            mesh.m_auIndices.insert(mesh.m_auIndices.end(), face.begin(),
                                                    face.end());
                }
        }
    }
    mesh.m_adwAttributes.assign(mesh.GetFaceCount(), 0);
    OrvOrientFaces(mesh);
}

// In Direct3D's left-handed space a face (a, b, c) is clockwise seen from where
// (b - a) x (c - a) points.
void OrvOrientFaces(SOrvMeshData& mesh)
{
    if (mesh.m_afNormals.size() != mesh.m_afPositions.size())
        return;
    for (size_t f = 0; f + 2 < mesh.m_auIndices.size(); f += 3)
    {
        uint32_t* p = &mesh.m_auIndices[f];
        Vec3 a{}, b{}, c{}, n{};
        for (int k = 0; k < 3; ++k)
        {
            a[k] = mesh.m_afPositions[3 * p[0] + k];
            b[k] = mesh.m_afPositions[3 * p[1] + k] - a[k];
            c[k] = mesh.m_afPositions[3 * p[2] + k] - a[k];
            n[k] = mesh.m_afNormals[3 * p[0] + k] + mesh.m_afNormals[3 * p[1] + k] +
                   mesh.m_afNormals[3 * p[2] + k];
        }
        Vec3 facing = Cross(b, c);
        if (facing[0] * n[0] + facing[1] * n[1] + facing[2] * n[2] < 0)
            std::swap(p[1], p[2]);
    }
}
