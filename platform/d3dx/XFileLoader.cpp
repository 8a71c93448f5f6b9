#include "XFileLoader.h"

#include "d3dx9mesh.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace
{
// Mesh files larger than this are refused before parsing.
constexpr size_t s_uMaxFileBytes = 256u << 20;

D3DCOLORVALUE ColorOf(const aiMaterial* pMaterial, const char* pKey, unsigned uType,
                      unsigned uIndex, float fDefaultAlpha)
{
    aiColor4D color(0, 0, 0, fDefaultAlpha);
    if (pMaterial->Get(pKey, uType, uIndex, color) != AI_SUCCESS)
    {
        aiColor3D rgb(0, 0, 0);
        if (pMaterial->Get(pKey, uType, uIndex, rgb) == AI_SUCCESS)
            color = aiColor4D(rgb.r, rgb.g, rgb.b, fDefaultAlpha);
    }
    return D3DCOLORVALUE{color.r, color.g, color.b, color.a};
}

SOrvMeshMaterial ConvertMaterial(const aiMaterial* pMaterial)
{
    SOrvMeshMaterial material;
    D3DMATERIAL9& d3d = material.m_material;
    d3d.Diffuse = ColorOf(pMaterial, AI_MATKEY_COLOR_DIFFUSE, 1.0f);
    float fOpacity = 1.0f;
    if (pMaterial->Get(AI_MATKEY_OPACITY, fOpacity) == AI_SUCCESS && fOpacity < 1.0f)
        d3d.Diffuse.a = std::min(d3d.Diffuse.a, fOpacity);
    d3d.Ambient = ColorOf(pMaterial, AI_MATKEY_COLOR_AMBIENT, 1.0f);
    d3d.Specular = ColorOf(pMaterial, AI_MATKEY_COLOR_SPECULAR, 1.0f);
    d3d.Emissive = ColorOf(pMaterial, AI_MATKEY_COLOR_EMISSIVE, 1.0f);
    d3d.Power = 0.0f;
    pMaterial->Get(AI_MATKEY_SHININESS, d3d.Power);
    aiString path;
    if (pMaterial->GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS)
        material.m_sTextureFile = path.C_Str();
    return material;
}

DWORD PackColor(const aiColor4D& color)
{
    auto channel = [](float f) { return DWORD(std::clamp(f, 0.0f, 1.0f) * 255.0f + 0.5f); };
    return (channel(color.a) << 24) | (channel(color.r) << 16) | (channel(color.g) << 8) |
           channel(color.b);
}

bool AppendMesh(const aiMesh* pMesh, bool bNormals, bool bTexCoords, bool bColors,
                SOrvMeshData& mesh)
{
    uint32_t uBase = uint32_t(mesh.GetVertexCount());
    for (unsigned v = 0; v < pMesh->mNumVertices; ++v)
    {
        const aiVector3D& p = pMesh->mVertices[v];
        mesh.m_afPositions.insert(mesh.m_afPositions.end(), {p.x, p.y, p.z});
        if (bNormals)
        {
            aiVector3D n = pMesh->HasNormals() ? pMesh->mNormals[v] : aiVector3D(0, 0, 0);
            mesh.m_afNormals.insert(mesh.m_afNormals.end(), {n.x, n.y, n.z});
        }
        if (bTexCoords)
        {
            aiVector3D t =
                pMesh->HasTextureCoords(0) ? pMesh->mTextureCoords[0][v] : aiVector3D(0, 0, 0);
            mesh.m_afTexCoords.insert(mesh.m_afTexCoords.end(), {t.x, t.y});
        }
        if (bColors)
            mesh.m_adwColors.push_back(pMesh->HasVertexColors(0) ? PackColor(pMesh->mColors[0][v])
                                                                 : 0xffffffff);
    }
    for (unsigned f = 0; f < pMesh->mNumFaces; ++f)
    {
        const aiFace& face = pMesh->mFaces[f];
        if (face.mNumIndices != 3)
            continue;
        for (unsigned k = 0; k < 3; ++k)
        {
            if (face.mIndices[k] >= pMesh->mNumVertices)
                return false;
            mesh.m_auIndices.push_back(uBase + face.mIndices[k]);
        }
        mesh.m_adwAttributes.push_back(pMesh->mMaterialIndex);
    }
    return true;
}

bool ConvertScene(const aiScene* pScene, SOrvMeshData& mesh, std::string& sError)
{
    mesh = SOrvMeshData();
    size_t uVertices = 0;
    size_t uFaces = 0;
    bool bNormals = false, bTexCoords = false, bColors = false;
    for (unsigned m = 0; m < pScene->mNumMeshes; ++m)
    {
        const aiMesh* pMesh = pScene->mMeshes[m];
        uVertices += pMesh->mNumVertices;
        uFaces += pMesh->mNumFaces;
        bNormals |= pMesh->HasNormals();
        bTexCoords |= pMesh->HasTextureCoords(0);
        bColors |= pMesh->HasVertexColors(0);
    }
    if (uFaces == 0 || uVertices == 0)
    {
        sError = "the file holds no triangles";
        return false;
    }
    if (uFaces > ORV_MAX_MESH_FACES || uVertices > ORV_MAX_MESH_VERTICES)
    {
        sError = "the mesh is too large";
        return false;
    }
    for (unsigned m = 0; m < pScene->mNumMeshes; ++m)
    {
        if (!AppendMesh(pScene->mMeshes[m], bNormals, bTexCoords, bColors, mesh))
        {
            sError = "a face uses a vertex that does not exist";
            return false;
        }
    }
    for (unsigned i = 0; i < pScene->mNumMaterials; ++i)
        mesh.m_aMaterials.push_back(ConvertMaterial(pScene->mMaterials[i]));
    for (DWORD& dwAttribute : mesh.m_adwAttributes)
        if (dwAttribute >= mesh.m_aMaterials.size())
            dwAttribute = 0;
    return true;
}
} // namespace

