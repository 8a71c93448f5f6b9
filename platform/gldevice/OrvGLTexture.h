#pragma once

// Textures and surfaces of the OpenGL device.
// A surface is one of: a level of a texture (GL texture shared with its container, which
// also carries its reference count), a colour target of its own (back buffer, CreateRenderTarget:
// a one-level GL texture), a depth-stencil buffer (GL renderbuffer), or plain system memory
// (CreateOffscreenPlainSurface in the system-memory or scratch pool). Colour images are
// stored in GL with their first row at the top, as Direct3D lays them out.
#include "OrvGLCore.h"
#include "OrvGLFormats.h"

#include <vector>

class COrvGLTexture;

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

    // Level of a texture.
    COrvGLSurface(OrvGLCorePtr pCore, COrvGLTexture* pContainer, UINT uiLevel,
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
    void SetTextureName(GLuint uTexture) { m_uTexture = uTexture; }
    GLuint GetRenderbuffer() const { return m_uRenderbuffer; }
    UINT GetLevel() const { return m_uiLevel; }
    COrvGLTexture* GetContainer() const { return m_pContainer; }
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
    COrvGLTexture* m_pContainer = nullptr;
    UINT m_uiLevel = 0;
    D3DSURFACE_DESC m_desc;
    const SOrvGLFormat* m_pFormat;
    GLuint m_uTexture = 0;       // colour: the GL texture (owned unless a texture level)
    GLuint m_uRenderbuffer = 0;  // depth
    std::vector<BYTE> m_aMemory; // system memory, or the staging copy while locked
    bool m_bLocked = false;
    DWORD m_dwLockFlags = 0;
};

class COrvGLTexture : public TOrvResource<IDirect3DTexture9>
{
public:
    COrvGLTexture(OrvGLCorePtr pCore, UINT uiWidth, UINT uiHeight, UINT uiLevels, DWORD dwUsage,
                  const SOrvGLFormat& rFormat, D3DPOOL ePool);
    ~COrvGLTexture() override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD dwLOD) override;
    DWORD GetLOD() override { return m_dwLOD; }
    DWORD GetLevelCount() override { return (DWORD)m_apLevels.size(); }
    HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE eFilter) override;
    D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return m_eAutoGenFilter; }
    void GenerateMipSubLevels() override;

    HRESULT GetLevelDesc(UINT uiLevel, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT uiLevel, IDirect3DSurface9** ppSurface) override;
    HRESULT LockRect(UINT uiLevel, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                     DWORD dwFlags) override;
    HRESULT UnlockRect(UINT uiLevel) override;
    HRESULT AddDirtyRect(const RECT*) override { return D3D_OK; }

    bool IsValid() const { return m_uTexture != 0; }
    GLuint GetTextureName() const { return m_uTexture; }
    DWORD GetUsage() const { return m_dwUsage; }
    const SOrvGLFormat& GetFormat() const { return *m_pFormat; }
    // Called when a level was written: rebuilds the mip chain of auto-generated textures.
    void LevelWritten(UINT uiLevel);

    // Largest level count for a size (a full chain down to 1 x 1).
    static UINT FullChainLength(UINT uiWidth, UINT uiHeight);

private:
    GLuint m_uTexture = 0;
    const SOrvGLFormat* m_pFormat;
    DWORD m_dwUsage;
    DWORD m_dwLOD = 0;
    D3DTEXTUREFILTERTYPE m_eAutoGenFilter = D3DTEXF_LINEAR;
    std::vector<COrvGLSurface*> m_apLevels; // owned
};

// Our texture behind a Direct3D texture pointer (null for a foreign object).
COrvGLTexture* OrvAsGLTexture(IDirect3DBaseTexture9* pTexture);
// Our surface behind a Direct3D surface pointer (null for a foreign object).
COrvGLSurface* OrvAsGLSurface(IDirect3DSurface9* pSurface);

// Creates a GL 2D texture for a format with the given levels, filled with nothing.
GLuint OrvCreateGLTexture(const SOrvGLFormat& rFormat, UINT uiWidth, UINT uiHeight, UINT uiLevels);
