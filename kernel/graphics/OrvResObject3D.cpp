#include "graphics/OrvResObject3D.h"

#include "core/OrvPropId.h"
#include "graphics/OGLObject.h"

COrvResObject3D::COrvResObject3D()
{
    m_pFileName = AddProperty<COrvPropString>(ORV_PROP_FILENAME, "");
}

COrvResObject3D::~COrvResObject3D()
{
    ReleaseObject();
}

void COrvResObject3D::SetFileName(const std::string& name)
{
    m_pFileName->SetValue(name);
}

void COrvResObject3D::ReleaseObject()
{
    m_pObject.Reset();
}

void COrvResObject3D::Update()
{
    const std::string name = m_pFileName->GetValue();
    if (name == m_LoadedFileName)
        return;
    ReleaseObject();
    m_LoadedFileName = name;
    if (name.empty())
        return;
    m_pObject.Assign(new OGLObject);
    m_pObject->SetDevice(m_pDevice);
    if (m_pObject->Load(name, m_pDemo) != 0)
        ReleaseObject();
}

void COrvResObject3D::SetDevice(IDirect3DDevice9* pDevice)
{
    // Also without an object: one that could not be built for the old device (none at
    // all) must be tried again on the new one.
    if (pDevice != m_pDevice)
    {
        ReleaseObject();
        m_LoadedFileName.clear();
    }
    m_pDevice = pDevice;
    if (m_pObject)
        m_pObject->SetDevice(pDevice);
}
