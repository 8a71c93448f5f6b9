#include "XFileLoader.h"
#include "XFileMesh.h"
#include "XFileTestFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

namespace
{
const std::string s_sData = std::string(ORV_TEST_SOURCE_DIR) + "/d3dx/data/";

bool LoadText(const std::string& sFile, SOrvMeshData& mesh, std::string& sError)
{
    return COrvXFileLoader::LoadFromMemory(sFile.data(), sFile.size(), mesh, sError);
}

SOrvMeshData MustLoad(const std::string& sFile)
{
    SOrvMeshData mesh;
    std::string sError;
    EXPECT_TRUE(LoadText(sFile, mesh, sError)) << sError;
    return mesh;
}

std::array<float, 3> Position(const SOrvMeshData& mesh, size_t v)
{
    return {mesh.m_afPositions[3 * v], mesh.m_afPositions[3 * v + 1],
            mesh.m_afPositions[3 * v + 2]};
}

std::array<float, 3> Normal(const SOrvMeshData& mesh, size_t v)
{
    return {mesh.m_afNormals[3 * v], mesh.m_afNormals[3 * v + 1], mesh.m_afNormals[3 * v + 2]};
}

// What every loaded mesh must hold, whatever the file was.
void ExpectConsistent(const SOrvMeshData& mesh)
{
    size_t uVertices = mesh.GetVertexCount();
    ASSERT_GT(mesh.GetFaceCount(), 0u);
    ASSERT_EQ(mesh.m_adwAttributes.size(), mesh.GetFaceCount());
    for (uint32_t u : mesh.m_auIndices)
        ASSERT_LT(u, uVertices);
    for (DWORD dw : mesh.m_adwAttributes)
        ASSERT_LT(dw, mesh.m_aMaterials.size());
    for (size_t uSize :
         {mesh.m_afNormals.size() / 3, mesh.m_afTexCoords.size() / 2, mesh.m_adwColors.size()})
        ASSERT_TRUE(uSize == 0 || uSize == uVertices);
}

// A cube of 8 corners with one normal per side, its sides as quads, two materials.
const char* const s_pCubeText = R"(xof 0303txt 0032
Material Red { 1.0;0.0;0.0;1.0;; 5.0; 1.0;1.0;1.0;; 0.0;0.0;0.0;; }
Frame Box {
 FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 1,2,3,1;; }
 Mesh Cube {
  8; -1;-1;-1;, -1;1;-1;, 1;1;-1;, 1;-1;-1;, -1;-1;1;, -1;1;1;, 1;1;1;, 1;-1;1;;
  6; 4;0,1,2,3;, 4;7,6,5,4;, 4;4,5,1,0;, 4;3,2,6,7;, 4;1,5,6,2;, 4;4,0,3,7;;
  MeshNormals { 6; 0;0;-1;, 0;0;1;, -1;0;0;, 1;0;0;, 0;1;0;, 0;-1;0;;
   6; 4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;; }
  MeshTextureCoords { 8; 0;0;, 0;1;, 1;1;, 1;0;, 0.25;0;, 0.25;1;, 0.75;1;, 0.75;0;; }
  MeshMaterialList { 2; 6; 0,0,1,1,0,1;;
   { Red }
   Material Blue { 0.0;0.0;1.0;0.5;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; TextureFilename { "Blue.bmp"; } }
  }
 }
})";

