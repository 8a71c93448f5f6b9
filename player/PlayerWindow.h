#pragma once

// The player's window "ORVEL" (SDL2, OpenGL-capable, for the device to draw into) and its
// messages: Escape or closing the window asks to quit.
#include "PlayerTransport.h"

#include <string>
#include <vector>

struct SDL_Window;

class CPlayerWindow
{
public:
    CPlayerWindow() = default;
    ~CPlayerWindow();
    CPlayerWindow(const CPlayerWindow&) = delete;
    CPlayerWindow& operator=(const CPlayerWindow&) = delete;

    // Opens the window at (0, 0) with that client size; sError says why it could not.
    bool Create(int iWidth, int iHeight, bool bFullscreen, int iRefreshRate, std::string& sError);
    SDL_Window* GetHandle() const { return m_pWindow; }
    // Handles at most one pending message; true once the user asked to quit.
    bool PumpMessage();
    // Handles every pending message, adding the transport commands of the keys pressed;
    // true once the user asked to quit.
    bool PumpMessages(std::vector<EPlayerCommand>& rCommands);
    void SetTitle(const std::string& sTitle);
    bool IsQuitRequested() const { return m_bQuit; }
    void ClearQuit() { m_bQuit = false; }

private:
    // Handles one message; its command (if a key) goes to rCommands.
    void Handle(const void* pEvent, std::vector<EPlayerCommand>* pCommands);

    SDL_Window* m_pWindow = nullptr;
    bool m_bQuit = false;
    bool m_bSdlStarted = false;
};
