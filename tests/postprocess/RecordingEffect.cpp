#include "RecordingEffect.h"

#include "OrvTestDevice.h"

#include "d3dx9.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

namespace
{
struct SEffectCall
{
    const CRecordingDevice* m_pDevice;
    size_t m_At; // number of device calls before it
    std::string m_Text;
};

std::vector<SEffectCall>& EffectCalls()
{
    static std::vector<SEffectCall> calls;
    return calls;
}

// Where the real effects are compiled and keep their values.
IDirect3DDevice9* CompilingDevice()
{
    static std::unique_ptr<COrvTestDevice> pDevice = std::make_unique<COrvTestDevice>(16, 16);
    return pDevice->Get();
}

class CRecordingEffect : public ID3DXEffect
{
public:
    CRecordingEffect(CRecordingDevice* pDevice, ID3DXEffect* pReal)
        : m_pDevice(pDevice), m_pReal(pReal)
    {
    }

    ULONG AddRef() override { return ++m_ulCount; }
    ULONG Release() override
    {
        if (--m_ulCount > 0)
            return m_ulCount;
        for (auto& [name, pTexture] : m_Textures)
            if (pTexture)
                pTexture->Release();
        m_pReal->Release();
        delete this;
        return 0;
    }

    // Description, handles and values: the real effect's.
    HRESULT GetDesc(D3DXEFFECT_DESC* p) override { return m_pReal->GetDesc(p); }
    HRESULT GetParameterDesc(D3DXHANDLE h, D3DXPARAMETER_DESC* p) override
    {
        return m_pReal->GetParameterDesc(h, p);
    }
    HRESULT GetTechniqueDesc(D3DXHANDLE h, D3DXTECHNIQUE_DESC* p) override
    {
        return m_pReal->GetTechniqueDesc(h, p);
    }
    HRESULT GetPassDesc(D3DXHANDLE h, D3DXPASS_DESC* p) override
    {
        return m_pReal->GetPassDesc(h, p);
    }
    D3DXHANDLE GetParameter(D3DXHANDLE h, UINT i) override { return m_pReal->GetParameter(h, i); }
    D3DXHANDLE GetParameterByName(D3DXHANDLE h, LPCSTR p) override
    {
        return m_pReal->GetParameterByName(h, p);
    }
    D3DXHANDLE GetParameterBySemantic(D3DXHANDLE h, LPCSTR p) override
    {
        return m_pReal->GetParameterBySemantic(h, p);
    }
    D3DXHANDLE GetParameterElement(D3DXHANDLE h, UINT i) override
    {
        return m_pReal->GetParameterElement(h, i);
    }
    D3DXHANDLE GetTechnique(UINT i) override { return m_pReal->GetTechnique(i); }
    D3DXHANDLE GetTechniqueByName(LPCSTR p) override { return m_pReal->GetTechniqueByName(p); }
    D3DXHANDLE GetPass(D3DXHANDLE h, UINT i) override { return m_pReal->GetPass(h, i); }
    D3DXHANDLE GetPassByName(D3DXHANDLE h, LPCSTR p) override
    {
        return m_pReal->GetPassByName(h, p);
    }
    D3DXHANDLE GetAnnotation(D3DXHANDLE h, UINT i) override { return m_pReal->GetAnnotation(h, i); }
    D3DXHANDLE GetAnnotationByName(D3DXHANDLE h, LPCSTR p) override
    {
        return m_pReal->GetAnnotationByName(h, p);
    }
    HRESULT SetValue(D3DXHANDLE h, LPCVOID p, UINT n) override
    {
        return m_pReal->SetValue(h, p, n);
    }
    HRESULT GetValue(D3DXHANDLE h, LPVOID p, UINT n) override { return m_pReal->GetValue(h, p, n); }
    HRESULT SetBool(D3DXHANDLE h, BOOL b) override { return m_pReal->SetBool(h, b); }
    HRESULT GetBool(D3DXHANDLE h, BOOL* p) override { return m_pReal->GetBool(h, p); }
    HRESULT SetInt(D3DXHANDLE h, INT n) override { return m_pReal->SetInt(h, n); }
    HRESULT GetInt(D3DXHANDLE h, INT* p) override { return m_pReal->GetInt(h, p); }
    HRESULT SetFloat(D3DXHANDLE h, FLOAT f) override { return m_pReal->SetFloat(h, f); }
    HRESULT GetFloat(D3DXHANDLE h, FLOAT* p) override { return m_pReal->GetFloat(h, p); }
    HRESULT SetFloatArray(D3DXHANDLE h, const FLOAT* p, UINT n) override
    {
        return m_pReal->SetFloatArray(h, p, n);
    }
    HRESULT GetFloatArray(D3DXHANDLE h, FLOAT* p, UINT n) override
    {
        return m_pReal->GetFloatArray(h, p, n);
    }
    HRESULT SetVector(D3DXHANDLE h, const D3DXVECTOR4* p) override
    {
        return m_pReal->SetVector(h, p);
    }
    HRESULT GetVector(D3DXHANDLE h, D3DXVECTOR4* p) override { return m_pReal->GetVector(h, p); }
    HRESULT SetVectorArray(D3DXHANDLE h, const D3DXVECTOR4* p, UINT n) override
    {
        return m_pReal->SetVectorArray(h, p, n);
    }
    HRESULT GetVectorArray(D3DXHANDLE h, D3DXVECTOR4* p, UINT n) override
    {
        return m_pReal->GetVectorArray(h, p, n);
    }
    HRESULT SetMatrix(D3DXHANDLE h, const D3DXMATRIX* p) override
    {
        return m_pReal->SetMatrix(h, p);
    }
    HRESULT GetMatrix(D3DXHANDLE h, D3DXMATRIX* p) override { return m_pReal->GetMatrix(h, p); }
    HRESULT SetMatrixArray(D3DXHANDLE h, const D3DXMATRIX* p, UINT n) override
    {
        return m_pReal->SetMatrixArray(h, p, n);
    }
    HRESULT SetMatrixTranspose(D3DXHANDLE h, const D3DXMATRIX* p) override
    {
        return m_pReal->SetMatrixTranspose(h, p);
    }
    HRESULT SetString(D3DXHANDLE h, LPCSTR p) override { return m_pReal->SetString(h, p); }
    HRESULT GetString(D3DXHANDLE h, LPCSTR* p) override { return m_pReal->GetString(h, p); }

