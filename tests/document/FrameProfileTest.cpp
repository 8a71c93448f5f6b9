// The per-layer profile of the frame pipeline: rows per layer, CPU time always, device time
// where the device answers timestamp queries.
#include "OrvTestDemo.h"
#include "RecordingDevice.h"
#include "OrvTestDevice.h"

#include <gtest/gtest.h>

namespace
{
// A layer that covers its target with blended rectangles, iCount times.
class CBusyLayer : public COrvLayer
{
public:
    CBusyLayer(COrvDemo* pDemo, const std::string& name, int iCount)
        : COrvLayer(pDemo), m_iCount(iCount)
    {
        SetName(name);
    }
    void Draw() override
    {
        ++m_iDrawn;
        const struct
        {
            float x, y, z, rhw;
            D3DCOLOR color;
        } quad[4] = {{-0.5f, -0.5f, 0.5f, 1, 0x40FF0000},
                     {127.5f, -0.5f, 0.5f, 1, 0x4000FF00},
                     {-0.5f, 127.5f, 0.5f, 1, 0x400000FF},
                     {127.5f, 127.5f, 0.5f, 1, 0x40FFFFFF}};
        m_pDevice->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        for (int i = 0; i < m_iCount; ++i)
            m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(quad[0]));
    }
    int m_iCount;
    int m_iDrawn = 0;
};

CBusyLayer* AddBusy(COrvDemo& demo, const std::string& name, int iCount, bool bVisible = true)
{
    auto* pLayer = new CBusyLayer(&demo, name, iCount);
    FindProperty<COrvPropBool>(pLayer, ORV_PROP_VISIBLE)->SetDefaultValue(bVisible);
    demo.AddLayer(pLayer);
    return pLayer;
}
} // namespace

TEST(FrameProfile, OneRowPerDrawnLayerSharedAcrossDocuments)
{
    CRecordingDevice device(128, 128);
    ORV_FrameProfile profile;
    {
        COrvDemo demo;
        AddBusy(demo, "first", 1);
        AddBusy(demo, "hidden", 1, false);
        AddBusy(demo, "last", 1);
        demo.SetDevice(&device);
        demo.SetProfile(&profile);
        for (int i = 0; i < 3; ++i)
            demo.DrawFrame(static_cast<float>(i));
        demo.SetProfile(nullptr);
        demo.DrawFrame(4.0f); // not measured
        demo.SetDevice(nullptr);
    }
    {
        // A reloaded demo: the same layer adds to its row, a new one gets its own.
        COrvDemo demo;
        AddBusy(demo, "last", 1);
        AddBusy(demo, "new", 1);
        demo.SetDevice(&device);
        demo.SetProfile(&profile);
        demo.DrawFrame(0.0f);
        demo.SetDevice(nullptr);
    }
    profile.Collect();
    const auto& rows = profile.GetLayers();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].m_Name, "first");
    EXPECT_EQ(rows[0].m_iFrames, 3);
    EXPECT_EQ(rows[1].m_Name, "last");
    EXPECT_EQ(rows[1].m_iFrames, 4);
    EXPECT_NE(rows[1].m_Class.find("CBusyLayer"), std::string::npos);
    EXPECT_EQ(rows[2].m_Name, "new");
    EXPECT_EQ(profile.GetFrames().m_iFrames, 4);
    for (const ORV_LayerCost& row : rows)
    {
        EXPECT_GE(row.m_dCpuWorst, row.CpuAverage());
        EXPECT_EQ(row.m_iGpuFrames, 0) << "the recording device answers no query";
    }
    EXPECT_FALSE(profile.HasGpuTimes());
    EXPECT_GE(profile.GetFrames().m_dCpuTotal, rows[0].m_dCpuTotal);
    profile.Reset();
    EXPECT_TRUE(profile.GetLayers().empty());
    EXPECT_EQ(profile.GetFrames().m_iFrames, 0);
}

TEST(FrameProfile, DeviceTimeComesFromTimestampsOfEachLayer)
{
    COrvTestDevice device(128, 128);
    ASSERT_TRUE(device);
    ORV_FrameProfile profile;
    COrvDemo demo;
    CBusyLayer* pLight = AddBusy(demo, "light", 1);
    CBusyLayer* pHeavy = AddBusy(demo, "heavy", 200);
    demo.SetOutputSize(128, 128);
    demo.SetDevice(device.Get());
    demo.SetProfile(&profile);
    for (int i = 0; i < 8; ++i)
    {
        demo.DrawFrame(static_cast<float>(i));
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    profile.Collect();
    demo.SetProfile(nullptr);
    EXPECT_EQ(pLight->m_iDrawn, 8);
    EXPECT_EQ(pHeavy->m_iDrawn, 8);
    ASSERT_TRUE(profile.HasGpuTimes());
    const auto& rows = profile.GetLayers();
    ASSERT_EQ(rows.size(), 2u);
    for (const ORV_LayerCost& row : rows)
    {
        EXPECT_EQ(row.m_iGpuFrames, 8) << row.m_Name;
        EXPECT_GE(row.m_dGpuWorst, row.GpuAverage()) << row.m_Name;
    }
    EXPECT_GT(rows[1].m_dGpuTotal, 0.0);
    // The whole frames hold their layers' device work.
    EXPECT_GE(profile.GetFrames().m_dGpuTotal, rows[1].m_dGpuTotal);
    demo.SetDevice(nullptr);
}
