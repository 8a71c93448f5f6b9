#include "FrameGrabber.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace
{

// Four pixels at a time: 16 bytes of blue-green-red-alpha become 12 of blue-green-red (the
// words are read and written in the machine's little-endian order).
static_assert(std::endian::native == std::endian::little);
void PackRow(const BYTE* pRow, int iWidth, BYTE* pOut)
{
    int x = 0;
    for (; x + 4 <= iWidth; x += 4)
    {
        uint32_t a, b, c, d;
        std::memcpy(&a, pRow, 4);
        std::memcpy(&b, pRow + 4, 4);
        std::memcpy(&c, pRow + 8, 4);
        std::memcpy(&d, pRow + 12, 4);
        const uint32_t w0 = (a & 0x00FFFFFFu) | (b << 24);
        const uint32_t w1 = ((b >> 8) & 0x0000FFFFu) | (c << 16);
        const uint32_t w2 = ((c >> 16) & 0x000000FFu) | (d << 8);
        std::memcpy(pOut, &w0, 4);
        std::memcpy(pOut + 4, &w1, 4);
        std::memcpy(pOut + 8, &w2, 4);
        pRow += 16;
        pOut += 12;
    }
    for (; x < iWidth; ++x)
    {
        pOut[0] = pRow[0];
        pOut[1] = pRow[1];
        pOut[2] = pRow[2];
        pRow += 4;
        pOut += 3;
    }
}

} // namespace

void ConvertToBottomUpBGR(const BYTE* pSource, int iPitch, int iWidth, int iHeight, BYTE* pTarget)
{
    for (int y = 0; y < iHeight; ++y)
    {
        PackRow(pSource + static_cast<size_t>(y) * iPitch, iWidth,
                pTarget + static_cast<size_t>(iHeight - 1 - y) * iWidth * 3);
    }
}

CFrameGrabber::CFrameGrabber(IDirect3DDevice9* pDevice, int iWidth, int iHeight)
    : m_pDevice(pDevice), m_iWidth(iWidth), m_iHeight(iHeight),
      m_bits(static_cast<size_t>(iWidth) * iHeight * 3)
{
}

CFrameGrabber::~CFrameGrabber() = default;

bool CFrameGrabber::Grab()
{
    // One scratch surface serves the whole recording.
    if (!m_pSurface && FAILED(m_pDevice->CreateOffscreenPlainSurface(
                           m_iWidth, m_iHeight, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH,
                           m_pSurface.ReleaseAndGetAddressOf(), nullptr)))
    {
        return false;
    }
    if (FAILED(m_pDevice->GetFrontBufferData(0, m_pSurface.Get())))
    {
        return false;
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(m_pSurface->LockRect(
            &locked, nullptr, D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK | D3DLOCK_NO_DIRTY_UPDATE)))
    {
        return false;
    }
    ConvertToBottomUpBGR(static_cast<const BYTE*>(locked.pBits), locked.Pitch, m_iWidth, m_iHeight,
                         m_bits.data());
    m_pSurface->UnlockRect();
    return true;
}
