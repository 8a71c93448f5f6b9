// Cameras and projections: look-at views, perspective and orthographic projections, each in
// its left-handed (+z into the screen) and right-handed (-z into the screen) form. Each pair
// has one body; the handedness only flips the view axis or the depth terms.
#include "d3dx9math.h"

#include <cmath>

namespace
{
// A view from the eye whose z axis points along zDirection (unnormalised).
D3DXMATRIX* LookAlong(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3& zDirection,
                      const D3DXVECTOR3* pUp)
{
    D3DXVECTOR3 zAxis, xAxis, yAxis;
    D3DXVec3Normalize(&zAxis, &zDirection);
    D3DXVec3Cross(&xAxis, pUp, &zAxis);
    D3DXVec3Normalize(&xAxis, &xAxis);
    D3DXVec3Cross(&yAxis, &zAxis, &xAxis);
    *pOut = D3DXMATRIX(xAxis.x, yAxis.x, zAxis.x, 0.0f, xAxis.y, yAxis.y, zAxis.y, 0.0f, xAxis.z,
                       yAxis.z, zAxis.z, 0.0f, -D3DXVec3Dot(&xAxis, pEye),
                       -D3DXVec3Dot(&yAxis, pEye), -D3DXVec3Dot(&zAxis, pEye), 1.0f);
    return pOut;
}

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

// An orthographic matrix: the x and y scales and offsets, and the depth scale of the left- or
// right-handed form.
D3DXMATRIX* Orthographic(D3DXMATRIX* pOut, FLOAT xScale, FLOAT yScale, FLOAT xOffset, FLOAT yOffset,
                         FLOAT zn, FLOAT zf, bool bRightHanded)
{
    D3DXMatrixIdentity(pOut);
    pOut->_11 = xScale;
    pOut->_22 = yScale;
    pOut->_33 = bRightHanded ? 1.0f / (zn - zf) : 1.0f / (zf - zn);
    pOut->_41 = xOffset;
    pOut->_42 = yOffset;
    pOut->_43 = zn / (zn - zf);
    return pOut;
}

FLOAT FovScale(FLOAT fovy)
{
    return 1.0f / std::tan(fovy / 2.0f);
}
} // namespace

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp)
{
    return LookAlong(pOut, pEye, *pAt - *pEye, pUp);
}

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp)
{
    // The right-handed camera looks down its -z: its z axis points from the target to the eye.
    return LookAlong(pOut, pEye, *pEye - *pAt, pUp);
}

D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf)
{
    return Perspective(pOut, 2.0f * zn / w, 2.0f * zn / h, 0.0f, 0.0f, zn, zf, false);
}

D3DXMATRIX* D3DXMatrixPerspectiveRH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf)
{
    return Perspective(pOut, 2.0f * zn / w, 2.0f * zn / h, 0.0f, 0.0f, zn, zf, true);
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT aspect, FLOAT zn,
                                       FLOAT zf)
{
    const FLOAT yScale = FovScale(fovy);
    return Perspective(pOut, yScale / aspect, yScale, 0.0f, 0.0f, zn, zf, false);
}

D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT aspect, FLOAT zn,
                                       FLOAT zf)
{
    const FLOAT yScale = FovScale(fovy);
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

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf)
{
    return Orthographic(pOut, 2.0f / w, 2.0f / h, 0.0f, 0.0f, zn, zf, false);
}

D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf)
{
    return Orthographic(pOut, 2.0f / w, 2.0f / h, 0.0f, 0.0f, zn, zf, true);
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, FLOAT l, FLOAT r, FLOAT b, FLOAT t,
                                       FLOAT zn, FLOAT zf)
{
    return Orthographic(pOut, 2.0f / (r - l), 2.0f / (t - b), (l + r) / (l - r), (t + b) / (b - t),
                        zn, zf, false);
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* pOut, FLOAT l, FLOAT r, FLOAT b, FLOAT t,
                                       FLOAT zn, FLOAT zf)
{
    // The left-handed matrix with its depth scale negated; the offsets stay those of the
    // left-handed form. (Negating, rather than 1 / (zn - zf), keeps the sign of the infinite
    // scale that zn == zf gives.)
    D3DXMatrixOrthoOffCenterLH(pOut, l, r, b, t, zn, zf);
    pOut->_33 = -pOut->_33;
    return pOut;
}
