#include "layers/OrvLayerGrid.h"

#include "core/OrvPropId.h"
#include "core/OrvSniffer.h"
#include "document/OrvDemo.h"
#include "layers/OrvLayerResources.h"
#include "layers/OrvMouseDrag.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr float QUARTER_PI = 0.7853982f;
constexpr DWORD GRID_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
constexpr float H = ORV_GridLattice::kHalfExtent;

// "focalRange" = 2 / "Focal range", kept finite for a range of 0.
float FocalRangeParameter(float value)
{
    const float range = std::fabs(value);
    return 2.0f / (range > 1e-4f ? range : 1e-4f);
}

// Rows 0, 1 and 2 of the rotation matrix of q: right, up and forward.
void GetAxes(const D3DXQUATERNION& q, D3DXVECTOR3& rRight, D3DXVECTOR3& rUp, D3DXVECTOR3& rForward)
{
    D3DXMATRIX rotation;
    D3DXMatrixRotationQuaternion(&rotation, &q);
    rRight = D3DXVECTOR3(rotation._11, rotation._12, rotation._13);
    rUp = D3DXVECTOR3(rotation._21, rotation._22, rotation._23);
    rForward = D3DXVECTOR3(rotation._31, rotation._32, rotation._33);
}
} // namespace

COrvLayerGrid::COrvLayerGrid(COrvDemo* pDemo)
    : COrvLayer(pDemo), m_pLattice(std::make_unique<ORV_GridLattice>()),
      m_pDof(std::make_unique<DofPass>())
{
    m_Placement.AddMaterialName(*this);
    m_Placement.AddTransform(*this);
    m_pFocalDist = AddProperty<COrvPropFloat>(ORV_PROP_FOCAL_DIST, H);
    m_pFocalDist->SetRange(0.0f, H);
    m_pFocalRange = AddProperty<COrvPropFloat>(ORV_PROP_FOCAL_RANGE, H);
    m_pFocalRange->SetRange(0.0f, H);
    D3DXMatrixIdentity(&m_mViewProjection);
}

COrvLayerGrid::~COrvLayerGrid()
{
    ReleaseDeviceObjects();
}

void COrvLayerGrid::ReleaseDeviceObjects()
{
    m_pVertexBuffer = nullptr;
    m_pEffect = nullptr;
    DofSetDevice(m_pDof.get(), nullptr, 0);
}

void COrvLayerGrid::SetDevice(IDirect3DDevice9* pDevice)
{
    if (pDevice == m_pDevice)
        return;
    m_pDevice = pDevice;
    ReleaseDeviceObjects();
    m_SetUpFailure.clear();
    m_bFailureLogged = false;
    if (!m_pDevice)
        return;
    if (FAILED(m_pDevice->CreateVertexBuffer(ORV_GridLattice::kVertexBytes, D3DUSAGE_WRITEONLY,
                                             GRID_FVF, D3DPOOL_DEFAULT,
                                             m_pVertexBuffer.ReleaseAndGetAddressOf(), nullptr)) ||
        !Upload())
        m_pVertexBuffer = nullptr;
    OrvLoadLayerEffect(m_pDemo, m_pDevice, "scene.fx", m_pEffect, m_SetUpFailure);
    const UINT width = m_pDemo ? static_cast<UINT>(std::max(m_pDemo->GetOuputWidth(), 0)) : 0;
    if (m_pDemo)
        m_pDemo->EnterDataDir();
    DofSetDevice(m_pDof.get(), m_pDevice, width);
    m_uDofWidth = m_pDof->m_uWidth;
    m_uDofHeight = m_pDof->m_uHeight;
}

bool COrvLayerGrid::Upload()
{
    if (!m_pVertexBuffer)
        return false;
    void* pData = nullptr;
    if (FAILED(m_pVertexBuffer->Lock(0, ORV_GridLattice::kVertexBytes, &pData, 0)) || !pData)
        return false;
    std::memcpy(pData, m_pLattice->GetVertices(), ORV_GridLattice::kVertexBytes);
    m_pVertexBuffer->Unlock();
    return true;
}

