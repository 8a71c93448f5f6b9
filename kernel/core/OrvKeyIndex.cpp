#include "core/OrvKeyIndex.h"

#include <algorithm>

namespace
{
// Tracks up to this length are counted straight through: independent comparisons that the
// compiler turns into vector code, with no branch to mispredict.
constexpr size_t kLinearCount = 32;

size_t CountLinear(const float* pFrames, size_t count, float x)
{
    size_t total = 0;
    size_t i = 0;
    for (; i + 8 <= count; i += 8)
    {
        unsigned block = 0;
        for (size_t j = 0; j < 8; ++j)
            block += pFrames[i + j] <= x ? 1u : 0u;
        total += block;
    }
    for (; i < count; ++i)
        total += pFrames[i] <= x ? 1u : 0u;
    return total;
}

template <typename T> void ReserveOneMore(std::vector<T>& values)
{
    if (values.size() == values.capacity())
        values.reserve(std::max<size_t>(8, values.size() * 2));
}
} // namespace

size_t COrvKeyIndex::CountAtOrBefore(float x) const
{
    // Halve without branches until a short run is left: every frame before pBase is at or
    // before x, every frame from pBase + count on is after it.
    const float* const pFirst = m_Frames.data();
    const float* pBase = pFirst;
    size_t count = m_Frames.size();
    while (count > kLinearCount)
    {
        const size_t half = count / 2;
        pBase = pBase[half] <= x ? pBase + half : pBase;
        count -= half;
    }
    return static_cast<size_t>(pBase - pFirst) + CountLinear(pBase, count, x);
}

size_t COrvKeyIndex::LowerBound(int iFrame) const
{
    return static_cast<size_t>(
        std::lower_bound(m_FrameNumbers.begin(), m_FrameNumbers.end(), iFrame) -
        m_FrameNumbers.begin());
}

void COrvKeyIndex::Insert(int iFrame, COrvKey* pKey)
{
    // Grow the three arrays before changing any, so that running out of memory leaves the
    // index as it was.
    ReserveOneMore(m_Frames);
    ReserveOneMore(m_FrameNumbers);
    ReserveOneMore(m_Keys);
    const size_t position = LowerBound(iFrame);
    m_Frames.insert(m_Frames.begin() + static_cast<std::ptrdiff_t>(position),
                    static_cast<float>(iFrame));
    m_FrameNumbers.insert(m_FrameNumbers.begin() + static_cast<std::ptrdiff_t>(position), iFrame);
    m_Keys.insert(m_Keys.begin() + static_cast<std::ptrdiff_t>(position), pKey);
}

void COrvKeyIndex::Replace(int iFrame, COrvKey* pKey)
{
    const size_t position = LowerBound(iFrame);
    if (position < m_Keys.size() && m_FrameNumbers[position] == iFrame)
        m_Keys[position] = pKey;
}

void COrvKeyIndex::EraseRange(int lo, int hi)
{
    const auto first = static_cast<std::ptrdiff_t>(LowerBound(lo));
    const auto last = static_cast<std::ptrdiff_t>(
        std::upper_bound(m_FrameNumbers.begin(), m_FrameNumbers.end(), hi) -
        m_FrameNumbers.begin());
    if (first >= last)
        return;
    m_Frames.erase(m_Frames.begin() + first, m_Frames.begin() + last);
    m_FrameNumbers.erase(m_FrameNumbers.begin() + first, m_FrameNumbers.begin() + last);
    m_Keys.erase(m_Keys.begin() + first, m_Keys.begin() + last);
}

void COrvKeyIndex::Clear()
{
    m_Frames.clear();
    m_FrameNumbers.clear();
    m_Keys.clear();
}
