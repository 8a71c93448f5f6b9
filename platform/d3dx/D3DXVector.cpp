// Vectors: the operators of the 2-, 3- and 4-component vectors, normalising, and the
// curves through them (Hermite, Catmull-Rom, barycentric) with the 4D cross product.
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
} // namespace

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
