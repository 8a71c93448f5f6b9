#pragma once

#include "layers/OrvBallSimulation.h"
#include "layers/OrvDofPass.h"
#include "layers/OrvLayer.h"
#include "layers/OrvLayerPlacement.h"

#include "d3dx9.h"

#include <memory>
#include <string>

// Twenty balls rolling in a closed room with a textured floor and bevelled walls, each with
// a soft shadow, seen through the depth-of-field pass. The scene is drawn with the
// techniques of "scene.fx" in five passes (floor, shadows, walls, balls, surrounding box);
// the balls move with the time line (ORV_BallSimulation). "Rotation" and "Translation" turn
// and move the whole room in front of a fixed camera; dragging over the output edits them.
//
// Without "scene.fx", "dof.fx" or its buffers the layer draws nothing and says why once in
// the diagnostic log; the next device change tries again.
class ORV_API COrvLayerBalls : public COrvLayer
{
public:
    explicit COrvLayerBalls(COrvDemo* pDemo);
    ~COrvLayerBalls() override;

    void SetDevice(IDirect3DDevice9* pDevice) override;
    void Draw() override;
    void MouseDown(float x, float y) override;
    void MouseMove(float x, float y, DWORD flags) override;

    static constexpr float MAX_COC = 9.0f;
    static constexpr UINT SHADOW_QUAD_BYTES = 128;
    static constexpr UINT ROOM_BYTES = 1664;
    static constexpr UINT BOX_BYTES = 576;

    // For hosts and tests: the balls, the pass record and the camera of the last frame.
    std::span<const ORV_Ball> GetBalls() const { return {m_pBalls.get(), size_t(m_iBallCount)}; }
    const DofPass& GetDof() const { return *m_pDof; }
    ID3DXEffect* GetEffect() const { return m_pEffect.Get(); }
    float GetRoomSize() const { return m_fRoomSize; }
    // 0.6 times the diagonal of the room's cube: the camera sits at (0, 0, -2R).
    float GetCameraUnit() const;
    const D3DXMATRIX& GetViewProjection() const { return m_mViewProjection; }
    const D3DXMATRIX& GetProjection() const { return m_mProjection; }
    const D3DXVECTOR4& GetLight() const { return m_vLight; }
    const D3DXVECTOR3& GetEyePosition() const { return m_vEye; }
    // True when everything a frame needs exists; else the reason.
    bool IsReady(std::string* pReason = nullptr) const;

private:
    void ReleaseDeviceObjects();
    bool CreateBuffers();
    void FillBox();
    void FillRoom();
    void FillShadowQuad(float q);
    void SetUpScene();
    IDirect3DTexture9* FindTexture(COrvPropString* pMaterialName) const;
    void SetMaterial(const char* pTechnique, const D3DXVECTOR4& ambient, const D3DXVECTOR4& diffuse,
                     const D3DXVECTOR4& specular);
    void SetObject(const D3DXMATRIX& world);
    void SetStates(BOOL bDepth, BOOL bBlend);
    void DrawFloor(const D3DXMATRIX& roomWorld);
    void DrawShadows();
    void DrawWalls(const D3DXMATRIX& roomWorld);
    void DrawBalls();
    void DrawBox();
    void DrawStrip(IDirect3DVertexBuffer9* pBuffer, UINT offset, UINT stride, DWORD fvf,
                   UINT startVertex);

    COrvLayerPlacement m_Placement;
    COrvComPtr<COrvPropString> m_pGroundMaterialName;
    COrvComPtr<COrvPropString> m_pShadowMaterialName;
    COrvComPtr<COrvPropFloat> m_pFocalDist;
    COrvComPtr<COrvPropFloat> m_pFocalRange;

    float m_fRoomSize = ORV_BallSimulation::kRoomSize;
    int m_iBallCount = ORV_BallSimulation::kBallCount;
    std::unique_ptr<ORV_Ball[]> m_pBalls;
    ORV_BallSimulation m_Simulation{ORV_BallSimulation::kRoomSize};
    std::unique_ptr<DofPass> m_pDof;
    COrvComPtr<ID3DXEffect> m_pEffect;
    COrvComPtr<IDirect3DVertexBuffer9> m_pShadowQuad;
    COrvComPtr<IDirect3DVertexBuffer9> m_pRoom;
    COrvComPtr<IDirect3DVertexBuffer9> m_pBox;
    UINT m_uDofWidth = 0;
    UINT m_uDofHeight = 0;
    D3DXVECTOR4 m_vLight{0.0f, 0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_vEye{0.0f, 0.0f, 0.0f};
    D3DXMATRIX m_mViewProjection{};
    D3DXMATRIX m_mProjection{};
    // Why the last device change left the layer unable to draw ("" when it can), and
    // whether that was written to the log already.
    std::string m_SetUpFailure;
    bool m_bFailureLogged = false;
};
