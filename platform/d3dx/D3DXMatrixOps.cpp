// The matrices beyond the basic transforms: transposed products, mirrors, shadows,
// decomposition, right-handed and off-centre projections.
#include "d3dx9math.h"

#include <cmath>

D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM1,
                                        const D3DXMATRIX* pM2)
{
    D3DXMATRIX product;
    D3DXMatrixMultiply(&product, pM1, pM2);
    return D3DXMatrixTranspose(pOut, &product);
}

D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* pOut, const D3DXPLANE* pPlane)
{
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, pPlane);
    const FLOAT n[4] = {p.a, p.b, p.c, p.d};
    D3DXMatrixIdentity(pOut);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            pOut->m[i][j] -= 2.0f * n[i] * n[j];
    return pOut;
}

D3DXMATRIX* D3DXMatrixShadow(D3DXMATRIX* pOut, const D3DXVECTOR4* pLight, const D3DXPLANE* pPlane)
{
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, pPlane);
    const FLOAT d = D3DXPlaneDot(&p, pLight);
    const FLOAT n[4] = {p.a, p.b, p.c, p.d};
    const FLOAT l[4] = {pLight->x, pLight->y, pLight->z, pLight->w};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            pOut->m[i][j] = (i == j ? d : 0.0f) - n[i] * l[j];
    return pOut;
}

HRESULT D3DXMatrixDecompose(D3DXVECTOR3* pOutScale, D3DXQUATERNION* pOutRotation,
                            D3DXVECTOR3* pOutTranslation, const D3DXMATRIX* pM)
{
    if (!pOutScale || !pOutRotation || !pOutTranslation || !pM)
        return D3DERR_INVALIDCALL;
    const D3DXMATRIX& m = *pM;
    *pOutTranslation = D3DXVECTOR3(m._41, m._42, m._43);
    D3DXVECTOR3 rows[3] = {{m._11, m._12, m._13}, {m._21, m._22, m._23}, {m._31, m._32, m._33}};
    FLOAT scale[3];
    for (int i = 0; i < 3; ++i)
        scale[i] = D3DXVec3Length(&rows[i]);
    // A mirror: R must stay a rotation, so one scale takes the sign.
    D3DXVECTOR3 cross;
    D3DXVec3Cross(&cross, &rows[0], &rows[1]);
    if (D3DXVec3Dot(&cross, &rows[2]) < 0.0f)
        scale[0] = -scale[0];
    *pOutScale = D3DXVECTOR3(scale[0], scale[1], scale[2]);
    if (scale[0] == 0.0f || scale[1] == 0.0f || scale[2] == 0.0f)
        return D3DERR_INVALIDCALL;
    D3DXMATRIX rotation;
    D3DXMatrixIdentity(&rotation);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            rotation.m[i][j] = (&rows[i].x)[j] / scale[i];
    D3DXQuaternionRotationMatrix(pOutRotation, &rotation);
    return S_OK;
}

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp)
{
    // The right-handed camera looks down its -z: the same matrix with the eye and the target
    // swapped in the z axis.
    D3DXVECTOR3 zAxis, xAxis, yAxis;
    const D3DXVECTOR3 backward = *pEye - *pAt;
    D3DXVec3Normalize(&zAxis, &backward);
    D3DXVec3Cross(&xAxis, pUp, &zAxis);
    D3DXVec3Normalize(&xAxis, &xAxis);
    D3DXVec3Cross(&yAxis, &zAxis, &xAxis);
    *pOut = D3DXMATRIX(xAxis.x, yAxis.x, zAxis.x, 0.0f, xAxis.y, yAxis.y, zAxis.y, 0.0f, xAxis.z,
                       yAxis.z, zAxis.z, 0.0f, -D3DXVec3Dot(&xAxis, pEye),
                       -D3DXVec3Dot(&yAxis, pEye), -D3DXVec3Dot(&zAxis, pEye), 1.0f);
    return pOut;
}

namespace
{
// A perspective matrix: the x and y scales and offsets, and the depth terms of the left- or
// right-handed form.
D3DXMATRIX* Perspective(D3DXMATRIX* pOut, FLOAT xScale, FLOAT yScale, FLOAT xOffset, FLOAT yOffset,
                        FLOAT zn, FLOAT zf, bool bRightHanded)
{
    *pOut = D3DXMATRIX();
    pOut->_11 = xScale;
    pOut->_22 = yScale;
    pOut->_31 = xOffset;
    pOut->_32 = yOffset;
    pOut->_33 = bRightHanded ? zf / (zn - zf) : zf / (zf - zn);
    pOut->_34 = bRightHanded ? -1.0f : 1.0f;
    pOut->_43 = zn * zf / (zn - zf);
    return pOut;
}
} // namespace

D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf)
{
    return Perspective(pOut, 2.0f * zn / w, 2.0f * zn / h, 0.0f, 0.0f, zn, zf, false);
}

D3DXMATRIX* D3DXMatrixPerspectiveRH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf)
{
    return Perspective(pOut, 2.0f * zn / w, 2.0f * zn / h, 0.0f, 0.0f, zn, zf, true);
}

D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT aspect, FLOAT zn,
                                       FLOAT zf)
{
    const FLOAT yScale = 1.0f / std::tan(fovy / 2.0f);
    return Perspective(pOut, yScale / aspect, yScale, 0.0f, 0.0f, zn, zf, true);
}

D3DXMATRIX* D3DXMatrixPerspectiveOffCenterLH(D3DXMATRIX* pOut, FLOAT l, FLOAT r, FLOAT b, FLOAT t,
                                             FLOAT zn, FLOAT zf)
{
    return Perspective(pOut, 2.0f * zn / (r - l), 2.0f * zn / (t - b), (l + r) / (l - r),
                       (t + b) / (b - t), zn, zf, false);
}

D3DXMATRIX* D3DXMatrixPerspectiveOffCenterRH(D3DXMATRIX* pOut, FLOAT l, FLOAT r, FLOAT b, FLOAT t,
                                             FLOAT zn, FLOAT zf)
{
    return Perspective(pOut, 2.0f * zn / (r - l), 2.0f * zn / (t - b), (l + r) / (r - l),
                       (t + b) / (t - b), zn, zf, true);
}

D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf)
{
    D3DXMatrixIdentity(pOut);
    pOut->_11 = 2.0f / w;
    pOut->_22 = 2.0f / h;
    pOut->_33 = 1.0f / (zn - zf);
    pOut->_43 = zn / (zn - zf);
    return pOut;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* pOut, FLOAT l, FLOAT r, FLOAT b, FLOAT t,
                                       FLOAT zn, FLOAT zf)
{
    D3DXMatrixOrthoOffCenterLH(pOut, l, r, b, t, zn, zf);
    pOut->_33 = -pOut->_33;
    return pOut;
}
