#include "graphics/OGLObject.h"

#include "core/OrvSniffer.h"
#include "core/OrvProp.h"
#include "document/OrvDemo.h"
#include "graphics/OrvMaterial.h"
#include "graphics/OrvResImage.h"
#include "graphics/OrvResShader.h"
#include "OrvPi.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace
{
struct SQuadVertex
{
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(SQuadVertex) == 32);

constexpr DWORD QUAD_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

const SQuadVertex g_QuadVertices[4] = {
    {-1.0f, 1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f},
    {1.0f, 1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 0.0f},
    {-1.0f, -1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 1.0f},
    {1.0f, -1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 1.0f, 1.0f},
};

std::string ToLower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}
} // namespace

OGLObject::~OGLObject()
{
    Free();
}

void OGLObject::Free()
{
    m_MaterialNames.clear();
    m_dwMaterialCount = 0;
    m_pMesh.Reset();
    m_pVertexBuffer.Reset();
    m_BoxMin = m_BoxMax = m_Center = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_fDiagonal = 0.0f;
}

int OGLObject::Load(const std::string& name, COrvDemo* pDemo)
{
    Free();
    if (!m_pDevice)
        return 1;
    if (name == "teapot")
        D3DXCreateTeapot(m_pDevice, m_pMesh.ReleaseAndGetAddressOf(), nullptr);
    else if (name == "sphere")
        D3DXCreateSphere(m_pDevice, 1.0f, 20, 20, m_pMesh.ReleaseAndGetAddressOf(), nullptr);
    else if (name == "quad")
        LoadQuad();
    else
        LoadFile(name, pDemo);
    if (m_pMesh)
        ComputeBox();
    return 0;
}

