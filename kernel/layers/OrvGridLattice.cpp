#include "layers/OrvGridLattice.h"

#include <algorithm>
#include <cmath>

namespace
{
using SVertex = ORV_GridLattice::SVertex;

// One cell: a beam along +x (quads 0-3), along +y (4-7) and along -z (8-11).
const SVertex TEMPLATE[48] = {
    {0, 1, 0, 0, 0, -1, 0, 0},   {4, 1, 0, 0, 0, -1, 1, 0},   {0, 0, 0, 0, 0, -1, 0, 1},
    {4, 0, 0, 0, 0, -1, 1, 1},   {0, 1, 1, 0, 0, 1, 1, 0},    {0, 0, 1, 0, 0, 1, 1, 1},
    {4, 1, 1, 0, 0, 1, 0, 0},    {4, 0, 1, 0, 0, 1, 0, 1},    {0, 1, 1, 0, 1, 0, 0, 0},
    {4, 1, 1, 0, 1, 0, 1, 0},    {0, 1, 0, 0, 1, 0, 0, 1},    {4, 1, 0, 0, 1, 0, 1, 1},
    {0, 0, 0, 0, -1, 0, 0, 0},   {4, 0, 0, 0, -1, 0, 1, 0},   {0, 0, 1, 0, -1, 0, 0, 1},
    {4, 0, 1, 0, -1, 0, 1, 1},   {0, 1, 0, 1, 0, 0, 0, 0},    {0, 5, 0, 1, 0, 0, 1, 0},
    {0, 1, 1, 1, 0, 0, 0, 1},    {0, 5, 1, 1, 0, 0, 1, 1},    {-1, 1, 1, -1, 0, 0, 0, 0},
    {-1, 5, 1, -1, 0, 0, 1, 0},  {-1, 1, 0, -1, 0, 0, 0, 1},  {-1, 5, 0, -1, 0, 0, 1, 1},
    {-1, 5, 0, 0, 0, -1, 0, 0},  {0, 5, 0, 0, 0, -1, 0, 1},   {-1, 1, 0, 0, 0, -1, 1, 0},
    {0, 1, 0, 0, 0, -1, 1, 1},   {0, 5, 1, 0, 0, 1, 1, 0},    {-1, 5, 1, 0, 0, 1, 1, 1},
    {0, 1, 1, 0, 0, 1, 0, 0},    {-1, 1, 1, 0, 0, 1, 0, 1},   {-1, 1, 0, 0, 1, 0, 0, 0},
    {0, 1, 0, 0, 1, 0, 0, 1},    {-1, 1, -4, 0, 1, 0, 1, 0},  {0, 1, -4, 0, 1, 0, 1, 1},
    {-1, 0, -4, 0, -1, 0, 0, 1}, {0, 0, -4, 0, -1, 0, 0, 0},  {-1, 0, 0, 0, -1, 0, 1, 1},
    {0, 0, 0, 0, -1, 0, 1, 0},   {0, 1, 0, 1, 0, 0, 0, 0},    {0, 0, 0, 1, 0, 0, 0, 1},
    {0, 1, -4, 1, 0, 0, 1, 0},   {0, 0, -4, 1, 0, 0, 1, 1},   {-1, 0, 0, -1, 0, 0, 1, 0},
    {-1, 1, 0, -1, 0, 0, 1, 1},  {-1, 0, -4, -1, 0, 0, 0, 0}, {-1, 1, -4, -1, 0, 0, 0, 1},
};
static_assert(sizeof(SVertex) == 32);

// Cells further out than this from the origin are all the same cell: coordinates beyond it
// have lost their units anyway, and the cell arithmetic stays far from the int range.
constexpr float kLargestCell = 1.0e7f;
// Frame times are truncated into this range before the blink counter starts from them.
constexpr double kLargestFrame = 2147483647.0;

constexpr int kHalf = ORV_GridLattice::kCellsPerAxis / 2; // 7
} // namespace

