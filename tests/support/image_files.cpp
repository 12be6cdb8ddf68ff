// Hand-made BMP and TGA files for the reader tests, the bad-file tests and the fuzz seeds.
#include "support/image_files.h"

// Appends a little-endian number of the given byte count.
static void putLe(ImageBytes &out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        out.push_back((unsigned char)(value >> (8 * i)));
}

// A 24-bit bitmap with the given header fields followed by the given pixel bytes.
ImageBytes bitmapFile(int32_t width, int32_t height, uint32_t sizeImage, const ImageBytes &pixels)
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
ImageBytes tgaFile(int type, int width, int height, int depth, const ImageBytes &id, const ImageBytes &pixels)
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
std::vector<ImageCase> bitmapCases()
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
std::vector<ImageCase> tgaCases()
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
