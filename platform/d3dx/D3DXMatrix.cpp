// Matrices: the operators, products, inverse and determinant, the elementary transforms
// (translation, scaling, rotations), their compositions, mirrors, shadows and decomposition.
// Cameras and projections are in D3DXMatrixCamera.cpp.
#include "d3dx9math.h"

#include <algorithm>
#include <cmath>

D3DXMATRIX::D3DXMATRIX(const FLOAT* pf) : D3DMATRIX{}
{
    std::copy(pf, pf + 16, &_11);
}

D3DXMATRIX::D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23,
                       FLOAT f24, FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42,
                       FLOAT f43, FLOAT f44)
    : D3DMATRIX{}
{
    _11 = f11, _12 = f12, _13 = f13, _14 = f14;
    _21 = f21, _22 = f22, _23 = f23, _24 = f24;
    _31 = f31, _32 = f32, _33 = f33, _34 = f34;
    _41 = f41, _42 = f42, _43 = f43, _44 = f44;
}

namespace
{
template <typename Op> D3DXMATRIX EachElement(const D3DXMATRIX& a, const D3DXMATRIX& b, Op op)
{
    D3DXMATRIX out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out.m[i][j] = op(a.m[i][j], b.m[i][j]);
    return out;
}
} // namespace

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat)
{
    D3DXMatrixMultiply(this, this, &mat);
    return *this;
}
D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& mat)
{
    return *this = *this + mat;
}
D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& mat)
{
    return *this = *this - mat;
}
D3DXMATRIX& D3DXMATRIX::operator*=(FLOAT f)
{
    return *this = *this * f;
}
D3DXMATRIX& D3DXMATRIX::operator/=(FLOAT f)
{
    return *this = *this / f;
}
D3DXMATRIX D3DXMATRIX::operator-() const
{
    return *this * -1.0f;
}
D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& mat) const
{
    D3DXMATRIX out;
    D3DXMatrixMultiply(&out, this, &mat);
    return out;
}
D3DXMATRIX D3DXMATRIX::operator+(const D3DXMATRIX& mat) const
{
    return EachElement(*this, mat, [](FLOAT a, FLOAT b) { return a + b; });
}
D3DXMATRIX D3DXMATRIX::operator-(const D3DXMATRIX& mat) const
{
    return EachElement(*this, mat, [](FLOAT a, FLOAT b) { return a - b; });
}
D3DXMATRIX D3DXMATRIX::operator*(FLOAT f) const
{
    return EachElement(*this, *this, [f](FLOAT a, FLOAT) { return a * f; });
}
D3DXMATRIX D3DXMATRIX::operator/(FLOAT f) const
{
    return EachElement(*this, *this, [f](FLOAT a, FLOAT) { return a / f; });
}
bool D3DXMATRIX::operator==(const D3DXMATRIX& mat) const
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (m[i][j] != mat.m[i][j])
                return false;
    return true;
}

BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* pM)
{
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return *pM == identity;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2)
{
    D3DXMATRIX out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out.m[i][j] = pM1->m[i][0] * pM2->m[0][j] + pM1->m[i][1] * pM2->m[1][j] +
                          pM1->m[i][2] * pM2->m[2][j] + pM1->m[i][3] * pM2->m[3][j];
    *pOut = out;
    return pOut;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM)
{
    D3DXMATRIX out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out.m[i][j] = pM->m[j][i];
    *pOut = out;
    return pOut;
}

