#include "layers/OrvLayerPlacement.h"

#include "core/OrvPropId.h"
#include "document/OrvDemo.h"
#include "graphics/OGLObject.h"
#include "graphics/OrvMaterial.h"
#include "graphics/OrvResObject3D.h"
#include "graphics/OrvResTexture.h"
#include "layers/OrvMouseDrag.h"

namespace
{
constexpr float QUARTER_PI = 0.7853982f;
} // namespace

void COrvLayerPlacement::AddMaterialName(COrvModifiable& rLayer)
{
    m_pMaterialName = rLayer.AddProperty<COrvPropString>(ORV_PROP_MATERIAL_NAME, "");
}

void COrvLayerPlacement::AddMeshName(COrvModifiable& rLayer)
{
    m_pMeshName = rLayer.AddProperty<COrvPropString>(ORV_PROP_MESH_NAME, "");
}

void COrvLayerPlacement::AddTransform(COrvModifiable& rLayer)
{
    m_pTranslation =
        rLayer.AddProperty<COrvPropVector>(ORV_PROP_TRANSLATION, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    m_pRotation =
        rLayer.AddProperty<COrvPropQuat>(ORV_PROP_ROTATION, D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f));
}

bool COrvLayerPlacement::FindPicture(COrvDemo* pDemo, SOrvLayerPicture& rPicture) const
{
    const std::string name = m_pMaterialName->GetValue();
    if (name.empty() || !pDemo)
        return false;
    rPicture.pResource = dynamic_cast<COrvResMaterial*>(pDemo->GetResourceByName(name));
    if (!rPicture.pResource)
        return false;
    rPicture.pMaterial = rPicture.pResource->GetMaterial();
    rPicture.pTexture =
        dynamic_cast<COrvResTexture*>(pDemo->GetResourceByName(rPicture.pMaterial->m_TextureName0));
    return rPicture.pTexture && rPicture.pTexture->GetTexture();
}

OGLObject* COrvLayerPlacement::FindMesh(COrvDemo* pDemo) const
{
    const std::string name = m_pMeshName->GetValue();
    if (name.empty() || !pDemo)
        return nullptr;
    auto* pResource = dynamic_cast<COrvResObject3D*>(pDemo->GetResourceByName(name));
    OGLObject* pObject = pResource ? pResource->GetObject() : nullptr;
    // An object whose file did not load has no mesh: nothing to draw or to edit.
    return pObject && pObject->GetMesh() ? pObject : nullptr;
}

void COrvLayerPlacement::SetFrontView(IDirect3DDevice9* pDevice, const D3DXVECTOR3& rAt,
                                      float fUnit)
{
    const D3DXVECTOR3 eye(rAt.x, rAt.y, rAt.z - 2.0f * fUnit);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &rAt, &up);
    pDevice->SetTransform(D3DTS_VIEW, &view);
}

void COrvLayerPlacement::SetFrontProjection(IDirect3DDevice9* pDevice, float fUnit, float fAspect)
{
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, QUARTER_PI, fAspect, 0.01f * fUnit, 4.0f * fUnit);
    pDevice->SetTransform(D3DTS_PROJECTION, &projection);
}

void COrvLayerPlacement::SetAnchor(float x, float y)
{
    m_vAnchor = D3DXVECTOR2(x, y);
}

D3DXVECTOR2 COrvLayerPlacement::MoveAnchor(float x, float y)
{
    const D3DXVECTOR2 move(x - m_vAnchor.x, y - m_vAnchor.y);
    m_vAnchor = D3DXVECTOR2(x, y);
    return move;
}

void COrvLayerPlacement::Drag(const D3DXVECTOR2& rMove, float fStep, DWORD flags)
{
    OrvDragTransform(*m_pRotation, *m_pTranslation, rMove.x, rMove.y, fStep, flags);
}

void COrvLayerPlacement::DragOverPicture(COrvDemo* pDemo, float x, float y, DWORD flags)
{
    const D3DXVECTOR2 move = MoveAnchor(x, y);
    SOrvLayerPicture picture;
    if (FindPicture(pDemo, picture))
        Drag(move, 0.01f, flags);
}
