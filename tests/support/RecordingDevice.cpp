#include "RecordingDevice.h"

#include "RecordingStateNames.h"

#include <algorithm>
#include <cstring>

namespace
{
D3DMATRIX Identity()
{
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

std::string Rect(const RECT* pRect)
{
    if (!pRect)
        return "null";
    return std::to_string(pRect->left) + "," + std::to_string(pRect->top) + "," +
           std::to_string(pRect->right) + "," + std::to_string(pRect->bottom);
}
} // namespace

CRecordingDevice::CRecordingDevice(UINT width, UINT height, D3DFORMAT format)
{
    D3DSURFACE_DESC desc{};
    desc.Format = format;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = D3DUSAGE_RENDERTARGET;
    desc.Pool = D3DPOOL_DEFAULT;
    desc.Width = width;
    desc.Height = height;
    m_pBackBuffer = new CRecordingSurface(nullptr, "backbuffer", desc);
    desc.Format = D3DFMT_D24S8;
    desc.Usage = D3DUSAGE_DEPTHSTENCIL;
    m_pDepthBuffer = new CRecordingSurface(nullptr, "depthbuffer", desc);
    SetHeld(m_pRenderTargets[0], static_cast<IDirect3DSurface9*>(m_pBackBuffer));
    SetHeld(m_pDepthStencil, static_cast<IDirect3DSurface9*>(m_pDepthBuffer));
    m_Viewport = {0, 0, width, height, 0.0f, 1.0f};
}

CRecordingDevice::~CRecordingDevice()
{
    for (IUnknown*& pTarget : m_pRenderTargets)
        SetHeld(pTarget, nullptr);
    for (IUnknown*& pTexture : m_pTextures)
        SetHeld(pTexture, nullptr);
    SetHeld(m_pDepthStencil, nullptr);
    SetHeld(m_pStreamSource, nullptr);
    SetHeld(m_pIndices, nullptr);
    SetHeld(m_pDeclaration, nullptr);
    m_pBackBuffer->Release();
    m_pDepthBuffer->Release();
}

ULONG CRecordingDevice::Release()
{
    const ULONG count = --m_ulCount;
    if (count == 0)
        delete this;
    return count;
}

void CRecordingDevice::SetHeld(IUnknown*& pSlot, IUnknown* pObject)
{
    if (pObject)
        pObject->AddRef();
    if (pSlot)
        pSlot->Release();
    pSlot = pObject;
}

bool CRecordingDevice::NoteLock(const std::string& label, UINT offset, UINT size, DWORD flags)
{
    if (m_bRecordLocks)
        Record("Lock", label, offset, size, flags);
    return !m_bFailLocks;
}

void CRecordingDevice::NoteUnlock(const std::string& label)
{
    if (m_bRecordLocks)
        Record("Unlock", label);
}

std::string CRecordingDevice::NextLabel(const char* pKind)
{
    return std::string(pKind) + "#" + std::to_string(m_iNextLabel++);
}

std::string CRecordingDevice::Label(IUnknown* pObject) const
{
    if (!pObject)
        return "null";
    if (pObject == static_cast<const IUnknown*>(this))
        return "device";
    if (auto* pRecording = dynamic_cast<CRecordingObject*>(pObject))
        return pRecording->GetLabel();
    return "foreign";
}

std::vector<std::string> CRecordingDevice::CallsNamed(const std::vector<std::string>& names) const
{
    std::vector<std::string> result;
    for (const SRecordedCall& call : m_Calls)
    {
        bool wanted = names.empty();
        for (const std::string& name : names)
            wanted = wanted || call.m_Name == name;
        if (wanted)
            result.push_back(call.Text());
    }
    return result;
}

size_t CRecordingDevice::CountCalls(const std::string& name) const
{
    size_t count = 0;
    for (const SRecordedCall& call : m_Calls)
        count += call.m_Name == name ? 1 : 0;
    return count;
}

DWORD CRecordingDevice::GetRenderStateValue(D3DRENDERSTATETYPE state) const
{
    auto it = m_RenderStates.find(state);
    return it == m_RenderStates.end() ? 0 : it->second;
}

IDirect3DBaseTexture9* CRecordingDevice::GetBoundTexture(DWORD stage) const
{
    return stage < 8 ? dynamic_cast<IDirect3DBaseTexture9*>(m_pTextures[stage]) : nullptr;
}

std::string CRecordingDevice::Matrix(const D3DMATRIX* pMatrix)
{
    if (!pMatrix)
        return "null";
    std::ostringstream text;
    for (int i = 0; i < 16; ++i)
        text << (i ? "," : "") << pMatrix->m[i / 4][i % 4];
    return text.str();
}

// --- Device and presentation ---------------------------------------------------------------

HRESULT CRecordingDevice::TestCooperativeLevel()
{
    Record("TestCooperativeLevel");
    return S_OK;
}

UINT CRecordingDevice::GetAvailableTextureMem()
{
    Record("GetAvailableTextureMem");
    return static_cast<UINT>(m_MemoryLimit);
}

HRESULT CRecordingDevice::EvictManagedResources()
{
    Record("EvictManagedResources");
    return S_OK;
}

HRESULT CRecordingDevice::GetDirect3D(IDirect3D9** ppD3D9)
{
    Record("GetDirect3D");
    if (ppD3D9)
        *ppD3D9 = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT CRecordingDevice::GetDeviceCaps(D3DCAPS9* pCaps)
{
    Record("GetDeviceCaps");
    if (!pCaps)
        return D3DERR_INVALIDCALL;
    std::memset(pCaps, 0, sizeof(*pCaps));
    return S_OK;
}

HRESULT CRecordingDevice::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode)
{
    Record("GetDisplayMode", iSwapChain);
    if (!pMode)
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc{};
    m_pBackBuffer->GetDesc(&desc);
    std::memset(pMode, 0, sizeof(*pMode));
    pMode->Width = desc.Width;
    pMode->Height = desc.Height;
    pMode->RefreshRate = 60;
    pMode->Format = desc.Format;
    return S_OK;
}

HRESULT CRecordingDevice::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters)
{
    Record("GetCreationParameters");
    if (!pParameters)
        return D3DERR_INVALIDCALL;
    std::memset(pParameters, 0, sizeof(*pParameters));
    return S_OK;
}

