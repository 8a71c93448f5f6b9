#pragma once

// Vertex and index buffers: a GL buffer object with a copy of its contents in memory, so
// that Lock hands out plain memory (also for read-only locks) and Unlock sends the locked
// range to GL. DISCARD orphans the GL storage, NOOVERWRITE and plain locks update in place.
#include "OrvGLCore.h"

#include <epoxy/gl.h>

#include <vector>

class COrvGLBufferStore
{
public:
    COrvGLBufferStore(const OrvGLCorePtr& pCore, UINT uLength, DWORD dwUsage);
    ~COrvGLBufferStore();

    bool IsValid() const { return m_uBuffer != 0; }
    HRESULT Lock(UINT uOffset, UINT uSize, void** ppData, DWORD dwFlags);
    HRESULT Unlock();
    GLuint GetName() const { return m_uBuffer; }
    UINT GetLength() const { return (UINT)m_aData.size(); }
    const BYTE* GetData() const { return m_aData.data(); }

private:
    OrvGLCorePtr m_pCore;
    GLuint m_uBuffer = 0;
    GLenum m_eUsageGL;
    std::vector<BYTE> m_aData;
    bool m_bLocked = false;
    DWORD m_dwLockFlags = 0;
    UINT m_uLockOffset = 0;
    UINT m_uLockSize = 0;
};

class COrvGLVertexBuffer : public TOrvResource<IDirect3DVertexBuffer9>
{
public:
    COrvGLVertexBuffer(OrvGLCorePtr pCore, UINT uLength, DWORD dwUsage, DWORD dwFVF, D3DPOOL ePool);
    ~COrvGLVertexBuffer() override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT uOffset, UINT uSize, void** ppData, DWORD dwFlags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

    bool IsValid() const { return m_store.IsValid(); }
    COrvGLBufferStore& GetStore() { return m_store; }

private:
    COrvGLBufferStore m_store;
    D3DVERTEXBUFFER_DESC m_desc;
};

class COrvGLIndexBuffer : public TOrvResource<IDirect3DIndexBuffer9>
{
public:
    COrvGLIndexBuffer(OrvGLCorePtr pCore, UINT uLength, DWORD dwUsage, D3DFORMAT eFormat,
                      D3DPOOL ePool);
    ~COrvGLIndexBuffer() override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT uOffset, UINT uSize, void** ppData, DWORD dwFlags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;

    bool IsValid() const { return m_store.IsValid(); }
    COrvGLBufferStore& GetStore() { return m_store; }
    UINT GetIndexSize() const { return m_desc.Format == D3DFMT_INDEX32 ? 4 : 2; }

private:
    COrvGLBufferStore m_store;
    D3DINDEXBUFFER_DESC m_desc;
};

COrvGLVertexBuffer* OrvAsGLVertexBuffer(IDirect3DVertexBuffer9* pBuffer);
COrvGLIndexBuffer* OrvAsGLIndexBuffer(IDirect3DIndexBuffer9* pBuffer);
