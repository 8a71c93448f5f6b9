#include "layers/OrvLayer.h"

#include "core/OrvPropId.h"

COrvLayer::COrvLayer(COrvDemo* pDemo) : m_pDemo(pDemo)
{
    m_pVisible = AddProperty<COrvPropBool>(ORV_PROP_VISIBLE, true);
    m_pVisible->SetAnimable(false);

    m_pVisibleTrack = AddProperty<COrvPropBool>(ORV_PROP_VISIBLE_TRACK, true);

    m_pClearFirst = AddProperty<COrvPropBool>(ORV_PROP_CLEAR_FIRST, true);
    m_pClearFirst->SetAnimable(false);

    m_pRenderTarget = AddProperty<COrvPropString>(ORV_PROP_RENDER_TARGET, "OUTPUT");
    m_pRenderTarget->SetAnimable(true);
}

COrvLayer::~COrvLayer() {}

void COrvLayer::SetDevice(IDirect3DDevice9* pDevice)
{
    m_pDevice = pDevice;
}

void COrvLayer::MouseUp(float, float) {}

void COrvLayer::MouseDown(float, float) {}

void COrvLayer::MouseMove(float, float, DWORD) {}

bool COrvLayer::GetInputSurface(std::string&) const
{
    return false;
}

float COrvLayer::GetTargetAspect() const
{
    COrvComPtr<IDirect3DSurface9> target;
    D3DSURFACE_DESC desc{};
    if (!m_pDevice || FAILED(m_pDevice->GetRenderTarget(0, target.ReleaseAndGetAddressOf())) ||
        !target || FAILED(target->GetDesc(&desc)) || desc.Height == 0)
        return 1.0f;
    return static_cast<float>(desc.Width) / static_cast<float>(desc.Height);
}

std::string COrvLayer::GetRenderTarget() const
{
    return m_pRenderTarget->GetValue();
}

bool COrvLayer::IsVisible() const
{
    return m_pVisible->GetValue() && m_pVisibleTrack->GetValue();
}

bool COrvLayer::GetClearFirst() const
{
    return m_pClearFirst->GetValue();
}
