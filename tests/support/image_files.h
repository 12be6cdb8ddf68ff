// Hand-made BMP and TGA files: header builders and the table of good and broken files that the
// reader tests, the bad-file tests of the program and the fuzz seeds share.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <vector>

typedef std::vector<unsigned char> ImageBytes;

// A 24-bit bitmap with the given header fields followed by the given pixel bytes.
ImageBytes bitmapFile(int32_t width, int32_t height, uint32_t sizeImage, const ImageBytes &pixels);
// A TGA with the given type, size and depth, image ID and pixel bytes, and no colour map.
ImageBytes tgaFile(int type, int width, int height, int depth, const ImageBytes &id, const ImageBytes &pixels);

// One file of the table and whether the game's reader takes it (1) or refuses it (0).
struct ImageCase {
    const char *name;  // letters, digits and underscores only, usable as a test or file name
    ImageBytes bytes;
    int accepted;
};

// Floor bitmaps: a few valid ones and one of each way a file can be broken.
std::vector<ImageCase> bitmapCases();
// Font TGAs: valid ones of each depth and the layouts the reader does not decode.
std::vector<ImageCase> tgaCases();
