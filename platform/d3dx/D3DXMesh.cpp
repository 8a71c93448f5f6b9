#include "D3DXMesh.h"

#include "D3DXBuffer.h"
#include "MeshFormat.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <new>
#include <unordered_map>

namespace
{
D3DPOOL PoolOf(DWORD dwOptions, DWORD dwSystem, DWORD dwManaged)
{
    if (dwOptions & dwSystem)
        return D3DPOOL_SYSTEMMEM;
    if (dwOptions & dwManaged)
        return D3DPOOL_MANAGED;
    return D3DPOOL_DEFAULT;
}
} // namespace

COrvMesh::COrvMesh(IDirect3DDevice9* pDevice, DWORD dwFaces, DWORD dwVertices, DWORD dwOptions)
    : m_pDevice(pDevice), m_dwFaces(dwFaces), m_dwVertices(dwVertices), m_dwOptions(dwOptions),
      m_b32BitIndices((dwOptions & D3DXMESH_32BIT) != 0 || dwVertices > 0xffff),
      m_adwAttributes(dwFaces, 0)
{
    m_pDevice->AddRef();
    if (m_b32BitIndices)
        m_dwOptions |= D3DXMESH_32BIT;
}

COrvMesh::~COrvMesh()
{
    if (m_pVertexDeclaration)
        m_pVertexDeclaration->Release();
    if (m_pIndexBuffer)
        m_pIndexBuffer->Release();
    if (m_pVertexBuffer)
        m_pVertexBuffer->Release();
    m_pDevice->Release();
}

ULONG COrvMesh::AddRef()
{
    return ++m_uRefCount;
}

ULONG COrvMesh::Release()
{
    ULONG uCount = --m_uRefCount;
    if (uCount == 0)
        delete this;
    return uCount;
}

