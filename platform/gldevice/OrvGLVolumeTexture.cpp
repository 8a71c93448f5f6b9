#include "OrvGLVolumeTexture.h"

#include "DxtCodec.h"

#include <cstring>

namespace
{
// What GL stores of a format in a 3D texture: the format itself, or 8-bit RGBA for blocks.
struct SVolumeStorage
{
    GLenum m_eInternal, m_eFormat, m_eType;
};

SVolumeStorage StorageOf(const SOrvGLFormat& rFormat)
{
    if (rFormat.m_uBlockBytes)
        return {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE};
    return {rFormat.m_eInternal, rFormat.m_eFormatGL, rFormat.m_eType};
}

GLuint CreateGLVolume(const SOrvGLFormat& rFormat, UINT uWidth, UINT uHeight, UINT uDepth,
                      UINT uLevels)
{
    while (glGetError() != GL_NO_ERROR)
    {
    }
    const SVolumeStorage storage = StorageOf(rFormat);
    GLuint uTexture = 0;
    glGenTextures(1, &uTexture);
    glBindTexture(GL_TEXTURE_3D, uTexture);
    for (UINT uLevel = 0; uLevel < uLevels; ++uLevel)
        glTexImage3D(GL_TEXTURE_3D, (GLint)uLevel, (GLint)storage.m_eInternal,
                     (GLsizei)std::max(1u, uWidth >> uLevel),
                     (GLsizei)std::max(1u, uHeight >> uLevel),
                     (GLsizei)std::max(1u, uDepth >> uLevel), 0, storage.m_eFormat, storage.m_eType,
                     nullptr);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAX_LEVEL, (GLint)uLevels - 1);
    glTexParameteriv(GL_TEXTURE_3D, GL_TEXTURE_SWIZZLE_RGBA, rFormat.m_aiSwizzle);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_3D, 0);
    if (glGetError() != GL_NO_ERROR)
    {
        glDeleteTextures(1, &uTexture);
        return 0;
    }
    return uTexture;
}

EOrvDxt DxtKind(D3DFORMAT eFormat)
{
    if (eFormat == D3DFMT_DXT1)
        return EOrvDxt::DXT1;
    return eFormat == D3DFMT_DXT2 || eFormat == D3DFMT_DXT3 ? EOrvDxt::DXT3 : EOrvDxt::DXT5;
}

// Decodes the blocks of a level (slices of rows of blocks) into 8-bit RGBA texels.
std::vector<BYTE> DecodeBlocks(const SOrvGLFormat& rFormat, const BYTE* pBlocks, UINT uWidth,
                               UINT uHeight, UINT uDepth)
{
    std::vector<BYTE> aRgba((size_t)uWidth * uHeight * uDepth * 4);
    const EOrvDxt eKind = DxtKind(rFormat.m_eFormat);
    BYTE abBlock[64];
    for (UINT z = 0; z < uDepth; ++z)
        for (UINT by = 0; by < uHeight; by += 4)
            for (UINT bx = 0; bx < uWidth; bx += 4, pBlocks += rFormat.m_uBlockBytes)
            {
                orv::dxt::DecodeBlock(eKind, pBlocks, abBlock);
                for (UINT y = by; y < std::min(by + 4, uHeight); ++y)
                    std::memcpy(&aRgba[(((size_t)z * uHeight + y) * uWidth + bx) * 4],
                                &abBlock[((y - by) * 4) * 4], std::min(4u, uWidth - bx) * 4);
            }
    return aRgba;
}

bool BoxInside(const D3DBOX& rBox, const D3DVOLUME_DESC& rDesc)
{
    return rBox.Left < rBox.Right && rBox.Top < rBox.Bottom && rBox.Front < rBox.Back &&
           rBox.Right <= rDesc.Width && rBox.Bottom <= rDesc.Height && rBox.Back <= rDesc.Depth;
}

// Compressed volumes lock whole 4 x 4 blocks (or blocks reaching the right and bottom edges).
bool BoxBlockAligned(const D3DBOX& rBox, const D3DVOLUME_DESC& rDesc)
{
    return rBox.Left % 4 == 0 && rBox.Top % 4 == 0 &&
           (rBox.Right % 4 == 0 || rBox.Right == rDesc.Width) &&
           (rBox.Bottom % 4 == 0 || rBox.Bottom == rDesc.Height);
}
} // namespace

