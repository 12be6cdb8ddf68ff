// Shared between the window layer's platforms: the native windows the message loop runs over, and
// the operations each platform fills in.
#pragma once

#include "ug/ug_internal.h"

// A window of ours as the message loop sees it, on whichever platform.
struct UgNativeWindow {
    EGLNativeWindowType id;  // the platform's window, as EGL takes it
    UgWindowProc proc;
    void *data;
    int invalid;
    int mapped;
    int unmappedSinceAsked;  // unmapped since ugIsMinimised last answered
    int width, height;       // the client area in pixels of its buffer
    unsigned timerPeriod;    // milliseconds, 0 while the window has no timer
    long long timerDue;      // monotonic microseconds, as are the times below
    long long timerTaken;    // when its last timer message was dispatched, 0 before the first
    int fittedWidth, fittedHeight;  // the size it was last placed at; 0 while the desktop keeps it maximised
    int animated;                   // painted at each frame the display can show while it can be seen
    long long frameDue;             // UG_NEVER: the platform has yet to say when the next frame may come
    int motionPending, motionX, motionY;  // the latest position of a drag, not yet delivered
    UgDevice motionDevice;
};

enum { UG_MAX_WINDOWS = 16 };
// The smallest client area in which the table, both goals and the score line can still be made out.
enum { UG_MIN_CLIENT_WIDTH = 320, UG_MIN_CLIENT_HEIGHT = 240 };
constexpr long long UG_NEVER = 0x7fffffffffffffffLL;

extern UgNativeWindow nativeWindows[UG_MAX_WINDOWS];

// What differs between the platforms, filled slot by slot by each; the layer calls the chosen one
// through ugPlatform().
struct UgPlatform {
    const char *id;               // as RINKSLIDER_PLATFORM names it
    const char *name;             // as a failure to connect names the display
    const char *displayVariable;  // the environment variable that names the display
    // The connection to the display server, opened on first use; null when none can be reached.
    void *(*connect)();
    // The EGL display of the connection, named with its platform so that EGL never guesses another.
    EGLDisplay (*eglDisplay)(void *connection);
    // The swap interval to ask EGL for: 0 where the loop's own frame pacing must not be blocked.
    EGLint swapInterval;

    // Creates the native window into the slot, already holding its procedure; 0 on failure.
    EGLNativeWindowType (*createWindow)(UgNativeWindow *slot, const char *className, const char *title,
                                        unsigned long visualId, UgRect rect);
    void (*destroyWindow)(UgNativeWindow *w);
    // The client area's size as a rectangle at 0, 0; all zero when the window cannot be read.
    UgRect (*clientRect)(EGLNativeWindowType window);
    // The pointer's position on the screen.
    void (*cursorPos)(int *x, int *y);
    // Buffer pixels to a logical pixel of the window's output.
    float (*contentScale)(const UgNativeWindow *w);
    // Sets what the desktop reads when the game window first shows: its type, sizes and maximised
    // state; null where the desktop takes all it needs from the desktop entry.
    void (*setDesktopHints)(EGLNativeWindowType window);
    // Gives the window its icon (ugSetWindowIcon); null where the desktop entry names it.
    void (*setWindowIcon)(EGLNativeWindowType window, const unsigned long *icon, size_t length);

    // Where a new window's client area goes on the desktop.
    UgRect (*startRect)();
    // Asks the desktop to maximise the window; 1 when it will keep it fitted from now on, 0 when it cannot.
    int (*maximiseWindow)(UgNativeWindow *w);
    // Places the client area where it fits on the desktop, for a desktop that cannot maximise; its
    // size in buffer pixels, empty when nothing was placed. Null where maximising always works.
    UgRect (*placeWindow)(UgNativeWindow *w);
    int (*isFullscreen)(const UgNativeWindow *w);
    void (*toggleFullscreen)(UgNativeWindow *w);

    // Moves what the connection holds into the queue without blocking, while the queue has room.
    void (*readEvents)();
    // Sleeps until the connection has something or waitUs passed (-1: no limit).
    void (*waitEvents)(long long waitUs);
    // 1 while some of the window shows, so that drawing it is not wasted.
    int (*canBeSeen)(const UgNativeWindow *w);
    // The window's paint was just posted: set when the next frame may come.
    void (*framePosted)(UgNativeWindow *w, long long now);
    // 1 while the desktop keeps the window minimised, beyond its being unmapped.
    int (*isMinimised)(const UgNativeWindow *w);
    // Keeps the screen from blanking while inhibit is 1.
    void (*inhibitIdle)(UgDisplay *display, int inhibit);
    // The keyboard's repeat delay and period in milliseconds; 0 where it says nothing.
    void (*keyRepeat)(int *delayMs, int *periodMs);

    const struct UgDialogPlatform *dialogs;
    // Brings the game window forward, with the activation token a later start handed over ("" for
    // none); 1 when done.
    int (*bringForward)(EGLNativeWindowType window, const char *token);
};

extern const UgPlatform x11Platform, waylandPlatform;

// The platform in use, chosen on first need: the first whose display server answers, else the last;
// RINKSLIDER_PLATFORM forces one by its id.
const UgPlatform *ugPlatform();

// The record of a native window, null when it is not ours.
UgNativeWindow *ugFindNative(EGLNativeWindowType id);
// Its place in the table, where each platform keeps its own side of the window.
int ugSlotOf(const UgNativeWindow *w);
// A free slot holding the procedure of the registered class, null when the class is unknown or the
// table is full.
UgNativeWindow *ugClaimSlot(const char *className);
// Microseconds of the monotonic clock.
long long ugNowUs();
// Packs a client point or size into lParam: the first in the low 16 bits, the second in the high.
UgLParam ugPackPair(int low, int high);
// Sleeps until the connection's descriptor is readable, a later start knocks or waitUs passed (-1: no
// limit), never waking early.
void ugWaitReadable(int fd, long long waitUs);
// Room left in the queue for one more event's messages: one a window and a character.
int ugQueueHasRoom();
// Keeps a drag's latest position, from a held button or a finger, for the next frame.
void ugNoteMotion(UgNativeWindow *w, int x, int y, UgDevice device);
// Posts a drag's latest position as one motion message, when there is one not yet delivered.
void ugPostMotion(UgNativeWindow *w);
// Forgets a drag's latest position not yet delivered, when it came from the device.
void ugDropMotion(UgNativeWindow *w, UgDevice device);
// Posts a press or release of a button (0 left, 1 middle, 2 right) at the client point, after the
// drag's latest position.
void ugPostButton(UgNativeWindow *w, int button, int pressed, int x, int y, UgDevice device);
// The device of the message being dispatched.
UgDevice ugDispatchedDevice();
// Posts a key-down with the first character it types for the translate step, and the further
// characters as character messages; nothing for a key with neither.
void ugPostKey(EGLNativeWindowType window, unsigned virtualKey, UgLParam scan, const wchar_t *chars, size_t count);
// The virtual-key code of an XKB key symbol, 0 for keys the layer does not name.
unsigned ugVirtualKeyOf(unsigned long sym);
