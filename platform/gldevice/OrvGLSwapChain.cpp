#include "OrvGLSwapChain.h"

#include "OrvGLDevice.h"

ULONG COrvGLSwapChain::AddRef()
{
    return m_pDevice->AddRef();
}
ULONG COrvGLSwapChain::Release()
{
    return m_pDevice->Release();
}

HRESULT COrvGLSwapChain::Present(const RECT* pSourceRect, const RECT* pDestRect,
                                 HWND hDestWindowOverride, const RGNDATA* pDirtyRegion, DWORD)
{
    return m_pDevice->Present(pSourceRect, pDestRect, hDestWindowOverride, pDirtyRegion);
}

HRESULT COrvGLSwapChain::GetFrontBufferData(IDirect3DSurface9* pDestSurface)
{
    return m_pDevice->CopyFrontBuffer(pDestSurface);
}

HRESULT COrvGLSwapChain::GetBackBuffer(UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                                       IDirect3DSurface9** ppBackBuffer)
{
    return m_pDevice->GetBackBuffer(0, iBackBuffer, Type, ppBackBuffer);
}

HRESULT COrvGLSwapChain::GetRasterStatus(D3DRASTER_STATUS* pRasterStatus)
{
    return m_pDevice->GetRasterStatus(0, pRasterStatus);
}

HRESULT COrvGLSwapChain::GetDisplayMode(D3DDISPLAYMODE* pMode)
{
    return m_pDevice->GetDisplayMode(0, pMode);
}

HRESULT COrvGLSwapChain::GetDevice(IDirect3DDevice9** ppDevice)
{
    if (!ppDevice)
        return D3DERR_INVALIDCALL;
    m_pDevice->AddRef();
    *ppDevice = m_pDevice;
    return D3D_OK;
}

HRESULT COrvGLSwapChain::GetPresentParameters(D3DPRESENT_PARAMETERS* pPresentationParameters)
{
    if (!pPresentationParameters)
        return D3DERR_INVALIDCALL;
    *pPresentationParameters = m_pDevice->GetPresentParameters();
    return D3D_OK;
}