HRESULT CRecordingDevice::GetSwapChain(UINT iSwapChain, IDirect3DSwapChain9** pSwapChain)
{
    Record("GetSwapChain", iSwapChain);
    if (pSwapChain)
        *pSwapChain = nullptr;
    return D3DERR_NOTAVAILABLE;
}

UINT CRecordingDevice::GetNumberOfSwapChains()
{
    Record("GetNumberOfSwapChains");
    return 1;
}

HRESULT CRecordingDevice::Reset(D3DPRESENT_PARAMETERS*)
{
    Record("Reset");
    return S_OK;
}

HRESULT CRecordingDevice::Present(const RECT* pSourceRect, const RECT* pDestRect, HWND,
                                  const RGNDATA*)
{
    Record("Present", Rect(pSourceRect), Rect(pDestRect));
    return S_OK;
}

HRESULT CRecordingDevice::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE,
                                        IDirect3DSurface9** ppBackBuffer)
{
    Record("GetBackBuffer", iSwapChain, iBackBuffer);
    if (!ppBackBuffer || iSwapChain != 0 || iBackBuffer != 0)
        return D3DERR_INVALIDCALL;
    m_pBackBuffer->AddRef();
    *ppBackBuffer = m_pBackBuffer;
    return S_OK;
}

HRESULT CRecordingDevice::GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* pRasterStatus)
{
    Record("GetRasterStatus", iSwapChain);
    if (!pRasterStatus)
        return D3DERR_INVALIDCALL;
    std::memset(pRasterStatus, 0, sizeof(*pRasterStatus));
    return S_OK;
}

// --- Resource creation -----------------------------------------------------------------------

HRESULT CRecordingDevice::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                        D3DFORMAT Format, D3DPOOL Pool,
                                        IDirect3DTexture9** ppTexture, HANDLE*)
{
    Record("CreateTexture", Width, Height, Levels, Usage, Format, Pool);
    if (!ppTexture)
        return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    if (Width == 0 || Height == 0 || Width > 16384 || Height > 16384)
        return D3DERR_INVALIDCALL;
    if (!MayAllocate(size_t(Width) * Height * 4))
        return D3DERR_OUTOFVIDEOMEMORY;
    if (Levels == 0)
        for (UINT size = Width > Height ? Width : Height; size > 0; size /= 2)
            ++Levels;
    D3DSURFACE_DESC desc{};
    desc.Format = Format;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = Usage;
    desc.Pool = Pool;
    desc.Width = Width;
    desc.Height = Height;
    *ppTexture = new CRecordingTexture(this, NextLabel("texture"), Levels, desc);
    return S_OK;
}

