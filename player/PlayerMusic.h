#pragma once

// What the recording needs to know of a loaded demo's music: its file (for the sound
// track), its tempo (to time the frames) and its length (to end with it).
#include <string>

class COrvDemo;

// The music file as a path usable from the current directory ("" when there is none).
std::string GetMusicFilePath(COrvDemo* pDemo);
// The tempo of the demo's music track in beats per minute.
float GetMusicTempo(COrvDemo* pDemo);
// Length of a sound file in seconds; 0 when it cannot be read.
double GetSoundFileSeconds(const std::string& sPath);
