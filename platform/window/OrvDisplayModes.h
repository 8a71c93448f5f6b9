#pragma once

// The display modes a player can choose from: those SDL reports for display 0, or, with no
// display to ask, a fixed list of common sizes at 60 Hz.
#include <vector>

struct SOrvDisplayMode
{
    unsigned int m_uWidth;
    unsigned int m_uHeight;
    unsigned int m_uRefreshRate;
};

std::vector<SOrvDisplayMode> OrvListDisplayModes();

struct SOrvDesktopSize
{
    unsigned int m_uWidth;
    unsigned int m_uHeight;
};

// The desktop size of display 0, or 1920 x 1080 when there is no display to ask.
SOrvDesktopSize OrvGetDesktopSize();
