#include "D3DXEffect.h"

#include "FxParser.h"
#include "FxStates.h"
#include "GLDeviceInternal.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <strings.h>

COrvEffect* COrvEffect::Create(IDirect3DDevice9* pDevice, const SOrvFxSource& source,
                               std::string& sErrors)
{
    SOrvFxFile file;
    COrvFxParser parser;
    if (!parser.Parse(source, file, sErrors))
        return nullptr;
    auto* pEffect = new COrvEffect(pDevice, std::move(file));
    if (!pEffect->m_programs.Build(pDevice, pEffect->m_file, sErrors))
    {
        pEffect->Release();
        return nullptr;
    }
    return pEffect;
}

COrvEffect::COrvEffect(IDirect3DDevice9* pDevice, SOrvFxFile file)
    : m_pDevice(pDevice), m_file(std::move(file))
{
    m_pDevice->AddRef();
    for (size_t i = 0; i < m_file.m_aParameters.size(); ++i)
    {
        const SOrvFxParameter& parameter = m_file.m_aParameters[i];
        m_aafValues.push_back(parameter.m_afValue);
        m_aValues.push_back({parameter.m_sString, nullptr});
        m_ahParameters.push_back(MakeHandle(EKind::Parameter, i, 0, nullptr));
        for (const SOrvFxParameter& annotation : parameter.m_aAnnotations)
            m_annotationHandles[&annotation] = MakeHandle(EKind::Annotation, i, 0, &annotation);
    }
    for (size_t t = 0; t < m_file.m_aTechniques.size(); ++t)
    {
        const SOrvFxTechnique& technique = m_file.m_aTechniques[t];
        m_ahTechniques.push_back(MakeHandle(EKind::Technique, t, 0, nullptr));
        for (const SOrvFxParameter& annotation : technique.m_aAnnotations)
            m_annotationHandles[&annotation] = MakeHandle(EKind::Annotation, t, 0, &annotation);
        m_aahPasses.emplace_back();
        for (size_t p = 0; p < technique.m_aPasses.size(); ++p)
        {
            m_aahPasses[t].push_back(MakeHandle(EKind::Pass, t, p, nullptr));
            for (const SOrvFxParameter& annotation : technique.m_aPasses[p].m_aAnnotations)
                m_annotationHandles[&annotation] = MakeHandle(EKind::Annotation, t, p, &annotation);
        }
    }
    if (!m_file.m_aTechniques.empty())
        m_uTechnique = 0;
}

COrvEffect::~COrvEffect()
{
    if (m_bBegun)
        End();
    for (SParameterValue& value : m_aValues)
        if (value.m_pTexture)
            value.m_pTexture->Release();
    m_programs.Release();
    m_pDevice->Release();
}

ULONG COrvEffect::AddRef()
{
    return ++m_uRefCount;
}

ULONG COrvEffect::Release()
{
    ULONG uCount = --m_uRefCount;
    if (uCount == 0)
        delete this;
    return uCount;
}

D3DXHANDLE COrvEffect::MakeHandle(EKind eKind, size_t uIndex, size_t uPass,
                                  const SOrvFxParameter* pAnnotation)
{
    m_aHandles.push_back({eKind, uIndex, uPass, pAnnotation});
    const void* pAddress = &m_aHandles.back();
    m_validHandles.insert(pAddress);
    return static_cast<D3DXHANDLE>(pAddress);
}

const COrvEffect::SHandle* COrvEffect::FindHandle(D3DXHANDLE h) const
{
    if (!h || m_validHandles.count(h) == 0)
        return nullptr;
    return reinterpret_cast<const SHandle*>(h);
}

size_t COrvEffect::FindParameter(D3DXHANDLE h) const
{
    if (!h)
        return SIZE_MAX;
    if (const SHandle* pHandle = FindHandle(h))
        return pHandle->m_eKind == EKind::Parameter ? pHandle->m_uIndex : SIZE_MAX;
    for (size_t i = 0; i < m_file.m_aParameters.size(); ++i)
        if (m_file.m_aParameters[i].m_sName == h)
            return i;
    return SIZE_MAX;
}

const SOrvFxParameter* COrvEffect::FindDescription(D3DXHANDLE h) const
{
    if (const SHandle* pHandle = FindHandle(h); pHandle && pHandle->m_eKind == EKind::Annotation)
        return pHandle->m_pAnnotation;
    size_t uIndex = FindParameter(h);
    return uIndex == SIZE_MAX ? nullptr : &m_file.m_aParameters[uIndex];
}

