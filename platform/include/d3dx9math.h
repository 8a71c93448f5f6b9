#pragma once

// D3DX 9 math: vectors, quaternions, matrices and colours with the D3DX names, layouts and
// conventions (left-handed, row vectors: v' = v * M; D3DXQuaternionMultiply(q1, q2) is the
// rotation q1 followed by q2). Default constructors zero their members.
#include "d3d9.h"

#include <cmath>

#define D3DX_PI ((FLOAT)3.141592654f)
#define D3DX_1BYPI ((FLOAT)0.318309886f)
#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f))
#define D3DXToDegree(radian) ((radian) * (180.0f / D3DX_PI))

struct D3DXMATRIX;
struct D3DXQUATERNION;

struct ORVPLATFORM_API D3DXVECTOR2
{
    D3DXVECTOR2() : x(0.0f), y(0.0f) {}
    explicit D3DXVECTOR2(const FLOAT* pf) : x(pf[0]), y(pf[1]) {}
    D3DXVECTOR2(FLOAT fx, FLOAT fy) : x(fx), y(fy) {}

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXVECTOR2& operator+=(const D3DXVECTOR2& v);
    D3DXVECTOR2& operator-=(const D3DXVECTOR2& v);
    D3DXVECTOR2& operator*=(FLOAT f);
    D3DXVECTOR2& operator/=(FLOAT f);
    D3DXVECTOR2 operator+() const { return *this; }
    D3DXVECTOR2 operator-() const { return D3DXVECTOR2(-x, -y); }
    D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x + v.x, y + v.y); }
    D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x - v.x, y - v.y); }
    D3DXVECTOR2 operator*(FLOAT f) const { return D3DXVECTOR2(x * f, y * f); }
    D3DXVECTOR2 operator/(FLOAT f) const { return D3DXVECTOR2(x / f, y / f); }
    friend D3DXVECTOR2 operator*(FLOAT f, const D3DXVECTOR2& v) { return v * f; }
    bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
    bool operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }

    FLOAT x, y;
};

struct ORVPLATFORM_API D3DXVECTOR3 : public D3DVECTOR
{
    D3DXVECTOR3() : D3DVECTOR{0.0f, 0.0f, 0.0f} {}
    explicit D3DXVECTOR3(const FLOAT* pf) : D3DVECTOR{pf[0], pf[1], pf[2]} {}
    D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
    D3DXVECTOR3(FLOAT fx, FLOAT fy, FLOAT fz) : D3DVECTOR{fx, fy, fz} {}

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXVECTOR3& operator+=(const D3DXVECTOR3& v);
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& v);
    D3DXVECTOR3& operator*=(FLOAT f);
    D3DXVECTOR3& operator/=(FLOAT f);
    D3DXVECTOR3 operator+() const { return *this; }
    D3DXVECTOR3 operator-() const { return D3DXVECTOR3(-x, -y, -z); }
    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const
    {
        return D3DXVECTOR3(x + v.x, y + v.y, z + v.z);
    }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const
    {
        return D3DXVECTOR3(x - v.x, y - v.y, z - v.z);
    }
    D3DXVECTOR3 operator*(FLOAT f) const { return D3DXVECTOR3(x * f, y * f, z * f); }
    D3DXVECTOR3 operator/(FLOAT f) const { return D3DXVECTOR3(x / f, y / f, z / f); }
    friend D3DXVECTOR3 operator*(FLOAT f, const D3DXVECTOR3& v) { return v * f; }
    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};

struct ORVPLATFORM_API D3DXVECTOR4
{
    D3DXVECTOR4() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
    explicit D3DXVECTOR4(const FLOAT* pf) : x(pf[0]), y(pf[1]), z(pf[2]), w(pf[3]) {}
    D3DXVECTOR4(const D3DVECTOR& v, FLOAT fw) : x(v.x), y(v.y), z(v.z), w(fw) {}
    D3DXVECTOR4(FLOAT fx, FLOAT fy, FLOAT fz, FLOAT fw) : x(fx), y(fy), z(fz), w(fw) {}

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXVECTOR4& operator+=(const D3DXVECTOR4& v);
    D3DXVECTOR4& operator-=(const D3DXVECTOR4& v);
    D3DXVECTOR4& operator*=(FLOAT f);
    D3DXVECTOR4& operator/=(FLOAT f);
    D3DXVECTOR4 operator+() const { return *this; }
    D3DXVECTOR4 operator-() const { return D3DXVECTOR4(-x, -y, -z, -w); }
    D3DXVECTOR4 operator+(const D3DXVECTOR4& v) const
    {
        return D3DXVECTOR4(x + v.x, y + v.y, z + v.z, w + v.w);
    }
    D3DXVECTOR4 operator-(const D3DXVECTOR4& v) const
    {
        return D3DXVECTOR4(x - v.x, y - v.y, z - v.z, w - v.w);
    }
    D3DXVECTOR4 operator*(FLOAT f) const { return D3DXVECTOR4(x * f, y * f, z * f, w * f); }
    D3DXVECTOR4 operator/(FLOAT f) const { return D3DXVECTOR4(x / f, y / f, z / f, w / f); }
    friend D3DXVECTOR4 operator*(FLOAT f, const D3DXVECTOR4& v) { return v * f; }
    bool operator==(const D3DXVECTOR4& v) const
    {
        return x == v.x && y == v.y && z == v.z && w == v.w;
    }
    bool operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }

    FLOAT x, y, z, w;
};

