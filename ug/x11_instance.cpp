// Finding the running instance's window on the X server and bringing it forward.
#include "ug/x11_platform.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

// Reads a 32-bit list property; the caller frees the data with XFree.
static unsigned long readCardinals(Display *display, Window window, const char *name, Atom type, unsigned char **data)
{
    Atom actual;
    int format;
    unsigned long count = 0, after;
    *data = nullptr;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 4096, False, type, &actual,
                           &format, &count, &after, data) != Success || format != 32)
        count = 0;
    return count;
}

int matchInstanceWindow(Display *display, Window window, InstanceSearch *search)
{
    unsigned char *data;
    long pid = readCardinals(display, window, "_NET_WM_PID", XA_CARDINAL, &data) ? *(long *)data : 0;
    if (data)
        XFree(data);
    if (pid <= 0)
        return 1;
    char link[64], owner[4096];
    snprintf(link, sizeof link, "/proc/%ld/exe", pid);
    ssize_t length = readlink(link, owner, sizeof owner - 1);
    if (length <= 0)
        return 1;
    owner[length] = 0;
    if (strcmp(owner, search->modulePath) != 0)
        return 1;
    // Only the game window itself, not some other window of the same program.
    char *title = nullptr;
    XClassHint hint{};
    int isGame = XFetchName(display, window, &title) && title && strcmp(title, "Rinkslider") == 0 &&
                 XGetClassHint(display, window, &hint) && hint.res_class && strcmp(hint.res_class, "ug window") == 0;
    if (title)
        XFree(title);
    if (hint.res_name)
        XFree(hint.res_name);
    if (hint.res_class)
        XFree(hint.res_class);
    if (!isGame)
        return 1;
    search->foundWindow = window;
    return 0;
}

// One pass over the top-level windows and the window manager's client list; 1 when a window was found.
static int x11FindInstanceWindow(Display *display, InstanceSearch *search)
{
    Window root = DefaultRootWindow(display), parent, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, root, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && matchInstanceWindow(display, children[i], search); i++) {
        }
        if (children)
            XFree(children);
    }
    // Behind a reparenting window manager the game window is only in its client list.
    unsigned char *data;
    unsigned long clients = readCardinals(display, root, "_NET_CLIENT_LIST", XA_WINDOW, &data);
    for (unsigned long i = 0; !search->foundWindow && i < clients; i++)
        matchInstanceWindow(display, ((long *)data)[i], search);
    if (data)
        XFree(data);
    return search->foundWindow != 0;
}

// Searches again after each change among the top-level windows until one matches or timeoutMs passes; 1 when found.
static int x11AwaitInstanceWindow(Display *display, InstanceSearch *search, int timeoutMs)
{
    // Selected before the first search, so a window that comes after it is announced.
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask | PropertyChangeMask);
    long long deadline = ugNowMs() + timeoutMs;
    while (!x11FindInstanceWindow(display, search)) {
        long long left = deadline - ugNowMs();
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        if (left <= 0 || (!XPending(display) && poll(&connection, 1, (int)left) <= 0))
            return 0;
        // What the events were does not matter: any of them may be the window, so the search runs again.
        XEvent event;
        while (XPending(display))
            XNextEvent(display, &event);
    }
    return 1;
}

// Raises the window and asks the window manager to activate it.
static void x11BringForward(Display *display, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // a request from an application
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XMapRaised(display, window);
    XFlush(display);
}

// A window that vanishes while it is looked at is no reason to end; the search goes on without it.
static int ignoreXError(Display *, XErrorEvent *)
{
    return 0;
}

int x11RaiseRunningInstance(const char *modulePath, int timeoutMs)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 0;
    XSetErrorHandler(ignoreXError);
    InstanceSearch search{modulePath, 0};
    if (x11AwaitInstanceWindow(display, &search, timeoutMs))
        x11BringForward(display, search.foundWindow);
    XCloseDisplay(display);
    return search.foundWindow != 0;
}
