#pragma once

// The sample demo's meshes as DirectX text (.x) files: a torus, a trefoil knot and a cut
// gem, with normals, texture coordinates and their materials.
#include <string>

bool WriteAtelierMeshes(const std::string& sFolder, std::string& sError);
