#include "layers/OrvDofPass.h"

namespace
{
const D3DVERTEXELEMENT9 QUAD_DECLARATION[] = {
    {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 16, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};
static_assert(sizeof(DofPass::SQuadVertex) == 24);

// Creates one target texture and takes its level 0.
HRESULT CreateTarget(DofPass* pDof, int index)
{
    IDirect3DTexture9** ppTexture = pDof->m_pTargetTexture[index].ReleaseAndGetAddressOf();
    if (FAILED(pDof->m_pDevice->CreateTexture(pDof->m_uWidth, pDof->m_uHeight, 1,
                                              D3DUSAGE_RENDERTARGET, pDof->m_TargetFormat[index],
                                              D3DPOOL_DEFAULT, ppTexture, nullptr)) ||
        !*ppTexture)
        return E_FAIL;
    IDirect3DSurface9** ppSurface = pDof->m_pTargetSurface[index].ReleaseAndGetAddressOf();
    if (FAILED((*ppTexture)->GetSurfaceLevel(0, ppSurface)) || !*ppSurface)
        return E_FAIL;
    return S_OK;
}

// A quad over a target of w x h pixels, texel centres on pixel centres.
void BuildQuad(DofPass::SQuadVertex* pQuad, UINT uWidth, UINT uHeight)
{
    const float w = static_cast<float>(uWidth);
    const float h = static_cast<float>(uHeight);
    pQuad[0] = {-0.5f, h - 0.5f, 0.0f, 1.0f, 0.0f, 1.0f};
    pQuad[1] = {w - 0.5f, h - 0.5f, 0.0f, 1.0f, 1.0f, 1.0f};
    pQuad[2] = {-0.5f, -0.5f, 0.0f, 1.0f, 0.0f, 0.0f};
    pQuad[3] = {w - 0.5f, -0.5f, 0.0f, 1.0f, 1.0f, 0.0f};
}

UINT HalfOf(UINT uSize)
{
    return (uSize + 1) / 2;
}

HRESULT CreateHalfTarget(DofPass* pDof)
{
    const UINT uWidth = HalfOf(pDof->m_uWidth), uHeight = HalfOf(pDof->m_uHeight);
    IDirect3DTexture9** ppTexture = pDof->m_pHalfTexture.ReleaseAndGetAddressOf();
    if (FAILED(pDof->m_pDevice->CreateTexture(uWidth, uHeight, 1, D3DUSAGE_RENDERTARGET,
                                              D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, ppTexture,
                                              nullptr)) ||
        !*ppTexture ||
        FAILED((*ppTexture)->GetSurfaceLevel(0, pDof->m_pHalfSurface.ReleaseAndGetAddressOf())) ||
        !pDof->m_pHalfSurface)
        return E_FAIL;
    BuildQuad(pDof->m_HalfQuad, uWidth, uHeight);
    return S_OK;
}

// "viewportScale" for a target of w x h pixels.
void SetViewportScale(ID3DXEffect* pEffect, UINT uWidth, UINT uHeight)
{
    const D3DXVECTOR4 scale(2.0f / static_cast<float>(uWidth), -2.0f / static_cast<float>(uHeight),
                            1.0f, 1.0f);
    pEffect->SetVector("viewportScale", &scale);
}
} // namespace

HRESULT DofRelease(DofPass* pDof)
{
    for (int i = 0; i < 2; ++i)
    {
        pDof->m_pTargetSurface[i] = nullptr;
        pDof->m_pTargetTexture[i] = nullptr;
    }
    pDof->m_pHalfSurface = nullptr;
    pDof->m_pHalfTexture = nullptr;
    pDof->m_pEffect = nullptr;
    return S_OK;
}

HRESULT DofCreate(DofPass* pDof, UINT uWidth, UINT uHeight)
{
    pDof->m_uWidth = uWidth;
    pDof->m_uHeight = uHeight;
    if (!pDof->m_pDevice)
        return E_FAIL;
    COrvComPtr<ID3DXBuffer> pErrors;
    if (FAILED(D3DXCreateEffectFromFileA(pDof->m_pDevice, "dof.fx", nullptr, nullptr, 0, nullptr,
                                         pDof->m_pEffect.ReleaseAndGetAddressOf(),
                                         pErrors.ReleaseAndGetAddressOf())) ||
        !pDof->m_pEffect)
    {
        pDof->m_pEffect = nullptr;
        return E_FAIL;
    }
    DofSetFilterTaps(pDof);
    const D3DXVECTOR4 bias(-1.0f, 1.0f, 0.0f, 0.0f);
    SetViewportScale(pDof->m_pEffect.Get(), uWidth, uHeight);
    pDof->m_pEffect->SetVector("viewportBias", &bias);
    BuildQuad(pDof->m_Quad, uWidth, uHeight);
    for (int i = 0; i < 2; ++i)
        if (pDof->m_TargetFormat[i] != 0 && FAILED(CreateTarget(pDof, i)))
            return E_FAIL;
    if (pDof->m_pEffect->GetTechniqueByName("FilterDoFHalf") && FAILED(CreateHalfTarget(pDof)))
        return E_FAIL;
    return S_OK;
}

void DofSetFilterTaps(DofPass* pDof)
{
    if (!pDof->m_pEffect)
        return;
    const float invWidth = 1.0f / static_cast<float>(pDof->m_uWidth);
    const float invHeight = 1.0f / static_cast<float>(pDof->m_uHeight);
    D3DXVECTOR4 taps[12];
    for (int i = 0; i < 12; ++i)
        taps[i] = D3DXVECTOR4(DOF_FILTER_TAPS[i][0] * invWidth, DOF_FILTER_TAPS[i][1] * invHeight,
                              0.0f, 0.0f);
    pDof->m_pEffect->SetVectorArray("filterTaps", taps, 12);
}

void DofBeginScene(DofPass* pDof)
{
    IDirect3DDevice9* pDevice = pDof->m_pDevice;
    for (DWORD i = 0; i < 2; ++i)
    {
        pDevice->GetRenderTarget(i, pDof->m_pSavedTarget[i].ReleaseAndGetAddressOf());
        // Target 0 can never be unbound: without its surface the device's target stays.
        if (pDof->m_TargetFormat[i] != 0 && (i > 0 || pDof->m_pTargetSurface[i]))
            pDevice->SetRenderTarget(i, pDof->m_pTargetSurface[i].Get());
        else if (i > 0)
            pDevice->SetRenderTarget(i, nullptr);
    }
}

void DofEndScene(DofPass* pDof)
{
    IDirect3DDevice9* pDevice = pDof->m_pDevice;
    for (DWORD i = 0; i < 2; ++i)
    {
        pDevice->SetRenderTarget(i, pDof->m_pSavedTarget[i].Get());
        pDof->m_pSavedTarget[i] = nullptr;
    }
}

namespace
{
void DrawQuad(DofPass* pDof, const char* pTechnique, const DofPass::SQuadVertex* pQuad)
{
    ID3DXEffect* pEffect = pDof->m_pEffect.Get();
    pEffect->SetTechnique(pTechnique);
    UINT passes = 0;
    pEffect->Begin(&passes, 0);
    for (UINT pass = 0; pass < passes; ++pass)
    {
        pEffect->BeginPass(pass);
        pDof->m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, pQuad,
                                         sizeof(DofPass::SQuadVertex));
        pEffect->EndPass();
    }
    pEffect->End();
}

// The taps into the half-size target; the device's target 0 and viewport are set back.
void DrawHalfSize(DofPass* pDof)
{
    IDirect3DDevice9* pDevice = pDof->m_pDevice;
    ID3DXEffect* pEffect = pDof->m_pEffect.Get();
    COrvComPtr<IDirect3DSurface9> pTarget;
    pDevice->GetRenderTarget(0, pTarget.ReleaseAndGetAddressOf());
    D3DVIEWPORT9 viewport{};
    pDevice->GetViewport(&viewport);
    const UINT uWidth = HalfOf(pDof->m_uWidth), uHeight = HalfOf(pDof->m_uHeight);
    pDevice->SetRenderTarget(0, pDof->m_pHalfSurface.Get());
    const D3DVIEWPORT9 half{0, 0, uWidth, uHeight, 0.0f, 1.0f};
    pDevice->SetViewport(&half);
    SetViewportScale(pEffect, uWidth, uHeight);
    DrawQuad(pDof, "FilterDoFHalf", pDof->m_HalfQuad);
    SetViewportScale(pEffect, pDof->m_uWidth, pDof->m_uHeight);
    pDevice->SetRenderTarget(0, pTarget.Get());
    pDevice->SetViewport(&viewport);
    pEffect->SetTexture("tHalfBlur", pDof->m_pHalfTexture.Get());
}
} // namespace

