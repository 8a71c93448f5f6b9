#pragma once

// The bitmaps and device contexts alive in the process. Every call looks its handle up
// here first, so that a deleted or made-up handle fails the call instead of being used.
#include "GdiBitmap.h"

#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace orv::gdi
{

class CGdiHandles
{
public:
    static CGdiHandles& Get();

    // Takes the bitmap; its handle, or NULL when pBitmap is null.
    HBITMAP AddBitmap(std::unique_ptr<CGdiBitmap> pBitmap);
    bool DeleteBitmap(HGDIOBJ hObject);
    // Calls fn with the bitmap, the table locked; false when the handle is not a bitmap.
    bool UseBitmap(HGDIOBJ hObject, const std::function<void(CGdiBitmap&)>& fn);

    HDC AddDC();
    bool DeleteDC(HDC hdc);
    bool IsDC(HDC hdc);

private:
    struct SDeviceContext
    {
        int iUnused = 0;
    };

    std::mutex m_mutex;
    std::unordered_map<const void*, std::unique_ptr<CGdiBitmap>> m_bitmaps;
    std::unordered_map<const void*, std::unique_ptr<SDeviceContext>> m_dcs;
};

} // namespace orv::gdi
