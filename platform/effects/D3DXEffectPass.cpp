// The half of the effect object that applies a pass to the device: the pass's state values
// evaluated from the current parameters, its shaders, samplers, lights and materials set, and
// the device states it changed saved at Begin and restored at End. The other half
// (D3DXEffect.cpp) holds the parameters, the techniques and the handles.
#include "D3DXEffect.h"

#include "FxParser.h"
#include "FxStates.h"
#include "GLDeviceInternal.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <strings.h>

namespace
{
// Parameter values for the expressions of a pass, by name.
class CParameterResolver : public IOrvFxNameResolver
{
public:
    CParameterResolver(const SOrvFxFile& file, const std::vector<std::vector<float>>& aafValues)
        : m_file(file), m_aafValues(aafValues)
    {
    }
    bool Resolve(const std::string& sName, std::vector<double>& adValue,
                 size_t& uPerElement) const override
    {
        for (size_t i = 0; i < m_file.m_aParameters.size(); ++i)
        {
            const SOrvFxParameter& parameter = m_file.m_aParameters[i];
            if (parameter.m_sName != sName || !parameter.IsNumeric())
                continue;
            adValue.assign(m_aafValues[i].begin(), m_aafValues[i].end());
            uPerElement = parameter.m_uElements ? parameter.m_uRows * parameter.m_uColumns : 0;
            return true;
        }
        return false;
    }

private:
    const SOrvFxFile& m_file;
    const std::vector<std::vector<float>>& m_aafValues;
};
} // namespace

// The current values of a state's value: its constant, its parameter's, or its expression's.
bool COrvEffect::EvaluateStateValue(const SOrvFxValue& value, std::vector<double>& adValue) const
{
    std::string sError;
    switch (value.m_eKind)
    {
    case SOrvFxValue::Numbers:
        adValue.assign(value.m_afNumbers.begin(), value.m_afNumbers.end());
        return !adValue.empty();
    case SOrvFxValue::Reference:
    case SOrvFxValue::Name:
    {
        size_t uIndex = FindParameter(value.m_sText.c_str());
        if (uIndex == SIZE_MAX || m_aafValues[uIndex].empty())
            return false;
        adValue.assign(m_aafValues[uIndex].begin(), m_aafValues[uIndex].end());
        return true;
    }
    case SOrvFxValue::Expression:
        return value.m_pExpr &&
               OrvFxEvaluate(*value.m_pExpr, CParameterResolver(m_file, m_aafValues), adValue,
                             sError) &&
               !adValue.empty();
    default:
        return false;
    }
}

bool COrvEffect::ResolveStateValue(const SOrvFxState& state, const SOrvFxStateInfo& info,
                                   DWORD& dwValue) const
{
    if (state.m_value.m_eKind == SOrvFxValue::Numbers)
    {
        dwValue = state.m_value.m_dwValue;
        return true;
    }
    std::vector<double> adValue;
    if (!EvaluateStateValue(state.m_value, adValue))
        return false;
    dwValue = OrvFxStateFromValues(info, adValue);
    return true;
}

// Which element of a shader array a slot uses now.
size_t COrvEffect::ChooseShader(const SOrvFxShaderSlot& slot) const
{
    if (!slot.m_pIndex || slot.m_aChoices.empty())
        return 0;
    std::vector<double> adValue;
    std::string sError;
    if (!OrvFxEvaluate(*slot.m_pIndex, CParameterResolver(m_file, m_aafValues), adValue, sError) ||
        adValue.empty() || !(adValue[0] >= 0))
        return 0;
    return size_t(std::min<double>(adValue[0], double(slot.m_aChoices.size() - 1)));
}

// Shaders, uniforms, and the textures and sampler states of the pass's sampler units.
void COrvEffect::ApplyPass()
{
    const std::vector<SOrvFxSamplerUnit>& aUnits =
        m_programs.GetSamplerUnits(m_uTechnique, m_uPass);
    for (size_t uUnit = 0; uUnit < aUnits.size(); ++uUnit)
        ApplySampler(DWORD(uUnit), aUnits[uUnit].m_uParameter, aUnits[uUnit].m_uElement);
    const SOrvFxPass& pass = m_file.m_aTechniques[m_uTechnique].m_aPasses[m_uPass];
    m_programs.Use(m_uTechnique, m_uPass, ChooseShader(pass.m_vertexShader),
                   ChooseShader(pass.m_pixelShader));
    // The values as they are now go to every program the draws of this pass use.
    m_aafCommitted = m_aafValues;
    size_t uTechnique = m_uTechnique;
    size_t uPass = m_uPass;
    orv::gl::SetShaderUniforms(m_pDevice, [this, uTechnique, uPass](unsigned int uProgram)
                               { m_programs.Upload(uProgram, uTechnique, uPass, m_aafCommitted); });
}