namespace
{
UINT ChainLength(UINT size)
{
    UINT levels = 0;
    for (; size > 0; size /= 2)
        ++levels;
    return levels;
}
} // namespace

HRESULT CRecordingDevice::CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage,
                                            D3DFORMAT Format, D3DPOOL Pool,
                                            IDirect3DCubeTexture9** ppCubeTexture, HANDLE*)
{
    Record("CreateCubeTexture", EdgeLength, Levels, Usage, Format, Pool);
    if (!ppCubeTexture)
        return D3DERR_INVALIDCALL;
    *ppCubeTexture = nullptr;
    if (EdgeLength == 0 || EdgeLength > 16384)
        return D3DERR_INVALIDCALL;
    if (!MayAllocate(size_t(EdgeLength) * EdgeLength * 4 * 6))
        return D3DERR_OUTOFVIDEOMEMORY;
    if (Levels == 0 || Levels > ChainLength(EdgeLength))
        Levels = ChainLength(EdgeLength);
    D3DSURFACE_DESC desc{};
    desc.Format = Format;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = Usage;
    desc.Pool = Pool;
    desc.Width = desc.Height = EdgeLength;
    *ppCubeTexture = new CRecordingCubeTexture(this, NextLabel("cubetexture"), Levels, desc);
    return S_OK;
}

HRESULT CRecordingDevice::CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels,
                                              DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                              IDirect3DVolumeTexture9** ppVolumeTexture, HANDLE*)
{
    Record("CreateVolumeTexture", Width, Height, Depth, Levels, Usage, Format, Pool);
    if (!ppVolumeTexture)
        return D3DERR_INVALIDCALL;
    *ppVolumeTexture = nullptr;
    if (Width == 0 || Height == 0 || Depth == 0 || Width > 2048 || Height > 2048 || Depth > 2048 ||
        (Usage & D3DUSAGE_RENDERTARGET))
        return D3DERR_INVALIDCALL;
    if (!MayAllocate(size_t(Width) * Height * Depth * 4))
        return D3DERR_OUTOFVIDEOMEMORY;
    const UINT full = ChainLength(std::max({Width, Height, Depth}));
    if (Levels == 0 || Levels > full)
        Levels = full;
    const D3DVOLUME_DESC desc{Format, D3DRTYPE_VOLUME, Usage, Pool, Width, Height, Depth};
    *ppVolumeTexture = new CRecordingVolumeTexture(this, NextLabel("volumetexture"), Levels, desc);
    return S_OK;
}

HRESULT CRecordingDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                             IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE*)
{
    Record("CreateVertexBuffer", Length, Usage, FVF, Pool);
    if (!ppVertexBuffer)
        return D3DERR_INVALIDCALL;
    *ppVertexBuffer = nullptr;
    if (Length == 0)
        return D3DERR_INVALIDCALL;
    if (!MayAllocate(Length))
        return D3DERR_OUTOFVIDEOMEMORY;
    D3DVERTEXBUFFER_DESC desc{};
    desc.Format = D3DFMT_VERTEXDATA;
    desc.Type = D3DRTYPE_VERTEXBUFFER;
    desc.Usage = Usage;
    desc.Pool = Pool;
    desc.Size = Length;
    desc.FVF = FVF;
    *ppVertexBuffer = new CRecordingVertexBuffer(this, NextLabel("vertexbuffer"), desc);
    return S_OK;
}

HRESULT CRecordingDevice::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format,
                                            D3DPOOL Pool, IDirect3DIndexBuffer9** ppIndexBuffer,
                                            HANDLE*)
{
    Record("CreateIndexBuffer", Length, Usage, Format, Pool);
    if (!ppIndexBuffer)
        return D3DERR_INVALIDCALL;
    *ppIndexBuffer = nullptr;
    if (Length == 0)
        return D3DERR_INVALIDCALL;
    if (!MayAllocate(Length))
        return D3DERR_OUTOFVIDEOMEMORY;
    D3DINDEXBUFFER_DESC desc{};
    desc.Format = Format;
    desc.Type = D3DRTYPE_INDEXBUFFER;
    desc.Usage = Usage;
    desc.Pool = Pool;
    desc.Size = Length;
    *ppIndexBuffer = new CRecordingIndexBuffer(this, NextLabel("indexbuffer"), desc);
    return S_OK;
}

