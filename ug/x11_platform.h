// Shared between the X11 platform files: the connection, its helpers and the operations.
#pragma once

#include "ug/platform.h"

#include <X11/Xlib.h>
#include <initializer_list>

extern Display *xDisplay;
extern Atom wmProtocolsAtom, wmDeleteAtom;

// The X11 platform's operations, as UgPlatform names them.
void *x11Connect();
EGLDisplay x11EglDisplay(void *connection);
EGLNativeWindowType x11CreateWindow(UgNativeWindow *slot, const char *className, const char *title,
                                    unsigned long visualId, UgRect rect);
void x11DestroyWindow(UgNativeWindow *w);
UgRect x11ClientRect(EGLNativeWindowType window);
void x11CursorPos(int *x, int *y);
void x11ReadDesktop(EGLNativeWindowType window, UgDesktop *desktop);
void x11MaximiseWindow(EGLNativeWindowType window);
void x11PlaceWindow(EGLNativeWindowType window, UgRect client);
int x11FillsDesktop(EGLNativeWindowType window);
void x11SetDesktopHints(EGLNativeWindowType window);
void x11ReadEvents();
void x11WaitEvents(long long waitUs);
int x11CanBeSeen(const UgNativeWindow *w);
void x11FramePosted(UgNativeWindow *w, long long now);
void x11ToggleFullscreen(UgNativeWindow *w);
int x11IsMinimised(const UgNativeWindow *w);
void x11InhibitIdle(UgDisplay *display, int inhibit);
void x11SetWindowIcon(EGLNativeWindowType window, const unsigned long *icon, size_t length);
int x11BringForward(EGLNativeWindowType window, const char *token);

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
// The frame period, in microseconds, of the monitor the window is on (else the primary one) as
// RandR gives its current mode; that of 60 Hz where RandR gives no timings.
long long ugFramePeriodUs(Window window);
