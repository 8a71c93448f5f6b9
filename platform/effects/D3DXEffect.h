#pragma once

#include "FxFile.h"
#include "FxPrograms.h"
#include "FxStates.h"
#include "d3dx9effect.h"

#include <deque>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// ID3DXEffect over the OpenGL device. Handles are addresses of records owned by the effect;
// any other non-null handle is taken as a name, as Direct3D's effects allow.
class COrvEffect final : public ID3DXEffect
{
public:
    // Parses and compiles a preprocessed effect; on failure returns null with messages in
    // sErrors.
    static COrvEffect* Create(IDirect3DDevice9* pDevice, const SOrvFxSource& source,
                              std::string& sErrors);

    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetDesc(D3DXEFFECT_DESC* pDesc) override;
    HRESULT GetParameterDesc(D3DXHANDLE hParameter, D3DXPARAMETER_DESC* pDesc) override;
    HRESULT GetTechniqueDesc(D3DXHANDLE hTechnique, D3DXTECHNIQUE_DESC* pDesc) override;
    HRESULT GetPassDesc(D3DXHANDLE hPass, D3DXPASS_DESC* pDesc) override;
    D3DXHANDLE GetParameter(D3DXHANDLE hParameter, UINT Index) override;
    D3DXHANDLE GetParameterByName(D3DXHANDLE hParameter, LPCSTR pName) override;
    D3DXHANDLE GetParameterBySemantic(D3DXHANDLE hParameter, LPCSTR pSemantic) override;
    D3DXHANDLE GetParameterElement(D3DXHANDLE hParameter, UINT ElementIndex) override;
    D3DXHANDLE GetTechnique(UINT Index) override;
    D3DXHANDLE GetTechniqueByName(LPCSTR pName) override;
    D3DXHANDLE GetPass(D3DXHANDLE hTechnique, UINT Index) override;
    D3DXHANDLE GetPassByName(D3DXHANDLE hTechnique, LPCSTR pName) override;
    D3DXHANDLE GetAnnotation(D3DXHANDLE hObject, UINT Index) override;
    D3DXHANDLE GetAnnotationByName(D3DXHANDLE hObject, LPCSTR pName) override;

    HRESULT SetValue(D3DXHANDLE hParameter, LPCVOID pData, UINT Bytes) override;
    HRESULT GetValue(D3DXHANDLE hParameter, LPVOID pData, UINT Bytes) override;
    HRESULT SetBool(D3DXHANDLE hParameter, BOOL b) override;
    HRESULT GetBool(D3DXHANDLE hParameter, BOOL* pb) override;
    HRESULT SetInt(D3DXHANDLE hParameter, INT n) override;
    HRESULT GetInt(D3DXHANDLE hParameter, INT* pn) override;
    HRESULT SetFloat(D3DXHANDLE hParameter, FLOAT f) override;
    HRESULT GetFloat(D3DXHANDLE hParameter, FLOAT* pf) override;
    HRESULT SetFloatArray(D3DXHANDLE hParameter, const FLOAT* pf, UINT Count) override;
    HRESULT GetFloatArray(D3DXHANDLE hParameter, FLOAT* pf, UINT Count) override;
    HRESULT SetVector(D3DXHANDLE hParameter, const D3DXVECTOR4* pVector) override;
    HRESULT GetVector(D3DXHANDLE hParameter, D3DXVECTOR4* pVector) override;
    HRESULT SetVectorArray(D3DXHANDLE hParameter, const D3DXVECTOR4* pVector, UINT Count) override;
    HRESULT GetVectorArray(D3DXHANDLE hParameter, D3DXVECTOR4* pVector, UINT Count) override;
    HRESULT SetMatrix(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) override;
    HRESULT GetMatrix(D3DXHANDLE hParameter, D3DXMATRIX* pMatrix) override;
    HRESULT SetMatrixArray(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix, UINT Count) override;
    HRESULT SetMatrixTranspose(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) override;
    HRESULT SetString(D3DXHANDLE hParameter, LPCSTR pString) override;
    HRESULT GetString(D3DXHANDLE hParameter, LPCSTR* ppString) override;
    HRESULT SetTexture(D3DXHANDLE hParameter, IDirect3DBaseTexture9* pTexture) override;
    HRESULT GetTexture(D3DXHANDLE hParameter, IDirect3DBaseTexture9** ppTexture) override;

