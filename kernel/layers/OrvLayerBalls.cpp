#include "layers/OrvLayerBalls.h"

#include "core/OrvPropId.h"
#include "core/OrvSniffer.h"
#include "document/OrvDemo.h"
#include "graphics/OGLObject.h"
#include "layers/OrvLayerResources.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace
{
constexpr float QUARTER_PI = 0.7853982f;
constexpr float QUARTER_TURN = 1.5707f; // the room's turn about x (not exactly pi / 2)
constexpr DWORD TEXTURED_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
constexpr DWORD PLAIN_FVF = D3DFVF_XYZ | D3DFVF_NORMAL;

struct STexturedVertex
{
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(STexturedVertex) == 32);

struct SPlainVertex
{
    float x, y, z;
    float nx, ny, nz;
};
static_assert(sizeof(SPlainVertex) == 24);

// The room in model coordinates: x and y in units of e = S + 1 (times 1 or 1.1), z, the
// normal, and the texture coordinates in 1/512. Quad 0 is the floor, quads 1 to 12 the
// walls, their top ledges and their outer faces; each quad is a strip of 4 vertices.
const STexturedVertex ROOM[52] = {
    {-1, 1, 0, 0, 0, -1, 130, 130},        {1, 1, 0, 0, 0, -1, 384, 130},
    {-1, -1, 0, 0, 0, -1, 130, 384},       {1, -1, 0, 0, 0, -1, 384, 384},
    {-1, 1, 0, 0, -1, 0, 130, 130},        {1, 1, 0, 0, -1, 0, 384, 130},
    {-1, 1, -2, 0, -1, 0, 130, 98},        {1, 1, -2, 0, -1, 0, 384, 98},
    {-1, 1, -2, 0, 0, -1, 130, 98},        {1, 1, -2, 0, 0, -1, 384, 98},
    {-1.1f, 1.1f, -2, 0, 0, -1, 98, 66},   {1.1f, 1.1f, -2, 0, 0, -1, 415, 66},
    {1, 1, 0, -1, 0, 0, 384, 130},         {1, -1, 0, -1, 0, 0, 384, 384},
    {1, 1, -2, -1, 0, 0, 415, 130},        {1, -1, -2, -1, 0, 0, 415, 384},
    {1, 1, -2, 0, 0, -1, 415, 130},        {1, -1, -2, 0, 0, -1, 415, 384},
    {1.1f, 1.1f, -2, 0, 0, -1, 448, 98},   {1.1f, -1.1f, -2, 0, 0, -1, 448, 416},
    {-1, -1, 0, 0, 1, 0, 130, 384},        {1, -1, 0, 0, 1, 0, 384, 384},
    {-1, -1, -2, 0, 1, 0, 130, 415},       {1, -1, -2, 0, 1, 0, 384, 415},
    {-1, -1, -2, 0, 0, -1, 130, 415},      {1, -1, -2, 0, 0, -1, 384, 415},
    {-1.1f, -1.1f, -2, 0, 0, -1, 98, 448}, {1.1f, -1.1f, -2, 0, 0, -1, 415, 448},
    {-1, 1, 0, 1, 0, 0, 130, 130},         {-1, -1, 0, 1, 0, 0, 130, 384},
    {-1, 1, -2, 1, 0, 0, 98, 130},         {-1, -1, -2, 1, 0, 0, 98, 384},
    {-1, 1, -2, 0, 0, -1, 98, 130},        {-1, -1, -2, 0, 0, -1, 98, 384},
    {-1.1f, 1.1f, -2, 0, 0, -1, 66, 99},   {-1.1f, -1.1f, -2, 0, 0, -1, 66, 414},
    {-1.1f, 1.1f, -2, 0, 1, 0, 98, 66},    {1.1f, 1.1f, -2, 0, 1, 0, 415, 66},
    {-1.1f, 1.1f, 1, 0, 1, 0, 98, 3},      {1.1f, 1.1f, 1, 0, 1, 0, 415, 3},
    {1.1f, 1.1f, -2, 1, 0, 0, 448, 98},    {1.1f, -1.1f, -2, 1, 0, 0, 448, 416},
    {1.1f, 1.1f, 1, 1, 0, 0, 510, 98},     {1.1f, -1.1f, 1, 1, 0, 0, 510, 416},
    {-1.1f, -1.1f, -2, 0, -1, 0, 98, 448}, {1.1f, -1.1f, -2, 0, -1, 0, 415, 448},
    {-1.1f, -1.1f, 1, 0, -1, 0, 98, 510},  {1.1f, -1.1f, 1, 0, -1, 0, 415, 510},
    {-1.1f, 1.1f, -2, -1, 0, 0, 66, 99},   {-1.1f, -1.1f, -2, -1, 0, 0, 66, 414},
    {-1.1f, 1.1f, 1, -1, 0, 0, 2, 99},     {-1.1f, -1.1f, 1, -1, 0, 0, 2, 414},
};

// The surrounding box: six faces of the unit cube (scaled by 5 S), normals pointing in.
const SPlainVertex BOX[24] = {
    {-1, 1, -1, 0, 0, 1}, {1, 1, -1, 0, 0, 1},   {-1, -1, -1, 0, 0, 1}, {1, -1, -1, 0, 0, 1},
    {-1, 1, 1, 0, 0, -1}, {-1, -1, 1, 0, 0, -1}, {1, 1, 1, 0, 0, -1},   {1, -1, 1, 0, 0, -1},
    {-1, 1, 1, 0, -1, 0}, {1, 1, 1, 0, -1, 0},   {-1, 1, -1, 0, -1, 0}, {1, 1, -1, 0, -1, 0},
    {-1, -1, 1, 0, 1, 0}, {-1, -1, -1, 0, 1, 0}, {1, -1, 1, 0, 1, 0},   {1, -1, -1, 0, 1, 0},
    {1, 1, -1, -1, 0, 0}, {1, 1, 1, -1, 0, 0},   {1, -1, -1, -1, 0, 0}, {1, -1, 1, -1, 0, 0},
    {-1, 1, -1, 1, 0, 0}, {-1, -1, -1, 1, 0, 0}, {-1, 1, 1, 1, 0, 0},   {-1, -1, 1, 1, 0, 0},
};

// Copies bytes into a whole vertex buffer; false when it cannot be locked.
bool FillBuffer(IDirect3DVertexBuffer9* pBuffer, const void* pData, UINT bytes)
{
    void* pTarget = nullptr;
    if (FAILED(pBuffer->Lock(0, bytes, &pTarget, 0)) || !pTarget)
        return false;
    std::memcpy(pTarget, pData, bytes);
    pBuffer->Unlock();
    return true;
}

// The effect's "focalRange": 2 / "Focal range", kept finite for a range of 0 (then only
// the focal plane itself is sharp).
float FocalRangeParameter(float value)
{
    const float range = std::fabs(value);
    return 2.0f / (range > 1e-4f ? range : 1e-4f);
}

const D3DXVECTOR4 BLACK(0.0f, 0.0f, 0.0f, 1.0f);
} // namespace

