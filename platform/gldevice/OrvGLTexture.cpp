#include "OrvGLTexture.h"

#include <algorithm>
#include <cstring>

namespace
{
bool RectInside(const RECT& rRect, UINT uWidth, UINT uHeight)
{
    return rRect.left >= 0 && rRect.top >= 0 && rRect.left < rRect.right &&
           rRect.top < rRect.bottom && (UINT)rRect.right <= uWidth && (UINT)rRect.bottom <= uHeight;
}

// A rectangle of whole 4 x 4 blocks (or reaching the level's right and bottom edges).
bool BlockAligned(const RECT& rRect, UINT uWidth, UINT uHeight)
{
    return rRect.left % 4 == 0 && rRect.top % 4 == 0 &&
           (rRect.right % 4 == 0 || (UINT)rRect.right == uWidth) &&
           (rRect.bottom % 4 == 0 || (UINT)rRect.bottom == uHeight);
}
} // namespace

namespace
{
void ClearGLErrors()
{
    while (glGetError() != GL_NO_ERROR)
    {
    }
}

// Allocates one image of a level: compressed levels start as zero blocks.
void AllocateImage(const SOrvGLFormat& rFormat, GLenum eImage, UINT uLevel, UINT uWidth,
                   UINT uHeight, std::vector<BYTE>& raZeros)
{
    if (rFormat.m_uBlockBytes)
    {
        raZeros.assign(OrvLevelSize(rFormat, uWidth, uHeight), 0);
        glCompressedTexImage2D(eImage, (GLint)uLevel, rFormat.m_eInternal, (GLsizei)uWidth,
                               (GLsizei)uHeight, 0, (GLsizei)raZeros.size(), raZeros.data());
        return;
    }
    glTexImage2D(eImage, (GLint)uLevel, (GLint)rFormat.m_eInternal, (GLsizei)uWidth,
                 (GLsizei)uHeight, 0, rFormat.m_eFormatGL, rFormat.m_eType, nullptr);
}

// Level range, swizzle and plain filtering of a new texture; 0 (and nothing left) when GL
// reported an error while it was made.
GLuint FinishTexture(GLenum eTarget, GLuint uTexture, const SOrvGLFormat& rFormat, UINT uLevels)
{
    glTexParameteri(eTarget, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(eTarget, GL_TEXTURE_MAX_LEVEL, (GLint)uLevels - 1);
    glTexParameteriv(eTarget, GL_TEXTURE_SWIZZLE_RGBA, rFormat.m_aiSwizzle);
    glTexParameteri(eTarget, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(eTarget, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(eTarget, 0);
    if (glGetError() != GL_NO_ERROR)
    {
        glDeleteTextures(1, &uTexture);
        return 0;
    }
    return uTexture;
}
} // namespace

GLuint OrvCreateGLTexture(const SOrvGLFormat& rFormat, UINT uWidth, UINT uHeight, UINT uLevels)
{
    ClearGLErrors();
    GLuint uTexture = 0;
    glGenTextures(1, &uTexture);
    glBindTexture(GL_TEXTURE_2D, uTexture);
    std::vector<BYTE> aZeros;
    for (UINT uLevel = 0; uLevel < uLevels; ++uLevel)
        AllocateImage(rFormat, GL_TEXTURE_2D, uLevel, std::max(1u, uWidth >> uLevel),
                      std::max(1u, uHeight >> uLevel), aZeros);
    return FinishTexture(GL_TEXTURE_2D, uTexture, rFormat, uLevels);
}

GLuint OrvCreateGLCubeTexture(const SOrvGLFormat& rFormat, UINT uEdge, UINT uLevels)
{
    ClearGLErrors();
    GLuint uTexture = 0;
    glGenTextures(1, &uTexture);
    glBindTexture(GL_TEXTURE_CUBE_MAP, uTexture);
    std::vector<BYTE> aZeros;
    for (GLenum eFace = 0; eFace < 6; ++eFace)
        for (UINT uLevel = 0; uLevel < uLevels; ++uLevel)
        {
            const UINT uSize = std::max(1u, uEdge >> uLevel);
            AllocateImage(rFormat, GL_TEXTURE_CUBE_MAP_POSITIVE_X + eFace, uLevel, uSize, uSize,
                          aZeros);
        }
    return FinishTexture(GL_TEXTURE_CUBE_MAP, uTexture, rFormat, uLevels);
}

D3DSURFACE_DESC OrvLevelDesc(const SOrvGLFormat& rFormat, DWORD dwUsage, D3DPOOL ePool, UINT uWidth,
                             UINT uHeight, UINT uLevel)
{
    D3DSURFACE_DESC desc = {};
    desc.Format = rFormat.m_eFormat;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = dwUsage;
    desc.Pool = ePool;
    desc.Width = std::max(1u, uWidth >> uLevel);
    desc.Height = std::max(1u, uHeight >> uLevel);
    return desc;
}

// ---------------------------------------------------------------------------------------------
// COrvGLSurface
// ---------------------------------------------------------------------------------------------
COrvGLSurface::COrvGLSurface(OrvGLCorePtr pCore, COrvGLTextureCore* pContainer, UINT uLevel,
                             GLenum eImage, const D3DSURFACE_DESC& rDesc,
                             const SOrvGLFormat& rFormat, GLuint uTexture)
    : TOrvResource(std::move(pCore)), m_eKind(KIND_TEXTURE_LEVEL), m_pContainer(pContainer),
      m_uLevel(uLevel), m_eImage(eImage), m_desc(rDesc), m_pFormat(&rFormat), m_uTexture(uTexture)
{
}

COrvGLSurface::COrvGLSurface(OrvGLCorePtr pCore, EKind eKind, const D3DSURFACE_DESC& rDesc,
                             const SOrvGLFormat& rFormat)
    : TOrvResource(std::move(pCore)), m_eKind(eKind), m_desc(rDesc), m_pFormat(&rFormat)
{
    if (eKind == KIND_SYSTEM_MEMORY)
    {
        m_aMemory.assign(GetMemorySize(), 0);
        return;
    }
    if (!m_pCore->MakeCurrent())
        return;
    if (eKind == KIND_COLOR_TARGET)
    {
        m_uTexture = OrvCreateGLTexture(rFormat, rDesc.Width, rDesc.Height, 1);
        return;
    }
    while (glGetError() != GL_NO_ERROR)
    {
    }
    glGenRenderbuffers(1, &m_uRenderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, m_uRenderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, rFormat.m_eInternal, (GLsizei)rDesc.Width,
                          (GLsizei)rDesc.Height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    if (glGetError() != GL_NO_ERROR)
    {
        glDeleteRenderbuffers(1, &m_uRenderbuffer);
        m_uRenderbuffer = 0;
    }
}

COrvGLSurface::~COrvGLSurface()
{
    if (m_eKind == KIND_TEXTURE_LEVEL || m_eKind == KIND_SYSTEM_MEMORY)
        return;
    if (!m_pCore->Prepare())
        return;
    if (COrvGLDevice* pDevice = m_pCore->GetDevice())
        OrvForgetSurface(pDevice, this);
    if (m_uTexture)
        glDeleteTextures(1, &m_uTexture);
    if (m_uRenderbuffer)
        glDeleteRenderbuffers(1, &m_uRenderbuffer);
}

bool COrvGLSurface::IsValid() const
{
    switch (m_eKind)
    {
    case KIND_COLOR_TARGET:
    case KIND_TEXTURE_LEVEL:
        return m_uTexture != 0;
    case KIND_DEPTH:
        return m_uRenderbuffer != 0;
    default:
        return true;
    }
}

GLenum COrvGLSurface::GetBindTarget() const
{
    return m_pContainer ? m_pContainer->GetTarget() : GL_TEXTURE_2D;
}

ULONG COrvGLSurface::AddRef()
{
    return m_pContainer ? m_pContainer->AddRefTexture() : TOrvResource::AddRef();
}

ULONG COrvGLSurface::Release()
{
    return m_pContainer ? m_pContainer->ReleaseTexture() : TOrvResource::Release();
}

HRESULT COrvGLSurface::GetDesc(D3DSURFACE_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = m_desc;
    return D3D_OK;
}

bool COrvGLSurface::ReadPixels(std::vector<BYTE>& raPixels)
{
    const size_t uSize = GetMemorySize();
    raPixels.resize(uSize);
    if (m_eKind == KIND_SYSTEM_MEMORY)
    {
        std::memcpy(raPixels.data(), m_aMemory.data(), uSize);
        return true;
    }
    if (!IsColorGL() || !m_uTexture || !m_pCore->Prepare())
        return false;
    glBindTexture(GetBindTarget(), m_uTexture);
    if (m_pFormat->m_uBlockBytes)
        glGetCompressedTexImage(m_eImage, (GLint)m_uLevel, raPixels.data());
    else
        glGetTexImage(m_eImage, (GLint)m_uLevel, m_pFormat->m_eFormatGL, m_pFormat->m_eType,
                      raPixels.data());
    glBindTexture(GetBindTarget(), 0);
    OrvTextureBindingsChanged(m_pCore);
    OrvFillUnusedAlpha(*m_pFormat, raPixels.data(), uSize);
    return true;
}

bool COrvGLSurface::WritePixels(const BYTE* pPixels)
{
    if (m_eKind == KIND_SYSTEM_MEMORY)
    {
        std::memcpy(m_aMemory.data(), pPixels, m_aMemory.size());
        return true;
    }
    if (!IsColorGL() || !m_uTexture || !m_pCore->Prepare())
        return false;
    glBindTexture(GetBindTarget(), m_uTexture);
    if (m_pFormat->m_uBlockBytes)
        glCompressedTexSubImage2D(m_eImage, (GLint)m_uLevel, 0, 0, (GLsizei)m_desc.Width,
                                  (GLsizei)m_desc.Height, m_pFormat->m_eInternal,
                                  (GLsizei)GetMemorySize(), pPixels);
    else
        glTexSubImage2D(m_eImage, (GLint)m_uLevel, 0, 0, (GLsizei)m_desc.Width,
                        (GLsizei)m_desc.Height, m_pFormat->m_eFormatGL, m_pFormat->m_eType,
                        pPixels);
    glBindTexture(GetBindTarget(), 0);
    OrvTextureBindingsChanged(m_pCore);
    if (m_pContainer)
        m_pContainer->LevelWritten(m_uLevel);
    return true;
}

HRESULT COrvGLSurface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD dwFlags)
{
    if (!pLockedRect || m_bLocked || m_eKind == KIND_DEPTH)
        return D3DERR_INVALIDCALL;
    RECT rect = {0, 0, (LONG)m_desc.Width, (LONG)m_desc.Height};
    if (pRect)
    {
        if (!RectInside(*pRect, m_desc.Width, m_desc.Height) ||
            (m_pFormat->m_uBlockBytes && !BlockAligned(*pRect, m_desc.Width, m_desc.Height)))
            return D3DERR_INVALIDCALL;
        rect = *pRect;
    }
    if (m_eKind != KIND_SYSTEM_MEMORY)
    {
        if (dwFlags & D3DLOCK_DISCARD)
            m_aMemory.assign(GetMemorySize(), 0);
        else if (!ReadPixels(m_aMemory))
            return D3DERR_INVALIDCALL;
    }
    m_bLocked = true;
    m_dwLockFlags = dwFlags;
    pLockedRect->Pitch = (INT)GetPitch();
    // Compressed levels are addressed by block: the rectangle's corner is on a block corner.
    const UINT uBlock = m_pFormat->m_uBlockBytes;
    pLockedRect->pBits =
        m_aMemory.data() + (size_t)OrvRowCount(*m_pFormat, (UINT)rect.top) * GetPitch() +
        (uBlock ? (size_t)rect.left / 4 * uBlock : (size_t)rect.left * m_pFormat->m_uBytesPerPixel);
    return D3D_OK;
}

HRESULT COrvGLSurface::UnlockRect()
{
    if (!m_bLocked)
        return D3DERR_INVALIDCALL;
    m_bLocked = false;
    if (m_eKind == KIND_SYSTEM_MEMORY)
        return D3D_OK;
    if (!(m_dwLockFlags & D3DLOCK_READONLY))
        WritePixels(m_aMemory.data());
    std::vector<BYTE>().swap(m_aMemory);
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// COrvGLTextureCore
// ---------------------------------------------------------------------------------------------
COrvGLTextureCore::COrvGLTextureCore(OrvGLCorePtr pCore, GLenum eTarget,
                                     const SOrvGLFormat& rFormat, DWORD dwUsage)
    : m_pTextureCore(std::move(pCore)), m_eTarget(eTarget), m_pFormat(&rFormat), m_dwUsage(dwUsage)
{
}

COrvGLTextureCore::~COrvGLTextureCore()
{
    DestroyTexture();
}

void COrvGLTextureCore::DestroyTexture()
{
    if (m_uTexture && m_pTextureCore->Prepare())
    {
        if (COrvGLDevice* pDevice = m_pTextureCore->GetDevice())
            OrvForgetTexture(pDevice, this);
        glDeleteTextures(1, &m_uTexture);
    }
    m_uTexture = 0;
}

D3DRESOURCETYPE COrvGLTextureCore::GetResourceType() const
{
    switch (m_eTarget)
    {
    case GL_TEXTURE_CUBE_MAP:
        return D3DRTYPE_CUBETEXTURE;
    case GL_TEXTURE_3D:
        return D3DRTYPE_VOLUMETEXTURE;
    default:
        return D3DRTYPE_TEXTURE;
    }
}

UINT COrvGLTextureCore::FullChainLength(UINT uWidth, UINT uHeight, UINT uDepth)
{
    UINT uLevels = 1;
    for (UINT uSize = std::max({uWidth, uHeight, uDepth}); uSize > 1; uSize >>= 1)
        ++uLevels;
    return uLevels;
}

UINT COrvGLTextureCore::PlanLevels(UINT uAsked, UINT uFull, DWORD& rdwUsage,
                                   const SOrvGLFormat& rFormat, UINT& ruiVisible)
{
    UINT uLevels = (uAsked == 0 || uAsked > uFull) ? uFull : uAsked;
    if (rFormat.m_uBlockBytes)
        rdwUsage &= ~(DWORD)D3DUSAGE_AUTOGENMIPMAP; // GL cannot build levels of compressed images
    if (rdwUsage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_AUTOGENMIPMAP))
        uLevels = (rdwUsage & D3DUSAGE_AUTOGENMIPMAP) ? uFull : 1;
    ruiVisible = (rdwUsage & D3DUSAGE_AUTOGENMIPMAP) ? 1 : uLevels;
    return uLevels;
}

void COrvGLTextureCore::GenerateMips()
{
    if (!(m_dwUsage & D3DUSAGE_AUTOGENMIPMAP) || !m_uTexture || !m_pTextureCore->Prepare())
        return;
    glBindTexture(m_eTarget, m_uTexture);
    glGenerateMipmap(m_eTarget);
    glBindTexture(m_eTarget, 0);
    OrvTextureBindingsChanged(m_pTextureCore);
}

void COrvGLTextureCore::LevelWritten(UINT uLevel)
{
    if (uLevel == 0)
        GenerateMips();
}

// ---------------------------------------------------------------------------------------------
// COrvGLTexture
// ---------------------------------------------------------------------------------------------
COrvGLTexture::COrvGLTexture(OrvGLCorePtr pCore, UINT uWidth, UINT uHeight, UINT uLevels,
                             DWORD dwUsage, const SOrvGLFormat& rFormat, D3DPOOL ePool)
    : TOrvGLTexture(std::move(pCore), GL_TEXTURE_2D, rFormat, dwUsage)
{
    const UINT uGLLevels =
        PlanLevels(uLevels, FullChainLength(uWidth, uHeight), m_dwUsage, rFormat, m_uLevelCount);
    if (!m_pCore->MakeCurrent())
        return;
    m_uTexture = OrvCreateGLTexture(rFormat, uWidth, uHeight, uGLLevels);
    if (!m_uTexture)
        return;
    for (UINT uLevel = 0; uLevel < m_uLevelCount; ++uLevel)
        m_apLevels.push_back(new COrvGLSurface(
            m_pCore, this, uLevel, GL_TEXTURE_2D,
            OrvLevelDesc(rFormat, m_dwUsage, ePool, uWidth, uHeight, uLevel), rFormat, m_uTexture));
}

COrvGLTexture::~COrvGLTexture()
{
    for (COrvGLSurface* pLevel : m_apLevels)
    {
        if (COrvGLDevice* pDevice = m_pCore->GetDevice())
            OrvForgetSurface(pDevice, pLevel);
        delete pLevel;
    }
    DestroyTexture();
}

COrvGLSurface* COrvGLTexture::GetSurface(UINT uFace, UINT uLevel) const
{
    return uFace == 0 && uLevel < m_apLevels.size() ? m_apLevels[uLevel] : nullptr;
}

HRESULT COrvGLTexture::GetLevelDesc(UINT uLevel, D3DSURFACE_DESC* pDesc)
{
    if (!pDesc || uLevel >= m_apLevels.size())
        return D3DERR_INVALIDCALL;
    return m_apLevels[uLevel]->GetDesc(pDesc);
}

HRESULT COrvGLTexture::GetSurfaceLevel(UINT uLevel, IDirect3DSurface9** ppSurface)
{
    if (!ppSurface || uLevel >= m_apLevels.size())
        return D3DERR_INVALIDCALL;
    *ppSurface = m_apLevels[uLevel];
    AddRef();
    return D3D_OK;
}

HRESULT COrvGLTexture::LockRect(UINT uLevel, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                                DWORD dwFlags)
{
    if (uLevel >= m_apLevels.size())
        return D3DERR_INVALIDCALL;
    return m_apLevels[uLevel]->LockRect(pLockedRect, pRect, dwFlags);
}

HRESULT COrvGLTexture::UnlockRect(UINT uLevel)
{
    if (uLevel >= m_apLevels.size())
        return D3DERR_INVALIDCALL;
    return m_apLevels[uLevel]->UnlockRect();
}

COrvGLTextureCore* OrvAsGLTexture(IDirect3DBaseTexture9* pTexture)
{
    return dynamic_cast<COrvGLTextureCore*>(pTexture);
}

COrvGLSurface* OrvAsGLSurface(IDirect3DSurface9* pSurface)
{
    return dynamic_cast<COrvGLSurface*>(pSurface);
}
