// Geometric queries over vertices and meshes: bounding spheres, vertex normals, and rays
// against triangles, spheres and boxes.
#include "MeshFormat.h"
#include "d3dx9mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

namespace
{
D3DXVECTOR3 PositionAt(const BYTE* pVertices, size_t uStride, size_t v, UINT uOffset)
{
    D3DXVECTOR3 p;
    std::memcpy(&p.x, pVertices + v * uStride + uOffset, 12);
    return p;
}

// Groups of vertices that share one normal.
struct SGroups
{
    std::vector<uint32_t> m_auParent;
    explicit SGroups(size_t uCount) : m_auParent(uCount)
    {
        std::iota(m_auParent.begin(), m_auParent.end(), 0u);
    }
    uint32_t Find(uint32_t u)
    {
        while (m_auParent[u] != u)
            u = m_auParent[u] = m_auParent[m_auParent[u]];
        return u;
    }
    void Join(uint32_t a, uint32_t b) { m_auParent[Find(a)] = Find(b); }
};

// Across each shared edge the two faces' vertices at the same points join one group.
void JoinAcrossEdges(const std::vector<uint32_t>& auIndices, const DWORD* pAdjacency,
                     const std::vector<D3DXVECTOR3>& positions, SGroups& groups)
{
    size_t uFaces = auIndices.size() / 3;
    for (size_t f = 0; f < uFaces; ++f)
        for (int k = 0; k < 3; ++k)
        {
            DWORD g = pAdjacency[3 * f + k];
            if (g >= uFaces || g == f)
                continue;
            uint32_t v0 = auIndices[3 * f + k], v1 = auIndices[3 * f + (k + 1) % 3];
            for (int j = 0; j < 3; ++j)
            {
                uint32_t w0 = auIndices[3 * g + j], w1 = auIndices[3 * g + (j + 1) % 3];
                if (positions[w0] == positions[v1] && positions[w1] == positions[v0])
                {
                    groups.Join(v0, w1);
                    groups.Join(v1, w0);
                }
            }
        }
}

double AngleBetween(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    double dLengths = double(D3DXVec3Length(&a)) * D3DXVec3Length(&b);
    if (dLengths == 0.0)
        return 0.0;
    return std::acos(std::clamp(double(D3DXVec3Dot(&a, &b)) / dLengths, -1.0, 1.0));
}

// Sums each face's unit normal, weighted by its angle at the vertex, into the vertex's group.
std::vector<D3DXVECTOR3> AngleWeightedNormals(const std::vector<uint32_t>& auIndices,
                                              const std::vector<D3DXVECTOR3>& positions,
                                              SGroups& groups)
{
    std::vector<double> adSums(positions.size() * 3, 0.0);
    for (size_t f = 0; f + 2 < auIndices.size(); f += 3)
    {
        const D3DXVECTOR3* p[3] = {&positions[auIndices[f]], &positions[auIndices[f + 1]],
                                   &positions[auIndices[f + 2]]};
        D3DXVECTOR3 e1 = *p[1] - *p[0], e2 = *p[2] - *p[0], n;
        D3DXVec3Cross(&n, &e1, &e2);
        D3DXVec3Normalize(&n, &n);
        for (int k = 0; k < 3; ++k)
        {
            double dAngle = AngleBetween(*p[(k + 1) % 3] - *p[k], *p[(k + 2) % 3] - *p[k]);
            uint32_t g = groups.Find(auIndices[f + k]);
            for (int c = 0; c < 3; ++c)
                adSums[3 * g + c] += dAngle * (&n.x)[c];
        }
    }
    std::vector<D3DXVECTOR3> normals(positions.size());
    for (size_t v = 0; v < positions.size(); ++v)
    {
        const double* s = &adSums[3 * groups.Find(uint32_t(v))];
        D3DXVECTOR3 n{float(s[0]), float(s[1]), float(s[2])};
        D3DXVec3Normalize(&normals[v], &n);
    }
    return normals;
}

// The first element of that usage (index 0) whose type is one of uFirst to FLOAT4, wherever
// it sits in the vertex: positions of 1 to 4 floats, normals of 3 or 4, as D3DX takes them.
const D3DVERTEXELEMENT9* FindElement(const std::vector<D3DVERTEXELEMENT9>& elements, BYTE uUsage,
                                     BYTE uFirst)
{
    for (const D3DVERTEXELEMENT9& e : elements)
        if (e.Stream == 0 && e.Usage == uUsage && e.UsageIndex == 0 && e.Type >= uFirst &&
            e.Type <= D3DDECLTYPE_FLOAT4)
            return &e;
    return nullptr;
}

// A position of 1 to 4 floats as a point: missing components are 0, a fourth is ignored.
D3DXVECTOR3 ReadPosition(const BYTE* pVertices, size_t uStride, size_t v,
                         const D3DVERTEXELEMENT9& element)
{
    float af[3] = {0, 0, 0};
    std::memcpy(af, pVertices + v * uStride + element.Offset,
                4 * std::min<size_t>(3, element.Type + 1u));
    return D3DXVECTOR3(af[0], af[1], af[2]);
}

// A normal of 3 floats, or of 4 with w = 1.
void WriteNormal(BYTE* pVertices, size_t uStride, size_t v, const D3DVERTEXELEMENT9& element,
                 const D3DXVECTOR3& normal)
{
    const float af[4] = {normal.x, normal.y, normal.z, 1.0f};
    std::memcpy(pVertices + v * uStride + element.Offset, af,
                element.Type == D3DDECLTYPE_FLOAT4 ? 16 : 12);
}

bool ReadIndices(LPD3DXBASEMESH pMesh, std::vector<uint32_t>& auIndices)
{
    void* p = nullptr;
    if (FAILED(pMesh->LockIndexBuffer(D3DLOCK_READONLY, &p)))
        return false;
    auIndices.resize(size_t(pMesh->GetNumFaces()) * 3);
    bool b32 = (pMesh->GetOptions() & D3DXMESH_32BIT) != 0;
    for (size_t i = 0; i < auIndices.size(); ++i)
        auIndices[i] =
            b32 ? static_cast<const uint32_t*>(p)[i] : static_cast<const uint16_t*>(p)[i];
    pMesh->UnlockIndexBuffer();
    return true;
}
} // namespace

HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* pFirstPosition, DWORD NumVertices,
                                  DWORD dwStride, D3DXVECTOR3* pCenter, FLOAT* pRadius)
{
    if (!pFirstPosition || !pCenter || !pRadius)
        return D3DERR_INVALIDCALL;
    const auto* pBytes = reinterpret_cast<const BYTE*>(pFirstPosition);
    D3DXVECTOR3 sum;
    for (DWORD v = 0; v < NumVertices; ++v)
        sum += PositionAt(pBytes, dwStride, v, 0);
    *pCenter = NumVertices ? sum / float(NumVertices) : D3DXVECTOR3();
    float fRadius = 0.0f;
    for (DWORD v = 0; v < NumVertices; ++v)
    {
        D3DXVECTOR3 d = PositionAt(pBytes, dwStride, v, 0) - *pCenter;
        fRadius = std::max(fRadius, D3DXVec3Length(&d));
    }
    *pRadius = fRadius;
    return S_OK;
}

HRESULT D3DXComputeNormals(LPD3DXBASEMESH pMesh, const DWORD* pAdjacency)
{
    if (!pMesh)
        return D3DERR_INVALIDCALL;
    D3DVERTEXELEMENT9 aDeclaration[MAX_FVF_DECL_SIZE];
    if (FAILED(pMesh->GetDeclaration(aDeclaration)))
        return D3DERR_INVALIDCALL;
    std::vector<D3DVERTEXELEMENT9> elements = OrvDeclarationElements(aDeclaration);
    const D3DVERTEXELEMENT9* pPosition =
        FindElement(elements, D3DDECLUSAGE_POSITION, D3DDECLTYPE_FLOAT1);
    const D3DVERTEXELEMENT9* pNormal =
        FindElement(elements, D3DDECLUSAGE_NORMAL, D3DDECLTYPE_FLOAT3);
    const size_t uStride = pMesh->GetNumBytesPerVertex();
    const size_t uVertices = pMesh->GetNumVertices();
    std::vector<uint32_t> auIndices;
    if (!pPosition || !pNormal || !ReadIndices(pMesh, auIndices))
        return D3DERR_INVALIDCALL;
    if (std::any_of(auIndices.begin(), auIndices.end(), [&](uint32_t u) { return u >= uVertices; }))
        return D3DERR_INVALIDCALL;
    void* pData = nullptr;
    if (FAILED(pMesh->LockVertexBuffer(0, &pData)))
        return D3DERR_INVALIDCALL;
    auto* pBytes = static_cast<BYTE*>(pData);
    std::vector<D3DXVECTOR3> positions(uVertices);
    for (size_t v = 0; v < uVertices; ++v)
        positions[v] = ReadPosition(pBytes, uStride, v, *pPosition);
    SGroups groups(uVertices);
    if (pAdjacency)
        JoinAcrossEdges(auIndices, pAdjacency, positions, groups);
    std::vector<D3DXVECTOR3> normals = AngleWeightedNormals(auIndices, positions, groups);
    for (size_t v = 0; v < uVertices; ++v)
        WriteNormal(pBytes, uStride, v, *pNormal, normals[v]);
    pMesh->UnlockVertexBuffer();
    return S_OK;
}

