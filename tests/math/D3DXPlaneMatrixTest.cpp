#include "d3dx9math.h"

#include <gtest/gtest.h>

namespace
{
void ExpectEq(const D3DXPLANE& actual, const D3DXPLANE& expected)
{
    EXPECT_FLOAT_EQ(actual.a, expected.a);
    EXPECT_FLOAT_EQ(actual.b, expected.b);
    EXPECT_FLOAT_EQ(actual.c, expected.c);
    EXPECT_FLOAT_EQ(actual.d, expected.d);
}

void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float eps = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

// Every element, named in the message.
void ExpectMatrix(const D3DXMATRIX& actual, const D3DXMATRIX& expected)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_FLOAT_EQ(actual(i, j), expected(i, j)) << "_" << i + 1 << j + 1;
}

D3DXVECTOR3 Through(const D3DXMATRIX& m, const D3DXVECTOR3& v)
{
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &m);
    return out;
}
} // namespace

TEST(D3DXPlane, BuiltFromPointsAndNormalsWithExactCoefficients)
{
    D3DXPLANE plane;
    const D3DXVECTOR3 p1(1, 2, 3), p2(4, 2, 3), p3(1, 6, 3);
    ExpectEq(*D3DXPlaneFromPoints(&plane, &p1, &p2, &p3), D3DXPLANE(0, 0, 1, -3));
    const D3DXVECTOR3 normal(0, 2, 0);
    // The normal is taken as given.
    ExpectEq(*D3DXPlaneFromPointNormal(&plane, &p1, &normal), D3DXPLANE(0, 2, 0, -4));
    const D3DXPLANE unnormalised(0, 3, 4, 10);
    ExpectEq(*D3DXPlaneNormalize(&plane, &unnormalised), D3DXPLANE(0, 0.6f, 0.8f, 2));
    const D3DXPLANE flat(0, 0, 0, 5);
    ExpectEq(*D3DXPlaneNormalize(&plane, &flat), D3DXPLANE(0, 0, 0, 0));
    ExpectEq(*D3DXPlaneScale(&plane, &unnormalised, 0.5f), D3DXPLANE(0, 1.5f, 2, 5));

    const D3DXPLANE p(1, 2, 3, 4);
    const D3DXVECTOR4 v4(1, 1, 1, 2);
    const D3DXVECTOR3 v3(1, 1, 1);
    EXPECT_EQ(D3DXPlaneDot(&p, &v4), 14.0f);
    EXPECT_EQ(D3DXPlaneDotCoord(&p, &v3), 10.0f);
    EXPECT_EQ(D3DXPlaneDotNormal(&p, &v3), 6.0f);
}

TEST(D3DXPlane, MeetsLinesBeyondTheSegmentAndMovesWithTheInverseTranspose)
{
    const D3DXPLANE atThree(0, 0, 1, -3);
    const D3DXVECTOR3 from(1, 1, 0), to(1, 1, 1), sideways(2, 1, 0);
    D3DXVECTOR3 point(9, 9, 9);
    ASSERT_NE(D3DXPlaneIntersectLine(&point, &atThree, &from, &to), nullptr);
    EXPECT_EQ(point, D3DXVECTOR3(1, 1, 3));
    point = D3DXVECTOR3(9, 9, 9);
    EXPECT_EQ(D3DXPlaneIntersectLine(&point, &atThree, &from, &sideways), nullptr) << "parallel";
    EXPECT_EQ(point, D3DXVECTOR3(9, 9, 9));

    // Moving the plane y = 1 up by 2 takes the inverse transpose of the move.
    D3DXMATRIX move, inverse, inverseTranspose;
    D3DXMatrixTranslation(&move, 0, 2, 0);
    D3DXMatrixInverse(&inverse, nullptr, &move);
    D3DXMatrixTranspose(&inverseTranspose, &inverse);
    const D3DXPLANE planes[2] = {D3DXPLANE(0, 1, 0, -1), D3DXPLANE(1, 0, 0, 0)};
    D3DXPLANE moved;
    ExpectEq(*D3DXPlaneTransform(&moved, &planes[0], &inverseTranspose), D3DXPLANE(0, 1, 0, -3));
    struct SPadded
    {
        D3DXPLANE m_plane;
        float m_fPad;
    } out[2];
    ASSERT_EQ(D3DXPlaneTransformArray(&out[0].m_plane, sizeof(SPadded), planes, sizeof(D3DXPLANE),
                                      &inverseTranspose, 2),
              &out[0].m_plane);
    ExpectEq(out[0].m_plane, D3DXPLANE(0, 1, 0, -3));
    ExpectEq(out[1].m_plane, D3DXPLANE(1, 0, 0, 0));
}

