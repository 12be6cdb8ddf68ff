// The dialogs drawn in X11 windows with a core font, and what the window manager is told of them.
#include "ug/dialogs.h"
#include "ug/x11_platform.h"

#include <X11/Xutil.h>
#include <string.h>

// Loads the core "fixed" font, or takes the server's default one where it has none.
static void loadFont(Window w)
{
    if (x11.dialogGc)
        return;
    x11.dialogGc = XCreateGC(x11.display, w, 0, nullptr);
    x11.dialogFont = XLoadQueryFont(x11.display, "fixed");
    if (x11.dialogFont)
        XSetFont(x11.display, x11.dialogGc, x11.dialogFont->fid);
    else
        x11.dialogFont = XQueryFont(x11.display, XGContextFromGC(x11.dialogGc));
}

// The width of the font's widest glyph, in pixels.
static int glyphWidth()
{
    return x11.dialogFont && x11.dialogFont->max_bounds.width > 0 ? x11.dialogFont->max_bounds.width : 6;
}

// The glyphs of the first length bytes of UTF-8 text; a character the font lacks shows as "?", the
// text itself stays as it is. The count.
static int toGlyphs(const char *text, size_t length, XChar2b *glyphs)
{
    static char part[TEXT_MAX];
    static wchar_t wide[TEXT_MAX];
    length = length < sizeof part ? length : sizeof part - 1;
    memcpy(part, text, length);
    part[length] = 0;
    int count = (int)ugUtf8ToWide(part, wide, TEXT_MAX);
    for (int i = 0; i < count; i++) {
        unsigned code = (unsigned)wide[i], high = code >> 8, low = code & 0xff;
        bool drawable = x11.dialogFont && code <= 0xffff && high >= x11.dialogFont->min_byte1 &&
                        high <= x11.dialogFont->max_byte1 && low >= x11.dialogFont->min_char_or_byte2 &&
                        low <= x11.dialogFont->max_char_or_byte2;
        glyphs[i] = drawable ? XChar2b{(unsigned char)high, (unsigned char)low} : XChar2b{0, '?'};
    }
    return count;
}

// Draws a row of text at a baseline; a row wider than the room keeps its start and its end around "...".
static void drawRow(Window w, int x, int y, const char *text, size_t length, int room)
{
    static XChar2b glyphs[TEXT_MAX];
    int count = toGlyphs(text, length, glyphs);
    int fit = room / glyphWidth();
    if (count > fit && fit > 3) {
        int head = fit / 3, tail = fit - head - 3;
        memmove(glyphs + head + 3, glyphs + count - tail, (size_t)tail * sizeof *glyphs);
        for (int i = 0; i < 3; i++)
            glyphs[head + i] = XChar2b{0, '.'};
        count = fit;
    }
    XDrawString16(x11.display, w, x11.dialogGc, x, y, glyphs, count);
}

// A one-pixel outline of the rectangle, inset on every side.
static void outline(Window w, UgRect r, int inset)
{
    XDrawRectangle(x11.display, w, x11.dialogGc, r.left + inset, r.top + inset,
                   (unsigned)(r.right - r.left - 2 * inset), (unsigned)(r.bottom - r.top - 2 * inset));
}

static void paintDialog(const UgDialog *d)
{
    Window w = d->window;
    int screen = DefaultScreen(x11.display);
    XClearWindow(x11.display, w);
    XSetForeground(x11.display, x11.dialogGc, BlackPixel(x11.display, screen));
    const UgDialogLayout &l = d->layout;
    int y = l.firstBaseline;
    for (const char *row = d->message;; y += ROW_H) {
        const char *end = strchr(row, '\n');
        drawRow(w, l.rowX, y, row, end ? (size_t)(end - row) : strlen(row), l.rowRoom);
        if (!end)
            break;
        row = end + 1;
    }
    if (d->hasField) {
        outline(w, l.field, 0);
        // The end of a long name matters most: the field shows as much of it as fits.
        static XChar2b glyphs[PATH_MAX];
        int count = toGlyphs(d->field, strlen(d->field), glyphs);
        int fit = l.fieldRoom / glyphWidth(), shown = count < fit ? count : fit;
        XDrawString16(x11.display, w, x11.dialogGc, l.fieldTextX, l.fieldBaseline, glyphs + count - shown, shown);
        if (d->fieldSelected)
            XDrawLine(x11.display, w, x11.dialogGc, l.fieldTextX, l.underlineY, l.fieldTextX + shown * glyphWidth(),
                      l.underlineY);
    }
    for (int i = 0; i < d->buttonCount; i++) {
        const UgRect &b = l.buttons[i];
        outline(w, b, 0);
        if (i == d->focused)
            outline(w, b, l.focusInset);
        XDrawString(x11.display, w, x11.dialogGc, b.left + l.labelX, b.top + l.labelBaseline, d->buttons[i],
                    (int)strlen(d->buttons[i]));
    }
}

