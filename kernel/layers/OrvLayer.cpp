#include "layers/OrvLayer.h"

#include "core/OrvPropId.h"

COrvLayer::COrvLayer(COrvDemo* pDemo) : m_pDemo(pDemo)
{
    m_pVisible = new COrvPropBool(this, ORV_PROP_VISIBLE);
    m_pVisible->AddRef();
    m_pVisible->SetDefaultValue(true);
    m_pVisible->SetAnimable(false);
    m_Properties.push_back(m_pVisible);

    m_pVisibleTrack = new COrvPropBool(this, ORV_PROP_VISIBLE_TRACK);
    m_pVisibleTrack->AddRef();
    m_pVisibleTrack->SetDefaultValue(true);
    m_Properties.push_back(m_pVisibleTrack);

    m_pClearFirst = new COrvPropBool(this, ORV_PROP_CLEAR_FIRST);
    m_pClearFirst->AddRef();
    m_pClearFirst->SetDefaultValue(true);
    m_pClearFirst->SetAnimable(false);
    m_Properties.push_back(m_pClearFirst);

    m_pRenderTarget = new COrvPropString(this, ORV_PROP_RENDER_TARGET);
    m_pRenderTarget->AddRef();
    m_pRenderTarget->SetDefaultValue("OUTPUT");
    m_pRenderTarget->SetAnimable(true);
    m_Properties.push_back(m_pRenderTarget);
}

COrvLayer::~COrvLayer()
{
    m_pVisible->Release();
    m_pVisibleTrack->Release();
    m_pClearFirst->Release();
    m_pRenderTarget->Release();
}

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
