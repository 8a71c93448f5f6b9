// A device in an SDL2 window: the back buffer takes the window's size and Present shows it
// (with no display SDL draws into its off-screen driver).
#include "OrvGoldenImage.h"

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
    IDirect3D9* pD3D = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS params = {};
    params.BackBufferFormat = D3DFMT_UNKNOWN;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.Windowed = TRUE;
    params.EnableAutoDepthStencil = TRUE;
    params.AutoDepthStencilFormat = D3DFMT_D16;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    IDirect3DDevice9* pDevice = nullptr;
    ASSERT_EQ(D3D_OK, pD3D->CreateDevice(0, D3DDEVTYPE_HAL, pWindow,
                                         D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &pDevice));
    EXPECT_EQ(64u, params.BackBufferWidth);
    EXPECT_EQ(48u, params.BackBufferHeight);
    EXPECT_EQ(D3DFMT_X8R8G8B8, params.BackBufferFormat);
    pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFF8000, 1.f, 0);
    EXPECT_EQ(D3D_OK, pDevice->Present(nullptr, nullptr, nullptr, nullptr));
    IDirect3DSurface9* pCopy = nullptr;
    ASSERT_EQ(D3D_OK, pDevice->CreateOffscreenPlainSurface(64, 48, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH,
                                                           &pCopy, nullptr));
    ASSERT_EQ(D3D_OK, pDevice->GetFrontBufferData(0, pCopy));
    D3DLOCKED_RECT locked;
    ASSERT_EQ(D3D_OK, pCopy->LockRect(&locked, nullptr, D3DLOCK_READONLY));
    EXPECT_EQ(0xFFFF8000u, static_cast<const DWORD*>(locked.pBits)[10]);
    pCopy->UnlockRect();
    pCopy->Release();
    pDevice->Release();
    pD3D->Release();
    SDL_DestroyWindow(pWindow);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
