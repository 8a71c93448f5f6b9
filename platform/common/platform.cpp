#include "OrvPlatformInfo.h"

// Describes the services behind this build of the platform layer.
extern "C" ORVPLATFORM_API const char* OrvPlatformDescription()
{
    return "Linux: OpenGL 3.3 (EGL/SDL2), SDL2 audio, FFmpeg";
}
