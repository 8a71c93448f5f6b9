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
        if (m_pSurfaces[i])
            m_pSurfaces[i]->Release();
        if (m_pTextures[i])
            m_pTextures[i]->Release();
        m_pSurfaces[i] = nullptr;
        m_pTextures[i] = nullptr;
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
                                            D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &m_pTextures[i],
                                            nullptr)) ||
            !m_pTextures[i])
        {
            m_pTextures[i] = nullptr;
            return;
        }
        if (FAILED(m_pTextures[i]->GetSurfaceLevel(0, &m_pSurfaces[i])) || !m_pSurfaces[i])
        {
            m_pSurfaces[i] = nullptr;
            return;
        }
    }
}

void COrvLayerPPBloom::DrawStep(int target, IDirect3DTexture9* pSource, const char* pTechnique)
{
    m_pDevice->SetRenderTarget(0, m_pSurfaces[target]);
    float w = 0.0f, h = 0.0f;
    TextureSize(pSource, w, h);
    OrvConvertPixelsToTexels(m_pEffect, w, h);
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
    IDirect3DSurface9* pTarget = nullptr;
    m_pDevice->GetRenderTarget(0, &pTarget);

    DrawStep(0, pInput, "PostProcessDown");
    DrawStep(1, m_pTextures[0], "PostProcessVBlur");
    DrawStep(2, m_pTextures[1], "PostProcessHBlur");

    m_pDevice->SetRenderTarget(0, pTarget);
    m_pDevice->SetViewport(&viewport);
    if (pTarget)
        pTarget->Release();

    m_pEffect->SetTexture("Tex", m_pTextures[2]);
    m_pEffect->SetTexture("Tex1", pInput);
    RunTechnique("PostProcessCombine");
    m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
}
