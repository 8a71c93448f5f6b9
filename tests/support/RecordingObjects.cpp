#include "RecordingObjects.h"

#include "RecordingDevice.h"

#include <cstring>

namespace
{
UINT BytesPerPixel(D3DFORMAT format)
{
    switch (format)
    {
    case D3DFMT_A16B16G16R16:
    case D3DFMT_A16B16G16R16F:
    case D3DFMT_G32R32F:
        return 8;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8L8:
    case D3DFMT_R16F:
    case D3DFMT_D16:
        return 2;
    case D3DFMT_A8:
    case D3DFMT_L8:
        return 1;
    case D3DFMT_A32B32G32R32F:
        return 16;
    default:
        return 4;
    }
}
} // namespace

CRecordingObject::CRecordingObject(CRecordingDevice* pDevice, std::string label)
    : m_pOwner(pDevice), m_Label(std::move(label))
{
    if (m_pOwner)
        m_pOwner->ObjectCreated();
}

CRecordingObject::~CRecordingObject()
{
    if (m_pOwner)
        m_pOwner->ObjectDestroyed();
}

ULONG CRecordingObject::ReleaseObject()
{
    const ULONG count = --m_ulCount;
    if (count == 0)
        delete this;
    return count;
}

#define ORV_RECORDING_GET_DEVICE(CLASS)                                                            \
    HRESULT CLASS::GetDevice(IDirect3DDevice9** ppDevice)                                          \
    {                                                                                              \
        if (!ppDevice || !m_pOwner)                                                                \
            return D3DERR_INVALIDCALL;                                                             \
        m_pOwner->AddRef();                                                                        \
        *ppDevice = m_pOwner;                                                                      \
        return S_OK;                                                                               \
    }

ORV_RECORDING_GET_DEVICE(CRecordingSurface)
ORV_RECORDING_GET_DEVICE(CRecordingTexture)
ORV_RECORDING_GET_DEVICE(CRecordingCubeTexture)
ORV_RECORDING_GET_DEVICE(CRecordingVolumeTexture)
ORV_RECORDING_GET_DEVICE(CRecordingVertexBuffer)
ORV_RECORDING_GET_DEVICE(CRecordingIndexBuffer)
ORV_RECORDING_GET_DEVICE(CRecordingDeclaration)

CRecordingSurface::CRecordingSurface(CRecordingDevice* pDevice, std::string label,
                                     const D3DSURFACE_DESC& desc)
    : CRecordingObject(pDevice, std::move(label)), m_Desc(desc),
      m_Bits(size_t(desc.Width) * desc.Height * BytesPerPixel(desc.Format))
{
}

HRESULT CRecordingSurface::GetDesc(D3DSURFACE_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = m_Desc;
    return S_OK;
}

HRESULT CRecordingSurface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD)
{
    if (!pLockedRect)
        return D3DERR_INVALIDCALL;
    const UINT bpp = BytesPerPixel(m_Desc.Format);
    pLockedRect->Pitch = static_cast<INT>(m_Desc.Width * bpp);
    size_t offset = 0;
    if (pRect)
        offset = size_t(pRect->top) * pLockedRect->Pitch + size_t(pRect->left) * bpp;
    pLockedRect->pBits = m_Bits.data() + offset;
    return S_OK;
}

HRESULT CRecordingSurface::UnlockRect()
{
    return S_OK;
}

CRecordingTexture::CRecordingTexture(CRecordingDevice* pDevice, std::string label, UINT levels,
                                     const D3DSURFACE_DESC& desc)
    : CRecordingObject(pDevice, label)
{
    D3DSURFACE_DESC levelDesc = desc;
    for (UINT i = 0; i < levels; ++i)
    {
        m_Levels.push_back(
            new CRecordingSurface(pDevice, label + ".level" + std::to_string(i), levelDesc));
        levelDesc.Width = levelDesc.Width > 1 ? levelDesc.Width / 2 : 1;
        levelDesc.Height = levelDesc.Height > 1 ? levelDesc.Height / 2 : 1;
    }
}

CRecordingTexture::~CRecordingTexture()
{
    for (CRecordingSurface* pLevel : m_Levels)
        pLevel->Release();
}

HRESULT CRecordingTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc)
{
    if (Level >= m_Levels.size())
        return D3DERR_INVALIDCALL;
    return m_Levels[Level]->GetDesc(pDesc);
}

HRESULT CRecordingTexture::GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel)
{
    if (Level >= m_Levels.size() || !ppSurfaceLevel)
        return D3DERR_INVALIDCALL;
    m_Levels[Level]->AddRef();
    *ppSurfaceLevel = m_Levels[Level];
    return S_OK;
}

HRESULT CRecordingTexture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                                    DWORD Flags)
{
    if (Level >= m_Levels.size())
        return D3DERR_INVALIDCALL;
    return m_Levels[Level]->LockRect(pLockedRect, pRect, Flags);
}