// The same cube, token by token in the binary encoding.
std::string CubeBinary(bool b64BitFloats)
{
    COrvXBinaryWriter w(b64BitFloats);
    w.SampleTemplate("Unrelated");
    w.Name("Material").Name("Red").Open().Floats({1, 0, 0, 1, 5, 1, 1, 1, 0, 0, 0}).Close();
    w.Name("Frame").Name("Box").Open();
    w.Name("FrameTransformMatrix").Open().Floats({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 1, 2, 3, 1});
    w.Close();
    w.Name("Mesh").Name("Cube").Open().Ints({8});
    w.Floats({-1, -1, -1, -1, 1, -1, 1, 1, -1, 1, -1, -1, -1, -1, 1, -1, 1, 1, 1, 1, 1, 1, -1, 1});
    w.Ints({6, 4, 0, 1, 2, 3, 4, 7, 6, 5, 4, 4, 4, 5, 1, 0,
            4, 3, 2, 6, 7, 4, 1, 5, 6, 2, 4, 4, 0, 3, 7});
    w.Name("MeshNormals").Open().Ints({6});
    w.Floats({0, 0, -1, 0, 0, 1, -1, 0, 0, 1, 0, 0, 0, 1, 0, 0, -1, 0});
    w.Ints({6, 4, 0, 0, 0, 0, 4, 1, 1, 1, 1, 4, 2, 2, 2, 2,
            4, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 5, 5, 5, 5});
    w.Close();
    w.Name("MeshTextureCoords").Open().Ints({8});
    w.Floats({0, 0, 0, 1, 1, 1, 1, 0, 0.25, 0, 0.25, 1, 0.75, 1, 0.75, 0}).Close();
    w.Name("MeshMaterialList").Open().Ints({2, 6, 0, 0, 1, 1, 0, 1});
    w.Open().Name("Red").Close();
    w.Name("Material").Name("Blue").Open().Floats({0, 0, 1, 0.5, 0, 0, 0, 0, 0, 0, 0});
    w.Name("TextureFilename").Open().String("Blue.bmp").Close();
    w.Close().Close().Close().Close();
    return w.GetData();
}

void ExpectSameMesh(const SOrvMeshData& a, const SOrvMeshData& b)
{
    EXPECT_EQ(a.m_afPositions, b.m_afPositions);
    EXPECT_EQ(a.m_afNormals, b.m_afNormals);
    EXPECT_EQ(a.m_afTexCoords, b.m_afTexCoords);
    EXPECT_EQ(a.m_auIndices, b.m_auIndices);
    EXPECT_EQ(a.m_adwAttributes, b.m_adwAttributes);
    ASSERT_EQ(a.m_aMaterials.size(), b.m_aMaterials.size());
    for (size_t i = 0; i < a.m_aMaterials.size(); ++i)
    {
        EXPECT_EQ(std::memcmp(&a.m_aMaterials[i].m_material, &b.m_aMaterials[i].m_material,
                              sizeof(D3DMATERIAL9)),
                  0);
        EXPECT_EQ(a.m_aMaterials[i].m_sTextureFile, b.m_aMaterials[i].m_sTextureFile);
    }
}

// A text mesh of uSide x uSide quads: a body large enough for several compressed blocks.
std::string LargeGridText(unsigned uSide)
{
    std::string s = "xof 0303txt 0032\nMesh Grid {\n" + std::to_string(uSide * uSide) + ";\n";
    for (unsigned i = 0; i < uSide * uSide; ++i)
        s += std::to_string(i % uSide) + ".125;" + std::to_string(i / uSide) + ".5;0.0;" +
             (i + 1 < uSide * uSide ? ",\n" : ";\n");
    unsigned uQuads = (uSide - 1) * (uSide - 1);
    s += std::to_string(uQuads) + ";\n";
    for (unsigned i = 0; i < uQuads; ++i)
    {
        unsigned v = i / (uSide - 1) * uSide + i % (uSide - 1);
        s += "4;" + std::to_string(v) + "," + std::to_string(v + uSide) + "," +
             std::to_string(v + uSide + 1) + "," + std::to_string(v + 1) +
             (i + 1 < uQuads ? ";,\n" : ";;\n");
    }
    return s + "}\n";
}
} // namespace

