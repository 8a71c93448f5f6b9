#include "OrvTestDevice.h"

COrvTestDevice::COrvTestDevice(UINT uWidth, UINT uHeight, bool bDepth, HWND hWindow)
{
    m_pD3D.Attach(Direct3DCreate9(D3D_SDK_VERSION));
    if (!m_pD3D)
        return;
    m_Parameters.BackBufferWidth = uWidth;
    m_Parameters.BackBufferHeight = uHeight;
    m_Parameters.BackBufferFormat = hWindow ? D3DFMT_UNKNOWN : D3DFMT_X8R8G8B8;
    m_Parameters.BackBufferCount = 1;
    m_Parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_Parameters.Windowed = TRUE;
    m_Parameters.EnableAutoDepthStencil = bDepth;
    m_Parameters.AutoDepthStencilFormat = D3DFMT_D16;
    m_Parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    m_hrCreate = m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hWindow,
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &m_Parameters,
                                      m_pDevice.ReleaseAndGetAddressOf());
}
