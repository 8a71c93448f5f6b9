#include "OrvTestDevice.h"

COrvTestDevice::COrvTestDevice(UINT uiWidth, UINT uiHeight, bool bDepth)
{
    m_pD3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (!m_pD3D)
        return;
    D3DPRESENT_PARAMETERS params = {};
    params.BackBufferWidth = uiWidth;
    params.BackBufferHeight = uiHeight;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.BackBufferCount = 1;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.Windowed = TRUE;
    params.EnableAutoDepthStencil = bDepth;
    params.AutoDepthStencilFormat = D3DFMT_D16;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    m_hrCreate = m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &m_pDevice);
}

COrvTestDevice::~COrvTestDevice()
{
    if (m_pDevice)
        m_pDevice->Release();
    if (m_pD3D)
        m_pD3D->Release();
}
