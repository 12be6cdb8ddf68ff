// Our small modal X11 windows: the error box, the save dialog and its overwrite prompt.
#include "ug/x11_platform.h"

#include <X11/Xutil.h>
#include <errno.h>
#include <limits.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { DIALOG_PENDING = -1, DIALOG_NO = 0, DIALOG_YES = 1 };
enum { TEXT_MAX = PATH_MAX + 128 };

// One open dialog: its texts, buttons, owner and the answer once given.
struct UgDialog {
    char message[TEXT_MAX];  // the rows above the field or buttons, one per line of text
    char field[PATH_MAX];    // the edited file name in UTF-8, empty for dialogs without a field
    int hasField;
    int fieldSelected;       // the suggestion is replaced by the first typed character
    const char *buttons[2];
    int buttonCount;
    int result;
    int focused;
    int width, height;
    UgRect place;            // on the screen, centred over the owner
    EGLNativeWindowType window, owner;
};

static UgErrorBoxHandler errorBoxHandler;
static GC dialogGc;
static XFontStruct *dialogFont;
static UgDialog *creatingDialog;  // the dialog whose window is being created, until its WM_CREATE

enum { MIN_W = 420, MAX_COLUMNS = 80, BASE_H = 130, MARGIN = 12, ROW_H = 16, BUTTON_W = 80, BUTTON_H = 26 };

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

// The number of rows of the message and the glyph count of the widest.
static int measureMessage(const char *message, int *widest)
{
    static XChar2b glyphs[TEXT_MAX];
    int rows = 0;
    *widest = 0;
    for (const char *row = message;; rows++) {
        const char *end = strchr(row, '\n');
        size_t length = end ? (size_t)(end - row) : strlen(row);
        int count = toGlyphs(row, length, glyphs);
        *widest = count > *widest ? count : *widest;
        if (!end)
            return rows + 1;
        row = end + 1;
    }
}

// The left edge of a dialog button.
static int buttonX(const UgDialog *d, int i)
{
    return d->width - (d->buttonCount - i) * (BUTTON_W + MARGIN);
}

// Draws the dialog's text, field and buttons.
static void paintDialog(UgDialog *d)
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
        int x = buttonX(d, i), top = d->height - BUTTON_H - 10;
        XDrawRectangle(xDisplay, w, dialogGc, x, top, BUTTON_W, BUTTON_H);
        if (i == d->focused)
            XDrawRectangle(xDisplay, w, dialogGc, x + 2, top + 2, BUTTON_W - 4, BUTTON_H - 4);
        XDrawString(xDisplay, w, dialogGc, x + 10, top + 17, d->buttons[i], (int)strlen(d->buttons[i]));
    }
}

// Edits the UTF-8 field with a typed character or a backspace, which takes a whole character.
static void editField(UgDialog *d, unsigned c)
{
    size_t length = strlen(d->field);
    // Control codes, of either set, and what is no character at all are not names.
    bool typable = c >= 32 && c != 127 && (c < 0x80 || c >= 0xa0) && c <= 0x10ffff && (c < 0xd800 || c > 0xdfff);
    if (d->fieldSelected && (c == VK_BACK || typable)) {
        d->field[0] = 0;
        length = 0;
        d->fieldSelected = 0;
        if (c == VK_BACK)
            return;
    }
    if (c == VK_BACK) {
        while (length && ((unsigned char)d->field[--length] & 0xc0) == 0x80) {
        }
        d->field[length] = 0;
    } else if (typable) {
        wchar_t one[2] = {(wchar_t)c, 0};
        char bytes[8];
        size_t n = ugWideToUtf8(one, bytes, sizeof bytes);
        if (n && length + n < sizeof d->field)
            memcpy(d->field + length, bytes, n + 1);
    }
}

// Turns the typed name into the full path to write: the home directory for relative names, ".bmp"
// when no extension; 0 when the path does not fit, cut as it is.
static int resolveSavePath(const char *typed, char *out, size_t size)
{
    const char *home = getenv("HOME");
    if (!home || !*home) {
        passwd *user = getpwuid(getuid());
        home = user ? user->pw_dir : "/";
    }
    const char *base = strrchr(typed, '/');
    base = base ? base + 1 : typed;
    const char *extension = strchr(base, '.') ? "" : ".bmp";
    int length = typed[0] == '/' ? snprintf(out, size, "%s%s", typed, extension)
                                 : snprintf(out, size, "%s/%s%s", home, typed, extension);
    return length >= 0 && (size_t)length < size;
}

