#pragma once

#include "layers/OrvLayer.h"
#include "layers/OrvLayerPlacement.h"

#include "d3dx9.h"

// One lit, textured rectangle showing the first texture of a material with the picture's
// own aspect ratio, in front of a fixed camera, placed by "Translation" and turned by
// "Rotation". Dragging turns it (left button), moves it sideways (right) or in depth
// (middle).
class ORV_API COrvLayerSprite : public COrvLayer
{
public:
    explicit COrvLayerSprite(COrvDemo* pDemo);
    ~COrvLayerSprite() override;

    void Draw() override;
    void MouseDown(float x, float y) override;
    void MouseMove(float x, float y, DWORD flags) override;

private:
    void SetCamera(float aspect);
    COrvComPtr<IDirect3DVertexBuffer9> CreateRectangle(float aspect);
    void SetStates();

    COrvLayerPlacement m_Placement;
};
