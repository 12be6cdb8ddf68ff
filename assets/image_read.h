// The reading half of the image readers: files into plain pixel buffers, no GL calls.
#pragma once

#include <GLES/gl.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// "BM", the first two bytes of every bitmap file, read as a little-endian number.
constexpr unsigned bitmapMagic = 0x4d42;
// Largest width or height a reader accepts; every GL ES 1 driver the game targets takes this much.
constexpr int32_t maxImageSide = 4096;

// Pixels ready for glTexImage2D: rows in stored order, each row as the upload expects it.
struct ImageData {
    int32_t width, height;
    GLenum format;          // GL_LUMINANCE, GL_RGB or GL_RGBA
    unsigned char *pixels;  // heap buffer owned by the caller; null for a TGA that holds no image
    size_t size;            // bytes in pixels
};

// Reads an uncompressed 24-bit bitmap into RGB rows padded to 4 bytes; the buffer always covers the
// whole upload and what the file does not fill is zero. 0 with *reason set to the message on failure.
int readBitmap(FILE *file, ImageData *image, const char **reason);
// Reads an uncompressed 8, 24 or 32-bit TGA into packed rows (luminance, RGB or RGBA); a
// run-length-encoded file (type 10) succeeds with no pixels. 0 with *reason set on failure.
int readTga(FILE *file, ImageData *image, const char **reason);

// Turns a row of blue-green-red pixels into red-green-blue in place; a fourth byte (alpha) stays.
inline void swapBlueAndRed(unsigned char *row, int32_t width, size_t bytesPerPixel)
{
    for (int32_t x = 0; x < width; x++, row += bytesPerPixel) {
        unsigned char blue = row[0];
        row[0] = row[2];
        row[2] = blue;
    }
}