namespace
{
HRESULT MakeSurface(CRecordingDevice* pDevice, const char* pKind, UINT Width, UINT Height,
                    D3DFORMAT Format, DWORD Usage, D3DPOOL Pool, IDirect3DSurface9** ppSurface)
{
    if (!ppSurface)
        return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    if (Width == 0 || Height == 0 || Width > 16384 || Height > 16384)
        return D3DERR_INVALIDCALL;
    if (!pDevice->MayAllocate(size_t(Width) * Height * 4))
        return D3DERR_OUTOFVIDEOMEMORY;
    D3DSURFACE_DESC desc{};
    desc.Format = Format;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = Usage;
    desc.Pool = Pool;
    desc.Width = Width;
    desc.Height = Height;
    *ppSurface = new CRecordingSurface(pDevice, pDevice->NextLabel(pKind), desc);
    return S_OK;
}
} // namespace

HRESULT CRecordingDevice::CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                                             D3DMULTISAMPLE_TYPE MultiSample, DWORD, BOOL,
                                             IDirect3DSurface9** ppSurface, HANDLE*)
{
    Record("CreateRenderTarget", Width, Height, Format, MultiSample);
    return MakeSurface(this, "surface", Width, Height, Format, D3DUSAGE_RENDERTARGET,
                       D3DPOOL_DEFAULT, ppSurface);
}

HRESULT CRecordingDevice::CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                    D3DMULTISAMPLE_TYPE MultiSample, DWORD, BOOL,
                                                    IDirect3DSurface9** ppSurface, HANDLE*)
{
    Record("CreateDepthStencilSurface", Width, Height, Format, MultiSample);
    return MakeSurface(this, "depth", Width, Height, Format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT,
                       ppSurface);
}

HRESULT CRecordingDevice::CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                      D3DPOOL Pool, IDirect3DSurface9** ppSurface,
                                                      HANDLE*)
{
    Record("CreateOffscreenPlainSurface", Width, Height, Format, Pool);
    return MakeSurface(this, "surface", Width, Height, Format, 0, Pool, ppSurface);
}

HRESULT CRecordingDevice::CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                                  IDirect3DVertexDeclaration9** ppDecl)
{
    Record("CreateVertexDeclaration");
    if (!pVertexElements || !ppDecl)
        return D3DERR_INVALIDCALL;
    *ppDecl = new CRecordingDeclaration(this, NextLabel("declaration"), pVertexElements);
    return S_OK;
}

HRESULT CRecordingDevice::CreateVertexShader(const DWORD*, IDirect3DVertexShader9** ppShader)
{
    Record("CreateVertexShader");
    if (ppShader)
        *ppShader = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT CRecordingDevice::CreatePixelShader(const DWORD*, IDirect3DPixelShader9** ppShader)
{
    Record("CreatePixelShader");
    if (ppShader)
        *ppShader = nullptr;
    return D3DERR_NOTAVAILABLE;
}

// --- Surface copies ----------------------------------------------------------------------------

HRESULT CRecordingDevice::UpdateSurface(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                                        IDirect3DSurface9* pDestinationSurface, const POINT*)
{
    Record("UpdateSurface", pSourceSurface, Rect(pSourceRect), pDestinationSurface);
    return S_OK;
}

HRESULT CRecordingDevice::UpdateTexture(IDirect3DBaseTexture9* pSourceTexture,
                                        IDirect3DBaseTexture9* pDestinationTexture)
{
    Record("UpdateTexture", pSourceTexture, pDestinationTexture);
    return S_OK;
}

HRESULT CRecordingDevice::GetRenderTargetData(IDirect3DSurface9* pRenderTarget,
                                              IDirect3DSurface9* pDestSurface)
{
    Record("GetRenderTargetData", pRenderTarget, pDestSurface);
    return S_OK;
}

HRESULT CRecordingDevice::GetFrontBufferData(UINT iSwapChain, IDirect3DSurface9* pDestSurface)
{
    Record("GetFrontBufferData", iSwapChain, pDestSurface);
    return S_OK;
}

HRESULT CRecordingDevice::StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                                      IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                                      D3DTEXTUREFILTERTYPE Filter)
{
    Record("StretchRect", pSourceSurface, Rect(pSourceRect), pDestSurface, Rect(pDestRect), Filter);
    return S_OK;
}

