// Render targets, viewport, clears and the copies between surfaces.
#include "OrvGLDevice.h"
#include "OrvGLTexture.h"
#include "OrvGLVolumeTexture.h"

#include <algorithm>
#include <cstring>

namespace
{
bool HasStencil(const SOrvGLFormat& rFormat)
{
    return rFormat.m_eFormatGL == GL_DEPTH_STENCIL;
}

bool IsRGBA8Family(D3DFORMAT eFormat)
{
    return eFormat == D3DFMT_A8R8G8B8 || eFormat == D3DFMT_X8R8G8B8 || eFormat == D3DFMT_A8B8G8R8 ||
           eFormat == D3DFMT_X8B8G8R8;
}

bool IsColorSurface(COrvGLSurface* pSurface)
{
    return pSurface && (pSurface->GetKind() == COrvGLSurface::KIND_COLOR_TARGET ||
                        pSurface->GetKind() == COrvGLSurface::KIND_TEXTURE_LEVEL);
}

// A colour surface that can be attached to a framebuffer: not a compressed one.
bool IsDrawableSurface(COrvGLSurface* pSurface)
{
    return IsColorSurface(pSurface) && !pSurface->GetFormat().m_uBlockBytes;
}

// Uploads a block-aligned rectangle of a compressed system-memory image into a level.
void UploadBlocks(COrvGLSurface* pSource, const RECT& src, COrvGLSurface* pDest, POINT at)
{
    const SOrvGLFormat& rFormat = pDest->GetFormat();
    const UINT uWidth = (UINT)(src.right - src.left), uHeight = (UINT)(src.bottom - src.top);
    const size_t uRowBytes = OrvRowPitch(rFormat, uWidth);
    const UINT uRows = OrvRowCount(rFormat, uHeight);
    std::vector<BYTE> aBlocks(uRowBytes * uRows);
    for (UINT uRow = 0; uRow < uRows; ++uRow)
        std::memcpy(aBlocks.data() + uRow * uRowBytes,
                    pSource->GetMemory().data() +
                        (size_t)(src.top / 4 + uRow) * pSource->GetPitch() +
                        (size_t)src.left / 4 * rFormat.m_uBlockBytes,
                    uRowBytes);
    glCompressedTexSubImage2D(pDest->GetImageTarget(), (GLint)pDest->GetLevel(), at.x, at.y,
                              (GLsizei)uWidth, (GLsizei)uHeight, rFormat.m_eInternal,
                              (GLsizei)aBlocks.size(), aBlocks.data());
}

// Reads the colour image attached to the read framebuffer in the layout of a destination
// format (any of the 8-bit RGBA family from one another, else the same format).
bool ReadAttached(D3DFORMAT eSourceFormat, D3DFORMAT eDestFormat, UINT uWidth, UINT uHeight,
                  std::vector<BYTE>& raPixels)
{
    const SOrvGLFormat* pDestFormat = OrvFindGLFormat(eDestFormat);
    if (!pDestFormat)
        return false;
    raPixels.resize((size_t)OrvRowPitch(*pDestFormat, uWidth) * uHeight);
    if (IsRGBA8Family(eSourceFormat) && IsRGBA8Family(eDestFormat))
    {
        glReadPixels(0, 0, (GLsizei)uWidth, (GLsizei)uHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                     raPixels.data());
        OrvConvertRGBA8ToFormat(raPixels.data(), uWidth * uHeight, eDestFormat);
        if (eSourceFormat == D3DFMT_X8R8G8B8 || eSourceFormat == D3DFMT_X8B8G8R8)
            for (size_t i = 3; i < raPixels.size(); i += 4)
                raPixels[i] = 0xFF;
        return true;
    }
    if (eSourceFormat != eDestFormat)
        return false;
    glReadPixels(0, 0, (GLsizei)uWidth, (GLsizei)uHeight, pDestFormat->m_eFormatGL,
                 pDestFormat->m_eType, raPixels.data());
    return true;
}

// Reads into a system-memory surface directly, or into any other colour surface through
// its pixel upload.
HRESULT ReadInto(D3DFORMAT eSourceFormat, COrvGLSurface* pDest)
{
    const D3DSURFACE_DESC& rDesc = pDest->GetDescRef();
    if (pDest->GetKind() == COrvGLSurface::KIND_SYSTEM_MEMORY)
        return ReadAttached(eSourceFormat, rDesc.Format, rDesc.Width, rDesc.Height,
                            pDest->GetMemory())
                   ? D3D_OK
                   : D3DERR_INVALIDCALL;
    std::vector<BYTE> aPixels;
    if (!ReadAttached(eSourceFormat, rDesc.Format, rDesc.Width, rDesc.Height, aPixels))
        return D3DERR_INVALIDCALL;
    return pDest->WritePixels(aPixels.data()) ? D3D_OK : D3DERR_INVALIDCALL;
}

RECT Intersect(const RECT& a, const RECT& b)
{
    RECT r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
    return r;
}
} // namespace

