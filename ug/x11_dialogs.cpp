// The dialogs drawn in X11 windows with a core font, and what the window manager is told of them.
#include "ug/dialogs.h"
#include "ug/x11_platform.h"

#include <X11/Xutil.h>
#include <string.h>

static GC dialogGc;
static XFontStruct *dialogFont;

// Loads the core "fixed" font, or takes the server's default one where it has none.
static void loadFont(Window w)
{
    if (dialogGc)
        return;
    dialogGc = XCreateGC(xDisplay, w, 0, nullptr);
    dialogFont = XLoadQueryFont(xDisplay, "fixed");
    if (dialogFont)
        XSetFont(xDisplay, dialogGc, dialogFont->fid);
    else
        dialogFont = XQueryFont(xDisplay, XGContextFromGC(dialogGc));
}

// The width of the font's widest glyph, in pixels.
static int glyphWidth()
{
    return dialogFont && dialogFont->max_bounds.width > 0 ? dialogFont->max_bounds.width : 6;
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
        bool drawable = dialogFont && code <= 0xffff && high >= dialogFont->min_byte1 &&
                        high <= dialogFont->max_byte1 && low >= dialogFont->min_char_or_byte2 &&
                        low <= dialogFont->max_char_or_byte2;
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
    XDrawString16(xDisplay, w, dialogGc, x, y, glyphs, count);
}

static void paintDialog(const UgDialog *d)
{
    Window w = d->window;
    int screen = DefaultScreen(xDisplay);
    XClearWindow(xDisplay, w);
    XSetForeground(xDisplay, dialogGc, BlackPixel(xDisplay, screen));
    int y = 24;
    for (const char *row = d->message;; y += ROW_H) {
        const char *end = strchr(row, '\n');
        drawRow(w, MARGIN, y, row, end ? (size_t)(end - row) : strlen(row), d->width - 2 * MARGIN);
        if (!end)
            break;
        row = end + 1;
    }
    if (d->hasField) {
        int top = y + 16;
        XDrawRectangle(xDisplay, w, dialogGc, 10, top, (unsigned)(d->width - 20), 24);
        // The end of a long name matters most: the field shows as much of it as fits.
        static XChar2b glyphs[PATH_MAX];
        int count = toGlyphs(d->field, strlen(d->field), glyphs);
        int fit = (d->width - 28) / glyphWidth(), shown = count < fit ? count : fit;
        XDrawString16(xDisplay, w, dialogGc, 14, top + 17, glyphs + count - shown, shown);
        if (d->fieldSelected)
            XDrawLine(xDisplay, w, dialogGc, 14, top + 20, 14 + shown * glyphWidth(), top + 20);
    }
    for (int i = 0; i < d->buttonCount; i++) {
        int x = dialogButtonX(d, i), top = d->height - BUTTON_H - 10;
        XDrawRectangle(xDisplay, w, dialogGc, x, top, BUTTON_W, BUTTON_H);
        if (i == d->focused)
            XDrawRectangle(xDisplay, w, dialogGc, x + 2, top + 2, BUTTON_W - 4, BUTTON_H - 4);
        XDrawString(xDisplay, w, dialogGc, x + 10, top + 17, d->buttons[i], (int)strlen(d->buttons[i]));
    }
}

static void setDialogProperties(const UgDialog *d, EGLNativeWindowType w)
{
    XSetWindowBackground(xDisplay, w, WhitePixel(xDisplay, DefaultScreen(xDisplay)));
    XSizeHints *hints = XAllocSizeHints();
    if (hints) {
        hints->flags = PPosition | PSize | PMinSize | PMaxSize;
        hints->x = d->place.left;
        hints->y = d->place.top;
        hints->width = hints->min_width = hints->max_width = d->width;
        hints->height = hints->min_height = hints->max_height = d->height;
        XSetWMNormalHints(xDisplay, w, hints);
        XFree(hints);
    }
    ugSetAtomList(w, "_NET_WM_WINDOW_TYPE", {"_NET_WM_WINDOW_TYPE_DIALOG"});
    if (d->owner) {
        XSetTransientForHint(xDisplay, w, d->owner);
        ugSetAtomList(w, "_NET_WM_STATE", {"_NET_WM_STATE_MODAL"});
    }
}

// Over the screen where the owner cannot be seen, and always on it.
static UgRect placeDialog(const UgDialog *d)
{
    int screen = DefaultScreen(xDisplay);
    Window root = RootWindow(xDisplay, screen), child;
    int screenW = DisplayWidth(xDisplay, screen), screenH = DisplayHeight(xDisplay, screen);
    int cx = screenW / 2, cy = screenH / 2;
    XWindowAttributes owner;
    if (d->owner && XGetWindowAttributes(xDisplay, d->owner, &owner) && owner.map_state == IsViewable)
        XTranslateCoordinates(xDisplay, d->owner, root, owner.width / 2, owner.height / 2, &cx, &cy, &child);
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
    XQueryKeymap(xDisplay, now);
    XModifierKeymap *modifiers = XGetModifierMapping(xDisplay);
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
    loadFont(DefaultRootWindow(xDisplay));
    *glyphs = glyphWidth();
    *screenWidth = DisplayWidth(xDisplay, DefaultScreen(xDisplay));
}

// Once viewable the keyboard can come here even without a window manager; a window manager may
// unmap the dialog again before the request arrives.
static void paintAndFocus(const UgDialog *d)
{
    paintDialog(d);
    if (ugFindNative(d->window)->mapped) {
        ugTrapXErrors();
        XSetInputFocus(xDisplay, d->window, RevertToParent, CurrentTime);
        ugUntrapXErrors();
    }
}

static void focusOwner(EGLNativeWindowType owner)
{
    XWindowAttributes a;
    ugTrapXErrors();
    if (XGetWindowAttributes(xDisplay, owner, &a) && a.map_state == IsViewable)
        XSetInputFocus(xDisplay, owner, RevertToParent, CurrentTime);
    ugUntrapXErrors();
}

const UgDialogPlatform x11Dialogs = {prepareDialogs, placeDialog, setDialogProperties, paintAndFocus, stillHeld,
                                     focusOwner};