void DofComposite(DofPass* pDof)
{
    ID3DXEffect* pEffect = pDof->m_pEffect.Get();
    if (!pEffect)
        return;
    pEffect->SetTexture("tSceneColor", pDof->m_pTargetTexture[0].Get());
    pEffect->SetTexture("tBlurDepth", pDof->m_pTargetTexture[1].Get());
    pEffect->SetFloat("maxCoC", pDof->m_fMaxCoC * 0.5f);
    pDof->m_pDevice->SetVertexDeclaration(pDof->m_pDeclaration.Get());
    if (pDof->m_pHalfSurface)
        DrawHalfSize(pDof);
    DrawQuad(pDof, "FilterDoF", pDof->m_Quad);
}

HRESULT DofSetDevice(DofPass* pDof, IDirect3DDevice9* pDevice, UINT uOutputWidth)
{
    pDof->m_pDeclaration = nullptr;
    DofRelease(pDof);
    if (!pDevice)
    {
        pDof->m_pDevice = nullptr;
        return S_OK;
    }
    pDof->m_TargetFormat[0] = D3DFMT_A8R8G8B8;
    pDof->m_pDevice = pDevice;
    pDof->m_TargetFormat[1] = D3DFMT_G16R16F;
    if (FAILED(pDevice->CreateVertexDeclaration(QUAD_DECLARATION,
                                                pDof->m_pDeclaration.ReleaseAndGetAddressOf())) ||
        !pDof->m_pDeclaration)
    {
        pDof->m_pDeclaration = nullptr;
        return E_FAIL;
    }
    const UINT uHeight = static_cast<UINT>(static_cast<double>(uOutputWidth) * 9.0 * 0.0625);
    return DofCreate(pDof, uOutputWidth, uHeight);
}