COrvLayerBalls::COrvLayerBalls(COrvDemo* pDemo)
    : COrvLayer(pDemo), m_pBalls(new ORV_Ball[ORV_BallSimulation::kBallCount]),
      m_pDof(std::make_unique<DofPass>())
{
    m_Placement.AddMaterialName(*this);
    m_pGroundMaterialName = AddProperty<COrvPropString>(ORV_PROP_GROUND_MATERIAL_NAME, "");
    m_pShadowMaterialName = AddProperty<COrvPropString>(ORV_PROP_BALL_SHADOW_MATERIAL_NAME, "");
    m_Placement.AddMeshName(*this);
    m_Placement.AddTransform(*this);
    m_pFocalDist = AddProperty<COrvPropFloat>(ORV_PROP_FOCAL_DIST, 10.0f);
    m_pFocalDist->SetRange(0.0f, 4.0f * m_fRoomSize);
    m_pFocalRange = AddProperty<COrvPropFloat>(ORV_PROP_FOCAL_RANGE, 10.0f);
    m_pFocalRange->SetRange(0.0f, 4.0f * m_fRoomSize);

    m_Simulation.Place(std::span<ORV_Ball>(m_pBalls.get(), size_t(m_iBallCount)));
    D3DXMatrixIdentity(&m_mViewProjection);
    D3DXMatrixIdentity(&m_mProjection);
}

