#pragma once

#include <cstddef>
#include <vector>

class COrvKey;

// A property's track as flat arrays in ascending frame order, kept in step with the ordered
// map that owns the keys: frames as floats for the search, frame numbers for the edits, and
// the key pointers (no references of its own). Lookups never allocate.
class COrvKeyIndex
{
public:
    bool Empty() const { return m_Frames.empty(); }
    size_t Size() const { return m_Frames.size(); }
    float FrameAt(size_t i) const { return m_Frames[i]; }
    COrvKey* KeyAt(size_t i) const { return m_Keys[i]; }

    // How many keys lie at or before x; none when x is NaN.
    size_t CountAtOrBefore(float x) const;

    // Puts a key at a frame the index does not hold yet.
    void Insert(int iFrame, COrvKey* pKey);
    // Points the entry of a frame the index holds at another key.
    void Replace(int iFrame, COrvKey* pKey);
    // Removes the entries whose frames lie in [lo, hi].
    void EraseRange(int lo, int hi);
    void Clear();

private:
    size_t LowerBound(int iFrame) const;

    std::vector<float> m_Frames;
    std::vector<int> m_FrameNumbers;
    std::vector<COrvKey*> m_Keys;
};
