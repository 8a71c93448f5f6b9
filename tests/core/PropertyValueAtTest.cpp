// Reading a property at any frame, as an editor's curves and inspector do, while the demo's
// current frame stays where the host put it.
#include "OrvKernel.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace
{
template <typename TKey, typename TValue> void Put(COrvPropBase& prop, int frame, TValue value)
{
    auto* pKey = new TKey;
    pKey->m_Value = value;
    prop.AddKey(frame, pKey);
}

class PropertyValueAt : public ::testing::Test
{
protected:
    void TearDown() override { COrvPropBase::SetFrame(0.0f); }
};
} // namespace

TEST_F(PropertyValueAt, GivesWhatTheCurrentFrameWouldGiveThereWithoutMovingIt)
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

TEST_F(PropertyValueAt, EveryTypeReadsItsTrackAndItsExactDefault)
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

TEST_F(PropertyValueAt, KeysFromAnyFrameAreCopiesOfTheirOwn)
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

TEST_F(PropertyValueAt, KeyFramesAreTruncatedAndSaturated)
{
    EXPECT_EQ(COrvPropBase::KeyFrameOf(7.9f), 7);
    EXPECT_EQ(COrvPropBase::KeyFrameOf(-0.5f), 0);
    EXPECT_EQ(COrvPropBase::KeyFrameOf(-1.5f), -1);
    EXPECT_EQ(COrvPropBase::KeyFrameOf(1e12f), INT_MAX);
    EXPECT_EQ(COrvPropBase::KeyFrameOf(-1e12f), INT_MIN);
    EXPECT_EQ(COrvPropBase::KeyFrameOf(std::nanf("")), 0);
}

TEST_F(PropertyValueAt, ClonesHoldTheSameValueAndType)
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
