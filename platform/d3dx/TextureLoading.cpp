#include "TextureLoading.h"

#include "PixelFormats.h"

#include "OrvComPtr.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <new>

COrvTextureLevels::CanStore OrvStorableFormats(IDirect3DDevice9* pDevice, D3DRESOURCETYPE eType)
{
    COrvComPtr<IDirect3D9> pD3D;
    if (FAILED(pDevice->GetDirect3D(pD3D.ReleaseAndGetAddressOf())) || !pD3D)
        return [](D3DFORMAT eFormat)
        { return eFormat == D3DFMT_A8R8G8B8 || eFormat == D3DFMT_X8R8G8B8; };
    return [pD3D, eType](D3DFORMAT eFormat)
    {
        return SUCCEEDED(
            pD3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, eType, eFormat));
    };
}

D3DFORMAT OrvChooseFormat(IDirect3DDevice9* pDevice, D3DRESOURCETYPE eType, D3DFORMAT eFormat)
{
    if (eFormat != D3DFMT_UNKNOWN && OrvStorableFormats(pDevice, eType)(eFormat))
        return eFormat;
    return eFormat == D3DFMT_UNKNOWN || orv::pixels::HasAlpha(eFormat) ||
                   !orv::pixels::IsKnown(eFormat)
               ? D3DFMT_A8R8G8B8
               : D3DFMT_X8R8G8B8;
}

UINT OrvChooseSize(UINT uSize, UINT uLargest)
{
    if (uSize == 0 || uSize == D3DX_DEFAULT)
        uSize = 256;
    return std::min(uSize, uLargest);
}

HRESULT OrvReadImageFile(LPCSTR pSrcFile, std::vector<uint8_t>& rauData)
{
    std::string sError;
    try
    {
        if (!COrvImageFile::ReadFile(pSrcFile, rauData, sError))
            return std::ifstream(pSrcFile).good() ? D3DXERR_INVALIDDATA : D3DERR_NOTFOUND;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void OrvCopyRows(const SOrvImageLevel& rLevel, UINT uSlice, D3DFORMAT eFormat, void* pDest,
                 size_t uPitch)
{
    const size_t uRowBytes = orv::pixels::RowPitch(eFormat, rLevel.m_uWidth);
    const UINT uRows = orv::pixels::RowCount(eFormat, rLevel.m_uHeight);
    const uint8_t* pSource = rLevel.m_auBytes.data() + size_t(uSlice) * uRowBytes * uRows;
    for (UINT uRow = 0; uRow < uRows; ++uRow)
        std::memcpy(static_cast<uint8_t*>(pDest) + size_t(uRow) * uPitch,
                    pSource + size_t(uRow) * uRowBytes, uRowBytes);
}
