// Preloaded into OrvPlayer by its run tests: SDL's off-screen video driver passes for one
// that reaches a screen, so that the settings dialog opens where no display is.
extern "C" __attribute__((visibility("default"))) const char* SDL_GetCurrentVideoDriver()
{
    return "x11";
}
