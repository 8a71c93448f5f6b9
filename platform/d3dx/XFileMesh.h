#pragma once

#include "MeshData.h"
#include "XFileData.h"

#include <array>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct SOrvXFileMesh;

// Turns the data objects of a ".x" file into one mesh the way D3DX's loader does:
// - every mesh of the file, at the place its frames put it (the frame transforms composed
//   exactly, in double precision), merged in file order;
// - the file's vertices in the file's order; a vertex that faces give different normals
//   is repeated after the file's vertices, once per further normal;
// - polygons cut into fans of triangles;
// - per mesh, the materials its material list names, so that a material defined but never
//   named by a mesh is not counted; the meshes without a list share one default material;
// - normals, texture coordinates (also from a declaration's data) and vertex colours where a
//   mesh has them.
// Counts that do not match their data, indices out of range and references to nothing are
// refused with a message.
class COrvXMeshBuilder
{
public:
    static bool Build(const std::vector<SOrvXObject>& objects, SOrvMeshData& mesh,
                      std::string& sError);

    // The material D3DX gives a mesh whose file names none: grey, no texture.
    static SOrvMeshMaterial DefaultMaterial();

    // The error of a file that holds no mesh at all (D3DX's E_FAIL rather than bad data).
    static constexpr const char* s_pNoMesh = "the file holds no mesh";

private:
    using Matrix = std::array<double, 16>;

    COrvXMeshBuilder() = default;
    void IndexNames(const std::vector<SOrvXObject>& objects);
    void FindPlacedMeshes(const SOrvXObject& frame);
    const SOrvXObject* Resolve(const SOrvXObject& object, const char* pType) const;
    bool AddFrame(const SOrvXObject& frame, const Matrix& parent);
    bool AddMesh(const SOrvXObject& mesh, const Matrix& world);
    bool ReadMeshChildren(const SOrvXObject& object, SOrvXFileMesh& mesh);
    bool ReadMaterialList(const SOrvXObject& object, SOrvXFileMesh& mesh);
    bool Merge(SOrvMeshData& mesh);
    bool Fail(const std::string& sError);

    std::unordered_map<std::string, const SOrvXObject*> m_named;
    std::unordered_set<const SOrvXObject*> m_placed; // meshes that frames refer to
    std::vector<SOrvMeshData> m_aParts;
    std::vector<bool> m_abDefaultMaterial; // per part: it has no material list
    size_t m_uVertices = 0;
    size_t m_uFaces = 0;
    std::string m_sError;
};
