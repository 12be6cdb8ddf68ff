// Shared between the X11 platform files: the connection and the table of native windows.
#pragma once

#include "ug/ug_internal.h"

#include <X11/Xlib.h>

struct UgNativeWindow {
    Window id;
    UgWindowProc proc;
    void *data;
    int invalid;
    int mapped;
    int width, height;
    unsigned timerPeriod;  // 0 while the window has no timer
    long long timerDue;    // monotonic milliseconds
};

enum { UG_MAX_WINDOWS = 16 };

extern Display *xDisplay;
extern UgNativeWindow nativeWindows[UG_MAX_WINDOWS];
extern Atom wmProtocolsAtom, wmDeleteAtom, workAreaAtom;

// The record of a native window, null when it is not ours.
UgNativeWindow *ugFindNative(Window id);
// Milliseconds of the monotonic clock.
long long ugNowMs();
// Interns an atom on the connection.
Atom ugAtom(const char *name);
