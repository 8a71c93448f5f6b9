// Timestamp queries: what a profiler of the device's work relies on.
#include "OrvTestDevice.h"

#include <gtest/gtest.h>

namespace
{
// Waits for a query's answer, submitting work as it asks (bounded: a lost answer fails).
HRESULT WaitForData(IDirect3DQuery9* pQuery, void* pData, DWORD dwSize)
{
    HRESULT hr = S_FALSE;
    for (int i = 0; i < 100000 && hr == S_FALSE; ++i)
        hr = pQuery->GetData(pData, dwSize, D3DGETDATA_FLUSH);
    return hr;
}

void DrawFullScreen(IDirect3DDevice9* pDevice, int iTimes)
{
    const struct
    {
        float x, y, z, rhw;
        D3DCOLOR color;
    } quad[4] = {{-0.5f, -0.5f, 0.5f, 1, 0x80FF0000},
                 {255.5f, -0.5f, 0.5f, 1, 0x8000FF00},
                 {-0.5f, 255.5f, 0.5f, 1, 0x800000FF},
                 {255.5f, 255.5f, 0.5f, 1, 0x80FFFFFF}};
    pDevice->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    for (int i = 0; i < iTimes; ++i)
        pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(quad[0]));
}
} // namespace

TEST(DeviceQuery, AnswersTheTimestampFamilyOnly)
{
    COrvTestDevice device(16, 16);
    ASSERT_TRUE(device);
    EXPECT_EQ(D3D_OK, device->CreateQuery(D3DQUERYTYPE_TIMESTAMP, nullptr));
    EXPECT_EQ(D3D_OK, device->CreateQuery(D3DQUERYTYPE_TIMESTAMPFREQ, nullptr));
    EXPECT_EQ(D3D_OK, device->CreateQuery(D3DQUERYTYPE_TIMESTAMPDISJOINT, nullptr));
    IDirect3DQuery9* pQuery = reinterpret_cast<IDirect3DQuery9*>(1);
    EXPECT_EQ(D3DERR_NOTAVAILABLE, device->CreateQuery(D3DQUERYTYPE_OCCLUSION, &pQuery));
    EXPECT_EQ(nullptr, pQuery);
    EXPECT_EQ(D3DERR_NOTAVAILABLE, device->CreateQuery(D3DQUERYTYPE_VCACHE, nullptr));
}

TEST(DeviceQuery, TimestampsFollowTheWorkBetweenThemInNanoseconds)
{
    COrvTestDevice device(256, 256);
    ASSERT_TRUE(device);
    COrvComPtr<IDirect3DQuery9> pFreq, pDisjoint, pStart, pEnd;
    ASSERT_EQ(D3D_OK,
              device->CreateQuery(D3DQUERYTYPE_TIMESTAMPFREQ, pFreq.ReleaseAndGetAddressOf()));
    ASSERT_EQ(D3D_OK, device->CreateQuery(D3DQUERYTYPE_TIMESTAMPDISJOINT,
                                          pDisjoint.ReleaseAndGetAddressOf()));
    ASSERT_EQ(D3D_OK, device->CreateQuery(D3DQUERYTYPE_TIMESTAMP, pStart.ReleaseAndGetAddressOf()));
    ASSERT_EQ(D3D_OK, device->CreateQuery(D3DQUERYTYPE_TIMESTAMP, pEnd.ReleaseAndGetAddressOf()));
    EXPECT_EQ(D3DQUERYTYPE_TIMESTAMP, pStart->GetType());
    EXPECT_EQ(sizeof(UINT64), pStart->GetDataSize());
    EXPECT_EQ(sizeof(BOOL), pDisjoint->GetDataSize());

    ASSERT_EQ(D3D_OK, pDisjoint->Issue(D3DISSUE_BEGIN));
    ASSERT_EQ(D3D_OK, device->BeginScene());
    ASSERT_EQ(D3D_OK, pStart->Issue(D3DISSUE_END));
    DrawFullScreen(device.Get(), 50);
    ASSERT_EQ(D3D_OK, pEnd->Issue(D3DISSUE_END));
    ASSERT_EQ(D3D_OK, device->EndScene());
    ASSERT_EQ(D3D_OK, pDisjoint->Issue(D3DISSUE_END));
    ASSERT_EQ(D3D_OK, pFreq->Issue(D3DISSUE_END));

    UINT64 ui64Start = 0, ui64End = 0, ui64Freq = 0;
    BOOL bDisjoint = TRUE;
    ASSERT_EQ(S_OK, WaitForData(pEnd.Get(), &ui64End, sizeof(ui64End)));
    ASSERT_EQ(S_OK, WaitForData(pStart.Get(), &ui64Start, sizeof(ui64Start)));
    ASSERT_EQ(S_OK, WaitForData(pFreq.Get(), &ui64Freq, sizeof(ui64Freq)));
    ASSERT_EQ(S_OK, WaitForData(pDisjoint.Get(), &bDisjoint, sizeof(bDisjoint)));
    EXPECT_EQ(1000000000ull, ui64Freq);
    EXPECT_FALSE(bDisjoint);
    EXPECT_GT(ui64Start, 0u);
    // Fifty blended full-target rectangles lie between the two stamps.
    EXPECT_GT(ui64End, ui64Start);
}

TEST(DeviceQuery, RefusesWhatCannotBeAnswered)
{
    COrvComPtr<IDirect3DQuery9> pStamp;
    {
        COrvTestDevice device(16, 16);
        ASSERT_TRUE(device);
        ASSERT_EQ(D3D_OK,
                  device->CreateQuery(D3DQUERYTYPE_TIMESTAMP, pStamp.ReleaseAndGetAddressOf()));
        UINT64 ui64 = 0;
        // Not issued yet; a timestamp has no beginning; a buffer too small.
        EXPECT_EQ(D3DERR_INVALIDCALL, pStamp->GetData(&ui64, sizeof(ui64), 0));
        EXPECT_EQ(D3DERR_INVALIDCALL, pStamp->Issue(D3DISSUE_BEGIN));
        ASSERT_EQ(D3D_OK, pStamp->Issue(D3DISSUE_END));
        EXPECT_EQ(D3DERR_INVALIDCALL, pStamp->GetData(&ui64, 4, D3DGETDATA_FLUSH));
        EXPECT_EQ(S_OK, WaitForData(pStamp.Get(), nullptr, 0));
    }
    // The query outlives its device: it answers no more, and releasing it is safe.
    IDirect3DDevice9* pDevice = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, pStamp->GetDevice(&pDevice));
    EXPECT_EQ(D3DERR_INVALIDCALL, pStamp->Issue(D3DISSUE_END));
}
