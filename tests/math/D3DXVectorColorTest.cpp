#include "d3dx9math.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float eps = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}
} // namespace

TEST(D3DXVector, TwoAndFourComponentArithmetic)
{
    const D3DXVECTOR2 a(1, 2), b(3, 5);
    D3DXVECTOR2 v;
    EXPECT_EQ(*D3DXVec2Add(&v, &a, &b), D3DXVECTOR2(4, 7));
    EXPECT_EQ(*D3DXVec2Subtract(&v, &a, &b), D3DXVECTOR2(-2, -3));
    EXPECT_EQ(*D3DXVec2Scale(&v, &a, 3), D3DXVECTOR2(3, 6));
    EXPECT_EQ(*D3DXVec2Lerp(&v, &a, &b, 0.5f), D3DXVECTOR2(2, 3.5f));
    const D3DXVECTOR2 c(4, -1);
    EXPECT_EQ(*D3DXVec2Minimize(&v, &b, &c), D3DXVECTOR2(3, -1));
    EXPECT_EQ(*D3DXVec2Maximize(&v, &b, &c), D3DXVECTOR2(4, 5));
    EXPECT_EQ(D3DXVec2LengthSq(&b), 34.0f);
    const D3DXVECTOR2 x(1, 0), y(0, 1);
    EXPECT_EQ(D3DXVec2CCW(&x, &y), 1.0f);
    EXPECT_EQ(D3DXVec2CCW(&y, &x), -1.0f);

    const D3DXVECTOR4 p(1, 2, 3, 4), q(4, 3, -2, 0);
    D3DXVECTOR4 w;
    EXPECT_EQ(*D3DXVec4Add(&w, &p, &q), D3DXVECTOR4(5, 5, 1, 4));
    EXPECT_EQ(*D3DXVec4Subtract(&w, &p, &q), D3DXVECTOR4(-3, -1, 5, 4));
    EXPECT_EQ(*D3DXVec4Scale(&w, &p, -2), D3DXVECTOR4(-2, -4, -6, -8));
    EXPECT_EQ(*D3DXVec4Lerp(&w, &p, &q, 0.25f), D3DXVECTOR4(1.75f, 2.25f, 1.75f, 3));
    EXPECT_EQ(*D3DXVec4Minimize(&w, &p, &q), D3DXVECTOR4(1, 2, -2, 0));
    EXPECT_EQ(*D3DXVec4Maximize(&w, &p, &q), D3DXVECTOR4(4, 3, 3, 4));
    EXPECT_EQ(D3DXVec4LengthSq(&p), 30.0f);

    // The 4D cross product of three unit axes is the fourth, with the determinant's sign; in
    // general it is orthogonal to all three.
    const D3DXVECTOR4 e1(1, 0, 0, 0), e2(0, 1, 0, 0), e3(0, 0, 1, 0);
    EXPECT_EQ(*D3DXVec4Cross(&w, &e1, &e2, &e3), D3DXVECTOR4(0, 0, 0, -1));
    const D3DXVECTOR4 r(0.5f, -1, 2, 3);
    D3DXVec4Cross(&w, &p, &q, &r);
    for (const D3DXVECTOR4* pV : {&p, &q, &r})
        EXPECT_NEAR(D3DXVec4Dot(&w, pV), 0.0f, 1e-4f);
    EXPECT_EQ(w, D3DXVECTOR4(-23, 6, -37, 30.5f));
}

