// orv-render: renders a show on many machines. The show is cut into segments on the
// recording's frame grid, each segment is recorded by one headless player as a job of GNU
// parallel or of a Slurm job array, and the segments are joined without re-encoding.
#include "RenderCommands.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace
{

const char* const kUsage =
    "Usage:\n"
    "  orv-render plan DEMO_FOLDER --out DIR --segments N [--mode WxH] [--fps N]\n"
    "                [--codec NAME] [--quality N] [--start SECONDS] [--duration SECONDS]\n"
    "                [--container avi|mp4|mkv|webm|mov]\n"
    "  orv-render run DIR --with parallel [-j N | --sshloginfile HOSTS_FILE]\n"
    "  orv-render run DIR --with slurm [-- SBATCH_OPTIONS...]\n"
    "  orv-render join DIR OUTPUT_FILE\n"
    "  orv-render status DIR\n"
    "  orv-render segment DIR INDEX   (what each job runs)\n"
    "\n"
    "plan cuts the show (the recording options mean what they mean to OrvPlayer --record)\n"
    "into N segments on the frame grid and writes the plan and the job list (DIR/jobs.txt)\n"
    "into DIR, which every machine must see at the same path, as the demo folder. run\n"
    "renders the missing segments, one OrvPlayer --headless each, video only, tries a\n"
    "failed one once more and says why those still missing failed; run again redoes only\n"
    "what is missing. join checks every segment (there, complete, of this plan, made by\n"
    "this version of Orv with one renderer) and copies them into OUTPUT_FILE without\n"
    "re-encoding, with the music added once. status says what is done and what is not.\n"
    "The player is OrvPlayer beside orv-render, or the program named by ORV_PLAYER.\n"
    "Exit status: 0 done, 1 failed or incomplete (reasons on standard error), 2 bad\n"
    "command line.\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)
    {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const std::string sVerb = argv[1];
    const Words args(argv + 2, argv + argc);
    if (sVerb == "plan")
    {
        return PlanRender(args);
    }
    if (sVerb == "run")
    {
        return RunRender(args);
    }
    if (sVerb == "join")
    {
        return JoinRender(args);
    }
    if (sVerb == "status")
    {
        return ShowRenderStatus(args);
    }
    if (sVerb == "segment")
    {
        return RenderSegment(args);
    }
    std::fprintf(stderr, "orv-render: unknown verb \"%s\"\n%s", sVerb.c_str(), kUsage);
    return 2;
}
