#pragma once

// The player's window "ORVEL" (SDL2, OpenGL-capable, for the device to draw into) and its
// messages: Escape or closing the window asks to quit.
#include <string>

struct SDL_Window;

class CPlayerWindow
{
public:
    CPlayerWindow() = default;
    ~CPlayerWindow();
    CPlayerWindow(const CPlayerWindow&) = delete;
    CPlayerWindow& operator=(const CPlayerWindow&) = delete;

    // Opens the window at (0, 0) with that client size; rsError says why it could not.
    bool Create(int iWidth, int iHeight, bool bFullscreen, int iRefreshRate, std::string& rsError);
    SDL_Window* GetHandle() const { return m_pWindow; }
    // Handles at most one pending message; true once the user asked to quit.
    bool PumpMessage();
    bool IsQuitRequested() const { return m_bQuit; }
    void ClearQuit() { m_bQuit = false; }

private:
    SDL_Window* m_pWindow = nullptr;
    bool m_bQuit = false;
    bool m_bSdlStarted = false;
};
