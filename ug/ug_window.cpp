// The window layer over the platform: display and window records, the window procedure and the loop.
#include "ug/platform.h"

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

UgDisplay *currentDisplay;
UgSaveSurfaceProc saveSurfaceProc;

static const EGLint plainAttributes[] = {EGL_RED_SIZE, 1, EGL_NONE};
static const EGLint depthAttributes[] = {EGL_RED_SIZE, 1, EGL_DEPTH_SIZE, 1, EGL_NONE};
// The game's tick: the window's timer period.
static const unsigned tickPeriodMs = 40;

static char failure[256];

// The name of an EGL error code, as the EGL headers spell it.
static const char *eglErrorName(EGLint error)
{
    switch (error) {
    // A failure without an error: no EGL driver took the call at all.
    case EGL_SUCCESS: return "no EGL driver answered";
    case EGL_NOT_INITIALIZED: return "EGL_NOT_INITIALIZED";
    case EGL_BAD_ACCESS: return "EGL_BAD_ACCESS";
    case EGL_BAD_ALLOC: return "EGL_BAD_ALLOC";
    case EGL_BAD_ATTRIBUTE: return "EGL_BAD_ATTRIBUTE";
    case EGL_BAD_CONFIG: return "EGL_BAD_CONFIG";
    case EGL_BAD_CONTEXT: return "EGL_BAD_CONTEXT";
    case EGL_BAD_CURRENT_SURFACE: return "EGL_BAD_CURRENT_SURFACE";
    case EGL_BAD_DISPLAY: return "EGL_BAD_DISPLAY";
    case EGL_BAD_MATCH: return "EGL_BAD_MATCH";
    case EGL_BAD_NATIVE_PIXMAP: return "EGL_BAD_NATIVE_PIXMAP";
    case EGL_BAD_NATIVE_WINDOW: return "EGL_BAD_NATIVE_WINDOW";
    case EGL_BAD_PARAMETER: return "EGL_BAD_PARAMETER";
    case EGL_BAD_SURFACE: return "EGL_BAD_SURFACE";
    case EGL_CONTEXT_LOST: return "EGL_CONTEXT_LOST";
    }
    return "an unknown EGL error";
}

// Records why opening failed, for ugFailure.
static void setFailure(const char *format, const char *detail)
{
    snprintf(failure, sizeof failure, format, detail);
}

// Records that an EGL call failed, with the error EGL gives for it.
static void setEglFailure(const char *call)
{
    snprintf(failure, sizeof failure, "%s failed: %s", call, eglErrorName(eglGetError()));
}

const char *ugFailure()
{
    return failure;
}

UgDisplay *ugOpenDisplay()
{
    UgDisplay *display = (UgDisplay *)calloc(1, sizeof(UgDisplay));
    if (!display)
        return nullptr;
    const UgPlatform *platform = ugPlatform();
    display->deviceContext = platform->connect();
    if (!display->deviceContext) {
        const char *name = getenv(platform->displayVariable);
        snprintf(failure, sizeof failure, "cannot open the %s display \"%s\"", platform->name, name ? name : "");
        free(display);
        return nullptr;
    }
    display->eglDisplay = platform->eglDisplay(display->deviceContext);
    if (display->eglDisplay == EGL_NO_DISPLAY) {
        setEglFailure("eglGetPlatformDisplay");
        free(display);
        return nullptr;
    }
    if (!eglInitialize(display->eglDisplay, nullptr, nullptr)) {
        setEglFailure("eglInitialize");
        free(display);
        return nullptr;
    }
    saveSurfaceProc = (UgSaveSurfaceProc)eglGetProcAddress("eglSaveSurfaceHM");
    // Mesa has no screenshot extension, so our own BMP writer takes its place.
    if (!saveSurfaceProc)
        saveSurfaceProc = ugSaveSurfaceBmp;
    currentDisplay = display;
    return display;
}

const EGLint *ugConfigAttributes(const char *mode)
{
    return strstr(mode, "UG_DEPTH") ? depthAttributes : plainAttributes;
}

