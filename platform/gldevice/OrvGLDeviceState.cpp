// Fixed-function and pipeline state: stored as Direct3D values, applied to GL at the next
// draw. Setting a value equal to the stored one changes nothing (and keeps a batch open).
#include "OrvGLBuffer.h"
#include "OrvGLDevice.h"
#include "OrvGLTexture.h"

#include <cstring>

namespace
{
// Slot of a transform in the device's table, or -1.
int TransformSlot(D3DTRANSFORMSTATETYPE eState)
{
    if (eState == D3DTS_VIEW)
        return 0;
    if (eState == D3DTS_PROJECTION)
        return 1;
    if (eState >= 256 && eState < 260)
        return 2 + (eState - 256);
    if (eState >= D3DTS_TEXTURE0 && eState <= D3DTS_TEXTURE7)
        return 6 + (eState - D3DTS_TEXTURE0);
    return -1;
}

// Which parts of the device a render state touches.
uint32_t RenderStateDirt(D3DRENDERSTATETYPE eState, uint32_t uRaster, uint32_t uProgram,
                         uint32_t uUniforms, uint32_t uViewport)
{
    switch (eState)
    {
    case D3DRS_LIGHTING:
    case D3DRS_SPECULARENABLE:
    case D3DRS_COLORVERTEX:
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE:
    case D3DRS_NORMALIZENORMALS:
    case D3DRS_LOCALVIEWER:
    case D3DRS_POINTSCALEENABLE:
    case D3DRS_POINTSPRITEENABLE:
    case D3DRS_SHADEMODE:
        return uProgram;
    case D3DRS_AMBIENT:
    case D3DRS_POINTSIZE:
    case D3DRS_POINTSIZE_MIN:
    case D3DRS_POINTSIZE_MAX:
    case D3DRS_POINTSCALE_A:
    case D3DRS_POINTSCALE_B:
    case D3DRS_POINTSCALE_C:
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAFUNC:
    case D3DRS_ALPHAREF:
        return uUniforms;
    case D3DRS_SCISSORTESTENABLE:
        return uViewport;
    default:
        return uRaster;
    }
}
} // namespace

HRESULT COrvGLDevice::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix)
{
    const int iSlot = TransformSlot(State);
    if (!pMatrix || iSlot < 0)
        return D3DERR_INVALIDCALL;
    if (std::memcmp(&m_aTransforms[iSlot], pMatrix, sizeof(D3DMATRIX)) == 0)
        return D3D_OK;
    Changed(DIRTY_UNIFORMS);
    m_aTransforms[iSlot] = *pMatrix;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix)
{
    const int iSlot = TransformSlot(State);
    if (!pMatrix || iSlot < 0)
        return D3DERR_INVALIDCALL;
    *pMatrix = m_aTransforms[iSlot];
    return D3D_OK;
}

HRESULT COrvGLDevice::MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix)
{
    const int iSlot = TransformSlot(State);
    if (!pMatrix || iSlot < 0)
        return D3DERR_INVALIDCALL;
    const D3DMATRIX product = OrvMultiply(*pMatrix, m_aTransforms[iSlot]);
    return SetTransform(State, &product);
}

