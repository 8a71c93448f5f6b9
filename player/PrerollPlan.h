#pragma once

// Which frames of a pre-roll must be drawn for real. Every frame before a segment's first
// one runs its layers (their own state steps as they draw), but only the frames whose
// pixels still show at the first frame need their pixels: those that draw into a render
// target whose content is read from there on, before the target is cleared again. The
// answer comes from the document alone (layer visibility, targets, "Clear First", the
// targets named by string properties, NEXT), evaluated frame by frame; the back buffer is
// cleared before every frame, so it never carries anything.
#include <string>
#include <vector>

class COrvDemo;

struct SPrerollPlan
{
    std::vector<bool> drawn; // per frame from the show's start: true to draw its pixels
    // The render targets whose content reaches back to the show's first frame (drawn into
    // without a clear since then): the pre-roll then draws every frame that touches them.
    std::vector<std::string> carried;

    int CountDrawn() const;
};

// The plan for the frames [0, iFrames) of the show on the iFps grid at the tempo.
SPrerollPlan PlanPreroll(COrvDemo& rDemo, int iFrames, float fBeatsPerMinute, int iFps);

// One line for a person: how many of the pre-roll's frames are drawn and why.
std::string DescribePreroll(const SPrerollPlan& plan);
