#include "OrvGLQuery.h"

#include "OrvGLDevice.h"

#include <cstring>

namespace
{
constexpr UINT64 kNanosecondsPerSecond = 1000000000ull;
} // namespace

bool COrvGLQuery::IsSupported(D3DQUERYTYPE eType)
{
    return eType == D3DQUERYTYPE_TIMESTAMP || eType == D3DQUERYTYPE_TIMESTAMPFREQ ||
           eType == D3DQUERYTYPE_TIMESTAMPDISJOINT;
}

COrvGLQuery::COrvGLQuery(OrvGLCorePtr pCore, D3DQUERYTYPE eType)
    : m_pCore(std::move(pCore)), m_eType(eType)
{
}

COrvGLQuery::~COrvGLQuery()
{
    if (m_uQuery != 0 && m_pCore->MakeCurrent())
        glDeleteQueries(1, &m_uQuery);
}

HRESULT COrvGLQuery::GetDevice(IDirect3DDevice9** ppDevice)
{
    return OrvGetDeviceOf(m_pCore, ppDevice);
}

DWORD COrvGLQuery::GetDataSize()
{
    return m_eType == D3DQUERYTYPE_TIMESTAMPDISJOINT ? sizeof(BOOL) : sizeof(UINT64);
}

HRESULT COrvGLQuery::Issue(DWORD dwIssueFlags)
{
    if (m_eType != D3DQUERYTYPE_TIMESTAMP)
    {
        // The frequency is a constant and GL's clock never jumps: nothing to record.
        m_bIssued = true;
        return D3D_OK;
    }
    if ((dwIssueFlags & D3DISSUE_END) == 0)
        return D3DERR_INVALIDCALL; // a timestamp has no beginning
    // Prepare submits the draws issued before this point, so the stamp follows them.
    if (!m_pCore->GetDevice() || !m_pCore->Prepare())
        return D3DERR_INVALIDCALL;
    if (m_uQuery == 0)
        glGenQueries(1, &m_uQuery);
    glQueryCounter(m_uQuery, GL_TIMESTAMP);
    m_bIssued = true;
    return D3D_OK;
}

HRESULT COrvGLQuery::GetTimestamp(UINT64& rui64Ticks, DWORD dwGetDataFlags)
{
    if (!m_bIssued || m_uQuery == 0 || !m_pCore->MakeCurrent())
        return D3DERR_INVALIDCALL;
    GLint iAvailable = 0;
    glGetQueryObjectiv(m_uQuery, GL_QUERY_RESULT_AVAILABLE, &iAvailable);
    if (!iAvailable)
    {
        // A flush alone does not always bring the answer (llvmpipe stamps a query only when
        // its scene has run): asked to flush, the device finishes its work instead.
        if (dwGetDataFlags & D3DGETDATA_FLUSH)
            glFinish();
        return S_FALSE;
    }
    GLuint64 ui64Ns = 0;
    glGetQueryObjectui64v(m_uQuery, GL_QUERY_RESULT, &ui64Ns);
    rui64Ticks = ui64Ns;
    return S_OK;
}

HRESULT COrvGLQuery::GetData(void* pData, DWORD dwSize, DWORD dwGetDataFlags)
{
    if (pData != nullptr && dwSize < GetDataSize())
        return D3DERR_INVALIDCALL;
    if (m_eType == D3DQUERYTYPE_TIMESTAMPDISJOINT)
    {
        if (!m_bIssued)
            return D3DERR_INVALIDCALL;
        const BOOL bDisjoint = FALSE;
        if (pData)
            std::memcpy(pData, &bDisjoint, sizeof(bDisjoint));
        return S_OK;
    }
    UINT64 ui64Value = kNanosecondsPerSecond;
    if (m_eType == D3DQUERYTYPE_TIMESTAMP)
    {
        const HRESULT hr = GetTimestamp(ui64Value, dwGetDataFlags);
        if (hr != S_OK)
            return hr;
    }
    if (pData)
        std::memcpy(pData, &ui64Value, sizeof(ui64Value));
    return S_OK;
}

HRESULT COrvGLDevice::CreateQuery(D3DQUERYTYPE Type, IDirect3DQuery9** ppQuery)
{
    if (ppQuery)
        *ppQuery = nullptr;
    if (!COrvGLQuery::IsSupported(Type))
        return D3DERR_NOTAVAILABLE;
    if (ppQuery)
        *ppQuery = new COrvGLQuery(m_pCore, Type);
    return D3D_OK;
}
