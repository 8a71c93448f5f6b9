#include "d3dx9math.h"

#include <gtest/gtest.h>

namespace
{
constexpr float kEps = 1e-5f;

void ExpectNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float eps = kEps)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(a(i, j), b(i, j), eps) << "element " << i + 1 << j + 1;
}

void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float eps = kEps)
{
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

// Equal as rotations: q and -q are the same orientation.
void ExpectSameRotation(const D3DXQUATERNION& a, const D3DXQUATERNION& b, float eps = kEps)
{
    const float sign = D3DXQuaternionDot(&a, &b) < 0.0f ? -1.0f : 1.0f;
    EXPECT_NEAR(a.x, sign * b.x, eps);
    EXPECT_NEAR(a.y, sign * b.y, eps);
    EXPECT_NEAR(a.z, sign * b.z, eps);
    EXPECT_NEAR(a.w, sign * b.w, eps);
}

D3DXVECTOR3 Transform(const D3DXVECTOR3& v, const D3DXMATRIX& m)
{
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &m);
    return out;
}

D3DXQUATERNION AboutY(float angle)
{
    const D3DXVECTOR3 y(0.0f, 1.0f, 0.0f);
    D3DXQUATERNION q;
    D3DXQuaternionRotationAxis(&q, &y, angle);
    return q;
}

float AngleAboutY(const D3DXQUATERNION& q)
{
    return 2.0f * std::atan2(q.y, q.w);
}

const float kHalfPi = D3DX_PI / 2.0f;
} // namespace

TEST(D3DXMatrix, RotationsTurnRowVectorsLeftHanded)
{
    D3DXMATRIX m;
    ExpectNear(Transform({0, 1, 0}, *D3DXMatrixRotationX(&m, kHalfPi)), {0, 0, 1});
    ExpectNear(Transform({0, 0, 1}, *D3DXMatrixRotationY(&m, kHalfPi)), {1, 0, 0});
    ExpectNear(Transform({1, 0, 0}, *D3DXMatrixRotationY(&m, kHalfPi)), {0, 0, -1});
    ExpectNear(Transform({1, 0, 0}, *D3DXMatrixRotationZ(&m, kHalfPi)), {0, 1, 0});

    // Axis and quaternion forms agree with the single-axis ones.
    const D3DXVECTOR3 axisY(0.0f, 3.0f, 0.0f);
    D3DXMATRIX expected, fromAxis, fromQuat;
    D3DXMatrixRotationY(&expected, 0.7f);
    ExpectNear(*D3DXMatrixRotationAxis(&fromAxis, &axisY, 0.7f), expected);
    const D3DXQUATERNION q = AboutY(0.7f);
    ExpectNear(*D3DXMatrixRotationQuaternion(&fromQuat, &q), expected);

    // Yaw, pitch, roll: roll about z first, then pitch about x, then yaw about y.
    D3DXMATRIX rz, rx, ry, ypr, yprQuat;
    D3DXMatrixRotationZ(&rz, 0.3f);
    D3DXMatrixRotationX(&rx, -0.4f);
    D3DXMatrixRotationY(&ry, 1.1f);
    D3DXMatrixRotationYawPitchRoll(&ypr, 1.1f, -0.4f, 0.3f);
    ExpectNear(ypr, rz * rx * ry);
    D3DXQUATERNION qYpr;
    D3DXQuaternionRotationYawPitchRoll(&qYpr, 1.1f, -0.4f, 0.3f);
    ExpectNear(*D3DXMatrixRotationQuaternion(&yprQuat, &qYpr), ypr);
    D3DXQUATERNION back;
    ExpectSameRotation(*D3DXQuaternionRotationMatrix(&back, &ypr), qYpr);
}

