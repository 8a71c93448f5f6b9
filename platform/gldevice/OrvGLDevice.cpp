#include "OrvGLDevice.h"

#include "OrvDirect3D9.h"
#include "OrvGLBuffer.h"
#include "OrvGLSwapChain.h"
#include "OrvGLCubeTexture.h"
#include "OrvGLVolumeTexture.h"
#include "OrvGLContext.h"

#include <SDL2/SDL.h>

#include <cstring>

namespace
{
float AsFloat(DWORD dwValue)
{
    float fValue;
    std::memcpy(&fValue, &dwValue, sizeof(fValue));
    return fValue;
}

DWORD FloatBits(float fValue)
{
    DWORD dwValue;
    std::memcpy(&dwValue, &fValue, sizeof(dwValue));
    return dwValue;
}

bool IsBackBufferFormat(D3DFORMAT eFormat)
{
    return eFormat == D3DFMT_X8R8G8B8 || eFormat == D3DFMT_A8R8G8B8 || eFormat == D3DFMT_A8B8G8R8 ||
           eFormat == D3DFMT_X8B8G8R8;
}

bool IsValidSize(UINT uWidth, UINT uHeight)
{
    return uWidth > 0 && uHeight > 0 && uWidth <= ORV_MAX_TEXTURE_SIZE &&
           uHeight <= ORV_MAX_TEXTURE_SIZE;
}

// A format a texture can have, with a pool and usage such a texture can have.
bool IsTextureFormat(const SOrvGLFormat* pFormat, DWORD dwUsage, D3DPOOL ePool)
{
    if (!pFormat || pFormat->m_bDepth || (dwUsage & D3DUSAGE_DEPTHSTENCIL) ||
        ePool > D3DPOOL_SCRATCH)
        return false;
    return !(dwUsage & D3DUSAGE_RENDERTARGET) ||
           (pFormat->m_bRenderable && ePool == D3DPOOL_DEFAULT);
}

// Whether the first level of a texture stays within what one level may take.
bool IsAcceptedLevel(const SOrvGLFormat& rFormat, UINT uWidth, UINT uHeight, UINT uDepth)
{
    return (uint64_t)OrvLevelSize(rFormat, uWidth, uHeight) * uDepth <= ORV_MAX_LEVEL_BYTES;
}

D3DSURFACE_DESC MakeDesc(D3DFORMAT eFormat, DWORD dwUsage, D3DPOOL ePool, UINT uWidth, UINT uHeight)
{
    D3DSURFACE_DESC desc = {};
    desc.Format = eFormat;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = dwUsage;
    desc.Pool = ePool;
    desc.Width = uWidth;
    desc.Height = uHeight;
    return desc;
}

// Releases an object whose GL part could not be made and reports the failure.
template <class T> HRESULT Deliver(T* pObject, bool bValid, T** ppOut)
{
    if (!bValid)
    {
        pObject->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    *ppOut = pObject;
    return D3D_OK;
}
} // namespace

COrvGLDevice* OrvAsGLDevice(IDirect3DDevice9* pDevice)
{
    return dynamic_cast<COrvGLDevice*>(pDevice);
}

COrvGLDevice* COrvGLDevice::Create(IDirect3D9* pD3D, HWND hFocusWindow, DWORD dwBehavior,
                                   const D3DPRESENT_PARAMETERS& rParams, std::string& sReason)
{
    D3DPRESENT_PARAMETERS params = rParams;
    SDL_Window* pWindow =
        static_cast<SDL_Window*>(params.hDeviceWindow ? params.hDeviceWindow : hFocusWindow);
    if (params.BackBufferFormat == D3DFMT_UNKNOWN)
        params.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (pWindow && (params.BackBufferWidth == 0 || params.BackBufferHeight == 0))
    {
        int iWidth = 0, iHeight = 0;
        SDL_GetWindowSize(pWindow, &iWidth, &iHeight);
        params.BackBufferWidth = params.BackBufferWidth ? params.BackBufferWidth : (UINT)iWidth;
        params.BackBufferHeight = params.BackBufferHeight ? params.BackBufferHeight : (UINT)iHeight;
    }
    if (!IsValidSize(params.BackBufferWidth, params.BackBufferHeight))
    {
        sReason = "invalid back buffer size";
        return nullptr;
    }
    if (!IsBackBufferFormat(params.BackBufferFormat))
    {
        sReason = "invalid back buffer format";
        return nullptr;
    }
    if (params.EnableAutoDepthStencil)
    {
        const SOrvGLFormat* pDepth = OrvFindGLFormat(params.AutoDepthStencilFormat);
        if (!pDepth || !pDepth->m_bDepth)
        {
            sReason = "invalid depth-stencil format";
            return nullptr;
        }
    }
    params.BackBufferCount = params.BackBufferCount ? params.BackBufferCount : 1;
    params.hDeviceWindow = pWindow;

    std::unique_ptr<COrvGLContext> pContext =
        pWindow ? OrvCreateWindowGLContext(pWindow, sReason) : OrvCreateHeadlessGLContext(sReason);
    if (!pContext)
        return nullptr;
    if (epoxy_gl_version() < 33)
    {
        sReason = "OpenGL 3.3 is not available (" + pContext->Describe() + ")";
        return nullptr;
    }
    auto pCore = std::make_shared<COrvGLCore>(std::move(pContext));
    COrvGLDevice* pDevice = new COrvGLDevice(pD3D, pCore, pWindow, dwBehavior, params);
    if (!pDevice->Initialise(sReason))
    {
        pDevice->Release();
        return nullptr;
    }
    return pDevice;
}

COrvGLDevice::COrvGLDevice(IDirect3D9* pD3D, OrvGLCorePtr pCore, SDL_Window* pWindow,
                           DWORD dwBehavior, const D3DPRESENT_PARAMETERS& rParams)
    : m_pCore(std::move(pCore)), m_pD3D(pD3D), m_pWindow(pWindow), m_dwBehavior(dwBehavior),
      m_params(rParams), m_afVertexConstants(256 * 4, 0.f), m_afPixelConstants(224 * 4, 0.f)
{
    m_pD3D->AddRef();
    m_pCore->SetDevice(this);
    m_pSwapChain = new COrvGLSwapChain(this);
}

bool COrvGLDevice::Initialise(std::string& sReason)
{
    if (!m_pCore->MakeCurrent())
    {
        sReason = "the GL context cannot be made current";
        return false;
    }
    glGenFramebuffers(1, &m_uFramebuffer);
    glGenFramebuffers(1, &m_uReadFramebuffer);
    glGenVertexArrays(1, &m_uVertexArray);
    glBindVertexArray(m_uVertexArray);
    glGenSamplers(16, m_auSamplers);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glEnable(GL_PROGRAM_POINT_SIZE);
    // Filtering across the edges of cube faces, as Direct3D 9 hardware does.
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    // Rows are stored top first, so the top of a sprite is at GL's lower window coordinate.
    glPointParameteri(GL_POINT_SPRITE_COORD_ORIGIN, GL_LOWER_LEFT);
    if (!CreateSwapSurfaces(sReason))
        return false;
    SetDefaultStates();
    ApplyWindowMode();
    return true;
}

bool COrvGLDevice::CreateSwapSurfaces(std::string& sReason)
{
    const SOrvGLFormat* pFormat = OrvFindGLFormat(m_params.BackBufferFormat);
    m_pBackBuffer = new COrvGLSurface(m_pCore, COrvGLSurface::KIND_COLOR_TARGET,
                                      MakeDesc(m_params.BackBufferFormat, D3DUSAGE_RENDERTARGET,
                                               D3DPOOL_DEFAULT, m_params.BackBufferWidth,
                                               m_params.BackBufferHeight),
                                      *pFormat);
    m_uFrontTexture =
        OrvCreateGLTexture(*pFormat, m_params.BackBufferWidth, m_params.BackBufferHeight, 1);
    if (!m_pBackBuffer->IsValid() || !m_uFrontTexture)
    {
        sReason = "the back buffer cannot be created";
        return false;
    }
    if (m_params.EnableAutoDepthStencil)
    {
        const SOrvGLFormat* pDepth = OrvFindGLFormat(m_params.AutoDepthStencilFormat);
        m_pAutoDepth = new COrvGLSurface(
            m_pCore, COrvGLSurface::KIND_DEPTH,
            MakeDesc(m_params.AutoDepthStencilFormat, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT,
                     m_params.BackBufferWidth, m_params.BackBufferHeight),
            *pDepth);
        if (!m_pAutoDepth->IsValid())
        {
            sReason = "the depth buffer cannot be created";
            return false;
        }
    }
    OrvAssignRef(m_apTargets[0], m_pBackBuffer);
    OrvAssignRef(m_pDepth, m_pAutoDepth);
    ResetViewportTo(m_pBackBuffer);
    // A fresh back buffer and front buffer are black, a fresh depth buffer is far.
    Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
    if (m_pAutoDepth)
        ClearDepthSurface(m_pAutoDepth);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_uFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_uReadFramebuffer);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                           m_uFrontTexture, 0);
    glBlitFramebuffer(0, 0, (GLint)m_params.BackBufferWidth, (GLint)m_params.BackBufferHeight, 0, 0,
                      (GLint)m_params.BackBufferWidth, (GLint)m_params.BackBufferHeight,
                      GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    m_uDirty |= DIRTY_TARGETS;
    return true;
}

