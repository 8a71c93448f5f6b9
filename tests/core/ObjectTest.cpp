#include "OrvKernel.h"

#include <gtest/gtest.h>

namespace
{
int g_iDestroyed = 0;

class CTestObject : public COrvObject
{
public:
    ~CTestObject() override { ++g_iDestroyed; }
};

template <typename T> class CTemplated : public COrvObject
{
};
} // namespace

TEST(Object, ReleaseDestroysOnlyWhenTheCountFallsFromOneToZero)
{
    g_iDestroyed = 0;
    auto* pObject = new CTestObject;
    EXPECT_EQ(pObject->GetRefCount(), 0);
    pObject->AddRef();
    pObject->AddRef();
    pObject->Release();
    EXPECT_EQ(g_iDestroyed, 0);
    EXPECT_EQ(pObject->GetRefCount(), 1);
    pObject->Release();
    EXPECT_EQ(g_iDestroyed, 1);
}

TEST(Object, GetClassGivesThePlainClassName)
{
    CTestObject object;
    EXPECT_EQ(object.GetClass(), "(anonymous namespace)::CTestObject");
    EXPECT_EQ(OrvClassNameFromTypeName(typeid(COrvObject).name()), "COrvObject");
    // Template arguments lose their angle brackets.
    CTemplated<COrvObject> templated;
    EXPECT_EQ(templated.GetClass(), "(anonymous namespace)::CTemplatedCOrvObject");
}