UgWin *ugOpenWindow(UgDisplay *display, const char *mode, const char *title, int, int, int, int)
{
    UgWin *win = (UgWin *)calloc(1, sizeof(UgWin));
    if (!win)
        return nullptr;
    win->display = display;
    EGLint found = 0;
    if (!eglChooseConfig(display->eglDisplay, ugConfigAttributes(mode), &win->config, 1, &found)) {
        setEglFailure("eglChooseConfig");
        free(win);
        return nullptr;
    }
    // A call that succeeds but finds nothing leaves no configuration to build on.
    if (found < 1) {
        setFailure("eglChooseConfig found no frame-buffer configuration for \"%s\"", mode);
        free(win);
        return nullptr;
    }
    EGLint visualId = 0;
    eglGetConfigAttrib(display->eglDisplay, win->config, EGL_NATIVE_VISUAL_ID, &visualId);
    const UgPlatform *platform = ugPlatform();
    win->nativeWindow = ugCreateWindow("ug window", title, (unsigned long)visualId, platform->startRect());
    if (!win->nativeWindow) {
        setFailure("cannot create the window \"%s\"", title);
        free(win);
        return nullptr;
    }
    ugSetTimer(win->nativeWindow, tickPeriodMs);
    fitWindowToDesktop(win->nativeWindow);
    win->next = display->windows;
    if (display->windows)
        display->windows->prev = win;
    display->windows = win;
    UgRect client = platform->clientRect(win->nativeWindow);
    win->clientWidth = client.right - client.left;
    win->clientHeight = client.bottom - client.top;
    win->surface = eglCreateWindowSurface(display->eglDisplay, win->config, win->nativeWindow, nullptr);
    if (win->surface == EGL_NO_SURFACE) {
        setEglFailure("eglCreateWindowSurface");
        return nullptr;
    }
    win->context = eglCreateContext(display->eglDisplay, win->config, EGL_NO_CONTEXT, nullptr);
    if (win->context == EGL_NO_CONTEXT) {
        setEglFailure("eglCreateContext");
        return nullptr;
    }
    ugBindWindow(display, win);
    if (!eglSwapInterval(display->eglDisplay, platform->swapInterval))
        fprintf(stderr, "rinkslider: eglSwapInterval failed: %s\n", eglErrorName(eglGetError()));
    return win;
}

// Once maximised the desktop keeps the window fitted: asking again could land after the player's
// own un-maximise and undo it, so the fitted size is forgotten.
void fitWindowToDesktop(EGLNativeWindowType window)
{
    UgNativeWindow *w = ugFindNative(window);
    const UgPlatform *platform = ugPlatform();
    if (!w)
        return;
    if (platform->maximiseWindow(w)) {
        w->fittedWidth = w->fittedHeight = 0;
        return;
    }
    UgRect placed = platform->placeWindow ? platform->placeWindow(w) : UgRect{0, 0, 0, 0};
    if (placed.right > placed.left && placed.bottom > placed.top) {
        w->fittedWidth = placed.right - placed.left;
        w->fittedHeight = placed.bottom - placed.top;
    }
}

// 1 while the window keeps the size it was last placed at: the player has not resized it, it is not
// fullscreen and no desktop keeps it maximised.
static int fillsDesktop(EGLNativeWindowType window)
{
    UgNativeWindow *w = ugFindNative(window);
    return w && !ugPlatform()->isFullscreen(w) && w->width == w->fittedWidth && w->height == w->fittedHeight;
}

void ugBindWindow(UgDisplay *display, UgWin *win)
{
    if (!eglMakeCurrent(display->eglDisplay, win->surface, win->surface, win->context)) {
        EGLint error = eglGetError();
        fputs("botch makecurrent\n", stdout);
        fflush(stdout);
        fprintf(stderr, "rinkslider: eglMakeCurrent failed: %s\n", eglErrorName(error));
        exit(1);
    }
    display->currentWindow = win;
}

void ugSetDrawHandler(UgWin *win, UgDrawHandler handler) { win->drawHandler = handler; }
void ugSetResizeHandler(UgWin *win, UgResizeHandler handler) { win->resizeHandler = handler; }
void ugSetKeyHandler(UgWin *win, UgKeyHandler handler) { win->keyHandler = handler; }
void ugSetPointerHandler(UgWin *win, UgPointerHandler handler) { win->pointerHandler = handler; }
void ugSetMotionHandler(UgWin *win, UgMotionHandler handler) { win->motionHandler = handler; }
void ugSetReleaseHandler(UgWin *win, UgReleaseHandler handler) { win->releaseHandler = handler; }
void ugSetIdleHandler(UgDisplay *display, UgIdleHandler handler) { display->idleHandler = handler; }

