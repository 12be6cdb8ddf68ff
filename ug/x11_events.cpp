// X events turned into messages and window state, and the wait for the next.
#include "ug/x11_platform.h"

#include <X11/Xutil.h>

// Tells every window of ours that the desktop changed, and reads their monitors' refresh rates anew.
static void followDesktopChange()
{
    for (UgNativeWindow &w : nativeWindows) {
        if (!w.id)
            continue;
        ugPostMessage(w.id, WM_SETTINGCHANGE, 0, 0);
        x11WindowOf(&w)->framePeriod = x11FramePeriodUs(w.id);
    }
}

// Posts a key press with the characters it types.
static void postKey(XKeyEvent *key)
{
    // Room for what an input method may commit with one key.
    enum { MAX_TYPED = 256 };
    wchar_t chars[MAX_TYPED];
    KeySym sym;
    size_t count = x11LookupKey(key, chars, MAX_TYPED, &sym);
    ugPostKey(key->window, ugVirtualKeyOf(sym), (UgLParam)(key->keycode & 0xff) << 16, chars, count);
}

// Turns one X event into messages or window state.
static void translateEvent(XEvent *event)
{
    Window root = DefaultRootWindow(x11.display);
    if (event->xany.window == root) {
        if (x11IsDesktopChange(event))
            followDesktopChange();
        return;
    }
    UgNativeWindow *w = ugFindNative(event->xany.window);
    if (!w)
        return;
    switch (event->type) {
    case Expose:
        w->invalid = 1;
        break;
    case ConfigureNotify:
        if (event->xconfigure.width != w->width || event->xconfigure.height != w->height) {
            w->width = event->xconfigure.width;
            w->height = event->xconfigure.height;
            w->invalid = 1;
            ugPostMessage(w->id, WM_SIZE, 0, ugPackPair(w->width, w->height));
        }
        break;
    case MapNotify:
        w->mapped = 1;
        break;
    case UnmapNotify:
        w->mapped = 0;
        w->unmappedSinceAsked = 1;
        break;
    case FocusIn:
    case FocusOut:
        ugPostMessage(w->id, WM_ACTIVATE,
                      (UgWParam)((event->type == FocusIn ? WA_ACTIVE : WA_INACTIVE) | (w->mapped ? 0 : 1 << 16)), 0);
        break;
    case KeyPress:
        postKey(&event->xkey);
        break;
    case ButtonPress:
    case ButtonRelease: {
        // X numbers the left, middle and right buttons 1 to 3; the wheel and extra buttons mean nothing here.
        // A touch screen's first finger comes here too, as the server's pointer emulation gives it,
        // and so counts as the mouse.
        unsigned button = event->xbutton.button;
        if (button >= 1 && button <= 3)
            ugPostButton(w, (int)button - 1, event->type == ButtonPress, event->xbutton.x, event->xbutton.y,
                         UG_DEVICE_MOUSE);
        break;
    }
    case MotionNotify:
        // Only motion with a button held is selected; of it only the latest position counts.
        ugNoteMotion(w, event->xmotion.x, event->xmotion.y, UG_DEVICE_MOUSE);
        break;
    case VisibilityNotify:
    case PropertyNotify:
    case ReparentNotify:
        x11TrackWindowState(w, event);
        break;
    case ClientMessage:
        if (event->xclient.message_type == x11.wmProtocols && (Atom)event->xclient.data.l[0] == x11.wmDelete)
            ugPostMessage(w->id, WM_CLOSE, 0, 0);
        break;
    }
}

// The input method sees each event first.
void x11ReadEvents()
{
    while (ugQueueHasRoom() && XPending(x11.display)) {
        XEvent event;
        XNextEvent(x11.display, &event);
        if (!x11FilterInputEvent(&event))
            translateEvent(&event);
    }
}

void x11WaitEvents(long long waitUs)
{
    XFlush(x11.display);
    ugWaitReadable(ConnectionNumber(x11.display), waitUs);
}

// The deadline of the frame after the one due now: a period on from this one's, however late the
// loop woke, so the rate holds; a period on from now once a whole frame was missed, so none bursts.
void x11FramePosted(UgNativeWindow *w, long long now)
{
    if (!w->animated)
        return;
    long long period = x11WindowOf(w)->framePeriod, next = w->frameDue + period;
    w->frameDue = next > now ? next : now + period;
}
