#pragma once

#include "d3dx9.h"

#include <string>

class COrvDemo;

// Look-ups shared by the layers that draw through their own effect files.

// The texture of a material resource: the material that `materialName` names, its texture
// name 0, and that texture resource's texture. Null when any link is missing.
IDirect3DTexture9* OrvFindMaterialTexture(const COrvDemo* pDemo, const std::string& materialName);

// Creates an effect from a bare file name in the demo's data directory. On failure the effect
// is null and rReason says why (with the compiler's first message, when there is one).
void OrvLoadLayerEffect(COrvDemo* pDemo, IDirect3DDevice9* pDevice, const char* pFileName,
                        COrvComPtr<ID3DXEffect>& rEffect, std::string& rReason);
