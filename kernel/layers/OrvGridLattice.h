#pragma once

#include "OrvExport.h"

#include "d3dx9math.h"

#include <cstdint>
#include <vector>

// The endless lattice of the grid layer, without any device: 15 x 15 x 15 cells on a 5-unit
// spacing, each holding three square beams (along +x, +y and -z) of 12 quads, re-centred on
// the camera's cell every frame. Cells outside a view cone keep their old vertices and are
// not drawn. Some beam faces light up in a pattern that travels with time: their texture
// coordinates move to other horizontal bands of the texture (v 0-0.25 dark, 0.25-0.5 lit,
// 0.5-0.75 bright).
//
// The vertex array is what the grid layer copies into its vertex buffer, 32-byte vertices
// (position, normal, u, v), 48 per cell, cell index = x + 15 (y + 15 z).
class ORV_API ORV_GridLattice
{
public:
    struct SVertex
    {
        float x, y, z;
        float nx, ny, nz;
        float u, v;
    };

    static constexpr int kCellsPerAxis = 15;
    static constexpr int kCellCount = kCellsPerAxis * kCellsPerAxis * kCellsPerAxis;
    static constexpr int kVerticesPerCell = 48;
    static constexpr int kQuadsPerCell = 12;
    static constexpr float kSpacing = 5.0f;
    static constexpr float kHalfExtent = kCellsPerAxis * kSpacing * 0.5f; // 37.5
    static constexpr float kAlwaysVisible = 10.0f; // cells this close are always drawn
    static constexpr float kConeCosine = 0.6f;     // else within this cone of the view
    static constexpr uint32_t kVertexBytes = kCellCount * kVerticesPerCell * sizeof(SVertex);

    // The first lattice: cell (x, y, z) holds the template moved by ((x, y, z) - 7.5) * 5.
    ORV_GridLattice();

    // Rebuilds the lattice around the eye for frame time fFrame: every cell is placed around
    // the eye's cell, marked visible or not, and rewritten when visible (see the class
    // comment). Eye coordinates and frame times of any size, NaN included, are accepted
    // (clamped); the blink counter cannot overflow.
    void Rebuild(const D3DXVECTOR3& eye, const D3DXVECTOR3& forward, float fFrame);

    const SVertex* GetVertices() const { return m_Vertices.data(); }
    const uint8_t* GetVisibility() const { return m_Visibility.data(); }
    bool IsVisible(int cell) const { return m_Visibility[size_t(cell)] != 0; }
    // The template: 48 vertices, 12 quads of 4 in strip order.
    static const SVertex* GetTemplate();

    // The cell of a coordinate: truncated towards zero after division by the spacing,
    // clamped to a range whose cells stay exactly representable.
    static int CellOf(float coordinate);
    // U of a quad that lights up, for a blink counter value.
    static float BandOf(int64_t counter);

private:
    void WriteCell(int cell, const D3DXVECTOR3& origin, int parity, int64_t& rCounter);

    std::vector<SVertex> m_Vertices;
    std::vector<uint8_t> m_Visibility;
};
