// The image readers on hand-made files: what they make of good files and which they refuse.
#include "assets/image_read.h"
#include "support/image_files.h"

#include <gtest/gtest.h>

typedef int (*Reader)(FILE *, ImageData *, const char **);

// Runs a reader over the bytes as a file; its result, with *image and *reason as it left them.
static int readBytes(Reader reader, const ImageBytes &bytes, ImageData *image, const char **reason)
{
    FILE *file = tmpfile();
    fwrite(bytes.data(), 1, bytes.size(), file);
    rewind(file);
    *image = {};
    *reason = nullptr;
    int ok = reader(file, image, reason);
    fclose(file);
    return ok;
}

// The bytes followed by count zeros.
static ImageBytes thenZeros(ImageBytes bytes, size_t count)
{
    bytes.resize(bytes.size() + count, 0);
    return bytes;
}

TEST(ImageReaders, TurnStoredPixelsIntoTheRowsTheUploadReads)
{
    const struct {
        const char *what;
        Reader reader;
        ImageBytes file;
        GLenum format;
        ImageBytes pixels;
    } cases[] = {
        {"bitmap rows of 3 bytes and 1 of padding, each swapped from its own start", readBitmap,
         bitmapFile(1, 2, 8, {1, 2, 3, 0, 4, 5, 6, 0}), GL_RGB, {3, 2, 1, 0, 6, 5, 4, 0}},
        {"top-down bitmap by its height's magnitude; what biSizeImage leaves out is zero", readBitmap,
         bitmapFile(4, -3, 6, {10, 20, 30, 40, 50, 60}), GL_RGB, thenZeros({30, 20, 10, 60, 50, 40}, 30)},
        {"biSizeImage far beyond the image reads no more than the upload", readBitmap,
         bitmapFile(2, 2, 0xffffffffu, {1, 2, 3}), GL_RGB, thenZeros({3, 2, 1}, 13)},
        {"8-bit TGA after a 40-byte image ID: luminance, no swap", readTga,
         tgaFile(3, 3, 1, 8, ImageBytes(40, 0xee), {1, 2, 3}), GL_LUMINANCE, {1, 2, 3}},
        {"24-bit TGA: rows packed back to back, blue and red swapped", readTga,
         tgaFile(2, 2, 2, 24, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), GL_RGB,
         {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}},
        {"32-bit TGA: alpha kept last; a missing row is zero", readTga, tgaFile(2, 1, 2, 32, {}, {1, 2, 3, 4}),
         GL_RGBA, {3, 2, 1, 4, 0, 0, 0, 0}},
    };
    for (const auto &c : cases) {
        ImageData image;
        const char *reason;
        ASSERT_EQ(readBytes(c.reader, c.file, &image, &reason), 1) << c.what;
        EXPECT_EQ(image.format, c.format) << c.what;
        EXPECT_EQ(ImageBytes(image.pixels, image.pixels + image.size), c.pixels) << c.what;
        free(image.pixels);
    }
}

TEST(ImageReaders, RefuseWhatTheGameCannotUploadAndTakeTheRest)
{
    for (bool bitmap : {true, false}) {
        for (const ImageCase &c : bitmap ? bitmapCases() : tgaCases()) {
            ImageData image;
            const char *reason;
            int read = readBytes(bitmap ? readBitmap : readTga, c.bytes, &image, &reason);
            EXPECT_EQ(read, c.accepted) << c.name;
            if (!read) {
                EXPECT_EQ(image.pixels, nullptr) << c.name;
                EXPECT_STREQ(bitmap ? reason : "", bitmap ? "Incorrect texture type" : "") << c.name;
            } else if (image.pixels) {
                // Enough bytes for every row the upload reads: padded to 4 for bitmaps, packed for TGAs.
                size_t pixelBytes = image.format == GL_RGBA ? 4 : image.format == GL_RGB ? 3 : 1;
                size_t row = (size_t)image.width * pixelBytes;
                EXPECT_GE(image.size, (bitmap ? (row + 3) & ~(size_t)3 : row) * image.height) << c.name;
            }
            free(image.pixels);
        }
    }
    // Run-length data is not decoded, whatever the depth: taken, with no image.
    ImageData image;
    const char *reason;
    EXPECT_EQ(readBytes(readTga, tgaFile(10, 4, 4, 16, {}, ImageBytes(4, 1)), &image, &reason), 1);
    EXPECT_EQ(image.pixels, nullptr);
}