// Finds the record of a native window in the current display's list.
static UgWin *findWindow(EGLNativeWindowType window)
{
    if (!currentDisplay)
        return nullptr;
    for (UgWin *win = currentDisplay->windows; win; win = win->next)
        if (win->nativeWindow == window)
            return win;
    return nullptr;
}

// Asks for a file name and saves the freshly painted frame there; a failed save is shown in a box.
static void takeScreenshot(UgWin *win)
{
    // Any path the file system takes fits, in wide characters as in its UTF-8 bytes.
    static wchar_t path[PATH_MAX];
    wcscpy(path, L"Screenshot.bmp");
    if (!ugSaveFileDialog(win->nativeWindow, path, PATH_MAX))
        return;
    ugCaptureNextFrame(win->surface);
    ugInvalidate(win->nativeWindow);
    ugUpdateWindow(win->nativeWindow);
    if (saveSurfaceProc(win->surface, path))
        return;
    int error = errno;
    static char name[PATH_MAX];
    ugWideToUtf8(path, name, sizeof name);
    ugSaveErrorBox(win->nativeWindow, name, error);
}

// Calls the key handler with a code and the cursor's screen position.
static void sendKey(UgWin *win, int code)
{
    if (!win->keyHandler)
        return;
    int x, y;
    ugPlatform()->cursorPos(&x, &y);
    win->keyHandler(win, code, x, y);
}

// Calls the pointer handler for a button press at the client point packed in lParam.
static void sendPointer(UgWin *win, int button, UgLParam lParam)
{
    if (win->pointerHandler)
        win->pointerHandler(win, button, 0, ugPointX(lParam), ugPointY(lParam));
}

// Calls the release handler for a button let go at the client point packed in lParam; without one
// the message has its default processing, as before the slot existed.
static UgResult sendRelease(UgWin *win, int button, unsigned message, UgWParam wParam, UgLParam lParam)
{
    if (!win->releaseHandler)
        return ugDefWindowProc(win->nativeWindow, message, wParam, lParam);
    win->releaseHandler(win, button, ugPointX(lParam), ugPointY(lParam));
    return 0;
}

