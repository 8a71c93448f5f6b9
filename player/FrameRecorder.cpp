#include "FrameRecorder.h"

#include "OrvFrameReadback.h"
#include "capture/OrvAvi.h"

static_assert(CFrameRecorder::kLag < ORV_FRONT_BUFFER_READ_SLOTS);

namespace
{

UINT SlotOf(int iFrame)
{
    return static_cast<UINT>(iFrame % (CFrameRecorder::kLag + 1));
}

} // namespace

CFrameRecorder::CFrameRecorder(IDirect3DDevice9* pDevice, ORV_Avi& rAvi, int iWidth, int iHeight)
    : m_pDevice(pDevice), m_rAvi(rAvi), m_iWidth(iWidth), m_iHeight(iHeight)
{
}

CFrameRecorder::~CFrameRecorder()
{
    Finish();
}

bool CFrameRecorder::AddAtOnce()
{
    if (!m_pGrabber)
    {
        m_pGrabber = std::make_unique<CFrameGrabber>(m_pDevice, m_iWidth, m_iHeight);
    }
    if (!m_pGrabber->Grab())
    {
        return false;
    }
    m_rAvi.AddFrame(m_pGrabber->GetBits());
    ++m_iAdded;
    return true;
}

bool CFrameRecorder::Collect(int iFrame)
{
    D3DLOCKED_RECT locked{};
    const UINT uSlot = SlotOf(iFrame);
    ++m_iCollected;
    if (FAILED(OrvLockFrontBufferRead(m_pDevice, uSlot, &locked)))
    {
        return false;
    }
    const bool bAdded = m_rAvi.AddDeviceFrame(static_cast<const BYTE*>(locked.pBits), locked.Pitch);
    OrvUnlockFrontBufferRead(m_pDevice, uSlot);
    m_iAdded += bAdded ? 1 : 0;
    return bAdded;
}

bool CFrameRecorder::AddPresented()
{
    if (m_bOverlapped && FAILED(OrvQueueFrontBufferRead(m_pDevice, SlotOf(m_iPresented))))
    {
        // This device reads at once only: the frames in flight first, in order.
        const bool bFinished = Finish();
        m_bOverlapped = false;
        ++m_iPresented;
        ++m_iCollected;
        return AddAtOnce() && bFinished;
    }
    ++m_iPresented;
    if (!m_bOverlapped)
    {
        ++m_iCollected;
        return AddAtOnce();
    }
    return m_iPresented - m_iCollected <= kLag || Collect(m_iCollected);
}

bool CFrameRecorder::Finish()
{
    bool bOk = true;
    while (m_bOverlapped && m_iCollected < m_iPresented)
    {
        bOk = Collect(m_iCollected) && bOk;
    }
    return bOk;
}
