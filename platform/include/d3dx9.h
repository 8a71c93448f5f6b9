#pragma once

// The D3DX 9 utility library: math, effects, textures from image files and meshes, all over
// our Direct3D 9 device.
#include "d3d9.h"
#include "d3dx9math.h"
#include "d3dx9effect.h"
#include "d3dx9mesh.h"
#include "d3dx9tex.h"
