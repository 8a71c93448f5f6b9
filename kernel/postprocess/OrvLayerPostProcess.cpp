#include "postprocess/OrvLayerPostProcess.h"

#include "core/OrvPropId.h"
#include "document/OrvDemo.h"
#include "graphics/OGLObject.h"
#include "graphics/OrvMaterial.h"
#include "graphics/OrvResObject3D.h"
#include "graphics/OrvResShader.h"
#include "graphics/OrvResTexture.h"
#include "postprocess/OrvLayerPPBase.h"

namespace
{
// The texture resource a name finds, or null.
COrvResTexture* FindTexture(COrvDemo* pDemo, const std::string& name)
{
    if (name.empty() || !pDemo)
        return nullptr;
    return dynamic_cast<COrvResTexture*>(pDemo->GetResourceByName(name));
}
} // namespace

COrvLayerPostProcess::COrvLayerPostProcess(COrvDemo* pDemo) : COrvLayer(pDemo)
{
    m_pMaterialName = AddProperty<COrvPropString>(ORV_PROP_MATERIAL_NAME, "");

    m_pQuad.Assign(new COrvResObject3D);
    m_pQuad->SetDemo(pDemo);
    m_pQuad->SetFileName("quad");
}

COrvLayerPostProcess::~COrvLayerPostProcess() = default;

void COrvLayerPostProcess::SetDevice(IDirect3DDevice9* pDevice)
{
    if (pDevice != m_pDevice)
    {
        m_pQuad->SetDevice(pDevice);
        // Build the quad now, so that it exists before the first frame.
        if (pDevice)
            m_pQuad->Update();
    }
    m_pDevice = pDevice;
}

COrvResMaterial* COrvLayerPostProcess::FindMaterial() const
{
    const std::string name = m_pMaterialName->GetValue();
    if (name.empty() || !m_pDemo)
        return nullptr;
    return dynamic_cast<COrvResMaterial*>(m_pDemo->GetResourceByName(name));
}

void COrvLayerPostProcess::SetEffectParameters(COrvResMaterial* pMaterial)
{
    const std::string shaderName = pMaterial->GetShaderName();
    if (shaderName.empty())
        return;
    auto* pShader = dynamic_cast<COrvResShader*>(m_pDemo->GetResourceByName(shaderName));
    ID3DXEffect* pEffect = pShader ? pShader->GetEffect() : nullptr;
    if (!pEffect)
        return;

    float w = 1.0f, h = 1.0f;
    COrvResTexture* pTexture0 = FindTexture(m_pDemo, pMaterial->GetMaterial()->m_TextureName0);
    if (pTexture0 && pTexture0->GetTexture())
    {
        D3DSURFACE_DESC desc{};
        if (SUCCEEDED(pTexture0->GetTexture()->GetLevelDesc(0, &desc)) && desc.Width > 0 &&
            desc.Height > 0)
        {
            w = static_cast<float>(desc.Width);
            h = static_cast<float>(desc.Height);
        }
        pEffect->SetFloat("du", 1.0f / w);
        pEffect->SetFloat("dv", 1.0f / h);
        pEffect->SetTexture("Tex", pTexture0->GetTexture());
    }
    if (COrvResTexture* pTexture1 = FindTexture(m_pDemo, pMaterial->GetMaterial()->m_TextureName1))
        pEffect->SetTexture("Tex1", pTexture1->GetTexture());

    OrvConvertPixelsToTexels(pEffect, w, h);

    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    pEffect->SetMatrix("tTex", &identity);
    pEffect->SetMatrix("tColor", &identity);
    pEffect->SetMatrix("tWVP", &identity);
    pEffect->SetMatrix("WorldVP", &identity);
}

void COrvLayerPostProcess::SetIdentityTransforms()
{
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    m_pDevice->SetTransform(D3DTS_VIEW, &identity);
    m_pDevice->SetTransform(D3DTS_PROJECTION, &identity);
    m_pDevice->SetTransform(D3DTS_WORLD, &identity);
}

void COrvLayerPostProcess::Draw()
{
    OGLObject* pQuad = m_pQuad->GetObject();
    if (!pQuad || !m_pDevice)
        return;
    COrvResMaterial* pMaterial = FindMaterial();
    if (pMaterial)
        SetEffectParameters(pMaterial);
    SetIdentityTransforms();
    pQuad->Draw(m_pDemo, pMaterial);
}