void COrvGLDevice::ApplyTargets()
{
    glBindFramebuffer(GL_FRAMEBUFFER, m_uFramebuffer);
    GLenum aeBuffers[4];
    for (GLenum i = 0; i < 4; ++i)
    {
        COrvGLSurface* pTarget = m_apTargets[i];
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i,
                               pTarget ? pTarget->GetImageTarget() : GL_TEXTURE_2D,
                               pTarget ? pTarget->GetTextureName() : 0,
                               pTarget ? (GLint)pTarget->GetLevel() : 0);
        aeBuffers[i] = pTarget ? GL_COLOR_ATTACHMENT0 + i : GL_NONE;
    }
    glDrawBuffers(4, aeBuffers);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    // A depth buffer smaller than render target 0 is left out rather than cropping the picture.
    COrvGLSurface* pDepth = m_pDepth;
    if (pDepth && m_apTargets[0] &&
        (pDepth->GetDescRef().Width < m_apTargets[0]->GetDescRef().Width ||
         pDepth->GetDescRef().Height < m_apTargets[0]->GetDescRef().Height))
        pDepth = nullptr;
    const bool bStencil = pDepth && HasStencil(pDepth->GetFormat());
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    if (pDepth)
        glFramebufferRenderbuffer(GL_FRAMEBUFFER,
                                  bStencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, pDepth->GetRenderbuffer());
    m_uDirty &= ~DIRTY_TARGETS;
}

void COrvGLDevice::ApplyViewport()
{
    glViewport((GLint)m_viewport.X, (GLint)m_viewport.Y, (GLsizei)m_viewport.Width,
               (GLsizei)m_viewport.Height);
    glDepthRange(m_viewport.MinZ, m_viewport.MaxZ);
    if (m_adwRenderState[D3DRS_SCISSORTESTENABLE])
    {
        glEnable(GL_SCISSOR_TEST);
        glScissor(m_scissor.left, m_scissor.top,
                  std::max(0, (int)(m_scissor.right - m_scissor.left)),
                  std::max(0, (int)(m_scissor.bottom - m_scissor.top)));
    }
    else
        glDisable(GL_SCISSOR_TEST);
    m_uDirty &= ~DIRTY_VIEWPORT;
}

void COrvGLDevice::ResetViewportTo(COrvGLSurface* pSurface)
{
    const D3DSURFACE_DESC& rDesc = pSurface->GetDescRef();
    m_viewport = {0, 0, rDesc.Width, rDesc.Height, 0.f, 1.f};
    m_scissor = {0, 0, (LONG)rDesc.Width, (LONG)rDesc.Height};
    Changed(DIRTY_VIEWPORT | DIRTY_UNIFORMS);
}

bool COrvGLDevice::AttachForRead(COrvGLSurface* pSurface)
{
    if (!IsDrawableSurface(pSurface) || !pSurface->GetTextureName())
        return false;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_uReadFramebuffer);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, pSurface->GetImageTarget(),
                           pSurface->GetTextureName(), (GLint)pSurface->GetLevel());
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    return true;
}