void COrvGLDevice::ReleaseSwapSurfaces()
{
    for (COrvGLSurface*& rpTarget : m_apTargets)
        OrvSafeRelease(rpTarget);
    OrvSafeRelease(m_pDepth);
    OrvSafeRelease(m_pBackBuffer);
    OrvSafeRelease(m_pAutoDepth);
    if (m_pCore->MakeCurrent())
    {
        m_frameReader.Release();
        if (m_uFrontTexture)
            glDeleteTextures(1, &m_uFrontTexture);
    }
    m_uFrontTexture = 0;
}

void COrvGLDevice::SetDefaultStates()
{
    DWORD* rs = m_adwRenderState;
    rs[D3DRS_ZENABLE] = m_params.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGCOLOR] = 0;
    rs[D3DRS_FOGEND] = FloatBits(1.f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.f);
    rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_POINTSIZE] = FloatBits(1.f);
    rs[D3DRS_POINTSIZE_MIN] = FloatBits(1.f);
    rs[D3DRS_POINTSIZE_MAX] = FloatBits(256.f);
    rs[D3DRS_POINTSCALE_A] = FloatBits(1.f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
    rs[D3DRS_COLORWRITEENABLE] = rs[D3DRS_COLORWRITEENABLE1] = rs[D3DRS_COLORWRITEENABLE2] =
        rs[D3DRS_COLORWRITEENABLE3] = 0xF;
    rs[D3DRS_BLENDOP] = rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;
    rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
    rs[D3DRS_BLENDFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_CCW_STENCILFAIL] = rs[D3DRS_CCW_STENCILZFAIL] = rs[D3DRS_CCW_STENCILPASS] =
        D3DSTENCILOP_KEEP;
    rs[D3DRS_CCW_STENCILFUNC] = D3DCMP_ALWAYS;
    for (DWORD dwStage = 0; dwStage < 8; ++dwStage)
    {
        DWORD* ts = m_adwStageState[dwStage];
        ts[D3DTSS_COLOROP] = dwStage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ts[D3DTSS_ALPHAOP] = dwStage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ts[D3DTSS_COLORARG1] = ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_COLORARG2] = ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ts[D3DTSS_COLORARG0] = ts[D3DTSS_ALPHAARG0] = ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;
        ts[D3DTSS_TEXCOORDINDEX] = dwStage;
    }
    for (DWORD dwSampler = 0; dwSampler < 16; ++dwSampler)
    {
        DWORD* ss = m_adwSamplerState[dwSampler];
        ss[D3DSAMP_ADDRESSU] = ss[D3DSAMP_ADDRESSV] = ss[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        ss[D3DSAMP_MAGFILTER] = ss[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        ss[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        ss[D3DSAMP_MAXANISOTROPY] = 1;
    }
    for (D3DMATRIX& rMatrix : m_aTransforms)
    {
        std::memset(&rMatrix, 0, sizeof(rMatrix));
        rMatrix._11 = rMatrix._22 = rMatrix._33 = rMatrix._44 = 1.f;
    }
    m_uDirty = DIRTY_ALL;
    ++m_ui64UniformSerial;
    (void)AsFloat;
}

void COrvGLDevice::ApplyWindowMode()
{
    if (!m_pWindow)
        return;
    if (!m_params.Windowed)
    {
        SDL_DisplayMode mode = {};
        mode.w = (int)m_params.BackBufferWidth;
        mode.h = (int)m_params.BackBufferHeight;
        mode.refresh_rate = (int)m_params.FullScreen_RefreshRateInHz;
        SDL_SetWindowDisplayMode(m_pWindow, &mode);
        SDL_SetWindowFullscreen(m_pWindow, SDL_WINDOW_FULLSCREEN);
    }
    const bool bVSync = m_params.PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE;
    m_pCore->GetContext().SetSwapInterval(bVSync ? 1 : 0);
}

COrvGLDevice::~COrvGLDevice()
{
    if (m_pCore->MakeCurrent())
    {
        FlushBatch();
        for (IDirect3DBaseTexture9*& rpTexture : m_apTextures)
            OrvSafeRelease(rpTexture);
        for (SStream& rStream : m_aStreams)
            OrvSafeRelease(rStream.m_pBuffer);
        OrvSafeRelease(m_pIndices);
        OrvSafeRelease(m_pDecl);
        OrvSafeRelease(m_pVertexShader);
        OrvSafeRelease(m_pPixelShader);
        ReleaseSwapSurfaces();
        m_programs.Clear();
        glDeleteFramebuffers(1, &m_uFramebuffer);
        glDeleteFramebuffers(1, &m_uReadFramebuffer);
        glDeleteVertexArrays(1, &m_uVertexArray);
        glDeleteSamplers(16, m_auSamplers);
        if (m_uUserVertices)
            glDeleteBuffers(1, &m_uUserVertices);
        if (m_uUserIndices)
            glDeleteBuffers(1, &m_uUserIndices);
        if (m_uBatchIndexBuffer)
            glDeleteBuffers(1, &m_uBatchIndexBuffer);
    }
    m_pCore->SetDevice(nullptr);
    delete m_pSwapChain;
    m_pD3D->Release();
}

HRESULT COrvGLDevice::GetDirect3D(IDirect3D9** ppD3D9)
{
    if (!ppD3D9)
        return D3DERR_INVALIDCALL;
    m_pD3D->AddRef();
    *ppD3D9 = m_pD3D;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetDeviceCaps(D3DCAPS9* pCaps)
{
    if (!pCaps)
        return D3DERR_INVALIDCALL;
    OrvFillCaps(*pCaps);
    return D3D_OK;
}

HRESULT COrvGLDevice::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode)
{
    if (iSwapChain != 0 || !pMode)
        return D3DERR_INVALIDCALL;
    *pMode = {m_params.BackBufferWidth, m_params.BackBufferHeight,
              m_params.FullScreen_RefreshRateInHz ? m_params.FullScreen_RefreshRateInHz : 60,
              D3DFMT_X8R8G8B8};
    return D3D_OK;
}

HRESULT COrvGLDevice::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters)
{
    if (!pParameters)
        return D3DERR_INVALIDCALL;
    *pParameters = {0, D3DDEVTYPE_HAL, m_pWindow, m_dwBehavior};
    return D3D_OK;
}

HRESULT COrvGLDevice::GetSwapChain(UINT iSwapChain, IDirect3DSwapChain9** ppSwapChain)
{
    if (iSwapChain != 0 || !ppSwapChain)
        return D3DERR_INVALIDCALL;
    m_pSwapChain->AddRef();
    *ppSwapChain = m_pSwapChain;
    return D3D_OK;
}

HRESULT COrvGLDevice::Reset(D3DPRESENT_PARAMETERS* pPresentationParameters)
{
    if (!pPresentationParameters || !m_pCore->Prepare())
        return D3DERR_INVALIDCALL;
    D3DPRESENT_PARAMETERS params = *pPresentationParameters;
    if (params.BackBufferFormat == D3DFMT_UNKNOWN)
        params.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (!IsValidSize(params.BackBufferWidth, params.BackBufferHeight) ||
        !IsBackBufferFormat(params.BackBufferFormat))
        return D3DERR_INVALIDCALL;
    params.hDeviceWindow = m_pWindow;
    ReleaseSwapSurfaces();
    m_params = params;
    std::string sReason;
    if (!CreateSwapSurfaces(sReason))
        return D3DERR_DEVICELOST;
    SetDefaultStates();
    ApplyWindowMode();
    return D3D_OK;
}

HRESULT COrvGLDevice::Present(const RECT*, const RECT*, HWND, const RGNDATA*)
{
    if (!m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    const GLint iWidth = (GLint)m_params.BackBufferWidth;
    const GLint iHeight = (GLint)m_params.BackBufferHeight;
    // Keep the presented image as the front buffer (the back buffer keeps its contents).
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_uReadFramebuffer);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                           m_pBackBuffer->GetTextureName(), 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_uFramebuffer);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                           m_uFrontTexture, 0);
    for (GLenum eAttachment = GL_COLOR_ATTACHMENT1; eAttachment <= GL_COLOR_ATTACHMENT3;
         ++eAttachment)
        glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, eAttachment, GL_TEXTURE_2D, 0, 0);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    const GLenum eBuffer = GL_COLOR_ATTACHMENT0;
    glDrawBuffers(1, &eBuffer);
    glDisable(GL_SCISSOR_TEST);
    glBlitFramebuffer(0, 0, iWidth, iHeight, 0, 0, iWidth, iHeight, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    if (m_pWindow)
    {
        int iDrawWidth = 0, iDrawHeight = 0;
        m_pCore->GetContext().GetDrawableSize(iDrawWidth, iDrawHeight);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glDrawBuffer(GL_BACK);
        // Flip: GL's window origin is at the bottom.
        glBlitFramebuffer(0, 0, iWidth, iHeight, 0, iDrawHeight, iDrawWidth, 0, GL_COLOR_BUFFER_BIT,
                          GL_LINEAR);
        m_pCore->GetContext().SwapBuffers();
    }
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, m_uFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    m_uDirty |= DIRTY_TARGETS | DIRTY_VIEWPORT | DIRTY_RASTER;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE,
                                    IDirect3DSurface9** ppBackBuffer)
{
    if (!ppBackBuffer)
        return D3DERR_INVALIDCALL;
    *ppBackBuffer = nullptr;
    if (iSwapChain != 0 || iBackBuffer != 0)
        return D3DERR_INVALIDCALL;
    m_pBackBuffer->AddRef();
    *ppBackBuffer = m_pBackBuffer;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* pRasterStatus)
{
    if (iSwapChain != 0 || !pRasterStatus)
        return D3DERR_INVALIDCALL;
    *pRasterStatus = {FALSE, 0};
    return D3D_OK;
}

