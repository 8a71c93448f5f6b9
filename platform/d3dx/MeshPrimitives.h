#pragma once

#include "MeshData.h"

// The simple solids of D3DX, with its vertex and face order, outward normals and Direct3D's
// clockwise front faces. Each returns false for arguments D3DX refuses (negative sizes, too
// few slices or sides) or for a mesh larger than a mesh may be.

// A box about the origin: four vertices per side, sides in the order -x, +y, +x, -y, +z, -z.
bool OrvBuildBox(SOrvMeshData& mesh, float fWidth, float fHeight, float fDepth);

// A sphere about the origin with its poles on the z axis: the top pole, uStacks - 1 rings of
// uSlices vertices (starting on +y and turning towards +x), the bottom pole.
bool OrvBuildSphere(SOrvMeshData& mesh, float fRadius, unsigned uSlices, unsigned uStacks);

// A cylinder (or cone) along z from -fLength / 2 (radius fRadius1) to fLength / 2 (fRadius2):
// the bottom cap's centre and ring, uStacks + 1 rings of the side, the top cap's ring and centre.
bool OrvBuildCylinder(SOrvMeshData& mesh, float fRadius1, float fRadius2, float fLength,
                      unsigned uSlices, unsigned uStacks);

// A torus about the z axis: uRings cross-sections of uSides vertices each, fInnerRadius
// being the radius of a cross-section and fOuterRadius that of the circle through their centres.
bool OrvBuildTorus(SOrvMeshData& mesh, float fInnerRadius, float fOuterRadius, unsigned uSides,
                   unsigned uRings);

// A regular polygon in the xy plane facing +z, with sides of length fLength: the centre, then
// the corners from +x counterclockwise.
bool OrvBuildPolygon(SOrvMeshData& mesh, float fLength, unsigned uSides);
