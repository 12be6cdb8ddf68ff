// Screenshots without the driver extension: the frame read back with glReadPixels, written as a 24-bit BMP.
#include "ug/ug_internal.h"

#include <GLES/gl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

// The frame of the surface being saved, filled by ugPresent during the repaint.
struct UgCapture {
    EGLSurface surface;
    uint8_t *pixels;
    int width, height;
};

static UgCapture capture;

// Stores a little-endian value into a header.
static void putLe(uint8_t *at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        at[i] = (uint8_t)(value >> (8 * i));
}

// Writes bottom-up RGBA rows as a 24-bit BMP through a temporary file beside the target; 0 on failure.
int ugWriteBmp(const char *path, const uint8_t *rgba, int width, int height)
{
    if (width <= 0 || height <= 0)
        return 0;
    uint32_t stride = ((uint32_t)width * 3 + 3) & ~3u;
    uint32_t imageSize = stride * (uint32_t)height;
    uint8_t header[54] = {'B', 'M'};
    putLe(header + 2, 54 + imageSize, 4);
    putLe(header + 10, 54, 4);
    putLe(header + 14, 40, 4);
    putLe(header + 18, (uint32_t)width, 4);
    putLe(header + 22, (uint32_t)height, 4);  // positive: rows run bottom-up
    putLe(header + 26, 1, 2);
    putLe(header + 28, 24, 2);
    putLe(header + 34, imageSize, 4);
    putLe(header + 38, 2835, 4);
    putLe(header + 42, 2835, 4);
    size_t length = strlen(path);
    char *temporary = (char *)malloc(length + 8);
    uint8_t *row = (uint8_t *)calloc(stride, 1);
    if (!temporary || !row) {
        free(temporary);
        free(row);
        return 0;
    }
    memcpy(temporary, path, length);
    memcpy(temporary + length, ".XXXXXX", 8);
    int fd = mkstemp(temporary);
    FILE *file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    int ok = file && fwrite(header, sizeof header, 1, file) == 1;
    for (int y = 0; ok && y < height; y++) {
        const uint8_t *source = rgba + (size_t)y * (size_t)width * 4;
        for (int x = 0; x < width; x++) {
            row[x * 3] = source[x * 4 + 2];
            row[x * 3 + 1] = source[x * 4 + 1];
            row[x * 3 + 2] = source[x * 4];
        }
        ok = fwrite(row, stride, 1, file) == 1;
    }
    if (file) {
        // The file is closed whatever the flush gave.
        int flushed = fflush(file) == 0 && fsync(fd) == 0;
        ok = fclose(file) == 0 && flushed && ok;
    } else if (fd >= 0)
        close(fd);
    // Only a complete file replaces the target; a failed one is removed.
    if (ok)
        ok = rename(temporary, path) == 0;
    if (!ok && fd >= 0)
        unlink(temporary);
    free(temporary);
    free(row);
    return ok;
}

// Reads the current draw surface's pixels into the capture record.
static void readPixels(EGLSurface surface)
{
    EGLDisplay display = eglGetCurrentDisplay();
    EGLint width = 0, height = 0;
    eglQuerySurface(display, surface, EGL_WIDTH, &width);
    eglQuerySurface(display, surface, EGL_HEIGHT, &height);
    free(capture.pixels);
    capture.pixels = width > 0 && height > 0 ? (uint8_t *)malloc((size_t)width * (size_t)height * 4) : nullptr;
    capture.width = capture.pixels ? width : 0;
    capture.height = capture.pixels ? height : 0;
    if (capture.pixels) {
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, capture.pixels);
    }
}

// Called by ugPresent before the swap, so a pending screenshot gets the frame just drawn.
void ugCaptureFrame(UgWin *win)
{
    if (capture.surface && capture.surface == win->surface && !capture.pixels)
        readPixels(win->surface);
}

// Finds the window that owns a surface.
static UgWin *surfaceWindow(EGLSurface surface)
{
    for (UgWin *win = currentDisplay ? currentDisplay->windows : nullptr; win; win = win->next)
        if (win->surface == surface)
            return win;
    return nullptr;
}

// Our stand-in for the driver's screenshot extension: repaints the window and saves that frame as a BMP.
void ugSaveSurfaceBmp(EGLSurface surface, const wchar_t *path)
{
    UgWin *win = surfaceWindow(surface);
    char name[1024];
    if (!win || !ugWideToUtf8(path, name, sizeof name))
        return;
    capture.surface = surface;
    ugInvalidate(win->nativeWindow);
    ugUpdateWindow(win->nativeWindow);
    // A draw handler that never presents still leaves its frame in the back buffer.
    if (!capture.pixels && eglGetCurrentSurface(EGL_DRAW) == surface)
        readPixels(surface);
    if (capture.pixels)
        ugWriteBmp(name, capture.pixels, capture.width, capture.height);
    free(capture.pixels);
    capture = UgCapture{};
}