static void setDialogProperties(const UgDialog *d, EGLNativeWindowType w)
{
    XSetWindowBackground(x11.display, w, WhitePixel(x11.display, DefaultScreen(x11.display)));
    XSizeHints *hints = XAllocSizeHints();
    if (hints) {
        hints->flags = PPosition | PSize | PMinSize | PMaxSize;
        hints->x = d->place.left;
        hints->y = d->place.top;
        hints->width = hints->min_width = hints->max_width = d->width;
        hints->height = hints->min_height = hints->max_height = d->height;
        XSetWMNormalHints(x11.display, w, hints);
        XFree(hints);
    }
    x11SetAtomList(w, "_NET_WM_WINDOW_TYPE", {"_NET_WM_WINDOW_TYPE_DIALOG"});
    if (d->owner) {
        XSetTransientForHint(x11.display, w, d->owner);
        x11SetAtomList(w, "_NET_WM_STATE", {"_NET_WM_STATE_MODAL"});
    }
}

// Over the screen where the owner cannot be seen, and always on it.
static UgRect placeDialog(const UgDialog *d)
{
    int screen = DefaultScreen(x11.display);
    Window root = RootWindow(x11.display, screen), child;
    int screenW = DisplayWidth(x11.display, screen), screenH = DisplayHeight(x11.display, screen);
    int cx = screenW / 2, cy = screenH / 2;
    XWindowAttributes owner;
    if (d->owner && XGetWindowAttributes(x11.display, d->owner, &owner) && owner.map_state == IsViewable)
        XTranslateCoordinates(x11.display, d->owner, root, owner.width / 2, owner.height / 2, &cx, &cy, &child);
    int x = cx - d->width / 2, y = cy - d->height / 2;
    x = x + d->width > screenW ? screenW - d->width : x;
    y = y + d->height > screenH ? screenH - d->height : y;
    x = x < 0 ? 0 : x;
    y = y < 0 ? 0 : y;
    return UgRect{x, y, x + d->width, y + d->height};
}

static int stillHeld(char held[32])
{
    char now[32];
    XQueryKeymap(x11.display, now);
    XModifierKeymap *modifiers = XGetModifierMapping(x11.display);
    for (int i = 0; modifiers && i < 8 * modifiers->max_keypermod; i++) {
        KeyCode code = modifiers->modifiermap[i];
        now[code / 8] &= (char)~(1 << (code % 8));
    }
    if (modifiers)
        XFreeModifiermap(modifiers);
    int any = 0;
    for (int i = 0; i < 32; i++)
        any |= held[i] &= now[i];
    return any;
}

// The font's, and the screen's width.
static void prepareDialogs(int *glyphs, int *screenWidth)
{
    loadFont(DefaultRootWindow(x11.display));
    *glyphs = glyphWidth();
    *screenWidth = DisplayWidth(x11.display, DefaultScreen(x11.display));
}

// Once viewable the keyboard can come here even without a window manager; a window manager may
// unmap the dialog again before the request arrives.
static void paintAndFocus(const UgDialog *d)
{
    paintDialog(d);
    if (ugFindNative(d->window)->mapped) {
        x11TrapErrors();
        XSetInputFocus(x11.display, d->window, RevertToParent, CurrentTime);
        x11UntrapErrors();
    }
}

static void focusOwner(EGLNativeWindowType owner)
{
    XWindowAttributes a;
    x11TrapErrors();
    if (XGetWindowAttributes(x11.display, owner, &a) && a.map_state == IsViewable)
        XSetInputFocus(x11.display, owner, RevertToParent, CurrentTime);
    x11UntrapErrors();
}

const UgDialogPlatform x11Dialogs = {prepareDialogs, placeDialog, setDialogProperties, paintAndFocus, stillHeld,
                                     focusOwner};