TEST(XFileLoader, TextFileKeepsItsVerticesFacesAndMaterialsInFileOrder)
{
    SOrvMeshData mesh;
    std::string sError;
    ASSERT_TRUE(COrvXFileLoader::Load(s_sData + "twomaterials.x", mesh, sError)) << sError;
    ExpectConsistent(mesh);
    ASSERT_EQ(mesh.GetVertexCount(), 4u) << "the file's vertices, not one set per subset";
    EXPECT_EQ(mesh.m_auIndices, (std::vector<uint32_t>{0, 1, 2, 2, 1, 3}));
    EXPECT_EQ(mesh.m_adwAttributes, (std::vector<DWORD>{0, 1}));
    // The frame moved the quad to z = 2; x and y are the file's own, in its order.
    const float afXY[4][2] = {{-1, 1}, {1, 1}, {-1, -1}, {1, -1}};
    for (size_t v = 0; v < 4; ++v)
    {
        EXPECT_EQ(Position(mesh, v), (std::array<float, 3>{afXY[v][0], afXY[v][1], 2.0f}));
        EXPECT_EQ(Normal(mesh, v), (std::array<float, 3>{0, 0, -1}));
    }
    EXPECT_EQ(mesh.m_afTexCoords, (std::vector<float>{0, 0, 1, 0, 0, 1, 1, 1}));
    ASSERT_EQ(mesh.m_aMaterials.size(), 2u);
    const D3DMATERIAL9& red = mesh.m_aMaterials[0].m_material;
    EXPECT_EQ(red.Diffuse.r, 1.0f);
    EXPECT_EQ(red.Diffuse.g, 0.0f);
    EXPECT_EQ(red.Power, 20.0f);
    EXPECT_EQ(red.Specular.r, 0.5f);
    EXPECT_EQ(red.Ambient.r, 0.0f) << "materials of a file have no ambient colour";
    EXPECT_TRUE(mesh.m_aMaterials[0].m_sTextureFile.empty());
    EXPECT_EQ(mesh.m_aMaterials[1].m_material.Diffuse.a, 0.5f);
    EXPECT_EQ(mesh.m_aMaterials[1].m_sTextureFile, "Checker.PNG");
}

TEST(XFileLoader, NestedFrameTransformsApplyExactlyEvenCloseToTheIdentity)
{
    SOrvMeshData mesh;
    std::string sError;
    ASSERT_TRUE(COrvXFileLoader::Load(s_sData + "skinnedarm.x", mesh, sError)) << sError;
    ExpectConsistent(mesh);
    // Skin weights, duplication indices, templates and animations leave the mesh alone; each
    // corner of the box meets three sides with three normals, so 16 repeats follow the 8.
    ASSERT_EQ(mesh.GetVertexCount(), 24u);
    EXPECT_EQ(mesh.GetFaceCount(), 12u);
    const double c = 0.99999048, s = 0.00436331;
    const double adFile[8][3] = {{-0.5, -0.5, -2}, {-0.5, 0.5, -2}, {0.5, 0.5, -2}, {0.5, -0.5, -2},
                                 {-0.5, -0.5, 2},  {-0.5, 0.5, 2},  {0.5, 0.5, 2},  {0.5, -0.5, 2}};
    for (size_t v = 0; v < 8; ++v)
    {
        const double* p = adFile[v];
        std::array<float, 3> expected = {float(p[0] * c - p[1] * s + 0.003),
                                         float(p[0] * s + p[1] * c - 0.002), float(p[2] + 0.001)};
        std::array<float, 3> actual = Position(mesh, v);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(actual[k], expected[k], 1e-6) << "vertex " << v << " axis " << k;
    }
    // The normals turn with the frame.
    std::array<float, 3> n = Normal(mesh, 0);
    EXPECT_NEAR(n[2], -1.0f, 1e-6f);
    EXPECT_NEAR(n[0], 0.0f, 1e-6f);
    ASSERT_EQ(mesh.m_aMaterials.size(), 1u)
        << "the unused material at file level is not the mesh's";
    EXPECT_EQ(mesh.m_aMaterials[0].m_sTextureFile, "Skin.DDS");
    EXPECT_FLOAT_EQ(mesh.m_aMaterials[0].m_material.Diffuse.g, 0.6f);
}

