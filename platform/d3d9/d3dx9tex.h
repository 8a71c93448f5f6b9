#pragma once

// D3DX tex functions and interfaces; declared with their implementation.
#include "d3d9.h"
