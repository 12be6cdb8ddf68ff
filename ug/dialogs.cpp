// The dialogs' logic on any platform: the error box, the save dialog and its overwrite prompt, their
// keys and clicks, and the modal loop.
#include "ug/dialogs.h"

#include <errno.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static UgErrorBoxHandler errorBoxHandler;
static UgDialog *creatingDialog;  // the dialog whose window is being created, until its WM_CREATE

// The number of rows of the message and the character count of the widest.
static int measureMessage(const char *message, int *widest)
{
    static char part[TEXT_MAX];
    static wchar_t wide[TEXT_MAX];
    int rows = 0;
    *widest = 0;
    for (const char *row = message;; rows++) {
        const char *end = strchr(row, '\n');
        size_t length = end ? (size_t)(end - row) : strlen(row);
        length = length < sizeof part ? length : sizeof part - 1;
        memcpy(part, row, length);
        part[length] = 0;
        int count = (int)ugUtf8ToWide(part, wide, TEXT_MAX);
        *widest = count > *widest ? count : *widest;
        if (!end)
            return rows + 1;
        row = end + 1;
    }
}

// Lays out the rows, the field under them and the buttons along the bottom right of a dialog whose
// size is set.
static void layOut(UgDialog *d, int rows)
{
    // The first row's baseline, the gap from the last row's to the field and the field's height.
    enum { FIRST_BASELINE = 24, FIELD_GAP = 16, FIELD_H = 24, FIELD_INSET = 10, TEXT_INSET = 4 };
    // Where text sits in a box: its baseline and an underline below it, from the box's top.
    enum { BOX_BASELINE = 17, BOX_UNDERLINE = 20, LABEL_INSET = 10, BOTTOM_GAP = 10 };
    UgDialogLayout &l = d->layout;
    l = UgDialogLayout{};
    l.rowX = MARGIN;
    l.firstBaseline = FIRST_BASELINE;
    l.rowRoom = d->width - 2 * MARGIN;
    if (d->hasField) {
        int top = FIRST_BASELINE + (rows - 1) * ROW_H + FIELD_GAP;
        l.field = UgRect{FIELD_INSET, top, d->width - FIELD_INSET, top + FIELD_H};
        l.fieldTextX = FIELD_INSET + TEXT_INSET;
        l.fieldBaseline = top + BOX_BASELINE;
        l.fieldRoom = d->width - 2 * (FIELD_INSET + TEXT_INSET);
        l.underlineY = top + BOX_UNDERLINE;
    }
    int top = d->height - BUTTON_H - BOTTOM_GAP;
    for (int i = 0; i < d->buttonCount; i++) {
        int left = d->width - (d->buttonCount - i) * (BUTTON_W + MARGIN);
        l.buttons[i] = UgRect{left, top, left + BUTTON_W, top + BUTTON_H};
    }
    l.focusInset = 2;
    l.labelX = LABEL_INSET;
    l.labelBaseline = BOX_BASELINE;
    l.labelRoom = BUTTON_W - LABEL_INSET - 2;
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

// The procedure of every dialog window.
static UgResult dialogProc(EGLNativeWindowType window, unsigned message, UgWParam wParam, UgLParam lParam)
{
    if (message == WM_CREATE && creatingDialog) {
        ugSetWindowData(window, creatingDialog);
        ugPlatform()->dialogs->created(creatingDialog, window);
        return 0;
    }
    UgDialog *d = (UgDialog *)ugWindowData(window);
    if (!d)
        return ugDefWindowProc(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        ugValidate(window);
        ugPlatform()->dialogs->paint(d);
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
        int x = ugPointX(lParam), y = ugPointY(lParam);
        for (int i = 0; i < d->buttonCount; i++) {
            const UgRect &b = d->layout.buttons[i];
            if (x >= b.left && x < b.right && y >= b.top && y < b.bottom)
                d->result = i == 0 ? DIALOG_YES : DIALOG_NO;
        }
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

// 1 for the messages of keys, typed characters, presses and drags, which a modal dialog's owner never
// gets; a release still reaches it, so that a press it took before the dialog came ends.
static bool isInput(unsigned message)
{
    bool release = message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP;
    return (message >= WM_KEYDOWN && message <= WM_CHAR) || (message >= WM_MOUSEMOVE && message <= WM_MBUTTONUP && !release);
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
    const UgDialogPlatform *platform = ugPlatform()->dialogs;
    int glyphWidth, screenW;
    platform->prepare(&glyphWidth, &screenW);
    int widest, rows = measureMessage(d->message, &widest);
    // As wide as the widest row, within reason: a longer row shows its start and its end.
    int maxW = MAX_COLUMNS * glyphWidth + 2 * MARGIN;
    d->width = widest * glyphWidth + 2 * MARGIN;
    d->width = d->width < MIN_W ? MIN_W : d->width > maxW ? maxW : d->width;
    d->width = d->width > screenW ? screenW : d->width;
    d->height = BASE_H + (rows - 1) * ROW_H;
    layOut(d, rows);
    d->owner = owner;
    d->result = DIALOG_PENDING;
    d->place = platform->place(d);
    creatingDialog = d;
    d->window = ugCreateWindow("ug dialog", title, 0, d->place);
    creatingDialog = nullptr;
    if (!d->window)
        return DIALOG_NO;
    char held[32];
    memset(held, 0xff, sizeof held);
    int holding = platform->keysStillHeld(held);
    UgMsg msg;
    while (d->result == DIALOG_PENDING) {
        if (!ugGetMessage(&msg)) {
            ugPostQuitMessage((int)msg.wParam);  // the loop outside must still see the quit
            d->result = DIALOG_NO;
            break;
        }
        // Until they are let go, the keys held at the start are looked at with every message.
        holding = holding && platform->keysStillHeld(held);
        bool ownerInput = owner && msg.window == owner && isInput(msg.message);
        if (ownerInput || (holding && msg.window == d->window && heldSinceOpen(held, &msg)))
            continue;
        ugTranslateMessage(&msg);
        ugDispatchMessage(&msg);
    }
    ugSetWindowData(d->window, nullptr);
    ugDestroyWindow(d->window);
    if (owner)
        platform->closed(owner);
    return d->result;
}

// Shows an "Error" box with the text over its owner (none: over the screen), or hands it to the tests' handler.
static void errorBox(const char *text, EGLNativeWindowType owner)
{
    if (errorBoxHandler) {
        errorBoxHandler(text);
        return;
    }
    if (!ugPlatform()->connect()) {
        fprintf(stderr, "Error: %s\n", text);
        return;
    }
    UgDialog d{};
    snprintf(d.message, sizeof d.message, "%s", text);
    d.buttons[0] = "OK";
    d.buttonCount = 1;
    runDialog(&d, "Error", owner);
}

void ugErrorBox(const char *text)
{
    errorBox(text, 0);
}

void ugSaveErrorBox(EGLNativeWindowType owner, const char *path, int error)
{
    static char text[TEXT_MAX];
    snprintf(text, sizeof text, "Can't save the screenshot: %s\n%s", strerror(error), path);
    errorBox(text, owner);
}

void ugSetErrorBoxHandler(UgErrorBoxHandler handler)
{
    errorBoxHandler = handler;
}

int ugSaveFileDialog(EGLNativeWindowType owner, wchar_t *path, size_t capacity)
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
