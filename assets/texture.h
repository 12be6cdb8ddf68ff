// Textures made from the readers' images, repeating in both directions.
#pragma once

#include "assets/image_read.h"

// Makes a new texture of the image into *texture, rows aligned to alignment bytes, sampled with the
// filter (GL_LINEAR or GL_NEAREST); an image without pixels gives a texture without an image. The
// texture stays bound.
void makeTexture(GLuint *texture, const ImageData &image, GLint alignment, GLint filter);
