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
// Fits a native window to the desktop: maximised where the desktop can keep it so, else placed on one monitor.
void fitWindowToDesktop(EGLNativeWindowType window);

// Native windows (native_window.cpp).

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
// Stores one pointer with the window, for its procedure.
void ugSetWindowData(EGLNativeWindowType window, void *data);
// The pointer stored with the window, null when none is or the window is not ours.
void *ugWindowData(EGLNativeWindowType window);

// The desktop a window is placed on (desktop.cpp), as every platform can tell it.

enum { UG_MAX_MONITORS = 16 };

struct UgDesktop {
    UgRect monitors[UG_MAX_MONITORS];  // at least one: the whole screen where none is reported
    int monitorCount, primary;
    int pointerX, pointerY;            // off every monitor where the pointer cannot be told
    UgRect workArea;                   // what panels leave free; the whole screen where none is published
};

// The monitor under the pointer, else the primary one: a window never straddles two.
UgRect ugChosenMonitor(const UgDesktop *desktop);
// The chosen monitor's part of the work area; the whole monitor where the work area misses it.
UgRect ugUsableArea(const UgDesktop *desktop);
// The size a maximised window returns to when the player un-maximises it: the area less an eighth
// on every side.
UgRect ugRestoredRect(UgRect area);

// The message queue (messages.cpp).

// Waits for the next message; 0 once the quit message is taken.
int ugGetMessage(UgMsg *msg);
// Posts the character a key-down message typed, as the step between fetch and dispatch.
void ugTranslateMessage(const UgMsg *msg);
// Hands the message to its window's procedure; its result, 0 for a window not ours.
UgResult ugDispatchMessage(const UgMsg *msg);
// What a message gets when its window does nothing with it: close destroys, paint validates.
UgResult ugDefWindowProc(EGLNativeWindowType window, unsigned message, UgWParam wParam, UgLParam lParam);
// The low and high 16 bits of a message parameter, unsigned.
inline unsigned ugLowWord(uintptr_t value) { return (unsigned)(value & 0xffff); }
inline unsigned ugHighWord(uintptr_t value) { return (unsigned)((value >> 16) & 0xffff); }
// The client point packed in lParam, each coordinate signed: a drag may go on beyond the window's
// left or top edge.
inline int ugPointX(UgLParam lParam) { return (int16_t)ugLowWord((uintptr_t)lParam); }
inline int ugPointY(UgLParam lParam) { return (int16_t)ugHighWord((uintptr_t)lParam); }
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