HRESULT COrvMesh::Create(IDirect3DDevice9* pDevice, DWORD dwFaces, DWORD dwVertices,
                         DWORD dwOptions, const std::vector<D3DVERTEXELEMENT9>& declaration,
                         COrvMesh** ppMesh)
{
    *ppMesh = nullptr;
    // A mesh keeps its vertices in one buffer: a declaration that spreads them over several
    // streams cannot describe it.
    const bool bOneStream = std::all_of(declaration.begin(), declaration.end(),
                                        [](const D3DVERTEXELEMENT9& e) { return e.Stream == 0; });
    if (!pDevice || dwFaces == 0 || dwVertices == 0 || declaration.empty() || !bOneStream)
        return D3DERR_INVALIDCALL;
    if (dwFaces > ORV_MAX_MESH_FACES || dwVertices > ORV_MAX_MESH_VERTICES)
        return E_OUTOFMEMORY;
    COrvMesh* pMesh = nullptr;
    try
    {
        pMesh = new COrvMesh(pDevice, dwFaces, dwVertices, dwOptions);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = pMesh->CreateBuffers(declaration);
    if (FAILED(hr))
    {
        pMesh->Release();
        return hr;
    }
    *ppMesh = pMesh;
    return S_OK;
}

// Buffers start zeroed: a face that is never written draws nothing.
HRESULT COrvMesh::CreateBuffers(const std::vector<D3DVERTEXELEMENT9>& declaration)
{
    m_aDeclaration = declaration;
    std::vector<D3DVERTEXELEMENT9> terminated = declaration;
    terminated.push_back(D3DDECL_END());
    m_uStride = D3DXGetDeclVertexSize(terminated.data(), 0);
    if (FAILED(D3DXFVFFromDeclarator(terminated.data(), &m_dwFvf)))
        m_dwFvf = 0;
    if (m_uStride == 0)
        return D3DERR_INVALIDCALL;
    DWORD dwVbUsage = (m_dwOptions & D3DXMESH_VB_DYNAMIC) ? D3DUSAGE_DYNAMIC : 0;
    DWORD dwIbUsage = (m_dwOptions & D3DXMESH_IB_DYNAMIC) ? D3DUSAGE_DYNAMIC : 0;
    HRESULT hr = m_pDevice->CreateVertexBuffer(
        m_dwVertices * m_uStride, dwVbUsage, m_dwFvf,
        PoolOf(m_dwOptions, D3DXMESH_VB_SYSTEMMEM, D3DXMESH_VB_MANAGED), &m_pVertexBuffer, nullptr);
    if (FAILED(hr))
        return hr;
    UINT uIndexBytes = m_dwFaces * 3 * (m_b32BitIndices ? 4 : 2);
    hr = m_pDevice->CreateIndexBuffer(
        uIndexBytes, dwIbUsage, m_b32BitIndices ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
        PoolOf(m_dwOptions, D3DXMESH_IB_SYSTEMMEM, D3DXMESH_IB_MANAGED), &m_pIndexBuffer, nullptr);
    if (FAILED(hr))
        return hr;
    void* p = nullptr;
    if (SUCCEEDED(m_pVertexBuffer->Lock(0, 0, &p, 0)))
    {
        std::memset(p, 0, size_t(m_dwVertices) * m_uStride);
        m_pVertexBuffer->Unlock();
    }
    if (SUCCEEDED(m_pIndexBuffer->Lock(0, 0, &p, 0)))
    {
        std::memset(p, 0, uIndexBytes);
        m_pIndexBuffer->Unlock();
    }
    if (m_dwFvf == 0)
        return m_pDevice->CreateVertexDeclaration(terminated.data(), &m_pVertexDeclaration);
    return S_OK;
}

HRESULT COrvMesh::CreateFromData(IDirect3DDevice9* pDevice, const SOrvMeshData& data,
                                 DWORD dwOptions, COrvMesh** ppMesh)
{
    size_t uVertices = data.GetVertexCount();
    bool bNormals = data.m_afNormals.size() == 3 * uVertices;
    bool bColors = data.m_adwColors.size() == uVertices;
    bool bTexCoords = data.m_afTexCoords.size() == 2 * uVertices;
    DWORD dwFvf = D3DFVF_XYZ | (bNormals ? D3DFVF_NORMAL : 0) | (bColors ? D3DFVF_DIFFUSE : 0) |
                  (bTexCoords ? D3DFVF_TEX1 : 0);
    D3DVERTEXELEMENT9 aDeclaration[MAX_FVF_DECL_SIZE];
    D3DXDeclaratorFromFVF(dwFvf, aDeclaration);
    if (data.GetFaceCount() > ORV_MAX_MESH_FACES || uVertices > ORV_MAX_MESH_VERTICES)
        return E_OUTOFMEMORY;
    HRESULT hr = Create(pDevice, DWORD(data.GetFaceCount()), DWORD(uVertices), dwOptions,
                        OrvDeclarationElements(aDeclaration), ppMesh);
    if (FAILED(hr))
        return hr;
    COrvMesh* pMesh = *ppMesh;
    void* pVertices = nullptr;
    void* pIndices = nullptr;
    if (FAILED(pMesh->LockVertexBuffer(0, &pVertices)) ||
        FAILED(pMesh->LockIndexBuffer(0, &pIndices)))
    {
        pMesh->Release();
        *ppMesh = nullptr;
        return E_FAIL;
    }
    auto* pOut = static_cast<unsigned char*>(pVertices);
    for (size_t v = 0; v < uVertices; ++v, pOut += pMesh->m_uStride)
    {
        size_t uOffset = 0;
        auto put = [&](const void* p, size_t uBytes)
        {
            std::memcpy(pOut + uOffset, p, uBytes);
            uOffset += uBytes;
        };
        put(&data.m_afPositions[3 * v], 12);
        if (bNormals)
            put(&data.m_afNormals[3 * v], 12);
        if (bColors)
            put(&data.m_adwColors[v], 4);
        if (bTexCoords)
            put(&data.m_afTexCoords[2 * v], 8);
    }
    for (size_t i = 0; i < data.m_auIndices.size(); ++i)
    {
        if (pMesh->m_b32BitIndices)
            static_cast<uint32_t*>(pIndices)[i] = data.m_auIndices[i];
        else
            static_cast<uint16_t*>(pIndices)[i] = uint16_t(data.m_auIndices[i]);
    }
    pMesh->UnlockIndexBuffer();
    pMesh->UnlockVertexBuffer();
    if (data.m_adwAttributes.size() == data.GetFaceCount())
        pMesh->m_adwAttributes = data.m_adwAttributes;
    pMesh->m_bTableDirty = true;
    return S_OK;
}

HRESULT COrvMesh::GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE])
{
    if (!Declaration)
        return D3DERR_INVALIDCALL;
    std::copy(m_aDeclaration.begin(), m_aDeclaration.end(), Declaration);
    Declaration[m_aDeclaration.size()] = D3DDECL_END();
    return S_OK;
}

