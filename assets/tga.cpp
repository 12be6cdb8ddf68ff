// TGA images as GL textures; the font texture is made with it.
#include "assets/tga.h"

#include "assets/image_read.h"
#include "ug/ug.h"

#include <stdlib.h>

// Reads an uncompressed 8, 24 or 32-bit TGA into packed rows (luminance, RGB or RGBA); a
// run-length-encoded file (type 10) succeeds with no pixels. 0 with *reason set on failure.
int readTga(FILE *file, ImageData *image, const char **reason)
{
    // A short header leaves zeros behind, which the depth test below refuses.
    unsigned char header[18] = {};
    (void)!fread(header, 1, sizeof header, file);
    unsigned idLength = header[0], type = header[2], depth = header[16];
    int32_t width = header[12] | header[13] << 8, height = header[14] | header[15] << 8;
    *image = {width, height, GL_RGBA, nullptr, 0};
    if (type == 10)
        return 1;  // run-length data is not decoded; the texture gets no image
    if (depth != 8 && depth != 24 && depth != 32) {
        *reason = "Unsupported pixel depth";
        return 0;
    }
    if (width == 0 || height == 0 || width > maxImageSide || height > maxImageSide) {
        *reason = "Unsupported image size";
        return 0;
    }
    // The pixels follow the image ID; a colour map is not skipped.
    fseek(file, (long)idLength, SEEK_CUR);
    size_t bytesPerPixel = depth / 8;
    size_t rowLength = (size_t)width * bytesPerPixel;
    unsigned char *pixels = (unsigned char *)calloc(rowLength, (size_t)height);
    if (!pixels) {
        *reason = "Out of Memory";
        return 0;
    }
    for (int32_t row = 0; row < height; row++) {
        unsigned char *p = pixels + (size_t)row * rowLength;
        // A short file leaves the remaining rows zero.
        (void)!fread(p, 1, rowLength, file);
        if (bytesPerPixel == 1)
            continue;
        for (int32_t x = 0; x < width; x++, p += bytesPerPixel) {
            unsigned char blue = p[0];
            p[0] = p[2];
            p[2] = blue;
        }
    }
    GLenum format = bytesPerPixel == 1 ? GL_LUMINANCE : bytesPerPixel == 3 ? GL_RGB : GL_RGBA;
    *image = {width, height, format, pixels, rowLength * (size_t)height};
    return 1;
}

// 1 when a texture object has been made into *texture, 0 otherwise.
int loadTgaTexture(const char *path, GLuint *texture)
{
    FILE *file = fopen(path, "rb");
    if (!file) {
        ugErrorBox("Error loading textures");
        return 0;
    }
    ImageData image;
    const char *reason = nullptr;
    int ok = readTga(file, &image, &reason);
    fclose(file);
    if (!ok) {
        *texture = 0;
        return 0;
    }
    glGenTextures(1, texture);
    glBindTexture(GL_TEXTURE_2D, *texture);
    glTexParameterx(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, 9729);
    glTexParameterx(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, 9729);
    glTexParameterx(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, 10497);
    glTexParameterx(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, 10497);
    if (image.pixels) {
        // Packed rows need not be 4-byte aligned; the rest of the game expects the default back.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, (GLint)image.format, image.width, image.height, 0, image.format,
                     GL_UNSIGNED_BYTE, image.pixels);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        free(image.pixels);
    }
    return 1;
}
