#include "D3DXBuffer.h"
#include "D3DXMesh.h"
#include "MeshFormat.h"
#include "MeshShapes.h"
#include "XFileLoader.h"

#include <cstring>
#include <new>

namespace
{
LPD3DXBUFFER AdjacencyBuffer(COrvMesh* pMesh)
{
    std::vector<DWORD> adwAdjacency = pMesh->ComputeAdjacency();
    LPD3DXBUFFER pBuffer = nullptr;
    if (SUCCEEDED(D3DXCreateBuffer(DWORD(adwAdjacency.size() * sizeof(DWORD)), &pBuffer)))
        std::memcpy(pBuffer->GetBufferPointer(), adwAdjacency.data(),
                    adwAdjacency.size() * sizeof(DWORD));
    return pBuffer;
}

// D3DXMATERIALs followed by the texture names they point to.
LPD3DXBUFFER MaterialBuffer(const std::vector<SOrvMeshMaterial>& materials)
{
    size_t uBytes = materials.size() * sizeof(D3DXMATERIAL);
    for (const SOrvMeshMaterial& material : materials)
        uBytes += material.m_sTextureFile.empty() ? 0 : material.m_sTextureFile.size() + 1;
    LPD3DXBUFFER pBuffer = nullptr;
    if (FAILED(D3DXCreateBuffer(DWORD(std::max<size_t>(uBytes, 1)), &pBuffer)))
        return nullptr;
    auto* pMaterials = static_cast<D3DXMATERIAL*>(pBuffer->GetBufferPointer());
    char* pNames = reinterpret_cast<char*>(pMaterials + materials.size());
    for (size_t i = 0; i < materials.size(); ++i)
    {
        pMaterials[i].MatD3D = materials[i].m_material;
        pMaterials[i].pTextureFilename = nullptr;
        const std::string& sName = materials[i].m_sTextureFile;
        if (sName.empty())
            continue;
        std::memcpy(pNames, sName.c_str(), sName.size() + 1);
        pMaterials[i].pTextureFilename = pNames;
        pNames += sName.size() + 1;
    }
    return pBuffer;
}

HRESULT FinishShape(IDirect3DDevice9* pDevice, const SOrvMeshData& data, LPD3DXMESH* ppMesh,
                    LPD3DXBUFFER* ppAdjacency)
{
    COrvMesh* pMesh = nullptr;
    HRESULT hr = COrvMesh::CreateFromData(pDevice, data, D3DXMESH_MANAGED, &pMesh);
    if (FAILED(hr))
        return hr;
    if (ppAdjacency)
        *ppAdjacency = AdjacencyBuffer(pMesh);
    *ppMesh = pMesh;
    return S_OK;
}

template <typename F> HRESULT Guarded(F function)
{
    try
    {
        return function();
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}
} // namespace

HRESULT D3DXLoadMeshFromXA(LPCSTR pFilename, DWORD Options, LPDIRECT3DDEVICE9 pD3DDevice,
                           LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials,
                           LPD3DXBUFFER* ppEffectInstances, DWORD* pNumMaterials,
                           LPD3DXMESH* ppMesh)
{
    for (LPD3DXBUFFER* pp : {ppAdjacency, ppMaterials, ppEffectInstances})
        if (pp)
            *pp = nullptr;
    if (pNumMaterials)
        *pNumMaterials = 0;
    if (!ppMesh)
        return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    if (!pFilename || !pD3DDevice)
        return D3DERR_INVALIDCALL;
    return Guarded(
        [&]
        {
            SOrvMeshData data;
            std::string sError;
            if (!COrvXFileLoader::Load(pFilename, data, sError))
                return sError.find("too large") != std::string::npos ? E_OUTOFMEMORY
                                                                     : D3DXERR_INVALIDDATA;
            COrvMesh* pMesh = nullptr;
            HRESULT hr = COrvMesh::CreateFromData(pD3DDevice, data, Options, &pMesh);
            if (FAILED(hr))
                return hr;
            if (ppAdjacency)
                *ppAdjacency = AdjacencyBuffer(pMesh);
            if (ppMaterials)
                *ppMaterials = MaterialBuffer(data.m_aMaterials);
            if (pNumMaterials)
                *pNumMaterials = DWORD(data.m_aMaterials.size());
            *ppMesh = pMesh;
            return S_OK;
        });
}

HRESULT D3DXCreateTeapot(LPDIRECT3DDEVICE9 pDevice, LPD3DXMESH* ppMesh, LPD3DXBUFFER* ppAdjacency)
{
    if (ppAdjacency)
        *ppAdjacency = nullptr;
    if (!ppMesh)
        return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    if (!pDevice)
        return D3DERR_INVALIDCALL;
    return Guarded(
        [&]
        {
            SOrvMeshData data;
            OrvBuildTeapot(data);
            return FinishShape(pDevice, data, ppMesh, ppAdjacency);
        });
}

HRESULT D3DXCreateSphere(LPDIRECT3DDEVICE9 pDevice, FLOAT Radius, UINT Slices, UINT Stacks,
                         LPD3DXMESH* ppMesh, LPD3DXBUFFER* ppAdjacency)
{
    if (ppAdjacency)
        *ppAdjacency = nullptr;
    if (!ppMesh)
        return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    if (!pDevice)
        return D3DERR_INVALIDCALL;
    return Guarded(
        [&]
        {
            SOrvMeshData data;
            if (!OrvBuildSphere(data, Radius, Slices, Stacks))
                return D3DERR_INVALIDCALL;
            return FinishShape(pDevice, data, ppMesh, ppAdjacency);
        });
}

HRESULT D3DXCreateMesh(DWORD NumFaces, DWORD NumVertices, DWORD Options,
                       const D3DVERTEXELEMENT9* pDeclaration, LPDIRECT3DDEVICE9 pD3DDevice,
                       LPD3DXMESH* ppMesh)
{
    if (!ppMesh)
        return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    return Guarded(
        [&]
        {
            COrvMesh* pMesh = nullptr;
            HRESULT hr = COrvMesh::Create(pD3DDevice, NumFaces, NumVertices, Options,
                                          OrvDeclarationElements(pDeclaration), &pMesh);
            *ppMesh = pMesh;
            return hr;
        });
}

HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF,
                          LPDIRECT3DDEVICE9 pD3DDevice, LPD3DXMESH* ppMesh)
{
    D3DVERTEXELEMENT9 aDeclaration[MAX_FVF_DECL_SIZE];
    if (FAILED(D3DXDeclaratorFromFVF(FVF, aDeclaration)))
    {
        if (ppMesh)
            *ppMesh = nullptr;
        return D3DERR_INVALIDCALL;
    }
    return D3DXCreateMesh(NumFaces, NumVertices, Options, aDeclaration, pD3DDevice, ppMesh);
}
