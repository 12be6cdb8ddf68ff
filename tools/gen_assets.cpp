// Makes the game's images from code: "floor.bmp" (wooden planks), "font.tga" (the glyphs) and the icon.
// Usage: gen_assets <output directory>
#include "tools/asset_files.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <vector>

// 5 x 7 glyph designs for codes 32..126, top row first, '#' lit.
static const char *const glyphRows[95][7] = {
    {".....", ".....", ".....", ".....", ".....", ".....", "....."},  // space
    {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."},  // !
    {".#.#.", ".#.#.", ".....", ".....", ".....", ".....", "....."},  // "
    {".#.#.", ".#.#.", "#####", ".#.#.", "#####", ".#.#.", ".#.#."},  // #
    {"..#..", ".####", "#.#..", ".###.", "..#.#", "####.", "..#.."},  // $
    {"##...", "##..#", "...#.", "..#..", ".#...", "#..##", "...##"},  // %
    {".##..", "#..#.", "#.#..", ".#...", "#.#.#", "#..#.", ".##.#"},  // &
    {"..#..", "..#..", ".#...", ".....", ".....", ".....", "....."},  // '
    {"...#.", "..#..", ".#...", ".#...", ".#...", "..#..", "...#."},  // (
    {".#...", "..#..", "...#.", "...#.", "...#.", "..#..", ".#..."},  // )
    {".....", "..#..", "#.#.#", ".###.", "#.#.#", "..#..", "....."},  // *
    {".....", "..#..", "..#..", "#####", "..#..", "..#..", "....."},  // +
    {".....", ".....", ".....", ".....", ".##..", "..#..", ".#..."},  // ,
    {".....", ".....", ".....", "#####", ".....", ".....", "....."},  // -
    {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."},  // .
    {".....", "....#", "...#.", "..#..", ".#...", "#....", "....."},  // /
    {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."},  // 0
    {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."},  // 1
    {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"},  // 2
    {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."},  // 3
    {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."},  // 4
    {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."},  // 5
    {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."},  // 6
    {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."},  // 7
    {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."},  // 8
    {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."},  // 9
    {".....", ".##..", ".##..", ".....", ".##..", ".##..", "....."},  // :
    {".....", ".##..", ".##..", ".....", ".##..", "..#..", ".#..."},  // ;
    {"...#.", "..#..", ".#...", "#....", ".#...", "..#..", "...#."},  // <
    {".....", ".....", "#####", ".....", "#####", ".....", "....."},  // =
    {".#...", "..#..", "...#.", "....#", "...#.", "..#..", ".#..."},  // >
    {".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."},  // ?
    {".###.", "#...#", "....#", ".##.#", "#.#.#", "#.#.#", ".###."},  // @
    {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"},  // A
    {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."},  // B
    {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."},  // C
    {"###..", "#..#.", "#...#", "#...#", "#...#", "#..#.", "###.."},  // D
    {"#####", "#....", "#....", "####.", "#....", "#....", "#####"},  // E
    {"#####", "#....", "#....", "####.", "#....", "#....", "#...."},  // F
    {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"},  // G
    {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"},  // H
    {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."},  // I
    {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."},  // J
    {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"},  // K
    {"#....", "#....", "#....", "#....", "#....", "#....", "#####"},  // L
    {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"},  // M
    {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"},  // N
    {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},  // O
    {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."},  // P
    {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"},  // Q
    {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"},  // R
    {".####", "#....", "#....", ".###.", "....#", "....#", "####."},  // S
    {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."},  // T
    {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},  // U
    {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."},  // V
    {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."},  // W
    {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"},  // X
    {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."},  // Y
    {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"},  // Z
    {".###.", ".#...", ".#...", ".#...", ".#...", ".#...", ".###."},  // [
    {".....", "#....", ".#...", "..#..", "...#.", "....#", "....."},  // backslash
    {".###.", "...#.", "...#.", "...#.", "...#.", "...#.", ".###."},  // ]
    {"..#..", ".#.#.", "#...#", ".....", ".....", ".....", "....."},  // ^
    {".....", ".....", ".....", ".....", ".....", ".....", "#####"},  // _
    {".#...", "..#..", "...#.", ".....", ".....", ".....", "....."},  // `
    {".....", ".....", ".###.", "....#", ".####", "#...#", ".####"},  // a
    {"#....", "#....", "#.##.", "##..#", "#...#", "#...#", "####."},  // b
    {".....", ".....", ".###.", "#....", "#....", "#...#", ".###."},  // c
    {"....#", "....#", ".##.#", "#..##", "#...#", "#...#", ".####"},  // d
    {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."},  // e
    {"..##.", ".#..#", ".#...", "###..", ".#...", ".#...", ".#..."},  // f
    {".....", ".####", "#...#", "#...#", ".####", "....#", ".###."},  // g
    {"#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#"},  // h
    {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."},  // i
    {"...#.", ".....", "..##.", "...#.", "...#.", "#..#.", ".##.."},  // j
    {"#....", "#....", "#..#.", "#.#..", "##...", "#.#..", "#..#."},  // k
    {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."},  // l
    {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#...#", "#...#"},  // m
    {".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"},  // n
    {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."},  // o
    {".....", ".....", "####.", "#...#", "####.", "#....", "#...."},  // p
    {".....", ".....", ".##.#", "#..##", ".####", "....#", "....#"},  // q
    {".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."},  // r
    {".....", ".....", ".###.", "#....", ".###.", "....#", "####."},  // s
    {".#...", ".#...", "###..", ".#...", ".#...", ".#..#", "..##."},  // t
    {".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"},  // u
    {".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."},  // v
    {".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#."},  // w
    {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"},  // x
    {".....", ".....", "#...#", "#...#", ".####", "....#", ".###."},  // y
    {".....", ".....", "#####", "...#.", "..#..", ".#...", "#####"},  // z
    {"...#.", "..#..", "..#..", ".#...", "..#..", "..#..", "...#."},  // {
    {"..#..", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."},  // |
    {".#...", "..#..", "..#..", "...#.", "..#..", "..#..", ".#..."},  // }
    {".....", ".....", ".#...", "#.#.#", "...#.", ".....", "....."},  // ~
};

// Font image: 16 x 8 cells of 16 x 16 texels, each design pixel drawn as 2 x 2 texels.
constexpr int fontWidth = 256, fontHeight = 128, cellSize = 16, glyphScale = 2;
constexpr int glyphLeft = 3, glyphTop = 1;
// A TGA header: 12 bytes of kind and origin, width, height, bits a pixel and the descriptor.
constexpr size_t tgaHeaderBytes = 18;
// Floor image: eight planks of 16 texels running along x.
constexpr int floorSide = 128, plankWidth = 16;

// Appends a little-endian number of the given byte count.
static void putLe(std::vector<unsigned char> &out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        out.push_back((unsigned char)(value >> (8 * i)));
}

// Writes the bytes to dir/name, making the folders name holds; 1 on success.
int writeFile(const std::string &dir, const char *name, const std::vector<unsigned char> &bytes)
{
    std::string path = dir + "/" + name;
    for (size_t slash = path.find('/', dir.size() + 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        mkdir(path.substr(0, slash).c_str(), 0755);
    FILE *file = fopen(path.c_str(), "wb");
    if (!file) {
        fprintf(stderr, "gen_assets: cannot write %s\n", path.c_str());
        return 0;
    }
    size_t written = fwrite(bytes.data(), 1, bytes.size(), file);
    int closed = fclose(file) == 0;
    return written == bytes.size() && closed;
}

// A repeatable pseudo-random value in [0, 1) for a texel, so the pattern is the same on every build.
static float texelNoise(uint32_t x, uint32_t y, uint32_t seed)
{
    uint32_t h = x * 374761393u + y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return (float)((h ^ (h >> 16)) & 0xffff) / 65536.0f;
}

// One floor texel as (r, g, b): light wood with grain, dark seams and staggered plank ends.
static void floorTexel(int x, int y, unsigned char rgb[3])
{
    int plank = y / plankWidth;
    int across = y % plankWidth;
    int jointX = (plank * 53 + 17) % floorSide;
    bool seam = across == 0 || x == jointX;
    // Each plank (and each half between its joint) gets its own shade.
    int piece = x < jointX ? 0 : 1;
    float shade = 0.8f + 0.25f * texelNoise((uint32_t)plank, (uint32_t)piece, 7);
    // Wavy grain lines along the plank, with a little fine noise.
    float grain = 0.5f + 0.5f * (float)sin(across * 1.3 + plank * 2.1 + 2.5 * sin(x * 0.07 + plank));
    float light = shade * (0.82f + 0.12f * grain + 0.06f * texelNoise((uint32_t)x, (uint32_t)y, 3));
    if (seam)
        light *= 0.35f;
    const float wood[3] = {215, 160, 105};
    for (int c = 0; c < 3; c++) {
        float v = wood[c] * light;
        rgb[c] = (unsigned char)(v > 255 ? 255 : v);
    }
}

// The 128 x 128 24-bit floor bitmap, rows bottom first as bitmaps store them.
static std::vector<unsigned char> floorBitmap()
{
    const uint32_t rowBytes = floorSide * 3, imageBytes = rowBytes * floorSide;
    std::vector<unsigned char> out;
    out.push_back('B');
    out.push_back('M');
    putLe(out, 54 + imageBytes, 4);
    putLe(out, 0, 4);
    putLe(out, 54, 4);
    putLe(out, 40, 4);
    putLe(out, floorSide, 4);
    putLe(out, floorSide, 4);
    putLe(out, 1, 2);
    putLe(out, 24, 2);
    putLe(out, 0, 4);
    putLe(out, imageBytes, 4);
    putLe(out, 2835, 4);
    putLe(out, 2835, 4);
    putLe(out, 0, 4);
    putLe(out, 0, 4);
    for (int row = floorSide - 1; row >= 0; row--)
        for (int x = 0; x < floorSide; x++) {
            unsigned char rgb[3];
            floorTexel(x, row, rgb);
            out.push_back(rgb[2]);
            out.push_back(rgb[1]);
            out.push_back(rgb[0]);
        }
    return out;
}

// The font picture, top row first: one byte per texel, 255 where a glyph is lit.
static std::vector<unsigned char> fontPicture()
{
    std::vector<unsigned char> picture(fontWidth * fontHeight, 0);
    for (int glyph = 0; glyph < 95; glyph++) {
        int cellX = (glyph % 16) * cellSize + glyphLeft, cellY = (glyph / 16) * cellSize + glyphTop;
        for (int row = 0; row < 7; row++)
            for (int col = 0; col < 5; col++) {
                if (glyphRows[glyph][row][col] != '#')
                    continue;
                for (int dy = 0; dy < glyphScale; dy++)
                    for (int dx = 0; dx < glyphScale; dx++)
                        picture[(size_t)(cellY + row * glyphScale + dy) * fontWidth + cellX +
                                col * glyphScale + dx] = 255;
            }
    }
    return picture;
}

// The font as an uncompressed 24-bit TGA with its origin at the lower left (bottom row first).
static std::vector<unsigned char> fontTga()
{
    // No image id, no colour map, uncompressed true colour, the origin at (0, 0); the whole file
    // is allocated once.
    std::vector<unsigned char> out = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    out.reserve(tgaHeaderBytes + (size_t)fontWidth * fontHeight * 3);
    putLe(out, fontWidth, 2);
    putLe(out, fontHeight, 2);
    out.push_back(24);
    out.push_back(0);
    std::vector<unsigned char> picture = fontPicture();
    for (int row = fontHeight - 1; row >= 0; row--)
        for (int x = 0; x < fontWidth; x++)
            out.insert(out.end(), 3, picture[(size_t)row * fontWidth + x]);
    return out;
}

// Writes the images and the icon into the directory named on the command line.
int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: gen_assets <output directory>\n");
        return 2;
    }
    int ok = writeFile(argv[1], "floor.bmp", floorBitmap()) && writeFile(argv[1], "font.tga", fontTga()) &&
             writeIcons(argv[1]);
    return ok ? 0 : 1;
}
