#include "GdiHandles.h"

#include <new>

namespace orv::gdi
{

CGdiHandles& CGdiHandles::Get()
{
    static CGdiHandles s_handles;
    return s_handles;
}

HBITMAP CGdiHandles::AddBitmap(std::unique_ptr<CGdiBitmap> pBitmap)
{
    if (!pBitmap)
    {
        return nullptr;
    }
    const void* pKey = pBitmap.get();
    std::lock_guard<std::mutex> lock(m_mutex);
    try
    {
        m_bitmaps.emplace(pKey, std::move(pBitmap));
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
    return reinterpret_cast<HBITMAP>(const_cast<void*>(pKey));
}

bool CGdiHandles::DeleteBitmap(HGDIOBJ hObject)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bitmaps.erase(hObject) != 0;
}

bool CGdiHandles::UseBitmap(HGDIOBJ hObject, const std::function<void(CGdiBitmap&)>& fn)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_bitmaps.find(hObject);
    if (it == m_bitmaps.end())
    {
        return false;
    }
    fn(*it->second);
    return true;
}

HDC CGdiHandles::AddDC()
{
    std::unique_ptr<SDeviceContext> pDC(new (std::nothrow) SDeviceContext);
    if (!pDC)
    {
        return nullptr;
    }
    const void* pKey = pDC.get();
    std::lock_guard<std::mutex> lock(m_mutex);
    try
    {
        m_dcs.emplace(pKey, std::move(pDC));
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
    return reinterpret_cast<HDC>(const_cast<void*>(pKey));
}

bool CGdiHandles::DeleteDC(HDC hdc)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dcs.erase(hdc) != 0;
}

bool CGdiHandles::IsDC(HDC hdc)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dcs.count(hdc) != 0;
}

} // namespace orv::gdi
