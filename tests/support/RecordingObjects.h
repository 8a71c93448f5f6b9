#pragma once

// The objects a recording device hands out: textures, surfaces, vertex and index buffers,
// vertex declarations. Each has a label ("texture#3", "surface#4", "backbuffer") by which
// the device's call log names it, and real memory behind every Lock.
#include "d3d9.h"

#include <string>
#include <vector>

class CRecordingDevice;

// Shared counting and labelling. The device keeps the number of live objects, so a test can
// check that everything it created was released.
class CRecordingObject
{
public:
    CRecordingObject(CRecordingDevice* pDevice, std::string label);
    virtual ~CRecordingObject();
    CRecordingObject(const CRecordingObject&) = delete;
    CRecordingObject& operator=(const CRecordingObject&) = delete;

    const std::string& GetLabel() const { return m_Label; }
    ULONG GetCount() const { return m_ulCount; }

protected:
    ULONG AddRefObject() { return ++m_ulCount; }
    ULONG ReleaseObject();

    CRecordingDevice* m_pOwner;
    std::string m_Label;
    ULONG m_ulCount = 1;
};

// Implements the IDirect3DResource9 slots shared by surfaces, textures and buffers.
#define ORV_RECORDING_RESOURCE_METHODS(TYPE)                                                       \
    ULONG AddRef() override                                                                        \
    {                                                                                              \
        return AddRefObject();                                                                     \
    }                                                                                              \
    ULONG Release() override                                                                       \
    {                                                                                              \
        return ReleaseObject();                                                                    \
    }                                                                                              \
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;                                       \
    DWORD SetPriority(DWORD) override                                                              \
    {                                                                                              \
        return 0;                                                                                  \
    }                                                                                              \
    DWORD GetPriority() override                                                                   \
    {                                                                                              \
        return 0;                                                                                  \
    }                                                                                              \
    void PreLoad() override {}                                                                     \
    D3DRESOURCETYPE GetType() override                                                             \
    {                                                                                              \
        return TYPE;                                                                               \
    }

class CRecordingSurface : public IDirect3DSurface9, public CRecordingObject
{
public:
    CRecordingSurface(CRecordingDevice* pDevice, std::string label, const D3DSURFACE_DESC& desc);
    ORV_RECORDING_RESOURCE_METHODS(D3DRTYPE_SURFACE)
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect() override;

    const std::vector<BYTE>& GetBits() const { return m_Bits; }

private:
    D3DSURFACE_DESC m_Desc;
    std::vector<BYTE> m_Bits;
};

class CRecordingTexture : public IDirect3DTexture9, public CRecordingObject
{
public:
    CRecordingTexture(CRecordingDevice* pDevice, std::string label, UINT levels,
                      const D3DSURFACE_DESC& desc);
    ~CRecordingTexture() override;
    ORV_RECORDING_RESOURCE_METHODS(D3DRTYPE_TEXTURE)
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(m_Levels.size()); }
    HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) override { return S_OK; }
    D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return D3DTEXF_LINEAR; }
    void GenerateMipSubLevels() override {}
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                     DWORD Flags) override;
    HRESULT UnlockRect(UINT Level) override;
    HRESULT AddDirtyRect(const RECT*) override { return S_OK; }

private:
    std::vector<CRecordingSurface*> m_Levels;
};

// Six faces of surfaces, each face with its chain of levels ("cubetexture#3.face2.level0").
class CRecordingCubeTexture : public IDirect3DCubeTexture9, public CRecordingObject
{
public:
    CRecordingCubeTexture(CRecordingDevice* pDevice, std::string label, UINT levels,
                          const D3DSURFACE_DESC& desc);
    ~CRecordingCubeTexture() override;
    ORV_RECORDING_RESOURCE_METHODS(D3DRTYPE_CUBETEXTURE)
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(m_Faces[0].size()); }
    HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) override { return S_OK; }
    D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return D3DTEXF_LINEAR; }
    void GenerateMipSubLevels() override {}
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES FaceType, UINT Level,
                              IDirect3DSurface9** ppCubeMapSurface) override;
    HRESULT LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect,
                     const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level) override;
    HRESULT AddDirtyRect(D3DCUBEMAP_FACES FaceType, const RECT*) override;