// ---------------------------------------------------------------------------------------------
// COrvGLVolume
// ---------------------------------------------------------------------------------------------
COrvGLVolume::COrvGLVolume(OrvGLCorePtr pCore, COrvGLVolumeTexture* pContainer, UINT uLevel,
                           const D3DVOLUME_DESC& rDesc, const SOrvGLFormat& rFormat)
    : m_pCore(std::move(pCore)), m_pContainer(pContainer), m_uLevel(uLevel), m_desc(rDesc),
      m_pFormat(&rFormat)
{
    if (IsCompressed())
        m_aMemory.assign(GetMemorySize(), 0);
}

ULONG COrvGLVolume::AddRef()
{
    return m_pContainer->AddRef();
}

ULONG COrvGLVolume::Release()
{
    return m_pContainer->Release();
}

HRESULT COrvGLVolume::GetDevice(IDirect3DDevice9** ppDevice)
{
    return OrvGetDeviceOf(m_pCore, ppDevice);
}

HRESULT COrvGLVolume::GetDesc(D3DVOLUME_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = m_desc;
    return D3D_OK;
}

bool COrvGLVolume::ReadVoxels(std::vector<BYTE>& raVoxels)
{
    if (IsCompressed())
    {
        raVoxels = m_aMemory;
        return true;
    }
    if (!m_pCore->Prepare())
        return false;
    raVoxels.resize(GetMemorySize());
    glBindTexture(GL_TEXTURE_3D, m_pContainer->GetTextureName());
    glGetTexImage(GL_TEXTURE_3D, (GLint)m_uLevel, m_pFormat->m_eFormatGL, m_pFormat->m_eType,
                  raVoxels.data());
    glBindTexture(GL_TEXTURE_3D, 0);
    OrvTextureBindingsChanged(m_pCore);
    OrvFillUnusedAlpha(*m_pFormat, raVoxels.data(), raVoxels.size());
    return true;
}

bool COrvGLVolume::Upload(const BYTE* pVoxels)
{
    if (!m_pCore->Prepare())
        return false;
    std::vector<BYTE> aDecoded;
    if (IsCompressed())
    {
        aDecoded = DecodeBlocks(*m_pFormat, pVoxels, m_desc.Width, m_desc.Height, m_desc.Depth);
        pVoxels = aDecoded.data();
    }
    const SVolumeStorage storage = StorageOf(*m_pFormat);
    glBindTexture(GL_TEXTURE_3D, m_pContainer->GetTextureName());
    glTexSubImage3D(GL_TEXTURE_3D, (GLint)m_uLevel, 0, 0, 0, (GLsizei)m_desc.Width,
                    (GLsizei)m_desc.Height, (GLsizei)m_desc.Depth, storage.m_eFormat,
                    storage.m_eType, pVoxels);
    glBindTexture(GL_TEXTURE_3D, 0);
    OrvTextureBindingsChanged(m_pCore);
    m_pContainer->LevelWritten(m_uLevel);
    return true;
}

bool COrvGLVolume::WriteVoxels(const BYTE* pVoxels)
{
    if (IsCompressed() && pVoxels != m_aMemory.data())
        std::memcpy(m_aMemory.data(), pVoxels, m_aMemory.size());
    return Upload(pVoxels);
}

HRESULT COrvGLVolume::LockBox(D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD dwFlags)
{
    if (!pLockedVolume || m_bLocked)
        return D3DERR_INVALIDCALL;
    D3DBOX box = {0, 0, m_desc.Width, m_desc.Height, 0, m_desc.Depth};
    if (pBox)
    {
        if (!BoxInside(*pBox, m_desc) || (IsCompressed() && !BoxBlockAligned(*pBox, m_desc)))
            return D3DERR_INVALIDCALL;
        box = *pBox;
    }
    if (!IsCompressed())
    {
        if (dwFlags & D3DLOCK_DISCARD)
            m_aMemory.assign(GetMemorySize(), 0);
        else if (!ReadVoxels(m_aMemory))
            return D3DERR_INVALIDCALL;
    }
    m_bLocked = true;
    m_dwLockFlags = dwFlags;
    pLockedVolume->RowPitch = (INT)GetRowPitch();
    pLockedVolume->SlicePitch = (INT)GetSlicePitch();
    const UINT uBlock = m_pFormat->m_uBlockBytes;
    pLockedVolume->pBits =
        m_aMemory.data() + box.Front * GetSlicePitch() +
        (size_t)OrvRowCount(*m_pFormat, box.Top) * GetRowPitch() +
        (uBlock ? (size_t)box.Left / 4 * uBlock : (size_t)box.Left * m_pFormat->m_uBytesPerPixel);
    return D3D_OK;
}

