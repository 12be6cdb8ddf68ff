// The desktop over X11: monitors, work area, the window manager and what it supports, the frame it
// puts around a window, maximising, fullscreen and placing, whether a window can be seen or is
// minimised, and window hints.
#include "ug/x11_platform.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

// The actions and the source of a _NET_WM_STATE request, as EWMH numbers them.
enum { NET_WM_STATE_ADD = 1, NET_WM_STATE_TOGGLE = 2, NET_WM_SOURCE_APPLICATION = 1 };

// Reads up to count 32-bit items of a property from the offset; how many were read. The caller
// frees *data with XFree when it is not null.
static unsigned long readLongs(Window window, const char *property, Atom type, long offset, long count, long **data)
{
    Atom actual;
    int format;
    unsigned long items = 0, after;
    unsigned char *bytes = nullptr;
    if (XGetWindowProperty(x11.display, window, x11Atom(property), offset, count, False, type, &actual, &format, &items,
                           &after, &bytes) != Success || format != 32)
        items = 0;
    *data = (long *)bytes;
    return items;
}

// 1 when the window's atom-list property holds the atom.
static int listHasAtom(Window window, const char *property, const char *name)
{
    long *atoms;
    unsigned long count = readLongs(window, property, XA_ATOM, 0, 1024, &atoms);
    Atom wanted = x11Atom(name);
    int found = 0;
    for (unsigned long i = 0; i < count && !found; i++)
        found = (Atom)atoms[i] == wanted;
    if (atoms)
        XFree(atoms);
    return found;
}

// The check window of the EWMH window manager that runs now; 0 when the property is missing or was
// left behind by one that has gone.
static Window ewmhCheckWindow()
{
    long *data;
    Window root = DefaultRootWindow(x11.display), check = 0, own = 0;
    if (readLongs(root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, 0, 1, &data) == 1)
        check = (Window)data[0];
    if (data)
        XFree(data);
    // A check window left behind by a window manager that has gone may be gone too.
    x11TrapErrors();
    if (check && readLongs(check, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, 0, 1, &data) == 1)
        own = (Window)data[0];
    if (check && data)
        XFree(data);
    x11UntrapErrors();
    return check && own == check ? check : 0;
}

// The window manager that runs now.
static X11Manager runningManager()
{
    Window root = DefaultRootWindow(x11.display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(x11.display, root, &attributes) || !(attributes.all_event_masks & SubstructureRedirectMask))
        return X11_NO_MANAGER;
    if (ewmhCheckWindow() && listHasAtom(root, "_NET_SUPPORTED", "_NET_WM_STATE_MAXIMIZED_VERT") &&
        listHasAtom(root, "_NET_SUPPORTED", "_NET_WM_STATE_MAXIMIZED_HORZ"))
        return X11_MANAGER_MAXIMISES;
    return X11_MANAGER_PLAIN;
}

// Adds a monitor to the desktop, as long as there is room.
static void addMonitor(UgDesktop *desktop, int x, int y, int width, int height)
{
    if (desktop->monitorCount < UG_MAX_MONITORS && width > 0 && height > 0)
        desktop->monitors[desktop->monitorCount++] = UgRect{x, y, x + width, y + height};
}

// The monitors as RandR 1.5 reports them, else as Xinerama does, else the whole screen as one.
static void readMonitors(UgDesktop *desktop)
{
    desktop->monitorCount = 0;
    desktop->primary = 0;
    Window root = DefaultRootWindow(x11.display);
    int major = 0, minor = 0;
    if (x11.randrEventBase >= 0 && XRRQueryVersion(x11.display, &major, &minor) && (major > 1 || minor >= 5)) {
        int count = 0;
        XRRMonitorInfo *monitors = XRRGetMonitors(x11.display, root, True, &count);
        for (int i = 0; i < count; i++) {
            if (monitors[i].primary)
                desktop->primary = desktop->monitorCount;
            addMonitor(desktop, monitors[i].x, monitors[i].y, monitors[i].width, monitors[i].height);
        }
        if (monitors)
            XRRFreeMonitors(monitors);
    }
    int eventBase, errorBase;
    if (!desktop->monitorCount && XineramaQueryExtension(x11.display, &eventBase, &errorBase) &&
        XineramaIsActive(x11.display)) {
        int count = 0;
        XineramaScreenInfo *screens = XineramaQueryScreens(x11.display, &count);
        for (int i = 0; i < count; i++)
            addMonitor(desktop, screens[i].x_org, screens[i].y_org, screens[i].width, screens[i].height);
        if (screens)
            XFree(screens);
    }
    if (!desktop->monitorCount) {
        int screen = DefaultScreen(x11.display);
        addMonitor(desktop, 0, 0, DisplayWidth(x11.display, screen), DisplayHeight(x11.display, screen));
    }
}

