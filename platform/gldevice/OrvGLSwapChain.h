#pragma once

// The device's one swap chain. Its references are the device's: it lives as long as the
// device does.
#include "OrvGLCore.h"

class COrvGLDevice;

class COrvGLSwapChain : public IDirect3DSwapChain9
{
public:
    explicit COrvGLSwapChain(COrvGLDevice* pDevice) : m_pDevice(pDevice) {}
    ~COrvGLSwapChain() override = default;

    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const RGNDATA* pDirtyRegion, DWORD dwFlags) override;
    HRESULT GetFrontBufferData(IDirect3DSurface9* pDestSurface) override;
    HRESULT GetBackBuffer(UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                          IDirect3DSurface9** ppBackBuffer) override;
    HRESULT GetRasterStatus(D3DRASTER_STATUS* pRasterStatus) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override;
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT GetPresentParameters(D3DPRESENT_PARAMETERS* pPresentationParameters) override;

private:
    COrvGLDevice* m_pDevice;
};