HRESULT CRecordingDevice::ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color)
{
    Record("ColorFill", pSurface, Rect(pRect), color);
    return S_OK;
}

// --- Targets and frame -------------------------------------------------------------------------

void CRecordingDevice::ResetViewportTo(IDirect3DSurface9* pSurface)
{
    D3DSURFACE_DESC desc{};
    pSurface->GetDesc(&desc);
    m_Viewport = {0, 0, desc.Width, desc.Height, 0.0f, 1.0f};
}

HRESULT CRecordingDevice::SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget)
{
    Record("SetRenderTarget", RenderTargetIndex, pRenderTarget);
    if (RenderTargetIndex >= 4 || (RenderTargetIndex == 0 && !pRenderTarget))
        return D3DERR_INVALIDCALL;
    SetHeld(m_pRenderTargets[RenderTargetIndex], pRenderTarget);
    if (RenderTargetIndex == 0)
        ResetViewportTo(pRenderTarget);
    return S_OK;
}

HRESULT CRecordingDevice::GetRenderTarget(DWORD RenderTargetIndex,
                                          IDirect3DSurface9** ppRenderTarget)
{
    Record("GetRenderTarget", RenderTargetIndex);
    if (RenderTargetIndex >= 4 || !ppRenderTarget)
        return D3DERR_INVALIDCALL;
    *ppRenderTarget = dynamic_cast<IDirect3DSurface9*>(m_pRenderTargets[RenderTargetIndex]);
    if (!*ppRenderTarget)
        return D3DERR_NOTFOUND;
    (*ppRenderTarget)->AddRef();
    return S_OK;
}

HRESULT CRecordingDevice::SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil)
{
    Record("SetDepthStencilSurface", pNewZStencil);
    SetHeld(m_pDepthStencil, pNewZStencil);
    return S_OK;
}

HRESULT CRecordingDevice::GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface)
{
    Record("GetDepthStencilSurface");
    if (!ppZStencilSurface)
        return D3DERR_INVALIDCALL;
    *ppZStencilSurface = dynamic_cast<IDirect3DSurface9*>(m_pDepthStencil);
    if (!*ppZStencilSurface)
        return D3DERR_NOTFOUND;
    (*ppZStencilSurface)->AddRef();
    return S_OK;
}

HRESULT CRecordingDevice::BeginScene()
{
    Record("BeginScene");
    if (m_bInScene)
        return D3DERR_INVALIDCALL;
    m_bInScene = true;
    return S_OK;
}

HRESULT CRecordingDevice::EndScene()
{
    Record("EndScene");
    if (!m_bInScene)
        return D3DERR_INVALIDCALL;
    m_bInScene = false;
    return S_OK;
}

HRESULT CRecordingDevice::Clear(DWORD Count, const D3DRECT*, DWORD Flags, D3DCOLOR Color, float Z,
                                DWORD Stencil)
{
    Record("Clear", Count, Flags, Color, Z, Stencil);
    return S_OK;
}

HRESULT CRecordingDevice::SetViewport(const D3DVIEWPORT9* pViewport)
{
    if (!pViewport)
    {
        Record("SetViewport", "null");
        return D3DERR_INVALIDCALL;
    }
    Record("SetViewport", pViewport->X, pViewport->Y, pViewport->Width, pViewport->Height,
           pViewport->MinZ, pViewport->MaxZ);
    // Like the real device: a viewport must lie inside the current target.
    D3DSURFACE_DESC desc{};
    if (auto* pTarget = dynamic_cast<IDirect3DSurface9*>(m_pRenderTargets[0]))
        pTarget->GetDesc(&desc);
    if (pViewport->X + pViewport->Width > desc.Width ||
        pViewport->Y + pViewport->Height > desc.Height)
        return D3DERR_INVALIDCALL;
    m_Viewport = *pViewport;
    return S_OK;
}

HRESULT CRecordingDevice::GetViewport(D3DVIEWPORT9* pViewport)
{
    Record("GetViewport");
    if (!pViewport)
        return D3DERR_INVALIDCALL;
    *pViewport = m_Viewport;
    return S_OK;
}

