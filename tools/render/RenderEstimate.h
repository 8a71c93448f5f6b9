#pragma once

// What recording each frame of a show will cost, estimated from its document alone (no
// device, nothing drawn): a frame costs in proportion to the layers it draws, plus the
// clear, the present, the read-back and the encoding every recorded frame pays; a
// pre-roll's frame costs that in full when the pre-roll must draw it (PrerollPlan.h), and a
// small share of it when it only steps it with the pixels skipped.
#include "RenderSplit.h"

#include <string>

class COrvDemo;

struct SCostModel
{
    // A frame's own work (clear, present) in units of one layer's drawing.
    double dFrameBase = 1.0;
    // Reading a recorded frame back and encoding it, in the same units.
    double dCapture = 1.0;
    // A frame stepped without its pixels, as a share of drawing it (measured on the sample
    // with the software rasteriser: under 0.02).
    double dStepShare = 0.02;
};

// The costs of the frames [0, iEnd) of the loaded show on the iFps grid at the tempo; the
// pre-roll costs ask the document again, so it must outlive the result.
SFrameCosts EstimateFrameCosts(COrvDemo& rDemo, int iEnd, float fBeatsPerMinute, int iFps,
                               const SCostModel& model = SCostModel());
