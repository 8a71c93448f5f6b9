#include "layers/OrvLayerSprite.h"

#include "core/OrvPropId.h"
#include "document/OrvDemo.h"
#include "graphics/OrvMaterial.h"
#include "graphics/OrvResTexture.h"

#include <cmath>
#include <cstring>

namespace
{
struct SSpriteVertex
{
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(SSpriteVertex) == 32);

constexpr DWORD SPRITE_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
} // namespace

COrvLayerSprite::COrvLayerSprite(COrvDemo* pDemo) : COrvLayer(pDemo)
{
    m_Placement.AddMaterialName(*this);
    m_Placement.AddMeshName(*this);
    m_Placement.AddTransform(*this);
}

COrvLayerSprite::~COrvLayerSprite() {}

void COrvLayerSprite::SetCamera(float aspect)
{
    const float d = std::sqrt(aspect * aspect + 1.0f);
    COrvLayerPlacement::SetFrontView(m_pDevice, D3DXVECTOR3(0.0f, 0.0f, 0.0f), d);
    COrvLayerPlacement::SetFrontProjection(m_pDevice, d, GetTargetAspect());

    const D3DXQUATERNION rotation = m_Placement.GetRotation();
    const D3DXVECTOR3 translation = m_Placement.GetTranslation();
    D3DXMATRIX rotate, translate, world;
    D3DXMatrixRotationQuaternion(&rotate, &rotation);
    D3DXMatrixTranslation(&translate, translation.x, translation.y, translation.z);
    D3DXMatrixMultiply(&world, &rotate, &translate);
    m_pDevice->SetTransform(D3DTS_WORLD, &world);

    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = {0.0f, 0.0f, 1.0f};
    light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    m_pDevice->SetLight(0, &light);
    m_pDevice->LightEnable(0, TRUE);
}

COrvComPtr<IDirect3DVertexBuffer9> COrvLayerSprite::CreateRectangle(float aspect)
{
    const float half = aspect / 2.0f;
    const SSpriteVertex vertices[4] = {
        {-0.5f, half, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f},
        {0.5f, half, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 0.0f},
        {-0.5f, -half, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 1.0f},
        {0.5f, -half, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 1.0f},
    };
    COrvComPtr<IDirect3DVertexBuffer9> pBuffer;
    if (FAILED(m_pDevice->CreateVertexBuffer(sizeof(vertices), D3DUSAGE_WRITEONLY, SPRITE_FVF,
                                             D3DPOOL_DEFAULT, pBuffer.ReleaseAndGetAddressOf(),
                                             nullptr)) ||
        !pBuffer)
        return nullptr;
    void* pData = nullptr;
    if (FAILED(pBuffer->Lock(0, sizeof(vertices), &pData, 0)) || !pData)
        return nullptr;
    std::memcpy(pData, vertices, sizeof(vertices));
    pBuffer->Unlock();
    return pBuffer;
}

void COrvLayerSprite::Draw()
{
    SOrvLayerPicture picture;
    if (!m_pDevice || !m_Placement.FindPicture(m_pDemo, picture))
        return;
    UINT width = 0, height = 0;
    if (!picture.pTexture->GetSourceSize(width, height))
        return;
    const float aspect = static_cast<float>(height) / static_cast<float>(width);
    SetCamera(aspect);
    COrvComPtr<IDirect3DVertexBuffer9> pBuffer = CreateRectangle(aspect);

    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    // Looked up again, which refreshes the material once more before it is applied.
    SOrvLayerPicture applied;
    m_Placement.FindPicture(m_pDemo, applied);
    if (applied.pMaterial)
        applied.pMaterial->Apply(m_pDevice, m_pDemo);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, FALSE);

    if (pBuffer)
    {
        m_pDevice->SetStreamSource(0, pBuffer.Get(), 0, sizeof(SSpriteVertex));
        m_pDevice->SetFVF(SPRITE_FVF);
        m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    }
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

void COrvLayerSprite::MouseDown(float x, float y)
{
    m_Placement.SetAnchor(x, y);
}

void COrvLayerSprite::MouseMove(float x, float y, DWORD flags)
{
    m_Placement.DragOverPicture(m_pDemo, x, y, flags);
}
