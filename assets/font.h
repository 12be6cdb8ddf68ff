// Bitmap-font text and the heads-up display.
#pragma once

#include <GLES/gl.h>
#include <stdint.h>

struct BitmapFont {
    GLuint texture;
    int32_t cellWidth, cellHeight;
};

// The heads-up display's glyph cells, in text units a side.
constexpr int32_t hudCellSize = 15;

extern GLuint fontTexture;
extern BitmapFont *hudFont;

// Fills font's record and returns it; the first call also builds the shared glyph table.
BitmapFont *initBitmapFont(BitmapFont *font, GLuint texture, int32_t cellWidth, int32_t cellHeight);
// Texture-mapped quads with additive blending, so black texels leave the scene as it is.
void beginText();
// Restores the state beginText changed.
void endText();
// The whole factor the heads-up display is drawn at in a window of that size: the score line keeps
// about the share of the height it had on the handset's 320 rows, and fits the width with scores of
// two digits; at least 1.
int hudScale(int width, int height);
// The score line with two-digit scores and the banner under it lie within right x bottom pixels at
// the upper-left corner of a window of that size.
void hudExtent(int width, int height, int *right, int *bottom);
// Text units of scale pixels in the square of 250 units at the upper-left corner of a window
// height pixels tall.
void setTextProjection(int height, int scale);
// One line of formatted text with its first character's lower-left corner at (x, y); longer
// texts are cut at 255 characters and codes without a glyph are drawn as spaces.
void drawText(BitmapFont *font, int32_t x, int32_t y, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
// The score line across the top of the text square; nothing without a font.
void printScore();
// Score line and banner over the current viewport, taken as the window's, which it leaves as it
// was; leaves an aspect-1 projection and an identity modelview.
void drawHud();

// Texture corners of the glyphs for codes 32..159, shared by every font; filled by the first
// initBitmapFont call.
extern GLfixed glyphTexCoords[128][8];