HRESULT CRecordingDevice::SetScissorRect(const RECT* pRect)
{
    Record("SetScissorRect", Rect(pRect));
    return S_OK;
}

HRESULT CRecordingDevice::GetScissorRect(RECT* pRect)
{
    Record("GetScissorRect");
    if (!pRect)
        return D3DERR_INVALIDCALL;
    *pRect = {static_cast<LONG>(m_Viewport.X), static_cast<LONG>(m_Viewport.Y),
              static_cast<LONG>(m_Viewport.X + m_Viewport.Width),
              static_cast<LONG>(m_Viewport.Y + m_Viewport.Height)};
    return S_OK;
}

// --- Fixed-function state ----------------------------------------------------------------------

HRESULT CRecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix)
{
    Record("SetTransform", State, Matrix(pMatrix));
    if (!pMatrix)
        return D3DERR_INVALIDCALL;
    m_Transforms[State] = *pMatrix;
    return S_OK;
}

HRESULT CRecordingDevice::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix)
{
    Record("GetTransform", State);
    if (!pMatrix)
        return D3DERR_INVALIDCALL;
    auto it = m_Transforms.find(State);
    *pMatrix = it == m_Transforms.end() ? Identity() : it->second;
    return S_OK;
}

HRESULT CRecordingDevice::MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix)
{
    Record("MultiplyTransform", State, Matrix(pMatrix));
    if (!pMatrix)
        return D3DERR_INVALIDCALL;
    D3DMATRIX current{};
    auto it = m_Transforms.find(State);
    current = it == m_Transforms.end() ? Identity() : it->second;
    D3DMATRIX product{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 4; ++k)
                product.m[r][c] += current.m[r][k] * pMatrix->m[k][c];
    m_Transforms[State] = product;
    return S_OK;
}

HRESULT CRecordingDevice::SetMaterial(const D3DMATERIAL9* pMaterial)
{
    if (!pMaterial)
    {
        Record("SetMaterial", "null");
        return D3DERR_INVALIDCALL;
    }
    const D3DMATERIAL9& m = *pMaterial;
    Record("SetMaterial", m.Diffuse.r, m.Diffuse.g, m.Diffuse.b, m.Diffuse.a, m.Ambient.r,
           m.Ambient.g, m.Ambient.b, m.Ambient.a, m.Specular.r, m.Specular.g, m.Specular.b,
           m.Specular.a, m.Emissive.r, m.Emissive.g, m.Emissive.b, m.Emissive.a, m.Power);
    m_Material = m;
    return S_OK;
}

HRESULT CRecordingDevice::GetMaterial(D3DMATERIAL9* pMaterial)
{
    Record("GetMaterial");
    if (!pMaterial)
        return D3DERR_INVALIDCALL;
    *pMaterial = m_Material;
    return S_OK;
}

HRESULT CRecordingDevice::SetLight(DWORD Index, const D3DLIGHT9* pLight)
{
    if (!pLight)
    {
        Record("SetLight", Index, "null");
        return D3DERR_INVALIDCALL;
    }
    Record("SetLight", Index, pLight->Type, pLight->Direction.x, pLight->Direction.y,
           pLight->Direction.z, pLight->Diffuse.r, pLight->Diffuse.g, pLight->Diffuse.b,
           pLight->Diffuse.a, pLight->Ambient.r, pLight->Ambient.g, pLight->Ambient.b,
           pLight->Ambient.a);
    m_Lights[Index] = *pLight;
    return S_OK;
}

HRESULT CRecordingDevice::GetLight(DWORD Index, D3DLIGHT9* pLight)
{
    Record("GetLight", Index);
    auto it = m_Lights.find(Index);
    if (!pLight || it == m_Lights.end())
        return D3DERR_INVALIDCALL;
    *pLight = it->second;
    return S_OK;
}

HRESULT CRecordingDevice::LightEnable(DWORD Index, BOOL Enable)
{
    Record("LightEnable", Index, Enable);
    m_LightEnabled[Index] = Enable;
    return S_OK;
}

HRESULT CRecordingDevice::GetLightEnable(DWORD Index, BOOL* pEnable)
{
    Record("GetLightEnable", Index);
    if (!pEnable)
        return D3DERR_INVALIDCALL;
    auto it = m_LightEnabled.find(Index);
    *pEnable = it == m_LightEnabled.end() ? FALSE : it->second;
    return S_OK;
}

