#pragma once

// Textures and surfaces of the OpenGL device.
// A surface is one of: a level of a 2D texture or of a cube texture's face (GL texture shared
// with its container, which also carries its reference count), a colour target of its own
// (back buffer, CreateRenderTarget: a one-level GL texture), a depth-stencil buffer (GL
// renderbuffer), or plain system memory (CreateOffscreenPlainSurface in the system-memory or
// scratch pool). Colour images are stored in GL with their first row at the top, as Direct3D
// lays them out; cube faces are GL's faces in the same order, stored the same way, which
// makes GL's cube map lookup give Direct3D's (d3d9.h, D3DCUBEMAP_FACES).
#include "OrvGLCore.h"
#include "OrvGLFormats.h"

#include <algorithm>
#include <vector>

class COrvGLTextureCore;

class COrvGLSurface : public TOrvResource<IDirect3DSurface9>
{
public:
    enum EKind
    {
        KIND_TEXTURE_LEVEL,
        KIND_COLOR_TARGET,
        KIND_DEPTH,
        KIND_SYSTEM_MEMORY
    };

    // Level of a texture: eImage is GL_TEXTURE_2D or a GL_TEXTURE_CUBE_MAP_POSITIVE_X + face.
    COrvGLSurface(OrvGLCorePtr pCore, COrvGLTextureCore* pContainer, UINT uLevel, GLenum eImage,
                  const D3DSURFACE_DESC& rDesc, const SOrvGLFormat& rFormat, GLuint uTexture);
    // Surface of its own; creates the GL object for colour targets and depth buffers.
    COrvGLSurface(OrvGLCorePtr pCore, EKind eKind, const D3DSURFACE_DESC& rDesc,
                  const SOrvGLFormat& rFormat);
    ~COrvGLSurface() override;

    ULONG AddRef() override;
    ULONG Release() override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD dwFlags) override;
    HRESULT UnlockRect() override;

    // False when creating the GL object failed.
    bool IsValid() const;
    EKind GetKind() const { return m_eKind; }
    const D3DSURFACE_DESC& GetDescRef() const { return m_desc; }
    const SOrvGLFormat& GetFormat() const { return *m_pFormat; }
    GLuint GetTextureName() const { return m_uTexture; }
    // The GL image of the surface (for glTexSubImage2D, glFramebufferTexture2D...) and the
    // target its texture is bound to.
    GLenum GetImageTarget() const { return m_eImage; }
    GLenum GetBindTarget() const;
    GLuint GetRenderbuffer() const { return m_uRenderbuffer; }
    UINT GetLevel() const { return m_uLevel; }
    std::vector<BYTE>& GetMemory() { return m_aMemory; }
    UINT GetPitch() const { return OrvRowPitch(*m_pFormat, m_desc.Width); }
    size_t GetMemorySize() const { return OrvLevelSize(*m_pFormat, m_desc.Width, m_desc.Height); }

    // Reads the whole colour image in the surface's own D3D layout, top row first.
    bool ReadPixels(std::vector<BYTE>& raPixels);
    // Writes the whole colour image from the D3D layout.
    bool WritePixels(const BYTE* pPixels);

private:
    bool IsColorGL() const { return m_eKind == KIND_TEXTURE_LEVEL || m_eKind == KIND_COLOR_TARGET; }

    EKind m_eKind;
    COrvGLTextureCore* m_pContainer = nullptr;
    UINT m_uLevel = 0;
    GLenum m_eImage = GL_TEXTURE_2D;
    D3DSURFACE_DESC m_desc;
    const SOrvGLFormat* m_pFormat;
    GLuint m_uTexture = 0;       // colour: the GL texture (owned unless a texture level)
    GLuint m_uRenderbuffer = 0;  // depth
    std::vector<BYTE> m_aMemory; // system memory, or the staging copy while locked
    bool m_bLocked = false;
    DWORD m_dwLockFlags = 0;
};

// What every texture of the device has, whatever its kind: the GL texture (GL_TEXTURE_2D,
// GL_TEXTURE_CUBE_MAP or GL_TEXTURE_3D), its format and usage, and the regeneration of
// auto-generated mip levels. The device and the levels see textures through this.
class COrvGLTextureCore
{
public:
    COrvGLTextureCore(OrvGLCorePtr pCore, GLenum eTarget, const SOrvGLFormat& rFormat,
                      DWORD dwUsage);
    virtual ~COrvGLTextureCore();
    COrvGLTextureCore(const COrvGLTextureCore&) = delete;
    COrvGLTextureCore& operator=(const COrvGLTextureCore&) = delete;

