#pragma once

// Cutting a stretch of a show into segments of nearly equal cost rather than equal length.
// A segment that starts at frame a and ends before frame b costs its pre-roll (the frames
// run from the show's start up to a, most of them only stepped) and the frames [a, b) it
// draws and records. The split places the boundaries, on the frame grid, so that the
// costliest segment costs as little as possible: late segments, whose pre-roll is longer,
// get fewer frames, and so do stretches where many layers draw.
#include "RenderPlan.h"

#include <functional>
#include <vector>

struct SFrameCosts
{
    // dPrefix[f]: the estimated cost of drawing and recording the frames [0, f) of the
    // show; one more entry than frames, from the show's start to the stretch's end.
    std::vector<double> vdPrefix;
    // The cost of the pre-roll of a segment starting at a frame; it must not fall as the
    // frame grows. Asked once for each start tried.
    std::function<double(int)> prerollCost;
};

// The estimate of each segment of a split, in the units of the costs.
struct SSplitEstimate
{
    std::vector<double> vdCosts; // per segment
    double dSingle = 0.0;        // the whole stretch as one recording, pre-roll included
    double GetWorst() const;
};

// [iStartFrame, iStartFrame + iFrames) in iSegments runs (fewer when there are fewer frames)
// whose largest estimated cost is as small as the model allows; SplitFrames's equal runs
// when the costs do not cover the stretch. rEstimate: the cost of each run chosen.
std::vector<SRenderSegment> SplitFramesByCost(int iStartFrame, int iFrames, int iSegments,
                                              const SFrameCosts& costs, SSplitEstimate& rEstimate);

// The estimate for a given split under the same model (for reporting an equal split).
SSplitEstimate EstimateSplit(const std::vector<SRenderSegment>& segments, const SFrameCosts& costs);
