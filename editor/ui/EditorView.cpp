#include "EditorView.h"

#include "document/OrvDemo.h"

#include <algorithm>

SEditorRect FitLetterbox(const SEditorRect& area, int iOutputWidth, int iOutputHeight)
{
    if (iOutputWidth <= 0 || iOutputHeight <= 0 || area.fWidth <= 0.0f || area.fHeight <= 0.0f)
        return {area.fX, area.fY, 0.0f, 0.0f};
    const float fScale =
        std::min(area.fWidth / float(iOutputWidth), area.fHeight / float(iOutputHeight));
    const float fWidth = float(iOutputWidth) * fScale;
    const float fHeight = float(iOutputHeight) * fScale;
    return {area.fX + (area.fWidth - fWidth) * 0.5f, area.fY + (area.fHeight - fHeight) * 0.5f,
            fWidth, fHeight};
}

bool MapToOutput(const SEditorRect& picture, int iOutputWidth, int iOutputHeight, float fX,
                 float fY, float& fOutX, float& fOutY)
{
    if (picture.fWidth <= 0.0f || picture.fHeight <= 0.0f)
        return false;
    fOutX = (fX - picture.fX) * float(iOutputWidth) / picture.fWidth;
    fOutY = (fY - picture.fY) * float(iOutputHeight) / picture.fHeight;
    return fOutX >= 0.0f && fOutY >= 0.0f && fOutX < float(iOutputWidth) &&
           fOutY < float(iOutputHeight);
}

unsigned long MakeMouseFlags(bool bLeft, bool bRight, bool bMiddle)
{
    return (bLeft ? 0x1ul : 0ul) | (bRight ? 0x2ul : 0ul) | (bMiddle ? 0x10ul : 0ul);
}

bool CEditorView::SetOutputSize(int iWidth, int iHeight, std::string& sError)
{
    if (m_pTexture && iWidth == m_iWidth && iHeight == m_iHeight)
        return true;
    COrvComPtr<IDirect3DTexture9> pTexture;
    COrvComPtr<IDirect3DSurface9> pDepth;
    if (FAILED(m_pDevice->CreateTexture(UINT(iWidth), UINT(iHeight), 1, D3DUSAGE_RENDERTARGET,
                                        D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                        pTexture.ReleaseAndGetAddressOf(), nullptr)) ||
        FAILED(m_pDevice->CreateDepthStencilSurface(UINT(iWidth), UINT(iHeight), D3DFMT_D16,
                                                    D3DMULTISAMPLE_NONE, 0, TRUE,
                                                    pDepth.ReleaseAndGetAddressOf(), nullptr)))
    {
        sError = "the device cannot make a view of " + std::to_string(iWidth) + " x " +
                 std::to_string(iHeight) + " pixels";
        return false;
    }
    m_pTexture = std::move(pTexture);
    m_pDepth = std::move(pDepth);
    m_iWidth = iWidth;
    m_iHeight = iHeight;
    m_bFresh = true;
    return true;
}

void CEditorView::DrawDemo(COrvDemo& demo, float fFrame)
{
    COrvComPtr<IDirect3DSurface9> pSurface;
    if (!m_pTexture || FAILED(m_pTexture->GetSurfaceLevel(0, pSurface.ReleaseAndGetAddressOf())))
        return;
    COrvComPtr<IDirect3DSurface9> pOldTarget;
    COrvComPtr<IDirect3DSurface9> pOldDepth;
    m_pDevice->GetRenderTarget(0, pOldTarget.ReleaseAndGetAddressOf());
    m_pDevice->GetDepthStencilSurface(pOldDepth.ReleaseAndGetAddressOf());
    m_pDevice->SetRenderTarget(0, pSurface.Get());
    m_pDevice->SetDepthStencilSurface(m_pDepth.Get());
    // Like the player's back buffer, the view is cleared once when made and then left to the
    // demo's layers (some draw over the last frame on purpose).
    if (m_bFresh)
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    m_bFresh = false;
    demo.DrawFrame(fFrame);
    m_pDevice->SetRenderTarget(0, pOldTarget.Get());
    m_pDevice->SetDepthStencilSurface(pOldDepth.Get());
}