    bool IsValid() const { return m_uTexture != 0; }
    GLuint GetTextureName() const { return m_uTexture; }
    GLenum GetTarget() const { return m_eTarget; }
    DWORD GetUsage() const { return m_dwUsage; }
    const SOrvGLFormat& GetFormat() const { return *m_pFormat; }
    D3DRESOURCETYPE GetResourceType() const;
    // Levels the caller sees, and the faces of each (6 for cube textures, else 1).
    UINT GetLevels() const { return m_uLevelCount; }
    UINT GetFaceCount() const { return m_eTarget == GL_TEXTURE_CUBE_MAP ? 6 : 1; }
    // A level of a face as a surface (null for volume textures and out of range).
    virtual COrvGLSurface* GetSurface(UINT uFace, UINT uLevel) const = 0;
    // The texture's count, for its levels.
    virtual ULONG AddRefTexture() = 0;
    virtual ULONG ReleaseTexture() = 0;
    // Called when a level was written: rebuilds the mip chain of auto-generated textures.
    void LevelWritten(UINT uLevel);
    void GenerateMips();

    // Largest level count for a size (a full chain down to 1 x 1 x 1).
    static UINT FullChainLength(UINT uWidth, UINT uHeight, UINT uDepth = 1);

protected:
    // The usage and the number of GL levels a texture gets for the levels asked for
    // (render targets one, auto-generated chains all); compressed formats cannot have their
    // mip levels made by GL. The count of levels the caller sees comes back in ruiVisible.
    static UINT PlanLevels(UINT uAsked, UINT uFull, DWORD& rdwUsage, const SOrvGLFormat& rFormat,
                           UINT& ruiVisible);
    // Deletes the GL texture; the destructor of the kind calls it after dropping its levels.
    void DestroyTexture();

    OrvGLCorePtr m_pTextureCore;
    GLuint m_uTexture = 0;
    GLenum m_eTarget;
    const SOrvGLFormat* m_pFormat;
    DWORD m_dwUsage;
    UINT m_uLevelCount = 0; // levels the caller sees
};

// IDirect3DBaseTexture9 for each kind of texture.
template <class TInterface>
class TOrvGLTexture : public TOrvResource<TInterface>, public COrvGLTextureCore
{
public:
    TOrvGLTexture(OrvGLCorePtr pCore, GLenum eTarget, const SOrvGLFormat& rFormat, DWORD dwUsage)
        : TOrvResource<TInterface>(pCore), COrvGLTextureCore(pCore, eTarget, rFormat, dwUsage)
    {
    }

    D3DRESOURCETYPE GetType() override { return GetResourceType(); }
    DWORD SetLOD(DWORD dwLOD) override
    {
        const DWORD dwOld = m_dwLOD;
        m_dwLOD = std::min<DWORD>(dwLOD, m_uLevelCount ? m_uLevelCount - 1 : 0);
        return dwOld;
    }
    DWORD GetLOD() override { return m_dwLOD; }
    DWORD GetLevelCount() override { return m_uLevelCount; }
    HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE eFilter) override
    {
        if (eFilter != D3DTEXF_POINT && eFilter != D3DTEXF_LINEAR)
            return D3DERR_INVALIDCALL;
        m_eAutoGenFilter = eFilter;
        return D3D_OK;
    }
    D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return m_eAutoGenFilter; }
    void GenerateMipSubLevels() override { GenerateMips(); }

    ULONG AddRefTexture() override { return this->AddRef(); }
    ULONG ReleaseTexture() override { return this->Release(); }

protected:
    DWORD m_dwLOD = 0;
    D3DTEXTUREFILTERTYPE m_eAutoGenFilter = D3DTEXF_LINEAR;
};

class COrvGLTexture : public TOrvGLTexture<IDirect3DTexture9>
{
public:
    COrvGLTexture(OrvGLCorePtr pCore, UINT uWidth, UINT uHeight, UINT uLevels, DWORD dwUsage,
                  const SOrvGLFormat& rFormat, D3DPOOL ePool);
    ~COrvGLTexture() override;

    HRESULT GetLevelDesc(UINT uLevel, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT uLevel, IDirect3DSurface9** ppSurface) override;
    HRESULT LockRect(UINT uLevel, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                     DWORD dwFlags) override;
    HRESULT UnlockRect(UINT uLevel) override;
    HRESULT AddDirtyRect(const RECT*) override { return D3D_OK; }

    COrvGLSurface* GetSurface(UINT uFace, UINT uLevel) const override;

private:
    std::vector<COrvGLSurface*> m_apLevels; // owned
};

// Our texture of any kind behind a Direct3D texture pointer (null for a foreign object).
COrvGLTextureCore* OrvAsGLTexture(IDirect3DBaseTexture9* pTexture);
// Our surface behind a Direct3D surface pointer (null for a foreign object).
COrvGLSurface* OrvAsGLSurface(IDirect3DSurface9* pSurface);

// Creates a GL 2D texture for a format with the given levels, filled with nothing.
GLuint OrvCreateGLTexture(const SOrvGLFormat& rFormat, UINT uWidth, UINT uHeight, UINT uLevels);
// The same for a cube map: six square faces of uEdge texels.
GLuint OrvCreateGLCubeTexture(const SOrvGLFormat& rFormat, UINT uEdge, UINT uLevels);

// The descriptions of the levels of a texture.
D3DSURFACE_DESC OrvLevelDesc(const SOrvGLFormat& rFormat, DWORD dwUsage, D3DPOOL ePool, UINT uWidth,
                             UINT uHeight, UINT uLevel);
