#include "OrvDirect3D9.h"

#include "OrvGLDevice.h"
#include "OrvGLFormats.h"
#include "OrvDisplayModes.h"
#include "OrvPlatformReport.h"

#include <cstdio>
#include <cstring>

namespace
{
bool IsDisplayFormat(D3DFORMAT eFormat)
{
    return eFormat == D3DFMT_X8R8G8B8 || eFormat == D3DFMT_A8R8G8B8;
}

// Reason of the last failed device creation, reported once per distinct reason.
void ReportOnce(const std::string& sReason)
{
    static std::string s_sLast;
    if (sReason == s_sLast)
        return;
    s_sLast = sReason;
    OrvReport(("Direct3D device creation failed: " + sReason).c_str());
}
} // namespace

void OrvFillCaps(D3DCAPS9& rCaps)
{
    std::memset(&rCaps, 0, sizeof(rCaps));
    rCaps.DeviceType = D3DDEVTYPE_HAL;
    rCaps.PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    rCaps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    rCaps.PrimitiveMiscCaps = D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                              D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_BLENDOP |
                              D3DPMISCCAPS_SEPARATEALPHABLEND | D3DPMISCCAPS_INDEPENDENTWRITEMASKS |
                              D3DPMISCCAPS_MRTINDEPENDENTBITDEPTHS;
    rCaps.RasterCaps = D3DPRASTERCAPS_SCISSORTEST;
    rCaps.ZCmpCaps = rCaps.AlphaCmpCaps = 0xFF;
    rCaps.SrcBlendCaps = rCaps.DestBlendCaps = 0x3FFF;
    rCaps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA |
                        D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_CUBEMAP |
                        D3DPTEXTURECAPS_MIPCUBEMAP | D3DPTEXTURECAPS_VOLUMEMAP |
                        D3DPTEXTURECAPS_MIPVOLUMEMAP;
    rCaps.TextureFilterCaps = rCaps.CubeTextureFilterCaps = rCaps.VolumeTextureFilterCaps =
        0x03030300;
    rCaps.TextureAddressCaps = rCaps.VolumeTextureAddressCaps = 0x1F;
    rCaps.MaxTextureWidth = rCaps.MaxTextureHeight = ORV_MAX_TEXTURE_SIZE;
    rCaps.MaxVolumeExtent = ORV_MAX_VOLUME_EXTENT;
    rCaps.MaxTextureRepeat = 8192;
    rCaps.MaxTextureAspectRatio = ORV_MAX_TEXTURE_SIZE;
    rCaps.MaxAnisotropy = 16;
    rCaps.MaxVertexW = 1e10f;
    rCaps.GuardBandLeft = rCaps.GuardBandTop = -32768.f;
    rCaps.GuardBandRight = rCaps.GuardBandBottom = 32768.f;
    rCaps.StencilCaps = 0xFF;
    rCaps.FVFCaps = 8;
    rCaps.TextureOpCaps = 0x03FFFFFF;
    rCaps.MaxTextureBlendStages = 8;
    rCaps.MaxSimultaneousTextures = 8;
    rCaps.VertexProcessingCaps = D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS |
                                 D3DVTXPCAPS_POSITIONALLIGHTS | D3DVTXPCAPS_LOCALVIEWER;
    rCaps.MaxActiveLights = 8;
    rCaps.MaxUserClipPlanes = 0;
    rCaps.MaxPointSize = 256.f;
    rCaps.MaxPrimitiveCount = 0xFFFFFF;
    rCaps.MaxVertexIndex = 0xFFFFFF;
    rCaps.MaxStreams = 16;
    rCaps.MaxStreamStride = 508;
    rCaps.VertexShaderVersion = D3DVS_VERSION(3, 0);
    rCaps.MaxVertexShaderConst = 256;
    rCaps.PixelShaderVersion = D3DPS_VERSION(3, 0);
    rCaps.PixelShader1xMaxValue = 65504.f;
    rCaps.NumberOfAdaptersInGroup = 1;
    rCaps.DeclTypes = 0x3FF;
    rCaps.NumSimultaneousRTs = 4;
    rCaps.StretchRectFilterCaps = 0x03000300;
    rCaps.VS20Caps = {1, 24, 32, 4};
    rCaps.PS20Caps = {0x1F, 24, 32, 4, 512};
    rCaps.MaxVShaderInstructionsExecuted = 65535;
    rCaps.MaxPShaderInstructionsExecuted = 65535;
    rCaps.MaxVertexShader30InstructionSlots = 32768;
    rCaps.MaxPixelShader30InstructionSlots = 32768;
}

HRESULT COrvDirect3D9::GetAdapterIdentifier(UINT Adapter, DWORD,
                                            D3DADAPTER_IDENTIFIER9* pIdentifier)
{
    if (Adapter != 0 || !pIdentifier)
        return D3DERR_INVALIDCALL;
    std::memset(pIdentifier, 0, sizeof(*pIdentifier));
    snprintf(pIdentifier->Driver, sizeof(pIdentifier->Driver), "OrvPlatform");
    snprintf(pIdentifier->Description, sizeof(pIdentifier->Description), "OpenGL 3.3");
    snprintf(pIdentifier->DeviceName, sizeof(pIdentifier->DeviceName), "\\\\.\\DISPLAY1");
    return D3D_OK;
}