TEST(XFileLoader, CornersWithOtherNormalsRepeatTheirVertexAfterTheFilesOwn)
{
    SOrvMeshData mesh = MustLoad(s_pCubeText);
    ExpectConsistent(mesh);
    ASSERT_EQ(mesh.GetVertexCount(), 24u);
    ASSERT_EQ(mesh.GetFaceCount(), 12u);
    // The first eight are the file's corners, scaled by 2 and moved by (1, 2, 3).
    EXPECT_EQ(Position(mesh, 0), (std::array<float, 3>{-1, 0, 1}));
    EXPECT_EQ(Position(mesh, 6), (std::array<float, 3>{3, 4, 5}));
    // Quads become fans: (0, 1, 2) and (0, 2, 3).
    EXPECT_EQ(std::vector<uint32_t>(mesh.m_auIndices.begin(), mesh.m_auIndices.begin() + 6),
              (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(mesh.m_adwAttributes, (std::vector<DWORD>{0, 0, 0, 0, 1, 1, 1, 1, 0, 0, 1, 1}));
    // Each face's three corners carry that side's normal, the repeats their file position and
    // texture coordinates.
    for (size_t f = 0; f < mesh.GetFaceCount(); ++f)
    {
        std::array<float, 3> n = Normal(mesh, mesh.m_auIndices[3 * f]);
        for (int k = 1; k < 3; ++k)
            EXPECT_EQ(Normal(mesh, mesh.m_auIndices[3 * f + k]), n) << "face " << f;
    }
    for (size_t v = 8; v < 24; ++v)
    {
        size_t uOriginal = 0;
        while (uOriginal < 8 && Position(mesh, uOriginal) != Position(mesh, v))
            ++uOriginal;
        ASSERT_LT(uOriginal, 8u);
        EXPECT_EQ(mesh.m_afTexCoords[2 * v], mesh.m_afTexCoords[2 * uOriginal]);
        EXPECT_EQ(mesh.m_afTexCoords[2 * v + 1], mesh.m_afTexCoords[2 * uOriginal + 1]);
        EXPECT_NE(Normal(mesh, v), Normal(mesh, uOriginal));
    }
}

TEST(XFileLoader, BinarySixtyFourBitAndCompressedFilesReadLikeText)
{
    SOrvMeshData text = MustLoad(s_pCubeText);
    ExpectSameMesh(MustLoad(CubeBinary(false)), text);
    ExpectSameMesh(MustLoad(CubeBinary(true)), text);
    std::string sBinary = CubeBinary(false);
    ExpectSameMesh(MustLoad(OrvCompressXFile("xof 0303bzip0032", sBinary.substr(16), 100)), text);
    ExpectSameMesh(
        MustLoad(OrvCompressXFile("xof 0303tzip0032", std::string(s_pCubeText).substr(16))), text);
    // A body over several 32 KiB blocks that refer back across block boundaries.
    std::string sGrid = LargeGridText(60);
    ASSERT_GT(sGrid.size(), 3u * 32768u);
    SOrvMeshData grid = MustLoad(sGrid);
    EXPECT_EQ(grid.GetVertexCount(), 3600u);
    EXPECT_EQ(grid.GetFaceCount(), 2u * 59u * 59u);
    ExpectSameMesh(MustLoad(OrvCompressXFile("xof 0302tzip0032", sGrid.substr(16))), grid);
    // Names that start with digits.
    SOrvMeshData named = MustLoad("xof 0303txt 0032\nFrame 01_Root { Mesh 2 { 3; 0;0;0;, 1;0;0;, "
                                  "0;1;0;; 1; 3;0,1,2;; } }");
    EXPECT_EQ(named.GetVertexCount(), 3u);
    // No line break after the header.
    SOrvMeshData tight = MustLoad("xof 0303txt 0032Mesh{3;0;0;0;,1;0;0;,0;1;0;;1;3;0,1,2;;}");
    EXPECT_EQ(tight.GetVertexCount(), 3u);
}

TEST(XFileLoader, MaterialsAreTheOnesEachMeshNames)
{
    SOrvMeshData mesh = MustLoad(R"(xof 0303txt 0032
Material Unused { 0;0;0;1;; 0; 0;0;0;; 0;0;0;; }
Material Shared { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { "shared.png"; } }
Material Other { 1;1;0;1;; 0; 0;0;0;; 0;0;0;; }
Mesh A {
 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;
 3; 3;0,1,2;, 3;0,2,3;, 3;0,1,3;;
 MeshMaterialList { 2; 2; 0, 1;; { Shared } { Other } }
}
Mesh B {
 3; 0;0;1;, 1;0;1;, 1;1;1;;
 1; 3;0,1,2;;
 MeshMaterialList { 1; 1; 0;; { Shared } }
}
Mesh C {
 3; 0;0;2;, 1;0;2;, 1;1;2;;
 1; 3;0,1,2;;
})");
    ExpectConsistent(mesh);
    EXPECT_EQ(mesh.GetVertexCount(), 10u);
    // A short list of face materials repeats its last entry; B's and C's come after A's.
    EXPECT_EQ(mesh.m_adwAttributes, (std::vector<DWORD>{0, 1, 1, 2, 3}));
    ASSERT_EQ(mesh.m_aMaterials.size(), 4u);
    EXPECT_EQ(mesh.m_aMaterials[0].m_sTextureFile, "shared.png");
    EXPECT_EQ(mesh.m_aMaterials[1].m_material.Diffuse.r, 1.0f);
    EXPECT_EQ(mesh.m_aMaterials[2].m_sTextureFile, "shared.png");
    // C names no material: it gets D3DX's default one.
    const D3DMATERIAL9& fallback = mesh.m_aMaterials[3].m_material;
    EXPECT_EQ(fallback.Diffuse.r, 0.5f);
    EXPECT_EQ(fallback.Diffuse.a, 0.0f);
    EXPECT_EQ(fallback.Specular.g, 0.5f);
    EXPECT_EQ(fallback.Power, 0.0f);
    EXPECT_TRUE(mesh.m_aMaterials[3].m_sTextureFile.empty());
}

TEST(XFileLoader, ReferencedMeshesSitWhereEachFramePutsThem)
{
    SOrvMeshData mesh = MustLoad(R"(xof 0303txt 0032
Mesh Tri { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }
Frame Left { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, -5,0,0,1;; } { Tri } }
Frame Right { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 5,0,0,1;; }
 Frame Up { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0.001,0,1;; } { Tri } } }
)");
    ExpectConsistent(mesh);
    ASSERT_EQ(mesh.GetVertexCount(), 6u)
        << "placed twice, and not a third time where it is defined";
    EXPECT_EQ(Position(mesh, 1), (std::array<float, 3>{-4, 0, 0}));
    EXPECT_EQ(Position(mesh, 4), (std::array<float, 3>{6, 0.001f, 0}));
    EXPECT_EQ(mesh.m_auIndices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
}