COrvLayerBalls::~COrvLayerBalls()
{
    ReleaseDeviceObjects();
}

float COrvLayerBalls::GetCameraUnit() const
{
    const D3DXVECTOR3 diagonal(2.0f * m_fRoomSize, 2.0f * m_fRoomSize, 2.0f * m_fRoomSize);
    return 0.6f * D3DXVec3Length(&diagonal);
}

void COrvLayerBalls::ReleaseDeviceObjects()
{
    m_pShadowQuad = nullptr;
    m_pRoom = nullptr;
    m_pBox = nullptr;
    for (int i = 0; i < m_iBallCount; ++i)
        if (OGLObject* pSphere = std::exchange(m_pBalls[i].m_pSphere, nullptr))
            pSphere->Release();
    m_pEffect = nullptr;
    DofSetDevice(m_pDof.get(), nullptr, 0);
}

void COrvLayerBalls::SetDevice(IDirect3DDevice9* pDevice)
{
    if (pDevice == m_pDevice)
        return;
    m_pDevice = pDevice;
    ReleaseDeviceObjects();
    m_SetUpFailure.clear();
    m_bFailureLogged = false;
    if (!m_pDevice)
        return;
    for (int i = 0; i < m_iBallCount; ++i)
    {
        auto* pSphere = new OGLObject;
        pSphere->AddRef();
        pSphere->SetDevice(m_pDevice);
        pSphere->CreateTexturedSphere(m_pBalls[i].m_fRadius, 20);
        m_pBalls[i].m_pSphere = pSphere;
    }
    OrvLoadLayerEffect(m_pDemo, m_pDevice, "scene.fx", m_pEffect, m_SetUpFailure);
    const UINT width = m_pDemo ? static_cast<UINT>(std::max(m_pDemo->GetOuputWidth(), 0)) : 0;
    if (m_pDemo)
        m_pDemo->EnterDataDir();
    const HRESULT hr = DofSetDevice(m_pDof.get(), m_pDevice, width);
    m_uDofWidth = m_pDof->m_uWidth;
    m_uDofHeight = m_pDof->m_uHeight;
    if (FAILED(hr) || !CreateBuffers())
        return;
    FillBox();
}

bool COrvLayerBalls::CreateBuffers()
{
    const HRESULT results[3] = {
        m_pDevice->CreateVertexBuffer(SHADOW_QUAD_BYTES, D3DUSAGE_WRITEONLY, TEXTURED_FVF,
                                      D3DPOOL_DEFAULT, m_pShadowQuad.ReleaseAndGetAddressOf(),
                                      nullptr),
        m_pDevice->CreateVertexBuffer(ROOM_BYTES, D3DUSAGE_WRITEONLY, TEXTURED_FVF, D3DPOOL_DEFAULT,
                                      m_pRoom.ReleaseAndGetAddressOf(), nullptr),
        m_pDevice->CreateVertexBuffer(BOX_BYTES, D3DUSAGE_WRITEONLY, PLAIN_FVF, D3DPOOL_DEFAULT,
                                      m_pBox.ReleaseAndGetAddressOf(), nullptr),
    };
    for (HRESULT hr : results)
        if (FAILED(hr))
            return false;
    return m_pShadowQuad && m_pRoom && m_pBox;
}

void COrvLayerBalls::FillBox()
{
    const float scale = 5.0f * m_fRoomSize;
    SPlainVertex vertices[24];
    for (int i = 0; i < 24; ++i)
    {
        vertices[i] = BOX[i];
        vertices[i].x *= scale;
        vertices[i].y *= scale;
        vertices[i].z *= scale;
    }
    FillBuffer(m_pBox.Get(), vertices, sizeof(vertices));
}

