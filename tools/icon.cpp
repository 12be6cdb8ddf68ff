// The game's icon, drawn once from a few shapes: the scalable SVG, PNGs at the menu sizes and the
// window's own icon pixels all come from the same drawing.
#include "tools/asset_files.h"

#include <math.h>
#include <stdio.h>
#include <string>
#include <vector>

enum ShapeKind { RECT, CIRCLE, LINE };

// One shape on the 128 x 128 canvas. A rect spans (x, y, w, h) with corners of the radius; a circle
// stands at (x, y) with the radius; a line runs from (x, y) by (w, h). A stroke is centred on the
// outline and painted over the fill; 0 means none.
struct Shape {
    ShapeKind kind;
    float x, y, w, h, radius;
    uint32_t fill, stroke;
    float strokeWidth;
};

// The table seen from above: grey walls, both goal mouths, the centre line, the computer's
// (magenta) mallet, the puck and the player's (blue) mallet, on a sky-blue tile.
static const Shape iconShapes[] = {
    {RECT, 0, 0, 128, 128, 20, 0x8080ff, 0, 0},
    {RECT, 30, 8, 68, 112, 6, 0xa1a1a1, 0, 0},
    {RECT, 36, 14, 56, 100, 0, 0x5cd05c, 0, 0},
    {RECT, 50, 8, 28, 6, 0, 0x5c765c, 0, 0},
    {RECT, 50, 114, 28, 6, 0, 0x5c765c, 0, 0},
    {LINE, 36, 64, 56, 0, 0, 0, 0x4aa84a, 2},
    {CIRCLE, 64, 32, 0, 0, 10, 0xd05cd0, 0x8a3c8a, 2},
    {CIRCLE, 64, 32, 0, 0, 4, 0xb04ab0, 0, 0},
    {CIRCLE, 72, 60, 0, 0, 7, 0xd05c5c, 0x8a3c3c, 2},
    {CIRCLE, 58, 94, 0, 0, 10, 0x5c5cd0, 0x3c3c8a, 2},
    {CIRCLE, 58, 94, 0, 0, 4, 0x4a4ab0, 0, 0},
};
constexpr float canvas = 128;
constexpr int windowIconSizes[] = {16, 32, 48, 64};
constexpr int menuIconSizes[] = {16, 32, 48, 64, 128, 256};

// The colour a shape paints at a canvas point; -1 where it paints nothing.
static long shapeColourAt(const Shape &s, float px, float py)
{
    float halfStroke = s.strokeWidth / 2;
    if (s.kind == RECT) {
        float dx = fmaxf(fmaxf(s.x + s.radius - px, px - (s.x + s.w - s.radius)), 0);
        float dy = fmaxf(fmaxf(s.y + s.radius - py, py - (s.y + s.h - s.radius)), 0);
        return dx * dx + dy * dy <= s.radius * s.radius ? (long)s.fill : -1;
    }
    if (s.kind == CIRCLE) {
        float d = hypotf(px - s.x, py - s.y);
        if (s.stroke && fabsf(d - s.radius) <= halfStroke)
            return (long)s.stroke;
        return d <= s.radius ? (long)s.fill : -1;
    }
    // A line with square-cut ends: within half the stroke of the segment, between its ends.
    float length2 = s.w * s.w + s.h * s.h;
    float t = ((px - s.x) * s.w + (py - s.y) * s.h) / length2;
    float d = fabsf((px - s.x) * s.h - (py - s.y) * s.w) / sqrtf(length2);
    return t >= 0 && t <= 1 && d <= halfStroke ? (long)s.stroke : -1;
}

// The drawing at side x side pixels, ARGB, rows top first; 4 x 4 samples a pixel smooth the edges.
static std::vector<uint32_t> renderIcon(int side)
{
    std::vector<uint32_t> pixels((size_t)side * side);
    const int samples = 4;
    float scale = canvas / (float)side;
    for (int y = 0; y < side; y++)
        for (int x = 0; x < side; x++) {
            unsigned sum[4] = {};  // alpha and alpha-weighted red, green, blue
            for (int sy = 0; sy < samples; sy++)
                for (int sx = 0; sx < samples; sx++) {
                    float px = (x + (sx + 0.5f) / samples) * scale, py = (y + (sy + 0.5f) / samples) * scale;
                    long colour = -1;
                    for (const Shape &s : iconShapes) {
                        long painted = shapeColourAt(s, px, py);
                        if (painted >= 0)
                            colour = painted;
                    }
                    if (colour < 0)
                        continue;
                    sum[0] += 255;
                    for (int c = 0; c < 3; c++)
                        sum[1 + c] += (unsigned)(colour >> (16 - 8 * c)) & 0xff;
                }
            const unsigned count = samples * samples, covered = sum[0] / 255;
            uint32_t argb = (uint32_t)(sum[0] / count) << 24;
            for (int c = 0; c < 3 && covered; c++)
                argb |= (sum[1 + c] / covered) << (16 - 8 * c);
            pixels[(size_t)y * side + x] = argb;
        }
    return pixels;
}

// Appends a big-endian 32-bit number.
static void putBe32(std::vector<unsigned char> &out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back((unsigned char)(value >> shift));
}