struct ORVPLATFORM_API D3DXQUATERNION
{
    D3DXQUATERNION() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
    explicit D3DXQUATERNION(const FLOAT* pf) : x(pf[0]), y(pf[1]), z(pf[2]), w(pf[3]) {}
    D3DXQUATERNION(FLOAT fx, FLOAT fy, FLOAT fz, FLOAT fw) : x(fx), y(fy), z(fz), w(fw) {}

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXQUATERNION& operator+=(const D3DXQUATERNION& q);
    D3DXQUATERNION& operator-=(const D3DXQUATERNION& q);
    D3DXQUATERNION& operator*=(const D3DXQUATERNION& q);
    D3DXQUATERNION& operator*=(FLOAT f);
    D3DXQUATERNION& operator/=(FLOAT f);
    D3DXQUATERNION operator+() const { return *this; }
    D3DXQUATERNION operator-() const { return D3DXQUATERNION(-x, -y, -z, -w); }
    D3DXQUATERNION operator+(const D3DXQUATERNION& q) const
    {
        return D3DXQUATERNION(x + q.x, y + q.y, z + q.z, w + q.w);
    }
    D3DXQUATERNION operator-(const D3DXQUATERNION& q) const
    {
        return D3DXQUATERNION(x - q.x, y - q.y, z - q.z, w - q.w);
    }
    D3DXQUATERNION operator*(const D3DXQUATERNION& q) const;
    D3DXQUATERNION operator*(FLOAT f) const { return D3DXQUATERNION(x * f, y * f, z * f, w * f); }
    D3DXQUATERNION operator/(FLOAT f) const { return D3DXQUATERNION(x / f, y / f, z / f, w / f); }
    friend D3DXQUATERNION operator*(FLOAT f, const D3DXQUATERNION& q) { return q * f; }
    bool operator==(const D3DXQUATERNION& q) const
    {
        return x == q.x && y == q.y && z == q.z && w == q.w;
    }
    bool operator!=(const D3DXQUATERNION& q) const { return !(*this == q); }

    FLOAT x, y, z, w;
};

struct ORVPLATFORM_API D3DXMATRIX : public D3DMATRIX
{
    D3DXMATRIX() : D3DMATRIX{} {}
    explicit D3DXMATRIX(const FLOAT* pf);
    D3DXMATRIX(const D3DMATRIX& m) : D3DMATRIX(m) {}
    D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23,
               FLOAT f24, FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42,
               FLOAT f43, FLOAT f44);

    FLOAT& operator()(UINT row, UINT col) { return m[row][col]; }
    FLOAT operator()(UINT row, UINT col) const { return m[row][col]; }
    operator FLOAT*() { return &_11; }
    operator const FLOAT*() const { return &_11; }

    D3DXMATRIX& operator*=(const D3DXMATRIX& mat);
    D3DXMATRIX& operator+=(const D3DXMATRIX& mat);
    D3DXMATRIX& operator-=(const D3DXMATRIX& mat);
    D3DXMATRIX& operator*=(FLOAT f);
    D3DXMATRIX& operator/=(FLOAT f);
    D3DXMATRIX operator+() const { return *this; }
    D3DXMATRIX operator-() const;
    D3DXMATRIX operator*(const D3DXMATRIX& mat) const;
    D3DXMATRIX operator+(const D3DXMATRIX& mat) const;
    D3DXMATRIX operator-(const D3DXMATRIX& mat) const;
    D3DXMATRIX operator*(FLOAT f) const;
    D3DXMATRIX operator/(FLOAT f) const;
    friend D3DXMATRIX operator*(FLOAT f, const D3DXMATRIX& mat) { return mat * f; }
    bool operator==(const D3DXMATRIX& mat) const;
    bool operator!=(const D3DXMATRIX& mat) const { return !(*this == mat); }
};