// The work area of the current virtual desktop, or the whole screen where none is published.
static UgRect readWorkArea()
{
    int screen = DefaultScreen(x11.display);
    UgRect area{0, 0, DisplayWidth(x11.display, screen), DisplayHeight(x11.display, screen)};
    Window root = RootWindow(x11.display, screen);
    long *data;
    long current = readLongs(root, "_NET_CURRENT_DESKTOP", XA_CARDINAL, 0, 1, &data) == 1 ? data[0] : 0;
    if (data)
        XFree(data);
    if (readLongs(root, "_NET_WORKAREA", XA_CARDINAL, 4 * current, 4, &data) == 4 && data[2] > 0 && data[3] > 0)
        area = UgRect{(int)data[0], (int)data[1], (int)(data[0] + data[2]), (int)(data[1] + data[3])};
    if (data)
        XFree(data);
    return area;
}

// The widths of the frame around a window: as the window manager publishes them, else measured from
// the top-level window it put ours in; 0 on every side without a frame.
static UgRect readFrame(Window window)
{
    UgRect frame{0, 0, 0, 0};
    if (!window)
        return frame;
    long *data;
    if (readLongs(window, "_NET_FRAME_EXTENTS", XA_CARDINAL, 0, 4, &data) == 4)
        frame = UgRect{(int)data[0], (int)data[2], (int)data[1], (int)data[3]};
    if (data) {
        XFree(data);
        return frame;
    }
    Window root = DefaultRootWindow(x11.display), top = window, parent = 0, *children = nullptr, ignored;
    unsigned count;
    while (XQueryTree(x11.display, top, &ignored, &parent, &children, &count) && parent != root) {
        if (children)
            XFree(children);
        children = nullptr;
        top = parent;
    }
    if (children)
        XFree(children);
    XWindowAttributes outer, inner;
    int x, y;
    if (top == window || !XGetWindowAttributes(x11.display, top, &outer) ||
        !XGetWindowAttributes(x11.display, window, &inner) ||
        !XTranslateCoordinates(x11.display, window, top, 0, 0, &x, &y, &ignored))
        return frame;
    // The frame's own border lies outside it.
    int border = outer.border_width;
    return UgRect{x + border, y + border, outer.width - inner.width - x + border,
                  outer.height - inner.height - y + border};
}

// The desktop a window (0: a new one) is placed on: monitors, pointer, work area, the window
// manager and its frame around the window.
static void readDesktop(Window window, X11Desktop *x)
{
    UgDesktop *desktop = &x->desktop;
    readMonitors(desktop);
    x11CursorPos(&desktop->pointerX, &desktop->pointerY);
    desktop->workArea = readWorkArea();
    x->manager = runningManager();
    // The window manager may replace or drop the frame while it is measured.
    x11TrapErrors();
    x->frame = readFrame(window);
    x11UntrapErrors();
}

UgRect x11ClientArea(const X11Desktop *x)
{
    if (x->manager == X11_NO_MANAGER)
        return ugChosenMonitor(&x->desktop);
    UgRect area = ugUsableArea(&x->desktop);
    if (x->manager == X11_MANAGER_MAXIMISES)
        return ugRestoredRect(area);
    const UgRect &frame = x->frame;
    return UgRect{area.left + frame.left, area.top + frame.top, area.right - frame.right, area.bottom - frame.bottom};
}

UgRect x11StartRect()
{
    X11Desktop desktop;
    readDesktop(0, &desktop);
    return x11ClientArea(&desktop);
}

