#include "graphics/OrvResTexture.h"

COrvResTexture::~COrvResTexture()
{
    ReleaseTexture();
}

void COrvResTexture::ReleaseTexture()
{
    m_pTexture.Reset();
}

void COrvResTexture::SetDevice(IDirect3DDevice9* pDevice)
{
    if (pDevice != m_pDevice)
        ReleaseTexture();
    m_pDevice = pDevice;
}
