#pragma once

// IDirect3DDevice9 over OpenGL 3.3.
//
// Conventions: every colour image (textures, render targets, the back buffer) is stored
// with its top row first, so a Direct3D texture coordinate addresses the same texel in GL
// and read-backs need no flipping. Geometry is flipped vertically on its way to the GL
// rasteriser instead, moved by half a pixel (Direct3D puts pixel centres on integer
// coordinates), and depth goes from Direct3D's 0..1 to GL's -1..1; with the flip, Direct3D's
// clockwise front faces are GL's counter-clockwise ones. The back buffer is an off-screen
// target in both modes; Present copies it to the window (windowed) and keeps it as the
// front buffer that GetFrontBufferData reads.
//
// Consecutive draws with no state change in between are batched into one draw (one indexed
// list for strips and lists, else glMultiDrawArrays); every state change, clear, lock or
// read-back submits the batch first.
#include "OrvFixedFunction.h"
#include "OrvGLFrameReader.h"
#include "OrvGLCore.h"
#include "OrvGLProgramCache.h"
#include "OrvVertexLayout.h"
#include "d3dx9math.h"

#include <epoxy/gl.h>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

class COrvGLSurface;
class COrvGLTextureCore;
class COrvGLVolumeTexture;
class COrvGLVertexBuffer;
class COrvGLIndexBuffer;
class COrvGLSwapChain;
struct SDL_Window;

// a * b for row vectors (a applies first), as D3DXMatrixMultiply computes it.
inline D3DMATRIX OrvMultiply(const D3DMATRIX& a, const D3DMATRIX& b)
{
    const D3DXMATRIX left(a), right(b);
    D3DXMATRIX product;
    D3DXMatrixMultiply(&product, &left, &right);
    return product;
}

class COrvGLDevice : public TOrvCounted<IDirect3DDevice9>
{
public:
    // Creates the device: a headless one for a null window. Null with a reason on failure.
    static COrvGLDevice* Create(IDirect3D9* pD3D, HWND hFocusWindow, DWORD dwBehavior,
                                const D3DPRESENT_PARAMETERS& rParams, std::string& sReason);
    ~COrvGLDevice() override;

    // --- IDirect3DDevice9: device and presentation (OrvGLDevice.cpp)
    HRESULT TestCooperativeLevel() override { return D3D_OK; }
    UINT GetAvailableTextureMem() override { return 512u << 20; }
    HRESULT EvictManagedResources() override { return D3D_OK; }
    HRESULT GetDirect3D(IDirect3D9** ppD3D9) override;
    HRESULT GetDeviceCaps(D3DCAPS9* pCaps) override;
    HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
    HRESULT GetSwapChain(UINT iSwapChain, IDirect3DSwapChain9** ppSwapChain) override;
    UINT GetNumberOfSwapChains() override { return 1; }
    HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const RGNDATA* pDirtyRegion) override;
    HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                          IDirect3DSurface9** ppBackBuffer) override;
    HRESULT GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* pRasterStatus) override;

    // --- resource creation (OrvGLDevice.cpp)
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

    // --- surface copies, targets, frame (OrvGLDeviceTargets.cpp)
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

    // --- fixed-function and pipeline state (OrvGLDeviceState.cpp)
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

    // --- drawing (OrvGLDeviceDraw.cpp)
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

    // --- queries (OrvGLQuery.cpp answers them)
    HRESULT CreateQuery(D3DQUERYTYPE Type, IDirect3DQuery9** ppQuery) override;

    // --- internal
    const OrvGLCorePtr& GetCore() const { return m_pCore; }
    // Submits the pending batch of draws.
    void FlushBatch();
    void ForgetSurface(COrvGLSurface* pSurface);
    void ForgetTexture(COrvGLTextureCore* pTexture);
    // Something outside the device changed GL bindings: rebind before the next draw.
    void InvalidateBindings();
    // Shader stages of one's own for the following draws (GLDeviceInternal.h).
    GLuint UseShaderStages(GLuint uVertexShader, GLuint uFragmentShader);
    void SetShaderUniforms(std::function<void(GLuint)> upload);
    void ForgetShader(GLuint uShader);
    std::string GetFixedFunctionSource(bool bVertex);
    COrvGLSurface* GetBackBufferSurface() const { return m_pBackBuffer; }
    // Copies the presented image into a system-memory surface (swap chain and device).
    HRESULT CopyFrontBuffer(IDirect3DSurface9* pDestSurface);
    // The read-backs that overlap drawing (OrvFrameReadback.h; OrvGLFrameReader.cpp).
    HRESULT QueueFrontBufferRead(UINT uSlot);
    HRESULT LockFrontBufferRead(UINT uSlot, D3DLOCKED_RECT& rLocked);
    HRESULT UnlockFrontBufferRead(UINT uSlot);
    const D3DPRESENT_PARAMETERS& GetPresentParameters() const { return m_params; }

