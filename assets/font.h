// Bitmap-font text and the heads-up display.
#pragma once

#include <GLES/gl.h>
#include <stdint.h>

struct BitmapFont {
    GLuint texture;
    int32_t cellWidth, cellHeight;
};

extern GLuint fontTexture;
extern BitmapFont *hudFont;

BitmapFont *initBitmapFont(BitmapFont *font, GLuint texture, int32_t cellWidth, int32_t cellHeight);
void beginText();
void endText();
void setTextProjection();
void drawText(BitmapFont *font, int32_t x, int32_t y, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
void printScore();
// Score line and banner; leaves a 250 x 250 viewport, an aspect-1 projection and an identity modelview.
void drawHud();

// Texture corners of the glyphs for codes 32..159, shared by every font; filled by the first
// initBitmapFont call.
extern GLfixed glyphTexCoords[128][8];
