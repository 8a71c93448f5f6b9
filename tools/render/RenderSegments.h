#pragma once

// What a segment file says about itself (FFmpeg's ffprobe reads it) and whether it is the
// segment the plan asks for: complete, of this plan, made by the plan's engine version.
#include "RenderPlan.h"

#include <string>

struct SSegmentFacts
{
    std::string sCodec;    // the video codec's name
    std::string sRenderer; // the renderer code from the title ("r1234abcd")
};

// Checks DIR/FILE as segment iSegment of the plan; false with a one-line reason (missing,
// damaged, incomplete, another plan's, another version's). rFacts: what the file holds.
bool CheckSegmentFile(const SRenderPlan& plan, int iSegment, const std::string& sFile,
                      SSegmentFacts& rFacts, std::string& sProblem);

// The last line of a segment's log that orv-render wrote ("" when none).
std::string FindLastReason(const std::string& sLogFile);

// Writes a line "orv-render: TEXT" on standard error and, when given, into a log.
void Report(const std::string& sText, const std::string& sLogFile = "");
