#include "D3DXBuffer.h"
#include "D3DXMesh.h"
#include "MeshFormat.h"
#include "XFileLoader.h"
#include "XFileMesh.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace
{
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

// One D3DXEFFECTINSTANCE per material, then the D3DXEFFECTDEFAULTs, then the values and the
// names they point to, each at an 8-byte boundary.
LPD3DXBUFFER EffectInstanceBuffer(const std::vector<SOrvMeshMaterial>& materials)
{
    auto aligned = [](size_t u) { return (u + 7) & ~size_t(7); };
    size_t uDefaults = 0, uData = 0;
    for (const SOrvMeshMaterial& material : materials)
    {
        uDefaults += material.m_aEffectDefaults.size();
        uData += material.m_sEffectFile.empty() ? 0 : aligned(material.m_sEffectFile.size() + 1);
        for (const SOrvEffectDefault& value : material.m_aEffectDefaults)
            uData += aligned(value.m_sParameter.size() + 1) + aligned(value.m_abValue.size());
    }
    const size_t uHeads = aligned(materials.size() * sizeof(D3DXEFFECTINSTANCE));
    const size_t uBytes = uHeads + uDefaults * sizeof(D3DXEFFECTDEFAULT) + uData;
    LPD3DXBUFFER pBuffer = nullptr;
    if (FAILED(D3DXCreateBuffer(DWORD(std::max<size_t>(uBytes, 1)), &pBuffer)))
        return nullptr;
    auto* pBase = static_cast<unsigned char*>(pBuffer->GetBufferPointer());
    auto* pInstances = reinterpret_cast<D3DXEFFECTINSTANCE*>(pBase);
    auto* pDefaults = reinterpret_cast<D3DXEFFECTDEFAULT*>(pBase + uHeads);
    unsigned char* pData = reinterpret_cast<unsigned char*>(pDefaults + uDefaults);
    auto place = [&](const void* p, size_t uSize)
    {
        unsigned char* pAt = pData;
        if (uSize)
            std::memcpy(pAt, p, uSize);
        pData += aligned(uSize);
        return pAt;
    };
    for (size_t i = 0; i < materials.size(); ++i)
    {
        const SOrvMeshMaterial& material = materials[i];
        D3DXEFFECTINSTANCE& instance = pInstances[i];
        instance.pEffectFilename = nullptr;
        if (!material.m_sEffectFile.empty())
            instance.pEffectFilename = reinterpret_cast<LPSTR>(
                place(material.m_sEffectFile.c_str(), material.m_sEffectFile.size() + 1));
        instance.NumDefaults = DWORD(material.m_aEffectDefaults.size());
        instance.pDefaults = instance.NumDefaults ? pDefaults : nullptr;
        for (const SOrvEffectDefault& value : material.m_aEffectDefaults)
        {
            pDefaults->pParamName = reinterpret_cast<LPSTR>(
                place(value.m_sParameter.c_str(), value.m_sParameter.size() + 1));
            pDefaults->Type = D3DXEFFECTDEFAULTTYPE(value.m_dwType);
            pDefaults->NumBytes = DWORD(value.m_abValue.size());
            pDefaults->pValue = place(value.m_abValue.data(), value.m_abValue.size());
            ++pDefaults;
        }
    }
    return pBuffer;
}

// What the two loaders share: the checks of the arguments, then the mesh and the buffers the
// caller asked for from what read() gives.
template <typename F>
HRESULT LoadMesh(bool bSource, F read, DWORD Options, LPDIRECT3DDEVICE9 pDevice,
                 LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials,
                 LPD3DXBUFFER* ppEffectInstances, DWORD* pNumMaterials, LPD3DXMESH* ppMesh)
{
    for (LPD3DXBUFFER* pp : {ppAdjacency, ppMaterials, ppEffectInstances})
        if (pp)
            *pp = nullptr;
    if (pNumMaterials)
        *pNumMaterials = 0;
    if (!ppMesh)
        return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    if (!pDevice || !bSource)
        return D3DERR_INVALIDCALL;
    return OrvGuarded(
        [&]
        {
            SOrvMeshData data;
            std::string sError;
            // A file that holds no mesh, down to a bare header, is no error in its data to
            // D3DX: it answers E_FAIL.
            if (!read(data, sError))
                return sError == COrvXMeshBuilder::s_pNoMesh           ? E_FAIL
                       : sError.find("too large") != std::string::npos ? E_OUTOFMEMORY
                                                                       : D3DXERR_INVALIDDATA;
            COrvMesh* pMesh = nullptr;
            HRESULT hr = COrvMesh::CreateFromData(pDevice, data, Options, &pMesh);
            if (FAILED(hr))
                return hr;
            if (ppAdjacency)
                *ppAdjacency = pMesh->CreateAdjacencyBuffer();
            if (ppMaterials)
                *ppMaterials = MaterialBuffer(data.m_aMaterials);
            if (ppEffectInstances)
                *ppEffectInstances = EffectInstanceBuffer(data.m_aMaterials);
            if (pNumMaterials)
                *pNumMaterials = DWORD(data.m_aMaterials.size());
            *ppMesh = pMesh;
            return S_OK;
        });
}
} // namespace

HRESULT D3DXLoadMeshFromXA(LPCSTR pFilename, DWORD Options, LPDIRECT3DDEVICE9 pD3DDevice,
                           LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials,
                           LPD3DXBUFFER* ppEffectInstances, DWORD* pNumMaterials,
                           LPD3DXMESH* ppMesh)
{
    auto read = [&](SOrvMeshData& data, std::string& sError)
    { return COrvXFileLoader::Load(pFilename, data, sError); };
    return LoadMesh(pFilename != nullptr, read, Options, pD3DDevice, ppAdjacency, ppMaterials,
                    ppEffectInstances, pNumMaterials, ppMesh);
}

HRESULT D3DXLoadMeshFromXInMemory(LPCVOID Memory, DWORD SizeOfMemory, DWORD Options,
                                  LPDIRECT3DDEVICE9 pD3DDevice, LPD3DXBUFFER* ppAdjacency,
                                  LPD3DXBUFFER* ppMaterials, LPD3DXBUFFER* ppEffectInstances,
                                  DWORD* pNumMaterials, LPD3DXMESH* ppMesh)
{
    auto read = [&](SOrvMeshData& data, std::string& sError)
    { return COrvXFileLoader::LoadFromMemory(Memory, SizeOfMemory, data, sError); };
    return LoadMesh(Memory != nullptr && SizeOfMemory > 0, read, Options, pD3DDevice, ppAdjacency,
                    ppMaterials, ppEffectInstances, pNumMaterials, ppMesh);
}

HRESULT D3DXCreateMesh(DWORD NumFaces, DWORD NumVertices, DWORD Options,
                       const D3DVERTEXELEMENT9* pDeclaration, LPDIRECT3DDEVICE9 pD3DDevice,
                       LPD3DXMESH* ppMesh)
{
    if (!ppMesh)
        return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    return OrvGuarded(
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