size_t COrvEffect::FindTechnique(D3DXHANDLE h) const
{
    if (!h)
        return SIZE_MAX;
    if (const SHandle* pHandle = FindHandle(h))
        return pHandle->m_eKind == EKind::Technique ? pHandle->m_uIndex : SIZE_MAX;
    for (size_t i = 0; i < m_file.m_aTechniques.size(); ++i)
        if (m_file.m_aTechniques[i].m_sName == h)
            return i;
    return SIZE_MAX;
}

const std::vector<SOrvFxParameter>* COrvEffect::FindAnnotations(D3DXHANDLE h) const
{
    const SHandle* pHandle = FindHandle(h);
    if (pHandle && pHandle->m_eKind == EKind::Pass)
        return &m_file.m_aTechniques[pHandle->m_uIndex].m_aPasses[pHandle->m_uPass].m_aAnnotations;
    if (pHandle && pHandle->m_eKind == EKind::Technique)
        return &m_file.m_aTechniques[pHandle->m_uIndex].m_aAnnotations;
    size_t uParameter = FindParameter(h);
    if (uParameter != SIZE_MAX)
        return &m_file.m_aParameters[uParameter].m_aAnnotations;
    size_t uTechnique = FindTechnique(h);
    if (uTechnique != SIZE_MAX)
        return &m_file.m_aTechniques[uTechnique].m_aAnnotations;
    return nullptr;
}

// ---- Descriptions and handles --------------------------------------------------------------

HRESULT COrvEffect::GetDesc(D3DXEFFECT_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    pDesc->Creator = "Orv effect compiler";
    pDesc->Parameters = UINT(m_file.m_aParameters.size());
    pDesc->Techniques = UINT(m_file.m_aTechniques.size());
    pDesc->Functions = 0;
    return S_OK;
}

HRESULT COrvEffect::GetParameterDesc(D3DXHANDLE hParameter, D3DXPARAMETER_DESC* pDesc)
{
    const SOrvFxParameter* pParameter = FindDescription(hParameter);
    if (!pParameter || !pDesc)
        return D3DERR_INVALIDCALL;
    pDesc->Name = pParameter->m_sName.c_str();
    pDesc->Semantic = pParameter->m_sSemantic.empty() ? nullptr : pParameter->m_sSemantic.c_str();
    pDesc->Class = D3DXPARAMETER_CLASS(pParameter->m_uClass);
    pDesc->Type = D3DXPARAMETER_TYPE(pParameter->m_uType);
    pDesc->Rows = pParameter->m_uRows;
    pDesc->Columns = pParameter->m_uColumns;
    pDesc->Elements = pParameter->m_uElements;
    pDesc->Annotations = UINT(pParameter->m_aAnnotations.size());
    pDesc->StructMembers = UINT(pParameter->m_aMembers.size());
    pDesc->Flags = 0;
    pDesc->Bytes = pParameter->GetBytes();
    return S_OK;
}

HRESULT COrvEffect::GetTechniqueDesc(D3DXHANDLE hTechnique, D3DXTECHNIQUE_DESC* pDesc)
{
    size_t uTechnique = FindTechnique(hTechnique);
    if (uTechnique == SIZE_MAX || !pDesc)
        return D3DERR_INVALIDCALL;
    const SOrvFxTechnique& technique = m_file.m_aTechniques[uTechnique];
    pDesc->Name = technique.m_sName.empty() ? nullptr : technique.m_sName.c_str();
    pDesc->Passes = UINT(technique.m_aPasses.size());
    pDesc->Annotations = UINT(technique.m_aAnnotations.size());
    return S_OK;
}

HRESULT COrvEffect::GetPassDesc(D3DXHANDLE hPass, D3DXPASS_DESC* pDesc)
{
    const SHandle* pHandle = FindHandle(hPass);
    if (!pHandle || pHandle->m_eKind != EKind::Pass || !pDesc)
        return D3DERR_INVALIDCALL;
    const SOrvFxPass& pass = m_file.m_aTechniques[pHandle->m_uIndex].m_aPasses[pHandle->m_uPass];
    pDesc->Name = pass.m_sName.empty() ? nullptr : pass.m_sName.c_str();
    pDesc->Annotations = UINT(pass.m_aAnnotations.size());
    pDesc->pVertexShaderFunction = nullptr;
    pDesc->pPixelShaderFunction = nullptr;
    return S_OK;
}

