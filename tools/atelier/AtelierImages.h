#pragma once

// The sample demo's pictures, drawn by code: a nebula sky, a neon floor grid, a plasma,
// a glowing ring, a soft spark, a particle sprite, a small planet, and titles set in a small
// block font.
#include <string>

// Writes every picture into the folder; false with a reason on the first failure.
bool WriteAtelierImages(const std::string& sFolder, std::string& sError);
