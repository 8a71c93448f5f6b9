#include "D3DXBuffer.h"

#include <new>

COrvD3DXBuffer::COrvD3DXBuffer(size_t uSize) : m_aBytes(uSize, 0) {}

ULONG COrvD3DXBuffer::AddRef()
{
    return ++m_uRefCount;
}

ULONG COrvD3DXBuffer::Release()
{
    ULONG uCount = --m_uRefCount;
    if (uCount == 0)
        delete this;
    return uCount;
}

LPVOID COrvD3DXBuffer::GetBufferPointer()
{
    return m_aBytes.empty() ? nullptr : m_aBytes.data();
}

DWORD COrvD3DXBuffer::GetBufferSize()
{
    return DWORD(m_aBytes.size());
}

ID3DXBuffer* OrvCreateTextBuffer(const std::string& sText)
{
    auto* pBuffer = new COrvD3DXBuffer(sText.size() + 1);
    std::copy(sText.begin(), sText.end(), static_cast<char*>(pBuffer->GetBufferPointer()));
    return pBuffer;
}

HRESULT D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer)
{
    if (!ppBuffer)
        return D3DERR_INVALIDCALL;
    *ppBuffer = nullptr;
    try
    {
        *ppBuffer = new COrvD3DXBuffer(NumBytes);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