TEST(D3DXMatrix, MultiplyInverseTransposeAndDeterminant)
{
    const D3DXMATRIX a(1, 2, 0, 0, 0, 1, 0, 0, 3, 0, 2, 0, 1, 1, 1, 1);
    const D3DXMATRIX b(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 5, 6, 7, 1);
    D3DXMATRIX product;
    D3DXMatrixMultiply(&product, &a, &b);
    ExpectNear(product, D3DXMATRIX(2, 6, 0, 0, 0, 3, 0, 0, 6, 0, 8, 0, 7, 9, 11, 1));
    // Aliased output.
    D3DXMATRIX aliased = a;
    D3DXMatrixMultiply(&aliased, &aliased, &b);
    ExpectNear(aliased, product);

    EXPECT_NEAR(D3DXMatrixDeterminant(&a), 2.0f, kEps);
    const D3DXMATRIX general(2, -1, 0, 3, 1, 4, 2, -2, 0, 5, -3, 1, 7, 0, 1, 2);
    D3DXMATRIX inverse, identity;
    float determinant = 0.0f;
    ASSERT_EQ(D3DXMatrixInverse(&inverse, &determinant, &general), &inverse);
    EXPECT_NEAR(determinant, 296.0f, 1e-3f);
    D3DXMatrixIdentity(&identity);
    ExpectNear(general * inverse, identity);
    ExpectNear(inverse * general, identity);

    // A singular matrix gives null and leaves the output alone.
    const D3DXMATRIX singular(1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 1, 0, 0, 1);
    D3DXMATRIX untouched = identity;
    EXPECT_EQ(D3DXMatrixInverse(&untouched, &determinant, &singular), nullptr);
    EXPECT_EQ(determinant, 0.0f);
    EXPECT_EQ(untouched, identity);

    D3DXMATRIX transposed;
    D3DXMatrixTranspose(&transposed, &general);
    EXPECT_EQ(transposed(0, 3), general(3, 0));
    EXPECT_EQ(transposed(2, 1), general(1, 2));
    EXPECT_TRUE(D3DXMatrixIsIdentity(&identity));
    EXPECT_FALSE(D3DXMatrixIsIdentity(&general));
}

TEST(D3DXMatrix, CameraMatrices)
{
    D3DXMATRIX view;
    const D3DXVECTOR3 eye(0, 0, 0), at(1, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    ExpectNear(view, D3DXMATRIX(0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1));
    const D3DXVECTOR3 eye2(1, 2, -5), at2(1, 2, 0);
    D3DXMatrixLookAtLH(&view, &eye2, &at2, &up);
    ExpectNear(view, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -2, 5, 1));

    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, kHalfPi, 2.0f, 1.0f, 11.0f);
    ExpectNear(projection, D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.1f, 1, 0, 0, -1.1f, 0));
    EXPECT_NEAR(Transform({0, 0, 1}, projection).z, 0.0f, kEps);
    EXPECT_NEAR(Transform({0, 0, 11}, projection).z, 1.0f, kEps);

    D3DXMATRIX ortho;
    D3DXMatrixOrthoLH(&ortho, 4, 2, 1, 3);
    ExpectNear(ortho, D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0.5f, 0, 0, 0, -0.5f, 1));
    D3DXMatrixOrthoOffCenterLH(&ortho, 0, 4, 0, 2, 0, 1);
    ExpectNear(ortho, D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -1, 0, 1));
}

// D3DX takes both quaternions as given: the rotation matrix of q = (x, y, z, w) is made by
// the unit formula (1 - 2(y2 + z2), 2(xy + zw), ...) even where |q| != 1, and the scaling
// rotation is undone with its transpose. The expected values are worked by hand from that.
TEST(D3DXMatrix, TransformationTakesQuaternionsUnnormalised)
{
    const D3DXQUATERNION q(1, -4, 7, -11), r(0.87f, 0.65f, 0.43f, 0.21f);
    const D3DXVECTOR3 scaling(1, -3, 7), scalingCentre(-2, 13, -9), centre(8, -5, 5.75f),
        move(9.7f, -8.6f, 1.3f);
    D3DXMATRIX m;
    // Without a scaling, the scaling rotation and its centre do nothing.
    D3DXMatrixTransformation(&m, &scalingCentre, &q, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&m));
    // Sr^T S Sr, Sr = (-129 -162 -74 / 146 -99 -78 / 102 -34 -33) for |q|^2 = 187.
    D3DXMatrixTransformation(&m, &scalingCentre, &q, &scaling, nullptr, nullptr, nullptr);
    ExpectNear(m,
               D3DXMATRIX(25521, 39984, 20148, 0, 39984, 4933, -3324, 0, 20148, -3324, -5153, 0,
                          -287420, -14064, 37122, 1),
               0.5f);
    // R of |r|^2 = 1.4084 about a centre c, then moved: c - c R + t in the last row.
    D3DXMatrixTransformation(&m, nullptr, nullptr, nullptr, &centre, &r, &move);
    ExpectNear(m,
               D3DXMATRIX(-0.2148f, 1.3116f, 0.4752f, 0, 0.9504f, -0.8836f, 0.9244f, 0, 1.0212f,
                          0.1936f, -1.3588f, 0, 18.2985f, -29.624f, 15.6835f, 1),
               1e-4f);
}

