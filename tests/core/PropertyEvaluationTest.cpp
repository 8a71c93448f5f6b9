#include "OrvKernel.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace
{
// "k<i>", appended: GCC 12 at -O3 warns (-Wrestrict) about "k" + std::to_string(i).
std::string KeyText(int i)
{
    std::string text(1, 'k');
    return text.append(std::to_string(i));
}

// Builds keys the way a demo file does: a new key with a value, handed to the track.
template <typename TKey, typename TValue> void Put(COrvPropBase& prop, int frame, TValue value)
{
    auto* pKey = new TKey;
    pKey->m_Value = value;
    prop.AddKey(frame, pKey);
}

template <typename TProp> auto ValueAt(TProp& prop, float frame)
{
    COrvPropBase::SetFrame(frame);
    return prop.GetValue();
}

class PropertyEvaluation : public ::testing::Test
{
protected:
    void TearDown() override { COrvPropBase::SetFrame(0.0f); }
};
} // namespace

TEST_F(PropertyEvaluation, FloatFollowsCatmullRomFromTheDefaultThroughTheKeys)
{
    COrvPropFloat prop(nullptr, ORV_PROP_ALPHA);
    prop.SetDefaultValue(0.0f);
    Put<COrvKeyFloat>(prop, 16, 1.0f);
    Put<COrvKeyFloat>(prop, 32, 0.0f);
    EXPECT_EQ(ValueAt(prop, 0.0f), 0.0f);
    EXPECT_EQ(ValueAt(prop, 8.0f), 0.5625f);
    EXPECT_EQ(ValueAt(prop, 16.0f), 1.0f);
    EXPECT_EQ(ValueAt(prop, 20.0f), 0.796875f);
    EXPECT_EQ(ValueAt(prop, 24.0f), 0.5f);
    EXPECT_EQ(ValueAt(prop, 32.0f), 0.0f);
    EXPECT_EQ(ValueAt(prop, 40.0f), 0.0f);
}

TEST_F(PropertyEvaluation, FloatSplineBendsThroughTheKeysBeforeAndAfter)
{
    COrvPropFloat prop(nullptr, ORV_PROP_ALPHA);
    prop.SetDefaultValue(0.0f);
    Put<COrvKeyFloat>(prop, 0, 0.0f);
    Put<COrvKeyFloat>(prop, 16, 10.0f);
    Put<COrvKeyFloat>(prop, 32, 0.0f);
    Put<COrvKeyFloat>(prop, 48, 10.0f);
    EXPECT_EQ(ValueAt(prop, 8.0f), 5.625f);
    EXPECT_EQ(ValueAt(prop, 24.0f), 5.0f);
    EXPECT_EQ(ValueAt(prop, 40.0f), 4.375f);
    EXPECT_EQ(ValueAt(prop, 1000.0f), 10.0f);
}

TEST_F(PropertyEvaluation, NotAnimableGivesTheDefaultWhateverTheTrack)
{
    COrvPropFloat prop(nullptr, ORV_PROP_ALPHA);
    prop.SetDefaultValue(3.0f);
    Put<COrvKeyFloat>(prop, 16, 1.0f);
    prop.SetAnimable(false);
    EXPECT_EQ(ValueAt(prop, 16.0f), 3.0f);
    prop.SetAnimable(true);
    EXPECT_EQ(ValueAt(prop, 16.0f), 1.0f);
}

TEST_F(PropertyEvaluation, IntRoundsHalfUpByAddingAHalfThenTruncating)
{
    // Two keys 0 -> 5 reached from a default of 0: at t = 0.5 the bracket is 2 * 2.5.
    COrvPropInt prop(nullptr, ORV_PROP_WIDTH);
    prop.SetDefaultValue(0);
    Put<COrvKeyInt>(prop, 10, 0);
    Put<COrvKeyInt>(prop, 20, 5);
    COrvKeyInt probe;
    COrvKeyInt k0, k1, k2, k3;
    k0.m_Value = 0, k1.m_Value = 0, k2.m_Value = 5, k3.m_Value = 5;
    probe.InterpolateSpline(0.5f, &k0, &k1, &k2, &k3); // 2.5 -> 3
    EXPECT_EQ(probe.m_Value, 3);
    EXPECT_EQ(ValueAt(prop, 15.0f), 3);
    // About -2.3: + 0.5 = -1.8 truncates toward zero to -1 (flooring would give -2).
    k0.m_Value = 0, k1.m_Value = 0, k2.m_Value = -5, k3.m_Value = -5;
    probe.InterpolateSpline(0.47f, &k0, &k1, &k2, &k3);
    EXPECT_EQ(probe.m_Value, -1);
    k2.m_Value = -2;
    probe.InterpolateLinear(0.9f, &k0, &k2); // -1.8 truncated, no half added
    EXPECT_EQ(probe.m_Value, -1);
}

