#pragma once

// An OpenGL 3.3 core context that the Direct3D 9 device draws with: either headless (EGL,
// no display needed; the device renders into off-screen targets) or bound to an SDL2
// window (OpenGL flag set at window creation) that Present copies the back buffer into.
#include <memory>
#include <string>

struct SDL_Window;

class COrvGLContext
{
public:
    virtual ~COrvGLContext() = default;

    // Makes the context current on the calling thread (cheap when it already is).
    bool MakeCurrent()
    {
        if (s_pCurrent == this)
            return true;
        if (!DoMakeCurrent())
            return false;
        s_pCurrent = this;
        return true;
    }
    // Shows the default framebuffer (windowed); nothing for a headless context.
    virtual void SwapBuffers() = 0;
    // 1: wait for the vertical blank, 0: immediate.
    virtual void SetSwapInterval(int iInterval) = 0;
    // Size of the default framebuffer in pixels (0 x 0 when headless).
    virtual void GetDrawableSize(int& riWidth, int& riHeight) = 0;
    virtual bool IsHeadless() const = 0;
    // A line telling what renders ("EGL surfaceless: llvmpipe ...").
    virtual std::string Describe() const = 0;

protected:
    virtual bool DoMakeCurrent() = 0;
    // For destructors: the context is going away; forget it if it was current.
    bool WasCurrent()
    {
        if (s_pCurrent != this)
            return false;
        s_pCurrent = nullptr;
        return true;
    }
    void SetCurrent() { s_pCurrent = this; }

private:
    static inline thread_local COrvGLContext* s_pCurrent = nullptr;
};

// Headless context through EGL: the Mesa surfaceless platform, else an EGL device, else
// the default display with a 1 x 1 pbuffer. Null with the reason when no GL can be had.
std::unique_ptr<COrvGLContext> OrvCreateHeadlessGLContext(std::string& sReason);

// Context for an SDL2 window created with SDL_WINDOW_OPENGL.
std::unique_ptr<COrvGLContext> OrvCreateWindowGLContext(SDL_Window* pWindow, std::string& sReason);
