// The frame pipeline: handing out the device and drawing one frame, layer by layer, each
// into the render target its "Render taget" names.
#include "document/OrvDemo.h"

#include "audio/OrvMusic.h"
#include "core/OrvProp.h"
#include "document/OrvFrameProfile.h"
#include "graphics/OrvResRenderTarget.h"
#include "layers/OrvLayer.h"

namespace
{
D3DFORMAT g_BackBufferFormat = D3DFMT_A8B8G8R8;

constexpr D3DCOLOR CLEAR_COLOUR = 0xFF000000;
constexpr DWORD CLEAR_FLAGS = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;
} // namespace

D3DVIEWPORT9 OrvOutputViewport(UINT width, UINT height)
{
    D3DVIEWPORT9 viewport{0, 0, width, height, 0.0f, 1.0f};
    const UINT band = static_cast<UINT>(static_cast<double>(width) * 9.0 * 0.0625);
    if (band <= height)
    {
        viewport.Y = (height - band) / 2;
        viewport.Height = band;
    }
    else
    {
        // Wider than 16:9: the band would not fit, so keep the full height and centre a
        // 16:9 picture horizontally.
        const UINT bandWidth = static_cast<UINT>(static_cast<double>(height) * 16.0 / 9.0);
        viewport.X = (width - bandWidth) / 2;
        viewport.Width = bandWidth;
    }
    return viewport;
}

D3DFORMAT COrvDemo::GetBackBufferFormat()
{
    return g_BackBufferFormat;
}

void COrvDemo::SetDevice(IDirect3DDevice9* pDevice)
{
    if (pDevice == m_pDevice)
        return;
    m_pDevice = pDevice;
    // By index: a resource may add others to the list (a mesh file brings its materials).
    for (size_t i = 0; i < m_Resources.size(); ++i)
        m_Resources[i]->SetDevice(pDevice);
    for (COrvLayer* pLayer : m_Layers)
        pLayer->SetDevice(pDevice);
}

std::string COrvDemo::ResolveTarget(size_t layerIndex) const
{
    std::string name = m_Layers[layerIndex]->GetRenderTarget();
    if (name != "NEXT")
        return name;
    for (size_t i = layerIndex + 1; i < m_Layers.size(); ++i)
    {
        std::string input;
        if (!m_Layers[i]->GetInputSurface(input))
            continue;
        if (m_Layers[i]->IsVisible())
            return input;
        name = m_Layers[i]->GetRenderTarget();
    }
    return name;
}

IDirect3DSurface9* COrvDemo::FindTargetSurface(const std::string& name) const
{
    if (name == "OUTPUT")
        return nullptr;
    auto* pTarget = dynamic_cast<COrvResRenderTarget*>(GetResourceByName(name));
    return pTarget ? pTarget->GetSurface() : nullptr;
}

void COrvDemo::DrawLayer(COrvLayer* pLayer, size_t layerIndex, IDirect3DSurface9* pBackBuffer)
{
    const std::string name = ResolveTarget(layerIndex);
    IDirect3DSurface9* pSurface = FindTargetSurface(name);
    m_pDevice->SetRenderTarget(0, pSurface ? pSurface : pBackBuffer);

    D3DSURFACE_DESC desc{};
    COrvComPtr<IDirect3DSurface9> target;
    if (SUCCEEDED(m_pDevice->GetRenderTarget(0, target.ReleaseAndGetAddressOf())) && target)
        target->GetDesc(&desc);
    D3DVIEWPORT9 viewport{0, 0, desc.Width, desc.Height, 0.0f, 1.0f};
    if (name == "OUTPUT")
        viewport = OrvOutputViewport(desc.Width, desc.Height);
    m_pDevice->SetViewport(&viewport);

    m_pDevice->BeginScene();
    if (pLayer->GetClearFirst())
        m_pDevice->Clear(0, nullptr, CLEAR_FLAGS, CLEAR_COLOUR, 1.0f, 0);
    m_sProblemObject = pLayer->GetName();
    pLayer->Draw();
    m_sProblemObject.clear();
    m_pDevice->EndScene();
}

void COrvDemo::UpdateResources(float time)
{
    COrvPropBase::SetFrame(time);
    m_sProblemObject = m_pMusic->GetName();
    m_pMusic->Update();
    // By index: updating a mesh resource appends the materials and images of its file,
    // which are then updated in this same pass.
    for (size_t i = 0; i < m_Resources.size(); ++i)
    {
        m_sProblemObject = m_Resources[i]->GetName();
        m_Resources[i]->Update();
    }
    m_sProblemObject.clear();
}

void COrvDemo::DrawFrame(float time)
{
    if (!m_pDevice)
        return;
    if (m_pProfile)
        m_pProfile->BeginFrame(m_pDevice);
    COrvComPtr<IDirect3DSurface9> pBackBuffer;
    m_pDevice->GetRenderTarget(0, pBackBuffer.ReleaseAndGetAddressOf());
    if (pBackBuffer)
    {
        D3DSURFACE_DESC desc{};
        if (SUCCEEDED(pBackBuffer->GetDesc(&desc)))
            g_BackBufferFormat = desc.Format;
    }
    if (m_iPendingFullClears > 0)
    {
        m_pDevice->Clear(0, nullptr, CLEAR_FLAGS, CLEAR_COLOUR, 1.0f, 0);
        --m_iPendingFullClears;
    }
    UpdateResources(time);
    for (size_t i = 0; i < m_Layers.size(); ++i)
    {
        if (!m_Layers[i]->IsVisible())
            continue;
        if (m_pProfile)
            m_pProfile->BeginLayer(m_Layers[i]);
        DrawLayer(m_Layers[i], i, pBackBuffer.Get());
        if (m_pProfile)
            m_pProfile->EndLayer();
    }
    m_pDevice->SetRenderTarget(0, pBackBuffer.Get());
    if (m_pProfile)
        m_pProfile->EndFrame();
}
