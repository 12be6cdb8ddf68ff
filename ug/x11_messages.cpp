// The message queue over the X connection: events become messages, then paints and the motion of
// drags, then timers.
#include "ug/x11_platform.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

enum { UG_QUEUE_SIZE = 256 };

static UgMsg queue[UG_QUEUE_SIZE];
static unsigned queueHead, queueCount;
static int quitPending, quitCode;

void ugPostMessage(EGLNativeWindowType window, unsigned message, UgWParam wParam, UgLParam lParam)
{
    if (queueCount == UG_QUEUE_SIZE)
        return;
    queue[(queueHead + queueCount) % UG_QUEUE_SIZE] = UgMsg{window, message, wParam, lParam, 0};
    queueCount++;
}

void ugPostQuitMessage(int code)
{
    quitPending = 1;
    quitCode = code;
}

// The virtual-key code of an X key symbol, 0 for keys the layer does not name.
static unsigned virtualKeyOf(KeySym sym)
{
    if (sym >= XK_a && sym <= XK_z)
        return (unsigned)(sym - XK_a + 'A');
    if ((sym >= XK_A && sym <= XK_Z) || (sym >= XK_0 && sym <= XK_9) || sym == XK_space)
        return (unsigned)sym;
    if (sym >= XK_F1 && sym <= XK_F12)
        return (unsigned)(VK_F1 + (sym - XK_F1));
    switch (sym) {
    case XK_BackSpace: return VK_BACK;
    case XK_Tab: return VK_TAB;
    case XK_Return: case XK_KP_Enter: return VK_RETURN;
    case XK_Shift_L: case XK_Shift_R: return VK_SHIFT;
    case XK_Control_L: case XK_Control_R: return VK_CONTROL;
    case XK_Alt_L: case XK_Alt_R: return VK_MENU;
    case XK_Pause: return VK_PAUSE;
    case XK_Escape: return VK_ESCAPE;
    case XK_Prior: case XK_KP_Prior: return VK_PRIOR;
    case XK_Next: case XK_KP_Next: return VK_NEXT;
    case XK_End: case XK_KP_End: return VK_END;
    case XK_Home: case XK_KP_Home: return VK_HOME;
    case XK_Left: case XK_KP_Left: return VK_LEFT;
    case XK_Up: case XK_KP_Up: return VK_UP;
    case XK_Right: case XK_KP_Right: return VK_RIGHT;
    case XK_Down: case XK_KP_Down: return VK_DOWN;
    case XK_Insert: case XK_KP_Insert: return VK_INSERT;
    case XK_Delete: case XK_KP_Delete: return VK_DELETE;
    }
    return 0;
}

// Tells every window of ours that the desktop changed, and reads their monitors' refresh rates anew.
static void followDesktopChange()
{
    for (UgNativeWindow &w : nativeWindows) {
        if (!w.id)
            continue;
        ugPostMessage(w.id, WM_SETTINGCHANGE, 0, 0);
        w.framePeriod = ugFramePeriodUs(w.id);
    }
}

// Packs a client point or size into lParam: the first in the low 16 bits, the second in the high.
static UgLParam packPair(int low, int high)
{
    return (UgLParam)((low & 0xffff) | ((high & 0xffff) << 16));
}

// Posts the latest position of a drag as one motion message, when there is one not yet delivered.
static void postMotion(UgNativeWindow *w)
{
    if (!w->motionPending)
        return;
    w->motionPending = 0;
    ugPostMessage(w->id, WM_MOUSEMOVE, 0, packPair(w->motionX, w->motionY));
}

// Posts the key-down message of a key press with the first character it types, for the translate
// step; the further characters an input method commits at once follow as character messages. The
// key's code rides in bits 16 to 23 of lParam, where a scan code would.
static void postKey(XKeyEvent *key)
{
    wchar_t chars[UG_QUEUE_SIZE];
    KeySym sym;
    size_t count = ugLookupKey(key, chars, UG_QUEUE_SIZE, &sym);
    unsigned vk = virtualKeyOf(sym);
    if (!vk && !count)
        return;
    UgLParam scan = (UgLParam)(key->keycode & 0xff) << 16;
    ugPostMessage(key->window, WM_KEYDOWN, vk, scan);
    if (count)
        queue[(queueHead + queueCount - 1) % UG_QUEUE_SIZE].character = (unsigned)chars[0];
    for (size_t i = 1; i < count; i++)
        ugPostMessage(key->window, WM_CHAR, (UgWParam)chars[i], scan);
}