TEST(D3DXMatrix, ReflectionsAndShadowsFollowTheNormalisedPlane)
{
    D3DXMATRIX m;
    const D3DXPLANE yIsOne(0, 2, 0, -2);
    D3DXMatrixReflect(&m, &yIsOne);
    ExpectMatrix(m, D3DXMATRIX(1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 2, 0, 1));
    EXPECT_EQ(Through(m, {3, 5, 7}), D3DXVECTOR3(3, -3, 7));

    const D3DXPLANE ground(0, 3, 0, 0);
    const D3DXVECTOR4 pointLight(0, 10, 0, 1), straightDown(0, 1, 0, 0);
    D3DXMatrixShadow(&m, &pointLight, &ground);
    ExpectMatrix(m, D3DXMATRIX(10, 0, 0, 0, 0, 0, 0, -1, 0, 0, 10, 0, 0, 0, 0, 10));
    EXPECT_EQ(Through(m, {2, 5, 3}), D3DXVECTOR3(4, 0, 6)) << "along the ray from the light";
    D3DXMatrixShadow(&m, &straightDown, &ground);
    EXPECT_EQ(Through(m, {2, 5, 3}), D3DXVECTOR3(2, 0, 3)) << "a directional light";
}

TEST(D3DXMatrix, DecomposeGivesScaleRotationAndTranslation)
{
    D3DXMATRIX scale, rotation, translation, m;
    D3DXQUATERNION q;
    const D3DXVECTOR3 y(0, 1, 0);
    D3DXQuaternionRotationAxis(&q, &y, D3DX_PI / 2);
    D3DXMatrixScaling(&scale, 2, 3, 4);
    D3DXMatrixRotationQuaternion(&rotation, &q);
    D3DXMatrixTranslation(&translation, 5, 6, 7);
    m = scale * rotation * translation;
    D3DXVECTOR3 outScale, outTranslation;
    D3DXQUATERNION outRotation;
    ASSERT_EQ(D3DXMatrixDecompose(&outScale, &outRotation, &outTranslation, &m), S_OK);
    ExpectNear(outScale, {2, 3, 4});
    ExpectNear(outTranslation, {5, 6, 7});
    const float fSign = outRotation.w < 0 ? -1.0f : 1.0f;
    EXPECT_NEAR(fSign * outRotation.y, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(fSign * outRotation.w, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(outRotation.x, 0.0f, 1e-6f);

    // A mirror keeps the rotation a rotation: the first scale takes the sign.
    D3DXMatrixScaling(&m, -1, 1, 1);
    ASSERT_EQ(D3DXMatrixDecompose(&outScale, &outRotation, &outTranslation, &m), S_OK);
    ExpectNear(outScale, {-1, 1, 1});
    EXPECT_NEAR(std::fabs(outRotation.w), 1.0f, 1e-6f);

    D3DXMatrixScaling(&m, 1, 0, 1);
    EXPECT_EQ(D3DXMatrixDecompose(&outScale, &outRotation, &outTranslation, &m),
              D3DERR_INVALIDCALL);
}

TEST(D3DXMatrix, ProjectionsHaveTheDocumentedElements)
{
    D3DXMATRIX m;
    ExpectMatrix(*D3DXMatrixPerspectiveLH(&m, 2, 4, 1, 3),
                 D3DXMATRIX(1, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1.5f, 1, 0, 0, -1.5f, 0));
    ExpectMatrix(*D3DXMatrixPerspectiveRH(&m, 2, 4, 1, 3),
                 D3DXMATRIX(1, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, -1.5f, -1, 0, 0, -1.5f, 0));
    const float fCot = 1.0f / std::tan(D3DX_PI / 4);
    ExpectMatrix(*D3DXMatrixPerspectiveFovRH(&m, D3DX_PI / 2, 2, 1, 3),
                 D3DXMATRIX(fCot / 2, 0, 0, 0, 0, fCot, 0, 0, 0, 0, -1.5f, -1, 0, 0, -1.5f, 0));
    ExpectMatrix(*D3DXMatrixPerspectiveOffCenterLH(&m, -1, 3, -2, 2, 1, 3),
                 D3DXMATRIX(0.5f, 0, 0, 0, 0, 0.5f, 0, 0, -0.5f, 0, 1.5f, 1, 0, 0, -1.5f, 0));
    ExpectMatrix(*D3DXMatrixPerspectiveOffCenterRH(&m, -1, 3, -2, 2, 1, 3),
                 D3DXMATRIX(0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0.5f, 0, -1.5f, -1, 0, 0, -1.5f, 0));
    ExpectMatrix(*D3DXMatrixOrthoRH(&m, 4, 2, 1, 5),
                 D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, -0.25f, 0, 0, 0, -0.25f, 1));
    ExpectMatrix(*D3DXMatrixOrthoOffCenterRH(&m, 0, 4, 0, 2, 1, 5),
                 D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, -0.25f, 0, -1, -1, -0.25f, 1));
    // The off-centre frustum's corners land on the clip square's; its near plane at depth 0.
    D3DXMatrixPerspectiveOffCenterLH(&m, -1, 3, -2, 2, 1, 3);
    ExpectNear(Through(m, {3, 2, 1}), {1, 1, 0});
    ExpectNear(Through(m, {-3, -6, 3}), {-1, -1, 1});
    D3DXMatrixPerspectiveOffCenterRH(&m, -1, 3, -2, 2, 1, 3);
    ExpectNear(Through(m, {-1, 2, -1}), {-1, 1, 0});
}

