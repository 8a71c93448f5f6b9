#pragma once

// A headless Direct3D device for picture tests: owns the Direct3D object and the device.
#include "d3d9.h"

class COrvTestDevice
{
public:
    // Creates a headless device with an X8R8G8B8 back buffer and a D16 depth buffer.
    COrvTestDevice(UINT uiWidth = 64, UINT uiHeight = 64, bool bDepth = true);
    ~COrvTestDevice();

    COrvTestDevice(const COrvTestDevice&) = delete;
    COrvTestDevice& operator=(const COrvTestDevice&) = delete;

    IDirect3DDevice9* operator->() const { return m_pDevice; }
    IDirect3DDevice9* Get() const { return m_pDevice; }
    explicit operator bool() const { return m_pDevice != nullptr; }
    HRESULT GetCreateResult() const { return m_hrCreate; }

private:
    IDirect3D9* m_pD3D = nullptr;
    IDirect3DDevice9* m_pDevice = nullptr;
    HRESULT m_hrCreate = E_FAIL;
};