// Shows where the typed name will be saved, as the player types it.
static void showSaveTarget(UgDialog *d)
{
    static char full[PATH_MAX];
    resolveSavePath(d->field, full, sizeof full);
    snprintf(d->message, sizeof d->message, "Save to: %s", full);
}

// Sets what a window manager needs before the dialog is mapped: fixed size and place, owner, type.
static void setDialogProperties(const UgDialog *d, Window w)
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

// The procedure of every dialog window.
static UgResult dialogProc(EGLNativeWindowType window, unsigned message, UgWParam wParam, UgLParam lParam)
{
    if (message == WM_CREATE && creatingDialog) {
        ugSetWindowData(window, creatingDialog);
        setDialogProperties(creatingDialog, window);
        return 0;
    }
    UgDialog *d = (UgDialog *)ugWindowData(window);
    if (!d)
        return ugDefWindowProc(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        ugValidate(window);
        paintDialog(d);
        // Once viewable the keyboard can come here even without a window manager.
        if (ugFindNative(window)->mapped) {
            // A window manager may unmap the dialog again before the request arrives.
            ugTrapXErrors();
            XSetInputFocus(xDisplay, window, RevertToParent, CurrentTime);
            ugUntrapXErrors();
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || (wParam == VK_SPACE && !d->hasField))
            d->result = d->focused == 0 ? DIALOG_YES : DIALOG_NO;
        else if (wParam == VK_ESCAPE)
            d->result = DIALOG_NO;
        else if (wParam == VK_TAB && d->buttonCount > 1) {
            d->focused = 1 - d->focused;
            ugInvalidate(window);
        } else if (!d->hasField && d->buttonCount > 1 && (wParam == 'Y' || wParam == 'N'))
            d->result = wParam == 'Y' ? DIALOG_YES : DIALOG_NO;
        break;
    case WM_CHAR:
        if (d->hasField && wParam != VK_RETURN && wParam != VK_ESCAPE && wParam != VK_TAB) {
            editField(d, (unsigned)wParam);
            showSaveTarget(d);
            ugInvalidate(window);
        }
        break;
    case WM_LBUTTONDOWN: {
        int x = (int)(lParam & 0xffff), y = (int)((lParam >> 16) & 0xffff);
        int top = d->height - BUTTON_H - 10;
        for (int i = 0; i < d->buttonCount; i++)
            if (x >= buttonX(d, i) && x < buttonX(d, i) + BUTTON_W && y >= top && y < top + BUTTON_H)
                d->result = i == 0 ? DIALOG_YES : DIALOG_NO;
        break;
    }
    case WM_CLOSE:
        d->result = DIALOG_NO;
        break;
    default:
        return ugDefWindowProc(window, message, wParam, lParam);
    }
    return 0;
}

// The dialog's place: centred over its owner while that can be seen, else over the screen; on the screen.
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

// 1 for the messages of keys, typed characters and the pointer, which a modal dialog's owner never gets.
static bool isInput(unsigned message)
{
    return (message >= WM_KEYDOWN && message <= WM_CHAR) || (message >= WM_MOUSEMOVE && message <= WM_MBUTTONUP);
}

// Keeps of the keys in held those still down, modifiers left out; 1 while any is.
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

// 1 for a key message of a key held since the dialog opened: the held Enter that answered the
// dialog before, repeating, must not answer this one too.
static bool heldSinceOpen(const char held[32], const UgMsg *msg)
{
    unsigned code = (unsigned)(msg->lParam >> 16) & 0xff;
    return (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) && (held[code / 8] & (1 << (code % 8)));
}

