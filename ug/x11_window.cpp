// Native windows over Xlib: the connection, its error handlers, creation with a chosen visual and
// geometry, and the platform table.
#include "ug/dialogs.h"
#include "ug/x11_platform.h"

#include <EGL/eglext.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

X11State x11;
X11Window x11Windows[UG_MAX_WINDOWS];

X11Window *x11WindowOf(const UgNativeWindow *w)
{
    return &x11Windows[ugSlotOf(w)];
}

// The server going away leaves nothing to run against: end at once.
static int onIoError(Display *)
{
    _exit(2);
}

// A refused request is no reason to stop the game: inside a trap it is expected and ignored;
// anywhere else it is a fault, said on stderr with the request and the error.
static int onError(Display *display, XErrorEvent *event)
{
    if (x11.trappingErrors)
        return 0;
    char error[128] = "", number[16], request[128] = "";
    XGetErrorText(display, event->error_code, error, sizeof error);
    snprintf(number, sizeof number, "%d", event->request_code);
    XGetErrorDatabaseText(display, "XRequest", number, number, request, sizeof request);
    fprintf(stderr, "rinkslider: X error %s (%d) in request %s (%d.%d) on resource 0x%lx\n", error,
            event->error_code, request, event->request_code, event->minor_code, event->resourceid);
    return 0;
}

void x11TrapErrors()
{
    XSync(x11.display, False);
    x11.trappingErrors = 1;
}

void x11UntrapErrors()
{
    XSync(x11.display, False);
    x11.trappingErrors = 0;
}

Atom x11Atom(const char *name)
{
    return XInternAtom(x11.display, name, False);
}

void x11SetAtomList(Window window, const char *property, std::initializer_list<const char *> names)
{
    Atom atoms[8];
    int count = 0;
    for (const char *name : names)
        if (count < 8)
            atoms[count++] = x11Atom(name);
    XChangeProperty(x11.display, window, x11Atom(property), XA_ATOM, 32, PropModeReplace, (const unsigned char *)atoms,
                    count);
}

static void *x11Connect()
{
    if (x11.display)
        return x11.display;
    x11.display = XOpenDisplay(nullptr);
    if (!x11.display)
        return nullptr;
    XSetIOErrorHandler(onIoError);
    XSetErrorHandler(onError);
    x11.wmProtocols = x11Atom("WM_PROTOCOLS");
    x11.wmDelete = x11Atom("WM_DELETE_WINDOW");
    x11.screenSaverExtension = -1;
    x11WatchDesktop();
    x11OpenInputMethod();
    return x11.display;
}

static EGLDisplay x11EglDisplay(void *connection)
{
    return eglGetPlatformDisplay(EGL_PLATFORM_X11_KHR, connection, nullptr);
}

// Sets the names, class, owner process and close protocol a desktop expects of a window.
static void setWindowProperties(Window id, const char *className, const char *title)
{
    Display *display = x11.display;
    XStoreName(display, id, title);
    XChangeProperty(display, id, x11Atom("_NET_WM_NAME"), x11Atom("UTF8_STRING"), 8, PropModeReplace,
                    (const unsigned char *)title, (int)strlen(title));
    XClassHint hint{(char *)"rinkslider", (char *)className};
    XSetClassHint(display, id, &hint);
    long pid = getpid();
    XChangeProperty(display, id, x11Atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    (const unsigned char *)&pid, 1);
    // The process id means something only together with the machine it runs on.
    char host[256] = "";
    gethostname(host, sizeof host - 1);
    XTextProperty machine{(unsigned char *)host, XA_STRING, 8, strlen(host)};
    XSetWMClientMachine(display, id, &machine);
    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = NormalState;
    XSetWMHints(display, id, &hints);
    XSetWMProtocols(display, id, &x11.wmDelete, 1);
}

