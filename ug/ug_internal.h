// Inside the window layer: message codes, virtual keys, the window procedure and the platform services under it.
#pragma once

#include "ug/ug.h"

#include <EGL/egl.h>
#include <wchar.h>

typedef uintptr_t UgWParam;
typedef intptr_t UgLParam;
typedef intptr_t UgResult;
typedef UgResult (*UgWindowProc)(EGLNativeWindowType window, unsigned message, UgWParam wParam, UgLParam lParam);

enum {
    WM_CREATE = 1, WM_DESTROY = 2, WM_SIZE = 5, WM_ACTIVATE = 6, WM_PAINT = 15, WM_CLOSE = 16,
    WM_QUIT = 18, WM_SETTINGCHANGE = 26, WM_KEYDOWN = 256, WM_CHAR = 258, WM_COMMAND = 273,
    WM_TIMER = 275, WM_MOUSEMOVE = 512, WM_LBUTTONDOWN = 513, WM_LBUTTONUP = 514,
    WM_RBUTTONDOWN = 516, WM_RBUTTONUP = 517, WM_MBUTTONDOWN = 519, WM_MBUTTONUP = 520,
    WM_CLEAR = 771,
};
enum { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };
enum {
    VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18, VK_PAUSE = 19,
    VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34, VK_END = 35, VK_HOME = 36,
    VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_INSERT = 45, VK_DELETE = 46,
    VK_F1 = 112, VK_F12 = 123,
};

// One message as the loop hands it out; character is what the key typed, for the translate step.
struct UgMsg {
    EGLNativeWindowType window;
    unsigned message;
    UgWParam wParam;
    UgLParam lParam;
    unsigned character;
    UgDevice device;  // of a pointer message
};

struct UgRect {
    int left, top, right, bottom;
};

// Saves a surface's picture to a file; 0 on failure, with errno telling why.
typedef int (*UgSaveSurfaceProc)(EGLSurface surface, const wchar_t *path);

extern UgDisplay *currentDisplay;
extern UgSaveSurfaceProc saveSurfaceProc;

// The procedure of the class "ug window": turns messages into handler calls.
UgResult ugWindowProc(EGLNativeWindowType window, unsigned message, UgWParam wParam, UgLParam lParam);
// The UgKey code of a virtual key, 0 for keys without one.
int ugTranslateKey(unsigned virtualKey);
// The frame-buffer attribute list a mode string asks for.
const EGLint *ugConfigAttributes(const char *mode);
// Fits a native window to the desktop: maximised where the window manager can, else placed on one monitor.
void fitWindowToDesktop(EGLNativeWindowType window);

// The platform's connection and native windows (platform.cpp hands these to the platform in use;
// native_window.cpp keeps what both share).

// The connection to the display server, opened on first use; null when none can be reached.
void *ugPlatformConnect();
// The EGL display of the connection, named with its platform so that EGL never guesses another.
EGLDisplay ugPlatformEglDisplay(void *connection);
// Registers a window class; 0 when the name is taken or the table is full.
int registerWindowClass(const char *className, UgWindowProc proc);
// Creates and maps a window of a registered class; visualId 0 takes the default visual; 0 on failure.
EGLNativeWindowType ugCreateWindow(const char *className, const char *title, unsigned long visualId, UgRect rect);
// Destroys a window; its procedure gets WM_DESTROY first.
void ugDestroyWindow(EGLNativeWindowType window);
// Starts the window's periodic timer.
void ugSetTimer(EGLNativeWindowType window, unsigned periodMs);
// Marks the window for repainting; the paint comes through the message loop.
void ugInvalidate(EGLNativeWindowType window);
// Marks the window as painted, so no paint message comes for it.
void ugValidate(EGLNativeWindowType window);
// Paints the window now, inside the caller, when it is invalid.
void ugUpdateWindow(EGLNativeWindowType window);
// The client area's size as a rectangle at 0, 0; all zero when the window cannot be read.
UgRect ugClientRect(EGLNativeWindowType window);
// The pointer's position on the screen.
void ugCursorPos(int *x, int *y);
// Stores one pointer with the window, for its procedure.
void ugSetWindowData(EGLNativeWindowType window, void *data);
// The pointer stored with the window, null when none is or the window is not ours.
void *ugWindowData(EGLNativeWindowType window);

