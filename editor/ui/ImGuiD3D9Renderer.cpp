#include "ImGuiD3D9Renderer.h"

#include <imgui.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

namespace
{
// ImGui's vertices as the fixed-function pipeline reads them.
struct SImGuiVertex
{
    float x, y, z;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kImGuiFVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr D3DFORMAT kIndexFormat = sizeof(ImDrawIdx) == 2 ? D3DFMT_INDEX16 : D3DFMT_INDEX32;
// Room added when a buffer grows, so that a window opening does not grow it frame after frame.
constexpr UINT kVertexSlack = 5000;
constexpr UINT kIndexSlack = 10000;

// The render states the renderer sets (and puts back).
constexpr D3DRENDERSTATETYPE kRenderStates[] = {
    D3DRS_FILLMODE,  D3DRS_SHADEMODE,     D3DRS_CULLMODE,         D3DRS_LIGHTING,
    D3DRS_ZENABLE,   D3DRS_ZWRITEENABLE,  D3DRS_ALPHATESTENABLE,  D3DRS_ALPHABLENDENABLE,
    D3DRS_BLENDOP,   D3DRS_SRCBLEND,      D3DRS_DESTBLEND,        D3DRS_SCISSORTESTENABLE,
    D3DRS_FOGENABLE, D3DRS_STENCILENABLE, D3DRS_COLORWRITEENABLE,
};
constexpr D3DTEXTURESTAGESTATETYPE kStageStates[] = {
    D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2,
    D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2,
};
constexpr D3DSAMPLERSTATETYPE kSamplerStates[] = {
    D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER, D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV,
};
constexpr D3DTRANSFORMSTATETYPE kTransforms[] = {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION};
constexpr size_t kStageCount = sizeof(kStageStates) / sizeof(kStageStates[0]);

// ImGui's colours are R in the low byte, Direct3D's B.
D3DCOLOR ToD3DColor(ImU32 uColor)
{
    return (uColor & 0xFF00FF00u) | ((uColor & 0xFFu) << 16) | ((uColor >> 16) & 0xFFu);
}

D3DMATRIX MakeIdentity()
{
    D3DMATRIX m = {};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

// Display pixels to clip space; the half pixel moves Direct3D's pixel centres onto ImGui's.
D3DMATRIX MakeProjection(const ImDrawData* pDrawData)
{
    const float fL = pDrawData->DisplayPos.x + 0.5f;
    const float fR = pDrawData->DisplayPos.x + pDrawData->DisplaySize.x + 0.5f;
    const float fT = pDrawData->DisplayPos.y + 0.5f;
    const float fB = pDrawData->DisplayPos.y + pDrawData->DisplaySize.y + 0.5f;
    D3DMATRIX m = {};
    m._11 = 2.0f / (fR - fL);
    m._22 = 2.0f / (fT - fB);
    m._33 = 0.5f;
    m._41 = (fL + fR) / (fL - fR);
    m._42 = (fT + fB) / (fB - fT);
    m._43 = 0.5f;
    m._44 = 1.0f;
    return m;
}

// A clip rectangle in display pixels, within the target; false when nothing is left.
bool MakeScissor(const ImDrawData* pDrawData, const ImVec4& clip, RECT& rect)
{
    const ImVec2 pos = pDrawData->DisplayPos;
    const ImVec2 size = pDrawData->DisplaySize;
    rect.left = static_cast<LONG>(std::max(clip.x - pos.x, 0.0f));
    rect.top = static_cast<LONG>(std::max(clip.y - pos.y, 0.0f));
    rect.right = static_cast<LONG>(std::min(clip.z - pos.x, size.x));
    rect.bottom = static_cast<LONG>(std::min(clip.w - pos.y, size.y));
    return rect.right > rect.left && rect.bottom > rect.top;
}
} // namespace

// What the device held before the interface was drawn.
struct CImGuiD3D9Renderer::SSavedState
{
    DWORD aRender[std::size(kRenderStates)] = {};
    DWORD aStage[2][kStageCount] = {};
    DWORD aSampler[std::size(kSamplerStates)] = {};
    D3DMATRIX aTransform[std::size(kTransforms)] = {};
    D3DVIEWPORT9 viewport = {};
    RECT scissor = {};
    DWORD uFVF = 0;
    COrvComPtr<IDirect3DVertexDeclaration9> pDecl;
    COrvComPtr<IDirect3DVertexShader9> pVertexShader;
    COrvComPtr<IDirect3DPixelShader9> pPixelShader;
    COrvComPtr<IDirect3DVertexBuffer9> pStream;
    UINT uStreamOffset = 0;
    UINT uStreamStride = 0;
    COrvComPtr<IDirect3DIndexBuffer9> pIndices;
    COrvComPtr<IDirect3DBaseTexture9> pTexture;