bool COrvXFileLoader::LoadFromMemory(const void* pData, size_t uSize, SOrvMeshData& mesh,
                                     std::string& sError)
{
    if (!pData || uSize < 16 || uSize > s_uMaxFileBytes)
    {
        sError = "not a mesh file";
        return false;
    }
    if (std::string(static_cast<const char*>(pData), 4) != "xof ")
    {
        sError = "not a .x file";
        return false;
    }
    Assimp::Importer importer;
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE,
                                aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    const aiScene* pScene = importer.ReadFileFromMemory(
        pData, uSize,
        aiProcess_Triangulate | aiProcess_ConvertToLeftHanded | aiProcess_PreTransformVertices |
            aiProcess_SortByPType | aiProcess_JoinIdenticalVertices,
        "x");
    if (!pScene || !pScene->HasMeshes())
    {
        sError = pScene ? "the file holds no mesh" : importer.GetErrorString();
        return false;
    }
    return ConvertScene(pScene, mesh, sError);
}

bool COrvXFileLoader::Load(const std::string& sFileName, SOrvMeshData& mesh, std::string& sError)
{
    std::ifstream file(sFileName, std::ios::binary | std::ios::ate);
    if (!file)
    {
        sError = "cannot open " + sFileName;
        return false;
    }
    std::streamoff iSize = file.tellg();
    if (iSize < 0 || size_t(iSize) > s_uMaxFileBytes)
    {
        sError = sFileName + " is too large";
        return false;
    }
    std::vector<char> acData(static_cast<size_t>(iSize));
    file.seekg(0);
    if (!file.read(acData.data(), iSize))
    {
        sError = "cannot read " + sFileName;
        return false;
    }
    return LoadFromMemory(acData.data(), acData.size(), mesh, sError);
}
