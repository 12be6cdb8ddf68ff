// The floor texture, read from "floor.bmp" beside the program.
#pragma once

#include "assets/image_read.h"

#include <GLES/gl.h>

extern GLuint floorTexture;

// 1 when floorTexture has been made, 0 after showing what went wrong.
int loadFloorTexture();
// Reads the named bitmap from the program's own directory; its pixels (owned by the caller), or
// null after showing what went wrong.
unsigned char *loadBitmap(const char *fileName, ImageData *image);
