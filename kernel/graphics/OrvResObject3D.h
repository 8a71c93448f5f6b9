#pragma once

#include "graphics/OrvResource.h"
#include "core/OrvProp.h"

#include <string>

class OGLObject;

// The resource that owns one OGLObject, built from "Filename" (a .x file or a built-in
// shape name) at the first frame after the name or the device changes.
class ORV_API COrvResObject3D : public COrvResource
{
public:
    COrvResObject3D();
    ~COrvResObject3D() override;

    void Update() override;
    void SetDevice(IDirect3DDevice9* pDevice) override;

    void SetFileName(const std::string& name);
    OGLObject* GetObject() const { return m_pObject.Get(); }

private:
    void ReleaseObject();

    COrvComPtr<COrvPropString> m_pFileName;
    COrvComPtr<OGLObject> m_pObject;
    std::string m_LoadedFileName;
    IDirect3DDevice9* m_pDevice = nullptr;
};
