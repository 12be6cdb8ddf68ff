// The image readers on hand-made files: what they make of good files and which they refuse.
#include "assets/image_read.h"

#include <gtest/gtest.h>
#include <vector>

typedef std::vector<unsigned char> ImageBytes;

// One file and whether the game's reader takes it.
struct ImageCase {
    const char *name;
    ImageBytes bytes;
    int accepted;
};

// Appends a little-endian number of the given byte count.
static void putLe(ImageBytes &out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        out.push_back((unsigned char)(value >> (8 * i)));
}

// A 24-bit bitmap with the given header fields followed by the given pixel bytes.
static ImageBytes bitmapFile(int32_t width, int32_t height, uint32_t sizeImage, const ImageBytes &pixels)
{
    ImageBytes out = {'B', 'M'};
    putLe(out, 54 + (uint32_t)pixels.size(), 4);
    putLe(out, 0, 4);
    putLe(out, 54, 4);
    putLe(out, 40, 4);
    putLe(out, (uint32_t)width, 4);
    putLe(out, (uint32_t)height, 4);
    putLe(out, 1, 2);
    putLe(out, 24, 2);
    putLe(out, 0, 4);
    putLe(out, sizeImage, 4);
    out.insert(out.end(), 16, 0);  // resolution and palette counts
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// A TGA with the given type, size and depth, image ID and pixel bytes, and no colour map.
static ImageBytes tgaFile(int type, int width, int height, int depth, const ImageBytes &id, const ImageBytes &pixels)
{
    ImageBytes out = {(unsigned char)id.size(), 0, (unsigned char)type, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    putLe(out, (uint32_t)width, 2);
    putLe(out, (uint32_t)height, 2);
    out.push_back((unsigned char)depth);
    out.push_back(0x20);  // top-left origin bit: must not change the row order
    out.insert(out.end(), id.begin(), id.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// The first count bytes of the file.
static ImageBytes cut(const ImageBytes &bytes, size_t count)
{
    return ImageBytes(bytes.begin(), bytes.begin() + (count < bytes.size() ? count : bytes.size()));
}

// A stripy pattern of the given length, so that swapped or shifted bytes show.
static ImageBytes pattern(size_t count)
{
    ImageBytes out(count);
    for (size_t i = 0; i < count; i++)
        out[i] = (unsigned char)(i * 37 + 11);
    return out;
}

// Floor bitmaps: a few valid ones and one of each way a file can be broken.
static std::vector<ImageCase> bitmapCases()
{
    ImageBytes good = bitmapFile(8, 8, 192, pattern(192));
    ImageBytes wrongMagic = good;
    wrongMagic[0] = 'P';
    return {
        {"valid_8x8", good, 1},
        {"top_down", bitmapFile(8, -8, 192, pattern(192)), 1},
        {"odd_width", bitmapFile(5, 3, 48, pattern(48)), 1},
        {"size_image_too_small", bitmapFile(16, 16, 10, pattern(10)), 1},
        {"pixels_cut_short", cut(good, 80), 1},
        {"empty", {}, 0},
        {"file_header_cut", cut(good, 9), 0},
        {"info_header_cut", cut(good, 30), 0},
        {"wrong_magic", wrongMagic, 0},
        {"zero_width", bitmapFile(0, 8, 0, {}), 0},
        {"zero_height", bitmapFile(8, 0, 0, {}), 0},
        {"negative_width", bitmapFile(-8, 8, 192, pattern(192)), 0},
        {"huge_width", bitmapFile(0x7fffffff, 1, 0xffffffffu, pattern(64)), 0},
        {"huge_both", bitmapFile(100000, 100000, 64, pattern(64)), 0},
        {"most_negative_height", bitmapFile(8, INT32_MIN, 192, pattern(192)), 0},
    };
}

// Font TGAs: valid ones of each depth and the layouts the reader does not decode.
static std::vector<ImageCase> tgaCases()
{
    ImageBytes mapped = tgaFile(1, 4, 4, 8, {}, pattern(16 + 3 * 4));
    mapped[1] = 1;  // colour-map type, and a 4-entry 24-bit map
    mapped[5] = 4;
    mapped[7] = 24;
    return {
        {"valid_24bit", tgaFile(2, 16, 8, 24, {}, pattern(16 * 8 * 3)), 1},
        {"valid_32bit", tgaFile(2, 16, 8, 32, {}, pattern(16 * 8 * 4)), 1},
        {"valid_8bit_with_id", tgaFile(3, 16, 8, 8, ImageBytes(40, 'i'), pattern(16 * 8)), 1},
        {"odd_row_length", tgaFile(2, 7, 5, 24, {}, pattern(7 * 5 * 3)), 1},
        {"colour_mapped", mapped, 1},
        {"run_length", tgaFile(10, 16, 8, 24, {}, {0x8f, 1, 2, 3}), 1},
        {"truncated_pixels", tgaFile(2, 64, 64, 32, {}, pattern(100)), 1},
        {"depth_16", tgaFile(2, 16, 8, 16, {}, pattern(16 * 8 * 2)), 0},
        {"header_cut", cut(tgaFile(2, 16, 8, 24, {}, {}), 11), 0},
        {"empty", {}, 0},
        {"zero_width", tgaFile(2, 0, 8, 24, {}, {}), 0},
        {"huge", tgaFile(2, 65535, 65535, 32, {}, pattern(64)), 0},
    };
}


typedef int (*Reader)(FILE *, ImageData *, const char **);

// Runs a reader over the bytes as a file; its result, with *image and *reason as it left them.
static int readBytes(Reader reader, const ImageBytes &bytes, ImageData *image, const char **reason)
{
    FILE *file = tmpfile();
    if (!bytes.empty())
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
