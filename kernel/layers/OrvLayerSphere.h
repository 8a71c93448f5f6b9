#pragma once

#include "layers/OrvLayer.h"
#include "layers/OrvLayerPlacement.h"

#include "d3dx9.h"

class OGLObject;

// The first texture of a material ("Material Name") mapped onto a unit sphere whose normals
// point inwards, drawn alpha-blended without depth test, turned by "Rotation" and moved by
// "Translation". "Culling Side" chooses the surface seen: false culls the front faces, so
// the far inner half of the sphere shows (a dome seen from outside); true culls the back
// faces (the near outer half). The camera's distance follows the texture's proportions; one
// white directional light shines along (1, -1, 1). Dragging turns the sphere (left button),
// moves it sideways (right) or in depth (middle), 0.01 unit or radian per pixel.
class ORV_API COrvLayerSphere : public COrvLayer
{
public:
    explicit COrvLayerSphere(COrvDemo* pDemo);
    ~COrvLayerSphere() override;

    void SetDevice(IDirect3DDevice9* pDevice) override;
    void Draw() override;
    void MouseDown(float x, float y) override;
    void MouseMove(float x, float y, DWORD flags) override;

    OGLObject* GetSphere() const { return m_pSphere.Get(); }

private:
    void BuildSphere();
    void SetCamera(float c);
    void SetWorldAndLight();
    void SetStates();

    COrvLayerPlacement m_Placement;
    COrvComPtr<COrvPropBool> m_pCullingSide;
    COrvComPtr<OGLObject> m_pSphere;
};