namespace
{
// Cofactors of the 4x4 matrix by 2x2 sub-determinants of the upper and lower row pairs.
struct SCofactors
{
    FLOAT c[4][4];
    FLOAT fDeterminant;
};

SCofactors Cofactors(const D3DXMATRIX& mat)
{
    const FLOAT(*m)[4] = mat.m;
    const FLOAT s0 = m[0][0] * m[1][1] - m[1][0] * m[0][1];
    const FLOAT s1 = m[0][0] * m[1][2] - m[1][0] * m[0][2];
    const FLOAT s2 = m[0][0] * m[1][3] - m[1][0] * m[0][3];
    const FLOAT s3 = m[0][1] * m[1][2] - m[1][1] * m[0][2];
    const FLOAT s4 = m[0][1] * m[1][3] - m[1][1] * m[0][3];
    const FLOAT s5 = m[0][2] * m[1][3] - m[1][2] * m[0][3];
    const FLOAT c5 = m[2][2] * m[3][3] - m[3][2] * m[2][3];
    const FLOAT c4 = m[2][1] * m[3][3] - m[3][1] * m[2][3];
    const FLOAT c3 = m[2][1] * m[3][2] - m[3][1] * m[2][2];
    const FLOAT c2 = m[2][0] * m[3][3] - m[3][0] * m[2][3];
    const FLOAT c1 = m[2][0] * m[3][2] - m[3][0] * m[2][2];
    const FLOAT c0 = m[2][0] * m[3][1] - m[3][0] * m[2][1];

    SCofactors out;
    out.fDeterminant = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    // Adjugate (transposed cofactor matrix), row by row.
    out.c[0][0] = m[1][1] * c5 - m[1][2] * c4 + m[1][3] * c3;
    out.c[0][1] = -m[0][1] * c5 + m[0][2] * c4 - m[0][3] * c3;
    out.c[0][2] = m[3][1] * s5 - m[3][2] * s4 + m[3][3] * s3;
    out.c[0][3] = -m[2][1] * s5 + m[2][2] * s4 - m[2][3] * s3;
    out.c[1][0] = -m[1][0] * c5 + m[1][2] * c2 - m[1][3] * c1;
    out.c[1][1] = m[0][0] * c5 - m[0][2] * c2 + m[0][3] * c1;
    out.c[1][2] = -m[3][0] * s5 + m[3][2] * s2 - m[3][3] * s1;
    out.c[1][3] = m[2][0] * s5 - m[2][2] * s2 + m[2][3] * s1;
    out.c[2][0] = m[1][0] * c4 - m[1][1] * c2 + m[1][3] * c0;
    out.c[2][1] = -m[0][0] * c4 + m[0][1] * c2 - m[0][3] * c0;
    out.c[2][2] = m[3][0] * s4 - m[3][1] * s2 + m[3][3] * s0;
    out.c[2][3] = -m[2][0] * s4 + m[2][1] * s2 - m[2][3] * s0;
    out.c[3][0] = -m[1][0] * c3 + m[1][1] * c1 - m[1][2] * c0;
    out.c[3][1] = m[0][0] * c3 - m[0][1] * c1 + m[0][2] * c0;
    out.c[3][2] = -m[3][0] * s3 + m[3][1] * s1 - m[3][2] * s0;
    out.c[3][3] = m[2][0] * s3 - m[2][1] * s1 + m[2][2] * s0;
    return out;
}
} // namespace

FLOAT D3DXMatrixDeterminant(const D3DXMATRIX* pM)
{
    return Cofactors(*pM).fDeterminant;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM)
{
    const SCofactors cof = Cofactors(*pM);
    if (pDeterminant)
        *pDeterminant = cof.fDeterminant;
    if (cof.fDeterminant == 0.0f || !std::isfinite(cof.fDeterminant))
        return nullptr;
    const FLOAT inv = 1.0f / cof.fDeterminant;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            pOut->m[i][j] = cof.c[i][j] * inv;
    return pOut;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z)
{
    D3DXMatrixIdentity(pOut);
    pOut->_41 = x, pOut->_42 = y, pOut->_43 = z;
    return pOut;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz)
{
    D3DXMatrixIdentity(pOut);
    pOut->_11 = sx, pOut->_22 = sy, pOut->_33 = sz;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, FLOAT angle)
{
    const FLOAT c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(pOut);
    pOut->_22 = c, pOut->_23 = s, pOut->_32 = -s, pOut->_33 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, FLOAT angle)
{
    const FLOAT c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(pOut);
    pOut->_11 = c, pOut->_13 = -s, pOut->_31 = s, pOut->_33 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, FLOAT angle)
{
    const FLOAT c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(pOut);
    pOut->_11 = c, pOut->_12 = s, pOut->_21 = -s, pOut->_22 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pV, FLOAT angle)
{
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, pV);
    const FLOAT c = std::cos(angle), s = std::sin(angle), k = 1.0f - c;
    D3DXMatrixIdentity(pOut);
    pOut->_11 = k * v.x * v.x + c;
    pOut->_12 = k * v.x * v.y + s * v.z;
    pOut->_13 = k * v.x * v.z - s * v.y;
    pOut->_21 = k * v.x * v.y - s * v.z;
    pOut->_22 = k * v.y * v.y + c;
    pOut->_23 = k * v.y * v.z + s * v.x;
    pOut->_31 = k * v.x * v.z + s * v.y;
    pOut->_32 = k * v.y * v.z - s * v.x;
    pOut->_33 = k * v.z * v.z + c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ)
{
    const FLOAT x = pQ->x, y = pQ->y, z = pQ->z, w = pQ->w;
    D3DXMatrixIdentity(pOut);
    pOut->_11 = 1.0f - 2.0f * (y * y + z * z);
    pOut->_12 = 2.0f * (x * y + z * w);
    pOut->_13 = 2.0f * (x * z - y * w);
    pOut->_21 = 2.0f * (x * y - z * w);
    pOut->_22 = 1.0f - 2.0f * (x * x + z * z);
    pOut->_23 = 2.0f * (y * z + x * w);
    pOut->_31 = 2.0f * (x * z + y * w);
    pOut->_32 = 2.0f * (y * z - x * w);
    pOut->_33 = 1.0f - 2.0f * (x * x + y * y);
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, FLOAT yaw, FLOAT pitch, FLOAT roll)
{
    D3DXMATRIX mRoll, mPitch, mYaw;
    D3DXMatrixRotationZ(&mRoll, roll);
    D3DXMatrixRotationX(&mPitch, pitch);
    D3DXMatrixRotationY(&mYaw, yaw);
    *pOut = mRoll * mPitch * mYaw;
    return pOut;
}

