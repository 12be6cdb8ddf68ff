#include "assets/texture.h"

// GL's initial unpack alignment, which the rest of the game expects.
static const GLint defaultAlignment = 4;

void makeTexture(GLuint *texture, const ImageData &image, GLint alignment, GLint filter)
{
    glGenTextures(1, texture);
    glBindTexture(GL_TEXTURE_2D, *texture);
    glTexParameterx(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameterx(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameterx(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameterx(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    if (!image.pixels)
        return;
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glTexImage2D(GL_TEXTURE_2D, 0, (GLint)image.format, image.width, image.height, 0, image.format, GL_UNSIGNED_BYTE,
                 image.pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, defaultAlignment);
}