TEST(D3DXVector, HermiteCatmullRomAndBarycentricCurves)
{
    const D3DXVECTOR3 v1(0, 0, 0), t1(1, 0, 0), v2(1, 1, 1), t2(0, 2, 0);
    D3DXVECTOR3 v;
    EXPECT_EQ(*D3DXVec3Hermite(&v, &v1, &t1, &v2, &t2, 0), v1);
    EXPECT_EQ(*D3DXVec3Hermite(&v, &v1, &t1, &v2, &t2, 1), v2);
    EXPECT_EQ(*D3DXVec3Hermite(&v, &v1, &t1, &v2, &t2, 0.5f), D3DXVECTOR3(0.625f, 0.25f, 0.5f));

    const D3DXVECTOR3 p0(0, 0, 0), p1(1, 0, 0), p2(2, 2, 0), p3(3, 2, 4);
    EXPECT_EQ(*D3DXVec3CatmullRom(&v, &p0, &p1, &p2, &p3, 0), p1);
    EXPECT_EQ(*D3DXVec3CatmullRom(&v, &p0, &p1, &p2, &p3, 1), p2);
    EXPECT_EQ(*D3DXVec3CatmullRom(&v, &p0, &p1, &p2, &p3, 0.5f), D3DXVECTOR3(1.5f, 1, -0.25f));

    const D3DXVECTOR3 a(1, 0, 0), b(0, 1, 0), c(0, 0, 1);
    EXPECT_EQ(*D3DXVec3BaryCentric(&v, &a, &b, &c, 0.25f, 0.5f), D3DXVECTOR3(0.25f, 0.25f, 0.5f));

    // The 2- and 4-component forms agree with the 3-component one, component by component.
    const D3DXVECTOR2 q0(0, 0), q1(1, 0), q2(2, 2), q3(3, 2);
    D3DXVECTOR2 v2d;
    EXPECT_EQ(*D3DXVec2CatmullRom(&v2d, &q0, &q1, &q2, &q3, 0.5f), D3DXVECTOR2(1.5f, 1));
    const D3DXVECTOR2 u1(0, 0), s1(1, 0), u2(1, 1), s2(0, 2);
    EXPECT_EQ(*D3DXVec2Hermite(&v2d, &u1, &s1, &u2, &s2, 0.5f), D3DXVECTOR2(0.625f, 0.25f));
    EXPECT_EQ(*D3DXVec2BaryCentric(&v2d, &q1, &q2, &q3, 1, 1), D3DXVECTOR2(4, 4));
    const D3DXVECTOR4 w0(0, 0, 0, 1), w1(1, 0, 0, 1), w2(2, 2, 0, 1), w3(3, 2, 4, 1);
    D3DXVECTOR4 v4d;
    EXPECT_EQ(*D3DXVec4CatmullRom(&v4d, &w0, &w1, &w2, &w3, 0.5f), D3DXVECTOR4(1.5f, 1, -0.25f, 1));
    const D3DXVECTOR4 h1(0, 0, 0, 0), g1(1, 0, 0, 0), h2(1, 1, 1, 1), g2(0, 2, 0, 0);
    EXPECT_EQ(*D3DXVec4Hermite(&v4d, &h1, &g1, &h2, &g2, 0.5f),
              D3DXVECTOR4(0.625f, 0.25f, 0.5f, 0.5f));
    EXPECT_EQ(*D3DXVec4BaryCentric(&v4d, &w1, &w2, &w3, 0.5f, 0), D3DXVECTOR4(1.5f, 1, 0, 1));
}

