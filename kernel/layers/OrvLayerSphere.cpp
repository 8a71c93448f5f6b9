#include "layers/OrvLayerSphere.h"

#include "core/OrvPropId.h"
#include "document/OrvDemo.h"
#include "graphics/OGLObject.h"
#include "graphics/OrvMaterial.h"
#include "graphics/OrvResTexture.h"
#include "OrvPi.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr int SPHERE_SEGMENTS = 40;

struct SSphereVertex
{
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(SSphereVertex) == 32);

// Texture coordinates from the outward normal, then the normal turned inwards.
void TurnInside(SSphereVertex& v)
{
    v.u = static_cast<float>(std::asin(std::clamp<double>(v.nx, -1.0, 1.0)) / orv::dFloatPi + 0.5);
    v.v = static_cast<float>(std::asin(std::clamp<double>(v.ny, -1.0, 1.0)) / orv::dFloatPi + 0.5);
    v.nx = -v.nx;
    v.ny = -v.ny;
    v.nz = -v.nz;
}
} // namespace

COrvLayerSphere::COrvLayerSphere(COrvDemo* pDemo) : COrvLayer(pDemo)
{
    m_Placement.AddMaterialName(*this);
    m_Placement.AddTransform(*this);
    m_pCullingSide = AddProperty<COrvPropBool>(ORV_PROP_CULLING_SIDE, false);
    m_pCullingSide->SetAnimable(true);
}

COrvLayerSphere::~COrvLayerSphere() = default;

void COrvLayerSphere::SetDevice(IDirect3DDevice9* pDevice)
{
    if (pDevice == m_pDevice)
        return;
    m_pSphere = nullptr;
    m_pDevice = pDevice;
    if (m_pDevice)
        BuildSphere();
}

void COrvLayerSphere::BuildSphere()
{
    m_pSphere.Assign(new OGLObject);
    m_pSphere->SetDevice(m_pDevice);
    m_pSphere->CreateTexturedSphere(1.0f, SPHERE_SEGMENTS);
    ID3DXMesh* pMesh = m_pSphere->GetMesh();
    if (!pMesh || D3DXGetFVFVertexSize(pMesh->GetFVF()) != sizeof(SSphereVertex))
        return;
    void* pData = nullptr;
    if (FAILED(pMesh->LockVertexBuffer(0, &pData)))
        return;
    if (pData)
    {
        auto* pVertices = static_cast<SSphereVertex*>(pData);
        for (DWORD i = 0, n = pMesh->GetNumVertices(); i < n; ++i)
            TurnInside(pVertices[i]);
    }
    pMesh->UnlockVertexBuffer();
}

void COrvLayerSphere::Draw()
{
    SOrvLayerPicture picture;
    UINT width = 0, height = 0;
    if (!m_pDevice || !m_pSphere || !m_pSphere->GetMesh() ||
        !m_Placement.FindPicture(m_pDemo, picture) ||
        !picture.pTexture->GetSourceSize(width, height) || width == 0 || height == 0)
        return;
    const float k = static_cast<float>(height) / static_cast<float>(width);
    SetCamera(std::sqrt(k * k + 1.0f));
    SetWorldAndLight();
    SetStates();
    COrvMaterial* pDeviceMaterial = picture.pResource->GetMaterial();
    if (pDeviceMaterial)
        pDeviceMaterial->Apply(m_pDevice, m_pDemo);
    // Depth testing is switched on and at once off again: the sphere is drawn without it.
    m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, FALSE);
    m_pSphere->Draw(m_pDemo, picture.pResource);
    m_pDevice->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
}

void COrvLayerSphere::SetCamera(float c)
{
    COrvLayerPlacement::SetFrontView(m_pDevice, D3DXVECTOR3(0.0f, 0.0f, 0.0f), c);
    COrvLayerPlacement::SetFrontProjection(m_pDevice, c, GetTargetAspect());
}

void COrvLayerSphere::SetWorldAndLight()
{
    const D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f);
    const D3DXQUATERNION rotation = m_Placement.GetRotation();
    const D3DXVECTOR3 translation = m_Placement.GetTranslation();
    D3DXMATRIX world;
    D3DXMatrixTransformation(&world, nullptr, nullptr, nullptr, &centre, &rotation, &translation);
    m_pDevice->SetTransform(D3DTS_WORLD, &world);

    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    const D3DXVECTOR3 direction(1.0f, -1.0f, 1.0f);
    D3DXVECTOR3 normalized;
    D3DXVec3Normalize(&normalized, &direction);
    light.Direction = normalized;
    light.Range = 10.0f;
    m_pDevice->SetLight(0, &light);
    m_pDevice->LightEnable(0, TRUE);
}

void COrvLayerSphere::SetStates()
{
    IDirect3DDevice9* d = m_pDevice;
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRS_CULLMODE, m_pCullingSide->GetValue() ? D3DCULL_CCW : D3DCULL_CW);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
}

void COrvLayerSphere::MouseDown(float x, float y)
{
    m_Placement.SetAnchor(x, y);
}

void COrvLayerSphere::MouseMove(float x, float y, DWORD flags)
{
    m_Placement.DragOverPicture(m_pDemo, x, y, flags);
}
