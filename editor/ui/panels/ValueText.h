#pragma once
// Values typed by the user, read strictly: a typed number that cannot be read, or that the
// property's type cannot hold, is refused with the reason, so the caller keeps the old value
// and tells the user why. Editing ranges do not limit typed values (they only bound the
// sliders; the engine clamps nothing), so a number outside them is accepted.

#include "d3dx9math.h"

#include <string>

namespace orv::editor
{
// A finite float ("1.5", "-2e3", " 7 "); false with the reason otherwise.
bool ParseFloatText(const std::string& sText, float& fValue, std::string& sError);
// A whole number an int holds; false with the reason otherwise.
bool ParseIntText(const std::string& sText, int& iValue, std::string& sError);
// Three finite floats separated by spaces or commas.
bool ParseVectorText(const std::string& sText, D3DXVECTOR3& value, std::string& sError);

// An orientation as the three angles the engine's yaw-pitch-roll rotation takes, in degrees:
// roll about Z first, then pitch about X, then yaw about Y.
struct SYawPitchRoll
{
    float fYaw = 0.0f;
    float fPitch = 0.0f;
    float fRoll = 0.0f;
};
// The angles of a rotation (pitch within ±90 degrees; yaw 0 where pitch is ±90); a
// quaternion that is not of unit length is normalised first, a zero one reads as identity.
SYawPitchRoll YawPitchRollFromQuaternion(const D3DXQUATERNION& rotation);
D3DXQUATERNION QuaternionFromYawPitchRoll(const SYawPitchRoll& angles);
} // namespace orv::editor
