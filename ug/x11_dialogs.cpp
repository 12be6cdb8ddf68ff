// Our small modal X11 windows: the error box, the save dialog and its overwrite prompt.
#include "ug/x11_platform.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { DIALOG_PENDING = -1, DIALOG_NO = 0, DIALOG_YES = 1 };

// One open dialog: its texts, buttons and the answer once given.
struct UgDialog {
    const char *message;   // the line shown above the field or buttons
    char field[1024];      // the edited file name, empty for dialogs without a field
    int hasField;
    int fieldSelected;     // the suggestion is replaced by the first typed character
    const char *buttons[2];
    int buttonCount;
    int result;
    int focused;
    EGLNativeWindowType window;
};

static UgErrorBoxHandler errorBoxHandler;
static GC dialogGc;

enum { DIALOG_W = 420, DIALOG_H = 130, BUTTON_W = 80, BUTTON_H = 26 };

// The left edge of a dialog button.
static int buttonX(const UgDialog *d, int i)
{
    return DIALOG_W - (d->buttonCount - i) * (BUTTON_W + 12);
}

// Draws the dialog's text, field and buttons.
static void paintDialog(UgDialog *d)
{
    Window w = d->window;
    if (!dialogGc) {
        dialogGc = XCreateGC(xDisplay, w, 0, nullptr);
        // Only the font's id is needed; a name the server lacks is refused and the GC keeps its default.
        XSetFont(xDisplay, dialogGc, XLoadFont(xDisplay, "fixed"));
    }
    int screen = DefaultScreen(xDisplay);
    XClearWindow(xDisplay, w);
    XSetForeground(xDisplay, dialogGc, BlackPixel(xDisplay, screen));
    XDrawString(xDisplay, w, dialogGc, 12, 24, d->message, (int)strlen(d->message));
    if (d->hasField) {
        XDrawRectangle(xDisplay, w, dialogGc, 10, 40, DIALOG_W - 20, 24);
        int length = (int)strlen(d->field);
        int shown = length > 64 ? length - 64 : 0;  // the end of a long name matters most
        XDrawString(xDisplay, w, dialogGc, 14, 57, d->field + shown, length - shown);
        if (d->fieldSelected)
            XDrawLine(xDisplay, w, dialogGc, 14, 60, 14 + (length - shown) * 6, 60);
    }
    for (int i = 0; i < d->buttonCount; i++) {
        int x = buttonX(d, i), y = DIALOG_H - BUTTON_H - 10;
        XDrawRectangle(xDisplay, w, dialogGc, x, y, BUTTON_W, BUTTON_H);
        if (i == d->focused)
            XDrawRectangle(xDisplay, w, dialogGc, x + 2, y + 2, BUTTON_W - 4, BUTTON_H - 4);
        XDrawString(xDisplay, w, dialogGc, x + 10, y + 17, d->buttons[i], (int)strlen(d->buttons[i]));
    }
}

// Edits the field with a typed character or a backspace.
static void editField(UgDialog *d, unsigned c)
{
    size_t length = strlen(d->field);
    if (d->fieldSelected && (c == VK_BACK || c >= 32)) {
        d->field[0] = 0;
        length = 0;
        d->fieldSelected = 0;
        if (c == VK_BACK)
            return;
    }
    if (c == VK_BACK && length)
        d->field[length - 1] = 0;
    else if (c >= 32 && c != 127 && c < 256 && length + 1 < sizeof d->field) {
        d->field[length] = (char)c;
        d->field[length + 1] = 0;
    }
}

