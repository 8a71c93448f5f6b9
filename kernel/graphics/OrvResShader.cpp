#include "graphics/OrvResShader.h"

#include "core/OrvSniffer.h"
#include "core/OrvPropId.h"

#include <utility>

COrvResShader::COrvResShader()
{
    m_pFileName = AddProperty<COrvPropString>(ORV_PROP_FILENAME, "");
}

COrvResShader::~COrvResShader()
{
    ReleaseEffect();
}

void COrvResShader::SetFileName(const std::string& name)
{
    m_pFileName->SetValue(name);
}

void COrvResShader::ReleaseEffect()
{
    m_pEffect.Reset();
    m_hTechnique = nullptr;
}

void COrvResShader::Update()
{
    const std::string name = m_pFileName->GetValue();
    if (name == m_LoadedFileName)
        return;
    ReleaseEffect();
    m_LoadedFileName = name;
    if (name.empty() || !m_pDevice)
        return;
    EnterDataDir();
    COrvComPtr<ID3DXEffect> pEffect;
    COrvComPtr<ID3DXBuffer> pMessages;
    const HRESULT hr = D3DXCreateEffectFromFileA(m_pDevice, name.c_str(), nullptr, nullptr, 0,
                                                 nullptr, pEffect.ReleaseAndGetAddressOf(),
                                                 pMessages.ReleaseAndGetAddressOf());
    if (FAILED(hr) || !pEffect)
    {
        const ORV_LoadProblem problem = OrvParseCompilerMessages(
            OrvBufferText(pMessages.Get()), name, "the effect does not compile");
        SnifferMessage(("Effect file not loaded: " + name).c_str());
        ReportProblem(name, problem.m_iLine, problem.m_Reason);
        return;
    }
    D3DXHANDLE hTechnique = nullptr;
    if (FAILED(pEffect->FindNextValidTechnique(nullptr, &hTechnique)) || !hTechnique)
    {
        SnifferMessage(("Effect file without a valid technique: " + name).c_str());
        ReportProblem(name, 0, "no technique of the effect runs on this device");
        return;
    }
    m_pEffect = std::move(pEffect);
    m_hTechnique = hTechnique;
}

void COrvResShader::SetDevice(IDirect3DDevice9* pDevice)
{
    if (pDevice != m_pDevice)
    {
        ReleaseEffect();
        m_LoadedFileName.clear();
    }
    m_pDevice = pDevice;
}
