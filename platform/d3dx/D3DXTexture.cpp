#include "ImageFile.h"
#include "d3dx9tex.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <new>

namespace
{
bool IsFileSize(UINT uSize)
{
    return uSize == 0 || uSize == D3DX_DEFAULT || uSize == D3DX_DEFAULT_NONPOW2 ||
           uSize == D3DX_FROM_FILE;
}

UINT FullChain(UINT uWidth, UINT uHeight)
{
    UINT uLevels = 1;
    while (uWidth > 1 || uHeight > 1)
    {
        uWidth = std::max(1u, uWidth / 2);
        uHeight = std::max(1u, uHeight / 2);
        ++uLevels;
    }
    return uLevels;
}

D3DXIMAGE_INFO InfoOf(const SOrvPixels& image)
{
    static const D3DFORMAT s_aeFormats[] = {D3DFMT_A8R8G8B8, D3DFMT_L8, D3DFMT_A8L8, D3DFMT_R8G8B8,
                                            D3DFMT_A8R8G8B8};
    D3DXIMAGE_INFO info{};
    info.Width = image.m_uWidth;
    info.Height = image.m_uHeight;
    info.Depth = 1;
    info.MipLevels = 1;
    info.Format = s_aeFormats[std::clamp(image.m_iFileChannels, 0, 4)];
    info.ResourceType = D3DRTYPE_TEXTURE;
    info.ImageFileFormat = D3DXIMAGE_FILEFORMAT(image.m_iFileFormat);
    return info;
}

// RGBA rows into a locked A8R8G8B8 or X8R8G8B8 level (bytes B, G, R, A in memory).
void CopyToLevel(const SOrvPixels& image, const D3DLOCKED_RECT& locked)
{
    for (UINT y = 0; y < image.m_uHeight; ++y)
    {
        const uint8_t* pIn = &image.m_auRgba[size_t(y) * image.m_uWidth * 4];
        auto* pOut = static_cast<uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch);
        for (UINT x = 0; x < image.m_uWidth; ++x, pIn += 4, pOut += 4)
        {
            pOut[0] = pIn[2];
            pOut[1] = pIn[1];
            pOut[2] = pIn[0];
            pOut[3] = pIn[3];
        }
    }
}

void ApplyColorKey(SOrvPixels& image, D3DCOLOR colorKey)
{
    if (colorKey == 0)
        return;
    uint8_t a = uint8_t(colorKey >> 24), r = uint8_t(colorKey >> 16), g = uint8_t(colorKey >> 8),
            b = uint8_t(colorKey);
    for (size_t i = 0; i < image.m_auRgba.size(); i += 4)
    {
        uint8_t* p = &image.m_auRgba[i];
        if (p[0] == r && p[1] == g && p[2] == b && p[3] == a)
            p[0] = p[1] = p[2] = p[3] = 0;
    }
}

HRESULT FillTexture(IDirect3DTexture9* pTexture, SOrvPixels image, UINT uLevels)
{
    for (UINT uLevel = 0; uLevel < uLevels; ++uLevel)
    {
        if (uLevel > 0)
            image = COrvImageFile::HalfSize(image);
        D3DLOCKED_RECT locked{};
        HRESULT hr = pTexture->LockRect(uLevel, &locked, nullptr, 0);
        if (FAILED(hr))
            return hr;
        CopyToLevel(image, locked);
        pTexture->UnlockRect(uLevel);
    }
    return S_OK;
}
} // namespace

HRESULT D3DXGetImageInfoFromFileA(LPCSTR pSrcFile, D3DXIMAGE_INFO* pSrcInfo)
{
    if (!pSrcFile || !pSrcInfo)
        return D3DERR_INVALIDCALL;
    SOrvPixels image;
    std::string sError;
    if (!COrvImageFile::Load(pSrcFile, image, sError))
        return D3DXERR_INVALIDDATA;
    *pSrcInfo = InfoOf(image);
    return S_OK;
}