HRESULT COrvGLVolume::UnlockBox()
{
    if (!m_bLocked)
        return D3DERR_INVALIDCALL;
    m_bLocked = false;
    if (!(m_dwLockFlags & D3DLOCK_READONLY))
        Upload(m_aMemory.data());
    if (!IsCompressed())
        std::vector<BYTE>().swap(m_aMemory);
    return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// COrvGLVolumeTexture
// ---------------------------------------------------------------------------------------------
COrvGLVolumeTexture::COrvGLVolumeTexture(OrvGLCorePtr pCore, UINT uWidth, UINT uHeight, UINT uDepth,
                                         UINT uLevels, DWORD dwUsage, const SOrvGLFormat& rFormat,
                                         D3DPOOL ePool)
    : TOrvGLTexture(std::move(pCore), GL_TEXTURE_3D, rFormat, dwUsage)
{
    const UINT uGLLevels = PlanLevels(uLevels, FullChainLength(uWidth, uHeight, uDepth), m_dwUsage,
                                      rFormat, m_uLevelCount);
    if (!m_pCore->MakeCurrent())
        return;
    m_uTexture = CreateGLVolume(rFormat, uWidth, uHeight, uDepth, uGLLevels);
    if (!m_uTexture)
        return;
    for (UINT uLevel = 0; uLevel < m_uLevelCount; ++uLevel)
    {
        const D3DVOLUME_DESC desc = {rFormat.m_eFormat,
                                     D3DRTYPE_VOLUME,
                                     m_dwUsage,
                                     ePool,
                                     std::max(1u, uWidth >> uLevel),
                                     std::max(1u, uHeight >> uLevel),
                                     std::max(1u, uDepth >> uLevel)};
        m_apLevels.push_back(std::make_unique<COrvGLVolume>(m_pCore, this, uLevel, desc, rFormat));
        // Compressed levels start as zero blocks, as those of 2D textures do.
        if (rFormat.m_uBlockBytes)
        {
            std::vector<BYTE> aZeros(m_apLevels.back()->GetMemorySize(), 0);
            m_apLevels.back()->WriteVoxels(aZeros.data());
        }
    }
}

COrvGLVolumeTexture::~COrvGLVolumeTexture()
{
    m_apLevels.clear();
    DestroyTexture();
}

COrvGLVolume* COrvGLVolumeTexture::GetVolume(UINT uLevel) const
{
    return uLevel < m_apLevels.size() ? m_apLevels[uLevel].get() : nullptr;
}

HRESULT COrvGLVolumeTexture::GetLevelDesc(UINT uLevel, D3DVOLUME_DESC* pDesc)
{
    COrvGLVolume* pLevel = GetVolume(uLevel);
    return pDesc && pLevel ? pLevel->GetDesc(pDesc) : D3DERR_INVALIDCALL;
}

HRESULT COrvGLVolumeTexture::GetVolumeLevel(UINT uLevel, IDirect3DVolume9** ppVolume)
{
    if (!ppVolume)
        return D3DERR_INVALIDCALL;
    *ppVolume = GetVolume(uLevel);
    if (!*ppVolume)
        return D3DERR_INVALIDCALL;
    AddRef();
    return D3D_OK;
}

HRESULT COrvGLVolumeTexture::LockBox(UINT uLevel, D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox,
                                     DWORD dwFlags)
{
    COrvGLVolume* pLevel = GetVolume(uLevel);
    return pLevel ? pLevel->LockBox(pLockedVolume, pBox, dwFlags) : D3DERR_INVALIDCALL;
}

HRESULT COrvGLVolumeTexture::UnlockBox(UINT uLevel)
{
    COrvGLVolume* pLevel = GetVolume(uLevel);
    return pLevel ? pLevel->UnlockBox() : D3DERR_INVALIDCALL;
}
