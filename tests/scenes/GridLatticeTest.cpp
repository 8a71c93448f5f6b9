// The grid layer's lattice without a device: placement around the camera, the view cone,
// the travelling light bands, and camera positions or frame times of any size.
#include "OrvKernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace
{
using SVertex = ORV_GridLattice::SVertex;
constexpr int N = ORV_GridLattice::kCellsPerAxis;
const D3DXVECTOR3 ORIGIN(0.0f, 0.0f, 0.0f);
const D3DXVECTOR3 AHEAD(0.0f, 0.0f, 1.0f);

int CellIndex(int x, int y, int z)
{
    return x + N * (y + N * z);
}

// The position of a cell's first vertex minus the template's: the cell's origin.
D3DXVECTOR3 Origin(const ORV_GridLattice& lattice, int cell)
{
    const SVertex& v = lattice.GetVertices()[size_t(cell) * ORV_GridLattice::kVerticesPerCell];
    const SVertex& t = ORV_GridLattice::GetTemplate()[0];
    return D3DXVECTOR3(v.x - t.x, v.y - t.y, v.z - t.z);
}

// The index of the first visible cell.
int FirstVisible(const ORV_GridLattice& lattice)
{
    for (int cell = 0; cell < ORV_GridLattice::kCellCount; ++cell)
        if (lattice.IsVisible(cell))
            return cell;
    return -1;
}

// The v offset (U) of quad q of a cell: its first vertex's v minus the template's quarter.
float BandOfQuad(const ORV_GridLattice& lattice, int cell, int q)
{
    const int i = cell * ORV_GridLattice::kVerticesPerCell + 4 * q;
    return lattice.GetVertices()[i].v - ORV_GridLattice::GetTemplate()[4 * q].v * 0.25f;
}
} // namespace

TEST(GridLattice, FirstLatticeIsCentredOnTheOrigin)
{
    ORV_GridLattice lattice;
    EXPECT_EQ(Origin(lattice, 0), D3DXVECTOR3(-37.5f, -37.5f, -37.5f));
    EXPECT_EQ(Origin(lattice, CellIndex(14, 14, 14)), D3DXVECTOR3(32.5f, 32.5f, 32.5f));
    EXPECT_EQ(Origin(lattice, CellIndex(1, 2, 3)), D3DXVECTOR3(-32.5f, -27.5f, -22.5f));
    // The template as it stands, v not yet banded.
    EXPECT_EQ(lattice.GetVertices()[5].v, 1.0f);
    EXPECT_EQ(ORV_GridLattice::kVertexBytes, 5184000u);
}

TEST(GridLattice, CellsAroundTheCameraAndTheViewCone)
{
    ORV_GridLattice lattice;
    lattice.Rebuild(ORIGIN, AHEAD, 0.0f);
    // Every visible cell is rewritten around the camera's cell: origins from -35 to 35.
    float lowest = 0.0f, highest = 0.0f;
    for (int cell = 0; cell < ORV_GridLattice::kCellCount; ++cell)
        if (lattice.IsVisible(cell))
        {
            const D3DXVECTOR3 o = Origin(lattice, cell);
            lowest = std::min({lowest, o.x, o.y});
            highest = std::max({highest, o.x, o.y, o.z});
        }
    EXPECT_EQ(lowest, -35.0f);
    EXPECT_EQ(highest, 35.0f);
    EXPECT_EQ(Origin(lattice, CellIndex(7, 7, 14)), D3DXVECTOR3(0.0f, 0.0f, 35.0f));
    // Cells within 10 units are drawn whichever way they lie.
    EXPECT_TRUE(lattice.IsVisible(CellIndex(7, 7, 6))); // (0, 0, -5): just behind
    EXPECT_TRUE(lattice.IsVisible(CellIndex(6, 7, 7))); // (-5, 0, 0): beside
    EXPECT_TRUE(lattice.IsVisible(CellIndex(7, 5, 7))); // (0, -10, 0): 9 units below
    // Further out only inside the cone about the view.
    EXPECT_FALSE(lattice.IsVisible(CellIndex(7, 7, 3))); // straight behind at 20
    EXPECT_TRUE(lattice.IsVisible(CellIndex(7, 7, 11))); // straight ahead at 20
    EXPECT_FALSE(lattice.IsVisible(CellIndex(3, 7, 8))); // (-20, 0, 5): off to the side
    EXPECT_TRUE(lattice.IsVisible(CellIndex(5, 7, 14))); // (-10, 0, 35): inside the cone
}

