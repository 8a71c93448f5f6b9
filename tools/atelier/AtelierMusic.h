#pragma once

// The sample demo's music: an original piece synthesised note by note (pads, bass, drums,
// arpeggio and a lead), written as Ogg Vorbis.
#include <string>

struct SAtelierSong
{
    double dBeatsPerMinute = 120.0;
    int iBars = 40; // four beats each
    int iSampleRate = 44100;
};

// Renders the song and writes it; false with a reason when the file cannot be written.
bool WriteAtelierMusic(const SAtelierSong& song, const std::string& sPath, std::string& sError);