private:
    // Binds the read framebuffer with the presented image attached.
    void AttachFrontForRead();

    enum EDirty : uint32_t
    {
        DIRTY_TARGETS = 1u << 0,
        DIRTY_VIEWPORT = 1u << 1,
        DIRTY_RASTER = 1u << 2,
        DIRTY_TEXTURES = 1u << 3,
        DIRTY_SAMPLERS = 1u << 4,
        DIRTY_PROGRAM = 1u << 5,
        DIRTY_UNIFORMS = 1u << 6,
        DIRTY_VERTEX = 1u << 7,
        DIRTY_ALL = 0xFFu
    };

    struct SStream
    {
        COrvGLVertexBuffer* m_pBuffer = nullptr;
        UINT m_uOffset = 0;
        UINT m_uStride = 0;
    };

    // Values of the fixed-function uniforms, computed when state changed.
    struct SUniformValues
    {
        float m_afWorldViewProj[16];
        float m_afWorldView[16];
        float m_afNormal[9];
        float m_afViewport[4];
        float m_afClipFixup[4];
        float m_afMaterial[4][4]; // diffuse, ambient, specular, emissive
        float m_fPower;
        float m_afGlobalAmbient[4];
        float m_afLight[7][8][4]; // diffuse, specular, ambient, position, direction, atten, spot
        float m_afPointSize[4];
        float m_afPointScale[4];
        float m_afTexFactor[4];
        float m_afTexMatrix[8 * 16]; // D3DTS_TEXTURE0..7
        int m_iAlphaFunc;
        float m_fAlphaRef;
    };

    COrvGLDevice(IDirect3D9* pD3D, OrvGLCorePtr pCore, SDL_Window* pWindow, DWORD dwBehavior,
                 const D3DPRESENT_PARAMETERS& rParams);
    bool Initialise(std::string& sReason);
    bool CreateSwapSurfaces(std::string& sReason);
    void ReleaseSwapSurfaces();
    void SetDefaultStates();
    void ApplyWindowMode();

    // Targets (OrvGLDeviceTargets.cpp)
    void ApplyTargets();
    void ApplyViewport();
    bool AttachForRead(COrvGLSurface* pSurface);
    void ResetViewportTo(COrvGLSurface* pSurface);
    HRESULT UpdateVolumes(COrvGLVolumeTexture* pSource, COrvGLVolumeTexture* pDest);
    // Sets a new depth-stencil buffer to far (1.0) and stencil 0.
    void ClearDepthSurface(COrvGLSurface* pSurface);

    // Drawing (OrvGLDeviceDraw.cpp; the fixed-function uniforms in OrvGLDeviceUniforms.cpp)
    void Changed(uint32_t uDirty);
    bool PrepareDraw(D3DPRIMITIVETYPE ePrimitive, const SOrvVertexLayout& rLayout, bool bUserData);
    void ApplyRaster();
    void ApplyTextures();
    void ApplySamplers();
    bool ApplyProgram(D3DPRIMITIVETYPE ePrimitive, const SOrvVertexLayout& rLayout);
    void ComputeUniforms();
    void UploadUniforms(SOrvProgram& rProgram);
    void ApplyVertexInput(const SOrvVertexLayout& rLayout, GLuint uUserBuffer);
    const SOrvVertexLayout* CurrentLayout() const;
    void BuildKeys(D3DPRIMITIVETYPE ePrimitive, const SOrvVertexLayout& rLayout,
                   SOrvFFVertexKey& rVertexKey, SOrvFFFragmentKey& rFragmentKey) const;
    void BuildStageCoordKey(unsigned uStage, SOrvFFVertexKey& rVertexKey,
                            SOrvFFStageKey& rStage) const;
    bool StreamsCover(const SOrvVertexLayout& rLayout, UINT uFirstVertex, UINT uVertexCount) const;
    // Number of vertices the bound streams hold for a layout (0 if a stream is missing).
    UINT VertexLimit(const SOrvVertexLayout& rLayout) const;
    GLuint UploadUserData(GLuint& ruBuffer, const void* pData, size_t uSize, GLenum eTarget);
    // The draws from user memory: the user's vertices are stream 0 for this draw only (and,
    // bIndexed, the user's indices replace the index buffer); EndUserDraw leaves stream 0
    // empty. False when the draw cannot be prepared.
    bool BeginUserDraw(D3DPRIMITIVETYPE ePrimitive, const SOrvVertexLayout& rLayout,
                       const void* pVertices, uint64_t uBytes, UINT uStride, bool bIndexed);
    void EndUserDraw();
    bool DrawBatchIndexed();

    OrvGLCorePtr m_pCore;
    IDirect3D9* m_pD3D;
    SDL_Window* m_pWindow;
    DWORD m_dwBehavior;
    D3DPRESENT_PARAMETERS m_params;
    COrvGLSwapChain* m_pSwapChain = nullptr;

    COrvGLSurface* m_pBackBuffer = nullptr;
    COrvGLSurface* m_pAutoDepth = nullptr;
    GLuint m_uFrontTexture = 0; // the presented image
    COrvGLFrameReader m_frameReader;
    COrvGLSurface* m_apTargets[4] = {};
    COrvGLSurface* m_pDepth = nullptr;
    D3DVIEWPORT9 m_viewport = {};
    RECT m_scissor = {};
    bool m_bInScene = false;

    DWORD m_adwRenderState[256] = {};
    DWORD m_adwStageState[8][33] = {};
    DWORD m_adwSamplerState[16][14] = {};
    D3DMATRIX m_aTransforms[14] = {}; // view, projection, world0..3, texture0..7
    D3DMATERIAL9 m_material = {};
    std::map<DWORD, D3DLIGHT9> m_lights;
    std::map<DWORD, bool> m_lightEnabled;
    IDirect3DBaseTexture9* m_apTextures[16] = {};

    DWORD m_dwFVF = 0;
    SOrvVertexLayout m_fvfLayout;
    bool m_bFVFValid = false;
    COrvGLVertexDeclaration* m_pDecl = nullptr;
    SStream m_aStreams[16];
    COrvGLIndexBuffer* m_pIndices = nullptr;
    IDirect3DVertexShader9* m_pVertexShader = nullptr;
    IDirect3DPixelShader9* m_pPixelShader = nullptr;
    std::vector<float> m_afVertexConstants;
    std::vector<float> m_afPixelConstants;
    GLuint m_uCustomVertex = 0;
    GLuint m_uCustomFragment = 0;
    std::function<void(GLuint)> m_fnCustomUniforms; // values of the stages of one's own
    uint64_t m_ui64CustomUniformSerial = 0;         // bumped by each SetShaderUniforms

    // GL objects and what is bound
    GLuint m_uFramebuffer = 0;
    GLuint m_uReadFramebuffer = 0;
    GLuint m_uVertexArray = 0;
    GLuint m_uUserVertices = 0;
    GLuint m_uUserIndices = 0;
    GLuint m_auSamplers[16] = {};
    // Per texture unit, the targets (bit 0: 2D, 1: cube, 2: 3D) that may hold a texture.
    uint8_t m_auUnitTargets[16] = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    COrvGLProgramCache m_programs;
    SOrvProgram* m_pProgram = nullptr;
    GLuint m_uBoundProgram = 0;
    uint32_t m_uDirty = DIRTY_ALL;
    uint64_t m_ui64UniformSerial = 1;
    uint64_t m_ui64ComputedSerial = 0;
    SUniformValues m_uniforms = {};
    const SOrvVertexLayout* m_pBoundLayout = nullptr;
    GLuint m_uBoundUserBuffer = 0;
    D3DPRIMITIVETYPE m_eProgramPrimitive = D3DPT_FORCE_DWORD;

    // The batch of draws waiting for submission
    GLenum m_eBatchMode = 0;
    UINT m_uBatchVertexLimit = 0;
    std::vector<GLint> m_aiBatchFirst;
    std::vector<GLsizei> m_aiBatchCount;
    std::vector<GLuint> m_aiBatchIndices;
    GLuint m_uBatchIndexBuffer = 0;
};

// The kind of a texture for the generated stages (EOrvFFTexture; none for null).
EOrvFFTexture OrvFFTextureKind(IDirect3DBaseTexture9* pTexture);

// Our device behind a Direct3D device pointer (null for a foreign object).
COrvGLDevice* OrvAsGLDevice(IDirect3DDevice9* pDevice);