TEST(D3DXVector, TransformsOneOrManyAtAnyStride)
{
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 1, 2, 3);
    m._14 = 1; // w = x + 1
    const D3DXVECTOR2 p(1, 5);
    D3DXVECTOR4 v4;
    D3DXVECTOR2 v2;
    EXPECT_EQ(*D3DXVec2Transform(&v4, &p, &m), D3DXVECTOR4(2, 7, 3, 2));
    EXPECT_EQ(*D3DXVec2TransformCoord(&v2, &p, &m), D3DXVECTOR2(1, 3.5f));
    EXPECT_EQ(*D3DXVec2TransformNormal(&v2, &p, &m), D3DXVECTOR2(1, 5)) << "no translation";

    struct SIn
    {
        D3DXVECTOR3 m_v;
        float m_fPad;
    } in[3] = {{{1, 0, 0}, 0}, {{0, 1, 0}, 0}, {{3, 3, 3}, 0}};
    struct SOut
    {
        D3DXVECTOR3 m_v;
        float m_afPad[2];
    } out[3] = {};
    D3DXMatrixTranslation(&m, 1, 2, 3);
    D3DXVec3TransformCoordArray(&out[0].m_v, sizeof(SOut), &in[0].m_v, sizeof(SIn), &m, 3);
    EXPECT_EQ(out[2].m_v, D3DXVECTOR3(4, 5, 6));
    EXPECT_EQ(out[1].m_v, D3DXVECTOR3(1, 3, 3));
    D3DXVec3TransformNormalArray(&out[0].m_v, sizeof(SOut), &in[0].m_v, sizeof(SIn), &m, 3);
    EXPECT_EQ(out[2].m_v, D3DXVECTOR3(3, 3, 3));
    D3DXVECTOR4 four[3];
    D3DXVec3TransformArray(four, sizeof(D3DXVECTOR4), &in[0].m_v, sizeof(SIn), &m, 3);
    EXPECT_EQ(four[0], D3DXVECTOR4(2, 2, 3, 1));
    D3DXVec4TransformArray(four, sizeof(D3DXVECTOR4), four, sizeof(D3DXVECTOR4), &m, 3);
    EXPECT_EQ(four[0], D3DXVECTOR4(3, 4, 6, 1)) << "in place";
    const D3DXVECTOR2 flat[2] = {{1, 1}, {2, 0}};
    D3DXVECTOR2 flatOut[2];
    D3DXVec2TransformCoordArray(flatOut, sizeof(D3DXVECTOR2), flat, sizeof(D3DXVECTOR2), &m, 2);
    EXPECT_EQ(flatOut[1], D3DXVECTOR2(3, 2));
    D3DXVec2TransformNormalArray(flatOut, sizeof(D3DXVECTOR2), flat, sizeof(D3DXVECTOR2), &m, 2);
    EXPECT_EQ(flatOut[1], D3DXVECTOR2(2, 0));
    D3DXVec2TransformArray(four, sizeof(D3DXVECTOR4), flat, sizeof(D3DXVECTOR2), &m, 2);
    EXPECT_EQ(four[1], D3DXVECTOR4(3, 2, 3, 1));
}

TEST(D3DXVector, ProjectToTheViewportAndBack)
{
    const D3DVIEWPORT9 viewport = {10, 20, 100, 50, 0.5f, 1.0f};
    D3DXVECTOR3 v;
    const D3DXVECTOR3 centre(0, 0, 0), corner(1, 1, 1), inside(-0.5f, 0.5f, 0.5f);
    EXPECT_EQ(*D3DXVec3Project(&v, &centre, &viewport, nullptr, nullptr, nullptr),
              D3DXVECTOR3(60, 45, 0.5f));
    EXPECT_EQ(*D3DXVec3Project(&v, &corner, &viewport, nullptr, nullptr, nullptr),
              D3DXVECTOR3(110, 20, 1));
    EXPECT_EQ(*D3DXVec3Project(&v, &inside, &viewport, nullptr, nullptr, nullptr),
              D3DXVECTOR3(35, 32.5f, 0.75f));
    const D3DXVECTOR3 onScreen(35, 32.5f, 0.75f);
    EXPECT_EQ(*D3DXVec3Unproject(&v, &onScreen, &viewport, nullptr, nullptr, nullptr), inside);

    // Through a camera and back again.
    D3DXMATRIX projection, view, world;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 3, 2, 0.5f, 50);
    const D3DXVECTOR3 eye(1, 2, -6), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixRotationY(&world, 0.7f);
    const D3DXVECTOR3 points[2] = {{0.3f, -0.2f, 0.9f}, {-1, 1, 2}};
    D3DXVECTOR3 screen[2], back[2];
    D3DXVec3ProjectArray(screen, sizeof(D3DXVECTOR3), points, sizeof(D3DXVECTOR3), &viewport,
                         &projection, &view, &world, 2);
    EXPECT_GT(screen[0].x, 10.0f);
    EXPECT_LT(screen[0].x, 110.0f);
    ASSERT_NE(D3DXVec3UnprojectArray(back, sizeof(D3DXVECTOR3), screen, sizeof(D3DXVECTOR3),
                                     &viewport, &projection, &view, &world, 2),
              nullptr);
    ExpectNear(back[0], points[0], 1e-4f);
    ExpectNear(back[1], points[1], 1e-4f);
    D3DXMATRIX singular;
    D3DXMatrixScaling(&singular, 1, 0, 1);
    EXPECT_EQ(D3DXVec3Unproject(&v, &centre, &viewport, &singular, nullptr, nullptr), nullptr);
}

