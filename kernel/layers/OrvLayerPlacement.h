#pragma once

#include "core/OrvModifiable.h"
#include "core/OrvProp.h"

#include "d3dx9.h"

#include <string>

class COrvDemo;
class COrvMaterial;
class COrvResMaterial;
class COrvResTexture;
class OGLObject;

// A material resource, its device material (refreshed by the look-up) and its first texture.
struct SOrvLayerPicture
{
    COrvResMaterial* pResource = nullptr;
    COrvMaterial* pMaterial = nullptr;
    COrvResTexture* pTexture = nullptr;
};

// What the placed layers (sprite, 3D object, sphere, balls, grid) share, held by each as a
// member: the "Material Name", "Mesh Name", "Translation" and "Rotation" properties, and the
// anchor of a mouse drag over the output. A helper rather than a base class, so that the
// class tree and the vtables that hosts link against stay as they are.
//
// Each Add call appends its properties to the layer's list at the point where the layer's
// constructor makes it, so every layer keeps its own property order, ids and defaults (demo
// files and hosts find properties by them).
class COrvLayerPlacement
{
public:
    // "Material Name", empty.
    void AddMaterialName(COrvModifiable& rLayer);
    // "Mesh Name", empty.
    void AddMeshName(COrvModifiable& rLayer);
    // "Translation" (0, 0, 0), then "Rotation" (the identity).
    void AddTransform(COrvModifiable& rLayer);

    std::string GetMaterialName() const { return m_pMaterialName->GetValue(); }
    COrvPropString* GetMaterialNameProperty() const { return m_pMaterialName.Get(); }
    D3DXVECTOR3 GetTranslation() const { return m_pTranslation->GetValue(); }
    void SetTranslation(const D3DXVECTOR3& translation) { m_pTranslation->SetValue(translation); }
    D3DXQUATERNION GetRotation() const { return m_pRotation->GetValue(); }
    void SetRotation(const D3DXQUATERNION& rotation) { m_pRotation->SetValue(rotation); }

    // The material resource "Material Name" names, its device material and first texture:
    // true when every link of the chain is there and the texture loaded. Refreshes the device
    // material (COrvResMaterial::GetMaterial) once when the resource exists.
    bool FindPicture(COrvDemo* pDemo, SOrvLayerPicture& rPicture) const;
    // The loaded mesh "Mesh Name" names, or null (also when its file did not load).
    OGLObject* FindMesh(COrvDemo* pDemo) const;

    // The camera of a layer that shows one placed thing, in two steps because a layer reads
    // its target's aspect from the device between them. The view: fUnit x 2 in front of rAt
    // (towards -z), looking at it, y up.
    static void SetFrontView(IDirect3DDevice9* pDevice, const D3DXVECTOR3& rAt, float fUnit);
    // The projection: a quarter-turn field of view at the aspect given, depth planes at
    // fUnit x 0.01 and fUnit x 4.
    static void SetFrontProjection(IDirect3DDevice9* pDevice, float fUnit, float fAspect);

    // A drag starts at (x, y).
    void SetAnchor(float x, float y);
    // How far (x, y) is from the anchor; the anchor then moves there.
    D3DXVECTOR2 MoveAnchor(float x, float y);
    // Turns or moves the placement by a drag of rMove pixels (see OrvDragTransform).
    void Drag(const D3DXVECTOR2& rMove, float fStep, DWORD flags);
    // The drag of a layer that shows the material's picture: the anchor moves to (x, y), and
    // the placement turns or moves 0.01 a pixel only while the picture is there to be seen.
    void DragOverPicture(COrvDemo* pDemo, float x, float y, DWORD flags);

private:
    COrvComPtr<COrvPropString> m_pMaterialName;
    COrvComPtr<COrvPropString> m_pMeshName;
    COrvComPtr<COrvPropVector> m_pTranslation;
    COrvComPtr<COrvPropQuat> m_pRotation;
    D3DXVECTOR2 m_vAnchor{0.0f, 0.0f};
};
