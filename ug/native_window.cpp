// Native windows on any platform: classes, slots, timers, animation, invalidation and their data.
#include "ug/platform.h"

#include <string.h>
#include <time.h>

UgNativeWindow nativeWindows[UG_MAX_WINDOWS];

struct UgWindowClass {
    const char *name;
    UgWindowProc proc;
};

enum { UG_MAX_CLASSES = 8 };
static UgWindowClass windowClasses[UG_MAX_CLASSES];

long long ugNowUs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000000 + now.tv_nsec / 1000;
}

long long ugNowMs()
{
    return ugNowUs() / 1000;
}

int registerWindowClass(const char *className, UgWindowProc proc)
{
    for (int i = 0; i < UG_MAX_CLASSES; i++) {
        if (windowClasses[i].name && strcmp(windowClasses[i].name, className) == 0)
            return 0;
        if (!windowClasses[i].name) {
            windowClasses[i] = UgWindowClass{className, proc};
            return i + 1;
        }
    }
    return 0;
}

UgNativeWindow *ugFindNative(EGLNativeWindowType id)
{
    for (UgNativeWindow &w : nativeWindows)
        if (id && w.id == id)
            return &w;
    return nullptr;
}

int ugSlotOf(const UgNativeWindow *w)
{
    return (int)(w - nativeWindows);
}

UgNativeWindow *ugClaimSlot(const char *className)
{
    UgWindowProc proc = nullptr;
    for (UgWindowClass &c : windowClasses)
        if (c.name && strcmp(c.name, className) == 0)
            proc = c.proc;
    for (UgNativeWindow &w : nativeWindows) {
        if (proc && !w.id) {
            w = UgNativeWindow{};
            w.proc = proc;
            w.invalid = 1;
            return &w;
        }
    }
    return nullptr;
}

EGLNativeWindowType ugCreateWindow(const char *className, const char *title, unsigned long visualId, UgRect rect)
{
    UgNativeWindow *slot = ugClaimSlot(className);
    if (!slot || !ugPlatform()->connect())
        return 0;
    return ugPlatform()->createWindow(slot, className, title, visualId, rect);
}

void ugDestroyWindow(EGLNativeWindowType window)
{
    UgNativeWindow *w = ugFindNative(window);
    if (!w)
        return;
    // The procedure still finds a live window while it handles its destruction.
    w->proc(window, WM_DESTROY, 0, 0);
    ugPlatform()->destroyWindow(w);
    *w = UgNativeWindow{};
}

void ugSetTimer(EGLNativeWindowType window, unsigned periodMs)
{
    if (UgNativeWindow *w = ugFindNative(window)) {
        w->timerPeriod = periodMs;
        w->timerDue = ugNowUs() + periodMs * 1000LL;
    }
}

void ugAnimate(UgWin *win, int on)
{
    if (UgNativeWindow *w = ugFindNative(win->nativeWindow))
        w->animated = on != 0;
}

void ugInvalidate(EGLNativeWindowType window)
{
    if (UgNativeWindow *w = ugFindNative(window))
        w->invalid = 1;
}

void ugValidate(EGLNativeWindowType window)
{
    if (UgNativeWindow *w = ugFindNative(window))
        w->invalid = 0;
}

void ugUpdateWindow(EGLNativeWindowType window)
{
    UgNativeWindow *w = ugFindNative(window);
    if (w && w->invalid)
        w->proc(window, WM_PAINT, 0, 0);
}

void ugSetWindowData(EGLNativeWindowType window, void *data)
{
    if (UgNativeWindow *w = ugFindNative(window))
        w->data = data;
}

void *ugWindowData(EGLNativeWindowType window)
{
    UgNativeWindow *w = ugFindNative(window);
    return w ? w->data : nullptr;
}