    void Read(IDirect3DDevice9* pDevice)
    {
        for (size_t i = 0; i < std::size(kRenderStates); ++i)
            pDevice->GetRenderState(kRenderStates[i], &aRender[i]);
        for (DWORD uStage = 0; uStage < 2; ++uStage)
            for (size_t i = 0; i < kStageCount; ++i)
                pDevice->GetTextureStageState(uStage, kStageStates[i], &aStage[uStage][i]);
        for (size_t i = 0; i < std::size(kSamplerStates); ++i)
            pDevice->GetSamplerState(0, kSamplerStates[i], &aSampler[i]);
        for (size_t i = 0; i < std::size(kTransforms); ++i)
            pDevice->GetTransform(kTransforms[i], &aTransform[i]);
        pDevice->GetViewport(&viewport);
        pDevice->GetScissorRect(&scissor);
        pDevice->GetFVF(&uFVF);
        pDevice->GetVertexDeclaration(pDecl.ReleaseAndGetAddressOf());
        pDevice->GetVertexShader(pVertexShader.ReleaseAndGetAddressOf());
        pDevice->GetPixelShader(pPixelShader.ReleaseAndGetAddressOf());
        pDevice->GetStreamSource(0, pStream.ReleaseAndGetAddressOf(), &uStreamOffset,
                                 &uStreamStride);
        pDevice->GetIndices(pIndices.ReleaseAndGetAddressOf());
        pDevice->GetTexture(0, pTexture.ReleaseAndGetAddressOf());
    }

