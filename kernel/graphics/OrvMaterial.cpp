#include "graphics/OrvMaterial.h"

#include "core/OrvPropId.h"
#include "document/OrvDemo.h"
#include "graphics/OrvResTexture.h"

namespace
{
void BindTexture(IDirect3DDevice9* pDevice, COrvDemo* pDemo, DWORD stage, const std::string& name)
{
    auto* pTexture = dynamic_cast<COrvResTexture*>(pDemo->GetResourceByName(name));
    if (pTexture && pTexture->GetTexture())
        pDevice->SetTexture(stage, pTexture->GetTexture());
}
} // namespace

void COrvMaterial::Apply(IDirect3DDevice9* pDevice, COrvDemo* pDemo) const
{
    if (!pDevice)
        return;
    pDevice->SetMaterial(&m_Material);
    if (!pDemo)
        return;
    BindTexture(pDevice, pDemo, 0, m_TextureName0);
    BindTexture(pDevice, pDemo, 1, m_TextureName1);
}

COrvResMaterial::COrvResMaterial()
{
    // Alpha and Specular get their first value through SetValue: on these animable
    // properties that is a key at the current frame, as files made by the editor expect.
    m_pAlpha = AddProperty<COrvPropFloat>(ORV_PROP_ALPHA, 0.0f);
    m_pAlpha->SetValue(0.0f);
    m_pAlpha->SetRange(0.0f, 1.0f);

    m_pShaderName = AddProperty<COrvPropString>(ORV_PROP_SHADER_NAME, "");

    m_pTextureName0 = AddProperty<COrvPropString>(ORV_PROP_TEXTURE_NAME_0, "");

    m_pTextureName1 = AddProperty<COrvPropString>(ORV_PROP_TEXTURE_NAME_1, "");

    m_pDiffuse = AddProperty<COrvPropVector>(ORV_PROP_DIFFUSE_COLOR, D3DXVECTOR3(1.0f, 0.0f, 0.0f));

    m_pSpecular = AddProperty<COrvPropFloat>(ORV_PROP_SPECULAR, 0.0f);
    m_pSpecular->SetValue(0.0f);
    m_pSpecular->SetRange(0.0f, 1.0f);

    m_pMaterial.Assign(new COrvMaterial);
}

COrvResMaterial::~COrvResMaterial() = default;

COrvMaterial* COrvResMaterial::GetMaterial()
{
    const D3DXVECTOR3 diffuse = m_pDiffuse->GetValue();
    const float specular = m_pSpecular->GetValue();
    D3DMATERIAL9 material{};
    material.Diffuse = {diffuse.x, diffuse.y, diffuse.z, m_pAlpha->GetValue()};
    material.Ambient = m_pMaterial->m_Material.Diffuse;
    material.Specular = {specular, specular, specular, 1.0f};
    material.Emissive = {0.0f, 0.0f, 0.0f, 0.0f};
    material.Power = 20.0f;
    m_pMaterial->m_Material = material;
    m_pMaterial->m_TextureName0 = m_pTextureName0->GetValue();
    m_pMaterial->m_TextureName1 = m_pTextureName1->GetValue();
    return m_pMaterial.Get();
}

std::string COrvResMaterial::GetShaderName() const
{
    return m_pShaderName->GetValue();
}

void COrvResMaterial::SetDefaults(const COrvMaterial& material)
{
    m_pTextureName0->SetDefaultValue(material.m_TextureName0);
    m_pTextureName1->SetDefaultValue(material.m_TextureName1);
    const D3DCOLORVALUE& diffuse = material.m_Material.Diffuse;
    m_pDiffuse->SetDefaultValue(D3DXVECTOR3(diffuse.r, diffuse.g, diffuse.b));
    m_pAlpha->SetDefaultValue(diffuse.a);
}
