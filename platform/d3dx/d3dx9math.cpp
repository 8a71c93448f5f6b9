#include "d3dx9math.h"

#include "OrvSquad.h"

#include <algorithm>

// ---- Operators ---------------------------------------------------------------------------

D3DXVECTOR2& D3DXVECTOR2::operator+=(const D3DXVECTOR2& v)
{
    return *this = *this + v;
}
D3DXVECTOR2& D3DXVECTOR2::operator-=(const D3DXVECTOR2& v)
{
    return *this = *this - v;
}
D3DXVECTOR2& D3DXVECTOR2::operator*=(FLOAT f)
{
    return *this = *this * f;
}
D3DXVECTOR2& D3DXVECTOR2::operator/=(FLOAT f)
{
    return *this = *this / f;
}

D3DXVECTOR3& D3DXVECTOR3::operator+=(const D3DXVECTOR3& v)
{
    return *this = *this + v;
}
D3DXVECTOR3& D3DXVECTOR3::operator-=(const D3DXVECTOR3& v)
{
    return *this = *this - v;
}
D3DXVECTOR3& D3DXVECTOR3::operator*=(FLOAT f)
{
    return *this = *this * f;
}
D3DXVECTOR3& D3DXVECTOR3::operator/=(FLOAT f)
{
    return *this = *this / f;
}

D3DXVECTOR4& D3DXVECTOR4::operator+=(const D3DXVECTOR4& v)
{
    return *this = *this + v;
}
D3DXVECTOR4& D3DXVECTOR4::operator-=(const D3DXVECTOR4& v)
{
    return *this = *this - v;
}
D3DXVECTOR4& D3DXVECTOR4::operator*=(FLOAT f)
{
    return *this = *this * f;
}
D3DXVECTOR4& D3DXVECTOR4::operator/=(FLOAT f)
{
    return *this = *this / f;
}

D3DXQUATERNION& D3DXQUATERNION::operator+=(const D3DXQUATERNION& q)
{
    return *this = *this + q;
}
D3DXQUATERNION& D3DXQUATERNION::operator-=(const D3DXQUATERNION& q)
{
    return *this = *this - q;
}
D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q)
{
    D3DXQuaternionMultiply(this, this, &q);
    return *this;
}
D3DXQUATERNION& D3DXQUATERNION::operator*=(FLOAT f)
{
    return *this = *this * f;
}
D3DXQUATERNION& D3DXQUATERNION::operator/=(FLOAT f)
{
    return *this = *this / f;
}
D3DXQUATERNION D3DXQUATERNION::operator*(const D3DXQUATERNION& q) const
{
    D3DXQUATERNION out;
    D3DXQuaternionMultiply(&out, this, &q);
    return out;
}

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

D3DXCOLOR::D3DXCOLOR(DWORD argb)
    : r(((argb >> 16) & 0xff) / 255.0f), g(((argb >> 8) & 0xff) / 255.0f),
      b((argb & 0xff) / 255.0f), a(((argb >> 24) & 0xff) / 255.0f)
{
}

D3DXCOLOR::operator DWORD() const
{
    auto channel = [](FLOAT f) -> DWORD
    {
        if (!(f > 0.0f))
            return 0;
        if (f >= 1.0f)
            return 0xff;
        return (DWORD)(f * 255.0f + 0.5f);
    };
    return (channel(a) << 24) | (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

// ---- Vectors -----------------------------------------------------------------------------

D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV)
{
    const FLOAT length = D3DXVec2Length(pV);
    *pOut = length != 0.0f ? *pV / length : D3DXVECTOR2();
    return pOut;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV)
{
    const FLOAT length = D3DXVec3Length(pV);
    *pOut = length != 0.0f ? *pV / length : D3DXVECTOR3();
    return pOut;
}

D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV)
{
    const FLOAT length = D3DXVec4Length(pV);
    *pOut = length != 0.0f ? *pV / length : D3DXVECTOR4();
    return pOut;
}

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