HRESULT CRecordingDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value)
{
    Record("SetRenderState", OrvRenderStateName(State), Value);
    m_RenderStates[State] = Value;
    return S_OK;
}

HRESULT CRecordingDevice::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue)
{
    Record("GetRenderState", OrvRenderStateName(State));
    if (!pValue)
        return D3DERR_INVALIDCALL;
    *pValue = GetRenderStateValue(State);
    return S_OK;
}

HRESULT CRecordingDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture)
{
    Record("SetTexture", Stage, pTexture);
    if (Stage >= 8)
        return D3DERR_INVALIDCALL;
    SetHeld(m_pTextures[Stage], pTexture);
    return S_OK;
}

HRESULT CRecordingDevice::GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture)
{
    Record("GetTexture", Stage);
    if (Stage >= 8 || !ppTexture)
        return D3DERR_INVALIDCALL;
    *ppTexture = GetBoundTexture(Stage);
    if (*ppTexture)
        (*ppTexture)->AddRef();
    return S_OK;
}

HRESULT CRecordingDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                               DWORD Value)
{
    Record("SetTextureStageState", Stage, OrvTextureStageStateName(Type), Value);
    m_StageStates[Stage * 1000 + Type] = Value;
    return S_OK;
}

HRESULT CRecordingDevice::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                               DWORD* pValue)
{
    Record("GetTextureStageState", Stage, OrvTextureStageStateName(Type));
    if (!pValue)
        return D3DERR_INVALIDCALL;
    auto it = m_StageStates.find(Stage * 1000 + Type);
    *pValue = it == m_StageStates.end() ? 0 : it->second;
    return S_OK;
}

HRESULT CRecordingDevice::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value)
{
    Record("SetSamplerState", Sampler, OrvSamplerStateName(Type), Value);
    m_SamplerStates[Sampler * 1000 + Type] = Value;
    return S_OK;
}

HRESULT CRecordingDevice::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue)
{
    Record("GetSamplerState", Sampler, OrvSamplerStateName(Type));
    if (!pValue)
        return D3DERR_INVALIDCALL;
    auto it = m_SamplerStates.find(Sampler * 1000 + Type);
    *pValue = it == m_SamplerStates.end() ? 0 : it->second;
    return S_OK;
}

HRESULT CRecordingDevice::ValidateDevice(DWORD* pNumPasses)
{
    Record("ValidateDevice");
    if (pNumPasses)
        *pNumPasses = 1;
    return S_OK;
}

// --- Vertex input ------------------------------------------------------------------------------

HRESULT CRecordingDevice::SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl)
{
    Record("SetVertexDeclaration", pDecl);
    SetHeld(m_pDeclaration, pDecl);
    return S_OK;
}

HRESULT CRecordingDevice::GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl)
{
    Record("GetVertexDeclaration");
    if (!ppDecl)
        return D3DERR_INVALIDCALL;
    *ppDecl = dynamic_cast<IDirect3DVertexDeclaration9*>(m_pDeclaration);
    if (*ppDecl)
        (*ppDecl)->AddRef();
    return S_OK;
}

HRESULT CRecordingDevice::SetFVF(DWORD FVF)
{
    Record("SetFVF", FVF);
    m_dwFVF = FVF;
    return S_OK;
}

HRESULT CRecordingDevice::GetFVF(DWORD* pFVF)
{
    Record("GetFVF");
    if (!pFVF)
        return D3DERR_INVALIDCALL;
    *pFVF = m_dwFVF;
    return S_OK;
}

HRESULT CRecordingDevice::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                                          UINT OffsetInBytes, UINT Stride)
{
    Record("SetStreamSource", StreamNumber, pStreamData, OffsetInBytes, Stride);
    if (StreamNumber != 0)
        return S_OK;
    SetHeld(m_pStreamSource, pStreamData);
    m_uStreamOffset = OffsetInBytes;
    m_uStreamStride = Stride;
    return S_OK;
}

HRESULT CRecordingDevice::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData,
                                          UINT* pOffsetInBytes, UINT* pStride)
{
    Record("GetStreamSource", StreamNumber);
    if (!ppStreamData || !pOffsetInBytes || !pStride)
        return D3DERR_INVALIDCALL;
    *ppStreamData =
        StreamNumber == 0 ? dynamic_cast<IDirect3DVertexBuffer9*>(m_pStreamSource) : nullptr;
    if (*ppStreamData)
        (*ppStreamData)->AddRef();
    *pOffsetInBytes = m_uStreamOffset;
    *pStride = m_uStreamStride;
    return S_OK;
}

