#pragma once

#include "graphics/OrvResTexture.h"
#include "core/OrvProp.h"

// A texture that layers draw into, of "Width" × "Height" pixels, or with "AutoSize" the
// output width by a 16:9 height. Created at the first frame after its size or the device
// changes; it keeps its contents between frames.
class ORV_API COrvResRenderTarget : public COrvResTexture
{
public:
    // Sizes beyond what any device offers are refused rather than handed to the device.
    static constexpr int MAX_SIZE = 16384;

    COrvResRenderTarget();
    ~COrvResRenderTarget() override;

    void Update() override;
    void SetDevice(IDirect3DDevice9* pDevice) override;
    bool GetSourceSize(UINT& width, UINT& height) const override;

    IDirect3DSurface9* GetSurface() const { return m_pSurface.Get(); }
    int GetCurrentWidth() const { return m_iCurrentWidth; }
    int GetCurrentHeight() const { return m_iCurrentHeight; }

private:
    void ReleaseTarget();

    COrvComPtr<COrvPropInt> m_pHeight;
    COrvComPtr<COrvPropInt> m_pWidth;
    COrvComPtr<COrvPropBool> m_pAutoSize;
    COrvComPtr<IDirect3DSurface9> m_pSurface;
    int m_iCurrentHeight = 0;
    int m_iCurrentWidth = 0;
};