TEST(XFileLoader, AFrameIsReadInFileOrder)
{
    // A transform moves only what follows it in its frame, and adds to the one before.
    SOrvMeshData mesh = MustLoad(R"(xof 0303txt 0032
Material Global { 0;0;1;1;; 0.5; 1;1;1;; 0;0;0;; }
Frame {
 Mesh { 3; 0;0;0;, 0;1;0;, 1;1;0;; 1; 3;0,1,2;; }
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,2,1;; }
 Mesh { 3; 0;0;0;, 0;1;0;, 2;1;0;; 1; 3;0,1,2;; }
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,3,1;; }
 Mesh { 3; 0;0;0;, 0;1;0;, 3;1;0;; 1; 3;0,1,2;; }
 Frame Child { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;; }
  Mesh { 3; 0;0;0;, 0;1;0;, 4;1;0;; 1; 3;0,1,2;; } }
})");
    ExpectConsistent(mesh);
    ASSERT_EQ(mesh.GetVertexCount(), 12u);
    EXPECT_EQ(Position(mesh, 2), (std::array<float, 3>{1, 1, 0}));
    EXPECT_EQ(Position(mesh, 5), (std::array<float, 3>{2, 1, 2}));
    EXPECT_EQ(Position(mesh, 8), (std::array<float, 3>{3, 1, 5}));
    EXPECT_EQ(Position(mesh, 11), (std::array<float, 3>{14, 1, 5})) << "the child inherits both";
    // None of the four meshes has a material list: they share one default material, and the
    // file's own Material is no part of it.
    ASSERT_EQ(mesh.m_aMaterials.size(), 1u);
    EXPECT_EQ(mesh.m_aMaterials[0].m_material.Diffuse.r, 0.5f);
    EXPECT_EQ(mesh.m_adwAttributes, (std::vector<DWORD>{0, 0, 0, 0}));
}

