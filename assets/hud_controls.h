// The on-screen controls drawn with the heads-up display.
#pragma once

#include "game/touch_controls.h"

// Draws the shown controls in their squares over the current viewport, taken as the window's: the
// score line's colour added to the scene, every edge on whole pixels. The resume control is a solid
// tile while paused, and a pressed control's frame is doubled.
void drawTouchControls(const ControlLayout &layout);