TEST(D3DXMatrix, RightHandedLookAtAndTransposedProducts)
{
    D3DXMATRIX m;
    const D3DXVECTOR3 eye(0, 0, 5), at(0, 0, 0), up(0, 1, 0);
    ExpectMatrix(*D3DXMatrixLookAtRH(&m, &eye, &at, &up),
                 D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -5, 1));
    ExpectNear(Through(m, at), {0, 0, -5}); // in front of a right-handed camera: -z
    const D3DXVECTOR3 eye2(3, 4, 5), at2(-1, 2, 0);
    D3DXMATRIX left;
    D3DXMatrixLookAtRH(&m, &eye2, &at2, &up);
    D3DXMatrixLookAtLH(&left, &eye2, &at2, &up);
    const D3DXVECTOR3 target = Through(m, at2), targetLeft = Through(left, at2);
    ExpectNear(target, {-targetLeft.x, targetLeft.y, -targetLeft.z});

    D3DXMATRIX a, b, product, transposed;
    D3DXMatrixRotationYawPitchRoll(&a, 0.3f, 0.2f, 0.1f);
    D3DXMatrixTranslation(&b, 1, 2, 3);
    D3DXMatrixMultiply(&product, &a, &b);
    D3DXMatrixTranspose(&transposed, &product);
    D3DXMatrixMultiplyTranspose(&m, &a, &b);
    EXPECT_EQ(m, transposed);
    D3DXMatrixMultiplyTranspose(&a, &a, &b);
    EXPECT_EQ(a, transposed) << "the output may be an operand";
}
