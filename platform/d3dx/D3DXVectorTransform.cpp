// Vectors through matrices (one or an array), and the projection of points to the viewport
// and back.
#include "d3dx9math.h"

namespace
{
// Applies one-vector transform to n vectors at byte strides.
template <typename Out, typename In, typename F>
Out* EachOf(Out* pOut, UINT OutStride, const In* pV, UINT VStride, UINT n, F transform)
{
    auto* pTo = reinterpret_cast<BYTE*>(pOut);
    const auto* pFrom = reinterpret_cast<const BYTE*>(pV);
    for (UINT i = 0; i < n; ++i)
        transform(reinterpret_cast<Out*>(pTo + size_t(i) * OutStride),
                  reinterpret_cast<const In*>(pFrom + size_t(i) * VStride));
    return pOut;
}

// world * view * projection, with null standing for the identity.
D3DXMATRIX Combined(const D3DXMATRIX* pProjection, const D3DXMATRIX* pView,
                    const D3DXMATRIX* pWorld)
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    for (const D3DXMATRIX* p : {pWorld, pView, pProjection})
        if (p)
            m *= *p;
    return m;
}
} // namespace

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM)
{
    const D3DXVECTOR4 v = *pV;
    const D3DXMATRIX& m = *pM;
    *pOut = D3DXVECTOR4(v.x * m._11 + v.y * m._21 + v.z * m._31 + v.w * m._41,
                        v.x * m._12 + v.y * m._22 + v.z * m._32 + v.w * m._42,
                        v.x * m._13 + v.y * m._23 + v.z * m._33 + v.w * m._43,
                        v.x * m._14 + v.y * m._24 + v.z * m._34 + v.w * m._44);
    return pOut;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM)
{
    const D3DXVECTOR4 v(*pV, 1.0f);
    return D3DXVec4Transform(pOut, &v, pM);
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM)
{
    D3DXVECTOR4 v;
    D3DXVec3Transform(&v, pV, pM);
    *pOut = D3DXVECTOR3(v.x / v.w, v.y / v.w, v.z / v.w);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM)
{
    const D3DXVECTOR4 in(*pV, 0.0f);
    D3DXVECTOR4 v;
    D3DXVec4Transform(&v, &in, pM);
    *pOut = D3DXVECTOR3(v.x, v.y, v.z);
    return pOut;
}

D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM)
{
    const D3DXVECTOR4 v(pV->x, pV->y, 0.0f, 1.0f);
    return D3DXVec4Transform(pOut, &v, pM);
}

D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM)
{
    D3DXVECTOR4 v;
    D3DXVec2Transform(&v, pV, pM);
    *pOut = D3DXVECTOR2(v.x / v.w, v.y / v.w);
    return pOut;
}

D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, const D3DXMATRIX* pM)
{
    const D3DXVECTOR4 in(pV->x, pV->y, 0.0f, 0.0f);
    D3DXVECTOR4 v;
    D3DXVec4Transform(&v, &in, pM);
    *pOut = D3DXVECTOR2(v.x, v.y);
    return pOut;
}

D3DXVECTOR4* D3DXVec2TransformArray(D3DXVECTOR4* pOut, UINT OutStride, const D3DXVECTOR2* pV,
                                    UINT VStride, const D3DXMATRIX* pM, UINT n)
{
    return EachOf(pOut, OutStride, pV, VStride, n,
                  [&](D3DXVECTOR4* o, const D3DXVECTOR2* v) { D3DXVec2Transform(o, v, pM); });
}

D3DXVECTOR2* D3DXVec2TransformCoordArray(D3DXVECTOR2* pOut, UINT OutStride, const D3DXVECTOR2* pV,
                                         UINT VStride, const D3DXMATRIX* pM, UINT n)
{
    return EachOf(pOut, OutStride, pV, VStride, n,
                  [&](D3DXVECTOR2* o, const D3DXVECTOR2* v) { D3DXVec2TransformCoord(o, v, pM); });
}

D3DXVECTOR2* D3DXVec2TransformNormalArray(D3DXVECTOR2* pOut, UINT OutStride, const D3DXVECTOR2* pV,
                                          UINT VStride, const D3DXMATRIX* pM, UINT n)
{
    return EachOf(pOut, OutStride, pV, VStride, n,
                  [&](D3DXVECTOR2* o, const D3DXVECTOR2* v) { D3DXVec2TransformNormal(o, v, pM); });
}

