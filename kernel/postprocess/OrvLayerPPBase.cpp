#include "postprocess/OrvLayerPPBase.h"

#include "core/OrvSniffer.h"
#include "core/OrvPropId.h"
#include "document/OrvDemo.h"
#include "graphics/OrvResTexture.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace
{
struct SRectangleVertex
{
    float x, y, z, w;
    float u, v;
};
static_assert(sizeof(SRectangleVertex) == 24);

const SRectangleVertex RECTANGLE[4] = {
    {-1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f},
    {1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f},
    {-1.0f, -1.0f, 0.0f, 1.0f, 0.0f, 1.0f},
    {1.0f, -1.0f, 0.0f, 1.0f, 1.0f, 1.0f},
};

// Number of 2-float entries a parameter holds.
UINT OffsetCount(ID3DXEffect* pEffect, D3DXHANDLE hParameter)
{
    D3DXPARAMETER_DESC desc{};
    return SUCCEEDED(pEffect->GetParameterDesc(hParameter, &desc)) ? desc.Bytes / 8 : 0;
}

void ConvertParameter(ID3DXEffect* pEffect, D3DXHANDLE hTarget, D3DXHANDLE hSource, float w,
                      float h)
{
    // Never more entries than the target can take.
    const UINT n = std::min(OffsetCount(pEffect, hSource), OffsetCount(pEffect, hTarget));
    if (n == 0)
        return;
    std::vector<D3DXVECTOR4> offsets(n, D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f));
    if (FAILED(pEffect->GetVectorArray(hSource, offsets.data(), n)))
        return;
    for (D3DXVECTOR4& offset : offsets)
    {
        offset.x = (offset.x + 0.5f) / w;
        offset.y = (offset.y + 0.5f) / h;
    }
    pEffect->SetVectorArray(hTarget, offsets.data(), n);
}
} // namespace

void OrvConvertPixelsToTexels(ID3DXEffect* pEffect, float w, float h)
{
    if (!pEffect)
        return;
    w = w > 0.0f ? w : 1.0f;
    h = h > 0.0f ? h : 1.0f;
    for (UINT i = 0;; ++i)
    {
        D3DXHANDLE hParameter = pEffect->GetParameter(nullptr, i);
        if (!hParameter)
            break;
        D3DXHANDLE hAnnotation = pEffect->GetAnnotationByName(hParameter, "ConvertPixelsToTexels");
        LPCSTR pSource = nullptr;
        if (!hAnnotation || FAILED(pEffect->GetString(hAnnotation, &pSource)) || !pSource)
            continue;
        if (D3DXHANDLE hSource = pEffect->GetParameterByName(nullptr, pSource))
            ConvertParameter(pEffect, hParameter, hSource, w, h);
    }
}

COrvLayerPPBase::COrvLayerPPBase(COrvDemo* pDemo) : COrvLayer(pDemo)
{
    m_pInputSurface = AddProperty<COrvPropString>(ORV_PROP_INPUT_SURFACE, "");
    m_pInputSurface->SetAnimable(true);
}

COrvLayerPPBase::~COrvLayerPPBase()
{
    ReleaseEffect();
}

COrvComPtr<COrvPropFloat> COrvLayerPPBase::AddFloatProperty(ORV_PROP_ID id, float value, float min,
                                                            float max)
{
    COrvComPtr<COrvPropFloat> pProperty = AddProperty<COrvPropFloat>(id, value);
    pProperty->SetRange(min, max);
    return pProperty;
}

std::string COrvLayerPPBase::GetInputSurfaceName() const
{
    return m_pInputSurface->GetValue();
}

bool COrvLayerPPBase::GetInputSurface(std::string& name) const
{
    name = GetInputSurfaceName();
    return true;
}

void COrvLayerPPBase::ReleaseEffect()
{
    m_pEffect.Reset();
}

void COrvLayerPPBase::SetDevice(IDirect3DDevice9* pDevice)
{
    if (pDevice != m_pDevice)
        ReleaseEffect();
    m_pDevice = pDevice;
    if (m_pDevice)
        CreateEffect();
}

void COrvLayerPPBase::CreateEffect()
{
    ReleaseEffect();
    if (!m_pDevice || m_EffectFileName.empty())
        return;
    // The effect file is a bare name: find it in the demo's data directory, whatever
    // directory an earlier load left current.
    if (m_pDemo)
        m_pDemo->EnterDataDir();
    COrvComPtr<ID3DXEffect> pEffect;
    COrvComPtr<ID3DXBuffer> pMessages;
    const HRESULT hr = D3DXCreateEffectFromFileA(
        m_pDevice, m_EffectFileName.c_str(), nullptr, nullptr, 0, nullptr,
        pEffect.ReleaseAndGetAddressOf(), pMessages.ReleaseAndGetAddressOf());
    if (pMessages || FAILED(hr))
    {
        // The layer stays without effect; the demo hears why.
        const std::string text = OrvBufferText(pMessages.Get());
        SnifferMessage(
            ("Post-process effect not loaded: " + m_EffectFileName + "\n" + text).c_str());
        if (m_pDemo)
        {
            ORV_LoadProblem problem = OrvParseCompilerMessages(
                text, m_pDemo->GetDataPath(m_EffectFileName), "the effect does not compile");
            problem.m_Object = GetName();
            m_pDemo->ReportProblem(problem);
        }
        return;
    }
    m_pEffect = std::move(pEffect);
}

IDirect3DTexture9* COrvLayerPPBase::FindInputTexture() const
{
    if (!m_pDemo)
        return nullptr;
    auto* pResource =
        dynamic_cast<COrvResTexture*>(m_pDemo->GetResourceByName(GetInputSurfaceName()));
    return pResource ? pResource->GetTexture() : nullptr;
}

void COrvLayerPPBase::SetDrawStates()
{
    m_pDevice->SetRenderState(D3DRS_ZENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
}

void COrvLayerPPBase::RunTechnique(const char* pTechnique)
{
    // A technique the file lacks draws nothing (rather than the technique selected before).
    if (FAILED(m_pEffect->SetTechnique(pTechnique)))
        return;
    m_pDevice->SetFVF(RECTANGLE_FVF);
    UINT passes = 0;
    m_pEffect->Begin(&passes, 0);
    for (UINT pass = 0; pass < passes; ++pass)
    {
        m_pEffect->BeginPass(pass);
        m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, RECTANGLE, sizeof(SRectangleVertex));
        m_pEffect->EndPass();
    }
    m_pEffect->End();
}

void COrvLayerPPBase::Draw()
{
    if (!m_pEffect || !m_pDevice)
        return;
    m_pEffect->SetTexture("Tex", FindInputTexture());
    SetDrawStates();
    RunTechnique("PostProcess");
    m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
}