bool OGLObject::LoadQuad()
{
    if (FAILED(m_pDevice->CreateVertexBuffer(sizeof(g_QuadVertices), D3DUSAGE_WRITEONLY, QUAD_FVF,
                                             D3DPOOL_DEFAULT,
                                             m_pVertexBuffer.ReleaseAndGetAddressOf(), nullptr)))
        return false;
    void* pData = nullptr;
    if (SUCCEEDED(m_pVertexBuffer->Lock(0, sizeof(g_QuadVertices), &pData, 0)) && pData)
    {
        std::memcpy(pData, g_QuadVertices, sizeof(g_QuadVertices));
        m_pVertexBuffer->Unlock();
    }
    static const D3DVERTEXELEMENT9 declaration[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
        {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
        D3DDECL_END()};
    if (FAILED(D3DXCreateMesh(1, 4, D3DXMESH_MANAGED, declaration, m_pDevice,
                              m_pMesh.ReleaseAndGetAddressOf())))
        return false;
    if (SUCCEEDED(m_pMesh->LockVertexBuffer(0, &pData)) && pData)
    {
        std::memcpy(pData, g_QuadVertices, sizeof(g_QuadVertices));
        m_pMesh->UnlockVertexBuffer();
    }
    // The one face is never drawn meaningfully; zero indices keep it inside the buffer.
    void* pIndices = nullptr;
    if (SUCCEEDED(m_pMesh->LockIndexBuffer(0, &pIndices)) && pIndices)
    {
        std::memset(pIndices, 0, 3 * sizeof(WORD));
        m_pMesh->UnlockIndexBuffer();
    }
    return true;
}

void OGLObject::LoadFile(const std::string& name, COrvDemo* pDemo)
{
    if (pDemo)
        pDemo->EnterDataDir();
    COrvComPtr<ID3DXBuffer> pMaterials;
    DWORD count = 0;
    if (FAILED(D3DXLoadMeshFromXA(name.c_str(), D3DXMESH_SYSTEMMEM, m_pDevice, nullptr,
                                  pMaterials.ReleaseAndGetAddressOf(), nullptr, &count,
                                  m_pMesh.ReleaseAndGetAddressOf())) ||
        !m_pMesh)
    {
        m_pMesh.Reset();
        SnifferMessage(("Mesh file not loaded: " + name).c_str());
        if (pDemo)
            pDemo->ReportProblem({pDemo->GetDataPath(name), 0, "cannot read the mesh", ""});
        return;
    }
    const auto* pFileMaterials =
        pMaterials ? static_cast<const D3DXMATERIAL*>(pMaterials->GetBufferPointer()) : nullptr;
    if (!pFileMaterials)
        count = 0;
    m_dwMaterialCount = count;
    for (DWORD i = 0; i < count; ++i)
        AddFileMaterial(name, pDemo, i, pFileMaterials[i]);
}

void OGLObject::AddFileMaterial(const std::string& name, COrvDemo* pDemo, DWORD index,
                                const D3DXMATERIAL& fileMaterial)
{
    const std::string materialName = name + "_mat" + std::to_string(index);
    m_MaterialNames.push_back(materialName);
    if (!pDemo)
        return;
    auto* pMaterial = dynamic_cast<COrvResMaterial*>(pDemo->GetResourceByName(materialName));
    if (!pMaterial)
    {
        pMaterial = new COrvResMaterial;
        pMaterial->SetName(materialName);
        pDemo->AddResource(pMaterial);
    }
    COrvMaterial temporary;
    temporary.m_Material = fileMaterial.MatD3D;
    if (fileMaterial.pTextureFilename && fileMaterial.pTextureFilename[0])
    {
        const std::string textureName = name + "_tex" + std::to_string(index);
        temporary.m_TextureName0 = textureName;
        auto* pImage = dynamic_cast<COrvResImage*>(pDemo->GetResourceByName(textureName));
        if (!pImage)
        {
            pImage = new COrvResImage;
            pImage->SetName(textureName);
            pDemo->AddResource(pImage);
        }
        pImage->SetFileName(ToLower(fileMaterial.pTextureFilename));
    }
    pMaterial->SetDefaults(temporary);
}

void OGLObject::ComputeBox()
{
    void* pData = nullptr;
    const DWORD count = m_pMesh->GetNumVertices();
    const DWORD stride = D3DXGetFVFVertexSize(m_pMesh->GetFVF());
    if (count == 0 || stride == 0 || FAILED(m_pMesh->LockVertexBuffer(D3DLOCK_READONLY, &pData)) ||
        !pData)
        return;
    D3DXComputeBoundingBox(static_cast<const D3DXVECTOR3*>(pData), count, stride, &m_BoxMin,
                           &m_BoxMax);
    m_pMesh->UnlockVertexBuffer();
    m_Center = (m_BoxMin + m_BoxMax) * 0.5f;
    const D3DXVECTOR3 size = m_BoxMax - m_BoxMin;
    m_fDiagonal = D3DXVec3Length(&size);
}

int OGLObject::CreateTexturedSphere(float radius, int segments)
{
    Free();
    if (!m_pDevice)
        return 1;
    COrvComPtr<ID3DXMesh> pSphere;
    if (FAILED(D3DXCreateSphere(m_pDevice, radius, segments, segments,
                                pSphere.ReleaseAndGetAddressOf(), nullptr)) ||
        !pSphere)
        return 0;
    if (FAILED(pSphere->CloneMeshFVF(D3DXMESH_SYSTEMMEM, QUAD_FVF, m_pDevice,
                                     m_pMesh.ReleaseAndGetAddressOf())) ||
        !m_pMesh)
        return 0;
    void* pData = nullptr;
    if (SUCCEEDED(m_pMesh->LockVertexBuffer(0, &pData)) && pData)
    {
        auto* pVertices = static_cast<SQuadVertex*>(pData);
        for (DWORD i = 0, n = m_pMesh->GetNumVertices(); i < n; ++i)
        {
            pVertices[i].u = std::asin(std::clamp(pVertices[i].nx, -1.0f, 1.0f)) / orv::fPi + 0.5f;
            pVertices[i].v = std::asin(std::clamp(pVertices[i].ny, -1.0f, 1.0f)) / orv::fPi + 0.5f;
        }
        m_pMesh->UnlockVertexBuffer();
    }
    ComputeBox();
    return 0;
}

void OGLObject::Draw(COrvDemo* pDemo, COrvResMaterial* pMaterial)
{
    if (!m_pDevice)
        return;
    ID3DXEffect* pEffect = nullptr;
    if (pMaterial && pDemo && !pMaterial->GetShaderName().empty())
    {
        auto* pShader =
            dynamic_cast<COrvResShader*>(pDemo->GetResourceByName(pMaterial->GetShaderName()));
        if (pShader && pShader->GetEffect() &&
            SUCCEEDED(pShader->GetEffect()->SetTechnique(pShader->GetTechnique())))
            pEffect = pShader->GetEffect();
    }
    UINT passes = 1;
    if (pEffect)
    {
        D3DXMATRIX world, view, projection;
        m_pDevice->GetTransform(D3DTS_WORLD, &world);
        m_pDevice->GetTransform(D3DTS_VIEW, &view);
        m_pDevice->GetTransform(D3DTS_PROJECTION, &projection);
        const D3DXMATRIX viewProjection = view * projection;
        pEffect->SetMatrix("World", &world);
        pEffect->SetMatrix("View", &view);
        pEffect->SetMatrix("Projection", &projection);
        pEffect->SetMatrix("ViewProjection", &viewProjection);
        pEffect->SetFloat("Time", static_cast<float>(COrvPropBase::m_siFrame / 30.0));
        passes = 0;
        pEffect->Begin(&passes, 0);
    }
    for (UINT pass = 0; pass < passes; ++pass)
    {
        if (pEffect)
            pEffect->BeginPass(pass);
        if (pMaterial)
            pMaterial->GetMaterial()->Apply(m_pDevice, pDemo);
        if (m_dwMaterialCount == 0 && m_pMesh)
            m_pMesh->DrawSubset(0);
        if (m_pVertexBuffer)
        {
            m_pDevice->SetStreamSource(0, m_pVertexBuffer.Get(), 0, sizeof(SQuadVertex));
            m_pDevice->SetFVF(QUAD_FVF);
            m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        }
        for (DWORD subset = 0; subset < m_dwMaterialCount && m_pMesh; ++subset)
            m_pMesh->DrawSubset(subset);
        if (pEffect)
            pEffect->EndPass();
    }
    if (pEffect)
        pEffect->End();
}