HRESULT D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width,
                                     UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                     D3DPOOL Pool, DWORD, DWORD, D3DCOLOR ColorKey,
                                     D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY*,
                                     LPDIRECT3DTEXTURE9* ppTexture)
{
    if (ppTexture)
        *ppTexture = nullptr;
    if (!pDevice || !pSrcFile || !ppTexture)
        return D3DERR_INVALIDCALL;
    try
    {
        SOrvPixels image;
        std::string sError;
        if (!COrvImageFile::Load(pSrcFile, image, sError))
            return std::ifstream(pSrcFile).good() ? D3DXERR_INVALIDDATA : D3DERR_NOTFOUND;
        D3DXIMAGE_INFO info = InfoOf(image);
        UINT uWidth = IsFileSize(Width) ? image.m_uWidth : std::min(Width, ORV_MAX_IMAGE_SIZE);
        UINT uHeight = IsFileSize(Height) ? image.m_uHeight : std::min(Height, ORV_MAX_IMAGE_SIZE);
        UINT uLevels = MipLevels == D3DX_FROM_FILE ? 1 : FullChain(uWidth, uHeight);
        if (MipLevels != 0 && MipLevels != D3DX_DEFAULT && MipLevels != D3DX_FROM_FILE)
            uLevels = std::min(MipLevels, uLevels);
        if (Usage & D3DUSAGE_RENDERTARGET)
            uLevels = 1;
        if (Format == D3DFMT_UNKNOWN || Format == D3DFMT_FROM_FILE ||
            (Format != D3DFMT_A8R8G8B8 && Format != D3DFMT_X8R8G8B8))
            Format = D3DFMT_A8R8G8B8;
        image = COrvImageFile::Resize(image, uWidth, uHeight);
        ApplyColorKey(image, ColorKey);
        IDirect3DTexture9* pTexture = nullptr;
        HRESULT hr = pDevice->CreateTexture(uWidth, uHeight, uLevels, Usage, Format, Pool,
                                            &pTexture, nullptr);
        if (FAILED(hr))
            return hr;
        hr = FillTexture(pTexture, std::move(image), uLevels);
        if (FAILED(hr))
        {
            pTexture->Release();
            return hr;
        }
        if (pSrcInfo)
            *pSrcInfo = info;
        *ppTexture = pTexture;
        return S_OK;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}

HRESULT D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                   LPDIRECT3DTEXTURE9* ppTexture)
{
    return D3DXCreateTextureFromFileExA(pDevice, pSrcFile, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                                        0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                        D3DX_DEFAULT, 0, nullptr, nullptr, ppTexture);
}

// Render targets cannot be locked: their pixels are first copied into system memory.
HRESULT D3DXSaveSurfaceToFileA(LPCSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat,
                               LPDIRECT3DSURFACE9 pSrcSurface, const PALETTEENTRY*,
                               const RECT* pSrcRect)
{
    if (!pDestFile || !pSrcSurface || (DestFormat != D3DXIFF_PNG && DestFormat != D3DXIFF_BMP))
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc{};
    if (FAILED(pSrcSurface->GetDesc(&desc)) ||
        (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8))
        return D3DERR_INVALIDCALL;
    RECT rect{0, 0, LONG(desc.Width), LONG(desc.Height)};
    if (pSrcRect)
        rect = *pSrcRect;
    if (rect.left < 0 || rect.top < 0 || rect.right > LONG(desc.Width) ||
        rect.bottom > LONG(desc.Height) || rect.right <= rect.left || rect.bottom <= rect.top)
        return D3DERR_INVALIDCALL;
    IDirect3DSurface9* pReadable = pSrcSurface;
    pReadable->AddRef();
    if (desc.Pool == D3DPOOL_DEFAULT)
    {
        IDirect3DDevice9* pDevice = nullptr;
        IDirect3DSurface9* pCopy = nullptr;
        HRESULT hr = pSrcSurface->GetDevice(&pDevice);
        if (SUCCEEDED(hr))
            hr = pDevice->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                      D3DPOOL_SYSTEMMEM, &pCopy, nullptr);
        if (SUCCEEDED(hr))
            hr = pDevice->GetRenderTargetData(pSrcSurface, pCopy);
        if (pDevice)
            pDevice->Release();
        if (FAILED(hr))
        {
            if (pCopy)
                pCopy->Release();
            pReadable->Release();
            return hr;
        }
        pReadable->Release();
        pReadable = pCopy;
    }
    SOrvPixels image;
    image.m_uWidth = UINT(rect.right - rect.left);
    image.m_uHeight = UINT(rect.bottom - rect.top);
    image.m_auRgba.resize(size_t(image.m_uWidth) * image.m_uHeight * 4);
    D3DLOCKED_RECT locked{};
    HRESULT hr = pReadable->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (SUCCEEDED(hr))
    {
        for (UINT y = 0; y < image.m_uHeight; ++y)
        {
            const auto* pIn = static_cast<const uint8_t*>(locked.pBits) +
                              size_t(rect.top + LONG(y)) * size_t(locked.Pitch) +
                              size_t(rect.left) * 4;
            uint8_t* pOut = &image.m_auRgba[size_t(y) * image.m_uWidth * 4];
            for (UINT x = 0; x < image.m_uWidth; ++x, pIn += 4, pOut += 4)
            {
                pOut[0] = pIn[2];
                pOut[1] = pIn[1];
                pOut[2] = pIn[0];
                pOut[3] = desc.Format == D3DFMT_X8R8G8B8 ? 255 : pIn[3];
            }
        }
        pReadable->UnlockRect();
    }
    pReadable->Release();
    if (FAILED(hr))
        return hr;
    return COrvImageFile::Save(pDestFile, image, DestFormat == D3DXIFF_PNG) ? S_OK : E_FAIL;
}
