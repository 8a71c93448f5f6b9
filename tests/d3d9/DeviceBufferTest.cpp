// Vertex and index buffers, declarations, and the batching of consecutive draws: every way
// of drawing the same strips must give the same picture.
#include "OrvTestDraw.h"
#include "OrvGoldenImage.h"
#include "OrvTestDevice.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
struct SColorVertex // D3DFVF_XYZRHW | D3DFVF_DIFFUSE
{
    float x, y, z, rhw;
    D3DCOLOR color;
};
constexpr DWORD COLOR_FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

// A 16 x 16 grid of 4 x 4 cells, each a two-triangle strip of its own colour.
std::vector<SColorVertex> GridStrips()
{
    std::vector<SColorVertex> aVertices;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
        {
            const D3DCOLOR color = D3DCOLOR_XRGB(x * 16, y * 16, 128);
            const float l = x * 4 - 0.5f, t = y * 4 - 0.5f;
            aVertices.push_back({l, t, 0.5f, 1.f, color});
            aVertices.push_back({l + 4, t, 0.5f, 1.f, color});
            aVertices.push_back({l, t + 4, 0.5f, 1.f, color});
            aVertices.push_back({l + 4, t + 4, 0.5f, 1.f, color});
        }
    return aVertices;
}

COrvComPtr<IDirect3DVertexBuffer9> MakeVertexBuffer(IDirect3DDevice9* pDevice, const void* pData,
                                                    UINT uSize)
{
    COrvComPtr<IDirect3DVertexBuffer9> pBuffer;
    if (FAILED(pDevice->CreateVertexBuffer(uSize, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT,
                                           pBuffer.ReleaseAndGetAddressOf(), nullptr)))
        return nullptr;
    void* pLocked = nullptr;
    pBuffer->Lock(0, 0, &pLocked, 0);
    std::memcpy(pLocked, pData, uSize);
    pBuffer->Unlock();
    return pBuffer;
}

void CheckGrid(IDirect3DDevice9* pDevice, const char* szHow)
{
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(pDevice, image));
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 16; ++x)
            ASSERT_EQ(D3DCOLOR_XRGB(x * 16, y * 16, 128), image.At(x * 4 + 1, y * 4 + 2))
                << szHow << " cell " << x << "," << y;
}
} // namespace

TEST(DeviceBuffers, BatchedIndexedDeclaredAndUserDrawsAgree)
{
    COrvTestDevice device(64, 64);
    ASSERT_TRUE(device);
    const std::vector<SColorVertex> aVertices = GridStrips();
    const UINT uSize = (UINT)(aVertices.size() * sizeof(SColorVertex));
    COrvComPtr<IDirect3DVertexBuffer9> pBuffer =
        MakeVertexBuffer(device.Get(), aVertices.data(), uSize);
    ASSERT_NE(nullptr, pBuffer);
    PlainScreenStates(device.Get());
    device->SetFVF(COLOR_FVF);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);

    // Consecutive strips with no change in between: one batch.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0);
    device->SetStreamSource(0, pBuffer.Get(), 0, sizeof(SColorVertex));
    for (UINT uCell = 0; uCell < 256; ++uCell)
        ASSERT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4 * uCell, 2));
    CheckGrid(device.Get(), "batched");

    // The same with a state change between every draw (no batching possible).
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0);
    for (UINT uCell = 0; uCell < 256; ++uCell)
    {
        device->SetRenderState(D3DRS_CULLMODE, uCell % 2 ? D3DCULL_NONE : D3DCULL_CCW);
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4 * uCell, 2);
    }
    CheckGrid(device.Get(), "unbatched");

    // Indexed triangle lists with a base vertex, through a vertex declaration and an
    // offset stream.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0);
    const D3DVERTEXELEMENT9 aElements[] = {
        {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITIONT, 0},
        {0, 16, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
        D3DDECL_END()};
    COrvComPtr<IDirect3DVertexDeclaration9> pDecl;
    ASSERT_EQ(D3D_OK, device->CreateVertexDeclaration(aElements, pDecl.ReleaseAndGetAddressOf()));
    device->SetVertexDeclaration(pDecl.Get());
    COrvComPtr<IDirect3DIndexBuffer9> pIndices;
    ASSERT_EQ(D3D_OK, device->CreateIndexBuffer(6 * sizeof(WORD), D3DUSAGE_WRITEONLY,
                                                D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                                pIndices.ReleaseAndGetAddressOf(), nullptr));
    WORD* pIndexData = nullptr;
    ASSERT_EQ(D3D_OK, pIndices->Lock(0, 0, reinterpret_cast<void**>(&pIndexData), 0));
    const WORD aQuad[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(pIndexData, aQuad, sizeof(aQuad));
    pIndices->Unlock();
    device->SetIndices(pIndices.Get());
    device->SetStreamSource(0, pBuffer.Get(), 4 * sizeof(SColorVertex), sizeof(SColorVertex));
    for (UINT uCell = 1; uCell < 256; ++uCell)
        ASSERT_EQ(D3D_OK,
                  device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4 * (uCell - 1), 0, 4, 0, 2));
    device->SetStreamSource(0, pBuffer.Get(), 0, sizeof(SColorVertex));
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
    CheckGrid(device.Get(), "indexed");

    // From user memory, indexed and not; afterwards stream 0 and the indices are empty.
    device->SetFVF(COLOR_FVF);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0);
    for (UINT uCell = 0; uCell < 256; ++uCell)
    {
        if (uCell % 2)
            ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, &aVertices[4 * uCell],
                                                      sizeof(SColorVertex)));
        else
            ASSERT_EQ(D3D_OK, device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, aQuad,
                                                             D3DFMT_INDEX16, &aVertices[4 * uCell],
                                                             sizeof(SColorVertex)));
    }
    CheckGrid(device.Get(), "user memory");
    IDirect3DVertexBuffer9* pStream = pBuffer.Get(); // GetStreamSource must overwrite it
    UINT uOffset = 1, uStride = 1;
    device->GetStreamSource(0, &pStream, &uOffset, &uStride);
    EXPECT_EQ(nullptr, pStream);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2));
}