bool COrvLayerGrid::IsReady(std::string* pReason) const
{
    std::string reason;
    if (!m_pDevice)
        reason = "no device";
    else if (!m_pEffect)
        reason = m_SetUpFailure.empty() ? "\"scene.fx\" did not load" : m_SetUpFailure;
    else if (!DofIsReady(m_pDof.get()))
        reason = DofMissingPart(m_pDof.get());
    else if (!m_pVertexBuffer)
        reason = "its vertex buffer could not be created";
    if (pReason)
        *pReason = reason;
    return reason.empty();
}

void COrvLayerGrid::Draw()
{
    m_pDof->m_fMaxCoC = MAX_COC;
    std::string reason;
    if (!IsReady(&reason))
    {
        if (m_pDevice && !m_bFailureLogged)
            SnifferMessage(("Grid layer \"" + GetName() + "\" draws nothing: " + reason).c_str());
        m_bFailureLogged = m_pDevice != nullptr;
        return;
    }
    D3DVIEWPORT9 saved{};
    DofBeginCapture(m_pDof.get(), saved);
    DrawScene();
    DofEndCapture(m_pDof.get(), saved);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    DofComposite(m_pDof.get());
}

float COrvLayerGrid::GetTargetAspect() const
{
    float aspect = 1.0f;
    COrvComPtr<IDirect3DSurface9> pTarget;
    if (SUCCEEDED(m_pDevice->GetRenderTarget(0, pTarget.ReleaseAndGetAddressOf())) && pTarget)
    {
        D3DSURFACE_DESC desc{};
        if (SUCCEEDED(pTarget->GetDesc(&desc)) && desc.Height > 0)
            aspect = static_cast<float>(desc.Width) / static_cast<float>(desc.Height);
    }
    return aspect;
}

