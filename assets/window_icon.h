// The game's own icon for the window, made at build time by the asset generator.
#pragma once

#include <stddef.h>

// The icon at 16, 32, 48 and 64 pixels in the _NET_WM_ICON layout: width, height, then
// width x height ARGB pixels row by row, for each size in turn.
extern const unsigned long windowIcon[];
extern const size_t windowIconLength;
