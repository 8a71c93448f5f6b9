// Quaternions: the operators, products, inverse, logarithm and exponential, conversions from
// axes, matrices and angles, and the spherical interpolations (slerp, squad).
#include "d3dx9math.h"

#include "OrvSquad.h"

#include <algorithm>
#include <cmath>

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
