#include "GdiBitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace orv::gdi
{

size_t GetRowBytes(int iWidth, int iBitCount, int iAlign)
{
    if (iWidth <= 0 || iWidth > kMaxSide || (iBitCount != 24 && iBitCount != 32))
    {
        return 0;
    }
    size_t cbRow = static_cast<size_t>(iWidth) * static_cast<size_t>(iBitCount / 8);
    size_t cbAlign = static_cast<size_t>(iAlign);
    return (cbRow + cbAlign - 1) / cbAlign * cbAlign;
}

bool IsSupportedDib(const BITMAPINFOHEADER& header)
{
    return header.biSize >= sizeof(BITMAPINFOHEADER) && header.biCompression == BI_RGB &&
           (header.biBitCount == 24 || header.biBitCount == 32);
}

bool CGdiBitmap::Allocate(int iWidth, int iHeight, int iBitCount, int iAlign, bool bTopDown)
{
    size_t cbStride = GetRowBytes(iWidth, iBitCount, iAlign);
    if (cbStride == 0 || iHeight <= 0 || iHeight > kMaxSide ||
        cbStride * static_cast<size_t>(iHeight) > kMaxBytes)
    {
        return false;
    }
    try
    {
        m_bits.assign(cbStride * static_cast<size_t>(iHeight), 0);
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    m_iWidth = iWidth;
    m_iHeight = iHeight;
    m_iBitCount = iBitCount;
    m_cbStride = cbStride;
    m_bTopDown = bTopDown;
    return true;
}

std::unique_ptr<CGdiBitmap> CGdiBitmap::CreateDeviceBitmap(int iWidth, int iHeight, int iBitCount,
                                                           const void* pBits)
{
    std::unique_ptr<CGdiBitmap> pBitmap(new (std::nothrow) CGdiBitmap);
    if (!pBitmap || !pBitmap->Allocate(iWidth, iHeight, iBitCount, 2, true))
    {
        return nullptr;
    }
    if (pBits != nullptr)
    {
        std::memcpy(pBitmap->m_bits.data(), pBits, pBitmap->m_bits.size());
    }
    return pBitmap;
}

std::unique_ptr<CGdiBitmap> CGdiBitmap::CreateSection(const BITMAPINFOHEADER& header)
{
    if (!IsSupportedDib(header) || header.biPlanes != 1 || header.biHeight == 0 ||
        header.biHeight < -kMaxSide)
    {
        return nullptr;
    }
    std::unique_ptr<CGdiBitmap> pBitmap(new (std::nothrow) CGdiBitmap);
    if (!pBitmap || !pBitmap->Allocate(header.biWidth, std::abs(header.biHeight), header.biBitCount,
                                       4, header.biHeight < 0))
    {
        return nullptr;
    }
    pBitmap->m_bSection = true;
    return pBitmap;
}

void CGdiBitmap::Describe(BITMAP* pBitmap) const
{
    std::memset(pBitmap, 0, sizeof(*pBitmap));
    pBitmap->bmWidth = m_iWidth;
    pBitmap->bmHeight = m_iHeight;
    pBitmap->bmWidthBytes = static_cast<LONG>(m_cbStride);
    pBitmap->bmPlanes = 1;
    pBitmap->bmBitsPixel = static_cast<WORD>(m_iBitCount);
    pBitmap->bmBits = m_bSection ? const_cast<uint8_t*>(m_bits.data()) : nullptr;
}

void CGdiBitmap::DescribeDib(BITMAPINFOHEADER* pHeader) const
{
    DWORD biSize = pHeader->biSize;
    std::memset(pHeader, 0, sizeof(*pHeader));
    pHeader->biSize = biSize;
    pHeader->biWidth = m_iWidth;
    pHeader->biHeight = m_iHeight;
    pHeader->biPlanes = 1;
    pHeader->biBitCount = static_cast<WORD>(m_iBitCount);
    pHeader->biCompression = BI_RGB;
    pHeader->biSizeImage =
        static_cast<DWORD>(GetRowBytes(m_iWidth, m_iBitCount, 4) * static_cast<size_t>(m_iHeight));
}

const uint8_t* CGdiBitmap::GetRow(int iFromTop) const
{
    int iStored = m_bTopDown ? iFromTop : m_iHeight - 1 - iFromTop;
    return m_bits.data() + static_cast<size_t>(iStored) * m_cbStride;
}

int CGdiBitmap::CopyDibRows(const BITMAPINFOHEADER& header, UINT uStart, UINT uLines,
                            void* pOut) const
{
    if (!IsSupportedDib(header) || header.biWidth != m_iWidth ||
        (header.biHeight != m_iHeight && header.biHeight != -m_iHeight))
    {
        return 0;
    }
    bool bOutTopDown = header.biHeight < 0;
    size_t cbOutPixel = header.biBitCount / 8;
    size_t cbInPixel = static_cast<size_t>(m_iBitCount / 8);
    size_t cbOutStride = GetRowBytes(m_iWidth, header.biBitCount, 4);
    UINT uHeight = static_cast<UINT>(m_iHeight);
    UINT uCount = uStart >= uHeight ? 0 : std::min(uLines, uHeight - uStart);
    uint8_t* pOutRow = static_cast<uint8_t*>(pOut);
    for (UINT i = 0; i < uCount; ++i, pOutRow += cbOutStride)
    {
        int iScan = static_cast<int>(uStart + i);
        const uint8_t* pIn = GetRow(bOutTopDown ? iScan : m_iHeight - 1 - iScan);
        std::memset(pOutRow, 0, cbOutStride);
        for (int x = 0; x < m_iWidth; ++x)
        {
            // Blue, green, red; a fourth byte only between 32-bit pictures.
            std::memcpy(pOutRow + x * cbOutPixel, pIn + x * cbInPixel,
                        std::min(cbInPixel, cbOutPixel));
        }
    }
    return static_cast<int>(uCount);
}

} // namespace orv::gdi
