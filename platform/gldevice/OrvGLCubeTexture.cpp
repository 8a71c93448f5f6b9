#include "OrvGLCubeTexture.h"

COrvGLCubeTexture::COrvGLCubeTexture(OrvGLCorePtr pCore, UINT uEdge, UINT uLevels, DWORD dwUsage,
                                     const SOrvGLFormat& rFormat, D3DPOOL ePool)
    : TOrvGLTexture(std::move(pCore), GL_TEXTURE_CUBE_MAP, rFormat, dwUsage)
{
    const UINT uGLLevels =
        PlanLevels(uLevels, FullChainLength(uEdge, uEdge), m_dwUsage, rFormat, m_uLevelCount);
    if (!m_pCore->MakeCurrent())
        return;
    m_uTexture = OrvCreateGLCubeTexture(rFormat, uEdge, uGLLevels);
    if (!m_uTexture)
        return;
    for (UINT uFace = 0; uFace < 6; ++uFace)
        for (UINT uLevel = 0; uLevel < m_uLevelCount; ++uLevel)
            m_apFaces[uFace].push_back(
                new COrvGLSurface(m_pCore, this, uLevel, GL_TEXTURE_CUBE_MAP_POSITIVE_X + uFace,
                                  OrvLevelDesc(rFormat, m_dwUsage, ePool, uEdge, uEdge, uLevel),
                                  rFormat, m_uTexture));
}

COrvGLCubeTexture::~COrvGLCubeTexture()
{
    for (std::vector<COrvGLSurface*>& raLevels : m_apFaces)
        for (COrvGLSurface* pLevel : raLevels)
        {
            if (COrvGLDevice* pDevice = m_pCore->GetDevice())
                OrvForgetSurface(pDevice, pLevel);
            delete pLevel;
        }
    DestroyTexture();
}

COrvGLSurface* COrvGLCubeTexture::GetSurface(UINT uFace, UINT uLevel) const
{
    if (uFace >= 6 || uLevel >= m_apFaces[uFace].size())
        return nullptr;
    return m_apFaces[uFace][uLevel];
}

HRESULT COrvGLCubeTexture::GetLevelDesc(UINT uLevel, D3DSURFACE_DESC* pDesc)
{
    COrvGLSurface* pLevel = GetSurface(0, uLevel);
    if (!pDesc || !pLevel)
        return D3DERR_INVALIDCALL;
    return pLevel->GetDesc(pDesc);
}

HRESULT COrvGLCubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES eFace, UINT uLevel,
                                             IDirect3DSurface9** ppSurface)
{
    if (!ppSurface)
        return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    COrvGLSurface* pLevel = GetSurface((UINT)eFace, uLevel);
    if (!pLevel)
        return D3DERR_INVALIDCALL;
    *ppSurface = pLevel;
    AddRef();
    return D3D_OK;
}

HRESULT COrvGLCubeTexture::LockRect(D3DCUBEMAP_FACES eFace, UINT uLevel,
                                    D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD dwFlags)
{
    COrvGLSurface* pLevel = GetSurface((UINT)eFace, uLevel);
    return pLevel ? pLevel->LockRect(pLockedRect, pRect, dwFlags) : D3DERR_INVALIDCALL;
}

HRESULT COrvGLCubeTexture::UnlockRect(D3DCUBEMAP_FACES eFace, UINT uLevel)
{
    COrvGLSurface* pLevel = GetSurface((UINT)eFace, uLevel);
    return pLevel ? pLevel->UnlockRect() : D3DERR_INVALIDCALL;
}

HRESULT COrvGLCubeTexture::AddDirtyRect(D3DCUBEMAP_FACES eFace, const RECT*)
{
    return (UINT)eFace < 6 ? D3D_OK : D3DERR_INVALIDCALL;
}