HRESULT CRecordingDevice::SetIndices(IDirect3DIndexBuffer9* pIndexData)
{
    Record("SetIndices", pIndexData);
    SetHeld(m_pIndices, pIndexData);
    return S_OK;
}

HRESULT CRecordingDevice::GetIndices(IDirect3DIndexBuffer9** ppIndexData)
{
    Record("GetIndices");
    if (!ppIndexData)
        return D3DERR_INVALIDCALL;
    *ppIndexData = dynamic_cast<IDirect3DIndexBuffer9*>(m_pIndices);
    if (*ppIndexData)
        (*ppIndexData)->AddRef();
    return S_OK;
}

// --- Shaders -------------------------------------------------------------------------------------

HRESULT CRecordingDevice::SetVertexShader(IDirect3DVertexShader9* pShader)
{
    Record("SetVertexShader", pShader);
    return pShader ? D3DERR_INVALIDCALL : S_OK;
}

HRESULT CRecordingDevice::GetVertexShader(IDirect3DVertexShader9** ppShader)
{
    Record("GetVertexShader");
    if (ppShader)
        *ppShader = nullptr;
    return S_OK;
}

HRESULT CRecordingDevice::SetPixelShader(IDirect3DPixelShader9* pShader)
{
    Record("SetPixelShader", pShader);
    return pShader ? D3DERR_INVALIDCALL : S_OK;
}

HRESULT CRecordingDevice::GetPixelShader(IDirect3DPixelShader9** ppShader)
{
    Record("GetPixelShader");
    if (ppShader)
        *ppShader = nullptr;
    return S_OK;
}

HRESULT CRecordingDevice::SetVertexShaderConstantF(UINT StartRegister, const float*,
                                                   UINT Vector4fCount)
{
    Record("SetVertexShaderConstantF", StartRegister, Vector4fCount);
    return S_OK;
}

HRESULT CRecordingDevice::GetVertexShaderConstantF(UINT StartRegister, float* pConstantData,
                                                   UINT Vector4fCount)
{
    Record("GetVertexShaderConstantF", StartRegister, Vector4fCount);
    if (pConstantData)
        std::memset(pConstantData, 0, Vector4fCount * 4 * sizeof(float));
    return S_OK;
}

HRESULT CRecordingDevice::SetPixelShaderConstantF(UINT StartRegister, const float*,
                                                  UINT Vector4fCount)
{
    Record("SetPixelShaderConstantF", StartRegister, Vector4fCount);
    return S_OK;
}

HRESULT CRecordingDevice::GetPixelShaderConstantF(UINT StartRegister, float* pConstantData,
                                                  UINT Vector4fCount)
{
    Record("GetPixelShaderConstantF", StartRegister, Vector4fCount);
    if (pConstantData)
        std::memset(pConstantData, 0, Vector4fCount * 4 * sizeof(float));
    return S_OK;
}

// --- Drawing -------------------------------------------------------------------------------------

HRESULT CRecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                        UINT PrimitiveCount)
{
    Record("DrawPrimitive", PrimitiveType, StartVertex, PrimitiveCount);
    return S_OK;
}

HRESULT CRecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex,
                                               UINT MinVertexIndex, UINT NumVertices,
                                               UINT startIndex, UINT primCount)
{
    Record("DrawIndexedPrimitive", PrimitiveType, BaseVertexIndex, MinVertexIndex, NumVertices,
           startIndex, primCount);
    return S_OK;
}

HRESULT CRecordingDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                          const void*, UINT VertexStreamZeroStride)
{
    Record("DrawPrimitiveUP", PrimitiveType, PrimitiveCount, VertexStreamZeroStride);
    return S_OK;
}

HRESULT CRecordingDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType,
                                                 UINT MinVertexIndex, UINT NumVertices,
                                                 UINT PrimitiveCount, const void*,
                                                 D3DFORMAT IndexDataFormat, const void*,
                                                 UINT VertexStreamZeroStride)
{
    Record("DrawIndexedPrimitiveUP", PrimitiveType, MinVertexIndex, NumVertices, PrimitiveCount,
           IndexDataFormat, VertexStreamZeroStride);
    return S_OK;
}
