#pragma once

// A headless (or windowed) Direct3D device for picture tests and benchmarks: owns the
// Direct3D object and the device.
#include "d3d9.h"

class COrvTestDevice
{
public:
    // A headless device with an X8R8G8B8 back buffer and, with bDepth, a D16 depth buffer.
    // Given a window (an SDL_Window* made with SDL_WINDOW_OPENGL), the device draws into it;
    // a size of 0 then takes the window's.
    COrvTestDevice(UINT uWidth = 64, UINT uHeight = 64, bool bDepth = true, HWND hWindow = nullptr);

    IDirect3DDevice9* operator->() const { return m_pDevice.Get(); }
    IDirect3DDevice9* Get() const { return m_pDevice.Get(); }
    explicit operator bool() const { return bool(m_pDevice); }
    HRESULT GetCreateResult() const { return m_hrCreate; }
    // The presentation parameters as the device creation completed them.
    const D3DPRESENT_PARAMETERS& GetParameters() const { return m_Parameters; }

private:
    COrvComPtr<IDirect3D9> m_pD3D;
    COrvComPtr<IDirect3DDevice9> m_pDevice;
    D3DPRESENT_PARAMETERS m_Parameters = {};
    HRESULT m_hrCreate = E_FAIL;
};
