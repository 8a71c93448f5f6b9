#pragma once

// Pi, once, in each precision the code needs. Write these rather than a literal, so that a
// value chosen for a reason (the double made from the float, the one the D3DX headers give)
// stays the one the reason asks for.
#include <numbers>

namespace orv
{
// The float nearest to pi: what float code and the D3DX_PI macro use.
inline constexpr float fPi = std::numbers::pi_v<float>;
// The double nearest to pi.
inline constexpr double dPi = std::numbers::pi;
// The float pi widened to double: for double code whose results must stay those of the float
// constant (the sphere layer's texture coordinates).
inline constexpr double dFloatPi = static_cast<double>(fPi);

// The values themselves, to the bit: a change here moves shapes, texture coordinates and
// pictures.
static_assert(fPi == 3.1415927410125732421875);
static_assert(dPi == 3.141592653589793115997963468544185161590576171875);
static_assert(dFloatPi != dPi && static_cast<float>(dPi) == fPi);
} // namespace orv
