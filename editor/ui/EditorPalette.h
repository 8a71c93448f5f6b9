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
    // Draws the palette when open; runs the chosen action. sStatus gets what happened.
    void Draw(const CEditorActions& actions, std::string& sStatus);

private:
    bool m_bOpen = false;
    bool m_bFocus = false;
    int m_iChosen = 0;
    char m_szQuery[256] = {};
};
