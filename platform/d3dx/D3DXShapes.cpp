#include "D3DXMesh.h"
#include "MeshPrimitives.h"
#include "MeshShapes.h"

namespace
{
// The common steps of the shape functions: the out pointers cleared, the device checked, the
// geometry built (false: arguments D3DX refuses), then the mesh and its adjacency.
template <typename F>
HRESULT CreateShape(LPDIRECT3DDEVICE9 pDevice, LPD3DXMESH* ppMesh, LPD3DXBUFFER* ppAdjacency,
                    F build)
{
    if (ppAdjacency)
        *ppAdjacency = nullptr;
    if (!ppMesh)
        return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    if (!pDevice)
        return D3DERR_INVALIDCALL;
    return OrvGuarded(
        [&]
        {
            SOrvMeshData data;
            if (!build(data))
                return D3DERR_INVALIDCALL;
            COrvMesh* pMesh = nullptr;
            HRESULT hr = COrvMesh::CreateFromData(pDevice, data, D3DXMESH_MANAGED, &pMesh);
            if (FAILED(hr))
                return hr;
            if (ppAdjacency)
                *ppAdjacency = pMesh->CreateAdjacencyBuffer();
            *ppMesh = pMesh;
            return S_OK;
        });
}
} // namespace

HRESULT D3DXCreateTeapot(LPDIRECT3DDEVICE9 pDevice, LPD3DXMESH* ppMesh, LPD3DXBUFFER* ppAdjacency)
{
    return CreateShape(pDevice, ppMesh, ppAdjacency,
                       [](SOrvMeshData& data)
                       {
                           OrvBuildTeapot(data);
                           return true;
                       });
}

HRESULT D3DXCreateSphere(LPDIRECT3DDEVICE9 pDevice, FLOAT Radius, UINT Slices, UINT Stacks,
                         LPD3DXMESH* ppMesh, LPD3DXBUFFER* ppAdjacency)
{
    return CreateShape(pDevice, ppMesh, ppAdjacency,
                       [&](SOrvMeshData& data)
                       { return OrvBuildSphere(data, Radius, Slices, Stacks); });
}

HRESULT D3DXCreateBox(LPDIRECT3DDEVICE9 pDevice, FLOAT Width, FLOAT Height, FLOAT Depth,
                      LPD3DXMESH* ppMesh, LPD3DXBUFFER* ppAdjacency)
{
    return CreateShape(pDevice, ppMesh, ppAdjacency,
                       [&](SOrvMeshData& data) { return OrvBuildBox(data, Width, Height, Depth); });
}

HRESULT D3DXCreateCylinder(LPDIRECT3DDEVICE9 pDevice, FLOAT Radius1, FLOAT Radius2, FLOAT Length,
                           UINT Slices, UINT Stacks, LPD3DXMESH* ppMesh, LPD3DXBUFFER* ppAdjacency)
{
    return CreateShape(pDevice, ppMesh, ppAdjacency,
                       [&](SOrvMeshData& data) {
                           return OrvBuildCylinder(data, Radius1, Radius2, Length, Slices, Stacks);
                       });
}

HRESULT D3DXCreateTorus(LPDIRECT3DDEVICE9 pDevice, FLOAT InnerRadius, FLOAT OuterRadius, UINT Sides,
                        UINT Rings, LPD3DXMESH* ppMesh, LPD3DXBUFFER* ppAdjacency)
{
    return CreateShape(pDevice, ppMesh, ppAdjacency,
                       [&](SOrvMeshData& data)
                       { return OrvBuildTorus(data, InnerRadius, OuterRadius, Sides, Rings); });
}

HRESULT D3DXCreatePolygon(LPDIRECT3DDEVICE9 pDevice, FLOAT Length, UINT Sides, LPD3DXMESH* ppMesh,
                          LPD3DXBUFFER* ppAdjacency)
{
    // D3DX checks a polygon's arguments before it touches the out pointers: a refused
    // polygon leaves them as they were.
    if (!pDevice || !ppMesh || !(Length >= 0.0f) || Sides < 3)
        return D3DERR_INVALIDCALL;
    return CreateShape(pDevice, ppMesh, ppAdjacency,
                       [&](SOrvMeshData& data) { return OrvBuildPolygon(data, Length, Sides); });
}