// Turns one X event into messages or window state.
static void translateEvent(XEvent *event)
{
    Window root = DefaultRootWindow(xDisplay);
    if (event->xany.window == root) {
        if (ugIsDesktopChange(event))
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
            ugPostMessage(w->id, WM_SIZE, 0, packPair(w->width, w->height));
        }
        break;
    case MapNotify:
        w->mapped = 1;
        break;
    case UnmapNotify:
        w->mapped = 0;
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
        static const unsigned down[] = {WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN};
        static const unsigned up[] = {WM_LBUTTONUP, WM_MBUTTONUP, WM_RBUTTONUP};
        unsigned button = event->xbutton.button;
        if (button < 1 || button > 3)
            break;  // the wheel and extra buttons mean nothing here
        // A drag's last position comes before the press or release after it.
        postMotion(w);
        UgLParam at = packPair(event->xbutton.x, event->xbutton.y);
        ugPostMessage(w->id, event->type == ButtonPress ? down[button - 1] : up[button - 1], 0, at);
        break;
    }
    case MotionNotify:
        // Only motion with a button held is selected; of it only the latest position counts.
        w->motionPending = 1;
        w->motionX = event->xmotion.x;
        w->motionY = event->xmotion.y;
        break;
    case VisibilityNotify:
    case PropertyNotify:
    case ReparentNotify:
        ugTrackWindowState(w, event);
        break;
    case ClientMessage:
        if (event->xclient.message_type == wmProtocolsAtom && (Atom)event->xclient.data.l[0] == wmDeleteAtom)
            ugPostMessage(w->id, WM_CLOSE, 0, 0);
        break;
    }
}

// Moves the events the connection already holds into the queue, without blocking. One event posts
// at most a message per window and a character, so events wait in Xlib while the queue is near
// full: nothing is dropped, however fast input comes (only a text an input method commits at once
// may be longer than the room left). The input method sees each event first.
static void readEvents()
{
    while (queueCount + UG_MAX_WINDOWS + 1 <= UG_QUEUE_SIZE && XPending(xDisplay)) {
        XEvent event;
        XNextEvent(xDisplay, &event);
        if (!ugFilterInputEvent(&event))
            translateEvent(&event);
    }
}

// Takes the message at the head of the queue; 0 when it is empty.
static int takeQueued(UgMsg *msg)
{
    if (!queueCount)
        return 0;
    *msg = queue[queueHead];
    queueHead = (queueHead + 1) % UG_QUEUE_SIZE;
    queueCount--;
    return 1;
}

// 1 when the window's paints come at its frame deadlines: it is animated and can be seen.
static int paced(const UgNativeWindow &w)
{
    return w.animated && ugCanBeSeen(&w);
}

// Shortens the wait, in microseconds, to reach the deadline.
static void waitUntil(long long due, long long now, long long *waitUs)
{
    if (*waitUs < 0 || due - now < *waitUs)
        *waitUs = due - now;
}

// The deadline of the frame after the one due now: a period on from this one's, however late the
// loop woke, so the rate holds; a period on from now once a whole frame was missed, so none bursts.
static long long nextFrame(const UgNativeWindow &w, long long now)
{
    long long next = w.frameDue + w.framePeriod;
    return next > now ? next : now + w.framePeriod;
}

// 1 when some window's timer is due.
static int timerDueBy(long long now)
{
    for (const UgNativeWindow &w : nativeWindows)
        if (w.id && w.timerPeriod && w.timerDue <= now)
            return 1;
    return 0;
}

