#pragma once

// The device's queries: GPU timestamps from GL timer queries (glQueryCounter with
// GL_TIMESTAMP, in nanoseconds), their frequency, and the disjoint flag, which GL does
// not know of (its timestamps never jump): always FALSE.
#include "OrvGLCore.h"

#include <epoxy/gl.h>

class COrvGLQuery : public TOrvCounted<IDirect3DQuery9>
{
public:
    // Whether the device answers this type.
    static bool IsSupported(D3DQUERYTYPE eType);
    COrvGLQuery(OrvGLCorePtr pCore, D3DQUERYTYPE eType);
    ~COrvGLQuery() override;
    COrvGLQuery(const COrvGLQuery&) = delete;
    COrvGLQuery& operator=(const COrvGLQuery&) = delete;

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    D3DQUERYTYPE GetType() override { return m_eType; }
    DWORD GetDataSize() override;
    HRESULT Issue(DWORD dwIssueFlags) override;
    HRESULT GetData(void* pData, DWORD dwSize, DWORD dwGetDataFlags) override;

private:
    HRESULT GetTimestamp(UINT64& rui64Ticks, DWORD dwGetDataFlags);

    OrvGLCorePtr m_pCore;
    D3DQUERYTYPE m_eType;
    GLuint m_uQuery = 0;
    bool m_bIssued = false;
};