static EGLNativeWindowType x11CreateWindow(UgNativeWindow *slot, const char *className, const char *title,
                                           unsigned long visualId, UgRect rect)
{
    Display *display = x11.display;
    int screen = DefaultScreen(display);
    XVisualInfo wanted{};
    wanted.visualid = visualId ? visualId : XVisualIDFromVisual(DefaultVisual(display, screen));
    int count = 0;
    XVisualInfo *visual = XGetVisualInfo(display, VisualIDMask, &wanted, &count);
    if (!visual)
        return 0;
    Window root = RootWindow(display, screen);
    XSetWindowAttributes attributes{};
    attributes.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    attributes.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask | ButtonPressMask |
                            ButtonReleaseMask | ButtonMotionMask | FocusChangeMask | VisibilityChangeMask |
                            PropertyChangeMask;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    Window id = XCreateWindow(display, root, rect.left, rect.top, (unsigned)width, (unsigned)height, 0,
                              visual->depth, InputOutput, visual->visual,
                              CWColormap | CWEventMask | CWBorderPixel, &attributes);
    XFree(visual);
    if (!id)
        return 0;
    slot->id = id;
    slot->width = width;
    slot->height = height;
    X11Window *xw = x11WindowOf(slot);
    *xw = X11Window{};
    xw->framePeriod = x11FramePeriodUs(id);
    setWindowProperties(id, className, title);
    x11OpenInputContext(slot);
    slot->proc(id, WM_CREATE, 0, 0);
    XMapWindow(display, id);
    XFlush(display);
    return id;
}

static void x11DestroyWindow(UgNativeWindow *w)
{
    x11CloseInputContext(w);
    XDestroyWindow(x11.display, w->id);
    XFlush(x11.display);
    *x11WindowOf(w) = X11Window{};
}

static UgRect x11ClientRect(EGLNativeWindowType window)
{
    Window root;
    int x, y;
    unsigned width = 0, height = 0, border, depth;
    if (!XGetGeometry(x11.display, window, &root, &x, &y, &width, &height, &border, &depth))
        return UgRect{0, 0, 0, 0};
    return UgRect{0, 0, (int)width, (int)height};
}

void x11CursorPos(int *x, int *y)
{
    Window root, child;
    int wx, wy;
    unsigned mask;
    *x = *y = 0;
    XQueryPointer(x11.display, DefaultRootWindow(x11.display), &root, &child, x, y, &wx, &wy, &mask);
}

// X11 draws at the monitor's own pixels.
static float x11ContentScale(const UgNativeWindow *)
{
    return 1.0f;
}

static void x11KeyRepeat(int *delayMs, int *periodMs)
{
    unsigned delay = 0, interval = 0;
    if (!XkbGetAutoRepeatRate(x11.display, XkbUseCoreKbd, &delay, &interval))
        delay = interval = 0;
    *delayMs = (int)delay;
    *periodMs = (int)interval;
}

// The platform table, slot by slot.
static UgPlatform x11Operations()
{
    UgPlatform p{};
    p.id = "x11";
    p.name = "X";
    p.displayVariable = "DISPLAY";
    p.connect = x11Connect;
    p.eglDisplay = x11EglDisplay;
    // A swap waits for the vertical blank where the driver can; frame deadlines pace the loop elsewhere.
    p.swapInterval = 1;
    p.createWindow = x11CreateWindow;
    p.destroyWindow = x11DestroyWindow;
    p.clientRect = x11ClientRect;
    p.cursorPos = x11CursorPos;
    p.contentScale = x11ContentScale;
    p.setDesktopHints = x11SetDesktopHints;
    p.setWindowIcon = x11SetWindowIcon;
    p.startRect = x11StartRect;
    p.maximiseWindow = x11MaximiseWindow;
    p.placeWindow = x11PlaceWindow;
    p.isFullscreen = x11IsFullscreen;
    p.toggleFullscreen = x11ToggleFullscreen;
    p.readEvents = x11ReadEvents;
    p.waitEvents = x11WaitEvents;
    p.canBeSeen = x11CanBeSeen;
    p.framePosted = x11FramePosted;
    p.isMinimised = x11IsMinimised;
    p.inhibitIdle = x11InhibitIdle;
    p.keyRepeat = x11KeyRepeat;
    p.dialogs = &x11Dialogs;
    p.bringForward = x11BringForward;
    return p;
}

const UgPlatform x11Platform = x11Operations();
