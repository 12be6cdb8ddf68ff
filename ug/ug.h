// The window and event layer: one display, its windows, their handler slots and the message loop.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct UgWin;

typedef void (*UgDrawHandler)(UgWin *win);
typedef void (*UgResizeHandler)(UgWin *win, int width, int height);
typedef void (*UgKeyHandler)(UgWin *win, int key, int x, int y);
typedef void (*UgPointerHandler)(UgWin *win, int button, int state, int x, int y);
typedef void (*UgMotionHandler)(UgWin *win, int x, int y);
typedef void (*UgReleaseHandler)(UgWin *win, int button, int x, int y);
typedef void (*UgIdleHandler)(UgWin *win);

struct UgDisplay {
    UgIdleHandler idleHandler;
    void *deviceContext;                 // the platform's connection to its display server
    UgWin *currentWindow;
    UgWin *windows;                      // newest first
    void *eglDisplay;                    // EGL's handles are opaque pointers to callers
};

struct UgWin {
    uintptr_t nativeWindow;              // the platform's window, as EGL takes it
    int32_t clientWidth, clientHeight;
    UgDrawHandler drawHandler;
    UgResizeHandler resizeHandler;
    UgKeyHandler keyHandler;
    UgPointerHandler pointerHandler;
    UgMotionHandler motionHandler;
    UgReleaseHandler releaseHandler;
    UgDisplay *display;
    UgWin *next, *prev;
    void *surface;
    void *config;
    void *context;
};

// Special-key codes handed to the key handler; every other key arrives as its character code.
enum UgKey {
    UG_KEY_F1 = 201, UG_KEY_F2, UG_KEY_F3, UG_KEY_F4, UG_KEY_F5, UG_KEY_F6,
    UG_KEY_F7, UG_KEY_F8, UG_KEY_F9, UG_KEY_F10, UG_KEY_F11, UG_KEY_F12,
    UG_KEY_LEFT = 300, UG_KEY_UP, UG_KEY_RIGHT, UG_KEY_DOWN,
    UG_KEY_PAGE_UP, UG_KEY_PAGE_DOWN, UG_KEY_HOME, UG_KEY_END, UG_KEY_INSERT, UG_KEY_PAUSE,
};

// Opens the display and initialises EGL on it; null on failure, with ugFailure saying why.
UgDisplay *ugOpenDisplay();
// Opens a visible window fitted to the desktop, its surface and context current; null on failure.
// mode "UG_DEPTH" asks for a depth buffer; the four integers are accepted and not used. On failure
// ugFailure says which step failed (an EGL call with its error).
UgWin *ugOpenWindow(UgDisplay *display, const char *mode, const char *title, int w, int h, int x, int y);
// What the last failed ugOpenDisplay or ugOpenWindow could not do, as one line without a newline.
const char *ugFailure();
// Makes the window's surface and context current; a failure says "botch makecurrent" on stdout, the
// EGL error on stderr, and ends the process with code 1.
void ugBindWindow(UgDisplay *display, UgWin *win);

// Set the window's handlers and the display's idle handler; a null handler is not called.
void ugSetDrawHandler(UgWin *win, UgDrawHandler handler);
void ugSetResizeHandler(UgWin *win, UgResizeHandler handler);
void ugSetKeyHandler(UgWin *win, UgKeyHandler handler);
void ugSetPointerHandler(UgWin *win, UgPointerHandler handler);
// Pointer motion while a button is held over the window, in client coordinates; however many
// motion events come, the handler is called at most once a frame, with the latest position.
void ugSetMotionHandler(UgWin *win, UgMotionHandler handler);
// A button let go, or a finger lifted or taken by the desktop for a gesture: the press ends, with
// the button and the last client point it was seen at.
void ugSetReleaseHandler(UgWin *win, UgReleaseHandler handler);
void ugSetIdleHandler(UgDisplay *display, UgIdleHandler handler);

// Dispatches messages until the window is destroyed.
void ugRun(UgDisplay *display);
// Marks the whole client area for repainting; the paint comes later through the loop.
void ugRequestRedraw(UgWin *win);
// Shows the frame just drawn.
void ugPresent(UgWin *win);
// While on, the window is painted again at the display's refresh rate whenever it can be seen.
void ugAnimate(UgWin *win, int on);
// The share of the tick period gone since the window's last timer message, from 0 to 1.
float ugTickPhase(UgWin *win);
// Switches the window between fullscreen on its monitor and the size it had before.
void ugToggleFullscreen(UgWin *win);
// 1 while the window is minimised or unmapped, and once after it was unmapped, however briefly,
// since the last call: a slow frame must not hide a minimise and restore from the game.
int ugIsMinimised(UgWin *win);
// Keeps the screen saver from starting while inhibit is 1; 0 releases it.
void ugInhibitScreenSaver(UgDisplay *display, int inhibit);
// Gives the window its icon for task bars and switchers: for each size, width, height, then
// width x height ARGB pixels row by row.
void ugSetWindowIcon(UgWin *win, const unsigned long *icon, size_t length);

// Milliseconds on a clock that never goes back, the one the layer's timers keep.
long long ugNowMs();

// The kind of device a press, drag or release comes from.
enum UgDevice { UG_DEVICE_MOUSE, UG_DEVICE_TOUCH };
// The device of the press, drag or release whose handler runs now: a mouse button or a finger.
UgDevice ugPointerDevice(UgWin *win);
// Buffer pixels to a logical pixel of the window's output: 1 on a plain monitor, 2 on a doubled one.
float ugContentScale(UgWin *win);
// How a held key repeats on the player's keyboard, in milliseconds: the delay before the first
// repeat and the period after it (600 and 40 where the keyboard says nothing).
void ugKeyRepeat(UgWin *win, int *delayMs, int *periodMs);

// Platform services the rest of the game uses.

// Shows a modal box captioned "Error" with the text and one OK button; returns once dismissed.
void ugErrorBox(const char *text);
typedef void (*UgErrorBoxHandler)(const char *text);
// Routes error boxes to a handler instead of the screen (tests); null restores the box.
void ugSetErrorBoxHandler(UgErrorBoxHandler handler);
// Writes the running program's full path into buf; returns its length, 0 on failure.
size_t ugModulePath(char *buf, size_t size);
// Writes the path of the named file in the running program's folder into buf; its length, 0 on failure.
size_t ugPathBesideProgram(const char *fileName, char *buf, size_t size);
