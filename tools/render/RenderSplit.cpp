#include "RenderSplit.h"

#include <algorithm>
#include <map>

namespace
{

// The model with the pre-roll costs asked so far kept (the bisection tries the same
// starts again and again, and a pre-roll may take a walk over the whole document).
class CSegmentCoster
{
public:
    explicit CSegmentCoster(const SFrameCosts& costs) : m_costs(costs) {}

    double GetPreroll(int iStart)
    {
        const auto it = m_prerolls.find(iStart);
        if (it != m_prerolls.end())
            return it->second;
        const double dCost = iStart > 0 && m_costs.prerollCost ? m_costs.prerollCost(iStart) : 0.0;
        m_prerolls.emplace(iStart, dCost);
        return dCost;
    }
    double GetCost(int iStart, int iEnd)
    {
        return GetPreroll(iStart) + Drawn(iEnd) - Drawn(iStart);
    }
    // The last frame e (iStart < e <= iLimit) with GetCost(iStart, e) <= dBudget; iStart
    // when not even one frame fits.
    int FindEnd(int iStart, int iLimit, double dBudget)
    {
        const double dTop = dBudget - GetPreroll(iStart) + Drawn(iStart);
        const auto first = m_costs.vdPrefix.begin() + iStart + 1;
        const auto last = m_costs.vdPrefix.begin() + iLimit + 1;
        return iStart + static_cast<int>(std::upper_bound(first, last, dTop) - first);
    }

private:
    double Drawn(int iFrame) const { return m_costs.vdPrefix[static_cast<size_t>(iFrame)]; }

    const SFrameCosts& m_costs;
    std::map<int, double> m_prerolls;
};

// Each segment as long as the budget allows, leaving a frame for each one after it; empty
// when the budget is too small for that.
std::vector<SRenderSegment> SplitWithin(CSegmentCoster& coster, int iStart, int iEnd, int iCount,
                                        double dBudget)
{
    std::vector<SRenderSegment> segments;
    int iNext = iStart;
    for (int i = 0; i < iCount; ++i)
    {
        const int iLeft = iCount - 1 - i;
        const int iStop = iLeft == 0 ? iEnd : coster.FindEnd(iNext, iEnd - iLeft, dBudget);
        if (iStop <= iNext || coster.GetCost(iNext, iStop) > dBudget)
            return {};
        segments.push_back({iNext, iStop - iNext});
        iNext = iStop;
    }
    return segments;
}

bool CoversStretch(const SFrameCosts& costs, int iEnd)
{
    if (costs.vdPrefix.size() < static_cast<size_t>(iEnd) + 1)
        return false;
    for (size_t i = 1; i < costs.vdPrefix.size(); ++i)
        if (!(costs.vdPrefix[i] >= costs.vdPrefix[i - 1]))
            return false; // a negative or unknown cost: no model to trust
    return true;
}

} // namespace

double SSplitEstimate::GetWorst() const
{
    return vdCosts.empty() ? 0.0 : *std::max_element(vdCosts.begin(), vdCosts.end());
}

SSplitEstimate EstimateSplit(const std::vector<SRenderSegment>& segments, const SFrameCosts& costs)
{
    SSplitEstimate estimate;
    if (segments.empty() ||
        !CoversStretch(costs, segments.back().iStartFrame + segments.back().iFrames))
        return estimate;
    CSegmentCoster coster(costs);
    for (const SRenderSegment& segment : segments)
        estimate.vdCosts.push_back(
            coster.GetCost(segment.iStartFrame, segment.iStartFrame + segment.iFrames));
    estimate.dSingle = coster.GetCost(segments.front().iStartFrame,
                                      segments.back().iStartFrame + segments.back().iFrames);
    return estimate;
}

std::vector<SRenderSegment> SplitFramesByCost(int iStartFrame, int iFrames, int iSegments,
                                              const SFrameCosts& costs, SSplitEstimate& rEstimate)
{
    std::vector<SRenderSegment> equal = SplitFrames(iStartFrame, iFrames, iSegments);
    const int iEnd = iStartFrame + iFrames;
    if (iFrames < 1 || iStartFrame < 0 || !CoversStretch(costs, iEnd))
    {
        rEstimate = SSplitEstimate{};
        return equal;
    }
    CSegmentCoster coster(costs);
    const int iCount = static_cast<int>(equal.size());
    // No segment can cost more than the longest pre-roll and every frame drawn.
    double dHigh = coster.GetPreroll(iEnd - 1) + costs.vdPrefix[static_cast<size_t>(iEnd)];
    double dLow = 0.0;
    std::vector<SRenderSegment> best = SplitWithin(coster, iStartFrame, iEnd, iCount, dHigh);
    if (best.empty())
    {
        // A pre-roll model that grows faster than the frames it runs: split evenly.
        rEstimate = EstimateSplit(equal, costs);
        return equal;
    }
    // Bisection on the budget of the costliest segment, to a millionth of it.
    while (dHigh - dLow > 1e-6 * dHigh)
    {
        const double dMiddle = 0.5 * (dLow + dHigh);
        std::vector<SRenderSegment> split = SplitWithin(coster, iStartFrame, iEnd, iCount, dMiddle);
        if (split.empty())
            dLow = dMiddle;
        else
        {
            dHigh = dMiddle;
            best = std::move(split);
        }
    }
    rEstimate = EstimateSplit(best, costs);
    return best;
}
