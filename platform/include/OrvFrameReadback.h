#pragma once

// Reading presented frames back while the device goes on drawing. A recorder that reads each
// frame at once waits for the device to finish it, and the device then sits idle while the
// frame is copied; instead it starts the copy of frame N into one of a few slots right after
// presenting it, draws the next frames, and collects frame N a frame or two later, when the
// copy is done. (A software rasteriser makes the copy when it is queued, the frame finished
// first; the host still gains a copy that needs no conversion on its drawing thread.) The
// pixels are the device's own: four bytes a pixel, red, green, blue, then
// alpha (undefined for a back buffer without alpha), rows from the top down.
#include "d3d9.h"

// How many frames may be in flight at once.
#define ORV_FRONT_BUFFER_READ_SLOTS 4

// Starts copying the image last presented on the device into slot uSlot (below
// ORV_FRONT_BUFFER_READ_SLOTS), replacing what the slot held. D3DERR_INVALIDCALL when the
// device cannot read back this way (not one of this platform's devices, a back buffer
// that is not 8 bits a channel, a bad slot or a slot still locked): the host then reads the
// frame with GetFrontBufferData.
extern "C" ORVPLATFORM_API HRESULT OrvQueueFrontBufferRead(IDirect3DDevice9* pDevice, UINT uSlot);

// Waits until the copy queued in the slot is done and gives its pixels (pBits, Pitch) until
// OrvUnlockFrontBufferRead; D3DERR_INVALIDCALL when nothing was queued there since the last
// lock, or the slot is locked already.
extern "C" ORVPLATFORM_API HRESULT OrvLockFrontBufferRead(IDirect3DDevice9* pDevice, UINT uSlot,
                                                          D3DLOCKED_RECT* pLocked);
extern "C" ORVPLATFORM_API HRESULT OrvUnlockFrontBufferRead(IDirect3DDevice9* pDevice, UINT uSlot);
