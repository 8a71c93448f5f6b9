#pragma once

// The verbs of orv-render; each takes the words after its name and returns the process's
// exit status (0: done; 1: failed, with reasons on standard error; 2: bad command line).
#include <string>
#include <vector>

using Words = std::vector<std::string>;

// plan DEMO_FOLDER --out DIR --segments N [recording options]
int PlanRender(const Words& args);
// segment DIR INDEX: renders one segment (what each job of the job list runs).
int RenderSegment(const Words& args);
// run DIR --with parallel [-j N | --sshloginfile FILE]; run DIR --with slurm [-- OPTIONS]
int RunRender(const Words& args);
// status DIR
int ShowRenderStatus(const Words& args);
// join DIR OUTPUT_FILE
int JoinRender(const Words& args);

// The command a job runs for a segment, as one shell line.
std::string MakeSegmentCommand(const std::string& sDir, int iSegment);
