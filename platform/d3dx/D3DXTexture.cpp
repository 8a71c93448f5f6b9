#include "PixelFormats.h"
#include "TextureCache.h"
#include "TextureLoading.h"
#include "d3dx9tex.h"

#include "OrvComPtr.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>

namespace
{
// Copies tightly packed levels into the texture's levels, row by row (rows of blocks for
// compressed formats).
HRESULT FillTexture(IDirect3DTexture9* pTexture, const std::vector<SOrvImageLevel>& aLevels,
                    D3DFORMAT eFormat)
{
    const UINT uLevels = std::min<UINT>(UINT(aLevels.size()), UINT(pTexture->GetLevelCount()));
    for (UINT uLevel = 0; uLevel < uLevels; ++uLevel)
    {
        D3DLOCKED_RECT locked{};
        HRESULT hr = pTexture->LockRect(uLevel, &locked, nullptr, 0);
        if (FAILED(hr))
            return hr;
        OrvCopyRows(aLevels[uLevel], 0, eFormat, locked.pBits, size_t(locked.Pitch));
        pTexture->UnlockRect(uLevel);
    }
    return S_OK;
}

// The levels for the device, with the device's answers that chose their format.
SOrvBuiltTexture BuildLevels(const SOrvImageSet& rImage, const SOrvTextureRequest& request,
                             const COrvTextureLevels::CanStore& canStore)
{
    SOrvBuiltTexture built;
    built.m_Info = rImage.m_Info;
    auto asked = [&](D3DFORMAT eFormat)
    {
        const bool bHeld = canStore(eFormat);
        built.m_aFormatAnswers.emplace_back(eFormat, bHeld);
        return bHeld;
    };
    built.m_Plan =
        COrvTextureLevels::Plan(rImage, request.m_uWidth, request.m_uHeight, request.m_uMipLevels,
                                request.m_dwUsage, request.m_eFormat, request.m_ColorKey, asked);
    built.m_aLevels = COrvTextureLevels::Build(rImage, built.m_Plan);
    return built;
}

HRESULT CreateTexture(IDirect3DDevice9* pDevice, const SOrvBuiltTexture& built, DWORD dwUsage,
                      D3DPOOL ePool, IDirect3DTexture9** ppTexture)
{
    const SOrvTexturePlan& rPlan = built.m_Plan;
    COrvComPtr<IDirect3DTexture9> pTexture;
    HRESULT hr =
        pDevice->CreateTexture(rPlan.m_uWidth, rPlan.m_uHeight, rPlan.m_uLevels, dwUsage,
                               rPlan.m_eFormat, ePool, pTexture.ReleaseAndGetAddressOf(), nullptr);
    if (FAILED(hr))
        return hr;
    hr = FillTexture(pTexture.Get(), built.m_aLevels, rPlan.m_eFormat);
    if (FAILED(hr))
        return hr;
    *ppTexture = pTexture.Detach();
    return S_OK;
}

HRESULT CreateFromImage(IDirect3DDevice9* pDevice, const SOrvImageSet& rImage,
                        const SOrvTextureRequest& request, D3DPOOL Pool,
                        IDirect3DTexture9** ppTexture, SOrvBuiltTexture& rBuilt)
{
    rBuilt = BuildLevels(rImage, request, OrvStorableFormats(pDevice, D3DRTYPE_TEXTURE));
    HRESULT hr = CreateTexture(pDevice, rBuilt, request.m_dwUsage, Pool, ppTexture);
    const D3DFORMAT eFormat = rBuilt.m_Plan.m_eFormat;
    if (FAILED(hr) && eFormat != D3DFMT_A8R8G8B8 && eFormat != D3DFMT_X8R8G8B8)
    {
        // The device refused the format after all (compressed textures on a driver
        // without S3TC): 32-bit colour, decoded. The device's own answers stay with it.
        auto aAnswers = std::move(rBuilt.m_aFormatAnswers);
        rBuilt = BuildLevels(rImage, request, [](D3DFORMAT) { return false; });
        rBuilt.m_aFormatAnswers = std::move(aAnswers);
        hr = CreateTexture(pDevice, rBuilt, request.m_dwUsage, Pool, ppTexture);
    }
    return hr;
}

SOrvTextureRequest MakeRequest(UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                               D3DFORMAT Format, D3DCOLOR ColorKey)
{
    return SOrvTextureRequest{Width, Height, MipLevels, Usage, Format, ColorKey};
}

// A texture of a file read before, unchanged since, from the levels kept then.
bool CreateFromCache(IDirect3DDevice9* pDevice, const std::string& sPath,
                     const SOrvFileStamp& stamp, const SOrvTextureRequest& request, D3DPOOL Pool,
                     D3DXIMAGE_INFO* pSrcInfo, IDirect3DTexture9** ppTexture)
{
    SOrvBuiltTexture built;
    if (!COrvTextureCache::Shared().Find(sPath, stamp, request,
                                         OrvStorableFormats(pDevice, D3DRTYPE_TEXTURE), built) ||
        FAILED(CreateTexture(pDevice, built, request.m_dwUsage, Pool, ppTexture)))
        return false;
    if (pSrcInfo)
        *pSrcInfo = built.m_Info;
    return true;
}

} // namespace

HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID pSrcData, UINT SrcDataSize,
                                         D3DXIMAGE_INFO* pSrcInfo)
{
    if (!pSrcData || SrcDataSize == 0 || !pSrcInfo)
        return D3DERR_INVALIDCALL;
    try
    {
        SOrvImageSet image;
        std::string sError;
        if (!COrvImageFile::DecodeSet(pSrcData, SrcDataSize, image, sError))
            return D3DXERR_INVALIDDATA;
        *pSrcInfo = image.m_Info;
        return S_OK;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}

HRESULT D3DXGetImageInfoFromFileA(LPCSTR pSrcFile, D3DXIMAGE_INFO* pSrcInfo)
{
    if (!pSrcFile || !pSrcInfo)
        return D3DERR_INVALIDCALL;
    std::vector<uint8_t> auData;
    const HRESULT hr = OrvReadImageFile(pSrcFile, auData);
    if (FAILED(hr))
        return hr;
    return D3DXGetImageInfoFromFileInMemory(auData.data(), UINT(auData.size()), pSrcInfo);
}

HRESULT D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                            UINT SrcDataSize, UINT Width, UINT Height,
                                            UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                            D3DPOOL Pool, DWORD, DWORD, D3DCOLOR ColorKey,
                                            D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY*,
                                            LPDIRECT3DTEXTURE9* ppTexture)
{
    if (ppTexture)
        *ppTexture = nullptr;
    if (!pDevice || !pSrcData || SrcDataSize == 0 || !ppTexture)
        return D3DERR_INVALIDCALL;
    try
    {
        SOrvImageSet image;
        std::string sError;
        if (!COrvImageFile::DecodeSet(pSrcData, SrcDataSize, image, sError))
            return D3DXERR_INVALIDDATA;
        SOrvBuiltTexture built;
        const HRESULT hr = CreateFromImage(
            pDevice, image, MakeRequest(Width, Height, MipLevels, Usage, Format, ColorKey), Pool,
            ppTexture, built);
        if (SUCCEEDED(hr) && pSrcInfo)
            *pSrcInfo = image.m_Info;
        return hr;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}

HRESULT D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                          UINT SrcDataSize, LPDIRECT3DTEXTURE9* ppTexture)
{
    return D3DXCreateTextureFromFileInMemoryEx(
        pDevice, pSrcData, SrcDataSize, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, ppTexture);
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
        std::vector<uint8_t> auData;
        if (const HRESULT hr = OrvReadImageFile(pSrcFile, auData); FAILED(hr))
            return hr;
        std::error_code ec;
        const std::string sPath = std::filesystem::absolute(pSrcFile, ec).lexically_normal();
        SOrvFileStamp stamp;
        const bool bStamped = !ec && SOrvFileStamp::Of(sPath, stamp);
        stamp.m_uContentHash = SOrvFileStamp::HashOf(auData);
        const SOrvTextureRequest request =
            MakeRequest(Width, Height, MipLevels, Usage, Format, ColorKey);
        if (bStamped && CreateFromCache(pDevice, sPath, stamp, request, Pool, pSrcInfo, ppTexture))
            return S_OK;
        SOrvImageSet image;
        std::string sError;
        if (!COrvImageFile::DecodeSet(auData.data(), auData.size(), image, sError))
            return D3DXERR_INVALIDDATA;
        SOrvBuiltTexture built;
        const HRESULT hr = CreateFromImage(pDevice, image, request, Pool, ppTexture, built);
        if (FAILED(hr))
            return hr;
        if (bStamped)
            COrvTextureCache::Shared().Store(sPath, stamp, request, built);
        if (pSrcInfo)
            *pSrcInfo = image.m_Info;
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
