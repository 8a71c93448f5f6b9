#pragma once

// A bitmap in memory: its pixels as it stores them (rows in one order, padded to an even
// or a 4-byte boundary) and the copy of its rows into device-independent bitmap layout.
#include "wingdi.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace orv::gdi
{

// Largest side of a bitmap, and most bytes of bits one may hold.
constexpr int kMaxSide = 16384;
constexpr size_t kMaxBytes = size_t(1) << 30;

// Bytes of a row of iWidth pixels of iBitCount bits padded to a multiple of iAlign bytes;
// 0 when the size is out of range.
size_t GetRowBytes(int iWidth, int iBitCount, int iAlign);

class CGdiBitmap
{
public:
    // A device-dependent bitmap: rows from top to bottom, padded to 2 bytes; pBits (may be
    // null) in the same layout. Null when the size or depth is not supported or memory
    // runs out.
    static std::unique_ptr<CGdiBitmap> CreateDeviceBitmap(int iWidth, int iHeight, int iBitCount,
                                                          const void* pBits);
    // A device-independent section laid out as the header says.
    static std::unique_ptr<CGdiBitmap> CreateSection(const BITMAPINFOHEADER& header);

    int GetWidth() const { return m_iWidth; }
    int GetHeight() const { return m_iHeight; }
    int GetBitCount() const { return m_iBitCount; }
    void Describe(BITMAP* pBitmap) const;
    // The header of this bitmap as a device-independent bitmap of its own depth.
    void DescribeDib(BITMAPINFOHEADER* pHeader) const;
    void* GetSectionBits() { return m_bSection ? m_bits.data() : nullptr; }

    // Copies scan lines [uStart, uStart + uLines) into pOut in the layout of the header
    // (which must have this bitmap's size; 24 or 32 bits, BI_RGB); the count copied.
    int CopyDibRows(const BITMAPINFOHEADER& header, UINT uStart, UINT uLines, void* pOut) const;

private:
    CGdiBitmap() = default;
    bool Allocate(int iWidth, int iHeight, int iBitCount, int iAlign, bool bTopDown);
    // A row by its place in the picture, 0 being the top.
    const uint8_t* GetRow(int iFromTop) const;

    int m_iWidth = 0;
    int m_iHeight = 0;
    int m_iBitCount = 0;
    size_t m_cbStride = 0;
    bool m_bTopDown = true;
    bool m_bSection = false;
    std::vector<uint8_t> m_bits;
};

// True when a header describes a picture that GetDIBits can produce: 24 or 32 bits, BI_RGB.
bool IsSupportedDib(const BITMAPINFOHEADER& header);

} // namespace orv::gdi