ORV_GridLattice::ORV_GridLattice()
    : m_Vertices(size_t(kCellCount) * kVerticesPerCell), m_Visibility(size_t(kCellCount), 0)
{
    for (int z = 0; z < kCellsPerAxis; ++z)
        for (int y = 0; y < kCellsPerAxis; ++y)
            for (int x = 0; x < kCellsPerAxis; ++x)
            {
                const D3DXVECTOR3 origin((x - 7.5f) * kSpacing, (y - 7.5f) * kSpacing,
                                         (z - 7.5f) * kSpacing);
                SVertex* pCell = &m_Vertices[size_t(x + kCellsPerAxis * (y + kCellsPerAxis * z)) *
                                             kVerticesPerCell];
                for (int i = 0; i < kVerticesPerCell; ++i)
                {
                    pCell[i] = TEMPLATE[i];
                    pCell[i].x += origin.x;
                    pCell[i].y += origin.y;
                    pCell[i].z += origin.z;
                }
            }
}

const SVertex* ORV_GridLattice::GetTemplate()
{
    return TEMPLATE;
}

int ORV_GridLattice::CellOf(float coordinate)
{
    const float cells = coordinate / kSpacing;
    if (!(cells == cells))
        return 0;
    return static_cast<int>(std::clamp(cells, -kLargestCell, kLargestCell));
}

float ORV_GridLattice::BandOf(int64_t counter)
{
    return counter % 500 <= 50 ? 0.5f : 0.25f;
}

void ORV_GridLattice::WriteCell(int cell, const D3DXVECTOR3& origin, int parity, int64_t& rCounter)
{
    SVertex* pCell = &m_Vertices[size_t(cell) * kVerticesPerCell];
    for (int g = 0; g < 3; ++g)
        for (int q = 0; q < 4; ++q)
        {
            float U = 0.0f;
            if ((parity - g + q) & 1)
                U = BandOf(++rCounter);
            const int first = 4 * (4 * g + q);
            for (int i = first; i < first + 4; ++i)
            {
                pCell[i] = TEMPLATE[i];
                pCell[i].x += origin.x;
                pCell[i].y += origin.y;
                pCell[i].z += origin.z;
                pCell[i].v = TEMPLATE[i].v * 0.25f + U;
            }
        }
}

void ORV_GridLattice::Rebuild(const D3DXVECTOR3& eye, const D3DXVECTOR3& forward, float fFrame)
{
    const double frame =
        fFrame == fFrame ? std::clamp(double(fFrame), -kLargestFrame, kLargestFrame) : 0.0;
    int64_t counter = static_cast<int64_t>(frame);
    const int cx = CellOf(eye.x), cy = CellOf(eye.y), cz = CellOf(eye.z);
    int cell = 0;
    for (int z = 0; z < kCellsPerAxis; ++z)
        for (int y = 0; y < kCellsPerAxis; ++y)
            for (int x = 0; x < kCellsPerAxis; ++x, ++cell)
            {
                const D3DXVECTOR3 origin(kSpacing * float(cx - kHalf + x),
                                         kSpacing * float(cy - kHalf + y),
                                         kSpacing * float(cz - kHalf + z));
                const D3DXVECTOR3 reference(origin.x + TEMPLATE[0].x, origin.y + TEMPLATE[0].y,
                                            origin.z + TEMPLATE[0].z);
                const D3DXVECTOR3 d = reference - eye;
                const float distance = D3DXVec3Length(&d);
                const D3DXVECTOR3 direction(d.x / distance, d.y / distance, d.z / distance);
                const bool visible =
                    distance <= kAlwaysVisible || D3DXVec3Dot(&direction, &forward) > kConeCosine;
                m_Visibility[size_t(cell)] = visible ? 1 : 0;
                if (!visible)
                    continue;
                const int parity = CellOf(reference.x) - CellOf(reference.z) - CellOf(reference.y);
                WriteCell(cell, origin, parity, counter);
            }
}