HRESULT COrvGLDevice::SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget)
{
    if (RenderTargetIndex >= 4)
        return D3DERR_INVALIDCALL;
    COrvGLSurface* pSurface = pRenderTarget ? OrvAsGLSurface(pRenderTarget) : nullptr;
    if (pRenderTarget &&
        (!IsColorSurface(pSurface) || !(pSurface->GetDescRef().Usage & D3DUSAGE_RENDERTARGET)))
        return D3DERR_INVALIDCALL;
    if (RenderTargetIndex == 0 && !pSurface)
        return D3DERR_INVALIDCALL;
    Changed(DIRTY_TARGETS);
    OrvAssignRef(m_apTargets[RenderTargetIndex], pSurface);
    if (RenderTargetIndex == 0)
        ResetViewportTo(pSurface);
    return D3D_OK;
}

HRESULT COrvGLDevice::GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget)
{
    if (!ppRenderTarget || RenderTargetIndex >= 4)
        return D3DERR_INVALIDCALL;
    *ppRenderTarget = m_apTargets[RenderTargetIndex];
    if (!*ppRenderTarget)
        return D3DERR_NOTFOUND;
    (*ppRenderTarget)->AddRef();
    return D3D_OK;
}

HRESULT COrvGLDevice::SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil)
{
    COrvGLSurface* pSurface = pNewZStencil ? OrvAsGLSurface(pNewZStencil) : nullptr;
    if (pNewZStencil && (!pSurface || pSurface->GetKind() != COrvGLSurface::KIND_DEPTH))
        return D3DERR_INVALIDCALL;
    Changed(DIRTY_TARGETS | DIRTY_RASTER);
    OrvAssignRef(m_pDepth, pSurface);
    return D3D_OK;
}

HRESULT COrvGLDevice::GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface)
{
    if (!ppZStencilSurface)
        return D3DERR_INVALIDCALL;
    *ppZStencilSurface = m_pDepth;
    if (!m_pDepth)
        return D3DERR_NOTFOUND;
    m_pDepth->AddRef();
    return D3D_OK;
}

HRESULT COrvGLDevice::BeginScene()
{
    if (m_bInScene)
        return D3DERR_INVALIDCALL;
    m_bInScene = true;
    return D3D_OK;
}

HRESULT COrvGLDevice::EndScene()
{
    if (!m_bInScene)
        return D3DERR_INVALIDCALL;
    m_bInScene = false;
    if (m_pCore->Prepare())
        glFlush();
    return D3D_OK;
}

