// Typed values: what the inspector accepts, what it refuses and why, and orientations shown
// as yaw, pitch and roll.
#include "ValueText.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace orv::editor;

TEST(ValueTextTest, FloatsAreReadStrictlyWithTheReasonOfARefusal)
{
    float fValue = 7.0f;
    std::string sError;
    EXPECT_TRUE(ParseFloatText(" -2.5 ", fValue, sError));
    EXPECT_FLOAT_EQ(fValue, -2.5f);
    EXPECT_TRUE(ParseFloatText("+1e3", fValue, sError));
    EXPECT_FLOAT_EQ(fValue, 1000.0f);

    fValue = 7.0f;
    for (const char* pText : {"abc", "1.5x", "1,5", "--1", "0x"})
    {
        sError.clear();
        EXPECT_FALSE(ParseFloatText(pText, fValue, sError)) << pText;
        EXPECT_NE(sError.find("not a number"), std::string::npos) << sError;
    }
    EXPECT_FALSE(ParseFloatText("1e39", fValue, sError));
    EXPECT_NE(sError.find("too large"), std::string::npos) << sError;
    EXPECT_FALSE(ParseFloatText("1e999", fValue, sError));
    EXPECT_NE(sError.find("too large"), std::string::npos) << sError;
    EXPECT_FALSE(ParseFloatText("nan", fValue, sError));
    EXPECT_FALSE(ParseFloatText("inf", fValue, sError));
    EXPECT_FALSE(ParseFloatText("   ", fValue, sError));
    EXPECT_EQ(sError, "no number typed");
    EXPECT_FLOAT_EQ(fValue, 7.0f); // refusals leave the value alone
}

TEST(ValueTextTest, IntegersRefuseFractionsAndWhatAnIntCannotHold)
{
    int iValue = 3;
    std::string sError;
    EXPECT_TRUE(ParseIntText("-2147483648", iValue, sError));
    EXPECT_EQ(iValue, -2147483647 - 1);
    EXPECT_TRUE(ParseIntText("+12", iValue, sError));
    EXPECT_EQ(iValue, 12);
    EXPECT_FALSE(ParseIntText("2147483648", iValue, sError));
    EXPECT_NE(sError.find("2147483647"), std::string::npos) << sError;
    EXPECT_FALSE(ParseIntText("3.5", iValue, sError));
    EXPECT_NE(sError.find("not a whole number"), std::string::npos) << sError;
    EXPECT_EQ(iValue, 12);
}

TEST(ValueTextTest, VectorsTakeExactlyThreeNumbers)
{
    D3DXVECTOR3 value(9.0f, 9.0f, 9.0f);
    std::string sError;
    EXPECT_TRUE(ParseVectorText("1, -2.5 ,3", value, sError));
    EXPECT_EQ(value, D3DXVECTOR3(1.0f, -2.5f, 3.0f));
    EXPECT_FALSE(ParseVectorText("1 2", value, sError));
    EXPECT_NE(sError.find("three numbers"), std::string::npos) << sError;
    EXPECT_FALSE(ParseVectorText("1 2 3 4", value, sError));
    EXPECT_NE(sError.find("more than three"), std::string::npos) << sError;
    EXPECT_FALSE(ParseVectorText("1 x 3", value, sError));
    EXPECT_NE(sError.find("\"x\" is not a number"), std::string::npos) << sError;
    EXPECT_EQ(value, D3DXVECTOR3(1.0f, -2.5f, 3.0f));
}

namespace
{
// The rotations of two quaternions agree (q and -q are the same rotation).
void ExpectSameRotation(const D3DXQUATERNION& a, const D3DXQUATERNION& b)
{
    D3DXMATRIX ma;
    D3DXMATRIX mb;
    D3DXMatrixRotationQuaternion(&ma, &a);
    D3DXMatrixRotationQuaternion(&mb, &b);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(ma.m[r][c], mb.m[r][c], 1e-4f) << r << "," << c;
}
} // namespace

TEST(ValueTextTest, YawPitchRollGiveBackTheEnginesRotation)
{
    const float fAngles[][3] = {{0, 0, 0},    {30, 0, 0},     {0, 45, 0},
                                {0, 0, -60},  {120, -30, 75}, {-170, 80, 10},
                                {10, 90, 25}, {40, -90, -35}, {179, 1, -179}};
    for (const auto& a : fAngles)
    {
        D3DXQUATERNION engine;
        const float fToRadians = 3.14159265f / 180.0f;
        D3DXQuaternionRotationYawPitchRoll(&engine, a[0] * fToRadians, a[1] * fToRadians,
                                           a[2] * fToRadians);
        const SYawPitchRoll angles = YawPitchRollFromQuaternion(engine);
        EXPECT_LE(std::fabs(angles.fPitch), 90.0f);
        ExpectSameRotation(QuaternionFromYawPitchRoll(angles), engine);
        if (std::fabs(a[1]) < 89.0f)
        {
            EXPECT_NEAR(angles.fYaw, a[0], 1e-2f);
            EXPECT_NEAR(angles.fPitch, a[1], 1e-2f);
            EXPECT_NEAR(angles.fRoll, a[2], 1e-2f);
        }
    }
}

TEST(ValueTextTest, OrientationsNotOfUnitLengthReadAsTheirRotation)
{
    D3DXQUATERNION engine;
    D3DXQuaternionRotationYawPitchRoll(&engine, 0.5f, 0.25f, -0.3f);
    const D3DXQUATERNION scaled(engine.x * 3.0f, engine.y * 3.0f, engine.z * 3.0f, engine.w * 3.0f);
    ExpectSameRotation(QuaternionFromYawPitchRoll(YawPitchRollFromQuaternion(scaled)), engine);
    const SYawPitchRoll zero = YawPitchRollFromQuaternion(D3DXQUATERNION(0, 0, 0, 0));
    EXPECT_EQ(zero.fYaw, 0.0f);
    EXPECT_EQ(zero.fPitch, 0.0f);
    EXPECT_EQ(zero.fRoll, 0.0f);
}
