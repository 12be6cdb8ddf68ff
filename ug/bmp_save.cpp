// Screenshots without the driver extension: the frame read back with glReadPixels, written as a 24-bit BMP.
#include "ug/ug_internal.h"

#include <GLES/gl.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
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

// Writes the whole buffer, through short writes and interruptions; 0 on failure with errno set.
static int writeAll(int fd, const uint8_t *data, size_t size)
{
    while (size) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return 0;
        data += n;
        size -= (size_t)n;
    }
    return 1;
}

// Opens the folder a path names its file in, for the calls that work relative to it; -1 on failure.
static int openFolder(const char *path)
{
    const char *slash = strrchr(path, '/');
    if (!slash)
        return open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    char folder[PATH_MAX];
    size_t length = slash == path ? 1 : (size_t)(slash - path);
    if (length >= sizeof folder) {
        errno = ENAMETOOLONG;
        return -1;
    }
    memcpy(folder, path, length);
    folder[length] = 0;
    return open(folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// Creates a new file with a short unused name in the folder; its descriptor, -1 on failure.
static int createTemporary(int folder, char *name, size_t size)
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    unsigned seed = (unsigned)now.tv_nsec ^ ((unsigned)getpid() << 16);
    for (int attempt = 0; attempt < 100; attempt++) {
        snprintf(name, size, ".rinkslider-%08x", seed + (unsigned)attempt * 2654435761u);
        // The mode asked for is cut by the umask, as for any new file.
        int fd = openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Writes the header and the rows, bottom-up, as 24-bit BGR padded to four bytes; 0 on failure with errno set.
static int writeBmpData(int fd, const uint8_t *rgba, int width, int height)
{
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
    uint8_t *row = (uint8_t *)calloc(stride, 1);
    int ok = row && writeAll(fd, header, sizeof header);
    for (int y = 0; ok && y < height; y++) {
        const uint8_t *source = rgba + (size_t)y * (size_t)width * 4;
        for (int x = 0; x < width; x++) {
            row[x * 3] = source[x * 4 + 2];
            row[x * 3 + 1] = source[x * 4 + 1];
            row[x * 3 + 2] = source[x * 4];
        }
        ok = writeAll(fd, row, stride);
    }
    free(row);
    return ok;
}

int ugWriteBmp(const char *path, const uint8_t *rgba, int width, int height)
{
    if (width <= 0 || height <= 0) {
        errno = EINVAL;
        return 0;
    }
    const char *slash = strrchr(path, '/');
    const char *base = slash ? slash + 1 : path;
    int folder = openFolder(path);
    if (folder < 0)
        return 0;
    // The temporary name is short, so any name the folder takes for the target can be written.
    char temporary[32];
    int fd = createTemporary(folder, temporary, sizeof temporary);
    struct stat old;
    int ok = fd >= 0 && (fstatat(folder, base, &old, 0) != 0 || !S_ISREG(old.st_mode) ||
                         fchmod(fd, old.st_mode & 07777) == 0);
    ok = ok && writeBmpData(fd, rgba, width, height) && fsync(fd) == 0;
    if (fd >= 0 && close(fd) != 0)
        ok = 0;
    ok = ok && renameat(folder, temporary, folder, base) == 0;
    int error = errno;
    if (!ok && fd >= 0)
        unlinkat(folder, temporary, 0);
    close(folder);
    errno = error;
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
    capture.width = width;
    capture.height = height;
    if (capture.pixels) {
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, capture.pixels);
    }
}

void ugCaptureNextFrame(EGLSurface surface)
{
    free(capture.pixels);
    capture = UgCapture{surface, nullptr, 0, 0};
}

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

int ugSaveSurfaceBmp(EGLSurface surface, const wchar_t *path)
{
    UgWin *win = surfaceWindow(surface);
    char name[PATH_MAX];
    if (!win) {
        errno = EBADF;
        return 0;
    }
    if (!ugWideToUtf8(path, name, sizeof name)) {
        errno = ENAMETOOLONG;
        return 0;
    }
    // The frame the screenshot flow just painted; a draw handler that never presents still leaves
    // its frame in the back buffer.
    if (!capture.pixels && eglGetCurrentSurface(EGL_DRAW) == surface)
        readPixels(surface);
    int ok = 0;
    if (capture.pixels)
        ok = ugWriteBmp(name, capture.pixels, capture.width, capture.height);
    else  // no frame to write: memory ran out, or the surface has no size
        errno = capture.width > 0 && capture.height > 0 ? ENOMEM : EINVAL;
    int error = errno;
    free(capture.pixels);
    capture = UgCapture{};
    errno = error;
    return ok;
}
