// The bitmap and device-context calls: argument checks, then the bitmap or the handle
// table behind them.
#include "GdiHandles.h"
#include "OrvDisplayModes.h"
#include "wingdi.h"

#include <cstring>

using orv::gdi::CGdiBitmap;
using orv::gdi::CGdiHandles;

extern "C"
{

    HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits)
    {
        if (nPlanes != 1)
        {
            return nullptr;
        }
        return CGdiHandles::Get().AddBitmap(
            CGdiBitmap::CreateDeviceBitmap(nWidth, nHeight, static_cast<int>(nBitCount), lpBits));
    }

    HBITMAP CreateDIBSection(HDC /*hdc*/, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                             HANDLE hSection, DWORD /*offset*/)
    {
        if (ppvBits != nullptr)
        {
            *ppvBits = nullptr;
        }
        if (pbmi == nullptr || usage != DIB_RGB_COLORS || hSection != nullptr)
        {
            return nullptr;
        }
        std::unique_ptr<CGdiBitmap> pBitmap = CGdiBitmap::CreateSection(pbmi->bmiHeader);
        void* pBits = pBitmap ? pBitmap->GetSectionBits() : nullptr;
        HBITMAP hBitmap = CGdiHandles::Get().AddBitmap(std::move(pBitmap));
        if (hBitmap != nullptr && ppvBits != nullptr)
        {
            *ppvBits = pBits;
        }
        return hBitmap;
    }

    BOOL DeleteObject(HGDIOBJ ho)
    {
        return CGdiHandles::Get().DeleteBitmap(ho) ? TRUE : FALSE;
    }

    int GetObjectA(HGDIOBJ h, int c, LPVOID pv)
    {
        int iWritten = 0;
        CGdiHandles::Get().UseBitmap(h,
                                     [&](CGdiBitmap& bitmap)
                                     {
                                         if (pv == nullptr)
                                         {
                                             iWritten = sizeof(BITMAP);
                                         }
                                         else if (c >= static_cast<int>(sizeof(BITMAP)))
                                         {
                                             bitmap.Describe(static_cast<BITMAP*>(pv));
                                             iWritten = sizeof(BITMAP);
                                         }
                                     });
        return iWritten;
    }

    HDC CreateCompatibleDC(HDC hdc)
    {
        // NULL stands for the screen; any other must be a context of ours.
        if (hdc != nullptr && !CGdiHandles::Get().IsDC(hdc))
        {
            return nullptr;
        }
        return CGdiHandles::Get().AddDC();
    }

    BOOL DeleteDC(HDC hdc)
    {
        return CGdiHandles::Get().DeleteDC(hdc) ? TRUE : FALSE;
    }

    int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, BITMAPINFO* lpbmi,
                  UINT usage)
    {
        if (lpbmi == nullptr || lpbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) ||
            usage != DIB_RGB_COLORS || !CGdiHandles::Get().IsDC(hdc))
        {
            return 0;
        }
        BITMAPINFOHEADER& header = lpbmi->bmiHeader;
        int iResult = 0;
        CGdiHandles::Get().UseBitmap(
            hbm,
            [&](CGdiBitmap& bitmap)
            {
                if (lpvBits == nullptr && header.biBitCount == 0)
                {
                    bitmap.DescribeDib(&header);
                    iResult = bitmap.GetHeight();
                    return;
                }
                if (!orv::gdi::IsSupportedDib(header))
                {
                    return;
                }
                header.biSizeImage = static_cast<DWORD>(
                    orv::gdi::GetRowBytes(bitmap.GetWidth(), header.biBitCount, 4) *
                    static_cast<size_t>(bitmap.GetHeight()));
                iResult = lpvBits == nullptr ? bitmap.GetHeight()
                                             : bitmap.CopyDibRows(header, start, cLines, lpvBits);
            });
        return iResult;
    }

    int GetSystemMetrics(int nIndex)
    {
        if (nIndex != SM_CXSCREEN && nIndex != SM_CYSCREEN)
        {
            return 0;
        }
        SOrvDesktopSize size = OrvGetDesktopSize();
        return static_cast<int>(nIndex == SM_CXSCREEN ? size.m_uWidth : size.m_uHeight);
    }

} // extern "C"