TEST(XFileLoader, ColoursPolygonsAndDeclarationDataFollowTheirVertices)
{
    // 1.0f is 1065353216 and 0.5f is 1056964608 as DWORDs.
    SOrvMeshData mesh = MustLoad(R"(xof 0303txt 0032
Mesh Fan {
 5; 0;0;0;, 1;0;0;, 2;1;0;, 1;2;0;, 0;1;0;;
 1; 5;0,1,2,3,4;;
 MeshVertexColors { 2; 1;1.0;0.0;0.0;1.0;;, 3;0.0;0.0;1.0;0.5;;; }
 DeclData { 1; 1;0;5;0;; 10; 0,0, 1065353216,0, 1065353216,1056964608, 0,1065353216, 0,1056964608; }
})");
    ExpectConsistent(mesh);
    EXPECT_EQ(mesh.m_auIndices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4}));
    EXPECT_EQ(mesh.m_adwColors,
              (std::vector<DWORD>{0xffffffff, 0xffff0000, 0xffffffff, 0x800000ff, 0xffffffff}));
    EXPECT_EQ(mesh.m_afTexCoords, (std::vector<float>{0, 0, 1, 0, 1, 0.5f, 0, 1, 0, 0.5f}));
    EXPECT_TRUE(mesh.m_afNormals.empty());
}

