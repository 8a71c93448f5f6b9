#include "core/OrvRandom.h"

namespace
{
uint32_t g_uRandomState = 1;
} // namespace

int ORV_Random::Next()
{
    g_uRandomState = g_uRandomState * 214013u + 2531011u;
    return static_cast<int>((g_uRandomState >> 16) & 0x7FFFu);
}

float ORV_Random::NextSigned()
{
    return static_cast<float>(2.0 * Next() / kMax - 1.0);
}

uint32_t ORV_Random::GetState()
{
    return g_uRandomState;
}

void ORV_Random::SetState(uint32_t uState)
{
    g_uRandomState = uState;
}
