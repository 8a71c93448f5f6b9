#pragma once

#include "OrvExport.h"

#include <cstdint>
#include <vector>

// The soft-body state of a gelly mesh, over plain vertex and index arrays: every vertex is
// a mass point tied by springs to the vertices it shares a face with, pushed along its rest
// normal, pulled down by gravity and slowed by damping. The gelly layer builds it from a
// mesh's buffers, advances it once per drawn frame and copies the moved vertices back.
//
// Vertices are read with the mesh's stride: the position is the three floats at offset 0,
// the normal the three floats at offset 12 (zero when the stride leaves no room for it).
// Every other byte of a vertex is kept as it was read.
class ORV_API ORV_Gelly
{
public:
    // Largest step of one frame. A jump forward in time (a seek, a long pause) advances by
    // at most this much, a jump backwards holds the shape: the explicit integration is only
    // stable for short forward steps. One drawn frame is a step of 0.55 at 25 frames per
    // second and 128 beats per minute; 2 covers playback down to about 7 frames per second
    // unchanged.
    static constexpr float kMaxStep = 2.0f;
    // The ground: no vertex falls below this height; one that reaches it lands there and
    // loses its downward speed (a demo places the ground with the layer's translation).
    static constexpr float kGround = -100.0f;

    // Builds the state from n vertices of `stride` bytes and `faceCount` triangles of three
    // 16-bit or 32-bit indices. Faces naming a vertex outside 0..n-1 are skipped. Returns
    // false (and holds no state) when there are no vertices or a vertex is shorter than
    // its position.
    bool Build(const void* pVertices, uint32_t n, uint32_t stride, const void* pIndices,
               uint32_t faceCount, bool b32BitIndices, float fFrame);
    void Clear();
    bool IsBuilt() const { return !m_Positions.empty(); }

    // Step length for the frame time `fFrame` since the last call (0.4 per frame of time,
    // clamped to 0..kMaxStep); the frame becomes the last one.
    float TakeStep(float fFrame);
    // One integration step of length h, vertices landing on the ground. A step that would leave a
    // non-finite value puts the body back at rest in its first shape.
    void Step(float h);
    // Writes the current positions into the kept vertex bytes and returns them
    // (VertexCount() × Stride() bytes), ready to be copied into the mesh.
    const uint8_t* UpdateVertexBytes();

    uint32_t VertexCount() const { return static_cast<uint32_t>(m_Positions.size()); }
    uint32_t Stride() const { return m_uStride; }
    float LastFrame() const { return m_fLastFrame; }

    struct Float3
    {
        float x, y, z;
    };
    const Float3& Position(uint32_t i) const { return m_Positions[i]; }
    const Float3& Velocity(uint32_t i) const { return m_Velocities[i]; }
    // Neighbours of vertex i in ascending order, without duplicates and without i itself.
    std::vector<uint32_t> Neighbours(uint32_t i) const;

private:
    void BuildNeighbours(const void* pIndices, uint32_t faceCount, bool b32BitIndices);
    void Rest();

    uint32_t m_uStride = 0;
    std::vector<Float3> m_Positions;
    std::vector<Float3> m_Next;
    std::vector<Float3> m_Velocities;
    std::vector<Float3> m_Normals;
    std::vector<Float3> m_RestPositions;
    // Neighbour lists, one after the other: vertex i's are m_Neighbours[m_First[i]] up to
    // m_Neighbours[m_First[i + 1]].
    std::vector<uint32_t> m_First;
    std::vector<uint32_t> m_Neighbours;
    std::vector<uint8_t> m_VertexBytes;
    float m_fLastFrame = 0.0f;
};