HRESULT COrvGLDevice::SetMaterial(const D3DMATERIAL9* pMaterial)
{
    if (!pMaterial)
        return D3DERR_INVALIDCALL;
    if (std::memcmp(&m_material, pMaterial, sizeof(D3DMATERIAL9)) == 0)
        return D3D_OK;
    Changed(DIRTY_UNIFORMS);
    m_material = *pMaterial;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetMaterial(D3DMATERIAL9* pMaterial)
{
    if (!pMaterial)
        return D3DERR_INVALIDCALL;
    *pMaterial = m_material;
    return D3D_OK;
}

HRESULT COrvGLDevice::SetLight(DWORD Index, const D3DLIGHT9* pLight)
{
    if (!pLight || pLight->Type < D3DLIGHT_POINT || pLight->Type > D3DLIGHT_DIRECTIONAL ||
        Index > 0xFFFF)
        return D3DERR_INVALIDCALL;
    auto it = m_lights.find(Index);
    if (it != m_lights.end() && std::memcmp(&it->second, pLight, sizeof(D3DLIGHT9)) == 0)
        return D3D_OK;
    Changed(DIRTY_UNIFORMS | DIRTY_PROGRAM);
    m_lights[Index] = *pLight;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetLight(DWORD Index, D3DLIGHT9* pLight)
{
    auto it = m_lights.find(Index);
    if (!pLight || it == m_lights.end())
        return D3DERR_INVALIDCALL;
    *pLight = it->second;
    return D3D_OK;
}

HRESULT COrvGLDevice::LightEnable(DWORD Index, BOOL Enable)
{
    if (Index > 0xFFFF)
        return D3DERR_INVALIDCALL;
    if (m_lights.find(Index) == m_lights.end())
    {
        // Enabling a light that was never set gives it Direct3D's default: a white
        // directional light along +z.
        D3DLIGHT9 light = {};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {1.f, 1.f, 1.f, 0.f};
        light.Direction = {0.f, 0.f, 1.f};
        m_lights[Index] = light;
    }
    const bool bEnable = Enable != FALSE;
    auto it = m_lightEnabled.find(Index);
    if ((it != m_lightEnabled.end() && it->second == bEnable) ||
        (it == m_lightEnabled.end() && !bEnable))
        return D3D_OK;
    Changed(DIRTY_UNIFORMS | DIRTY_PROGRAM);
    m_lightEnabled[Index] = bEnable;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetLightEnable(DWORD Index, BOOL* pEnable)
{
    if (!pEnable || m_lights.find(Index) == m_lights.end())
        return D3DERR_INVALIDCALL;
    auto it = m_lightEnabled.find(Index);
    *pEnable = (it != m_lightEnabled.end() && it->second) ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT COrvGLDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value)
{
    if ((DWORD)State >= 256)
        return D3DERR_INVALIDCALL;
    if (m_adwRenderState[State] == Value)
        return D3D_OK;
    Changed(RenderStateDirt(State, DIRTY_RASTER, DIRTY_PROGRAM | DIRTY_UNIFORMS, DIRTY_UNIFORMS,
                            DIRTY_VIEWPORT));
    m_adwRenderState[State] = Value;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue)
{
    if (!pValue || (DWORD)State >= 256)
        return D3DERR_INVALIDCALL;
    *pValue = m_adwRenderState[State];
    return D3D_OK;
}

EOrvFFTexture OrvFFTextureKind(IDirect3DBaseTexture9* pTexture)
{
    const COrvGLTextureCore* pOurs = pTexture ? OrvAsGLTexture(pTexture) : nullptr;
    if (!pOurs)
        return ORV_FF_TEXTURE_NONE;
    switch (pOurs->GetTarget())
    {
    case GL_TEXTURE_CUBE_MAP:
        return ORV_FF_TEXTURE_CUBE;
    case GL_TEXTURE_3D:
        return ORV_FF_TEXTURE_3D;
    default:
        return ORV_FF_TEXTURE_2D;
    }
}

HRESULT COrvGLDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture)
{
    if (Stage >= 16)
        return D3DERR_INVALIDCALL;
    if (pTexture && !OrvAsGLTexture(pTexture))
        return D3DERR_INVALIDCALL;
    if (m_apTextures[Stage] == pTexture)
        return D3D_OK;
    // The generated stages sample with a sampler of the texture's kind.
    const bool bKindChanged = OrvFFTextureKind(m_apTextures[Stage]) != OrvFFTextureKind(pTexture);
    Changed(DIRTY_TEXTURES | DIRTY_SAMPLERS | (bKindChanged ? DIRTY_PROGRAM : 0u));
    OrvAssignRef(m_apTextures[Stage], pTexture);
    return D3D_OK;
}

HRESULT COrvGLDevice::GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture)
{
    if (!ppTexture || Stage >= 16)
        return D3DERR_INVALIDCALL;
    *ppTexture = m_apTextures[Stage];
    if (*ppTexture)
        (*ppTexture)->AddRef();
    return D3D_OK;
}

HRESULT COrvGLDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value)
{
    if (Stage >= 8 || (DWORD)Type == 0 || (DWORD)Type > 32)
        return D3DERR_INVALIDCALL;
    if (m_adwStageState[Stage][Type] == Value)
        return D3D_OK;
    Changed(DIRTY_PROGRAM);
    m_adwStageState[Stage][Type] = Value;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                           DWORD* pValue)
{
    if (!pValue || Stage >= 8 || (DWORD)Type == 0 || (DWORD)Type > 32)
        return D3DERR_INVALIDCALL;
    *pValue = m_adwStageState[Stage][Type];
    return D3D_OK;
}