// Opens a dialog window modal to its owner and runs the loop, other windows' messages included, until
// it is answered. The owner takes no keys or clicks meanwhile, and has the keyboard back afterwards.
static int runDialog(UgDialog *d, const char *title, EGLNativeWindowType owner)
{
    static int registered;
    if (!registered)
        registered = registerWindowClass("ug dialog", dialogProc);
    loadFont(DefaultRootWindow(xDisplay));
    int widest, rows = measureMessage(d->message, &widest);
    // As wide as the widest row, within reason: a longer row shows its start and its end.
    int screenW = DisplayWidth(xDisplay, DefaultScreen(xDisplay));
    int maxW = MAX_COLUMNS * glyphWidth() + 2 * MARGIN;
    d->width = widest * glyphWidth() + 2 * MARGIN;
    d->width = d->width < MIN_W ? MIN_W : d->width > maxW ? maxW : d->width;
    d->width = d->width > screenW ? screenW : d->width;
    d->height = BASE_H + (rows - 1) * ROW_H;
    d->owner = owner;
    d->result = DIALOG_PENDING;
    d->place = placeDialog(d);
    creatingDialog = d;
    d->window = ugCreateWindow("ug dialog", title, 0, d->place);
    creatingDialog = nullptr;
    if (!d->window)
        return DIALOG_NO;
    char held[32];
    memset(held, 0xff, sizeof held);
    int holding = stillHeld(held);
    UgMsg msg;
    while (d->result == DIALOG_PENDING) {
        if (!ugGetMessage(&msg)) {
            ugPostQuitMessage((int)msg.wParam);  // the loop outside must still see the quit
            d->result = DIALOG_NO;
            break;
        }
        // Until they are let go, the keys held at the start are looked at with every message.
        holding = holding && stillHeld(held);
        bool ownerInput = owner && msg.window == owner && isInput(msg.message);
        if (ownerInput || (holding && msg.window == d->window && heldSinceOpen(held, &msg)))
            continue;
        ugTranslateMessage(&msg);
        ugDispatchMessage(&msg);
    }
    ugSetWindowData(d->window, nullptr);
    ugDestroyWindow(d->window);
    XWindowAttributes a;
    ugTrapXErrors();
    if (owner && XGetWindowAttributes(xDisplay, owner, &a) && a.map_state == IsViewable)
        XSetInputFocus(xDisplay, owner, RevertToParent, CurrentTime);
    ugUntrapXErrors();
    return d->result;
}

// Shows an "Error" box with the text over its owner (none: over the screen), or hands it to the tests' handler.
static void errorBox(const char *text, EGLNativeWindowType owner)
{
    if (errorBoxHandler) {
        errorBoxHandler(text);
        return;
    }
    if (!ugPlatformConnect()) {
        fprintf(stderr, "Error: %s\n", text);
        return;
    }
    UgDialog d{};
    snprintf(d.message, sizeof d.message, "%s", text);
    d.buttons[0] = "OK";
    d.buttonCount = 1;
    runDialog(&d, "Error", owner);
}

void x11ErrorBox(const char *text)
{
    errorBox(text, 0);
}

void x11SaveErrorBox(EGLNativeWindowType owner, const char *path, int error)
{
    static char text[TEXT_MAX];
    snprintf(text, sizeof text, "Can't save the screenshot: %s\n%s", strerror(error), path);
    errorBox(text, owner);
}

void ugSetErrorBoxHandler(UgErrorBoxHandler handler)
{
    errorBoxHandler = handler;
}

int x11SaveFileDialog(EGLNativeWindowType owner, wchar_t *path, size_t capacity)
{
    UgDialog d{};
    char full[PATH_MAX];
    d.hasField = 1;
    d.fieldSelected = 1;
    d.buttons[0] = "Save";
    d.buttons[1] = "Cancel";
    d.buttonCount = 2;
    if (!ugWideToUtf8(path, d.field, sizeof d.field))
        return 0;
    for (;;) {
        showSaveTarget(&d);
        d.focused = 0;
        if (runDialog(&d, "Save As", owner) != DIALOG_YES || !d.field[0])
            return 0;
        if (!resolveSavePath(d.field, full, sizeof full)) {
            ugSaveErrorBox(owner, d.field, ENAMETOOLONG);
            continue;
        }
        if (access(full, F_OK) != 0)
            break;
        UgDialog confirm{};
        snprintf(confirm.message, sizeof confirm.message, "%s already exists. Replace it?", full);
        confirm.buttons[0] = "Yes";
        confirm.buttons[1] = "No";
        confirm.buttonCount = 2;
        confirm.focused = 1;  // Enter alone never replaces a file
        if (runDialog(&confirm, "Confirm Save As", owner) == DIALOG_YES)
            break;
    }
    return ugUtf8ToWide(full, path, capacity) != 0;
}