// Takes the next message in priority order; 0 when none is ready, with the wait until the next
// deadline in *waitUs.
static int nextMessage(UgMsg *msg, long long *waitUs)
{
    if (takeQueued(msg))
        return 1;
    if (quitPending) {
        quitPending = 0;
        *msg = UgMsg{0, WM_QUIT, (UgWParam)quitCode, 0, 0};
        return 1;
    }
    long long now = ugNowUs();
    *waitUs = -1;
    // A window that cannot be seen keeps its paint until it shows again: ticks go on, drawing waits.
    // An animated one paints at its frame deadlines, a paint asked for in between joining the next
    // frame; the drag's latest position comes right before the paint that shows it. A frame with
    // nothing new to show waits for a due tick, so frames that take long never slow the game.
    int tickDue = timerDueBy(now);
    for (UgNativeWindow &w : nativeWindows) {
        if (!w.id || !ugCanBeSeen(&w))
            continue;
        if (w.animated && w.frameDue > now) {
            waitUntil(w.frameDue, now, waitUs);
        } else if (w.invalid || (w.animated && !tickDue)) {
            if (w.animated)
                w.frameDue = nextFrame(w, now);
            postMotion(&w);
            ugPostMessage(w.id, WM_PAINT, 0, 0);
            return takeQueued(msg);
        }
    }
    // Where no frame comes soon, the drag's position goes out at once.
    for (UgNativeWindow &w : nativeWindows) {
        if (w.motionPending && !paced(w)) {
            postMotion(&w);
            return takeQueued(msg);
        }
    }
    for (UgNativeWindow &w : nativeWindows) {
        if (!w.id || !w.timerPeriod)
            continue;
        if (w.timerDue <= now) {
            // One message however late it is: skip the missed periods so ticks never pile up.
            while (w.timerDue <= now)
                w.timerDue += w.timerPeriod * 1000LL;
            *msg = UgMsg{w.id, WM_TIMER, 1, 0, 0};
            return 1;
        }
        waitUntil(w.timerDue, now, waitUs);
    }
    return 0;
}

int ugGetMessage(UgMsg *msg)
{
    if (!ugPlatformConnect()) {
        *msg = UgMsg{0, WM_QUIT, 0, 0, 0};
        return 0;
    }
    for (;;) {
        readEvents();
        long long waitUs = -1;
        if (nextMessage(msg, &waitUs))
            return msg->message != WM_QUIT;
        // Sleep in the kernel until the server speaks or the next deadline has passed: poll's
        // milliseconds are rounded up, so it never wakes early and spins.
        XFlush(xDisplay);
        pollfd p{ConnectionNumber(xDisplay), POLLIN, 0};
        poll(&p, 1, waitUs < 0 ? -1 : (int)((waitUs + 999) / 1000));
    }
}

// It goes to the front of the queue, so it is taken before any later key: typed text and the Enter
// after it keep their order.
void ugTranslateMessage(const UgMsg *msg)
{
    if (msg->message != WM_KEYDOWN || !msg->character || queueCount == UG_QUEUE_SIZE)
        return;
    queueHead = (queueHead + UG_QUEUE_SIZE - 1) % UG_QUEUE_SIZE;
    queue[queueHead] = UgMsg{msg->window, WM_CHAR, msg->character, msg->lParam, 0};
    queueCount++;
}

UgResult ugDispatchMessage(const UgMsg *msg)
{
    UgNativeWindow *w = ugFindNative(msg->window);
    if (!w)
        return 0;
    if (msg->message == WM_TIMER)
        w->timerTaken = ugNowUs();
    return w->proc(msg->window, msg->message, msg->wParam, msg->lParam);
}

long long ugSinceTimer(EGLNativeWindowType window)
{
    UgNativeWindow *w = ugFindNative(window);
    return w && w->timerTaken ? ugNowUs() - w->timerTaken : -1;
}

UgResult ugDefWindowProc(EGLNativeWindowType window, unsigned message, UgWParam, UgLParam)
{
    if (message == WM_CLOSE)
        ugDestroyWindow(window);
    else if (message == WM_PAINT)
        ugValidate(window);
    return 0;
}
