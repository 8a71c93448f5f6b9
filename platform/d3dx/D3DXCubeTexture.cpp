// Cube textures of D3DX: from DDS cube maps, and empty ones.
#include "PixelFormats.h"
#include "TextureLoading.h"
#include "d3dx9tex.h"

#include "OrvComPtr.h"

#include <algorithm>
#include <new>

namespace
{
// One face of a cube map as an image of its own, for COrvTextureLevels::Build.
SOrvImageSet FaceImage(const SOrvImageSet& rCube, UINT uFace)
{
    SOrvImageSet face;
    face.m_Info = rCube.m_Info;
    face.m_eFormat = rCube.m_eFormat;
    face.m_aPalette = rCube.m_aPalette;
    face.m_bAlpha = rCube.m_bAlpha;
    face.m_aLevels = rCube.m_aFaces[uFace];
    return face;
}

// Fills every level of a face with the levels built for it, or with zeros (transparent
// black) for a face the file lacks.
HRESULT FillFace(IDirect3DCubeTexture9* pCube, const SOrvImageSet& rCube, UINT uFace,
                 const SOrvTexturePlan& rPlan)
{
    const auto eFace = D3DCUBEMAP_FACES(uFace);
    std::vector<SOrvImageLevel> aLevels;
    if (!rCube.m_aFaces[uFace].empty())
        aLevels = COrvTextureLevels::Build(FaceImage(rCube, uFace), rPlan);
    for (UINT uLevel = 0; uLevel < pCube->GetLevelCount(); ++uLevel)
    {
        D3DLOCKED_RECT locked{};
        const bool bMissing = uLevel >= aLevels.size();
        HRESULT hr =
            pCube->LockRect(eFace, uLevel, &locked, nullptr, bMissing ? D3DLOCK_DISCARD : 0);
        if (FAILED(hr))
            return hr;
        if (bMissing)
        {
            D3DSURFACE_DESC desc{};
            pCube->GetLevelDesc(uLevel, &desc);
            SOrvImageLevel zeros;
            zeros.m_uWidth = desc.Width;
            zeros.m_uHeight = desc.Height;
            zeros.m_auBytes.assign(orv::pixels::ImageSize(rPlan.m_eFormat, desc.Width, desc.Height),
                                   0);
            OrvCopyRows(zeros, 0, rPlan.m_eFormat, locked.pBits, size_t(locked.Pitch));
        }
        else
            OrvCopyRows(aLevels[uLevel], 0, rPlan.m_eFormat, locked.pBits, size_t(locked.Pitch));
        pCube->UnlockRect(eFace, uLevel);
    }
    return S_OK;
}

HRESULT CreateCube(IDirect3DDevice9* pDevice, const SOrvImageSet& rImage,
                   const SOrvTexturePlan& rPlan, DWORD dwUsage, D3DPOOL ePool,
                   IDirect3DCubeTexture9** ppCube)
{
    COrvComPtr<IDirect3DCubeTexture9> pCube;
    HRESULT hr =
        pDevice->CreateCubeTexture(rPlan.m_uWidth, rPlan.m_uLevels, dwUsage, rPlan.m_eFormat, ePool,
                                   pCube.ReleaseAndGetAddressOf(), nullptr);
    for (UINT uFace = 0; uFace < 6 && SUCCEEDED(hr); ++uFace)
        hr = FillFace(pCube.Get(), rImage, uFace, rPlan);
    if (SUCCEEDED(hr))
        *ppCube = pCube.Detach();
    return hr;
}

// The plan of a cube: square faces of the file's width unless a size is asked for.
SOrvTexturePlan PlanCube(const SOrvImageSet& rImage, UINT uSize, UINT uMipLevels, DWORD dwUsage,
                         D3DFORMAT eFormat, D3DCOLOR colorKey,
                         const COrvTextureLevels::CanStore& canStore)
{
    SOrvTexturePlan plan = COrvTextureLevels::Plan(rImage, uSize, uSize, uMipLevels, dwUsage,
                                                   eFormat, colorKey, canStore);
    if (plan.m_uHeight != plan.m_uWidth)
        plan = COrvTextureLevels::Plan(rImage, plan.m_uWidth, plan.m_uWidth, uMipLevels, dwUsage,
                                       eFormat, colorKey, canStore);
    return plan;
}
} // namespace

