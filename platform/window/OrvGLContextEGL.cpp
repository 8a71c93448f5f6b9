#include "OrvGLContext.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <dlfcn.h>

#include <vector>

namespace
{
class COrvGLContextEGL : public COrvGLContext
{
public:
    COrvGLContextEGL(EGLDisplay pDisplay, EGLContext pContext, EGLSurface pSurface,
                     std::string sKind)
        : m_pDisplay(pDisplay), m_pContext(pContext), m_pSurface(pSurface),
          m_sKind(std::move(sKind))
    {
    }

    ~COrvGLContextEGL() override
    {
        if (WasCurrent())
            eglMakeCurrent(m_pDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (m_pSurface != EGL_NO_SURFACE)
            eglDestroySurface(m_pDisplay, m_pSurface);
        eglDestroyContext(m_pDisplay, m_pContext);
        // The display stays initialised: other contexts of the process may share it, and
        // Mesa keeps one display object per platform anyway.
    }

    bool DoMakeCurrent() override
    {
        return eglMakeCurrent(m_pDisplay, m_pSurface, m_pSurface, m_pContext) == EGL_TRUE;
    }

    void SwapBuffers() override {}
    void SetSwapInterval(int) override {}
    void GetDrawableSize(int& riWidth, int& riHeight) override { riWidth = riHeight = 0; }
    bool IsHeadless() const override { return true; }

    std::string Describe() const override
    {
        const char* szRenderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        return "EGL " + m_sKind + ": " + (szRenderer ? szRenderer : "?");
    }

private:
    EGLDisplay m_pDisplay;
    EGLContext m_pContext;
    EGLSurface m_pSurface;
    std::string m_sKind;
};

bool HasExtension(const char* szList, const char* szName)
{
    if (!szList)
        return false;
    std::string sList = std::string(" ") + szList + " ";
    return sList.find(std::string(" ") + szName + " ") != std::string::npos;
}

EGLDisplay SurfacelessDisplay()
{
    const char* szClient = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!HasExtension(szClient, "EGL_MESA_platform_surfaceless"))
        return EGL_NO_DISPLAY;
    return eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

EGLDisplay DeviceDisplay()
{
    const char* szClient = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!HasExtension(szClient, "EGL_EXT_platform_device"))
        return EGL_NO_DISPLAY;
    EGLDeviceEXT apDevices[8];
    EGLint iCount = 0;
    if (!eglQueryDevicesEXT(8, apDevices, &iCount) || iCount < 1)
        return EGL_NO_DISPLAY;
    return eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, apDevices[0], nullptr);
}

EGLContext CreateCoreContext(EGLDisplay pDisplay, EGLConfig pConfig)
{
    const EGLint aiAttribs[] = {EGL_CONTEXT_MAJOR_VERSION,
                                3,
                                EGL_CONTEXT_MINOR_VERSION,
                                3,
                                EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                EGL_NONE};
    if (!eglBindAPI(EGL_OPENGL_API))
        return EGL_NO_CONTEXT;
    return eglCreateContext(pDisplay, pConfig, EGL_NO_CONTEXT, aiAttribs);
}

// A context with no surface at all (EGL_KHR_surfaceless_context + no-config).
std::unique_ptr<COrvGLContext> TrySurfaceless(EGLDisplay pDisplay, const char* szKind)
{
    EGLint iMajor = 0, iMinor = 0;
    if (pDisplay == EGL_NO_DISPLAY || !eglInitialize(pDisplay, &iMajor, &iMinor))
        return nullptr;
    const char* szExt = eglQueryString(pDisplay, EGL_EXTENSIONS);
    if (!HasExtension(szExt, "EGL_KHR_surfaceless_context"))
        return nullptr;
    EGLConfig pConfig = EGL_NO_CONFIG_KHR;
    if (!HasExtension(szExt, "EGL_KHR_no_config_context"))
    {
        const EGLint aiConfig[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        EGLint iCount = 0;
        if (!eglChooseConfig(pDisplay, aiConfig, &pConfig, 1, &iCount) || iCount < 1)
            return nullptr;
    }
    EGLContext pContext = CreateCoreContext(pDisplay, pConfig);
    if (pContext == EGL_NO_CONTEXT)
        return nullptr;
    return std::make_unique<COrvGLContextEGL>(pDisplay, pContext, EGL_NO_SURFACE, szKind);
}

std::unique_ptr<COrvGLContext> TryPbuffer(EGLDisplay pDisplay)
{
    EGLint iMajor = 0, iMinor = 0;
    if (pDisplay == EGL_NO_DISPLAY || !eglInitialize(pDisplay, &iMajor, &iMinor))
        return nullptr;
    const EGLint aiConfig[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                               EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig pConfig = nullptr;
    EGLint iCount = 0;
    if (!eglChooseConfig(pDisplay, aiConfig, &pConfig, 1, &iCount) || iCount < 1)
        return nullptr;
    const EGLint aiSurface[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
    EGLSurface pSurface = eglCreatePbufferSurface(pDisplay, pConfig, aiSurface);
    if (pSurface == EGL_NO_SURFACE)
        return nullptr;
    EGLContext pContext = CreateCoreContext(pDisplay, pConfig);
    if (pContext == EGL_NO_CONTEXT)
    {
        eglDestroySurface(pDisplay, pSurface);
        return nullptr;
    }
    return std::make_unique<COrvGLContextEGL>(pDisplay, pContext, pSurface, "pbuffer");
}
} // namespace

namespace
{
// libepoxy loads EGL and GL on first use and aborts when they are missing: look first.
bool CanLoad(const char* const* pszNames, std::string& sReason)
{
    for (const char* const* p = pszNames; *p; ++p)
        if (void* pHandle = dlopen(*p, RTLD_LAZY | RTLD_LOCAL))
        {
            dlclose(pHandle);
            return true;
        }
    sReason = std::string("no ") + pszNames[0] + " on this system";
    return false;
}
} // namespace

std::unique_ptr<COrvGLContext> OrvCreateHeadlessGLContext(std::string& sReason)
{
    static const char* const s_aszEGL[] = {"libEGL.so.1", "libEGL.so", nullptr};
    static const char* const s_aszGL[] = {"libOpenGL.so.0", "libGL.so.1", "libOpenGL.so", nullptr};
    if (!CanLoad(s_aszEGL, sReason) || !CanLoad(s_aszGL, sReason))
        return nullptr;
    std::unique_ptr<COrvGLContext> pContext = TrySurfaceless(SurfacelessDisplay(), "surfaceless");
    if (!pContext)
        pContext = TrySurfaceless(DeviceDisplay(), "device");
    if (!pContext && getenv("DISPLAY"))
        pContext = TryPbuffer(eglGetDisplay(EGL_DEFAULT_DISPLAY));
    if (!pContext)
    {
        sReason = "no headless OpenGL 3.3 core context through EGL (surfaceless, device or "
                  "pbuffer); EGL error 0x" +
                  std::to_string(eglGetError());
        return nullptr;
    }
    if (!pContext->MakeCurrent())
    {
        sReason = "the EGL context could not be made current";
        return nullptr;
    }
    return pContext;
}
