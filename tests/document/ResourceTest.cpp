#include "OrvTestDemo.h"
#include "RecordingDevice.h"
#include "RecordingDrawState.h"

#include <gtest/gtest.h>

namespace
{
class Resources : public ::testing::Test
{
protected:
    void SetUp() override
    {
        COrvPropBase::SetFrame(0.0f);
        m_Demo.SetDevice(&m_Device);
    }
    void TearDown() override { m_Demo.SetDevice(nullptr); }

    COrvResRenderTarget* AddTarget(const std::string& name, int width, int height)
    {
        auto* pTarget = static_cast<COrvResRenderTarget*>(m_Demo.AddResRenderTarget());
        pTarget->SetName(name);
        FindProperty<COrvPropInt>(pTarget, ORV_PROP_WIDTH)->SetValue(width);
        FindProperty<COrvPropInt>(pTarget, ORV_PROP_HEIGHT)->SetValue(height);
        return pTarget;
    }

    CRecordingDevice m_Device{800, 600};
    COrvDemo m_Demo;
};
} // namespace

TEST_F(Resources, RenderTargetsFollowTheirSize)
{
    COrvResRenderTarget* pTarget = AddTarget("rt", 0, 100);
    pTarget->Update();
    EXPECT_EQ(pTarget->GetTexture(), nullptr);
    EXPECT_EQ(pTarget->GetSurface(), nullptr);

    FindProperty<COrvPropInt>(pTarget, ORV_PROP_WIDTH)->SetValue(200);
    pTarget->Update();
    ASSERT_NE(pTarget->GetSurface(), nullptr);
    UINT width = 0, height = 0;
    ASSERT_TRUE(pTarget->GetSourceSize(width, height));
    EXPECT_EQ(width, 200u);
    EXPECT_EQ(height, 100u);
    pTarget->Update(); // same size: nothing new
    EXPECT_EQ(m_Device.CountCalls("CreateTexture"), 1u);

    // AutoSize ignores Width and Height: the output width by a 16:9 height.
    FindProperty<COrvPropBool>(pTarget, ORV_PROP_AUTOSIZE)->SetValue(true);
    pTarget->Update();
    ASSERT_TRUE(pTarget->GetSourceSize(width, height));
    EXPECT_EQ(width, 800u);
    EXPECT_EQ(height, 450u);
    EXPECT_EQ(m_Device.GetLiveObjects(), 2); // one texture and its one level
}

TEST_F(Resources, RenderTargetsRefuseAbsurdSizesAndSurviveFailures)
{
    COrvResRenderTarget* pTarget = AddTarget("rt", -5, 64);
    pTarget->Update();
    EXPECT_EQ(pTarget->GetSurface(), nullptr);
    FindProperty<COrvPropInt>(pTarget, ORV_PROP_WIDTH)->SetValue(1000000000);
    pTarget->Update();
    EXPECT_EQ(pTarget->GetSurface(), nullptr);
    EXPECT_EQ(m_Device.CountCalls("CreateTexture"), 0u);

    // A device that fails: no surface, and no retry until the size changes.
    m_Device.SetFailCreation(true);
    FindProperty<COrvPropInt>(pTarget, ORV_PROP_WIDTH)->SetValue(64);
    pTarget->Update();
    pTarget->Update();
    EXPECT_EQ(pTarget->GetSurface(), nullptr);
    EXPECT_EQ(m_Device.CountCalls("CreateTexture"), 1u);
    m_Device.SetFailCreation(false);
    FindProperty<COrvPropInt>(pTarget, ORV_PROP_WIDTH)->SetValue(65);
    pTarget->Update();
    EXPECT_NE(pTarget->GetSurface(), nullptr);
}

TEST_F(Resources, AFreshMaterialRefreshesToItsDefaults)
{
    auto* pMaterial = static_cast<COrvResMaterial*>(m_Demo.AddResMaterial());
    const D3DMATERIAL9 first = pMaterial->GetMaterial()->m_Material;
    EXPECT_EQ(first.Diffuse.r, 1.0f);
    EXPECT_EQ(first.Diffuse.g, 0.0f);
    EXPECT_EQ(first.Diffuse.a, 0.0f);
    EXPECT_EQ(first.Ambient.r, 0.0f); // what the owned material held before
    EXPECT_EQ(first.Specular.r, 0.0f);
    EXPECT_EQ(first.Specular.a, 1.0f);
    EXPECT_EQ(first.Emissive.a, 0.0f);
    EXPECT_EQ(first.Power, 20.0f);
    // A second refresh gives Ambient the Diffuse of the first.
    FindProperty<COrvPropFloat>(pMaterial, ORV_PROP_SPECULAR)->SetValue(0.5f);
    const D3DMATERIAL9 second = pMaterial->GetMaterial()->m_Material;
    EXPECT_EQ(second.Ambient.r, 1.0f);
    EXPECT_EQ(second.Specular.g, 0.5f);
    float low = 0, high = 0;
    FindProperty<COrvPropFloat>(pMaterial, ORV_PROP_ALPHA)->GetRange(low, high);
    EXPECT_EQ(high, 1.0f);
}

