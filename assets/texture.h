// Textures made from the readers' images: linear filtering, repeating in both directions.
#pragma once

#include "assets/image_read.h"

// Makes a new texture of the image into *texture, rows aligned to alignment bytes; an image without
// pixels gives a texture without an image. The texture stays bound.
void makeTexture(GLuint *texture, const ImageData &image, GLint alignment);
