// The dialogs drawn over Wayland in shared memory with cairo and pango, as children of the window
// they belong to.
#include "ug/dialogs.h"
#include "ug/wl_platform.h"

#include <libdecor.h>
#include <pango/pangocairo.h>
#include <sys/mman.h>
#include <unistd.h>

// A layout of the dialog font on the cairo context.
static PangoLayout *newLayout(cairo_t *cr)
{
    PangoLayout *layout = pango_cairo_create_layout(cr);
    pango_layout_set_font_description(layout, wl.dialogFont);
    return layout;
}

// Loads a monospaced font once and measures its glyphs; the width of the screen the game is on.
static void prepareDialogs(int *glyphWidth, int *screenWidth)
{
    if (!wl.dialogFont) {
        wl.dialogFont = pango_font_description_from_string("Monospace 9");
        cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
        cairo_t *cr = cairo_create(surface);
        PangoLayout *layout = newLayout(cr);
        pango_layout_set_text(layout, "M", -1);
        int height;
        pango_layout_get_pixel_size(layout, &wl.dialogGlyphWidth, &height);
        g_object_unref(layout);
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    *glyphWidth = wl.dialogGlyphWidth > 0 ? wl.dialogGlyphWidth : 1;
    UgDesktop desktop;
    wlReadDesktop(&desktop);
    *screenWidth = desktop.monitors[0].right - desktop.monitors[0].left;
}

// The compositor places a child over its parent itself.
static UgRect placeDialog(const UgDialog *d)
{
    return UgRect{0, 0, d->width, d->height};
}

// A fixed size that the compositor keeps, owned by its window; until the compositor says where it
// shows, its outputs are taken to be its owner's.
static void dialogCreated(const UgDialog *d, EGLNativeWindowType window)
{
    UgNativeWindow *w = ugFindNative(window);
    WlWindow *ww = wlWindowOf(w);
    ww->drawnInMemory = 1;
    UgNativeWindow *owner = ugFindNative(d->owner);
    if (owner)
        ww->outputsEntered = wlWindowOf(owner)->outputsEntered;
    libdecor_frame_set_min_content_size(ww->frame, d->width, d->height);
    libdecor_frame_set_max_content_size(ww->frame, d->width, d->height);
    libdecor_frame_unset_capabilities(ww->frame, (libdecor_capabilities)(LIBDECOR_ACTION_RESIZE | LIBDECOR_ACTION_MINIMIZE |
                                                                          LIBDECOR_ACTION_FULLSCREEN));
    if (owner)
        libdecor_frame_set_parent(ww->frame, wlWindowOf(owner)->frame);
}

void wlFreePicture(WlWindow *ww)
{
    if (ww->buffer)
        wl_buffer_destroy(ww->buffer);
    if (ww->pixels)
        munmap(ww->pixels, ww->pixelBytes);
    ww->buffer = nullptr;
    ww->pixels = nullptr;
    ww->pixelBytes = 0;
}

// A new shared-memory buffer for the window's picture; the compositor may still read the old one,
// so it is never drawn over. 0 when the memory cannot be had.
static int newPicture(WlWindow *ww, int width, int height)
{
    int stride = width * 4;
    size_t bytes = (size_t)stride * (size_t)height;
    int fd = memfd_create("rinkslider-dialog", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    void *pixels = ftruncate(fd, (off_t)bytes) == 0 ? mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                                                     : MAP_FAILED;
    if (pixels == MAP_FAILED) {
        close(fd);
        return 0;
    }
    wl_shm_pool *pool = wl_shm_create_pool(wl.shm, fd, (int32_t)bytes);
    wl_buffer *buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wlFreePicture(ww);
    ww->buffer = buffer;
    ww->pixels = (uint32_t *)pixels;
    ww->pixelBytes = bytes;
    return 1;
}

// Draws text with its baseline at y, ellipsized where it is wider than room; its width in pixels.
static int drawText(cairo_t *cr, int x, int y, const char *text, int length, int room, PangoEllipsizeMode ellipsis)
{
    PangoLayout *layout = newLayout(cr);
    pango_layout_set_text(layout, text, length);
    pango_layout_set_width(layout, room * PANGO_SCALE);
    pango_layout_set_ellipsize(layout, ellipsis);
    int width, height;
    pango_layout_get_pixel_size(layout, &width, &height);
    cairo_move_to(cr, x, y - pango_layout_get_baseline(layout) / PANGO_SCALE);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
    return width;
}

// A one-pixel outline of the rectangle inset on every side, on the pixel grid.
static void outline(cairo_t *cr, UgRect r, int inset)
{
    cairo_rectangle(cr, r.left + inset + 0.5, r.top + inset + 0.5, r.right - r.left - 2 * inset,
                    r.bottom - r.top - 2 * inset);
    cairo_stroke(cr);
}

// Black on white, laid out as on X11: the rows, the field showing the end of a long name, the buttons;
// drawn in logical pixels at the scale the outputs need.
static void paintDialog(const UgDialog *d)
{
    UgNativeWindow *w = ugFindNative(d->window);
    WlWindow *ww = wlWindowOf(w);
    int scale = wlPictureScale(ww);
    if (!newPicture(ww, d->width * scale, d->height * scale))
        return;
    ww->pictureScale = scale;
    cairo_surface_t *surface = cairo_image_surface_create_for_data(
        (unsigned char *)ww->pixels, CAIRO_FORMAT_RGB24, d->width * scale, d->height * scale, d->width * scale * 4);
    cairo_t *cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 1);
    const UgDialogLayout &l = d->layout;
    int y = l.firstBaseline;
    for (const char *row = d->message;; y += ROW_H) {
        const char *end = strchr(row, '\n');
        int length = end ? (int)(end - row) : (int)strlen(row);
        drawText(cr, l.rowX, y, row, length, l.rowRoom, PANGO_ELLIPSIZE_MIDDLE);
        if (!end)
            break;
        row = end + 1;
    }
    if (d->hasField) {
        outline(cr, l.field, 0);
        int shown = drawText(cr, l.fieldTextX, l.fieldBaseline, d->field, -1, l.fieldRoom, PANGO_ELLIPSIZE_START);
        if (d->fieldSelected) {
            cairo_move_to(cr, l.fieldTextX, l.underlineY + 0.5);
            cairo_line_to(cr, l.fieldTextX + shown, l.underlineY + 0.5);
            cairo_stroke(cr);
        }
    }
    for (int i = 0; i < d->buttonCount; i++) {
        const UgRect &b = l.buttons[i];
        outline(cr, b, 0);
        if (i == d->focused)
            outline(cr, b, l.focusInset);
        drawText(cr, b.left + l.labelX, b.top + l.labelBaseline, d->buttons[i], -1, l.labelRoom, PANGO_ELLIPSIZE_END);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    if (!ww->viewport)
        wl_surface_set_buffer_scale(ww->surface, scale);
    wl_surface_attach(ww->surface, ww->buffer, 0, 0);
    wl_surface_damage(ww->surface, 0, 0, d->width, d->height);
    wl_surface_commit(ww->surface);
}

// The compositor sends a new window no key that was already down, and the repeat ends with the
// keyboard leaving the window it was typed in: nothing held can carry over.
static int noKeysHeld(char[32])
{
    return 0;
}

// The compositor gives the keyboard back to the parent itself.
static void ownerRefocused(EGLNativeWindowType) {}

const UgDialogPlatform waylandDialogs = {prepareDialogs, placeDialog, dialogCreated, paintDialog, noKeysHeld,
                                         ownerRefocused};
