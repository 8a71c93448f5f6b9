#pragma once

// What every object of one OpenGL device shares: the GL context and a way back to the
// device (to submit its batched draws before a resource changes). Resources hold it by
// shared pointer, so the context outlives the device while any resource still lives.
#include "d3d9.h"

#include <memory>

class COrvGLContext;
class COrvGLDevice;
class COrvGLSurface;
class COrvGLTextureCore;

class COrvGLCore
{
public:
    explicit COrvGLCore(std::unique_ptr<COrvGLContext> pContext);
    ~COrvGLCore();

    COrvGLCore(const COrvGLCore&) = delete;
    COrvGLCore& operator=(const COrvGLCore&) = delete;

    // Makes the context current; false when it cannot be.
    bool MakeCurrent();
    // Makes the context current and submits the device's pending draws.
    bool Prepare();

    COrvGLContext& GetContext() { return *m_pContext; }
    COrvGLDevice* GetDevice() const { return m_pDevice; }
    void SetDevice(COrvGLDevice* pDevice) { m_pDevice = pDevice; }

private:
    std::unique_ptr<COrvGLContext> m_pContext;
    COrvGLDevice* m_pDevice = nullptr;
};

typedef std::shared_ptr<COrvGLCore> OrvGLCorePtr;

// COM-style counting for our implementation classes: one reference at creation.
template <class TInterface> class TOrvCounted : public TInterface
{
public:
    ULONG AddRef() override { return ++m_ulRefCount; }
    ULONG Release() override
    {
        const ULONG ulCount = --m_ulRefCount;
        if (ulCount == 0)
            delete this;
        return ulCount;
    }

protected:
    ULONG m_ulRefCount = 1;
};

// Releases a counted interface pointer and nulls it.
template <class T> void OrvSafeRelease(T*& rpObject)
{
    if (rpObject)
        rpObject->Release();
    rpObject = nullptr;
}

// Replaces a held reference with another (AddRef new first, then Release old).
template <class T> void OrvAssignRef(T*& rpHeld, T* pNew)
{
    if (pNew)
        pNew->AddRef();
    if (rpHeld)
        rpHeld->Release();
    rpHeld = pNew;
}

// The device of a core, with a reference for the caller (D3DERR_INVALIDCALL once the device
// is gone).
HRESULT OrvGetDeviceOf(const OrvGLCorePtr& pCore, IDirect3DDevice9** ppDevice);

// The parts of IDirect3DResource9 that all our resources share.
template <class TInterface> class TOrvResource : public TOrvCounted<TInterface>
{
public:
    explicit TOrvResource(OrvGLCorePtr pCore) : m_pCore(std::move(pCore)) {}

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override
    {
        return OrvGetDeviceOf(m_pCore, ppDevice);
    }
    DWORD SetPriority(DWORD dwPriority) override
    {
        const DWORD dwOld = m_dwPriority;
        m_dwPriority = dwPriority;
        return dwOld;
    }
    DWORD GetPriority() override { return m_dwPriority; }
    void PreLoad() override {}

    const OrvGLCorePtr& GetCore() const { return m_pCore; }

protected:
    OrvGLCorePtr m_pCore;
    DWORD m_dwPriority = 0;
};

// Notices from resources to the device (implemented with the device): a surface or texture
// is going away, or a resource call changed the GL texture bindings.
void OrvForgetSurface(COrvGLDevice* pDevice, COrvGLSurface* pSurface);
void OrvForgetTexture(COrvGLDevice* pDevice, COrvGLTextureCore* pTexture);
void OrvTextureBindingsChanged(const OrvGLCorePtr& pCore);