namespace
{
D3DXMATRIX TranslationOf(const D3DXVECTOR3* pV, FLOAT sign)
{
    D3DXMATRIX m;
    if (pV)
        D3DXMatrixTranslation(&m, sign * pV->x, sign * pV->y, sign * pV->z);
    else
        D3DXMatrixIdentity(&m);
    return m;
}

D3DXMATRIX RotationOf(const D3DXQUATERNION* pQ)
{
    D3DXMATRIX m;
    if (pQ)
        D3DXMatrixRotationQuaternion(&m, pQ);
    else
        D3DXMatrixIdentity(&m);
    return m;
}

// Scaling about a centre along turned axes: C^-1 Sr^T S Sr C. D3DX undoes the scaling
// rotation with its transpose (the conjugate quaternion), not an inverse, and normalises
// neither quaternion, so a quaternion that is not of unit length also scales; without a
// scaling, neither the scaling centre nor the scaling rotation has any effect.
D3DXMATRIX ScalingOf(const D3DXVECTOR3* pCentre, const D3DXQUATERNION* pRotation,
                     const D3DXVECTOR3* pScaling)
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    if (!pScaling)
        return m;
    D3DXMATRIX scaling, rotation = RotationOf(pRotation), undo;
    D3DXMatrixScaling(&scaling, pScaling->x, pScaling->y, pScaling->z);
    D3DXMatrixTranspose(&undo, &rotation);
    return TranslationOf(pCentre, -1.0f) * undo * scaling * rotation * TranslationOf(pCentre, 1.0f);
}
} // namespace

D3DXMATRIX* D3DXMatrixTransformation(D3DXMATRIX* pOut, const D3DXVECTOR3* pScalingCenter,
                                     const D3DXQUATERNION* pScalingRotation,
                                     const D3DXVECTOR3* pScaling,
                                     const D3DXVECTOR3* pRotationCenter,
                                     const D3DXQUATERNION* pRotation,
                                     const D3DXVECTOR3* pTranslation)
{
    const D3DXMATRIX result = ScalingOf(pScalingCenter, pScalingRotation, pScaling) *
                              TranslationOf(pRotationCenter, -1.0f) * RotationOf(pRotation) *
                              TranslationOf(pRotationCenter, 1.0f) *
                              TranslationOf(pTranslation, 1.0f);
    *pOut = result;
    return pOut;
}

D3DXMATRIX* D3DXMatrixAffineTransformation(D3DXMATRIX* pOut, FLOAT scaling,
                                           const D3DXVECTOR3* pRotationCenter,
                                           const D3DXQUATERNION* pRotation,
                                           const D3DXVECTOR3* pTranslation)
{
    const D3DXVECTOR3 s(scaling, scaling, scaling);
    return D3DXMatrixTransformation(pOut, nullptr, nullptr, &s, pRotationCenter, pRotation,
                                    pTranslation);
}

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
