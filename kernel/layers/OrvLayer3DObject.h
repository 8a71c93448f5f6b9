#pragma once

#include "layers/OrvLayer.h"
#include "layers/OrvLayerPlacement.h"

#include "d3dx9.h"

class OGLObject;

// One mesh resource ("Mesh Name") drawn with an optional material ("Material Name"),
// turned about the centre of its bounding box by "Rotation" and moved by "Translation".
// The camera looks at the mesh's rest bounds from in front, so any mesh fills the view;
// one white directional light shines along the view. Dragging over the output turns the
// object (left button), moves it in the view plane (right) or in depth (middle).
class ORV_API COrvLayer3DObject : public COrvLayer
{
public:
    explicit COrvLayer3DObject(COrvDemo* pDemo);
    ~COrvLayer3DObject() override;

    void Draw() override;
    void MouseDown(float x, float y) override;
    void MouseMove(float x, float y, DWORD flags) override;

protected:
    // The loaded mesh that "Mesh Name" names, or null.
    OGLObject* FindMesh() const;
    // Camera, light, states, world transform and the mesh itself. The gelly layer draws
    // unlit, with a light whose ambient alpha is 0.
    void DrawMesh(OGLObject* pObject, BOOL bLighting, float fLightAmbientAlpha);

private:
    void SetCamera(const D3DXVECTOR3& center, float diagonal);
    void SetLight(float fAmbientAlpha);
    void SetStates(BOOL bLighting);
    void SetWorld(const D3DXVECTOR3& center);

    COrvLayerPlacement m_Placement;
};