// Asks the window manager to add or toggle one or two states of the window; second may be null.
static void requestWmState(Window window, long action, const char *first, const char *second)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = x11Atom("_NET_WM_STATE");
    event.xclient.format = 32;
    event.xclient.data.l[0] = action;
    event.xclient.data.l[1] = (long)x11Atom(first);
    event.xclient.data.l[2] = second ? (long)x11Atom(second) : 0;
    event.xclient.data.l[3] = NET_WM_SOURCE_APPLICATION;
    XSendEvent(x11.display, DefaultRootWindow(x11.display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(x11.display);
}

int x11MaximiseWindow(UgNativeWindow *w)
{
    if (runningManager() != X11_MANAGER_MAXIMISES)
        return 0;
    requestWmState(w->id, NET_WM_STATE_ADD, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ");
    return 1;
}

// Moves and sizes the window's client area to the rectangle; 0 when the rectangle is empty.
static int moveClient(Window window, UgRect client)
{
    int width = client.right - client.left, height = client.bottom - client.top;
    if (width <= 0 || height <= 0)
        return 0;
    XMoveResizeWindow(x11.display, window, client.left, client.top, (unsigned)width, (unsigned)height);
    XFlush(x11.display);
    return 1;
}

UgRect x11PlaceWindow(UgNativeWindow *w)
{
    X11Desktop desktop;
    readDesktop(w->id, &desktop);
    UgRect client = x11ClientArea(&desktop);
    if (!moveClient(w->id, client))
        return UgRect{0, 0, 0, 0};
    return UgRect{0, 0, client.right - client.left, client.bottom - client.top};
}

int x11IsFullscreen(const UgNativeWindow *w)
{
    return x11WindowOf(w)->fullscreen.on;
}

// 1 when a window manager runs that puts windows in fullscreen on request.
static int managerDoesFullscreen()
{
    return runningManager() != X11_NO_MANAGER && ewmhCheckWindow() &&
           listHasAtom(DefaultRootWindow(x11.display), "_NET_SUPPORTED", "_NET_WM_STATE_FULLSCREEN");
}

// The window's client area on the screen; empty when it cannot be read.
static UgRect clientOnScreen(Window window)
{
    XWindowAttributes attributes;
    int x, y;
    Window child;
    if (!XGetWindowAttributes(x11.display, window, &attributes) ||
        !XTranslateCoordinates(x11.display, window, DefaultRootWindow(x11.display), 0, 0, &x, &y, &child))
        return UgRect{0, 0, 0, 0};
    return UgRect{x, y, x + attributes.width, y + attributes.height};
}

// The fitted size is left alone both ways, so after leaving, a window fitted to the desktop stays
// fitted and a size the player chose keeps sticking.
void x11ToggleFullscreen(UgNativeWindow *w)
{
    X11Fullscreen *f = &x11WindowOf(w)->fullscreen;
    if (f->ours) {
        moveClient(w->id, f->restore);
        f->on = f->ours = 0;
    } else if (f->on || managerDoesFullscreen()) {
        requestWmState(w->id, NET_WM_STATE_TOGGLE, "_NET_WM_STATE_FULLSCREEN", nullptr);
    } else {
        f->restore = clientOnScreen(w->id);
        // The monitor under the window's centre, picked as the desktop picks the one under the pointer.
        UgDesktop desktop;
        readMonitors(&desktop);
        desktop.pointerX = (f->restore.left + f->restore.right) / 2;
        desktop.pointerY = (f->restore.top + f->restore.bottom) / 2;
        XRaiseWindow(x11.display, w->id);
        moveClient(w->id, ugChosenMonitor(&desktop));
        f->on = f->ours = 1;
    }
}

int x11IsMinimised(const UgNativeWindow *w)
{
    return !w->mapped || x11WindowOf(w)->hidden;
}

void x11SetDesktopHints(EGLNativeWindowType window)
{
    Window root;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border, depth;
    XGetGeometry(x11.display, window, &root, &x, &y, &width, &height, &border, &depth);
    XSizeHints *sizes = XAllocSizeHints();
    if (sizes) {
        // The position is ours, not the window manager's choice: it names the monitor to show on.
        // Static gravity: a position asked for is that of the client area, the frame goes around it.
        sizes->flags = PPosition | PSize | PMinSize | PWinGravity;
        sizes->win_gravity = StaticGravity;
        sizes->x = x;
        sizes->y = y;
        sizes->width = (int)width;
        sizes->height = (int)height;
        sizes->min_width = UG_MIN_CLIENT_WIDTH;
        sizes->min_height = UG_MIN_CLIENT_HEIGHT;
        XSetWMNormalHints(x11.display, window, sizes);
        XFree(sizes);
    }
    x11SetAtomList(window, "_NET_WM_WINDOW_TYPE", {"_NET_WM_WINDOW_TYPE_NORMAL"});
    // Set before the window is mapped, so it shows maximised from its first frame.
    if (runningManager() == X11_MANAGER_MAXIMISES)
        x11SetAtomList(window, "_NET_WM_STATE", {"_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ"});
}

void x11SetWindowIcon(EGLNativeWindowType window, const unsigned long *icon, size_t length)
{
    XChangeProperty(x11.display, window, x11Atom("_NET_WM_ICON"), XA_CARDINAL, 32, PropModeReplace,
                    (const unsigned char *)icon, (int)length);
    XFlush(x11.display);
}

void x11WatchDesktop()
{
    Window root = DefaultRootWindow(x11.display);
    XSelectInput(x11.display, root, PropertyChangeMask | StructureNotifyMask);
    int errorBase;
    if (XRRQueryExtension(x11.display, &x11.randrEventBase, &errorBase))
        XRRSelectInput(x11.display, root, RRScreenChangeNotifyMask);
    else
        x11.randrEventBase = -1;
}

int x11IsDesktopChange(const XEvent *event)
{
    if (event->type == PropertyNotify)
        return event->xproperty.atom == x11Atom("_NET_WORKAREA") ||
               event->xproperty.atom == x11Atom("_NET_CURRENT_DESKTOP");
    return event->type == ConfigureNotify ||
           (x11.randrEventBase >= 0 && event->type == x11.randrEventBase + RRScreenChangeNotify);
}

void x11TrackWindowState(UgNativeWindow *w, const XEvent *event)
{
    X11Window *xw = x11WindowOf(w);
    if (event->type == VisibilityNotify) {
        xw->obscured = event->xvisibility.state == VisibilityFullyObscured;
    } else if (event->type == PropertyNotify && event->xproperty.atom == x11Atom("_NET_WM_STATE")) {
        xw->hidden = listHasAtom(w->id, "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN");
        // The window manager may refuse fullscreen, or the player leave it through the manager.
        if (!xw->fullscreen.ours)
            xw->fullscreen.on = listHasAtom(w->id, "_NET_WM_STATE", "_NET_WM_STATE_FULLSCREEN");
    } else if (event->type == ReparentNotify) {
        ugPostMessage(w->id, WM_SETTINGCHANGE, 0, 0);  // a new frame: a window placed within its frame is placed anew
    }
}

int x11CanBeSeen(const UgNativeWindow *w)
{
    const X11Window *xw = x11WindowOf(w);
    return w->mapped && !xw->obscured && !xw->hidden;
}

// The refresh rate of a mode in hertz; 0 when the mode gives no timings.
static double modeRate(const XRRModeInfo &mode)
{
    double lines = (double)mode.vTotal;
    if (mode.modeFlags & RR_DoubleScan)
        lines *= 2;
    if (mode.modeFlags & RR_Interlace)
        lines /= 2;
    return mode.hTotal && lines > 0 ? (double)mode.dotClock / (mode.hTotal * lines) : 0;
}

// The rate of the monitor whose CRTC holds the screen point, else of the primary output's; 0 when
// RandR gives none.
static double refreshRateAt(int x, int y)
{
    Window root = DefaultRootWindow(x11.display);
    int major = 0, minor = 0;
    if (x11.randrEventBase < 0 || !XRRQueryVersion(x11.display, &major, &minor) || (major == 1 && minor < 3))
        return 0;
    XRRScreenResources *resources = XRRGetScreenResourcesCurrent(x11.display, root);
    if (!resources)
        return 0;
    RRCrtc primary = None;
    RROutput primaryOutput = XRRGetOutputPrimary(x11.display, root);
    if (XRROutputInfo *output = primaryOutput ? XRRGetOutputInfo(x11.display, resources, primaryOutput) : nullptr) {
        primary = output->crtc;
        XRRFreeOutputInfo(output);
    }
    double under = -1, primaryRate = 0;
    for (int i = 0; i < resources->ncrtc; i++) {
        XRRCrtcInfo *crtc = XRRGetCrtcInfo(x11.display, resources, resources->crtcs[i]);
        if (!crtc)
            continue;
        double rate = 0;
        for (int m = 0; m < resources->nmode; m++)
            if (resources->modes[m].id == crtc->mode)
                rate = modeRate(resources->modes[m]);
        // A CRTC that drives nothing has no size, so never holds the point.
        if (under < 0 && x >= crtc->x && y >= crtc->y && x < crtc->x + (int)crtc->width &&
            y < crtc->y + (int)crtc->height)
            under = rate;
        if (resources->crtcs[i] == primary)
            primaryRate = rate;
        XRRFreeCrtcInfo(crtc);
    }
    XRRFreeScreenResources(resources);
    return under < 0 ? primaryRate : under;
}

long long x11FramePeriodUs(Window window)
{
    // Most monitors run at 60 Hz: the rate assumed where RandR gives none.
    const double assumedRate = 60;
    // The window's centre says which monitor it is on.
    UgRect client = clientOnScreen(window);
    double rate = refreshRateAt((client.left + client.right) / 2, (client.top + client.bottom) / 2);
    return (long long)(1e6 / (rate > 0 ? rate : assumedRate) + 0.5);
}