// The texture a sampler reads: the texture its "Texture" state names, or one set directly.
void COrvEffect::ApplySampler(DWORD dwUnit, size_t uSampler, UINT uElement)
{
    const SOrvFxParameter& sampler = m_file.m_aParameters[uSampler];
    IDirect3DBaseTexture9* pTexture = m_aValues[uSampler].m_pTexture;
    const std::vector<SOrvFxState>& states = uElement < sampler.m_aaElementStates.size()
                                                 ? sampler.m_aaElementStates[uElement]
                                                 : sampler.m_aSamplerStates;
    for (const SOrvFxState& state : states)
    {
        SOrvFxStateInfo info = OrvFxFindState(state.m_sName, true);
        DWORD dwValue = 0;
        if (info.m_eKind == EOrvFxStateKind::Texture)
            pTexture = FindTextureFor(state.m_value);
        else if (info.m_eKind == EOrvFxStateKind::Sampler &&
                 ResolveStateValue(state, info, dwValue))
            SetState(1, dwUnit, info.m_dwState, dwValue);
    }
    SaveTexture(dwUnit);
    m_pDevice->SetTexture(dwUnit, pTexture);
}

IDirect3DBaseTexture9* COrvEffect::FindTextureFor(const SOrvFxValue& value) const
{
    if (value.m_eKind != SOrvFxValue::Reference && value.m_eKind != SOrvFxValue::Name)
        return nullptr;
    size_t uIndex = FindParameter(value.m_sText.c_str());
    return uIndex == SIZE_MAX ? nullptr : m_aValues[uIndex].m_pTexture;
}

void COrvEffect::ApplyStates(const SOrvFxPass& pass, bool bChangedOnly)
{
    for (const SOrvFxState& state : pass.m_aStates)
    {
        SOrvFxValue::EKind eKind = state.m_value.m_eKind;
        if (bChangedOnly && eKind != SOrvFxValue::Expression && eKind != SOrvFxValue::Reference)
            continue;
        SOrvFxStateInfo info = OrvFxFindState(state.m_sName, false);
        DWORD dwValue = 0;
        switch (info.m_eKind)
        {
        case EOrvFxStateKind::Render:
            if (ResolveStateValue(state, info, dwValue))
                SetState(0, 0, info.m_dwState, dwValue);
            break;
        case EOrvFxStateKind::Sampler:
            if (ResolveStateValue(state, info, dwValue))
                SetState(1, state.m_uIndex, info.m_dwState, dwValue);
            break;
        case EOrvFxStateKind::TextureStage:
            if (ResolveStateValue(state, info, dwValue))
                SetState(2, state.m_uIndex, info.m_dwState, dwValue);
            break;
        case EOrvFxStateKind::Texture:
            SaveTexture(state.m_uIndex);
            m_pDevice->SetTexture(state.m_uIndex, FindTextureFor(state.m_value));
            break;
        case EOrvFxStateKind::SamplerObject:
        {
            size_t uSampler = FindParameter(state.m_value.m_sText.c_str());
            if (uSampler != SIZE_MAX && m_file.m_aParameters[uSampler].IsSampler())
                ApplySampler(state.m_uIndex, uSampler, 0);
            break;
        }
        case EOrvFxStateKind::LightEnable:
            if (ResolveStateValue(state, info, dwValue))
            {
                SaveLight(state.m_uIndex);
                m_pDevice->LightEnable(state.m_uIndex, dwValue != 0);
            }
            break;
        case EOrvFxStateKind::Light:
        case EOrvFxStateKind::Material:
        case EOrvFxStateKind::Transform:
            ApplyVectorState(state, info);
            break;
        case EOrvFxStateKind::Unknown:
        case EOrvFxStateKind::Unsupported:
            break;
        }
    }
}

