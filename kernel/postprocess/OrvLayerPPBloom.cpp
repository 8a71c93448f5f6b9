#include "postprocess/OrvLayerPPBloom.h"

namespace
{
// Level-0 size of a texture; 0 × 0 when it cannot be read.
void TextureSize(IDirect3DTexture9* pTexture, float& w, float& h)
{
    D3DSURFACE_DESC desc{};
    if (FAILED(pTexture->GetLevelDesc(0, &desc)))
        desc.Width = desc.Height = 0;
    w = static_cast<float>(desc.Width);
    h = static_cast<float>(desc.Height);
}
} // namespace

COrvLayerPPBloom::COrvLayerPPBloom(COrvDemo* pDemo) : COrvLayerPPBase(pDemo)
{
    m_EffectFileName = "ppBloom.fx";
}

COrvLayerPPBloom::~COrvLayerPPBloom()
{
    ReleaseTargets();
}

void COrvLayerPPBloom::ReleaseTargets()
{
    for (int i = 0; i < 3; ++i)
    {
        m_pSurfaces[i].Reset();
        m_pTextures[i].Reset();
    }
}

void COrvLayerPPBloom::SetDevice(IDirect3DDevice9* pDevice)
{
    ReleaseTargets();
    if (pDevice != m_pDevice)
        ReleaseEffect();
    m_pDevice = pDevice;
    if (!m_pDevice)
        return;
    CreateEffect();
    CreateTargets();
}

void COrvLayerPPBloom::CreateTargets()
{
    for (int i = 0; i < 3; ++i)
    {
        if (FAILED(m_pDevice->CreateTexture(TARGET_WIDTH, TARGET_HEIGHT, 1, D3DUSAGE_RENDERTARGET,
                                            D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                            m_pTextures[i].ReleaseAndGetAddressOf(), nullptr)) ||
            !m_pTextures[i])
            return;
        if (FAILED(m_pTextures[i]->GetSurfaceLevel(0, m_pSurfaces[i].ReleaseAndGetAddressOf())) ||
            !m_pSurfaces[i])
            return;
    }
}

void COrvLayerPPBloom::DrawStep(int target, IDirect3DTexture9* pSource, const char* pTechnique)
{
    m_pDevice->SetRenderTarget(0, m_pSurfaces[target].Get());
    float w = 0.0f, h = 0.0f;
    TextureSize(pSource, w, h);
    OrvConvertPixelsToTexels(m_pEffect.Get(), w, h);
    m_pEffect->SetTexture("Tex", pSource);
    RunTechnique(pTechnique);
}

void COrvLayerPPBloom::Draw()
{
    IDirect3DTexture9* pInput = FindInputTexture();
    if (!pInput || !m_pEffect || !m_pDevice)
        return;
    for (int i = 0; i < 3; ++i)
        if (!m_pSurfaces[i] || !m_pTextures[i])
            return;
    SetDrawStates();
    D3DVIEWPORT9 viewport{};
    m_pDevice->GetViewport(&viewport);
    COrvComPtr<IDirect3DSurface9> target;
    m_pDevice->GetRenderTarget(0, target.ReleaseAndGetAddressOf());

    DrawStep(0, pInput, "PostProcessDown");
    DrawStep(1, m_pTextures[0].Get(), "PostProcessVBlur");
    DrawStep(2, m_pTextures[1].Get(), "PostProcessHBlur");

    m_pDevice->SetRenderTarget(0, target.Get());
    m_pDevice->SetViewport(&viewport);

    m_pEffect->SetTexture("Tex", m_pTextures[2].Get());
    m_pEffect->SetTexture("Tex1", pInput);
    RunTechnique("PostProcessCombine");
    m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
}
