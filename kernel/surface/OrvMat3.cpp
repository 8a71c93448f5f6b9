#include "surface/OrvMat3.h"

#include <cmath>

namespace
{
float Cos(float angle)
{
    return static_cast<float>(std::cos(double(angle)));
}
float Sin(float angle)
{
    return static_cast<float>(std::sin(double(angle)));
}
float Atan2(float y, float x)
{
    return static_cast<float>(std::atan2(double(y), double(x)));
}
} // namespace

MAT3f::MAT3f() : m{1, 0, 0, 0, 1, 0, 0, 0, 1} {}

void MAT3f::Build(const float& a, const float& b, const float& c)
{
    const float ca = Cos(a), sa = Sin(a), cb = Cos(b), sb = Sin(b), cc = Cos(c), sc = Sin(c);
    const float sasb = sa * sb;
    const float casb = ca * sb;
    m0 = cb * cc;
    m1 = -cb * sc;
    m2 = -sb;
    m3 = ca * sc - cc * sasb;
    m4 = sc * sasb + ca * cc;
    m5 = -sa * cb;
    m6 = cc * casb + sa * sc;
    m7 = sa * cc - sc * casb;
    m8 = ca * cb;
}

void MAT3f::GetEuler(float& a, float& b, float& c) const
{
    b = static_cast<float>(-std::asin(double(m2)));
    const float k = Cos(b);
    if (std::fabs(k) > 0.005f)
    {
        a = Atan2(-m5 / k, m8 / k);
        c = Atan2(-m1 / k, m0 / k);
    }
    else
    {
        a = 0;
        c = Atan2(m3, m4);
    }
}

MAT3f MAT3f::operator*(const MAT3f& other) const
{
    MAT3f result;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            result.m[3 * r + c] = other.m[3 * r + 0] * m[c] + other.m[3 * r + 1] * m[3 + c] +
                                  other.m[3 * r + 2] * m[6 + c];
    return result;
}

void MAT3f::Normalize()
{
    float a = 0, b = 0, c = 0;
    GetEuler(a, b, c);
    Build(a, b, c);
}
