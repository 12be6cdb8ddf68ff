// Fuzz target: any bytes as the floor bitmap (built with FUZZ_BITMAP 1) or the font TGA (0). The
// reader must refuse them with a reason, or give a buffer that holds every row the upload reads.
#include "assets/image_read.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// libFuzzer's entry: one input through the reader.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static uint8_t none[1];  // an empty input still needs an address to open
    FILE *file = fmemopen(size ? (void *)data : none, size, "rb");
    if (!file)
        return 0;
    ImageData image = {};
    const char *reason = nullptr;
    int read = (FUZZ_BITMAP ? readBitmap : readTga)(file, &image, &reason);
    fclose(file);
    if (!read && (!reason || image.pixels))
        abort();
    if (read && image.pixels) {
        size_t row = (size_t)image.width * (image.format == GL_RGBA ? 4 : image.format == GL_RGB ? 3 : 1);
        if (FUZZ_BITMAP)
            row = (row + 3) & ~(size_t)3;  // bitmap rows are padded to 4 bytes, TGA rows packed
        if (image.width <= 0 || image.height <= 0 || image.width > maxImageSide || image.height > maxImageSide ||
            image.size < row * (size_t)image.height)
            abort();
        // Copying every byte lets the address checker catch a buffer smaller than it claims.
        void *copy = malloc(image.size);
        if (copy)
            memcpy(copy, image.pixels, image.size);
        free(copy);
    }
    free(image.pixels);
    return 0;
}