    void Write(IDirect3DDevice9* pDevice) const
    {
        for (size_t i = 0; i < std::size(kRenderStates); ++i)
            pDevice->SetRenderState(kRenderStates[i], aRender[i]);
        for (DWORD uStage = 0; uStage < 2; ++uStage)
            for (size_t i = 0; i < kStageCount; ++i)
                pDevice->SetTextureStageState(uStage, kStageStates[i], aStage[uStage][i]);
        for (size_t i = 0; i < std::size(kSamplerStates); ++i)
            pDevice->SetSamplerState(0, kSamplerStates[i], aSampler[i]);
        for (size_t i = 0; i < std::size(kTransforms); ++i)
            pDevice->SetTransform(kTransforms[i], &aTransform[i]);
        pDevice->SetViewport(&viewport);
        pDevice->SetScissorRect(&scissor);
        // A declaration, when one was set, wins over the FVF: set it last.
        pDevice->SetFVF(uFVF);
        if (pDecl)
            pDevice->SetVertexDeclaration(pDecl.Get());
        pDevice->SetVertexShader(pVertexShader.Get());
        pDevice->SetPixelShader(pPixelShader.Get());
        pDevice->SetStreamSource(0, pStream.Get(), uStreamOffset, uStreamStride);
        pDevice->SetIndices(pIndices.Get());
        pDevice->SetTexture(0, pTexture.Get());
    }
};

CImGuiD3D9Renderer::CImGuiD3D9Renderer(IDirect3DDevice9* pDevice) : m_pDevice(pDevice)
{
    ImGuiIO& io = ImGui::GetIO();
    io.BackendRendererName = "orv_d3d9";
    // Draw commands may start anywhere in the vertex buffer: large lists need no splitting.
    io.BackendFlags |= ImGuiBackendFlags_RendererHasVtxOffset;
}

CImGuiD3D9Renderer::~CImGuiD3D9Renderer()
{
    ImGuiIO& io = ImGui::GetIO();
    if (io.Fonts->TexID == static_cast<ImTextureID>(m_pFont.Get()))
        io.Fonts->SetTexID(nullptr);
}

bool CImGuiD3D9Renderer::CreateFontTexture(std::string& sError)
{
    ImGuiIO& io = ImGui::GetIO();
    unsigned char* pPixels = nullptr;
    int iWidth = 0;
    int iHeight = 0;
    io.Fonts->GetTexDataAsRGBA32(&pPixels, &iWidth, &iHeight);
    COrvComPtr<IDirect3DTexture9> pFont;
    if (FAILED(m_pDevice->CreateTexture(UINT(iWidth), UINT(iHeight), 1, 0, D3DFMT_A8R8G8B8,
                                        D3DPOOL_MANAGED, pFont.ReleaseAndGetAddressOf(), nullptr)))
    {
        sError = "the device cannot make the interface's font texture (" + std::to_string(iWidth) +
                 " x " + std::to_string(iHeight) + ")";
        return false;
    }
    D3DLOCKED_RECT locked = {};
    if (FAILED(pFont->LockRect(0, &locked, nullptr, 0)))
    {
        sError = "the interface's font texture cannot be filled";
        return false;
    }
    for (int y = 0; y < iHeight; ++y)
    {
        const ImU32* pSource = reinterpret_cast<const ImU32*>(pPixels) + size_t(y) * iWidth;
        D3DCOLOR* pRow = reinterpret_cast<D3DCOLOR*>(static_cast<BYTE*>(locked.pBits) +
                                                     size_t(y) * locked.Pitch);
        for (int x = 0; x < iWidth; ++x)
            pRow[x] = ToD3DColor(pSource[x]);
    }
    pFont->UnlockRect(0);
    m_pFont = std::move(pFont);
    io.Fonts->SetTexID(static_cast<ImTextureID>(m_pFont.Get()));
    return true;
}

bool CImGuiD3D9Renderer::EnsureBuffers(UINT uVertices, UINT uIndices)
{
    if (!m_pVertices || m_uVertexCapacity < uVertices)
    {
        const UINT uCapacity = uVertices + kVertexSlack;
        COrvComPtr<IDirect3DVertexBuffer9> pBuffer;
        if (FAILED(m_pDevice->CreateVertexBuffer(
                UINT(uCapacity * sizeof(SImGuiVertex)), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                kImGuiFVF, D3DPOOL_DEFAULT, pBuffer.ReleaseAndGetAddressOf(), nullptr)))
            return false;
        m_pVertices = std::move(pBuffer);
        m_uVertexCapacity = uCapacity;
    }
    if (!m_pIndices || m_uIndexCapacity < uIndices)
    {
        const UINT uCapacity = uIndices + kIndexSlack;
        COrvComPtr<IDirect3DIndexBuffer9> pBuffer;
        if (FAILED(m_pDevice->CreateIndexBuffer(
                UINT(uCapacity * sizeof(ImDrawIdx)), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                kIndexFormat, D3DPOOL_DEFAULT, pBuffer.ReleaseAndGetAddressOf(), nullptr)))
            return false;
        m_pIndices = std::move(pBuffer);
        m_uIndexCapacity = uCapacity;
    }
    return true;
}

bool CImGuiD3D9Renderer::FillBuffers(const ImDrawData* pDrawData)
{
    const UINT uVertexBytes = UINT(pDrawData->TotalVtxCount * sizeof(SImGuiVertex));
    const UINT uIndexBytes = UINT(pDrawData->TotalIdxCount * sizeof(ImDrawIdx));
    void* pVertexMemory = nullptr;
    void* pIndexMemory = nullptr;
    if (FAILED(m_pVertices->Lock(0, uVertexBytes, &pVertexMemory, D3DLOCK_DISCARD)))
        return false;
    if (FAILED(m_pIndices->Lock(0, uIndexBytes, &pIndexMemory, D3DLOCK_DISCARD)))
    {
        m_pVertices->Unlock();
        return false;
    }
    SImGuiVertex* pVertex = static_cast<SImGuiVertex*>(pVertexMemory);
    ImDrawIdx* pIndex = static_cast<ImDrawIdx*>(pIndexMemory);
    for (int iList = 0; iList < pDrawData->CmdListsCount; ++iList)
    {
        const ImDrawList* pList = pDrawData->CmdLists[iList];
        for (const ImDrawVert& source : pList->VtxBuffer)
            *pVertex++ = {source.pos.x,           source.pos.y, 0.0f,
                          ToD3DColor(source.col), source.uv.x,  source.uv.y};
        std::memcpy(pIndex, pList->IdxBuffer.Data, pList->IdxBuffer.Size * sizeof(ImDrawIdx));
        pIndex += pList->IdxBuffer.Size;
    }
    m_pVertices->Unlock();
    m_pIndices->Unlock();
    return true;
}

void CImGuiD3D9Renderer::SetUpState(const ImDrawData* pDrawData)
{
    IDirect3DDevice9* pDevice = m_pDevice;
    D3DVIEWPORT9 viewport = {
        0, 0, DWORD(pDrawData->DisplaySize.x), DWORD(pDrawData->DisplaySize.y), 0.0f, 1.0f};
    pDevice->SetViewport(&viewport);
    pDevice->SetVertexShader(nullptr);
    pDevice->SetPixelShader(nullptr);
    pDevice->SetFVF(kImGuiFVF);
    pDevice->SetStreamSource(0, m_pVertices.Get(), 0, sizeof(SImGuiVertex));
    pDevice->SetIndices(m_pIndices.Get());
    pDevice->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    pDevice->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    pDevice->SetRenderState(D3DRS_ZENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    pDevice->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    pDevice->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    pDevice->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    pDevice->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    pDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    pDevice->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    pDevice->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    pDevice->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    const D3DMATRIX identity = MakeIdentity();
    const D3DMATRIX projection = MakeProjection(pDrawData);
    pDevice->SetTransform(D3DTS_WORLD, &identity);
    pDevice->SetTransform(D3DTS_VIEW, &identity);
    pDevice->SetTransform(D3DTS_PROJECTION, &projection);
}

void CImGuiD3D9Renderer::DrawLists(const ImDrawData* pDrawData)
{
    UINT uVertexBase = 0;
    UINT uIndexBase = 0;
    for (int iList = 0; iList < pDrawData->CmdListsCount; ++iList)
    {
        const ImDrawList* pList = pDrawData->CmdLists[iList];
        for (const ImDrawCmd& command : pList->CmdBuffer)
        {
            if (command.UserCallback == ImDrawCallback_ResetRenderState)
            {
                SetUpState(pDrawData);
                continue;
            }
            if (command.UserCallback != nullptr)
            {
                command.UserCallback(pList, &command);
                continue;
            }
            RECT scissor;
            if (!MakeScissor(pDrawData, command.ClipRect, scissor) || command.ElemCount == 0)
                continue;
            m_pDevice->SetScissorRect(&scissor);
            m_pDevice->SetTexture(0, static_cast<IDirect3DTexture9*>(command.GetTexID()));
            m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST,
                                            INT(uVertexBase + command.VtxOffset), 0,
                                            UINT(pList->VtxBuffer.Size - command.VtxOffset),
                                            uIndexBase + command.IdxOffset, command.ElemCount / 3);
        }
        uVertexBase += UINT(pList->VtxBuffer.Size);
        uIndexBase += UINT(pList->IdxBuffer.Size);
    }
}

bool CImGuiD3D9Renderer::Render(const ImDrawData* pDrawData)
{
    if (pDrawData == nullptr || pDrawData->DisplaySize.x <= 0.0f ||
        pDrawData->DisplaySize.y <= 0.0f || pDrawData->TotalVtxCount == 0)
        return true;
    if (!EnsureBuffers(UINT(pDrawData->TotalVtxCount), UINT(pDrawData->TotalIdxCount)) ||
        !FillBuffers(pDrawData))
        return false;
    SSavedState saved;
    saved.Read(m_pDevice);
    SetUpState(pDrawData);
    DrawLists(pDrawData);
    saved.Write(m_pDevice);
    return true;
}