// ---- Quaternions -------------------------------------------------------------------------

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                       const D3DXQUATERNION* pQ2)
{
    const D3DXQUATERNION a = *pQ1;
    const D3DXQUATERNION b = *pQ2;
    *pOut = D3DXQUATERNION(b.w * a.x + b.x * a.w + b.y * a.z - b.z * a.y,
                           b.w * a.y - b.x * a.z + b.y * a.w + b.z * a.x,
                           b.w * a.z + b.x * a.y - b.y * a.x + b.z * a.w,
                           b.w * a.w - b.x * a.x - b.y * a.y - b.z * a.z);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ)
{
    const FLOAT length = D3DXQuaternionLength(pQ);
    *pOut = length != 0.0f ? *pQ / length : D3DXQUATERNION();
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ)
{
    const FLOAT norm = D3DXQuaternionLengthSq(pQ);
    D3DXQUATERNION conjugate;
    D3DXQuaternionConjugate(&conjugate, pQ);
    *pOut = conjugate / norm;
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionLn(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ)
{
    // q = (sin(theta) v, cos(theta)) gives (theta v, 0); near the identity the factor
    // theta / sin(theta) tends to 1.
    const FLOAT w = pQ->w;
    FLOAT factor = 1.0f;
    if (w < 1.0f && w > -1.0f)
        factor = std::acos(w) / std::sqrt((1.0f - w) * (1.0f + w));
    *pOut = D3DXQUATERNION(factor * pQ->x, factor * pQ->y, factor * pQ->z, 0.0f);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionExp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ)
{
    const FLOAT theta = std::sqrt(pQ->x * pQ->x + pQ->y * pQ->y + pQ->z * pQ->z);
    if (theta == 0.0f)
    {
        *pOut = D3DXQUATERNION(pQ->x, pQ->y, pQ->z, 1.0f);
        return pOut;
    }
    FLOAT s = 0.0f, c = 1.0f;
    ::sincosf(theta, &s, &c);
    const FLOAT factor = s / theta;
    *pOut = D3DXQUATERNION(factor * pQ->x, factor * pQ->y, factor * pQ->z, c);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* pOut, const D3DXVECTOR3* pV, FLOAT angle)
{
    D3DXVECTOR3 axis;
    D3DXVec3Normalize(&axis, pV);
    const FLOAT s = std::sin(angle / 2.0f);
    *pOut = D3DXQUATERNION(s * axis.x, s * axis.y, s * axis.z, std::cos(angle / 2.0f));
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* pOut, const D3DXMATRIX* pM)
{
    const D3DXMATRIX& m = *pM;
    const FLOAT trace = m._11 + m._22 + m._33 + 1.0f;
    if (trace > 1.0f)
    {
        const FLOAT s = 2.0f * std::sqrt(trace);
        *pOut = D3DXQUATERNION((m._23 - m._32) / s, (m._31 - m._13) / s, (m._12 - m._21) / s,
                               0.25f * s);
    }
    else if (m._11 > m._22 && m._11 > m._33)
    {
        const FLOAT s = 2.0f * std::sqrt(1.0f + m._11 - m._22 - m._33);
        *pOut = D3DXQUATERNION(0.25f * s, (m._12 + m._21) / s, (m._13 + m._31) / s,
                               (m._23 - m._32) / s);
    }
    else if (m._22 > m._33)
    {
        const FLOAT s = 2.0f * std::sqrt(1.0f + m._22 - m._11 - m._33);
        *pOut = D3DXQUATERNION((m._12 + m._21) / s, 0.25f * s, (m._23 + m._32) / s,
                               (m._31 - m._13) / s);
    }
    else
    {
        const FLOAT s = 2.0f * std::sqrt(1.0f + m._33 - m._11 - m._22);
        *pOut = D3DXQUATERNION((m._13 + m._31) / s, (m._23 + m._32) / s, 0.25f * s,
                               (m._12 - m._21) / s);
    }
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* pOut, FLOAT yaw, FLOAT pitch,
                                                   FLOAT roll)
{
    const D3DXVECTOR3 x(1.0f, 0.0f, 0.0f), y(0.0f, 1.0f, 0.0f), z(0.0f, 0.0f, 1.0f);
    D3DXQUATERNION qRoll, qPitch, qYaw;
    D3DXQuaternionRotationAxis(&qRoll, &z, roll);
    D3DXQuaternionRotationAxis(&qPitch, &x, pitch);
    D3DXQuaternionRotationAxis(&qYaw, &y, yaw);
    *pOut = qRoll * qPitch * qYaw;
    return pOut;
}

void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* pQ, D3DXVECTOR3* pAxis, FLOAT* pAngle)
{
    if (pAxis)
        *pAxis = D3DXVECTOR3(pQ->x, pQ->y, pQ->z);
    if (pAngle)
        *pAngle = 2.0f * std::acos(std::clamp(pQ->w, -1.0f, 1.0f));
}