    HRESULT SetTechnique(D3DXHANDLE hTechnique) override;
    D3DXHANDLE GetCurrentTechnique() override;
    HRESULT ValidateTechnique(D3DXHANDLE hTechnique) override;
    HRESULT FindNextValidTechnique(D3DXHANDLE hTechnique, D3DXHANDLE* pTechnique) override;
    BOOL IsParameterUsed(D3DXHANDLE hParameter, D3DXHANDLE hTechnique) override;
    HRESULT Begin(UINT* pPasses, DWORD Flags) override;
    HRESULT BeginPass(UINT Pass) override;
    HRESULT CommitChanges() override;
    HRESULT EndPass() override;
    HRESULT End() override;

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT OnLostDevice() override;
    HRESULT OnResetDevice() override;

private:
    enum class EKind
    {
        Parameter,
        Annotation,
        Technique,
        Pass,
    };
    struct SHandle
    {
        EKind m_eKind;
        size_t m_uIndex; // parameter or technique
        size_t m_uPass;
        const SOrvFxParameter* m_pAnnotation;
    };
    struct SParameterValue
    {
        std::string m_sString;
        IDirect3DBaseTexture9* m_pTexture = nullptr; // one reference held
    };
    struct SSavedState
    {
        int m_iKind; // 0 render, 1 sampler, 2 texture stage
        DWORD m_dwIndex;
        DWORD m_dwState;
        DWORD m_dwValue;
    };

    COrvEffect(IDirect3DDevice9* pDevice, SOrvFxFile file);
    ~COrvEffect();

    D3DXHANDLE MakeHandle(EKind eKind, size_t uIndex, size_t uPass,
                          const SOrvFxParameter* pAnnotation);
    const SHandle* FindHandle(D3DXHANDLE h) const;
    size_t FindParameter(D3DXHANDLE h) const;                   // SIZE_MAX when none
    const SOrvFxParameter* FindDescription(D3DXHANDLE h) const; // parameter or annotation
    size_t FindTechnique(D3DXHANDLE h) const;
    const std::vector<SOrvFxParameter>* FindAnnotations(D3DXHANDLE h) const;
    HRESULT SetNumbers(D3DXHANDLE h, const float* pf, size_t uCount);
    HRESULT GetNumbers(D3DXHANDLE h, float* pf, size_t uCount);

    void ApplyPass();
    // bChangedOnly: only the states whose value depends on parameters (CommitChanges).
    void ApplyStates(const SOrvFxPass& pass, bool bChangedOnly = false);
    void ApplySampler(DWORD dwUnit, size_t uSampler, UINT uElement);
    void ApplyVectorState(const SOrvFxState& state, const SOrvFxStateInfo& info);
    void SetState(int iKind, DWORD dwIndex, DWORD dwState, DWORD dwValue);
    IDirect3DBaseTexture9* FindTextureFor(const SOrvFxValue& value) const;
    bool EvaluateStateValue(const SOrvFxValue& value, std::vector<double>& adValue) const;
    bool ResolveStateValue(const SOrvFxState& state, const SOrvFxStateInfo& info,
                           DWORD& dwValue) const;
    size_t ChooseShader(const SOrvFxShaderSlot& slot) const;
    bool IsSaving(int iKind) const; // 0 render, 1 sampler
    void SaveTexture(DWORD dwUnit);
    void SaveLight(DWORD dwIndex);
    void SaveMaterial();
    void SaveTransform(D3DTRANSFORMSTATETYPE eTransform);
    void RestoreStates();

    ULONG m_uRefCount = 1;
    IDirect3DDevice9* m_pDevice;
    SOrvFxFile m_file;
    std::vector<std::vector<float>> m_aafValues;
    std::vector<std::vector<float>> m_aafCommitted; // as BeginPass or CommitChanges found them
    std::vector<SParameterValue> m_aValues;
    COrvFxPrograms m_programs;

    std::deque<SHandle> m_aHandles;
    std::unordered_set<const void*> m_validHandles;
    std::vector<D3DXHANDLE> m_ahParameters;
    std::vector<D3DXHANDLE> m_ahTechniques;
    std::vector<std::vector<D3DXHANDLE>> m_aahPasses;
    std::unordered_map<const SOrvFxParameter*, D3DXHANDLE> m_annotationHandles;

    size_t m_uTechnique = SIZE_MAX;
    bool m_bBegun = false;
    DWORD m_dwBeginFlags = 0;
    size_t m_uPass = SIZE_MAX;
    std::vector<SSavedState> m_aSaved;
    std::vector<std::pair<DWORD, IDirect3DBaseTexture9*>> m_aSavedTextures;
    struct SSavedLight
    {
        DWORD m_dwIndex;
        D3DLIGHT9 m_light;
        BOOL m_bEnabled;
        bool m_bExisted; // the device had the light before the pass
    };
    std::vector<SSavedLight> m_aSavedLights;
    D3DMATERIAL9 m_savedMaterial{};
    bool m_bMaterialSaved = false;
    std::vector<std::pair<D3DTRANSFORMSTATETYPE, D3DMATRIX>> m_aSavedTransforms;
};

// Effect files larger than this are not source code.
constexpr size_t s_uOrvMaxEffectBytes = 16u << 20;

// Creates an effect from its source text: preprocessed (with the caller's macros, and its
// #include files from pInclude or from beside sName), parsed and compiled. sName is the file
// name that messages give.
HRESULT OrvCreateEffectFromSource(IDirect3DDevice9* pDevice, const std::string& sSource,
                                  const std::string& sName, const D3DXMACRO* pDefines,
                                  ID3DXInclude* pInclude, LPD3DXEFFECT* ppEffect,
                                  LPD3DXBUFFER* ppErrors);