HRESULT CRecordingTexture::UnlockRect(UINT Level)
{
    return Level < m_Levels.size() ? S_OK : D3DERR_INVALIDCALL;
}

CRecordingCubeTexture::CRecordingCubeTexture(CRecordingDevice* pDevice, std::string label,
                                             UINT levels, const D3DSURFACE_DESC& desc)
    : CRecordingObject(pDevice, label)
{
    for (UINT face = 0; face < 6; ++face)
    {
        D3DSURFACE_DESC levelDesc = desc;
        for (UINT i = 0; i < levels; ++i)
        {
            m_Faces[face].push_back(new CRecordingSurface(
                pDevice, label + ".face" + std::to_string(face) + ".level" + std::to_string(i),
                levelDesc));
            levelDesc.Width = levelDesc.Height = levelDesc.Width > 1 ? levelDesc.Width / 2 : 1;
        }
    }
}

CRecordingCubeTexture::~CRecordingCubeTexture()
{
    for (std::vector<CRecordingSurface*>& levels : m_Faces)
        for (CRecordingSurface* pLevel : levels)
            pLevel->Release();
}

CRecordingSurface* CRecordingCubeTexture::Face(D3DCUBEMAP_FACES face, UINT level) const
{
    if (UINT(face) >= 6 || level >= m_Faces[face].size())
        return nullptr;
    return m_Faces[face][level];
}

HRESULT CRecordingCubeTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc)
{
    CRecordingSurface* pLevel = Face(D3DCUBEMAP_FACE_POSITIVE_X, Level);
    return pLevel ? pLevel->GetDesc(pDesc) : D3DERR_INVALIDCALL;
}

HRESULT CRecordingCubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES FaceType, UINT Level,
                                                 IDirect3DSurface9** ppCubeMapSurface)
{
    CRecordingSurface* pLevel = Face(FaceType, Level);
    if (!pLevel || !ppCubeMapSurface)
        return D3DERR_INVALIDCALL;
    pLevel->AddRef();
    *ppCubeMapSurface = pLevel;
    return S_OK;
}

HRESULT CRecordingCubeTexture::LockRect(D3DCUBEMAP_FACES FaceType, UINT Level,
                                        D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags)
{
    CRecordingSurface* pLevel = Face(FaceType, Level);
    return pLevel ? pLevel->LockRect(pLockedRect, pRect, Flags) : D3DERR_INVALIDCALL;
}

HRESULT CRecordingCubeTexture::UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level)
{
    return Face(FaceType, Level) ? S_OK : D3DERR_INVALIDCALL;
}

HRESULT CRecordingCubeTexture::AddDirtyRect(D3DCUBEMAP_FACES FaceType, const RECT*)
{
    return UINT(FaceType) < 6 ? S_OK : D3DERR_INVALIDCALL;
}

CRecordingVolume::CRecordingVolume(IUnknown* pContainer, CRecordingDevice* pDevice,
                                   const D3DVOLUME_DESC& desc)
    : m_pContainer(pContainer), m_pDevice(pDevice), m_Desc(desc),
      m_Bits(size_t(desc.Width) * desc.Height * desc.Depth * BytesPerPixel(desc.Format))
{
}

HRESULT CRecordingVolume::GetDevice(IDirect3DDevice9** ppDevice)
{
    if (!ppDevice || !m_pDevice)
        return D3DERR_INVALIDCALL;
    m_pDevice->AddRef();
    *ppDevice = m_pDevice;
    return S_OK;
}

HRESULT CRecordingVolume::GetDesc(D3DVOLUME_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = m_Desc;
    return S_OK;
}

HRESULT CRecordingVolume::LockBox(D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD)
{
    if (!pLockedVolume || m_bLocked ||
        (pBox &&
         (pBox->Left >= pBox->Right || pBox->Top >= pBox->Bottom || pBox->Front >= pBox->Back ||
          pBox->Right > m_Desc.Width || pBox->Bottom > m_Desc.Height || pBox->Back > m_Desc.Depth)))
        return D3DERR_INVALIDCALL;
    const UINT bpp = BytesPerPixel(m_Desc.Format);
    pLockedVolume->RowPitch = static_cast<INT>(m_Desc.Width * bpp);
    pLockedVolume->SlicePitch = pLockedVolume->RowPitch * static_cast<INT>(m_Desc.Height);
    size_t offset = 0;
    if (pBox)
        offset = size_t(pBox->Front) * size_t(pLockedVolume->SlicePitch) +
                 size_t(pBox->Top) * size_t(pLockedVolume->RowPitch) + size_t(pBox->Left) * bpp;
    pLockedVolume->pBits = m_Bits.data() + offset;
    m_bLocked = true;
    return S_OK;
}

HRESULT CRecordingVolume::UnlockBox()
{
    if (!m_bLocked)
        return D3DERR_INVALIDCALL;
    m_bLocked = false;
    return S_OK;
}

