#pragma once

// Cube textures of the OpenGL device: a GL_TEXTURE_CUBE_MAP whose faces are surfaces of the
// texture (lockable, and render targets when the texture was made for rendering).
#include "OrvGLTexture.h"

class COrvGLCubeTexture : public TOrvGLTexture<IDirect3DCubeTexture9>
{
public:
    COrvGLCubeTexture(OrvGLCorePtr pCore, UINT uEdge, UINT uLevels, DWORD dwUsage,
                      const SOrvGLFormat& rFormat, D3DPOOL ePool);
    ~COrvGLCubeTexture() override;

    HRESULT GetLevelDesc(UINT uLevel, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES eFace, UINT uLevel,
                              IDirect3DSurface9** ppSurface) override;
    HRESULT LockRect(D3DCUBEMAP_FACES eFace, UINT uLevel, D3DLOCKED_RECT* pLockedRect,
                     const RECT* pRect, DWORD dwFlags) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES eFace, UINT uLevel) override;
    HRESULT AddDirtyRect(D3DCUBEMAP_FACES eFace, const RECT*) override;

    COrvGLSurface* GetSurface(UINT uFace, UINT uLevel) const override;

private:
    std::vector<COrvGLSurface*> m_apFaces[6]; // owned, by level
};
