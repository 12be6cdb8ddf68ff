// The floor texture from "floor.bmp" beside the program, and the bitmap reader behind it.
#include "assets/bitmap.h"

#include "assets/texture.h"
#include "ug/ug.h"

#include <limits.h>
#include <stdlib.h>

GLuint floorTexture;

// A little-endian 32-bit field of a file header.
static uint32_t fieldLe32(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

int readBitmap(FILE *file, ImageData *image, const char **reason)
{
    unsigned char fileHeader[14], info[40];
    if (fread(fileHeader, 1, sizeof fileHeader, file) != sizeof fileHeader ||
        (fileHeader[0] | fileHeader[1] << 8) != bitmapMagic || fread(info, 1, sizeof info, file) != sizeof info) {
        *reason = "Incorrect texture type";
        return 0;
    }
    uint32_t offBits = fieldLe32(fileHeader + 10);
    int32_t width = (int32_t)fieldLe32(info + 4);
    int32_t storedHeight = (int32_t)fieldLe32(info + 8);
    uint32_t sizeImage = fieldLe32(info + 20);
    // A top-down bitmap has a negative height; its rows still go to the GL in stored order.
    int64_t height = storedHeight < 0 ? -(int64_t)storedHeight : storedHeight;
    if (width <= 0 || height == 0 || width > maxImageSide || height > maxImageSide) {
        *reason = "Incorrect texture type";
        return 0;
    }
    // The GL unpacks rows aligned to 4 bytes, as the bitmap stores them.
    size_t rowBytes = ((size_t)width * 3 + 3) & ~(size_t)3;
    size_t size = rowBytes * (size_t)height;
    unsigned char *pixels = (unsigned char *)calloc(size, 1);
    if (!pixels) {
        *reason = "Out of Memory";
        return 0;
    }
    // biSizeImage may claim more or less than the image holds; read no more than the upload uses.
    if (fseek(file, (long)offBits, SEEK_SET) == 0)
        (void)!fread(pixels, 1, sizeImage < size ? sizeImage : size, file);
    // Swapped row by row so that the padding of widths not divisible by 4 cannot shift the pixels.
    for (size_t row = 0; row < (size_t)height; row++)
        swapBlueAndRed(pixels + row * rowBytes, width, 3);
    *image = {width, (int32_t)height, GL_RGB, pixels, size};
    return 1;
}

unsigned char *loadBitmap(const char *fileName, ImageData *image)
{
    char path[PATH_MAX];
    FILE *file = ugPathBesideProgram(fileName, path, sizeof path) ? fopen(path, "rb") : nullptr;
    if (!file) {
        ugErrorBox("Can't Find Bitmap");
        return nullptr;
    }
    const char *reason = nullptr;
    int ok = readBitmap(file, image, &reason);
    fclose(file);
    if (!ok) {
        ugErrorBox(reason);
        return nullptr;
    }
    return image->pixels;
}

int loadFloorTexture()
{
    ImageData image;
    if (!loadBitmap("floor.bmp", &image))
        return 0;
    // Bitmap rows are stored padded to 4 bytes.
    makeTexture(&floorTexture, image, 4, GL_LINEAR);
    free(image.pixels);
    return 1;
}
