#pragma once

// Editing a layer with the mouse: the key-state bits of the editor's pointer messages, and
// the drag that turns, slides and pushes an object through its rotation and translation.
#include "core/OrvProp.h"

// Mouse key-state bits of the editor's pointer messages.
constexpr DWORD MOUSE_LEFT = 0x1;
constexpr DWORD MOUSE_RIGHT = 0x2;
constexpr DWORD MOUSE_MIDDLE = 0x10;

// A drag of (dx, dy) pixels: with the left key the rotation turns 0.01 radian a pixel about
// x (for dy) then y (for dx); with the right key the translation slides fStep a pixel in x
// and y (screen up is +y); with the middle key it moves fStep a pixel in z.
void OrvDragTransform(COrvPropQuat& rRotation, COrvPropVector& rTranslation, float dx, float dy,
                      float fStep, DWORD flags);
