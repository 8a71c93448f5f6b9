// OrvPlayer: plays a demo in step with its music, and records it to video.
#include "PlayerApp.h"
#include "PlayerOptions.h"

#include <cstdio>

int main(int argc, char** argv)
{
    SPlayerOptions options;
    std::string sError;
    switch (ParsePlayerOptions(argc, argv, options, sError))
    {
    case PARSE_HELP:
        std::fputs(GetPlayerUsage("OrvPlayer").c_str(), stdout);
        return 0;
    case PARSE_ERROR:
        std::fprintf(stderr, "OrvPlayer: %s\n", sError.c_str());
        return 1;
    case PARSE_RUN:
        break;
    }
    return RunPlayer(options);
}
