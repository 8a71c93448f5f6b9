#pragma once

// What of a plan is done, and why a segment is not: its file's check, its own log, and
// GNU parallel's job log for a job that never reached it.
#include "RenderPlan.h"

#include <filesystem>
#include <string>
#include <vector>

// Done: there, complete and this plan's (a damaged or foreign file is redone);
// psProblem: why not.
bool IsSegmentDone(const SRenderPlan& plan, const std::filesystem::path& dir, int iSegment,
                   std::string* psProblem = nullptr);

// The segments not done, in order.
std::vector<int> ListMissing(const SRenderPlan& plan, const std::filesystem::path& dir);

// Reads DIR's plan; false, with the reason said, when there is none to read.
bool ReadPlanOrReport(const std::string& sDir, SRenderPlan& rPlan);

// Why a segment is not done, in one line.
std::string ExplainMissing(const SRenderPlan& plan, const std::filesystem::path& dir, int iSegment);
