// COrvComPtr: every way of taking, sharing, passing and dropping a reference leaves the count
// where the owners expect it, and the object goes with its last owner.
#include "OrvComPtr.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace
{
// Counts as the platform's objects do, starting at one for the creator; notes its deletion.
class CCounted
{
public:
    explicit CCounted(bool* pDeleted) : m_pDeleted(pDeleted) {}
    unsigned long AddRef() { return ++m_ulCount; }
    unsigned long Release()
    {
        const unsigned long ulCount = --m_ulCount;
        if (ulCount == 0)
        {
            *m_pDeleted = true;
            delete this;
        }
        return ulCount;
    }
    unsigned long Count() const { return m_ulCount; }

private:
    ~CCounted() = default;
    unsigned long m_ulCount = 1;
    bool* m_pDeleted;
};

// What a creation call does: hands out the creator's reference through T**.
void Create(bool* pDeleted, CCounted** ppOut)
{
    *ppOut = new CCounted(pDeleted);
}
} // namespace

TEST(ComPtr, CreationCopyMoveAndDestructionCountOnce)
{
    bool bDeleted = false;
    {
        COrvComPtr<CCounted> first;
        Create(&bDeleted, first.ReleaseAndGetAddressOf());
        EXPECT_EQ(first->Count(), 1u);
        COrvComPtr<CCounted> copy(first);
        EXPECT_EQ(first->Count(), 2u);
        EXPECT_EQ(copy, first);
        COrvComPtr<CCounted> moved(std::move(copy));
        EXPECT_EQ(copy, nullptr);
        EXPECT_EQ(first->Count(), 2u);
        COrvComPtr<CCounted> assigned;
        assigned = moved;
        EXPECT_EQ(first->Count(), 3u);
        assigned = std::move(moved);
        EXPECT_EQ(moved, nullptr);
        EXPECT_EQ(first->Count(), 2u);
        const COrvComPtr<CCounted>& self = assigned;
        assigned = self; // self-assignment keeps the count
        EXPECT_EQ(first->Count(), 2u);
        std::vector<COrvComPtr<CCounted>> many(5, first);
        EXPECT_EQ(first->Count(), 7u);
        many.clear();
        EXPECT_EQ(first->Count(), 2u);
    }
    EXPECT_TRUE(bDeleted);
}

TEST(ComPtr, AttachAdoptsAssignSharesDetachHandsOver)
{
    bool bDeleted = false;
    CCounted* pRaw = new CCounted(&bDeleted); // the caller's one reference
    COrvComPtr<CCounted> adopted;
    adopted.Attach(pRaw);
    EXPECT_EQ(pRaw->Count(), 1u);
    COrvComPtr<CCounted> shared;
    shared.Assign(pRaw);
    EXPECT_EQ(pRaw->Count(), 2u);
    COrvComPtr<CCounted> constructed(pRaw); // the pointer constructor shares too
    EXPECT_EQ(pRaw->Count(), 3u);
    constructed.Reset();
    EXPECT_EQ(constructed, nullptr);
    EXPECT_EQ(pRaw->Count(), 2u);
    CCounted* pHandedOver = shared.Detach();
    EXPECT_EQ(shared, nullptr);
    EXPECT_EQ(pHandedOver, pRaw);
    EXPECT_EQ(pRaw->Count(), 2u); // Detach gives the reference away without releasing it
    pHandedOver->Release();
    EXPECT_FALSE(bDeleted);
    adopted = nullptr;
    EXPECT_TRUE(bDeleted);
}

TEST(ComPtr, ReplacingWhatIsHeldReleasesTheOldObject)
{
    bool bFirstDeleted = false, bSecondDeleted = false;
    COrvComPtr<CCounted> held;
    Create(&bFirstDeleted, held.ReleaseAndGetAddressOf());
    Create(&bSecondDeleted, held.ReleaseAndGetAddressOf());
    EXPECT_TRUE(bFirstDeleted);
    EXPECT_FALSE(bSecondDeleted);
    CCounted* pSecond = held.Get();
    held.Assign(pSecond); // the same object again: shared before the old one is dropped
    EXPECT_FALSE(bSecondDeleted);
    EXPECT_EQ(pSecond->Count(), 1u);
    held.Attach(nullptr);
    EXPECT_TRUE(bSecondDeleted);
    EXPECT_FALSE(held);
}