typedef D3DXMATRIX D3DXMATRIXA16;

struct ORVPLATFORM_API D3DXCOLOR
{
    D3DXCOLOR() : r(0.0f), g(0.0f), b(0.0f), a(0.0f) {}
    D3DXCOLOR(DWORD argb);
    explicit D3DXCOLOR(const FLOAT* pf) : r(pf[0]), g(pf[1]), b(pf[2]), a(pf[3]) {}
    D3DXCOLOR(const D3DCOLORVALUE& c) : r(c.r), g(c.g), b(c.b), a(c.a) {}
    D3DXCOLOR(FLOAT fr, FLOAT fg, FLOAT fb, FLOAT fa) : r(fr), g(fg), b(fb), a(fa) {}

    // Packs into A8R8G8B8, each channel clamped to [0, 1].
    operator DWORD() const;
    operator FLOAT*() { return &r; }
    operator const FLOAT*() const { return &r; }
    operator D3DCOLORVALUE() const { return D3DCOLORVALUE{r, g, b, a}; }

    D3DXCOLOR operator+(const D3DXCOLOR& c) const
    {
        return D3DXCOLOR(r + c.r, g + c.g, b + c.b, a + c.a);
    }
    D3DXCOLOR operator-(const D3DXCOLOR& c) const
    {
        return D3DXCOLOR(r - c.r, g - c.g, b - c.b, a - c.a);
    }
    D3DXCOLOR operator*(FLOAT f) const { return D3DXCOLOR(r * f, g * f, b * f, a * f); }
    friend D3DXCOLOR operator*(FLOAT f, const D3DXCOLOR& c) { return c * f; }
    bool operator==(const D3DXCOLOR& c) const
    {
        return r == c.r && g == c.g && b == c.b && a == c.a;
    }
    bool operator!=(const D3DXCOLOR& c) const { return !(*this == c); }

    FLOAT r, g, b, a;
};

// A 16-bit float as D3DX stores it: 1 sign bit, 5 exponent bits, 10 mantissa bits, with no
// infinities or NaNs (the top exponent is an ordinary one, up to 131008); conversions round
// to nearest even and saturate larger magnitudes.
struct ORVPLATFORM_API D3DXFLOAT16
{
    D3DXFLOAT16() : value(0) {}
    D3DXFLOAT16(FLOAT f);
    operator FLOAT() const;
    bool operator==(const D3DXFLOAT16& h) const { return value == h.value; }
    bool operator!=(const D3DXFLOAT16& h) const { return value != h.value; }

    WORD value;
};

// The plane a x + b y + c z + d = 0.
struct ORVPLATFORM_API D3DXPLANE
{
    D3DXPLANE() : a(0.0f), b(0.0f), c(0.0f), d(0.0f) {}
    explicit D3DXPLANE(const FLOAT* pf) : a(pf[0]), b(pf[1]), c(pf[2]), d(pf[3]) {}
    D3DXPLANE(FLOAT fa, FLOAT fb, FLOAT fc, FLOAT fd) : a(fa), b(fb), c(fc), d(fd) {}

    operator FLOAT*() { return &a; }
    operator const FLOAT*() const { return &a; }

    D3DXPLANE& operator*=(FLOAT f) { return *this = *this * f; }
    D3DXPLANE& operator/=(FLOAT f) { return *this = *this / f; }
    D3DXPLANE operator+() const { return *this; }
    D3DXPLANE operator-() const { return D3DXPLANE(-a, -b, -c, -d); }
    D3DXPLANE operator*(FLOAT f) const { return D3DXPLANE(a * f, b * f, c * f, d * f); }
    D3DXPLANE operator/(FLOAT f) const { return D3DXPLANE(a / f, b / f, c / f, d / f); }
    friend D3DXPLANE operator*(FLOAT f, const D3DXPLANE& p) { return p * f; }
    bool operator==(const D3DXPLANE& p) const
    {
        return a == p.a && b == p.b && c == p.c && d == p.d;
    }
    bool operator!=(const D3DXPLANE& p) const { return !(*this == p); }

    FLOAT a, b, c, d;
};

// ---- Vectors -----------------------------------------------------------------------------

