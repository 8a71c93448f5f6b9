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

// The effect a mesh file's material names, with the parameter values it gives.
typedef enum _D3DXEFFECTDEFAULTTYPE
{
    D3DXEDT_STRING = 1, // pValue: a zero-terminated string
    D3DXEDT_FLOATS = 2, // pValue: NumBytes / 4 floats
    D3DXEDT_DWORD = 3,  // pValue: one DWORD
    D3DXEDT_FORCEDWORD = 0x7fffffff
} D3DXEFFECTDEFAULTTYPE;

typedef struct _D3DXEFFECTDEFAULT
{
    LPSTR pParamName;
    D3DXEFFECTDEFAULTTYPE Type;
    DWORD NumBytes;
    LPVOID pValue;
} D3DXEFFECTDEFAULT, *LPD3DXEFFECTDEFAULT;

typedef struct _D3DXEFFECTINSTANCE
{
    LPSTR pEffectFilename; // null when the material names no effect
    DWORD NumDefaults;
    LPD3DXEFFECTDEFAULT pDefaults;
} D3DXEFFECTINSTANCE, *LPD3DXEFFECTINSTANCE;

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
struct ID3DXBaseMesh;
typedef ID3DXBaseMesh* LPD3DXBASEMESH;

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
    // Loads a ".x" file (text, binary or compressed; 32- or 64-bit floats): every mesh of the
    // file where its frames put it, merged, with the file's vertices in the file's order (a
    // vertex that faces give several normals is repeated after them) and one subset per
    // material that the meshes' material lists name, in the file's order; a mesh without a
    // list gets one grey default material. *ppMaterials holds NumMaterials D3DXMATERIALs
    // followed by their texture file names; *ppEffectInstances one D3DXEFFECTINSTANCE per
    // material, with what the material's effect instance names (nothing when it has none).
    // A broken file gives D3DXERR_INVALIDDATA.
    ORVPLATFORM_API HRESULT D3DXLoadMeshFromXA(LPCSTR pFilename, DWORD Options,
                                               LPDIRECT3DDEVICE9 pD3DDevice,
                                               LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials,
                                               LPD3DXBUFFER* ppEffectInstances,
                                               DWORD* pNumMaterials, LPD3DXMESH* ppMesh);
    // The same from a ".x" file held in memory.
    ORVPLATFORM_API HRESULT D3DXLoadMeshFromXInMemory(LPCVOID Memory, DWORD SizeOfMemory,
                                                      DWORD Options, LPDIRECT3DDEVICE9 pD3DDevice,
                                                      LPD3DXBUFFER* ppAdjacency,
                                                      LPD3DXBUFFER* ppMaterials,
                                                      LPD3DXBUFFER* ppEffectInstances,
                                                      DWORD* pNumMaterials, LPD3DXMESH* ppMesh);

    // The built-in shapes, position + normal, one subset, managed buffers.
    // The classic teapot (about 3.2 wide, 1.6 high, y up).
    ORVPLATFORM_API HRESULT D3DXCreateTeapot(LPDIRECT3DDEVICE9 pDevice, LPD3DXMESH* ppMesh,
                                             LPD3DXBUFFER* ppAdjacency);
    // A sphere about the origin with its poles on the z axis (Slices >= 2, Stacks >= 2).
    ORVPLATFORM_API HRESULT D3DXCreateSphere(LPDIRECT3DDEVICE9 pDevice, FLOAT Radius, UINT Slices,
                                             UINT Stacks, LPD3DXMESH* ppMesh,
                                             LPD3DXBUFFER* ppAdjacency);
    // A box about the origin, four vertices per side.
    ORVPLATFORM_API HRESULT D3DXCreateBox(LPDIRECT3DDEVICE9 pDevice, FLOAT Width, FLOAT Height,
                                          FLOAT Depth, LPD3DXMESH* ppMesh,
                                          LPD3DXBUFFER* ppAdjacency);
    // A cylinder or cone along z, Radius1 at z = -Length / 2 and Radius2 at Length / 2,
    // with caps (Slices >= 2, Stacks >= 1).
    ORVPLATFORM_API HRESULT D3DXCreateCylinder(LPDIRECT3DDEVICE9 pDevice, FLOAT Radius1,
                                               FLOAT Radius2, FLOAT Length, UINT Slices,
                                               UINT Stacks, LPD3DXMESH* ppMesh,
                                               LPD3DXBUFFER* ppAdjacency);
    // A torus about the z axis; InnerRadius is the tube's, OuterRadius the ring's (Sides >= 3,
    // Rings >= 3).
    ORVPLATFORM_API HRESULT D3DXCreateTorus(LPDIRECT3DDEVICE9 pDevice, FLOAT InnerRadius,
                                            FLOAT OuterRadius, UINT Sides, UINT Rings,
                                            LPD3DXMESH* ppMesh, LPD3DXBUFFER* ppAdjacency);
    // A regular polygon in the xy plane facing +z with sides of the given length (Sides >= 3).
    ORVPLATFORM_API HRESULT D3DXCreatePolygon(LPDIRECT3DDEVICE9 pDevice, FLOAT Length, UINT Sides,
                                              LPD3DXMESH* ppMesh, LPD3DXBUFFER* ppAdjacency);

    ORVPLATFORM_API HRESULT D3DXCreateMesh(DWORD NumFaces, DWORD NumVertices, DWORD Options,
                                           const D3DVERTEXELEMENT9* pDeclaration,
                                           LPDIRECT3DDEVICE9 pD3DDevice, LPD3DXMESH* ppMesh);
    ORVPLATFORM_API HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options,
                                              DWORD FVF, LPDIRECT3DDEVICE9 pD3DDevice,
                                              LPD3DXMESH* ppMesh);

    // Vertex formats. Blend weights (D3DFVF_XYZB1 to XYZB5) follow the position; with
    // D3DFVF_LASTBETA_UBYTE4 or D3DFVF_LASTBETA_D3DCOLOR the last of them holds the blend
    // indices instead.
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
    // Sphere about the positions' average that holds them all.
    ORVPLATFORM_API HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* pFirstPosition,
                                                      DWORD NumVertices, DWORD dwStride,
                                                      D3DXVECTOR3* pCenter, FLOAT* pRadius);
    // Vertex normals: the average of the normals of the faces at each vertex, weighted by the
    // face's angle there. With an adjacency, vertices at the same point of adjacent faces
    // share their normal. The mesh needs a 3-float normal.
    ORVPLATFORM_API HRESULT D3DXComputeNormals(LPD3DXBASEMESH pMesh, const DWORD* pAdjacency);
    // Whether the ray pRayPos + t pRayDir (t >= 0) meets the triangle, from either side; the
    // point is p0 + U (p1 - p0) + V (p2 - p0), at t = *pDist.
    ORVPLATFORM_API BOOL D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1,
                                          const D3DXVECTOR3* p2, const D3DXVECTOR3* pRayPos,
                                          const D3DXVECTOR3* pRayDir, FLOAT* pU, FLOAT* pV,
                                          FLOAT* pDist);
    // Whether the ray (t > 0) passes through the inside of the sphere.
    ORVPLATFORM_API BOOL D3DXSphereBoundProbe(const D3DXVECTOR3* pCenter, FLOAT Radius,
                                              const D3DXVECTOR3* pRayPosition,
                                              const D3DXVECTOR3* pRayDirection);
    // Whether the ray (t >= 0) meets the axis-aligned box.
    ORVPLATFORM_API BOOL D3DXBoxBoundProbe(const D3DXVECTOR3* pMin, const D3DXVECTOR3* pMax,
                                           const D3DXVECTOR3* pRayPosition,
                                           const D3DXVECTOR3* pRayDirection);
}

#define D3DXLoadMeshFromX D3DXLoadMeshFromXA
