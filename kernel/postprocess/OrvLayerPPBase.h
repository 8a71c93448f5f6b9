#pragma once

#include "layers/OrvLayer.h"

#include "core/OrvPropId.h"

#include "d3dx9.h"

#include <string>

// Rewrites the pixel offsets an effect declares into texel offsets of a w × h texture: each
// top-level parameter with a string annotation "ConvertPixelsToTexels" receives the 2-float
// offsets of the parameter that the annotation names, each (x, y) turned into
// ((x + 0.5) / w, (y + 0.5) / h). A size of 0 counts as 1.
ORV_API void OrvConvertPixelsToTexels(ID3DXEffect* pEffect, float w, float h);

// Base of the built-in full-screen effects. Each subclass names one effect file, created
// when the device arrives, and reads its picture from the texture resource named by
// "Input surface". Only these layers take part in the "NEXT" routing of the frame.
class ORV_API COrvLayerPPBase : public COrvLayer
{
public:
    explicit COrvLayerPPBase(COrvDemo* pDemo);
    ~COrvLayerPPBase() override;

    void SetDevice(IDirect3DDevice9* pDevice) override;
    void Draw() override;
    bool GetInputSurface(std::string& name) const override;

    std::string GetInputSurfaceName() const;
    ID3DXEffect* GetEffect() const { return m_pEffect.Get(); }
    const std::string& GetEffectFileName() const { return m_EffectFileName; }

    // The full-screen rectangle: clip-space positions and one texture coordinate pair.
    static constexpr DWORD RECTANGLE_FVF = D3DFVF_XYZW | D3DFVF_TEX1;

protected:
    // Creates the effect from the effect file in the demo's data directory; an effect that
    // fails or compiles with messages leaves none.
    void CreateEffect();
    // A new animable float property with a default and an editing range, appended to the
    // property list; the caller keeps the reference returned.
    COrvComPtr<COrvPropFloat> AddFloatProperty(ORV_PROP_ID id, float value, float min, float max);
    void ReleaseEffect();
    // The texture of the resource "Input surface" names, or null.
    IDirect3DTexture9* FindInputTexture() const;
    void SetDrawStates();
    // Selects the technique, sets the rectangle's vertex format and draws the rectangle
    // once per pass.
    void RunTechnique(const char* pTechnique);

    COrvComPtr<COrvPropString> m_pInputSurface;
    COrvComPtr<ID3DXEffect> m_pEffect;
    std::string m_EffectFileName;
};