HRESULT COrvGLDevice::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color,
                            float Z, DWORD Stencil)
{
    if (Flags & ~(DWORD)(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL))
        return D3DERR_INVALIDCALL;
    if ((Flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !m_pDepth)
        return D3DERR_INVALIDCALL;
    if ((Flags & D3DCLEAR_STENCIL) && !HasStencil(m_pDepth->GetFormat()))
        return D3DERR_INVALIDCALL;
    if (!m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    ApplyTargets();
    RECT area = {(LONG)m_viewport.X, (LONG)m_viewport.Y, (LONG)(m_viewport.X + m_viewport.Width),
                 (LONG)(m_viewport.Y + m_viewport.Height)};
    if (m_adwRenderState[D3DRS_SCISSORTESTENABLE])
        area = Intersect(area, m_scissor);
    std::vector<RECT> aRects;
    if (Count == 0 || !pRects)
        aRects.push_back(area);
    else
        for (DWORD i = 0; i < Count; ++i)
            aRects.push_back(
                Intersect(area, {pRects[i].x1, pRects[i].y1, pRects[i].x2, pRects[i].y2}));

    const float afColor[4] = {((Color >> 16) & 0xFF) / 255.f, ((Color >> 8) & 0xFF) / 255.f,
                              (Color & 0xFF) / 255.f, ((Color >> 24) & 0xFF) / 255.f};
    const float afOpaque[4] = {afColor[0], afColor[1], afColor[2], 1.f};
    glEnable(GL_SCISSOR_TEST);
    for (GLuint i = 0; i < 4; ++i)
        glColorMaski(i, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFF);
    for (const RECT& rRect : aRects)
    {
        if (rRect.right <= rRect.left || rRect.bottom <= rRect.top)
            continue;
        glScissor(rRect.left, rRect.top, rRect.right - rRect.left, rRect.bottom - rRect.top);
        if (Flags & D3DCLEAR_TARGET)
            for (GLint i = 0; i < 4; ++i)
                if (m_apTargets[i])
                    glClearBufferfv(GL_COLOR, i,
                                    m_apTargets[i]->GetFormat().m_bNoAlpha ? afOpaque : afColor);
        if ((Flags & D3DCLEAR_ZBUFFER) && (Flags & D3DCLEAR_STENCIL))
            glClearBufferfi(GL_DEPTH_STENCIL, 0, std::clamp(Z, 0.f, 1.f), (GLint)(Stencil & 0xFF));
        else if (Flags & D3DCLEAR_ZBUFFER)
        {
            const float fDepth = std::clamp(Z, 0.f, 1.f);
            glClearBufferfv(GL_DEPTH, 0, &fDepth);
        }
        else if (Flags & D3DCLEAR_STENCIL)
        {
            const GLint iStencil = (GLint)(Stencil & 0xFF);
            glClearBufferiv(GL_STENCIL, 0, &iStencil);
        }
    }
    m_uDirty |= DIRTY_VIEWPORT | DIRTY_RASTER;
    return D3D_OK;
}

void COrvGLDevice::ClearDepthSurface(COrvGLSurface* pSurface)
{
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_uReadFramebuffer);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    const bool bStencil = HasStencil(pSurface->GetFormat());
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER,
                              bStencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                              GL_RENDERBUFFER, pSurface->GetRenderbuffer());
    glDisable(GL_SCISSOR_TEST);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFF);
    if (bStencil)
        glClearBufferfi(GL_DEPTH_STENCIL, 0, 1.f, 0);
    else
    {
        const float fFar = 1.f;
        glClearBufferfv(GL_DEPTH, 0, &fFar);
    }
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, m_uFramebuffer);
    m_uDirty |= DIRTY_TARGETS | DIRTY_VIEWPORT | DIRTY_RASTER;
}

HRESULT COrvGLDevice::SetViewport(const D3DVIEWPORT9* pViewport)
{
    if (!pViewport || !m_apTargets[0])
        return D3DERR_INVALIDCALL;
    const D3DSURFACE_DESC& rDesc = m_apTargets[0]->GetDescRef();
    const D3DVIEWPORT9& v = *pViewport;
    if (v.Width == 0 || v.Height == 0 || v.X >= rDesc.Width || v.Y >= rDesc.Height ||
        v.Width > rDesc.Width - v.X || v.Height > rDesc.Height - v.Y || !(v.MinZ >= 0.f) ||
        !(v.MaxZ <= 1.f) || v.MinZ > v.MaxZ)
        return D3DERR_INVALIDCALL;
    Changed(DIRTY_VIEWPORT | DIRTY_UNIFORMS);
    m_viewport = v;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetViewport(D3DVIEWPORT9* pViewport)
{
    if (!pViewport)
        return D3DERR_INVALIDCALL;
    *pViewport = m_viewport;
    return D3D_OK;
}

HRESULT COrvGLDevice::SetScissorRect(const RECT* pRect)
{
    if (!pRect || pRect->right < pRect->left || pRect->bottom < pRect->top)
        return D3DERR_INVALIDCALL;
    Changed(DIRTY_VIEWPORT);
    m_scissor = *pRect;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetScissorRect(RECT* pRect)
{
    if (!pRect)
        return D3DERR_INVALIDCALL;
    *pRect = m_scissor;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetRenderTargetData(IDirect3DSurface9* pRenderTarget,
                                          IDirect3DSurface9* pDestSurface)
{
    COrvGLSurface* pSource = pRenderTarget ? OrvAsGLSurface(pRenderTarget) : nullptr;
    COrvGLSurface* pDest = pDestSurface ? OrvAsGLSurface(pDestSurface) : nullptr;
    if (!IsColorSurface(pSource) || !pDest || pDest == pSource ||
        pDest->GetKind() == COrvGLSurface::KIND_DEPTH ||
        pDest->GetDescRef().Width != pSource->GetDescRef().Width ||
        pDest->GetDescRef().Height != pSource->GetDescRef().Height)
        return D3DERR_INVALIDCALL;
    if (!m_pCore->Prepare() || !AttachForRead(pSource))
        return D3DERR_INVALIDCALL;
    const HRESULT hr = ReadInto(pSource->GetDescRef().Format, pDest);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_uFramebuffer);
    return hr;
}

HRESULT COrvGLDevice::GetFrontBufferData(UINT iSwapChain, IDirect3DSurface9* pDestSurface)
{
    if (iSwapChain != 0)
        return D3DERR_INVALIDCALL;
    return CopyFrontBuffer(pDestSurface);
}

void COrvGLDevice::AttachFrontForRead()
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_uReadFramebuffer);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                           m_uFrontTexture, 0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
}

