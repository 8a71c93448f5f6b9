#pragma once

#include "OrvExport.h"
#include "core/OrvObject.h"
#include "graphics/OrvResource.h"
#include "core/OrvProp.h"

#include "d3d9.h"

#include <string>

class COrvDemo;

// A material as the device sees it: the D3D material and the names of the texture
// resources for stages 0 and 1.
class ORV_API COrvMaterial : public COrvObject
{
public:
    COrvMaterial() = default;

    // Sets the device material, then binds each named texture that is loaded; a name that
    // finds no texture leaves the stage as it was.
    void Apply(IDirect3DDevice9* pDevice, COrvDemo* pDemo) const;

    D3DMATERIAL9 m_Material{};
    std::string m_TextureName0;
    std::string m_TextureName1;
};

// The material resource: colour, alpha, specular strength, two texture names and an
// effect-file resource name, all animated properties. GetMaterial refreshes the owned
// COrvMaterial from them at the current frame.
class ORV_API COrvResMaterial : public COrvResource
{
public:
    COrvResMaterial();
    ~COrvResMaterial() override;

    COrvMaterial* GetMaterial();
    std::string GetShaderName() const;
    void SetDefaults(const COrvMaterial& material);

private:
    COrvComPtr<COrvPropFloat> m_pAlpha;
    COrvComPtr<COrvPropString> m_pShaderName;
    COrvComPtr<COrvPropString> m_pTextureName0;
    COrvComPtr<COrvPropString> m_pTextureName1;
    COrvComPtr<COrvPropVector> m_pDiffuse;
    COrvComPtr<COrvPropFloat> m_pSpecular;
    COrvComPtr<COrvMaterial> m_pMaterial;
};