void COrvLayerBalls::FillRoom()
{
    const float e = m_fRoomSize + 1.0f;
    STexturedVertex vertices[52];
    for (int i = 0; i < 52; ++i)
    {
        vertices[i] = ROOM[i];
        vertices[i].x *= e;
        vertices[i].y *= e;
        vertices[i].u /= 512.0f;
        vertices[i].v /= 512.0f;
    }
    static_assert(sizeof(vertices) == ROOM_BYTES);
    FillBuffer(m_pRoom.Get(), vertices, sizeof(vertices));
}

void COrvLayerBalls::FillShadowQuad(float q)
{
    const STexturedVertex vertices[4] = {
        {-q, q, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f},
        {q, q, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 0.0f},
        {-q, -q, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 1.0f},
        {q, -q, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 1.0f},
    };
    static_assert(sizeof(vertices) == SHADOW_QUAD_BYTES);
    FillBuffer(m_pShadowQuad.Get(), vertices, sizeof(vertices));
}

bool COrvLayerBalls::IsReady(std::string* pReason) const
{
    std::string reason;
    if (!m_pDevice)
        reason = "no device";
    else if (!m_pEffect)
        reason = m_SetUpFailure.empty() ? "\"scene.fx\" did not load" : m_SetUpFailure;
    else if (!DofIsReady(m_pDof.get()))
        reason = DofMissingPart(m_pDof.get());
    else if (!m_pShadowQuad || !m_pRoom || !m_pBox)
        reason = "its vertex buffers could not be created";
    if (pReason)
        *pReason = reason;
    return reason.empty();
}

void COrvLayerBalls::Draw()
{
    m_pDof->m_fMaxCoC = MAX_COC;
    m_Simulation.Step(std::span<ORV_Ball>(m_pBalls.get(), size_t(m_iBallCount)),
                      COrvPropBase::m_siFrame);
    std::string reason;
    if (!IsReady(&reason))
    {
        if (m_pDevice && !m_bFailureLogged)
            SnifferMessage(("Balls layer \"" + GetName() + "\" draws nothing: " + reason).c_str());
        m_bFailureLogged = m_pDevice != nullptr;
        return;
    }
    D3DVIEWPORT9 saved{};
    DofBeginCapture(m_pDof.get(), saved);
    SetUpScene();
    D3DXMATRIX lift, turn, roomWorld;
    D3DXMatrixTranslation(&lift, 0.0f, 0.0f, 1.0f);
    D3DXMatrixRotationX(&turn, QUARTER_TURN);
    D3DXMatrixMultiply(&roomWorld, &lift, &turn);
    DrawFloor(roomWorld);
    DrawShadows();
    DrawWalls(roomWorld);
    DrawBalls();
    DrawBox();
    DofEndCapture(m_pDof.get(), saved);
    DofComposite(m_pDof.get());
}

void COrvLayerBalls::SetUpScene()
{
    const float R = GetCameraUnit();
    const D3DXVECTOR3 eye(0.0f, 0.0f, -2.0f * R);
    const D3DXVECTOR3 at(0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view, scene, sceneView, inverse;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    const D3DXQUATERNION rotation = m_Placement.GetRotation();
    const D3DXVECTOR3 translation = m_Placement.GetTranslation();
    D3DXMatrixTransformation(&scene, nullptr, nullptr, nullptr, nullptr, &rotation, &translation);
    D3DXMatrixMultiply(&sceneView, &scene, &view);

    // The light (and the point the shaders take as the viewer) sits up, left and in front of
    // the camera, turned with the scene.
    const D3DXVECTOR4 light(-2.0f * R, 2.0f * R, -2.0f * R, 2.0f);
    D3DXMatrixInverse(&inverse, nullptr, &sceneView);
    D3DXVec4Transform(&m_vLight, &light, &inverse);
    m_vEye = D3DXVECTOR3(m_vLight.x, m_vLight.y, m_vLight.z);

    const float aspect = m_uDofHeight > 0
                             ? static_cast<float>(m_uDofWidth) / static_cast<float>(m_uDofHeight)
                             : 1.0f;
    D3DXMatrixPerspectiveFovLH(&m_mProjection, QUARTER_PI, aspect, 0.01f * R, 10.0f * R);
    D3DXMatrixMultiply(&m_mViewProjection, &sceneView, &m_mProjection);

    // The camera goes to the effect only: the device's view and projection stay as they are.
    m_pEffect->SetFloat("focalDist", m_pFocalDist->GetValue());
    m_pEffect->SetFloat("focalRange", FocalRangeParameter(m_pFocalRange->GetValue()));
    m_pEffect->SetFloat("globalLight", 1.0f);
}

IDirect3DTexture9* COrvLayerBalls::FindTexture(COrvPropString* pMaterialName) const
{
    return OrvFindMaterialTexture(m_pDemo, pMaterialName->GetValue());
}

void COrvLayerBalls::SetStates(BOOL bDepth, BOOL bBlend)
{
    m_pDevice->SetRenderState(D3DRS_ZENABLE, bDepth);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, bBlend);
}