CRecordingVolumeTexture::CRecordingVolumeTexture(CRecordingDevice* pDevice, std::string label,
                                                 UINT levels, const D3DVOLUME_DESC& desc)
    : CRecordingObject(pDevice, std::move(label))
{
    D3DVOLUME_DESC levelDesc = desc;
    levelDesc.Type = D3DRTYPE_VOLUME;
    for (UINT i = 0; i < levels; ++i)
    {
        m_Levels.push_back(new CRecordingVolume(this, pDevice, levelDesc));
        levelDesc.Width = levelDesc.Width > 1 ? levelDesc.Width / 2 : 1;
        levelDesc.Height = levelDesc.Height > 1 ? levelDesc.Height / 2 : 1;
        levelDesc.Depth = levelDesc.Depth > 1 ? levelDesc.Depth / 2 : 1;
    }
}

CRecordingVolumeTexture::~CRecordingVolumeTexture()
{
    for (CRecordingVolume* pLevel : m_Levels)
        delete pLevel;
}

HRESULT CRecordingVolumeTexture::GetLevelDesc(UINT Level, D3DVOLUME_DESC* pDesc)
{
    return Level < m_Levels.size() ? m_Levels[Level]->GetDesc(pDesc) : D3DERR_INVALIDCALL;
}

HRESULT CRecordingVolumeTexture::GetVolumeLevel(UINT Level, IDirect3DVolume9** ppVolumeLevel)
{
    if (Level >= m_Levels.size() || !ppVolumeLevel)
        return D3DERR_INVALIDCALL;
    AddRef();
    *ppVolumeLevel = m_Levels[Level];
    return S_OK;
}

HRESULT CRecordingVolumeTexture::LockBox(UINT Level, D3DLOCKED_BOX* pLockedVolume,
                                         const D3DBOX* pBox, DWORD Flags)
{
    if (Level >= m_Levels.size())
        return D3DERR_INVALIDCALL;
    return m_Levels[Level]->LockBox(pLockedVolume, pBox, Flags);
}

HRESULT CRecordingVolumeTexture::UnlockBox(UINT Level)
{
    return Level < m_Levels.size() ? m_Levels[Level]->UnlockBox() : D3DERR_INVALIDCALL;
}

CRecordingVertexBuffer::CRecordingVertexBuffer(CRecordingDevice* pDevice, std::string label,
                                               const D3DVERTEXBUFFER_DESC& desc)
    : CRecordingObject(pDevice, std::move(label)), m_Desc(desc), m_Bytes(desc.Size)
{
}

HRESULT CRecordingVertexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData,
                                     DWORD Flags)
{
    if (!m_pOwner->NoteLock(m_Label, OffsetToLock, SizeToLock, Flags))
    {
        if (ppbData)
            *ppbData = nullptr;
        return D3DERR_INVALIDCALL;
    }
    if (!ppbData || OffsetToLock > m_Bytes.size() ||
        (SizeToLock != 0 && SizeToLock > m_Bytes.size() - OffsetToLock))
        return D3DERR_INVALIDCALL;
    *ppbData = m_Bytes.data() + OffsetToLock;
    m_bLocked = true;
    return S_OK;
}

HRESULT CRecordingVertexBuffer::Unlock()
{
    m_pOwner->NoteUnlock(m_Label);
    m_bLocked = false;
    return S_OK;
}

HRESULT CRecordingVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = m_Desc;
    return S_OK;
}

CRecordingIndexBuffer::CRecordingIndexBuffer(CRecordingDevice* pDevice, std::string label,
                                             const D3DINDEXBUFFER_DESC& desc)
    : CRecordingObject(pDevice, std::move(label)), m_Desc(desc), m_Bytes(desc.Size)
{
}

HRESULT CRecordingIndexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD)
{
    if (!ppbData || OffsetToLock > m_Bytes.size() ||
        (SizeToLock != 0 && SizeToLock > m_Bytes.size() - OffsetToLock))
        return D3DERR_INVALIDCALL;
    *ppbData = m_Bytes.data() + OffsetToLock;
    return S_OK;
}

HRESULT CRecordingIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    *pDesc = m_Desc;
    return S_OK;
}

CRecordingDeclaration::CRecordingDeclaration(CRecordingDevice* pDevice, std::string label,
                                             const D3DVERTEXELEMENT9* pElements)
    : CRecordingObject(pDevice, std::move(label))
{
    for (; pElements && pElements->Stream != 0xFF; ++pElements)
        m_Elements.push_back(*pElements);
    m_Elements.push_back(D3DVERTEXELEMENT9 D3DDECL_END());
}

HRESULT CRecordingDeclaration::GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements)
{
    if (!pNumElements)
        return D3DERR_INVALIDCALL;
    *pNumElements = static_cast<UINT>(m_Elements.size());
    if (pElement)
        std::memcpy(pElement, m_Elements.data(), m_Elements.size() * sizeof(D3DVERTEXELEMENT9));
    return S_OK;
}
