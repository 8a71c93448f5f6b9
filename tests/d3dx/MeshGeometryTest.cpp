#include "OrvTestDevice.h"
#include "d3dx9.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace
{
struct SVertex
{
    D3DXVECTOR3 m_position;
    D3DXVECTOR3 m_normal;
};

std::vector<SVertex> Vertices(ID3DXMesh* pMesh)
{
    std::vector<SVertex> vertices(pMesh->GetNumVertices());
    void* p = nullptr;
    EXPECT_EQ(pMesh->GetNumBytesPerVertex(), sizeof(SVertex));
    if (SUCCEEDED(pMesh->LockVertexBuffer(D3DLOCK_READONLY, &p)))
    {
        std::memcpy(vertices.data(), p, vertices.size() * sizeof(SVertex));
        pMesh->UnlockVertexBuffer();
    }
    return vertices;
}

void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const char* pWhat)
{
    EXPECT_NEAR(a.x, b.x, 1e-5f) << pWhat;
    EXPECT_NEAR(a.y, b.y, 1e-5f) << pWhat;
    EXPECT_NEAR(a.z, b.z, 1e-5f) << pWhat;
}

std::vector<DWORD> Dwords(ID3DXBuffer* pBuffer)
{
    const auto* p = static_cast<const DWORD*>(pBuffer->GetBufferPointer());
    return {p, p + pBuffer->GetBufferSize() / sizeof(DWORD)};
}
} // namespace

