#pragma once

// D3DX effect functions and interfaces; declared with their implementation.
#include "d3d9.h"
