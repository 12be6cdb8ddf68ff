// Fuzz target: any bytes as the font TGA.
#include "fuzz_input.h"

// A packed TGA row: 1, 3 or 4 bytes a pixel by format.
static size_t tgaRowBytes(const ImageData *image)
{
    size_t bytesPerPixel = image->format == GL_LUMINANCE ? 1 : image->format == GL_RGB ? 3 : 4;
    return (size_t)image->width * bytesPerPixel;
}

// libFuzzer's entry: one input through the TGA reader.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzReader(readTga, data, size, tgaRowBytes);
    return 0;
}
