#pragma once

#include "MeshData.h"

#include <string>

// Reads a DirectX ".x" file (text or binary, possibly compressed, 32- or 64-bit floats) into
// plain arrays: all meshes of the file with their frames' transforms applied, in the file's
// own left-handed coordinates and vertex order, faces tagged with their material, and the
// materials the meshes name.
class COrvXFileLoader
{
public:
    static bool Load(const std::string& sFileName, SOrvMeshData& mesh, std::string& sError);
    static bool LoadFromMemory(const void* pData, size_t uSize, SOrvMeshData& mesh,
                               std::string& sError);
};
