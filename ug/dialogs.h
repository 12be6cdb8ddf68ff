// Shared between the dialogs' logic and each platform's drawing of them: the dialog record and what
// a platform does for it.
#pragma once

#include "ug/platform.h"

#include <limits.h>

enum { DIALOG_PENDING = -1, DIALOG_NO = 0, DIALOG_YES = 1 };
enum { TEXT_MAX = PATH_MAX + 128 };
enum { MIN_W = 420, MAX_COLUMNS = 80, BASE_H = 130, MARGIN = 12, ROW_H = 16, BUTTON_W = 80, BUTTON_H = 26 };

// Where a dialog's parts go, in its own pixels: both platforms paint from it and clicks are tested on it.
struct UgDialogLayout {
    int rowX, firstBaseline, rowRoom;  // the message's rows, ROW_H apart
    UgRect field;                      // the name's box, empty without a field
    int fieldTextX, fieldBaseline, fieldRoom, underlineY;
    UgRect buttons[2];
    int focusInset;                    // of the ring inside the focused button
    int labelX, labelBaseline, labelRoom;  // a button's label, from its left edge and top
};

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
    UgDialogLayout layout;
    UgRect place;            // on the screen, centred over the owner
    EGLNativeWindowType window, owner;
};

// What drawing a dialog takes on one platform.
struct UgDialogPlatform {
    // Readies the font; the width of its widest glyph and the screen's width, in pixels.
    void (*prepare)(int *glyphWidth, int *screenWidth);
    // The dialog's place on the screen, centred over its owner where that can be seen.
    UgRect (*place)(const UgDialog *d);
    // Sets what the desktop needs before the dialog's window shows: fixed size, owner, type.
    void (*created)(const UgDialog *d, EGLNativeWindowType window);
    // Draws the dialog's text, field and buttons, and gives it the keyboard once it shows.
    void (*paint)(const UgDialog *d);
    // Keeps of the keys in held those still down, modifiers left out; 1 while any is.
    int (*keysStillHeld)(char held[32]);
    // Gives the keyboard back to the owner once the dialog is gone.
    void (*closed)(EGLNativeWindowType owner);
};

extern const UgDialogPlatform x11Dialogs, waylandDialogs;
