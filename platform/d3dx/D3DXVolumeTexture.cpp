// Volume textures of D3DX: from DDS volume files, and empty ones.
#include "TextureLoading.h"
#include "VolumeLevels.h"
#include "d3dx9tex.h"

#include "OrvComPtr.h"

#include <algorithm>
#include <new>

namespace
{
HRESULT FillVolume(IDirect3DVolumeTexture9* pVolume, const std::vector<SOrvImageLevel>& aLevels,
                   D3DFORMAT eFormat)
{
    const UINT uLevels = std::min<UINT>(UINT(aLevels.size()), UINT(pVolume->GetLevelCount()));
    for (UINT uLevel = 0; uLevel < uLevels; ++uLevel)
    {
        D3DLOCKED_BOX locked{};
        HRESULT hr = pVolume->LockBox(uLevel, &locked, nullptr, 0);
        if (FAILED(hr))
            return hr;
        for (UINT z = 0; z < aLevels[uLevel].m_uDepth; ++z)
            OrvCopyRows(aLevels[uLevel], z, eFormat,
                        static_cast<uint8_t*>(locked.pBits) + size_t(z) * size_t(locked.SlicePitch),
                        size_t(locked.RowPitch));
        pVolume->UnlockBox(uLevel);
    }
    return S_OK;
}

HRESULT CreateVolume(IDirect3DDevice9* pDevice, const SOrvImageSet& rImage,
                     const SOrvVolumePlan& rPlan, DWORD dwUsage, D3DPOOL ePool,
                     IDirect3DVolumeTexture9** ppVolume)
{
    COrvComPtr<IDirect3DVolumeTexture9> pVolume;
    HRESULT hr = pDevice->CreateVolumeTexture(rPlan.m_uWidth, rPlan.m_uHeight, rPlan.m_uDepth,
                                              rPlan.m_uLevels, dwUsage, rPlan.m_eFormat, ePool,
                                              pVolume.ReleaseAndGetAddressOf(), nullptr);
    if (SUCCEEDED(hr))
        hr = FillVolume(pVolume.Get(), COrvVolumeLevels::Build(rImage, rPlan), rPlan.m_eFormat);
    if (SUCCEEDED(hr))
        *ppVolume = pVolume.Detach();
    return hr;
}
} // namespace

HRESULT D3DXCreateVolumeTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                  UINT SrcDataSize, UINT Width, UINT Height,
                                                  UINT Depth, UINT MipLevels, DWORD Usage,
                                                  D3DFORMAT Format, D3DPOOL Pool, DWORD, DWORD,
                                                  D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                  PALETTEENTRY*,
                                                  LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture)
{
    if (ppVolumeTexture)
        *ppVolumeTexture = nullptr;
    if (!pDevice || !pSrcData || SrcDataSize == 0 || !ppVolumeTexture)
        return D3DERR_INVALIDCALL;
    try
    {
        SOrvImageSet image;
        std::string sError;
        if (!COrvImageFile::DecodeSet(pSrcData, SrcDataSize, image, sError,
                                      EOrvImageContent::Whole) ||
            image.m_Info.ResourceType != D3DRTYPE_VOLUMETEXTURE)
            return D3DXERR_INVALIDDATA;
        SOrvVolumePlan plan =
            COrvVolumeLevels::Plan(image, Width, Height, Depth, MipLevels, Usage, Format, ColorKey,
                                   OrvStorableFormats(pDevice, D3DRTYPE_VOLUMETEXTURE));
        HRESULT hr = CreateVolume(pDevice, image, plan, Usage, Pool, ppVolumeTexture);
        if (FAILED(hr) && plan.m_eFormat != D3DFMT_A8R8G8B8 && plan.m_eFormat != D3DFMT_X8R8G8B8)
        {
            // The device refused the format after all: 32-bit colour, decoded.
            plan = COrvVolumeLevels::Plan(image, Width, Height, Depth, MipLevels, Usage, Format,
                                          ColorKey, [](D3DFORMAT) { return false; });
            hr = CreateVolume(pDevice, image, plan, Usage, Pool, ppVolumeTexture);
        }
        if (SUCCEEDED(hr) && pSrcInfo)
            *pSrcInfo = image.m_Info;
        return hr;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}

HRESULT D3DXCreateVolumeTextureFromFileInMemory(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                UINT SrcDataSize,
                                                LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture)
{
    return D3DXCreateVolumeTextureFromFileInMemoryEx(
        pDevice, pSrcData, SrcDataSize, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
        ppVolumeTexture);
}

HRESULT D3DXCreateVolumeTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width,
                                           UINT Height, UINT Depth, UINT MipLevels, DWORD Usage,
                                           D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                           DWORD MipFilter, D3DCOLOR ColorKey,
                                           D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                           LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture)
{
    if (ppVolumeTexture)
        *ppVolumeTexture = nullptr;
    if (!pDevice || !pSrcFile || !ppVolumeTexture)
        return D3DERR_INVALIDCALL;
    std::vector<uint8_t> auData;
    const HRESULT hr = OrvReadImageFile(pSrcFile, auData);
    if (FAILED(hr))
        return hr;
    return D3DXCreateVolumeTextureFromFileInMemoryEx(
        pDevice, auData.data(), UINT(auData.size()), Width, Height, Depth, MipLevels, Usage, Format,
        Pool, Filter, MipFilter, ColorKey, pSrcInfo, pPalette, ppVolumeTexture);
}

HRESULT D3DXCreateVolumeTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                         LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture)
{
    return D3DXCreateVolumeTextureFromFileExA(pDevice, pSrcFile, D3DX_DEFAULT, D3DX_DEFAULT,
                                              D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                              D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                              nullptr, nullptr, ppVolumeTexture);
}

HRESULT D3DXCreateVolumeTexture(LPDIRECT3DDEVICE9 pDevice, UINT Width, UINT Height, UINT Depth,
                                UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture)
{
    if (ppVolumeTexture)
        *ppVolumeTexture = nullptr;
    if (!pDevice || !ppVolumeTexture)
        return D3DERR_INVALIDCALL;
    D3DCAPS9 caps{};
    pDevice->GetDeviceCaps(&caps);
    const UINT uLargest = caps.MaxVolumeExtent ? caps.MaxVolumeExtent : 256;
    return pDevice->CreateVolumeTexture(
        OrvChooseSize(Width, uLargest), OrvChooseSize(Height, uLargest),
        OrvChooseSize(Depth, uLargest), MipLevels == D3DX_DEFAULT ? 0 : MipLevels, Usage,
        OrvChooseFormat(pDevice, D3DRTYPE_VOLUMETEXTURE, Format), Pool, ppVolumeTexture, nullptr);
}
