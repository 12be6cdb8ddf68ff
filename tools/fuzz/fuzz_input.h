// What both reader fuzz targets share: the input as a FILE and the checks on what a reader made.
#pragma once

#include "assets/image_read.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// Runs the reader over the bytes as a read-only file; aborts when an accepted image does not hold
// the rowBytes * height bytes its upload reads, and frees what the reader made.
static inline void fuzzReader(int (*reader)(FILE *, ImageData *, const char **), const uint8_t *data, size_t size,
                              size_t (*rowBytes)(const ImageData *))
{
    // An empty input still needs a buffer address to open.
    static uint8_t none[1];
    FILE *file = fmemopen(size ? (void *)data : none, size, "rb");
    if (!file)
        return;
    ImageData image = {};
    const char *reason = nullptr;
    if (!reader(file, &image, &reason)) {
        if (!reason || image.pixels)
            abort();
    } else if (image.pixels) {
        if (image.width <= 0 || image.height <= 0 || image.width > maxImageSide || image.height > maxImageSide ||
            image.size < rowBytes(&image) * (size_t)image.height)
            abort();
        // Copying every byte lets the address checker catch a buffer smaller than it claims.
        void *copy = malloc(image.size);
        if (copy)
            memcpy(copy, image.pixels, image.size);
        free(copy);
    }
    free(image.pixels);
    fclose(file);
}
