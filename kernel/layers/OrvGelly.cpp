#include "layers/OrvGelly.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace
{
constexpr uint32_t kPositionBytes = 12;
constexpr uint32_t kNormalEnd = 24;

ORV_Gelly::Float3 ReadFloat3(const uint8_t* pBytes)
{
    ORV_Gelly::Float3 value;
    std::memcpy(&value, pBytes, sizeof(value));
    return value;
}

uint32_t ReadIndex(const void* pIndices, size_t at, bool b32Bit)
{
    if (b32Bit)
        return static_cast<const uint32_t*>(pIndices)[at];
    return static_cast<const uint16_t*>(pIndices)[at];
}
} // namespace

bool ORV_Gelly::Build(const void* pVertices, uint32_t n, uint32_t stride, const void* pIndices,
                      uint32_t faceCount, bool b32BitIndices, float fFrame)
{
    Clear();
    if (!pVertices || n == 0 || stride < kPositionBytes)
        return false;
    m_uStride = stride;
    const auto* pBytes = static_cast<const uint8_t*>(pVertices);
    m_VertexBytes.assign(pBytes, pBytes + size_t(n) * stride);
    m_Positions.resize(n);
    m_Normals.assign(n, Float3{0.0f, 0.0f, 0.0f});
    for (uint32_t j = 0; j < n; ++j)
    {
        const uint8_t* pVertex = pBytes + size_t(j) * stride;
        m_Positions[j] = ReadFloat3(pVertex);
        if (stride >= kNormalEnd)
            m_Normals[j] = ReadFloat3(pVertex + kPositionBytes);
    }
    m_RestPositions = m_Positions;
    m_Next.resize(n);
    m_Velocities.assign(n, Float3{0.0f, 0.0f, 0.0f});
    BuildNeighbours(faceCount ? pIndices : nullptr, faceCount, b32BitIndices);
    m_fLastFrame = fFrame;
    return true;
}

void ORV_Gelly::BuildNeighbours(const void* pIndices, uint32_t faceCount, bool b32BitIndices)
{
    const uint32_t n = VertexCount();
    std::vector<std::pair<uint32_t, uint32_t>> links;
    if (pIndices)
        links.reserve(size_t(faceCount) * 6);
    for (uint32_t f = 0; pIndices && f < faceCount; ++f)
    {
        const uint32_t a = ReadIndex(pIndices, size_t(f) * 3, b32BitIndices);
        const uint32_t b = ReadIndex(pIndices, size_t(f) * 3 + 1, b32BitIndices);
        const uint32_t c = ReadIndex(pIndices, size_t(f) * 3 + 2, b32BitIndices);
        if (a >= n || b >= n || c >= n)
            continue;
        for (auto link : {std::pair{a, b}, {a, c}, {b, a}, {b, c}, {c, a}, {c, b}})
            if (link.first != link.second)
                links.push_back(link);
    }
    std::sort(links.begin(), links.end());
    links.erase(std::unique(links.begin(), links.end()), links.end());
    m_First.assign(size_t(n) + 1, 0);
    m_Neighbours.resize(links.size());
    for (size_t l = 0; l < links.size(); ++l)
    {
        ++m_First[links[l].first + 1];
        m_Neighbours[l] = links[l].second;
    }
    for (uint32_t i = 0; i < n; ++i)
        m_First[i + 1] += m_First[i];
}

void ORV_Gelly::Clear()
{
    m_uStride = 0;
    m_Positions.clear();
    m_Next.clear();
    m_Velocities.clear();
    m_Normals.clear();
    m_RestPositions.clear();
    m_First.clear();
    m_Neighbours.clear();
    m_VertexBytes.clear();
}

float ORV_Gelly::TakeStep(float fFrame)
{
    const float h = static_cast<float>((fFrame - m_fLastFrame) * 0.4);
    m_fLastFrame = fFrame;
    // NaN compares false both ways and ends as 0 here too.
    if (!(h > 0.0f))
        return 0.0f;
    return std::min(h, kMaxStep);
}

void ORV_Gelly::Step(float h)
{
    const uint32_t n = VertexCount();
    const Float3* p = m_Positions.data();
    bool bFinite = true;
    for (uint32_t i = 0; i < n; ++i)
    {
        const Float3& normal = m_Normals[i];
        Float3& v = m_Velocities[i];
        Float3 force{0.2f * normal.x - 0.3f * v.x, 0.2f * normal.y - 0.3f * v.y + -10.0f,
                     0.2f * normal.z - 0.3f * v.z};
        for (uint32_t l = m_First[i]; l < m_First[i + 1]; ++l)
        {
            const Float3& q = p[m_Neighbours[l]];
            force.x += 0.04f * (q.x - p[i].x);
            force.y += 0.04f * (q.y - p[i].y);
            force.z += 0.04f * (q.z - p[i].z);
        }
        v.x += h * force.x;
        v.y += h * force.y;
        v.z += h * force.z;
        Float3& next = m_Next[i];
        next = {p[i].x + h * v.x, p[i].y + h * v.y, p[i].z + h * v.z};
        if (next.y < kGround)
        {
            next.y = kGround;
            v.y = std::max(v.y, 0.0f);
        }
        bFinite = bFinite && std::isfinite(next.x + next.y + next.z);
    }
    m_Positions.swap(m_Next);
    if (!bFinite)
        Rest();
}

void ORV_Gelly::Rest()
{
    m_Positions = m_RestPositions;
    std::fill(m_Velocities.begin(), m_Velocities.end(), Float3{0.0f, 0.0f, 0.0f});
}

const uint8_t* ORV_Gelly::UpdateVertexBytes()
{
    uint8_t* pVertex = m_VertexBytes.data();
    for (const Float3& position : m_Positions)
    {
        std::memcpy(pVertex, &position, sizeof(position));
        pVertex += m_uStride;
    }
    return m_VertexBytes.data();
}

std::vector<uint32_t> ORV_Gelly::Neighbours(uint32_t i) const
{
    if (i >= VertexCount())
        return {};
    return {m_Neighbours.begin() + m_First[i], m_Neighbours.begin() + m_First[i + 1]};
}