void COrvLayerBalls::SetMaterial(const char* pTechnique, const D3DXVECTOR4& ambient,
                                 const D3DXVECTOR4& diffuse, const D3DXVECTOR4& specular)
{
    m_pEffect->SetTechnique(pTechnique);
    m_pEffect->SetVector("mtrlAmbient", &ambient);
    m_pEffect->SetVector("mtrlDiffuse", &diffuse);
    m_pEffect->SetVector("mtrlSpecular", &specular);
}

void COrvLayerBalls::SetObject(const D3DXMATRIX& world)
{
    m_pDevice->SetTransform(D3DTS_WORLD, &world);
    D3DXMATRIX worldViewProjection, inverse;
    D3DXMatrixMultiply(&worldViewProjection, &world, &m_mViewProjection);
    m_pEffect->SetMatrix("matWorldViewProj", &worldViewProjection);
    D3DXMatrixInverse(&inverse, nullptr, &world);
    D3DXVECTOR4 light, eye;
    const D3DXVECTOR4 eyePoint(m_vEye.x, m_vEye.y, m_vEye.z, 1.0f);
    D3DXVec4Transform(&light, &m_vLight, &inverse);
    D3DXVec4Transform(&eye, &eyePoint, &inverse);
    m_pEffect->SetVector("lightPos", &light);
    m_pEffect->SetVector("viewPos", &eye);
}

void COrvLayerBalls::DrawStrip(IDirect3DVertexBuffer9* pBuffer, UINT offset, UINT stride, DWORD fvf,
                               UINT startVertex)
{
    m_pDevice->SetStreamSource(0, pBuffer, offset, stride);
    m_pDevice->SetFVF(fvf);
    m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, startVertex, 2);
}

void COrvLayerBalls::DrawFloor(const D3DXMATRIX& roomWorld)
{
    SetStates(TRUE, FALSE);
    SetMaterial("ObjTexWall", BLACK, BLACK, D3DXVECTOR4(0.3f, 0.3f, 0.3f, 1.0f));
    m_pEffect->SetTexture("tTexture", FindTexture(m_pGroundMaterialName.Get()));
    SetObject(roomWorld);
    FillRoom();
    UINT passes = 0;
    m_pEffect->Begin(&passes, 0);
    for (UINT pass = 0; pass < passes; ++pass)
    {
        m_pEffect->BeginPass(pass);
        DrawStrip(m_pRoom.Get(), 0, sizeof(STexturedVertex), TEXTURED_FVF, 0);
        m_pEffect->EndPass();
    }
    m_pEffect->End();
}

void COrvLayerBalls::DrawShadows()
{
    SetStates(FALSE, TRUE);
    IDirect3DTexture9* pTexture = FindTexture(m_pShadowMaterialName.Get());
    for (int i = 0; i < m_iBallCount; ++i)
    {
        const ORV_Ball& ball = m_pBalls[i];
        FillShadowQuad(2.0f * ball.m_fRadius);
        SetMaterial("ObjAlphaTex", BLACK, BLACK, D3DXVECTOR4(0.5f, 0.5f, 0.5f, 1.0f));
        m_pEffect->SetTexture("tTexture", pTexture);
        D3DXMATRIX turn, move, world;
        D3DXMatrixRotationX(&turn, QUARTER_TURN);
        D3DXMatrixTranslation(&move, ball.m_vPosition.x, -0.95f, ball.m_vPosition.z);
        D3DXMatrixMultiply(&world, &turn, &move);
        SetObject(world);
        UINT passes = 0;
        m_pEffect->Begin(&passes, 0);
        for (UINT pass = 0; pass < passes; ++pass)
        {
            m_pEffect->BeginPass(pass);
            DrawStrip(m_pShadowQuad.Get(), 0, sizeof(STexturedVertex), TEXTURED_FVF, 0);
            m_pEffect->EndPass();
        }
        m_pEffect->End();
    }
    // The quads once more, without the effect.
    m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
    for (int i = 0; i < m_iBallCount; ++i)
        DrawStrip(m_pShadowQuad.Get(), 0, sizeof(STexturedVertex), TEXTURED_FVF, 0);
}