HRESULT COrvGLDevice::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                    D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture,
                                    HANDLE*)
{
    if (!ppTexture)
        return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    const SOrvGLFormat* pFormat = OrvFindGLFormat(Format);
    if (!IsTextureFormat(pFormat, Usage, Pool) || !IsValidSize(Width, Height))
        return D3DERR_INVALIDCALL;
    if (!m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    auto* pTexture = new COrvGLTexture(m_pCore, Width, Height, Levels, Usage, *pFormat, Pool);
    return Deliver<IDirect3DTexture9>(pTexture, pTexture->IsValid(), ppTexture);
}

HRESULT COrvGLDevice::CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                        D3DPOOL Pool, IDirect3DCubeTexture9** ppCubeTexture,
                                        HANDLE*)
{
    if (!ppCubeTexture)
        return D3DERR_INVALIDCALL;
    *ppCubeTexture = nullptr;
    const SOrvGLFormat* pFormat = OrvFindGLFormat(Format);
    if (!IsTextureFormat(pFormat, Usage, Pool) || !IsValidSize(EdgeLength, EdgeLength) ||
        !IsAcceptedLevel(*pFormat, EdgeLength, EdgeLength, 6))
        return D3DERR_INVALIDCALL;
    if (!m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    auto* pTexture = new COrvGLCubeTexture(m_pCore, EdgeLength, Levels, Usage, *pFormat, Pool);
    return Deliver<IDirect3DCubeTexture9>(pTexture, pTexture->IsValid(), ppCubeTexture);
}

HRESULT COrvGLDevice::CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels,
                                          DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                          IDirect3DVolumeTexture9** ppVolumeTexture, HANDLE*)
{
    if (!ppVolumeTexture)
        return D3DERR_INVALIDCALL;
    *ppVolumeTexture = nullptr;
    const SOrvGLFormat* pFormat = OrvFindGLFormat(Format);
    // Volumes are never render targets in Direct3D 9.
    if (!IsTextureFormat(pFormat, Usage, Pool) || (Usage & D3DUSAGE_RENDERTARGET) || Width == 0 ||
        Height == 0 || Depth == 0 || Width > ORV_MAX_VOLUME_EXTENT ||
        Height > ORV_MAX_VOLUME_EXTENT || Depth > ORV_MAX_VOLUME_EXTENT ||
        !IsAcceptedLevel(*pFormat, Width, Height, Depth))
        return D3DERR_INVALIDCALL;
    if (!m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    COrvGLVolumeTexture* pTexture = nullptr;
    try
    {
        pTexture =
            new COrvGLVolumeTexture(m_pCore, Width, Height, Depth, Levels, Usage, *pFormat, Pool);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    return Deliver<IDirect3DVolumeTexture9>(pTexture, pTexture->IsValid(), ppVolumeTexture);
}

HRESULT COrvGLDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                         IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE*)
{
    if (!ppVertexBuffer)
        return D3DERR_INVALIDCALL;
    *ppVertexBuffer = nullptr;
    if (Length == 0 || Length > (1u << 30) || Pool > D3DPOOL_SCRATCH)
        return D3DERR_INVALIDCALL;
    if (!m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    auto* pBuffer = new COrvGLVertexBuffer(m_pCore, Length, Usage, FVF, Pool);
    return Deliver<IDirect3DVertexBuffer9>(pBuffer, pBuffer->IsValid(), ppVertexBuffer);
}

HRESULT COrvGLDevice::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                        IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE*)
{
    if (!ppIndexBuffer)
        return D3DERR_INVALIDCALL;
    *ppIndexBuffer = nullptr;
    if (Length == 0 || Length > (1u << 30) || Pool > D3DPOOL_SCRATCH ||
        (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    if (!m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    auto* pBuffer = new COrvGLIndexBuffer(m_pCore, Length, Usage, Format, Pool);
    return Deliver<IDirect3DIndexBuffer9>(pBuffer, pBuffer->IsValid(), ppIndexBuffer);
}

HRESULT COrvGLDevice::CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                                         D3DMULTISAMPLE_TYPE, DWORD, BOOL,
                                         IDirect3DSurface9** ppSurface, HANDLE*)
{
    if (!ppSurface)
        return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    const SOrvGLFormat* pFormat = OrvFindGLFormat(Format);
    if (!pFormat || !pFormat->m_bRenderable || !IsValidSize(Width, Height))
        return D3DERR_INVALIDCALL;
    if (!m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    auto* pSurface = new COrvGLSurface(
        m_pCore, COrvGLSurface::KIND_COLOR_TARGET,
        MakeDesc(Format, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, Width, Height), *pFormat);
    return Deliver<IDirect3DSurface9>(pSurface, pSurface->IsValid(), ppSurface);
}

HRESULT COrvGLDevice::CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                D3DMULTISAMPLE_TYPE, DWORD, BOOL,
                                                IDirect3DSurface9** ppSurface, HANDLE*)
{
    if (!ppSurface)
        return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    const SOrvGLFormat* pFormat = OrvFindGLFormat(Format);
    if (!pFormat || !pFormat->m_bDepth || !IsValidSize(Width, Height))
        return D3DERR_INVALIDCALL;
    if (!m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    auto* pSurface = new COrvGLSurface(
        m_pCore, COrvGLSurface::KIND_DEPTH,
        MakeDesc(Format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, Width, Height), *pFormat);
    if (pSurface->IsValid())
        ClearDepthSurface(pSurface);
    return Deliver<IDirect3DSurface9>(pSurface, pSurface->IsValid(), ppSurface);
}

HRESULT COrvGLDevice::CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                  D3DPOOL Pool, IDirect3DSurface9** ppSurface,
                                                  HANDLE*)
{
    if (!ppSurface)
        return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    const SOrvGLFormat* pFormat = OrvFindGLFormat(Format);
    if (!pFormat || pFormat->m_bDepth || !IsValidSize(Width, Height) || Pool == D3DPOOL_MANAGED ||
        Pool > D3DPOOL_SCRATCH)
        return D3DERR_INVALIDCALL;
    const bool bSystem = Pool == D3DPOOL_SYSTEMMEM || Pool == D3DPOOL_SCRATCH;
    if (!bSystem && !m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    COrvGLSurface* pSurface = nullptr;
    try
    {
        pSurface = new COrvGLSurface(
            m_pCore, bSystem ? COrvGLSurface::KIND_SYSTEM_MEMORY : COrvGLSurface::KIND_COLOR_TARGET,
            MakeDesc(Format, 0, Pool, Width, Height), *pFormat);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    return Deliver<IDirect3DSurface9>(pSurface, pSurface->IsValid(), ppSurface);
}

HRESULT COrvGLDevice::CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                              IDirect3DVertexDeclaration9** ppDecl)
{
    if (!ppDecl)
        return D3DERR_INVALIDCALL;
    *ppDecl = nullptr;
    if (!pVertexElements)
        return D3DERR_INVALIDCALL;
    UINT uCount = 0;
    while (uCount < MAXD3DDECLLENGTH && pVertexElements[uCount].Stream != 0xFF)
        ++uCount;
    if (uCount == MAXD3DDECLLENGTH)
        return D3DERR_INVALIDCALL;
    SOrvVertexLayout layout;
    if (!OrvLayoutFromElements(pVertexElements, uCount, layout))
        return D3DERR_INVALIDCALL;
    std::vector<D3DVERTEXELEMENT9> aElements(pVertexElements, pVertexElements + uCount + 1);
    *ppDecl = new COrvGLVertexDeclaration(m_pCore, std::move(aElements), std::move(layout));
    return D3D_OK;
}

HRESULT COrvGLDevice::CreateVertexShader(const DWORD*, IDirect3DVertexShader9** ppShader)
{
    // Shader bytecode is not run; effects compile their HLSL to GLSL instead.
    if (ppShader)
        *ppShader = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT COrvGLDevice::CreatePixelShader(const DWORD*, IDirect3DPixelShader9** ppShader)
{
    if (ppShader)
        *ppShader = nullptr;
    return D3DERR_NOTAVAILABLE;
}