HRESULT COrvMesh::GetDevice(LPDIRECT3DDEVICE9* ppDevice)
{
    if (!ppDevice)
        return D3DERR_INVALIDCALL;
    *ppDevice = m_pDevice;
    m_pDevice->AddRef();
    return S_OK;
}

HRESULT COrvMesh::CloneMeshFVF(DWORD Options, DWORD FVF, LPDIRECT3DDEVICE9 pDevice,
                               LPD3DXMESH* ppCloneMesh)
{
    D3DVERTEXELEMENT9 aDeclaration[MAX_FVF_DECL_SIZE];
    if (FAILED(D3DXDeclaratorFromFVF(FVF, aDeclaration)))
        return D3DERR_INVALIDCALL;
    return CloneMesh(Options, aDeclaration, pDevice, ppCloneMesh);
}

HRESULT COrvMesh::CloneMesh(DWORD Options, const D3DVERTEXELEMENT9* pDeclaration,
                            LPDIRECT3DDEVICE9 pDevice, LPD3DXMESH* ppCloneMesh)
{
    if (!ppCloneMesh)
        return D3DERR_INVALIDCALL;
    *ppCloneMesh = nullptr;
    COrvMesh* pClone = nullptr;
    HRESULT hr = Create(pDevice ? pDevice : m_pDevice, m_dwFaces, m_dwVertices, Options,
                        OrvDeclarationElements(pDeclaration), &pClone);
    if (FAILED(hr))
        return hr;
    void* pSource = nullptr;
    void* pTarget = nullptr;
    std::vector<uint32_t> auIndices;
    hr = LockVertexBuffer(D3DLOCK_READONLY, &pSource);
    if (SUCCEEDED(hr))
    {
        hr = pClone->LockVertexBuffer(0, &pTarget);
        if (SUCCEEDED(hr))
        {
            OrvConvertVertices(m_aDeclaration, m_uStride, pClone->m_aDeclaration, pClone->m_uStride,
                               m_dwVertices, pSource, pTarget);
            pClone->UnlockVertexBuffer();
        }
        UnlockVertexBuffer();
    }
    if (SUCCEEDED(hr) && ReadIndices(auIndices) && SUCCEEDED(pClone->LockIndexBuffer(0, &pTarget)))
    {
        for (size_t i = 0; i < auIndices.size(); ++i)
        {
            if (pClone->m_b32BitIndices)
                static_cast<uint32_t*>(pTarget)[i] = auIndices[i];
            else
                static_cast<uint16_t*>(pTarget)[i] = uint16_t(auIndices[i]);
        }
        pClone->UnlockIndexBuffer();
    }
    if (FAILED(hr))
    {
        pClone->Release();
        return hr;
    }
    pClone->m_adwAttributes = m_adwAttributes;
    *ppCloneMesh = pClone;
    return S_OK;
}

HRESULT COrvMesh::GetVertexBuffer(LPDIRECT3DVERTEXBUFFER9* ppVB)
{
    if (!ppVB)
        return D3DERR_INVALIDCALL;
    *ppVB = m_pVertexBuffer;
    m_pVertexBuffer->AddRef();
    return S_OK;
}

