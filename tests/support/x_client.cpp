#include "support/x_client.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <algorithm>
#include <chrono>
#include <stdlib.h>
#include <string>
#include <thread>

void ignoreXErrors()
{
    XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
}

// A game inside memcheck runs several times slower.
bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    auto end = std::chrono::steady_clock::now() +
               std::chrono::milliseconds(timeoutMs * (getenv("RINKSLIDER_VALGRIND") ? 8 : 1));
    bool ok;
    while (!(ok = done()) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ok;
}

std::vector<Window> topLevels(Display *d)
{
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    std::vector<Window> found;
    XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count);
    for (unsigned i = 0; i < count; i++) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable)
            found.push_back(children[i]);
    }
    XFree(children);
    return found;
}

std::vector<Window> windowsTitled(Display *d, const char *title)
{
    std::vector<Window> found;
    for (Window w : topLevels(d)) {
        char *name = nullptr;
        if (XFetchName(d, w, &name) && name && std::string(name) == title)
            found.push_back(w);
        XFree(name);
    }
    return found;
}

Window findWindow(Display *d, const char *title, int timeoutMs)
{
    std::vector<Window> all;
    waitFor([&] { return !(all = windowsTitled(d, title)).empty(); }, timeoutMs);
    return all.empty() ? 0 : all.back();
}

Window findFocused(Display *d, const char *title, int timeoutMs)
{
    Window focus = 0;
    int revert;
    return waitFor([&] {
               std::vector<Window> all = windowsTitled(d, title);
               return XGetInputFocus(d, &focus, &revert) && std::count(all.begin(), all.end(), focus);
           }, timeoutMs) ? focus : 0;
}

std::vector<long> property(Display *d, Window w, const char *name)
{
    Atom type;
    int format;
    unsigned long count = 0, after;
    unsigned char *data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1 << 16, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) == Success && data && format == 32)
        values.assign((long *)data, (long *)data + count);
    XFree(data);
    return values;
}

std::string windowClass(Display *d, Window w)
{
    XClassHint hint{nullptr, nullptr};
    XGetClassHint(d, w, &hint);
    std::string name = hint.res_class ? hint.res_class : "";
    XFree(hint.res_name);
    XFree(hint.res_class);
    return name;
}

// Queues the press and release of a key, with shift when the keymap needs it.
static void fakeKey(Display *d, KeySym sym)
{
    KeyCode code = XKeysymToKeycode(d, sym), shift = XKeysymToKeycode(d, XK_Shift_L);
    bool shifted = XkbKeycodeToKeysym(d, code, 0, 0) != sym && XkbKeycodeToKeysym(d, code, 0, 1) == sym;
    if (shifted)
        XTestFakeKeyEvent(d, shift, True, CurrentTime);
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    if (shifted)
        XTestFakeKeyEvent(d, shift, False, CurrentTime);
}

void pressKey(Display *d, KeySym sym)
{
    fakeKey(d, sym);
    XSync(d, False);
}

// Latin-1 keysyms are the characters themselves; the grab makes the keys arrive at once.
void typeText(Display *d, const char *text, KeySym after)
{
    XGrabServer(d);
    for (const char *c = text; *c; c++)
        fakeKey(d, (KeySym)(unsigned char)*c);
    if (after)
        fakeKey(d, after);
    XUngrabServer(d);
    XSync(d, False);
}

void clickAt(Display *d, Window w, int x, int y, const std::vector<std::pair<int, int>> &dragTo,
             const std::pair<int, int> *after)
{
    auto moveTo = [&](int x, int y) {
        int rootX, rootY;
        Window child;
        XTranslateCoordinates(d, w, DefaultRootWindow(d), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(d, -1, rootX, rootY, CurrentTime);
    };
    moveTo(x, y);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    for (auto [toX, toY] : dragTo)
        moveTo(toX, toY);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    if (after)
        moveTo(after->first, after->second);
    XSync(d, False);
}

void closeWindow(Display *d, Window w)
{
    XEvent e{};
    e.xclient = XClientMessageEvent{ClientMessage, 0, True, d, w, XInternAtom(d, "WM_PROTOCOLS", False), 32, {}};
    e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSendEvent(d, w, False, NoEventMask, &e);
    XFlush(d);
}

void sendKey(Display *d, Window w, KeySym sym)
{
    XEvent e{};
    e.xkey = XKeyEvent{KeyPress, 0, True, d, w, DefaultRootWindow(d), 0, CurrentTime, 0, 0, 0, 0, 0,
                       XKeysymToKeycode(d, sym), True};
    XSendEvent(d, w, True, KeyPressMask, &e);
    XFlush(d);
}

void sendButton(Display *d, Window w, int type, unsigned button, int x, int y)
{
    XEvent e{};
    e.xbutton = XButtonEvent{type, 0, True, d, w, DefaultRootWindow(d), 0, CurrentTime, x, y, 0, 0, 0, button, True};
    XSendEvent(d, w, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
    XFlush(d);
}

int framesShown(Display *d, Window w, int ms, const std::function<void()> &action)
{
    int damageEvent, damageError, frames = 0;
    if (!XDamageQueryExtension(d, &damageEvent, &damageError))
        return -1;
    const int settleMs = 250;
    Damage damage = XDamageCreate(d, w, XDamageReportNonEmpty);
    auto count = [&] {
        XSync(d, False);
        while (XPending(d)) {
            XEvent event;
            XNextEvent(d, &event);
            if (event.type == damageEvent + XDamageNotify) {
                frames++;
                XDamageSubtract(d, damage, None, None);
            }
        }
        return false;
    };
    waitFor(count, settleMs);
    frames = 0;
    if (action)
        action();
    waitFor(count, ms);
    XDamageDestroy(d, damage);
    return frames;
}
