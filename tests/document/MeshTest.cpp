#include "OrvTestDemo.h"
#include "RecordingDevice.h"

#include <cmath>
#include <memory>
#include <gtest/gtest.h>

namespace
{
// A demo whose data folder is tests/document/data/golden/data, on the recording device.
class Meshes : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::current_path(std::filesystem::path(ORV_TEST_SOURCE_DIR) / "document" /
                                      "data" / "golden");
        m_pDemo = std::make_unique<COrvDemo>();
        m_pDemo->SetDevice(&m_Device);
    }
    void TearDown() override
    {
        m_pDemo->SetDevice(nullptr);
        m_pDemo.reset();
        std::filesystem::current_path(m_Previous);
    }
    OGLObject* Build(const std::string& name)
    {
        auto* pResource = static_cast<COrvResObject3D*>(m_pDemo->AddResObject3D());
        pResource->SetFileName(name);
        pResource->Update();
        return pResource->GetObject();
    }

    std::filesystem::path m_Previous = std::filesystem::current_path();
    CRecordingDevice m_Device{640, 480};
    std::unique_ptr<COrvDemo> m_pDemo;
};
} // namespace

TEST_F(Meshes, QuadHasAStripAndAFlatBox)
{
    OGLObject* pQuad = Build("quad");
    ASSERT_NE(pQuad, nullptr);
    ASSERT_NE(pQuad->GetVertexBuffer(), nullptr);
    EXPECT_EQ(pQuad->GetMaterialCount(), 0u);
    EXPECT_FLOAT_EQ(pQuad->GetBoxMin().x, -1.0f);
    EXPECT_FLOAT_EQ(pQuad->GetBoxMax().y, 1.0f);
    EXPECT_FLOAT_EQ(pQuad->GetBoxMax().z, 0.0f);
    EXPECT_NEAR(pQuad->GetDiagonal(), 2.0f * std::sqrt(2.0f), 1e-5f);
    m_Device.ClearCalls();
    pQuad->Draw(m_pDemo.get(), nullptr);
    const std::string buffer = m_Device.Label(pQuad->GetVertexBuffer());
    const std::vector<std::string> calls =
        m_Device.CallsNamed({"SetStreamSource", "DrawPrimitive"});
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "SetStreamSource 0 " + buffer + " 0 32");
    EXPECT_EQ(calls.back(), "DrawPrimitive 5 0 2");
}

TEST_F(Meshes, BuiltInSolidsHaveTheirBoxes)
{
    OGLObject* pSphere = Build("sphere");
    ASSERT_NE(pSphere, nullptr);
    ASSERT_NE(pSphere->GetMesh(), nullptr);
    EXPECT_NEAR(pSphere->GetCenter().x, 0.0f, 1e-4f);
    EXPECT_NEAR(pSphere->GetCenter().y, 0.0f, 1e-4f);
    EXPECT_NEAR(pSphere->GetDiagonal(), 2.0f * std::sqrt(3.0f), 0.05f);
    OGLObject* pTeapot = Build("teapot");
    ASSERT_NE(pTeapot, nullptr);
    EXPECT_NE(pTeapot->GetMesh(), nullptr);
    EXPECT_GT(pTeapot->GetDiagonal(), 1.0f);

    const COrvComPtr<OGLObject> pBall(new OGLObject);
    pBall->SetDevice(&m_Device);
    EXPECT_EQ(pBall->CreateTexturedSphere(2.0f, 12), 0);
    ASSERT_NE(pBall->GetMesh(), nullptr);
    EXPECT_NEAR(pBall->GetDiagonal(), 4.0f * std::sqrt(3.0f), 0.2f);
    // Texture coordinates come from the normals: all inside 0..1.
    void* pData = nullptr;
    ASSERT_TRUE(SUCCEEDED(pBall->GetMesh()->LockVertexBuffer(D3DLOCK_READONLY, &pData)));
    const float* pVertex = static_cast<const float*>(pData);
    for (DWORD i = 0; i < pBall->GetMesh()->GetNumVertices(); ++i, pVertex += 8)
    {
        EXPECT_GE(pVertex[6], 0.0f);
        EXPECT_LE(pVertex[7], 1.0f);
    }
    pBall->GetMesh()->UnlockVertexBuffer();
}

TEST_F(Meshes, FileMaterialsBecomeResourcesOfTheDemo)
{
    OGLObject* pPanel = Build("panel.x");
    ASSERT_NE(pPanel, nullptr);
    ASSERT_NE(pPanel->GetMesh(), nullptr);
    EXPECT_EQ(pPanel->GetMaterialCount(), 2u);
    EXPECT_EQ(pPanel->GetMaterialNames(),
              (std::vector<std::string>{"panel.x_mat0", "panel.x_mat1"}));
    EXPECT_FLOAT_EQ(pPanel->GetBoxMin().z, -0.5f);
    EXPECT_FLOAT_EQ(pPanel->GetDiagonal(), std::sqrt(16.0f + 4.0f + 1.0f));

    auto* pPlain = dynamic_cast<COrvResMaterial*>(m_pDemo->GetResourceByName("panel.x_mat0"));
    auto* pStriped = dynamic_cast<COrvResMaterial*>(m_pDemo->GetResourceByName("panel.x_mat1"));
    auto* pImage = dynamic_cast<COrvResImage*>(m_pDemo->GetResourceByName("panel.x_tex1"));
    ASSERT_TRUE(pPlain && pStriped && pImage);
    EXPECT_EQ(m_pDemo->GetResourceByName("panel.x_tex0"), nullptr);
    EXPECT_EQ(FindProperty<COrvPropString>(pImage, ORV_PROP_FILENAME)->GetValue(), "checker.bmp");
    const D3DXVECTOR3 diffuse =
        FindProperty<COrvPropVector>(pPlain, ORV_PROP_DIFFUSE_COLOR)->GetValue();
    EXPECT_FLOAT_EQ(diffuse.z, 0.6f);
    EXPECT_EQ(FindProperty<COrvPropString>(pStriped, ORV_PROP_TEXTURE_NAME_0)->GetValue(),
              "panel.x_tex1");

    // Each subset is drawn once per pass; without an effect there is one pass.
    m_Device.ClearCalls();
    pPanel->Draw(m_pDemo.get(), pStriped);
    EXPECT_EQ(m_Device.CountCalls("SetMaterial"), 1u);
    EXPECT_EQ(m_Device.CountCalls("DrawIndexedPrimitive") + m_Device.CountCalls("DrawPrimitive") +
                  m_Device.CountCalls("DrawIndexedPrimitiveUP"),
              2u);

    // Loading the file again finds the resources it made: nothing is added twice.
    const size_t count = m_pDemo->GetResources().size();
    Build("panel.x");
    EXPECT_EQ(m_pDemo->GetResources().size(), count + 1); // only the new mesh resource
}

TEST_F(Meshes, DrawFrameUpdatesTheResourcesThatAMeshFileAdds)
{
    // The mesh is the only resource, so appending its materials moves the list's storage
    // while the frame walks it.
    auto* pResource = static_cast<COrvResObject3D*>(m_pDemo->AddResObject3D());
    pResource->SetFileName("panel.x");
    m_pDemo->DrawFrame(0.0f);
    ASSERT_NE(pResource->GetObject(), nullptr);
    EXPECT_NE(m_pDemo->GetResourceByName("panel.x_mat1"), nullptr);
    EXPECT_NE(m_pDemo->GetResourceByName("panel.x_tex1"), nullptr);
    m_pDemo->DrawFrame(1.0f);
}