TEST(D3DXMatrix, TransformationTurnsAboutItsCentresThenTranslates)
{
    D3DXMATRIX m, expected;
    D3DXMatrixTransformation(&m, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&m));

    const D3DXVECTOR3 centre(1, 0, 0), move(0, 0, 10);
    const D3DXQUATERNION q = AboutY(kHalfPi);
    D3DXMatrixTransformation(&m, nullptr, nullptr, nullptr, &centre, &q, &move);
    ExpectNear(Transform(centre, m), {1, 0, 10});
    ExpectNear(Transform({2, 0, 0}, m), {1, 0, 9});

    const D3DXVECTOR3 scalingCentre(1, 1, 1), scaling(2, 3, 4);
    D3DXMatrixTransformation(&m, &scalingCentre, nullptr, &scaling, nullptr, nullptr, nullptr);
    ExpectNear(Transform({1, 1, 1}, m), {1, 1, 1});
    ExpectNear(Transform({2, 2, 2}, m), {3, 4, 5});

    // A scaling rotation scales along the turned axes: a quarter turn about y swaps x and z.
    D3DXMatrixTransformation(&m, nullptr, &q, &scaling, nullptr, nullptr, nullptr);
    ExpectNear(Transform({1, 0, 0}, m), {4, 0, 0});
    ExpectNear(Transform({0, 0, 1}, m), {0, 0, 2});

    D3DXMatrixAffineTransformation(&m, 2.0f, nullptr, &q, &move);
    D3DXMATRIX s, r, t;
    D3DXMatrixScaling(&s, 2, 2, 2);
    D3DXMatrixRotationY(&r, kHalfPi);
    D3DXMatrixTranslation(&t, 0, 0, 10);
    ExpectNear(m, s * r * t);
}

TEST(D3DXVector, TransformsAndNormalisation)
{
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 1, 2, 3);
    m(3, 3) = 2.0f;
    const D3DXVECTOR3 v(1, 1, 1);
    D3DXVECTOR4 v4;
    D3DXVec3Transform(&v4, &v, &m);
    EXPECT_EQ(v4, D3DXVECTOR4(2, 3, 4, 2));
    ExpectNear(Transform(v, m), {1, 1.5f, 2});
    D3DXVECTOR3 normal;
    D3DXVec3TransformNormal(&normal, &v, &m);
    EXPECT_EQ(normal, v);
    const D3DXVECTOR4 w(1, 0, 0, 0);
    D3DXVec4Transform(&v4, &w, &m);
    EXPECT_EQ(v4, D3DXVECTOR4(1, 0, 0, 0));

    D3DXVECTOR3 n;
    const D3DXVECTOR3 tilted(1, -1, 1);
    D3DXVec3Normalize(&n, &tilted);
    ExpectNear(n, {0.57735027f, -0.57735027f, 0.57735027f});
    const D3DXVECTOR3 zero;
    EXPECT_EQ(*D3DXVec3Normalize(&n, &zero), zero);
    D3DXVECTOR3 cross;
    const D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0);
    EXPECT_EQ(*D3DXVec3Cross(&cross, &x, &y), D3DXVECTOR3(0, 0, 1));
    EXPECT_EQ(D3DXVec3Dot(&tilted, &tilted), 3.0f);
    EXPECT_EQ(D3DXVec3Length(&x), 1.0f);
}

TEST(D3DXQuaternion, MultiplyAppliesTheLeftRotationFirst)
{
    const D3DXVECTOR3 x(1, 0, 0);
    D3DXQUATERNION qx, product;
    D3DXQuaternionRotationAxis(&qx, &x, 0.5f);
    const D3DXQUATERNION qy = AboutY(1.2f);
    D3DXQuaternionMultiply(&product, &qx, &qy);
    D3DXMATRIX mx, my, m;
    D3DXMatrixRotationQuaternion(&mx, &qx);
    D3DXMatrixRotationQuaternion(&my, &qy);
    ExpectNear(*D3DXMatrixRotationQuaternion(&m, &product), mx * my);
    EXPECT_EQ(qx * qy, product);

    D3DXQUATERNION n;
    const D3DXQUATERNION big(0, 3, 0, 4);
    EXPECT_EQ(*D3DXQuaternionNormalize(&n, &big), D3DXQUATERNION(0, 0.6f, 0, 0.8f));
    D3DXQUATERNION inverse, identity;
    D3DXQuaternionInverse(&inverse, &big);
    D3DXQuaternionIdentity(&identity);
    ExpectSameRotation(big * inverse, identity);
}