HRESULT COrvMesh::GetIndexBuffer(LPDIRECT3DINDEXBUFFER9* ppIB)
{
    if (!ppIB)
        return D3DERR_INVALIDCALL;
    *ppIB = m_pIndexBuffer;
    m_pIndexBuffer->AddRef();
    return S_OK;
}

HRESULT COrvMesh::LockVertexBuffer(DWORD Flags, LPVOID* ppData)
{
    return ppData ? m_pVertexBuffer->Lock(0, 0, ppData, Flags) : D3DERR_INVALIDCALL;
}

HRESULT COrvMesh::UnlockVertexBuffer()
{
    return m_pVertexBuffer->Unlock();
}

HRESULT COrvMesh::LockIndexBuffer(DWORD Flags, LPVOID* ppData)
{
    return ppData ? m_pIndexBuffer->Lock(0, 0, ppData, Flags) : D3DERR_INVALIDCALL;
}

HRESULT COrvMesh::UnlockIndexBuffer()
{
    m_bTableDirty = true;
    return m_pIndexBuffer->Unlock();
}

HRESULT COrvMesh::LockAttributeBuffer(DWORD, DWORD** ppData)
{
    if (!ppData)
        return D3DERR_INVALIDCALL;
    *ppData = m_adwAttributes.data();
    return S_OK;
}

HRESULT COrvMesh::UnlockAttributeBuffer()
{
    m_bTableDirty = true;
    return S_OK;
}

bool COrvMesh::ReadIndices(std::vector<uint32_t>& auIndices)
{
    void* p = nullptr;
    if (FAILED(m_pIndexBuffer->Lock(0, 0, &p, D3DLOCK_READONLY)))
        return false;
    auIndices.resize(size_t(m_dwFaces) * 3);
    for (size_t i = 0; i < auIndices.size(); ++i)
        auIndices[i] = m_b32BitIndices ? static_cast<const uint32_t*>(p)[i]
                                       : static_cast<const uint16_t*>(p)[i];
    m_pIndexBuffer->Unlock();
    return true;
}

// Runs of faces with the same attribute, each with the range of vertices it uses.
void COrvMesh::UpdateAttributeTable()
{
    if (!m_bTableDirty)
        return;
    m_bTableDirty = false;
    m_aTable.clear();
    std::vector<uint32_t> auIndices;
    bool bIndices = ReadIndices(auIndices);
    for (DWORD f = 0; f < m_dwFaces; ++f)
    {
        if (m_aTable.empty() || m_aTable.back().AttribId != m_adwAttributes[f])
            m_aTable.push_back({m_adwAttributes[f], f, 0, bIndices ? 0xffffffffu : 0,
                                bIndices ? 0 : m_dwVertices});
        D3DXATTRIBUTERANGE& range = m_aTable.back();
        ++range.FaceCount;
        if (!bIndices)
            continue;
        DWORD dwEnd = range.VertexStart == 0xffffffffu ? 0 : range.VertexStart + range.VertexCount;
        for (int k = 0; k < 3; ++k)
        {
            DWORD dwIndex = std::min<DWORD>(auIndices[3 * f + k], m_dwVertices - 1);
            range.VertexStart = std::min(range.VertexStart, dwIndex);
            dwEnd = std::max(dwEnd, dwIndex + 1);
        }
        range.VertexCount = dwEnd - range.VertexStart;
    }
}

HRESULT COrvMesh::GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize)
{
    if (!pAttribTable && !pAttribTableSize)
        return D3DERR_INVALIDCALL;
    UpdateAttributeTable();
    if (pAttribTableSize)
        *pAttribTableSize = DWORD(m_aTable.size());
    if (pAttribTable)
        std::copy(m_aTable.begin(), m_aTable.end(), pAttribTable);
    return S_OK;
}