D3DXHANDLE COrvEffect::GetParameter(D3DXHANDLE hParameter, UINT Index)
{
    if (hParameter)
        return nullptr; // members and elements are not handed out
    return Index < m_ahParameters.size() ? m_ahParameters[Index] : nullptr;
}

D3DXHANDLE COrvEffect::GetParameterByName(D3DXHANDLE hParameter, LPCSTR pName)
{
    if (hParameter || !pName)
        return nullptr;
    for (size_t i = 0; i < m_file.m_aParameters.size(); ++i)
        if (m_file.m_aParameters[i].m_sName == pName)
            return m_ahParameters[i];
    return nullptr;
}

D3DXHANDLE COrvEffect::GetParameterBySemantic(D3DXHANDLE hParameter, LPCSTR pSemantic)
{
    if (hParameter || !pSemantic)
        return nullptr;
    for (size_t i = 0; i < m_file.m_aParameters.size(); ++i)
        if (strcasecmp(m_file.m_aParameters[i].m_sSemantic.c_str(), pSemantic) == 0)
            return m_ahParameters[i];
    return nullptr;
}

D3DXHANDLE COrvEffect::GetParameterElement(D3DXHANDLE, UINT)
{
    return nullptr;
}

D3DXHANDLE COrvEffect::GetTechnique(UINT Index)
{
    return Index < m_ahTechniques.size() ? m_ahTechniques[Index] : nullptr;
}

D3DXHANDLE COrvEffect::GetTechniqueByName(LPCSTR pName)
{
    size_t uTechnique = pName ? FindTechnique(pName) : SIZE_MAX;
    return uTechnique == SIZE_MAX ? nullptr : m_ahTechniques[uTechnique];
}

D3DXHANDLE COrvEffect::GetPass(D3DXHANDLE hTechnique, UINT Index)
{
    size_t uTechnique = FindTechnique(hTechnique);
    if (uTechnique == SIZE_MAX || Index >= m_aahPasses[uTechnique].size())
        return nullptr;
    return m_aahPasses[uTechnique][Index];
}

D3DXHANDLE COrvEffect::GetPassByName(D3DXHANDLE hTechnique, LPCSTR pName)
{
    size_t uTechnique = FindTechnique(hTechnique);
    if (uTechnique == SIZE_MAX || !pName)
        return nullptr;
    const std::vector<SOrvFxPass>& passes = m_file.m_aTechniques[uTechnique].m_aPasses;
    for (size_t p = 0; p < passes.size(); ++p)
        if (passes[p].m_sName == pName)
            return m_aahPasses[uTechnique][p];
    return nullptr;
}

D3DXHANDLE COrvEffect::GetAnnotation(D3DXHANDLE hObject, UINT Index)
{
    const std::vector<SOrvFxParameter>* pAnnotations = FindAnnotations(hObject);
    if (!pAnnotations || Index >= pAnnotations->size())
        return nullptr;
    return m_annotationHandles[&(*pAnnotations)[Index]];
}

D3DXHANDLE COrvEffect::GetAnnotationByName(D3DXHANDLE hObject, LPCSTR pName)
{
    const std::vector<SOrvFxParameter>* pAnnotations = FindAnnotations(hObject);
    if (!pAnnotations || !pName)
        return nullptr;
    for (const SOrvFxParameter& annotation : *pAnnotations)
        if (annotation.m_sName == pName)
            return m_annotationHandles[&annotation];
    return nullptr;
}

// ---- Values --------------------------------------------------------------------------------

namespace
{
// The type of each float of a value: the parameter's, or its members' for a struct.
void AppendValueTypes(const SOrvFxParameter& parameter, std::vector<UINT>& auTypes)
{
    for (UINT e = 0; e < std::max(1u, parameter.m_uElements); ++e)
    {
        if (parameter.m_uClass != ORV_FXC_STRUCT)
            auTypes.insert(auTypes.end(), parameter.m_uRows * parameter.m_uColumns,
                           parameter.m_uType);
        for (const SOrvFxParameter& member : parameter.m_aMembers)
            AppendValueTypes(member, auTypes);
    }
}
} // namespace

