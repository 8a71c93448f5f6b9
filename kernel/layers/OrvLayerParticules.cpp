#include "layers/OrvLayerParticules.h"

#include "core/OrvPropId.h"
#include "document/OrvDemo.h"
#include "graphics/OrvMaterial.h"

#include "d3dx9.h"

#include <bit>
#include <cmath>

namespace
{
constexpr UINT VERTEX_SIZE = 12;            // a position: D3DFVF_XYZ
constexpr float FIELD_OF_VIEW = 2.0943952f; // 2 pi / 3

DWORD FloatBits(float f)
{
    return std::bit_cast<DWORD>(f);
}

} // namespace

COrvLayerParticules::COrvLayerParticules(COrvDemo* pDemo)
    : COrvLayer(pDemo),
      m_Cloud(ORV_ParticleCloud::kParticleCount, ORV_ParticleCloud::kAttractorCount)
{
    m_pMaterialName = AddProperty<COrvPropString>(ORV_PROP_MATERIAL_NAME, "");
    m_pRotation = AddProperty<COrvPropFloat>(ORV_PROP_ROTATION, 0.0f);
    m_pPower = AddProperty<COrvPropFloat>(ORV_PROP_POWER, 0.0f);
    m_pPower->SetRange(0.0f, 2.0f);
    m_pRessort = AddProperty<COrvPropFloat>(ORV_PROP_RESSORT, 1.0f);
    m_pRessort->SetRange(0.0f, 1.0f);
}

void COrvLayerParticules::SetDevice(IDirect3DDevice9* pDevice)
{
    if (pDevice == m_pDevice)
        return;
    m_pDevice = pDevice;
    m_pVertexBuffer = nullptr;
    if (!m_pDevice)
        return;
    const UINT length = static_cast<UINT>(m_Cloud.GetParticleCount()) * VERTEX_SIZE;
    if (FAILED(m_pDevice->CreateVertexBuffer(
            length, D3DUSAGE_WRITEONLY | D3DUSAGE_POINTS | D3DUSAGE_DYNAMIC, D3DFVF_XYZ,
            D3DPOOL_DEFAULT, m_pVertexBuffer.ReleaseAndGetAddressOf(), nullptr)))
        m_pVertexBuffer = nullptr;
}

void COrvLayerParticules::Draw()
{
    if (!m_pVertexBuffer || !m_pDevice)
        return;
    m_Cloud.Step(COrvPropBase::m_siFrame, m_pPower->GetValue(), m_pRessort->GetValue());

    D3DXMATRIX world;
    D3DXMatrixIdentity(&world);
    m_pDevice->SetTransform(D3DTS_WORLD, &world);
    SetCamera();
    SetStates();
    ApplyMaterial();
    if (!FillVertices())
    {
        // Nothing to draw this frame; the layers after this one still want depth.
        m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
        m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        return;
    }
    m_pDevice->SetStreamSource(0, m_pVertexBuffer.Get(), 0, VERTEX_SIZE);
    m_pDevice->SetFVF(D3DFVF_XYZ);
    m_pDevice->DrawPrimitive(D3DPT_POINTLIST, 0, static_cast<UINT>(m_Cloud.GetParticleCount()));
    m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
}

void COrvLayerParticules::SetCamera()
{
    const float a = m_pRotation->GetValue();
    const D3DXVECTOR3 eye(std::sin(a), 0.0f, std::cos(a));
    const D3DXVECTOR3 at(0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    m_pDevice->SetTransform(D3DTS_VIEW, &view);

    const float aspect = GetTargetAspect();
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, FIELD_OF_VIEW, aspect, 0.0f, 2.0f);
    m_pDevice->SetTransform(D3DTS_PROJECTION, &projection);
}

void COrvLayerParticules::SetStates()
{
    IDirect3DDevice9* d = m_pDevice;
    d->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    d->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    d->SetRenderState(D3DRS_POINTSIZE, FloatBits(0.02f));
    d->SetRenderState(D3DRS_POINTSIZE_MIN, FloatBits(0.0f));
    d->SetRenderState(D3DRS_POINTSCALE_A, FloatBits(0.0f));
    d->SetRenderState(D3DRS_POINTSCALE_B, FloatBits(0.0f));
    d->SetRenderState(D3DRS_POINTSCALE_C, FloatBits(0.1f));
    d->SetRenderState(D3DRS_COLORVERTEX, FALSE);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
}

void COrvLayerParticules::ApplyMaterial()
{
    const std::string name = m_pMaterialName->GetValue();
    if (name.empty() || !m_pDemo)
        return;
    auto* pResource = dynamic_cast<COrvResMaterial*>(m_pDemo->GetResourceByName(name));
    if (pResource)
        pResource->GetMaterial()->Apply(m_pDevice, m_pDemo);
}

bool COrvLayerParticules::FillVertices()
{
    const UINT length = static_cast<UINT>(m_Cloud.GetParticleCount()) * VERTEX_SIZE;
    void* pData = nullptr;
    if (FAILED(m_pVertexBuffer->Lock(0, length, &pData, D3DLOCK_DISCARD)))
        return false;
    if (!pData)
    {
        m_pVertexBuffer->Unlock();
        return false;
    }
    m_Cloud.CopyPositions(static_cast<float*>(pData));
    m_pVertexBuffer->Unlock();
    return true;
}
