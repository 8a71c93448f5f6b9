#pragma once
// The command palette (Ctrl+K): a line to type any words of an action's name, the matching
// actions best first with their shortcuts, Up/Down to choose, Enter to run, Escape to close.
#include <string>

class CEditorActions;

class CEditorPalette
{
public:
    void Open();
    bool IsOpen() const { return m_bOpen; }
    // Until the palette's line has the keyboard (the frame after it opened), what is typed
    // goes here, so that quick typing right after Ctrl+K is not lost; Enter then runs it.
    bool IsTakingKeys() const { return m_bOpen && m_bFocus; }
    void AddText(const char* pText);
    void PressEnter() { m_bPendingEnter = true; }
    // Draws the palette when open; runs the chosen action. sStatus gets what happened.
    void Draw(const CEditorActions& actions, std::string& sStatus);

private:
    bool m_bOpen = false;
    bool m_bFocus = false;
    bool m_bPendingEnter = false;
    int m_iChosen = 0;
    char m_szQuery[256] = {};
};