TEST(XFileLoader, MalformedFilesAreRefusedWithAReason)
{
    const std::string sMesh = "xof 0303txt 0032\n";
    const std::string sTri = "Mesh T { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; ";
    std::string sDeep;
    for (int i = 0; i < 1000; ++i)
        sDeep += "Frame { ";
    struct SCase
    {
        const char* m_pWhat;
        std::string m_sFile;
    } aCases[] = {
        {"empty", ""},
        {"another format", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"unknown encoding", "xof 0303zip 0032Mesh{}"},
        {"unknown float size", "xof 0303txt 0016Mesh{}"},
        {"no mesh", sMesh + "Material M { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }"},
        {"no triangles", sMesh + "Mesh E { 0;; 0;; }"},
        {"vertex index out of range", sMesh + "Mesh T { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }"},
        {"fewer positions", sMesh + "Mesh T { 4; 0;0;0;, 1;0;0;; 1; 3;0,1,2;; }"},
        {"absurd vertex count", sMesh + "Mesh T { 4000000000; 0;0;0;; 1; 3;0,0,0;; }"},
        {"negative count", sMesh + "Mesh T { -3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }"},
        {"fractional index", sMesh + "Mesh T { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1.5,2;; }"},
        {"two-corner face", sMesh + "Mesh T { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }"},
        {"normal faces short", sMesh + sTri + "MeshNormals { 1; 0;0;1;; 0;; } }"},
        {"normal face corners", sMesh + sTri + "MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; } }"},
        {"normal index", sMesh + sTri + "MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; } }"},
        {"texture coordinates", sMesh + sTri + "MeshTextureCoords { 2; 0;0;, 1;1;; } }"},
        {"colour index", sMesh + sTri + "MeshVertexColors { 1; 3;1;1;1;1;;; } }"},
        {"material index",
         sMesh + sTri +
             "MeshMaterialList { 1; 1; 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }"},
        {"missing material",
         sMesh + sTri +
             "MeshMaterialList { 2; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }"},
        {"reference to nothing", sMesh + sTri + "MeshMaterialList { 1; 1; 0;; { Nowhere } } }"},
        {"reference to a mesh", sMesh + sTri + "MeshMaterialList { 1; 1; 0;; { T } } }"},
        {"short material",
         sMesh + sTri + "MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; } } }"},
        {"skin weights short", sMesh + sTri + "SkinWeights { \"b\"; 3; 0,1,2; 1,1,1; } }"},
        {"skin weights index",
         sMesh + sTri + "SkinWeights { \"b\"; 1; 7; 1; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } }"},
        {"skin weights count", sMesh + sTri + "SkinWeights { \"b\"; 99999999; 0; } }"},
        {"declaration size", sMesh + sTri + "DeclData { 1; 1;0;5;0;; 2; 0,0; } }"},
        {"declaration type", sMesh + sTri + "DeclData { 1; 99;0;5;0;; 6; 0,0,0,0,0,0; } }"},
        {"short frame matrix",
         sMesh + "Frame F { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0;; } " + sTri +
             "} }"},
        {"frame refers to nothing", sMesh + "Frame F { { Ghost } }"},
        {"unterminated string", sMesh + sTri +
                                    "MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; "
                                    "0;0;0;; TextureFilename { \"a.png; } } } }"},
        {"not a number", sMesh + "Mesh T { 3; 0;0;0;, 1;-1.#IND00;0;, 0;1;0;; 1; 3;0,1,2;; }"},
        {"number with a suffix", sMesh + "Mesh T { 3; 0;0;0;, 1;0.5f;0;, 0;1;0;; 1; 3;0,1,2;; }"},
        {"number out of range", sMesh + "Mesh T { 3; 0;0;0;, 1;1e999;0;, 0;1;0;; 1; 3;0,1,2;; }"},
        {"float too large for a float",
         sMesh + "Mesh T { 3; 0;0;0;, 1;1e300;0;, 0;1;0;; 1; 3;0,1,2;; }"},
        {"unclosed object", sMesh + sTri},
        {"stray brace", sMesh + "}" + sTri + "}"},
        {"unclosed guid", sMesh + "Mesh T { <1234 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }"},
        {"unclosed template", sMesh + "template T { <1234> DWORD a; " + sTri + "}"},
        {"too deep", sMesh + sDeep},
        {"empty reference", sMesh + sTri + "{ } }"},
        {"bad character", sMesh + "Mesh T { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; @ }"},
    };
    for (const SCase& test : aCases)
    {
        SOrvMeshData mesh;
        std::string sError;
        EXPECT_FALSE(LoadText(test.m_sFile, mesh, sError)) << test.m_pWhat;
        EXPECT_FALSE(sError.empty()) << test.m_pWhat;
        EXPECT_EQ(mesh.GetVertexCount(), 0u) << test.m_pWhat;
    }
}