TEST(D3DXQuaternion, LnAndExpAreInverse)
{
    const D3DXQUATERNION q = AboutY(1.0f);
    D3DXQUATERNION ln, back;
    D3DXQuaternionLn(&ln, &q);
    EXPECT_NEAR(ln.y, 0.5f, kEps);
    EXPECT_EQ(ln.w, 0.0f);
    ExpectSameRotation(*D3DXQuaternionExp(&back, &ln), q);
    D3DXQUATERNION identity, lnIdentity;
    D3DXQuaternionIdentity(&identity);
    EXPECT_EQ(*D3DXQuaternionLn(&lnIdentity, &identity), D3DXQUATERNION(0, 0, 0, 0));
    EXPECT_EQ(*D3DXQuaternionExp(&back, &lnIdentity), identity);
}

TEST(D3DXQuaternion, SlerpTakesTheShorterArc)
{
    const D3DXQUATERNION a = AboutY(0.0f), b = AboutY(kHalfPi);
    D3DXQUATERNION out, flipped;
    D3DXQuaternionSlerp(&out, &a, &b, 0.5f);
    ExpectSameRotation(out, AboutY(kHalfPi / 2.0f));
    D3DXQuaternionSlerp(&out, &a, &b, 0.25f);
    EXPECT_NEAR(AngleAboutY(out), kHalfPi / 4.0f, kEps);
    const D3DXQUATERNION minusB = -b;
    D3DXQuaternionSlerp(&flipped, &a, &minusB, 0.25f);
    ExpectSameRotation(flipped, out);
    // Nearly equal orientations blend linearly without dividing by zero.
    D3DXQuaternionSlerp(&out, &a, &a, 0.3f);
    EXPECT_EQ(out, a);
}

TEST(D3DXQuaternion, SquadSetupGivesTheControlPointsOfTheDocumentedFormula)
{
    // Keys on one axis at angles 0, a, 3a, 4a: the control points are at 0.75a and 3.25a
    // (q1 exp(-(ln(q1^-1 q2) + ln(q1^-1 q0)) / 4) and the same at q2), and C is q2.
    const float a = 0.4f;
    const D3DXQUATERNION q0 = AboutY(0), q1 = AboutY(a), q2 = AboutY(3 * a), q3 = AboutY(4 * a);
    D3DXQUATERNION qa, qb, qc;
    D3DXQuaternionSquadSetup(&qa, &qb, &qc, &q0, &q1, &q2, &q3);
    EXPECT_NEAR(AngleAboutY(qa), 0.75f * a, kEps);
    EXPECT_NEAR(AngleAboutY(qb), 3.25f * a, kEps);
    EXPECT_EQ(qc, q2);

    // Squad: Slerp(Slerp(q1, C, t), Slerp(A, B, t), 2t(1 - t)).
    D3DXQUATERNION out;
    D3DXQuaternionSquad(&out, &q1, &qa, &qb, &qc, 0.25f);
    EXPECT_NEAR(AngleAboutY(out), 1.453125f * a, kEps);
    D3DXQuaternionSquad(&out, &q1, &qa, &qb, &qc, 0.5f);
    EXPECT_NEAR(AngleAboutY(out), 2.0f * a, kEps);
    D3DXQuaternionSquad(&out, &q1, &qa, &qb, &qc, 0.0f);
    EXPECT_EQ(out, q1);

    // Signs are made to agree: q2 given as -q2 comes back as q2, q0 and q3 likewise.
    const D3DXQUATERNION minusQ0 = -q0, minusQ2 = -q2, minusQ3 = -q3;
    D3DXQUATERNION fa, fb, fc;
    D3DXQuaternionSquadSetup(&fa, &fb, &fc, &minusQ0, &q1, &minusQ2, &minusQ3);
    EXPECT_EQ(fc, q2);
    ExpectSameRotation(fa, qa);
    ExpectSameRotation(fb, qb);
}

TEST(D3DXColor, PacksAndUnpacksArgb)
{
    const D3DXCOLOR c(0x80FF4000u);
    EXPECT_FLOAT_EQ(c.a, 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(c.r, 1.0f);
    EXPECT_FLOAT_EQ(c.g, 64.0f / 255.0f);
    EXPECT_EQ(c.b, 0.0f);
    EXPECT_EQ(static_cast<DWORD>(c), 0x80FF4000u);
    EXPECT_EQ(static_cast<DWORD>(D3DXCOLOR(2.0f, -1.0f, 0.5f, 1.0f)), 0xFFFF0080u);
}