UINT COrvDirect3D9::GetAdapterModeCount(UINT Adapter, D3DFORMAT Format)
{
    if (Adapter != 0 || !IsDisplayFormat(Format))
        return 0;
    return (UINT)OrvListDisplayModes().size();
}

HRESULT COrvDirect3D9::EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode,
                                        D3DDISPLAYMODE* pMode)
{
    if (Adapter != 0 || !pMode || !IsDisplayFormat(Format))
        return D3DERR_INVALIDCALL;
    const std::vector<SOrvDisplayMode> aModes = OrvListDisplayModes();
    if (Mode >= aModes.size())
        return D3DERR_INVALIDCALL;
    *pMode = {aModes[Mode].m_uWidth, aModes[Mode].m_uHeight, aModes[Mode].m_uRefreshRate, Format};
    return D3D_OK;
}

HRESULT COrvDirect3D9::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode)
{
    if (Adapter != 0 || !pMode)
        return D3DERR_INVALIDCALL;
    const std::vector<SOrvDisplayMode> aModes = OrvListDisplayModes();
    const SOrvDisplayMode& rLast = aModes.back();
    *pMode = {rLast.m_uWidth, rLast.m_uHeight, rLast.m_uRefreshRate, D3DFMT_X8R8G8B8};
    return D3D_OK;
}

HRESULT COrvDirect3D9::CheckDeviceType(UINT Adapter, D3DDEVTYPE, D3DFORMAT AdapterFormat,
                                       D3DFORMAT BackBufferFormat, BOOL)
{
    if (Adapter != 0 || !IsDisplayFormat(AdapterFormat))
        return D3DERR_NOTAVAILABLE;
    const SOrvGLFormat* pFormat = OrvFindGLFormat(BackBufferFormat);
    return (pFormat && pFormat->m_bRenderable) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT COrvDirect3D9::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE, D3DFORMAT, DWORD Usage,
                                         D3DRESOURCETYPE RType, D3DFORMAT CheckFormat)
{
    const SOrvGLFormat* pFormat = OrvFindGLFormat(CheckFormat);
    if (Adapter != 0 || !pFormat)
        return D3DERR_NOTAVAILABLE;
    // Volumes are never render targets.
    if ((Usage & D3DUSAGE_RENDERTARGET) &&
        (!pFormat->m_bRenderable || RType == D3DRTYPE_VOLUMETEXTURE))
        return D3DERR_NOTAVAILABLE;
    if ((Usage & D3DUSAGE_DEPTHSTENCIL) != 0 && (!pFormat->m_bDepth || RType != D3DRTYPE_SURFACE))
        return D3DERR_NOTAVAILABLE;
    if (pFormat->m_bDepth && !(Usage & D3DUSAGE_DEPTHSTENCIL))
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT COrvDirect3D9::CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE, D3DFORMAT, BOOL,
                                                  D3DMULTISAMPLE_TYPE MultiSampleType,
                                                  DWORD* pQualityLevels)
{
    if (pQualityLevels)
        *pQualityLevels = MultiSampleType == D3DMULTISAMPLE_NONE ? 1 : 0;
    return (Adapter == 0 && MultiSampleType == D3DMULTISAMPLE_NONE) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT COrvDirect3D9::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE, D3DFORMAT, D3DFORMAT,
                                              D3DFORMAT DepthStencilFormat)
{
    const SOrvGLFormat* pFormat = OrvFindGLFormat(DepthStencilFormat);
    return (Adapter == 0 && pFormat && pFormat->m_bDepth) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT COrvDirect3D9::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps)
{
    if (Adapter != 0 || !pCaps || (DeviceType != D3DDEVTYPE_HAL && DeviceType != D3DDEVTYPE_REF))
        return D3DERR_INVALIDCALL;
    OrvFillCaps(*pCaps);
    pCaps->DeviceType = DeviceType;
    return D3D_OK;
}

HRESULT COrvDirect3D9::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                    DWORD BehaviorFlags,
                                    D3DPRESENT_PARAMETERS* pPresentationParameters,
                                    IDirect3DDevice9** ppReturnedDeviceInterface)
{
    if (!ppReturnedDeviceInterface)
        return D3DERR_INVALIDCALL;
    *ppReturnedDeviceInterface = nullptr;
    if (Adapter != 0 || !pPresentationParameters ||
        (DeviceType != D3DDEVTYPE_HAL && DeviceType != D3DDEVTYPE_REF))
        return D3DERR_INVALIDCALL;
    std::string sReason;
    COrvGLDevice* pDevice =
        COrvGLDevice::Create(this, hFocusWindow, BehaviorFlags, *pPresentationParameters, sReason);
    if (!pDevice)
    {
        ReportOnce(sReason);
        return sReason.rfind("invalid", 0) == 0 ? D3DERR_INVALIDCALL : D3DERR_NOTAVAILABLE;
    }
    *pPresentationParameters = pDevice->GetPresentParameters();
    *ppReturnedDeviceInterface = pDevice;
    return D3D_OK;
}

extern "C" ORVPLATFORM_API IDirect3D9* Direct3DCreate9(UINT SDKVersion)
{
    if (SDKVersion != D3D_SDK_VERSION)
        return nullptr;
    return new COrvDirect3D9();
}
