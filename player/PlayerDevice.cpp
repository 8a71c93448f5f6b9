#include "PlayerDevice.h"

#include <cstdint>
#include <cstdio>
#include <epoxy/gl.h>

std::vector<D3DDISPLAYMODE> ListDisplayModes(IDirect3D9* pD3D)
{
    std::vector<D3DDISPLAYMODE> modes;
    UINT uCount = pD3D->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8);
    for (UINT i = 0; i < uCount && i < 256; ++i)
    {
        D3DDISPLAYMODE mode{};
        if (FAILED(pD3D->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &mode)))
        {
            break;
        }
        if (mode.Format == D3DFMT_X8R8G8B8)
        {
            modes.push_back(mode);
        }
    }
    return modes;
}

std::string FormatModeLabel(const D3DDISPLAYMODE& mode)
{
    char szLabel[64];
    std::snprintf(szLabel, sizeof(szLabel), "%d x %d [%d hz]", static_cast<int>(mode.Width),
                  static_cast<int>(mode.Height), static_cast<int>(mode.RefreshRate));
    return szLabel;
}

int FindDisplayMode(const std::vector<D3DDISPLAYMODE>& modes, int iWidth, int iHeight,
                    int iRefreshRate)
{
    int iFound = -1;
    for (size_t i = 0; i < modes.size(); ++i)
    {
        const D3DDISPLAYMODE& mode = modes[i];
        if (static_cast<int>(mode.Width) != iWidth || static_cast<int>(mode.Height) != iHeight)
        {
            continue;
        }
        if (iRefreshRate != 0 && static_cast<int>(mode.RefreshRate) == iRefreshRate)
        {
            return static_cast<int>(i);
        }
        if (iRefreshRate == 0 && (iFound < 0 || mode.RefreshRate > modes[iFound].RefreshRate))
        {
            iFound = static_cast<int>(i);
        }
    }
    return iFound;
}

D3DPRESENT_PARAMETERS MakePresentParameters(const D3DDISPLAYMODE& mode, bool bFullscreen,
                                            bool bVSync)
{
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = mode.Width;
    params.BackBufferHeight = mode.Height;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.BackBufferCount = 1;
    params.MultiSampleType = D3DMULTISAMPLE_NONE;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.hDeviceWindow = nullptr;
    params.Windowed = bFullscreen ? FALSE : TRUE;
    params.EnableAutoDepthStencil = TRUE;
    params.AutoDepthStencilFormat = D3DFMT_D16;
    params.FullScreen_RefreshRateInHz = bFullscreen ? mode.RefreshRate : 0;
    params.PresentationInterval = bVSync ? D3DPRESENT_INTERVAL_ONE : D3DPRESENT_INTERVAL_IMMEDIATE;
    return params;
}

HRESULT CreatePlayerDevice(IDirect3D9* pD3D, HWND hWindow, D3DPRESENT_PARAMETERS& rParams,
                           IDirect3DDevice9** ppDevice)
{
    *ppDevice = nullptr;
    D3DCAPS9 caps{};
    if (FAILED(pD3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps)))
    {
        return E_FAIL;
    }
    DWORD dwBehaviour = caps.VertexProcessingCaps != 0 ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                                       : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    if (FAILED(pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hWindow, dwBehaviour,
                                  &rParams, ppDevice)))
    {
        *ppDevice = nullptr;
        return E_FAIL;
    }
    return S_OK;
}

std::string DescribeRenderer()
{
    std::string sText;
    for (GLenum eName : {GL_VENDOR, GL_RENDERER, GL_VERSION})
    {
        const GLubyte* pText = glGetString(eName);
        if (pText != nullptr)
        {
            sText +=
                (sText.empty() ? "" : ", ") + std::string(reinterpret_cast<const char*>(pText));
        }
    }
    return sText.empty() ? "unknown renderer" : sText;
}

std::string MakeRecordingTitle(const std::string& sVersion, const std::string& sRenderer,
                               const std::string& sTag)
{
    // FNV-1a, 32 bits: short, and stable across machines and builds.
    uint32_t uHash = 2166136261u;
    for (unsigned char c : sRenderer)
    {
        uHash = (uHash ^ c) * 16777619u;
    }
    char szTitle[64];
    std::snprintf(szTitle, sizeof(szTitle), "Orv %s r%08x%s%s", sVersion.c_str(),
                  static_cast<unsigned>(uHash), sTag.empty() ? "" : " ", sTag.c_str());
    return szTitle;
}
