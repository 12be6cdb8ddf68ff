// Shared between the window layer's platforms: the table of native windows the message loop runs
// over, and the operations each platform (X11, Wayland) fills in.
#pragma once

#include "ug/ug_internal.h"

// A window of ours as the message loop sees it, on whichever platform.
struct UgNativeWindow {
    EGLNativeWindowType id;  // the X window, or the Wayland window's EGL handle
    UgWindowProc proc;
    void *data;
    int invalid;
    int mapped;
    int unmappedSinceAsked;  // unmapped since ugIsMinimised last answered
    int width, height;     // the client area in pixels of its buffer
    unsigned timerPeriod;  // milliseconds, 0 while the window has no timer
    long long timerDue;    // monotonic microseconds, as are the times below
    long long timerTaken;  // when its last timer message was dispatched, 0 before the first
    int obscured;          // fully covered by other windows
    int hidden;            // minimised by a window manager that keeps it mapped
    int fittedWidth, fittedHeight;  // the size it was last placed at on the desktop
    int animated;                   // painted at each frame the display can show while it can be seen
    long long framePeriod, frameDue;  // frameDue UG_NEVER: the compositor has yet to ask for a frame
    int motionPending, motionX, motionY;  // the latest position of a drag, not yet delivered
    UgDevice motionDevice;
};

enum { UG_MAX_WINDOWS = 16 };
// The smallest client area in which the table, both goals and the score line can still be made out.
enum { UG_MIN_CLIENT_WIDTH = 320, UG_MIN_CLIENT_HEIGHT = 240 };
constexpr long long UG_NEVER = 0x7fffffffffffffffLL;

extern UgNativeWindow nativeWindows[UG_MAX_WINDOWS];

// What differs between the platforms; the free functions of ug_internal.h with the same names
// hand each call to the chosen one.
struct UgPlatform {
    const char *name;             // as a failure to connect names the display: "X", "Wayland"
    const char *displayVariable;  // the environment variable that names the display
    void *(*connect)();
    EGLDisplay (*eglDisplay)(void *connection);
    // The swap interval to ask EGL for: 0 where the loop's own frame pacing must not be blocked.
    EGLint swapInterval;
    // Creates the native window into the slot, already holding its procedure; 0 on failure.
    EGLNativeWindowType (*createWindow)(UgNativeWindow *slot, const char *className, const char *title,
                                        unsigned long visualId, UgRect rect);
    void (*destroyWindow)(UgNativeWindow *w);
    UgRect (*clientRect)(EGLNativeWindowType window);
    void (*cursorPos)(int *x, int *y);
    void (*readDesktop)(EGLNativeWindowType window, UgDesktop *desktop);
    void (*maximiseWindow)(EGLNativeWindowType window);
    void (*placeWindow)(EGLNativeWindowType window, UgRect client);
    int (*fillsDesktop)(EGLNativeWindowType window);
    // Null where the desktop takes these from the desktop entry instead.
    void (*setDesktopHints)(EGLNativeWindowType window);
    // Moves what the connection holds into the queue without blocking, while the queue has room.
    void (*readEvents)();
    // Sleeps until the connection has something or waitUs passed (-1: no limit).
    void (*waitEvents)(long long waitUs);
    int (*canBeSeen)(const UgNativeWindow *w);
    // The window's paint was just posted: set when the next frame may come.
    void (*framePosted)(UgNativeWindow *w, long long now);
    void (*toggleFullscreen)(UgNativeWindow *w);
    int (*isMinimised)(const UgNativeWindow *w);
    void (*inhibitIdle)(UgDisplay *display, int inhibit);
    void (*setWindowIcon)(EGLNativeWindowType window, const unsigned long *icon, size_t length);  // may be null
    // Buffer pixels to a logical pixel of the window's output.
    float (*contentScale)(const UgNativeWindow *w);
    // The keyboard's repeat delay and period in milliseconds; 0 where it says nothing.
    void (*keyRepeat)(int *delayMs, int *periodMs);
    const struct UgDialogPlatform *dialogs;
    // Brings the game window forward, with the activation token a later start handed over ("" for
    // none); 1 when done.
    int (*bringForward)(EGLNativeWindowType window, const char *token);
};

extern const UgPlatform x11Platform, waylandPlatform;

// The platform in use, chosen on first need: Wayland where a compositor answers, else X11;
// RINKSLIDER_PLATFORM ("x11" or "wayland") forces one.
const UgPlatform *ugPlatform();

// The record of a native window, null when it is not ours.
UgNativeWindow *ugFindNative(EGLNativeWindowType id);
// A free slot holding the procedure of the registered class, null when the class is unknown or the
// table is full.
UgNativeWindow *ugClaimSlot(const char *className);
// Milliseconds and microseconds of the monotonic clock.
long long ugNowMs();
long long ugNowUs();
// Packs a client point or size into lParam: the first in the low 16 bits, the second in the high.
UgLParam ugPackPair(int low, int high);
// Room left in the queue for one more event's messages: one a window and a character.
int ugQueueHasRoom();
// Keeps a drag's latest position, from a held button or a finger, for the next frame.
void ugNoteMotion(UgNativeWindow *w, int x, int y, UgDevice device);
// Posts a drag's latest position as one motion message, when there is one not yet delivered.
void ugPostMotion(UgNativeWindow *w);
// Posts a press or release of a button (0 left, 1 middle, 2 right) at the client point, after the
// drag's latest position.
void ugPostButton(UgNativeWindow *w, int button, int pressed, int x, int y, UgDevice device);
// The device of the message being dispatched.
UgDevice ugDispatchedDevice();
// Posts a key-down with the first character it types for the translate step, and the further
// characters as character messages; nothing for a key with neither.
void ugPostKey(EGLNativeWindowType window, unsigned virtualKey, UgLParam scan, const wchar_t *chars, size_t count);
// The virtual-key code of a key symbol (X11 and xkbcommon share their values), 0 for keys the
// layer does not name.
unsigned ugVirtualKeyOf(unsigned long sym);
