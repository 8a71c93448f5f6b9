#include "OrvGLCore.h"

#include "OrvGLDevice.h"
#include "OrvGLContext.h"

COrvGLCore::COrvGLCore(std::unique_ptr<COrvGLContext> pContext) : m_pContext(std::move(pContext)) {}

COrvGLCore::~COrvGLCore() = default;

bool COrvGLCore::MakeCurrent()
{
    return m_pContext && m_pContext->MakeCurrent();
}

bool COrvGLCore::Prepare()
{
    if (!MakeCurrent())
        return false;
    if (m_pDevice)
        m_pDevice->FlushBatch();
    return true;
}

HRESULT OrvGetDeviceOf(const OrvGLCorePtr& pCore, IDirect3DDevice9** ppDevice)
{
    if (!ppDevice)
        return D3DERR_INVALIDCALL;
    *ppDevice = pCore ? pCore->GetDevice() : nullptr;
    if (!*ppDevice)
        return D3DERR_INVALIDCALL;
    (*ppDevice)->AddRef();
    return D3D_OK;
}
