// The image readers on hand-made files, and the shared glyph table.
#include "assets/font.h"
#include "assets/image_read.h"
#include "support/image_files.h"

#include <gtest/gtest.h>
#include <vector>

typedef ImageBytes Bytes;

// Runs a reader over the bytes as a file; the result, with *image and *reason as it left them.
static int readBytes(int (*reader)(FILE *, ImageData *, const char **), const Bytes &bytes, ImageData *image,
                     const char **reason)
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

TEST(BitmapReaderTest, SwapsEachRowAndPadsTheBufferToTheUpload)
{
    // Width 1: rows of 3 bytes plus 1 padding byte; a plain byte-group swap would drift on row 2.
    Bytes pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    ImageData image;
    const char *reason;
    ASSERT_EQ(1, readBytes(readBitmap, bitmapFile(1, 2, 8, pixels), &image, &reason));
    EXPECT_EQ(GLenum(GL_RGB), image.format);
    ASSERT_EQ(8u, image.size);
    EXPECT_EQ(Bytes({3, 2, 1, 0, 6, 5, 4, 0}), Bytes(image.pixels, image.pixels + 8));
    free(image.pixels);

    // A top-down bitmap by its magnitude; too small a biSizeImage still gives the whole upload, zeros after.
    ASSERT_EQ(1, readBytes(readBitmap, bitmapFile(4, -3, 6, {10, 20, 30, 40, 50, 60}), &image, &reason));
    EXPECT_EQ(4, image.width);
    EXPECT_EQ(3, image.height);
    ASSERT_EQ(36u, image.size);
    EXPECT_EQ(Bytes({30, 20, 10, 60, 50, 40}), Bytes(image.pixels, image.pixels + 6));
    EXPECT_EQ(Bytes(30, 0), Bytes(image.pixels + 6, image.pixels + 36));
    free(image.pixels);

    // A biSizeImage far beyond the image reads no more than the upload uses; a short file leaves zeros.
    ASSERT_EQ(1, readBytes(readBitmap, bitmapFile(2, 2, 0xffffffffu, {1, 2, 3}), &image, &reason));
    ASSERT_EQ(16u, image.size);
    EXPECT_EQ(Bytes({3, 2, 1}), Bytes(image.pixels, image.pixels + 3));
    EXPECT_EQ(Bytes(13, 0), Bytes(image.pixels + 3, image.pixels + 16));
    free(image.pixels);
}

TEST(BitmapReaderTest, RefusesWrongTypesAndUnusableDimensions)
{
    ImageData image;
    const char *reason;
    Bytes notBitmap = bitmapFile(2, 2, 12, Bytes(12, 0));
    notBitmap[0] = 'X';
    EXPECT_EQ(0, readBytes(readBitmap, notBitmap, &image, &reason));
    EXPECT_STREQ("Incorrect texture type", reason);
    EXPECT_EQ(0, readBytes(readBitmap, Bytes({'B', 'M', 0, 0}), &image, &reason));
    EXPECT_STREQ("Incorrect texture type", reason);
    const int32_t bad[][2] = {{0, 4}, {4, 0}, {-4, 4}, {4097, 1}, {1, -4097}, {INT32_MIN, 1}, {1, INT32_MIN}};
    for (const auto &size : bad) {
        EXPECT_EQ(0, readBytes(readBitmap, bitmapFile(size[0], size[1], 12, Bytes(12, 0)), &image, &reason))
            << size[0] << " x " << size[1];
        EXPECT_STREQ("Incorrect texture type", reason);
        EXPECT_EQ(nullptr, image.pixels);
    }
}

TEST(TgaReaderTest, ReadsEachDepthWithItsFormatAndSwap)
{
    ImageData image;
    const char *reason;
    // 8-bit: luminance, no swap; a 40-byte image ID is skipped, so pixels start at offset 58.
    ASSERT_EQ(1, readBytes(readTga, tgaFile(3, 3, 1, 8, Bytes(40, 0xee), {1, 2, 3}), &image, &reason));
    EXPECT_EQ(GLenum(GL_LUMINANCE), image.format);
    EXPECT_EQ(Bytes({1, 2, 3}), Bytes(image.pixels, image.pixels + image.size));
    free(image.pixels);
    // 24-bit rows of 6 bytes, packed back to back, each pixel turned from BGR to RGB.
    ASSERT_EQ(1, readBytes(readTga, tgaFile(2, 2, 2, 24, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), &image,
                           &reason));
    EXPECT_EQ(GLenum(GL_RGB), image.format);
    EXPECT_EQ(Bytes({3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}), Bytes(image.pixels, image.pixels + image.size));
    free(image.pixels);
    // 32-bit: blue and red swapped, alpha kept last; the missing second row is zero.
    ASSERT_EQ(1, readBytes(readTga, tgaFile(2, 1, 2, 32, {}, {1, 2, 3, 4}), &image, &reason));
    EXPECT_EQ(GLenum(GL_RGBA), image.format);
    EXPECT_EQ(Bytes({3, 2, 1, 4, 0, 0, 0, 0}), Bytes(image.pixels, image.pixels + image.size));
    free(image.pixels);
}

TEST(TgaReaderTest, RefusesDepthsAndSizesAndSkipsRunLengthData)
{
    ImageData image;
    const char *reason;
    EXPECT_EQ(0, readBytes(readTga, tgaFile(2, 2, 2, 16, {}, Bytes(8, 0)), &image, &reason));
    EXPECT_EQ(0, readBytes(readTga, Bytes({0, 0, 2}), &image, &reason));
    // Sizes the GL cannot take are refused before anything is allocated.
    EXPECT_EQ(0, readBytes(readTga, tgaFile(2, 65535, 65535, 32, {}, {}), &image, &reason));
    EXPECT_EQ(nullptr, image.pixels);
    EXPECT_EQ(0, readBytes(readTga, tgaFile(2, 0, 4, 24, {}, {}), &image, &reason));
    // Run-length data is not decoded, whatever the depth: success with no image.
    ASSERT_EQ(1, readBytes(readTga, tgaFile(10, 4, 4, 16, {}, Bytes(4, 1)), &image, &reason));
    EXPECT_EQ(nullptr, image.pixels);
}

TEST(GlyphTableTest, CoversTheTextureAsSixteenByEightCells)
{
    BitmapFont first, second;
    EXPECT_EQ(&first, initBitmapFont(&first, 7, 15, 15));
    const GLfixed space[8] = {0, 57344, 4096, 57344, 4096, 65536, 0, 65536};
    const GLfixed last[8] = {61440, 0, 65536, 0, 65536, 8192, 61440, 8192};
    EXPECT_EQ(0, memcmp(space, glyphTexCoords[0], sizeof space));
    EXPECT_EQ(0, memcmp(last, glyphTexCoords[127], sizeof last));
    // 'A' (code 65) is entry 33: column 1 of the third row from the top.
    EXPECT_EQ(4096, glyphTexCoords[33][0]);
    EXPECT_EQ(65536 - 3 * 8192, glyphTexCoords[33][1]);
    // A later font fills its own record and leaves the shared table alone.
    glyphTexCoords[5][0] = 12345;
    initBitmapFont(&second, 9, 8, 10);
    EXPECT_EQ(12345, glyphTexCoords[5][0]);
    glyphTexCoords[5][0] = 5 * 4096;
    EXPECT_EQ(9u, second.texture);
    EXPECT_EQ(8, second.cellWidth);
    EXPECT_EQ(10, second.cellHeight);
    EXPECT_EQ(7u, first.texture);
}
