#include "PlayerWindow.h"

#include <SDL.h>

CPlayerWindow::~CPlayerWindow()
{
    if (m_pWindow != nullptr)
    {
        SDL_ShowCursor(SDL_ENABLE);
        SDL_DestroyWindow(m_pWindow);
    }
    if (m_bSdlStarted)
    {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

bool CPlayerWindow::Create(int iWidth, int iHeight, bool bFullscreen, int iRefreshRate,
                           std::string& rsError)
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    {
        rsError = std::string("cannot open the display: ") + SDL_GetError();
        return false;
    }
    m_bSdlStarted = true;
    Uint32 uiFlags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (bFullscreen)
    {
        uiFlags |= SDL_WINDOW_FULLSCREEN;
    }
    m_pWindow = SDL_CreateWindow("ORVEL", 0, 0, iWidth, iHeight, uiFlags);
    if (m_pWindow == nullptr)
    {
        rsError = std::string("cannot open the window: ") + SDL_GetError();
        return false;
    }
    if (bFullscreen)
    {
        SDL_DisplayMode mode{SDL_PIXELFORMAT_RGB888, iWidth, iHeight, iRefreshRate, nullptr};
        if (SDL_SetWindowDisplayMode(m_pWindow, &mode) != 0)
        {
            rsError = std::string("the display cannot switch to that mode: ") + SDL_GetError();
            return false;
        }
        SDL_ShowCursor(SDL_DISABLE);
    }
    SDL_ShowWindow(m_pWindow);
    return true;
}

bool CPlayerWindow::PumpMessage()
{
    SDL_Event event;
    if (SDL_PollEvent(&event) == 0)
    {
        return m_bQuit;
    }
    switch (event.type)
    {
    case SDL_QUIT:
        m_bQuit = true;
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE)
        {
            m_bQuit = true;
        }
        break;
    case SDL_KEYDOWN:
        if (event.key.keysym.sym == SDLK_ESCAPE)
        {
            m_bQuit = true;
        }
        break;
    default:
        break;
    }
    return m_bQuit;
}
