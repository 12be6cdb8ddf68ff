// The image readers on hand-made files: the rows they make of good files, and which files they refuse.
#include "assets/image_read.h"

#include <gtest/gtest.h>
#include <vector>

typedef std::vector<unsigned char> Bytes;
typedef int (*Reader)(FILE *, ImageData *, const char **);

// A little-endian number of count bytes.
static Bytes le(uint32_t value, int count)
{
    Bytes out;
    for (int i = 0; i < count; i++)
        out.push_back((unsigned char)(value >> (8 * i)));
    return out;
}

static Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A 24-bit bitmap with the given header fields, then the pixel bytes.
static Bytes bitmapFile(int32_t width, int32_t height, uint32_t sizeImage, const Bytes &pixels)
{
    return Bytes{'B', 'M'} + le(54 + (uint32_t)pixels.size(), 4) + le(0, 4) + le(54, 4) + le(40, 4) +
           le((uint32_t)width, 4) + le((uint32_t)height, 4) + le(1, 2) + le(24, 2) + le(0, 4) + le(sizeImage, 4) +
           Bytes(16, 0) + pixels;
}

// A TGA of the type, size and depth without a colour map, then its image ID and pixel bytes. Its
// top-left origin bit must not change the row order.
static Bytes tgaFile(int type, int width, int height, int depth, const Bytes &id, const Bytes &pixels)
{
    return Bytes{(unsigned char)id.size(), 0, (unsigned char)type} + Bytes(9, 0) + le((uint32_t)width, 2) +
           le((uint32_t)height, 2) + Bytes{(unsigned char)depth, 0x20} + id + pixels;
}

// Runs a reader over the bytes as a file; its result, with *image and *reason as it left them.
static int readBytes(Reader reader, const Bytes &bytes, ImageData *image, const char **reason)
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

TEST(ImageReaders, TurnGoodFilesIntoTheRowsTheUploadReadsAndRefuseWhatTheGameCannotUpload)
{
    Bytes good = bitmapFile(8, 8, 192, Bytes(192, 7)), notBitmap = good, tgaHeader = tgaFile(2, 16, 8, 24, {}, {});
    notBitmap[0] = 'P';
    const struct {
        const char *what;
        Reader reader;
        Bytes file;
        int accepted;
        GLenum format;  // with the pixels: 0 when only the buffer's size is checked
        Bytes pixels;
    } cases[] = {
        {"bitmap rows of 3 bytes and 1 of padding, each swapped from its own start", readBitmap,
         bitmapFile(1, 2, 8, {1, 2, 3, 0, 4, 5, 6, 0}), 1, GL_RGB, {3, 2, 1, 0, 6, 5, 4, 0}},
        {"top-down bitmap, by its height's magnitude; what biSizeImage leaves out is zero", readBitmap,
         bitmapFile(4, -3, 6, {10, 20, 30, 40, 50, 60}), 1, GL_RGB, Bytes{30, 20, 10, 60, 50, 40} + Bytes(30, 0)},
        {"biSizeImage far beyond the image reads no more than the upload", readBitmap,
         bitmapFile(2, 2, 0xffffffffu, {1, 2, 3}), 1, GL_RGB, Bytes{3, 2, 1} + Bytes(13, 0)},
        {"8-bit TGA after a 40-byte image ID: luminance, no swap", readTga,
         tgaFile(3, 3, 1, 8, Bytes(40, 0xee), {1, 2, 3}), 1, GL_LUMINANCE, {1, 2, 3}},
        {"24-bit TGA: rows packed back to back, blue and red swapped", readTga,
         tgaFile(2, 2, 2, 24, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), 1, GL_RGB,
         {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}},
        {"32-bit TGA: alpha kept last; a missing row is zero", readTga, tgaFile(2, 1, 2, 32, {}, {1, 2, 3, 4}), 1,
         GL_RGBA, {3, 2, 1, 4, 0, 0, 0, 0}},
        {"run-length TGA of any depth: taken, with no image", readTga, tgaFile(10, 4, 4, 16, {}, Bytes(4, 1)), 1,
         GL_RGBA, {}},
        {"bitmap of an odd width", readBitmap, bitmapFile(5, 3, 48, Bytes(48, 9)), 1, 0, {}},
        {"bitmap cut in its pixels", readBitmap, Bytes(good.begin(), good.begin() + 80), 1, 0, {}},
        {"empty bitmap", readBitmap, {}, 0, 0, {}},
        {"bitmap cut in its file header", readBitmap, Bytes(good.begin(), good.begin() + 9), 0, 0, {}},
        {"bitmap cut in its info header", readBitmap, Bytes(good.begin(), good.begin() + 30), 0, 0, {}},
        {"bitmap without its magic", readBitmap, notBitmap, 0, 0, {}},
        {"bitmap of width 0", readBitmap, bitmapFile(0, 8, 0, {}), 0, 0, {}},
        {"bitmap of height 0", readBitmap, bitmapFile(8, 0, 0, {}), 0, 0, {}},
        {"bitmap of a negative width", readBitmap, bitmapFile(-8, 8, 192, Bytes(192, 7)), 0, 0, {}},
        {"bitmap as wide as the GL takes", readBitmap, bitmapFile(4096, 1, 12288, {}), 1, 0, {}},
        {"bitmap wider than the GL takes", readBitmap, bitmapFile(4097, 1, 0xffffffffu, Bytes(64, 7)), 0, 0, {}},
        {"bitmap taller than the GL takes, top down", readBitmap, bitmapFile(1, -4097, 64, Bytes(64, 7)), 0, 0, {}},
        {"bitmap of the most negative height", readBitmap, bitmapFile(8, INT32_MIN, 192, Bytes(192, 7)), 0, 0, {}},
        {"16-bit TGA", readTga, tgaFile(2, 16, 8, 16, {}, Bytes(256, 9)), 0, 0, {}},
        {"TGA cut in its header", readTga, Bytes(tgaHeader.begin(), tgaHeader.begin() + 11), 0, 0, {}},
        {"empty TGA", readTga, {}, 0, 0, {}},
        {"TGA of width 0", readTga, tgaFile(2, 0, 8, 24, {}, {}), 0, 0, {}},
        {"TGA larger than the GL takes", readTga, tgaFile(2, 65535, 65535, 32, {}, Bytes(64, 9)), 0, 0, {}},
    };
    for (const auto &c : cases) {
        ImageData image;
        const char *reason;
        bool bitmap = c.reader == readBitmap;
        ASSERT_EQ(readBytes(c.reader, c.file, &image, &reason), c.accepted) << c.what;
        if (!c.accepted) {
            EXPECT_EQ(image.pixels, nullptr) << c.what;
            ASSERT_NE(reason, nullptr) << c.what;
            if (bitmap) {
                EXPECT_STREQ(reason, "Incorrect texture type") << c.what;
            }
        } else if (c.format) {
            EXPECT_EQ(image.format, c.format) << c.what;
            EXPECT_EQ(Bytes(image.pixels, image.pixels + image.size), c.pixels) << c.what;
        } else {
            // Every row the upload reads: padded to 4 bytes for bitmaps, packed for TGAs.
            size_t row = (size_t)image.width * (image.format == GL_RGBA ? 4 : image.format == GL_RGB ? 3 : 1);
            EXPECT_GE(image.size, (bitmap ? (row + 3) & ~(size_t)3 : row) * image.height) << c.what;
        }
        free(image.pixels);
    }
}