TEST(DeviceBuffers, LocksBetweenDrawsAreSeenByTheRightDraws)
{
    COrvTestDevice device(8, 8);
    ASSERT_TRUE(device);
    PlainScreenStates(device.Get());
    device->SetFVF(COLOR_FVF);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    COrvComPtr<IDirect3DVertexBuffer9> pBuffer;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(
                          4 * sizeof(SColorVertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0,
                          D3DPOOL_DEFAULT, pBuffer.ReleaseAndGetAddressOf(), nullptr));
    device->SetStreamSource(0, pBuffer.Get(), 0, sizeof(SColorVertex));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0);
    // Each draw adds the colour the buffer held when it was issued.
    const D3DCOLOR aColors[3] = {D3DCOLOR_XRGB(16, 0, 0), D3DCOLOR_XRGB(0, 32, 0),
                                 D3DCOLOR_XRGB(0, 0, 64)};
    const DWORD adwFlags[3] = {D3DLOCK_DISCARD, 0, D3DLOCK_NOOVERWRITE};
    for (int i = 0; i < 3; ++i)
    {
        SColorVertex* pVertices = nullptr;
        ASSERT_EQ(D3D_OK, pBuffer->Lock(0, 0, reinterpret_cast<void**>(&pVertices), adwFlags[i]));
        const float e = 7.5f;
        pVertices[0] = {-0.5f, -0.5f, 0.5f, 1.f, aColors[i]};
        pVertices[1] = {e, -0.5f, 0.5f, 1.f, aColors[i]};
        pVertices[2] = {-0.5f, e, 0.5f, 1.f, aColors[i]};
        pVertices[3] = {e, e, 0.5f, 1.f, aColors[i]};
        ASSERT_EQ(D3D_OK, pBuffer->Unlock());
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    }
    // A read-only lock gives back what was written.
    SColorVertex* pRead = nullptr;
    ASSERT_EQ(D3D_OK, pBuffer->Lock(0, 0, reinterpret_cast<void**>(&pRead), D3DLOCK_READONLY));
    EXPECT_EQ(aColors[2], pRead[3].color);
    pBuffer->Unlock();
    SOrvImage image;
    ASSERT_TRUE(OrvReadRenderTarget(device.Get(), image));
    EXPECT_EQ(D3DCOLOR_XRGB(16, 32, 64), image.At(4, 4));
}
