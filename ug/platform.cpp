// The platform in use, and the window layer's platform operations handed to it.
#include "ug/platform.h"

#include <stdlib.h>
#include <string.h>

static const UgPlatform *chosen;

const UgPlatform *ugPlatform()
{
    if (chosen)
        return chosen;
    const char *forced = getenv("RINKSLIDER_PLATFORM");
    if (forced && strcmp(forced, "wayland") == 0)
        chosen = &waylandPlatform;
    else if (forced && strcmp(forced, "x11") == 0)
        chosen = &x11Platform;
    else
        chosen = waylandPlatform.connect() ? &waylandPlatform : &x11Platform;
    return chosen;
}

void *ugPlatformConnect() { return ugPlatform()->connect(); }
EGLDisplay ugPlatformEglDisplay(void *connection) { return ugPlatform()->eglDisplay(connection); }
UgRect ugClientRect(EGLNativeWindowType window) { return ugPlatform()->clientRect(window); }
void ugCursorPos(int *x, int *y) { ugPlatform()->cursorPos(x, y); }
void ugReadDesktop(EGLNativeWindowType window, UgDesktop *desktop) { ugPlatform()->readDesktop(window, desktop); }
void ugMaximiseWindow(EGLNativeWindowType window) { ugPlatform()->maximiseWindow(window); }
void ugPlaceWindow(EGLNativeWindowType window, UgRect client) { ugPlatform()->placeWindow(window, client); }
int ugFillsDesktop(EGLNativeWindowType window) { return ugPlatform()->fillsDesktop(window); }
void ugSetDesktopHints(EGLNativeWindowType window)
{
    if (ugPlatform()->setDesktopHints)
        ugPlatform()->setDesktopHints(window);
}
void ugInhibitScreenSaver(UgDisplay *display, int inhibit) { ugPlatform()->inhibitIdle(display, inhibit); }

void ugToggleFullscreen(UgWin *win)
{
    if (UgNativeWindow *w = ugFindNative(win->nativeWindow))
        ugPlatform()->toggleFullscreen(w);
}

int ugIsMinimised(UgWin *win)
{
    UgNativeWindow *w = ugFindNative(win->nativeWindow);
    if (!w)
        return 0;
    int unmapped = w->unmappedSinceAsked;
    w->unmappedSinceAsked = 0;
    return unmapped || ugPlatform()->isMinimised(w);
}

void ugSetWindowIcon(UgWin *win, const unsigned long *icon, size_t length)
{
    if (ugPlatform()->setWindowIcon)
        ugPlatform()->setWindowIcon(win->nativeWindow, icon, length);
}
