#pragma once

// The slots of OrvFrameReadback.h: pixel-pack buffers. Queueing a frame asks GL to read it
// into the slot's buffer, which a GPU does on its own time; locking maps the buffer kLag
// frames later, when the copy is long done. (A software rasteriser runs the copy at once,
// after finishing the frame: the caller then still gains the copy into memory that needs
// no conversion and no new allocation.) The owner calls every method with its context
// current.
#include "OrvFrameReadback.h"

#include <epoxy/gl.h>

#include <cstddef>

class COrvGLFrameReader
{
public:
    // Starts reading the colour image attached to the read framebuffer (uWidth x uHeight, of
    // an 8-bit RGBA format) into the slot, as RGBA bytes.
    bool Queue(UINT uSlot, UINT uWidth, UINT uHeight);
    // Maps a queued slot's pixels for reading.
    bool Lock(UINT uSlot, D3DLOCKED_RECT& rLocked);
    bool Unlock(UINT uSlot);
    // Deletes the buffers (the back buffer's size changed, or the device goes).
    void Release();

private:
    struct SSlot
    {
        GLuint uBuffer = 0;
        size_t cbSize = 0;
        UINT uPitch = 0;
        bool bQueued = false;
        bool bLocked = false;
    };
    SSlot m_aSlots[ORV_FRONT_BUFFER_READ_SLOTS];
};
