#pragma once

#include "MeshData.h"
#include "d3dx9mesh.h"

#include <new>
#include <vector>

// Runs a step that may allocate; running out of memory becomes E_OUTOFMEMORY.
template <typename F> HRESULT OrvGuarded(F function)
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

// ID3DXMesh over device vertex and index buffers. Subsets are found from the attribute
// buffer (runs of faces with the same attribute), recomputed after the indices or the
// attributes change.
class COrvMesh final : public ID3DXMesh
{
public:
    static HRESULT Create(IDirect3DDevice9* pDevice, DWORD dwFaces, DWORD dwVertices,
                          DWORD dwOptions, const std::vector<D3DVERTEXELEMENT9>& declaration,
                          COrvMesh** ppMesh);
    // A mesh of position, and normals, colours and texture coordinates where the data has them.
    static HRESULT CreateFromData(IDirect3DDevice9* pDevice, const SOrvMeshData& data,
                                  DWORD dwOptions, COrvMesh** ppMesh);

    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT DrawSubset(DWORD AttribId) override;
    DWORD GetNumFaces() override { return m_dwFaces; }
    DWORD GetNumVertices() override { return m_dwVertices; }
    DWORD GetFVF() override { return m_dwFvf; }
    HRESULT GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) override;
    DWORD GetNumBytesPerVertex() override { return m_uStride; }
    DWORD GetOptions() override { return m_dwOptions; }
    HRESULT GetDevice(LPDIRECT3DDEVICE9* ppDevice) override;
    HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, LPDIRECT3DDEVICE9 pDevice,
                         LPD3DXMESH* ppCloneMesh) override;
    HRESULT CloneMesh(DWORD Options, const D3DVERTEXELEMENT9* pDeclaration,
                      LPDIRECT3DDEVICE9 pDevice, LPD3DXMESH* ppCloneMesh) override;
    HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER9* ppVB) override;
    HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER9* ppIB) override;
    HRESULT LockVertexBuffer(DWORD Flags, LPVOID* ppData) override;
    HRESULT UnlockVertexBuffer() override;
    HRESULT LockIndexBuffer(DWORD Flags, LPVOID* ppData) override;
    HRESULT UnlockIndexBuffer() override;
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) override;
    HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) override;
    HRESULT UnlockAttributeBuffer() override;

    // Face adjacency: for each face edge (0-1, 1-2, 2-0) the face sharing it, or 0xffffffff.
    // Vertices at the same position count as one, so sides that repeat their corners (a
    // box's, a cylinder's caps) are adjacent too.
    std::vector<DWORD> ComputeAdjacency();
    // The adjacency in a buffer, or null when there is no memory for it.
    LPD3DXBUFFER CreateAdjacencyBuffer();

private:
    COrvMesh(IDirect3DDevice9* pDevice, DWORD dwFaces, DWORD dwVertices, DWORD dwOptions);
    ~COrvMesh();
    HRESULT CreateBuffers(const std::vector<D3DVERTEXELEMENT9>& declaration);
    bool ReadIndices(std::vector<uint32_t>& auIndices);
    void UpdateAttributeTable();
    std::vector<uint32_t> PointRepresentatives();

    ULONG m_uRefCount = 1;
    IDirect3DDevice9* m_pDevice;
    DWORD m_dwFaces;
    DWORD m_dwVertices;
    DWORD m_dwOptions;
    DWORD m_dwFvf = 0;
    UINT m_uStride = 0;
    bool m_b32BitIndices;
    std::vector<D3DVERTEXELEMENT9> m_aDeclaration;
    IDirect3DVertexBuffer9* m_pVertexBuffer = nullptr;
    IDirect3DIndexBuffer9* m_pIndexBuffer = nullptr;
    IDirect3DVertexDeclaration9* m_pVertexDeclaration = nullptr;
    std::vector<DWORD> m_adwAttributes;
    std::vector<D3DXATTRIBUTERANGE> m_aTable;
    bool m_bTableDirty = true;
};
