#pragma once

// Ctrl+C (SIGINT) and SIGTERM end the show the way Escape does, so that a recording is
// completed rather than cut off.
void InstallInterruptHandler();
bool IsInterrupted();
