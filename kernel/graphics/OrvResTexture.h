#pragma once

#include "graphics/OrvResource.h"

// Everything a layer can bind as a texture: an image or a render target. Owns its texture
// (null when absent); a device change drops it.
class ORV_API COrvResTexture : public COrvResource
{
public:
    ~COrvResTexture() override;

    void SetDevice(IDirect3DDevice9* pDevice) override;

    IDirect3DTexture9* GetTexture() const { return m_pTexture.Get(); }
    // The picture's own size, which gives sprites their aspect ratio. False without one.
    virtual bool GetSourceSize(UINT& width, UINT& height) const = 0;

protected:
    COrvResTexture() = default;
    void ReleaseTexture();

    IDirect3DDevice9* m_pDevice = nullptr;
    COrvComPtr<IDirect3DTexture9> m_pTexture;
};
