#pragma once

// What recording each frame of a show will cost, estimated from its document alone (no
// device, nothing drawn): a frame costs what the layers it draws cost by their kind, plus the
// clear, the present, the read-back and the encoding every recorded frame pays; a
// pre-roll's frame costs that in full when the pre-roll must draw it (PrerollPlan.h), and a
// small share of it when it only steps it with the pixels skipped.
#include "RenderSplit.h"

#include <string>

class COrvDemo;

struct SCostModel
{
    // Costs are in milliseconds of a frame at 1280x720 on the software rasteriser with two
    // cores; only their ratios matter, and those change little with the size, as nearly
    // every cost grows with the pixels.
    // A frame's own work (clear, present).
    double dFrameBase = 2.0;
    // Reading a recorded frame back and encoding it (the encoder's thread shares the cores).
    double dCapture = 6.0;
    // A frame stepped without its pixels, as a share of drawing it (measured on the sample
    // with the software rasteriser: under 0.02).
    double dStepShare = 0.02;
};

// What drawing a layer of the kind costs, in the model's units: a sprite or a small mesh a
// millisecond or two, a full-screen pass several, the balls' room and the grid tens, the
// particles' cloud a hundred.
double EstimateLayerCost(const std::string& sClass);

// The costs of the frames [0, iEnd) of the loaded show on the iFps grid at the tempo; the
// pre-roll costs ask the document again, so it must outlive the result.
SFrameCosts EstimateFrameCosts(COrvDemo& rDemo, int iEnd, float fBeatsPerMinute, int iFps,
                               const SCostModel& model = SCostModel());