HRESULT D3DXCreateCubeTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                UINT SrcDataSize, UINT Size, UINT MipLevels,
                                                DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD,
                                                DWORD, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                PALETTEENTRY*,
                                                LPDIRECT3DCUBETEXTURE9* ppCubeTexture)
{
    if (ppCubeTexture)
        *ppCubeTexture = nullptr;
    if (!pDevice || !pSrcData || SrcDataSize == 0 || !ppCubeTexture)
        return D3DERR_INVALIDCALL;
    try
    {
        SOrvImageSet image;
        std::string sError;
        if (!COrvImageFile::DecodeSet(pSrcData, SrcDataSize, image, sError,
                                      EOrvImageContent::Whole) ||
            image.m_Info.ResourceType != D3DRTYPE_CUBETEXTURE)
            return D3DXERR_INVALIDDATA;
        SOrvTexturePlan plan = PlanCube(image, Size, MipLevels, Usage, Format, ColorKey,
                                        OrvStorableFormats(pDevice, D3DRTYPE_CUBETEXTURE));
        HRESULT hr = CreateCube(pDevice, image, plan, Usage, Pool, ppCubeTexture);
        if (FAILED(hr) && plan.m_eFormat != D3DFMT_A8R8G8B8 && plan.m_eFormat != D3DFMT_X8R8G8B8)
        {
            // The device refused the format after all: 32-bit colour, decoded.
            plan = PlanCube(image, Size, MipLevels, Usage, Format, ColorKey,
                            [](D3DFORMAT) { return false; });
            hr = CreateCube(pDevice, image, plan, Usage, Pool, ppCubeTexture);
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

HRESULT D3DXCreateCubeTextureFromFileInMemory(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                              UINT SrcDataSize,
                                              LPDIRECT3DCUBETEXTURE9* ppCubeTexture)
{
    return D3DXCreateCubeTextureFromFileInMemoryEx(
        pDevice, pSrcData, SrcDataSize, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, ppCubeTexture);
}

HRESULT D3DXCreateCubeTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Size,
                                         UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                         D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                         D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                         PALETTEENTRY* pPalette,
                                         LPDIRECT3DCUBETEXTURE9* ppCubeTexture)
{
    if (ppCubeTexture)
        *ppCubeTexture = nullptr;
    if (!pDevice || !pSrcFile || !ppCubeTexture)
        return D3DERR_INVALIDCALL;
    std::vector<uint8_t> auData;
    const HRESULT hr = OrvReadImageFile(pSrcFile, auData);
    if (FAILED(hr))
        return hr;
    return D3DXCreateCubeTextureFromFileInMemoryEx(
        pDevice, auData.data(), UINT(auData.size()), Size, MipLevels, Usage, Format, Pool, Filter,
        MipFilter, ColorKey, pSrcInfo, pPalette, ppCubeTexture);
}

HRESULT D3DXCreateCubeTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                       LPDIRECT3DCUBETEXTURE9* ppCubeTexture)
{
    return D3DXCreateCubeTextureFromFileExA(pDevice, pSrcFile, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                            D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                            D3DX_DEFAULT, 0, nullptr, nullptr, ppCubeTexture);
}

HRESULT D3DXCreateCubeTexture(LPDIRECT3DDEVICE9 pDevice, UINT Size, UINT MipLevels, DWORD Usage,
                              D3DFORMAT Format, D3DPOOL Pool, LPDIRECT3DCUBETEXTURE9* ppCubeTexture)
{
    if (ppCubeTexture)
        *ppCubeTexture = nullptr;
    if (!pDevice || !ppCubeTexture)
        return D3DERR_INVALIDCALL;
    D3DCAPS9 caps{};
    pDevice->GetDeviceCaps(&caps);
    const UINT uEdge = OrvChooseSize(Size, caps.MaxTextureWidth ? caps.MaxTextureWidth : 4096);
    return pDevice->CreateCubeTexture(uEdge, MipLevels == D3DX_DEFAULT ? 0 : MipLevels, Usage,
                                      OrvChooseFormat(pDevice, D3DRTYPE_CUBETEXTURE, Format), Pool,
                                      ppCubeTexture, nullptr);
}