inline FLOAT D3DXVec2Length(const D3DXVECTOR2* pV)
{
    return std::sqrt(pV->x * pV->x + pV->y * pV->y);
}
inline FLOAT D3DXVec2Dot(const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2)
{
    return pV1->x * pV2->x + pV1->y * pV2->y;
}
inline FLOAT D3DXVec3LengthSq(const D3DXVECTOR3* pV)
{
    return pV->x * pV->x + pV->y * pV->y + pV->z * pV->z;
}
inline FLOAT D3DXVec3Length(const D3DXVECTOR3* pV)
{
    return std::sqrt(D3DXVec3LengthSq(pV));
}
inline FLOAT D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z;
}
inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    const D3DXVECTOR3 v(pV1->y * pV2->z - pV1->z * pV2->y, pV1->z * pV2->x - pV1->x * pV2->z,
                        pV1->x * pV2->y - pV1->y * pV2->x);
    *pOut = v;
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    *pOut = *pV1 + *pV2;
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                     const D3DXVECTOR3* pV2)
{
    *pOut = *pV1 - *pV2;
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, FLOAT s)
{
    *pOut = *pV * s;
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                                 FLOAT s)
{
    *pOut = *pV1 + (*pV2 - *pV1) * s;
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                     const D3DXVECTOR3* pV2)
{
    *pOut = D3DXVECTOR3(pV1->x < pV2->x ? pV1->x : pV2->x, pV1->y < pV2->y ? pV1->y : pV2->y,
                        pV1->z < pV2->z ? pV1->z : pV2->z);
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                     const D3DXVECTOR3* pV2)
{
    *pOut = D3DXVECTOR3(pV1->x > pV2->x ? pV1->x : pV2->x, pV1->y > pV2->y ? pV1->y : pV2->y,
                        pV1->z > pV2->z ? pV1->z : pV2->z);
    return pOut;
}
inline FLOAT D3DXVec4Dot(const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2)
{
    return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z + pV1->w * pV2->w;
}
inline FLOAT D3DXVec4Length(const D3DXVECTOR4* pV)
{
    return std::sqrt(D3DXVec4Dot(pV, pV));
}

// A zero-length vector normalises to zero.
ORVPLATFORM_API D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV);
ORVPLATFORM_API D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
ORVPLATFORM_API D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV);
// (x, y, z, 1) * M.
ORVPLATFORM_API D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV,
                                               const D3DXMATRIX* pM);
// (x, y, z, 1) * M, divided by the resulting w.
ORVPLATFORM_API D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                                    const D3DXMATRIX* pM);
// (x, y, z, 0) * M.
ORVPLATFORM_API D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                                     const D3DXMATRIX* pM);
ORVPLATFORM_API D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV,
                                               const D3DXMATRIX* pM);

// ---- Quaternions -------------------------------------------------------------------------

inline D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* pOut)
{
    *pOut = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    return pOut;
}
inline BOOL D3DXQuaternionIsIdentity(const D3DXQUATERNION* pQ)
{
    return pQ->x == 0.0f && pQ->y == 0.0f && pQ->z == 0.0f && pQ->w == 1.0f;
}
inline FLOAT D3DXQuaternionDot(const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2)
{
    return pQ1->x * pQ2->x + pQ1->y * pQ2->y + pQ1->z * pQ2->z + pQ1->w * pQ2->w;
}
inline FLOAT D3DXQuaternionLengthSq(const D3DXQUATERNION* pQ)
{
    return D3DXQuaternionDot(pQ, pQ);
}
inline FLOAT D3DXQuaternionLength(const D3DXQUATERNION* pQ)
{
    return std::sqrt(D3DXQuaternionLengthSq(pQ));
}
inline D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ)
{
    *pOut = D3DXQUATERNION(-pQ->x, -pQ->y, -pQ->z, pQ->w);
    return pOut;
}

// The rotation q1 followed by q2 (the Hamilton product q2 q1).
ORVPLATFORM_API D3DXQUATERNION*
D3DXQuaternionMultiply(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2);
// A zero quaternion normalises to zero.
ORVPLATFORM_API D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* pOut,
                                                        const D3DXQUATERNION* pQ);
ORVPLATFORM_API D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* pOut,
                                                      const D3DXQUATERNION* pQ);
// Logarithm of a unit quaternion: (theta * axis, 0).
ORVPLATFORM_API D3DXQUATERNION* D3DXQuaternionLn(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
// Exponential of a pure quaternion (w is ignored).
ORVPLATFORM_API D3DXQUATERNION* D3DXQuaternionExp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
ORVPLATFORM_API D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* pOut,
                                                           const D3DXVECTOR3* pV, FLOAT angle);
ORVPLATFORM_API D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* pOut,
                                                             const D3DXMATRIX* pM);
ORVPLATFORM_API D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* pOut, FLOAT yaw,
                                                                   FLOAT pitch, FLOAT roll);
ORVPLATFORM_API void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* pQ, D3DXVECTOR3* pAxis,
                                               FLOAT* pAngle);