// The desktop a window is placed on.

enum { UG_MAX_MONITORS = 16 };
enum UgManager { UG_NO_MANAGER, UG_MANAGER_MAXIMISES, UG_MANAGER_PLAIN };

struct UgDesktop {
    UgRect monitors[UG_MAX_MONITORS];  // at least one: the whole screen where none is reported
    int monitorCount, primary;
    int pointerX, pointerY;
    UgRect workArea;                   // the whole screen where none is published
    UgManager manager;                 // none, one that maximises on request, one that cannot
    UgRect frame;                      // widths of the window manager's frame on each side
};

// The client rectangle, in screen pixels, that a window gets on the monitor under the pointer (or
// the primary one): without a window manager the whole monitor; under one that cannot maximise,
// the monitor's part of the work area less the frame; under one that maximises, the size the window
// returns to when the player un-maximises it.
UgRect ugPlaceOnDesktop(const UgDesktop *desktop);

// The desktop.

// Reads the monitors, pointer, work area and window manager, and the frame around the window (0: none yet).
void ugReadDesktop(EGLNativeWindowType window, UgDesktop *desktop);
// Asks the window manager to maximise the window and keep it fitted to the desktop.
void ugMaximiseWindow(EGLNativeWindowType window);
// Moves and sizes the window's client area to the rectangle; its frame goes around it.
void ugPlaceWindow(EGLNativeWindowType window, UgRect client);
// 1 while the window keeps the size it was last placed at: the player has not resized it and no
// window manager keeps it maximised.
int ugFillsDesktop(EGLNativeWindowType window);
// Sets what the desktop reads when the game window first shows: its type, sizes and maximised state.
void ugSetDesktopHints(EGLNativeWindowType window);

// The message queue (messages.cpp).

// Waits for the next message; 0 once the quit message is taken.
int ugGetMessage(UgMsg *msg);
// Posts the character a key-down message typed, as the step between fetch and dispatch.
void ugTranslateMessage(const UgMsg *msg);
// Hands the message to its window's procedure; its result, 0 for a window not ours.
UgResult ugDispatchMessage(const UgMsg *msg);
// What a message gets when its window does nothing with it: close destroys, paint validates.
UgResult ugDefWindowProc(EGLNativeWindowType window, unsigned message, UgWParam wParam, UgLParam lParam);
// Appends a message; when the queue is full the newest is dropped rather than an older one overwritten.
void ugPostMessage(EGLNativeWindowType window, unsigned message, UgWParam wParam, UgLParam lParam);
// Ends the loop: ugGetMessage returns 0 with the code once the queued messages are taken.
void ugPostQuitMessage(int code);
// Microseconds since the window's last timer message was dispatched; -1 before the first.
long long ugSinceTimer(EGLNativeWindowType window);

// Dialogs.

// Asks for a file to save to; path holds the suggestion and receives the full path; 0 when cancelled.
int ugSaveFileDialog(EGLNativeWindowType owner, wchar_t *path, size_t capacity);
// Tells the player in an "Error" box over the owner that saving to the path failed, and the system's reason.
void ugSaveErrorBox(EGLNativeWindowType owner, const char *path, int error);

// Services (program_path.cpp, utf8.cpp, bmp_save.cpp).

// Converts wide text to UTF-8; 0 when the result does not fit.
size_t ugWideToUtf8(const wchar_t *text, char *out, size_t size);
// Converts UTF-8 to wide text; 0 when the result does not fit.
size_t ugUtf8ToWide(const char *text, wchar_t *out, size_t size);
// Writes bottom-up RGBA rows as a 24-bit BMP; 0 on failure, with errno telling why. Only a complete
// file replaces the target, keeping its mode; a new file gets 0666 less the umask.
int ugWriteBmp(const char *path, const uint8_t *rgba, int width, int height);
// Our stand-in for the driver's screenshot extension: saves the frame the screenshot flow just painted as a BMP.
int ugSaveSurfaceBmp(EGLSurface surface, const wchar_t *path);
// Keeps the next frame presented on the surface for ugSaveSurfaceBmp.
void ugCaptureNextFrame(EGLSurface surface);
// Called by ugPresent before the swap, so a pending screenshot gets the frame just drawn.
void ugCaptureFrame(UgWin *win);
