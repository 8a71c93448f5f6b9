#pragma once

#include "graphics/OrvResource.h"
#include "core/OrvProp.h"

#include "d3dx9.h"

#include <string>

// An effect file ("Filename") with the first technique valid on the device. Loaded at the
// first frame after the name or the device changes; a file that fails leaves no effect.
class ORV_API COrvResShader : public COrvResource
{
public:
    COrvResShader();
    ~COrvResShader() override;

    void Update() override;
    void SetDevice(IDirect3DDevice9* pDevice) override;

    void SetFileName(const std::string& name);
    ID3DXEffect* GetEffect() const { return m_pEffect.Get(); }
    D3DXHANDLE GetTechnique() const { return m_hTechnique; }

private:
    void ReleaseEffect();

    COrvComPtr<COrvPropString> m_pFileName;
    IDirect3DDevice9* m_pDevice = nullptr;
    COrvComPtr<ID3DXEffect> m_pEffect;
    D3DXHANDLE m_hTechnique = nullptr;
    std::string m_LoadedFileName;
};