HRESULT COrvGLDevice::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value)
{
    if (Sampler >= 16 || (DWORD)Type == 0 || (DWORD)Type > D3DSAMP_DMAPOFFSET)
        return D3DERR_INVALIDCALL;
    if (m_adwSamplerState[Sampler][Type] == Value)
        return D3D_OK;
    Changed(DIRTY_SAMPLERS);
    m_adwSamplerState[Sampler][Type] = Value;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue)
{
    if (!pValue || Sampler >= 16 || (DWORD)Type == 0 || (DWORD)Type > D3DSAMP_DMAPOFFSET)
        return D3DERR_INVALIDCALL;
    *pValue = m_adwSamplerState[Sampler][Type];
    return D3D_OK;
}

HRESULT COrvGLDevice::ValidateDevice(DWORD* pNumPasses)
{
    if (pNumPasses)
        *pNumPasses = 1;
    return D3D_OK;
}

HRESULT COrvGLDevice::SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl)
{
    COrvGLVertexDeclaration* pOurs = pDecl ? OrvAsGLVertexDeclaration(pDecl) : nullptr;
    if (pDecl && !pOurs)
        return D3DERR_INVALIDCALL;
    if (pOurs == m_pDecl && (pOurs || m_dwFVF == 0))
        return D3D_OK;
    Changed(DIRTY_VERTEX | DIRTY_PROGRAM);
    OrvAssignRef(m_pDecl, pOurs);
    m_dwFVF = 0;
    m_bFVFValid = false;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl)
{
    if (!ppDecl)
        return D3DERR_INVALIDCALL;
    *ppDecl = m_pDecl;
    if (m_pDecl)
        m_pDecl->AddRef();
    return D3D_OK;
}

HRESULT COrvGLDevice::SetFVF(DWORD FVF)
{
    if (FVF == m_dwFVF && !m_pDecl && (m_bFVFValid || FVF == 0))
        return D3D_OK;
    SOrvVertexLayout layout;
    const bool bValid = FVF != 0 && OrvLayoutFromFVF(FVF, layout);
    if (FVF != 0 && !bValid)
        return D3DERR_INVALIDCALL;
    Changed(DIRTY_VERTEX | DIRTY_PROGRAM);
    OrvSafeRelease(m_pDecl);
    m_dwFVF = FVF;
    m_fvfLayout = layout;
    m_bFVFValid = bValid;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetFVF(DWORD* pFVF)
{
    if (!pFVF)
        return D3DERR_INVALIDCALL;
    *pFVF = m_dwFVF;
    return D3D_OK;
}

HRESULT COrvGLDevice::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                                      UINT OffsetInBytes, UINT Stride)
{
    COrvGLVertexBuffer* pBuffer = pStreamData ? OrvAsGLVertexBuffer(pStreamData) : nullptr;
    if (StreamNumber >= 16 || (pStreamData && !pBuffer) || Stride > 2048)
        return D3DERR_INVALIDCALL;
    SStream& rStream = m_aStreams[StreamNumber];
    if (rStream.m_pBuffer == pBuffer && rStream.m_uOffset == OffsetInBytes &&
        rStream.m_uStride == Stride)
        return D3D_OK;
    Changed(DIRTY_VERTEX);
    OrvAssignRef(rStream.m_pBuffer, pBuffer);
    rStream.m_uOffset = OffsetInBytes;
    rStream.m_uStride = Stride;
    return D3D_OK;
}

HRESULT COrvGLDevice::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData,
                                      UINT* pOffsetInBytes, UINT* pStride)
{
    if (StreamNumber >= 16 || !ppStreamData || !pOffsetInBytes || !pStride)
        return D3DERR_INVALIDCALL;
    const SStream& rStream = m_aStreams[StreamNumber];
    *ppStreamData = rStream.m_pBuffer;
    if (rStream.m_pBuffer)
        rStream.m_pBuffer->AddRef();
    *pOffsetInBytes = rStream.m_uOffset;
    *pStride = rStream.m_uStride;
    return D3D_OK;
}