    // Textures belong to the recording device: kept here, by parameter name.
    HRESULT SetTexture(D3DXHANDLE h, IDirect3DBaseTexture9* pTexture) override
    {
        const std::string name = ParameterName(h);
        if (name.empty())
            return D3DERR_INVALIDCALL;
        Note("SetTexture " + name + " " + m_pDevice->Label(pTexture));
        if (pTexture)
            pTexture->AddRef();
        if (m_Textures[name])
            m_Textures[name]->Release();
        m_Textures[name] = pTexture;
        return S_OK;
    }
    HRESULT GetTexture(D3DXHANDLE h, IDirect3DBaseTexture9** pp) override
    {
        *pp = m_Textures[ParameterName(h)];
        if (*pp)
            (*pp)->AddRef();
        return S_OK;
    }

    // Techniques and passes: chosen on the real effect, drawn on nothing.
    HRESULT SetTechnique(D3DXHANDLE h) override
    {
        const HRESULT hr = m_pReal->SetTechnique(h);
        Note("SetTechnique " + TechniqueName(h) + (FAILED(hr) ? " (missing)" : ""));
        return hr;
    }
    D3DXHANDLE GetCurrentTechnique() override { return m_pReal->GetCurrentTechnique(); }
    HRESULT ValidateTechnique(D3DXHANDLE h) override { return m_pReal->ValidateTechnique(h); }
    HRESULT FindNextValidTechnique(D3DXHANDLE h, D3DXHANDLE* p) override
    {
        return m_pReal->FindNextValidTechnique(h, p);
    }
    BOOL IsParameterUsed(D3DXHANDLE h, D3DXHANDLE t) override
    {
        return m_pReal->IsParameterUsed(h, t);
    }
    HRESULT Begin(UINT* pPasses, DWORD flags) override
    {
        D3DXTECHNIQUE_DESC desc{};
        m_pReal->GetTechniqueDesc(m_pReal->GetCurrentTechnique(), &desc);
        if (pPasses)
            *pPasses = desc.Passes;
        Note("Begin " + std::to_string(flags));
        return S_OK;
    }
    HRESULT BeginPass(UINT pass) override
    {
        Note("BeginPass " + std::to_string(pass));
        return S_OK;
    }
    HRESULT CommitChanges() override { return S_OK; }
    HRESULT EndPass() override
    {
        Note("EndPass");
        return S_OK;
    }
    HRESULT End() override
    {
        Note("End");
        return S_OK;
    }
    HRESULT GetDevice(IDirect3DDevice9** pp) override
    {
        *pp = m_pDevice;
        m_pDevice->AddRef();
        return S_OK;
    }
    HRESULT OnLostDevice() override { return S_OK; }
    HRESULT OnResetDevice() override { return S_OK; }

private:
    ~CRecordingEffect() = default;

