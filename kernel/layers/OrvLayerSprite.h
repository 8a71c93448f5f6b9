#pragma once

#include "layers/OrvLayer.h"

#include "d3dx9.h"

class COrvMaterial;
class COrvResTexture;

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
    // The material named by "Material Name" (refreshed) and its first texture, or false.
    bool FindPicture(COrvMaterial*& pMaterial, COrvResTexture*& pTexture);
    void SetCamera(float aspect);
    COrvComPtr<IDirect3DVertexBuffer9> CreateRectangle(float aspect);
    void SetStates();

    COrvComPtr<COrvPropString> m_pMeshName;
    COrvComPtr<COrvPropString> m_pMaterialName;
    COrvComPtr<COrvPropVector> m_pTranslation;
    COrvComPtr<COrvPropQuat> m_pRotation;
    float m_fAnchorX = 0.0f;
    float m_fAnchorY = 0.0f;
};
