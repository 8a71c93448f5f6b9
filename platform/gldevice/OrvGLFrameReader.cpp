// OrvFrameReadback.h on the OpenGL device.
#include "OrvGLFrameReader.h"

#include "OrvGLDevice.h"
#include "OrvGLFormats.h"

bool COrvGLFrameReader::Queue(UINT uSlot, UINT uWidth, UINT uHeight)
{
    if (uSlot >= ORV_FRONT_BUFFER_READ_SLOTS || m_aSlots[uSlot].bLocked)
        return false;
    SSlot& rSlot = m_aSlots[uSlot];
    const size_t cbSize = static_cast<size_t>(uWidth) * uHeight * 4;
    // Errors of earlier calls (the device checks none) must not be taken for this read's.
    while (glGetError() != GL_NO_ERROR)
    {
    }
    if (!rSlot.uBuffer)
        glGenBuffers(1, &rSlot.uBuffer);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, rSlot.uBuffer);
    if (rSlot.cbSize != cbSize)
    {
        glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(cbSize), nullptr,
                     GL_STREAM_READ);
        rSlot.cbSize = cbSize;
    }
    glReadPixels(0, 0, static_cast<GLsizei>(uWidth), static_cast<GLsizei>(uHeight), GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    // Sends the frame's drawing and the copy on their way now, not at the next lock.
    glFlush();
    rSlot.uPitch = uWidth * 4;
    rSlot.bQueued = glGetError() == GL_NO_ERROR;
    return rSlot.bQueued;
}

bool COrvGLFrameReader::Lock(UINT uSlot, D3DLOCKED_RECT& rLocked)
{
    if (uSlot >= ORV_FRONT_BUFFER_READ_SLOTS || !m_aSlots[uSlot].bQueued || m_aSlots[uSlot].bLocked)
        return false;
    SSlot& rSlot = m_aSlots[uSlot];
    glBindBuffer(GL_PIXEL_PACK_BUFFER, rSlot.uBuffer);
    void* pBits = glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(rSlot.cbSize),
                                   GL_MAP_READ_BIT);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    rSlot.bQueued = false;
    if (!pBits)
        return false;
    rSlot.bLocked = true;
    rLocked.pBits = pBits;
    rLocked.Pitch = static_cast<INT>(rSlot.uPitch);
    return true;
}

bool COrvGLFrameReader::Unlock(UINT uSlot)
{
    if (uSlot >= ORV_FRONT_BUFFER_READ_SLOTS || !m_aSlots[uSlot].bLocked)
        return false;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, m_aSlots[uSlot].uBuffer);
    glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    m_aSlots[uSlot].bLocked = false;
    return true;
}

void COrvGLFrameReader::Release()
{
    for (SSlot& rSlot : m_aSlots)
    {
        if (rSlot.bLocked)
            Unlock(static_cast<UINT>(&rSlot - m_aSlots));
        if (rSlot.uBuffer)
            glDeleteBuffers(1, &rSlot.uBuffer);
        rSlot = SSlot();
    }
}

HRESULT COrvGLDevice::QueueFrontBufferRead(UINT uSlot)
{
    const SOrvGLFormat* pFormat = OrvFindGLFormat(m_params.BackBufferFormat);
    if (!pFormat || pFormat->m_eInternal != GL_RGBA8)
        return D3DERR_INVALIDCALL;
    if (!m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    AttachFrontForRead();
    const bool bQueued =
        m_frameReader.Queue(uSlot, m_params.BackBufferWidth, m_params.BackBufferHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_uFramebuffer);
    return bQueued ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT COrvGLDevice::LockFrontBufferRead(UINT uSlot, D3DLOCKED_RECT& rLocked)
{
    if (!m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    return m_frameReader.Lock(uSlot, rLocked) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT COrvGLDevice::UnlockFrontBufferRead(UINT uSlot)
{
    if (!m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    return m_frameReader.Unlock(uSlot) ? D3D_OK : D3DERR_INVALIDCALL;
}

extern "C" ORVPLATFORM_API HRESULT OrvQueueFrontBufferRead(IDirect3DDevice9* pDevice, UINT uSlot)
{
    COrvGLDevice* pOurs = pDevice ? OrvAsGLDevice(pDevice) : nullptr;
    return pOurs ? pOurs->QueueFrontBufferRead(uSlot) : D3DERR_INVALIDCALL;
}

extern "C" ORVPLATFORM_API HRESULT OrvLockFrontBufferRead(IDirect3DDevice9* pDevice, UINT uSlot,
                                                          D3DLOCKED_RECT* pLocked)
{
    COrvGLDevice* pOurs = pDevice ? OrvAsGLDevice(pDevice) : nullptr;
    return pOurs && pLocked ? pOurs->LockFrontBufferRead(uSlot, *pLocked) : D3DERR_INVALIDCALL;
}

extern "C" ORVPLATFORM_API HRESULT OrvUnlockFrontBufferRead(IDirect3DDevice9* pDevice, UINT uSlot)
{
    COrvGLDevice* pOurs = pDevice ? OrvAsGLDevice(pDevice) : nullptr;
    return pOurs ? pOurs->UnlockFrontBufferRead(uSlot) : D3DERR_INVALIDCALL;
}
