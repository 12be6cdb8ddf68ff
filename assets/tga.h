// TGA images as GL textures.
#pragma once

#include <GLES/gl.h>

// 1 when a texture object has been made into *texture, 0 otherwise.
int loadTgaTexture(const char *path, GLuint *texture);