TEST(D3DXColor, ArithmeticAndAdjustmentsKeepAlphaWhereD3DXDoes)
{
    const D3DXCOLOR c(0.25f, 0.5f, 1.0f, 0.75f), d(0.5f, 0.25f, 0.0f, 0.25f);
    D3DXCOLOR out;
    EXPECT_EQ(*D3DXColorNegative(&out, &c), D3DXCOLOR(0.75f, 0.5f, 0.0f, 0.75f));
    EXPECT_EQ(*D3DXColorAdd(&out, &c, &d), D3DXCOLOR(0.75f, 0.75f, 1.0f, 1.0f));
    EXPECT_EQ(*D3DXColorSubtract(&out, &c, &d), D3DXCOLOR(-0.25f, 0.25f, 1.0f, 0.5f));
    EXPECT_EQ(*D3DXColorScale(&out, &c, 2), D3DXCOLOR(0.5f, 1.0f, 2.0f, 1.5f));
    EXPECT_EQ(*D3DXColorAdjustContrast(&out, &c, 2), D3DXCOLOR(0.0f, 0.5f, 1.5f, 0.75f));
    EXPECT_EQ(*D3DXColorAdjustContrast(&out, &c, 0), D3DXCOLOR(0.5f, 0.5f, 0.5f, 0.75f));
    const float fGrey = 0.25f * 0.2125f + 0.5f * 0.7154f + 1.0f * 0.0721f;
    D3DXColorAdjustSaturation(&out, &c, 0);
    EXPECT_FLOAT_EQ(out.r, fGrey);
    EXPECT_FLOAT_EQ(out.g, fGrey);
    EXPECT_FLOAT_EQ(out.b, fGrey);
    EXPECT_EQ(out.a, 0.75f);
    D3DXColorAdjustSaturation(&out, &c, 2);
    EXPECT_FLOAT_EQ(out.r, 2 * 0.25f - fGrey);
    EXPECT_FLOAT_EQ(out.b, 2 * 1.0f - fGrey);
}

TEST(D3DXFloat16, RoundsToNearestEvenAndSaturatesWithoutInfinities)
{
    const float afIn[] = {0.0f,
                          -0.0f,
                          0.5f,
                          -1.0f,
                          1.0f / 3.0f,
                          65504.0f,
                          65520.0f,
                          131008.0f,
                          131024.0f,
                          1e10f,
                          -INFINITY,
                          std::ldexp(1.0f, -24),
                          std::ldexp(1.0f, -25),
                          std::ldexp(3.0f, -25),
                          std::ldexp(1.0f, -14),
                          1.0f + std::ldexp(1.0f, -11),
                          1.0f + std::ldexp(3.0f, -11)};
    const WORD awOut[] = {0x0000, 0x8000, 0x3800, 0xbc00, 0x3555, 0x7bff, 0x7c00, 0x7fff, 0x7fff,
                          0x7fff, 0xffff, 0x0001, 0x0000, 0x0002, 0x0400, 0x3c00, 0x3c02};
    static_assert(std::size(afIn) == std::size(awOut));
    D3DXFLOAT16 ah[std::size(afIn)];
    ASSERT_EQ(D3DXFloat32To16Array(ah, afIn, UINT(std::size(afIn))), ah);
    for (size_t i = 0; i < std::size(afIn); ++i)
        EXPECT_EQ(ah[i].value, awOut[i]) << "from " << afIn[i];

    // Back: the top exponent is an ordinary one.
    float af[5];
    const D3DXFLOAT16 aBack[5] = {ah[6], ah[7], ah[11], ah[4], ah[3]};
    D3DXFloat16To32Array(af, aBack, 5);
    EXPECT_EQ(af[0], 65536.0f);
    EXPECT_EQ(af[1], 131008.0f);
    EXPECT_EQ(af[2], std::ldexp(1.0f, -24));
    EXPECT_EQ(af[3], 0.333251953125f);
    EXPECT_EQ(af[4], -1.0f);
    EXPECT_EQ(float(D3DXFLOAT16(2.5f)), 2.5f);
}
