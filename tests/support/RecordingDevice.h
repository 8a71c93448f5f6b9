#pragma once

// A Direct3D 9 device for engine tests: it draws nothing, records every call with its
// arguments, and fakes the targets, textures and buffers it hands out (with real memory
// behind Lock) so the engine sees a consistent device. Never a renderer.
#include "RecordingObjects.h"

#include <map>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

struct SRecordedCall
{
    std::string m_Name; // "SetRenderState"
    std::string m_Args; // arguments as text, separated by spaces: "D3DRS_ZENABLE 1"
    std::string Text() const { return m_Args.empty() ? m_Name : m_Name + " " + m_Args; }
};

class CRecordingDevice : public IDirect3DDevice9
{
public:
    // A device whose back buffer is width × height pixels of the given format.
    CRecordingDevice(UINT width = 800, UINT height = 600, D3DFORMAT format = D3DFMT_A8R8G8B8);
    virtual ~CRecordingDevice();
    CRecordingDevice(const CRecordingDevice&) = delete;
    CRecordingDevice& operator=(const CRecordingDevice&) = delete;

    // --- For tests -------------------------------------------------------------------------
    const std::vector<SRecordedCall>& GetCalls() const { return m_Calls; }
    void ClearCalls() { m_Calls.clear(); }
    // The calls whose name is one of the given names (all calls when none), as text.
    std::vector<std::string> CallsNamed(const std::vector<std::string>& names = {}) const;
    size_t CountCalls(const std::string& name) const;
    // Objects created by this device and not yet released (the back buffer excluded).
    int GetLiveObjects() const { return m_iLiveObjects; }
    CRecordingSurface* GetBackBufferSurface() const { return m_pBackBuffer; }
    // Name of any object this device made ("null" for a null pointer).
    std::string Label(IUnknown* pObject) const;
    // Textures and buffers larger than this many bytes are refused as out of memory.
    void SetMemoryLimit(size_t bytes) { m_MemoryLimit = bytes; }
    // Makes the next creations of textures or vertex buffers fail.
    void SetFailCreation(bool fail) { m_bFailCreation = fail; }
    const D3DVIEWPORT9& GetCurrentViewport() const { return m_Viewport; }
    DWORD GetRenderStateValue(D3DRENDERSTATETYPE state) const;
    IDirect3DBaseTexture9* GetBoundTexture(DWORD stage) const;

    // Vertex-buffer locks are left out of the call log unless asked for: then they appear as
    // "Lock <buffer> <offset> <size> <flags>" and "Unlock <buffer>".
    void SetRecordLocks(bool record) { m_bRecordLocks = record; }
    // Makes every later vertex-buffer Lock fail.
    void SetFailLocks(bool fail) { m_bFailLocks = fail; }

    // Called by the objects.
    // A vertex buffer's Lock; false when it is to fail.
    bool NoteLock(const std::string& label, UINT offset, UINT size, DWORD flags);
    void NoteUnlock(const std::string& label);
    void ObjectCreated() { ++m_iLiveObjects; }
    void ObjectDestroyed() { --m_iLiveObjects; }
    std::string NextLabel(const char* pKind);
    bool MayAllocate(size_t bytes) const { return !m_bFailCreation && bytes <= m_MemoryLimit; }

    // --- IUnknown ----------------------------------------------------------------------------
    ULONG AddRef() override { return ++m_ulCount; }
    ULONG Release() override;

