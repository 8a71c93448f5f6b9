#pragma once

#include "layers/OrvDofPass.h"
#include "layers/OrvGridLattice.h"
#include "layers/OrvLayer.h"
#include "layers/OrvLayerPlacement.h"

#include "d3dx9.h"

#include <memory>
#include <string>

// A camera flying through an endless lattice of square beams (ORV_GridLattice) with
// travelling light bands, drawn with the technique "ObjTexFog" of "scene.fx" through the
// depth-of-field pass. "Translation" is the camera's position and "Rotation" its
// orientation (rows of the rotation: right, up, forward); dragging over the output flies it.
//
// Without "scene.fx", "dof.fx" or its vertex buffer the layer draws nothing and says why once
// in the diagnostic log; the next device change tries again.
class ORV_API COrvLayerGrid : public COrvLayer
{
public:
    explicit COrvLayerGrid(COrvDemo* pDemo);
    ~COrvLayerGrid() override;

    void SetDevice(IDirect3DDevice9* pDevice) override;
    void Draw() override;
    void MouseDown(float x, float y) override;
    void MouseMove(float x, float y, DWORD flags) override;

    static constexpr float MAX_COC = 9.0f;

    // For hosts and tests.
    const ORV_GridLattice& GetLattice() const { return *m_pLattice; }
    const DofPass& GetDof() const { return *m_pDof; }
    ID3DXEffect* GetEffect() const { return m_pEffect.Get(); }
    IDirect3DVertexBuffer9* GetVertexBuffer() const { return m_pVertexBuffer.Get(); }
    const D3DXMATRIX& GetViewProjection() const { return m_mViewProjection; }
    bool IsReady(std::string* pReason = nullptr) const;

private:
    void ReleaseDeviceObjects();
    bool Upload();
    void DrawScene();
    void SetCamera(D3DXMATRIX& rView, D3DXVECTOR3& rEye, D3DXVECTOR3& rRight, D3DXVECTOR3& rUp,
                   D3DXVECTOR3& rForward);
    void SetLight(const D3DXVECTOR3& eye, const D3DXVECTOR3& right, const D3DXVECTOR3& up,
                  const D3DXVECTOR3& forward);
    void SetStates();
    void SetEffectParameters(const D3DXVECTOR3& eye, const D3DXVECTOR3& right,
                             const D3DXVECTOR3& up, const D3DXVECTOR3& forward);
    void DrawCells();
    float GetTargetAspect() const;

    COrvLayerPlacement m_Placement;
    COrvComPtr<COrvPropFloat> m_pFocalDist;
    COrvComPtr<COrvPropFloat> m_pFocalRange;

    std::unique_ptr<ORV_GridLattice> m_pLattice;
    std::unique_ptr<DofPass> m_pDof;
    COrvComPtr<IDirect3DVertexBuffer9> m_pVertexBuffer;
    COrvComPtr<ID3DXEffect> m_pEffect;
    UINT m_uDofWidth = 0;
    UINT m_uDofHeight = 0;
    D3DXMATRIX m_mViewProjection{};
    std::string m_SetUpFailure;
    bool m_bFailureLogged = false;
};