TEST(D3DXShapes, EachShapeIsAPositionAndNormalMeshOfD3DXsCounts)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    struct SCase
    {
        const char* m_pName;
        HRESULT m_hr;
        DWORD m_dwVertices, m_dwFaces;
        COrvComPtr<ID3DXMesh> m_pMesh;
    };
    std::vector<SCase> cases;
    auto add = [&](const char* pName, HRESULT hr, DWORD dwVertices, DWORD dwFaces,
                   const COrvComPtr<ID3DXMesh>& pMesh) {
        cases.push_back({pName, hr, dwVertices, dwFaces, pMesh});
    };
    COrvComPtr<ID3DXMesh> pMesh;
    HRESULT hr = D3DXCreateBox(device.Get(), 1, 2, 3, pMesh.ReleaseAndGetAddressOf(), nullptr);
    add("box", hr, 24, 12, pMesh);
    hr =
        D3DXCreateCylinder(device.Get(), 1, 0.5f, 2, 6, 2, pMesh.ReleaseAndGetAddressOf(), nullptr);
    add("cylinder", hr, 2 + 6 * 5, 2 * 6 * 3, pMesh);
    hr = D3DXCreateTorus(device.Get(), 0.25f, 1, 5, 7, pMesh.ReleaseAndGetAddressOf(), nullptr);
    add("torus", hr, 35, 70, pMesh);
    hr = D3DXCreatePolygon(device.Get(), 1, 5, pMesh.ReleaseAndGetAddressOf(), nullptr);
    add("polygon", hr, 6, 5, pMesh);
    hr = D3DXCreateSphere(device.Get(), 1, 2, 2, pMesh.ReleaseAndGetAddressOf(), nullptr);
    add("two-slice sphere", hr, 4, 4, pMesh);
    for (const SCase& shape : cases)
    {
        ASSERT_EQ(shape.m_hr, S_OK) << shape.m_pName;
        EXPECT_EQ(shape.m_pMesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL)) << shape.m_pName;
        EXPECT_EQ(shape.m_pMesh->GetNumVertices(), shape.m_dwVertices) << shape.m_pName;
        EXPECT_EQ(shape.m_pMesh->GetNumFaces(), shape.m_dwFaces) << shape.m_pName;
        EXPECT_EQ(shape.m_pMesh->GetOptions() & D3DXMESH_MANAGED, DWORD(D3DXMESH_MANAGED));
    }
    ID3DXMesh* pRefused = reinterpret_cast<ID3DXMesh*>(1); // failures must null it
    EXPECT_EQ(D3DXCreateBox(device.Get(), -1, 1, 1, &pRefused, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(pRefused, nullptr);
    EXPECT_EQ(D3DXCreateCylinder(device.Get(), 1, 1, 1, 1, 1, &pRefused, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTorus(device.Get(), 1, 1, 2, 3, &pRefused, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreatePolygon(nullptr, 1, 5, &pRefused, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateSphere(device.Get(), 1, 1, 2, &pRefused, nullptr), D3DERR_INVALIDCALL);
}

TEST(D3DXShapes, BoxSidesAreAdjacentAndComputedNormalsFollowTheAdjacency)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    COrvComPtr<ID3DXMesh> pBox;
    COrvComPtr<ID3DXBuffer> pAdjacency;
    ASSERT_EQ(D3DXCreateBox(device.Get(), 2, 2, 2, pBox.ReleaseAndGetAddressOf(),
                            pAdjacency.ReleaseAndGetAddressOf()),
              S_OK);
    std::vector<DWORD> adwAdjacency = Dwords(pAdjacency.Get());
    ASSERT_EQ(adwAdjacency.size(), 36u);
    for (DWORD dw : adwAdjacency)
        EXPECT_LT(dw, 12u) << "a closed box: every edge has a neighbour";
    // Face 0 (-x side, corners 0 1 2) meets face 1 across its diagonal 2-0, and the -y side
    // (face 6 or 7) across its edge 0-1.
    EXPECT_EQ(adwAdjacency[2], 1u);
    EXPECT_TRUE(adwAdjacency[0] == 6u || adwAdjacency[0] == 7u) << adwAdjacency[0];

    // Without an adjacency each side keeps its own normal; with one, the corners are
    // smoothed over the three sides that meet there.
    std::vector<SVertex> before = Vertices(pBox.Get());
    ASSERT_EQ(D3DXComputeNormals(pBox.Get(), nullptr), S_OK);
    std::vector<SVertex> flat = Vertices(pBox.Get());
    for (size_t v = 0; v < flat.size(); ++v)
        ExpectNear(flat[v].m_normal, before[v].m_normal, "flat side");
    ASSERT_EQ(D3DXComputeNormals(pBox.Get(), adwAdjacency.data()), S_OK);
    const float f = 1.0f / std::sqrt(3.0f);
    for (const SVertex& vertex : Vertices(pBox.Get()))
        ExpectNear(vertex.m_normal, vertex.m_position * f, "smoothed corner");
    pAdjacency.Reset();

    // A mesh without normals has nothing to compute into.
    COrvComPtr<ID3DXMesh> pBare;
    ASSERT_EQ(pBox->CloneMeshFVF(D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, device.Get(),
                                 pBare.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(D3DXComputeNormals(pBare.Get(), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXComputeNormals(nullptr, nullptr), D3DERR_INVALIDCALL);
}

TEST(D3DXShapes, ComputedNormalsWeighEachFaceByItsAngle)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    // A fan about vertex 0 with two faces in the z = 0 plane (90 degrees there together) and
    // one in the x = 0 plane (45 degrees): the normal at 0 leans 2 : 1 towards the first two.
    COrvComPtr<ID3DXMesh> pMesh;
    ASSERT_EQ(D3DXCreateMeshFVF(3, 5, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_NORMAL, device.Get(),
                                pMesh.ReleaseAndGetAddressOf()),
              S_OK);
    const SVertex aVertices[5] = {
        {{0, 0, 0}, {}}, {{1, 0, 0}, {}}, {{1, 1, 0}, {}}, {{0, 1, 0}, {}}, {{0, 1, 1}, {}}};
    const WORD awIndices[9] = {0, 1, 2, 0, 2, 3, 0, 4, 3};
    void* p = nullptr;
    ASSERT_EQ(pMesh->LockVertexBuffer(0, &p), S_OK);
    std::memcpy(p, aVertices, sizeof aVertices);
    pMesh->UnlockVertexBuffer();
    ASSERT_EQ(pMesh->LockIndexBuffer(0, &p), S_OK);
    std::memcpy(p, awIndices, sizeof awIndices);
    pMesh->UnlockIndexBuffer();
    ASSERT_EQ(D3DXComputeNormals(pMesh.Get(), nullptr), S_OK);
    std::vector<SVertex> vertices = Vertices(pMesh.Get());
    // Faces 0 and 1 face +z (clockwise seen from +z); face 2 faces -x.
    D3DXVECTOR3 expected(-0.25f * D3DX_PI, 0.0f, 0.5f * D3DX_PI);
    D3DXVec3Normalize(&expected, &expected);
    ExpectNear(vertices[0].m_normal, expected, "angle-weighted centre");
    ExpectNear(vertices[1].m_normal, {0, 0, 1}, "a corner of one face");
}

namespace
{
// The box of D3DXCreateBox(2, 2, 2) cloned into another layout, its normals set to NaN.
COrvComPtr<ID3DXMesh> CloneBox(COrvTestDevice& device, const D3DVERTEXELEMENT9* pDeclaration,
                               COrvComPtr<ID3DXBuffer>& pAdjacency)
{
    COrvComPtr<ID3DXMesh> pBox, pClone;
    EXPECT_EQ(D3DXCreateBox(device.Get(), 2, 2, 2, pBox.ReleaseAndGetAddressOf(),
                            pAdjacency.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(pBox->CloneMesh(D3DXMESH_SYSTEMMEM, pDeclaration, device.Get(),
                              pClone.ReleaseAndGetAddressOf()),
              S_OK);
    return pClone;
}

std::vector<float> Floats(ID3DXMesh* pMesh)
{
    std::vector<float> af(pMesh->GetNumVertices() * pMesh->GetNumBytesPerVertex() / 4);
    void* p = nullptr;
    if (SUCCEEDED(pMesh->LockVertexBuffer(D3DLOCK_READONLY, &p)))
    {
        std::memcpy(af.data(), p, af.size() * 4);
        pMesh->UnlockVertexBuffer();
    }
    return af;
}

void Poison(ID3DXMesh* pMesh, size_t uFirst, size_t uCount)
{
    const size_t uStride = pMesh->GetNumBytesPerVertex() / 4;
    void* p = nullptr;
    ASSERT_EQ(pMesh->LockVertexBuffer(0, &p), S_OK);
    for (size_t v = 0; v < pMesh->GetNumVertices(); ++v)
        for (size_t i = 0; i < uCount; ++i)
            static_cast<float*>(p)[v * uStride + uFirst + i] = std::nanf("");
    pMesh->UnlockVertexBuffer();
}

// The box's vertices as floats after D3DXComputeNormals in that layout, the normals (uCount
// floats from float uFirst) poisoned before; with or without the box's adjacency.
std::vector<float> NormalsInLayout(COrvTestDevice& device, const D3DVERTEXELEMENT9* pDeclaration,
                                   size_t uFirst, size_t uCount, bool bAdjacency)
{
    COrvComPtr<ID3DXBuffer> pAdjacency;
    COrvComPtr<ID3DXMesh> pMesh = CloneBox(device, pDeclaration, pAdjacency);
    Poison(pMesh.Get(), uFirst, uCount);
    const auto* pdwAdjacency = static_cast<const DWORD*>(pAdjacency->GetBufferPointer());
    EXPECT_EQ(D3DXComputeNormals(pMesh.Get(), bAdjacency ? pdwAdjacency : nullptr), S_OK);
    return Floats(pMesh.Get());
}
} // namespace

TEST(D3DXShapes, NormalsAreComputedForEveryLayoutD3DXTakes)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    const float f = 1.0f / std::sqrt(3.0f);

    // Four-float normals ahead of the positions: x, y, z written, w set to 1.
    const D3DVERTEXELEMENT9 aNormalFirst[] = {
        {0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_NORMAL, 0},
        {0, 16, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
        D3DDECL_END()};
    std::vector<float> af = NormalsInLayout(device, aNormalFirst, 0, 4, true);
    for (size_t v = 0; v < 24; ++v)
    {
        const float* pVertex = &af[v * 7];
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(pVertex[c], pVertex[4 + c] * f, 1e-5f) << "corner " << v;
        EXPECT_EQ(pVertex[3], 1.0f);
    }

    // Positions of two floats lie in the z = 0 plane: the box's +z and -z sides face +z and
    // -z, the others are lines and add nothing; of one float, every face is a line.
    const D3DVERTEXELEMENT9 aFlat[] = {{0, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_POSITION, 0},
                                       {0, 8, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                       D3DDECL_END()};
    af = NormalsInLayout(device, aFlat, 2, 3, false);
    for (size_t v = 16; v < 24; ++v)
        ExpectNear({af[v * 5 + 2], af[v * 5 + 3], af[v * 5 + 4]}, {0, 0, v < 20 ? 1.0f : -1.0f},
                   "side facing z");
    ExpectNear({af[2], af[3], af[4]}, {0, 0, 0}, "a -x corner, alone on its line");
    const D3DVERTEXELEMENT9 aLine[] = {{0, 0, D3DDECLTYPE_FLOAT1, 0, D3DDECLUSAGE_POSITION, 0},
                                       {0, 4, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                       D3DDECL_END()};
    af = NormalsInLayout(device, aLine, 1, 3, false);
    for (size_t v = 0; v < 24; ++v)
        ExpectNear({af[v * 4 + 1], af[v * 4 + 2], af[v * 4 + 3]}, {0, 0, 0}, "degenerate");

    // Normals of one or two floats cannot hold a normal.
    const D3DVERTEXELEMENT9 aShortNormal[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_NORMAL, 0},
        D3DDECL_END()};
    COrvComPtr<ID3DXBuffer> pAdjacency;
    COrvComPtr<ID3DXMesh> pMesh = CloneBox(device, aShortNormal, pAdjacency);
    EXPECT_EQ(D3DXComputeNormals(pMesh.Get(), nullptr), D3DERR_INVALIDCALL);
}

TEST(D3DXShapes, RefusedCallsLeaveWhatTheyMustUntouched)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    // A polygon of no sides is refused before the out pointers are written.
    auto* pPolygon = reinterpret_cast<ID3DXMesh*>(uintptr_t(0x1234));
    auto* pAdjacency = reinterpret_cast<ID3DXBuffer*>(uintptr_t(0x5678));
    EXPECT_EQ(D3DXCreatePolygon(device.Get(), 2, 0, &pPolygon, &pAdjacency), D3DERR_INVALIDCALL);
    EXPECT_EQ(pPolygon, reinterpret_cast<ID3DXMesh*>(uintptr_t(0x1234)));
    EXPECT_EQ(pAdjacency, reinterpret_cast<ID3DXBuffer*>(uintptr_t(0x5678)));
    EXPECT_EQ(D3DXCreatePolygon(device.Get(), 2, 2, &pPolygon, &pAdjacency), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreatePolygon(device.Get(), -1, 5, &pPolygon, &pAdjacency), D3DERR_INVALIDCALL);

    // A mesh holds its vertices in one buffer: a second stream has no place.
    const D3DVERTEXELEMENT9 aTwoStreams[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
        {1, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
        D3DDECL_END()};
    ID3DXMesh* pMesh = nullptr;
    EXPECT_EQ(D3DXCreateMesh(1, 3, D3DXMESH_MANAGED, aTwoStreams, device.Get(), &pMesh),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(pMesh, nullptr);
}

TEST(D3DXGeometry, BoundingSphereIsAboutTheAverage)
{
    const float afPositions[] = {0, 0, 0, 9, 9, 4, 0, 0, 3, 99, 99, 0, 3, 0, 0, 9, 9, 9};
    D3DXVECTOR3 centre;
    float fRadius = 0;
    // Three points, 6 floats apart: (0,0,0), (0,0,3), (3,0,0).
    ASSERT_EQ(D3DXComputeBoundingSphere(reinterpret_cast<const D3DXVECTOR3*>(afPositions), 3, 24,
                                        &centre, &fRadius),
              S_OK);
    ExpectNear(centre, {1, 0, 1}, "average");
    EXPECT_FLOAT_EQ(fRadius, std::sqrt(5.0f));
    EXPECT_EQ(D3DXComputeBoundingSphere(nullptr, 3, 12, &centre, &fRadius), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXComputeBoundingSphere(reinterpret_cast<const D3DXVECTOR3*>(afPositions), 3, 12,
                                        nullptr, &fRadius),
              D3DERR_INVALIDCALL);
}

TEST(D3DXGeometry, RaysMeetTrianglesSpheresAndBoxes)
{
    const D3DXVECTOR3 a(0, 0, 0), b(2, 0, 0), c(0, 4, 0);
    const D3DXVECTOR3 from(0.5f, 1, -3), down(0, 0, 2);
    float u = -1, v = -1, fDist = -1;
    ASSERT_TRUE(D3DXIntersectTri(&a, &b, &c, &from, &down, &u, &v, &fDist));
    EXPECT_FLOAT_EQ(u, 0.25f);
    EXPECT_FLOAT_EQ(v, 0.25f);
    EXPECT_FLOAT_EQ(fDist, 1.5f) << "in units of the direction's length";
    const D3DXVECTOR3 up(0, 0, -1), behind(0.5f, 1, 3), outside(3, 3, -3);
    EXPECT_TRUE(D3DXIntersectTri(&a, &b, &c, &behind, &up, &u, &v, &fDist)) << "both sides count";
    EXPECT_FLOAT_EQ(fDist, 3.0f);
    EXPECT_FALSE(D3DXIntersectTri(&a, &b, &c, &from, &up, &u, &v, &fDist)) << "behind the ray";
    EXPECT_FALSE(D3DXIntersectTri(&a, &b, &c, &outside, &down, &u, &v, &fDist));
    const D3DXVECTOR3 along(1, 0, 0);
    EXPECT_FALSE(D3DXIntersectTri(&a, &b, &c, &from, &along, &u, &v, &fDist)) << "parallel";

    const D3DXVECTOR3 centre(0, 0, 5);
    const D3DXVECTOR3 origin(0, 0, 0), ahead(0, 0, 1), grazing(1, 0, 0), side(0, 1, 0);
    EXPECT_TRUE(D3DXSphereBoundProbe(&centre, 1, &origin, &ahead));
    EXPECT_FALSE(D3DXSphereBoundProbe(&centre, 1, &origin, &up)) << "behind the ray";
    EXPECT_FALSE(D3DXSphereBoundProbe(&centre, 1, &grazing, &ahead)) << "touching is not passing";
    EXPECT_TRUE(D3DXSphereBoundProbe(&centre, 1, &centre, &side)) << "starting inside";

    const D3DXVECTOR3 low(-1, -1, 4), high(1, 1, 6), corner(2, 2, 0), diagonal(-1, -1, 3);
    EXPECT_TRUE(D3DXBoxBoundProbe(&low, &high, &origin, &ahead));
    EXPECT_FALSE(D3DXBoxBoundProbe(&low, &high, &origin, &up));
    EXPECT_FALSE(D3DXBoxBoundProbe(&low, &high, &corner, &ahead)) << "beside the box";
    EXPECT_TRUE(D3DXBoxBoundProbe(&low, &high, &corner, &diagonal));
    EXPECT_TRUE(D3DXBoxBoundProbe(&low, &high, &centre, &side)) << "starting inside";
}

TEST(D3DXMeshFile, LoadsFromMemoryAsFromAFile)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    const std::string sFile = R"(xof 0303txt 0032
Frame F { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0.001,0,0,1;; }
 Mesh Tri { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshNormals { 1; 0;0;-1;; 1; 3;0,0,0;; } } })";
    COrvComPtr<ID3DXMesh> pMesh;
    COrvComPtr<ID3DXBuffer> pMaterials;
    DWORD dwMaterials = 0;
    ASSERT_EQ(D3DXLoadMeshFromXInMemory(sFile.data(), DWORD(sFile.size()), D3DXMESH_SYSTEMMEM,
                                        device.Get(), nullptr, pMaterials.ReleaseAndGetAddressOf(),
                                        nullptr, &dwMaterials, pMesh.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(pMesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL));
    std::vector<SVertex> vertices = Vertices(pMesh.Get());
    ASSERT_EQ(vertices.size(), 3u);
    EXPECT_EQ(vertices[1].m_position, D3DXVECTOR3(1.001f, 0, 0)) << "a small shift is kept";
    // No material list: one default material, which D3DX also gives.
    ASSERT_EQ(dwMaterials, 1u);
    const auto* pMaterial = static_cast<const D3DXMATERIAL*>(pMaterials->GetBufferPointer());
    EXPECT_EQ(pMaterial->MatD3D.Diffuse.r, 0.5f);
    EXPECT_EQ(pMaterial->pTextureFilename, nullptr);
    pMaterials.Reset();
    pMesh.Reset();

    ID3DXMesh* pRefused = reinterpret_cast<ID3DXMesh*>(1); // failures must null it
    EXPECT_EQ(D3DXLoadMeshFromXInMemory(sFile.data(), 40, 0, device.Get(), nullptr, nullptr,
                                        nullptr, nullptr, &pRefused),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(pRefused, nullptr);
    EXPECT_EQ(D3DXLoadMeshFromXInMemory(nullptr, 10, 0, device.Get(), nullptr, nullptr, nullptr,
                                        nullptr, &pRefused),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXLoadMeshFromXInMemory(sFile.data(), DWORD(sFile.size()), 0, nullptr, nullptr,
                                        nullptr, nullptr, nullptr, &pRefused),
              D3DERR_INVALIDCALL);
}

TEST(D3DXMeshFile, AFileWithoutMeshesFailsAsD3DXFails)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    // A bare header, or objects that are no mesh: E_FAIL, not invalid data.
    for (const std::string& sFile :
         {std::string("xof 0303txt 0032"), std::string("xof 0303txt 0032\n"),
          std::string("xof 0303txt 0032 Material M { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }"),
          std::string("xof 0303txt 0032 Frame F { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, "
                      "0,0,1,0, 0,0,0,1;; } }")})
    {
        ID3DXMesh* pMesh = reinterpret_cast<ID3DXMesh*>(1);
        DWORD dwMaterials = 7;
        EXPECT_EQ(D3DXLoadMeshFromXInMemory(sFile.data(), DWORD(sFile.size()), D3DXMESH_SYSTEMMEM,
                                            device.Get(), nullptr, nullptr, nullptr, &dwMaterials,
                                            &pMesh),
                  E_FAIL)
            << sFile;
        EXPECT_EQ(pMesh, nullptr);
        EXPECT_EQ(dwMaterials, 0u);
    }
    // A mesh without faces is a mesh, broken.
    const std::string sEmpty = "xof 0303txt 0032 Mesh E { 0;; 0;; }";
    ID3DXMesh* pMesh = nullptr;
    EXPECT_EQ(D3DXLoadMeshFromXInMemory(sEmpty.data(), DWORD(sEmpty.size()), D3DXMESH_SYSTEMMEM,
                                        device.Get(), nullptr, nullptr, nullptr, nullptr, &pMesh),
              D3DXERR_INVALIDDATA);
}

TEST(D3DXMeshFile, EffectInstancesCarryTheFilesParameterValues)
{
    COrvTestDevice device;
    ASSERT_TRUE(device);
    const std::string sFile = R"(xof 0303txt 0032
Mesh Quad {
 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 2; 3;0,1,2;, 3;0,2,3;;
 MeshMaterialList { 2; 2; 0, 1;;
  Material Plain { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }
  Material Shiny { 1;1;1;1;; 8; 1;1;1;; 0;0;0;;
   TextureFilename { "metal.dds"; }
   EffectInstance { "shiny.fx";
    EffectParamFloats { "Tint"; 3; 0.25, 0.5, 1.0; }
    EffectParamDWord { "Passes"; 2; }
    EffectParamString { "Map"; "metal.dds"; }
   }
  }
 }
})";
    COrvComPtr<ID3DXMesh> pMesh;
    COrvComPtr<ID3DXBuffer> pInstances;
    DWORD dwMaterials = 0;
    ASSERT_EQ(D3DXLoadMeshFromXInMemory(sFile.data(), DWORD(sFile.size()), D3DXMESH_SYSTEMMEM,
                                        device.Get(), nullptr, nullptr,
                                        pInstances.ReleaseAndGetAddressOf(), &dwMaterials,
                                        pMesh.ReleaseAndGetAddressOf()),
              S_OK);
    ASSERT_EQ(dwMaterials, 2u);
    const auto* pInstance = static_cast<const D3DXEFFECTINSTANCE*>(pInstances->GetBufferPointer());
    EXPECT_EQ(pInstance[0].pEffectFilename, nullptr);
    EXPECT_EQ(pInstance[0].NumDefaults, 0u);
    ASSERT_NE(pInstance[1].pEffectFilename, nullptr);
    EXPECT_STREQ(pInstance[1].pEffectFilename, "shiny.fx");
    ASSERT_EQ(pInstance[1].NumDefaults, 3u);
    const D3DXEFFECTDEFAULT* pDefaults = pInstance[1].pDefaults;
    EXPECT_STREQ(pDefaults[0].pParamName, "Tint");
    EXPECT_EQ(pDefaults[0].Type, D3DXEDT_FLOATS);
    ASSERT_EQ(pDefaults[0].NumBytes, 12u);
    EXPECT_EQ(static_cast<const float*>(pDefaults[0].pValue)[2], 1.0f);
    EXPECT_EQ(pDefaults[1].Type, D3DXEDT_DWORD);
    EXPECT_EQ(*static_cast<const DWORD*>(pDefaults[1].pValue), 2u);
    EXPECT_EQ(pDefaults[2].Type, D3DXEDT_STRING);
    EXPECT_STREQ(static_cast<const char*>(pDefaults[2].pValue), "metal.dds");
}