D3DXVECTOR4* D3DXVec3TransformArray(D3DXVECTOR4* pOut, UINT OutStride, const D3DXVECTOR3* pV,
                                    UINT VStride, const D3DXMATRIX* pM, UINT n)
{
    return EachOf(pOut, OutStride, pV, VStride, n,
                  [&](D3DXVECTOR4* o, const D3DXVECTOR3* v) { D3DXVec3Transform(o, v, pM); });
}

D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* pOut, UINT OutStride, const D3DXVECTOR3* pV,
                                         UINT VStride, const D3DXMATRIX* pM, UINT n)
{
    return EachOf(pOut, OutStride, pV, VStride, n,
                  [&](D3DXVECTOR3* o, const D3DXVECTOR3* v) { D3DXVec3TransformCoord(o, v, pM); });
}

D3DXVECTOR3* D3DXVec3TransformNormalArray(D3DXVECTOR3* pOut, UINT OutStride, const D3DXVECTOR3* pV,
                                          UINT VStride, const D3DXMATRIX* pM, UINT n)
{
    return EachOf(pOut, OutStride, pV, VStride, n,
                  [&](D3DXVECTOR3* o, const D3DXVECTOR3* v) { D3DXVec3TransformNormal(o, v, pM); });
}

D3DXVECTOR4* D3DXVec4TransformArray(D3DXVECTOR4* pOut, UINT OutStride, const D3DXVECTOR4* pV,
                                    UINT VStride, const D3DXMATRIX* pM, UINT n)
{
    return EachOf(pOut, OutStride, pV, VStride, n,
                  [&](D3DXVECTOR4* o, const D3DXVECTOR4* v) { D3DXVec4Transform(o, v, pM); });
}

D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                             const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,
                             const D3DXMATRIX* pView, const D3DXMATRIX* pWorld)
{
    const D3DXMATRIX m = Combined(pProjection, pView, pWorld);
    D3DXVECTOR3 v;
    D3DXVec3TransformCoord(&v, pV, &m);
    if (pViewport)
    {
        v.x = FLOAT(pViewport->X) + (1.0f + v.x) * FLOAT(pViewport->Width) / 2.0f;
        v.y = FLOAT(pViewport->Y) + (1.0f - v.y) * FLOAT(pViewport->Height) / 2.0f;
        v.z = pViewport->MinZ + v.z * (pViewport->MaxZ - pViewport->MinZ);
    }
    *pOut = v;
    return pOut;
}

D3DXVECTOR3* D3DXVec3Unproject(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                               const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,
                               const D3DXMATRIX* pView, const D3DXMATRIX* pWorld)
{
    D3DXMATRIX m = Combined(pProjection, pView, pWorld);
    if (!D3DXMatrixInverse(&m, nullptr, &m))
        return nullptr;
    D3DXVECTOR3 v = *pV;
    if (pViewport)
    {
        v.x = 2.0f * (v.x - FLOAT(pViewport->X)) / FLOAT(pViewport->Width) - 1.0f;
        v.y = 1.0f - 2.0f * (v.y - FLOAT(pViewport->Y)) / FLOAT(pViewport->Height);
        v.z = (v.z - pViewport->MinZ) / (pViewport->MaxZ - pViewport->MinZ);
    }
    D3DXVec3TransformCoord(pOut, &v, &m);
    return pOut;
}

D3DXVECTOR3* D3DXVec3ProjectArray(D3DXVECTOR3* pOut, UINT OutStride, const D3DXVECTOR3* pV,
                                  UINT VStride, const D3DVIEWPORT9* pViewport,
                                  const D3DXMATRIX* pProjection, const D3DXMATRIX* pView,
                                  const D3DXMATRIX* pWorld, UINT n)
{
    return EachOf(pOut, OutStride, pV, VStride, n,
                  [&](D3DXVECTOR3* o, const D3DXVECTOR3* v)
                  { D3DXVec3Project(o, v, pViewport, pProjection, pView, pWorld); });
}

D3DXVECTOR3* D3DXVec3UnprojectArray(D3DXVECTOR3* pOut, UINT OutStride, const D3DXVECTOR3* pV,
                                    UINT VStride, const D3DVIEWPORT9* pViewport,
                                    const D3DXMATRIX* pProjection, const D3DXMATRIX* pView,
                                    const D3DXMATRIX* pWorld, UINT n)
{
    D3DXMATRIX m = Combined(pProjection, pView, pWorld);
    if (!D3DXMatrixInverse(&m, nullptr, &m))
        return nullptr;
    return EachOf(pOut, OutStride, pV, VStride, n,
                  [&](D3DXVECTOR3* o, const D3DXVECTOR3* v)
                  { D3DXVec3Unproject(o, v, pViewport, pProjection, pView, pWorld); });
}
