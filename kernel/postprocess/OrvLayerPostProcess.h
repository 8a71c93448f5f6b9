#pragma once

#include "layers/OrvLayer.h"

class COrvResMaterial;
class COrvResObject3D;

// Any full-screen effect without code: a private "quad" mesh covering the viewport is drawn
// with the material that "Material Name" names. The material's effect gets the size of its
// texture 0 ("du", "dv" = one texel), its textures ("Tex", "Tex1"), and the pixel offsets
// it declares turned into texel offsets (ConvertPixelsToTexels).
class ORV_API COrvLayerPostProcess : public COrvLayer
{
public:
    explicit COrvLayerPostProcess(COrvDemo* pDemo);
    ~COrvLayerPostProcess() override;

    void SetDevice(IDirect3DDevice9* pDevice) override;
    void Draw() override;

private:
    COrvResMaterial* FindMaterial() const;
    void SetEffectParameters(COrvResMaterial* pMaterial);
    void SetIdentityTransforms();

    COrvComPtr<COrvPropString> m_pMaterialName;
    COrvComPtr<COrvResObject3D> m_pQuad;
};
