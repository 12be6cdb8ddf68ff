// The floor texture, read from "floor.bmp" beside the program.
#pragma once

#include <GLES/gl.h>

extern GLuint floorTexture;

// 1 when floorTexture has been made, 0 after showing what went wrong.
int loadFloorTexture();
