#pragma once

#include "postprocess/OrvLayerPPBase.h"

// Glow: the input ("Input surface") is shrunk into a small private target, blurred
// vertically and then horizontally through two more, and the blur is combined with the
// full-size input into the layer's own target. The four steps are the techniques
// "PostProcessDown", "PostProcessVBlur", "PostProcessHBlur" and "PostProcessCombine" of
// "ppBloom.fx".
class ORV_API COrvLayerPPBloom : public COrvLayerPPBase
{
public:
    // Size of the three small targets; it does not follow the output.
    static constexpr UINT TARGET_WIDTH = 64;
    static constexpr UINT TARGET_HEIGHT = 36;

    explicit COrvLayerPPBloom(COrvDemo* pDemo);
    ~COrvLayerPPBloom() override;

    void SetDevice(IDirect3DDevice9* pDevice) override;
    void Draw() override;

    // The small targets: 0 holds the shrunk input, 1 its vertical blur, 2 the full blur.
    IDirect3DTexture9* GetSmallTexture(int i) const { return m_pTextures[i].Get(); }
    IDirect3DSurface9* GetSmallSurface(int i) const { return m_pSurfaces[i].Get(); }

private:
    void ReleaseTargets();
    void CreateTargets();
    // One step into small target `target`: pixel-to-texel offsets for the texture read,
    // "Tex", then the technique.
    void DrawStep(int target, IDirect3DTexture9* pSource, const char* pTechnique);

    COrvComPtr<IDirect3DSurface9> m_pSurfaces[3];
    COrvComPtr<IDirect3DTexture9> m_pTextures[3];
};
