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
                           std::string& sError)
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    {
        sError = std::string("cannot open the display: ") + SDL_GetError();
        return false;
    }
    m_bSdlStarted = true;
    Uint32 uFlags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (bFullscreen)
    {
        uFlags |= SDL_WINDOW_FULLSCREEN;
    }
    m_pWindow = SDL_CreateWindow("ORVEL", 0, 0, iWidth, iHeight, uFlags);
    if (m_pWindow == nullptr)
    {
        sError = std::string("cannot open the window: ") + SDL_GetError();
        return false;
    }
    if (bFullscreen)
    {
        SDL_DisplayMode mode{SDL_PIXELFORMAT_RGB888, iWidth, iHeight, iRefreshRate, nullptr};
        if (SDL_SetWindowDisplayMode(m_pWindow, &mode) != 0)
        {
            sError = std::string("the display cannot switch to that mode: ") + SDL_GetError();
            return false;
        }
        SDL_ShowCursor(SDL_DISABLE);
    }
    SDL_ShowWindow(m_pWindow);
    return true;
}

void CPlayerWindow::Handle(const void* pEventBytes, std::vector<EPlayerCommand>* pCommands)
{
    const SDL_Event& event = *static_cast<const SDL_Event*>(pEventBytes);
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
    {
        EPlayerCommand eCommand = TranslateKey(event.key.keysym.sym, event.key.keysym.mod);
        if (eCommand == COMMAND_QUIT)
        {
            m_bQuit = true;
        }
        else if (eCommand != COMMAND_NONE && pCommands != nullptr)
        {
            pCommands->push_back(eCommand);
        }
        break;
    }
    default:
        break;
    }
}

bool CPlayerWindow::PumpMessage()
{
    SDL_Event event;
    if (SDL_PollEvent(&event) != 0)
    {
        Handle(&event, nullptr);
    }
    return m_bQuit;
}

bool CPlayerWindow::PumpMessages(std::vector<EPlayerCommand>& rCommands)
{
    SDL_Event event;
    // Bounded: a flood of events must not keep the show from drawing.
    for (int i = 0; i < 256 && SDL_PollEvent(&event) != 0; ++i)
    {
        Handle(&event, &rCommands);
    }
    return m_bQuit;
}

void CPlayerWindow::SetTitle(const std::string& sTitle)
{
    if (m_pWindow != nullptr)
    {
        SDL_SetWindowTitle(m_pWindow, sTitle.c_str());
    }
}
