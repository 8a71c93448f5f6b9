#pragma once

#include "OrvExport.h"

#include <cstdint>

// The process's one random sequence. Everything that scatters or places things at random
// (particle clouds, rooms of balls) draws from it in turn, so two layers made one after the
// other get different results, and a process that makes the same objects in the same order
// always gets the same ones.
//
// A linear congruential generator: the state starts at 1 when the library is loaded and is
// never reseeded by the engine; each draw sets state = state * 214013 + 2531011 (modulo 2^32)
// and yields (state >> 16) & 0x7FFF, a value from 0 to 32767.
class ORV_API ORV_Random
{
public:
    static constexpr int kMax = 32767;

    // One draw, 0 to kMax.
    static int Next();
    // One draw mapped to [-1, 1]: 2 r / 32767 - 1, computed in double precision.
    static float NextSigned();

    // The state, for hosts and tests that want to replay a known sequence.
    static uint32_t GetState();
    static void SetState(uint32_t uState);
};