HRESULT COrvEffect::SetNumbers(D3DXHANDLE h, const float* pf, size_t uCount)
{
    size_t uIndex = FindParameter(h);
    if (uIndex == SIZE_MAX || !pf || !m_file.m_aParameters[uIndex].HasValue())
        return D3DERR_INVALIDCALL;
    std::vector<float>& afValue = m_aafValues[uIndex];
    std::copy_n(pf, std::min(uCount, afValue.size()), afValue.begin());
    return S_OK;
}

HRESULT COrvEffect::GetNumbers(D3DXHANDLE h, float* pf, size_t uCount)
{
    const SOrvFxParameter* pDescription = FindDescription(h);
    if (!pDescription || !pf || !pDescription->HasValue())
        return D3DERR_INVALIDCALL;
    size_t uIndex = FindParameter(h);
    const std::vector<float>& afValue =
        uIndex == SIZE_MAX ? pDescription->m_afValue : m_aafValues[uIndex];
    size_t uCopied = std::min(uCount, afValue.size());
    std::copy_n(afValue.begin(), uCopied, pf);
    std::fill(pf + uCopied, pf + uCount, 0.0f);
    return S_OK;
}

HRESULT COrvEffect::SetValue(D3DXHANDLE hParameter, LPCVOID pData, UINT Bytes)
{
    size_t uIndex = FindParameter(hParameter);
    if (uIndex == SIZE_MAX || !pData)
        return D3DERR_INVALIDCALL;
    const SOrvFxParameter& parameter = m_file.m_aParameters[uIndex];
    if (parameter.IsTexture() || parameter.IsSampler())
    {
        if (Bytes < sizeof(IDirect3DBaseTexture9*))
            return D3DERR_INVALIDCALL;
        IDirect3DBaseTexture9* pTexture = nullptr;
        std::memcpy(&pTexture, pData, sizeof pTexture);
        return SetTexture(hParameter, pTexture);
    }
    if (!parameter.HasValue())
        return D3DERR_INVALIDCALL;
    // Numbers arrive as 32-bit floats, or as 32-bit integers for bool and int parameters.
    std::vector<UINT> auTypes;
    AppendValueTypes(parameter, auTypes);
    size_t uCount = std::min<size_t>(Bytes / 4, m_aafValues[uIndex].size());
    for (size_t i = 0; i < uCount; ++i)
    {
        const char* pSource = static_cast<const char*>(pData) + 4 * i;
        if (auTypes[i] == ORV_FXT_FLOAT)
            std::memcpy(&m_aafValues[uIndex][i], pSource, 4);
        else
        {
            int32_t iValue = 0;
            std::memcpy(&iValue, pSource, 4);
            m_aafValues[uIndex][i] =
                auTypes[i] == ORV_FXT_BOOL ? float(iValue != 0) : float(iValue);
        }
    }
    return S_OK;
}

HRESULT COrvEffect::GetValue(D3DXHANDLE hParameter, LPVOID pData, UINT Bytes)
{
    const SOrvFxParameter* pDescription = FindDescription(hParameter);
    if (!pDescription || !pData || !pDescription->HasValue())
        return D3DERR_INVALIDCALL;
    std::vector<float> afValue(pDescription->GetValueCount());
    GetNumbers(hParameter, afValue.data(), afValue.size());
    std::vector<UINT> auTypes;
    AppendValueTypes(*pDescription, auTypes);
    size_t uCount = std::min<size_t>(Bytes / 4, afValue.size());
    for (size_t i = 0; i < uCount; ++i)
    {
        char* pTarget = static_cast<char*>(pData) + 4 * i;
        if (auTypes[i] == ORV_FXT_FLOAT)
            std::memcpy(pTarget, &afValue[i], 4);
        else
        {
            int32_t iValue = int32_t(afValue[i]);
            std::memcpy(pTarget, &iValue, 4);
        }
    }
    return S_OK;
}

HRESULT COrvEffect::SetBool(D3DXHANDLE hParameter, BOOL b)
{
    float f = b ? 1.0f : 0.0f;
    return SetNumbers(hParameter, &f, 1);
}

HRESULT COrvEffect::GetBool(D3DXHANDLE hParameter, BOOL* pb)
{
    float f = 0;
    HRESULT hr = pb ? GetNumbers(hParameter, &f, 1) : D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *pb = f != 0.0f;
    return hr;
}

