#pragma once

#include "OrvExport.h"
#include "core/OrvModifiable.h"
#include "document/OrvLoadProblem.h"

#include "d3d9.h"

class COrvDemo;

// A named object of a demo that layers find by name: images, render targets, materials,
// effect files, meshes. Device objects are built lazily in Update (called once per frame
// before any layer draws) and dropped in SetDevice when the device changes.
class ORV_API COrvResource : public COrvModifiable
{
public:
    COrvResource() = default;
    ~COrvResource() override = default;

    virtual void SetDemo(COrvDemo* pDemo) { m_pDemo = pDemo; }
    virtual void Update() {}
    virtual void SetDevice(IDirect3DDevice9*) {}

    COrvDemo* GetDemo() const { return m_pDemo; }

protected:
    // Makes the owning demo's data directory the process's current directory, so the
    // loaders can be given the bare file names a demo stores. False without a demo or
    // when the directory cannot be entered.
    bool EnterDataDir() const;
    // Tells the owning demo that a file it names (in its data directory) could not be used.
    void ReportProblem(const std::string& name, int line, const std::string& reason) const;

    COrvDemo* m_pDemo = nullptr;
};
