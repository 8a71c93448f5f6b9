#pragma once

// Volume textures of the OpenGL device: a GL_TEXTURE_3D whose levels are volumes locked by
// box. GL cannot hold S3TC blocks in a 3D texture: a DXT volume keeps its blocks in memory
// (what locks see) and GL holds them decoded to 8-bit RGBA.
#include "OrvGLTexture.h"

#include <memory>

class COrvGLVolumeTexture;

class COrvGLVolume : public TOrvCounted<IDirect3DVolume9>
{
public:
    COrvGLVolume(OrvGLCorePtr pCore, COrvGLVolumeTexture* pContainer, UINT uLevel,
                 const D3DVOLUME_DESC& rDesc, const SOrvGLFormat& rFormat);

    // Counted with the texture.
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT GetDesc(D3DVOLUME_DESC* pDesc) override;
    HRESULT LockBox(D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD dwFlags) override;
    HRESULT UnlockBox() override;

    const D3DVOLUME_DESC& GetDescRef() const { return m_desc; }
    UINT GetRowPitch() const { return OrvRowPitch(*m_pFormat, m_desc.Width); }
    size_t GetSlicePitch() const { return OrvLevelSize(*m_pFormat, m_desc.Width, m_desc.Height); }
    size_t GetMemorySize() const { return GetSlicePitch() * m_desc.Depth; }
    // The whole level in the D3D layout, and the same written back.
    bool ReadVoxels(std::vector<BYTE>& raVoxels);
    bool WriteVoxels(const BYTE* pVoxels);

private:
    bool IsCompressed() const { return m_pFormat->m_uBlockBytes != 0; }
    // Uploads the level (decoding blocks first for compressed formats).
    bool Upload(const BYTE* pVoxels);

    OrvGLCorePtr m_pCore;
    COrvGLVolumeTexture* m_pContainer;
    UINT m_uLevel;
    D3DVOLUME_DESC m_desc;
    const SOrvGLFormat* m_pFormat;
    // The staging copy while locked; for compressed formats the level's blocks, always.
    std::vector<BYTE> m_aMemory;
    bool m_bLocked = false;
    DWORD m_dwLockFlags = 0;
};

class COrvGLVolumeTexture : public TOrvGLTexture<IDirect3DVolumeTexture9>
{
public:
    COrvGLVolumeTexture(OrvGLCorePtr pCore, UINT uWidth, UINT uHeight, UINT uDepth, UINT uLevels,
                        DWORD dwUsage, const SOrvGLFormat& rFormat, D3DPOOL ePool);
    ~COrvGLVolumeTexture() override;

    HRESULT GetLevelDesc(UINT uLevel, D3DVOLUME_DESC* pDesc) override;
    HRESULT GetVolumeLevel(UINT uLevel, IDirect3DVolume9** ppVolume) override;
    HRESULT LockBox(UINT uLevel, D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox,
                    DWORD dwFlags) override;
    HRESULT UnlockBox(UINT uLevel) override;
    HRESULT AddDirtyBox(const D3DBOX*) override { return D3D_OK; }

    COrvGLVolume* GetVolume(UINT uLevel) const;
    COrvGLSurface* GetSurface(UINT, UINT) const override { return nullptr; }
    const OrvGLCorePtr& GetCoreRef() const { return m_pCore; }

private:
    std::vector<std::unique_ptr<COrvGLVolume>> m_apLevels;
};