// Replaces the surface when the client size really changed, then tells the resize handler.
static void resizeWindow(UgWin *win, UgLParam lParam)
{
    int width = (int)ugLowWord((uintptr_t)lParam), height = (int)ugHighWord((uintptr_t)lParam);
    if (width == win->clientWidth && height == win->clientHeight)
        return;
    win->clientWidth = width;
    win->clientHeight = height;
    if (win->surface) {
        EGLDisplay egl = win->display->eglDisplay;
        // The old surface is current; release it so its destruction takes effect now.
        eglMakeCurrent(egl, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroySurface(egl, win->surface);
        win->surface = eglCreateWindowSurface(egl, win->config, win->nativeWindow, nullptr);
        if (win->surface == EGL_NO_SURFACE)
            fprintf(stderr, "rinkslider: eglCreateWindowSurface failed: %s\n", eglErrorName(eglGetError()));
        ugBindWindow(win->display, win);
    }
    if (win->resizeHandler)
        win->resizeHandler(win, width, height);
}

UgResult ugWindowProc(EGLNativeWindowType window, unsigned message, UgWParam wParam, UgLParam lParam)
{
    if (message == WM_CREATE) {
        if (ugPlatform()->setDesktopHints)
            ugPlatform()->setDesktopHints(window);
        return 0;
    }
    UgWin *win = findWindow(window);
    if (!win)
        return ugDefWindowProc(window, message, wParam, lParam);
    ugBindWindow(currentDisplay, win);
    switch (message) {
    case WM_DESTROY:
        ugPostQuitMessage(0);
        break;
    case WM_SIZE:
        resizeWindow(win, lParam);
        break;
    case WM_ACTIVATE:
        // Only a window that still fills the desktop is refitted: a size the player chose stays.
        if (ugLowWord(wParam) != WA_INACTIVE && ugHighWord(wParam) == 0 && fillsDesktop(window))
            fitWindowToDesktop(window);
        break;
    case WM_PAINT: {
        // Validate even without a draw handler, or the paint would come back at once forever.
        ugValidate(window);
        if (!win->drawHandler)
            break;
        if (win->resizeHandler) {
            UgRect client = ugPlatform()->clientRect(window);
            win->resizeHandler(win, client.right - client.left, client.bottom - client.top);
        }
        win->drawHandler(win);
        break;
    }
    case WM_SETTINGCHANGE:
        if (fillsDesktop(window))
            fitWindowToDesktop(window);
        break;
    case WM_KEYDOWN: {
        int code = ugTranslateKey((unsigned)wParam);
        if (!code)
            return ugDefWindowProc(window, message, wParam, lParam);
        sendKey(win, code);
        break;
    }
    case WM_CHAR:
        if (saveSurfaceProc && (ugLowWord(wParam) == 'c' || ugLowWord(wParam) == 'C'))
            takeScreenshot(win);
        else
            sendKey(win, (int)wParam);
        break;
    case WM_COMMAND:
    case WM_CLEAR:
        break;
    case WM_TIMER:
        if (currentDisplay->idleHandler)
            currentDisplay->idleHandler(win);
        break;
    case WM_MOUSEMOVE:
        if (win->motionHandler)
            win->motionHandler(win, ugPointX(lParam), ugPointY(lParam));
        break;
    case WM_LBUTTONDOWN:
        sendPointer(win, 0, lParam);
        break;
    case WM_RBUTTONDOWN:
        sendPointer(win, 2, lParam);
        break;
    case WM_MBUTTONDOWN:
        sendPointer(win, 1, lParam);
        break;
    case WM_LBUTTONUP:
        return sendRelease(win, 0, message, wParam, lParam);
    case WM_RBUTTONUP:
        return sendRelease(win, 2, message, wParam, lParam);
    case WM_MBUTTONUP:
        return sendRelease(win, 1, message, wParam, lParam);
    default:
        return ugDefWindowProc(window, message, wParam, lParam);
    }
    return 0;
}

void ugRun(UgDisplay *display)
{
    currentDisplay = display;
    UgMsg msg;
    while (ugGetMessage(&msg)) {
        ugTranslateMessage(&msg);
        ugDispatchMessage(&msg);
    }
}

void ugRequestRedraw(UgWin *win)
{
    ugInvalidate(win->nativeWindow);
}

float ugTickPhase(UgWin *win)
{
    long long since = ugSinceTimer(win->nativeWindow);
    float phase = since < 0 ? 1.0f : (float)since / (tickPeriodMs * 1000.0f);
    return phase < 1.0f ? phase : 1.0f;
}

void ugPresent(UgWin *win)
{
    ugCaptureFrame(win);
    eglSwapBuffers(win->display->eglDisplay, win->surface);
}

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

void ugInhibitScreenSaver(UgDisplay *display, int inhibit)
{
    ugPlatform()->inhibitIdle(display, inhibit);
}

void ugSetWindowIcon(UgWin *win, const unsigned long *icon, size_t length)
{
    if (ugPlatform()->setWindowIcon)
        ugPlatform()->setWindowIcon(win->nativeWindow, icon, length);
}

UgDevice ugPointerDevice(UgWin *)
{
    return ugDispatchedDevice();
}

float ugContentScale(UgWin *win)
{
    UgNativeWindow *w = ugFindNative(win->nativeWindow);
    return w ? ugPlatform()->contentScale(w) : 1.0f;
}

void ugKeyRepeat(UgWin *, int *delayMs, int *periodMs)
{
    // A common keyboard's pace: 25 repeats a second after 600 ms.
    const int usualDelayMs = 600, usualPeriodMs = 40;
    ugPlatform()->keyRepeat(delayMs, periodMs);
    if (*delayMs <= 0 || *periodMs <= 0) {
        *delayMs = usualDelayMs;
        *periodMs = usualPeriodMs;
    }
}