// Spherical linear interpolation along the shorter arc.
ORVPLATFORM_API D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                                    const D3DXQUATERNION* pQ2, FLOAT t);
// Slerp(Slerp(q1, c, t), Slerp(a, b, t), 2t(1 - t)).
ORVPLATFORM_API D3DXQUATERNION* D3DXQuaternionSquad(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                                    const D3DXQUATERNION* pA,
                                                    const D3DXQUATERNION* pB,
                                                    const D3DXQUATERNION* pC, FLOAT t);
// Control points of the squad segment from q1 to q2, with q0 before and q3 after.
ORVPLATFORM_API void D3DXQuaternionSquadSetup(D3DXQUATERNION* pAOut, D3DXQUATERNION* pBOut,
                                              D3DXQUATERNION* pCOut, const D3DXQUATERNION* pQ0,
                                              const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2,
                                              const D3DXQUATERNION* pQ3);

// ---- Matrices ----------------------------------------------------------------------------

inline D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut)
{
    *pOut = D3DXMATRIX(1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f,
                       0.0f, 0.0f, 1.0f);
    return pOut;
}
ORVPLATFORM_API BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* pM);
ORVPLATFORM_API FLOAT D3DXMatrixDeterminant(const D3DXMATRIX* pM);
// pM1 * pM2: pM1 applies first. pOut may be either operand.
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1,
                                               const D3DXMATRIX* pM2);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM);
// Returns null and leaves pOut alone when the matrix is singular.
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant,
                                              const D3DXMATRIX* pM);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, FLOAT angle);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, FLOAT angle);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, FLOAT angle);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pV,
                                                   FLOAT angle);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut,
                                                         const D3DXQUATERNION* pQ);
// Roll about z, then pitch about x, then yaw about y.
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, FLOAT yaw, FLOAT pitch,
                                                           FLOAT roll);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye,
                                               const D3DXVECTOR3* pAt, const D3DXVECTOR3* pUp);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT aspect,
                                                       FLOAT zn, FLOAT zf);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn,
                                              FLOAT zf);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, FLOAT l, FLOAT r, FLOAT b,
                                                       FLOAT t, FLOAT zn, FLOAT zf);
// Msc^-1 * Msr^-1 * Ms * Msr * Msc * Mrc^-1 * Mr * Mrc * Mt; a null argument stands for
// the identity (no centre, no rotation, unit scaling, no translation).
ORVPLATFORM_API D3DXMATRIX*
D3DXMatrixTransformation(D3DXMATRIX* pOut, const D3DXVECTOR3* pScalingCenter,
                         const D3DXQUATERNION* pScalingRotation, const D3DXVECTOR3* pScaling,
                         const D3DXVECTOR3* pRotationCenter, const D3DXQUATERNION* pRotation,
                         const D3DXVECTOR3* pTranslation);
// Ms * Mrc^-1 * Mr * Mrc * Mt, with a uniform scaling.
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixAffineTransformation(D3DXMATRIX* pOut, FLOAT scaling,
                                                           const D3DXVECTOR3* pRotationCenter,
                                                           const D3DXQUATERNION* pRotation,
                                                           const D3DXVECTOR3* pTranslation);

// ---- Colours -----------------------------------------------------------------------------

inline D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2,
                                FLOAT s)
{
    *pOut = *pC1 + (*pC2 - *pC1) * s;
    return pOut;
}
inline D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2)
{
    *pOut = D3DXCOLOR(pC1->r * pC2->r, pC1->g * pC2->g, pC1->b * pC2->b, pC1->a * pC2->a);
    return pOut;
}

inline D3DXCOLOR* D3DXColorNegative(D3DXCOLOR* pOut, const D3DXCOLOR* pC)
{
    *pOut = D3DXCOLOR(1.0f - pC->r, 1.0f - pC->g, 1.0f - pC->b, pC->a);
    return pOut;
}
inline D3DXCOLOR* D3DXColorAdd(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2)
{
    *pOut = *pC1 + *pC2;
    return pOut;
}
inline D3DXCOLOR* D3DXColorSubtract(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2)
{
    *pOut = *pC1 - *pC2;
    return pOut;
}
inline D3DXCOLOR* D3DXColorScale(D3DXCOLOR* pOut, const D3DXCOLOR* pC, FLOAT s)
{
    *pOut = *pC * s;
    return pOut;
}
// grey + s (c - grey) per channel, grey = 0.2125 r + 0.7154 g + 0.0721 b; alpha unchanged.
ORVPLATFORM_API D3DXCOLOR* D3DXColorAdjustSaturation(D3DXCOLOR* pOut, const D3DXCOLOR* pC, FLOAT s);
// 0.5 + c (channel - 0.5); alpha unchanged.
ORVPLATFORM_API D3DXCOLOR* D3DXColorAdjustContrast(D3DXCOLOR* pOut, const D3DXCOLOR* pC, FLOAT c);