    void Note(const std::string& text)
    {
        EffectCalls().push_back({m_pDevice, m_pDevice->GetCalls().size(), "Effect." + text});
    }
    std::string ParameterName(D3DXHANDLE h)
    {
        D3DXPARAMETER_DESC desc{};
        return SUCCEEDED(m_pReal->GetParameterDesc(h, &desc)) && desc.Name ? desc.Name : "";
    }
    std::string TechniqueName(D3DXHANDLE h)
    {
        D3DXTECHNIQUE_DESC desc{};
        if (SUCCEEDED(m_pReal->GetTechniqueDesc(h, &desc)) && desc.Name)
            return desc.Name;
        return h ? h : "null";
    }

    CRecordingDevice* m_pDevice;
    ID3DXEffect* m_pReal;
    ULONG m_ulCount = 1;
    std::map<std::string, IDirect3DBaseTexture9*> m_Textures;
};
} // namespace

std::vector<std::string> CallsWithEffects(const CRecordingDevice& device,
                                          const std::vector<std::string>& names)
{
    auto wanted = [&](const std::string& text)
    {
        if (names.empty())
            return true;
        const std::string name = text.substr(0, text.find(' '));
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    std::vector<std::string> result;
    const auto& calls = device.GetCalls();
    auto effectCall = EffectCalls().begin();
    for (size_t i = 0; i <= calls.size(); ++i)
    {
        for (; effectCall != EffectCalls().end() && effectCall->m_At <= i; ++effectCall)
            if (effectCall->m_pDevice == &device && wanted(effectCall->m_Text))
                result.push_back(effectCall->m_Text);
        if (i < calls.size() && wanted(calls[i].Text()))
            result.push_back(calls[i].Text());
    }
    return result;
}

void ClearEffectCalls()
{
    EffectCalls().clear();
}

// This program's effect creation (see the header).
extern "C" HRESULT D3DXCreateEffectFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                             const D3DXMACRO* pDefines, LPD3DXINCLUDE, DWORD,
                                             LPD3DXEFFECTPOOL, LPD3DXEFFECT* ppEffect,
                                             LPD3DXBUFFER* ppCompilationErrors)
{
    if (ppCompilationErrors)
        *ppCompilationErrors = nullptr;
    if (!ppEffect || !pDevice || !pSrcFile)
        return D3DERR_INVALIDCALL;
    *ppEffect = nullptr;
    std::ifstream file(pSrcFile, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file)
        return D3DERR_NOTFOUND;
    auto* pRecording = dynamic_cast<CRecordingDevice*>(pDevice);
    const std::string source = text.str();
    COrvComPtr<ID3DXEffect> pReal;
    const HRESULT hr = D3DXCreateEffect(pRecording ? CompilingDevice() : pDevice, source.data(),
                                        UINT(source.size()), pDefines, nullptr, 0, nullptr,
                                        pReal.ReleaseAndGetAddressOf(), ppCompilationErrors);
    if (FAILED(hr) || !pRecording)
    {
        *ppEffect = pReal.Detach();
        return hr;
    }
    *ppEffect = new CRecordingEffect(pRecording, pReal.Detach());
    return S_OK;
}
