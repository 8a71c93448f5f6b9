#include "layers/OrvLayer3DObject.h"

#include "core/OrvPropId.h"
#include "document/OrvDemo.h"
#include "graphics/OGLObject.h"
#include "graphics/OrvMaterial.h"

#include <cmath>

namespace
{
// The bounding-box diagonal that sets the camera's distance and planes. A mesh whose
// vertices all sit on one point has none; it is looked at from a unit distance instead
// of producing a degenerate (NaN) view.
float CameraUnit(const OGLObject* pObject)
{
    const float d = pObject->GetDiagonal();
    return (d > 0.0f && std::isfinite(d)) ? d : 1.0f;
}
} // namespace

COrvLayer3DObject::COrvLayer3DObject(COrvDemo* pDemo) : COrvLayer(pDemo)
{
    m_Placement.AddMaterialName(*this);
    m_Placement.AddMeshName(*this);
    m_Placement.AddTransform(*this);
}

COrvLayer3DObject::~COrvLayer3DObject() {}

OGLObject* COrvLayer3DObject::FindMesh() const
{
    return m_Placement.FindMesh(m_pDemo);
}

void COrvLayer3DObject::Draw()
{
    if (OGLObject* pObject = FindMesh())
        DrawMesh(pObject, TRUE, 1.0f);
}

void COrvLayer3DObject::DrawMesh(OGLObject* pObject, BOOL bLighting, float fLightAmbientAlpha)
{
    if (!m_pDevice)
        return;
    const D3DXVECTOR3 center = pObject->GetCenter();
    SetCamera(center, CameraUnit(pObject));
    SetLight(fLightAmbientAlpha);
    SetStates(bLighting);
    SetWorld(center);

    COrvResMaterial* pMaterial = nullptr;
    const std::string materialName = m_Placement.GetMaterialName();
    if (!materialName.empty())
        pMaterial = dynamic_cast<COrvResMaterial*>(m_pDemo->GetResourceByName(materialName));
    pObject->Draw(m_pDemo, pMaterial);
}

void COrvLayer3DObject::SetCamera(const D3DXVECTOR3& center, float diagonal)
{
    COrvLayerPlacement::SetFrontView(m_pDevice, center, diagonal);
    COrvLayerPlacement::SetFrontProjection(m_pDevice, diagonal, GetTargetAspect());
}

void COrvLayer3DObject::SetLight(float fAmbientAlpha)
{
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Ambient = {0.0f, 0.0f, 0.0f, fAmbientAlpha};
    const D3DXVECTOR3 direction(0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 normalized;
    D3DXVec3Normalize(&normalized, &direction);
    light.Direction = normalized;
    light.Range = 10.0f;
    m_pDevice->SetLight(0, &light);
    m_pDevice->LightEnable(0, TRUE);
}

void COrvLayer3DObject::SetStates(BOOL bLighting)
{
    m_pDevice->SetRenderState(D3DRS_LIGHTING, bLighting);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    m_pDevice->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    m_pDevice->SetRenderState(D3DRS_AMBIENT, 0x00202020);
    m_pDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
}

void COrvLayer3DObject::SetWorld(const D3DXVECTOR3& center)
{
    const D3DXVECTOR3 translation = m_Placement.GetTranslation();
    const D3DXQUATERNION rotation = m_Placement.GetRotation();
    D3DXMATRIX world;
    D3DXMatrixTransformation(&world, nullptr, nullptr, nullptr, &center, &rotation, &translation);
    m_pDevice->SetTransform(D3DTS_WORLD, &world);
}

void COrvLayer3DObject::MouseDown(float x, float y)
{
    m_Placement.SetAnchor(x, y);
}

void COrvLayer3DObject::MouseMove(float x, float y, DWORD flags)
{
    const D3DXVECTOR2 move = m_Placement.MoveAnchor(x, y);
    const OGLObject* pObject = FindMesh();
    if (!pObject)
        return;
    m_Placement.Drag(move, pObject->GetDiagonal() * 0.005f, flags);
}
