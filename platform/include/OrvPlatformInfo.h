#pragma once

// What a host may ask the platform library about itself.
#include "wintypes.h"

// The services behind this build of the platform, in words (for a host's "about" text).
extern "C" ORVPLATFORM_API const char* OrvPlatformDescription();
