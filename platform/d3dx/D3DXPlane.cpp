// Planes: normalising, building from points and normals, meeting lines, transforming.
#include "d3dx9math.h"

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP)
{
    const FLOAT fLength = std::sqrt(pP->a * pP->a + pP->b * pP->b + pP->c * pP->c);
    *pOut = fLength != 0.0f ? *pP / fLength : D3DXPLANE();
    return pOut;
}

D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* pOut, const D3DXPLANE* pP, const D3DXVECTOR3* pV1,
                                    const D3DXVECTOR3* pV2)
{
    const D3DXVECTOR3 direction = *pV2 - *pV1;
    const FLOAT fAlong = D3DXPlaneDotNormal(pP, &direction);
    if (fAlong == 0.0f)
        return nullptr;
    const FLOAT t = -D3DXPlaneDotCoord(pP, pV1) / fAlong;
    *pOut = *pV1 + direction * t;
    return pOut;
}

D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint,
                                    const D3DXVECTOR3* pNormal)
{
    *pOut = D3DXPLANE(pNormal->x, pNormal->y, pNormal->z, -D3DXVec3Dot(pPoint, pNormal));
    return pOut;
}

D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                               const D3DXVECTOR3* pV3)
{
    const D3DXVECTOR3 edge1 = *pV2 - *pV1, edge2 = *pV3 - *pV1;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &edge1, &edge2);
    D3DXVec3Normalize(&normal, &normal);
    return D3DXPlaneFromPointNormal(pOut, pV1, &normal);
}

D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM)
{
    const D3DXVECTOR4 in(pP->a, pP->b, pP->c, pP->d);
    D3DXVECTOR4 out;
    D3DXVec4Transform(&out, &in, pM);
    *pOut = D3DXPLANE(out.x, out.y, out.z, out.w);
    return pOut;
}

D3DXPLANE* D3DXPlaneTransformArray(D3DXPLANE* pOut, UINT OutStride, const D3DXPLANE* pP,
                                   UINT PStride, const D3DXMATRIX* pM, UINT n)
{
    auto* pTo = reinterpret_cast<BYTE*>(pOut);
    const auto* pFrom = reinterpret_cast<const BYTE*>(pP);
    for (UINT i = 0; i < n; ++i)
        D3DXPlaneTransform(reinterpret_cast<D3DXPLANE*>(pTo + size_t(i) * OutStride),
                           reinterpret_cast<const D3DXPLANE*>(pFrom + size_t(i) * PStride), pM);
    return pOut;
}
