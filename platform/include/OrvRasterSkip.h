#pragma once

// Frames nobody sees. A host that steps a show to a moment keeps every draw call of the
// frames before it (layers update their own state as they draw: particle steps fill their
// vertex buffers, simulations step, the random generator advances) but need not pay for
// their pixels. While the discard is on, the device runs every call and produces no pixels:
// draws and clears leave every target as it was; copies between surfaces, read-backs and
// uploads still work on what the targets hold.
#include "d3d9.h"

// Turns the discard of pixels on (TRUE) or off (FALSE) for the draws and clears that follow.
// D3DERR_INVALIDCALL when the device is not one of this platform's (it then draws as before).
extern "C" ORVPLATFORM_API HRESULT OrvSetRasterizerDiscard(IDirect3DDevice9* pDevice,
                                                           BOOL bDiscard);