std::string DofMissingPart(const DofPass* pDof)
{
    if (!pDof->m_pDevice)
        return "no device";
    if (!pDof->m_pDeclaration)
        return "no vertex declaration for the depth-of-field quad";
    if (!pDof->m_pEffect)
        return "\"dof.fx\" did not load";
    for (int i = 0; i < 2; ++i)
        if ((pDof->m_TargetFormat[i] != 0 || i == 0) && !pDof->m_pTargetSurface[i])
            return "the depth-of-field targets could not be created";
    if (pDof->m_pEffect->GetTechniqueByName("FilterDoFHalf") && !pDof->m_pHalfSurface)
        return "the depth-of-field targets could not be created";
    return "";
}

bool DofIsReady(const DofPass* pDof)
{
    return DofMissingPart(pDof).empty();
}

void DofBeginCapture(DofPass* pDof, D3DVIEWPORT9& rSaved)
{
    IDirect3DDevice9* pDevice = pDof->m_pDevice;
    pDevice->GetViewport(&rSaved);
    DofBeginScene(pDof);
    D3DVIEWPORT9 viewport{0, 0, 0, 0, 0.0f, 1.0f};
    COrvComPtr<IDirect3DSurface9> pTarget;
    if (SUCCEEDED(pDevice->GetRenderTarget(0, pTarget.ReleaseAndGetAddressOf())) && pTarget)
    {
        D3DSURFACE_DESC desc{};
        pTarget->GetDesc(&desc);
        viewport.Width = desc.Width;
        viewport.Height = desc.Height;
    }
    pDevice->SetViewport(&viewport);
    pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
}

void DofEndCapture(DofPass* pDof, const D3DVIEWPORT9& rSaved)
{
    DofEndScene(pDof);
    pDof->m_pDevice->SetViewport(&rSaved);
}
