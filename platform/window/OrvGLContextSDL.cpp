#include "OrvGLContext.h"

#include <SDL2/SDL.h>

namespace
{
class COrvGLContextSDL : public COrvGLContext
{
public:
    COrvGLContextSDL(SDL_Window* pWindow, SDL_GLContext pContext)
        : m_pWindow(pWindow), m_pContext(pContext)
    {
    }

    ~COrvGLContextSDL() override
    {
        if (WasCurrent())
            SDL_GL_MakeCurrent(m_pWindow, nullptr);
        SDL_GL_DeleteContext(m_pContext);
    }

    bool DoMakeCurrent() override { return SDL_GL_MakeCurrent(m_pWindow, m_pContext) == 0; }

    void SwapBuffers() override { SDL_GL_SwapWindow(m_pWindow); }

    void SetSwapInterval(int iInterval) override
    {
        if (SDL_GL_SetSwapInterval(iInterval) != 0 && iInterval == 0)
            SDL_GL_SetSwapInterval(-1);
    }

    void GetDrawableSize(int& riWidth, int& riHeight) override
    {
        SDL_GL_GetDrawableSize(m_pWindow, &riWidth, &riHeight);
    }

    bool IsHeadless() const override { return false; }

    std::string Describe() const override
    {
        const char* szDriver = SDL_GetCurrentVideoDriver();
        return std::string("SDL2 window (") + (szDriver ? szDriver : "?") + ")";
    }

private:
    SDL_Window* m_pWindow;
    SDL_GLContext m_pContext;
};
} // namespace

std::unique_ptr<COrvGLContext> OrvCreateWindowGLContext(SDL_Window* pWindow, std::string& sReason)
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GLContext pContext = SDL_GL_CreateContext(pWindow);
    if (!pContext)
    {
        sReason = std::string("no OpenGL 3.3 core context for the window: ") + SDL_GetError();
        return nullptr;
    }
    // SDL_GL_CreateContext made it current: make that known.
    auto pResult = std::make_unique<COrvGLContextSDL>(pWindow, pContext);
    SDL_GL_MakeCurrent(pWindow, nullptr);
    pResult->MakeCurrent();
    return pResult;
}