TEST(GridLattice, TheCameraCellTruncatesTowardsZeroAndThePatternRepeatsEveryCell)
{
    EXPECT_EQ(ORV_GridLattice::CellOf(-3.0f), 0);
    EXPECT_EQ(ORV_GridLattice::CellOf(3.0f), 0);
    EXPECT_EQ(ORV_GridLattice::CellOf(-5.0f), -1);
    EXPECT_EQ(ORV_GridLattice::CellOf(9.99f), 1);
    ORV_GridLattice left, right, moved;
    left.Rebuild(D3DXVECTOR3(-3.0f, 0.0f, 0.0f), AHEAD, 0.0f);
    right.Rebuild(D3DXVECTOR3(3.0f, 0.0f, 0.0f), AHEAD, 0.0f);
    const int centre = CellIndex(7, 7, 7);
    EXPECT_EQ(Origin(left, centre), ORIGIN);
    EXPECT_EQ(Origin(right, centre), ORIGIN);

    // Five units along x later the whole lattice has moved by one cell.
    ORV_GridLattice here;
    here.Rebuild(D3DXVECTOR3(1.0f, 2.0f, 3.0f), AHEAD, 0.0f);
    moved.Rebuild(D3DXVECTOR3(6.0f, 2.0f, 3.0f), AHEAD, 0.0f);
    for (int cell = 0; cell < ORV_GridLattice::kCellCount; ++cell)
    {
        ASSERT_EQ(here.IsVisible(cell), moved.IsVisible(cell)) << cell;
        if (!here.IsVisible(cell))
            continue;
        for (int i = 0; i < ORV_GridLattice::kVerticesPerCell; ++i)
        {
            const SVertex& a = here.GetVertices()[cell * 48 + i];
            const SVertex& b = moved.GetVertices()[cell * 48 + i];
            ASSERT_EQ(a.x + 5.0f, b.x);
            ASSERT_EQ(a.y, b.y);
            ASSERT_EQ(a.z, b.z);
            ASSERT_EQ(a.nx, b.nx);
        }
    }
}

TEST(GridLattice, LightBandsFollowTheBlinkCounter)
{
    EXPECT_EQ(ORV_GridLattice::BandOf(1), 0.5f);
    EXPECT_EQ(ORV_GridLattice::BandOf(50), 0.5f);
    EXPECT_EQ(ORV_GridLattice::BandOf(51), 0.25f);
    EXPECT_EQ(ORV_GridLattice::BandOf(499), 0.25f);
    EXPECT_EQ(ORV_GridLattice::BandOf(500), 0.5f);
    EXPECT_EQ(ORV_GridLattice::BandOf(550), 0.5f);
    EXPECT_EQ(ORV_GridLattice::BandOf(551), 0.25f);
    EXPECT_EQ(ORV_GridLattice::BandOf(-7), 0.5f); // the remainder keeps the counter's sign

    ORV_GridLattice lattice;
    lattice.Rebuild(ORIGIN, AHEAD, 0.0f);
    const int cell = FirstVisible(lattice);
    ASSERT_GE(cell, 0);
    // Even quads are dark (v from 0 to 0.25), the first odd quad takes counter 1.
    int firstOdd = -1;
    for (int q = 0; q < 12 && firstOdd < 0; ++q)
    {
        const float band = BandOfQuad(lattice, cell, q);
        if (band != 0.0f)
            firstOdd = q;
    }
    ASSERT_GE(firstOdd, 0);
    EXPECT_EQ(BandOfQuad(lattice, cell, firstOdd), 0.5f);
    EXPECT_EQ(BandOfQuad(lattice, cell, firstOdd + 1), 0.0f);
    // Odd and even quads alternate within a beam.
    EXPECT_NE(BandOfQuad(lattice, cell, firstOdd + 2), 0.0f);

    lattice.Rebuild(ORIGIN, AHEAD, 50.0f); // counter 51
    EXPECT_EQ(BandOfQuad(lattice, cell, firstOdd), 0.25f);
    lattice.Rebuild(ORIGIN, AHEAD, 499.9f); // truncated: counter 500
    EXPECT_EQ(BandOfQuad(lattice, cell, firstOdd), 0.5f);
}

TEST(GridLattice, HiddenCellsKeepTheirVertices)
{
    ORV_GridLattice lattice;
    const std::vector<SVertex> first(lattice.GetVertices(),
                                     lattice.GetVertices() + ORV_GridLattice::kCellCount * 48);
    lattice.Rebuild(D3DXVECTOR3(100.0f, 0.0f, 0.0f), AHEAD, 0.0f);
    const int behind = CellIndex(7, 7, 0);
    ASSERT_FALSE(lattice.IsVisible(behind));
    EXPECT_EQ(std::memcmp(&first[size_t(behind) * 48], &lattice.GetVertices()[behind * 48],
                          48 * sizeof(SVertex)),
              0);
}

TEST(GridLattice, HugeNegativeAndInvalidInputStayInRange)
{
    ORV_GridLattice lattice;
    const float huge = 3.0e38f;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float frame : {huge, -huge, nan, 2147483647.0f, -2147483648.0f})
    {
        lattice.Rebuild(ORIGIN, AHEAD, frame);
        const int cell = FirstVisible(lattice);
        for (int q = 0; q < 12; ++q)
        {
            const float band = BandOfQuad(lattice, cell, q);
            ASSERT_TRUE(band == 0.0f || band == 0.25f || band == 0.5f) << frame << " " << band;
        }
    }
    // A far-away, infinite or undefined camera: no undefined arithmetic, nothing outside.
    for (const D3DXVECTOR3& eye :
         {D3DXVECTOR3(huge, -huge, huge), D3DXVECTOR3(1.0e9f, 0.0f, 0.0f),
          D3DXVECTOR3(nan, nan, nan), D3DXVECTOR3(INFINITY, 0.0f, -INFINITY)})
    {
        lattice.Rebuild(eye, AHEAD, 0.0f);
        for (int cell = 0; cell < ORV_GridLattice::kCellCount; ++cell)
            ASSERT_LE(lattice.GetVisibility()[cell], 1);
    }
    EXPECT_EQ(ORV_GridLattice::CellOf(nan), 0);
    EXPECT_EQ(ORV_GridLattice::CellOf(-huge), -10000000);
}
