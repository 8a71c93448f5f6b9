#include "FrameGrabber.h"

#include <cstring>

void ConvertToBottomUpBGR(const BYTE* pSource, int iPitch, int iWidth, int iHeight, BYTE* pTarget)
{
    for (int y = 0; y < iHeight; ++y)
    {
        const BYTE* pRow = pSource + static_cast<size_t>(y) * iPitch;
        BYTE* pOut = pTarget + static_cast<size_t>(iHeight - 1 - y) * iWidth * 3;
        for (int x = 0; x < iWidth; ++x)
        {
            pOut[0] = pRow[0];
            pOut[1] = pRow[1];
            pOut[2] = pRow[2];
            pRow += 4;
            pOut += 3;
        }
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