namespace
{
void CopyColor(const std::vector<double>& adValue, D3DCOLORVALUE& color)
{
    float* pf = &color.r;
    for (size_t i = 0; i < 4; ++i)
        pf[i] = i < adValue.size() ? float(adValue[i]) : (i == 3 ? 1.0f : 0.0f);
}

void CopyVector(const std::vector<double>& adValue, D3DVECTOR& vector)
{
    float* pf = &vector.x;
    for (size_t i = 0; i < 3; ++i)
        pf[i] = i < adValue.size() ? float(adValue[i]) : 0.0f;
}

void SetLightMember(D3DLIGHT9& light, DWORD dwMember, const std::vector<double>& adValue)
{
    float f = float(adValue[0]);
    switch (dwMember)
    {
    case ORV_FXL_TYPE:
        light.Type = D3DLIGHTTYPE(std::clamp<int>(int(f), D3DLIGHT_POINT, D3DLIGHT_DIRECTIONAL));
        break;
    case ORV_FXL_DIFFUSE:
        CopyColor(adValue, light.Diffuse);
        break;
    case ORV_FXL_SPECULAR:
        CopyColor(adValue, light.Specular);
        break;
    case ORV_FXL_AMBIENT:
        CopyColor(adValue, light.Ambient);
        break;
    case ORV_FXL_POSITION:
        CopyVector(adValue, light.Position);
        break;
    case ORV_FXL_DIRECTION:
        CopyVector(adValue, light.Direction);
        break;
    case ORV_FXL_RANGE:
        light.Range = f;
        break;
    case ORV_FXL_FALLOFF:
        light.Falloff = f;
        break;
    case ORV_FXL_ATTENUATION0:
        light.Attenuation0 = f;
        break;
    case ORV_FXL_ATTENUATION1:
        light.Attenuation1 = f;
        break;
    case ORV_FXL_ATTENUATION2:
        light.Attenuation2 = f;
        break;
    case ORV_FXL_THETA:
        light.Theta = f;
        break;
    case ORV_FXL_PHI:
        light.Phi = f;
        break;
    default:
        break;
    }
}

void SetMaterialMember(D3DMATERIAL9& material, DWORD dwMember, const std::vector<double>& adValue)
{
    switch (dwMember)
    {
    case ORV_FXM_DIFFUSE:
        CopyColor(adValue, material.Diffuse);
        break;
    case ORV_FXM_AMBIENT:
        CopyColor(adValue, material.Ambient);
        break;
    case ORV_FXM_SPECULAR:
        CopyColor(adValue, material.Specular);
        break;
    case ORV_FXM_EMISSIVE:
        CopyColor(adValue, material.Emissive);
        break;
    default:
        material.Power = float(adValue[0]);
        break;
    }
}
} // namespace

// Light and material members and transforms: read, changed and written back whole.
void COrvEffect::ApplyVectorState(const SOrvFxState& state, const SOrvFxStateInfo& info)
{
    std::vector<double> adValue;
    if (!EvaluateStateValue(state.m_value, adValue))
        return;
    if (info.m_eKind == EOrvFxStateKind::Light)
    {
        SaveLight(state.m_uIndex);
        // A light never set starts as Direct3D's default: white, directional, along +z.
        D3DLIGHT9 light{};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {1, 1, 1, 0};
        light.Direction = {0, 0, 1};
        m_pDevice->GetLight(state.m_uIndex, &light);
        SetLightMember(light, info.m_dwState, adValue);
        m_pDevice->SetLight(state.m_uIndex, &light);
    }
    else if (info.m_eKind == EOrvFxStateKind::Material)
    {
        SaveMaterial();
        D3DMATERIAL9 material{};
        m_pDevice->GetMaterial(&material);
        SetMaterialMember(material, info.m_dwState, adValue);
        m_pDevice->SetMaterial(&material);
    }
    else
    {
        auto eTransform = D3DTRANSFORMSTATETYPE(info.m_dwState + state.m_uIndex);
        SaveTransform(eTransform);
        D3DMATRIX matrix{};
        float* pf = &matrix._11;
        for (size_t i = 0; i < 16; ++i)
            pf[i] = i < adValue.size() ? float(adValue[i]) : float(i % 5 == 0);
        m_pDevice->SetTransform(eTransform, &matrix);
    }
}

bool COrvEffect::IsSaving(int iKind) const
{
    return !(m_dwBeginFlags & D3DXFX_DONOTSAVESTATE) &&
           !(iKind == 1 && (m_dwBeginFlags & D3DXFX_DONOTSAVESAMPLERSTATE));
}

void COrvEffect::SaveTexture(DWORD dwUnit)
{
    if (!IsSaving(1) || std::any_of(m_aSavedTextures.begin(), m_aSavedTextures.end(),
                                    [&](const auto& saved) { return saved.first == dwUnit; }))
        return;
    IDirect3DBaseTexture9* pPrevious = nullptr;
    m_pDevice->GetTexture(dwUnit, &pPrevious);
    m_aSavedTextures.emplace_back(dwUnit, pPrevious);
}

