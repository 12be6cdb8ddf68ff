// TGA images as GL textures; the font texture is made with it.
#include "assets/tga.h"

#include "assets/image_read.h"
#include "assets/texture.h"
#include "ug/ug.h"

#include <stdlib.h>

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
        if (bytesPerPixel != 1)
            swapBlueAndRed(p, width, bytesPerPixel);
    }
    GLenum format = bytesPerPixel == 1 ? GL_LUMINANCE : bytesPerPixel == 3 ? GL_RGB : GL_RGBA;
    *image = {width, height, format, pixels, rowLength * (size_t)height};
    return 1;
}

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
    // Packed rows need not be 4-byte aligned; glyphs are drawn at whole multiples of their texels,
    // where nearest sampling keeps their edges sharp.
    makeTexture(texture, image, 1, GL_NEAREST);
    free(image.pixels);
    return 1;
}
