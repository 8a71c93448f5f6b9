// A device in an SDL2 window: the back buffer takes the window's size and Present shows it
// (with no display SDL draws into its off-screen driver).
#include "OrvTestDevice.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

TEST(DeviceWindow, WindowedDevicePresentsTheBackBuffer)
{
#if defined(__SANITIZE_ADDRESS__)
    // SDL loads its window-system GL libraries itself and unloads them at quit; what they
    // keep cannot be attributed to a library any more, so leak checks stay off here (the
    // device's own allocations are leak-checked by the headless tests).
    __lsan::ScopedDisabler disableLeakChecks;
#endif
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        GTEST_SKIP() << "no SDL video: " << SDL_GetError();
    SDL_Window* pWindow =
        SDL_CreateWindow("ORVEL", 0, 0, 64, 48, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!pWindow)
    {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        GTEST_SKIP() << "no SDL window: " << SDL_GetError();
    }
    {
        COrvTestDevice device(0, 0, true, pWindow);
        ASSERT_EQ(D3D_OK, device.GetCreateResult());
        EXPECT_EQ(64u, device.GetParameters().BackBufferWidth);
        EXPECT_EQ(48u, device.GetParameters().BackBufferHeight);
        EXPECT_EQ(D3DFMT_X8R8G8B8, device.GetParameters().BackBufferFormat);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFF8000, 1.f, 0);
        EXPECT_EQ(D3D_OK, device->Present(nullptr, nullptr, nullptr, nullptr));
        COrvComPtr<IDirect3DSurface9> copy;
        ASSERT_EQ(D3D_OK,
                  device->CreateOffscreenPlainSurface(64, 48, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH,
                                                      copy.ReleaseAndGetAddressOf(), nullptr));
        ASSERT_EQ(D3D_OK, device->GetFrontBufferData(0, copy.Get()));
        D3DLOCKED_RECT locked;
        ASSERT_EQ(D3D_OK, copy->LockRect(&locked, nullptr, D3DLOCK_READONLY));
        EXPECT_EQ(0xFFFF8000u, static_cast<const DWORD*>(locked.pBits)[10]);
        copy->UnlockRect();
    }
    SDL_DestroyWindow(pWindow);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
