#pragma once

// D3DX meshes: indexed triangle lists with one subset per attribute (material), loaded from
// ".x" files or built as shapes (teapot, sphere), and the vertex-format helpers.
#include "d3dx9core.h"
#include "d3dx9math.h"

#ifndef D3DDECL_END
#define D3DDECL_END()                                                                              \
    {                                                                                              \
        0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0, 0                                                       \
    }
#endif
#define MAX_FVF_DECL_SIZE (MAXD3DDECLLENGTH + 1)

// Mesh options (D3DXMESH_*): index size and the pools of the buffers.
#define D3DXMESH_32BIT 0x001
#define D3DXMESH_DONOTCLIP 0x002
#define D3DXMESH_POINTS 0x004
#define D3DXMESH_RTPATCHES 0x008
#define D3DXMESH_NPATCHES 0x4000
#define D3DXMESH_VB_SYSTEMMEM 0x010
#define D3DXMESH_VB_MANAGED 0x020
#define D3DXMESH_VB_WRITEONLY 0x040
#define D3DXMESH_VB_DYNAMIC 0x080
#define D3DXMESH_VB_SOFTWAREPROCESSING 0x8000
#define D3DXMESH_IB_SYSTEMMEM 0x100
#define D3DXMESH_IB_MANAGED 0x200
#define D3DXMESH_IB_WRITEONLY 0x400
#define D3DXMESH_IB_DYNAMIC 0x800
#define D3DXMESH_IB_SOFTWAREPROCESSING 0x10000
#define D3DXMESH_VB_SHARE 0x1000
#define D3DXMESH_USEHWONLY 0x2000
#define D3DXMESH_SYSTEMMEM 0x110
#define D3DXMESH_MANAGED 0x220
#define D3DXMESH_WRITEONLY 0x440
#define D3DXMESH_DYNAMIC 0x880
#define D3DXMESH_SOFTWAREPROCESSING 0x18000

// The largest meshes accepted; bigger requests fail with E_OUTOFMEMORY.
#define ORV_MAX_MESH_FACES (4u * 1024u * 1024u)
#define ORV_MAX_MESH_VERTICES (4u * 1024u * 1024u)

// A material of a mesh file: its colours and the texture file it names (null for none).
typedef struct _D3DXMATERIAL
{
    D3DMATERIAL9 MatD3D;
    LPSTR pTextureFilename;
} D3DXMATERIAL, *LPD3DXMATERIAL;

// The faces and vertices of one subset.
typedef struct _D3DXATTRIBUTERANGE
{
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
} D3DXATTRIBUTERANGE, *LPD3DXATTRIBUTERANGE;

struct ID3DXMesh;
typedef ID3DXMesh* LPD3DXMESH;

struct ID3DXBaseMesh : public IUnknown
{
    // Draws the faces whose attribute is AttribId, with the device's current state.
    virtual HRESULT DrawSubset(DWORD AttribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0; // 0 for a mesh made from a declaration with no FVF equivalent
    virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) = 0;
    virtual DWORD GetNumBytesPerVertex() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(LPDIRECT3DDEVICE9* ppDevice) = 0;
    virtual HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, LPDIRECT3DDEVICE9 pDevice,
                                 LPD3DXMESH* ppCloneMesh) = 0;
    virtual HRESULT CloneMesh(DWORD Options, const D3DVERTEXELEMENT9* pDeclaration,
                              LPDIRECT3DDEVICE9 pDevice, LPD3DXMESH* ppCloneMesh) = 0;
    virtual HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER9* ppVB) = 0;
    virtual HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER9* ppIB) = 0;
    virtual HRESULT LockVertexBuffer(DWORD Flags, LPVOID* ppData) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD Flags, LPVOID* ppData) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    // pAttribTable null: *pAttribTableSize receives the number of subsets.
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable,
                                      DWORD* pAttribTableSize) = 0;
};

struct ID3DXMesh : public ID3DXBaseMesh
{
    // One DWORD per face: the subset it belongs to.
    virtual HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
};

extern "C"
{
    // Loads a ".x" file (text or binary): one subset per material, in the file's order.
    // *ppMaterials holds NumMaterials D3DXMATERIALs followed by their texture file names.
    ORVPLATFORM_API HRESULT D3DXLoadMeshFromXA(LPCSTR pFilename, DWORD Options,
                                               LPDIRECT3DDEVICE9 pD3DDevice,
                                               LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials,
                                               LPD3DXBUFFER* ppEffectInstances,
                                               DWORD* pNumMaterials, LPD3DXMESH* ppMesh);
    // The classic teapot (about 3.2 wide, 1.6 high, y up), position + normal.
    ORVPLATFORM_API HRESULT D3DXCreateTeapot(LPDIRECT3DDEVICE9 pDevice, LPD3DXMESH* ppMesh,
                                             LPD3DXBUFFER* ppAdjacency);
    // A sphere about the origin with its poles on the z axis, position + normal.
    ORVPLATFORM_API HRESULT D3DXCreateSphere(LPDIRECT3DDEVICE9 pDevice, FLOAT Radius, UINT Slices,
                                             UINT Stacks, LPD3DXMESH* ppMesh,
                                             LPD3DXBUFFER* ppAdjacency);
    ORVPLATFORM_API HRESULT D3DXCreateMesh(DWORD NumFaces, DWORD NumVertices, DWORD Options,
                                           const D3DVERTEXELEMENT9* pDeclaration,
                                           LPDIRECT3DDEVICE9 pD3DDevice, LPD3DXMESH* ppMesh);
    ORVPLATFORM_API HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options,
                                              DWORD FVF, LPDIRECT3DDEVICE9 pD3DDevice,
                                              LPD3DXMESH* ppMesh);
    ORVPLATFORM_API UINT D3DXGetFVFVertexSize(DWORD FVF);
    ORVPLATFORM_API UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* pDecl, DWORD Stream);
    ORVPLATFORM_API HRESULT D3DXDeclaratorFromFVF(DWORD FVF,
                                                  D3DVERTEXELEMENT9 pDeclarator[MAX_FVF_DECL_SIZE]);
    ORVPLATFORM_API HRESULT D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* pDeclarator,
                                                  DWORD* pFVF);
    // Box of NumVertices positions, dwStride bytes apart.
    ORVPLATFORM_API HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* pFirstPosition,
                                                   DWORD NumVertices, DWORD dwStride,
                                                   D3DXVECTOR3* pMin, D3DXVECTOR3* pMax);
}

#define D3DXLoadMeshFromX D3DXLoadMeshFromXA
