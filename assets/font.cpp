// Bitmap-font text in 16.16 fixed point, and the heads-up display drawn over each frame.
#include "assets/font.h"

#include "game/input.h"
#include "game/world.h"
#include "render/vecmath.h"

#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

// Text units a side of the square the heads-up display is laid out in.
static const int textSquare = 250;
// The handset's screen height, where the display was drawn at one pixel a unit.
static const int handsetHeight = 320;
// The score line's length with two-digit scores, "User 10 - 10 CPU".
static const int scoreLineCells = 16;
// Text units from the bottom of the text square to the score line and to the banner under it.
static const int scoreLineY = 230, bannerY = 220;

GLuint fontTexture;
BitmapFont *hudFont;

// Texture corners of the glyphs for codes 32..159: left-bottom, right-bottom, right-top, left-top.
GLfixed glyphTexCoords[128][8];
static bool glyphTableBuilt;

BitmapFont *initBitmapFont(BitmapFont *font, GLuint texture, int32_t cellWidth, int32_t cellHeight)
{
    font->texture = texture;
    font->cellWidth = cellWidth;
    font->cellHeight = cellHeight;
    if (glyphTableBuilt)
        return font;
    glyphTableBuilt = true;
    // A 16 x 8 grid over the whole texture, glyph row 0 at the top (t = 1).
    for (int k = 0; k < 128; k++) {
        GLfixed s0 = (k % 16) * 4096, s1 = s0 + 4096;
        GLfixed tTop = 65536 - (k / 16) * 8192, tBottom = tTop - 8192;
        const GLfixed corners[8] = {s0, tBottom, s1, tBottom, s1, tTop, s0, tTop};
        memcpy(glyphTexCoords[k], corners, sizeof corners);
    }
    return font;
}

void beginText()
{
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
}

void endText()
{
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_BLEND);
}

int hudScale(int width, int height)
{
    int byHeight = (int)lround(height / (double)handsetHeight);
    int byWidth = width / (scoreLineCells * hudCellSize);
    int scale = byHeight < byWidth ? byHeight : byWidth;
    return scale > 1 ? scale : 1;
}

void hudExtent(int width, int height, int *right, int *bottom)
{
    int scale = hudScale(width, height);
    *right = scoreLineCells * hudCellSize * scale;
    *bottom = (textSquare - bannerY) * scale;
}

void setTextProjection(int height, int scale)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, height - textSquare * scale, textSquare * scale, textSquare * scale);
    glOrthox(0, textSquare * 65536, 0, textSquare * 65536, -65536, 65536);
    glMatrixMode(GL_MODELVIEW);
}

void drawText(BitmapFont *font, int32_t x, int32_t y, const char *format, ...)
{
    if (!format)
        return;
    char text[256];
    va_list args;
    va_start(args, format);
    int written = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (written <= 0 || !text[0])
        return;
    size_t n = strlen(text);
    static GLfixed quad[12];
    static const GLushort strip[4] = {1, 2, 0, 3};
    glBindTexture(GL_TEXTURE_2D, font->texture);
    glVertexPointer(3, GL_FIXED, 0, quad);
    GLfixed bottom = y * 65536, top = (y + font->cellHeight) * 65536;
    for (size_t i = 0; i < n; i++) {
        GLfixed left = (x + font->cellWidth * (int32_t)i) * 65536;
        GLfixed right = (x + font->cellWidth * (int32_t)(i + 1)) * 65536;
        const GLfixed corners[12] = {left, bottom, 0, right, bottom, 0, right, top, 0, left, top, 0};
        memcpy(quad, corners, sizeof corners);
        unsigned code = (unsigned char)text[i];
        unsigned glyph = code >= 32 && code < 160 ? code - 32 : 0;
        glTexCoordPointer(2, GL_FIXED, 0, glyphTexCoords[glyph]);
        glDrawElements(GL_TRIANGLE_STRIP, 4, GL_UNSIGNED_SHORT, strip);
    }
}

void printScore()
{
    if (!hudFont)
        return;
    char line[256];
    snprintf(line, sizeof line, "User %d - %d CPU", (int)gameWorld.userScore, (int)gameWorld.cpuScore);
    drawText(hudFont, 0, scoreLineY, "%s", line);
}

void drawHud()
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    setTextProjection(viewport[3], hudScale(viewport[2], viewport[3]));
    glLoadIdentity();
    beginText();
    printScore();
    // The banner at half size, just under the score line (pixel rows 220 to 227.5).
    glScalef(0.5f, 0.5f, 0.5f);
    if (hudFont)
        drawText(hudFont, 0, bannerY * 2, gamePaused ? "Rinkslider - paused" : "Rinkslider");
    endText();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    setPerspective(gameWorld.camera.fovY, 1.0f, 20.0f, 150.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}