TEST_F(Resources, ApplyBindsOnlyLoadedTextures)
{
    COrvResRenderTarget* pTarget = AddTarget("rt", 16, 16);
    pTarget->Update();
    auto* pMaterial = static_cast<COrvResMaterial*>(m_Demo.AddResMaterial());
    FindProperty<COrvPropString>(pMaterial, ORV_PROP_TEXTURE_NAME_0)->SetValue("rt");
    FindProperty<COrvPropString>(pMaterial, ORV_PROP_TEXTURE_NAME_1)->SetValue("missing");
    m_Device.ClearCalls();
    pMaterial->GetMaterial()->Apply(&m_Device, &m_Demo);
    EXPECT_EQ(m_Device.CallsNamed({"SetMaterial", "SetTexture"}).size(), 2u);
    const SOrvDrawState state = OrvStateAtEnd(m_Device.GetCalls());
    EXPECT_EQ(state.Value("SetMaterial").rfind("1 0 0 0", 0), 0u) << state.Value("SetMaterial");
    EXPECT_EQ(state.Value("SetTexture 0"), m_Device.Label(pTarget->GetTexture()));
    EXPECT_EQ(state.Value("SetTexture 1"), "");
}

TEST_F(Resources, SetDefaultsCopiesAFileMaterial)
{
    auto* pMaterial = static_cast<COrvResMaterial*>(m_Demo.AddResMaterial());
    COrvMaterial source;
    source.m_Material.Diffuse = {0.25f, 0.5f, 0.75f, 0.5f};
    source.m_TextureName0 = "a";
    source.m_TextureName1 = "b";
    pMaterial->SetDefaults(source);
    FindProperty<COrvPropFloat>(pMaterial, ORV_PROP_ALPHA)->DeleteKeys(-1000, 1000);
    const D3DMATERIAL9 m = pMaterial->GetMaterial()->m_Material;
    EXPECT_EQ(m.Diffuse.b, 0.75f);
    EXPECT_EQ(m.Diffuse.a, 0.5f);
    EXPECT_EQ(pMaterial->GetMaterial()->m_TextureName1, "b");
}

TEST_F(Resources, ImagesAndEffectsThatFailLeaveNothingAndDoNotRetry)
{
    COrvTempDir dir("images");
    std::filesystem::create_directories(dir.Path() / "data");
    dir.Enter();
    COrvDemo demo;
    demo.SetDevice(&m_Device);
    auto* pImage = static_cast<COrvResImage*>(demo.AddResImage());
    pImage->SetFileName("missing.png");
    auto* pShader = static_cast<COrvResShader*>(demo.AddResShader());
    pShader->SetFileName("missing.fx");
    demo.DrawFrame(0.0f);
    EXPECT_EQ(pImage->GetTexture(), nullptr);
    EXPECT_EQ(pShader->GetEffect(), nullptr);
    // Loaders ran inside the data folder.
    EXPECT_EQ(std::filesystem::current_path(), dir.Path() / "data");
    demo.SetDevice(nullptr);
    EXPECT_EQ(m_Device.GetLiveObjects(), 0);
}

TEST_F(Resources, MeshObjectsNeedADevice)
{
    COrvComPtr<OGLObject> pObject(new OGLObject);
    EXPECT_EQ(pObject->Load("quad", &m_Demo), 1);
    EXPECT_EQ(pObject->CreateTexturedSphere(1.0f, 8), 1);
    pObject->SetDevice(&m_Device);
    EXPECT_EQ(pObject->Load("missing.x", &m_Demo), 0);
    EXPECT_EQ(pObject->GetMesh(), nullptr);
    EXPECT_EQ(pObject->GetDiagonal(), 0.0f);
    pObject->Draw(&m_Demo, nullptr); // draws nothing, does not crash
    pObject.Reset();

    auto* pResource = static_cast<COrvResObject3D*>(m_Demo.AddResObject3D());
    pResource->SetFileName("quad");
    pResource->Update();
    ASSERT_NE(pResource->GetObject(), nullptr);
    // A device change drops the object; the next update builds it again.
    m_Demo.SetDevice(nullptr);
    EXPECT_EQ(pResource->GetObject(), nullptr);
    pResource->Update();
    EXPECT_EQ(pResource->GetObject(), nullptr);
    m_Demo.SetDevice(&m_Device);
    pResource->Update();
    EXPECT_NE(pResource->GetObject(), nullptr);
}
