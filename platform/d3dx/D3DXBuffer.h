#pragma once

#include "d3dx9core.h"

#include <string>
#include <vector>

// The byte buffer behind ID3DXBuffer.
class COrvD3DXBuffer : public ID3DXBuffer
{
public:
    explicit COrvD3DXBuffer(size_t uSize);

    ULONG AddRef() override;
    ULONG Release() override;
    LPVOID GetBufferPointer() override;
    DWORD GetBufferSize() override;

private:
    ULONG m_uRefCount = 1;
    std::vector<unsigned char> m_aBytes;
};

// A buffer holding the text and its terminating zero.
ID3DXBuffer* OrvCreateTextBuffer(const std::string& sText);
