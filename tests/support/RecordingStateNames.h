#pragma once

// The names of Direct3D 9 render, sampler and texture stage states, as the recording device
// writes them in its call log ("SetRenderState D3DRS_ZENABLE 1"), so that a test reads like
// the code it checks. A state without a name here is written as its number.
#include "d3d9.h"

#include <string>

std::string OrvRenderStateName(D3DRENDERSTATETYPE eState);
std::string OrvSamplerStateName(D3DSAMPLERSTATETYPE eType);
std::string OrvTextureStageStateName(D3DTEXTURESTAGESTATETYPE eType);
