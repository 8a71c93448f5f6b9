#include "XFileLoader.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
const std::string s_sData = std::string(ORV_TEST_SOURCE_DIR) + "/d3dx/data/";

// A binary ".x" file: a two-triangle quad, written token by token.
std::vector<char> BinaryQuad()
{
    std::vector<char> data;
    auto bytes = [&](const void* p, size_t n)
    { data.insert(data.end(), static_cast<const char*>(p), static_cast<const char*>(p) + n); };
    auto word = [&](uint16_t w) { bytes(&w, 2); };
    auto dword = [&](uint32_t d) { bytes(&d, 4); };
    auto name = [&](const char* p)
    {
        word(1);
        dword(uint32_t(std::strlen(p)));
        bytes(p, std::strlen(p));
    };
    auto ints = [&](std::initializer_list<uint32_t> values)
    {
        word(6);
        dword(uint32_t(values.size()));
        for (uint32_t v : values)
            dword(v);
    };
    auto floats = [&](std::initializer_list<float> values)
    {
        word(7);
        dword(uint32_t(values.size()));
        for (float f : values)
            bytes(&f, 4);
    };
    bytes("xof 0303bin 0032", 16);
    name("Mesh");
    name("BinaryQuad");
    word(10); // {
    ints({4});
    floats({-1, 1, 0, 1, 1, 0, -1, -1, 0, 1, -1, 0});
    ints({2, 3, 0, 1, 2, 3, 2, 1, 3});
    word(11); // }
    return data;
}
} // namespace

TEST(XFileLoader, TextFileGivesPositionsFacesAndMaterialsInFileOrder)
{
    SOrvMeshData mesh;
    std::string sError;
    ASSERT_TRUE(COrvXFileLoader::Load(s_sData + "twomaterials.x", mesh, sError)) << sError;
    EXPECT_EQ(mesh.GetFaceCount(), 2u);
    EXPECT_EQ(mesh.GetVertexCount(), 6u) << "each subset has its own three corners";
    ASSERT_EQ(mesh.m_aMaterials.size(), 2u);
    EXPECT_FLOAT_EQ(mesh.m_aMaterials[0].m_material.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(mesh.m_aMaterials[0].m_material.Diffuse.g, 0.0f);
    EXPECT_FLOAT_EQ(mesh.m_aMaterials[0].m_material.Power, 20.0f);
    EXPECT_FLOAT_EQ(mesh.m_aMaterials[0].m_material.Specular.r, 0.5f);
    EXPECT_TRUE(mesh.m_aMaterials[0].m_sTextureFile.empty());
    EXPECT_FLOAT_EQ(mesh.m_aMaterials[1].m_material.Diffuse.a, 0.5f);
    EXPECT_EQ(mesh.m_aMaterials[1].m_sTextureFile, "Checker.PNG");
    std::vector<DWORD> adwSorted = mesh.m_adwAttributes;
    std::sort(adwSorted.begin(), adwSorted.end());
    EXPECT_EQ(adwSorted, (std::vector<DWORD>{0, 1}));
    // The frame's transform moved the quad to z = 2; coordinates stay the file's own.
    float fMinX = 1e9f;
    for (size_t v = 0; v < mesh.GetVertexCount(); ++v)
    {
        EXPECT_FLOAT_EQ(mesh.m_afPositions[3 * v + 2], 2.0f);
        fMinX = std::min(fMinX, mesh.m_afPositions[3 * v]);
        EXPECT_FLOAT_EQ(mesh.m_afNormals[3 * v + 2], -1.0f);
    }
    EXPECT_FLOAT_EQ(fMinX, -1.0f);
    ASSERT_EQ(mesh.m_afTexCoords.size(), 2 * mesh.GetVertexCount());
    // The vertex at (1, -1) has texture coordinates (1, 1).
    for (size_t v = 0; v < mesh.GetVertexCount(); ++v)
    {
        if (mesh.m_afPositions[3 * v] > 0 && mesh.m_afPositions[3 * v + 1] < 0)
        {
            EXPECT_EQ(mesh.m_afTexCoords[2 * v] + mesh.m_afTexCoords[2 * v + 1], 2.0f);
        }
    }
    // The first face keeps the file's winding: 0, 1, 2 is (-1, 1), (1, 1), (-1, -1).
    const float* a = &mesh.m_afPositions[3 * mesh.m_auIndices[0]];
    const float* b = &mesh.m_afPositions[3 * mesh.m_auIndices[1]];
    EXPECT_TRUE((a[0] < 0 && b[0] > 0 && a[1] > 0 && b[1] > 0) || mesh.m_adwAttributes[0] == 1);
}

TEST(XFileLoader, BinaryFileLoads)
{
    std::vector<char> data = BinaryQuad();
    SOrvMeshData mesh;
    std::string sError;
    ASSERT_TRUE(COrvXFileLoader::LoadFromMemory(data.data(), data.size(), mesh, sError)) << sError;
    EXPECT_EQ(mesh.GetFaceCount(), 2u);
    EXPECT_EQ(mesh.GetVertexCount(), 4u);
}

TEST(XFileLoader, BadFilesFailCleanly)
{
    SOrvMeshData mesh;
    std::string sError;
    EXPECT_FALSE(COrvXFileLoader::Load(s_sData + "missing.x", mesh, sError));
    EXPECT_FALSE(COrvXFileLoader::Load(s_sData + "garbage.x", mesh, sError));
    EXPECT_FALSE(sError.empty());
    // Not a .x file at all, even though another reader would take it.
    const char* pObj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    EXPECT_FALSE(COrvXFileLoader::LoadFromMemory(pObj, std::strlen(pObj), mesh, sError));
    std::vector<char> truncated = BinaryQuad();
    truncated.resize(truncated.size() - 20);
    EXPECT_FALSE(COrvXFileLoader::LoadFromMemory(truncated.data(), truncated.size(), mesh, sError));
}