void COrvLayerGrid::DrawScene()
{
    D3DXVECTOR3 eye, right, up, forward;
    D3DXMATRIX view, projection;
    SetCamera(view, eye, right, up, forward);
    m_pLattice->Rebuild(eye, forward, COrvPropBase::m_siFrame);
    Upload();

    const D3DXVECTOR3 diagonal(2.0f * H, 2.0f * H, 2.0f * H);
    const float D = D3DXVec3Length(&diagonal);
    D3DXMatrixPerspectiveFovLH(&projection, QUARTER_PI, GetTargetAspect(), 0.01f * D, 4.0f * D);
    m_pDevice->SetTransform(D3DTS_PROJECTION, &projection);
    D3DXMatrixMultiply(&m_mViewProjection, &view, &projection);

    SetLight(eye, right, up, forward);
    SetStates();
    D3DXMATRIX world;
    D3DXMatrixTransformation(&world, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    m_pDevice->SetTransform(D3DTS_WORLD, &world);
    m_pEffect->SetMatrix("matWorldViewProj", &m_mViewProjection);
    m_pDevice->SetStreamSource(0, m_pVertexBuffer.Get(), 0, sizeof(ORV_GridLattice::SVertex));
    m_pDevice->SetFVF(GRID_FVF);
    SetEffectParameters(eye, right, up, forward);
    DrawCells();
}

void COrvLayerGrid::SetCamera(D3DXMATRIX& rView, D3DXVECTOR3& rEye, D3DXVECTOR3& rRight,
                              D3DXVECTOR3& rUp, D3DXVECTOR3& rForward)
{
    rEye = m_Placement.GetTranslation();
    GetAxes(m_Placement.GetRotation(), rRight, rUp, rForward);
    const D3DXVECTOR3 at = rEye + rForward;
    D3DXMatrixLookAtLH(&rView, &rEye, &at, &rUp);
    m_pDevice->SetTransform(D3DTS_VIEW, &rView);
}

void COrvLayerGrid::SetLight(const D3DXVECTOR3& eye, const D3DXVECTOR3& right,
                             const D3DXVECTOR3& up, const D3DXVECTOR3& forward)
{
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Ambient = {0.0f, 0.0f, 0.0f, 1.0f};
    light.Position = eye;
    const D3DXVECTOR3 direction = 0.5f * right + forward - 0.5f * up;
    D3DXVECTOR3 normalized;
    D3DXVec3Normalize(&normalized, &direction);
    light.Direction = normalized;
    m_pDevice->SetLight(0, &light);
    m_pDevice->LightEnable(0, TRUE);
}

void COrvLayerGrid::SetStates()
{
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_pDevice->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    m_pDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
}

void COrvLayerGrid::SetEffectParameters(const D3DXVECTOR3& eye, const D3DXVECTOR3& right,
                                        const D3DXVECTOR3& up, const D3DXVECTOR3& forward)
{
    m_pEffect->SetFloat("focalDist", m_pFocalDist->GetValue());
    m_pEffect->SetFloat("focalRange", FocalRangeParameter(m_pFocalRange->GetValue()));
    const D3DXVECTOR3 light = eye - H * forward - 0.5f * H * right + 0.5f * H * up;
    const D3DXVECTOR4 lightPos(light.x, light.y, light.z, 1.0f);
    const D3DXVECTOR4 viewPos(eye.x, eye.y, eye.z, 1.0f);
    m_pEffect->SetVector("lightPos", &lightPos);
    m_pEffect->SetVector("viewPos", &viewPos);
    m_pEffect->SetTexture("tTexture",
                          OrvFindMaterialTexture(m_pDemo, m_Placement.GetMaterialName()));
    const D3DXVECTOR4 black(0.0f, 0.0f, 0.0f, 1.0f);
    const D3DXVECTOR4 white(1.0f, 1.0f, 1.0f, 1.0f);
    m_pEffect->SetVector("mtrlAmbient", &black);
    m_pEffect->SetVector("mtrlSpecular", &white);
    m_pEffect->SetVector("mtrlDiffuse", &black);
}

void COrvLayerGrid::DrawCells()
{
    m_pEffect->SetTechnique("ObjTexFog");
    UINT passes = 0;
    m_pEffect->Begin(&passes, 0);
    const uint8_t* pVisible = m_pLattice->GetVisibility();
    for (UINT pass = 0; pass < passes; ++pass)
    {
        m_pEffect->BeginPass(pass);
        for (int cell = 0; cell < ORV_GridLattice::kCellCount; ++cell)
        {
            if (!pVisible[cell])
                continue;
            const UINT first = UINT(cell) * ORV_GridLattice::kVerticesPerCell;
            for (UINT q = 0; q < ORV_GridLattice::kQuadsPerCell; ++q)
                m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, first + 4 * q, 2);
        }
        m_pEffect->EndPass();
    }
    m_pEffect->End();
}

void COrvLayerGrid::MouseDown(float x, float y)
{
    m_Placement.SetAnchor(x, y);
}

void COrvLayerGrid::MouseMove(float x, float y, DWORD flags)
{
    // The grid is flown through: the drag turns about, and moves along, the camera's own axes.
    const D3DXVECTOR2 move = m_Placement.MoveAnchor(x, y);
    const float dx = move.x;
    const float dy = move.y;
    D3DXQUATERNION q = m_Placement.GetRotation();
    D3DXVECTOR3 right, up, forward;
    GetAxes(q, right, up, forward);
    if (flags & MOUSE_LEFT)
    {
        D3DXQUATERNION turn;
        D3DXQuaternionRotationAxis(&turn, &right, -dy * 0.01f);
        D3DXQuaternionMultiply(&q, &q, &turn);
        D3DXQuaternionRotationAxis(&turn, &up, -dx * 0.01f);
        D3DXQuaternionMultiply(&q, &q, &turn);
        D3DXQuaternionNormalize(&q, &q);
        m_Placement.SetRotation(q);
    }
    else if (flags & MOUSE_RIGHT)
        m_Placement.SetTranslation(m_Placement.GetTranslation() + 0.1f * dy * up -
                                   0.1f * dx * right);
    else if (flags & MOUSE_MIDDLE)
        m_Placement.SetTranslation(m_Placement.GetTranslation() + 0.1f * dy * forward);
}
