#pragma once

#include "d3d9.h"

#include <cstdint>
#include <string>
#include <vector>

// Geometry in plain arrays, before it becomes an ID3DXMesh: what the shape builders and the
// ".x" loader produce. Optional arrays are empty or have one entry per vertex.
// A parameter value that a material's effect instance gives (the D3DXEDT_* types).
struct SOrvEffectDefault
{
    std::string m_sParameter;
    DWORD m_dwType = 0;
    std::vector<unsigned char> m_abValue; // the string with its zero, the floats, or the DWORD
};

struct SOrvMeshMaterial
{
    D3DMATERIAL9 m_material{};
    std::string m_sTextureFile; // as the file names it; empty for none
    std::string m_sEffectFile;  // the effect instance's file; empty for none
    std::vector<SOrvEffectDefault> m_aEffectDefaults;
};

struct SOrvMeshData
{
    std::vector<float> m_afPositions;   // 3 per vertex
    std::vector<float> m_afNormals;     // 3 per vertex
    std::vector<float> m_afTexCoords;   // 2 per vertex
    std::vector<DWORD> m_adwColors;     // D3DCOLOR per vertex
    std::vector<uint32_t> m_auIndices;  // 3 per face, clockwise seen from the front
    std::vector<DWORD> m_adwAttributes; // subset of each face
    std::vector<SOrvMeshMaterial> m_aMaterials;

    size_t GetVertexCount() const { return m_afPositions.size() / 3; }
    size_t GetFaceCount() const { return m_auIndices.size() / 3; }
};
