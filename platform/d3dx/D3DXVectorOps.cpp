// Curves through vectors, vectors through matrices (one or an array), and the projection of
// points to the viewport and back.
#include "d3dx9math.h"

namespace
{
template <typename V> V Hermite(const V& v1, const V& t1, const V& v2, const V& t2, FLOAT s)
{
    const FLOAT s2 = s * s, s3 = s2 * s;
    return v1 * (2.0f * s3 - 3.0f * s2 + 1.0f) + t1 * (s3 - 2.0f * s2 + s) +
           v2 * (-2.0f * s3 + 3.0f * s2) + t2 * (s3 - s2);
}

template <typename V> V CatmullRom(const V& v0, const V& v1, const V& v2, const V& v3, FLOAT s)
{
    const FLOAT s2 = s * s, s3 = s2 * s;
    return (v1 * 2.0f + (v2 - v0) * s + (v0 * 2.0f - v1 * 5.0f + v2 * 4.0f - v3) * s2 +
            (v1 * 3.0f - v0 - v2 * 3.0f + v3) * s3) *
           0.5f;
}

template <typename V> V BaryCentric(const V& v1, const V& v2, const V& v3, FLOAT f, FLOAT g)
{
    return v1 + (v2 - v1) * f + (v3 - v1) * g;
}

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

D3DXVECTOR2* D3DXVec2Hermite(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pT1,
                             const D3DXVECTOR2* pV2, const D3DXVECTOR2* pT2, FLOAT s)
{
    *pOut = Hermite(*pV1, *pT1, *pV2, *pT2, s);
    return pOut;
}

D3DXVECTOR3* D3DXVec3Hermite(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pT1,
                             const D3DXVECTOR3* pV2, const D3DXVECTOR3* pT2, FLOAT s)
{
    *pOut = Hermite(*pV1, *pT1, *pV2, *pT2, s);
    return pOut;
}

D3DXVECTOR4* D3DXVec4Hermite(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pT1,
                             const D3DXVECTOR4* pV2, const D3DXVECTOR4* pT2, FLOAT s)
{
    *pOut = Hermite(*pV1, *pT1, *pV2, *pT2, s);
    return pOut;
}

D3DXVECTOR2* D3DXVec2CatmullRom(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV0, const D3DXVECTOR2* pV1,
                                const D3DXVECTOR2* pV2, const D3DXVECTOR2* pV3, FLOAT s)
{
    *pOut = CatmullRom(*pV0, *pV1, *pV2, *pV3, s);
    return pOut;
}

D3DXVECTOR3* D3DXVec3CatmullRom(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV0, const D3DXVECTOR3* pV1,
                                const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3, FLOAT s)
{
    *pOut = CatmullRom(*pV0, *pV1, *pV2, *pV3, s);
    return pOut;
}

D3DXVECTOR4* D3DXVec4CatmullRom(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV0, const D3DXVECTOR4* pV1,
                                const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3, FLOAT s)
{
    *pOut = CatmullRom(*pV0, *pV1, *pV2, *pV3, s);
    return pOut;
}

D3DXVECTOR2* D3DXVec2BaryCentric(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2,
                                 const D3DXVECTOR2* pV3, FLOAT f, FLOAT g)
{
    *pOut = BaryCentric(*pV1, *pV2, *pV3, f, g);
    return pOut;
}

D3DXVECTOR3* D3DXVec3BaryCentric(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                                 const D3DXVECTOR3* pV3, FLOAT f, FLOAT g)
{
    *pOut = BaryCentric(*pV1, *pV2, *pV3, f, g);
    return pOut;
}

D3DXVECTOR4* D3DXVec4BaryCentric(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,
                                 const D3DXVECTOR4* pV3, FLOAT f, FLOAT g)
{
    *pOut = BaryCentric(*pV1, *pV2, *pV3, f, g);
    return pOut;
}

D3DXVECTOR4* D3DXVec4Cross(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,
                           const D3DXVECTOR4* pV3)
{
    const D3DXVECTOR4 u = *pV1, v = *pV2, w = *pV3;
    // 2x2 minors of the last two rows.
    const FLOAT zw = v.z * w.w - v.w * w.z, yw = v.y * w.w - v.w * w.y, yz = v.y * w.z - v.z * w.y,
                xw = v.x * w.w - v.w * w.x, xz = v.x * w.z - v.z * w.x, xy = v.x * w.y - v.y * w.x;
    *pOut = D3DXVECTOR4(u.y * zw - u.z * yw + u.w * yz, -(u.x * zw - u.z * xw + u.w * xz),
                        u.x * yw - u.y * xw + u.w * xy, -(u.x * yz - u.y * xz + u.z * xy));
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
