#pragma once

#include "graphics/OrvResTexture.h"
#include "core/OrvProp.h"

#include "d3dx9.h"

#include <string>

// A texture loaded from an image file in the demo's data directory ("Filename"). The file
// is loaded at the first frame after the name or the device changes.
class ORV_API COrvResImage : public COrvResTexture
{
public:
    COrvResImage();
    ~COrvResImage() override;

    void Update() override;
    void SetDevice(IDirect3DDevice9* pDevice) override;
    bool GetSourceSize(UINT& width, UINT& height) const override;

    void SetFileName(const std::string& name);
    const D3DXIMAGE_INFO& GetImageInfo() const { return m_ImageInfo; }

private:
    D3DXIMAGE_INFO m_ImageInfo{};
    COrvComPtr<COrvPropString> m_pFileName;
    std::string m_LoadedFileName;
};
