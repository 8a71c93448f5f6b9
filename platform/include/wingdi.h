#pragma once

// Bitmaps and device contexts in memory, with the names, numeric values and conventions of
// the Windows graphics device interface, so that a host can hand its pictures to code
// written for it (the AVI file writer reads frames from bitmaps). Our own declarations; the
// implementation keeps every bitmap in ordinary memory and draws nothing.
//
// What there is, and how it differs from the original:
// - Bitmaps of 24 bits (blue, green, red) or 32 bits (blue, green, red, unused) per pixel
//   and one plane; other depths and palettes are refused (the call returns NULL or 0).
// - CreateBitmap takes rows from top to bottom, each padded to an even number of bytes;
//   CreateDIBSection allocates the bits as the header describes them (rows padded to
//   4 bytes, bottom-up for a positive height, top-down for a negative one) and no file
//   mapping (hSection must be NULL).
// - GetDIBits converts to 24 or 32 bits, BI_RGB, rows padded to 4 bytes, bottom-up unless
//   the header's height is negative; the header's width and height must be the bitmap's.
//   The device context must be one made by CreateCompatibleDC.
// - Handles are checked: a deleted or unknown one makes the call fail instead of crashing.
// - GetSystemMetrics answers SM_CXSCREEN and SM_CYSCREEN with the size of the first display
//   when there is one, and 1920 x 1080 otherwise (no display, as on a build machine);
//   every other index gives 0.
// - Sizes are limited to 16384 pixels a side and 1 GiB of bits.
#include "wintypes.h"

#ifndef ORV_WINGDI_DEFINED
#define ORV_WINGDI_DEFINED

typedef struct HBITMAP__* HBITMAP;
typedef struct HDC__* HDC;
typedef void* HGDIOBJ;

#define BI_RGB 0L

#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1

typedef struct tagBITMAP
{
    LONG bmType;       // 0
    LONG bmWidth;      // pixels
    LONG bmHeight;     // pixels
    LONG bmWidthBytes; // bytes of one row as the bitmap stores it
    WORD bmPlanes;     // 1
    WORD bmBitsPixel;  // 24 or 32
    LPVOID bmBits;     // a DIB section's bits; NULL for other bitmaps
} BITMAP;

typedef struct tagBITMAPINFOHEADER
{
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct tagRGBQUAD
{
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO
{
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO;

#ifdef __cplusplus
extern "C"
{
#endif

    // A bitmap of nWidth x nHeight pixels; lpBits (may be NULL: black) holds its rows from
    // top to bottom, each padded to an even number of bytes.
    ORVPLATFORM_API HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount,
                                         const void* lpBits);
    // A bitmap whose bits the caller fills in place through *ppvBits.
    ORVPLATFORM_API HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage,
                                             void** ppvBits, HANDLE hSection, DWORD offset);
    ORVPLATFORM_API BOOL DeleteObject(HGDIOBJ ho);
    // Bitmaps only: fills a BITMAP; returns the bytes written (sizeof(BITMAP) when pv is
    // NULL), 0 for an unknown handle or a smaller buffer.
    ORVPLATFORM_API int GetObjectA(HGDIOBJ h, int c, LPVOID pv);

    ORVPLATFORM_API HDC CreateCompatibleDC(HDC hdc);
    ORVPLATFORM_API BOOL DeleteDC(HDC hdc);

    // With lpvBits NULL and biBitCount 0, fills the header with the bitmap's own
    // description (and returns non-zero); with lpvBits, copies cLines scan lines from
    // scan line start (scan line 0 is the bottom row of a bottom-up bitmap) and returns
    // the count copied. 0 on failure.
    ORVPLATFORM_API int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits,
                                  BITMAPINFO* lpbmi, UINT usage);

    ORVPLATFORM_API int GetSystemMetrics(int nIndex);

#ifdef __cplusplus
}
#endif

#endif
