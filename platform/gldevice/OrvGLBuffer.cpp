#include "OrvGLBuffer.h"

#include <new>

COrvGLBufferStore::COrvGLBufferStore(const OrvGLCorePtr& pCore, UINT uiLength, DWORD dwUsage)
    : m_pCore(pCore), m_eUsageGL((dwUsage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW)
{
    try
    {
        m_aData.assign(uiLength, 0);
    }
    catch (const std::bad_alloc&)
    {
        return;
    }
    if (!m_pCore->MakeCurrent())
        return;
    while (glGetError() != GL_NO_ERROR)
    {
    }
    glGenBuffers(1, &m_uBuffer);
    glBindBuffer(GL_COPY_WRITE_BUFFER, m_uBuffer);
    glBufferData(GL_COPY_WRITE_BUFFER, uiLength, m_aData.data(), m_eUsageGL);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    if (glGetError() != GL_NO_ERROR)
    {
        glDeleteBuffers(1, &m_uBuffer);
        m_uBuffer = 0;
    }
}

COrvGLBufferStore::~COrvGLBufferStore()
{
    if (m_uBuffer && m_pCore->Prepare())
        glDeleteBuffers(1, &m_uBuffer);
}

HRESULT COrvGLBufferStore::Lock(UINT uiOffset, UINT uiSize, void** ppData, DWORD dwFlags)
{
    if (!ppData || m_bLocked || !m_uBuffer)
        return D3DERR_INVALIDCALL;
    const UINT uiLength = GetLength();
    if (uiOffset == 0 && uiSize == 0)
        uiSize = uiLength;
    else if (uiSize == 0)
        uiSize = uiLength > uiOffset ? uiLength - uiOffset : 0;
    if (uiOffset >= uiLength || uiSize > uiLength - uiOffset)
    {
        *ppData = nullptr;
        return D3DERR_INVALIDCALL;
    }
    m_bLocked = true;
    m_dwLockFlags = dwFlags;
    m_uiLockOffset = uiOffset;
    m_uiLockSize = uiSize;
    *ppData = m_aData.data() + uiOffset;
    return D3D_OK;
}

HRESULT COrvGLBufferStore::Unlock()
{
    if (!m_bLocked)
        return D3DERR_INVALIDCALL;
    m_bLocked = false;
    if (m_dwLockFlags & D3DLOCK_READONLY)
        return D3D_OK;
    // Draws still waiting in the device's batch read the old contents.
    if (!m_pCore->Prepare())
        return D3DERR_INVALIDCALL;
    glBindBuffer(GL_COPY_WRITE_BUFFER, m_uBuffer);
    if ((m_dwLockFlags & D3DLOCK_DISCARD) || (m_uiLockOffset == 0 && m_uiLockSize == GetLength()))
        glBufferData(GL_COPY_WRITE_BUFFER, GetLength(), m_aData.data(), m_eUsageGL);
    else
        glBufferSubData(GL_COPY_WRITE_BUFFER, m_uiLockOffset, m_uiLockSize,
                        m_aData.data() + m_uiLockOffset);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    return D3D_OK;
}

COrvGLVertexBuffer::COrvGLVertexBuffer(OrvGLCorePtr pCore, UINT uiLength, DWORD dwUsage,
                                       DWORD dwFVF, D3DPOOL ePool)
    : TOrvResource(std::move(pCore)), m_store(m_pCore, uiLength, dwUsage)
{
    m_desc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, dwUsage, ePool, uiLength, dwFVF};
}

COrvGLVertexBuffer::~COrvGLVertexBuffer() = default;

HRESULT COrvGLVertexBuffer::Lock(UINT uiOffset, UINT uiSize, void** ppData, DWORD dwFlags)
{
    return m_store.Lock(uiOffset, uiSize, ppData, dwFlags);
}

HRESULT COrvGLVertexBuffer::Unlock()
{
    return m_store.Unlock();
}

HRESULT COrvGLVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = m_desc;
    return D3D_OK;
}

COrvGLIndexBuffer::COrvGLIndexBuffer(OrvGLCorePtr pCore, UINT uiLength, DWORD dwUsage,
                                     D3DFORMAT eFormat, D3DPOOL ePool)
    : TOrvResource(std::move(pCore)), m_store(m_pCore, uiLength, dwUsage)
{
    m_desc = {eFormat, D3DRTYPE_INDEXBUFFER, dwUsage, ePool, uiLength};
}

COrvGLIndexBuffer::~COrvGLIndexBuffer() = default;

HRESULT COrvGLIndexBuffer::Lock(UINT uiOffset, UINT uiSize, void** ppData, DWORD dwFlags)
{
    return m_store.Lock(uiOffset, uiSize, ppData, dwFlags);
}

HRESULT COrvGLIndexBuffer::Unlock()
{
    return m_store.Unlock();
}

HRESULT COrvGLIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = m_desc;
    return D3D_OK;
}

COrvGLVertexBuffer* OrvAsGLVertexBuffer(IDirect3DVertexBuffer9* pBuffer)
{
    return dynamic_cast<COrvGLVertexBuffer*>(pBuffer);
}

COrvGLIndexBuffer* OrvAsGLIndexBuffer(IDirect3DIndexBuffer9* pBuffer)
{
    return dynamic_cast<COrvGLIndexBuffer*>(pBuffer);
}