void OrvSlerpPrepare(ORV_SLERP_SPAN* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2)
{
    FLOAT dot = D3DXQuaternionDot(pQ1, pQ2);
    pOut->fSign = 1.0f;
    if (dot < 0.0f)
    {
        pOut->fSign = -1.0f;
        dot = -dot;
    }
    pOut->fCosTheta = dot;
    // Nearly equal orientations fall back to the linear blend, which is exact enough there
    // and avoids dividing by a vanishing sine.
    pOut->bLinear = !(1.0f - dot > 0.001f);
    pOut->fTheta = 0.0f;
    pOut->fSinTheta = 0.0f;
    if (!pOut->bLinear)
    {
        pOut->fTheta = std::acos(dot);
        // 1 - dot^2 factored so that it keeps its precision near dot = 1.
        pOut->fSinTheta = std::sqrt((1.0f - dot) * (1.0f + dot));
    }
}

void OrvSlerpBlend(D3DXQUATERNION* pOut, const ORV_SLERP_SPAN* pSpan, const D3DXQUATERNION* pQ1,
                   const D3DXQUATERNION* pQ2, FLOAT t)
{
    FLOAT w1 = 1.0f - t;
    FLOAT w2 = t;
    if (!pSpan->bLinear)
    {
        // sin((1 - t) theta) / sin(theta) = cos(t theta) - cos(theta) sin(t theta) / sin(theta)
        FLOAT s = 0.0f, c = 1.0f;
        ::sincosf(t * pSpan->fTheta, &s, &c);
        w2 = s / pSpan->fSinTheta;
        w1 = c - pSpan->fCosTheta * w2;
    }
    w2 *= pSpan->fSign;
    const D3DXQUATERNION q1 = *pQ1;
    const D3DXQUATERNION q2 = *pQ2;
    *pOut = D3DXQUATERNION(w1 * q1.x + w2 * q2.x, w1 * q1.y + w2 * q2.y, w1 * q1.z + w2 * q2.z,
                           w1 * q1.w + w2 * q2.w);
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                    const D3DXQUATERNION* pQ2, FLOAT t)
{
    ORV_SLERP_SPAN span;
    OrvSlerpPrepare(&span, pQ1, pQ2);
    OrvSlerpBlend(pOut, &span, pQ1, pQ2, t);
    return pOut;
}

void OrvSquadEvaluate(D3DXQUATERNION* pOut, const ORV_SQUAD* pSquad, FLOAT t)
{
    D3DXQUATERNION outer, inner;
    OrvSlerpBlend(&outer, &pSquad->outer, &pSquad->q1, &pSquad->c, t);
    OrvSlerpBlend(&inner, &pSquad->inner, &pSquad->a, &pSquad->b, t);
    D3DXQuaternionSlerp(pOut, &outer, &inner, 2.0f * t * (1.0f - t));
}

namespace
{
void PrepareSpans(ORV_SQUAD* pSquad)
{
    OrvSlerpPrepare(&pSquad->outer, &pSquad->q1, &pSquad->c);
    OrvSlerpPrepare(&pSquad->inner, &pSquad->a, &pSquad->b);
}
} // namespace

D3DXQUATERNION* D3DXQuaternionSquad(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                    const D3DXQUATERNION* pA, const D3DXQUATERNION* pB,
                                    const D3DXQUATERNION* pC, FLOAT t)
{
    ORV_SQUAD squad;
    squad.q1 = *pQ1;
    squad.a = *pA;
    squad.b = *pB;
    squad.c = *pC;
    PrepareSpans(&squad);
    OrvSquadEvaluate(pOut, &squad, t);
    return pOut;
}

