#pragma once

// A render plan: a stretch of a show cut into segments on the recording's frame grid, the
// recording settings every segment shares, and the folder that holds the plan, the job
// list, the segments and their logs:
//   DIR/plan.txt             the plan (key = value lines)
//   DIR/jobs.txt             one shell command per segment, as GNU parallel reads them
//   DIR/segments/seg-N.EXT   the segments, complete ones only (a segment is written under
//                            seg-N.part.EXT and renamed once checked)
//   DIR/logs/seg-N.log       what each attempt at a segment said
#include <string>
#include <vector>

struct SRenderSegment
{
    int iStartFrame = 0; // on the plan's frame grid, from the show's start
    int iFrames = 0;
    // The estimated time of the segment, pre-roll included, as a share of the time of the
    // whole stretch recorded at once (0 when not estimated).
    double dEstimate = 0.0;
};

struct SRenderPlan
{
    std::string sId;      // 12 hex digits, new for every plan
    std::string sVersion; // the engine version that made the plan
    std::string sDemoDir; // absolute
    std::string sMusic;   // absolute path of the music file ("" when none)
    int iWidth = 1280;
    int iHeight = 720;
    int iFps = 25;
    int iQuality = -1;  // -1: the encoder's own
    std::string sCodec; // "" : the player's default for the container
    std::string sContainer = "avi";
    int iStartFrame = 0; // the first frame of the whole stretch
    int iFrames = 0;     // frames of the whole stretch
    std::vector<SRenderSegment> segments;
    // How the boundaries were chosen: "cost" (for an estimated cost as even as the frame grid
    // allows) or "equal" (equal frame counts).
    std::string sSplit = "equal";

    // "segments/seg-0003.avi", relative to the plan's folder.
    std::string GetSegmentFile(int iSegment) const;
    std::string GetPartFile(int iSegment) const;
    std::string GetLogFile(int iSegment) const;
    // What the player stores after its version and renderer in each segment's title.
    std::string GetSegmentTag(int iSegment) const;
};

// The frames [iStartFrame, iStartFrame + iFrames) in iSegments runs of nearly equal length
// (the first ones one frame longer when it does not divide).
std::vector<SRenderSegment> SplitFrames(int iStartFrame, int iFrames, int iSegments);

// One line on how the boundaries were chosen and the slowest segment's estimate.
std::string DescribeSplit(const SRenderPlan& plan);

// The plan as the text of plan.txt, and back; false with a reason for a text that is not
// a plan this version can read.
std::string FormatPlan(const SRenderPlan& plan);
bool ParsePlan(const std::string& sText, SRenderPlan& rPlan, std::string& sError);

// Reads DIR/plan.txt; false with a reason.
bool ReadPlan(const std::string& sDir, SRenderPlan& rPlan, std::string& sError);

// "seg-0003" for the messages.
std::string NameSegment(int iSegment);

// A new plan id: 12 hex digits from the system's random source.
std::string MakePlanId();

// The muxer FFmpeg uses for a container name ("matroska" for mkv); "" for an unknown one.
std::string GetMuxerForContainer(const std::string& sContainer);
// The container a file name asks for: its extension, lower case ("" for none).
std::string GetContainerOfFile(const std::string& sFile);
