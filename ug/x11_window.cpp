// Native windows over Xlib: the connection, its error handlers, creation with a chosen visual and geometry.
#include "ug/dialogs.h"
#include "ug/x11_platform.h"

#include <EGL/eglext.h>
#include <X11/Xatom.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

Display *xDisplay;
Atom wmProtocolsAtom, wmDeleteAtom;

// The server going away leaves nothing to run against: end at once.
static int onIoError(Display *)
{
    _exit(2);
}

static int trapping;

// A refused request is no reason to stop the game: inside a trap it is expected and ignored;
// anywhere else it is a fault, said on stderr with the request and the error.
static int onError(Display *display, XErrorEvent *event)
{
    if (trapping)
        return 0;
    char error[128] = "", number[16], request[128] = "";
    XGetErrorText(display, event->error_code, error, sizeof error);
    snprintf(number, sizeof number, "%d", event->request_code);
    XGetErrorDatabaseText(display, "XRequest", number, number, request, sizeof request);
    fprintf(stderr, "rinkslider: X error %s (%d) in request %s (%d.%d) on resource 0x%lx\n", error,
            event->error_code, request, event->request_code, event->minor_code, event->resourceid);
    return 0;
}

void ugTrapXErrors()
{
    XSync(xDisplay, False);
    trapping = 1;
}

void ugUntrapXErrors()
{
    XSync(xDisplay, False);
    trapping = 0;
}

Atom ugAtom(const char *name)
{
    return XInternAtom(xDisplay, name, False);
}

void ugSetAtomList(Window window, const char *property, std::initializer_list<const char *> names)
{
    Atom atoms[8];
    int count = 0;
    for (const char *name : names)
        if (count < 8)
            atoms[count++] = ugAtom(name);
    XChangeProperty(xDisplay, window, ugAtom(property), XA_ATOM, 32, PropModeReplace, (const unsigned char *)atoms,
                    count);
}

void *x11Connect()
{
    if (xDisplay)
        return xDisplay;
    xDisplay = XOpenDisplay(nullptr);
    if (!xDisplay)
        return nullptr;
    XSetIOErrorHandler(onIoError);
    XSetErrorHandler(onError);
    wmProtocolsAtom = ugAtom("WM_PROTOCOLS");
    wmDeleteAtom = ugAtom("WM_DELETE_WINDOW");
    ugWatchDesktop();
    ugOpenInputMethod();
    return xDisplay;
}

EGLDisplay x11EglDisplay(void *connection)
{
    return eglGetPlatformDisplay(EGL_PLATFORM_X11_KHR, connection, nullptr);
}

// Sets the names, class, owner process and close protocol a desktop expects of a window.
static void setWindowProperties(Window id, const char *className, const char *title)
{
    XStoreName(xDisplay, id, title);
    XChangeProperty(xDisplay, id, ugAtom("_NET_WM_NAME"), ugAtom("UTF8_STRING"), 8, PropModeReplace,
                    (const unsigned char *)title, (int)strlen(title));
    XClassHint hint{(char *)"rinkslider", (char *)className};
    XSetClassHint(xDisplay, id, &hint);
    long pid = getpid();
    XChangeProperty(xDisplay, id, ugAtom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    (const unsigned char *)&pid, 1);
    // The process id means something only together with the machine it runs on.
    char host[256] = "";
    gethostname(host, sizeof host - 1);
    XTextProperty machine{(unsigned char *)host, XA_STRING, 8, strlen(host)};
    XSetWMClientMachine(xDisplay, id, &machine);
    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = NormalState;
    XSetWMHints(xDisplay, id, &hints);
    XSetWMProtocols(xDisplay, id, &wmDeleteAtom, 1);
}

EGLNativeWindowType x11CreateWindow(UgNativeWindow *slot, const char *className, const char *title,
                                    unsigned long visualId, UgRect rect)
{
    int screen = DefaultScreen(xDisplay);
    XVisualInfo wanted{};
    wanted.visualid = visualId ? visualId : XVisualIDFromVisual(DefaultVisual(xDisplay, screen));
    int count = 0;
    XVisualInfo *visual = XGetVisualInfo(xDisplay, VisualIDMask, &wanted, &count);
    if (!visual)
        return 0;
    Window root = RootWindow(xDisplay, screen);
    XSetWindowAttributes attributes{};
    attributes.colormap = XCreateColormap(xDisplay, root, visual->visual, AllocNone);
    attributes.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask | ButtonPressMask |
                            ButtonReleaseMask | ButtonMotionMask | FocusChangeMask | VisibilityChangeMask |
                            PropertyChangeMask;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    Window id = XCreateWindow(xDisplay, root, rect.left, rect.top, (unsigned)width, (unsigned)height, 0,
                              visual->depth, InputOutput, visual->visual,
                              CWColormap | CWEventMask | CWBorderPixel, &attributes);
    XFree(visual);
    if (!id)
        return 0;
    slot->id = id;
    slot->width = width;
    slot->height = height;
    slot->framePeriod = ugFramePeriodUs(id);
    setWindowProperties(id, className, title);
    ugOpenInputContext(id);
    slot->proc(id, WM_CREATE, 0, 0);
    XMapWindow(xDisplay, id);
    XFlush(xDisplay);
    return id;
}

void x11DestroyWindow(UgNativeWindow *w)
{
    ugCloseInputContext(w->id);
    XDestroyWindow(xDisplay, w->id);
    XFlush(xDisplay);
}

UgRect x11ClientRect(EGLNativeWindowType window)
{
    Window root;
    int x, y;
    unsigned width = 0, height = 0, border, depth;
    if (!XGetGeometry(xDisplay, window, &root, &x, &y, &width, &height, &border, &depth))
        return UgRect{0, 0, 0, 0};
    return UgRect{0, 0, (int)width, (int)height};
}

void x11CursorPos(int *x, int *y)
{
    Window root, child;
    int wx, wy;
    unsigned mask;
    *x = *y = 0;
    XQueryPointer(xDisplay, DefaultRootWindow(xDisplay), &root, &child, x, y, &wx, &wy, &mask);
}

// X11 draws at the monitor's own pixels.
static float x11ContentScale(const UgNativeWindow *)
{
    return 1.0f;
}

static void x11KeyRepeat(int *delayMs, int *periodMs)
{
    unsigned delay = 0, interval = 0;
    if (!XkbGetAutoRepeatRate(xDisplay, XkbUseCoreKbd, &delay, &interval))
        delay = interval = 0;
    *delayMs = (int)delay;
    *periodMs = (int)interval;
}

const UgPlatform x11Platform = {
    "X", "DISPLAY", x11Connect, x11EglDisplay, 1, x11CreateWindow, x11DestroyWindow, x11ClientRect, x11CursorPos,
    x11ReadDesktop, x11MaximiseWindow, x11PlaceWindow, x11FillsDesktop, x11SetDesktopHints, x11ReadEvents,
    x11WaitEvents, x11CanBeSeen, x11FramePosted, x11ToggleFullscreen, x11IsMinimised, x11InhibitIdle,
    x11SetWindowIcon, x11ContentScale, x11KeyRepeat, &x11Dialogs, x11BringForward,
};