// ---- 16-bit floats -----------------------------------------------------------------------

ORVPLATFORM_API D3DXFLOAT16* D3DXFloat32To16Array(D3DXFLOAT16* pOut, const FLOAT* pIn, UINT n);
ORVPLATFORM_API FLOAT* D3DXFloat16To32Array(FLOAT* pOut, const D3DXFLOAT16* pIn, UINT n);

// ---- Planes ------------------------------------------------------------------------------

// a x + b y + c z + d w
inline FLOAT D3DXPlaneDot(const D3DXPLANE* pP, const D3DXVECTOR4* pV)
{
    return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z + pP->d * pV->w;
}
// a x + b y + c z + d: the signed distance for a normalised plane.
inline FLOAT D3DXPlaneDotCoord(const D3DXPLANE* pP, const D3DXVECTOR3* pV)
{
    return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z + pP->d;
}
// a x + b y + c z
inline FLOAT D3DXPlaneDotNormal(const D3DXPLANE* pP, const D3DXVECTOR3* pV)
{
    return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z;
}
inline D3DXPLANE* D3DXPlaneScale(D3DXPLANE* pOut, const D3DXPLANE* pP, FLOAT s)
{
    *pOut = *pP * s;
    return pOut;
}
// Divides by the length of (a, b, c); a plane without a normal becomes zero.
ORVPLATFORM_API D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP);
// Where the line through pV1 and pV2 (not only the segment) meets the plane; null when it is
// parallel to it.
ORVPLATFORM_API D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* pOut, const D3DXPLANE* pP,
                                                    const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
ORVPLATFORM_API D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint,
                                                    const D3DXVECTOR3* pNormal);
// The plane through three points, its normal (p2 - p1) x (p3 - p1) normalised.
ORVPLATFORM_API D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1,
                                               const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3);
// (a, b, c, d) * M: M is the inverse transpose of the transformation that moves the plane.
ORVPLATFORM_API D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* pOut, const D3DXPLANE* pP,
                                              const D3DXMATRIX* pM);
ORVPLATFORM_API D3DXPLANE* D3DXPlaneTransformArray(D3DXPLANE* pOut, UINT OutStride,
                                                   const D3DXPLANE* pP, UINT PStride,
                                                   const D3DXMATRIX* pM, UINT n);

// ---- Vector arithmetic and curves --------------------------------------------------------

inline FLOAT D3DXVec2LengthSq(const D3DXVECTOR2* pV)
{
    return pV->x * pV->x + pV->y * pV->y;
}
// The z of the 3D cross product: positive when pV2 lies counterclockwise of pV1.
inline FLOAT D3DXVec2CCW(const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2)
{
    return pV1->x * pV2->y - pV1->y * pV2->x;
}
inline D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2)
{
    *pOut = *pV1 + *pV2;
    return pOut;
}
inline D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                     const D3DXVECTOR2* pV2)
{
    *pOut = *pV1 - *pV2;
    return pOut;
}
inline D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                     const D3DXVECTOR2* pV2)
{
    *pOut = D3DXVECTOR2(pV1->x < pV2->x ? pV1->x : pV2->x, pV1->y < pV2->y ? pV1->y : pV2->y);
    return pOut;
}
inline D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                     const D3DXVECTOR2* pV2)
{
    *pOut = D3DXVECTOR2(pV1->x > pV2->x ? pV1->x : pV2->x, pV1->y > pV2->y ? pV1->y : pV2->y);
    return pOut;
}
inline D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, FLOAT s)
{
    *pOut = *pV * s;
    return pOut;
}
inline D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2,
                                 FLOAT s)
{
    *pOut = *pV1 + (*pV2 - *pV1) * s;
    return pOut;
}
inline FLOAT D3DXVec4LengthSq(const D3DXVECTOR4* pV)
{
    return D3DXVec4Dot(pV, pV);
}
inline D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2)
{
    *pOut = *pV1 + *pV2;
    return pOut;
}
inline D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                     const D3DXVECTOR4* pV2)
{
    *pOut = *pV1 - *pV2;
    return pOut;
}
inline D3DXVECTOR4* D3DXVec4Minimize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                     const D3DXVECTOR4* pV2)
{
    *pOut = D3DXVECTOR4(pV1->x < pV2->x ? pV1->x : pV2->x, pV1->y < pV2->y ? pV1->y : pV2->y,
                        pV1->z < pV2->z ? pV1->z : pV2->z, pV1->w < pV2->w ? pV1->w : pV2->w);
    return pOut;
}
inline D3DXVECTOR4* D3DXVec4Maximize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                     const D3DXVECTOR4* pV2)
{
    *pOut = D3DXVECTOR4(pV1->x > pV2->x ? pV1->x : pV2->x, pV1->y > pV2->y ? pV1->y : pV2->y,
                        pV1->z > pV2->z ? pV1->z : pV2->z, pV1->w > pV2->w ? pV1->w : pV2->w);
    return pOut;
}
inline D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, FLOAT s)
{
    *pOut = *pV * s;
    return pOut;
}
inline D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,
                                 FLOAT s)
{
    *pOut = *pV1 + (*pV2 - *pV1) * s;
    return pOut;
}

