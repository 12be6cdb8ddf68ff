// Shared between the X11 platform files: the connection and the table of native windows.
#pragma once

#include "ug/ug_internal.h"

#include <X11/Xlib.h>
#include <initializer_list>

struct UgNativeWindow {
    Window id;
    UgWindowProc proc;
    void *data;
    int invalid;
    int mapped;
    int width, height;
    unsigned timerPeriod;  // milliseconds, 0 while the window has no timer
    long long timerDue;    // monotonic microseconds, as are the times below
    long long timerTaken;  // when its last timer message was dispatched, 0 before the first
    int obscured;          // fully covered by other windows
    int hidden;            // minimised by a window manager that keeps it mapped
    int fittedWidth, fittedHeight;  // the size it was last placed at on the desktop
    int animated;                   // painted at each frame deadline while it can be seen
    long long framePeriod, frameDue;
    int motionPending, motionX, motionY;  // the latest position of a drag, not yet delivered
};

enum { UG_MAX_WINDOWS = 16 };

extern Display *xDisplay;
extern UgNativeWindow nativeWindows[UG_MAX_WINDOWS];
extern Atom wmProtocolsAtom, wmDeleteAtom;

// The record of a native window, null when it is not ours.
UgNativeWindow *ugFindNative(Window id);
// Milliseconds and microseconds of the monotonic clock.
long long ugNowMs();
long long ugNowUs();
// Interns an atom on the connection.
Atom ugAtom(const char *name);
// Around requests that may be refused by design (a window that may have gone): X errors from
// ugTrapXErrors to ugUntrapXErrors are kept quiet.
void ugTrapXErrors();
void ugUntrapXErrors();
// Sets a window's atom-list property to the named atoms.
void ugSetAtomList(Window window, const char *property, std::initializer_list<const char *> names);

// The input method (x11_input.cpp): the locale's characters, one input context per window.

// Sets the locale's character type and opens the input method; called once the connection is open.
void ugOpenInputMethod();
// Gives a new window an input context, and listens for the events the input method needs.
void ugOpenInputContext(Window window);
// Drops the window's input context.
void ugCloseInputContext(Window window);
// Lets the input method see an event first; 1 when it took the event and nothing else should.
int ugFilterInputEvent(XEvent *event);
// The characters a key press types (an input method may commit several) and its key symbol; the
// count, at most capacity - 1.
size_t ugLookupKey(XKeyEvent *key, wchar_t *chars, size_t capacity, KeySym *sym);

// The desktop's side of events (x11_desktop.cpp).

// Selects the root window's events that tell of desktop changes.
void ugWatchDesktop();
// 1 when a root window event changes what windows are fitted to: work area, screen or monitors.
int ugIsDesktopChange(const XEvent *event);
// Follows what the desktop does to one of our windows: covering, minimising, framing.
void ugTrackWindowState(UgNativeWindow *w, const XEvent *event);
// 1 when the window can be seen: mapped, not minimised, not fully covered.
int ugCanBeSeen(const UgNativeWindow *w);
// The frame period, in microseconds, of the monitor the window is on (else the primary one) as
// RandR gives its current mode; that of 60 Hz where RandR gives no timings.
long long ugFramePeriodUs(Window window);
