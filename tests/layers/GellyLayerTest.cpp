#include "MeshLayerFixture.h"
#include "RecordingDrawState.h"

#include <cmath>
#include <cstring>

namespace
{
class GellyLayer : public MeshLayerTest
{
protected:
    void SetUp() override
    {
        MeshLayerTest::SetUp();
        m_pSphere = AddMesh("sphere");
        m_pLayer = static_cast<COrvLayer3DObjectGelly*>(m_Demo.AddLayerObject3DGelly());
        SetString(m_pLayer, ORV_PROP_MESH_NAME, "sphere");
    }
    void DrawAt(float frame)
    {
        COrvPropBase::SetFrame(frame);
        m_pLayer->Draw();
    }
    // The bytes of a mesh resource's vertex buffer, as the device holds them.
    static std::vector<BYTE> VertexBytes(COrvResObject3D* pResource)
    {
        ID3DXMesh* pMesh = pResource->GetObject()->GetMesh();
        std::vector<BYTE> bytes(size_t(pMesh->GetNumVertices()) * pMesh->GetNumBytesPerVertex());
        void* pData = nullptr;
        if (SUCCEEDED(pMesh->LockVertexBuffer(D3DLOCK_READONLY, &pData)) && pData)
        {
            std::memcpy(bytes.data(), pData, bytes.size());
            pMesh->UnlockVertexBuffer();
        }
        return bytes;
    }
    static D3DXVECTOR3 Position(const std::vector<BYTE>& bytes, UINT stride, UINT i)
    {
        D3DXVECTOR3 p;
        std::memcpy(&p, bytes.data() + size_t(i) * stride, sizeof(p));
        return p;
    }

    COrvResObject3D* m_pSphere = nullptr;
    COrvLayer3DObjectGelly* m_pLayer = nullptr;
};
} // namespace

TEST_F(GellyLayer, FirstDrawKeepsTheShapeLaterDrawsIntegrateIntoTheMesh)
{
    const std::vector<BYTE> rest = VertexBytes(m_pSphere);
    const UINT stride = m_pSphere->GetObject()->GetMesh()->GetNumBytesPerVertex();
    DrawAt(10.0f);
    EXPECT_EQ(VertexBytes(m_pSphere), rest);
    ASSERT_EQ(m_pLayer->GetGelly().VertexCount(),
              m_pSphere->GetObject()->GetMesh()->GetNumVertices());

    // The same step on a private copy of the state gives the positions the mesh receives.
    ORV_Gelly expected = m_pLayer->GetGelly();
    expected.Step(expected.TakeStep(11.0f));
    DrawAt(11.0f);
    const std::vector<BYTE> moved = VertexBytes(m_pSphere);
    for (UINT i = 0; i < expected.VertexCount(); i += 7)
    {
        const D3DXVECTOR3 p = Position(moved, stride, i);
        EXPECT_EQ(p.x, expected.Position(i).x) << i;
        EXPECT_EQ(p.y, expected.Position(i).y) << i;
        EXPECT_LT(p.y, Position(rest, stride, i).y) << i;
    }
    // Everything after the position (normals, texture coordinates) stays.
    for (UINT i = 0; i < expected.VertexCount(); ++i)
        ASSERT_EQ(std::memcmp(moved.data() + size_t(i) * stride + 12,
                              rest.data() + size_t(i) * stride + 12, stride - 12),
                  0);

    // The camera keeps the rest bounds.
    D3DXMATRIX view;
    m_Device.GetTransform(D3DTS_VIEW, &view);
    EXPECT_NEAR(view._43, 2.0f * m_pSphere->GetObject()->GetDiagonal(), 1e-4f);
}

TEST_F(GellyLayer, DrawsUnlitWithATransparentAmbientLight)
{
    m_Device.ClearCalls();
    DrawAt(0.0f);
    const SOrvDrawState state = OrvStateAtDraw(m_Device.GetCalls(), 0);
    ASSERT_TRUE(state.m_bDrawn);
    EXPECT_EQ(state.Value("SetLight 0"), "3 0 0 1 1 1 1 1 0 0 0 0");
    EXPECT_EQ(state.Value("SetRenderState D3DRS_LIGHTING"), "0");
    EXPECT_EQ(state.Value("SetRenderState D3DRS_CULLMODE"), "3");
    EXPECT_EQ(m_Device.CallsNamed({"SetLight", "SetRenderState"}).size(), 10u);
}

TEST_F(GellyLayer, StateFollowsTheMeshItDeforms)
{
    DrawAt(0.0f);
    const UINT sphereVertices = m_pLayer->GetGelly().VertexCount();
    COrvResObject3D* pTeapot = AddMesh("teapot");
    SetString(m_pLayer, ORV_PROP_MESH_NAME, "teapot");
    const std::vector<BYTE> teapotRest = VertexBytes(pTeapot);
    DrawAt(1.0f);
    const UINT teapotVertices = pTeapot->GetObject()->GetMesh()->GetNumVertices();
    ASSERT_NE(teapotVertices, sphereVertices);
    EXPECT_EQ(m_pLayer->GetGelly().VertexCount(), teapotVertices);
    // A new mesh starts at rest: its first draw does not move it.
    EXPECT_EQ(VertexBytes(pTeapot), teapotRest);

    // Reloading the resource gives a new object; the state is built again from it.
    pTeapot->SetFileName("sphere");
    pTeapot->Update();
    DrawAt(2.0f);
    EXPECT_EQ(m_pLayer->GetGelly().VertexCount(), sphereVertices);
    EXPECT_EQ(m_pLayer->GetGelly().LastFrame(), 2.0f);
}

TEST_F(GellyLayer, AJumpInTimeStaysFinite)
{
    DrawAt(0.0f);
    DrawAt(1.0e7f);
    DrawAt(-5.0e6f);
    DrawAt(3.0e7f);
    const std::vector<BYTE> bytes = VertexBytes(m_pSphere);
    const UINT stride = m_pSphere->GetObject()->GetMesh()->GetNumBytesPerVertex();
    for (UINT i = 0; i < m_pLayer->GetGelly().VertexCount(); ++i)
    {
        const D3DXVECTOR3 p = Position(bytes, stride, i);
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << i;
        ASSERT_GE(p.y, ORV_Gelly::kGround) << i;
    }
}
