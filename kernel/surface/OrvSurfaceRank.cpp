#include "surface/OrvSurface.h"

#include "surface/OrvSurfaceUtil.h"

#include <algorithm>
#include <vector>

using namespace orv::surface;

namespace
{
struct SRanked
{
    int iRank;
    uint32_t pixel;
};

// Brightness-ranked window filter kept up to date incrementally: one ring of 2 × ry
// entries per source column, then a ring of 2 × rx column bests along each output row.
// Ties go to the first entry in ring order when a ring is scanned, and a new entry wins
// only when it is strictly better.
template <bool bMax> class CRankFilter
{
public:
    CRankFilter(ORV_Surface& dest, const ORV_Surface& source, int rx, int ry)
        : m_Dest(dest), m_Source(source), m_iRx(rx), m_iRy(ry),
          m_iColumns(int(std::min<int64_t>(source.GetWidth(), int64_t(dest.GetWidth()) + rx))),
          m_Rings(size_t(m_iColumns) * 2 * ry), m_ColumnBest(size_t(m_iColumns)),
          m_Row(size_t(2 * rx))
    {
    }

    void Run()
    {
        for (int col = 0; col < m_iColumns; ++col)
        {
            SRanked* pRing = Ring(col);
            for (int i = 0; i < 2 * m_iRy; ++i)
                pRing[i] = Read(col, i - m_iRy);
            m_ColumnBest[col] = Scan(pRing, 2 * m_iRy);
        }
        for (int y = 0; y < m_Dest.GetHeight(); ++y)
        {
            AdvanceColumns(y);
            FilterRow(y);
        }
    }

private:
    static bool Better(int a, int b) { return bMax ? a > b : a < b; }
    static SRanked OutOfRange() { return {bMax ? -1 : 768, 0}; }

    SRanked* Ring(int col) { return m_Rings.data() + size_t(col) * 2 * m_iRy; }

    SRanked Read(int64_t col, int64_t row) const
    {
        if (col < 0 || col >= m_Source.GetWidth() || row < 0 || row >= m_Source.GetHeight())
            return OutOfRange();
        const uint32_t pixel = m_Source.GetPixels()[col + row * m_Source.GetWidth()];
        return {Red(pixel) + Green(pixel) + Blue(pixel), pixel};
    }

    static int Scan(const SRanked* pRing, int n)
    {
        int best = 0;
        for (int i = 1; i < n; ++i)
            if (Better(pRing[i].iRank, pRing[best].iRank))
                best = i;
        return best;
    }

    // Puts entry into ring position pos and keeps best up to date.
    static void Replace(SRanked* pRing, int n, int pos, SRanked entry, int& best)
    {
        pRing[pos] = entry;
        if (best == pos)
            best = Scan(pRing, n);
        else if (Better(entry.iRank, pRing[best].iRank))
            best = pos;
    }

    void AdvanceColumns(int y)
    {
        const int pos = y % (2 * m_iRy);
        for (int col = 0; col < m_iColumns; ++col)
            Replace(Ring(col), 2 * m_iRy, pos, Read(col, int64_t(y) + m_iRy - 1),
                    m_ColumnBest[col]);
    }

    SRanked ColumnBest(int64_t col)
    {
        if (col < 0 || col >= m_iColumns)
            return OutOfRange();
        return Ring(int(col))[m_ColumnBest[size_t(col)]];
    }

    void FilterRow(int y)
    {
        const int n = 2 * m_iRx;
        for (int i = 0; i < n; ++i)
            m_Row[i] = ColumnBest(i - m_iRx);
        int best = Scan(m_Row.data(), n);
        uint32_t* pOut = m_Dest.GetPixels() + int64_t(y) * m_Dest.GetWidth();
        pOut[0] = m_Row[best].pixel;
        for (int x = 1; x < m_Dest.GetWidth(); ++x)
        {
            Replace(m_Row.data(), n, (x - 1) % n, ColumnBest(int64_t(x) + m_iRx - 1), best);
            pOut[x] = m_Row[best].pixel;
        }
    }

    ORV_Surface& m_Dest;
    const ORV_Surface& m_Source;
    int m_iRx;
    int m_iRy;
    int m_iColumns;
    std::vector<SRanked> m_Rings;
    std::vector<int> m_ColumnBest;
    std::vector<SRanked> m_Row;
};

template <bool bMax> void RankFilter(ORV_Surface& dest, ORV_Surface* pSource, int rx, int ry)
{
    if (!pSource || !pSource->GetPixels() || !dest.GetPixels())
        return;
    CRankFilter<bMax>(dest, *pSource, std::clamp(rx, 1, 100), std::clamp(ry, 1, 100)).Run();
}
} // namespace

void ORV_Surface::Max(ORV_Surface* pSource, int rx, int ry)
{
    RankFilter<true>(*this, pSource, rx, ry);
}

void ORV_Surface::Min(ORV_Surface* pSource, int rx, int ry)
{
    RankFilter<false>(*this, pSource, rx, ry);
}
