// Fuzz target: any bytes as the floor bitmap.
#include "fuzz_input.h"

// A bitmap row as the GL unpacks it: 3 bytes a pixel, padded to 4.
static size_t bitmapRowBytes(const ImageData *image)
{
    return ((size_t)image->width * 3 + 3) & ~(size_t)3;
}

// libFuzzer's entry: one input through the bitmap reader.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzReader(readBitmap, data, size, bitmapRowBytes);
    return 0;
}