HRESULT COrvGLDevice::CopyFrontBuffer(IDirect3DSurface9* pDestSurface)
{
    COrvGLSurface* pDest = pDestSurface ? OrvAsGLSurface(pDestSurface) : nullptr;
    if (!pDest || pDest->GetKind() == COrvGLSurface::KIND_DEPTH ||
        !IsRGBA8Family(pDest->GetDescRef().Format) ||
        pDest->GetDescRef().Width != m_params.BackBufferWidth ||
        pDest->GetDescRef().Height != m_params.BackBufferHeight)
        return D3DERR_INVALIDCALL;
    if (!m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    AttachFrontForRead();
    const HRESULT hr = ReadInto(m_params.BackBufferFormat, pDest);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_uFramebuffer);
    return hr;
}

HRESULT COrvGLDevice::StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                                  IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                                  D3DTEXTUREFILTERTYPE Filter)
{
    COrvGLSurface* pSource = pSourceSurface ? OrvAsGLSurface(pSourceSurface) : nullptr;
    COrvGLSurface* pDest = pDestSurface ? OrvAsGLSurface(pDestSurface) : nullptr;
    if (!IsDrawableSurface(pSource) || !IsDrawableSurface(pDest) || pSource == pDest)
        return D3DERR_INVALIDCALL;
    const D3DSURFACE_DESC& rSrc = pSource->GetDescRef();
    const D3DSURFACE_DESC& rDst = pDest->GetDescRef();
    const RECT src = pSourceRect ? *pSourceRect : RECT{0, 0, (LONG)rSrc.Width, (LONG)rSrc.Height};
    const RECT dst = pDestRect ? *pDestRect : RECT{0, 0, (LONG)rDst.Width, (LONG)rDst.Height};
    auto inside = [](const RECT& r, const D3DSURFACE_DESC& d)
    {
        return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
               (UINT)r.right <= d.Width && (UINT)r.bottom <= d.Height;
    };
    if (!inside(src, rSrc) || !inside(dst, rDst))
        return D3DERR_INVALIDCALL;
    if (!m_pCore->Prepare() || !AttachForRead(pSource))
        return D3DERR_INVALIDCALL;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_uFramebuffer);
    for (GLenum i = 1; i < 4; ++i)
        glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, GL_TEXTURE_2D, 0, 0);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, pDest->GetImageTarget(),
                           pDest->GetTextureName(), (GLint)pDest->GetLevel());
    const GLenum eBuffer = GL_COLOR_ATTACHMENT0;
    glDrawBuffers(1, &eBuffer);
    glDisable(GL_SCISSOR_TEST);
    glBlitFramebuffer(src.left, src.top, src.right, src.bottom, dst.left, dst.top, dst.right,
                      dst.bottom, GL_COLOR_BUFFER_BIT,
                      Filter == D3DTEXF_POINT || Filter == D3DTEXF_NONE ? GL_NEAREST : GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, m_uFramebuffer);
    m_uDirty |= DIRTY_TARGETS | DIRTY_VIEWPORT;
    return D3D_OK;
}