    // --- IDirect3DDevice9 -----------------------------------------------------------------
    HRESULT TestCooperativeLevel() override;
    UINT GetAvailableTextureMem() override;
    HRESULT EvictManagedResources() override;
    HRESULT GetDirect3D(IDirect3D9** ppD3D9) override;
    HRESULT GetDeviceCaps(D3DCAPS9* pCaps) override;
    HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
    HRESULT GetSwapChain(UINT iSwapChain, IDirect3DSwapChain9** pSwapChain) override;
    UINT GetNumberOfSwapChains() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const RGNDATA* pDirtyRegion) override;
    HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                          IDirect3DSurface9** ppBackBuffer) override;
    HRESULT GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* pRasterStatus) override;

    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                          D3DPOOL Pool, IDirect3DTexture9** ppTexture,
                          HANDLE* pSharedHandle) override;
    HRESULT CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels, DWORD Usage,
                                D3DFORMAT Format, D3DPOOL Pool,
                                IDirect3DVolumeTexture9** ppVolumeTexture,
                                HANDLE* pSharedHandle) override;
    HRESULT CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format,
                              D3DPOOL Pool, IDirect3DCubeTexture9** ppCubeTexture,
                              HANDLE* pSharedHandle) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer9** ppVertexBuffer,
                               HANDLE* pSharedHandle) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer9** ppIndexBuffer,
                              HANDLE* pSharedHandle) override;
    HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                               D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality,
                               BOOL Lockable, IDirect3DSurface9** ppSurface,
                               HANDLE* pSharedHandle) override;
    HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                      D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality,
                                      BOOL Discard, IDirect3DSurface9** ppSurface,
                                      HANDLE* pSharedHandle) override;
    HRESULT CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                        IDirect3DSurface9** ppSurface,
                                        HANDLE* pSharedHandle) override;
    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                    IDirect3DVertexDeclaration9** ppDecl) override;
    HRESULT CreateVertexShader(const DWORD* pFunction, IDirect3DVertexShader9** ppShader) override;
    HRESULT CreatePixelShader(const DWORD* pFunction, IDirect3DPixelShader9** ppShader) override;

    HRESULT UpdateSurface(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                          IDirect3DSurface9* pDestinationSurface, const POINT* pDestPoint) override;
    HRESULT UpdateTexture(IDirect3DBaseTexture9* pSourceTexture,
                          IDirect3DBaseTexture9* pDestinationTexture) override;
    HRESULT GetRenderTargetData(IDirect3DSurface9* pRenderTarget,
                                IDirect3DSurface9* pDestSurface) override;
    HRESULT GetFrontBufferData(UINT iSwapChain, IDirect3DSurface9* pDestSurface) override;
    HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                        IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                        D3DTEXTUREFILTERTYPE Filter) override;
    HRESULT ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color) override;

    HRESULT SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) override;
    HRESULT GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) override;
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                  DWORD Stencil) override;
    HRESULT SetViewport(const D3DVIEWPORT9* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* pViewport) override;
    HRESULT SetScissorRect(const RECT* pRect) override;
    HRESULT GetScissorRect(RECT* pRect) override;

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT SetMaterial(const D3DMATERIAL9* pMaterial) override;
    HRESULT GetMaterial(D3DMATERIAL9* pMaterial) override;
    HRESULT SetLight(DWORD Index, const D3DLIGHT9* pLight) override;
    HRESULT GetLight(DWORD Index, D3DLIGHT9* pLight) override;
    HRESULT LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                 DWORD* pValue) override;
    HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
    HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) override;
    HRESULT ValidateDevice(DWORD* pNumPasses) override;

    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) override;
    HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) override;
    HRESULT SetFVF(DWORD FVF) override;
    HRESULT GetFVF(DWORD* pFVF) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                            UINT OffsetInBytes, UINT Stride) override;
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData,
                            UINT* pOffsetInBytes, UINT* pStride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) override;
    HRESULT GetIndices(IDirect3DIndexBuffer9** ppIndexData) override;

    HRESULT SetVertexShader(IDirect3DVertexShader9* pShader) override;
    HRESULT GetVertexShader(IDirect3DVertexShader9** ppShader) override;
    HRESULT SetPixelShader(IDirect3DPixelShader9* pShader) override;
    HRESULT GetPixelShader(IDirect3DPixelShader9** ppShader) override;
    HRESULT SetVertexShaderConstantF(UINT StartRegister, const float* pConstantData,
                                     UINT Vector4fCount) override;
    HRESULT GetVertexShaderConstantF(UINT StartRegister, float* pConstantData,
                                     UINT Vector4fCount) override;
    HRESULT SetPixelShaderConstantF(UINT StartRegister, const float* pConstantData,
                                    UINT Vector4fCount) override;
    HRESULT GetPixelShaderConstantF(UINT StartRegister, float* pConstantData,
                                    UINT Vector4fCount) override;

    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                          UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex,
                                 UINT MinVertexIndex, UINT NumVertices, UINT startIndex,
                                 UINT primCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                            const void* pVertexStreamZeroData,
                            UINT VertexStreamZeroStride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex,
                                   UINT NumVertices, UINT PrimitiveCount, const void* pIndexData,
                                   D3DFORMAT IndexDataFormat, const void* pVertexStreamZeroData,
                                   UINT VertexStreamZeroStride) override;

private:
    template <typename... T> void Record(const char* pName, const T&... args)
    {
        std::ostringstream text;
        ((text << (text.tellp() > 0 ? " " : "") << Arg(args)), ...);
        m_Calls.push_back({pName, text.str()});
    }
    template <typename T> std::string Arg(const T& value) const
    {
        if constexpr (std::is_convertible_v<T, IUnknown*>)
            return Label(static_cast<IUnknown*>(value));
        else if constexpr (std::is_convertible_v<T, const char*>)
            return std::string(value);
        else if constexpr (std::is_pointer_v<T>)
            return value ? "ptr" : "null";
        else if constexpr (std::is_floating_point_v<T>)
        {
            std::ostringstream text;
            text << value;
            return text.str();
        }
        else if constexpr (std::is_enum_v<T>)
            return std::to_string(static_cast<long long>(value));
        else if constexpr (std::is_same_v<T, std::string>)
            return value;
        else
            return std::to_string(value);
    }
    static std::string Matrix(const D3DMATRIX* pMatrix);
    void ResetViewportTo(IDirect3DSurface9* pSurface);
    void SetHeld(IUnknown*& pSlot, IUnknown* pObject);

    ULONG m_ulCount = 1;
    std::vector<SRecordedCall> m_Calls;
    int m_iLiveObjects = 0;
    int m_iNextLabel = 1;
    size_t m_MemoryLimit = size_t(256) << 20;
    bool m_bFailCreation = false;
    bool m_bRecordLocks = false;
    bool m_bFailLocks = false;

    CRecordingSurface* m_pBackBuffer = nullptr;
    CRecordingSurface* m_pDepthBuffer = nullptr;
    IUnknown* m_pRenderTargets[4] = {};
    IUnknown* m_pDepthStencil = nullptr;
    IUnknown* m_pTextures[8] = {};
    IUnknown* m_pStreamSource = nullptr;
    UINT m_uStreamOffset = 0;
    UINT m_uStreamStride = 0;
    IUnknown* m_pIndices = nullptr;
    IUnknown* m_pDeclaration = nullptr;
    DWORD m_dwFVF = 0;
    D3DVIEWPORT9 m_Viewport{};
    std::map<DWORD, D3DMATRIX> m_Transforms;
    std::map<DWORD, DWORD> m_RenderStates;
    std::map<DWORD, DWORD> m_StageStates;
    std::map<DWORD, DWORD> m_SamplerStates;
    std::map<DWORD, D3DLIGHT9> m_Lights;
    std::map<DWORD, BOOL> m_LightEnabled;
    D3DMATERIAL9 m_Material{};
    bool m_bInScene = false;
};
