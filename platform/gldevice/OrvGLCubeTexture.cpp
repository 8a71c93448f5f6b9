#include "OrvGLCubeTexture.h"

COrvGLCubeTexture::COrvGLCubeTexture(OrvGLCorePtr pCore, UINT uiEdge, UINT uiLevels, DWORD dwUsage,
                                     const SOrvGLFormat& rFormat, D3DPOOL ePool)
    : TOrvGLTexture(std::move(pCore), GL_TEXTURE_CUBE_MAP, rFormat, dwUsage)
{
    const UINT uiGLLevels =
        PlanLevels(uiLevels, FullChainLength(uiEdge, uiEdge), m_dwUsage, rFormat, m_uiLevelCount);
    if (!m_pCore->MakeCurrent())
        return;
    m_uTexture = OrvCreateGLCubeTexture(rFormat, uiEdge, uiGLLevels);
    if (!m_uTexture)
        return;
    for (UINT uiFace = 0; uiFace < 6; ++uiFace)
        for (UINT uiLevel = 0; uiLevel < m_uiLevelCount; ++uiLevel)
            m_apFaces[uiFace].push_back(
                new COrvGLSurface(m_pCore, this, uiLevel, GL_TEXTURE_CUBE_MAP_POSITIVE_X + uiFace,
                                  OrvLevelDesc(rFormat, m_dwUsage, ePool, uiEdge, uiEdge, uiLevel),
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

COrvGLSurface* COrvGLCubeTexture::GetSurface(UINT uiFace, UINT uiLevel) const
{
    if (uiFace >= 6 || uiLevel >= m_apFaces[uiFace].size())
        return nullptr;
    return m_apFaces[uiFace][uiLevel];
}

HRESULT COrvGLCubeTexture::GetLevelDesc(UINT uiLevel, D3DSURFACE_DESC* pDesc)
{
    COrvGLSurface* pLevel = GetSurface(0, uiLevel);
    if (!pDesc || !pLevel)
        return D3DERR_INVALIDCALL;
    return pLevel->GetDesc(pDesc);
}

HRESULT COrvGLCubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES eFace, UINT uiLevel,
                                             IDirect3DSurface9** ppSurface)
{
    if (!ppSurface)
        return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    COrvGLSurface* pLevel = GetSurface((UINT)eFace, uiLevel);
    if (!pLevel)
        return D3DERR_INVALIDCALL;
    *ppSurface = pLevel;
    AddRef();
    return D3D_OK;
}

HRESULT COrvGLCubeTexture::LockRect(D3DCUBEMAP_FACES eFace, UINT uiLevel,
                                    D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD dwFlags)
{
    COrvGLSurface* pLevel = GetSurface((UINT)eFace, uiLevel);
    return pLevel ? pLevel->LockRect(pLockedRect, pRect, dwFlags) : D3DERR_INVALIDCALL;
}

HRESULT COrvGLCubeTexture::UnlockRect(D3DCUBEMAP_FACES eFace, UINT uiLevel)
{
    COrvGLSurface* pLevel = GetSurface((UINT)eFace, uiLevel);
    return pLevel ? pLevel->UnlockRect() : D3DERR_INVALIDCALL;
}

HRESULT COrvGLCubeTexture::AddDirtyRect(D3DCUBEMAP_FACES eFace, const RECT*)
{
    return (UINT)eFace < 6 ? D3D_OK : D3DERR_INVALIDCALL;
}