HRESULT COrvEffect::SetInt(D3DXHANDLE hParameter, INT n)
{
    float f = float(n);
    return SetNumbers(hParameter, &f, 1);
}

HRESULT COrvEffect::GetInt(D3DXHANDLE hParameter, INT* pn)
{
    float f = 0;
    HRESULT hr = pn ? GetNumbers(hParameter, &f, 1) : D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *pn = INT(f);
    return hr;
}

HRESULT COrvEffect::SetFloat(D3DXHANDLE hParameter, FLOAT f)
{
    return SetNumbers(hParameter, &f, 1);
}

HRESULT COrvEffect::GetFloat(D3DXHANDLE hParameter, FLOAT* pf)
{
    return GetNumbers(hParameter, pf, 1);
}

HRESULT COrvEffect::SetFloatArray(D3DXHANDLE hParameter, const FLOAT* pf, UINT Count)
{
    return SetNumbers(hParameter, pf, Count);
}

HRESULT COrvEffect::GetFloatArray(D3DXHANDLE hParameter, FLOAT* pf, UINT Count)
{
    return GetNumbers(hParameter, pf, Count);
}

HRESULT COrvEffect::SetVector(D3DXHANDLE hParameter, const D3DXVECTOR4* pVector)
{
    return SetVectorArray(hParameter, pVector, 1);
}

HRESULT COrvEffect::GetVector(D3DXHANDLE hParameter, D3DXVECTOR4* pVector)
{
    return GetVectorArray(hParameter, pVector, 1);
}

// Each element takes as many of the vector's four components as it has.
HRESULT COrvEffect::SetVectorArray(D3DXHANDLE hParameter, const D3DXVECTOR4* pVector, UINT Count)
{
    size_t uIndex = FindParameter(hParameter);
    if (uIndex == SIZE_MAX || !pVector || !m_file.m_aParameters[uIndex].IsNumeric())
        return D3DERR_INVALIDCALL;
    const SOrvFxParameter& parameter = m_file.m_aParameters[uIndex];
    size_t uPerElement = parameter.m_uRows * parameter.m_uColumns;
    size_t uElements = std::max(1u, parameter.m_uElements);
    const float* pf = reinterpret_cast<const float*>(pVector);
    for (size_t e = 0; e < std::min<size_t>(Count, uElements); ++e)
        std::copy_n(pf + 4 * e, std::min<size_t>(4, uPerElement),
                    m_aafValues[uIndex].begin() + std::ptrdiff_t(e * uPerElement));
    return S_OK;
}

HRESULT COrvEffect::GetVectorArray(D3DXHANDLE hParameter, D3DXVECTOR4* pVector, UINT Count)
{
    const SOrvFxParameter* pDescription = FindDescription(hParameter);
    if (!pDescription || !pVector || !pDescription->IsNumeric())
        return D3DERR_INVALIDCALL;
    std::vector<float> afValue(pDescription->GetValueCount());
    GetNumbers(hParameter, afValue.data(), afValue.size());
    size_t uPerElement = pDescription->m_uRows * pDescription->m_uColumns;
    size_t uElements = std::max(1u, pDescription->m_uElements);
    float* pf = reinterpret_cast<float*>(pVector);
    std::fill(pf, pf + 4 * size_t(Count), 0.0f);
    for (size_t e = 0; e < std::min<size_t>(Count, uElements); ++e)
        std::copy_n(afValue.begin() + std::ptrdiff_t(e * uPerElement),
                    std::min<size_t>(4, uPerElement), pf + 4 * e);
    return S_OK;
}

HRESULT COrvEffect::SetMatrix(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix)
{
    return SetMatrixArray(hParameter, pMatrix, 1);
}

HRESULT COrvEffect::GetMatrix(D3DXHANDLE hParameter, D3DXMATRIX* pMatrix)
{
    const SOrvFxParameter* pDescription = FindDescription(hParameter);
    if (!pDescription || !pMatrix || !pDescription->IsNumeric())
        return D3DERR_INVALIDCALL;
    std::vector<float> afValue(pDescription->GetValueCount());
    GetNumbers(hParameter, afValue.data(), afValue.size());
    float* pf = reinterpret_cast<float*>(pMatrix);
    std::fill(pf, pf + 16, 0.0f);
    for (UINT r = 0; r < std::min(4u, pDescription->m_uRows); ++r)
        for (UINT c = 0; c < std::min(4u, pDescription->m_uColumns); ++c)
            pf[4 * r + c] = afValue[r * pDescription->m_uColumns + c];
    return S_OK;
}