TEST(XFileLoader, MalformedBinaryAndCompressedFilesAreRefused)
{
    std::string sBinary = CubeBinary(false);
    std::string sCompressed =
        OrvCompressXFile("xof 0303tzip0032", std::string(s_pCubeText).substr(16));
    auto patched = [](std::string s, size_t uAt, const std::string& sBytes)
    { return s.replace(uAt, sBytes.size(), sBytes); };
    struct SCase
    {
        const char* m_pWhat;
        std::string m_sFile;
    } aCases[] = {
        {"list longer than the file",
         COrvXBinaryWriter().Name("Mesh").Open().Token(7).Dword(0x40000000).GetData()},
        {"name longer than the file", COrvXBinaryWriter().Token(1).Dword(1000).GetData()},
        {"unknown token", COrvXBinaryWriter().Name("Mesh").Open().Token(99).GetData()},
        {"template keyword in data", COrvXBinaryWriter().Name("Mesh").Open().Token(41).GetData()},
        {"odd byte", sBinary + "\x01"},
        {"no compressed size", "xof 0303tzip0032\x10"},
        {"block without signature", patched(sCompressed, 24, "XX")},
        {"announced size wrong", patched(sCompressed, 16, std::string("\xff\xff\x00\x00", 4))},
        {"block size wrong", patched(sCompressed, 20, std::string("\x01\x00", 2))},
        {"corrupt deflate data", patched(sCompressed, 26, std::string(8, '\xff'))},
        {"cut compressed file", sCompressed.substr(0, sCompressed.size() - 5)},
    };
    for (const SCase& test : aCases)
    {
        SOrvMeshData mesh;
        std::string sError;
        EXPECT_FALSE(LoadText(test.m_sFile, mesh, sError)) << test.m_pWhat;
        EXPECT_FALSE(sError.empty()) << test.m_pWhat;
    }
}

TEST(XFileLoader, EveryCutAndFlippedByteOfAValidFileIsHandled)
{
    // Every prefix and many single-byte changes of a text, a binary and a compressed file:
    // each is refused or gives a consistent mesh (the sanitizer builds watch the memory).
    std::string sText = s_pCubeText;
    std::vector<std::string> files = {sText, CubeBinary(false), CubeBinary(true),
                                      OrvCompressXFile("xof 0303tzip0032", sText.substr(16), 200)};
    uint32_t uSeed = 12345;
    for (const std::string& sFile : files)
    {
        for (size_t uCut = 0; uCut < sFile.size(); ++uCut)
        {
            SOrvMeshData mesh;
            std::string sError;
            if (LoadText(sFile.substr(0, uCut), mesh, sError))
                ExpectConsistent(mesh);
        }
        for (int i = 0; i < 3000; ++i)
        {
            std::string sChanged = sFile;
            uSeed = uSeed * 1664525u + 1013904223u;
            size_t uAt = 16 + (uSeed >> 8) % (sFile.size() - 16);
            sChanged[uAt] = char(uSeed >> 24);
            SOrvMeshData mesh;
            std::string sError;
            if (LoadText(sChanged, mesh, sError))
                ExpectConsistent(mesh);
        }
    }
}

TEST(XFileLoader, SampleDemoMeshesKeepTheFilesVertexCounts)
{
    const std::string sDir = std::string(ORV_SOURCE_ROOT) + "/examples/Atelier/data/";
    const struct
    {
        const char* m_pFile;
        size_t m_uVertices;
    } aMeshes[] = {{"gem.x", 96}, {"knot.x", 1331}, {"torus.x", 861}};
    for (const auto& file : aMeshes)
    {
        SOrvMeshData mesh;
        std::string sError;
        ASSERT_TRUE(COrvXFileLoader::Load(sDir + file.m_pFile, mesh, sError)) << sError;
        ExpectConsistent(mesh);
        EXPECT_EQ(mesh.GetVertexCount(), file.m_uVertices) << file.m_pFile;
        EXPECT_EQ(mesh.m_afNormals.size(), 3 * file.m_uVertices) << file.m_pFile;
    }
}

TEST(XFileLoader, FuzzerSeedsAreValidFiles)
{
    const std::string sDir = std::string(ORV_SOURCE_ROOT) + "/tests/fuzz/corpus/xmesh/";
    for (const char* pFile : {"twomaterials.x", "twomaterials_tzip.x", "skinnedarm.x",
                              "cube_bin32.x", "cube_bin64.x", "cube_bzip.x"})
    {
        SOrvMeshData mesh;
        std::string sError;
        EXPECT_TRUE(COrvXFileLoader::Load(sDir + pFile, mesh, sError)) << pFile << ": " << sError;
    }
}
