#include "graphics/OrvResTexture.h"

COrvResTexture::~COrvResTexture()
{
    ReleaseTexture();
}

void COrvResTexture::ReleaseTexture()
{
    if (m_pTexture)
        m_pTexture->Release();
    m_pTexture = nullptr;
}

void COrvResTexture::SetDevice(IDirect3DDevice9* pDevice)
{
    if (pDevice != m_pDevice)
        ReleaseTexture();
    m_pDevice = pDevice;
}