void COrvLayerBalls::DrawWalls(const D3DXMATRIX& roomWorld)
{
    SetStates(TRUE, FALSE);
    SetMaterial("ObjTexWall", BLACK, BLACK, D3DXVECTOR4(0.3f, 0.3f, 0.3f, 1.0f));
    m_pEffect->SetTexture("tTexture", FindTexture(m_pGroundMaterialName.Get()));
    SetObject(roomWorld);
    UINT passes = 0;
    m_pEffect->Begin(&passes, 0);
    for (UINT pass = 0; pass < passes; ++pass)
    {
        m_pEffect->BeginPass(pass);
        for (UINT offset = SHADOW_QUAD_BYTES; offset < ROOM_BYTES; offset += SHADOW_QUAD_BYTES)
            DrawStrip(m_pRoom.Get(), offset, sizeof(STexturedVertex), TEXTURED_FVF, 0);
        m_pEffect->EndPass();
    }
    m_pEffect->End();
}

void COrvLayerBalls::DrawBalls()
{
    SetStates(TRUE, FALSE);
    IDirect3DTexture9* pTexture = FindTexture(m_Placement.GetMaterialNameProperty());
    for (int i = 0; i < m_iBallCount; ++i)
    {
        const ORV_Ball& ball = m_pBalls[i];
        if (!ball.m_pSphere)
            continue;
        SetMaterial("ObjTex", BLACK, D3DXVECTOR4(1.0f, 1.0f, 1.0f, 1.0f),
                    D3DXVECTOR4(0.5f, 0.5f, 0.5f, 1.0f));
        m_pEffect->SetTexture("tTexture", pTexture);
        D3DXMATRIX move, world;
        D3DXMatrixTranslation(&move, ball.m_vPosition.x, ball.m_vPosition.y, ball.m_vPosition.z);
        D3DXMatrixMultiply(&world, &ball.m_mRotation, &move);
        SetObject(world);
        UINT passes = 0;
        m_pEffect->Begin(&passes, 0);
        for (UINT pass = 0; pass < passes; ++pass)
        {
            m_pEffect->BeginPass(pass);
            ball.m_pSphere->Draw(m_pDemo, nullptr);
            m_pEffect->EndPass();
        }
        m_pEffect->End();
    }
}

void COrvLayerBalls::DrawBox()
{
    SetStates(TRUE, FALSE);
    SetMaterial("ObjNoTex", BLACK, BLACK, BLACK);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    SetObject(identity);
    UINT passes = 0;
    m_pEffect->Begin(&passes, 0);
    for (UINT pass = 0; pass < passes; ++pass)
    {
        m_pEffect->BeginPass(pass);
        m_pDevice->SetStreamSource(0, m_pBox.Get(), 0, sizeof(SPlainVertex));
        m_pDevice->SetFVF(PLAIN_FVF);
        for (UINT face = 0; face < 6; ++face)
            m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4 * face, 2);
        m_pEffect->EndPass();
    }
    m_pEffect->End();
}

void COrvLayerBalls::MouseDown(float x, float y)
{
    m_Placement.SetAnchor(x, y);
}

void COrvLayerBalls::MouseMove(float x, float y, DWORD flags)
{
    const D3DXVECTOR2 move = m_Placement.MoveAnchor(x, y);
    m_Placement.Drag(move, GetCameraUnit() * 0.005f, flags);
}
