#include "OrvGLBuffer.h"

#include <new>

COrvGLBufferStore::COrvGLBufferStore(const OrvGLCorePtr& pCore, UINT uLength, DWORD dwUsage)
    : m_pCore(pCore), m_eUsageGL((dwUsage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW)
{
    try
    {
        m_aData.assign(uLength, 0);
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
    glBufferData(GL_COPY_WRITE_BUFFER, uLength, m_aData.data(), m_eUsageGL);
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

HRESULT COrvGLBufferStore::Lock(UINT uOffset, UINT uSize, void** ppData, DWORD dwFlags)
{
    if (!ppData || m_bLocked || !m_uBuffer)
        return D3DERR_INVALIDCALL;
    const UINT uLength = GetLength();
    if (uOffset == 0 && uSize == 0)
        uSize = uLength;
    else if (uSize == 0)
        uSize = uLength > uOffset ? uLength - uOffset : 0;
    if (uOffset >= uLength || uSize > uLength - uOffset)
    {
        *ppData = nullptr;
        return D3DERR_INVALIDCALL;
    }
    m_bLocked = true;
    m_dwLockFlags = dwFlags;
    m_uLockOffset = uOffset;
    m_uLockSize = uSize;
    *ppData = m_aData.data() + uOffset;
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
    if ((m_dwLockFlags & D3DLOCK_DISCARD) || (m_uLockOffset == 0 && m_uLockSize == GetLength()))
        glBufferData(GL_COPY_WRITE_BUFFER, GetLength(), m_aData.data(), m_eUsageGL);
    else
        glBufferSubData(GL_COPY_WRITE_BUFFER, m_uLockOffset, m_uLockSize,
                        m_aData.data() + m_uLockOffset);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    return D3D_OK;
}

COrvGLVertexBuffer::COrvGLVertexBuffer(OrvGLCorePtr pCore, UINT uLength, DWORD dwUsage, DWORD dwFVF,
                                       D3DPOOL ePool)
    : TOrvResource(std::move(pCore)), m_store(m_pCore, uLength, dwUsage)
{
    m_desc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, dwUsage, ePool, uLength, dwFVF};
}

COrvGLVertexBuffer::~COrvGLVertexBuffer() = default;

HRESULT COrvGLVertexBuffer::Lock(UINT uOffset, UINT uSize, void** ppData, DWORD dwFlags)
{
    return m_store.Lock(uOffset, uSize, ppData, dwFlags);
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

COrvGLIndexBuffer::COrvGLIndexBuffer(OrvGLCorePtr pCore, UINT uLength, DWORD dwUsage,
                                     D3DFORMAT eFormat, D3DPOOL ePool)
    : TOrvResource(std::move(pCore)), m_store(m_pCore, uLength, dwUsage)
{
    m_desc = {eFormat, D3DRTYPE_INDEXBUFFER, dwUsage, ePool, uLength};
}

COrvGLIndexBuffer::~COrvGLIndexBuffer() = default;

HRESULT COrvGLIndexBuffer::Lock(UINT uOffset, UINT uSize, void** ppData, DWORD dwFlags)
{
    return m_store.Lock(uOffset, uSize, ppData, dwFlags);
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