HRESULT COrvGLDevice::ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color)
{
    COrvGLSurface* pTarget = pSurface ? OrvAsGLSurface(pSurface) : nullptr;
    if (!IsDrawableSurface(pTarget))
        return D3DERR_INVALIDCALL;
    const D3DSURFACE_DESC& rDesc = pTarget->GetDescRef();
    RECT rect = pRect ? Intersect(*pRect, {0, 0, (LONG)rDesc.Width, (LONG)rDesc.Height})
                      : RECT{0, 0, (LONG)rDesc.Width, (LONG)rDesc.Height};
    if (!m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    glBindFramebuffer(GL_FRAMEBUFFER, m_uFramebuffer);
    for (GLenum i = 1; i < 4; ++i)
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, GL_TEXTURE_2D, 0, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, pTarget->GetImageTarget(),
                           pTarget->GetTextureName(), (GLint)pTarget->GetLevel());
    const GLenum eBuffer = GL_COLOR_ATTACHMENT0;
    glDrawBuffers(1, &eBuffer);
    glEnable(GL_SCISSOR_TEST);
    glScissor(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    glColorMaski(0, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    const float afColor[4] = {
        ((color >> 16) & 0xFF) / 255.f, ((color >> 8) & 0xFF) / 255.f, (color & 0xFF) / 255.f,
        pTarget->GetFormat().m_bNoAlpha ? 1.f : ((color >> 24) & 0xFF) / 255.f};
    glClearBufferfv(GL_COLOR, 0, afColor);
    m_uDirty |= DIRTY_TARGETS | DIRTY_VIEWPORT | DIRTY_RASTER;
    return D3D_OK;
}

HRESULT COrvGLDevice::UpdateSurface(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                                    IDirect3DSurface9* pDestinationSurface, const POINT* pDestPoint)
{
    COrvGLSurface* pSource = pSourceSurface ? OrvAsGLSurface(pSourceSurface) : nullptr;
    COrvGLSurface* pDest = pDestinationSurface ? OrvAsGLSurface(pDestinationSurface) : nullptr;
    if (!pSource || pSource->GetKind() != COrvGLSurface::KIND_SYSTEM_MEMORY ||
        !IsColorSurface(pDest) || pSource->GetDescRef().Format != pDest->GetDescRef().Format)
        return D3DERR_INVALIDCALL;
    const D3DSURFACE_DESC& rSrc = pSource->GetDescRef();
    const D3DSURFACE_DESC& rDst = pDest->GetDescRef();
    const RECT src = pSourceRect ? *pSourceRect : RECT{0, 0, (LONG)rSrc.Width, (LONG)rSrc.Height};
    const POINT at = pDestPoint ? *pDestPoint : POINT{0, 0};
    const LONG lWidth = src.right - src.left, lHeight = src.bottom - src.top;
    if (src.left < 0 || src.top < 0 || lWidth <= 0 || lHeight <= 0 ||
        (UINT)src.right > rSrc.Width || (UINT)src.bottom > rSrc.Height || at.x < 0 || at.y < 0 ||
        (UINT)(at.x + lWidth) > rDst.Width || (UINT)(at.y + lHeight) > rDst.Height)
        return D3DERR_INVALIDCALL;
    const SOrvGLFormat& rFormat = pDest->GetFormat();
    // Compressed images move in whole blocks, as in Direct3D.
    if (rFormat.m_uBlockBytes &&
        (src.left % 4 || src.top % 4 || at.x % 4 || at.y % 4 ||
         (lWidth % 4 && ((UINT)src.right != rSrc.Width || (UINT)(at.x + lWidth) != rDst.Width)) ||
         (lHeight % 4 &&
          ((UINT)src.bottom != rSrc.Height || (UINT)(at.y + lHeight) != rDst.Height))))
        return D3DERR_INVALIDCALL;
    if (!m_pCore->Prepare())
        return D3DERR_DEVICELOST;
    glBindTexture(pDest->GetBindTarget(), pDest->GetTextureName());
    if (rFormat.m_uBlockBytes)
    {
        UploadBlocks(pSource, src, pDest, at);
        glBindTexture(pDest->GetBindTarget(), 0);
        InvalidateBindings();
        return D3D_OK;
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, (GLint)rSrc.Width);
    glTexSubImage2D(pDest->GetImageTarget(), (GLint)pDest->GetLevel(), at.x, at.y, lWidth, lHeight,
                    rFormat.m_eFormatGL, rFormat.m_eType,
                    pSource->GetMemory().data() + (size_t)src.top * pSource->GetPitch() +
                        (size_t)src.left * rFormat.m_uBytesPerPixel);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glBindTexture(pDest->GetBindTarget(), 0);
    InvalidateBindings();
    return D3D_OK;
}

HRESULT COrvGLDevice::UpdateTexture(IDirect3DBaseTexture9* pSourceTexture,
                                    IDirect3DBaseTexture9* pDestinationTexture)
{
    COrvGLTextureCore* pSource = pSourceTexture ? OrvAsGLTexture(pSourceTexture) : nullptr;
    COrvGLTextureCore* pDest = pDestinationTexture ? OrvAsGLTexture(pDestinationTexture) : nullptr;
    if (!pSource || !pDest || pSource == pDest || pSource->GetTarget() != pDest->GetTarget() ||
        pSource->GetFormat().m_eFormat != pDest->GetFormat().m_eFormat)
        return D3DERR_INVALIDCALL;
    if (pSource->GetTarget() == GL_TEXTURE_3D)
        return UpdateVolumes(static_cast<COrvGLVolumeTexture*>(pSource),
                             static_cast<COrvGLVolumeTexture*>(pDest));
    const D3DSURFACE_DESC& rSrc = pSource->GetSurface(0, 0)->GetDescRef();
    const D3DSURFACE_DESC& rDst = pDest->GetSurface(0, 0)->GetDescRef();
    if (rSrc.Width != rDst.Width || rSrc.Height != rDst.Height)
        return D3DERR_INVALIDCALL;
    const UINT uLevels = std::min(pSource->GetLevels(), pDest->GetLevels());
    std::vector<BYTE> aPixels;
    for (UINT uFace = 0; uFace < pSource->GetFaceCount(); ++uFace)
        for (UINT uLevel = 0; uLevel < uLevels; ++uLevel)
            if (pSource->GetSurface(uFace, uLevel)->ReadPixels(aPixels))
                pDest->GetSurface(uFace, uLevel)->WritePixels(aPixels.data());
    return D3D_OK;
}

HRESULT COrvGLDevice::UpdateVolumes(COrvGLVolumeTexture* pSource, COrvGLVolumeTexture* pDest)
{
    const D3DVOLUME_DESC& rSrc = pSource->GetVolume(0)->GetDescRef();
    const D3DVOLUME_DESC& rDst = pDest->GetVolume(0)->GetDescRef();
    if (rSrc.Width != rDst.Width || rSrc.Height != rDst.Height || rSrc.Depth != rDst.Depth)
        return D3DERR_INVALIDCALL;
    const UINT uLevels = std::min(pSource->GetLevels(), pDest->GetLevels());
    std::vector<BYTE> aVoxels;
    for (UINT uLevel = 0; uLevel < uLevels; ++uLevel)
        if (pSource->GetVolume(uLevel)->ReadVoxels(aVoxels))
            pDest->GetVolume(uLevel)->WriteVoxels(aVoxels.data());
    return D3D_OK;
}

void COrvGLDevice::ForgetSurface(COrvGLSurface*)
{
    m_uDirty |= DIRTY_TARGETS;
}

void COrvGLDevice::ForgetTexture(COrvGLTextureCore*)
{
    m_uDirty |= DIRTY_TEXTURES;
}

void OrvForgetSurface(COrvGLDevice* pDevice, COrvGLSurface* pSurface)
{
    pDevice->ForgetSurface(pSurface);
}

void OrvForgetTexture(COrvGLDevice* pDevice, COrvGLTextureCore* pTexture)
{
    pDevice->ForgetTexture(pTexture);
}

void OrvTextureBindingsChanged(const OrvGLCorePtr& pCore)
{
    if (COrvGLDevice* pDevice = pCore->GetDevice())
        pDevice->InvalidateBindings();
}
