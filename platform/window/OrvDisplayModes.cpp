#include "OrvDisplayModes.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace
{
std::vector<SOrvDisplayMode> FixedModes()
{
    return {{640, 480, 60},  {800, 600, 60},  {1024, 768, 60},  {1280, 720, 60},  {1280, 1024, 60},
            {1366, 768, 60}, {1600, 900, 60}, {1920, 1080, 60}, {2560, 1440, 60}, {3840, 2160, 60}};
}

bool HasDisplay()
{
    const char* szX = getenv("DISPLAY");
    const char* szWayland = getenv("WAYLAND_DISPLAY");
    return (szX && *szX) || (szWayland && *szWayland);
}

// Whether SDL's video driver reaches a screen: its off-screen and dummy drivers have no modes.
bool IsOnADisplay()
{
    const char* szDriver = SDL_GetCurrentVideoDriver();
    return szDriver && strcmp(szDriver, "offscreen") != 0 && strcmp(szDriver, "dummy") != 0;
}

std::vector<SOrvDisplayMode> SdlModes()
{
    std::vector<SOrvDisplayMode> aModes;
    const bool bWasInit = SDL_WasInit(SDL_INIT_VIDEO) != 0;
    if (!bWasInit && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return aModes;
    if (IsOnADisplay())
    {
        const int iCount = SDL_GetNumDisplayModes(0);
        for (int i = 0; i < iCount; ++i)
        {
            SDL_DisplayMode mode;
            if (SDL_GetDisplayMode(0, i, &mode) != 0 || mode.w <= 0 || mode.h <= 0)
                continue;
            SOrvDisplayMode entry{(unsigned)mode.w, (unsigned)mode.h,
                                  (unsigned)std::max(mode.refresh_rate, 0)};
            const bool bDuplicate = std::any_of(aModes.begin(), aModes.end(),
                                                [&](const SOrvDisplayMode& m)
                                                {
                                                    return m.m_uWidth == entry.m_uWidth &&
                                                           m.m_uHeight == entry.m_uHeight &&
                                                           m.m_uRefreshRate == entry.m_uRefreshRate;
                                                });
            if (!bDuplicate)
                aModes.push_back(entry);
        }
    }
    if (!bWasInit)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return aModes;
}

// The desktop's size through SDL; false when SDL has no real display.
bool SdlDesktopSize(SOrvDesktopSize* pSize)
{
    const bool bWasInit = SDL_WasInit(SDL_INIT_VIDEO) != 0;
    if (!bWasInit && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    bool bFound = false;
    SDL_DisplayMode mode;
    if (IsOnADisplay() && SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0)
    {
        *pSize = SOrvDesktopSize{(unsigned)mode.w, (unsigned)mode.h};
        bFound = true;
    }
    if (!bWasInit)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return bFound;
}
} // namespace

SOrvDesktopSize OrvGetDesktopSize()
{
    SOrvDesktopSize size{1920, 1080};
    if (HasDisplay())
        SdlDesktopSize(&size);
    return size;
}

std::vector<SOrvDisplayMode> OrvListDisplayModes()
{
    std::vector<SOrvDisplayMode> aModes;
    if (HasDisplay())
        aModes = SdlModes();
    if (aModes.empty())
        aModes = FixedModes();
    // Smallest first, as an adapter lists them.
    std::stable_sort(aModes.begin(), aModes.end(),
                     [](const SOrvDisplayMode& a, const SOrvDisplayMode& b)
                     {
                         if (a.m_uWidth != b.m_uWidth)
                             return a.m_uWidth < b.m_uWidth;
                         if (a.m_uHeight != b.m_uHeight)
                             return a.m_uHeight < b.m_uHeight;
                         return a.m_uRefreshRate < b.m_uRefreshRate;
                     });
    return aModes;
}