// A matrix parameter of r rows and c columns takes the top-left r x c block of each matrix.
HRESULT COrvEffect::SetMatrixArray(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix, UINT Count)
{
    size_t uIndex = FindParameter(hParameter);
    if (uIndex == SIZE_MAX || !pMatrix || !m_file.m_aParameters[uIndex].IsNumeric())
        return D3DERR_INVALIDCALL;
    const SOrvFxParameter& parameter = m_file.m_aParameters[uIndex];
    const float* pf = reinterpret_cast<const float*>(pMatrix);
    UINT uRows = std::min(4u, parameter.m_uRows);
    UINT uColumns = std::min(4u, parameter.m_uColumns);
    size_t uPerElement = parameter.m_uRows * parameter.m_uColumns;
    for (size_t e = 0; e < std::min<size_t>(Count, std::max(1u, parameter.m_uElements)); ++e)
        for (UINT r = 0; r < uRows; ++r)
            for (UINT c = 0; c < uColumns; ++c)
                m_aafValues[uIndex][e * uPerElement + r * parameter.m_uColumns + c] =
                    pf[16 * e + 4 * r + c];
    return S_OK;
}

HRESULT COrvEffect::SetMatrixTranspose(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix)
{
    if (!pMatrix)
        return D3DERR_INVALIDCALL;
    const float* pf = reinterpret_cast<const float*>(pMatrix);
    float afTransposed[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            afTransposed[4 * r + c] = pf[4 * c + r];
    return SetMatrixArray(hParameter, reinterpret_cast<const D3DXMATRIX*>(afTransposed), 1);
}

HRESULT COrvEffect::SetString(D3DXHANDLE hParameter, LPCSTR pString)
{
    size_t uIndex = FindParameter(hParameter);
    if (uIndex == SIZE_MAX || !pString || m_file.m_aParameters[uIndex].m_uType != ORV_FXT_STRING)
        return D3DERR_INVALIDCALL;
    m_aValues[uIndex].m_sString = pString;
    return S_OK;
}

HRESULT COrvEffect::GetString(D3DXHANDLE hParameter, LPCSTR* ppString)
{
    const SOrvFxParameter* pDescription = FindDescription(hParameter);
    if (!pDescription || !ppString || pDescription->m_uType != ORV_FXT_STRING)
        return D3DERR_INVALIDCALL;
    size_t uIndex = FindParameter(hParameter);
    *ppString =
        uIndex == SIZE_MAX ? pDescription->m_sString.c_str() : m_aValues[uIndex].m_sString.c_str();
    return S_OK;
}

HRESULT COrvEffect::SetTexture(D3DXHANDLE hParameter, IDirect3DBaseTexture9* pTexture)
{
    size_t uIndex = FindParameter(hParameter);
    if (uIndex == SIZE_MAX)
        return D3DERR_INVALIDCALL;
    const SOrvFxParameter& parameter = m_file.m_aParameters[uIndex];
    if (!parameter.IsTexture() && !parameter.IsSampler())
        return D3DERR_INVALIDCALL;
    if (pTexture)
        pTexture->AddRef();
    if (m_aValues[uIndex].m_pTexture)
        m_aValues[uIndex].m_pTexture->Release();
    m_aValues[uIndex].m_pTexture = pTexture;
    return S_OK;
}

HRESULT COrvEffect::GetTexture(D3DXHANDLE hParameter, IDirect3DBaseTexture9** ppTexture)
{
    size_t uIndex = FindParameter(hParameter);
    if (uIndex == SIZE_MAX || !ppTexture)
        return D3DERR_INVALIDCALL;
    *ppTexture = m_aValues[uIndex].m_pTexture;
    if (*ppTexture)
        (*ppTexture)->AddRef();
    return S_OK;
}

// ---- Techniques and passes -----------------------------------------------------------------

HRESULT COrvEffect::SetTechnique(D3DXHANDLE hTechnique)
{
    size_t uTechnique = FindTechnique(hTechnique);
    if (uTechnique == SIZE_MAX)
        return D3DERR_INVALIDCALL;
    m_uTechnique = uTechnique;
    return S_OK;
}

D3DXHANDLE COrvEffect::GetCurrentTechnique()
{
    return m_uTechnique == SIZE_MAX ? nullptr : m_ahTechniques[m_uTechnique];
}

// Every technique compiled at creation, so every technique is valid.
HRESULT COrvEffect::ValidateTechnique(D3DXHANDLE hTechnique)
{
    return FindTechnique(hTechnique) == SIZE_MAX ? D3DERR_INVALIDCALL : S_OK;
}

HRESULT COrvEffect::FindNextValidTechnique(D3DXHANDLE hTechnique, D3DXHANDLE* pTechnique)
{
    if (!pTechnique)
        return D3DERR_INVALIDCALL;
    size_t uNext = 0;
    if (hTechnique)
    {
        size_t uTechnique = FindTechnique(hTechnique);
        if (uTechnique == SIZE_MAX)
            return D3DERR_INVALIDCALL;
        uNext = uTechnique + 1;
    }
    *pTechnique = uNext < m_ahTechniques.size() ? m_ahTechniques[uNext] : nullptr;
    return *pTechnique ? S_OK : S_FALSE;
}

BOOL COrvEffect::IsParameterUsed(D3DXHANDLE hParameter, D3DXHANDLE hTechnique)
{
    size_t uIndex = FindParameter(hParameter);
    size_t uTechnique = FindTechnique(hTechnique);
    if (uIndex == SIZE_MAX || uTechnique == SIZE_MAX)
        return FALSE;
    const std::string& sName = m_file.m_aParameters[uIndex].m_sName;
    for (size_t p = 0; p < m_file.m_aTechniques[uTechnique].m_aPasses.size(); ++p)
        for (const SOrvFxSamplerUnit& unit : m_programs.GetSamplerUnits(uTechnique, p))
            if (unit.m_uParameter == uIndex)
                return TRUE;
    return m_file.m_sShaderSource.find(sName) != std::string::npos;
}

HRESULT COrvEffect::Begin(UINT* pPasses, DWORD Flags)
{
    if (m_uTechnique == SIZE_MAX || m_bBegun)
        return D3DERR_INVALIDCALL;
    m_bBegun = true;
    m_dwBeginFlags = Flags;
    m_uPass = SIZE_MAX;
    if (pPasses)
        *pPasses = UINT(m_file.m_aTechniques[m_uTechnique].m_aPasses.size());
    return S_OK;
}

HRESULT COrvEffect::BeginPass(UINT Pass)
{
    if (!m_bBegun || m_uPass != SIZE_MAX ||
        Pass >= m_file.m_aTechniques[m_uTechnique].m_aPasses.size())
        return D3DERR_INVALIDCALL;
    m_uPass = Pass;
    ApplyStates(m_file.m_aTechniques[m_uTechnique].m_aPasses[Pass]);
    ApplyPass();
    return S_OK;
}

HRESULT COrvEffect::CommitChanges()
{
    if (m_uPass == SIZE_MAX)
        return D3DERR_INVALIDCALL;
    // States computed from parameters follow a change as the shader constants do.
    if (m_aafValues != m_aafCommitted)
        ApplyStates(m_file.m_aTechniques[m_uTechnique].m_aPasses[m_uPass], true);
    ApplyPass();
    return S_OK;
}

HRESULT COrvEffect::EndPass()
{
    if (m_uPass == SIZE_MAX)
        return D3DERR_INVALIDCALL;
    m_uPass = SIZE_MAX;
    return S_OK;
}

HRESULT COrvEffect::End()
{
    if (!m_bBegun)
        return D3DERR_INVALIDCALL;
    m_bBegun = false;
    m_uPass = SIZE_MAX;
    RestoreStates();
    if (!(m_dwBeginFlags & D3DXFX_DONOTSAVESHADERSTATE))
    {
        orv::gl::MakeCurrent(m_pDevice);
        orv::gl::UseShaderStages(m_pDevice, 0, 0);
    }
    return S_OK;
}

HRESULT COrvEffect::GetDevice(IDirect3DDevice9** ppDevice)
{
    if (!ppDevice)
        return D3DERR_INVALIDCALL;
    *ppDevice = m_pDevice;
    m_pDevice->AddRef();
    return S_OK;
}

HRESULT COrvEffect::OnLostDevice()
{
    return S_OK;
}

HRESULT COrvEffect::OnResetDevice()
{
    return S_OK;
}
