#pragma once

#include "layers/OrvLayer.h"
#include "layers/OrvParticleCloud.h"

// A cloud of 10000 point sprites in the cube from -1 to +1, pulled by four drifting
// attractors and a spring towards y = 0 (see ORV_ParticleCloud), seen from a camera that
// circles the cube's centre at distance 1 at the angle "Rotation". "Power" is the
// attractors' strength, "Ressort" the spring's stiffness; "Material Name" gives the
// sprites' texture and material. Each Draw first moves the cloud by the time elapsed since
// the previous one, so the look depends on the path of frames that led to it.
class ORV_API COrvLayerParticules : public COrvLayer
{
public:
    explicit COrvLayerParticules(COrvDemo* pDemo);

    void SetDevice(IDirect3DDevice9* pDevice) override;
    void Draw() override;

    const ORV_ParticleCloud& GetCloud() const { return m_Cloud; }
    ORV_ParticleCloud& GetCloud() { return m_Cloud; }
    IDirect3DVertexBuffer9* GetVertexBuffer() const { return m_pVertexBuffer.Get(); }

private:
    void SetCamera();
    void SetStates();
    void ApplyMaterial();
    // Copies the positions into the vertex buffer; false when it cannot be locked.
    bool FillVertices();

    COrvComPtr<COrvPropString> m_pMaterialName;
    COrvComPtr<COrvPropFloat> m_pRotation;
    COrvComPtr<COrvPropFloat> m_pPower;
    COrvComPtr<COrvPropFloat> m_pRessort;
    ORV_ParticleCloud m_Cloud;
    COrvComPtr<IDirect3DVertexBuffer9> m_pVertexBuffer;
};