// The CRC-32 of a PNG chunk's type and data.
static uint32_t crc32Of(const unsigned char *data, size_t length)
{
    uint32_t crc = 0xffffffffu;
    for (size_t i = 0; i < length; i++) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; bit++)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return crc ^ 0xffffffffu;
}

// Appends a PNG chunk: length, type, data and CRC.
static void putChunk(std::vector<unsigned char> &out, const char *type, const std::vector<unsigned char> &data)
{
    putBe32(out, (uint32_t)data.size());
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBe32(out, crc32Of(&out[start], out.size() - start));
}

// An RGBA PNG of the pixels; its data is a zlib stream of stored blocks, which every reader takes.
static std::vector<unsigned char> pngOf(const std::vector<uint32_t> &argb, int side)
{
    std::vector<unsigned char> raw;
    for (int y = 0; y < side; y++) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < side; x++) {
            uint32_t p = argb[(size_t)y * side + x];
            const unsigned char rgba[4] = {(unsigned char)(p >> 16), (unsigned char)(p >> 8), (unsigned char)p,
                                           (unsigned char)(p >> 24)};
            raw.insert(raw.end(), rgba, rgba + 4);
        }
    }
    std::vector<unsigned char> zlib = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t at = 0; at < raw.size(); at += 65535) {
        size_t length = raw.size() - at < 65535 ? raw.size() - at : 65535;
        zlib.push_back(at + length == raw.size() ? 1 : 0);
        const unsigned char sizes[4] = {(unsigned char)length, (unsigned char)(length >> 8),
                                        (unsigned char)~length, (unsigned char)(~length >> 8)};
        zlib.insert(zlib.end(), sizes, sizes + 4);
        zlib.insert(zlib.end(), raw.begin() + (long)at, raw.begin() + (long)(at + length));
    }
    putBe32(zlib, b << 16 | a);
    std::vector<unsigned char> header;
    putBe32(header, (uint32_t)side);
    putBe32(header, (uint32_t)side);
    const unsigned char format[5] = {8, 6, 0, 0, 0};  // 8 bits a channel, RGBA, no interlace
    header.insert(header.end(), format, format + 5);
    const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<unsigned char> png(signature, signature + 8);
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlib);
    putChunk(png, "IEND", {});
    return png;
}

// A colour as SVG writes it.
static std::string svgColour(uint32_t rgb)
{
    char text[16];
    snprintf(text, sizeof text, "#%06x", (unsigned)rgb & 0xffffffu);
    return text;
}

// The drawing as an SVG document.
static std::string svgOf()
{
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<!-- Rinkslider's icon: the table seen from above, the puck between the two mallets. -->\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"128\" height=\"128\" viewBox=\"0 0 128 128\">\n";
    char line[256];
    for (const Shape &s : iconShapes) {
        std::string paint = s.kind == LINE ? "" : " fill=\"" + svgColour(s.fill) + "\"";
        if (s.stroke) {
            snprintf(line, sizeof line, " stroke=\"%s\" stroke-width=\"%g\"", svgColour(s.stroke).c_str(), s.strokeWidth);
            paint += line;
        }
        if (s.kind == RECT)
            snprintf(line, sizeof line, "  <rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" rx=\"%g\"%s/>\n", s.x, s.y,
                     s.w, s.h, s.radius, paint.c_str());
        else if (s.kind == CIRCLE)
            snprintf(line, sizeof line, "  <circle cx=\"%g\" cy=\"%g\" r=\"%g\"%s/>\n", s.x, s.y, s.radius,
                     paint.c_str());
        else
            snprintf(line, sizeof line, "  <line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\"%s/>\n", s.x, s.y, s.x + s.w,
                     s.y + s.h, paint.c_str());
        svg += line;
    }
    return svg + "</svg>\n";
}

// The window's icon as a C++ source: each size as width, height and its ARGB pixels.
static std::string windowIconSource()
{
    std::string source = "// Made by gen_assets from the icon's drawing.\n#include \"assets/window_icon.h\"\n\n"
                         "const unsigned long windowIcon[] = {\n";
    char number[32];
    for (int side : windowIconSizes) {
        snprintf(number, sizeof number, "%d, %d,", side, side);
        source += number;
        std::vector<uint32_t> pixels = renderIcon(side);
        for (size_t i = 0; i < pixels.size(); i++) {
            snprintf(number, sizeof number, "%s0x%08x,", i % 8 ? " " : "\n    ", (unsigned)pixels[i]);
            source += number;
        }
        source += "\n";
    }
    return source + "};\nconst size_t windowIconLength = sizeof windowIcon / sizeof windowIcon[0];\n";
}

// Writes the SVG, a PNG at each menu size under icons/hicolor, and window_icon.cpp; 1 on success.
int writeIcons(const std::string &dir)
{
    std::string svg = svgOf(), source = windowIconSource();
    int ok = writeFile(dir, "icons/hicolor/scalable/apps/rinkslider.svg", std::vector<unsigned char>(svg.begin(), svg.end())) &&
             writeFile(dir, "window_icon.cpp", std::vector<unsigned char>(source.begin(), source.end()));
    for (int side : menuIconSizes) {
        std::string name = "icons/hicolor/" + std::to_string(side) + "x" + std::to_string(side) + "/apps/rinkslider.png";
        ok = ok && writeFile(dir, name.c_str(), pngOf(renderIcon(side), side));
    }
    return ok;
}