// Hermite spline from pV1 (tangent pT1) to pV2 (tangent pT2):
// (2s^3 - 3s^2 + 1) V1 + (s^3 - 2s^2 + s) T1 + (-2s^3 + 3s^2) V2 + (s^3 - s^2) T2.
// Catmull-Rom spline through pV1 (s = 0) and pV2 (s = 1), with pV0 and pV3 around them.
// Barycentric: V1 + f (V2 - V1) + g (V3 - V1).
ORVPLATFORM_API D3DXVECTOR2* D3DXVec2Hermite(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                             const D3DXVECTOR2* pT1, const D3DXVECTOR2* pV2,
                                             const D3DXVECTOR2* pT2, FLOAT s);
ORVPLATFORM_API D3DXVECTOR2* D3DXVec2CatmullRom(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV0,
                                                const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2,
                                                const D3DXVECTOR2* pV3, FLOAT s);
ORVPLATFORM_API D3DXVECTOR2* D3DXVec2BaryCentric(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1,
                                                 const D3DXVECTOR2* pV2, const D3DXVECTOR2* pV3,
                                                 FLOAT f, FLOAT g);
ORVPLATFORM_API D3DXVECTOR3* D3DXVec3Hermite(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                             const D3DXVECTOR3* pT1, const D3DXVECTOR3* pV2,
                                             const D3DXVECTOR3* pT2, FLOAT s);
ORVPLATFORM_API D3DXVECTOR3* D3DXVec3CatmullRom(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV0,
                                                const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                                                const D3DXVECTOR3* pV3, FLOAT s);
ORVPLATFORM_API D3DXVECTOR3* D3DXVec3BaryCentric(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1,
                                                 const D3DXVECTOR3* pV2, const D3DXVECTOR3* pV3,
                                                 FLOAT f, FLOAT g);
ORVPLATFORM_API D3DXVECTOR4* D3DXVec4Hermite(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                             const D3DXVECTOR4* pT1, const D3DXVECTOR4* pV2,
                                             const D3DXVECTOR4* pT2, FLOAT s);
ORVPLATFORM_API D3DXVECTOR4* D3DXVec4CatmullRom(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV0,
                                                const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2,
                                                const D3DXVECTOR4* pV3, FLOAT s);
ORVPLATFORM_API D3DXVECTOR4* D3DXVec4BaryCentric(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                                 const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3,
                                                 FLOAT f, FLOAT g);
// The 4D vector orthogonal to pV1, pV2 and pV3 (the determinant with the unit vectors as its
// first row).
ORVPLATFORM_API D3DXVECTOR4* D3DXVec4Cross(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1,
                                           const D3DXVECTOR4* pV2, const D3DXVECTOR4* pV3);

// ---- Transforming vectors ----------------------------------------------------------------

// (x, y, 0, 1) * M; the Coord form divides by w; the Normal form takes (x, y, 0, 0).
ORVPLATFORM_API D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* pOut, const D3DXVECTOR2* pV,
                                               const D3DXMATRIX* pM);
ORVPLATFORM_API D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV,
                                                    const D3DXMATRIX* pM);
ORVPLATFORM_API D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV,
                                                     const D3DXMATRIX* pM);
// The array forms transform n vectors; the strides are in bytes.
ORVPLATFORM_API D3DXVECTOR4* D3DXVec2TransformArray(D3DXVECTOR4* pOut, UINT OutStride,
                                                    const D3DXVECTOR2* pV, UINT VStride,
                                                    const D3DXMATRIX* pM, UINT n);
ORVPLATFORM_API D3DXVECTOR2* D3DXVec2TransformCoordArray(D3DXVECTOR2* pOut, UINT OutStride,
                                                         const D3DXVECTOR2* pV, UINT VStride,
                                                         const D3DXMATRIX* pM, UINT n);
ORVPLATFORM_API D3DXVECTOR2* D3DXVec2TransformNormalArray(D3DXVECTOR2* pOut, UINT OutStride,
                                                          const D3DXVECTOR2* pV, UINT VStride,
                                                          const D3DXMATRIX* pM, UINT n);