// The procedure of every dialog window.
static UgResult dialogProc(EGLNativeWindowType window, unsigned message, UgWParam wParam, UgLParam lParam)
{
    UgDialog *d = (UgDialog *)ugWindowData(window);
    if (!d)
        return ugDefWindowProc(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        ugValidate(window);
        paintDialog(d);
        // Once viewable the keyboard can come here even without a window manager.
        if (ugFindNative(window)->mapped)
            XSetInputFocus(xDisplay, window, RevertToParent, CurrentTime);
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
            ugInvalidate(window);
        }
        break;
    case WM_LBUTTONDOWN: {
        int x = (int)(lParam & 0xffff), y = (int)((lParam >> 16) & 0xffff);
        for (int i = 0; i < d->buttonCount; i++)
            if (x >= buttonX(d, i) && x < buttonX(d, i) + BUTTON_W && y >= DIALOG_H - BUTTON_H - 10 && y < DIALOG_H - 10)
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

// Opens a dialog window and runs the loop, other windows' messages included, until it is answered.
static int runDialog(UgDialog *d, const char *title, EGLNativeWindowType owner)
{
    static int registered;
    if (!registered)
        registered = registerWindowClass("ug dialog", dialogProc);
    int screen = DefaultScreen(xDisplay);
    int x = (DisplayWidth(xDisplay, screen) - DIALOG_W) / 2, y = (DisplayHeight(xDisplay, screen) - DIALOG_H) / 2;
    d->result = DIALOG_PENDING;
    d->window = ugCreateWindow("ug dialog", title, 0, UgRect{x, y, x + DIALOG_W, y + DIALOG_H});
    if (!d->window)
        return DIALOG_NO;
    ugSetWindowData(d->window, d);
    XSetWindowBackground(xDisplay, d->window, WhitePixel(xDisplay, screen));
    if (owner)
        XSetTransientForHint(xDisplay, d->window, owner);
    Atom dialogType = ugAtom("_NET_WM_WINDOW_TYPE_DIALOG");
    XChangeProperty(xDisplay, d->window, ugAtom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                    (const unsigned char *)&dialogType, 1);
    UgMsg msg;
    while (d->result == DIALOG_PENDING) {
        if (!ugGetMessage(&msg)) {
            ugPostQuitMessage((int)msg.wParam);  // the loop outside must still see the quit
            d->result = DIALOG_NO;
            break;
        }
        ugTranslateMessage(&msg);
        ugDispatchMessage(&msg);
    }
    ugSetWindowData(d->window, nullptr);
    ugDestroyWindow(d->window);
    return d->result;
}

// Shows a modal box captioned "Error" with the text and one OK button; returns once dismissed.
void ugErrorBox(const char *text)
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
    d.message = text;
    d.buttons[0] = "OK";
    d.buttonCount = 1;
    runDialog(&d, "Error", 0);
}

// Routes error boxes to a handler instead of the screen (tests); null restores the box.
void ugSetErrorBoxHandler(UgErrorBoxHandler handler)
{
    errorBoxHandler = handler;
}

// Turns the typed name into the full path to write: the home directory for relative names, ".bmp" when no extension.
static void resolveSavePath(const char *typed, char *out, size_t size)
{
    const char *home = getenv("HOME");
    if (!home || !*home) {
        passwd *user = getpwuid(getuid());
        home = user ? user->pw_dir : "/";
    }
    const char *base = strrchr(typed, '/');
    base = base ? base + 1 : typed;
    const char *extension = strchr(base, '.') ? "" : ".bmp";
    if (typed[0] == '/')
        snprintf(out, size, "%s%s", typed, extension);
    else
        snprintf(out, size, "%s/%s%s", home, typed, extension);
}

// Asks for a file to save to; path holds the suggestion and receives the full path; 0 when cancelled.
int ugSaveFileDialog(EGLNativeWindowType owner, wchar_t *path, size_t capacity)
{
    UgDialog d{};
    char shown[1200];
    d.hasField = 1;
    d.fieldSelected = 1;
    d.buttons[0] = "Save";
    d.buttons[1] = "Cancel";
    d.buttonCount = 2;
    d.message = shown;
    if (!ugWideToUtf8(path, d.field, sizeof d.field))
        return 0;
    char full[1100];
    for (;;) {
        resolveSavePath(d.field, full, sizeof full);
        snprintf(shown, sizeof shown, "Save to: %s", full);
        d.focused = 0;
        if (runDialog(&d, "Save As", owner) != DIALOG_YES || !d.field[0])
            return 0;
        resolveSavePath(d.field, full, sizeof full);
        if (access(full, F_OK) != 0)
            break;
        char question[1300];
        snprintf(question, sizeof question, "%s already exists. Replace it?", full);
        UgDialog confirm{};
        confirm.message = question;
        confirm.buttons[0] = "Yes";
        confirm.buttons[1] = "No";
        confirm.buttonCount = 2;
        confirm.focused = 1;  // Enter alone never replaces a file
        if (runDialog(&confirm, "Confirm Save As", owner) == DIALOG_YES)
            break;
    }
    return ugUtf8ToWide(full, path, capacity) != 0;
}