TEST_F(PropertyEvaluation, BoolsAndTextsStepAtTheirKeys)
{
    COrvPropBool flag(nullptr, ORV_PROP_VISIBLE);
    flag.SetDefaultValue(false);
    Put<COrvKeyBool>(flag, 10, true);
    EXPECT_FALSE(ValueAt(flag, 9.99f));
    EXPECT_TRUE(ValueAt(flag, 10.0f));
    EXPECT_TRUE(ValueAt(flag, 500.0f));

    COrvPropString text(nullptr, ORV_PROP_RENDER_TARGET);
    text.SetAnimable(true);
    text.SetDefaultValue("OUTPUT");
    Put<COrvKeyString>(text, 10, std::string("NEXT"));
    Put<COrvKeyString>(text, 20, std::string("rt"));
    EXPECT_EQ(ValueAt(text, 9.99f), "OUTPUT");
    EXPECT_EQ(ValueAt(text, 10.0f), "NEXT");
    EXPECT_EQ(ValueAt(text, 19.5f), "NEXT");
    EXPECT_EQ(ValueAt(text, 20.0f), "rt");
}

TEST_F(PropertyEvaluation, VectorsInterpolateComponentWise)
{
    COrvPropVector prop(nullptr, ORV_PROP_TRANSLATION);
    Put<COrvKeyVector>(prop, 16, D3DXVECTOR3(1.0f, 10.0f, -2.0f));
    Put<COrvKeyVector>(prop, 32, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    const D3DXVECTOR3 v = ValueAt(prop, 20.0f);
    EXPECT_EQ(v.x, 0.796875f);
    EXPECT_EQ(v.y, 7.96875f);
    EXPECT_EQ(v.z, -1.59375f);
}

TEST_F(PropertyEvaluation, QuaternionsFollowSquadAndHitTheirKeys)
{
    COrvPropQuat prop(nullptr, ORV_PROP_ROTATION);
    const D3DXVECTOR3 y(0.0f, 1.0f, 0.0f);
    D3DXQUATERNION q16, q32;
    D3DXQuaternionRotationAxis(&q16, &y, D3DX_PI / 2.0f);
    D3DXQuaternionRotationAxis(&q32, &y, D3DX_PI);
    Put<COrvKeyQuat>(prop, 16, q16);
    Put<COrvKeyQuat>(prop, 32, q32);
    EXPECT_EQ(ValueAt(prop, 16.0f), q16);
    EXPECT_EQ(ValueAt(prop, 32.0f), q32);
    // Before the first key the identity default acts as a key at frame 0. All keys turn
    // about one axis, so squad stays on it: the angle runs monotonically.
    const D3DXQUATERNION q8 = ValueAt(prop, 8.0f);
    EXPECT_NEAR(q8.x, 0.0f, 1e-6f);
    EXPECT_NEAR(q8.z, 0.0f, 1e-6f);
    EXPECT_NEAR(D3DXQuaternionLength(&q8), 1.0f, 1e-5f);
    const float angle8 = 2.0f * std::atan2(q8.y, q8.w);
    const float angle24 = 2.0f * std::atan2(ValueAt(prop, 24.0f).y, ValueAt(prop, 24.0f).w);
    EXPECT_GT(angle8, 0.0f);
    EXPECT_LT(angle8, D3DX_PI / 2.0f);
    EXPECT_GT(angle24, D3DX_PI / 2.0f);
    EXPECT_LT(angle24, D3DX_PI);
}

TEST_F(PropertyEvaluation, CacheReflectsEditsAtTheSameFrame)
{
    COrvPropFloat prop(nullptr, ORV_PROP_ALPHA);
    Put<COrvKeyFloat>(prop, 0, 1.0f);
    EXPECT_EQ(ValueAt(prop, 5.0f), 1.0f);
    Put<COrvKeyFloat>(prop, 5, 2.0f);
    EXPECT_EQ(prop.GetValue(), 2.0f);
    prop.DeleteKeys(5, 5);
    EXPECT_EQ(prop.GetValue(), 1.0f);
}

TEST_F(PropertyEvaluation, AFirstReadAtFrameMinusOneEvaluates)
{
    COrvPropFloat prop(nullptr, ORV_PROP_ALPHA);
    prop.SetDefaultValue(4.0f);
    Put<COrvKeyFloat>(prop, 10, 4.0f);
    EXPECT_EQ(ValueAt(prop, -1.0f), 4.0f);
}

TEST_F(PropertyEvaluation, SetValueKeysTheTruncatedFrameOnlyWhenTheValueChanges)
{
    COrvPropFloat prop(nullptr, ORV_PROP_ALPHA);
    COrvPropBase::SetFrame(7.9f);
    prop.SetValue(2.0f);
    ASSERT_EQ(prop.GetTrack().size(), 1u);
    EXPECT_EQ(prop.GetTrack().begin()->first, 7);
    EXPECT_EQ(prop.GetValue(), 2.0f);

    COrvPropBase::SetFrame(-0.5f);
    prop.SetValue(3.0f);
    EXPECT_EQ(prop.GetTrack().count(0), 1u);

    // Reading a value and writing it back adds no key.
    COrvPropBase::SetFrame(30.0f);
    const float value = prop.GetValue();
    prop.SetValue(value);
    EXPECT_EQ(prop.GetTrack().size(), 2u);

    // Not animable: only the default changes.
    prop.SetAnimable(false);
    prop.SetValue(9.0f);
    EXPECT_EQ(prop.GetTrack().size(), 2u);
    EXPECT_EQ(prop.GetValue(), 9.0f);
}

TEST_F(PropertyEvaluation, SetValueAtOneFrameDoesNotLeakIntoTheCacheOfAnother)
{
    COrvPropFloat prop(nullptr, ORV_PROP_ALPHA);
    prop.SetDefaultValue(0.0f);
    Put<COrvKeyFloat>(prop, 16, 1.0f);
    Put<COrvKeyFloat>(prop, 32, 0.0f);
    EXPECT_EQ(ValueAt(prop, 8.0f), 0.5625f);
    COrvPropBase::SetFrame(100.0f);
    prop.SetValue(5.0f);
    EXPECT_EQ(ValueAt(prop, 8.0f), 0.5625f);
}

TEST_F(PropertyEvaluation, DeleteKeysTakesAClosedRangeInEitherOrder)
{
    COrvPropInt prop(nullptr, ORV_PROP_WIDTH);
    for (int frame : {5, 10, 15, 20, 25})
        Put<COrvKeyInt>(prop, frame, frame);
    prop.DeleteKeys(20, 10);
    ASSERT_EQ(prop.GetTrack().size(), 2u);
    EXPECT_EQ(prop.GetTrack().begin()->first, 5);
    EXPECT_EQ(prop.GetTrack().rbegin()->first, 25);
    // The remaining keys still evaluate in order.
    EXPECT_EQ(ValueAt(prop, 25.0f), 25);
    EXPECT_EQ(ValueAt(prop, 5.0f), 5);
}

TEST_F(PropertyEvaluation, LargeTracksFindTheKeysAroundTheFrame)
{
    // Keys at every third frame with value = frame, inserted out of order.
    COrvPropFloat prop(nullptr, ORV_PROP_ALPHA);
    for (int i = 999; i >= 0; i -= 2)
        Put<COrvKeyFloat>(prop, i * 3, static_cast<float>(i * 3));
    for (int i = 0; i < 1000; i += 2)
        Put<COrvKeyFloat>(prop, i * 3, static_cast<float>(i * 3));
    ASSERT_EQ(prop.GetTrack().size(), 1000u);
    for (int frame = 3; frame < 2994; frame += 7)
        EXPECT_NEAR(ValueAt(prop, frame + 0.5f), frame + 0.5f, 0.02f) << frame;
    prop.DeleteKeys(300, 2700);
    EXPECT_EQ(ValueAt(prop, 297.0f), 297.0f);
    EXPECT_EQ(ValueAt(prop, 2703.0f), 2703.0f);
}

TEST_F(PropertyEvaluation, StepsFindTheirKeyInTracksOfEveryLength)
{
    // Lengths on both sides of the switch between counting and halving in the key search.
    for (int length = 1; length <= 70; ++length)
    {
        COrvPropString prop(nullptr, ORV_PROP_RENDER_TARGET);
        prop.SetAnimable(true);
        prop.SetDefaultValue("default");
        for (int i = 0; i < length; ++i)
            Put<COrvKeyString>(prop, 10 + 3 * i, KeyText(i));
        EXPECT_EQ(ValueAt(prop, 9.5f), "default") << length;
        for (int i = 0; i < length; ++i)
        {
            const std::string expected = KeyText(i);
            EXPECT_EQ(ValueAt(prop, 10.0f + 3 * i), expected) << length;
            EXPECT_EQ(ValueAt(prop, 12.9f + 3 * i), expected) << length;
        }
    }
}

TEST_F(PropertyEvaluation, QuaternionKeysGiveExactlyTheD3DXSquad)
{
    D3DXQUATERNION values[4];
    for (int i = 0; i < 4; ++i)
    {
        const D3DXVECTOR3 axis(1.0f, 0.5f * i - 1.0f, 0.3f);
        D3DXQuaternionRotationAxis(&values[i], &axis, 0.9f * i + 0.2f);
    }
    values[2] = -values[2]; // a sign flip for the set-up to undo
    COrvKeyQuat keys[4], out;
    for (int i = 0; i < 4; ++i)
        keys[i].m_Value = values[i];
    auto expected = [&](float t)
    {
        D3DXQUATERNION a, b, c, q;
        D3DXQuaternionSquadSetup(&a, &b, &c, &keys[0].m_Value, &keys[1].m_Value, &keys[2].m_Value,
                                 &keys[3].m_Value);
        D3DXQuaternionSquad(&q, &keys[1].m_Value, &a, &b, &c, t);
        return q;
    };
    for (float t : {0.0f, 0.1f, 0.5f, 0.77f, 1.0f})
    {
        out.InterpolateSpline(t, &keys[0], &keys[1], &keys[2], &keys[3]);
        EXPECT_EQ(out.m_Value, expected(t)) << t;
    }
    // Changing a key's value in place is seen at the next evaluation.
    keys[3].m_Value = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    out.InterpolateSpline(0.3f, &keys[0], &keys[1], &keys[2], &keys[3]);
    EXPECT_EQ(out.m_Value, expected(0.3f));
    keys[1].m_Value = values[3];
    out.InterpolateSpline(0.3f, &keys[0], &keys[1], &keys[2], &keys[3]);
    EXPECT_EQ(out.m_Value, expected(0.3f));
    D3DXQUATERNION slerp;
    out.InterpolateLinear(0.4f, &keys[0], &keys[2]);
    EXPECT_EQ(out.m_Value, *D3DXQuaternionSlerp(&slerp, &values[0], &values[2], 0.4f));
}

// Reading at any frame, as an editor's curves and inspector do, while the current frame stays
// where the host put it.
TEST_F(PropertyEvaluation, ValueAtAnyFrameGivesWhatTheCurrentFrameWouldGiveThereWithoutMovingIt)
{
    COrvPropFloat prop(nullptr, ORV_PROP_ALPHA);
    prop.SetDefaultValue(0.5f);
    Put<COrvKeyFloat>(prop, 10, 2.0f);
    Put<COrvKeyFloat>(prop, 20, -1.0f);
    Put<COrvKeyFloat>(prop, 40, 3.0f);
    COrvPropBase::SetFrame(7.0f);
    const float cached = prop.GetValue();
    for (float frame : {-3.0f, 0.0f, 4.5f, 10.0f, 13.25f, 20.0f, 33.3f, 40.0f, 1000.0f})
    {
        const float atFrame = prop.GetValueAt(frame);
        EXPECT_EQ(COrvPropBase::m_siFrame, 7.0f);
        EXPECT_EQ(prop.GetValue(), cached) << "the cached value of the current frame stays";
        COrvPropBase::SetFrame(frame);
        EXPECT_EQ(atFrame, prop.GetValue()) << frame;
        COrvPropBase::SetFrame(7.0f);
    }
}

TEST_F(PropertyEvaluation, ValueAtEveryTypeReadsItsTrackAndItsExactDefault)
{
    COrvPropInt count(nullptr, ORV_PROP_LEVEL);
    count.SetDefaultValue(-3);
    EXPECT_EQ(count.GetValueAt(100.0f), -3) << "no key: the default itself, not rounded";
    Put<COrvKeyInt>(count, 8, 5);
    EXPECT_EQ(count.GetValueAt(8.0f), 5);

    COrvPropBool flag(nullptr, ORV_PROP_VISIBLE);
    flag.SetDefaultValue(true);
    Put<COrvKeyBool>(flag, 4, false);
    EXPECT_TRUE(flag.GetValueAt(3.9f));
    EXPECT_FALSE(flag.GetValueAt(4.0f));

    COrvPropFloat fine(nullptr, ORV_PROP_ZOOM);
    fine.SetDefaultValue(0.1234567f);
    fine.SetAnimable(false);
    Put<COrvKeyFloat>(fine, 0, 9.0f);
    EXPECT_EQ(fine.GetValueAt(0.0f), 0.1234567f) << "not animable: the default, unrounded";

    COrvPropVector position(nullptr, ORV_PROP_TRANSLATION);
    Put<COrvKeyVector>(position, 0, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    Put<COrvKeyVector>(position, 16, D3DXVECTOR3(3.0f, 2.0f, 1.0f));
    const D3DXVECTOR3 middle = position.GetValueAt(8.0f);
    EXPECT_FLOAT_EQ(middle.x, 2.0f);
    EXPECT_FLOAT_EQ(middle.y, 2.0f);

    COrvPropQuat turn(nullptr, ORV_PROP_ROTATION);
    D3DXQUATERNION quarter;
    D3DXQuaternionRotationYawPitchRoll(&quarter, 1.0f, 0.0f, 0.0f);
    Put<COrvKeyQuat>(turn, 10, quarter);
    const D3DXQUATERNION atKey = turn.GetValueAt(10.0f);
    EXPECT_NEAR(atKey.y, quarter.y, 1e-6f);
    EXPECT_NEAR(atKey.w, quarter.w, 1e-6f);

    COrvPropString text(nullptr, ORV_PROP_FILENAME);
    text.SetDefaultValue("a.png");
    EXPECT_EQ(text.GetValueAt(50.0f), "a.png");
}

TEST_F(PropertyEvaluation, ValueAtKeysFromAnyFrameAreCopiesOfTheirOwn)
{
    COrvPropFloat prop(nullptr, ORV_PROP_ALPHA);
    Put<COrvKeyFloat>(prop, 0, 1.0f);
    COrvComPtr<COrvKey> pKey = prop.GetKeyAt(0.0f);
    ASSERT_TRUE(pKey);
    EXPECT_EQ(pKey->GetRefCount(), 1);
    static_cast<COrvKeyFloat*>(pKey.Get())->m_Value = 5.0f;
    EXPECT_EQ(prop.GetValueAt(0.0f), 1.0f) << "changing the copy leaves the track";

    COrvPropBase untyped(nullptr, ORV_PROP_ALPHA);
    EXPECT_FALSE(untyped.GetKeyAt(0.0f)) << "a property of no value type gives nothing";
}

TEST_F(PropertyEvaluation, ValueAtKeyFramesAreTruncatedAndSaturated)
{
    EXPECT_EQ(COrvPropBase::KeyFrameOf(7.9f), 7);
    EXPECT_EQ(COrvPropBase::KeyFrameOf(-0.5f), 0);
    EXPECT_EQ(COrvPropBase::KeyFrameOf(-1.5f), -1);
    EXPECT_EQ(COrvPropBase::KeyFrameOf(1e12f), INT_MAX);
    EXPECT_EQ(COrvPropBase::KeyFrameOf(-1e12f), INT_MIN);
    EXPECT_EQ(COrvPropBase::KeyFrameOf(std::nanf("")), 0);
}

TEST_F(PropertyEvaluation, ValueAtClonesHoldTheSameValueAndType)
{
    COrvKeyQuat quat;
    quat.m_Value = D3DXQUATERNION(0.1f, 0.2f, 0.3f, 0.9f);
    COrvComPtr<COrvKey> pCopy(quat.Clone());
    auto* pQuat = dynamic_cast<COrvKeyQuat*>(pCopy.Get());
    ASSERT_NE(pQuat, nullptr);
    EXPECT_EQ(pQuat->m_Value, quat.m_Value);

    COrvKeyString text;
    text.m_Value = "x y";
    COrvComPtr<COrvKey> pText(text.Clone());
    EXPECT_EQ(dynamic_cast<COrvKeyString*>(pText.Get())->m_Value, "x y");
    COrvKeyInt number;
    number.m_Value = -7;
    COrvComPtr<COrvKey> pNumber(number.Clone());
    EXPECT_EQ(dynamic_cast<COrvKeyInt*>(pNumber.Get())->m_Value, -7);
}
