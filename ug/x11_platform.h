// Shared between the X11 platform files: the connection's record, our windows' X11 side, and the
// operations each file gives the platform table.
#pragma once

#include "ug/platform.h"

#include <X11/Xlib.h>
#include <initializer_list>

// A window's fullscreen state. Under a window manager that does fullscreen, on follows what it
// says; without one, we placed the window over its monitor ourselves and restore holds the client
// rectangle, on the screen, to put back.
struct X11Fullscreen {
    int on;
    int ours;
    UgRect restore;
};

// A window's X11 side, at the slot of its native record.
struct X11Window {
    XIC inputContext;       // null while there is no input method
    int obscured;           // fully covered by other windows
    int hidden;             // minimised by a window manager that keeps it mapped
    long long framePeriod;  // microseconds a frame of the monitor it is on
    X11Fullscreen fullscreen;
};

// The connection and what the layer keeps of it.
struct X11State {
    Display *display;
    Atom wmProtocols, wmDelete;
    int trappingErrors;
    int randrEventBase;  // -1 without RandR
    XIM inputMethod;     // null without one
    XIMStyle inputStyle;
    GC dialogGc;
    XFontStruct *dialogFont;
    int screenSaverExtension;  // 1 when the server can suspend its screen saver; -1 until asked
    int screenSaverSuspended;
};

extern X11State x11;
extern X11Window x11Windows[UG_MAX_WINDOWS];

// The X11 side of one of our windows.
X11Window *x11WindowOf(const UgNativeWindow *w);
// Interns an atom on the connection.
Atom x11Atom(const char *name);
// Around requests that may be refused by design (a window that may have gone): X errors from
// x11TrapErrors to x11UntrapErrors are kept quiet.
void x11TrapErrors();
void x11UntrapErrors();
// The pointer's position on the screen.
void x11CursorPos(int *x, int *y);
// Sets a window's atom-list property to the named atoms.
void x11SetAtomList(Window window, const char *property, std::initializer_list<const char *> names);

// Events (x11_events.cpp).

void x11ReadEvents();
void x11WaitEvents(long long waitUs);
void x11FramePosted(UgNativeWindow *w, long long now);

// The input method (x11_input.cpp): the locale's characters, one input context per window.

// Sets the locale's character type and opens the input method; called once the connection is open.
void x11OpenInputMethod();
// Gives a new window an input context, and listens for the events the input method needs.
void x11OpenInputContext(UgNativeWindow *w);
// Drops the window's input context.
void x11CloseInputContext(UgNativeWindow *w);
// Lets the input method see an event first; 1 when it took the event and nothing else should.
int x11FilterInputEvent(XEvent *event);
// The characters a key press types (an input method may commit several) and its key symbol; the
// count, at most capacity - 1.
size_t x11LookupKey(XKeyEvent *key, wchar_t *chars, size_t capacity, KeySym *sym);

// The desktop (x11_desktop.cpp): monitors, work area, the window manager and its frames.

// Which window manager runs: none (nobody redirects the root's children), one that maximises on
// request, or one that cannot.
enum X11Manager { X11_NO_MANAGER, X11_MANAGER_MAXIMISES, X11_MANAGER_PLAIN };

struct X11Desktop {
    UgDesktop desktop;
    X11Manager manager;
    UgRect frame;  // widths of the window manager's frame on each side
};

// The client rectangle, in screen pixels, that a window gets on the monitor under the pointer (or
// the primary one): without a window manager the whole monitor; under one that cannot maximise,
// the monitor's part of the work area less the frame; under one that maximises, the size the window
// returns to when the player un-maximises it.
UgRect x11ClientArea(const X11Desktop *desktop);
// Selects the root window's events that tell of desktop changes.
void x11WatchDesktop();
// 1 when a root window event changes what windows are fitted to: work area, screen or monitors.
int x11IsDesktopChange(const XEvent *event);
// Follows what the desktop does to one of our windows: covering, minimising, framing.
void x11TrackWindowState(UgNativeWindow *w, const XEvent *event);
// The frame period, in microseconds, of the monitor the window is on (else the primary one) as
// RandR gives its current mode; that of 60 Hz where RandR gives no timings.
long long x11FramePeriodUs(Window window);
UgRect x11StartRect();
int x11MaximiseWindow(UgNativeWindow *w);
UgRect x11PlaceWindow(UgNativeWindow *w);
int x11IsFullscreen(const UgNativeWindow *w);
void x11ToggleFullscreen(UgNativeWindow *w);
int x11CanBeSeen(const UgNativeWindow *w);
int x11IsMinimised(const UgNativeWindow *w);
void x11SetDesktopHints(EGLNativeWindowType window);
void x11SetWindowIcon(EGLNativeWindowType window, const unsigned long *icon, size_t length);

// The rest of the platform table's operations, each in the file of its concern.
void x11InhibitIdle(UgDisplay *display, int inhibit);
int x11BringForward(EGLNativeWindowType window, const char *token);