BOOL D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                      const D3DXVECTOR3* pRayPos, const D3DXVECTOR3* pRayDir, FLOAT* pU, FLOAT* pV,
                      FLOAT* pDist)
{
    if (!p0 || !p1 || !p2 || !pRayPos || !pRayDir)
        return FALSE;
    // Solves pRayPos + t pRayDir = p0 + u (p1 - p0) + v (p2 - p0) by Cramer's rule.
    const D3DXVECTOR3 e1 = *p1 - *p0, e2 = *p2 - *p0, s = *pRayPos - *p0;
    D3DXVECTOR3 h, q;
    D3DXVec3Cross(&h, pRayDir, &e2);
    const float fDet = D3DXVec3Dot(&e1, &h);
    if (fDet == 0.0f)
        return FALSE;
    const float u = D3DXVec3Dot(&s, &h) / fDet;
    D3DXVec3Cross(&q, &s, &e1);
    const float v = D3DXVec3Dot(pRayDir, &q) / fDet;
    const float t = D3DXVec3Dot(&e2, &q) / fDet;
    if (!(u >= 0.0f && v >= 0.0f && u + v <= 1.0f && t >= 0.0f))
        return FALSE;
    if (pU)
        *pU = u;
    if (pV)
        *pV = v;
    if (pDist)
        *pDist = t;
    return TRUE;
}

BOOL D3DXSphereBoundProbe(const D3DXVECTOR3* pCenter, FLOAT Radius, const D3DXVECTOR3* pRayPosition,
                          const D3DXVECTOR3* pRayDirection)
{
    if (!pCenter || !pRayPosition || !pRayDirection)
        return FALSE;
    // |s + t d|^2 = r^2 with s from the centre: a t^2 + 2 b t + c = 0; the ray goes inside when
    // the roots differ and the larger is ahead of its start.
    const D3DXVECTOR3 s = *pRayPosition - *pCenter;
    const float a = D3DXVec3LengthSq(pRayDirection);
    const float b = D3DXVec3Dot(&s, pRayDirection);
    const float c = D3DXVec3LengthSq(&s) - Radius * Radius;
    const float fDiscriminant = b * b - a * c;
    return fDiscriminant > 0.0f && std::sqrt(fDiscriminant) > b;
}

BOOL D3DXBoxBoundProbe(const D3DXVECTOR3* pMin, const D3DXVECTOR3* pMax,
                       const D3DXVECTOR3* pRayPosition, const D3DXVECTOR3* pRayDirection)
{
    if (!pMin || !pMax || !pRayPosition || !pRayDirection)
        return FALSE;
    float fNear = 0.0f, fFar = std::numeric_limits<float>::infinity();
    for (int i = 0; i < 3; ++i)
    {
        const float fStart = (&pRayPosition->x)[i], fDirection = (&pRayDirection->x)[i];
        const float fLow = (&pMin->x)[i], fHigh = (&pMax->x)[i];
        if (fDirection == 0.0f)
        {
            if (fStart < fLow || fStart > fHigh)
                return FALSE;
            continue;
        }
        float t1 = (fLow - fStart) / fDirection, t2 = (fHigh - fStart) / fDirection;
        fNear = std::max(fNear, std::min(t1, t2));
        fFar = std::min(fFar, std::max(t1, t2));
    }
    return fNear <= fFar;
}