ORVPLATFORM_API D3DXVECTOR4* D3DXVec3TransformArray(D3DXVECTOR4* pOut, UINT OutStride,
                                                    const D3DXVECTOR3* pV, UINT VStride,
                                                    const D3DXMATRIX* pM, UINT n);
ORVPLATFORM_API D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* pOut, UINT OutStride,
                                                         const D3DXVECTOR3* pV, UINT VStride,
                                                         const D3DXMATRIX* pM, UINT n);
ORVPLATFORM_API D3DXVECTOR3* D3DXVec3TransformNormalArray(D3DXVECTOR3* pOut, UINT OutStride,
                                                          const D3DXVECTOR3* pV, UINT VStride,
                                                          const D3DXMATRIX* pM, UINT n);
ORVPLATFORM_API D3DXVECTOR4* D3DXVec4TransformArray(D3DXVECTOR4* pOut, UINT OutStride,
                                                    const D3DXVECTOR4* pV, UINT VStride,
                                                    const D3DXMATRIX* pM, UINT n);
// Object space to the viewport: through world, view and projection (null ones are the
// identity), divided by w, then x = X + (1 + x) W / 2, y = Y + (1 - y) H / 2,
// z = MinZ + z (MaxZ - MinZ). Without a viewport the projected coordinates are returned.
ORVPLATFORM_API D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                             const D3DVIEWPORT9* pViewport,
                                             const D3DXMATRIX* pProjection, const D3DXMATRIX* pView,
                                             const D3DXMATRIX* pWorld);
// The inverse of D3DXVec3Project; null when the matrices have no inverse.
ORVPLATFORM_API D3DXVECTOR3* D3DXVec3Unproject(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                               const D3DVIEWPORT9* pViewport,
                                               const D3DXMATRIX* pProjection,
                                               const D3DXMATRIX* pView, const D3DXMATRIX* pWorld);
ORVPLATFORM_API D3DXVECTOR3*
D3DXVec3ProjectArray(D3DXVECTOR3* pOut, UINT OutStride, const D3DXVECTOR3* pV, UINT VStride,
                     const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,
                     const D3DXMATRIX* pView, const D3DXMATRIX* pWorld, UINT n);
ORVPLATFORM_API D3DXVECTOR3*
D3DXVec3UnprojectArray(D3DXVECTOR3* pOut, UINT OutStride, const D3DXVECTOR3* pV, UINT VStride,
                       const D3DVIEWPORT9* pViewport, const D3DXMATRIX* pProjection,
                       const D3DXMATRIX* pView, const D3DXMATRIX* pWorld, UINT n);

// ---- More matrices -----------------------------------------------------------------------

// Transpose(pM1 * pM2).
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM1,
                                                        const D3DXMATRIX* pM2);
// The mirror in the (normalised) plane.
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* pOut, const D3DXPLANE* pPlane);
// Flattens geometry onto the (normalised) plane along rays from the light: a point light for
// w = 1, a direction for w = 0. With P the plane and d = P . L, the matrix is d I - P L^T.
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixShadow(D3DXMATRIX* pOut, const D3DXVECTOR4* pLight,
                                             const D3DXPLANE* pPlane);
// Scaling, rotation and translation with M = S R T. The scales are the lengths of the first
// three rows (the first negative for a mirroring matrix). D3DERR_INVALIDCALL when a scale is
// zero, as no rotation follows then.
ORVPLATFORM_API HRESULT D3DXMatrixDecompose(D3DXVECTOR3* pOutScale, D3DXQUATERNION* pOutRotation,
                                            D3DXVECTOR3* pOutTranslation, const D3DXMATRIX* pM);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye,
                                               const D3DXVECTOR3* pAt, const D3DXVECTOR3* pUp);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn,
                                                    FLOAT zf);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixPerspectiveRH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn,
                                                    FLOAT zf);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT aspect,
                                                       FLOAT zn, FLOAT zf);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixPerspectiveOffCenterLH(D3DXMATRIX* pOut, FLOAT l, FLOAT r,
                                                             FLOAT b, FLOAT t, FLOAT zn, FLOAT zf);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixPerspectiveOffCenterRH(D3DXMATRIX* pOut, FLOAT l, FLOAT r,
                                                             FLOAT b, FLOAT t, FLOAT zn, FLOAT zf);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn,
                                              FLOAT zf);
ORVPLATFORM_API D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* pOut, FLOAT l, FLOAT r, FLOAT b,
                                                       FLOAT t, FLOAT zn, FLOAT zf);
