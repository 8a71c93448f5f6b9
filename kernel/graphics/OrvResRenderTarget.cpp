#include "graphics/OrvResRenderTarget.h"

#include "core/OrvSniffer.h"
#include "core/OrvPropId.h"
#include "document/OrvDemo.h"

#include <string>

COrvResRenderTarget::COrvResRenderTarget()
{
    m_pHeight = AddProperty<COrvPropInt>(ORV_PROP_HEIGHT, 0);
    m_pHeight->SetAnimable(false);

    m_pWidth = AddProperty<COrvPropInt>(ORV_PROP_WIDTH, 0);
    m_pWidth->SetAnimable(false);

    m_pAutoSize = AddProperty<COrvPropBool>(ORV_PROP_AUTOSIZE, false);
    m_pAutoSize->SetAnimable(false);
}

COrvResRenderTarget::~COrvResRenderTarget()
{
    ReleaseTarget();
}

void COrvResRenderTarget::ReleaseTarget()
{
    m_pSurface.Reset();
    ReleaseTexture();
}

void COrvResRenderTarget::Update()
{
    int h = m_pHeight->GetValue();
    int w = m_pWidth->GetValue();
    if (m_pAutoSize->GetValue() && m_pDemo)
    {
        w = m_pDemo->GetOuputWidth();
        h = static_cast<int>(static_cast<double>(w) * 9.0 * 0.0625);
    }
    if (h == m_iCurrentHeight && w == m_iCurrentWidth)
        return;
    ReleaseTarget();
    m_iCurrentHeight = h;
    m_iCurrentWidth = w;
    if (h == 0 || w == 0 || !m_pDevice)
        return;
    if (h < 0 || w < 0 || h > MAX_SIZE || w > MAX_SIZE)
    {
        SnifferMessage(("Render target size refused: " + GetName() + " " + std::to_string(w) + "x" +
                        std::to_string(h))
                           .c_str());
        return;
    }
    if (FAILED(m_pDevice->CreateTexture(static_cast<UINT>(w), static_cast<UINT>(h), 1,
                                        D3DUSAGE_RENDERTARGET, COrvDemo::GetBackBufferFormat(),
                                        D3DPOOL_DEFAULT, m_pTexture.ReleaseAndGetAddressOf(),
                                        nullptr)) ||
        !m_pTexture)
        return;
    m_pTexture->GetSurfaceLevel(0, m_pSurface.ReleaseAndGetAddressOf());
}

void COrvResRenderTarget::SetDevice(IDirect3DDevice9* pDevice)
{
    if (pDevice != m_pDevice)
    {
        ReleaseTarget();
        m_iCurrentHeight = 0;
        m_iCurrentWidth = 0;
    }
    m_pDevice = pDevice;
}

bool COrvResRenderTarget::GetSourceSize(UINT& width, UINT& height) const
{
    if (!m_pTexture)
        return false;
    D3DSURFACE_DESC desc{};
    if (FAILED(m_pTexture->GetLevelDesc(0, &desc)))
        return false;
    width = desc.Width;
    height = desc.Height;
    return width > 0 && height > 0;
}