HRESULT COrvGLDevice::SetIndices(IDirect3DIndexBuffer9* pIndexData)
{
    COrvGLIndexBuffer* pBuffer = pIndexData ? OrvAsGLIndexBuffer(pIndexData) : nullptr;
    if (pIndexData && !pBuffer)
        return D3DERR_INVALIDCALL;
    if (pBuffer == m_pIndices)
        return D3D_OK;
    Changed(DIRTY_VERTEX);
    OrvAssignRef(m_pIndices, pBuffer);
    return D3D_OK;
}

HRESULT COrvGLDevice::GetIndices(IDirect3DIndexBuffer9** ppIndexData)
{
    if (!ppIndexData)
        return D3DERR_INVALIDCALL;
    *ppIndexData = m_pIndices;
    if (m_pIndices)
        m_pIndices->AddRef();
    return D3D_OK;
}

HRESULT COrvGLDevice::SetVertexShader(IDirect3DVertexShader9* pShader)
{
    // No bytecode shader can be created here, so only null (fixed function) is meaningful.
    if (pShader)
        return D3DERR_INVALIDCALL;
    OrvSafeRelease(m_pVertexShader);
    return D3D_OK;
}

HRESULT COrvGLDevice::GetVertexShader(IDirect3DVertexShader9** ppShader)
{
    if (!ppShader)
        return D3DERR_INVALIDCALL;
    *ppShader = m_pVertexShader;
    return D3D_OK;
}

HRESULT COrvGLDevice::SetPixelShader(IDirect3DPixelShader9* pShader)
{
    if (pShader)
        return D3DERR_INVALIDCALL;
    OrvSafeRelease(m_pPixelShader);
    return D3D_OK;
}

HRESULT COrvGLDevice::GetPixelShader(IDirect3DPixelShader9** ppShader)
{
    if (!ppShader)
        return D3DERR_INVALIDCALL;
    *ppShader = m_pPixelShader;
    return D3D_OK;
}

namespace
{
bool ConstantRangeOk(const std::vector<float>& raStore, UINT uStart, UINT uCount)
{
    return uStart <= raStore.size() / 4 && uCount <= raStore.size() / 4 - uStart;
}

HRESULT StoreConstants(std::vector<float>& raStore, UINT uStart, UINT uCount, const float* pIn)
{
    if (!pIn || !ConstantRangeOk(raStore, uStart, uCount))
        return D3DERR_INVALIDCALL;
    std::memcpy(raStore.data() + uStart * 4, pIn, uCount * 4 * sizeof(float));
    return D3D_OK;
}

HRESULT LoadConstants(const std::vector<float>& raStore, UINT uStart, UINT uCount, float* pOut)
{
    if (!pOut || !ConstantRangeOk(raStore, uStart, uCount))
        return D3DERR_INVALIDCALL;
    std::memcpy(pOut, raStore.data() + uStart * 4, uCount * 4 * sizeof(float));
    return D3D_OK;
}
} // namespace

HRESULT COrvGLDevice::SetVertexShaderConstantF(UINT StartRegister, const float* pConstantData,
                                               UINT Vector4fCount)
{
    return StoreConstants(m_afVertexConstants, StartRegister, Vector4fCount, pConstantData);
}

HRESULT COrvGLDevice::GetVertexShaderConstantF(UINT StartRegister, float* pConstantData,
                                               UINT Vector4fCount)
{
    return LoadConstants(m_afVertexConstants, StartRegister, Vector4fCount, pConstantData);
}

HRESULT COrvGLDevice::SetPixelShaderConstantF(UINT StartRegister, const float* pConstantData,
                                              UINT Vector4fCount)
{
    return StoreConstants(m_afPixelConstants, StartRegister, Vector4fCount, pConstantData);
}

HRESULT COrvGLDevice::GetPixelShaderConstantF(UINT StartRegister, float* pConstantData,
                                              UINT Vector4fCount)
{
    return LoadConstants(m_afPixelConstants, StartRegister, Vector4fCount, pConstantData);
}
