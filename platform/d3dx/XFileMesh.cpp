#include "XFileMesh.h"

#include "MeshFormat.h"
#include "d3dx9mesh.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

// A mesh as its file gives it, before frames place it.
struct SOrvXFileMesh
{
    struct SFaces
    {
        std::vector<uint32_t> m_auStart{0}; // first corner of each face, then the end
        std::vector<uint32_t> m_auCorners;  // vertex (or normal) index of each corner
        size_t GetCount() const { return m_auStart.size() - 1; }
        uint32_t GetSize(size_t f) const { return m_auStart[f + 1] - m_auStart[f]; }
    };

    uint32_t m_uVertices = 0;
    std::vector<double> m_adPositions; // 3 per vertex
    SFaces m_faces;
    std::vector<float> m_afNormals; // 3 per normal
    SFaces m_normalFaces;           // same shape as m_faces when there are normals
    std::vector<float> m_afTexCoords;
    std::vector<DWORD> m_adwColors;
    bool m_bMaterialList = false;
    std::vector<DWORD> m_adwFaceMaterials; // one per face
    std::vector<SOrvMeshMaterial> m_aMaterials;
};

namespace
{
using SFaces = SOrvXFileMesh::SFaces;
constexpr uint32_t s_uNone = 0xffffffffu;

bool IsType(const SOrvXObject& object, const char* pType)
{
    return !object.m_bReference && strcasecmp(object.m_sType.c_str(), pType) == 0;
}

// nFaces, then per face its corner count and corner indices, each below uLimit.
bool ReadFaces(COrvXValueReader& reader, uint32_t uLimit, SFaces& faces)
{
    uint32_t uFaces = 0;
    if (!reader.ReadCount(uFaces, 4))
        return false;
    faces.m_auStart.reserve(size_t(uFaces) + 1);
    for (uint32_t f = 0; f < uFaces; ++f)
    {
        uint32_t uCorners = 0;
        if (!reader.ReadCount(uCorners, 1) || uCorners < 3)
            return false;
        for (uint32_t k = 0; k < uCorners; ++k)
        {
            uint32_t uIndex = 0;
            if (!reader.ReadDword(uIndex) || uIndex >= uLimit)
                return false;
            faces.m_auCorners.push_back(uIndex);
        }
        faces.m_auStart.push_back(uint32_t(faces.m_auCorners.size()));
    }
    return true;
}

bool ReadFloats(COrvXValueReader& reader, size_t uCount, std::vector<float>& af)
{
    af.resize(uCount);
    for (float& f : af)
        if (!reader.ReadFloat(f))
            return false;
    return true;
}

bool ReadColor(COrvXValueReader& reader, D3DCOLORVALUE& color, bool bAlpha)
{
    color.a = 1.0f;
    return reader.ReadFloat(color.r) && reader.ReadFloat(color.g) && reader.ReadFloat(color.b) &&
           (!bAlpha || reader.ReadFloat(color.a));
}

// EffectParamFloats { "name"; nFloats; floats }, EffectParamDWord { "name"; value },
// EffectParamString { "name"; "value" }.
bool ReadEffectDefault(const SOrvXObject& object, SOrvEffectDefault& value)
{
    COrvXValueReader reader(object);
    if (!reader.ReadString(value.m_sParameter))
        return false;
    auto append = [&](const void* p, size_t uBytes)
    {
        const auto* pBytes = static_cast<const unsigned char*>(p);
        value.m_abValue.insert(value.m_abValue.end(), pBytes, pBytes + uBytes);
    };
    if (IsType(object, "EffectParamFloats"))
    {
        uint32_t uCount = 0;
        std::vector<float> af;
        if (!reader.ReadCount(uCount, 1) || !ReadFloats(reader, uCount, af))
            return false;
        value.m_dwType = 2; // D3DXEDT_FLOATS
        append(af.data(), af.size() * sizeof(float));
        return true;
    }
    if (IsType(object, "EffectParamDWord"))
    {
        uint32_t u = 0;
        if (!reader.ReadDword(u))
            return false;
        value.m_dwType = 3; // D3DXEDT_DWORD
        append(&u, 4);
        return true;
    }
    std::string sText;
    if (!reader.ReadString(sText))
        return false;
    value.m_dwType = 1; // D3DXEDT_STRING
    append(sText.c_str(), sText.size() + 1);
    return true;
}

// EffectInstance { "effect file"; parameter values }
bool ReadEffectInstance(const SOrvXObject& object, SOrvMeshMaterial& material)
{
    COrvXValueReader reader(object);
    if (!reader.ReadString(material.m_sEffectFile))
        return false;
    for (const SOrvXObject& child : object.m_aChildren)
    {
        if (!IsType(child, "EffectParamFloats") && !IsType(child, "EffectParamDWord") &&
            !IsType(child, "EffectParamString"))
            continue;
        material.m_aEffectDefaults.emplace_back();
        if (!ReadEffectDefault(child, material.m_aEffectDefaults.back()))
            return false;
    }
    return true;
}

// Material { faceColor (RGBA); power; specularColor (RGB); emissiveColor (RGB);
//            [TextureFilename { "name"; }] [EffectInstance { ... }] }
bool ReadMaterial(const SOrvXObject& object, SOrvMeshMaterial& material)
{
    COrvXValueReader reader(object);
    D3DMATERIAL9& d3d = material.m_material;
    d3d = D3DMATERIAL9{};
    d3d.Ambient = D3DCOLORVALUE{0.0f, 0.0f, 0.0f, 1.0f};
    if (!ReadColor(reader, d3d.Diffuse, true) || !reader.ReadFloat(d3d.Power) ||
        !ReadColor(reader, d3d.Specular, false) || !ReadColor(reader, d3d.Emissive, false))
        return false;
    bool bTexture = false, bEffect = false;
    for (const SOrvXObject& child : object.m_aChildren)
    {
        if (IsType(child, "TextureFilename") && !bTexture)
        {
            COrvXValueReader name(child);
            if (!name.ReadString(material.m_sTextureFile))
                return false;
            bTexture = true;
        }
        else if (IsType(child, "EffectInstance") && !bEffect)
        {
            if (!ReadEffectInstance(child, material))
                return false;
            bEffect = true;
        }
    }
    return true;
}

// MeshNormals { nNormals; normals; nFaceNormals; faces of normal indices }: one face per
// mesh face, with as many corners.
bool ReadNormals(const SOrvXObject& object, SOrvXFileMesh& mesh)
{
    COrvXValueReader reader(object);
    uint32_t uNormals = 0;
    if (!reader.ReadCount(uNormals, 3) ||
        !ReadFloats(reader, size_t(uNormals) * 3, mesh.m_afNormals))
        return false;
    SFaces faces;
    if (!ReadFaces(reader, uNormals, faces) || faces.GetCount() != mesh.m_faces.GetCount())
        return false;
    for (size_t f = 0; f < faces.GetCount(); ++f)
        if (faces.GetSize(f) != mesh.m_faces.GetSize(f))
            return false;
    mesh.m_normalFaces = std::move(faces);
    return true;
}

// MeshTextureCoords { nTextureCoords; (u, v) per vertex }
bool ReadTexCoords(const SOrvXObject& object, SOrvXFileMesh& mesh)
{
    COrvXValueReader reader(object);
    uint32_t uCount = 0;
    return reader.ReadCount(uCount, 2) && uCount == mesh.m_uVertices &&
           ReadFloats(reader, size_t(uCount) * 2, mesh.m_afTexCoords);
}

DWORD PackColor(const D3DCOLORVALUE& color)
{
    return DWORD(D3DXCOLOR(color));
}

// MeshVertexColors { nVertexColors; (vertex index, RGBA) each }: vertices without one are white.
bool ReadVertexColors(const SOrvXObject& object, SOrvXFileMesh& mesh)
{
    COrvXValueReader reader(object);
    uint32_t uCount = 0;
    if (!reader.ReadCount(uCount, 5))
        return false;
    mesh.m_adwColors.assign(mesh.m_uVertices, 0xffffffffu);
    for (uint32_t i = 0; i < uCount; ++i)
    {
        uint32_t uVertex = 0;
        D3DCOLORVALUE color{};
        if (!reader.ReadDword(uVertex) || uVertex >= mesh.m_uVertices ||
            !ReadColor(reader, color, true))
            return false;
        mesh.m_adwColors[uVertex] = PackColor(color);
    }
    return true;
}

float FloatBits(DWORD dw)
{
    float f = 0.0f;
    std::memcpy(&f, &dw, 4);
    return f;
}

// DeclData { nElements; (type, method, usage, usage index) each; nDWords; the vertices }:
// the normal, first texture coordinates and first colour where the mesh has none yet.
bool ReadDeclData(const SOrvXObject& object, SOrvXFileMesh& mesh)
{
    COrvXValueReader reader(object);
    uint32_t uElements = 0;
    if (!reader.ReadCount(uElements, 4) || uElements > MAXD3DDECLLENGTH)
        return false;
    std::vector<D3DVERTEXELEMENT9> elements;
    UINT uStride = 0;
    for (uint32_t i = 0; i < uElements; ++i)
    {
        uint32_t auField[4];
        for (uint32_t& u : auField)
            if (!reader.ReadDword(u))
                return false;
        UINT uSize = auField[0] < 256 ? OrvDeclTypeSize(BYTE(auField[0])) : 0;
        if (uSize == 0 || auField[2] > D3DDECLUSAGE_SAMPLE || auField[3] > 15)
            return false;
        elements.push_back({0, WORD(uStride), BYTE(auField[0]), BYTE(auField[1]), BYTE(auField[2]),
                            BYTE(auField[3])});
        uStride += uSize;
    }
    uint32_t uDwords = 0;
    if (!reader.ReadCount(uDwords, 1) || size_t(uDwords) * 4 != size_t(uStride) * mesh.m_uVertices)
        return false;
    std::vector<DWORD> adwData(uDwords);
    for (DWORD& dw : adwData)
        if (!reader.ReadDword(dw))
            return false;
    for (const D3DVERTEXELEMENT9& e : elements)
    {
        auto at = [&](uint32_t v, int i) { return adwData[(v * uStride + e.Offset) / 4 + i]; };
        bool bNormal = e.Usage == D3DDECLUSAGE_NORMAL && e.UsageIndex == 0 &&
                       e.Type == D3DDECLTYPE_FLOAT3 && mesh.m_afNormals.empty();
        bool bTexCoord = e.Usage == D3DDECLUSAGE_TEXCOORD && e.UsageIndex == 0 &&
                         e.Type == D3DDECLTYPE_FLOAT2 && mesh.m_afTexCoords.empty();
        bool bColor = e.Usage == D3DDECLUSAGE_COLOR && e.UsageIndex == 0 &&
                      e.Type == D3DDECLTYPE_D3DCOLOR && mesh.m_adwColors.empty();
        for (uint32_t v = 0; v < mesh.m_uVertices; ++v)
        {
            if (bNormal)
                for (int i = 0; i < 3; ++i)
                    mesh.m_afNormals.push_back(FloatBits(at(v, i)));
            if (bTexCoord)
                for (int i = 0; i < 2; ++i)
                    mesh.m_afTexCoords.push_back(FloatBits(at(v, i)));
            if (bColor)
                mesh.m_adwColors.push_back(at(v, 0));
        }
        if (bNormal)
            mesh.m_normalFaces = mesh.m_faces; // one normal per vertex
    }
    return true;
}

// SkinWeights { "bone"; nWeights; vertex indices; weights; offset matrix }: not part of the
// mesh, but a list whose counts do not hold is a broken file.
bool CheckSkinWeights(const SOrvXObject& object, uint32_t uVertices)
{
    COrvXValueReader reader(object);
    std::string sBone;
    uint32_t uWeights = 0;
    if (!reader.ReadString(sBone) || !reader.ReadCount(uWeights, 2))
        return false;
    for (uint32_t i = 0; i < uWeights; ++i)
    {
        uint32_t uVertex = 0;
        if (!reader.ReadDword(uVertex) || uVertex >= uVertices)
            return false;
    }
    float f = 0.0f;
    for (uint32_t i = 0; i < uWeights + 16; ++i)
        if (!reader.ReadFloat(f))
            return false;
    return reader.GetRemaining() == 0;
}

// ---- Placing a mesh --------------------------------------------------------------------------

using Matrix = std::array<double, 16>;

Matrix Identity()
{
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

// a * b for row vectors: a applies first.
Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix out{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                out[4 * i + j] += a[4 * i + k] * b[4 * k + j];
    return out;
}

// The matrix that turns normals: the inverse transpose of the upper 3x3, or the 3x3 itself
// when it has no inverse.
std::array<double, 9> NormalMatrix(const Matrix& m)
{
    auto e = [&](int i, int j) { return m[4 * i + j]; };
    std::array<double, 9> cof{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
        {
            int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            cof[3 * i + j] = e(i1, j1) * e(i2, j2) - e(i1, j2) * e(i2, j1);
        }
    double dDet = e(0, 0) * cof[0] + e(0, 1) * cof[1] + e(0, 2) * cof[2];
    std::array<double, 9> out{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out[3 * i + j] = dDet != 0.0 ? cof[3 * i + j] / dDet : e(i, j);
    return out;
}

// Gives each face corner its vertex: the file's vertex, or a repeat of it when an earlier
// corner gave that vertex a different normal. auSource receives the file vertex of every
// resulting vertex, auNormal its normal index (s_uNone for none).
void SplitByNormals(const SOrvXFileMesh& mesh, std::vector<uint32_t>& auCorners,
                    std::vector<uint32_t>& auSource, std::vector<uint32_t>& auNormal)
{
    auCorners = mesh.m_faces.m_auCorners;
    auSource.resize(mesh.m_uVertices);
    for (uint32_t v = 0; v < mesh.m_uVertices; ++v)
        auSource[v] = v;
    auNormal.assign(mesh.m_uVertices, s_uNone);
    if (mesh.m_afNormals.empty())
        return;
    auto same = [&](uint32_t a, uint32_t b)
    { return a == b || std::memcmp(&mesh.m_afNormals[3 * a], &mesh.m_afNormals[3 * b], 12) == 0; };
    std::unordered_map<uint32_t, std::vector<uint32_t>> repeats;
    for (size_t c = 0; c < auCorners.size(); ++c)
    {
        uint32_t uVertex = auCorners[c];
        uint32_t uNormal = mesh.m_normalFaces.m_auCorners[c];
        if (auNormal[uVertex] == s_uNone)
            auNormal[uVertex] = uNormal;
        if (same(auNormal[uVertex], uNormal))
            continue;
        std::vector<uint32_t>& list = repeats[uVertex];
        auto it = std::find_if(list.begin(), list.end(),
                               [&](uint32_t r) { return same(auNormal[r], uNormal); });
        if (it != list.end())
        {
            auCorners[c] = *it;
            continue;
        }
        auCorners[c] = uint32_t(auSource.size());
        list.push_back(auCorners[c]);
        auSource.push_back(uVertex);
        auNormal.push_back(uNormal);
    }
}

bool PlaceVertices(const SOrvXFileMesh& mesh, const Matrix& world,
                   const std::vector<uint32_t>& auSource, const std::vector<uint32_t>& auNormal,
                   SOrvMeshData& part)
{
    bool bIdentity = world == Identity();
    std::array<double, 9> normalMatrix = NormalMatrix(world);
    for (size_t v = 0; v < auSource.size(); ++v)
    {
        const double* p = &mesh.m_adPositions[3 * size_t(auSource[v])];
        for (int j = 0; j < 3; ++j)
            part.m_afPositions.push_back(
                float(p[0] * world[j] + p[1] * world[4 + j] + p[2] * world[8 + j] + world[12 + j]));
        if (!mesh.m_afNormals.empty())
        {
            float af[3] = {0.0f, 0.0f, 0.0f};
            if (auNormal[v] != s_uNone)
                std::memcpy(af, &mesh.m_afNormals[3 * size_t(auNormal[v])], 12);
            double ad[3];
            for (int j = 0; j < 3; ++j)
                ad[j] = af[0] * normalMatrix[j] + af[1] * normalMatrix[3 + j] +
                        af[2] * normalMatrix[6 + j];
            // Turned normals keep the length the file gave them.
            double dBefore =
                std::sqrt(double(af[0]) * af[0] + double(af[1]) * af[1] + double(af[2]) * af[2]);
            double dAfter = std::sqrt(ad[0] * ad[0] + ad[1] * ad[1] + ad[2] * ad[2]);
            for (int j = 0; j < 3; ++j)
                part.m_afNormals.push_back(
                    bIdentity || dAfter == 0.0 ? af[j] : float(ad[j] * dBefore / dAfter));
        }
        if (!mesh.m_afTexCoords.empty())
            part.m_afTexCoords.insert(part.m_afTexCoords.end(),
                                      &mesh.m_afTexCoords[2 * size_t(auSource[v])],
                                      &mesh.m_afTexCoords[2 * size_t(auSource[v])] + 2);
        if (!mesh.m_adwColors.empty())
            part.m_adwColors.push_back(mesh.m_adwColors[auSource[v]]);
    }
    // A frame may scale a position beyond what a float holds.
    auto finite = [](float f) { return std::isfinite(f); };
    return std::all_of(part.m_afPositions.begin(), part.m_afPositions.end(), finite) &&
           std::all_of(part.m_afNormals.begin(), part.m_afNormals.end(), finite);
}

// Faces become fans of triangles that keep the face's material.
void CutFaces(const SOrvXFileMesh& mesh, const std::vector<uint32_t>& auCorners, SOrvMeshData& part)
{
    const SFaces& faces = mesh.m_faces;
    for (size_t f = 0; f < faces.GetCount(); ++f)
    {
        uint32_t uFirst = faces.m_auStart[f];
        for (uint32_t k = 1; k + 1 < faces.GetSize(f); ++k)
        {
            part.m_auIndices.insert(
                part.m_auIndices.end(),
                {auCorners[uFirst], auCorners[uFirst + k], auCorners[uFirst + k + 1]});
            part.m_adwAttributes.push_back(mesh.m_adwFaceMaterials[f]);
        }
    }
}
// Appends a part's vertices, faces and materials; an array that the part lacks is filled with
// zeros (white for colours) where other parts have it.
void AppendPart(SOrvMeshData& part, DWORD dwMaterialBase, bool bNormals, bool bTexCoords,
                bool bColors, SOrvMeshData& mesh)
{
    const auto uBase = uint32_t(mesh.GetVertexCount());
    const size_t uVertices = part.GetVertexCount();
    auto append = [](auto& target, const auto& source, size_t uCount, auto fill)
    {
        if (source.empty())
            target.insert(target.end(), uCount, fill);
        else
            target.insert(target.end(), source.begin(), source.end());
    };
    append(mesh.m_afPositions, part.m_afPositions, 0, 0.0f);
    if (bNormals)
        append(mesh.m_afNormals, part.m_afNormals, 3 * uVertices, 0.0f);
    if (bTexCoords)
        append(mesh.m_afTexCoords, part.m_afTexCoords, 2 * uVertices, 0.0f);
    if (bColors)
        append(mesh.m_adwColors, part.m_adwColors, uVertices, DWORD(0xffffffffu));
    for (uint32_t u : part.m_auIndices)
        mesh.m_auIndices.push_back(uBase + u);
    for (DWORD dw : part.m_adwAttributes)
        mesh.m_adwAttributes.push_back(dwMaterialBase + dw);
    for (SOrvMeshMaterial& material : part.m_aMaterials)
        mesh.m_aMaterials.push_back(std::move(material));
}
} // namespace

SOrvMeshMaterial COrvXMeshBuilder::DefaultMaterial()
{
    SOrvMeshMaterial material;
    material.m_material.Diffuse = D3DCOLORVALUE{0.5f, 0.5f, 0.5f, 0.0f};
    material.m_material.Specular = D3DCOLORVALUE{0.5f, 0.5f, 0.5f, 0.0f};
    return material;
}

bool COrvXMeshBuilder::Fail(const std::string& sError)
{
    if (m_sError.empty())
        m_sError = sError;
    return false;
}

void COrvXMeshBuilder::IndexNames(const std::vector<SOrvXObject>& objects)
{
    for (const SOrvXObject& object : objects)
    {
        if (!object.m_bReference && !object.m_sName.empty())
            m_named.emplace(object.m_sName, &object);
        IndexNames(object.m_aChildren);
    }
}

// The object itself, or what a reference names, when it has the given type.
const SOrvXObject* COrvXMeshBuilder::Resolve(const SOrvXObject& object, const char* pType) const
{
    const SOrvXObject* pTarget = &object;
    if (object.m_bReference)
    {
        auto it = m_named.find(object.m_sName);
        pTarget = it == m_named.end() ? nullptr : it->second;
    }
    return pTarget && IsType(*pTarget, pType) ? pTarget : nullptr;
}

void COrvXMeshBuilder::FindPlacedMeshes(const SOrvXObject& frame)
{
    for (const SOrvXObject& child : frame.m_aChildren)
    {
        if (IsType(child, "Frame"))
            FindPlacedMeshes(child);
        else if (const SOrvXObject* pMesh = child.m_bReference ? Resolve(child, "Mesh") : nullptr)
            m_placed.insert(pMesh);
    }
}

bool COrvXMeshBuilder::Build(const std::vector<SOrvXObject>& objects, SOrvMeshData& mesh,
                             std::string& sError)
{
    COrvXMeshBuilder builder;
    builder.IndexNames(objects);
    for (const SOrvXObject& object : objects)
        if (IsType(object, "Frame"))
            builder.FindPlacedMeshes(object);
    bool bOk = true;
    for (const SOrvXObject& object : objects)
    {
        if (IsType(object, "Frame"))
            bOk = builder.AddFrame(object, Identity());
        else if (IsType(object, "Mesh") && !builder.m_placed.count(&object))
            bOk = builder.AddMesh(object, Identity());
        if (!bOk)
            break;
    }
    bOk = bOk && builder.Merge(mesh);
    sError = builder.m_sError;
    return bOk;
}

// Frame [name] { FrameTransformMatrix { 16 floats }, meshes, references, frames, in any order }
// D3DX reads a frame in file order: a transform moves what comes after it in the frame, not
// what came before, and a further transform composes with the ones before it.
bool COrvXMeshBuilder::AddFrame(const SOrvXObject& frame, const Matrix& parent)
{
    Matrix local = Identity();
    Matrix world = parent;
    for (const SOrvXObject& child : frame.m_aChildren)
    {
        bool bOk = true;
        if (IsType(child, "FrameTransformMatrix"))
        {
            Matrix transform{};
            COrvXValueReader reader(child);
            for (double& d : transform)
                if (!reader.ReadDouble(d))
                    return Fail("a frame transform without its 16 numbers");
            local = Multiply(local, transform);
            world = Multiply(local, parent);
        }
        else if (IsType(child, "Frame"))
            bOk = AddFrame(child, world);
        else if (const SOrvXObject* pMesh = Resolve(child, "Mesh"))
            bOk = AddMesh(*pMesh, world);
        else if (child.m_bReference && !m_named.count(child.m_sName))
            bOk = Fail("a frame refers to " + child.m_sName + ", which the file does not hold");
        if (!bOk)
            return false;
    }
    return true;
}

// MeshMaterialList { nMaterials; nFaceIndexes; material of each face; the materials, defined
// here or referred to by name }. A short list of face indices repeats its last one.
bool COrvXMeshBuilder::ReadMaterialList(const SOrvXObject& object, SOrvXFileMesh& mesh)
{
    COrvXValueReader reader(object);
    uint32_t uMaterials = 0;
    uint32_t uIndices = 0;
    if (!reader.ReadDword(uMaterials) || !reader.ReadCount(uIndices, 1))
        return Fail("a material list without its counts");
    std::vector<DWORD> adwIndices(uIndices);
    for (DWORD& dw : adwIndices)
        if (!reader.ReadDword(dw) || dw >= uMaterials)
            return Fail("a face names a material that the list does not have");
    for (const SOrvXObject& child : object.m_aChildren)
    {
        if (mesh.m_aMaterials.size() == uMaterials)
            break;
        const SOrvXObject* pMaterial = Resolve(child, "Material");
        if (!pMaterial && child.m_bReference)
            return Fail("a material list refers to " + child.m_sName +
                        ", which is not a material of the file");
        if (!pMaterial)
            continue;
        mesh.m_aMaterials.emplace_back();
        if (!ReadMaterial(*pMaterial, mesh.m_aMaterials.back()))
            return Fail("a material without its colours, or with a broken texture or effect");
    }
    if (mesh.m_aMaterials.size() != uMaterials)
        return Fail("a material list with fewer materials than it announces");
    mesh.m_bMaterialList = uMaterials > 0;
    mesh.m_adwFaceMaterials.resize(mesh.m_faces.GetCount());
    for (size_t f = 0; f < mesh.m_adwFaceMaterials.size(); ++f)
        mesh.m_adwFaceMaterials[f] =
            f < uIndices ? adwIndices[f] : (uIndices ? adwIndices.back() : 0);
    return true;
}

bool COrvXMeshBuilder::ReadMeshChildren(const SOrvXObject& object, SOrvXFileMesh& mesh)
{
    const std::string sMesh = "mesh " + object.m_sName + ": ";
    for (const SOrvXObject& child : object.m_aChildren)
    {
        if (IsType(child, "MeshNormals") && mesh.m_afNormals.empty())
        {
            if (!ReadNormals(child, mesh))
                return Fail(sMesh + "the normals do not match the faces");
        }
        else if (IsType(child, "MeshTextureCoords") && mesh.m_afTexCoords.empty())
        {
            if (!ReadTexCoords(child, mesh))
                return Fail(sMesh + "the texture coordinates do not match the vertices");
        }
        else if (IsType(child, "MeshVertexColors") && mesh.m_adwColors.empty())
        {
            if (!ReadVertexColors(child, mesh))
                return Fail(sMesh + "broken vertex colours");
        }
        else if (IsType(child, "MeshMaterialList") && mesh.m_aMaterials.empty())
        {
            if (!ReadMaterialList(child, mesh))
                return false;
        }
        else if (IsType(child, "SkinWeights") && !CheckSkinWeights(child, mesh.m_uVertices))
            return Fail(sMesh + "broken skin weights");
    }
    // Declaration data fills in only what the mesh's own lists have not given.
    for (const SOrvXObject& child : object.m_aChildren)
        if (IsType(child, "DeclData") && !ReadDeclData(child, mesh))
            return Fail(sMesh + "declaration data that does not match the vertices");
    return true;
}

// Mesh [name] { nVertices; positions; nFaces; faces; normals, texture coordinates, colours,
//               materials, ... }
bool COrvXMeshBuilder::AddMesh(const SOrvXObject& object, const Matrix& world)
{
    SOrvXFileMesh mesh;
    COrvXValueReader reader(object);
    if (!reader.ReadCount(mesh.m_uVertices, 3))
        return Fail("mesh " + object.m_sName + ": fewer positions than it announces");
    mesh.m_adPositions.resize(size_t(mesh.m_uVertices) * 3);
    for (double& d : mesh.m_adPositions)
        if (!reader.ReadDouble(d))
            return Fail("mesh " + object.m_sName + ": a position is not a number a float can hold");
    if (!ReadFaces(reader, mesh.m_uVertices, mesh.m_faces))
        return Fail("mesh " + object.m_sName + ": broken faces or a vertex index out of range");
    if (!ReadMeshChildren(object, mesh))
        return false;
    // A mesh without a material list draws with the file's one default material (Merge),
    // whatever Material objects the file holds besides.
    if (!mesh.m_bMaterialList)
    {
        mesh.m_aMaterials.clear();
        mesh.m_adwFaceMaterials.assign(mesh.m_faces.GetCount(), 0);
    }
    std::vector<uint32_t> auCorners, auSource, auNormal;
    SplitByNormals(mesh, auCorners, auSource, auNormal);
    size_t uTriangles = mesh.m_faces.m_auCorners.size() - 2 * mesh.m_faces.GetCount();
    if (auSource.size() > ORV_MAX_MESH_VERTICES - m_uVertices ||
        uTriangles > ORV_MAX_MESH_FACES - m_uFaces)
        return Fail("the mesh is too large");
    m_uVertices += auSource.size();
    m_uFaces += uTriangles;
    SOrvMeshData part;
    if (!PlaceVertices(mesh, world, auSource, auNormal, part))
        return Fail("mesh " + object.m_sName + ": its frames move it out of range");
    CutFaces(mesh, auCorners, part);
    part.m_aMaterials = std::move(mesh.m_aMaterials);
    m_aParts.push_back(std::move(part));
    m_abDefaultMaterial.push_back(!mesh.m_bMaterialList);
    return true;
}

// The parts one after the other.
bool COrvXMeshBuilder::Merge(SOrvMeshData& mesh)
{
    mesh = SOrvMeshData();
    if (m_uFaces == 0)
        return Fail(m_aParts.empty() ? s_pNoMesh : "the file holds no triangles");
    bool bNormals = false, bTexCoords = false, bColors = false;
    for (const SOrvMeshData& part : m_aParts)
    {
        bNormals |= !part.m_afNormals.empty();
        bTexCoords |= !part.m_afTexCoords.empty();
        bColors |= !part.m_adwColors.empty();
    }
    // The meshes without a material list share one default material, placed where the
    // first of them comes.
    std::optional<DWORD> dwDefault;
    for (size_t p = 0; p < m_aParts.size(); ++p)
    {
        SOrvMeshData& part = m_aParts[p];
        if (m_abDefaultMaterial[p] && !dwDefault)
        {
            dwDefault = DWORD(mesh.m_aMaterials.size());
            mesh.m_aMaterials.push_back(DefaultMaterial());
        }
        auto dwMaterialBase = m_abDefaultMaterial[p] ? *dwDefault : DWORD(mesh.m_aMaterials.size());
        AppendPart(part, dwMaterialBase, bNormals, bTexCoords, bColors, mesh);
        part = SOrvMeshData();
    }
    return true;
}
