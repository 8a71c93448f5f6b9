#pragma once

// The one owner type for counted objects: Direct3D and D3DX interfaces, audio and AVI
// objects, and the engine's own COrvObject family (anything with AddRef and Release).
//
//   COrvComPtr<IDirect3DTexture9> texture;
//   device->CreateTexture(..., texture.ReleaseAndGetAddressOf(), nullptr);  // takes the result
//   COrvComPtr<IDirect3DSurface9> shared(pSurface);  // adds a reference of its own
//   IDirect3DSurface9* raw = texture.Get();           // borrows, no count
//
// Copies add a reference, moves pass the one held, destruction releases it.
#include <cstddef>
#include <utility>

template <class T> class COrvComPtr
{
public:
    COrvComPtr() = default;
    COrvComPtr(std::nullptr_t) {}
    // Shares the caller's object: adds a reference.
    explicit COrvComPtr(T* pObject) : m_pObject(pObject) { AddRefHeld(); }
    COrvComPtr(const COrvComPtr& other) : m_pObject(other.m_pObject) { AddRefHeld(); }
    COrvComPtr(COrvComPtr&& other) noexcept : m_pObject(other.Detach()) {}
    ~COrvComPtr() { Reset(); }

    COrvComPtr& operator=(const COrvComPtr& other)
    {
        COrvComPtr(other).Swap(*this);
        return *this;
    }
    COrvComPtr& operator=(COrvComPtr&& other) noexcept
    {
        COrvComPtr(std::move(other)).Swap(*this);
        return *this;
    }
    COrvComPtr& operator=(std::nullptr_t)
    {
        Reset();
        return *this;
    }

    T* Get() const { return m_pObject; }
    T* operator->() const { return m_pObject; }
    T& operator*() const { return *m_pObject; }
    explicit operator bool() const { return m_pObject != nullptr; }

    // Releases the object held (if any).
    void Reset()
    {
        T* pOld = m_pObject;
        m_pObject = nullptr;
        if (pOld)
            pOld->Release();
    }
    // Shares pObject (adds a reference), releasing what was held.
    void Assign(T* pObject) { COrvComPtr(pObject).Swap(*this); }
    // Takes over a reference the caller owns, releasing what was held.
    void Attach(T* pObject)
    {
        Reset();
        m_pObject = pObject;
    }
    // Gives the held reference to the caller.
    T* Detach() { return std::exchange(m_pObject, nullptr); }
    // For creation calls that return a new reference through T**: releases what was held.
    T** ReleaseAndGetAddressOf()
    {
        Reset();
        return &m_pObject;
    }
    void Swap(COrvComPtr& other) noexcept { std::swap(m_pObject, other.m_pObject); }

    friend bool operator==(const COrvComPtr& a, const COrvComPtr& b) = default;
    friend bool operator==(const COrvComPtr& a, std::nullptr_t) { return !a.m_pObject; }
    friend bool operator==(const COrvComPtr& a, const T* b) { return a.m_pObject == b; }

private:
    void AddRefHeld()
    {
        if (m_pObject)
            m_pObject->AddRef();
    }

    T* m_pObject = nullptr;
};
