// The message queue over the platform's connection: events become messages, then paints and the
// motion of drags, then timers.
#include "ug/instance.h"
#include "ug/platform.h"

#include <poll.h>

enum { UG_QUEUE_SIZE = 256 };

static UgMsg queue[UG_QUEUE_SIZE];
static unsigned queueHead, queueCount;
static int quitPending, quitCode;

static UgDevice dispatchedDevice;

// Appends a message from the device; the newest is dropped when the queue is full.
static void postFrom(EGLNativeWindowType window, unsigned message, UgWParam wParam, UgLParam lParam, UgDevice device)
{
    if (queueCount == UG_QUEUE_SIZE)
        return;
    queue[(queueHead + queueCount) % UG_QUEUE_SIZE] = UgMsg{window, message, wParam, lParam, 0, device};
    queueCount++;
}

void ugPostMessage(EGLNativeWindowType window, unsigned message, UgWParam wParam, UgLParam lParam)
{
    postFrom(window, message, wParam, lParam, UG_DEVICE_MOUSE);
}

void ugPostQuitMessage(int code)
{
    quitPending = 1;
    quitCode = code;
}

UgLParam ugPackPair(int low, int high)
{
    return (UgLParam)((low & 0xffff) | ((high & 0xffff) << 16));
}

// One event posts at most a message per window and a character, so events wait in the platform's
// connection while the queue is near full: nothing is dropped, however fast input comes (only a text
// an input method commits at once may be longer than the room left).
int ugQueueHasRoom()
{
    return queueCount + UG_MAX_WINDOWS + 1 <= UG_QUEUE_SIZE;
}

void ugNoteMotion(UgNativeWindow *w, int x, int y, UgDevice device)
{
    // A finger's drag may follow a mouse's in the same frame: the mouse's last point goes first.
    if (w->motionPending && w->motionDevice != device)
        ugPostMotion(w);
    w->motionPending = 1;
    w->motionX = x;
    w->motionY = y;
    w->motionDevice = device;
}

void ugPostMotion(UgNativeWindow *w)
{
    if (!w->motionPending)
        return;
    w->motionPending = 0;
    postFrom(w->id, WM_MOUSEMOVE, 0, ugPackPair(w->motionX, w->motionY), w->motionDevice);
}

void ugDropMotion(UgNativeWindow *w, UgDevice device)
{
    if (w->motionDevice == device)
        w->motionPending = 0;
}

void ugPostButton(UgNativeWindow *w, int button, int pressed, int x, int y, UgDevice device)
{
    static const unsigned down[] = {WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN};
    static const unsigned up[] = {WM_LBUTTONUP, WM_MBUTTONUP, WM_RBUTTONUP};
    ugPostMotion(w);
    postFrom(w->id, pressed ? down[button] : up[button], 0, ugPackPair(x, y), device);
}

// The key's code rides in bits 16 to 23 of lParam, where a scan code would.
void ugPostKey(EGLNativeWindowType window, unsigned virtualKey, UgLParam scan, const wchar_t *chars, size_t count)
{
    if (!virtualKey && !count)
        return;
    ugPostMessage(window, WM_KEYDOWN, virtualKey, scan);
    if (count)
        queue[(queueHead + queueCount - 1) % UG_QUEUE_SIZE].character = (unsigned)chars[0];
    for (size_t i = 1; i < count; i++)
        ugPostMessage(window, WM_CHAR, (UgWParam)chars[i], scan);
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

// 1 when the window's paints come at its frames: it is animated and can be seen.
static int paced(const UgNativeWindow &w)
{
    return w.animated && ugPlatform()->canBeSeen(&w);
}

// Shortens the wait, in microseconds, to reach the deadline; a frame the platform has yet to ask
// for is no deadline: its request wakes the loop.
static void waitUntil(long long due, long long now, long long *waitUs)
{
    if (due != UG_NEVER && (*waitUs < 0 || due - now < *waitUs))
        *waitUs = due - now;
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
        *msg = UgMsg{0, WM_QUIT, (UgWParam)quitCode, 0, 0, UG_DEVICE_MOUSE};
        return 1;
    }
    long long now = ugNowUs();
    *waitUs = -1;
    // A window that cannot be seen keeps its paint until it shows again: ticks go on, drawing waits.
    // An animated one paints at its frame deadlines, a paint asked for in between joining the next
    // frame; the drag's latest position comes right before the paint that shows it. A frame with
    // nothing new to show waits for a due tick, so frames that take long never slow the game.
    int tickDue = timerDueBy(now);
    const UgPlatform *platform = ugPlatform();
    for (UgNativeWindow &w : nativeWindows) {
        if (!w.id || !platform->canBeSeen(&w))
            continue;
        if (w.frameDue > now) {
            waitUntil(w.frameDue, now, waitUs);
        } else if (w.invalid || (w.animated && !tickDue)) {
            platform->framePosted(&w, now);
            ugPostMotion(&w);
            ugPostMessage(w.id, WM_PAINT, 0, 0);
            return takeQueued(msg);
        }
    }
    // Where no frame comes soon, the drag's position goes out at once.
    for (UgNativeWindow &w : nativeWindows) {
        if (w.motionPending && !paced(w)) {
            ugPostMotion(&w);
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
            *msg = UgMsg{w.id, WM_TIMER, 1, 0, 0, UG_DEVICE_MOUSE};
            return 1;
        }
        waitUntil(w.timerDue, now, waitUs);
    }
    return 0;
}

// poll's milliseconds are rounded up, so the loop never wakes early and spins.
void ugWaitReadable(int fd, long long waitUs)
{
    pollfd p[2] = {{fd, POLLIN, 0}, {instanceWakeFd, POLLIN, 0}};  // -1: left out
    poll(p, 2, waitUs < 0 ? -1 : (int)((waitUs + 999) / 1000));
}

int ugGetMessage(UgMsg *msg)
{
    if (!ugPlatform()->connect()) {
        *msg = UgMsg{0, WM_QUIT, 0, 0, 0, UG_DEVICE_MOUSE};
        return 0;
    }
    const UgPlatform *platform = ugPlatform();
    for (;;) {
        answerKnocks();
        platform->readEvents();
        long long waitUs = -1;
        if (nextMessage(msg, &waitUs))
            return msg->message != WM_QUIT;
        platform->waitEvents(waitUs);
    }
}

// It goes to the front of the queue, so it is taken before any later key: typed text and the Enter
// after it keep their order.
void ugTranslateMessage(const UgMsg *msg)
{
    if (msg->message != WM_KEYDOWN || !msg->character || queueCount == UG_QUEUE_SIZE)
        return;
    queueHead = (queueHead + UG_QUEUE_SIZE - 1) % UG_QUEUE_SIZE;
    queue[queueHead] = UgMsg{msg->window, WM_CHAR, msg->character, msg->lParam, 0, msg->device};
    queueCount++;
}

UgResult ugDispatchMessage(const UgMsg *msg)
{
    UgNativeWindow *w = ugFindNative(msg->window);
    if (!w)
        return 0;
    if (msg->message == WM_TIMER)
        w->timerTaken = ugNowUs();
    dispatchedDevice = msg->device;
    return w->proc(msg->window, msg->message, msg->wParam, msg->lParam);
}

UgDevice ugDispatchedDevice()
{
    return dispatchedDevice;
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
