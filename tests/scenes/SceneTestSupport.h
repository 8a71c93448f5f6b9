#pragma once

// Shared by the scene-layer tests: the demo folder with the sample demo's effect files, and
// small helpers for materials and pictures.
#include "OrvTestDemo.h"

#include <string>

inline void SetFloat(COrvModifiable* pObject, ORV_PROP_ID id, float value)
{
    FindProperty<COrvPropFloat>(pObject, id)->SetDefaultValue(value);
}

inline void SetVector(COrvModifiable* pObject, ORV_PROP_ID id, const D3DXVECTOR3& value)
{
    FindProperty<COrvPropVector>(pObject, id)->SetDefaultValue(value);
}

inline void SetQuat(COrvModifiable* pObject, ORV_PROP_ID id, const D3DXQUATERNION& value)
{
    FindProperty<COrvPropQuat>(pObject, id)->SetDefaultValue(value);
}

// A material resource whose texture 0 is the resource named `texture`.
inline COrvModifiable* AddMaterial(COrvDemo& demo, const std::string& name,
                                   const std::string& texture)
{
    COrvModifiable* pMaterial = demo.AddResMaterial();
    pMaterial->SetName(name);
    SetString(pMaterial, ORV_PROP_TEXTURE_NAME_0, texture);
    return pMaterial;
}

// A rotation about x by `angle` radians.
inline D3DXQUATERNION TurnX(float angle)
{
    D3DXQUATERNION q;
    const D3DXVECTOR3 axis(1.0f, 0.0f, 0.0f);
    D3DXQuaternionRotationAxis(&q, &axis, angle);
    return q;
}
