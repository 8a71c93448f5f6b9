#pragma once

#include "MeshData.h"

// The built-in shapes, with outward normals and Direct3D's clockwise front faces.

// The classic teapot from its 32 Bezier patches, y up, spout towards +x, base at y = -0.75.
// Each patch is cut into uTessellation x uTessellation quads.
void OrvBuildTeapot(SOrvMeshData& mesh, unsigned uTessellation = 8);

// Turns every face so that it is clockwise seen from the side its vertex normals face.
void OrvOrientFaces(SOrvMeshData& mesh);