HRESULT COrvMesh::DrawSubset(DWORD AttribId)
{
    UpdateAttributeTable();
    bool bBound = false;
    HRESULT hr = S_OK;
    for (const D3DXATTRIBUTERANGE& range : m_aTable)
    {
        if (range.AttribId != AttribId || range.FaceCount == 0)
            continue;
        if (!bBound)
        {
            m_pDevice->SetStreamSource(0, m_pVertexBuffer, 0, m_uStride);
            m_pDevice->SetIndices(m_pIndexBuffer);
            if (m_dwFvf)
                m_pDevice->SetFVF(m_dwFvf);
            else
                m_pDevice->SetVertexDeclaration(m_pVertexDeclaration);
            bBound = true;
        }
        hr = m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, range.VertexStart,
                                             range.VertexCount, range.FaceStart * 3,
                                             range.FaceCount);
        if (FAILED(hr))
            break;
    }
    return hr;
}

// For each vertex the first vertex at the same position (itself when the layout has none).
std::vector<uint32_t> COrvMesh::PointRepresentatives()
{
    std::vector<uint32_t> auRep(m_dwVertices);
    for (DWORD v = 0; v < m_dwVertices; ++v)
        auRep[v] = v;
    auto position = std::find_if(m_aDeclaration.begin(), m_aDeclaration.end(),
                                 [](const D3DVERTEXELEMENT9& e)
                                 {
                                     return e.Stream == 0 && e.Usage == D3DDECLUSAGE_POSITION &&
                                            e.UsageIndex == 0 && OrvDeclTypeSize(e.Type) >= 12;
                                 });
    void* p = nullptr;
    if (position == m_aDeclaration.end() ||
        FAILED(m_pVertexBuffer->Lock(0, 0, &p, D3DLOCK_READONLY)))
        return auRep;
    std::map<std::array<uint32_t, 3>, uint32_t> first; // by bit pattern: NaN-safe
    for (DWORD v = 0; v < m_dwVertices; ++v)
    {
        std::array<uint32_t, 3> af;
        std::memcpy(af.data(),
                    static_cast<const BYTE*>(p) + size_t(v) * m_uStride + position->Offset, 12);
        auRep[v] = first.emplace(af, v).first->second;
    }
    m_pVertexBuffer->Unlock();
    return auRep;
}

std::vector<DWORD> COrvMesh::ComputeAdjacency()
{
    std::vector<DWORD> adwAdjacency(size_t(m_dwFaces) * 3, 0xffffffffu);
    std::vector<uint32_t> auIndices;
    if (!ReadIndices(auIndices))
        return adwAdjacency;
    std::vector<uint32_t> auRep = PointRepresentatives();
    for (uint32_t& u : auIndices)
        u = u < auRep.size() ? auRep[u] : u;
    std::unordered_map<uint64_t, DWORD> edges; // directed edge -> face edge slot
    for (DWORD f = 0; f < m_dwFaces; ++f)
        for (int k = 0; k < 3; ++k)
            edges.emplace((uint64_t(auIndices[3 * f + k]) << 32) | auIndices[3 * f + (k + 1) % 3],
                          3 * f + k);
    for (DWORD f = 0; f < m_dwFaces; ++f)
        for (int k = 0; k < 3; ++k)
        {
            auto it =
                edges.find((uint64_t(auIndices[3 * f + (k + 1) % 3]) << 32) | auIndices[3 * f + k]);
            if (it != edges.end() && it->second / 3 != f)
                adwAdjacency[3 * f + k] = it->second / 3;
        }
    return adwAdjacency;
}

LPD3DXBUFFER COrvMesh::CreateAdjacencyBuffer()
{
    std::vector<DWORD> adwAdjacency = ComputeAdjacency();
    LPD3DXBUFFER pBuffer = nullptr;
    if (SUCCEEDED(D3DXCreateBuffer(DWORD(adwAdjacency.size() * sizeof(DWORD)), &pBuffer)))
        std::memcpy(pBuffer->GetBufferPointer(), adwAdjacency.data(),
                    adwAdjacency.size() * sizeof(DWORD));
    return pBuffer;
}