void COrvEffect::SaveLight(DWORD dwIndex)
{
    if (!IsSaving(0) ||
        std::any_of(m_aSavedLights.begin(), m_aSavedLights.end(),
                    [&](const SSavedLight& saved) { return saved.m_dwIndex == dwIndex; }))
        return;
    SSavedLight saved{dwIndex, {}, FALSE, false};
    saved.m_bExisted = SUCCEEDED(m_pDevice->GetLight(dwIndex, &saved.m_light));
    m_pDevice->GetLightEnable(dwIndex, &saved.m_bEnabled);
    m_aSavedLights.push_back(saved);
}

void COrvEffect::SaveMaterial()
{
    if (!IsSaving(0) || m_bMaterialSaved)
        return;
    m_pDevice->GetMaterial(&m_savedMaterial);
    m_bMaterialSaved = true;
}

void COrvEffect::SaveTransform(D3DTRANSFORMSTATETYPE eTransform)
{
    if (!IsSaving(0) || std::any_of(m_aSavedTransforms.begin(), m_aSavedTransforms.end(),
                                    [&](const auto& saved) { return saved.first == eTransform; }))
        return;
    D3DMATRIX matrix{};
    m_pDevice->GetTransform(eTransform, &matrix);
    m_aSavedTransforms.emplace_back(eTransform, matrix);
}

// Sets a device state, remembering its previous value for End when Begin asked for it.
void COrvEffect::SetState(int iKind, DWORD dwIndex, DWORD dwState, DWORD dwValue)
{
    if (IsSaving(iKind) && std::none_of(m_aSaved.begin(), m_aSaved.end(),
                                        [&](const SSavedState& saved) {
                                            return saved.m_iKind == iKind &&
                                                   saved.m_dwIndex == dwIndex &&
                                                   saved.m_dwState == dwState;
                                        }))
    {
        DWORD dwOld = 0;
        if (iKind == 0)
            m_pDevice->GetRenderState(D3DRENDERSTATETYPE(dwState), &dwOld);
        else if (iKind == 1)
            m_pDevice->GetSamplerState(dwIndex, D3DSAMPLERSTATETYPE(dwState), &dwOld);
        else
            m_pDevice->GetTextureStageState(dwIndex, D3DTEXTURESTAGESTATETYPE(dwState), &dwOld);
        m_aSaved.push_back({iKind, dwIndex, dwState, dwOld});
    }
    if (iKind == 0)
        m_pDevice->SetRenderState(D3DRENDERSTATETYPE(dwState), dwValue);
    else if (iKind == 1)
        m_pDevice->SetSamplerState(dwIndex, D3DSAMPLERSTATETYPE(dwState), dwValue);
    else
        m_pDevice->SetTextureStageState(dwIndex, D3DTEXTURESTAGESTATETYPE(dwState), dwValue);
}

void COrvEffect::RestoreStates()
{
    for (auto it = m_aSaved.rbegin(); it != m_aSaved.rend(); ++it)
    {
        if (it->m_iKind == 0)
            m_pDevice->SetRenderState(D3DRENDERSTATETYPE(it->m_dwState), it->m_dwValue);
        else if (it->m_iKind == 1)
            m_pDevice->SetSamplerState(it->m_dwIndex, D3DSAMPLERSTATETYPE(it->m_dwState),
                                       it->m_dwValue);
        else
            m_pDevice->SetTextureStageState(it->m_dwIndex, D3DTEXTURESTAGESTATETYPE(it->m_dwState),
                                            it->m_dwValue);
    }
    m_aSaved.clear();
    for (auto& saved : m_aSavedTextures)
    {
        m_pDevice->SetTexture(saved.first, saved.second);
        if (saved.second)
            saved.second->Release();
    }
    m_aSavedTextures.clear();
    for (const SSavedLight& saved : m_aSavedLights)
    {
        if (saved.m_bExisted)
            m_pDevice->SetLight(saved.m_dwIndex, &saved.m_light);
        m_pDevice->LightEnable(saved.m_dwIndex, saved.m_bEnabled);
    }
    m_aSavedLights.clear();
    if (m_bMaterialSaved)
        m_pDevice->SetMaterial(&m_savedMaterial);
    m_bMaterialSaved = false;
    for (const auto& saved : m_aSavedTransforms)
        m_pDevice->SetTransform(saved.first, &saved.second);
    m_aSavedTransforms.clear();
}
