#pragma once

// The pictures of the sample demo's balls room and beam lattice, drawn by code: the room's
// floor and walls in the balls layer's texture layout, a ball, a ball's soft shadow, and the
// beams with their three bands of light.
#include <string>

// Writes ballroom.png, ball.png, ballshadow.png and beams.png into the folder; false with a
// reason on the first failure.
bool WriteAtelierSceneImages(const std::string& sFolder, std::string& sError);
