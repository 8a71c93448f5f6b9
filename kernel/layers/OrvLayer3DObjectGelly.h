#pragma once

#include "layers/OrvGelly.h"
#include "layers/OrvLayer3DObject.h"

struct ID3DXMesh;

// The 3D object layer with a soft-body deformation: before each draw every vertex of the
// mesh moves as a mass point on springs to its neighbours (ORV_Gelly), and the moved
// vertices are written back into the mesh resource's vertex buffer, so every layer that
// draws that mesh shows the deformed shape. Drawn unlit; camera, transforms, material and
// mouse editing are the 3D object layer's.
class ORV_API COrvLayer3DObjectGelly : public COrvLayer3DObject
{
public:
    explicit COrvLayer3DObjectGelly(COrvDemo* pDemo);
    ~COrvLayer3DObjectGelly() override;

    void Draw() override;

    const ORV_Gelly& GetGelly() const { return m_Gelly; }

private:
    // Builds the state from the mesh when it has none or when the mesh is not the one the
    // state was built from (another object, another mesh, vertex count or size).
    bool Follow(const OGLObject* pObject, ID3DXMesh* pMesh);
    bool Build(ID3DXMesh* pMesh);
    void Deform(ID3DXMesh* pMesh);

    ORV_Gelly m_Gelly;
    const OGLObject* m_pFollowedObject = nullptr;
    const ID3DXMesh* m_pFollowedMesh = nullptr;
};
