#include "OrvKernel.h"

#include <gtest/gtest.h>

namespace
{
int g_iKeysAlive = 0;

// A float key that counts live instances, to see every release happen.
class CCountedKey : public COrvKeyFloat
{
public:
    CCountedKey() { ++g_iKeysAlive; }
    ~CCountedKey() override { --g_iKeysAlive; }
};

// A float property whose keys are counted.
class CCountedProp : public COrvPropFloat
{
public:
    CCountedProp() : COrvPropFloat(nullptr, ORV_PROP_ALPHA) {}

protected:
    COrvKey* CreateNewKey() const override { return new CCountedKey; }
};
} // namespace

TEST(KeyCount, TheTrackHoldsOneReferencePerSlot)
{
    g_iKeysAlive = 0;
    {
        COrvPropFloat prop(nullptr, ORV_PROP_ALPHA);
        auto* pFirst = new CCountedKey;
        auto* pSecond = new CCountedKey;
        pFirst->AddRef(); // the test's own hold
        prop.AddKey(4, pFirst);
        EXPECT_EQ(pFirst->GetRefCount(), 2);
        // The same key again at the same frame: count unchanged.
        prop.AddKey(4, pFirst);
        EXPECT_EQ(pFirst->GetRefCount(), 2);
        // Replacing it releases the old one.
        prop.AddKey(4, pSecond);
        EXPECT_EQ(pFirst->GetRefCount(), 1);
        EXPECT_EQ(prop.GetTrack().at(4), pSecond);
        // One key in two slots holds two references.
        prop.AddKey(8, pFirst);
        prop.AddKey(9, pFirst);
        EXPECT_EQ(pFirst->GetRefCount(), 3);
        prop.DeleteKeys(9, 8);
        EXPECT_EQ(pFirst->GetRefCount(), 1);
        pFirst->Release();
        EXPECT_EQ(g_iKeysAlive, 1);
        prop.AddKey(1, nullptr);
        EXPECT_EQ(prop.GetTrack().size(), 1u);
    }
    EXPECT_EQ(g_iKeysAlive, 0);
}

TEST(KeyCount, KeysOfAnotherTypeAreRefusedAndFreed)
{
    COrvPropFloat prop(nullptr, ORV_PROP_ALPHA);
    prop.AddKey(3, new COrvKeyQuat);
    EXPECT_TRUE(prop.GetTrack().empty());
    auto* pHeld = new COrvKeyString;
    pHeld->AddRef();
    prop.AddKey(3, pHeld);
    EXPECT_EQ(pHeld->GetRefCount(), 1);
    pHeld->Release();
}

TEST(KeyCount, LoadReplacesTheDefaultKeyAndFreesTheOldOnes)
{
    g_iKeysAlive = 0;
    {
        CCountedProp prop;
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string("<P defaultValue=\"1\"><track><key frame=\"1\" value=\"2\"/>"
                                    "<key frame=\"1\" value=\"3\"/></track></P>"));
        prop.Load(doc.first_child());
        EXPECT_EQ(g_iKeysAlive, 2); // the default key and the one key left at frame 1
        prop.Load(doc.first_child());
        EXPECT_EQ(g_iKeysAlive, 2);
        COrvPropBase::SetFrame(1.0f);
        EXPECT_EQ(prop.GetValue(), 3.0f);
        COrvPropBase::SetFrame(0.0f);
    }
    EXPECT_EQ(g_iKeysAlive, 0);
}
