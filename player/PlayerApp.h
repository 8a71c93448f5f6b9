#pragma once

// The player's main sequence: settings, window and device, the demo, the optional
// recording, playback, and the orderly shutdown. Returns the process's exit status.
#include "PlayerOptions.h"

int RunPlayer(const SPlayerOptions& options);