private:
    CRecordingSurface* Face(D3DCUBEMAP_FACES face, UINT level) const;

    std::vector<CRecordingSurface*> m_Faces[6];
};

// One level of a recording volume texture, counted with it; real memory behind LockBox.
class CRecordingVolume : public IDirect3DVolume9
{
public:
    CRecordingVolume(IUnknown* pContainer, CRecordingDevice* pDevice, const D3DVOLUME_DESC& desc);
    ULONG AddRef() override { return m_pContainer->AddRef(); }
    ULONG Release() override { return m_pContainer->Release(); }
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT GetDesc(D3DVOLUME_DESC* pDesc) override;
    HRESULT LockBox(D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD Flags) override;
    HRESULT UnlockBox() override;

    const std::vector<BYTE>& GetBits() const { return m_Bits; }

private:
    IUnknown* m_pContainer;
    CRecordingDevice* m_pDevice;
    D3DVOLUME_DESC m_Desc;
    std::vector<BYTE> m_Bits;
    bool m_bLocked = false;
};

class CRecordingVolumeTexture : public IDirect3DVolumeTexture9, public CRecordingObject
{
public:
    CRecordingVolumeTexture(CRecordingDevice* pDevice, std::string label, UINT levels,
                            const D3DVOLUME_DESC& desc);
    ~CRecordingVolumeTexture() override;
    ORV_RECORDING_RESOURCE_METHODS(D3DRTYPE_VOLUMETEXTURE)
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(m_Levels.size()); }
    HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) override { return S_OK; }
    D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return D3DTEXF_LINEAR; }
    void GenerateMipSubLevels() override {}
    HRESULT GetLevelDesc(UINT Level, D3DVOLUME_DESC* pDesc) override;
    HRESULT GetVolumeLevel(UINT Level, IDirect3DVolume9** ppVolumeLevel) override;
    HRESULT LockBox(UINT Level, D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox,
                    DWORD Flags) override;
    HRESULT UnlockBox(UINT Level) override;
    HRESULT AddDirtyBox(const D3DBOX*) override { return S_OK; }

private:
    std::vector<CRecordingVolume*> m_Levels;
};

class CRecordingVertexBuffer : public IDirect3DVertexBuffer9, public CRecordingObject
{
public:
    CRecordingVertexBuffer(CRecordingDevice* pDevice, std::string label,
                           const D3DVERTEXBUFFER_DESC& desc);
    ORV_RECORDING_RESOURCE_METHODS(D3DRTYPE_VERTEXBUFFER)
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

    const std::vector<BYTE>& GetBytes() const { return m_Bytes; }
    bool IsLocked() const { return m_bLocked; }

private:
    D3DVERTEXBUFFER_DESC m_Desc;
    std::vector<BYTE> m_Bytes;
    bool m_bLocked = false;
};

class CRecordingIndexBuffer : public IDirect3DIndexBuffer9, public CRecordingObject
{
public:
    CRecordingIndexBuffer(CRecordingDevice* pDevice, std::string label,
                          const D3DINDEXBUFFER_DESC& desc);
    ORV_RECORDING_RESOURCE_METHODS(D3DRTYPE_INDEXBUFFER)
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    HRESULT Unlock() override { return S_OK; }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;

private:
    D3DINDEXBUFFER_DESC m_Desc;
    std::vector<BYTE> m_Bytes;
};

class CRecordingDeclaration : public IDirect3DVertexDeclaration9, public CRecordingObject
{
public:
    CRecordingDeclaration(CRecordingDevice* pDevice, std::string label,
                          const D3DVERTEXELEMENT9* pElements);
    ULONG AddRef() override { return AddRefObject(); }
    ULONG Release() override { return ReleaseObject(); }
    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) override;

private:
    std::vector<D3DVERTEXELEMENT9> m_Elements;
};
