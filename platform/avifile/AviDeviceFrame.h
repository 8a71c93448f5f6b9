#pragma once

// Frames as a graphics device reads them back (32-bit pixels, red, green, blue and a byte
// that is ignored, rows from the top down at any pitch) turned into the bitmap layout of a
// video stream: blue, green, red (and an unused byte for 32 bits), rows bottom-up for a
// positive height. The writer does this on its own thread, so that the host's drawing
// thread only copies the frame.
#include "AviVideoEncoder.h"

#include <cstddef>
#include <cstdint>

namespace orv::avi
{

// Bytes of a row of the stream's bitmap, packed.
size_t GetBitmapRowBytes(const SVideoFormat& format);

// Converts |height| rows of width pixels from pSource (cbPitch bytes a row) into pTarget,
// which holds GetBitmapRowBytes(format) * |height| bytes.
void ConvertDeviceFrame(const uint8_t* pSource, size_t cbPitch, const SVideoFormat& format,
                        uint8_t* pTarget);

} // namespace orv::avi