namespace
{
// Whichever of q and -q lies on the same side as the reference (|ref + q| >= |ref - q|).
D3DXQUATERNION SameHemisphere(const D3DXQUATERNION& reference, const D3DXQUATERNION& q)
{
    return D3DXQuaternionDot(&reference, &q) < 0.0f ? -q : q;
}

// q * exp(-(ln(q^-1 * a) + ln(q^-1 * b)) / 4), the inner control point at q.
D3DXQUATERNION ControlPoint(const D3DXQUATERNION& q, const D3DXQUATERNION& a,
                            const D3DXQUATERNION& b)
{
    D3DXQUATERNION inverse, lnA, lnB, sum, out;
    D3DXQuaternionInverse(&inverse, &q);
    const D3DXQUATERNION toA = inverse * a;
    const D3DXQUATERNION toB = inverse * b;
    D3DXQuaternionLn(&lnA, &toA);
    D3DXQuaternionLn(&lnB, &toB);
    sum = (lnA + lnB) * -0.25f;
    D3DXQuaternionExp(&out, &sum);
    return q * out;
}

void SquadControlPoints(ORV_SQUAD* pOut, const D3DXQUATERNION* pQ0, const D3DXQUATERNION* pQ1,
                        const D3DXQUATERNION* pQ2, const D3DXQUATERNION* pQ3)
{
    const D3DXQUATERNION q1 = *pQ1;
    const D3DXQUATERNION q0 = SameHemisphere(q1, *pQ0);
    const D3DXQUATERNION q2 = SameHemisphere(q1, *pQ2);
    const D3DXQUATERNION q3 = SameHemisphere(q2, *pQ3);
    pOut->q1 = q1;
    pOut->a = ControlPoint(q1, q2, q0);
    pOut->b = ControlPoint(q2, q3, q1);
    pOut->c = q2;
}
} // namespace

void OrvSquadPrepare(ORV_SQUAD* pOut, const D3DXQUATERNION* pQ0, const D3DXQUATERNION* pQ1,
                     const D3DXQUATERNION* pQ2, const D3DXQUATERNION* pQ3)
{
    SquadControlPoints(pOut, pQ0, pQ1, pQ2, pQ3);
    PrepareSpans(pOut);
}

void D3DXQuaternionSquadSetup(D3DXQUATERNION* pAOut, D3DXQUATERNION* pBOut, D3DXQUATERNION* pCOut,
                              const D3DXQUATERNION* pQ0, const D3DXQUATERNION* pQ1,
                              const D3DXQUATERNION* pQ2, const D3DXQUATERNION* pQ3)
{
    ORV_SQUAD squad;
    SquadControlPoints(&squad, pQ0, pQ1, pQ2, pQ3);
    *pAOut = squad.a;
    *pBOut = squad.b;
    *pCOut = squad.c;
}

// ---- Matrices ----------------------------------------------------------------------------

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

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp)
{
    D3DXVECTOR3 zAxis, xAxis, yAxis;
    const D3DXVECTOR3 forward = *pAt - *pEye;
    D3DXVec3Normalize(&zAxis, &forward);
    D3DXVec3Cross(&xAxis, pUp, &zAxis);
    D3DXVec3Normalize(&xAxis, &xAxis);
    D3DXVec3Cross(&yAxis, &zAxis, &xAxis);
    *pOut = D3DXMATRIX(xAxis.x, yAxis.x, zAxis.x, 0.0f, xAxis.y, yAxis.y, zAxis.y, 0.0f, xAxis.z,
                       yAxis.z, zAxis.z, 0.0f, -D3DXVec3Dot(&xAxis, pEye),
                       -D3DXVec3Dot(&yAxis, pEye), -D3DXVec3Dot(&zAxis, pEye), 1.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT aspect, FLOAT zn,
                                       FLOAT zf)
{
    const FLOAT yScale = 1.0f / std::tan(fovy / 2.0f);
    const FLOAT xScale = yScale / aspect;
    *pOut = D3DXMATRIX();
    pOut->_11 = xScale;
    pOut->_22 = yScale;
    pOut->_33 = zf / (zf - zn);
    pOut->_34 = 1.0f;
    pOut->_43 = -zn * zf / (zf - zn);
    return pOut;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf)
{
    D3DXMatrixIdentity(pOut);
    pOut->_11 = 2.0f / w;
    pOut->_22 = 2.0f / h;
    pOut->_33 = 1.0f / (zf - zn);
    pOut->_43 = zn / (zn - zf);
    return pOut;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, FLOAT l, FLOAT r, FLOAT b, FLOAT t,
                                       FLOAT zn, FLOAT zf)
{
    D3DXMatrixIdentity(pOut);
    pOut->_11 = 2.0f / (r - l);
    pOut->_22 = 2.0f / (t - b);
    pOut->_33 = 1.0f / (zf - zn);
    pOut->_41 = (l + r) / (l - r);
    pOut->_42 = (t + b) / (b - t);
    pOut->_43 = zn / (zn - zf);
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
